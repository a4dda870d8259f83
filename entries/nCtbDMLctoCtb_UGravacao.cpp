// Around the writing of an entry: the key and defaults of a new record, the
// steps after a post (last entry, import totals, programmed entries), what a
// delete undoes in the reconciliation and rural cash-book tables, the
// cancel, the opening and the refresh of the module.
#include <vector>

#include "entries/nCtbDMLctoCtb_U.h"

#include <fmt/format.h>
#include "framework/app/NutilAmbiente.h"
#include "framework/core/Exceptions.h"
#include "framework/ctb/TnUtilControleLctoPadrao.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

// A reconciliation flag as stored (a one-character text): a number, or 0
// for anything that is not one.
int64_t FlagConciliacao(const Value& flag) {
  if (flag.IsNull())
    return 0;
  try {
    return flag.AsInteger();
  } catch (const EConvertError&) {
    return 0;
  }
}

// The three kinds of reconciliation that point at entries: the lines
// reconciled with an entry, and the link table between lines and entries.
struct TConciliacao {
  const char* Tabela;
  const char* TabelaRelacao;
  const char* CampoData;
  const char* CampoSequencia;
};

// In the order their links are undone.
constexpr TConciliacao kConciliacoes[] = {
    {"CONCBANCLCTO", "CONCBANCLCTOBANC", "DATALCTOBANC", "SEQLCTOBANC"},
    {"OPENFINANCECONCCARTAOLCTO", "OPENFINANCECONCCARLCTORELAC", "DATALCTO", "SEQLCTO"},
    {"OPENFINANCEINVESTIMENTO", "OPENFINANCEINVESTIMENTORELAC", "DATALCTO", "SEQLCTO"},
};

constexpr const char* kSelectGrupoLCDPR =
    "SELECT CODIGOEMPRESA, CHAVELCTOCTB, CODIGOEMPRESADET, CHAVELCTOCTBDET  FROM "
    "LCTOCTBRELACLCDPR  WHERE (CODIGOEMPRESA = :CODIGOEMPRESA  AND CHAVELCTOCTB = :CHAVE)  ";
constexpr const char* kDeleteGrupoLCDPR =
    " DELETE FROM LCTOCTBRELACLCDPR  WHERE CODIGOEMPRESA = :CODIGOEMPRESA  AND CHAVELCTOCTB = "
    ":CHAVELCTOCTB";
constexpr const char* kDeleteLctoCtb =
    "delete from LCTOCTB where CODIGOEMPRESA = :pCodigoEmpresa and CHAVELCTOCTB = :pChaveLctoCtb";

std::string CondicaoEmpresaChave(const char* campoEmpresa, int64_t codigoEmpresa,
                                 const char* campoChave, int64_t chave) {
  return std::string(" ") + campoEmpresa + " = " + Nutil::ValorParaSQL(Value(codigoEmpresa)) +
         " AND " + " " + campoChave + " = " + Nutil::ValorParaSQL(Value(chave));
}

}  // namespace

// ---- Opening, new record ----

void TnCtbDMLctoCtbBase::nClientDataSetBeforeOpen(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetBeforeOpen(dataSet);
  // The screen may have been configured before the selection named the
  // company: its fields follow that company's settings from now on.
  PegarConfigEmpresa();
  PegarConfigUsuario();
  if (Configurado()) {
    for (int i = 0; i < nClientDataSet.FieldCount(); ++i)
      ChecarConfigurarCampo(nClientDataSet.Fields(i));
    ConfigurarTipoLcto();
    AtualizarTelasEmpresa();
  }
  if (!Importacao()) {
    // Room for the code and its description in the grid.
    TField& historico = Campo("CODIGOHISTCTB");
    historico.SetDisplayWidth(18);
    historico.GetDefinicao().SetPropriedade("DisplayWidth", Value(18));
  }
  if (Configurado())
    ConfigurarPainelDiferenca();
}

void TnCtbDMLctoCtbBase::nClientDataSetAfterInsert(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterInsert(dataSet);
  TField& empresa = Campo("CODIGOEMPRESA");
  // A screen opened on a company's selection keys that company's entries.
  if (empresa.IsNull()) {
    if (const int64_t selecionada = Selecao().CodigoEmpresa(); selecionada != 0)
      Atribuir(empresa, Value(selecionada));
  }
  if (!Importacao() && !empresa.IsNull()) {
    TField& chave = Campo("CHAVELCTOCTB");
    const bool somenteLeitura = chave.ReadOnly();
    chave.SetReadOnly(false);
    try {
      DMAutoIncrementarCheck(chave);
    } catch (...) {
      chave.SetReadOnly(somenteLeitura);
      throw;
    }
    chave.SetReadOnly(somenteLeitura);
  }
  TransacaoDepoisInserir();
  // A programmed entry being keyed goes on with its next entry.
  TnUtilControleLctoPadrao& padrao = ControleLctoPadrao();
  if (!Importacao() && !FGerandoLctosPeriodo && padrao.VerificarSequencia(true)) {
    Atribuir(Campo("CODIGOLCTOPROG"), Value(padrao.GetCodigoLctoProgSequencia()));
    if (padrao.GetTemMaisDeUmLcto())
      InserirLctoProg();
  }
  if (Campo("TIPOLANCAMENTO").IsNull())
    Atribuir(Campo("TIPOLANCAMENTO"), Value("LN"));
}

void TnCtbDMLctoCtbBase::InserirLctoProg() {
  const Value codigo = Campo("CODIGOLCTOPROG").AsValue();
  if (codigo.IsNull() || codigo.AsInteger() == 0)
    return;
  PosicionarLctoProg(codigo.AsInteger()).VerificarCarregarDados();
  FocalizaCamposLctoPadrao();
}

TnUtilControleLctoPadrao& TnCtbDMLctoCtbBase::PosicionarLctoProg(int64_t codigoLctoProg) {
  TnUtilControleLctoPadrao& padrao = ControleLctoPadrao();
  padrao.SetCodigoEmpresa(PegarCodigoEmpresa());
  padrao.SetCodigoLctoProg(static_cast<int>(codigoLctoProg));
  padrao.SetCdsLctoProg(&nClientDataSet);
  return padrao;
}

// ---- After a post ----

void TnCtbDMLctoCtbBase::nClientDataSetAfterPost(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterPost(dataSet);
  if (!Importacao() && TemTela())
    FMemoria.GuardarUltimo(nClientDataSet);
  AtualizarDiferencaDepoisGravar();
  TransacaoDepoisGravar();
  MostrarCadastroDataExtemp();
  if (!Nutil::EhHttpExe() || FLctoGerConcBanc)
    ProcessarLctoGerencial(true);
  ProcessarAtividades();
  // The rural register is offered before the balances shown are refreshed.
  MostrarCadastroRegistroQ100();
  if (!Nutil::EhCloud() && Tela()) {
    ExibeSaldoDeb();
    ExibeSaldoCred();
  }
  MostrarCadastro();
  if (Tela() && FMemoria.Operacao == TDataSetState::dsInsert)
    FTeveInsercao = true;
  if (Importacao() && VerificarBalancoImportacao())
    SomarTotaisImportacao();
  FixarInicioTransacao();
  // Other entries of the transaction changed in the database meanwhile.
  if (FTransacao.OutrasAlteradas && !Nutil::EhHttpExe())
    Refresh();
  // A caller that took the menu away wants the form closed after the post.
  if (!FAcessoMenu)
    VerificarClose();
  GerarLctosProgramadosPeriodo();
  FMemoria.ContaDebAnterior = 0;
  FMemoria.ContaCredAnterior = 0;
}

TnClientDataSet* TnCtbDMLctoCtbBase::GetVICDS(bool criar) {
  if (!FVICDS && criar) {
    auto vi = std::make_unique<TnClientDataSet>();
    auto copiar = [&](const char* origem, const char* nome) {
      const TField& campo = Campo(origem);
      vi->AddField(nome, campo.DataType(), campo.Size());
      return vi->FieldCount() - 1;
    };
    ixVICODIGOEMPRESA = copiar("CODIGOEMPRESA", "CODIGOEMPRESA");
    ixVICODIGOESTAB = copiar("CODIGOESTAB", "CODIGOESTAB");
    ixVIDATALCTOCTB = copiar("DATALCTOCTB", "DATALCTOCTB");
    ixVIVALORLCTOCTBCred = copiar("VALORLCTOCTB", "VALORLCTOCTBCred");
    ixVIVALORLCTOCTBDeb = copiar("VALORLCTOCTB", "VALORLCTOCTBDeb");
    vi->CreateDataSet();
    vi->SetLogChanges(false);
    vi->SetIndexFieldNames("CODIGOEMPRESA;CODIGOESTAB;DATALCTOCTB");
    FVICDS = std::move(vi);
  }
  return FVICDS.get();
}

void TnCtbDMLctoCtbBase::SomarTotaisImportacao() {
  TnClientDataSet& vi = *GetVICDS(true);
  const Value empresa = Campo("CODIGOEMPRESA").AsValue();
  const Value estab = Campo("CODIGOESTAB").AsValue();
  const Value data = Campo("DATALCTOCTB").AsValue();
  if (vi.FindKey({empresa, estab, data})) {
    vi.Edit();
  } else {
    vi.Append();
    vi.Fields(ixVICODIGOEMPRESA).SetValue(empresa);
    vi.Fields(ixVICODIGOESTAB).SetValue(estab);
    vi.Fields(ixVIDATALCTOCTB).SetValue(data);
    vi.Fields(ixVIVALORLCTOCTBCred).SetAsCurrency(Currency());
    vi.Fields(ixVIVALORLCTOCTBDeb).SetAsCurrency(Currency());
  }
  const Currency valor = Campo("VALORLCTOCTB").AsCurrency();
  auto somar = [&](int indice) {
    TField& total = vi.Fields(indice);
    total.SetAsCurrency(total.AsCurrency() + valor);
  };
  if (!Campo("CONTACTBCRED").IsNull())
    somar(ixVIVALORLCTOCTBCred);
  if (!Campo("CONTACTBDEB").IsNull())
    somar(ixVIVALORLCTOCTBDeb);
  vi.Post();
}

// A periodic programmed entry repeats the posted entry on each date of its
// period after this one. The copies are keyed through the module itself, so
// each one passes the rule chain and gets its own key; they do not repeat
// themselves in turn.
void TnCtbDMLctoCtbBase::GerarLctosProgramadosPeriodo() {
  TField& lctoProg = Campo("CODIGOLCTOPROG");
  if (FGerandoLctosPeriodo || lctoProg.IsNull() || lctoProg.AsInteger() == 0 ||
      !lctoProg.GetDefinicao().Propriedade("GerarLctosPeriodo").AsBoolean())
    return;
  const std::vector<TDateTime> datas =
      PosicionarLctoProg(lctoProg.AsInteger()).GerarLancamentosPeriodo();
  if (datas.empty())
    return;
  std::vector<std::pair<TField*, Value>> modelo;
  for (int i = 0; i < nClientDataSet.FieldCount(); ++i) {
    TField& field = nClientDataSet.Fields(i);
    const std::string nome = field.FieldName();
    if (field.IsCalculated() || nome == "CHAVELCTOCTB" || nome == "DATAHORALCTOCTB" ||
        nome == "DATALCTOCTB" || nome == "IDSYN")
      continue;
    modelo.emplace_back(&field, field.AsValue());
  }
  FGerandoLctosPeriodo = true;
  struct TFimGeracao {
    bool& Gerando;
    ~TFimGeracao() { Gerando = false; }
  } fim{FGerandoLctosPeriodo};
  for (const TDateTime data : datas) {
    nClientDataSet.Append();
    for (const auto& [field, valor] : modelo)
      Atribuir(*field, valor);
    Atribuir(Campo("DATALCTOCTB"), Value(data));
    nClientDataSet.Post();
  }
}

// ---- Delete and cancel ----

void TnCtbDMLctoCtbBase::nClientDataSetAfterDelete(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterDelete(dataSet);
  // The duplicate question compares with an entry that no longer exists.
  if (!Importacao() && TemTela())
    FMemoria.Ultimo = TUltLctoCtb();
  // A post keeps the unbalanced-transactions list row by row; a delete
  // reads it again.
  if (FExibicao.CDSDifTransacao != nullptr && GetControlarDiferenca())
    FExibicao.DMDifSaldo->AbrirDiferencaTransacao();
  AtualizarDiferencaDepoisGravar();
  ExcluirSplitsDoLancamento(FMemoria.EmpresaExcluida, FMemoria.ChaveExcluida);
  if (FTransacao.OutrasAlteradas && !Nutil::EhHttp())
    Refresh();
}

void TnCtbDMLctoCtbBase::nClientDataSetAfterCancel(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterCancel(dataSet);
  TransacaoDepoisCancelar();
  // A cancelled record ends the programmed entry being keyed.
  ControleLctoPadrao().LimparChaveOld();
}

void TnCtbDMLctoCtbBase::nDataSetProviderBeforeUpdateRecord(TnDataSetProvider& sender,
                                                            TnSQLDataSet* sourceDS, TnDelta& delta,
                                                            size_t record, TUpdateKind updateKind,
                                                            bool& applied) {
  TnDMClientDataSet::nDataSetProviderBeforeUpdateRecord(sender, sourceDS, delta, record, updateKind,
                                                        applied);
  if (updateKind != TUpdateKind::ukDelete)
    return;
  const Value empresa = Nutildb::PegarValorDelta(delta, record, "CODIGOEMPRESA");
  const Value chave = Nutildb::PegarValorDelta(delta, record, "CHAVELCTOCTB");
  if (FlagConciliacao(Nutildb::PegarValorDelta(delta, record, "LCTOCONCILDEB")) != 0 ||
      FlagConciliacao(Nutildb::PegarValorDelta(delta, record, "LCTOCONCILCRED")) != 0)
    DesfazerConciliacoes(empresa, chave);
  CopiarLctoExcluido(empresa, chave);
  // The rural cash-book group goes in the same transaction as the entry
  // (the delete checks asked the person first), so a refused delete leaves
  // the group whole.
  if (GetLancLCDPR(empresa.AsInteger(), chave.AsInteger()))
    ExcluirLancamentosLCDPR(empresa.AsInteger(), chave.AsInteger());
}

// Lines reconciled with the entry by key lose the reconciliation; lines
// linked through the link tables lose it too, and the links go.
void TnCtbDMLctoCtbBase::DesfazerConciliacoes(const Value& codigoEmpresa, const Value& chave) {
  const std::string empresa = Nutil::ValorParaSQL(codigoEmpresa);
  const std::string chaveSql = Nutil::ValorParaSQL(chave);
  for (const TConciliacao& c : kConciliacoes)
    Nutildb::ExecutarSQLDireto(
        Conexao(), fmt::format("update {} set CONCILLCTOCTB = 0, CHAVELCTOCTB = null where "
                               "CHAVELCTOCTB = {} and CODIGOEMPRESA = {}",
                               c.Tabela, chaveSql, empresa));
  for (const TConciliacao& c : kConciliacoes) {
    auto links = Nutildb::ExecutarSQL(
        Conexao(), fmt::format("select CHAVELCTOCTB, CODIGOESTAB, CONTACTB, {}, {}   from {}  "
                               "where CODIGOEMPRESA = {}   and CHAVELCTOCTB = {}",
                               c.CampoData, c.CampoSequencia, c.TabelaRelacao, empresa, chaveSql));
    for (; !links->Eof(); links->Next()) {
      const std::string estab =
          " and " + Nutil::ValorParaSQL(links->FieldByName("CODIGOESTAB"), "=");
      // Every linked line is cleared, not only the first: a line whose
      // link is gone must not stay marked as reconciled.
      Nutildb::ExecutarSQLDireto(
          Conexao(),
          fmt::format("update {} set CONCILLCTOCTB = 0 where CODIGOEMPRESA = {}{} and {} and {} "
                      "and {}",
                      c.Tabela, empresa, estab,
                      Nutil::ValorParaSQL(links->FieldByName("CONTACTB"), "="),
                      Nutil::ValorParaSQL(links->FieldByName(c.CampoData), "="),
                      Nutil::ValorParaSQL(links->FieldByName(c.CampoSequencia), "=")));
      Nutildb::ExecutarSQLDireto(
          Conexao(),
          fmt::format("delete from {} where CODIGOEMPRESA = {}{} and {}", c.TabelaRelacao, empresa,
                      estab, Nutil::ValorParaSQL(links->FieldByName("CHAVELCTOCTB"), "=")));
    }
  }
}

// ---- Rural cash-book groups ----

bool TnCtbDMLctoCtbBase::GetLancLCDPR(int64_t codigoEmpresa, int64_t chave) {
  TnDMSQLDataSet sql(&Conexao());
  const std::string empresa = Nutil::ValorParaSQL(Value(codigoEmpresa));
  const std::string chaveSql = Nutil::ValorParaSQL(Value(chave));
  return sql.PegarTemRegistro("LCTOCTBRELACLCDPR", " (CODIGOEMPRESA = " + empresa +
                                                       " AND CHAVELCTOCTB = " + chaveSql +
                                                       ") OR  (CODIGOEMPRESADET = " + empresa +
                                                       " AND CHAVELCTOCTBDET = " + chaveSql + ")");
}

void TnCtbDMLctoCtbBase::ExcluirLancamentosLCDPR(int64_t codigoEmpresa, int64_t chave) {
  TnDMSQLDataSet sql(&Conexao());
  Value empresaPrincipal(codigoEmpresa);
  Value chavePrincipal(chave);
  std::string outrosDetalhes;
  const bool principal = sql.PegarTemRegistro(
      "LCTOCTBRELACLCDPR",
      CondicaoEmpresaChave("CODIGOEMPRESA", codigoEmpresa, "CHAVELCTOCTB", chave));
  if (!principal) {
    const ValueArray grupo = sql.PegarValorCampos(
        "LCTOCTBRELACLCDPR", "CODIGOEMPRESA;CHAVELCTOCTB",
        CondicaoEmpresaChave("CODIGOEMPRESADET", codigoEmpresa, "CHAVELCTOCTBDET", chave));
    if (grupo.size() < 2 || grupo[0].IsNull())
      return;
    empresaPrincipal = grupo[0];
    chavePrincipal = grupo[1];
    outrosDetalhes = " AND (CHAVELCTOCTBDET <> " + Nutil::ValorParaSQL(Value(chave)) + " )";
  }
  auto detalhes =
      Nutildb::ExecutarSQL(Conexao(), kSelectGrupoLCDPR + outrosDetalhes,
                           {{"CODIGOEMPRESA", empresaPrincipal}, {"CHAVE", chavePrincipal}});
  Nutildb::ExecutarSQLDireto(
      Conexao(), kDeleteGrupoLCDPR,
      {{"CODIGOEMPRESA", empresaPrincipal}, {"CHAVELCTOCTB", chavePrincipal}});
  if (!principal)
    Nutildb::ExecutarSQLDireto(
        Conexao(), kDeleteLctoCtb,
        {{"pCodigoEmpresa", empresaPrincipal}, {"pChaveLctoCtb", chavePrincipal}});
  for (; !detalhes->Eof(); detalhes->Next())
    Nutildb::ExecutarSQLDireto(
        Conexao(), kDeleteLctoCtb,
        {{"pCodigoEmpresa", detalhes->FieldByName("CODIGOEMPRESADET").AsValue()},
         {"pChaveLctoCtb", detalhes->FieldByName("CHAVELCTOCTBDET").AsValue()}});
}

// ---- Provider, refresh ----

void TnCtbDMLctoCtbBase::nDataSetProviderGetTableName(TnDataSetProvider& /*sender*/,
                                                      TnSQLDataSet* /*dataSet*/,
                                                      std::string& tableName) {
  tableName = "LCTOCTB";
}

void TnCtbDMLctoCtbBase::Refresh() {
  TnDMClientDataSet::Refresh();
  // Settings may have changed while the screen was open.
  PegarConfigEmpresa(true);
  FFiltroCODIGOHISTCTBAtualizar = true;
  cdsPercentRatCta.EmptyDataSet();
  if (GetTipoExibeTituloSaldo() == teAmbos || GetTipoExibeTituloSaldo() == teSaldo)
    cdsSaldos.EmptyDataSet();
  if (FExibicao.FraDifSaldo)
    ConfigurarPainelDiferenca();
}
