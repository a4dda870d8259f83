// The automatic apportionment of an entry side over the cost centres of its
// account's rates (cdsGerecialAuto), and the deletions that precede a
// regeneration.
//
// Three generations with three remainder rules, each kept as its callers
// rely on it:
// - InserirLctoGerAuto (the journal-entry screen): shares rounded half away
//   from zero, largest rate first; a share below one cent gets one cent
//   (only the first such share); when the rates total 100 % the difference
//   to the entry goes to the automatic row of the highest cost centre.
// - InserirLctoGer with six arguments: shares rounded half to even, in the
//   rates' order; the last of two or more rows takes the remainder only when
//   the rates reach 100 %.
// - InserirLctoGer with seven arguments: the same, the last row always
//   taking the remainder.
#include <vector>

#include "framework/app/Ndialogs.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "managerial/nCtbDMLctoGer_U.h"
#include "managerial/nCtbLctoGerUtil.h"

using nCtbLctoGerUtil::Gravar;

namespace {

constexpr const char* kInsertLctoGer =
    "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, NATURLCTOCTB, CODIGOCENTROCUSTO, "
    "CONTACTB, DATALCTOCTB, VALORLCTOGER, VALORLCTOGERMOEDA, ORIGEMDADO) values(:pCodigoEmpresa, "
    ":pChaveLctoCtb, :pNaturLctoCtb, :pCodigoCentroCusto, :pContaCtb, :pDataLctoCtb, "
    ":pValorLctoGer, :pValorLctoGerMoeda, :pOrigemDado)";

bool OrigemAutomaticaOuImportada(const TField& origem) {
  const Value& valor = origem.AsValue();
  return !valor.IsNull() && (valor.AsInteger() == TnCtbDMLctoGer::kOrigemAutomatico ||
                             valor.AsInteger() == TnCtbDMLctoGer::kOrigemImportado);
}

constexpr Currency kUmCentavo = Currency::FromRaw(Currency::kScale / 100);

TTaxaFixa Percentual(const TnClientDataSet& taxas) {
  return TTaxaFixa::FromValue(taxas.FieldByName("Percentual").AsValue());
}

}  // namespace

// ---- On the screen's rows ----

void TnCtbDMLctoGer::InserirLctoGerAuto() {
  TnClientDataSet& cds = nClientDataSet;
  TnClientDataSet& taxas = cdsGerecialAuto;
  const bool aplicarAoGravar = AplicarAoGravar();
  struct TRestaurar {
    TnCtbDMLctoGer& Modulo;
    bool AplicarAoGravar;
    ~TRestaurar() {
      Modulo.FPodeAlterarOrigem = true;
      Modulo.nClientDataSet.SetIndexFieldNames("");
      Modulo.nClientDataSet.EnableControls();
      Modulo.cdsGerecialAuto.SetFiltered(false);
      Modulo.cdsGerecialAuto.SetFilter("");
      Modulo.cdsGerecialAuto.SetIndexFieldNames("");
      Modulo.SetAplicarAoGravar(AplicarAoGravar);
    }
  } restaurar{*this, aplicarAoGravar};
  cds.DisableControls();
  // Led by the fields the side's filter fixes, the index keeps the side's
  // rows together: the filter, and the walks below, read them alone and not
  // the other sides held for the batch. Inside the side the order is the
  // cost centre's either way.
  cds.SetIndexFieldNames(FiltraLado() ? "CHAVELCTOCTB;NATURLCTOCTB;CONTACTB;CODIGOCENTROCUSTO"
                                      : "CODIGOCENTROCUSTO");
  AtualizarFiltroChaveLctoCtb();
  // The rows are applied together at the end, not one by one.
  SetAplicarAoGravar(false);
  taxas.SetFilter("ContaCtb = " + Nutil::ValorParaFiltro(Value(FLado.ContaCtb())));
  taxas.SetFiltered(true);
  taxas.SetIndexFieldNames("Percentual");
  FPodeAlterarOrigem = false;
  AtualizarFiltroChaveLctoCtb();

  TTaxaFixa somaPerc;
  bool umCentavo = false;
  for (taxas.Last(); !taxas.Bof(); taxas.Prior()) {
    const TTaxaFixa percentual = Percentual(taxas);
    somaPerc += percentual.Rounded(2, TRoundMode::HalfAwayFromZero);
    const TParteExata parte(FLado.Lcto.ValorLctoCtb, percentual);
    Currency valor;
    if (parte.AbaixoDeUmCentavo() && !umCentavo) {
      valor = kUmCentavo;
      umCentavo = true;
    } else {
      valor = parte.Centavos(TRoundMode::HalfAwayFromZero);
    }
    const Value centro(taxas.FieldByName("CodigoCentroCusto").AsInteger());
    // A row the side already has (typed or not) keeps its value.
    if (cds.Locate("CODIGOCENTROCUSTO", {centro}))
      continue;
    cds.Append();
    try {
      Campo("CODIGOCENTROCUSTO").SetValue(centro);
      Campo("VALORLCTOGER").SetAsCurrency(valor);
      Gravar(Campo("ORIGEMDADO"), Value(kOrigemAutomatico));
      PreencherValorMoeda();
      if (Campo("VALORLCTOGER").AsCurrency() > Currency())
        cds.Post();
      else
        cds.Cancel();
    } catch (...) {
      if (EditandoOuInserindo())
        cds.Cancel();
      throw;
    }
  }

  if (somaPerc.Rounded(2, TRoundMode::HalfAwayFromZero) == TTaxaFixa(100)) {
    Currency soma;
    for (cds.First(); !cds.Eof(); cds.Next()) {
      if (OrigemAutomaticaOuImportada(Campo("ORIGEMDADO")))
        soma += Nutil::RoundValor(Campo("VALORLCTOGER").AsCurrency(), 2);
    }
    const Currency diferenca =
        Nutil::RoundValor(Nutil::RoundValor(FLado.Lcto.ValorLctoCtb, 2) - soma, 2);
    if (diferenca != Currency()) {
      for (cds.Last(); !cds.Bof(); cds.Prior()) {
        if (!OrigemAutomaticaOuImportada(Campo("ORIGEMDADO")))
          continue;
        cds.Edit();
        Campo("VALORLCTOGER")
            .SetAsCurrency(Nutil::RoundValor(Campo("VALORLCTOGER").AsCurrency() + diferenca, 2));
        PreencherValorMoeda();
        if (Campo("VALORLCTOGER").AsCurrency() > Currency()) {
          cds.Post();
        } else {
          cds.Cancel();
          cds.Delete();
        }
        break;
      }
    }
  }
  AplicarSeAutomatico();
}

void TnCtbDMLctoGer::InserirLctoGer(int64_t codigoEmpresa, int64_t chaveLctoCtb,
                                    int64_t codigoCentroCusto, int natureza, int64_t contaCtb,
                                    TDateTime dataLcto, Currency valorLcto, int origemDado) {
  TnClientDataSet& cds = nClientDataSet;
  SetImportacao(true);
  cds.Append();
  Campo("CODIGOEMPRESA").SetValue(Value(codigoEmpresa));
  Campo("CHAVELCTOCTB").SetValue(Value(chaveLctoCtb));
  Campo("CODIGOCENTROCUSTO").SetValue(Value(codigoCentroCusto));
  Campo("NATURLCTOCTB").SetValue(Value(natureza));
  Campo("CONTACTB").SetValue(Value(contaCtb));
  Campo("DATALCTOCTB").SetValue(Value(DateOf(dataLcto)));
  Campo("VALORLCTOGER").SetAsCurrency(Nutil::RoundValor(valorLcto, 2));
  // Multiplied by the rate, not divided: the value given is the currency's.
  Campo("VALORLCTOGERMOEDA")
      .SetAsCurrency(TaxaFixa::MultiplicarEmCentavos(valorLcto, FLado.Lcto.CotacaoMoeda,
                                                     TRoundMode::HalfAwayFromZero));
  Gravar(Campo("ORIGEMDADO"), Value(origemDado));
  SetImportacao(false);
  cds.Post();
}

void TnCtbDMLctoGer::ExcluirLctoGerDebCred() {
  ExcluirLinhas([this] {
    return DaLinhaDoLancamento() && Campo("CONTACTB").AsInteger() == FLado.ContaCtb();
  });
}

void TnCtbDMLctoGer::ExcluirLctoGerAuto() {
  ExcluirLinhas([this] {
    const Value& origem = Campo("ORIGEMDADO").AsValue();
    return DaLinhaDoLancamento() && Campo("CONTACTB").AsInteger() == FLado.ContaCtb() &&
           Campo("NATURLCTOCTB").AsInteger() == FLado.Natureza && !origem.IsNull() &&
           origem.AsInteger() == kOrigemAutomatico;
  });
}

// ---- Straight into the table ----

namespace {

// The share of one rate row: the last of two or more rows takes what the
// others left when `ultimaLevaResto` says so.
struct TRateioDireto {
  TTaxaFixa AccPerc;
  Currency AccValor;
  Currency Valor(TTaxaFixa percentual, Currency valorLcto, bool ultima,
                 bool ultimaLevaResto) const {
    if (ultima && ultimaLevaResto)
      return Nutil::RoundTo(valorLcto - AccValor, -2);
    return TParteExata(valorLcto, percentual).Centavos(TRoundMode::HalfEven);
  }
};

}  // namespace

void TnCtbDMLctoGer::InserirLctoGer(int64_t codigoEmpresa, int64_t chaveLctoCtb, int natureza,
                                    int64_t contaCtb, TDateTime dataLcto, Currency valorLcto) {
  TnClientDataSet& taxas = cdsGerecialAuto;
  if (taxas.IsEmpty())
    return;
  TnDMConexao& conexao = Conexao();
  conexao.StartTransaction();
  try {
    TRateioDireto rateio;
    const int total = taxas.RecordCount();
    for (taxas.First(); !taxas.Eof(); taxas.Next()) {
      const TTaxaFixa percentual = Percentual(taxas);
      const bool ultima = taxas.RecNo() == total && total >= 2;
      const Currency valor = rateio.Valor(
          percentual, valorLcto, ultima,
          (percentual + rateio.AccPerc).Rounded(2, TRoundMode::HalfEven) >= TTaxaFixa(100));
      const int64_t centro = taxas.FieldByName("CodigoCentroCusto").AsInteger();
      rateio.AccPerc += percentual;
      rateio.AccValor += valor;
      if (Importacao()) {
        // Without a screen the rows join the module's own, applied by the
        // caller with the entry.
        if (!nClientDataSet.Active())
          nClientDataSet.Open();
        InserirOuAtualizarLinha(codigoEmpresa, chaveLctoCtb, natureza, centro, contaCtb, dataLcto,
                                valor);
        continue;
      }
      try {
        InserirLinhaDireta(codigoEmpresa, chaveLctoCtb, natureza, centro, contaCtb, dataLcto,
                           valor);
      } catch (const std::exception& erro) {
        Ndialogs::nShowException(
            Exception(std::string("Problema na geração do gerencial\r\n") + erro.what()));
      }
    }
    conexao.Commit();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
}

void TnCtbDMLctoGer::InserirLctoGer(Currency valorLcto, int64_t codigoEmpresa, int64_t chaveLctoCtb,
                                    int natureza, int64_t contaCtb, TDateTime dataLcto,
                                    const std::string& /*codigoCentroCusto*/) {
  TnClientDataSet& taxas = cdsGerecialAuto;
  TRateioDireto rateio;
  const int total = taxas.RecordCount();
  for (taxas.First(); !taxas.Eof(); taxas.Next()) {
    const TTaxaFixa percentual = Percentual(taxas);
    const Currency valor =
        rateio.Valor(percentual, valorLcto, taxas.RecNo() == total && total >= 2, true);
    rateio.AccPerc += percentual;
    rateio.AccValor += valor;
    InserirLinhaDireta(codigoEmpresa, chaveLctoCtb, natureza,
                       taxas.FieldByName("CodigoCentroCusto").AsInteger(), contaCtb, dataLcto,
                       valor);
  }
}

void TnCtbDMLctoGer::InserirLinhaDireta(int64_t codigoEmpresa, int64_t chaveLctoCtb, int natureza,
                                        int64_t centro, int64_t contaCtb, TDateTime dataLcto,
                                        Currency valor) {
  const TTaxaFixa cotacao = FLado.Lcto.CotacaoMoeda;
  Value valorMoeda;
  if (cotacao > TTaxaFixa() && EhOptanteMoedaFuncional())
    valorMoeda = Value(TaxaFixa::DividirEmCentavos(valor, cotacao, TRoundMode::HalfAwayFromZero));
  Nutildb::ExecutarSQLDireto(Conexao(), kInsertLctoGer,
                             {{"pCodigoEmpresa", Value(codigoEmpresa)},
                              {"pChaveLctoCtb", Value(chaveLctoCtb)},
                              {"pNaturLctoCtb", Value(natureza)},
                              {"pCodigoCentroCusto", Value(static_cast<int64_t>(centro))},
                              {"pContaCtb", Value(contaCtb)},
                              {"pDataLctoCtb", Value(DateOf(dataLcto))},
                              {"pValorLctoGer", Value(valor)},
                              {"pValorLctoGerMoeda", valorMoeda},
                              {"pOrigemDado", Value(kOrigemAutomatico)}});
}

void TnCtbDMLctoGer::InserirOuAtualizarLinha(int64_t codigoEmpresa, int64_t chaveLctoCtb,
                                             int natureza, int64_t centro, int64_t contaCtb,
                                             TDateTime dataLcto, Currency valor) {
  TnClientDataSet& cds = nClientDataSet;
  const Value centroValor(centro);
  if (cds.Locate("CODIGOEMPRESA;CHAVELCTOCTB;NATURLCTOCTB;CODIGOCENTROCUSTO",
                 {Value(codigoEmpresa), Value(chaveLctoCtb), Value(natureza), centroValor}))
    cds.Edit();
  else
    cds.Append();
  Campo("CODIGOEMPRESA").SetValue(Value(codigoEmpresa));
  Campo("CHAVELCTOCTB").SetValue(Value(chaveLctoCtb));
  Campo("NATURLCTOCTB").SetValue(Value(natureza));
  Campo("CODIGOCENTROCUSTO").SetValue(centroValor);
  Campo("CONTACTB").SetValue(Value(contaCtb));
  Campo("DATALCTOCTB").SetValue(Value(DateOf(dataLcto)));
  Campo("VALORLCTOGER").SetAsCurrency(valor);
  Campo("VALORLCTOGERMOEDA").Clear();
  PreencherValorMoeda();
  Gravar(Campo("ORIGEMDADO"), Value(kOrigemAutomatico));
  cds.Post();
}

// ---- By statement ----

void TnCtbDMLctoGer::ExcluirLctoGer(int64_t codigoEmpresa, int64_t chaveLctoCtb, int origem) {
  if (Importacao())
    return;
  std::string sql =
      "delete from LctoGer where CodigoEmpresa = :pCodigoEmpresa and ChaveLctoCtb = "
      ":pChaveLctoCtb ";
  TParams params = {{"pCodigoEmpresa", Value(codigoEmpresa)},
                    {"pChaveLctoCtb", Value(chaveLctoCtb)}};
  if (origem != 0) {
    sql += " and OrigemDado = :pOrigemDado";
    params.emplace_back("pOrigemDado", Value(origem));
  }
  Nutildb::ExecutarSQLDireto(Conexao(), sql, params);
}

void TnCtbDMLctoGer::ExcluirLctoGer(const std::string& codigoEmpresa, TDateTime dataInicial,
                                    TDateTime dataFinal, const std::string& codigoCentroCusto) {
  std::string sql =
      "delete from LctoGer where DATALCTOCTB between :pDataInicial and :pDataFinal and "
      "OrigemDado = 1 ";
  for (const auto& [coluna, lista] :
       {std::pair<const char*, const std::string&>{"CodigoEmpresa", codigoEmpresa},
        {"CodigoCentroCusto", codigoCentroCusto}}) {
    if (!Nutil::Trim(lista).empty())
      sql += Nutilinclusao::FilterInterval(coluna, lista, Nutilinclusao::TTipoInclusao::tiNumerica,
                                           true, 5) +
             "\r\n";
  }
  Nutildb::ExecutarSQLDireto(
      Conexao(), sql,
      {{"pDataInicial", Value(DateOf(dataInicial))}, {"pDataFinal", Value(DateOf(dataFinal))}});
}

// ---- Screen actions ----

void TnCtbDMLctoGer::actRefazLctoGerAutoExecute() {
  if (Ndialogs::nMessageDlg("Deseja refazer os lançamentos automáticos?",
                            TMsgDlgType::mtConfirmation, BotoesSimNao()) != kBtnSim)
    return;
  ExcluirLctoGerAuto();
  InserirLctoGerAuto();
  CalcularTotais();
}

void TnCtbDMLctoGer::actConsultaPercAutoExecute() {
  TnClientDataSet& taxas = cdsGerecialAuto;
  std::vector<std::string> linhas;
  TTaxaFixa total;
  for (taxas.First(); !taxas.Eof(); taxas.Next()) {
    if (taxas.FieldByName("ContaCtb").AsInteger() != FLado.ContaCtb())
      continue;
    const TTaxaFixa percentual = Percentual(taxas);
    total += percentual;
    linhas.push_back(
        "Centro Custo: " + std::to_string(taxas.FieldByName("CodigoCentroCusto").AsInteger()) +
        " - " + taxas.FieldByName("DescrCentroCusto").AsString() + " (" +
        FormatFloat("##0.00 %", percentual.ToDouble()) + ")");
  }
  if (linhas.empty()) {
    Ndialogs::nShowMessage("Não existem rateios automáticos para esta conta contábil!");
    return;
  }
  linhas.push_back("Rateio Total: " + FormatFloat("##0.00 %", total.ToDouble()));
  Ndialogs::nInputQueryListBox("Percentuais Conta Contábil: " + std::to_string(FLado.ContaCtb()),
                               linhas);
}
