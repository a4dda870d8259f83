#pragma once
// The `ctb --help` a Portuguese-speaking person reads: the commands grouped
// by what they are for, one section of options with each value's type in
// words, and every line within 80 columns. The parser's own types ("INT in
// [0 - 2]", "{table,csv}") never reach the screen: TipoEmPalavras turns them
// into "0, 1 ou 2" and "table ou csv", for the help and for the messages of
// a bad value alike.

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace AjudaLinhaComando {

// The widest line the help prints.
inline constexpr size_t kLarguraAjuda = 80;

// The groups the program's commands are listed under, in this order.
inline constexpr const char* kGrupoDiaADia = "Dia a dia";
inline constexpr const char* kGrupoRelatorios = "Relatórios";
inline constexpr const char* kGrupoAdministracao = "Administração";
inline constexpr const char* kGrupoIntegracao = "Integração";
// The commands of a command (`db init`, `entry post`).
inline constexpr const char* kGrupoSubcomandos = "Comandos";

// `texto` broken at spaces into lines of at most `largura` characters, each
// after the first indented by `recuo` more spaces.
std::string Quebrar(const std::string& texto, size_t recuo, size_t largura);

// The type of an option whose value is a date.
inline constexpr const char* kTipoData = "DATA";

// The values an option takes when it names them ("table", "csv"...); empty
// when it takes any value of its type.
std::vector<std::string> Escolhas(const CLI::Option& opcao);

// What an option's value may be, in words: "número inteiro positivo",
// "0, 1 ou 2", "de 1 a 99", "table, csv ou json", "data", "texto"; empty for
// a flag.
std::string TipoEmPalavras(const CLI::Option& opcao);

// The whole help of a command: its description, the usage line, one
// section of options (its arguments, its own options, then the program's
// options it also takes) and its commands by group.
class TFormatadorAjuda : public CLI::Formatter {
 public:
  std::string make_help(const CLI::App* app, std::string nome,
                        CLI::AppFormatMode modo) const override;
};

}  // namespace AjudaLinhaComando
