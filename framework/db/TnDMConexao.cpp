#include "framework/db/TnDMConexao.h"

#include <deque>

#include "framework/core/Exceptions.h"
#include "framework/db/Dialect.h"
#include "framework/db/TnSessao.h"

namespace {

std::unique_ptr<IDbDriver> CriarDriver(TTipoConexao tipo, const std::string& parametros) {
  return tipo == TTipoConexao::SQLite ? CriarDriverSQLite(parametros)
                                      : CriarDriverPostgreSQL(parametros);
}

const char* const kTransacaoDesfeita =
    "A transação foi desfeita (RollBack) num nível interno; nada foi gravado";

// The engine form of `sql`, rewritten once while it stays in `preparadas`.
const Dialect::TSqlPreparada& Preparada(TStatementCache<Dialect::TSqlPreparada>& preparadas,
                                        const std::string& sql, TTipoConexao tipo) {
  const Dialect::TSqlPreparada* preparada = preparadas.Find(sql);
  if (preparada == nullptr)
    preparada = &preparadas.Add(sql, Dialect::Preparar(sql, tipo));
  return *preparada;
}

}  // namespace

TnDMConexao::TnDMConexao(TTipoConexao tipo, std::string parametros)
    : FTipo(tipo), FParametros(std::move(parametros)), FDriver(CriarDriver(FTipo, FParametros)) {}

TnDMConexao::~TnDMConexao() {
  if (FNivel > 0 && !FDesfeita) {
    try {
      FDriver->Rollback();
    } catch (const std::exception&) {
      // Closing the connection discards the transaction anyway.
    }
  }
}

void TnDMConexao::StartTransaction() {
  VerificarTransacaoValida();
  if (FNivel == 0)
    FDriver->Begin(false);
  ++FNivel;
}

void TnDMConexao::StartTransactionRO() {
  VerificarTransacaoValida();
  if (FNivel == 0)
    FDriver->Begin(true);
  ++FNivel;
}

void TnDMConexao::Commit() {
  if (FNivel == 0)
    throw EDatabaseError("Commit sem transação ativa");
  --FNivel;
  if (FDesfeita) {
    if (FNivel == 0)
      FDesfeita = false;
    throw EDatabaseError(kTransacaoDesfeita);
  }
  if (FNivel == 0)
    FDriver->Commit();
}

void TnDMConexao::RollBack() {
  if (FNivel == 0)
    throw EDatabaseError("RollBack sem transação ativa");
  --FNivel;
  if (!FDesfeita) {
    FDesfeita = FNivel > 0;
    FDriver->Rollback();
  } else if (FNivel == 0) {
    FDesfeita = false;
  }
}

bool TnDMConexao::ExecutarParcial(const std::function<void()>& parte) {
  if (!InTransaction()) {
    StartTransaction();
    try {
      parte();
      Commit();
      return true;
    } catch (const EDatabaseError&) {
      RollBack();
      return false;
    }
  }
  ComandoSavepoint("SAVEPOINT ctb_parcial");
  try {
    parte();
    ComandoSavepoint("RELEASE SAVEPOINT ctb_parcial");
    return true;
  } catch (const EDatabaseError&) {
    ComandoSavepoint("ROLLBACK TO SAVEPOINT ctb_parcial");
    ComandoSavepoint("RELEASE SAVEPOINT ctb_parcial");
    return false;
  }
}

void TnDMConexao::ComandoSavepoint(const std::string& sql) {
  const bool isolar = FIsolarComandos;
  FDriver->SetIsolarComandos(false);
  try {
    ExecuteDirect(sql);
  } catch (...) {
    FDriver->SetIsolarComandos(isolar);
    throw;
  }
  FDriver->SetIsolarComandos(isolar);
}

void TnDMConexao::VerificarTransacaoValida() const {
  if (FDesfeita)
    throw EDatabaseError(kTransacaoDesfeita);
}

TDbResult TnDMConexao::ExecuteQuery(const std::string& sql, const TParams& params) {
  VerificarTransacaoValida();
  const Dialect::TSqlPreparada& preparada = Preparada(FPreparadas, sql, FTipo);
  return FDriver->Executar(preparada, Dialect::OrdenarParametros(preparada, params));
}

void TnDMConexao::Percorrer(const std::string& sql, const TParams& params,
                            const std::function<void(const ValueArray&)>& linha) {
  VerificarTransacaoValida();
  const Dialect::TSqlPreparada& preparada = Preparada(FPreparadas, sql, FTipo);
  FDriver->Percorrer(preparada, Dialect::OrdenarParametros(preparada, params), linha);
}

TDbResult TnDMConexao::ExecuteQueryLimitada(const std::string& sql, const TParams& params,
                                            const TLimiteLeitura& limite) {
  VerificarTransacaoValida();
  const Dialect::TSqlPreparada preparada = Dialect::Preparar(sql, FTipo);
  return FDriver->Consultar(preparada, Dialect::OrdenarParametros(preparada, params), limite);
}

int64_t TnDMConexao::ExecuteDirect(const std::string& sql, const TParams& params) {
  return ExecuteQuery(sql, params).RowsAffected;
}

TnDMConexao::TResultadoLote TnDMConexao::ExecuteBatch(const std::vector<TComando>& comandos) {
  VerificarTransacaoValida();
  // A copy of each engine text the batch uses, made when the text changes:
  // a batch's rows mostly repeat one, and a long batch of many texts may
  // push the first ones out of the cache before the engine runs them.
  std::deque<Dialect::TSqlPreparada> textos;
  std::vector<TDbComando> preparados;
  preparados.reserve(comandos.size());
  const std::string* anterior = nullptr;
  for (const TComando& comando : comandos) {
    if (anterior == nullptr || *anterior != comando.Sql) {
      textos.push_back(Preparada(FPreparadas, comando.Sql, FTipo));
      anterior = &comando.Sql;
    }
    TDbComando& preparado = preparados.emplace_back();
    preparado.Sql = &textos.back();
    preparado.Args = Dialect::OrdenarParametros(textos.back(), comando.Params);
  }
  TDbLote lote = FDriver->ExecutarLote(preparados);
  TResultadoLote resultado;
  resultado.Afetados.reserve(lote.Resultados.size());
  for (const TDbResult& result : lote.Resultados)
    resultado.Afetados.push_back(result.RowsAffected);
  resultado.Erro = lote.Erro;
  return resultado;
}

Value TnDMConexao::ExecuteScalar(const std::string& sql, const TParams& params) {
  TDbResult result = ExecuteQuery(sql, params);
  if (result.Rows.empty() || result.Columns.empty())
    return Value();
  return result.Rows.front().front();
}

void TnDMConexao::ExecuteScript(const std::string& text) {
  VerificarTransacaoValida();
  FColunasComPadrao.clear();
  FDriver->ExecutarScript(text);
}

const std::set<std::string>& TnDMConexao::ColunasComPadrao(const std::string& tabela) {
  const auto [lida, nova] = FColunasComPadrao.try_emplace(tabela);
  if (!nova)
    return lida->second;
  try {
    const TDbResult colunas = ExecuteQuery(
        FTipo == TTipoConexao::SQLite
            ? "select upper(name) from pragma_table_info(:pTabela) where dflt_value is not null"
            : "select upper(attname) from pg_attribute where attrelid = "
              "to_regclass(lower(:pTabela)) "
              "and attnum > 0 and not attisdropped and (atthasdef or attidentity <> '')",
        {{"pTabela", Value(tabela)}});
    for (const auto& linha : colunas.Rows)
      lida->second.insert(linha.front().AsString());
  } catch (...) {
    FColunasComPadrao.erase(lida);
    throw;
  }
  return lida->second;
}

void TnDMConexao::Reabrir() {
  std::unique_ptr<IDbDriver> novo = CriarDriver(FTipo, FParametros);
  FDriver = std::move(novo);
  FDriver->SetIsolarComandos(FIsolarComandos);
  FNivel = 0;
  FDesfeita = false;
}

std::unique_ptr<TnDMConexao> TnDMConexao::Clonar() const {
  auto clone = std::make_unique<TnDMConexao>(FTipo, FParametros);
  clone->FCodigoUsuario = FCodigoUsuario;
  clone->FCodigoEstab = FCodigoEstab;
  return clone;
}

void TnDMConexao::SetIsolarComandos(bool isolar) {
  FIsolarComandos = isolar;
  FDriver->SetIsolarComandos(isolar);
}

TnDMConexao& TnDMConexao::Atual() {
  return TnSessao::Atual().Conexao();
}

TnDMConexao* TnDMConexao::AtualOuNulo() {
  TnSessao* sessao = TnSessao::AtualOuNula();
  return sessao ? &sessao->Conexao() : nullptr;
}
