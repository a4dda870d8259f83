#pragma once
// The common part of the balance repositories: the objects that build and run
// the SQL returning account movement (debit and credit sums) and previous
// balances of a company, period and filter set, and the chart-of-accounts
// cursor the balance process walks.
//
// A repository keeps no state between calls: every operation receives the
// whole parameter record. The five statement builders belong to the
// descendants (local currency, another currency, functional currency); this
// class owns the filters they share, the choice between the book path (the
// balance tables) and the history path (tables that carry the history code,
// or the entries themselves), the removal of the entries an active entry
// filter selects, and the chart cursor.
//
// Every cursor returned belongs to the caller (free it with
// Nutildb::DestruirSQL or let the unique_ptr go). Statements run on the
// calling thread's current connection (TnDMConexao::Atual). Nothing is
// written to the database.

#include <memory>
#include <string>

#include "framework/core/TDateTime.h"
#include "framework/data/ClientDataSet.h"
#include "framework/data/FieldMapper.h"

// Balance book: the corporate books count the normal and corporate entries,
// the fiscal books the normal and tax entries.
enum class TnTipoSaldoCtb { tscSocietario = 0, tscFiscal = 1 };

// How the balance process groups the dates of its result.
enum class TTipoAgrupamento { taNenhum = 0, taDiario = 1, taMensal = 2 };

// Parameters of one balance query.
struct TnParansSaldoCtb {
  TnTipoSaldoCtb TipoSaldoCtb = TnTipoSaldoCtb::tscSocietario;
  int64_t CodigoEmpresa = 0;
  // Establishment inclusion expression; empty = every establishment.
  std::string CodigoEstab;
  TDateTime DataInicial;
  TDateTime DataFinal;
  // 0 = local currency.
  int CodigoMoeda = 0;
  // Account inclusion expression of the user's chart selection.
  std::string ContaCtb;
  // Account inclusion expression applied to the movement and balance queries.
  std::string ContaCtbInclusion;
  // Classification inclusion expression of the chart selection.
  std::string ClassifConta;
  // History inclusion expression; empty or "-1" = no history filter.
  std::string CodigoHistCtb;
  // Keep amounts per establishment.
  bool RelacionarFilial = false;
  TTipoAgrupamento TipoAgrupamento = TTipoAgrupamento::taNenhum;
  bool ConsiderarFiltroLctoCtb = false;
  // Origin inclusion expression of the entry filter; empty = the user's
  // active entry filter.
  std::string FiltroLctoAtivo;
  // Balance implantation date; 0 = none.
  TDateTime DataImplSaldoCtb;
  bool ConsiderarEntraBalanco = false;
  bool TotalizarSintetica = false;
  bool PossuiContaCalculada = false;
  // Language of the account descriptions; 0 = the chart's own description.
  int CodigoIdioma = 0;
  // Quoted classifications for an "in (...)" join with PLANOESPEC; empty =
  // none.
  std::string FiltroClassificacao;
};

// A movement or balance cursor. CODIGOESTAB and DATASALDO are absent from
// some of them (no establishments kept, previous balances).
struct TnMapMovSaldoCtb {
  TField* CONTACTB = nullptr;
  TField* CODIGOESTAB = nullptr;
  TField* DATASALDO = nullptr;
  TField* VALORDEB = nullptr;
  TField* VALORCRED = nullptr;
  Nfieldmapper_u::TFieldBindings Bindings() {
    return {{"CONTACTB", &CONTACTB},
            {"CODIGOESTAB", &CODIGOESTAB, true},
            {"DATASALDO", &DATASALDO, true},
            {"VALORDEB", &VALORDEB},
            {"VALORCRED", &VALORCRED}};
  }
};

// A chart cursor.
struct TnMapPlanoEspec {
  TField* CONTACTB = nullptr;
  TField* TIPOCONTA = nullptr;
  TField* CLASSIFCONTA = nullptr;
  TField* DESCRCONTA = nullptr;
  TField* TIPOCONTACALC = nullptr;
  TField* APELIDOCONTA = nullptr;
  Nfieldmapper_u::TFieldBindings Bindings() {
    return {{"CONTACTB", &CONTACTB},           {"TIPOCONTA", &TIPOCONTA},
            {"CLASSIFCONTA", &CLASSIFCONTA},   {"DESCRCONTA", &DESCRCONTA},
            {"TIPOCONTACALC", &TIPOCONTACALC}, {"APELIDOCONTA", &APELIDOCONTA}};
  }
};

class TnCtbRepositorioSaldoCtbBase {
 public:
  TnCtbRepositorioSaldoCtbBase() = default;
  virtual ~TnCtbRepositorioSaldoCtbBase() = default;
  TnCtbRepositorioSaldoCtbBase(const TnCtbRepositorioSaldoCtbBase&) = delete;
  TnCtbRepositorioSaldoCtbBase& operator=(const TnCtbRepositorioSaldoCtbBase&) = delete;

  // Statement builders. The "Ori" forms read tables that carry the history
  // code or the entries; incluirOrigem adds the entry filter's window and
  // origins (the statement then selects what a reduction takes out).
  virtual std::string GetSqlSaldoCtbAnteriorOri(const TnParansSaldoCtb& parans,
                                                bool incluirOrigem) const = 0;
  virtual std::string GetSqlSaldoCtbAnterior(const TnParansSaldoCtb& parans) const = 0;
  virtual std::string GetSqlLctoCtbAtualOri(const TnParansSaldoCtb& parans,
                                            bool incluirOrigem) const = 0;
  virtual std::string GetSqlSaldoCtbAtual(const TnParansSaldoCtb& parans) const = 0;
  virtual std::string GetSqlReduzirOrigemSaldoAnterior(const TnParansSaldoCtb& parans) const = 0;

  // Takes the entries selected by the active entry filter out of a previous
  // balance / period movement cursor: matching rows lose the amounts, and a
  // row the cursor lacks is appended with negative amounts.
  virtual void ReduzirLctoCtbAnteriorOri(TnClientDataSet& cursor, const TnParansSaldoCtb& parans);
  virtual void ReduzirLctoCtbAtualOri(TnClientDataSet& cursor, const TnParansSaldoCtb& parans);

  // Everything before DataInicial: CONTACTB, [CODIGOESTAB], [DATASALDO],
  // VALORDEB, VALORCRED. Null for a book other than 0 or 1 without a history
  // filter.
  virtual std::unique_ptr<TnClientDataSet> CriarMovSaldoCtbAnterior(const TnParansSaldoCtb& parans);
  // The period DataInicial..DataFinal per account, [establishment] and day:
  // CONTACTB, [CODIGOESTAB], DATASALDO, VALORDEB, VALORCRED. Null as above.
  virtual std::unique_ptr<TnClientDataSet> CriarMovSaldoCtbAtual(const TnParansSaldoCtb& parans);

  // The chart the balance process walks: CONTACTB, TIPOCONTA, CLASSIFCONTA,
  // DESCRCONTA, TIPOCONTACALC, TIPOCOTACAO, APELIDOCONTA, indexed on
  // CONTACTB. A selected synthetic account brings the accounts beneath it.
  std::unique_ptr<TnClientDataSet> CriarPlanoEspec(const TnParansSaldoCtb& parans);
  std::string GetSqlPlanoEspec(const TnParansSaldoCtb& parans) const;
  // Parameters pClassifConta (a like pattern) and pTipoConta (the account
  // type left out).
  std::string GetSqlPlanoEspecSub(const TnParansSaldoCtb& parans) const;

  // Condition fragments, empty when the filter is not set.
  std::string GetFiltroTipoLancamento(const TnParansSaldoCtb& parans) const;
  std::string GetFiltroEstabInclusion(const TnParansSaldoCtb& parans) const;
  std::string GetFiltroContaCtbInclusion(const TnParansSaldoCtb& parans,
                                         const std::string& campo) const;
  std::string GetFiltroDataImplSaldoCtb(const TnParansSaldoCtb& parans,
                                        const std::string& campo) const;
  std::string GetFiltroHistoricoInclusion(const TnParansSaldoCtb& parans) const;
  // The entry filter's window on DATALCTOCTB and its origins.
  std::string GetFiltroOrigemLctoCtb(const TnParansSaldoCtb& parans) const;
  // Whether the entry filter applies to this query at all.
  bool DeveReduzirPorOrigem(const TnParansSaldoCtb& parans) const;
  static bool CompetenciaEhDiaPrimeiro(TDateTime data);
  static bool TemFiltroHistorico(const TnParansSaldoCtb& parans);

 protected:
  // The entry filter of the query: FiltroLctoAtivo with the period as its
  // window, else the user's active filter of the company. False when there
  // is none.
  bool CarregarFiltroOrigem(const TnParansSaldoCtb& parans, TDateTime& dataIni, TDateTime& dataFim,
                            std::string& origens) const;

  // Runs `sql` and subtracts its rows from `cursor`, matching rows on
  // `campos` ("CONTACTB;CODIGOESTAB"). An empty statement takes nothing out.
  static void Reduzir(TnClientDataSet& cursor, const std::string& sql, const std::string& campos);

  // Literals of the statements.
  static std::string LiteralInteiro(int64_t valor);
  static std::string LiteralData(TDateTime data);
  // "select CONTACTB, [CODIGOESTAB, ]" and ", CODIGOESTAB" when establishments
  // are kept.
  static std::string SelectConta(const TnParansSaldoCtb& parans);
  static std::string GrupoEstab(const TnParansSaldoCtb& parans);
  // "cast(SUM(VALORDEB) ...) VALORDEB, cast(SUM(VALORCRED) ...) VALORCRED ".
  static std::string SomaDebCred();
  // The rows of `tabela` (filtered by `where`) counted on their debit account
  // and on their credit account: one sum of `valor` per side, united.
  // `colunas` come between the account and the amounts ("CODIGOESTAB, ");
  // `grupo` follows each side's "group by" account.
  std::string UniaoDebitoCredito(const TnParansSaldoCtb& parans, const std::string& colunas,
                                 const std::string& valor, const std::string& tabela,
                                 const std::string& where, const std::string& grupo) const;
  // The previous balance of a month table before the start month and, when
  // the start is not the first of a month, `parcial` (the days of the start
  // month) summed with it.
  static std::string MontarSaldoAnterior(const TnParansSaldoCtb& parans, const std::string& mensal,
                                         const std::string& parcial);

  // Live only inside CriarPlanoEspec.
  std::unique_ptr<TnMapPlanoEspec> AMapPlanoEspec;
  std::unique_ptr<TnMapPlanoEspec> AMapPlanoEspecSub;
};
