#include "framework/app/TnDMClientDataSet.h"

#include <fmt/format.h>

#include <map>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Ascii.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/DbCursor.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"

namespace {

std::vector<std::string> Nomes(const std::string& lista) {
  std::vector<std::string> nomes;
  for (const std::string& item : Nutil::StrToStrArray(lista, ";")) {
    std::string nome = Nutil::Trim(item);
    if (!nome.empty())
      nomes.push_back(std::move(nome));
  }
  return nomes;
}

bool TerminaCom(const std::string& texto, const std::string& fim) {
  return texto.size() >= fim.size() &&
         texto.compare(texto.size() - fim.size(), fim.size(), fim) == 0;
}

// The position of the first of the clauses that end a where, at or after
// `inicio`; npos when none.
size_t FimDoWhere(const std::string& upper, size_t inicio) {
  size_t fim = std::string::npos;
  for (const char* clausula : {" GROUP BY ", " ORDER BY ", " LIMIT ", " {LIMIT("}) {
    size_t pos = upper.find(clausula, inicio);
    if (pos != std::string::npos && (fim == std::string::npos || pos < fim))
      fim = pos;
  }
  return fim;
}

// The prefix of the parameters the opening's where binds; the select's own
// parameters never use it.
constexpr const char* kPrefixoParamSelecao = "pSelDM";

// The select's own parameters, without those of the last opening's where.
TParams ParamsProprios(const TParams& params) {
  TParams proprios;
  for (const auto& param : params) {
    if (param.first.rfind(kPrefixoParamSelecao, 0) != 0)
      proprios.push_back(param);
  }
  return proprios;
}

// The dictionaries are the code's, shared by every session's modules: a
// module registers its own when built, on whichever thread builds it. An
// entry never changes once there, so a pointer to it stays valid unlocked.
std::shared_mutex gTravaDicionarios;

std::map<std::string, TnDicionarioLookup>& Dicionarios() {
  static std::map<std::string, TnDicionarioLookup> dicionarios = {
      {"CONTACTB", {"PLANOESPEC", "CODIGOEMPRESA;CONTACTB", "DESCRCONTA"}},
      {"CONTACTBDEB", {"PLANOESPEC", "CODIGOEMPRESA;CONTACTB", "DESCRCONTA"}},
      {"CONTACTBCRED", {"PLANOESPEC", "CODIGOEMPRESA;CONTACTB", "DESCRCONTA"}},
      {"CODIGOHISTCTB", {"HISTORICOCTB", "CODIGOHISTCTB", "DESCRHISTCTB"}},
      {"CODIGOLOTECTB", {"LOTECTB", "CODIGOEMPRESA;CODIGOLOTECTB", "DESCRLOTECTB"}},
      {"CODIGOESTAB", {"ESTAB", "CODIGOEMPRESA;CODIGOESTAB", "NOMEESTAB"}},
  };
  return dicionarios;
}

// Sequences of the fields the modules draw keys for.
std::string SequenciaConhecida(const std::string& fieldName) {
  if (Nutil::UpperCase(fieldName) == "CHAVELCTOCTB")
    return "DYN_GENCHAVELCTOCTB(CODIGOEMPRESA)";
  return "";
}

}  // namespace

TnDicionarioLookup::TnDicionarioLookup(std::string tabela, std::string camposChave,
                                       std::string campoDescricao)
    : Tabela(std::move(tabela)),
      CamposChave(std::move(camposChave)),
      CampoDescricao(std::move(campoDescricao)),
      NomesChave(Nomes(CamposChave)) {}

TnDMClientDataSet::TnDMClientDataSet() {
  nDataSetProvider.SetDataSet(&nSQLDataSet);
  nClientDataSet.SetProvider(&nDataSetProvider);
  LigarEventos();
}

TnDMClientDataSet::~TnDMClientDataSet() {
  if (FFormProprio) {
    FForm = nullptr;
    FFormProprio.reset();
  }
}

void TnDMClientDataSet::LigarEventos() {
  TnClientDataSet& cds = nClientDataSet;
  cds.BeforeOpen = [this](TnClientDataSet& ds) { nClientDataSetBeforeOpen(ds); };
  cds.BeforeInsert = [this](TnClientDataSet& ds) { nClientDataSetBeforeInsert(ds); };
  cds.OnNewRecord = [this](TnClientDataSet& ds) { nClientDataSetNewRecord(ds); };
  cds.AfterInsert = [this](TnClientDataSet& ds) { nClientDataSetAfterInsert(ds); };
  cds.BeforeEdit = [this](TnClientDataSet& ds) { nClientDataSetBeforeEdit(ds); };
  cds.BeforePost = [this](TnClientDataSet& ds) { nClientDataSetBeforePost(ds); };
  cds.AfterPost = [this](TnClientDataSet& ds) { nClientDataSetAfterPost(ds); };
  cds.BeforeDelete = [this](TnClientDataSet& ds) { nClientDataSetBeforeDelete(ds); };
  cds.AfterDelete = [this](TnClientDataSet& ds) { nClientDataSetAfterDelete(ds); };
  cds.AfterCancel = [this](TnClientDataSet& ds) { nClientDataSetAfterCancel(ds); };
  cds.AfterScroll = [this](TnClientDataSet& ds) { nClientDataSetAfterScroll(ds); };
  cds.OnCalcFields = [this](TnClientDataSet& ds) { nClientDataSetCalcFields(ds); };
  cds.OnReconcileError = [this](TnClientDataSet& ds, const std::string& message, TUpdateKind kind,
                                TReconcileAction& action) {
    DoReconcileError(ds, message, kind, action);
  };
  nDataSetProvider.BeforeUpdateRecord = [this](TnDataSetProvider& sender, TnSQLDataSet* source,
                                               TnDelta& delta, size_t record, TUpdateKind kind,
                                               bool& applied) {
    nDataSetProviderBeforeUpdateRecord(sender, source, delta, record, kind, applied);
  };
  nDataSetProvider.OnGetTableName = [this](TnDataSetProvider& sender, TnSQLDataSet* dataSet,
                                           std::string& tableName) {
    nDataSetProviderGetTableName(sender, dataSet, tableName);
  };
  nDataSetProvider.AfterApplyUpdates = [this](TnDataSetProvider& sender) {
    nDataSetProviderAfterApplyUpdates(sender);
  };
}

// ---- Configuration ----

void TnDMClientDataSet::Configurar(TnForm* form) {
  if (form != nullptr) {
    FForm = form;
    FTemTela = true;
  }
  AntesConfigurar(form);
  if (!FConfigurado) {
    ConfigurarTabela();
    DefinirCampos();
    AplicarChavePrimaria();
  }
  if (form != nullptr)
    AntesConfigurarCampos();
  if (!FConfigurado) {
    for (int i = 0; i < nClientDataSet.FieldCount(); ++i)
      ConfigurarCampo(nClientDataSet.Fields(i));
    FConfigurado = true;
  }
  DepoisConfigurar(form);
}

void TnDMClientDataSet::AntesConfigurarCampos() {
  for (int i = 0; i < nClientDataSet.FieldCount(); ++i) {
    TField& field = nClientDataSet.Fields(i);
    if (const auto& antes = field.GetDefinicao().AntesConfigurar)
      antes(field);
  }
}

void TnDMClientDataSet::AntesConfigurar(TnForm* /*form*/) {}
void TnDMClientDataSet::ConfigurarTabela() {}
void TnDMClientDataSet::ConfigurarCampo(TField& /*field*/) {}
void TnDMClientDataSet::DepoisConfigurar(TnForm* /*form*/) {}
void TnDMClientDataSet::ConfigurarAutoValor(TnClientDataSet& /*sender*/) {}

void TnDMClientDataSet::DefinirCampos() {
  if (nClientDataSet.FieldCount() > 0 || FSelectText.empty())
    return;
  // The columns of the select, without reading a row.
  nSQLDataSet.SetConexao(ConexaoDefinida());
  TParams params = ParamsProprios(nSQLDataSet.Params());
  nSQLDataSet.SetCommandText(MontarSQL("1 = 0", params));
  nSQLDataSet.SetParams(params);
  TDbResult result = nSQLDataSet.Abrir();
  DbCursor::DefinirCampos(nClientDataSet, result.Columns);
}

void TnDMClientDataSet::AplicarChavePrimaria() {
  const std::string chave = ChavePrimaria();
  if (chave.empty())
    return;
  nDataSetProvider.SetKeyFields(chave);
  for (const std::string& nome : Nomes(chave)) {
    if (TField* field = nClientDataSet.FindField(nome))
      field->SetProviderFlags(field->ProviderFlags() | pfInKey | pfInWhere);
  }
}

// ---- Hooks with a base behaviour ----

void TnDMClientDataSet::ValidarDado() {
  for (int i = 0; i < nClientDataSet.FieldCount(); ++i) {
    TField& field = nClientDataSet.Fields(i);
    if (!field.IsCalculated() && field.Required() && field.IsNull())
      throw EnField("Campo '" + field.DisplayLabel() + "' deve ter um valor", field.FieldName());
  }
  ValidarLookups();
}

bool TnDMClientDataSet::ValidarImportacao(TnListaMensagem* /*sender*/) {
  return true;
}

nlohmann::ordered_json TnDMClientDataSet::PegarJsonConfigExtra() const {
  return nlohmann::ordered_json::object();
}

nlohmann::ordered_json TnDMClientDataSet::PegarJsonConteudo() {
  return TnUtilConsultaWeb::RegistroJson(nClientDataSet);
}

void TnDMClientDataSet::Refresh() {
  if (!nClientDataSet.Active())
    return;
  const std::vector<std::string> chave = Nomes(ChavePrimaria());
  ValueArray valores;
  if (!nClientDataSet.IsEmpty()) {
    for (const std::string& nome : chave)
      valores.push_back(nClientDataSet.FieldByName(nome).AsValue());
  }
  nDataSetProvider.GetRecords(nClientDataSet);
  if (!chave.empty() && !valores.empty())
    nClientDataSet.Locate(ChavePrimaria(), valores);
}

bool TnDMClientDataSet::VerificarClose() {
  if (FForm == nullptr || FForm->Fechado())
    return true;
  return FForm->Close();
}

TnForm& TnDMClientDataSet::CriarForm() {
  if (!FFormProprio) {
    const std::string classe = ClassName().empty() ? "TnDMClientDataSet" : ClassName();
    FFormProprio = std::make_unique<TnForm>("Frm" + classe);
    Configurar(FFormProprio.get());
  }
  return *FFormProprio;
}

void TnDMClientDataSet::DoFormDestroy() {
  FForm = nullptr;
  FTemTela = false;
}

void TnDMClientDataSet::DestruirForm() {
  if (FForm == nullptr)
    return;
  DoFormDestroy();
  FFormProprio.reset();
}

// ---- Opening ----

std::string TnDMClientDataSet::VerificaSelecao() const {
  return FVerificaSelecaoManual.empty() ? PegarVerificaSelecao() : FVerificaSelecaoManual;
}

std::string TnDMClientDataSet::MontarSQL(const std::string& condicao, TParams& params) const {
  std::string where;
  int n = 0;
  for (const std::string& nome : Nomes(VerificaSelecao())) {
    std::string coluna = Nutil::UpperCase(nome);
    std::string op = " = ";
    for (const auto& [sufixo, comparacao] :
         {std::pair<const char*, const char*>{"_MAIORIGUAL", " >= "}, {"_MENORIGUAL", " <= "}}) {
      if (TerminaCom(coluna, sufixo)) {
        coluna.resize(coluna.size() - std::string(sufixo).size());
        op = comparacao;
      }
    }
    Nutildb::VerificarIdentificador(coluna);
    const std::string param = kPrefixoParamSelecao + std::to_string(++n);
    Nutil::Add(where, fmt::format("{}{}:{}", coluna, op, param), " and ");
    params.emplace_back(param, FSelecao.Param(nome));
  }
  if (!FFiltroAbertura.empty())
    Nutil::Add(where, "(" + FFiltroAbertura + ")", " and ");
  if (!condicao.empty())
    Nutil::Add(where, "(" + condicao + ")", " and ");
  std::string sql = FSelectText;
  if (where.empty())
    return sql;
  const std::string upper = Nutil::UpperCase(sql);
  const size_t posWhere = upper.find(" WHERE ");
  if (posWhere == std::string::npos) {
    const size_t fim = FimDoWhere(upper, 0);
    const size_t pos = fim == std::string::npos ? sql.size() : fim;
    return sql.substr(0, pos) + " where " + where + sql.substr(pos);
  }
  // The select's own condition keeps its meaning whatever its operators.
  const size_t inicio = posWhere + 7;
  const size_t fim = FimDoWhere(upper, inicio);
  const size_t pos = fim == std::string::npos ? sql.size() : fim;
  return sql.substr(0, inicio) + "(" + sql.substr(inicio, pos - inicio) + ") and " + where +
         sql.substr(pos);
}

void TnDMClientDataSet::Abrir(const TnSelecao* selecao) {
  FSelecao = selecao != nullptr ? *selecao : nDMSelecao().Selecao();
  std::string faltam;
  for (const std::string& nome : Nomes(VerificaSelecao())) {
    if (!FSelecao.Atende(nome))
      Nutil::Add(faltam, nome, ", ");
  }
  if (!faltam.empty())
    throw Exception("Seleção incompleta: informe " + faltam);
  if (!FConfigurado)
    Configurar(nullptr);
  nSQLDataSet.SetConexao(ConexaoDefinida());
  TParams params = ParamsProprios(nSQLDataSet.Params());
  std::string sql = MontarSQL(FSobDemanda ? "1 = 0" : "", params);
  nSQLDataSet.SetCommandText(sql);
  nSQLDataSet.SetParams(params);
  FUltimoSQL = std::move(sql);
  if (nClientDataSet.Active())
    nClientDataSet.Close();
  nDataSetProvider.GetRecords(nClientDataSet);
}

int TnDMClientDataSet::FetchRegistros(const std::string& condicao, const TParams& parametros) {
  if (!nClientDataSet.Active())
    throw Exception("FetchRegistros: o módulo não está aberto");
  TnSQLDataSet consulta(ConexaoDefinida());
  TParams params = ParamsProprios(nSQLDataSet.Params());
  consulta.SetCommandText(MontarSQL(condicao, params));
  params.insert(params.end(), parametros.begin(), parametros.end());
  consulta.SetParams(params);
  TDbResult result = consulta.Abrir();
  FUltimoSQL = consulta.CommandText();

  const std::string chave = ChavePrimaria();
  const std::vector<std::string> nomesChave = Nomes(chave);
  std::vector<int> colunaChave;
  colunaChave.reserve(nomesChave.size());
  for (const std::string& nome : nomesChave)
    colunaChave.push_back(result.ColumnIndex(nome));
  std::vector<int> coluna(static_cast<size_t>(nClientDataSet.FieldCount()), -1);
  for (int i = 0; i < nClientDataSet.FieldCount(); ++i) {
    if (!nClientDataSet.Fields(i).IsCalculated())
      coluna[static_cast<size_t>(i)] = result.ColumnIndex(nClientDataSet.Fields(i).FieldName());
  }
  int adicionados = 0;
  const TBookmark posicao = nClientDataSet.IsEmpty() ? -1 : nClientDataSet.GetBookmark();
  for (const ValueArray& row : result.Rows) {
    if (!nomesChave.empty()) {
      ValueArray valoresChave;
      for (int c : colunaChave)
        valoresChave.push_back(c >= 0 ? row[static_cast<size_t>(c)] : Value());
      if (!nClientDataSet.Lookup(chave, valoresChave, nomesChave.front()).IsNull())
        continue;
    }
    ValueArray values(coluna.size());
    for (size_t i = 0; i < coluna.size(); ++i)
      values[i] = coluna[i] >= 0 ? row[static_cast<size_t>(coluna[i])] : Value();
    nClientDataSet.AppendRecordUnlogged(values);
    ++adicionados;
  }
  if (posicao >= 0 && nClientDataSet.BookmarkValid(posicao))
    nClientDataSet.GotoBookmark(posicao);
  else
    nClientDataSet.First();
  return adicionados;
}

// ---- Applying ----

void TnDMClientDataSet::AplicarAtualizacoes() {
  if (nClientDataSet.ChangeCount() == 0)
    return;
  FUltimoErro.clear();
  nSQLDataSet.SetConexao(ConexaoDefinida());
  const int erros = nClientDataSet.ApplyUpdates(0);
  if (erros > 0) {
    if (FUltimoErro.empty())
      FUltimoErro = "Não foi possível gravar o registro";
    throw Exception(FUltimoErro);
  }
}

void TnDMClientDataSet::DescartarPendentes() {
  if (!nClientDataSet.Active())
    return;
  if (nClientDataSet.State() == TDataSetState::dsInsert ||
      nClientDataSet.State() == TDataSetState::dsEdit)
    nClientDataSet.Cancel();
  nClientDataSet.CancelUpdates();
  nClientDataSet.EmptyDataSet();
}

void TnDMClientDataSet::AplicarSeGravando() {
  if (FAplicarAoGravar && !FImportacao)
    AplicarAtualizacoes();
}

// ---- Events ----

void TnDMClientDataSet::nClientDataSetBeforeOpen(TnClientDataSet& /*dataSet*/) {}
namespace {

void RecusarSeConsulta(const TnDMClientDataSet& modulo) {
  if (modulo.SomenteConsulta())
    throw Exception("Consulta: os registros de " + modulo.ClassName() +
                    " não podem ser incluídos, alterados ou excluídos");
}

}  // namespace

void TnDMClientDataSet::nClientDataSetBeforeInsert(TnClientDataSet& /*dataSet*/) {
  RecusarSeConsulta(*this);
}

void TnDMClientDataSet::nClientDataSetNewRecord(TnClientDataSet& dataSet) {
  TnControleFieldsManutencaoTela::Controlar(*this, [&] { ConfigurarAutoValor(dataSet); });
}

void TnDMClientDataSet::nClientDataSetAfterInsert(TnClientDataSet& /*dataSet*/) {}
void TnDMClientDataSet::nClientDataSetBeforeEdit(TnClientDataSet& /*dataSet*/) {
  RecusarSeConsulta(*this);
}

void TnDMClientDataSet::nClientDataSetBeforePost(TnClientDataSet& dataSet) {
  TnControleFieldsManutencaoTela::Controlar(*this, [&] { ConfigurarAutoValor(dataSet); });
  ValidarDado();
}

void TnDMClientDataSet::nClientDataSetAfterPost(TnClientDataSet& /*dataSet*/) {
  AplicarSeGravando();
}

void TnDMClientDataSet::nClientDataSetBeforeDelete(TnClientDataSet& /*dataSet*/) {
  RecusarSeConsulta(*this);
}

void TnDMClientDataSet::nClientDataSetAfterDelete(TnClientDataSet& /*dataSet*/) {
  AplicarSeGravando();
}

void TnDMClientDataSet::nClientDataSetAfterCancel(TnClientDataSet& /*dataSet*/) {}
void TnDMClientDataSet::nClientDataSetAfterScroll(TnClientDataSet& /*dataSet*/) {}
void TnDMClientDataSet::nClientDataSetCalcFields(TnClientDataSet& /*dataSet*/) {}

void TnDMClientDataSet::DoReconcileError(TnClientDataSet& /*dataSet*/, const std::string& message,
                                         TUpdateKind /*kind*/, TReconcileAction& action) {
  FUltimoErro = message;
  action = TReconcileAction::raSkip;
}

void TnDMClientDataSet::nDataSetProviderBeforeUpdateRecord(TnDataSetProvider& /*sender*/,
                                                           TnSQLDataSet* /*sourceDS*/,
                                                           TnDelta& /*delta*/, size_t /*record*/,
                                                           TUpdateKind /*updateKind*/,
                                                           bool& /*applied*/) {}

void TnDMClientDataSet::nDataSetProviderGetTableName(TnDataSetProvider& /*sender*/,
                                                     TnSQLDataSet* /*dataSet*/,
                                                     std::string& /*tableName*/) {}

void TnDMClientDataSet::nDataSetProviderAfterApplyUpdates(TnDataSetProvider& /*sender*/) {
  FLookupsDoLote.clear();
  FValoresDoLote.clear();
}

// ---- Fields ----

TnFraField* TnDMClientDataSet::EdFindFieldControl(const TField& field) const {
  if (FForm == nullptr)
    return nullptr;
  const std::string nome = Nutil::UpperCase(field.FieldName());
  for (size_t i = 0; i < FForm->ControleCount(); ++i) {
    const TnControle& controle = FForm->ControleAt(i);
    if (controle.Tipo() == TTipoControle::FraField &&
        Nutil::UpperCase(static_cast<const TnFraField&>(controle).NomeCampo) == nome)
      return &FForm->FraField(controle.Name());
  }
  return nullptr;
}

void TnDMClientDataSet::EdEnabledField(TField& field, bool enabled) {
  field.SetReadOnly(!enabled);
  if (TnFraField* frame = EdFindFieldControl(field))
    frame->Enabled = enabled;
}

void TnDMClientDataSet::EdVisibleField(TField& field, bool visible) {
  field.SetVisible(visible);
  if (TnFraField* frame = EdFindFieldControl(field))
    frame->Visible = visible;
}

void TnDMClientDataSet::EdRequiredField(TField& field, bool required) {
  field.SetRequired(required);
}

void TnDMClientDataSet::RegistrarDicionarioLookup(const std::string& nome,
                                                  const TnDicionarioLookup& dicionario) {
  std::unique_lock trava(gTravaDicionarios);
  Dicionarios().try_emplace(Nutil::UpperCase(nome), dicionario);
}

const TnDicionarioLookup* TnDMClientDataSet::DicionarioLookup(const std::string& nome) {
  std::shared_lock trava(gTravaDicionarios);
  auto it = Dicionarios().find(Nutil::UpperCase(nome));
  return it == Dicionarios().end() ? nullptr : &it->second;
}

const TnDicionarioLookup* TnDMClientDataSet::DicionarioDoCampo(const TField& field) {
  const std::string& nomeDicionario = field.GetDefinicao().DicionarioLookup();
  return DicionarioLookup(nomeDicionario.empty() ? field.FieldName() : nomeDicionario);
}

ValueArray TnDMClientDataSet::ValoresChaveLookup(const TField& field,
                                                 const TnDicionarioLookup& dicionario) const {
  const std::vector<std::string>& nomes = dicionario.NomesChave;
  ValueArray valores(nomes.size());
  for (size_t i = 0; i < nomes.size(); ++i) {
    if (i + 1 == nomes.size())
      valores[i] = field.AsValue();
    else if (Ascii::IguaisSemCaixa(nomes[i], "CODIGOEMPRESA"))
      valores[i] = Value(PegarCodigoEmpresa());
    else
      valores[i] = nClientDataSet.FieldByName(nomes[i]).AsValue();
  }
  return valores;
}

TnDMClientDataSet::TCondicaoLookup TnDMClientDataSet::CondicaoLookup(
    const TnDicionarioLookup& dicionario, const ValueArray& chave) {
  TCondicaoLookup condicao;
  for (size_t i = 0; i < chave.size(); ++i) {
    if (chave[i].IsNull()) {
      Nutil::Add(condicao.Where, dicionario.NomesChave[i] + " is null", " and ");
      continue;
    }
    const std::string nome = fmt::format("pChaveLookup{}", i);
    Nutil::Add(condicao.Where, dicionario.NomesChave[i] + " = :" + nome, " and ");
    condicao.Params.emplace_back(nome, chave[i]);
  }
  return condicao;
}

Value TnDMClientDataSet::EdFindValueDataSetLookup(const std::string& fieldName,
                                                  const std::string& resultField) {
  TField& field = nClientDataSet.FieldByName(fieldName);
  if (field.IsNull())
    return Value();
  const TnDicionarioLookup* dicionario = DicionarioDoCampo(field);
  if (dicionario == nullptr)
    return Value();
  const TCondicaoLookup condicao =
      CondicaoLookup(*dicionario, ValoresChaveLookup(field, *dicionario));
  TnDMSQLDataSet sql(&Conexao());
  return sql.PegarValorCampo(dicionario->Tabela, resultField, condicao.Where, condicao.Params);
}

Value TnDMClientDataSet::ValorDoLote(const std::string& tabela, const std::string& campo,
                                     const std::string& where) {
  TnDMSQLDataSet sql(&Conexao());
  if (!Importacao())
    return sql.PegarValorCampo(tabela, campo, where);
  auto [achado, novo] = FValoresDoLote.try_emplace(tabela + '\n' + campo + '\n' + where);
  if (novo)
    achado->second = sql.PegarValorCampo(tabela, campo, where);
  return achado->second;
}

void TnDMClientDataSet::ValidarLookups() {
  if (FIgnorarLookup)
    return;
  for (int i = 0; i < nClientDataSet.FieldCount(); ++i) {
    TField& field = nClientDataSet.Fields(i);
    if (field.IsNull() || !field.GetDefinicao().Propriedade("ValidarLookup").AsBoolean())
      continue;
    const TnDicionarioLookup* dicionario = DicionarioDoCampo(field);
    if (dicionario == nullptr)
      continue;
    const TnFieldDefinicao& definicao = field.GetDefinicao();
    const ValueArray chave = ValoresChaveLookup(field, *dicionario);
    const std::string filtro = definicao.Propriedade("FiltroLookup").AsString();
    // An import names the same few codes again and again: a code found
    // once in this batch is not looked for again. Remembered by the key's
    // columns and values, so that a repeat costs no statement text.
    std::string lembrado;
    if (Importacao()) {
      lembrado = dicionario->Tabela + '\n' + filtro + '\n';
      for (size_t k = 0; k < chave.size(); ++k) {
        lembrado += dicionario->NomesChave[k] + '\n';
        AppendKeyBytes(lembrado, chave[k]);
      }
      if (FLookupsDoLote.contains(lembrado))
        continue;
    }
    TCondicaoLookup condicao = CondicaoLookup(*dicionario, chave);
    if (!filtro.empty())
      condicao.Where = fmt::format("({}) and ({})", condicao.Where, filtro);
    TnDMSQLDataSet sql(&Conexao());
    if (!sql.PegarTemRegistro(dicionario->Tabela, condicao.Where, condicao.Params)) {
      const std::string mensagem = definicao.Propriedade("MensagemLookup").AsString();
      throw EnField(mensagem.empty() ? fmt::format("{}: {} não existe, verifique.",
                                                   field.DisplayLabel(), field.AsString())
                                     : mensagem,
                    field.FieldName());
    }
    if (!lembrado.empty())
      FLookupsDoLote.insert(std::move(lembrado));
  }
}

int64_t TnDMClientDataSet::DMAutoIncrementarCheck(TField& field) {
  if (!field.IsNull() && field.AsInteger() != 0)
    return field.AsInteger();
  std::string sequencia = field.GetDefinicao().Propriedade("NomeSequence").AsString();
  if (sequencia.empty())
    sequencia = SequenciaConhecida(field.FieldName());
  if (sequencia.empty())
    throw Exception("O campo " + field.FieldName() + " não tem sequência de auto-incremento");
  // "NAME(FIELD)": the sequence of the record's value of FIELD.
  const size_t abre = sequencia.find('(');
  const size_t fecha = sequencia.rfind(')');
  int64_t valor = 0;
  if (abre != std::string::npos && fecha != std::string::npos && fecha > abre) {
    const std::string base = sequencia.substr(0, abre);
    const std::string campo = Nutil::Trim(sequencia.substr(abre + 1, fecha - abre - 1));
    const Value chave = nClientDataSet.FieldByName(campo).AsValue();
    if (chave.IsNull())
      throw Exception("O campo " + campo + " deve ser informado antes de " + field.FieldName());
    if (Nutil::UpperCase(base) == "DYN_GENCHAVELCTOCTB")
      valor = FBlocoChaves ? FBlocoChaves->Proxima(chave.AsInteger())
                           : Nutilsequence::ProximaChaveLctoCtb(Conexao(), chave.AsInteger());
    else
      valor = Nutilsequence::PegarProximaSequence(Conexao(), base + "(" + chave.AsString() + ")");
  } else {
    valor = Nutilsequence::PegarProximaSequence(Conexao(), sequencia);
  }
  field.SetAsInteger(valor);
  return valor;
}

void TnDMClientDataSet::SelecionarConteudo(TField& field) {
  FCampoSelecionado = field.FieldName();
  if (FForm != nullptr)
    FForm->FocarCampo(field.FieldName());
}

int64_t TnDMClientDataSet::PegarCodigoEmpresa() const {
  if (nClientDataSet.Active()) {
    if (const TField* field = nClientDataSet.FindField("CODIGOEMPRESA")) {
      if (const Value& empresa = field->AsValue(); !empresa.IsNull())
        return empresa.AsInteger();
    }
  }
  return FSelecao.CodigoEmpresa();
}

// ---- TnControleFieldsManutencaoTela ----

void TnControleFieldsManutencaoTela::Controlar(TnDMClientDataSet& modulo,
                                               const std::function<void()>& proc) {
  TnClientDataSet& cds = modulo.nClientDataSet;
  cds.DisableFieldChanges();
  struct TReativar {
    TnClientDataSet& Cds;
    ~TReativar() { Cds.EnableFieldChanges(); }
  } reativar{cds};
  proc();
}
