#include "host/reports/ComandoRazao.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>

#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/LinhaComando.h"
#include "host/reports/RelatorioContabil.h"
#include "host/services/SessaoHost.h"

namespace ComandoRazao {

namespace {

// The entries of the account on the side of `coluna` in the period, the
// establishment and the book's types.
std::string FiltroDoLado(const char* coluna) {
  return fmt::format(
      "CODIGOEMPRESA = :pEmpresa and {} = :pConta and DATALCTOCTB between :pInicio and :pFim and "
      "(:pEstab = 0 or CODIGOESTAB = :pEstab) and TIPOLANCAMENTO in (:pTipoNormal, :pTipoLivro)",
      coluna);
}

}  // namespace

const std::string kSqlLancamentosDaConta =
    "select DATALCTOCTB, CHAVELCTOCTB, CODIGOESTAB, 1 LADO, CONTACTBCRED CONTRA, CODIGOHISTCTB, "
    "COMPLHIST, VALORLCTOCTB from LCTOCTB where " +
    FiltroDoLado("CONTACTBDEB") +
    " union all "
    "select DATALCTOCTB, CHAVELCTOCTB, CODIGOESTAB, 2 LADO, CONTACTBDEB CONTRA, CODIGOHISTCTB, "
    "COMPLHIST, VALORLCTOCTB from LCTOCTB where " +
    FiltroDoLado("CONTACTBCRED");

const std::string kSqlDiasDaConta =
    "select DATALCTOCTB, count(*) from LCTOCTB where " + FiltroDoLado("CONTACTBDEB") +
    " group by DATALCTOCTB union all select DATALCTOCTB, count(*) from LCTOCTB where " +
    FiltroDoLado("CONTACTBCRED") + " group by DATALCTOCTB";

namespace {

using RelatorioContabil::TConta;
using RelatorioContabil::TDebitoCredito;
using SaidaRelatorio::TCelula;
using SaidaRelatorio::TEscritor;
using SaidaRelatorio::TTipoColuna;

// In date order: SQLite merges the two sides' indexes, already by date.
// Ordered by key as well, it would sort every row; TLinhasEmOrdem puts each
// day in key order instead, the debit side first when an entry has the
// account on both.
const std::string kSqlLancamentos = kSqlLancamentosDaConta + " order by 1";

enum EColuna {
  cConta,
  cClassif,
  cEstab,
  cData,
  cChave,
  cContra,
  cDescrContra,
  cDebito,
  cCredito,
  cSaldo,
  cDC,
  cHistorico,
  cQuantidade
};

std::vector<SaidaRelatorio::TColuna> Colunas(size_t larguraDescricao) {
  using namespace RelatorioContabil;
  return {
      {"CONTACTB", "Conta", TTipoColuna::Inteiro, 0},
      {"CLASSIFCONTA", "Classificação", TTipoColuna::Texto, 0},
      kColunaEstab,
      kColunaData,
      kColunaChave,
      {"CONTRAPARTIDA", "Contrapartida", TTipoColuna::Inteiro, 13},
      {"DESCRCONTRAPARTIDA", "Descrição", TTipoColuna::Texto, larguraDescricao},
      kColunaDebito,
      kColunaCredito,
      {"SALDO", "Saldo", TTipoColuna::Valor, 16},
      {"DC", "D/C", TTipoColuna::Texto, 3},
      kColunaHistorico,
  };
}

// The analytic accounts the options select, in classification order.
std::vector<const TConta*> Selecionar(const RelatorioContabil::TPlano& plano, const TOpcoes& o) {
  const int escolhas = !o.Conta.empty() + !o.Contas.empty() + !o.Classif.empty();
  if (escolhas != 1)
    throw Exception("Escolha as contas com uma (e só uma) de --account, --accounts ou --classif");
  std::vector<const TConta*> contas;
  if (!o.Conta.empty()) {
    const TConta* conta = plano.PorCodigoOuApelido(o.Conta);
    if (conta == nullptr)
      throw Exception(fmt::format("Conta {} não cadastrada na empresa {}", Nutil::Trim(o.Conta),
                                  o.Relatorio.Empresa));
    contas =
        conta->Sintetica ? plano.AnaliticasSob(conta->Classif) : std::vector<const TConta*>{conta};
  } else if (!o.Contas.empty()) {
    const std::string texto = Nutil::Trim(o.Contas);
    const size_t traco = texto.find('-');
    const std::string de = texto.substr(0, traco);
    const std::string ate = traco == std::string::npos ? de : texto.substr(traco + 1);
    auto codigo = [&](const std::string& parte) {
      if (parte.empty() || parte.size() > 18 ||
          !std::all_of(parte.begin(), parte.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw Exception("Intervalo de contas inválido em --accounts: \"" + o.Contas +
                        "\" (use CONTA ou CONTA-CONTA)");
      return std::stoll(parte);
    };
    const int64_t primeira = codigo(de), ultima = codigo(ate);
    for (const TConta& conta : plano.Contas())
      if (!conta.Sintetica && conta.ContaCtb >= primeira && conta.ContaCtb <= ultima)
        contas.push_back(&conta);
  } else {
    contas = plano.AnaliticasSob(Nutil::Trim(o.Classif));
  }
  if (contas.empty())
    throw Exception(
        fmt::format("Nenhuma conta analítica da empresa {} na seleção", o.Relatorio.Empresa));
  return contas;
}

// One section of the ledger: an account, for one establishment or all. The
// title and the opening balance are written with the first entry, or at the
// end when there is a balance to show; a section without either is left out.
class TSecao {
 public:
  TSecao(TEscritor& escritor, const TConta& conta, int estab, TDebitoCredito abertura, TDateTime de,
         TDateTime ate)
      : FEscritor(escritor),
        FConta(conta),
        FEstab(estab),
        FSaldo(abertura.Saldo()),
        FDe(de),
        FAte(ate),
        FLinha(Base()) {}

  void Lancamento(const ValueArray& linha, const std::string& contraDescr,
                  const std::string& historico) {
    Abrir();
    const bool debito = linha[3].AsInteger() == 1;
    const Currency valor = linha[7].AsCurrency();
    TDebitoCredito movimento;
    (debito ? movimento.Debito : movimento.Credito) = valor;
    FMovimento += movimento;
    FSaldo += movimento.Saldo();
    // One row's cells, reused row after row: its texts keep their buffers.
    std::vector<TCelula>& celulas = FLinha;
    celulas[cEstab] = linha[2].AsInteger();
    celulas[cData] = linha[0].AsDateTime();
    celulas[cChave] = linha[1].AsInteger();
    if (linha[4].IsNull())
      celulas[cContra] = std::monostate{};
    else
      celulas[cContra] = linha[4].AsInteger();
    celulas[cDescrContra] = contraDescr;
    celulas[debito ? cDebito : cCredito] = valor;
    celulas[debito ? cCredito : cDebito] = std::monostate{};
    Saldo(celulas);
    celulas[cHistorico] = historico;
    FEscritor.Linha(celulas);
  }

  void Fechar() {
    if (!FAberta && FSaldo == Currency())
      return;
    Abrir();
    std::vector<TCelula> celulas = Base();
    celulas[cData] = FAte;
    celulas[cDebito] = FMovimento.Debito;
    celulas[cCredito] = FMovimento.Credito;
    Saldo(celulas);
    celulas[cHistorico] = std::string("Total da conta");
    FEscritor.Linha(celulas, true);
  }

 private:
  std::vector<TCelula> Base() const {
    std::vector<TCelula> celulas(cQuantidade);
    celulas[cConta] = FConta.ContaCtb;
    celulas[cClassif] = FConta.Classif;
    if (FEstab != 0)
      celulas[cEstab] = int64_t{FEstab};
    return celulas;
  }

  void Saldo(std::vector<TCelula>& celulas) const {
    celulas[cSaldo] = FSaldo < Currency() ? -FSaldo : FSaldo;
    celulas[cDC] = RelatorioContabil::NaturezaDoSaldo(FSaldo);
  }

  void Abrir() {
    if (FAberta)
      return;
    FAberta = true;
    std::string titulo =
        fmt::format("Conta {}  {}  {}", FConta.ContaCtb, FConta.Classif, FConta.Descr);
    if (FEstab != 0)
      titulo += fmt::format("  Filial {}", FEstab);
    FEscritor.Titulo(titulo + fmt::format("  Período: {} a {}", FormatDateTime("dd/mm/yyyy", FDe),
                                          FormatDateTime("dd/mm/yyyy", FAte)));
    std::vector<TCelula> celulas = Base();
    celulas[cData] = FDe;
    Saldo(celulas);
    celulas[cHistorico] = std::string("Saldo anterior");
    FEscritor.Linha(celulas);
  }

  TEscritor& FEscritor;
  const TConta& FConta;
  int FEstab;
  Currency FSaldo;
  TDebitoCredito FMovimento;
  TDateTime FDe, FAte;
  std::vector<TCelula> FLinha;
  bool FAberta = false;
};

}  // namespace

std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, std::ostream& saida) {
  const RelatorioContabil::TOpcoesRelatorio& o = opcoes.Relatorio;
  const TDateTime de = LinhaComando::Data(o.De, "--from");
  const TDateTime ate = LinhaComando::Data(o.Ate, "--to");
  const RelatorioContabil::TPlano plano(conexao, o.Empresa);
  const std::vector<const TConta*> contas = Selecionar(plano, opcoes);
  const RelatorioContabil::TSaldos saldos =
      RelatorioContabil::SaldosAntesDe(conexao, o.Empresa, de, o.Livro);
  const RelatorioContabil::THistoricos historicos = RelatorioContabil::Historicos(conexao);
  std::vector<int> filiais = {o.Estab};
  if (opcoes.PorFilial && o.Estab == 0)
    filiais = RelatorioContabil::Estabelecimentos(conexao, o.Empresa);
  const auto meses = RelatorioContabil::Meses(de, ate);
  const RelatorioContabil::TLeituraCorrida leitura(conexao);
  const std::string semContra;

  return RelatorioContabil::Emitir(
      RelatorioContabil::Formato(o), Colunas(plano.LarguraDescricao()), o.Arquivo, "Razão", saida,
      [&](TEscritor& escritor) {
        for (const TConta* conta : contas) {
          for (int filial : filiais) {
            TSecao secao(escritor, *conta, filial,
                         RelatorioContabil::SaldoDaConta(saldos, conta->ContaCtb, filial), de, ate);
            RelatorioContabil::TLinhasEmOrdem dia(1, 3, [&](const ValueArray& linha) {
              const int64_t contra = linha[4].IsNull() ? 0 : linha[4].AsInteger();
              const bool debito = linha[3].AsInteger() == 1;
              const HistoricoPadrao::TLancamento lancamento = {debito ? conta->ContaCtb : contra,
                                                               debito ? contra : conta->ContaCtb,
                                                               linha[0].AsDateTime()};
              secao.Lancamento(linha, contra == 0 ? semContra : plano.Descricao(contra),
                               RelatorioContabil::TextoHistorico(historicos, plano, linha[5],
                                                                 linha[6], lancamento));
            });
            TDateTime data;
            for (const auto& [inicio, fim] : meses) {
              TParams params = {{"pEmpresa", Value(o.Empresa)},
                                {"pConta", Value(conta->ContaCtb)},
                                {"pInicio", Value(inicio)},
                                {"pFim", Value(fim)},
                                {"pEstab", Value(filial)}};
              RelatorioContabil::AdicionarLivro(params, o.Livro);
              conexao.Percorrer(kSqlLancamentos, params, [&](const ValueArray& linha) {
                if (linha[0].AsDateTime() != data)
                  dia.Fechar();
                data = linha[0].AsDateTime();
                dia.Acrescentar(linha);
              });
            }
            dia.Fechar();
            secao.Fechar();
          }
        }
      });
}

void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando) {
  auto opcoes = std::make_shared<TOpcoes>();
  CLI::App* cmd = app.add_subcommand("ledger", "Razão: lançamentos e saldo de contas no período");
  RelatorioContabil::AdicionarOpcoes(*cmd, opcoes->Relatorio, true);
  cmd->add_option("--account", opcoes->Conta, "Conta (código ou apelido)");
  cmd->add_option("--accounts", opcoes->Contas, "Intervalo de contas (CONTA-CONTA)");
  cmd->add_option("--classif", opcoes->Classif, "Classificação (as contas abaixo dela)");
  cmd->add_flag("--by-branch", opcoes->PorFilial, "Uma seção por estabelecimento");
  cmd->callback([&comando, opcoes] {
    comando = [opcoes](TSessaoHost& sessao) {
      RelatorioContabil::VerificarAcesso(sessao, opcoes->Relatorio);
      if (!opcoes->Classif.empty())
        sessao.VerificarClassificacao(opcoes->Classif);
      return Executar(sessao.Conexao(), *opcoes, std::cout);
    };
  });
}

}  // namespace ComandoRazao
