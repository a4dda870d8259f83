#include "host/ImportacaoExtrato.h"

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "host/BarraProgresso.h"
#include "host/ExtratoBancario.h"
#include "host/HostComum.h"
#include "host/MapaImportacao.h"
#include "host/RegrasExtrato.h"

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

}  // namespace

ImportacaoHost::TSaidaImportacao ComandoImportStatement(TnDMConexao& conexao,
                                                        const std::string& arquivo,
                                                        const TOpcoesExtrato& opcoes) {
  const int64_t empresa = opcoes.CodigoEmpresa;
  const std::optional<int64_t> banco = ImportacaoHost::ContaDoTexto(conexao, empresa, opcoes.Conta);
  if (!banco)
    throw Exception("Conta bancária não encontrada (código, apelido ou classificação): " +
                    opcoes.Conta);
  const TRegrasExtrato regras = TRegrasExtrato::DoArquivo(conexao, empresa, opcoes.ArquivoRegras);
  TExtrato extrato = Ler(arquivo, opcoes);
  extrato.Valores.insert(extrato.Valores.end(), regras.Valores.begin(), regras.Valores.end());

  ImportacaoHost::TResultadoImportacao resultado;
  resultado.Cabecalho = extrato.Cabecalho;
  resultado.Separador = extrato.Separador;
  const auto recusar = [&](const TLinhaExtrato& linha, const std::string& campo,
                           const std::string& mensagem) {
    resultado.Recusas.push_back({linha.Linha, campo, mensagem, linha.Celulas});
  };
  // The rows handed to the module: one entry each, numbered from 1 in the
  // order of `origens` (the statement row each comes from).
  ImportacaoHost::TLinhasImportacao linhas;
  linhas.Cabecalho = {"DATALCTOCTB",   "VALORLCTOCTB", "CONTACTBDEB", "CONTACTBCRED",
                      "CODIGOHISTCTB", "NUMERODCTO",   "COMPLHIST"};
  for (const auto& [campo, valor] : extrato.Valores)
    linhas.Cabecalho.push_back(campo);
  std::vector<TCsvRow> entradas;
  std::vector<const TLinhaExtrato*> origens;
  std::vector<TImpressao> impressoes;
  std::vector<bool> naTransitoria;
  int64_t jaImportadas = 0;
  std::map<std::string, int> vistas;
  for (const TLinhaExtrato& linha : extrato.Linhas) {
    if (!linha.Recusa.empty()) {
      recusar(linha, linha.CampoRecusa, linha.Recusa);
      continue;
    }
    const std::string hash = ExtratoBancario::Impressao(*banco, linha);
    const TImpressao impressao{hash, ++vistas[hash]};
    if (JaImportada(conexao, empresa, *banco, impressao)) {
      ++jaImportadas;
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
    const std::string contaBanco = std::to_string(*banco);
    const std::string outra = std::to_string(destino->Conta);
    TCsvRow entrada;
    entrada.LineNumber = static_cast<int>(entradas.size()) + 1;
    entrada.Cells = {linha.Data,
                     (entrou ? linha.Valor : -linha.Valor).ToString(),
                     entrou ? contaBanco : outra,
                     entrou ? outra : contaBanco,
                     std::to_string(destino->Historico),
                     linha.Documento,
                     linha.Descricao};
    for (const auto& [campo, valor] : extrato.Valores)
      entrada.Cells.push_back(valor);
    entradas.push_back(std::move(entrada));
    origens.push_back(&linha);
    impressoes.push_back(impressao);
    naTransitoria.push_back(transitoria);
  }

  size_t proxima = 0;
  linhas.Proxima = [&]() -> std::optional<TCsvRow> {
    if (proxima == entradas.size())
      return std::nullopt;
    return entradas[proxima++];
  };
  linhas.Tamanho = static_cast<int64_t>(entradas.size());
  linhas.Posicao = [&] { return static_cast<int64_t>(proxima); };
  int64_t transitorias = 0;
  ImportacaoHost::TOpcoesImportacao importacao;
  importacao.CodigoEmpresa = empresa;
  importacao.AoGravarLinha = [&](const TCsvRow& entrada, int64_t chave) {
    const auto indice = static_cast<size_t>(entrada.LineNumber - 1);
    Lembrar(conexao, empresa, *banco, impressoes[indice], chave);
    transitorias += naTransitoria[indice] ? 1 : 0;
  };
  HostComum::CarregarPacote();
  TBarraProgresso barra;
  importacao.Progresso = barra.Hook();
  ImportacaoHost::TResultadoImportacao doModulo =
      ImportacaoHost::Importar(conexao, linhas, importacao);
  barra.Apagar();
  // The module's refusals name the statement's line and show its cells.
  for (ImportacaoHost::TRecusa& recusa : doModulo.Recusas) {
    const TLinhaExtrato& linha = *origens[static_cast<size_t>(recusa.Linha - 1)];
    recusar(linha, recusa.Campo, recusa.Mensagem);
  }
  std::stable_sort(resultado.Recusas.begin(), resultado.Recusas.end(),
                   [](const auto& a, const auto& b) { return a.Linha < b.Linha; });
  resultado.Gravadas = doModulo.Gravadas;
  resultado.Mensagens = doModulo.Mensagens;
  resultado.Aceita = doModulo.Aceita;

  ImportacaoHost::TSaidaImportacao saida;
  saida.Texto = ImportacaoHost::RecusasEMensagens(resultado) +
                Quantas(jaImportadas, "já importada", "já importadas") + ", " +
                Quantas(resultado.Gravadas, "gravada", "gravadas");
  if (transitorias > 0)
    saida.Texto += fmt::format(" ({} na conta transitória)", transitorias);
  if (!resultado.Recusas.empty())
    saida.Texto +=
        ", " + Quantas(static_cast<int64_t>(resultado.Recusas.size()), "recusada", "recusadas");
  if (!opcoes.ArquivoRecusas.empty()) {
    ImportacaoHost::EscreverRecusas(resultado, opcoes.ArquivoRecusas);
    saida.Texto += fmt::format("\nRecusadas gravadas em {}", opcoes.ArquivoRecusas);
  }
  saida.Status = resultado.Recusas.empty() && resultado.Aceita ? 0 : 1;
  return saida;
}

}  // namespace ImportacaoExtrato
