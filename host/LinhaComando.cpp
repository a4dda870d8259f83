#include "host/LinhaComando.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/TDateTime.h"

namespace LinhaComando {

namespace {

// The part of CLI11's message after its fixed English opening: the names it
// quotes (options, values) are what the user typed.
std::string Depois(const std::string& texto, const std::string& marca) {
  const size_t pos = texto.find(marca);
  return pos == std::string::npos ? texto : Nutil::Trim(texto.substr(pos + marca.size()));
}

// The word after `marca` in `texto`; empty when there is none.
std::string PalavraApos(const std::string& texto, const std::string& marca) {
  const size_t pos = texto.find(marca);
  if (pos == std::string::npos)
    return "";
  const std::string resto = texto.substr(pos + marca.size());
  return resto.substr(0, resto.find(' '));
}

std::string Traduzir(const CLI::App* comando, const CLI::Error& erro) {
  const std::string texto = erro.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&erro))
    return "Argumento não reconhecido: " + Depois(texto, ":");
  if (dynamic_cast<const CLI::RequiredError*>(&erro)) {
    const std::vector<std::string> sobras = comando->remaining();
    const size_t fim = texto.find(" is required");
    if (texto.find("subcommand") != std::string::npos || fim == std::string::npos)
      return sobras.empty() ? "Falta o comando" : "Comando desconhecido: " + sobras.front();
    return "Falta " + texto.substr(0, fim) + ", que é obrigatório";
  }
  if (dynamic_cast<const CLI::ExcludesError*>(&erro))
    return "Opções que não podem ir juntas: " + texto.substr(0, texto.find(" excludes")) + " e " +
           Depois(texto, "excludes");
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&erro))
    return "Quantidade errada de valores em " + texto.substr(0, texto.find(':'));
  if (dynamic_cast<const CLI::ConversionError*>(&erro)) {
    // "Could not convert: --user = x"
    const std::string opcao = PalavraApos(texto, ": ");
    return "Valor inválido em " + opcao + ": " + Depois(texto, " = ");
  }
  if (dynamic_cast<const CLI::ValidationError*>(&erro)) {
    // "--user: Value x not in range ..." or "--format: x not in {...}"
    const std::string opcao = texto.substr(0, texto.find(':'));
    const std::string valor = texto.find("Value ") != std::string::npos
                                  ? PalavraApos(texto, "Value ")
                                  : PalavraApos(texto, ": ");
    return "Valor inválido em " + opcao + ": " + valor;
  }
  return "Linha de comando inválida: " + texto;
}

// The command the line reached: the deepest one parsed.
const CLI::App* ComandoAlcancado(const CLI::App* app) {
  while (!app->get_subcommands().empty())
    app = app->get_subcommands().front();
  return app;
}

// What the command in error accepts: its commands and options.
std::string Aceitos(const CLI::App* app) {
  std::string comandos;
  for (const CLI::App* sub : app->get_subcommands({}))
    comandos += (comandos.empty() ? "" : ", ") + sub->get_name();
  std::string opcoes;
  for (const CLI::Option* opcao : app->get_options())
    if (!opcao->get_lnames().empty())
      opcoes += (opcoes.empty() ? "" : ", ") + std::string("--") + opcao->get_lnames().front();
  std::string aceitos;
  if (!comandos.empty())
    aceitos += "Comandos aceitos: " + comandos + ".\n";
  if (!opcoes.empty())
    aceitos += "Opções aceitas: " + opcoes + ".\n";
  return aceitos + "Use --help para a descrição de cada um.\n";
}

}  // namespace

void Configurar(CLI::App& app) {
  app.option_defaults()->group("Opções");
  app.fallthrough();
  app.set_help_flag("-h,--help", "Mostra esta ajuda e sai");
  app.set_version_flag("--version", kVersao, "Mostra a versão e sai");
  app.failure_message([](const CLI::App* raiz, const CLI::Error& erro) {
    const CLI::App* comando = ComandoAlcancado(raiz);
    return "ctb: " + Traduzir(comando, erro) + "\n" + Aceitos(comando);
  });
  auto formatador = app.get_formatter();
  formatador->label("Usage", "Uso");
  formatador->label("OPTIONS", "OPÇÕES");
  formatador->label("SUBCOMMAND", "COMANDO");
  formatador->label("SUBCOMMANDS", "COMANDOS");
  formatador->label("POSITIONALS", "ARGUMENTOS");
  formatador->label("REQUIRED", "OBRIGATÓRIO");
  formatador->label("Excludes", "Exclui");
  formatador->label("Needs", "Requer");
  formatador->label("TEXT", "TEXTO");
  formatador->label("INT", "INTEIRO");
  formatador->label("UINT", "INTEIRO");
  formatador->label("FLOAT", "NÚMERO");
}

void NomearGrupos(CLI::App& app) {
  for (CLI::App* comando : app.get_subcommands({})) {
    comando->group("Comandos");
    NomearGrupos(*comando);
  }
}

void VerificarPeriodo(const std::string& de, const std::string& ate) {
  const std::optional<TDateTime> inicio = ParseDate(Nutil::Trim(de));
  const std::optional<TDateTime> fim = ParseDate(Nutil::Trim(ate));
  if (inicio && fim && *inicio > *fim)
    throw Exception(
        fmt::format("A data inicial (--from {}) é posterior à data final (--to {})", de, ate));
}

std::pair<std::string, std::string> DatasDoPeriodo(const std::string& periodo) {
  const std::string texto = Nutil::UpperCase(Nutil::Trim(periodo));
  const auto digitos = [&](size_t de, size_t quantos) {
    return texto.size() >= de + quantos &&
           std::all_of(texto.begin() + static_cast<std::ptrdiff_t>(de),
                       texto.begin() + static_cast<std::ptrdiff_t>(de + quantos),
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  const auto recusar = [&]() -> std::pair<std::string, std::string> {
    throw Exception("Período inválido: \"" + periodo +
                    "\" (use AAAA, AAAA-MM ou AAAA-T1 .. AAAA-T4, como 2025, 2025-03, 2025-Q1)");
  };
  if (!digitos(0, 4) || std::stoi(texto.substr(0, 4)) < 1900)
    return recusar();
  const int ano = std::stoi(texto.substr(0, 4));
  int primeiroMes = 1, ultimoMes = 12;
  if (texto.size() == 7 && texto[4] == '-' && digitos(5, 2)) {
    primeiroMes = ultimoMes = std::stoi(texto.substr(5, 2));
  } else if (texto.size() == 7 && texto[4] == '-' && (texto[5] == 'Q' || texto[5] == 'T') &&
             digitos(6, 1)) {
    ultimoMes = 3 * std::stoi(texto.substr(6, 1));
    primeiroMes = ultimoMes - 2;
  } else if (texto.size() != 4) {
    return recusar();
  }
  if (primeiroMes < 1 || ultimoMes > 12)
    return recusar();
  return {DateToIso(EncodeDate(ano, primeiroMes, 1)),
          DateToIso(EncodeDate(ano, ultimoMes, DaysInAMonth(ano, ultimoMes)))};
}

void AdicionarPeriodo(CLI::App& cmd, std::string& de, std::string& ate) {
  auto periodo = std::make_shared<std::string>();
  auto* opcaoDe = cmd.add_option("--from", de, "Data inicial (AAAA-MM-DD ou dd/mm/aaaa)");
  auto* opcaoAte = cmd.add_option("--to", ate, "Data final");
  auto* atalho = cmd.add_option("--period", *periodo,
                                "Período em vez de --from e --to: 2025, 2025-03 ou 2025-Q1");
  atalho->excludes(opcaoDe)->excludes(opcaoAte);
  cmd.parse_complete_callback([&de, &ate, periodo, opcaoDe, opcaoAte, atalho] {
    if (atalho->count() > 0) {
      try {
        std::tie(de, ate) = DatasDoPeriodo(*periodo);
      } catch (const Exception&) {
        throw CLI::ValidationError("--period: Value " + *periodo +
                                   " (use 2025, 2025-03 ou 2025-Q1)");
      }
      return;
    }
    if (opcaoDe->count() == 0)
      throw CLI::RequiredError("--from (ou --period)");
    if (opcaoAte->count() == 0)
      throw CLI::RequiredError("--to (ou --period)");
  });
}

std::string FormatoDaSaida(const std::string& formato, const std::string& arquivo) {
  if (!formato.empty())
    return formato;
  const std::string extensao =
      Nutil::LowerCase(std::filesystem::path(arquivo).extension().string());
  for (const char* conhecido : {"csv", "json", "xlsx"})
    if (extensao == std::string(".") + conhecido)
      return conhecido;
  return "table";
}

}  // namespace LinhaComando
