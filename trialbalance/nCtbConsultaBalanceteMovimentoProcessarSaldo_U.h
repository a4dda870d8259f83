#pragma once
// The trial balance of one company: runs the balance process once for the
// whole period and folds its rows into one trial balance data set (one row
// per account, establishment and cost centre). With the movement broken
// down by month the one run groups by month and each month's rows are
// folded in turn; where a month's figures would depend on where its run
// starts, the process runs once per month instead (see UmaExecucaoMensal).
//
// Folding keeps the opening balance of the first month, the closing balance
// of the last month that listed the row, and each month's debits, credits
// and movement in that month's columns. Rows are filtered on the way in:
// accounts without balance (unless asked for), customer and supplier
// groups (unless detailed), and the establishment rows the chosen relation
// of establishments leaves out.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "trialbalance/nCtbConsultaBalanceteMovimentoInterfaces_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoMapDataSet_U.h"

class TnCtbConsultaBalanceteMovimentoProcessarSaldo
    : public IGerarSaldoBalancete,
      public std::enable_shared_from_this<TnCtbConsultaBalanceteMovimentoProcessarSaldo> {
 public:
  static std::shared_ptr<IGerarSaldoBalancete> New();

  std::shared_ptr<IGerarSaldoBalancete> Inicializar(const TnParametroConf& conf) override;
  void AtualizaProgresso(TAtualizaProgresso callback) override;
  TnDicionarioDataSetSaldo Executar() override;

  // The customer and supplier classifications of the company's chart.
  static std::vector<std::string> RetornarContasClienteFornecedor(int64_t codigoEmpresa);
  static std::string GetSqlCentroCusto();

  // Whether a balance row enters the trial balance (the map is bound to the
  // balance data set, positioned on the row). `classifComValor` holds the
  // groups above an analytic row with values.
  bool Validar(const TMapCdsSaldoPlano& map, const std::vector<std::string>& clienteFornecedor,
               const std::set<std::string>& classifComValor) const;

  // Folds one balance run into the trial balance.
  void ProcessarSaldoBalancete(int64_t empresa, TMesAno periodo, TnClientDataSet& saldo,
                               TnClientDataSet& resultado);

 private:
  void ProcessarSaldo(TnDicionarioDataSetSaldo& resultado);
  // True when one run grouped by month gives each month the rows a run of
  // that month alone gives: no conversion to another currency (rates by day
  // from an implantation), no reduction by entry origin (bounded by a run's
  // dates) and no IFRS adoption inside the period (checked against a run's
  // dates). With cost centres the managerial process groups by month the
  // same way.
  bool UmaExecucaoMensal() const;
  void ProcessarMesesDeUmaExecucao(TnClientDataSet& resultado);
  void AtualizaProgresso(const std::string& texto) const;

  bool ValidarImprimirContaSemSaldo(const TMapCdsSaldoPlano& map,
                                    const std::set<std::string>& classifComValor) const;
  bool ValidarDetalharClienteFornecedor(const TMapCdsSaldoPlano& map,
                                        const std::vector<std::string>& clienteFornecedor) const;
  bool ValidarRelacionarFiliais(const TMapCdsSaldoPlano& map) const;

  std::string GerarFiltros(int64_t codigoEstab, int64_t contaCtb) const;

  // What the fold reads about a company (branch names, cost centres,
  // customer and supplier groups), read once for all its months.
  struct TDadosEmpresa;
  TDadosEmpresa& DadosEmpresa(int64_t empresa);

  TAtualizaProgresso FAtualizaProgresso;
  TnParametroConf FParam;
  std::shared_ptr<TDadosEmpresa> FDadosEmpresa;
};
