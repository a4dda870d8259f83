#include "host/common/AjudaLinhaComando.h"

#include <algorithm>
#include <cassert>
#include <iterator>
#include <vector>

#include "framework/core/Nutil.h"

namespace AjudaLinhaComando {

namespace {

// Where the descriptions start: a name and type wider than this puts its
// description on the next line.
constexpr size_t kColunaDescricao = 28;

// "a, b ou c".
std::string Alternativas(const std::vector<std::string>& itens) {
  std::string texto;
  for (size_t i = 0; i < itens.size(); ++i)
    texto += (i == 0 ? "" : i + 1 == itens.size() ? " ou " : ", ") + itens[i];
  return texto;
}

// "INT in [1 - 99]": the bounds in words, every value when there are three
// or fewer.
std::string Intervalo(const std::string& descricao) {
  const size_t abre = descricao.find('['), traco = descricao.find(" - "),
               fecha = descricao.find(']');
  assert(abre != std::string::npos && traco != std::string::npos && fecha != std::string::npos);
  const long long minimo = std::stoll(descricao.substr(abre + 1, traco - abre - 1));
  const long long maximo = std::stoll(descricao.substr(traco + 3, fecha - traco - 3));
  if (maximo - minimo > 2)
    return "número inteiro de " + std::to_string(minimo) + " a " + std::to_string(maximo);
  std::vector<std::string> valores;
  for (long long valor = minimo; valor <= maximo; ++valor)
    valores.push_back(std::to_string(valor));
  return Alternativas(valores);
}

// A name (with its type) and its description, the description wrapped in
// its column.
std::string Item(const std::string& nome, const std::string& descricao) {
  std::string esquerda = "  " + nome;
  if (Nutil::Caracteres(esquerda) >= kColunaDescricao)
    esquerda += "\n" + std::string(kColunaDescricao, ' ');
  else
    esquerda += std::string(kColunaDescricao - Nutil::Caracteres(esquerda), ' ');
  return esquerda + Quebrar(descricao, kColunaDescricao, kLarguraAjuda - kColunaDescricao) + "\n";
}

// The base type, then what each check adds ("INT:POSITIVE"): the last says
// the most.
std::string UltimoTipo(const CLI::Option& opcao) {
  const std::string tipo = opcao.get_type_name();
  const size_t dois = tipo.rfind(':');
  return dois == std::string::npos ? tipo : tipo.substr(dois + 1);
}

int OrdemDoGrupo(const std::string& grupo) {
  static const char* const kOrdem[] = {kGrupoDiaADia, kGrupoRelatorios, kGrupoAdministracao,
                                       kGrupoIntegracao, kGrupoSubcomandos};
  const auto* achado = std::find(std::begin(kOrdem), std::end(kOrdem), grupo);
  assert(achado != std::end(kOrdem) && "every command belongs to a known group");
  return static_cast<int>(achado - std::begin(kOrdem));
}

}  // namespace

std::string Quebrar(const std::string& texto, size_t recuo, size_t largura) {
  std::string saida, linha;
  for (const std::string& palavra : Nutil::StrToStrArray(texto, " ")) {
    if (!linha.empty() && Nutil::Caracteres(linha) + 1 + Nutil::Caracteres(palavra) > largura) {
      saida += linha + "\n" + std::string(recuo, ' ');
      linha.clear();
    }
    linha += (linha.empty() ? "" : " ") + palavra;
  }
  return saida + linha;
}

std::vector<std::string> Escolhas(const CLI::Option& opcao) {
  const std::string ultimo = UltimoTipo(opcao);
  if (ultimo.size() > 2 && ultimo.front() == '{' && ultimo.back() == '}')
    return Nutil::StrToStrArray(ultimo.substr(1, ultimo.size() - 2), ",");
  return {};
}

std::string TipoEmPalavras(const CLI::Option& opcao) {
  if (opcao.get_type_size() == 0)
    return "";
  const std::string ultimo = UltimoTipo(opcao);
  if (ultimo == "POSITIVE")
    return "número inteiro positivo";
  if (const std::vector<std::string> escolhas = Escolhas(opcao); !escolhas.empty())
    return Alternativas(escolhas);
  if (ultimo.find(" in [") != std::string::npos)
    return Intervalo(ultimo);
  if (ultimo == "INT" || ultimo == "UINT")
    return "número inteiro";
  if (ultimo == "FLOAT")
    return "número";
  if (ultimo == "TEXT")
    return "texto";
  return Nutil::LowerCase(ultimo);
}

std::string TFormatadorAjuda::make_help(const CLI::App* app, std::string nome,
                                        CLI::AppFormatMode) const {
  std::string saida = Quebrar(app->get_description(), 0, kLarguraAjuda) + "\n\n";
  // The usage line.
  std::string uso = "Uso: " + nome;
  if (!app->get_options([](const CLI::Option* o) { return o->nonpositional(); }).empty())
    uso += " [OPÇÕES]";
  for (const CLI::Option* argumento :
       app->get_options([](const CLI::Option* o) { return o->get_positional(); }))
    uso += " " +
           (argumento->get_required() ? argumento->get_name() : "[" + argumento->get_name() + "]");
  if (!app->get_subcommands({}).empty())
    uso += " COMANDO";
  saida += Quebrar(uso, 4, kLarguraAjuda) + "\n";

  // One section: the arguments, the command's options, then those of the
  // commands above it, which may also be written after its name.
  std::vector<const CLI::Option*> opcoes =
      app->get_options([](const CLI::Option* o) { return o->get_positional(); });
  for (const CLI::App* nivel = app; nivel != nullptr; nivel = nivel->get_parent())
    for (const CLI::Option* opcao : nivel->get_options([&](const CLI::Option* o) {
           return o->nonpositional() &&
                  (nivel == app || (o != nivel->get_help_ptr() && o != nivel->get_version_ptr()));
         }))
      opcoes.push_back(opcao);
  if (!opcoes.empty()) {
    saida += "\nOpções:\n";
    for (const CLI::Option* opcao : opcoes) {
      const bool posicional = !opcao->nonpositional();
      const std::string tipo = posicional ? "" : TipoEmPalavras(*opcao);
      std::string descricao = opcao->get_description();
      if (opcao->get_required() && !posicional)
        descricao += " (obrigatória)";
      saida += Item((posicional ? opcao->get_name() : opcao->get_name(false, true)) +
                        (tipo.empty() ? "" : " " + tipo),
                    descricao);
    }
  }

  // The commands, by group in the program's order.
  std::vector<const CLI::App*> comandos = app->get_subcommands({});
  std::stable_sort(comandos.begin(), comandos.end(), [](const CLI::App* a, const CLI::App* b) {
    return OrdemDoGrupo(a->get_group()) < OrdemDoGrupo(b->get_group());
  });
  std::string grupo;
  for (const CLI::App* comando : comandos) {
    if (comando->get_group() != grupo) {
      grupo = comando->get_group();
      saida += "\n" + grupo + ":\n";
    }
    saida += Item(comando->get_name(), comando->get_description());
  }
  if (!comandos.empty())
    saida += "\nUse " + nome + " COMANDO --help para as opções de um comando.\n";
  return saida;
}

}  // namespace AjudaLinhaComando
