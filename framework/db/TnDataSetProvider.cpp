#include "framework/db/TnDataSetProvider.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <utility>

#include "framework/core/Nutil.h"
#include "framework/db/DbCursor.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSQLDataSet.h"

namespace {

// A handler that keeps answering "correct" for a record that keeps failing
// would loop forever; past this many rewrites the record is skipped.
constexpr int kMaxCorrecoes = 10;

// Inserts queued before they are sent together: enough to make the exchange
// with the engine a small part of each, few enough to keep the texts small.
constexpr size_t kInsercoesPorLote = 1000;

const char* const kRegistroNaoEncontrado = "Registro não encontrado ou alterado por outro usuário";

// "NAME = :O_NAME" (or "NAME is null") for a field's old value.
std::string CondicaoValorAntigo(const std::string& name, const Value& old, TParams& params) {
  if (old.IsNull())
    return name + " is null";
  params.emplace_back("O_" + name, old);
  return name + " = :O_" + name;
}

bool EhCaractereDeNome(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// The first name after the word "from" outside quotes; empty when none.
std::string PrimeiraTabela(const std::string& sql) {
  char aspas = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    char c = sql[i];
    if (aspas) {
      if (c == aspas)
        aspas = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      aspas = c;
      continue;
    }
    bool inicio = i == 0 || !EhCaractereDeNome(sql[i - 1]);
    if (!inicio || i + 4 > sql.size() || Nutil::UpperCase(sql.substr(i, 4)) != "FROM" ||
        (i + 4 < sql.size() && EhCaractereDeNome(sql[i + 4])))
      continue;
    size_t start = i + 4;
    while (start < sql.size() && std::isspace(static_cast<unsigned char>(sql[start])))
      ++start;
    size_t end = start;
    while (end < sql.size() && EhCaractereDeNome(sql[end]))
      ++end;
    return sql.substr(start, end - start);
  }
  return "";
}

// Appends "NAME = :O_NAME" (or "NAME is null") for each key field's old value.
std::string Condicao(const TnDelta& delta, size_t record, const std::vector<TField*>& key,
                     TParams& params) {
  if (key.empty())
    throw Exception("Nenhum campo chave para localizar o registro a gravar");
  std::string where;
  for (TField* field : key) {
    const std::string& name = field->FieldName();
    where += (where.empty() ? "" : " and ") +
             CondicaoValorAntigo(name, delta.OldValue(record, *field), params);
  }
  return where;
}

}  // namespace

TnDMConexao& TnDataSetProvider::Conexao() const {
  if (FConexao)
    return *FConexao;
  return FDataSet ? FDataSet->Conexao() : TnDMConexao::Atual();
}

std::string TnDataSetProvider::GetTableName() {
  std::string name = FTableName;
  if (name.empty() && FDataSet)
    name = PrimeiraTabela(FDataSet->CommandText());
  if (OnGetTableName)
    OnGetTableName(*this, FDataSet, name);
  if (name.empty())
    throw Exception("O provedor não tem tabela para gravar as alterações");
  Nutildb::VerificarIdentificador(name, true);
  return name;
}

void TnDataSetProvider::GetRecords(TnClientDataSet& target) {
  if (!FDataSet)
    throw Exception("O provedor não tem SQL data set para ler os registros");
  TDbResult result = FDataSet->Abrir();
  if (target.FieldCount() == 0)
    DbCursor::DefinirCampos(target, result.Columns);
  if (target.Active())
    target.EmptyDataSet();
  DbCursor::Carregar(target, result);
}

// Checked once for the whole delta instead of on every row; with a name
// unfit for a statement the rows check theirs, and the row refused says so.
bool TnDataSetProvider::NomesDeColunaValidos(const TnClientDataSet& dataSet) {
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    const TField& field = dataSet.Fields(i);
    if (!field.IsCalculated() && field.HasProviderFlag(pfInUpdate) &&
        !Nutildb::EhIdentificador(field.FieldName()))
      return false;
  }
  return true;
}

std::vector<TField*> TnDataSetProvider::CamposChave(const TnClientDataSet& dataSet) const {
  std::vector<TField*> key;
  if (!FKeyFields.empty()) {
    std::string atual;
    for (char c : FKeyFields + ";") {
      if (c != ';') {
        atual += c;
      } else if (!Nutil::Trim(atual).empty()) {
        key.push_back(&dataSet.FieldByName(Nutil::Trim(atual)));
        atual.clear();
      }
    }
    return key;
  }
  for (TProviderFlag flag : {pfInKey, pfInWhere}) {
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
      TField& field = dataSet.Fields(i);
      if (!field.IsCalculated() && field.HasProviderFlag(flag))
        key.push_back(&field);
    }
    if (!key.empty())
      break;
  }
  return key;
}

// Values go by position, in the order of the columns listed: no name to
// match per row.
TnDMConexao::TComando TnDataSetProvider::ComandoInclusao(const TnDelta& delta, size_t record,
                                                         const std::string& table) {
  const TnClientDataSet& dataSet = delta.DataSet();
  TParams params;
  std::vector<const TField*> campos;
  params.reserve(static_cast<size_t>(dataSet.FieldCount()));
  campos.reserve(static_cast<size_t>(dataSet.FieldCount()));
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    const TField& field = dataSet.Fields(i);
    if (field.IsCalculated() || !field.HasProviderFlag(pfInUpdate))
      continue;
    const Value& value = delta.NewValue(record, field);
    if (value.IsNull() && FTemPadrao[static_cast<size_t>(i)])
      continue;
    campos.push_back(&field);
    params.emplace_back(std::string(), value);
  }
  if (campos.empty())
    throw Exception("Nenhum campo para incluir em " + table);
  if (campos != FCamposInclusao) {
    std::string colunas, valores;
    for (const TField* field : campos) {
      const std::string& name = field->FieldName();
      if (!FNomesVerificados)
        Nutildb::VerificarIdentificador(name);
      if (!colunas.empty()) {
        colunas += ", ";
        valores += ", ";
      }
      colunas += name;
      valores += ":N_";
      valores += name;
    }
    FSqlInclusao = "insert into " + table + " (" + colunas + ") values (" + valores + ")";
    FCamposInclusao = std::move(campos);
  }
  return TnDMConexao::TComando{FSqlInclusao, std::move(params)};
}

std::optional<TnDMConexao::TComando> TnDataSetProvider::Comando(const TnDelta& delta, size_t record,
                                                                const std::string& table,
                                                                const std::vector<TField*>& key) {
  const TnClientDataSet& dataSet = delta.DataSet();
  TUpdateKind kind = delta[record].UpdateKind;
  if (kind == TUpdateKind::ukInsert)
    return ComandoInclusao(delta, record, table);
  TParams params;
  std::string sql;
  if (kind == TUpdateKind::ukDelete) {
    sql = "delete from " + table + " where " + Condicao(delta, record, key, params);
  } else {
    // A modify lists its sets, and also requires every column it changes to
    // hold the value it was read with: a row another user changed meanwhile
    // is refused instead of having his change overwritten, at no cost beyond
    // the statement.
    std::string sets, lidos;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
      TField& field = dataSet.Fields(i);
      if (field.IsCalculated() || !field.HasProviderFlag(pfInUpdate) ||
          !delta.FieldChanged(record, field))
        continue;
      const std::string& name = field.FieldName();
      if (!FNomesVerificados)
        Nutildb::VerificarIdentificador(name);
      std::string parametro = "N_";
      parametro += name;
      params.emplace_back(parametro, delta.NewValue(record, field));
      if (!sets.empty())
        sets += ", ";
      sets += name;
      sets += " = :";
      sets += parametro;
      if (std::find(key.begin(), key.end(), &field) == key.end())
        lidos += " and " + CondicaoValorAntigo(name, delta.OldValue(record, field), params);
    }
    // A modify that changed nothing the table keeps has nothing to write.
    if (sets.empty())
      return std::nullopt;
    sql = "update " + table + " set " + sets + " where " + Condicao(delta, record, key, params) +
          lidos;
  }
  return TnDMConexao::TComando{std::move(sql), std::move(params)};
}

void TnDataSetProvider::GravarRegistro(TnDelta& delta, size_t record, const std::string& table,
                                       const std::vector<TField*>& key) {
  std::optional<TnDMConexao::TComando> comando = Comando(delta, record, table, key);
  if (!comando)
    return;
  FComandos.push_back(comando->Sql);
  int64_t afetados = Conexao().ExecuteDirect(comando->Sql, comando->Params);
  if (delta[record].UpdateKind != TUpdateKind::ukInsert && afetados == 0)
    throw EDatabaseError(kRegistroNaoEncontrado);
}

TReconcileAction TnDataSetProvider::Reconciliar(TnDelta& delta, size_t record,
                                                const Exception& error) {
  TReconcileAction action = TReconcileAction::raSkip;
  TnClientDataSet& dataSet = delta.DataSet();
  TUpdateKind kind = delta[record].UpdateKind;
  FDeltaReconciliando = &delta;
  FRegistroReconciliando = record;
  struct TFim {
    TnDataSetProvider* Provider;
    ~TFim() { Provider->FDeltaReconciliando = nullptr; }
  } fim{this};
  // The handler reads the failing record through the data set's fields.
  TBookmark row = static_cast<TBookmark>(delta[record].Row);
  if (kind != TUpdateKind::ukDelete && dataSet.BookmarkValid(row))
    dataSet.GotoBookmark(row);
  if (OnUpdateError)
    OnUpdateError(*this, dataSet, error, kind, action);
  else if (dataSet.OnReconcileError)
    dataSet.OnReconcileError(dataSet, error.what(), kind, action);
  return action;
}

void TnDataSetProvider::SetNewValue(const std::string& fieldName, const Value& value) {
  if (!FDeltaReconciliando)
    throw Exception("SetNewValue só vale durante o tratamento de um erro de gravação");
  TField& field = FDeltaReconciliando->DataSet().FieldByName(fieldName);
  FDeltaReconciliando->SetNewValue(FRegistroReconciliando, field, value);
}

int TnDataSetProvider::ApplyUpdates(TnDelta& delta, int maxErrors) {
  FComandos.clear();
  std::string table = GetTableName();
  std::vector<TField*> key = CamposChave(delta.DataSet());
  FNomesVerificados = NomesDeColunaValidos(delta.DataSet());
  FCamposInclusao.clear();
  TnDMConexao& conexao = Conexao();
  const std::set<std::string>& comPadrao = conexao.ColunasComPadrao(table);
  FTemPadrao.assign(static_cast<size_t>(delta.DataSet().FieldCount()), false);
  for (int i = 0; i < delta.DataSet().FieldCount(); ++i)
    FTemPadrao[static_cast<size_t>(i)] =
        comPadrao.contains(Nutil::UpperCase(delta.DataSet().Fields(i).FieldName()));
  auto desfazer = [&] {
    conexao.RollBack();
    for (size_t i = 0; i < delta.Count(); ++i)
      delta[i].Applied = false;
  };
  // When the first failure loses the batch anyway and no handler could
  // recover from one, statements need no savepoint each (on PostgreSQL a
  // third of a plain insert's time).
  bool semIsolar = maxErrors == 0 && conexao.IsolarComandos() && !BeforeUpdateRecord &&
                   !OnUpdateError && !delta.DataSet().OnReconcileError;
  struct TRestaurarIsolamento {
    TnDMConexao& Conexao;
    bool Restaurar;
    ~TRestaurarIsolamento() {
      if (Restaurar)
        Conexao.SetIsolarComandos(true);
    }
  } restaurar{conexao, semIsolar};
  if (semIsolar)
    conexao.SetIsolarComandos(false);
  int errors = 0;
  bool abortar = false;
  // Inserts wait here and go to the engine together (see the header).
  std::vector<TnDMConexao::TComando> pendentes;
  std::vector<size_t> registrosPendentes;
  // Writes record i (or queues its insert when `adiar`), reconciling its
  // failures; `falha` is a failure it already met in a batch.
  auto gravar = [&](size_t i, bool adiar, std::exception_ptr falha) {
    for (int tentativa = 0;; ++tentativa) {
      try {
        if (falha)
          std::rethrow_exception(std::exchange(falha, nullptr));
        bool applied = false;
        if (BeforeUpdateRecord)
          BeforeUpdateRecord(*this, FDataSet, delta, i, delta[i].UpdateKind, applied);
        if (!applied && adiar) {
          if (std::optional<TnDMConexao::TComando> comando = Comando(delta, i, table, key)) {
            FComandos.push_back(comando->Sql);
            pendentes.push_back(std::move(*comando));
            registrosPendentes.push_back(i);
            return;
          }
        } else if (!applied) {
          GravarRegistro(delta, i, table, key);
        }
        delta[i].Applied = true;
        delta[i].ErrorMessage.clear();
        return;
      } catch (const EAbort&) {
        throw;
      } catch (const Exception& error) {
        TReconcileAction action = Reconciliar(delta, i, error);
        if (action == TReconcileAction::raCorrect && tentativa < kMaxCorrecoes) {
          adiar = false;
          continue;
        }
        if (action == TReconcileAction::raCancel) {
          delta[i].ErrorMessage.clear();
          return;
        }
        delta[i].ErrorMessage = error.what();
        ++errors;
        abortar = action == TReconcileAction::raAbort || (maxErrors >= 0 && errors > maxErrors);
        return;
      }
    }
  };
  // Sends the queued inserts; a failed one is reconciled on its own and the
  // ones after it are sent again.
  auto enviar = [&] {
    while (!pendentes.empty() && !abortar) {
      TnDMConexao::TResultadoLote lote = conexao.ExecuteBatch(pendentes);
      const size_t feitos = lote.Afetados.size();
      for (size_t p = 0; p < feitos; ++p) {
        delta[registrosPendentes[p]].Applied = true;
        delta[registrosPendentes[p]].ErrorMessage.clear();
      }
      if (!lote.Erro)
        break;
      gravar(registrosPendentes[feitos], false, lote.Erro);
      const auto enviados = static_cast<std::ptrdiff_t>(feitos) + 1;
      pendentes.erase(pendentes.begin(), pendentes.begin() + enviados);
      registrosPendentes.erase(registrosPendentes.begin(), registrosPendentes.begin() + enviados);
    }
    pendentes.clear();
    registrosPendentes.clear();
  };
  conexao.StartTransaction();
  try {
    for (size_t i = 0; i < delta.Count() && !abortar; ++i) {
      const bool insercao = delta[i].UpdateKind == TUpdateKind::ukInsert;
      if (!insercao)
        enviar();
      if (!abortar)
        gravar(i, insercao, nullptr);
      if (pendentes.size() >= kInsercoesPorLote)
        enviar();
    }
    enviar();
    if (!abortar && AfterApplyUpdates)
      AfterApplyUpdates(*this);
  } catch (...) {
    desfazer();
    throw;
  }
  if (abortar) {
    desfazer();
    return errors;
  }
  try {
    conexao.Commit();
  } catch (...) {
    // Nothing reached the database: every record stays pending.
    for (size_t i = 0; i < delta.Count(); ++i)
      delta[i].Applied = false;
    throw;
  }
  return errors;
}
