#include "host/reports/ComandoDiario.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "framework/core/FormatDateTime.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/LinhaComando.h"
#include "host/reports/RelatorioContabil.h"
#include "host/services/SessaoHost.h"

namespace ComandoDiario {

namespace {

using RelatorioContabil::TDebitoCredito;
using SaidaRelatorio::TCelula;
using SaidaRelatorio::TEscritor;
using SaidaRelatorio::TTipoColuna;

// One day's entries, put in key order by TLinhasEmOrdem. The day is a range
// ordered by date: so SQLite reads the date index and sorts nothing. With an
// equality and the key alone it walks the company's whole primary key
// (already in key order); with the date and the key it sorts every row.
constexpr const char* kSqlDia =
    "select CHAVELCTOCTB, CODIGOESTAB, CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, COMPLHIST, "
    "VALORLCTOCTB from LCTOCTB where CODIGOEMPRESA = :pEmpresa and "
    "DATALCTOCTB between :pDia and :pDia and (:pEstab = 0 or CODIGOESTAB = :pEstab) and "
    "TIPOLANCAMENTO in (:pTipoNormal, :pTipoLivro) order by DATALCTOCTB";

enum EColuna {
  cPagina,
  cData,
  cChave,
  cEstab,
  cDebitoConta,
  cDebitoDescr,
  cCreditoConta,
  cCreditoDescr,
  cDebito,
  cCredito,
  cHistorico,
  cQuantidade
};

std::vector<SaidaRelatorio::TColuna> Colunas(size_t larguraDescricao) {
  using namespace RelatorioContabil;
  return {
      {"PAGINA", "Página", TTipoColuna::Inteiro, 0},
      kColunaData,
      kColunaChave,
      kColunaEstab,
      {"CONTACTBDEB", "Conta débito", TTipoColuna::Inteiro, 13},
      {"DESCRCONTADEB", "Descrição", TTipoColuna::Texto, larguraDescricao},
      {"CONTACTBCRED", "Conta crédito", TTipoColuna::Inteiro, 13},
      {"DESCRCONTACRED", "Descrição", TTipoColuna::Texto, larguraDescricao},
      kColunaDebito,
      kColunaCredito,
      kColunaHistorico,
  };
}

// The columns of one side of an entry.
struct TColunasLado {
  EColuna Conta, Descr, Valor;
};

// One side of an entry: its account, the account's description and the
// amount (added to `total`), or empty cells when the entry has no such side.
void Lado(std::vector<TCelula>& celulas, TColunasLado colunas,
          const RelatorioContabil::TPlano& plano, const Value& conta, Currency valor,
          Currency& total) {
  if (conta.IsNull()) {
    celulas[colunas.Conta] = celulas[colunas.Descr] = celulas[colunas.Valor] = std::monostate{};
    return;
  }
  celulas[colunas.Conta] = conta.AsInteger();
  celulas[colunas.Descr] = plano.Descricao(conta.AsInteger());
  celulas[colunas.Valor] = total = valor;
}

// The pages: a title over each, its totals under it, and the period's
// totals after the last.
class TPaginas {
 public:
  TPaginas(TEscritor& escritor, std::string cabecalho, int linhasPorPagina)
      : FEscritor(escritor), FCabecalho(std::move(cabecalho)), FLinhasPorPagina(linhasPorPagina) {}

  void Lancamento(std::vector<TCelula>& celulas, const TDebitoCredito& valores) {
    if (FLinhas == FLinhasPorPagina)
      FecharPagina();
    if (FLinhas == 0)
      FEscritor.Titulo(fmt::format("{}  Página {}", FCabecalho, FPagina));
    celulas[cPagina] = int64_t{FPagina};
    FEscritor.Linha(celulas);
    FTotalPagina += valores;
    FTotalPeriodo += valores;
    ++FLinhas;
  }

  void Fechar() {
    if (FLinhas > 0)
      FecharPagina();
    else if (FPagina == 1)
      FEscritor.Titulo(FCabecalho);
    Total("Total do período", FTotalPeriodo, std::monostate{});
  }

 private:
  void FecharPagina() {
    Total(fmt::format("Total da página {}", FPagina), FTotalPagina, int64_t{FPagina});
    FTotalPagina = {};
    FLinhas = 0;
    ++FPagina;
  }

  void Total(const std::string& texto, const TDebitoCredito& total, TCelula pagina) {
    std::vector<TCelula> celulas(cQuantidade);
    celulas[cPagina] = std::move(pagina);
    celulas[cDebito] = total.Debito;
    celulas[cCredito] = total.Credito;
    celulas[cHistorico] = texto;
    FEscritor.Linha(celulas, true);
  }

  TEscritor& FEscritor;
  std::string FCabecalho;
  int FLinhasPorPagina;
  int FPagina = 1;
  int FLinhas = 0;
  TDebitoCredito FTotalPagina, FTotalPeriodo;
};

}  // namespace

std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, std::ostream& saida) {
  const RelatorioContabil::TOpcoesRelatorio& o = opcoes.Relatorio;
  const TDateTime de = LinhaComando::Data(o.De, "--from");
  const TDateTime ate = LinhaComando::Data(o.Ate, "--to");
  const RelatorioContabil::TPlano plano(conexao, o.Empresa);
  const RelatorioContabil::THistoricos historicos = RelatorioContabil::Historicos(conexao);
  const std::string cabecalho =
      fmt::format("Diário  {} - {}  Período: {} a {}", o.Empresa,
                  RelatorioContabil::NomeEmpresa(conexao, o.Empresa),
                  FormatDateTime("dd/mm/yyyy", de), FormatDateTime("dd/mm/yyyy", ate));
  const RelatorioContabil::TLeituraCorrida leitura(conexao);

  return RelatorioContabil::Emitir(
      RelatorioContabil::Formato(o), Colunas(plano.LarguraDescricao()), o.Arquivo, "Diário", saida,
      [&](TEscritor& escritor) {
        TPaginas paginas(escritor, cabecalho, opcoes.LinhasPorPagina);
        // One row's cells, reused row after row: its texts keep their buffers.
        std::vector<TCelula> celulas(cQuantidade);
        TDateTime dia = de;
        RelatorioContabil::TLinhasEmOrdem emOrdem(0, std::nullopt, [&](const ValueArray& linha) {
          TDebitoCredito valores;
          const Currency valor = linha[6].AsCurrency();
          celulas[cData] = dia;
          celulas[cChave] = linha[0].AsInteger();
          celulas[cEstab] = linha[1].AsInteger();
          Lado(celulas, {cDebitoConta, cDebitoDescr, cDebito}, plano, linha[2], valor,
               valores.Debito);
          Lado(celulas, {cCreditoConta, cCreditoDescr, cCredito}, plano, linha[3], valor,
               valores.Credito);
          const HistoricoPadrao::TLancamento lancamento = {
              linha[2].IsNull() ? 0 : linha[2].AsInteger(),
              linha[3].IsNull() ? 0 : linha[3].AsInteger(), dia};
          celulas[cHistorico] =
              RelatorioContabil::TextoHistorico(historicos, plano, linha[4], linha[5], lancamento);
          paginas.Lancamento(celulas, valores);
        });
        for (; dia <= ate; dia = IncDay(dia)) {
          TParams params = {
              {"pEmpresa", Value(o.Empresa)}, {"pDia", Value(dia)}, {"pEstab", Value(o.Estab)}};
          RelatorioContabil::AdicionarLivro(params, o.Livro);
          conexao.Percorrer(kSqlDia, params,
                            [&](const ValueArray& linha) { emOrdem.Acrescentar(linha); });
          emOrdem.Fechar();
        }
        paginas.Fechar();
      });
}

void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando) {
  auto opcoes = std::make_shared<TOpcoes>();
  CLI::App* cmd = app.add_subcommand("journal", "Diário: lançamentos do período em ordem de data");
  RelatorioContabil::AdicionarOpcoes(*cmd, opcoes->Relatorio, true);
  cmd->add_option("--page-size", opcoes->LinhasPorPagina, "Lançamentos por página (padrão: 50)")
      ->check(CLI::Range(1, 100000));
  cmd->callback([&comando, opcoes] {
    comando = [opcoes](TSessaoHost& sessao) {
      RelatorioContabil::VerificarAcesso(sessao, opcoes->Relatorio);
      return Executar(sessao.Conexao(), *opcoes, std::cout);
    };
  });
}

}  // namespace ComandoDiario
