#pragma once
// What the `ctb` command line shares across its commands: the parser set up
// to speak Portuguese, the checks of options that go together, and the
// output format an output file's name implies.

#include <string>
#include <utility>
#include <vector>

#include "framework/core/TDateTime.h"

namespace CLI {
class App;
}

namespace LinhaComando {

inline constexpr const char* kVersao = "ctb 1.0";

// Call before adding the commands, which inherit it: the global options may
// come after the command's name; --version; help and every parser message in
// Portuguese, a wrong command or option followed by what is accepted.
void Configurar(CLI::App& app);

// Call after adding the commands: their help lists the program's commands
// by what they are for, and the commands of a command as "Comandos".
void NomearGrupos(CLI::App& app);

// The date an option names (AAAA-MM-DD or dd/mm/aaaa, spaces around
// ignored); Exception with the one hint of every bad date when it is none:
// `--from: "31/02/2025" não é uma data válida (use AAAA-MM-DD ou dd/mm/aaaa)`.
TDateTime Data(const std::string& texto, const std::string& opcao);

// Raises Exception when both dates read as dates and the first is after the
// second (a bad date is the command's to refuse).
void VerificarPeriodo(const std::string& de, const std::string& ate);

// The accepted word nearest to `digitado` (a typing slip, or the start of
// a longer word); empty when none is near enough to be what was meant.
std::string MaisProximo(const std::string& digitado, const std::vector<std::string>& aceitos);

// The first and last days (YYYY-MM-DD) of a period written as a month
// ("2025-03"), a year ("2025") or a quarter ("2025-Q1"); Exception for any
// other text.
std::pair<std::string, std::string> DatasDoPeriodo(const std::string& periodo);

// Adds --from, --to and --period to `cmd`, and checks run when the line is
// parsed (a bad line: exit 2): each date is a date, --period fills `de` and
// `ate`, the first date is not after the last, and, when `exigido`, a
// period is given (else an end not given is open).
void AdicionarPeriodo(CLI::App& cmd, std::string& de, std::string& ate, bool exigido = true);

// The default of the commands whose output a person reads or a program takes.
inline constexpr const char* kPadraoTabelaOuCsv = "table num terminal, csv quando redirecionado";

// Adds --format, one of `formatos` (`padrao` says which when none is
// given), and when "csv-br" is among them --csv-br, its short form.
void AdicionarFormato(CLI::App& cmd, std::string& formato, const std::vector<std::string>& formatos,
                      const std::string& padrao);

// `formato` when given; else the extension of `arquivo` (.csv, .json,
// .xlsx); else "table".
std::string FormatoDaSaida(const std::string& formato, const std::string& arquivo);

}  // namespace LinhaComando
