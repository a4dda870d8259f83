// The functional-currency fields of an entry: the rate suggested from the
// accounts' rate type, and the three values (reais, currency, rate) kept
// consistent as the person leaves each field. Reais are always derived from
// currency x rate and the currency value from reais / rate, never the rate
// from the two values; a zero rate never divides.
#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/core/Nutil.h"
#include "framework/core/TaxaFixa.h"
#include "framework/ctb/TnUtilCotacao.h"
#include "framework/ctb/TnUtilCtb.h"

namespace {

constexpr const char* kMsgValorNaoFecha =
    "O valor em Real não esta fechando com o valor da moeda Estrangeira!";

constexpr TRoundMode kCentavos = TRoundMode::HalfAwayFromZero;

TTaxaFixa TaxaDe(const TField& cotacao) {
  return TTaxaFixa::FromValue(cotacao.AsValue());
}

}  // namespace

void TnCtbDMLctoCtbBase::PosicionarMoedaFuncional() {
  const Value data = Campo("DATALCTOCTB").AsValue();
  ControleOpcaoMoedaFuncional().Posicionar(Campo("CODIGOEMPRESA").AsInteger(),
                                           static_cast<int>(Campo("CODIGOESTAB").AsInteger()),
                                           data.IsNull() ? TDateTime() : DateOf(data.AsDateTime()));
}

TTipoCotacaoConta TnCtbDMLctoCtbBase::GetTipoCotacaoMoeda() {
  ControleCTB().SetCodigoEmpresa(PegarCodigoEmpresa());
  auto tipoDe = [](const TField& conta) {
    ControleCTB().SetConta(conta.AsInteger());
    if (!ControleCTB().GetContaValida())
      return TTipoCotacaoConta::tcNeutra;
    return ControleCTB().DadosConta().TipoCotacao;
  };
  const TField& deb = Campo("CONTACTBDEB");
  const TField& cred = Campo("CONTACTBCRED");
  if (!deb.IsNull() && !cred.IsNull()) {
    const TTipoCotacaoConta tipoCred = tipoDe(cred);
    const TTipoCotacaoConta tipoDeb = tipoDe(deb);
    return tipoCred == tipoDeb ? tipoCred : TTipoCotacaoConta::tcNeutra;
  }
  if (!cred.IsNull())
    return tipoDe(cred);
  if (!deb.IsNull())
    return tipoDe(deb);
  return TTipoCotacaoConta::tcNeutra;
}

void TnCtbDMLctoCtbBase::SugerirCotacaoMoeda() {
  TnControleFieldsManutencaoTela::Controlar(*this, [this] {
    TField& cotacao = Campo("COTACAOMOEDA");
    if (!cotacao.IsNull())
      return;
    const TTipoCotacaoConta tipo = GetTipoCotacaoMoeda();
    if (tipo == TTipoCotacaoConta::tcNeutra)
      return;
    PosicionarMoedaFuncional();
    const TTaxaFixa taxa = ControleOpcaoMoedaFuncional().GetCotacao().GetUltimaCotacaoValida(tipo);
    if (taxa != TTaxaFixa()) {
      Atribuir(cotacao, Value(taxa.ToDouble()));
      SelecionarConteudo(cotacao);
    }
  });
}

void TnCtbDMLctoCtbBase::nClientDataSetCOTACAOMOEDADefIntEnter(TField& /*sender*/) {
  if (DataSetEditando())
    SugerirCotacaoMoeda();
}

void TnCtbDMLctoCtbBase::nClientDataSetCOTACAOMOEDADefIntExit(TField& /*sender*/) {
  if (!DataSetEditando())
    return;
  const TTaxaFixa taxa = TaxaDe(Campo("COTACAOMOEDA"));
  if (taxa == TTaxaFixa())
    return;
  TField& moeda = Campo("VALORLCTOMOEDA");
  TField& reais = Campo("VALORLCTOCTB");
  if (!moeda.IsNull())
    Atribuir(reais, Value(TaxaFixa::MultiplicarEmCentavos(moeda.AsCurrency(), taxa, kCentavos)));
  else if (!reais.IsNull())
    Atribuir(moeda, Value(TaxaFixa::DividirEmCentavos(reais.AsCurrency(), taxa, kCentavos)));
}

void TnCtbDMLctoCtbBase::nClientDataSetVALORLCTOMOEDADefIntExit(TField& /*sender*/) {
  if (!DataSetEditando())
    return;
  const TField& moeda = Campo("VALORLCTOMOEDA");
  const TField& cotacao = Campo("COTACAOMOEDA");
  if (moeda.IsNull() && cotacao.IsNull())
    return;
  Atribuir(Campo("VALORLCTOCTB"),
           Value(TaxaFixa::MultiplicarEmCentavos(moeda.AsCurrency(), TaxaDe(cotacao), kCentavos)));
}

void TnCtbDMLctoCtbBase::nClientDataSetVALORLCTOCTBDefIntExit(TField& /*sender*/) {
  if (!DataSetEditando())
    return;
  PosicionarMoedaFuncional();
  if (!ControleOpcaoMoedaFuncional().GetUtilizaMoedaFunc())
    return;
  TField& moeda = Campo("VALORLCTOMOEDA");
  const TTaxaFixa taxa = TaxaDe(Campo("COTACAOMOEDA"));
  const Currency reais = Nutil::RoundValor(Campo("VALORLCTOCTB").AsCurrency(), 2);
  if (moeda.IsNull() && taxa != TTaxaFixa()) {
    Atribuir(moeda, Value(TaxaFixa::DividirEmCentavos(reais, taxa, kCentavos)));
  } else if (!moeda.IsNull() &&
             TaxaFixa::MultiplicarEmCentavos(moeda.AsCurrency(), taxa, kCentavos) != reais) {
    Ndialogs::nMessageDlg(kMsgValorNaoFecha, TMsgDlgType::mtInformation, BotoesOk());
  }
}

void TnCtbDMLctoCtbBase::AjustarLabelValorMoedaFuncional() {
  PosicionarMoedaFuncional();
  if (Nutil::EhCloud() || !ControleOpcaoMoedaFuncional().GetUtilizaMoedaFunc())
    return;
  const std::string caption = "Valor " + ControleOpcaoMoedaFuncional().GetCifraOuSimbolo();
  TField& campo = Campo("VALORLCTOMOEDA");
  if (TnFraField* frame = EdFindFieldControl(campo))
    frame->Titulo = caption;
  else
    campo.SetDisplayLabel(caption);
}

void TnCtbDMLctoCtbBase::LimparCamposMoedaFuncional() {
  PosicionarMoedaFuncional();
  if (ControleOpcaoMoedaFuncional().GetUtilizaMoedaFunc())
    return;
  for (const char* nome : {"COTACAOMOEDA", "VALORLCTOMOEDA"}) {
    if (!Campo(nome).IsNull())
      Atribuir(Campo(nome), Value());
  }
}
