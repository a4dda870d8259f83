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
#include "host/ComandoBalancete.h"
#include "host/DemoEmpresa.h"
#include "host/DemoLancamentos.h"
#include "host/DemoTransacoes.h"
#include "host/ExportarJournal.h"
#include "host/HostComum.h"
#include "host/ImportacaoHost.h"
#include "schema/SchemaInstaller.h"

namespace ComandoDemo {

namespace {

// The generated entries go through a file, as a real import does, so a large
// year never sits in memory; the file is removed however the run ends.
class TArquivoTemporario {
 public:
  TArquivoTemporario() {
    char modelo[] = "/tmp/ctb-demo-XXXXXX";
    int descritor = mkstemp(modelo);
    if (descritor < 0)
      throw Exception("Não foi possível criar o arquivo temporário da demonstração");
    close(descritor);
    FCaminho = modelo;
  }
  ~TArquivoTemporario() { std::remove(FCaminho.c_str()); }
  TArquivoTemporario(const TArquivoTemporario&) = delete;
  TArquivoTemporario& operator=(const TArquivoTemporario&) = delete;
  const std::string& Caminho() const { return FCaminho; }

 private:
  std::string FCaminho;
};

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

}  // namespace

int Executar(TnDMConexao& conexao, const TOpcoesDemo& opcoes, std::ostream& saida) {
  const int empresaSPED = opcoes.CodigoEmpresa + 1;
  for (const int empresa : {opcoes.CodigoEmpresa, empresaSPED}) {
    if (!opcoes.Substituir && SchemaInstaller::VersaoInstalada(conexao) > 0 &&
        conexao.ExecuteScalar("select count(*) from EMPRESA where CODIGOEMPRESA = :pEmpresa",
                              {{"pEmpresa", Value(empresa)}})
                .AsInteger() > 0)
      throw Exception(
          fmt::format("A empresa {} já existe; use --replace para substituí-la pela "
                      "demonstração (plano de contas e lançamentos)",
                      empresa));
  }
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

  TArquivoTemporario arquivo;
  {
    std::ofstream csv(arquivo.Caminho());
    DemoLancamentos::EscreverCsv(csv, opcoes.Semente, opcoes.Lancamentos, opcoes.CodigoEmpresa);
  }
  std::ifstream csv(arquivo.Caminho());
  HostComum::CarregarPacote();
  ImportacaoHost::TOpcoesImportacao importacao;
  importacao.CodigoEmpresa = opcoes.CodigoEmpresa;
  importacao.Progresso = ImportacaoHost::BarraDeProgresso();
  ImportacaoHost::TResultadoImportacao resultado =
      ImportacaoHost::Importar(conexao, csv, importacao);
  saida << ImportacaoHost::Relatorio(resultado) << "\n";
  saida << DemoTransacoes::Descricao(empresaSPED, DemoTransacoes::Criar(conexao, empresaSPED))
        << "\n\n";

  ComandoBalancete::TOpcoes balancete;
  balancete.Empresas = std::to_string(opcoes.CodigoEmpresa);
  balancete.DataInicial = fmt::format("{}-01-01", DemoEmpresa::kAnoExercicio);
  balancete.DataFinal = fmt::format("{}-12-31", DemoEmpresa::kAnoExercicio);
  balancete.Mensal = true;
  saida << ComandoBalancete::Executar(conexao, balancete, ComandoBalancete::TFormato::Tabela, "")
        << "\n"
        << TotaisDoAno(conexao, opcoes.CodigoEmpresa);
  return resultado.Recusas.empty() && resultado.Aceita ? 0 : 1;
}

}  // namespace ComandoDemo
