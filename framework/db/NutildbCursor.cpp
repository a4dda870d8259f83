// The cursor helpers of Nutildb: ExecutarSQL and the statements it keeps for
// RefreshSQL, ExecutarSQLDireto, GravarCDS and PegarValorDelta.

#include <utility>

#include "framework/core/Ascii.h"
#include "framework/core/Exceptions.h"
#include "framework/db/DbCursor.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDataSetProvider.h"

namespace {

// What RefreshSQL re-runs.
struct TComandoCursor {
  std::string Sql;
  TParams Params;
  size_t FetchLimit = 0;
};

// A cursor of ExecutarSQL: the data set owns its statement, so the statement
// lives and dies with it and no cursor shares state with another user's.
class TnCursorSQL final : public TnClientDataSet {
 public:
  explicit TnCursorSQL(TComandoCursor comando) : FComando(std::move(comando)) {}
  const TComandoCursor& Comando() const { return FComando; }

 private:
  const TComandoCursor FComando;
};

TDbResult Consultar(TnDMConexao& conexao, const TComandoCursor& comando) {
  TDbResult result = conexao.ExecuteQuery(comando.Sql, comando.Params);
  if (comando.FetchLimit > 0 && result.Rows.size() > comando.FetchLimit)
    result.Rows.resize(comando.FetchLimit);
  return result;
}

bool MesmasLinhas(TnClientDataSet& cursor, const TDbResult& result) {
  if (static_cast<size_t>(cursor.RecordCount()) != result.Rows.size())
    return false;
  // Compare through a clone so the cursor keeps its position when equal.
  TnClientDataSet leitor;
  leitor.CloneCursor(cursor);
  leitor.First();
  for (const ValueArray& row : result.Rows) {
    for (int i = 0; i < leitor.FieldCount(); ++i) {
      TField& field = leitor.Fields(i);
      if (!field.AsValue().IdenticalTo(field.Coerce(row[static_cast<size_t>(i)])))
        return false;
    }
    leitor.Next();
  }
  return true;
}

}  // namespace

namespace Nutildb {

std::unique_ptr<TnClientDataSet> ExecutarSQL(const std::string& sql, const TParams& params,
                                             size_t fetchLimit) {
  return ExecutarSQL(TnDMConexao::Atual(), sql, params, fetchLimit);
}

std::unique_ptr<TnClientDataSet> ExecutarSQL(TnDMConexao& conexao, const std::string& sql,
                                             const TParams& params, size_t fetchLimit) {
  auto cursor = std::make_unique<TnCursorSQL>(TComandoCursor{sql, params, fetchLimit});
  TDbResult result = Consultar(conexao, cursor->Comando());
  DbCursor::DefinirCampos(*cursor, result.Columns);
  DbCursor::Carregar(*cursor, result);
  for (int i = 0; i < cursor->FieldCount(); ++i)
    cursor->Fields(i).SetReadOnly(true);
  return cursor;
}

void DestruirSQL(std::unique_ptr<TnClientDataSet>& cursor) {
  cursor.reset();
}

bool RefreshSQL(TnClientDataSet& cursor) {
  const auto* proprio = dynamic_cast<const TnCursorSQL*>(&cursor);
  if (!proprio)
    throw Exception("RefreshSQL: o data set não foi aberto por ExecutarSQL");
  TDbResult result = Consultar(TnDMConexao::Atual(), proprio->Comando());
  if (MesmasLinhas(cursor, result))
    return false;
  cursor.DisableControls();
  cursor.EmptyDataSet();
  DbCursor::Carregar(cursor, result);
  cursor.EnableControls();
  cursor.First();
  return true;
}

int64_t ExecutarSQLDireto(const std::string& sql, const TParams& params) {
  return ExecutarSQLDireto(TnDMConexao::Atual(), sql, params);
}

int64_t ExecutarSQLDireto(TnDMConexao& conexao, const std::string& sql, const TParams& params) {
  return conexao.ExecuteDirect(sql, params);
}

bool EhIdentificador(const std::string& name, bool qualificado) {
  bool inicioDeParte = true;
  for (char c : name) {
    if (c == '.' && qualificado && !inicioDeParte) {
      inicioDeParte = true;
      continue;
    }
    if (!Ascii::DePalavra(c) || (inicioDeParte && Ascii::Digito(c)))
      return false;
    inicioDeParte = false;
  }
  return !inicioDeParte;
}

void VerificarIdentificador(const std::string& name, bool qualificado) {
  if (!EhIdentificador(name, qualificado))
    throw Exception("Nome inválido para o comando SQL: \"" + name + "\"");
}

int GravarCDS(const std::string& table, TnClientDataSet& dataSet, const std::string& keyFields,
              int maxErrors) {
  VerificarIdentificador(table);
  IDataSetProvider* anterior = dataSet.Provider();
  TnDataSetProvider provider;
  provider.SetTableName(table);
  provider.SetKeyFields(keyFields);
  if (auto* modulo = dynamic_cast<TnDataSetProvider*>(anterior)) {
    provider.SetDataSet(modulo->DataSet());
    provider.BeforeUpdateRecord = modulo->BeforeUpdateRecord;
    provider.OnUpdateError = modulo->OnUpdateError;
  }
  dataSet.SetProvider(&provider);
  try {
    int errors = dataSet.ApplyUpdates(maxErrors);
    dataSet.SetProvider(anterior);
    return errors;
  } catch (...) {
    dataSet.SetProvider(anterior);
    throw;
  }
}

Value PegarValorDelta(const TnDelta& delta, size_t record, const std::string& fieldName) {
  const TField& field = delta.DataSet().FieldByName(fieldName);
  if (delta[record].UpdateKind != TUpdateKind::ukDelete && delta.FieldChanged(record, field))
    return delta.NewValue(record, field);
  return delta.OldValue(record, field);
}

}  // namespace Nutildb
