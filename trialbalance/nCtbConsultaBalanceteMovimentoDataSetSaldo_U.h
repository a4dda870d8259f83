#pragma once
// The trial balance data set: fixed account columns, the opening and
// closing balance and the amount columns (one debit/credit/movement group,
// or one per month of the period when the movement is broken down), with
// their labels, visibility by query type, the "negatives in parentheses"
// format and the style that marks synthetic rows.
//
// The display settings live on the fields and on their field definitions
// (properties "DisplayLabel", "DisplayFormat"; the row style below), where a
// screen or an output writer reads them.

#include <memory>
#include <string>

#include "trialbalance/nCtbConsultaBalanceteMovimentoInterfaces_U.h"

class TField;

// The format of every amount of the trial balance.
inline constexpr const char* kFormatoValorBalancete = "#,##0.00;(#,##0.00);#,##0.00";

// The style of synthetic rows, kept as properties of TipoConta's definition.
inline constexpr const char* kPropEstiloValor = "EstiloValor";         // "S"
inline constexpr const char* kPropEstiloCorFundo = "EstiloCorFundo";   // $C0DCC0
inline constexpr const char* kPropEstiloCorFonte = "EstiloCorFonte";   // $20000000 (default)
inline constexpr const char* kPropEstiloNegrito = "EstiloNegrito";     // true
inline constexpr const char* kPropEstiloAltura = "EstiloAlturaFonte";  // -11
inline constexpr const char* kPropEstiloFonte = "EstiloFonte";         // "Tahoma"
inline constexpr const char* kPropEstiloAplicarLinha = "EstiloLinha";  // true
inline constexpr int64_t kCorFundoSintetica = 0xC0DCC0;
inline constexpr int64_t kCorFonteDefault = 0x20000000;

// Prefix followed by the date's month as "mmyyyy" ("DEBITO012024").
std::string GetFieldNamePeriodo(const std::string& prefixo, TDateTime data);

// Whether the row the field belongs to takes the synthetic row style: the
// value of the data set's TipoConta matches the style's value.
bool LinhaComEstilo(const TnClientDataSet& dataSet);

class TnCtbConsultaBalanceteMovimentoDataSetSaldo
    : public IDataSetSaldo,
      public std::enable_shared_from_this<TnCtbConsultaBalanceteMovimentoDataSetSaldo> {
 public:
  static std::shared_ptr<IDataSetSaldo> New();

  std::shared_ptr<IDataSetSaldo> Inicializar(const TnParametroConf& conf) override;
  std::unique_ptr<TnClientDataSet> CriarDataSet() override;
  void Configurar(TnClientDataSet& dataSet) override;
  void SetarDefinicaoFields(TnClientDataSet& dataSet) override;

 private:
  std::unique_ptr<TnClientDataSet> CriarDataSetSaldo();
  void ConfigurarVariableFields(TnClientDataSet& dataSet);
  void ConfigurarDisplayLabel(TnClientDataSet& dataSet);
  void ConfigurarVisible(TnClientDataSet& dataSet);
  void ConfigurarDisplayText(TnClientDataSet& dataSet);
  void ConfigurarStyles(TnClientDataSet& dataSet);
  // The amount columns: the single group, or each month's.
  std::vector<std::string> CamposValor(const std::string& prefixo) const;

  TnParametroConf FParam;
};
