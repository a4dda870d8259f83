#include "balances/nCtbRepositorioSaldoCtbMoeda_U.h"

#include "framework/db/Nutildb.h"

std::string TnCtbRepositorioSaldoCtbMoeda::GetSqlSaldoCtbAnterior(
    const TnParansSaldoCtb& parans) const {
  return "select CONTACTB, CODIGOESTAB, DATASALDO, "
         "cast(SUM(VALORDEB) as numeric(14,2)) VALORDEB, "
         "cast(SUM(VALORCRED) as numeric(14,2)) VALORCRED from SALDOCTB  where CODIGOEMPRESA = " +
         LiteralInteiro(parans.CodigoEmpresa) + " and DATASALDO < " +
         LiteralData(parans.DataInicial) + GetFiltroDataImplSaldoCtb(parans, "DATASALDO") +
         GetFiltroTipoLancamento(parans) + GetFiltroEstabInclusion(parans) +
         GetFiltroContaCtbInclusion(parans, "CONTACTB") +
         " group by CONTACTB, CODIGOESTAB, DATASALDO order by CONTACTB, CODIGOESTAB, DATASALDO";
}

std::string TnCtbRepositorioSaldoCtbMoeda::GetSqlSaldoCtbAnteriorOri(const TnParansSaldoCtb& parans,
                                                                     bool incluirOrigem) const {
  const std::string w =
      "where CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) + " and DATALCTOCTB < " +
      LiteralData(parans.DataInicial) + GetFiltroDataImplSaldoCtb(parans, "DATALCTOCTB") +
      (incluirOrigem ? GetFiltroOrigemLctoCtb(parans) : "") + GetFiltroEstabInclusion(parans) +
      GetFiltroTipoLancamento(parans) + GetFiltroHistoricoInclusion(parans);
  return "select CONTACTB, CODIGOESTAB, DATASALDO, "
         "cast(sum(VALORDEB) as numeric(14,2)) VALORDEB, "
         "cast(sum(VALORCRED) as numeric(14,2)) VALORCRED from( " +
         UniaoDebitoCredito(parans, "CODIGOESTAB, DATALCTOCTB DATASALDO, ", "VALORLCTOCTB",
                            "LCTOCTB", w, ", CODIGOESTAB, DATALCTOCTB ") +
         ") aliasmssql group by CONTACTB, CODIGOESTAB, DATASALDO";
}

void TnCtbRepositorioSaldoCtbMoeda::ReduzirLctoCtbAnteriorOri(TnClientDataSet& cursor,
                                                              const TnParansSaldoCtb& parans) {
  Reduzir(cursor, GetSqlSaldoCtbAnteriorOri(parans, true), "CONTACTB;CODIGOESTAB;DATASALDO");
}

std::string TnCtbRepositorioSaldoCtbMoeda::GetSqlImpSaldoCtb(const TnParansSaldoCtb& parans) const {
  return "select CODIGOESTAB, CODIGOMOEDA, CONTACTB, DATASALDO, NATUREZASALDO, VALORSALDO "
         "from IMPLSALDOCTB where CODIGOEMPRESA = " +
         LiteralInteiro(parans.CodigoEmpresa) + GetFiltroEstabInclusion(parans) +
         GetFiltroContaCtbInclusion(parans, "CONTACTB") + GetFiltroTipoLancamento(parans) +
         " order by CODIGOESTAB, CODIGOMOEDA, CONTACTB";
}

std::unique_ptr<TnClientDataSet> TnCtbRepositorioSaldoCtbMoeda::CriarMovImpSaldoCtb(
    const TnParansSaldoCtb& parans) {
  return Nutildb::ExecutarSQL(GetSqlImpSaldoCtb(parans));
}
