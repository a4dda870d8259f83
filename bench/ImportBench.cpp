// Rows per second of `ctb import entries` (ImportacaoHost::Importar driving
// the journal-entry module in import mode) over a generated demo year, with
// invalid rows planted at known lines, against a baseline measured in the
// same run: the same good rows written through the provider, a transaction
// per import batch, into a second fresh database with the same demo company.
//
// The run is also a check of the import, and exits 1 when any part differs:
// the refused lines are exactly the planted ones, each refused on the field
// and with the text the module's rule chain gives for its kind; LCTOCTB holds
// each good row once (count, total and per-day counts and totals); the
// balance tables equal a recomputation from the entries.
//
// Every 97th row is planted, cycling through the kinds. The good rows are
// kept in memory for the baseline (about 200 bytes a row).
//
// Usage: bench_import [rows] [seed]   (default 100000 2025; SQLite, a temp folder)

#include <fmt/format.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/Cronometro.h"
#include "bench/PastaTemporaria.h"
#include "bench/VerificacaoBench.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDataSetProvider.h"
#include "framework/db/TnSQLDataSet.h"
#include "host/common/HostComum.h"
#include "host/demo/DemoEmpresa.h"
#include "host/demo/DemoLancamentos.h"
#include "host/import/ImportacaoHost.h"
#include "schema/SchemaInstaller.h"

namespace {

using DemoLancamentos::TLancamentoDemo;

constexpr int kEmpresa = 1;
constexpr int kIntervalo = 97;
constexpr int kLote = ImportacaoHost::kTamanhoLotePadrao;
constexpr int64_t kContaInexistente = 99999999;  // the demo chart's codes have at most 7 digits

enum class TTipoErro { ContaInexistente, ValorZero, DataForaDoExercicio, MesmaConta };
constexpr TTipoErro kTipos[] = {TTipoErro::ContaInexistente, TTipoErro::ValorZero,
                                TTipoErro::DataForaDoExercicio, TTipoErro::MesmaConta};

const char* Nome(TTipoErro tipo) {
  switch (tipo) {
    case TTipoErro::ContaInexistente:
      return "conta inexistente";
    case TTipoErro::ValorZero:
      return "valor zero";
    case TTipoErro::DataForaDoExercicio:
      return "data fora do exercício";
    case TTipoErro::MesmaConta:
      return "mesma conta a débito e a crédito";
  }
  return "";
}

void Plantar(TTipoErro tipo, TLancamentoDemo& lancamento) {
  switch (tipo) {
    case TTipoErro::ContaInexistente:
      lancamento.ContaCtbDeb = kContaInexistente;
      break;
    case TTipoErro::ValorZero:
      lancamento.ValorLctoCtb = Currency();
      break;
    case TTipoErro::DataForaDoExercicio:
      lancamento.DataLctoCtb = lancamento.DataLctoCtb + 365.0;  // the same day a year later
      break;
    case TTipoErro::MesmaConta:
      lancamento.ContaCtbCred = lancamento.ContaCtbDeb;
      break;
  }
}

// The refusal the rule chain gives for each kind.
ImportacaoHost::TRecusa Esperada(TTipoErro tipo, int linha) {
  const TDateTime inicio = EncodeDate(DemoEmpresa::kAnoExercicio, 1, 1);
  const TDateTime fim = EncodeDate(DemoEmpresa::kAnoExercicio, 12, 31);
  switch (tipo) {
    case TTipoErro::ContaInexistente:
      return {linha,
              "CONTACTBDEB",
              fmt::format("Debite: {} não existe, verifique.", kContaInexistente),
              {}};
    case TTipoErro::ValorZero:
      return {linha, "VALORLCTOCTB", nCtbSLctoDebCredZerado, {}};
    case TTipoErro::DataForaDoExercicio:
      return {linha,
              "DATALCTOCTB",
              nCtbS::Formatar(nCtbSDataLctoForaDoExercicio, DateToStr(inicio), DateToStr(fim)),
              {}};
    case TTipoErro::MesmaConta:
      return {linha, "CONTACTBDEB", nCtbSLctoMesmaContaDedCred, {}};
  }
  return {};
}

struct TPlantada {
  TTipoErro Tipo;
  ImportacaoHost::TRecusa Esperada;
};

struct TTotal {
  int64_t Linhas = 0;
  Currency Valor;
  bool operator==(const TTotal&) const = default;
};

struct TArquivoGerado {
  std::map<int, TPlantada> Plantadas;  // by line of the file
  std::vector<TLancamentoDemo> Boas;
};

// Writes the CSV the import reads, planting every kIntervalo-th row.
TArquivoGerado GerarCsv(const std::string& caminho, uint64_t semente, int64_t linhas) {
  std::ofstream saida(caminho, std::ios::binary);
  saida << DemoLancamentos::CabecalhoCsv() << '\n';
  TArquivoGerado gerado;
  DemoLancamentos::TGerador gerador(semente, linhas, kEmpresa);
  TLancamentoDemo lancamento;
  int linha = 2;
  for (int64_t i = 1; gerador.Proximo(lancamento); ++i) {
    if (i % kIntervalo == 0) {
      const TTipoErro tipo = kTipos[static_cast<size_t>(i / kIntervalo - 1) % std::size(kTipos)];
      Plantar(tipo, lancamento);
      gerado.Plantadas.emplace(linha, TPlantada{tipo, Esperada(tipo, linha)});
    } else {
      gerado.Boas.push_back(lancamento);
    }
    const std::string texto = DemoLancamentos::LinhaCsv(lancamento);
    saida << texto << '\n';
    linha += 1 + static_cast<int>(std::count(texto.begin(), texto.end(), '\n'));
  }
  saida.close();
  if (!saida)
    throw Exception("Falha ao gravar " + caminho);
  return gerado;
}

// A fresh database with the schema and the demo company, as `ctb demo` sets it up.
void PrepararBanco(TnDMConexao& conexao) {
  SchemaInstaller::Instalar(conexao);
  DemoEmpresa::Criar(conexao, kEmpresa);
}

// The baseline: the module's chain replaced by a bare data set over LCTOCTB.
void GravarPeloProvider(TnDMConexao& conexao, const std::vector<TLancamentoDemo>& linhas) {
  TnSQLDataSet sql(&conexao);
  sql.SetCommandText(
      "select CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, TIPOLANCAMENTO, "
      "CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, COMPLHIST, VALORLCTOCTB, NUMERODCTO, "
      "CODIGOLOTECTB, CODIGOORIGLCTOCTB, CODIGOUSUARIO, DATAHORALCTOCTB from LCTOCTB where 1 = 0");
  TnDataSetProvider provider(&sql);
  TnClientDataSet cds;
  cds.SetProvider(&provider);
  provider.GetRecords(cds);
  for (const char* chave : {"CODIGOEMPRESA", "CHAVELCTOCTB"})
    cds.FieldByName(chave).SetProviderFlags(pfInUpdate | pfInWhere | pfInKey);
  const auto texto = [](const std::string& s) { return s.empty() ? Value() : Value(s); };
  for (size_t i = 0; i < linhas.size(); ++i) {
    const TLancamentoDemo& l = linhas[i];
    cds.AppendRecord(
        {Value(l.CodigoEmpresa), Value(static_cast<int64_t>(i) + 1), Value(l.CodigoEstab),
         Value(l.DataLctoCtb), Value(l.TipoLancamento), Value(l.ContaCtbDeb), Value(l.ContaCtbCred),
         Value(l.CodigoHistCtb), texto(l.ComplHist), Value(l.ValorLctoCtb), texto(l.NumeroDcto),
         Value(l.CodigoLoteCtb), texto(l.CodigoOrigLctoCtb), Value(1), Value(l.DataLctoCtb + 0.5)});
    if (i % kLote == kLote - 1 || i == linhas.size() - 1) {
      if (cds.ApplyUpdates(0) != 0)
        throw Exception("o provedor recusou um lançamento");
      cds.EmptyDataSet();
    }
  }
}

std::string Texto(const ImportacaoHost::TRecusa& recusa) {
  return recusa.Campo.empty() ? recusa.Mensagem : recusa.Campo + ": " + recusa.Mensagem;
}

void VerificarRecusas(const ImportacaoHost::TResultadoImportacao& resultado,
                      const std::map<int, TPlantada>& plantadas, TVerificacao& verificacao) {
  std::map<int, const ImportacaoHost::TRecusa*> recusas;
  for (const ImportacaoHost::TRecusa& recusa : resultado.Recusas)
    recusas.emplace(recusa.Linha, &recusa);
  for (const auto& [linha, recusa] : recusas) {
    if (!plantadas.contains(linha))
      verificacao.Diferenca(
          "refusals", fmt::format("line {}: a good row refused with {}", linha, Texto(*recusa)));
  }
  for (const auto& [linha, plantada] : plantadas) {
    const auto achada = recusas.find(linha);
    const ImportacaoHost::TRecusa& esperada = plantada.Esperada;
    const std::string esperadaTexto = Texto(esperada);
    if (achada == recusas.end())
      verificacao.Diferenca("refusals", fmt::format("line {} ({}): accepted; expected {}", linha,
                                                    Nome(plantada.Tipo), esperadaTexto));
    else if (achada->second->Campo != esperada.Campo ||
             achada->second->Mensagem != esperada.Mensagem)
      verificacao.Diferenca(
          "refusals", fmt::format("line {} ({}): refused with {}; expected {}", linha,
                                  Nome(plantada.Tipo), Texto(*achada->second), esperadaTexto));
  }
  if (!resultado.Aceita)
    verificacao.Diferenca("import", "the module refused the import as a whole");
  for (const TnMensagem& mensagem : resultado.Mensagens)
    verificacao.Diferenca("import", "module message: " + mensagem.Texto);
}

// Count and total per day of the good rows against those LCTOCTB holds.
void VerificarGravadas(TnDMConexao& conexao, const std::vector<TLancamentoDemo>& boas,
                       int64_t gravadas, TVerificacao& verificacao) {
  std::map<std::string, TTotal> esperado, gravado;
  TTotal totalEsperado, totalGravado;
  for (const TLancamentoDemo& l : boas) {
    TTotal& dia = esperado[DateToIso(l.DataLctoCtb)];
    ++dia.Linhas;
    dia.Valor += l.ValorLctoCtb;
  }
  const TDbResult dias = conexao.ExecuteQuery(
      "select DATALCTOCTB, count(*), sum(VALORLCTOCTB) from LCTOCTB "
      "where CODIGOEMPRESA = :pEmpresa group by DATALCTOCTB",
      {{"pEmpresa", Value(kEmpresa)}});
  for (const ValueArray& dia : dias.Rows)
    gravado[DateToIso(dia[0].AsDateTime())] = {dia[1].AsInteger(), dia[2].AsCurrency().Rounded(2)};
  const auto diferenca = [&](const std::string& dia, const TTotal& arquivo, const TTotal& banco) {
    verificacao.Diferenca(
        "stored rows",
        fmt::format("{}: file has {} good rows totalling {}, LCTOCTB {} ({})", dia, arquivo.Linhas,
                    arquivo.Valor.ToString(), banco.Linhas, banco.Valor.ToString()));
  };
  for (const auto& [dia, total] : esperado) {
    totalEsperado.Linhas += total.Linhas;
    totalEsperado.Valor += total.Valor;
    const auto achado = gravado.find(dia);
    if (achado == gravado.end() || !(achado->second == total))
      diferenca(dia, total, achado == gravado.end() ? TTotal() : achado->second);
  }
  for (const auto& [dia, total] : gravado) {
    totalGravado.Linhas += total.Linhas;
    totalGravado.Valor += total.Valor;
    if (!esperado.contains(dia))
      diferenca(dia, TTotal(), total);
  }
  if (!(totalEsperado == totalGravado) || gravadas != totalEsperado.Linhas)
    verificacao.Diferenca(
        "stored rows",
        fmt::format("year: file has {} good rows totalling {}; LCTOCTB {} ({}); import said {}",
                    totalEsperado.Linhas, totalEsperado.Valor.ToString(), totalGravado.Linhas,
                    totalGravado.Valor.ToString(), gravadas));
}

int Executar(int64_t linhas, uint64_t semente) {
  TPastaTemporaria pasta("ctb-bench-import");
  const std::string csv = pasta.Arquivo("lancamentos.csv");
  const TArquivoGerado gerado = GerarCsv(csv, semente, linhas);
  const int64_t boas = static_cast<int64_t>(gerado.Boas.size());
  fmt::print("rows {} (seed {}): {} planted (every {}th, {} kinds), {} good\n", linhas, semente,
             gerado.Plantadas.size(), kIntervalo, std::size(kTipos), boas);

  TVerificacao verificacao({"refusals", "import", "stored rows", "balances", "baseline"});
  TnDMConexao importacao(TTipoConexao::SQLite, pasta.Arquivo("importacao.db"));
  PrepararBanco(importacao);
  HostComum::CarregarPacote();
  ImportacaoHost::TOpcoesImportacao opcoes;
  opcoes.CodigoEmpresa = kEmpresa;
  ImportacaoHost::TResultadoImportacao resultado;
  std::ifstream entrada(csv, std::ios::binary);
  const TTempos tImportacao =
      Tempos([&] { resultado = ImportacaoHost::Importar(importacao, entrada, opcoes); });

  TnDMConexao provider(TTipoConexao::SQLite, pasta.Arquivo("provider.db"));
  PrepararBanco(provider);
  const TTempos tProvider = Tempos([&] { GravarPeloProvider(provider, gerado.Boas); });

  // Rates from CPU time: all of SQLite's work is in this process, and a
  // shared machine stretches the wall time of each run by its own load.
  const double taxaImportacao = static_cast<double>(linhas) / tImportacao.Cpu;
  const double taxaProvider = static_cast<double>(boas) / tProvider.Cpu;
  fmt::print(
      "  import (module, {} batches)   {:9.0f} rows/s  ({:.2f} s CPU, {:.2f} s wall, {} stored, "
      "{} refused)\n",
      resultado.Lotes, taxaImportacao, tImportacao.Cpu, tImportacao.Parede, resultado.Gravadas,
      resultado.Recusas.size());
  fmt::print(
      "  provider baseline            {:9.0f} rows/s  ({:.2f} s CPU, {:.2f} s wall, {} stored)\n",
      taxaProvider, tProvider.Cpu, tProvider.Parede, boas);
  fmt::print("  import / baseline            {:9.2f}\n", taxaImportacao / taxaProvider);

  VerificarRecusas(resultado, gerado.Plantadas, verificacao);
  VerificarGravadas(importacao, gerado.Boas, resultado.Gravadas, verificacao);
  VerificarSaldos(importacao, verificacao);
  const int64_t noProvider = provider.ExecuteScalar("select count(*) from LCTOCTB").AsInteger();
  if (noProvider != boas)
    verificacao.Diferenca("baseline", fmt::format("{} rows stored, {} expected", noProvider, boas));
  return verificacao.Resumo() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t linhas = argc > 1 ? std::atoll(argv[1]) : 100000;
  const uint64_t semente = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 2025;
  if (linhas <= 0) {
    fmt::print(stderr, "usage: bench_import [rows] [seed]\n");
    return 2;
  }
  try {
    return Executar(linhas, semente);
  } catch (const std::exception& erro) {
    fmt::print(stderr, "bench_import: {}\n", erro.what());
    return 1;
  }
}
