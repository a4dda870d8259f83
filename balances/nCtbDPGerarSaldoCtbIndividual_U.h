#pragma once
// The balance generation process: from a company, a period and filters it
// fills nClientDataSet with one row per account, establishment and date
// bucket holding previous balance, debits, credits, movement and current
// balance. Synthetic accounts are rolled up from their analytic accounts and
// calculated accounts derived from their components. Balances may be
// expressed in another currency (converted day by day from the last
// implantation) or read in the functional currency.
//
// The process only reads (through a balance repository); it writes nothing.
// Its parameters stay between runs until LimparParamsINI; the result belongs
// to the process. Executar runs on the module's connection: the repositories
// work on the thread's current connection, so the run makes it current for
// its duration.
//
// Cancelling: at three checkpoints the process asks the report it runs for
// (SetReport) and looks at its progress frame; once cancelling was asked the
// run stops there, keeping the result as far as it was computed.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "balances/nCtbRepositorioSaldoCtbBase_U.h"
#include "framework/app/TnDMPowerParam.h"
#include "framework/core/Currency.h"
#include "framework/core/TaxaFixa.h"

class TnForm;

// A running report that shows the process's progress; a true answer asks
// the process to stop.
class IReportProgresso {
 public:
  virtual ~IReportProgresso() = default;
  virtual bool CSLShowProgress(int atual, int total) = 0;
};

// The grid's link to the result data set.
struct TnDataSource {
  TnClientDataSet* DataSet = nullptr;
};

// One synthetic account's accumulation for an establishment and date.
struct TnTotalizaoSintetica {
  double ContaCtb = 0;
  std::string Classif;
  TDateTime Data;
  int SemSaldoMov = 1;
  int CodigoEstab = 0;
  Currency SaldoAnterior;
  Currency Debito;
  Currency Credito;
  Currency Movimento;
  Currency SaldoAtual;
};

// Everything a run depends on, typed. The parameter table is the screens' and
// the generic host's view of it: Executar() reads the table into it once,
// and the run reads only this.
struct TnParamsGerarSaldoCtb {
  TnParansSaldoCtb Saldo;
  bool ListarMovimentoZero = true;
  TTaxaFixa PercentualCota;
  bool IgnorarSaldoAnterior = false;
  bool ValidarPeriodoIFRS = true;
  bool ListarSinteticasSemAnaliticas = true;
  bool GerarMoedaFuncionalEmReais = false;
  bool FiltrarContaCtb = true;
};

class TnCtbDPGerarSaldoCtbIndividual : public TnDMPowerParam {
 public:
  static constexpr const char* kClassName = "TnCtbDPGerarSaldoCtbIndividual";
  static constexpr const char* kCaption = "Gerar Saldos Contábeis - Individual";
  // Checkpoints of a run, as the report counts them.
  static constexpr int kTotalCheckpoints = 8;

  TnCtbDPGerarSaldoCtbIndividual();
  ~TnCtbDPGerarSaldoCtbIndividual() override;

  // Reads the parameter table and runs.
  void Executar() override;
  // Runs on parameters the caller gives (the table is left as it is).
  virtual void Executar(const TnParamsGerarSaldoCtb& params);
  // The parameters as the table holds them.
  TnParamsGerarSaldoCtb LerParametros();
  // Runs on a worker; the result arrives through OnProcessarResultadoParalelo.
  void ExecutarParalelo();
  void OnProcessarResultadoParalelo(const TnResultadoParalelo& resultado) override;
  bool GetFinalizouParalelo() const { return FFinalizouParalelo; }
  const std::string& GetErroExecucaoParalela() const { return FErroExecucaoParalela; }

  // Some row of the result has debits or credits; the cursor stays put.
  bool GetExisteMovimento();
  void LimparParamsINI() override;

  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);
  void DepoisConfigurar(TnForm* form);

  // The report the run shows its progress on and may be cancelled from; not
  // owned, nullptr for none. Kept for the next runs.
  void SetReport(IReportProgresso* report) { FReport = report; }
  // The amounts whose being all zero makes a row one without movement when
  // such rows are not listed; empty: previous balance, debit and credit.
  void SetCamposAvaliaMovimentoZero(std::vector<std::string> campos) {
    FCamposAvalMovZero = std::move(campos);
  }

  // The repository of the last run decides these.
  bool CalculandoSaldoMoedaFuncional() const;
  bool CalculandoSaldoOutraMoeda() const;
  const TnParansSaldoCtb& ParansSaldoCtb() const { return FParams.Saldo; }
  // The checkpoints reached in the last run.
  int GetItemAtual() const { return FItemAtual; }

  TnDataSource nDatasource;

  // The result's fields, for a data set that takes its rows.
  static void CriarCamposResultado(TnClientDataSet& dataSet);

  // Date bucket of a day: the day (daily), the first of its month (monthly)
  // or 0 (no grouping).
  TDateTime FormatarDataSaldoTipoAgrupamento(TDateTime data) const;
  // The date a bucket shows: ungrouped rows carry DataFinal.
  TDateTime AvaliarDataSaldo(TDateTime data) const;

 private:
  struct TLinhaPlano {
    int64_t Conta = 0;
    int TipoConta = 0;
    std::string Classif;
    std::string Descr;
    int TipoContaCalc = 0;
    int TipoCotacao = 0;
    std::string Apelido;
  };

  void CriarParametros();

  // The steps of a run.
  void InicializarVariaveis();
  void LimparCDS();
  bool ParametrosObrigatoriosInconsistentes() const;
  void ValidarPeriodoIFRS();
  void CarregarRepositorioSaldo();
  void PrepararCamposMovZero();
  // True when the run must stop here.
  bool AtualizarProcessoVisual();
  void PrepararCursorPlanoEspec();
  void PrepararCursorSaldoAnterior();
  void PrepararCursorMovimento();
  void PreparaListaEstab();
  void ImplantarSaldoZeroContasCtb();
  void TotalizarMovimentoContaCtb();
  void TotalizarSaldoAnteriorContaCtb();
  void TransferirMovimentoParaClientDataSet();
  void TotalizarContasSinteticas();
  void TotalizarContasCalculadas();
  void TotalizarContasCalculadasPorFilial();
  void TotalizarContasCalculadasFilialZero();
  void RemoverContasSinteticasSemAnaliticas();
  void DestruirObjetos();

  // Currencies.
  bool TemFilialComOpcaoMoedaFuncionalNoPeriodo() const;
  Currency ConverterValorEmMoeda(Currency valor, TDateTime data);
  std::unique_ptr<TnClientDataSet> CriarSaldoAnteriorMoeda(int codigoMoeda);
  void ConverterSaldoMoedaFuncionalParaReais();
  // The implanted value on the side its nature and the account's take.
  void SomarImplantacao(int64_t conta, int natureza, Currency valor, Currency& debito,
                        Currency& credito);

  const TLinhaPlano* LinhaPlano(int64_t conta) const;
  int Natureza(const TLinhaPlano& linha) const;
  std::vector<TDateTime> Buckets() const;
  Currency Cota(Currency valor) const;
  int ContaTemMovimentoZero(const TnClientDataSet& dataSet) const;
  bool AvaliarMovimentoZero(const TnClientDataSet& dataSet) const;
  // The same for the five amounts of a row not yet in the result.
  int ContaTemMovimentoZero(const Currency* valores) const;
  bool AvaliarMovimentoZero(const Currency* valores) const;
  void Progresso(const std::string& texto, int64_t maximo = 0);

  // Set by the caller, kept between runs.
  IReportProgresso* FReport = nullptr;
  std::vector<std::string> FCamposAvalMovZero;
  // Parameters of the run.
  TnParamsGerarSaldoCtb FParams;
  std::vector<std::string> FCamposMovZeroPadrao;
  // The amounts (positions among the five) that tell a zero row.
  std::vector<size_t> FValoresMovZero;

  // Live from the repository's choice to the end of the run.
  std::unique_ptr<TnCtbRepositorioSaldoCtbBase> FRepositorioSaldoCtb;
  std::unique_ptr<TnClientDataSet> curPlanoEspec;
  std::unique_ptr<TnClientDataSet> curSaldoAnterior;
  std::unique_ptr<TnClientDataSet> curMovimento;
  std::unique_ptr<TnClientDataSet> curContaCalc;
  // The rows by account, establishment and bucket until they reach the
  // result (see TGradeSaldo in the source).
  struct TGradeSaldo;
  std::unique_ptr<TGradeSaldo> FGrade;
  // The chart by account, read once from curPlanoEspec.
  std::map<int64_t, TLinhaPlano> FPlano;
  // Establishments of the run, 0 (the company as a whole) first.
  std::vector<int> FListaEstab;

  int FItemAtual = 0;
  bool FCancelado = false;
  bool FFinalizouParalelo = true;
  std::string FErroExecucaoParalela;
};
