#include "host/demo/ComandoDemo.h"

#include <fmt/format.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/HostComum.h"
#include "host/common/Terminal.h"
#include "host/demo/DemoEmpresa.h"
#include "host/demo/DemoLancamentos.h"
#include "host/demo/DemoTransacoes.h"
#include "host/demo/ExportarJournal.h"
#include "host/import/ImportacaoHost.h"
#include "host/output/BarraProgresso.h"
#include "host/reports/ComandoBalancete.h"
#include "host/reports/ComandoDemonstracoes.h"
#include "host/reports/SaidaRelatorio.h"
#include "host/services/DigitacaoHost.h"
#include "schema/SchemaInstaller.h"
#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"

namespace ComandoDemo {

namespace {

void ExcluirLancamentosDaEmpresa(TnDMConexao& conexao, int64_t codigoEmpresa) {
  conexao.StartTransaction();
  try {
    // The statement rows those entries came from are forgotten with them.
    for (const char* tabela : {"LCTOATIVDIFERENC", "LCTOGER", "LCTOCTB", "IMPORTACAOEXTRATO"})
      conexao.ExecuteDirect(
          std::string("delete from ") + tabela + " where CODIGOEMPRESA = :pCodigoEmpresa",
          {{"pCodigoEmpresa", Value(codigoEmpresa)}});
    conexao.Commit();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
}

// The year's debits and credits as the balance tables hold them: a
// double-entry year must show the same two totals.
std::string TotaisDoAno(TnDMConexao& conexao, int64_t codigoEmpresa) {
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

void VerificarEmpresaLivre(TnDMConexao& conexao, int64_t codigoEmpresa, bool substituir) {
  if (!substituir && SchemaInstaller::VersaoInstalada(conexao) > 0 &&
      conexao.ExecuteScalar("select count(*) from EMPRESA where CODIGOEMPRESA = :pEmpresa",
                            {{"pEmpresa", Value(codigoEmpresa)}})
              .AsInteger() > 0)
    throw Exception(
        fmt::format("A empresa {} já existe; use --replace para substituí-la pela "
                    "demonstração (plano de contas e lançamentos)",
                    codigoEmpresa));
}

// Imports the generated year through the journal-entry module, which keeps
// the cost-centre splits of what it loads as a bulk load does.
ImportacaoHost::TResultadoImportacao ImportarAno(TnDMConexao& conexao, int64_t codigoEmpresa,
                                                 uint64_t semente, int64_t quantidade,
                                                 TBarraProgresso& barra) {
  HostComum::TArquivoTemporario arquivo;
  {
    std::ofstream csv(arquivo.Caminho());
    DemoLancamentos::EscreverCsv(csv, semente, quantidade, codigoEmpresa);
  }
  std::ifstream csv(arquivo.Caminho());
  ImportacaoHost::TOpcoesImportacao importacao;
  importacao.CodigoEmpresa = codigoEmpresa;
  importacao.Progresso = barra.Hook();
  importacao.AoAbrir = [](TnDMClientDataSet& modulo) {
    if (auto* lancamentos = dynamic_cast<TnCtbDMLctoCtb*>(&modulo))
      lancamentos->SetPodeLancarGerencial(true);
  };
  ImportacaoHost::TResultadoImportacao resultado =
      ImportacaoHost::Importar(conexao, csv, importacao);
  barra.Apagar();
  return resultado;
}

// A few entries keyed by hand on the screen, each split by hand over two
// cost centres of its account (the 15th of each month).
nlohmann::ordered_json LancamentosDigitados(int64_t codigoEmpresa) {
  const int64_t despesa = DemoEmpresa::Analiticas("4.2.03").front()->ContaCtb;
  nlohmann::ordered_json documentos = nlohmann::ordered_json::array();
  for (int mes = 1; mes <= 12; ++mes) {
    const int64_t centavos = 120'000 + mes * 1'001;
    const int64_t vendas = centavos * 7 / 10;
    auto valor = [](int64_t c) { return DemoLancamentos::ValorTexto(Currency::FromRaw(c * 100)); };
    const std::string dia = fmt::format("{}-{:02}-15", DemoEmpresa::kAnoExercicio, mes);
    // The screen is opened on the entry's day: keying one entry need not
    // load a whole month of a large demo year.
    documentos.push_back(
        {{"op", "insert"},
         {"company", codigoEmpresa},
         {"selection", {{"from", dia}, {"to", dia}}},
         {"fields",
          {{"CODIGOESTAB", 1},
           {"DATALCTOCTB", dia},
           {"CODIGOLOTECTB", 13},
           {"CONTACTBDEB", despesa},
           {"CONTACTBCRED", DemoEmpresa::Conta("1.1.01.003").ContaCtb},
           {"CODIGOHISTCTB", 17},
           {"COMPLHIST", "Campanha do mês, rateio informado"},
           {"VALORLCTOCTB", valor(centavos)}}},
         {"managerial",
          {{"debit",
            {{{"CODIGOCENTROCUSTO", 201}, {"VALORLCTOGER", valor(vendas)}},
             {{"CODIGOCENTROCUSTO", 202}, {"VALORLCTOGER", valor(centavos - vendas)}}}}}},
         {"screen", true}});
  }
  return documentos;
}

// The year-end checks an accountant makes: the trial balance's asset total
// is the sum of the asset accounts' balances (reducing accounts subtract),
// and the balance sheet ties, assets = liabilities + equity + result.
std::string Conferencias(TnDMConexao& conexao, TnCtbDPConsultaBalanceteMovimento& balancete,
                         int64_t codigoEmpresa) {
  const TDateTime inicio = EncodeDate(DemoEmpresa::kAnoExercicio, 1, 1);
  const TDateTime fim = EncodeDate(DemoEmpresa::kAnoExercicio, 12, 31);
  const ComandoDemonstracoes::TDemonstracoes demonstracoes =
      ComandoDemonstracoes::Calcular(conexao, codigoEmpresa, inicio, fim, 0, 0, false);
  std::string texto;
  TnClientDataSet* dataSet = balancete.RetornaDataSet(codigoEmpresa);
  if (dataSet != nullptr &&
      dataSet->Locate("CodigoConta", {Value(DemoEmpresa::Conta("1").ContaCtb)})) {
    const Currency ativo = dataSet->FieldByName("SaldoAtual").AsCurrency().Rounded(2);
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
  const int64_t empresaSPED = opcoes.CodigoEmpresa + 1;
  const int64_t empresaIfrs = opcoes.CodigoEmpresa + 2;
  for (const int64_t empresa : {opcoes.CodigoEmpresa, empresaSPED, empresaIfrs})
    VerificarEmpresaLivre(conexao, empresa, opcoes.Substituir);
  // Other programs may already be writing to a current schema: its script
  // is not run again under them.
  SchemaInstaller::Instalar(conexao, SchemaInstaller::TModoInstalacao::SeDesatualizado);
  DemoEmpresa::Criar(conexao, opcoes.CodigoEmpresa);
  DemoEmpresa::Criar(conexao, empresaIfrs, true);
  for (const int64_t empresa : {opcoes.CodigoEmpresa, empresaIfrs})
    ExcluirLancamentosDaEmpresa(conexao, empresa);

  // Opened before the work, so a file that cannot be written stops it.
  std::ofstream journal;
  if (!opcoes.ArquivoJournal.empty()) {
    journal.open(opcoes.ArquivoJournal);
    if (!journal)
      throw Exception(fmt::format("Não foi possível criar o arquivo {}", opcoes.ArquivoJournal));
  }

  HostComum::CarregarPacote();
  TBarraProgresso barra;
  ImportacaoHost::TResultadoImportacao resultado =
      ImportarAno(conexao, opcoes.CodigoEmpresa, opcoes.Semente, opcoes.Lancamentos, barra);
  saida << ImportacaoHost::Relatorio(resultado) << "\n" << std::flush;
  saida << DemoTransacoes::Descricao(empresaSPED, DemoTransacoes::Criar(conexao, empresaSPED))
        << "\n\n";
  const DigitacaoHost::TResultadoDigitacao digitados =
      DigitacaoHost::Executar(conexao, LancamentosDigitados(opcoes.CodigoEmpresa));
  if (!digitados.TodosPostados)
    throw Exception("Lançamentos digitados da demonstração recusados: " + digitados.Saida.dump());
  // The IFRS company with activity control: a tenth of the year, its
  // entries detailed by activity as they are loaded.
  const ImportacaoHost::TResultadoImportacao ifrs = ImportarAno(
      conexao, empresaIfrs, opcoes.Semente, std::max<int64_t>(1, opcoes.Lancamentos / 10), barra);
  saida << fmt::format("Empresa {} (IFRS, atividades): ", empresaIfrs)
        << ImportacaoHost::Relatorio(ifrs) << "\n\n";

  ComandoBalancete::TOpcoes balancete;
  balancete.Empresas = std::to_string(opcoes.CodigoEmpresa);
  balancete.DataInicial = fmt::format("{}-01-01", DemoEmpresa::kAnoExercicio);
  balancete.DataFinal = fmt::format("{}-12-31", DemoEmpresa::kAnoExercicio);
  balancete.Mensal = true;
  balancete.Progresso = barra.Hook();
  auto processo = ComandoBalancete::Consultar(conexao, balancete);
  barra.Apagar();
  // On a terminal the trial balance fits it, as `trial-balance` does.
  const size_t largura = Terminal::Largura();
  ComandoBalancete::EscolherColunas(*processo, "", largura);
  saida << ComandoBalancete::EscreverTabela(*processo, largura) << "\n"
        << TotaisDoAno(conexao, opcoes.CodigoEmpresa)
        << Conferencias(conexao, *processo, opcoes.CodigoEmpresa);
  if (journal.is_open()) {
    ExportarJournal::Escrever(conexao, {opcoes.CodigoEmpresa, empresaSPED, empresaIfrs},
                              EncodeDate(DemoEmpresa::kAnoExercicio, 1, 1),
                              EncodeDate(DemoEmpresa::kAnoExercicio, 12, 31), journal);
    journal.close();
    if (!journal)
      throw Exception(fmt::format("Falha ao gravar o arquivo {}", opcoes.ArquivoJournal));
  }
  return resultado.Recusas.empty() && resultado.Aceita && ifrs.Recusas.empty() && ifrs.Aceita ? 0
                                                                                              : 1;
}

}  // namespace ComandoDemo
