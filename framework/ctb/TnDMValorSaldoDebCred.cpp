#include "framework/ctb/TnDMValorSaldoDebCred.h"

#include "framework/db/TnDMConexao.h"

namespace {

constexpr const char* kFormatoValor = "#,##0.00";

void CriarCamposValores(TnClientDataSet& cds) {
  cds.AddField("VALORDEBITO", TFieldType::ftBCD);
  cds.AddField("VALORCREDITO", TFieldType::ftBCD);
  cds.AddField("DIFERENCA", TFieldType::ftBCD);
}

void RotularValores(TnClientDataSet& cds) {
  const char* const rotulos[][2] = {
      {"VALORDEBITO", "Débito"}, {"VALORCREDITO", "Crédito"}, {"DIFERENCA", "Diferença"}};
  for (const auto& [campo, rotulo] : rotulos) {
    TField& field = cds.FieldByName(campo);
    field.SetDisplayLabel(rotulo);
    field.SetDisplayFormat(kFormatoValor);
  }
}

}  // namespace

TnDMValorSaldoDebCred::TnDMValorSaldoDebCred() {
  FCdsDiferenca.AddField("CODIGOESTAB", TFieldType::ftSmallint);
  FCdsDiferenca.AddField("DATALCTOCTB", TFieldType::ftDate);
  CriarCamposValores(FCdsDiferenca);
  FCdsDiferenca.CreateDataSet();
  ConfigurarFields(FCdsDiferenca);

  FCdsDifTransacao.AddField("TRANSCTB", TFieldType::ftLargeint);
  CriarCamposValores(FCdsDifTransacao);
  FCdsDifTransacao.CreateDataSet();
  FCdsDifTransacao.FieldByName("TRANSCTB").SetDisplayLabel("Transação");
  RotularValores(FCdsDifTransacao);
}

void TnDMValorSaldoDebCred::SetSelecao(int64_t codigoEmpresa, TDateTime dataInicial,
                                       TDateTime dataFinal) {
  FCodigoEmpresa = codigoEmpresa;
  FDataInicial = dataInicial;
  FDataFinal = dataFinal;
}

std::unique_ptr<TnClientDataSet> TnDMValorSaldoDebCred::CriarCDSMovimentacao() const {
  auto cds = std::make_unique<TnClientDataSet>();
  cds->AddField("CODIGOESTAB", TFieldType::ftSmallint);
  cds->AddField("DATALCTOCTB", TFieldType::ftDate);
  CriarCamposValores(*cds);
  cds->CreateDataSet();
  return cds;
}

void TnDMValorSaldoDebCred::ConfigurarFields(TnClientDataSet& cds) {
  cds.FieldByName("CODIGOESTAB").SetDisplayLabel("Filial");
  cds.FieldByName("DATALCTOCTB").SetDisplayLabel("Data");
  RotularValores(cds);
  cds.SetIndexFieldNames("DATALCTOCTB;CODIGOESTAB");
}

void TnDMValorSaldoDebCred::CalcularDiferencas(TnClientDataSet* destino) {
  FTotais.clear();
  if (FCodigoEmpresa != 0) {
    // Each entry counted on its debit side and on its credit side.
    const std::string fiscal = FIgnorarFiscal ? " and TIPOLANCAMENTO <> 'LF'" : "";
    const TDbResult dias = TnDMConexao::Atual().ExecuteQuery(
        "select DATALCTOCTB, CODIGOESTAB, "
        "cast(sum(case when CONTACTBDEB is null then 0 else VALORLCTOCTB end) as numeric(14,2)), "
        "cast(sum(case when CONTACTBCRED is null then 0 else VALORLCTOCTB end) as "
        "numeric(14,2)) from LCTOCTB where CODIGOEMPRESA = :pEmpresa and DATALCTOCTB between "
        ":pDataIni and :pDataFim" +
            fiscal + " group by DATALCTOCTB, CODIGOESTAB",
        {{"pEmpresa", FCodigoEmpresa}, {"pDataIni", FDataInicial}, {"pDataFim", FDataFinal}});
    for (const ValueArray& linha : dias.Rows) {
      TTotais& totais =
          FTotais[{DateOf(linha[0].AsDateTime()).Days(), static_cast<int>(linha[1].AsInteger())}];
      totais.Debito = linha[2].AsCurrency();
      totais.Credito = linha[3].AsCurrency();
    }
  }
  MostrarDias(destino != nullptr ? *destino : FCdsDiferenca);
}

void TnDMValorSaldoDebCred::Somar(const TLctoCtb& lcto, int sinal) {
  const double data = lcto.DataLctoCtb.Days();
  if (lcto.CodigoEmpresa != FCodigoEmpresa || data == 0 || data < FDataInicial.Days() ||
      data > FDataFinal.Days())
    return;
  if (FIgnorarFiscal && lcto.TipoLancamento == "LF")
    return;
  TTotais& totais = FTotais[{data, lcto.CodigoEstab}];
  const Currency quantia = lcto.ValorLctoCtb * sinal;
  if (lcto.ContaCtbDeb != 0)
    totais.Debito = totais.Debito + quantia;
  if (lcto.ContaCtbCred != 0)
    totais.Credito = totais.Credito + quantia;
}

void TnDMValorSaldoDebCred::CalcularDiferencaRecord(const TnDifLctoCtb& dif) {
  Somar(dif.Anterior, -1);
  Somar(dif.Novo, 1);
  MostrarDias(FCdsDiferenca);
}

void TnDMValorSaldoDebCred::MostrarDias(TnClientDataSet& destino) const {
  destino.DisableControls();
  destino.EmptyDataSet();
  for (const auto& [chave, totais] : FTotais) {
    const Currency diferenca = totais.Debito - totais.Credito;
    if (diferenca == Currency())
      continue;
    destino.AppendRecord({Value(int64_t{chave.second}), Value(TDateTime(chave.first)),
                          Value(totais.Debito), Value(totais.Credito), Value(diferenca)});
  }
  destino.First();
  destino.EnableControls();
}

void TnDMValorSaldoDebCred::AbrirDiferencaTransacao() {
  FCdsDifTransacao.DisableControls();
  FCdsDifTransacao.EmptyDataSet();
  if (FCodigoEmpresa != 0) {
    const TDbResult transacoes = TnDMConexao::Atual().ExecuteQuery(
        "select TRANSCTB, D, C, D - C from (select TRANSCTB, "
        "cast(sum(case when CONTACTBDEB is null then 0 else VALORLCTOCTB end) as numeric(14,2)) "
        "D, cast(sum(case when CONTACTBCRED is null then 0 else VALORLCTOCTB end) as "
        "numeric(14,2)) C from LCTOCTB where CODIGOEMPRESA = :pEmpresa and TRANSCTB is not null "
        "and DATALCTOCTB between :pDataIni and :pDataFim group by TRANSCTB) T where D <> C "
        "order by TRANSCTB",
        {{"pEmpresa", FCodigoEmpresa}, {"pDataIni", FDataInicial}, {"pDataFim", FDataFinal}});
    for (const ValueArray& linha : transacoes.Rows)
      FCdsDifTransacao.AppendRecord({Value(linha[0].AsInteger()), Value(linha[1].AsCurrency()),
                                     Value(linha[2].AsCurrency()), Value(linha[3].AsCurrency())});
  }
  FCdsDifTransacao.First();
  FCdsDifTransacao.EnableControls();
}
