#pragma once
// What the `ctb` command line shares across its commands: the parser set up
// to speak Portuguese, the checks of options that go together, and the
// output format an output file's name implies.

#include <string>
#include <utility>

namespace CLI {
class App;
}

namespace LinhaComando {

inline constexpr const char* kVersao = "ctb 1.0";

// Call before adding the commands, which inherit it: the global options may
// come after the command's name; --version; help and every parser message in
// Portuguese, a wrong command or option followed by what is accepted.
void Configurar(CLI::App& app);

// Call after adding the commands: their help lists them as "Comandos".
void NomearGrupos(CLI::App& app);

// Raises Exception when both dates read as dates and the first is after the
// second (a bad date is the command's to refuse).
void VerificarPeriodo(const std::string& de, const std::string& ate);

// The first and last days (YYYY-MM-DD) of a period written as a month
// ("2025-03"), a year ("2025") or a quarter ("2025-Q1"); Exception for any
// other text.
std::pair<std::string, std::string> DatasDoPeriodo(const std::string& periodo);

// Adds --from, --to and --period to `cmd`, and a check run when the line is
// parsed (a bad line: exit 2): --period fills `de` and `ate`, or --from and
// --to are both given.
void AdicionarPeriodo(CLI::App& cmd, std::string& de, std::string& ate);

// `formato` when given; else the extension of `arquivo` (.csv, .json,
// .xlsx); else "table".
std::string FormatoDaSaida(const std::string& formato, const std::string& arquivo);

}  // namespace LinhaComando
