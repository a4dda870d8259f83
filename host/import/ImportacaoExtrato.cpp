#include "host/import/ImportacaoExtrato.h"

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/HostComum.h"
#include "host/import/ExtratoBancario.h"
#include "host/import/MapaImportacao.h"
#include "host/import/RegrasExtrato.h"
#include "host/output/BarraProgresso.h"

namespace ImportacaoExtrato {

namespace {

// A statement row's place among its equal rows: its fingerprint and 1, 2, ...
struct TImpressao {
  std::string Hash;
  int Ocorrencia = 0;
};

TParams ParametrosImpressao(int64_t codigoEmpresa, int64_t contaBanco,
                            const TImpressao& impressao) {
  return {{"pEmpresa", Value(codigoEmpresa)},
          {"pConta", Value(contaBanco)},
          {"pHash", Value(impressao.Hash)},
          {"pOcorrencia", Value(int64_t{impressao.Ocorrencia})}};
}

bool JaImportada(TnDMConexao& conexao, int64_t codigoEmpresa, int64_t contaBanco,
                 const TImpressao& impressao) {
  return conexao
             .ExecuteScalar(
                 "select count(*) from IMPORTACAOEXTRATO where CODIGOEMPRESA = :pEmpresa and "
                 "CONTACTB = :pConta and HASHLINHA = :pHash and OCORRENCIA = :pOcorrencia",
                 ParametrosImpressao(codigoEmpresa, contaBanco, impressao))
             .AsInteger() > 0;
}

void Lembrar(TnDMConexao& conexao, int64_t codigoEmpresa, int64_t contaBanco,
             const TImpressao& impressao, int64_t chave) {
  TParams parametros = ParametrosImpressao(codigoEmpresa, contaBanco, impressao);
  parametros.push_back({"pChave", chave == 0 ? Value() : Value(chave)});
  parametros.push_back({"pMomento", Value(Now())});
  parametros.push_back({"pUsuario", Value(conexao.CodigoUsuario())});
  conexao.ExecuteDirect(
      "insert into IMPORTACAOEXTRATO (CODIGOEMPRESA, CONTACTB, HASHLINHA, OCORRENCIA, "
      "CHAVELCTOCTB, DATAIMPORTACAO, CODIGOUSUARIO) values (:pEmpresa, :pConta, :pHash, "
      ":pOcorrencia, :pChave, :pMomento, :pUsuario)",
      parametros);
}

TExtrato Ler(const std::string& arquivo, const TOpcoesExtrato& opcoes) {
  if (ExtratoBancario::EhOfx(arquivo)) {
    if (!opcoes.ArquivoMapa.empty())
      throw Exception("Um extrato OFX não usa --map: o formato já diz cada coluna");
    return ExtratoBancario::LerOfx(arquivo);
  }
  if (opcoes.ArquivoMapa.empty())
    throw Exception(
        "Um extrato CSV precisa de --map: o mapa de colunas diz onde estão a data "
        "(DATALCTOCTB), o valor (VALORLCTOCTB) e a descrição (COMPLHIST)");
  const TMapaImportacao mapa = TMapaImportacao::DoArquivo(opcoes.ArquivoMapa);
  std::ifstream entrada(arquivo, std::ios::binary);
  if (!entrada)
    throw Exception("Não foi possível abrir " + arquivo);
  return ExtratoBancario::LerCsv(entrada, mapa, opcoes.Codificacao);
}

std::string Quantas(int64_t quantas, const char* singular, const char* plural) {
  return fmt::format("{} {}", quantas, quantas == 1 ? singular : plural);
}

// What a statement would post and refuse, decided before anything is
// written: the rows handed to the module (one entry each, numbered from 1
// in the order of `Origens`, the statement row each comes from), their
// fingerprints, and the rows refused by the reader or the rules.
struct TPlano {
  TExtrato Extrato;
  int64_t Banco = 0;
  ImportacaoHost::TResultadoImportacao Resultado;
  std::vector<std::string> Cabecalho;
  std::vector<TCsvRow> Entradas;
  std::vector<const TLinhaExtrato*> Origens;
  std::vector<TImpressao> Impressoes;
  std::vector<TDestinoExtrato> Destinos;
  std::vector<bool> NaTransitoria;
  int64_t JaImportadas = 0;
};

int64_t Banco(TnDMConexao& conexao, int64_t empresa, const std::string& conta) {
  const std::optional<int64_t> banco = ImportacaoHost::ContaDoTexto(conexao, empresa, conta);
  if (!banco)
    throw Exception("Conta bancária não encontrada (código, apelido ou classificação): " + conta);
  return *banco;
}

// Fills `plano` (its Extrato and Banco already set) by the rules.
void Planejar(TnDMConexao& conexao, int64_t empresa, const TRegrasExtrato& regras, TPlano& plano) {
  TExtrato& extrato = plano.Extrato;
  const int64_t banco = plano.Banco;
  extrato.Valores.insert(extrato.Valores.end(), regras.Valores.begin(), regras.Valores.end());
  plano.Resultado.Cabecalho = extrato.Cabecalho;
  plano.Resultado.Separador = extrato.Separador;
  const auto recusar = [&](const TLinhaExtrato& linha, const std::string& campo,
                           const std::string& mensagem) {
    plano.Resultado.Recusas.push_back({linha.Linha, campo, mensagem, linha.Celulas});
  };
  plano.Cabecalho = {"DATALCTOCTB",   "VALORLCTOCTB", "CONTACTBDEB", "CONTACTBCRED",
                     "CODIGOHISTCTB", "NUMERODCTO",   "COMPLHIST"};
  for (const auto& [campo, valor] : extrato.Valores)
    plano.Cabecalho.push_back(campo);
  std::map<std::string, int> vistas;
  for (const TLinhaExtrato& linha : extrato.Linhas) {
    if (!linha.Recusa.empty()) {
      recusar(linha, linha.CampoRecusa, linha.Recusa);
      continue;
    }
    const std::string hash = ExtratoBancario::Impressao(banco, linha);
    const TImpressao impressao{hash, ++vistas[hash]};
    if (JaImportada(conexao, empresa, banco, impressao)) {
      ++plano.JaImportadas;
      continue;
    }
    std::optional<TDestinoExtrato> destino;
    try {
      if (const TRegraExtrato* regra = regras.Regra(linha))
        destino = regra->Destino;
    } catch (const Exception& erro) {
      recusar(linha, "", erro.what());
      continue;
    }
    const bool transitoria = !destino && regras.Transitoria;
    if (transitoria)
      destino = regras.Transitoria;
    if (!destino) {
      recusar(linha, "",
              "nenhuma regra reconhece a linha, e as regras não nomeiam conta transitória");
      continue;
    }
    // Money in debits the bank; money out credits it.
    const bool entrou = linha.Valor > Currency();
    const std::string contaBanco = std::to_string(banco);
    const std::string outra = std::to_string(destino->Conta);
    TCsvRow entrada;
    entrada.LineNumber = static_cast<int>(plano.Entradas.size()) + 1;
    entrada.Cells = {linha.Data,
                     (entrou ? linha.Valor : -linha.Valor).ToString(),
                     entrou ? contaBanco : outra,
                     entrou ? outra : contaBanco,
                     std::to_string(destino->Historico),
                     linha.Documento,
                     linha.Descricao};
    for (const auto& [campo, valor] : extrato.Valores)
      entrada.Cells.push_back(valor);
    plano.Entradas.push_back(std::move(entrada));
    plano.Origens.push_back(&linha);
    plano.Impressoes.push_back(impressao);
    plano.Destinos.push_back(*destino);
    plano.NaTransitoria.push_back(transitoria);
  }
}

// Posts the plan's rows through the module; the report as the command
// prints it.
ImportacaoHost::TSaidaImportacao Executar(TnDMConexao& conexao, int64_t empresa, TPlano& plano,
                                          const std::string& arquivoRecusas) {
  ImportacaoHost::TResultadoImportacao& resultado = plano.Resultado;
  ImportacaoHost::TLinhasImportacao linhas;
  linhas.Cabecalho = plano.Cabecalho;
  size_t proxima = 0;
  linhas.Proxima = [&]() -> std::optional<TCsvRow> {
    if (proxima == plano.Entradas.size())
      return std::nullopt;
    return plano.Entradas[proxima++];
  };
  linhas.Tamanho = static_cast<int64_t>(plano.Entradas.size());
  linhas.Posicao = [&] { return static_cast<int64_t>(proxima); };
  int64_t transitorias = 0;
  ImportacaoHost::TOpcoesImportacao importacao;
  importacao.CodigoEmpresa = empresa;
  importacao.AoGravarLinha = [&](const TCsvRow& entrada, int64_t chave) {
    const auto indice = static_cast<size_t>(entrada.LineNumber - 1);
    Lembrar(conexao, empresa, plano.Banco, plano.Impressoes[indice], chave);
    transitorias += plano.NaTransitoria[indice] ? 1 : 0;
  };
  HostComum::CarregarPacote();
  TBarraProgresso barra;
  importacao.Progresso = barra.Hook();
  ImportacaoHost::TResultadoImportacao doModulo =
      ImportacaoHost::Importar(conexao, linhas, importacao);
  barra.Apagar();
  // The module's refusals name the statement's line and show its cells.
  for (ImportacaoHost::TRecusa& recusa : doModulo.Recusas) {
    const TLinhaExtrato& linha = *plano.Origens[static_cast<size_t>(recusa.Linha - 1)];
    resultado.Recusas.push_back({linha.Linha, recusa.Campo, recusa.Mensagem, linha.Celulas});
  }
  std::stable_sort(resultado.Recusas.begin(), resultado.Recusas.end(),
                   [](const auto& a, const auto& b) { return a.Linha < b.Linha; });
  resultado.Gravadas = doModulo.Gravadas;
  resultado.Mensagens = doModulo.Mensagens;
  resultado.Aceita = doModulo.Aceita;
  ImportacaoHost::TSaidaImportacao saida;
  saida.Texto = ImportacaoHost::RecusasEMensagens(resultado) +
                Quantas(plano.JaImportadas, "já importada", "já importadas") + ", " +
                Quantas(resultado.Gravadas, "gravada", "gravadas");
  if (transitorias > 0)
    saida.Texto += fmt::format(" ({} na conta transitória)", transitorias);
  if (!resultado.Recusas.empty())
    saida.Texto +=
        ", " + Quantas(static_cast<int64_t>(resultado.Recusas.size()), "recusada", "recusadas");
  if (!arquivoRecusas.empty()) {
    ImportacaoHost::EscreverRecusas(resultado, arquivoRecusas);
    saida.Texto += fmt::format("\nRecusadas gravadas em {}", arquivoRecusas);
  }
  saida.Status = resultado.Recusas.empty() && resultado.Aceita ? 0 : 1;
  return saida;
}

// The plan of a statement sent as bytes: a CSV read in memory; an OFX
// through a private file of ours, as its library reads only files.
void PlanejarEnviado(TnDMConexao& conexao, const TExtratoEnviado& enviado, TPlano& plano) {
  const int64_t empresa = enviado.CodigoEmpresa;
  plano.Banco = Banco(conexao, empresa, enviado.Conta);
  const TRegrasExtrato regras = TRegrasExtrato::DoTexto(conexao, empresa, enviado.Regras);
  if (ExtratoBancario::EhTextoOfx(enviado.Conteudo.substr(0, 4096))) {
    if (!Nutil::Trim(enviado.Mapa).empty())
      throw Exception("Um extrato OFX não usa mapa de colunas: o formato já diz cada coluna");
    const HostComum::TArquivoTemporario arquivo;
    {
      std::ofstream saida(arquivo.Caminho(), std::ios::binary);
      saida << enviado.Conteudo;
      if (!saida.flush())
        throw Exception("Não foi possível guardar o extrato enviado");
    }
    plano.Extrato = ExtratoBancario::LerOfx(arquivo.Caminho(), "enviado");
  } else {
    if (Nutil::Trim(enviado.Mapa).empty())
      throw Exception(
          "Um extrato CSV precisa do mapa de colunas: ele diz onde estão a data "
          "(DATALCTOCTB), o valor (VALORLCTOCTB) e a descrição (COMPLHIST)");
    std::istringstream entrada(enviado.Conteudo);
    plano.Extrato = ExtratoBancario::LerCsv(entrada, TMapaImportacao::DoTexto(enviado.Mapa),
                                            enviado.Codificacao);
  }
  Planejar(conexao, empresa, regras, plano);
}

}  // namespace

ImportacaoHost::TSaidaImportacao ComandoImportStatement(TnDMConexao& conexao,
                                                        const std::string& arquivo,
                                                        const TOpcoesExtrato& opcoes) {
  const int64_t empresa = opcoes.CodigoEmpresa;
  TPlano plano;
  plano.Banco = Banco(conexao, empresa, opcoes.Conta);
  const TRegrasExtrato regras = TRegrasExtrato::DoArquivo(conexao, empresa, opcoes.ArquivoRegras);
  plano.Extrato = Ler(arquivo, opcoes);
  Planejar(conexao, empresa, regras, plano);
  return Executar(conexao, empresa, plano, opcoes.ArquivoRecusas);
}

TPrevia Prever(TnDMConexao& conexao, const TExtratoEnviado& enviado) {
  TPlano plano;
  PlanejarEnviado(conexao, enviado, plano);
  TPrevia previa;
  previa.JaImportadas = plano.JaImportadas;
  previa.Recusas = std::move(plano.Resultado.Recusas);
  for (size_t i = 0; i < plano.Entradas.size(); ++i) {
    const TLinhaExtrato& linha = *plano.Origens[i];
    const bool entrou = linha.Valor > Currency();
    previa.Gravar.push_back({linha.Linha, linha.Data, entrou ? linha.Valor : -linha.Valor,
                             entrou ? plano.Banco : plano.Destinos[i].Conta,
                             entrou ? plano.Destinos[i].Conta : plano.Banco,
                             plano.Destinos[i].Historico, linha.Documento, linha.Descricao,
                             plano.NaTransitoria[i]});
  }
  return previa;
}

ImportacaoHost::TSaidaImportacao Gravar(TnDMConexao& conexao, const TExtratoEnviado& enviado) {
  TPlano plano;
  PlanejarEnviado(conexao, enviado, plano);
  return Executar(conexao, enviado.CodigoEmpresa, plano, "");
}

}  // namespace ImportacaoExtrato
