#include "framework/ctb/TnUtilControleLctoPadrao.h"

#include <algorithm>

#include "framework/data/ClientDataSet.h"
#include "framework/data/Field.h"
#include "framework/db/TnSessao.h"

void TnUtilControleLctoPadrao::LimparChave() {
  FChave.reset();
  FItens.clear();
  FColunas.clear();
  FProximo = 0;
}

bool TnUtilControleLctoPadrao::GetUsaLctoProg() {
  return Conexao()
             .ExecuteScalar("select count(*) from LCTOPROG where CODIGOEMPRESA = :pEmpresa",
                            {{"pEmpresa", FCodigoEmpresa}})
             .AsInteger() > 0;
}

void TnUtilControleLctoPadrao::Carregar() {
  TnDMConexao& conexao = Conexao();
  const std::pair<int64_t, int64_t> chave{FCodigoEmpresa, FCodigoLctoProg};
  if (FChave == chave)
    return;
  LimparChave();
  const TParams params{{"pEmpresa", FCodigoEmpresa}, {"pCodigo", FCodigoLctoProg}};
  const TDbResult cabecalho = conexao.ExecuteQuery(
      "select PERIODICIDADE, DIALCTO, DATAFINAL from LCTOPROG where CODIGOEMPRESA = :pEmpresa "
      "and CODIGOLCTOPROG = :pCodigo",
      params);
  if (!cabecalho.Rows.empty()) {
    FPeriodicidade = static_cast<int>(cabecalho.Rows.front()[0].AsInteger());
    FDiaLcto = static_cast<int>(cabecalho.Rows.front()[1].AsInteger());
    FDataFinal = Data(cabecalho.Rows.front()[2]);
    TDbResult itens = conexao.ExecuteQuery(
        "select CODIGOESTAB, TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, "
        "COMPLHIST, VALORLCTOCTB from LCTOPROGITEM where CODIGOEMPRESA = :pEmpresa and "
        "CODIGOLCTOPROG = :pCodigo order by SEQLCTOPROG",
        params);
    for (const TDbColumn& coluna : itens.Columns)
      FColunas.push_back(coluna.Name);
    FItens = std::move(itens.Rows);
  }
  FChave = chave;
}

bool TnUtilControleLctoPadrao::VerificarCarregarDados() {
  Carregar();
  if (FProximo >= FItens.size())
    return false;
  if (FCds) {
    const ValueArray& item = FItens[FProximo];
    for (size_t i = 0; i < FColunas.size(); ++i)
      if (TField* campo = FCds->FindField(FColunas[i]); campo && !item[i].IsNull())
        campo->SetValue(item[i]);
  }
  ++FProximo;
  return true;
}

bool TnUtilControleLctoPadrao::VerificarSequencia(bool continuar) const {
  const bool emAndamento = FChave && FProximo > 0 && FProximo < FItens.size();
  if (continuar)
    return emAndamento;
  return emAndamento && *FChave == std::pair<int64_t, int64_t>{FCodigoEmpresa, FCodigoLctoProg};
}

std::vector<TDateTime> TnUtilControleLctoPadrao::GerarLancamentosPeriodo() {
  Carregar();
  std::vector<TDateTime> datas;
  if (!FCds || FPeriodicidade != 1 || FDataFinal.IsZero())
    return datas;
  const TField* campoData = FCds->FindField("DATALCTOCTB");
  if (!campoData || campoData->IsNull())
    return datas;
  const TDateTime base = DateOf(campoData->AsDateTime());
  for (TDateTime mes = StartOfTheMonth(base);; mes = IncMonth(mes)) {
    const int dia = std::clamp(FDiaLcto, 1, DaysInAMonth(YearOf(mes), MonthOf(mes)));
    const TDateTime data = EncodeDate(YearOf(mes), MonthOf(mes), dia);
    if (data > FDataFinal)
      break;
    if (data > base)
      datas.push_back(data);
  }
  return datas;
}

TnUtilControleLctoPadrao& ControleLctoPadrao() {
  return TnSessao::Atual().Servico<TnUtilControleLctoPadrao>();
}
