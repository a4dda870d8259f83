#include "host/commands/ComandoScript.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "framework/app/Nutilform.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "host/common/HostComum.h"
#include "host/services/SessaoHost.h"
#include "posting/Npowerpinserelctoctb_u.h"
#include "posting/TnScriptInsereLctoCtb.h"

namespace ComandoScript {

namespace {

struct TOpcoes {
  std::string Arquivo;
  std::vector<std::string> Parametros;
  int Tempo = 60;  // seconds
};

// A run stuck inside a library function, past its time bound and the
// watchdog's grace: the process ends as a failed run would, and the run's
// transaction, never committed, ends with it.
void Encerrar(const std::string& script, const std::string& mensagem) {
  const std::string saida = std::string(TnPowerPInsereLctoCtb::kMsgNenhumLancamento) + "\n" +
                            script + ": " + mensagem + "\n";
  [[maybe_unused]] const ssize_t escrito = ::write(STDOUT_FILENO, saida.data(), saida.size());
  std::_Exit(1);
}

// The script's text; refused before reading when it is not a regular file
// or is bigger than a script may be.
std::string LerScript(const std::string& arquivo) {
  std::error_code erro;
  if (!std::filesystem::is_regular_file(arquivo, erro))
    throw Exception("Não foi possível abrir " + arquivo);
  if (std::filesystem::file_size(arquivo, erro) > TnScriptInsereLctoCtb::kTamanhoMaximo)
    throw Exception(fmt::format("O script {} passa de {} KiB", arquivo,
                                TnScriptInsereLctoCtb::kTamanhoMaximo / 1024));
  std::ifstream entrada(arquivo, std::ios::binary);
  std::ostringstream texto;
  texto << entrada.rdbuf();
  if (!entrada)
    throw Exception("Não foi possível ler " + arquivo);
  return texto.str();
}

bool Administrador(TSessaoHost& sessao) {
  try {
    sessao.VerificarAdministrador();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

std::string Executar(TSessaoHost& sessao, const TOpcoes& opcoes, int& codigoSaida) {
  if (opcoes.Parametros.size() > TnScriptInsereLctoCtb::kMaximoParametros + 1)
    throw Exception("Parâmetros demais");
  std::vector<std::pair<std::string, std::string>> valores;
  for (const std::string& texto : opcoes.Parametros)
    valores.push_back(Parametro(texto));
  const std::string texto = LerScript(opcoes.Arquivo);
  HostComum::CarregarPacote();
  auto processo = Nutilform::CriarDMNovo<TnPowerPInsereLctoCtb>(TnPowerPInsereLctoCtb::kClassName);
  processo->SetConexao(&sessao.Conexao());
  const std::string nomeScript = std::filesystem::path(opcoes.Arquivo).filename().string();
  TnScriptInsereLctoCtb::TOpcoes opcoesScript;
  opcoesScript.ConsultaLivre = Administrador(sessao);
  opcoesScript.Limites.Tempo = std::chrono::seconds(opcoes.Tempo);
  opcoesScript.Limites.AoTravar = [nomeScript](const std::string& mensagem) {
    Encerrar(nomeScript, mensagem);
  };
  TnScriptInsereLctoCtb script(*processo, texto, nomeScript, opcoesScript);
  // The company is checked before the account helpers read its chart; an
  // empty one is refused as a code no company has.
  for (const auto& [nome, valor] : valores)
    if (Nutil::UpperCase(nome) == Nutil::UpperCase(TnPowerPInsereLctoCtb::kParamEmpresa))
      sessao.VerificarEmpresa(
          TnPowerPInsereLctoCtb::ConverteParamInteiro64(Value(valor)).value_or(-1));
  script.DefinirParametros(valores);
  if (processo->CodigoEmpresa() > 0)
    sessao.VerificarEmpresa(processo->CodigoEmpresa());
  script.Executar();
  std::vector<std::string> mensagens;
  for (const TnMensagem& mensagem : processo->Mensagens().Mensagens())
    mensagens.push_back(mensagem.Texto);
  if (processo->Falhou()) {
    std::string saida;
    for (const std::string& mensagem : mensagens)
      saida += mensagem + "\n";
    codigoSaida = 1;
    return saida + TnPowerPInsereLctoCtb::kMsgNenhumLancamento + "\n" + processo->Erro();
  }
  return Relatorio(mensagens, processo->Inseridos(), processo->ChavesTrocadas());
}

}  // namespace

std::pair<std::string, std::string> Parametro(const std::string& texto) {
  const size_t igual = texto.find('=');
  if (igual == std::string::npos || igual == 0)
    throw Exception("Parâmetro sem nome ou sem \"=\": " + texto + " (use --param NOME=VALOR)");
  return {Nutil::Trim(texto.substr(0, igual)), texto.substr(igual + 1)};
}

std::string Relatorio(const std::vector<std::string>& mensagens,
                      const std::vector<TnLctoInserido>& inseridos,
                      const std::vector<TnChaveTrocada>& trocadas) {
  std::string saida;
  for (const std::string& mensagem : mensagens)
    saida += mensagem + "\n";
  Currency total;
  std::string chaves;
  for (const TnLctoInserido& lancamento : inseridos) {
    total = total + lancamento.ValorLctoCtb;
    chaves += (chaves.empty() ? "" : ", ") + std::to_string(lancamento.ChaveLctoCtb);
  }
  saida += fmt::format("{} {}, total {}\n", inseridos.size(),
                       inseridos.size() == 1 ? "lançamento inserido" : "lançamentos inseridos",
                       FormatFloat("#,##0.00", total));
  if (!chaves.empty())
    saida += "chaves: " + chaves + "\n";
  for (const TnChaveTrocada& troca : trocadas)
    saida += fmt::format("chave trocada: empresa {}, {} -> {}\n", troca.CodigoEmpresa,
                         troca.ChaveLctoCtb, troca.ChaveLctoCtbNovo);
  return saida + TnPowerPInsereLctoCtb::kMsgFinalizada;
}

void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando, int& codigoSaida) {
  auto opcoes = std::make_shared<TOpcoes>();
  CLI::App* cmd =
      app.add_subcommand("script", "Executa um script Lua que insere lançamentos (uma transação)");
  cmd->add_option("ARQUIVO", opcoes->Arquivo, "Script Lua")->required();
  cmd->add_option("--param", opcoes->Parametros, "Parâmetro do script: NOME=VALOR")
      ->allow_extra_args(false);
  cmd->add_option("--tempo", opcoes->Tempo, "Limite de tempo da execução, em segundos (1 a 60)")
      ->check(CLI::Range(1, 60));
  cmd->callback([&comando, &codigoSaida, opcoes] {
    comando = [&codigoSaida, opcoes](TSessaoHost& sessao) {
      return Executar(sessao, *opcoes, codigoSaida);
    };
  });
}

}  // namespace ComandoScript
