#include "host/common/LinhaComando.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cassert>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/TDateTime.h"
#include "host/common/AjudaLinhaComando.h"
#include "host/common/ValorDigitado.h"

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

// The option named `nome` of `comando` or of a command above it (whose
// options may be written after its name).
const CLI::Option* Opcao(const CLI::App* comando, const std::string& nome) {
  for (; comando != nullptr; comando = comando->get_parent())
    if (const CLI::Option* opcao = comando->get_option_no_throw(nome))
      return opcao;
  return nullptr;
}

std::vector<std::string> NomesDasOpcoes(const CLI::App* comando) {
  std::vector<std::string> nomes;
  for (; comando != nullptr; comando = comando->get_parent())
    for (const CLI::Option* opcao : comando->get_options())
      for (const std::string& nome : opcao->get_lnames())
        nomes.push_back("--" + nome);
  return nomes;
}

std::vector<std::string> NomesDosComandos(const CLI::App* comando) {
  std::vector<std::string> nomes;
  for (const CLI::App* sub : comando->get_subcommands({}))
    nomes.push_back(sub->get_name());
  return nomes;
}

// A list broken into lines that fit the terminal, the lines after the
// first indented.
std::string Quebrar(const std::string& lista) {
  constexpr size_t kRecuo = 2;
  return AjudaLinhaComando::Quebrar(lista, kRecuo, AjudaLinhaComando::kLarguraAjuda - kRecuo);
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
    aceitos += Quebrar("Comandos aceitos: " + comandos + ".") + "\n";
  if (!opcoes.empty())
    aceitos += Quebrar("Opções aceitas: " + opcoes + ".") + "\n";
  return aceitos + "Use --help para a descrição de cada um.\n";
}

// A word the command does not know: the nearest it does, else all of them.
std::string Sugestao(const CLI::App* comando, const std::string& digitado,
                     const std::vector<std::string>& aceitos) {
  const std::string proximo = MaisProximo(digitado, aceitos);
  if (proximo.empty())
    return Aceitos(comando);
  return "Você quis dizer " + proximo + "?\n";
}

// A value the option refused, with what the option takes (and the choice
// nearest to it, when the option has a list).
std::string ValorInvalido(const CLI::App* comando, const std::string& nome,
                          const std::string& valor) {
  std::string texto = "Valor inválido em " + nome + ": " + valor;
  const CLI::Option* opcao = Opcao(comando, nome);
  if (opcao == nullptr)
    return texto + "\n";
  texto += " (" + AjudaLinhaComando::TipoEmPalavras(*opcao) + ")\n";
  const std::string proximo = MaisProximo(valor, AjudaLinhaComando::Escolhas(*opcao));
  return proximo.empty() ? texto : texto + "Você quis dizer " + proximo + "?\n";
}

// What the line held that no command took, in the order written: the
// command reached keeps its own, the commands above it what it passed up.
std::vector<std::string> Sobras(const CLI::App* comando) {
  std::vector<std::string> sobras;
  for (; comando != nullptr; comando = comando->get_parent())
    for (const std::string& sobra : comando->remaining())
      sobras.push_back(sobra);
  return sobras;
}

std::string Traduzir(const CLI::App* comando, const CLI::Error& erro) {
  const std::string texto = erro.what();
  const bool faltou = dynamic_cast<const CLI::RequiredError*>(&erro) != nullptr;
  // A word the program does not know comes first: what it was meant to be
  // is often what seems missing (--compnay for --company).
  if (const std::vector<std::string> sobras = Sobras(comando);
      !sobras.empty() && (faltou || dynamic_cast<const CLI::ExtrasError*>(&erro))) {
    const std::string& primeira = sobras.front();
    if (primeira.starts_with("-") || comando->get_subcommands({}).empty()) {
      std::string todas;
      for (const std::string& sobra : sobras)
        todas += (todas.empty() ? "" : " ") + sobra;
      return "Argumento não reconhecido: " + todas + "\n" +
             Sugestao(
                 comando, primeira,
                 primeira.starts_with("-") ? NomesDasOpcoes(comando) : NomesDosComandos(comando));
    }
    return "Comando desconhecido: " + primeira + "\n" +
           Sugestao(comando, primeira, NomesDosComandos(comando));
  }
  if (faltou) {
    const size_t fim = texto.find(" is required");
    if (texto.find("subcommand") != std::string::npos || fim == std::string::npos)
      return "Falta o comando\n" + Aceitos(comando);
    return "Falta " + texto.substr(0, fim) + ", que é obrigatório\n" + Aceitos(comando);
  }
  if (dynamic_cast<const CLI::ExcludesError*>(&erro))
    return "Opções que não podem ir juntas: " + texto.substr(0, texto.find(" excludes")) + " e " +
           Depois(texto, "excludes") + "\n";
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&erro))
    return "Quantidade errada de valores em " + texto.substr(0, texto.find(':')) + "\n";
  // "Could not convert: --user = x"
  if (dynamic_cast<const CLI::ConversionError*>(&erro))
    return ValorInvalido(comando, PalavraApos(texto, ": "), Depois(texto, " = "));
  if (dynamic_cast<const CLI::ValidationError*>(&erro)) {
    // Our own checks speak Portuguese already.
    if (texto.find(" not in ") == std::string::npos)
      return texto + "\n";
    // "--user: Value x not in range ..." or "--format: x not in {...}"
    return ValorInvalido(comando, texto.substr(0, texto.find(':')),
                         texto.find("Value ") != std::string::npos ? PalavraApos(texto, "Value ")
                                                                   : PalavraApos(texto, ": "));
  }
  return "Linha de comando inválida: " + texto + "\n";
}

// The command the line reached: the deepest one parsed.
const CLI::App* ComandoAlcancado(const CLI::App* app) {
  while (!app->get_subcommands().empty())
    app = app->get_subcommands().front();
  return app;
}

// Typing slips between two words: insertions, deletions, substitutions and
// two neighbours swapped each count one.
size_t Distancia(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i)
    d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j)
    d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

// The date options' check, run when the line is parsed.
CLI::Validator ValidadorData() {
  return CLI::Validator([](std::string& texto) { return ValorDigitado::VerificarData(texto); },
                        AjudaLinhaComando::kTipoData);
}

}  // namespace

void Configurar(CLI::App& app) {
  app.name("ctb");
  app.formatter(std::make_shared<AjudaLinhaComando::TFormatadorAjuda>());
  app.option_defaults()->group("Opções");
  app.fallthrough();
  app.set_help_flag("-h,--help", "Mostra esta ajuda e sai");
  app.set_version_flag("--version", kVersao, "Mostra a versão e sai");
  app.failure_message([](const CLI::App* raiz, const CLI::Error& erro) {
    return "ctb: " + Traduzir(ComandoAlcancado(raiz), erro);
  });
}

void NomearGrupos(CLI::App& app) {
  using namespace AjudaLinhaComando;
  static const std::map<std::string, const char*> kGrupos = {{"entry", kGrupoDiaADia},
                                                             {"import", kGrupoDiaADia},
                                                             {"accounts", kGrupoDiaADia},
                                                             {"deleted", kGrupoDiaADia},
                                                             {"trial-balance", kGrupoRelatorios},
                                                             {"ledger", kGrupoRelatorios},
                                                             {"journal", kGrupoRelatorios},
                                                             {"statements", kGrupoRelatorios},
                                                             {"balances", kGrupoRelatorios},
                                                             {"db", kGrupoAdministracao},
                                                             {"user", kGrupoAdministracao},
                                                             {"demo", kGrupoAdministracao},
                                                             {"serve", kGrupoAdministracao},
                                                             {"sql", kGrupoAdministracao},
                                                             {"post", kGrupoIntegracao},
                                                             {"load", kGrupoIntegracao},
                                                             {"record", kGrupoIntegracao},
                                                             {"script", kGrupoIntegracao}};
  const std::function<void(CLI::App&)> subcomandos = [&](CLI::App& comando) {
    for (CLI::App* sub : comando.get_subcommands({})) {
      sub->group(kGrupoSubcomandos);
      subcomandos(*sub);
    }
  };
  for (CLI::App* comando : app.get_subcommands({})) {
    assert(kGrupos.count(comando->get_name()) && "every command has its group in the help");
    comando->group(kGrupos.at(comando->get_name()));
    subcomandos(*comando);
  }
}

TDateTime Data(const std::string& texto, const std::string& opcao) {
  if (const std::string erro = ValorDigitado::VerificarData(texto); !erro.empty())
    throw Exception(opcao + ": " + erro);
  return DateOf(*ParseDate(Nutil::Trim(texto)));
}

std::string MaisProximo(const std::string& digitado, const std::vector<std::string>& aceitos) {
  const std::string procurado = Nutil::LowerCase(digitado);
  std::string melhor;
  size_t menor = std::string::npos;
  for (const std::string& aceito : aceitos) {
    const size_t distancia = Distancia(procurado, Nutil::LowerCase(aceito));
    // A slip per six letters, at most three, is a slip; more is another word.
    if (distancia <= std::min<size_t>(3, 1 + aceito.size() / 6) && distancia < menor) {
      melhor = aceito;
      menor = distancia;
    }
  }
  if (!melhor.empty())
    return melhor;
  // The start of a single word ("trial" for "trial-balance").
  std::vector<std::string> comecos;
  for (const std::string& aceito : aceitos)
    if (procurado.size() >= 4 && Nutil::LowerCase(aceito).starts_with(procurado))
      comecos.push_back(aceito);
  return comecos.size() == 1 ? comecos.front() : "";
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

void AdicionarPeriodo(CLI::App& cmd, std::string& de, std::string& ate, bool exigido) {
  auto periodo = std::make_shared<std::string>();
  auto* opcaoDe = cmd.add_option("--from", de, "Data inicial (AAAA-MM-DD ou dd/mm/aaaa)")
                      ->check(ValidadorData());
  auto* opcaoAte = cmd.add_option("--to", ate, "Data final")->check(ValidadorData());
  auto* atalho = cmd.add_option("--period", *periodo,
                                "Período em vez de --from e --to: 2025, 2025-03 ou 2025-Q1")
                     ->type_name("período");
  atalho->excludes(opcaoDe)->excludes(opcaoAte);
  cmd.parse_complete_callback([&de, &ate, periodo, opcaoDe, opcaoAte, atalho, exigido] {
    try {
      if (atalho->count() > 0)
        std::tie(de, ate) = DatasDoPeriodo(*periodo);
      VerificarPeriodo(de, ate);
    } catch (const Exception& erro) {
      throw CLI::ValidationError(erro.what());
    }
    if (exigido && atalho->count() == 0 && opcaoDe->count() == 0)
      throw CLI::RequiredError("--from (ou --period)");
    if (exigido && atalho->count() == 0 && opcaoAte->count() == 0)
      throw CLI::RequiredError("--to (ou --period)");
  });
}

void AdicionarFormato(CLI::App& cmd, std::string& formato, const std::vector<std::string>& formatos,
                      const std::string& padrao) {
  auto* opcao = cmd.add_option("--format", formato, "Formato da saída (padrão: " + padrao + ")")
                    ->check(CLI::IsMember(formatos));
  if (std::find(formatos.begin(), formatos.end(), "csv-br") != formatos.end())
    cmd.add_flag_callback(
           "--csv-br", [&formato] { formato = "csv-br"; },
           "O mesmo que --format csv-br: ponto e vírgula, vírgula decimal, UTF-8 com BOM, para "
           "planilha brasileira")
        ->excludes(opcao);
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
