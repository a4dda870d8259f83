#include "balances/nCtbRepositorioSaldoCtbBase_U.h"

#include <exception>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"

using Nutilinclusao::FilterInterval;
using Nutilinclusao::TTipoInclusao;

namespace {

// Above this many accounts a chart selection becomes ranges instead of lists.
constexpr size_t kMaxItensContaCtb = 1000;

Currency ValorOuZero(const TField* field) {
  return (!field || field->IsNull()) ? Currency() : field->AsCurrency();
}

// The fields named "A;B" of a data set, in that order.
std::vector<TField*> CamposPorNome(const TnClientDataSet& dataSet, const std::string& nomes) {
  std::vector<TField*> campos;
  for (const std::string& nome : Nutil::StrToStrArray(nomes))
    campos.push_back(&dataSet.FieldByName(nome));
  return campos;
}

}  // namespace

// ---------------------------------------------------------------------------
// Literals and shared pieces
// ---------------------------------------------------------------------------

std::string TnCtbRepositorioSaldoCtbBase::LiteralInteiro(int64_t valor) {
  return Nutil::ValorParaSQL(Value(valor), TDbColumnKind::Integer);
}

std::string TnCtbRepositorioSaldoCtbBase::LiteralData(TDateTime data) {
  return Nutil::ValorParaSQL(Value(DateOf(data)), TDbColumnKind::Date);
}

std::string TnCtbRepositorioSaldoCtbBase::SelectConta(const TnParansSaldoCtb& parans) {
  return std::string("select CONTACTB, ") + (parans.RelacionarFilial ? "CODIGOESTAB, " : "");
}

std::string TnCtbRepositorioSaldoCtbBase::GrupoEstab(const TnParansSaldoCtb& parans) {
  return parans.RelacionarFilial ? ", CODIGOESTAB" : "";
}

std::string TnCtbRepositorioSaldoCtbBase::UniaoDebitoCredito(
    const TnParansSaldoCtb& parans, const std::string& colunas, const std::string& valor,
    const std::string& tabela, const std::string& where, const std::string& grupo) const {
  return "select CONTACTBDEB CONTACTB, " + colunas + "cast(sum(" + valor +
         ") as numeric(14,2)) VALORDEB, cast(0 as Numeric(14,2)) VALORCRED from " + tabela + " " +
         where + GetFiltroContaCtbInclusion(parans, "CONTACTBDEB") +
         " and CONTACTBDEB is not null  group by CONTACTBDEB" + grupo +
         " union all select CONTACTBCRED CONTACTB, " + colunas +
         "cast(0 as Numeric(14,2)) VALORDEB, cast(sum(" + valor +
         ") as numeric(14,2)) VALORCRED from " + tabela + " " + where +
         GetFiltroContaCtbInclusion(parans, "CONTACTBCRED") +
         " and CONTACTBCRED is not null  group by CONTACTBCRED" + grupo;
}

std::string TnCtbRepositorioSaldoCtbBase::SomaDebCred() {
  return "cast(SUM(VALORDEB) as numeric(14,2)) VALORDEB, "
         "cast(SUM(VALORCRED) as numeric(14,2)) VALORCRED ";
}

std::string TnCtbRepositorioSaldoCtbBase::MontarSaldoAnterior(const TnParansSaldoCtb& parans,
                                                              const std::string& mensal,
                                                              const std::string& parcial) {
  if (CompetenciaEhDiaPrimeiro(parans.DataInicial) || parcial.empty())
    return mensal;
  return SelectConta(parans) + SomaDebCred() + " from (" + mensal + " union all " + parcial +
         ") aliasmssql " + " group by CONTACTB" + GrupoEstab(parans);
}

bool TnCtbRepositorioSaldoCtbBase::CompetenciaEhDiaPrimeiro(TDateTime data) {
  return DayOf(data) == 1;
}

bool TnCtbRepositorioSaldoCtbBase::TemFiltroHistorico(const TnParansSaldoCtb& parans) {
  const std::string hist = Nutil::Trim(parans.CodigoHistCtb);
  return !hist.empty() && hist != "-1";
}

// ---------------------------------------------------------------------------
// Filters
// ---------------------------------------------------------------------------

std::string TnCtbRepositorioSaldoCtbBase::GetFiltroTipoLancamento(
    const TnParansSaldoCtb& parans) const {
  std::string tipos = Nutil::ValorParaSQL(Value("LN"));
  if (parans.TipoSaldoCtb == TnTipoSaldoCtb::tscSocietario)
    tipos += ", " + Nutil::ValorParaSQL(Value("LS"));
  else if (parans.TipoSaldoCtb == TnTipoSaldoCtb::tscFiscal)
    tipos += ", " + Nutil::ValorParaSQL(Value("LF"));
  return " and TIPOLANCAMENTO in (" + tipos + ") ";
}

std::string TnCtbRepositorioSaldoCtbBase::GetFiltroEstabInclusion(
    const TnParansSaldoCtb& parans) const {
  if (Nutil::Trim(parans.CodigoEstab).empty())
    return "";
  return FilterInterval("CODIGOESTAB", parans.CodigoEstab, TTipoInclusao::tiNumerica);
}

std::string TnCtbRepositorioSaldoCtbBase::GetFiltroContaCtbInclusion(
    const TnParansSaldoCtb& parans, const std::string& campo) const {
  if (Nutil::Trim(parans.ContaCtbInclusion).empty())
    return "";
  return Nctbsfuncoes_u::QuebrarFiltro(
      FilterInterval(campo, parans.ContaCtbInclusion, TTipoInclusao::tiNumerica));
}

std::string TnCtbRepositorioSaldoCtbBase::GetFiltroDataImplSaldoCtb(
    const TnParansSaldoCtb& parans, const std::string& campo) const {
  if (parans.DataImplSaldoCtb.IsZero())
    return "";
  return " and " + campo + " > " + LiteralData(parans.DataImplSaldoCtb) + " ";
}

std::string TnCtbRepositorioSaldoCtbBase::GetFiltroHistoricoInclusion(
    const TnParansSaldoCtb& parans) const {
  if (!TemFiltroHistorico(parans))
    return "";
  return FilterInterval("CODIGOHISTCTB", parans.CodigoHistCtb, TTipoInclusao::tiNumerica);
}

bool TnCtbRepositorioSaldoCtbBase::CarregarFiltroOrigem(const TnParansSaldoCtb& parans,
                                                        TDateTime& dataIni, TDateTime& dataFim,
                                                        std::string& origens) const {
  if (!Nutil::Trim(parans.FiltroLctoAtivo).empty()) {
    dataIni = parans.DataInicial;
    dataFim = parans.DataFinal;
    origens = parans.FiltroLctoAtivo;
    return true;
  }
  return Nctbsfuncoes::CarregarFiltroLctoCtbAtivo(TnDMConexao::Atual(), dataIni, dataFim, origens,
                                                  parans.CodigoEmpresa);
}

std::string TnCtbRepositorioSaldoCtbBase::GetFiltroOrigemLctoCtb(
    const TnParansSaldoCtb& parans) const {
  TDateTime dataIni;
  TDateTime dataFim;
  std::string origens;
  CarregarFiltroOrigem(parans, dataIni, dataFim, origens);
  return " and DATALCTOCTB between " + LiteralData(dataIni) + " and " + LiteralData(dataFim) +
         FilterInterval("CODIGOORIGLCTOCTB", origens, TTipoInclusao::tiTexto) + " ";
}

bool TnCtbRepositorioSaldoCtbBase::DeveReduzirPorOrigem(const TnParansSaldoCtb& parans) const {
  if (!parans.ConsiderarFiltroLctoCtb)
    return false;
  // The user's filter is read for the company being queried: a filter kept
  // for another company says nothing about these entries.
  return !Nutil::Trim(parans.FiltroLctoAtivo).empty() ||
         Nctbsfuncoes::FiltroLctoCtbAtivo(TnDMConexao::Atual(), parans.CodigoEmpresa);
}

// ---------------------------------------------------------------------------
// Cursors
// ---------------------------------------------------------------------------

std::unique_ptr<TnClientDataSet> TnCtbRepositorioSaldoCtbBase::CriarMovSaldoCtbAnterior(
    const TnParansSaldoCtb& parans) {
  std::unique_ptr<TnClientDataSet> cursor;
  if (TemFiltroHistorico(parans))
    cursor = Nutildb::ExecutarSQL(GetSqlSaldoCtbAnteriorOri(parans, false));
  else if (parans.TipoSaldoCtb == TnTipoSaldoCtb::tscSocietario ||
           parans.TipoSaldoCtb == TnTipoSaldoCtb::tscFiscal)
    cursor = Nutildb::ExecutarSQL(GetSqlSaldoCtbAnterior(parans));
  else
    return nullptr;
  if (DeveReduzirPorOrigem(parans))
    ReduzirLctoCtbAnteriorOri(*cursor, parans);
  return cursor;
}

std::unique_ptr<TnClientDataSet> TnCtbRepositorioSaldoCtbBase::CriarMovSaldoCtbAtual(
    const TnParansSaldoCtb& parans) {
  std::unique_ptr<TnClientDataSet> cursor;
  if (TemFiltroHistorico(parans))
    cursor = Nutildb::ExecutarSQL(GetSqlLctoCtbAtualOri(parans, false));
  else if (parans.TipoSaldoCtb == TnTipoSaldoCtb::tscSocietario ||
           parans.TipoSaldoCtb == TnTipoSaldoCtb::tscFiscal)
    cursor = Nutildb::ExecutarSQL(GetSqlSaldoCtbAtual(parans));
  else
    return nullptr;
  if (DeveReduzirPorOrigem(parans))
    ReduzirLctoCtbAtualOri(*cursor, parans);
  return cursor;
}

// ---------------------------------------------------------------------------
// Reductions by origin
// ---------------------------------------------------------------------------

void TnCtbRepositorioSaldoCtbBase::Reduzir(TnClientDataSet& cursor, const std::string& sql,
                                           const std::string& campos) {
  if (sql.empty())
    return;
  std::unique_ptr<TnClientDataSet> reducao = Nutildb::ExecutarSQL(sql);
  TnMapMovSaldoCtb mapReducao;
  TnMapMovSaldoCtb mapSaldo;
  Nfieldmapper_u::FieldMapper::MapearFields(*reducao, mapReducao);
  Nfieldmapper_u::FieldMapper::MapearFields(cursor, mapSaldo);
  // A query cursor comes read-only; the reduction is its one writer, and the
  // rows it changes are not meant for the database.
  for (int i = 0; i < cursor.FieldCount(); ++i)
    cursor.Fields(i).SetReadOnly(false);
  cursor.SetLogChanges(false);

  const std::vector<TField*> chaveReducao = CamposPorNome(*reducao, campos);
  const std::vector<TField*> chaveSaldo = CamposPorNome(cursor, campos);
  cursor.SetIndexFieldNames(campos);
  try {
    for (reducao->First(); !reducao->Eof(); reducao->Next()) {
      ValueArray chave;
      for (const TField* campo : chaveReducao)
        chave.push_back(campo->AsValue());
      if (cursor.FindKey(chave)) {
        cursor.Edit();
      } else {
        cursor.Append();
        for (size_t i = 0; i < chaveSaldo.size(); ++i)
          chaveSaldo[i]->SetValue(chave[i]);
      }
      mapSaldo.VALORDEB->SetAsCurrency(ValorOuZero(mapSaldo.VALORDEB) -
                                       ValorOuZero(mapReducao.VALORDEB));
      mapSaldo.VALORCRED->SetAsCurrency(ValorOuZero(mapSaldo.VALORCRED) -
                                        ValorOuZero(mapReducao.VALORCRED));
      cursor.Post();
    }
  } catch (...) {
    if (cursor.State() == TDataSetState::dsEdit || cursor.State() == TDataSetState::dsInsert)
      cursor.Cancel();
    cursor.SetIndexFieldNames("");
    throw;
  }
  cursor.SetIndexFieldNames("");
  cursor.First();
}

void TnCtbRepositorioSaldoCtbBase::ReduzirLctoCtbAnteriorOri(TnClientDataSet& cursor,
                                                             const TnParansSaldoCtb& parans) {
  Reduzir(cursor, GetSqlReduzirOrigemSaldoAnterior(parans),
          std::string("CONTACTB") + (parans.RelacionarFilial ? ";CODIGOESTAB" : ""));
}

void TnCtbRepositorioSaldoCtbBase::ReduzirLctoCtbAtualOri(TnClientDataSet& cursor,
                                                          const TnParansSaldoCtb& parans) {
  Reduzir(cursor, GetSqlLctoCtbAtualOri(parans, true),
          std::string("CONTACTB;") + (parans.RelacionarFilial ? "CODIGOESTAB;" : "") + "DATASALDO");
}

// ---------------------------------------------------------------------------
// Chart
// ---------------------------------------------------------------------------

namespace {

std::string SelectPlanoEspec(const TnParansSaldoCtb& parans, const std::string& emp) {
  std::string descricao = "P.DESCRCONTA, ";
  if (parans.CodigoIdioma != 0)
    descricao =
        "coalesce( (select I.DESCRCONTA from PlanoEspecIDIOMA I  where I.CODIGOEMPRESA = " + emp +
        " and I.CONTACTB = P.CONTACTB  and I.CODIGOIDIOMA = " +
        Nutil::ValorParaSQL(Value(parans.CodigoIdioma), TDbColumnKind::Integer) +
        " ), P.DESCRCONTA) DESCRCONTA, ";
  return "select P.CONTACTB, P.TIPOCONTA, P.CLASSIFCONTA, " + descricao +
         "P.TIPOCONTACALC, P.TIPOCOTACAO, P.APELIDOCONTA ";
}

// The account condition on P.CONTACTB without its leading " and ".
std::string CondicaoContaCtb(const std::string& contaCtb, bool comAnd) {
  if (Nutil::StrToStrArray(contaCtb).size() > kMaxItensContaCtb)
    return Nctbsfuncoes_u::GerarClausulaBetweenSQL("P.CONTACTB", contaCtb, comAnd);
  return Nctbsfuncoes_u::QuebrarFiltro(
      FilterInterval("P.CONTACTB", contaCtb, TTipoInclusao::tiNumerica, comAnd, comAnd ? 1 : 0));
}

}  // namespace

std::string TnCtbRepositorioSaldoCtbBase::GetSqlPlanoEspec(const TnParansSaldoCtb& parans) const {
  const std::string emp = LiteralInteiro(parans.CodigoEmpresa);
  const bool temConta = !Nutil::Trim(parans.ContaCtb).empty();
  const bool temClassif = !Nutil::Trim(parans.ClassifConta).empty();
  std::string selecao;
  if (temConta && temClassif)
    selecao =
        " and (" + CondicaoContaCtb(parans.ContaCtb, false) + " or " +
        FilterInterval("P.CLASSIFCONTA", parans.ClassifConta, TTipoInclusao::tiTexto, false, 0) +
        ")";
  else if (temConta)
    selecao = CondicaoContaCtb(parans.ContaCtb, true);
  else if (temClassif)
    selecao = FilterInterval("P.CLASSIFCONTA", parans.ClassifConta, TTipoInclusao::tiTexto);
  std::string balanco;
  if (parans.ConsiderarEntraBalanco) {
    std::string filtro;
    Nctbsfuncoes::MontarFiltroContaBalanco(TnDMConexao::Atual(), parans.CodigoEmpresa, filtro);
    if (!filtro.empty())
      balanco = " and " + filtro;
  }
  return SelectPlanoEspec(parans, emp) + " from PLANOESPEC P  where P.CODIGOEMPRESA = " + emp +
         selecao + balanco + " ORDER BY P.CONTACTB";
}

std::string TnCtbRepositorioSaldoCtbBase::GetSqlPlanoEspecSub(
    const TnParansSaldoCtb& parans) const {
  const std::string emp = LiteralInteiro(parans.CodigoEmpresa);
  std::string livro;
  if (parans.TipoSaldoCtb == TnTipoSaldoCtb::tscSocietario)
    livro = " and P.TIPOCONTROLECONTABIL in (" + Nutil::ValorParaSQL(Value("LN")) + ", " +
            Nutil::ValorParaSQL(Value("LS")) + ")";
  else if (parans.TipoSaldoCtb == TnTipoSaldoCtb::tscFiscal)
    livro = " and P.TIPOCONTROLECONTABIL in (" + Nutil::ValorParaSQL(Value("LN")) + ", " +
            Nutil::ValorParaSQL(Value("LF")) + ")";
  return SelectPlanoEspec(parans, emp) + "from PLANOESPEC P where P.CODIGOEMPRESA = " + emp +
         " and P.CLASSIFCONTA like(:pClassifConta) and P.TIPOCONTA <> :pTipoConta " + livro;
}

std::unique_ptr<TnClientDataSet> TnCtbRepositorioSaldoCtbBase::CriarPlanoEspec(
    const TnParansSaldoCtb& parans) {
  auto resultado = std::make_unique<TnClientDataSet>();
  std::unique_ptr<TnClientDataSet> cursor;
  std::unique_ptr<TnClientDataSet> cursorSub;
  AMapPlanoEspec = std::make_unique<TnMapPlanoEspec>();
  AMapPlanoEspecSub = std::make_unique<TnMapPlanoEspec>();
  auto liberar = [&] {
    AMapPlanoEspec.reset();
    AMapPlanoEspecSub.reset();
    Nutildb::DestruirSQL(cursorSub);
    Nutildb::DestruirSQL(cursor);
  };
  auto copiar = [&resultado](const TnClientDataSet& origem) {
    ValueArray valores;
    for (int i = 0; i < origem.FieldCount(); ++i)
      valores.push_back(origem.Fields(i).AsValue());
    resultado->AppendRecordUnlogged(valores);
  };
  try {
    cursor = Nutildb::ExecutarSQL(GetSqlPlanoEspec(parans));
    for (int i = 0; i < cursor->FieldCount(); ++i) {
      const TField& origem = cursor->Fields(i);
      TField& campo = resultado->AddField(origem.FieldName(), origem.DataType(), origem.Size());
      campo.SetPrecision(origem.Precision());
      campo.SetScale(origem.Scale());
    }
    resultado->CreateDataSet();
    resultado->SetIndexFieldNames("CONTACTB");
    Nfieldmapper_u::FieldMapper::MapearFields(*cursor, *AMapPlanoEspec);

    // Without totalling, a synthetic account brings only what is not
    // synthetic beneath it.
    const int tipoContaExcluido = parans.TotalizarSintetica ? 0 : 1;
    const bool temSelecao =
        !Nutil::Trim(parans.ContaCtb).empty() || !Nutil::Trim(parans.ClassifConta).empty();
    for (cursor->First(); !cursor->Eof(); cursor->Next()) {
      const int64_t tipoConta = AMapPlanoEspec->TIPOCONTA->AsInteger();
      if ((tipoConta == 2 || (parans.TotalizarSintetica && tipoConta == 1)) &&
          !resultado->FindKey({AMapPlanoEspec->CONTACTB->AsValue()}))
        copiar(*cursor);
      if (tipoConta != 1 || !temSelecao)
        continue;
      Nutildb::DestruirSQL(cursorSub);
      cursorSub = Nutildb::ExecutarSQL(
          GetSqlPlanoEspecSub(parans),
          {{"pClassifConta", Value(AMapPlanoEspec->CLASSIFCONTA->AsString() + "%")},
           {"pTipoConta", Value(tipoContaExcluido)}});
      Nfieldmapper_u::FieldMapper::MapearFields(*cursorSub, *AMapPlanoEspecSub);
      for (cursorSub->First(); !cursorSub->Eof(); cursorSub->Next())
        if (!resultado->FindKey({AMapPlanoEspecSub->CONTACTB->AsValue()}))
          copiar(*cursorSub);
    }
  } catch (const std::exception& e) {
    liberar();
    throw Exception(std::string("Problema durante a criação da estrutura do Plano de Contas!\r\n"
                                "Mensagem Original: ") +
                    e.what());
  }
  liberar();
  resultado->First();
  return resultado;
}
