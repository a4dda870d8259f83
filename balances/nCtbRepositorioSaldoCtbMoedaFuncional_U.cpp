#include "balances/nCtbRepositorioSaldoCtbMoedaFuncional_U.h"

#include "framework/core/Nutil.h"
#include "framework/db/NutilSql.h"

namespace {

const char* const kOrigemZeramento = "ZZ";

std::string LiteralMoeda(const TnParansSaldoCtb& parans) {
  return Nutil::ValorParaSQL(Value(parans.CodigoMoeda), TDbColumnKind::Integer);
}

}  // namespace

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::GetSqlSaldoCtbAnterior(
    const TnParansSaldoCtb& parans) const {
  const std::string w = " CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) +
                        " and CODIGOMOEDA = " + LiteralMoeda(parans) +
                        GetFiltroTipoLancamento(parans) + GetFiltroEstabInclusion(parans) +
                        GetFiltroContaCtbInclusion(parans, "CONTACTB");
  const std::string mes = LiteralData(StartOfTheMonth(parans.DataInicial));
  const std::string mensal = SelectConta(parans) + SomaDebCred() + "from SALDOCTBMOEDAMENSAL " +
                             " where " + w + " and DATASALDO < " + mes + " group by CONTACTB" +
                             GrupoEstab(parans);
  const std::string diario = SelectConta(parans) + SomaDebCred() + "from SALDOCTBMOEDA " +
                             " where " + w + " and DATASALDO between " + mes + " and " +
                             LiteralData(parans.DataInicial - 1) + " group by CONTACTB" +
                             GrupoEstab(parans);
  return MontarSaldoAnterior(parans, mensal, diario);
}

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::GetSqlSaldoCtbAtual(
    const TnParansSaldoCtb& parans) const {
  const std::string estab = parans.RelacionarFilial ? "CODIGOESTAB, " : "";
  return "select CONTACTB, " + estab + "DATASALDO, " + SomaDebCred() +
         "from SALDOCTBMOEDA where CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) +
         " and CODIGOMOEDA = " + LiteralMoeda(parans) + " and DATASALDO between " +
         LiteralData(parans.DataInicial) + " and " + LiteralData(parans.DataFinal) +
         GetFiltroTipoLancamento(parans) + GetFiltroEstabInclusion(parans) +
         GetFiltroContaCtbInclusion(parans, "CONTACTB") + " group by CONTACTB, " + estab +
         "DATASALDO";
}

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::GetFiltroOrigem(
    const TnParansSaldoCtb& parans) const {
  TDateTime dataIni;
  TDateTime dataFim;
  std::string origens;
  CarregarFiltroOrigem(parans, dataIni, dataFim, origens);
  return origens;
}

bool TnCtbRepositorioSaldoCtbMoedaFuncional::TemFiltroOrigemZZ(
    const TnParansSaldoCtb& parans) const {
  return Nutil::InStrArray(kOrigemZeramento, Nutil::StrToStrArray(GetFiltroOrigem(parans)));
}

bool TnCtbRepositorioSaldoCtbMoedaFuncional::TemFiltroOrigemDiferenteZZ(
    const TnParansSaldoCtb& parans) const {
  for (const std::string& item : Nutil::StrToStrArray(GetFiltroOrigem(parans))) {
    const std::string origem = Nutil::Trim(item);
    if (!origem.empty() && origem != kOrigemZeramento)
      return true;
  }
  return false;
}

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::GetFiltroExternalData(
    const TnParansSaldoCtb& parans) const {
  TDateTime dataIni;
  TDateTime dataFim;
  std::string origens;
  CarregarFiltroOrigem(parans, dataIni, dataFim, origens);
  return " and DATAZERAMENTO between " + LiteralData(dataIni) + " and " + LiteralData(dataFim);
}

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::GetSqlLctoCtb(const TnParansSaldoCtb& parans,
                                                                  bool incluirOrigem,
                                                                  TTipoSaldo tipoSaldo) const {
  if (incluirOrigem && !TemFiltroOrigemDiferenteZZ(parans))
    return "";
  const bool atual = tipoSaldo == TTipoSaldo::tsSaldoAtual;
  const std::string data = atual ? " and DATALCTOCTB between " + LiteralData(parans.DataInicial) +
                                       " and " + LiteralData(parans.DataFinal)
                                 : " and DATALCTOCTB < " + LiteralData(parans.DataInicial) +
                                       GetFiltroDataImplSaldoCtb(parans, "DATALCTOCTB");
  const std::string w = "where CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) + data +
                        (incluirOrigem ? GetFiltroOrigemLctoCtb(parans) : "") +
                        GetFiltroEstabInclusion(parans) + GetFiltroTipoLancamento(parans) +
                        GetFiltroHistoricoInclusion(parans);
  const std::string estab = parans.RelacionarFilial ? "CODIGOESTAB, " : "";
  const std::string dia = atual ? "DATALCTOCTB DATASALDO, " : "";
  const std::string grupo =
      std::string(parans.RelacionarFilial ? ",CODIGOESTAB " : "") + (atual ? ",DATALCTOCTB " : "");
  return UniaoDebitoCredito(parans, estab + dia, "VALORLCTOMOEDA", "LCTOCTB", w, " " + grupo);
}

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::GetSqlZeramentoMoedaFuncional(
    const TnParansSaldoCtb& parans, bool incluirOrigem, TTipoSaldo tipoSaldo) const {
  if (incluirOrigem && !TemFiltroOrigemZZ(parans))
    return "";
  const bool atual = tipoSaldo == TTipoSaldo::tsSaldoAtual;
  const std::string data = atual ? " and DATAZERAMENTO between " + LiteralData(parans.DataInicial) +
                                       " and " + LiteralData(parans.DataFinal)
                                 : " and DATAZERAMENTO < " + LiteralData(parans.DataInicial);
  const std::string w = "where CODIGOEMPRESA = " + LiteralInteiro(parans.CodigoEmpresa) + data +
                        (incluirOrigem ? GetFiltroExternalData(parans) : "") +
                        GetFiltroEstabInclusion(parans) + GetFiltroTipoLancamento(parans) +
                        GetFiltroHistoricoInclusion(parans);
  const std::string estab = parans.RelacionarFilial ? "CODIGOESTAB, " : "";
  const std::string dia = atual ? "DATAZERAMENTO DATASALDO, " : "";
  const std::string grupo = std::string(parans.RelacionarFilial ? ",CODIGOESTAB " : "") +
                            (atual ? ",DATAZERAMENTO " : "");
  return UniaoDebitoCredito(parans, estab + dia, "VALORZERAMENTO", "ZERAMENTOCTBMOEDA", w,
                            " " + grupo);
}

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::MontarSqlOri(const TnParansSaldoCtb& parans,
                                                                 bool incluirOrigem,
                                                                 TTipoSaldo tipoSaldo) const {
  const std::string lctos = GetSqlLctoCtb(parans, incluirOrigem, tipoSaldo);
  const std::string zeramentos = GetSqlZeramentoMoedaFuncional(parans, incluirOrigem, tipoSaldo);
  if (lctos.empty() && zeramentos.empty())
    return "";
  const std::string x =
      lctos + (!lctos.empty() && !zeramentos.empty() ? " union all " : "") + zeramentos;
  const bool atual = tipoSaldo == TTipoSaldo::tsSaldoAtual;
  const std::string estab = parans.RelacionarFilial ? "CODIGOESTAB, " : "";
  return "select CONTACTB, " + estab + (atual ? "DATASALDO, " : "") + SomaDebCred() + "from (" + x +
         ") aliasmssql " +
         (atual ? "group by CONTACTB, " + estab + "DATASALDO"
                : "group by CONTACTB" + GrupoEstab(parans));
}

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::GetSqlSaldoCtbAnteriorOri(
    const TnParansSaldoCtb& parans, bool incluirOrigem) const {
  return MontarSqlOri(parans, incluirOrigem, TTipoSaldo::tsSaldoAnterior);
}

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::GetSqlLctoCtbAtualOri(
    const TnParansSaldoCtb& parans, bool incluirOrigem) const {
  return MontarSqlOri(parans, incluirOrigem, TTipoSaldo::tsSaldoAtual);
}

std::string TnCtbRepositorioSaldoCtbMoedaFuncional::GetSqlReduzirOrigemSaldoAnterior(
    const TnParansSaldoCtb& parans) const {
  return GetSqlSaldoCtbAnteriorOri(parans, true);
}
