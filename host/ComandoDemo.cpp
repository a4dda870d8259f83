#include "host/ComandoDemo.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/db/TnDMConexao.h"
#include "host/BarraProgresso.h"
#include "host/ComandoBalancete.h"
#include "host/ComandoDemonstracoes.h"
#include "host/DemoEmpresa.h"
#include "host/DemoLancamentos.h"
#include "host/ExportarJournal.h"
#include "host/HostComum.h"
#include "host/ImportacaoHost.h"
#include "host/SaidaRelatorio.h"
#include "schema/SchemaInstaller.h"
#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"

namespace ComandoDemo {

namespace {

void ExcluirLancamentosDaEmpresa(TnDMConexao& conexao, int codigoEmpresa) {
  conexao.StartTransaction();
  try {
    conexao.ExecuteDirect("delete from LCTOCTB where CODIGOEMPRESA = :pCodigoEmpresa",
                          {{"pCodigoEmpresa", Value(codigoEmpresa)}});
    conexao.Commit();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
}

// The year's debits and credits as the balance tables hold them: a
// double-entry year must show the same two totals.
std::string TotaisDoAno(TnDMConexao& conexao, int codigoEmpresa) {
  TDbResult totais = conexao.ExecuteQuery(
      "select sum(VALORDEB) as DEBITOS, sum(VALORCRED) as CREDITOS from SALDOCTBMENSAL "
      "where CODIGOEMPRESA = :pCodigoEmpresa and DATASALDO between :pInicio and :pFim",
      {{"pCodigoEmpresa", Value(codigoEmpresa)},
       {"pInicio", Value(EncodeDate(DemoEmpresa::kAnoExercicio, 1, 1))},
       {"pFim", Value(EncodeDate(DemoEmpresa::kAnoExercicio, 12, 31))}});
  Currency debitos = totais.Rows.at(0).at(0).AsCurrency();
  Currency creditos = totais.Rows.at(0).at(1).AsCurrency();
  return fmt::format("Total de débitos: {}   Total de créditos: {}   {}\n",
                     FormatFloat("#,##0.00", debitos), FormatFloat("#,##0.00", creditos),
                     debitos == creditos ? "(iguais)" : "(DIFERENTES)");
}

// The year-end checks an accountant makes: the trial balance's asset total
// is the sum of the asset accounts' balances (reducing accounts subtract),
// and the balance sheet ties, assets = liabilities + equity + result.
std::string Conferencias(TnDMConexao& conexao, TnCtbDPConsultaBalanceteMovimento& balancete,
                         int codigoEmpresa) {
  const TDateTime inicio = EncodeDate(DemoEmpresa::kAnoExercicio, 1, 1);
  const TDateTime fim = EncodeDate(DemoEmpresa::kAnoExercicio, 12, 31);
  const ComandoDemonstracoes::TDemonstracoes demonstracoes =
      ComandoDemonstracoes::Calcular(conexao, codigoEmpresa, inicio, fim, 0, 0, false);
  std::string texto;
  TnClientDataSet* dataSet = balancete.RetornaDataSet(codigoEmpresa);
  if (dataSet != nullptr &&
      dataSet->Locate("CodigoConta", {Value(DemoEmpresa::Conta("1").ContaCtb)})) {
    const Currency ativo =
        Currency::FromDouble(dataSet->FieldByName("SaldoAtual").AsFloat()).Rounded(2);
    texto += fmt::format(
        "Balancete em 31/12/{}: ATIVO {} = soma dos saldos das contas do ativo {} ({})\n",
        DemoEmpresa::kAnoExercicio, SaidaRelatorio::ValorTabela(ativo),
        SaidaRelatorio::ValorTabela(demonstracoes.Ativo.Atual),
        ativo == demonstracoes.Ativo.Atual ? "confere" : "NÃO CONFERE");
  }
  return texto + fmt::format("Balanço Patrimonial em 31/12/{}: {}\n", DemoEmpresa::kAnoExercicio,
                             demonstracoes.Equacao());
}

}  // namespace

int Executar(TnDMConexao& conexao, const TOpcoesDemo& opcoes, std::ostream& saida) {
  if (!opcoes.Substituir && SchemaInstaller::VersaoInstalada(conexao) > 0 &&
      conexao.ExecuteScalar("select count(*) from EMPRESA where CODIGOEMPRESA = :pEmpresa",
                            {{"pEmpresa", Value(opcoes.CodigoEmpresa)}})
              .AsInteger() > 0)
    throw Exception(
        fmt::format("A empresa {} já existe; use --replace para substituí-la pela "
                    "demonstração (plano de contas e lançamentos)",
                    opcoes.CodigoEmpresa));
  SchemaInstaller::Instalar(conexao);
  DemoEmpresa::Criar(conexao, opcoes.CodigoEmpresa);
  ExcluirLancamentosDaEmpresa(conexao, opcoes.CodigoEmpresa);

  if (!opcoes.ArquivoJournal.empty()) {
    std::ofstream journal(opcoes.ArquivoJournal);
    if (!journal)
      throw Exception(fmt::format("Não foi possível criar o arquivo {}", opcoes.ArquivoJournal));
    ExportarJournal::Escrever(journal, opcoes.Semente, opcoes.Lancamentos, opcoes.CodigoEmpresa);
    journal.close();
    if (!journal)
      throw Exception(fmt::format("Falha ao gravar o arquivo {}", opcoes.ArquivoJournal));
  }

  // The generated entries go through a file, as a real import does, so a
  // large year never sits in memory.
  HostComum::TArquivoTemporario arquivo;
  {
    std::ofstream csv(arquivo.Caminho());
    DemoLancamentos::EscreverCsv(csv, opcoes.Semente, opcoes.Lancamentos, opcoes.CodigoEmpresa);
  }
  std::ifstream csv(arquivo.Caminho());
  HostComum::CarregarPacote();
  ImportacaoHost::TOpcoesImportacao importacao;
  importacao.CodigoEmpresa = opcoes.CodigoEmpresa;
  TBarraProgresso barra;
  importacao.Progresso = barra.Hook();
  ImportacaoHost::TResultadoImportacao resultado =
      ImportacaoHost::Importar(conexao, csv, importacao);
  barra.Apagar();
  saida << ImportacaoHost::Relatorio(resultado) << "\n\n" << std::flush;

  ComandoBalancete::TOpcoes balancete;
  balancete.Empresas = std::to_string(opcoes.CodigoEmpresa);
  balancete.DataInicial = fmt::format("{}-01-01", DemoEmpresa::kAnoExercicio);
  balancete.DataFinal = fmt::format("{}-12-31", DemoEmpresa::kAnoExercicio);
  balancete.Mensal = true;
  balancete.Progresso = barra.Hook();
  auto processo = ComandoBalancete::Consultar(conexao, balancete);
  barra.Apagar();
  ComandoBalancete::EscolherColunas(*processo, "");
  saida << ComandoBalancete::EscreverTabela(*processo) << "\n"
        << TotaisDoAno(conexao, opcoes.CodigoEmpresa)
        << Conferencias(conexao, *processo, opcoes.CodigoEmpresa);
  return resultado.Recusas.empty() && resultado.Aceita ? 0 : 1;
}

}  // namespace ComandoDemo
