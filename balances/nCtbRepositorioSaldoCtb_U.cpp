#include "balances/nCtbRepositorioSaldoCtb_U.h"

namespace {

// "PLANOESPEC join" that limits a statement to the classifications of
// FiltroClassificacao, on the account column `conta` of alias `alias`.
std::string JoinClassificacao(const TnParansSaldoCtb& parans, const std::string& alias,
                              const std::string& conta, const char* prefixoClassif) {
  if (parans.FiltroClassificacao.empty())
    return "";
  return "join PLANOESPEC P ON (" + alias + ".CODIGOEMPRESA = P.CODIGOEMPRESA AND " + conta +
         " = P.CONTACTB AND " + prefixoClassif + "CLASSIFCONTA IN (" + parans.FiltroClassificacao +
         ")) ";
}

}  // namespace

std::string TnCtbRepositorioSaldoCtb::GetSqlSaldoCtbAnterior(const TnParansSaldoCtb& parans) const {
  const std::string w = "CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) +
                        GetFiltroTipoLancamento(parans) + GetFiltroEstabInclusion(parans) +
                        GetFiltroContaCtbInclusion(parans, "CONTACTB");
  const std::string mes = LiteralData(StartOfTheMonth(parans.DataInicial));
  const std::string mensal = SelectConta(parans) + SomaDebCred() + "from SALDOCTBMENSAL " +
                             " where " + w + " and DATASALDO < " + mes + " group by CONTACTB" +
                             GrupoEstab(parans);
  const std::string diario = SelectConta(parans) + SomaDebCred() + "from SALDOCTB " + " where " +
                             w + " and DATASALDO between " + mes + " and " +
                             LiteralData(parans.DataInicial - 1) + " group by CONTACTB" +
                             GrupoEstab(parans);
  return MontarSaldoAnterior(parans, mensal, diario);
}

std::string TnCtbRepositorioSaldoCtb::GetSqlSaldoCtbAnteriorOri(const TnParansSaldoCtb& parans,
                                                                bool /*incluirOrigem*/) const {
  const std::string mes = LiteralData(StartOfTheMonth(parans.DataInicial));
  const std::string mensal = SelectConta(parans) + SomaDebCred() + "from SALDOCTBMENSALHIST " +
                             " where CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) +
                             GetFiltroEstabInclusion(parans) + GetFiltroTipoLancamento(parans) +
                             GetFiltroHistoricoInclusion(parans) +
                             GetFiltroContaCtbInclusion(parans, "CONTACTB") + " and DATASALDO < " +
                             mes + " group by CONTACTB" + GrupoEstab(parans);
  return MontarSaldoAnterior(parans, mensal, GetSqlLctoCtbAnterior(parans));
}

std::string TnCtbRepositorioSaldoCtb::GetSqlLctoCtbAnterior(const TnParansSaldoCtb& parans) const {
  const std::string estab = parans.RelacionarFilial ? "CODIGOESTAB, " : "";
  const std::string w = "where CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) +
                        " and DATALCTOCTB between " +
                        LiteralData(StartOfTheMonth(parans.DataInicial)) + " and " +
                        LiteralData(parans.DataInicial - 1) + GetFiltroEstabInclusion(parans) +
                        GetFiltroTipoLancamento(parans) + GetFiltroHistoricoInclusion(parans);
  return UniaoDebitoCredito(parans, estab, "VALORLCTOCTB", "LCTOCTB", w, GrupoEstab(parans));
}

std::string TnCtbRepositorioSaldoCtb::GetSqlSaldoCtbAtual(const TnParansSaldoCtb& parans) const {
  const std::string estab = parans.RelacionarFilial ? "S.CODIGOESTAB, " : "";
  // The rows of one balance table from one day to another, as the run
  // filters them.
  auto linhas = [&](const std::string& colunas, const char* tabela, TDateTime de, TDateTime ate) {
    return "select " + colunas + " from " + tabela + " S " +
           JoinClassificacao(parans, "S", "S.CONTACTB", "") +
           "where S.CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) +
           " and S.DATASALDO between " + LiteralData(de) + " and " + LiteralData(ate) +
           GetFiltroTipoLancamento(parans) + GetFiltroEstabInclusion(parans) +
           (parans.FiltroClassificacao.empty() ? GetFiltroContaCtbInclusion(parans, "S.CONTACTB")
                                               : "");
  };
  // By month, the whole months inside the period come from the month table,
  // so the rows read stay bounded by accounts, establishments and months
  // however many entries there are. The days at either end still come by
  // day, and so does everything when the amounts are converted to another
  // currency at each day's rate or reduced by origin (matched by day).
  const TDateTime primeiroMes = DayOf(parans.DataInicial) == 1
                                    ? parans.DataInicial
                                    : IncMonth(StartOfTheMonth(parans.DataInicial));
  const TDateTime aposUltimoMes = DateOf(EndOfTheMonth(parans.DataFinal)) == parans.DataFinal
                                      ? IncMonth(StartOfTheMonth(parans.DataFinal))
                                      : StartOfTheMonth(parans.DataFinal);
  if (parans.TipoAgrupamento != TTipoAgrupamento::taMensal || parans.CodigoMoeda != 0 ||
      !(primeiroMes < aposUltimoMes) || DeveReduzirPorOrigem(parans))
    return linhas("S.CONTACTB, " + estab +
                      "S.DATASALDO, cast(SUM(S.VALORDEB) as numeric(14,2)) VALORDEB, "
                      "cast(SUM(S.VALORCRED) as numeric(14,2)) VALORCRED",
                  "SALDOCTB", parans.DataInicial, parans.DataFinal) +
           " group by S.CONTACTB, " + estab + "S.DATASALDO";
  const std::string colunas = "S.CONTACTB, " + estab + "S.DATASALDO, S.VALORDEB, S.VALORCRED";
  std::string partes = linhas(colunas, "SALDOCTBMENSAL", primeiroMes, aposUltimoMes - 1);
  if (parans.DataInicial < primeiroMes)
    partes += " union all " + linhas(colunas, "SALDOCTB", parans.DataInicial, primeiroMes - 1);
  if (aposUltimoMes <= parans.DataFinal)
    partes += " union all " + linhas(colunas, "SALDOCTB", aposUltimoMes, parans.DataFinal);
  return SelectConta(parans) + "DATASALDO, " + SomaDebCred() + "from (" + partes +
         ") M group by CONTACTB" + GrupoEstab(parans) + ", DATASALDO";
}

std::string TnCtbRepositorioSaldoCtb::GetSqlLctoCtbAtualOri(const TnParansSaldoCtb& parans,
                                                            bool incluirOrigem) const {
  const bool semClassif = parans.FiltroClassificacao.empty();
  const std::string estab = parans.RelacionarFilial ? "CODIGOESTAB, " : "";
  const std::string estabL = parans.RelacionarFilial ? "L.CODIGOESTAB, " : "";
  const std::string w = "where L.CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) +
                        " and L.DATALCTOCTB between " + LiteralData(parans.DataInicial) + " and " +
                        LiteralData(parans.DataFinal) +
                        (incluirOrigem ? GetFiltroOrigemLctoCtb(parans) : "") +
                        GetFiltroEstabInclusion(parans) + GetFiltroTipoLancamento(parans) +
                        GetFiltroHistoricoInclusion(parans);
  auto lado = [&](const std::string& coluna, bool debito) {
    return "select " + coluna + " CONTACTB, " + estabL + "L.DATALCTOCTB DATASALDO, " +
           (debito ? "cast(sum(L.VALORLCTOCTB) as numeric(14,2)) VALORDEB, "
                     "cast(0 as Numeric(14,2)) VALORCRED "
                   : "cast(0 as Numeric(14,2)) VALORDEB, "
                     "cast(sum(L.VALORLCTOCTB) as numeric(14,2)) VALORCRED ") +
           "from LCTOCTB L " + JoinClassificacao(parans, "L", coluna, "P.") + w +
           (semClassif ? GetFiltroContaCtbInclusion(parans, coluna) : "") + " and " + coluna +
           " is not null  group by " + coluna + ", " + estabL + "L.DATALCTOCTB";
  };
  return "select CONTACTB, " + estab + "DATASALDO, " +
         "cast(sum(VALORDEB) as numeric(14,2)) VALORDEB, "
         "cast(sum(VALORCRED) as numeric(14,2)) VALORCRED from( " +
         lado("L.CONTACTBDEB", true) + " union all " + lado("L.CONTACTBCRED", false) +
         " ) aliasmssql group by CONTACTB, " + estab + "DATASALDO";
}

std::string TnCtbRepositorioSaldoCtb::GetSqlReduzirOrigemSaldoAnterior(
    const TnParansSaldoCtb& parans) const {
  const std::string estab = parans.RelacionarFilial ? "CODIGOESTAB, " : "";
  const std::string w = "where CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) +
                        " and DATALCTOCTB < " + LiteralData(parans.DataInicial) +
                        GetFiltroOrigemLctoCtb(parans) + GetFiltroEstabInclusion(parans) +
                        GetFiltroTipoLancamento(parans) + GetFiltroHistoricoInclusion(parans);
  return "select CONTACTB, " + estab +
         "cast(sum(VALORDEB) as numeric(14,2)) VALORDEB, "
         "cast(sum(VALORCRED) as numeric(14,2)) VALORCRED from( " +
         UniaoDebitoCredito(parans, estab, "VALORLCTOCTB", "LCTOCTB", w, GrupoEstab(parans)) +
         " ) aliasmssql group by CONTACTB" + GrupoEstab(parans);
}
