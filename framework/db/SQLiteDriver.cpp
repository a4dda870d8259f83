// The SQLite driver: a file (or ":memory:") opened with the settings the
// engine needs to stay fast under the balance triggers and safe when two
// processes write: WAL, synchronous=NORMAL, temporary tables in memory, a
// 64 MB page cache and a busy timeout long enough for the other writer's
// transaction to end. Write transactions begin IMMEDIATE so a second writer
// waits at BEGIN instead of failing on its first write; writers of the
// same file in this process queue before it (TFilaEscrita).
//
// SQLite keeps no column types of expressions; a result column without a
// declared type takes one from a "cast(... as TYPE) ALIAS" in the statement
// of the same name, else from its first non-null value.

#include <sqlite3.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <limits>
#include <map>
#include <string_view>

#include "framework/core/Ascii.h"
#include "framework/db/ArredondamentoSQLite.h"
#include "framework/db/FilaEscrita.h"
#include "framework/db/IDbDriver.h"
#include "framework/db/InsercaoAgrupada.h"
#include "framework/db/StatementCache.h"

namespace {

constexpr int kBusyTimeoutMs = 15000;

// Steps of a statement's program between two looks at a query's deadline:
// a few microseconds apart.
constexpr int kPassosProgresso = 1000;

// SQLite's memory statistics take a process-wide mutex on every allocation
// and release, which a batch of entries makes millions of; nothing here
// reads them. SQLite accepts the setting only before its first use, so it
// is made once, ahead of the process's first connection; refused (another
// part of the process used SQLite first), the statistics simply stay on.
void DesligarEstatisticasDeMemoria() {
  [[maybe_unused]] static const int kResultado = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
}

TDatabaseErrorKind KindOf(int extendedCode) {
  switch (extendedCode) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
      return TDatabaseErrorKind::DuplicateKey;
    case SQLITE_CONSTRAINT_FOREIGNKEY:
      return TDatabaseErrorKind::ForeignKey;
    case SQLITE_CONSTRAINT_NOTNULL:
      return TDatabaseErrorKind::NotNull;
    case SQLITE_CONSTRAINT_CHECK:
      return TDatabaseErrorKind::Check;
    default:
      return TDatabaseErrorKind::Other;
  }
}

std::string UpperName(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Reads "cast(... as TYPE) ALIAS" forms in a statement, to type the result
// columns SQLite gives no declared type. A scanner rather than a regular
// expression: the standard one costs about half a million instructions a
// statement, and its word boundaries fill the locale's shared character
// cache, which sessions on other threads read.
class TLeitorCast {
 public:
  explicit TLeitorCast(std::string_view sql) : FSql(sql) {}

  // Alias -> declared type of every "as TYPE) ALIAS" in the text: TYPE is
  // a word with an optional "(N)" or "(N, M)", and "as" may come before
  // the alias.
  std::map<std::string, std::string> Tipos() const {
    std::map<std::string, std::string> tipos;
    for (size_t inicio = 0; inicio + 2 <= FSql.size(); ++inicio) {
      if (!PalavraAs(inicio) || (inicio > 0 && Ascii::DePalavra(FSql[inicio - 1])))
        continue;
      std::string_view tipo;
      std::string_view apelido;
      if (LerCast(inicio + 2, tipo, apelido)) {
        tipos[UpperName(std::string(apelido))] = std::string(tipo);
        inicio = static_cast<size_t>(apelido.data() + apelido.size() - FSql.data()) - 1;
      }
    }
    return tipos;
  }

 private:
  bool Em(size_t i, char c) const { return i < FSql.size() && FSql[i] == c; }
  bool Branco(size_t i) const {
    return i < FSql.size() &&
           std::string_view(" \t\n\v\f\r").find(FSql[i]) != std::string_view::npos;
  }
  bool PalavraAs(size_t i) const {
    return i + 2 <= FSql.size() && strncasecmp(FSql.data() + i, "as", 2) == 0;
  }
  size_t Brancos(size_t i) const {
    while (Branco(i))
      ++i;
    return i;
  }
  size_t Enquanto(size_t i, bool (*classe)(char)) const {
    while (i < FSql.size() && classe(FSql[i]))
      ++i;
    return i;
  }
  // Digits after the blanks from `i`: the position after them, or npos.
  size_t Numero(size_t i) const {
    i = Brancos(i);
    const size_t fim = Enquanto(i, Ascii::Digito);
    return fim == i ? std::string_view::npos : fim;
  }
  // "(N)" or "(N, M)" from `i`, blanks allowed: the position after it, or
  // npos.
  size_t Medidas(size_t i) const {
    i = Brancos(i);
    if (!Em(i, '(') || (i = Numero(i + 1)) == std::string_view::npos)
      return std::string_view::npos;
    i = Brancos(i);
    if (Em(i, ',') && (i = Numero(i + 1)) == std::string_view::npos)
      return std::string_view::npos;
    i = Brancos(i);
    return Em(i, ')') ? i + 1 : std::string_view::npos;
  }
  // An identifier from `i`, or empty.
  std::string_view Identificador(size_t i) const {
    if (i >= FSql.size() || !(Ascii::Letra(FSql[i]) || FSql[i] == '_'))
      return {};
    size_t fim = i + 1;
    while (fim < FSql.size() && Ascii::DePalavra(FSql[fim]))
      ++fim;
    return FSql.substr(i, fim - i);
  }
  // What follows an "as" ending before `i`: blanks, TYPE, ")", [as] ALIAS.
  bool LerCast(size_t i, std::string_view& tipo, std::string_view& apelido) const {
    if (!Branco(i))
      return false;
    const size_t inicioTipo = Brancos(i);
    size_t fimTipo = Enquanto(inicioTipo, Ascii::Letra);
    if (fimTipo == inicioTipo)
      return false;
    if (const size_t medidas = Medidas(fimTipo); medidas != std::string_view::npos)
      fimTipo = medidas;
    i = Brancos(fimTipo);
    if (!Em(i, ')'))
      return false;
    i = Brancos(i + 1);
    tipo = FSql.substr(inicioTipo, fimTipo - inicioTipo);
    if (PalavraAs(i) && Branco(i + 2)) {
      apelido = Identificador(Brancos(i + 2));
      if (!apelido.empty())
        return true;
    }
    apelido = Identificador(i);
    return !apelido.empty();
  }

  std::string_view FSql;
};

struct TPrepared {
  sqlite3_stmt* Stmt = nullptr;
  std::map<std::string, std::string> CastTypes;
};

class TSQLiteDriver : public IDbDriver {
 public:
  explicit TSQLiteDriver(const std::string& path)
      : FCache(kMaxPreparedStatements, [](TPrepared& p) { sqlite3_finalize(p.Stmt); }) {
    Abrir(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI);
    if (path != ":memory:" && !path.empty())
      FFila = TFilaEscrita::DoArquivo(path);
    try {
      // A file its user may only read (a read-only file in a read-only
      // folder) still answers reads: opened as immutable, since the write-
      // ahead log it would need beside it cannot be created there.
      if (sqlite3_db_readonly(FDb, "main") == 1) {
        sqlite3_close_v2(FDb);
        FDb = nullptr;
        Abrir("file:" + CodificarUri(path) + "?immutable=1",
              SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        ExecutarScript("PRAGMA foreign_keys=ON; PRAGMA temp_store=MEMORY;");
        return;
      }
      // A batch rewrites the same index and balance pages commit after
      // commit: checkpointing every 10,000 pages (40 MB of log) instead of
      // every 1,000 copies each of them into the file a tenth as often.
      ExecutarScript(
          "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;"
          "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-65536; PRAGMA wal_autocheckpoint=10000;");
    } catch (...) {
      sqlite3_close_v2(FDb);
      throw;
    }
  }
  ~TSQLiteDriver() override {
    FCache.Clear();
    sqlite3_close_v2(FDb);
    SairDaFila();
  }

  TTipoConexao Tipo() const override { return TTipoConexao::SQLite; }

 private:
  // A connection serves one thread at a time (TnDMConexao is not thread-
  // safe; a web session runs one request at a time), so SQLite's own lock
  // around every call, a column read included, is left out.
  void Abrir(const std::string& path, int flags) {
    DesligarEstatisticasDeMemoria();
    int rc = sqlite3_open_v2(path.c_str(), &FDb, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK)
      rc = InstalarArredondamento(FDb);
    if (rc != SQLITE_OK) {
      std::string message = FDb ? sqlite3_errmsg(FDb) : sqlite3_errstr(rc);
      sqlite3_close(FDb);
      FDb = nullptr;
      throw CriarErroBanco(TDatabaseErrorKind::Other,
                           "Não foi possível abrir o banco " + path + ": " + message);
    }
    sqlite3_extended_result_codes(FDb, 1);
    sqlite3_busy_timeout(FDb, kBusyTimeoutMs);
  }

  // A path as a file: URI takes it: '%', '?' and '#' escaped.
  static std::string CodificarUri(const std::string& path) {
    std::string uri;
    for (char c : path) {
      if (c == '%')
        uri += "%25";
      else if (c == '?')
        uri += "%3F";
      else if (c == '#')
        uri += "%23";
      else
        uri += c;
    }
    return uri;
  }

 public:
  TDbResult Executar(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args) override {
    return Ler(sql, args, std::numeric_limits<int64_t>::max());
  }

  // The engine calls the progress handler every kPassosProgresso steps of
  // its program; past the deadline the handler interrupts the statement.
  TDbResult Consultar(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args,
                      const TLimiteLeitura& limite) override {
    auto prazo = std::chrono::steady_clock::now() + limite.Tempo;
    sqlite3_progress_handler(
        FDb, kPassosProgresso,
        [](void* p) {
          return std::chrono::steady_clock::now() >=
                         *static_cast<const std::chrono::steady_clock::time_point*>(p)
                     ? 1
                     : 0;
        },
        &prazo);
    struct TFim {
      sqlite3* Db;
      ~TFim() { sqlite3_progress_handler(Db, 0, nullptr, nullptr); }
    } fim{FDb};
    return Ler(sql, args, limite.Linhas);
  }

 private:
  // Runs the statement and reads at most `maxLinhas` of its rows.
  TDbResult Ler(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args,
                int64_t maxLinhas) {
    TDbResult result;
    Passar(sql, args, maxLinhas, result.Columns,
           [&](ValueArray& row) { result.Rows.push_back(std::move(row)); });
    result.RowsAffected = sqlite3_changes64(FDb);
    return result;
  }

 public:
  // Each row as the engine steps onto it, in one buffer reused row after row.
  void Percorrer(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args,
                 const std::function<void(const ValueArray&)>& linha) override {
    std::vector<TDbColumn> columns;
    Passar(sql, args, std::numeric_limits<int64_t>::max(), columns,
           [&](ValueArray& row) { linha(row); });
  }

 private:
  // Runs the statement, fills `columns` and hands each of at most
  // `maxLinhas` rows to `linha`, which may take the row away.
  template <typename Linha>
  void Passar(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args, int64_t maxLinhas,
              std::vector<TDbColumn>& columns, Linha linha) {
    TPrepared& prepared = Preparar(sql.Text);
    sqlite3_stmt* stmt = prepared.Stmt;
    struct TReset {
      sqlite3_stmt* S;
      ~TReset() { sqlite3_reset(S); }
    } reset{stmt};
    // Every parameter is bound on every run (one not given is null), so no
    // value of an earlier run can leak into this one, and none is cleared
    // after it: a grouped insert has hundreds.
    static const Value kNulo;
    const auto parametros = static_cast<size_t>(sqlite3_bind_parameter_count(stmt));
    for (size_t i = 0; i < std::max(parametros, args.size()); ++i)
      Bind(stmt, static_cast<int>(i) + 1, i < args.size() ? args[i] : kNulo);

    int count = sqlite3_column_count(stmt);
    std::vector<bool> declared(static_cast<size_t>(count), false);
    for (int c = 0; c < count; ++c) {
      TDbColumn column;
      column.Name = UpperName(sqlite3_column_name(stmt, c));
      const char* decl = sqlite3_column_decltype(stmt, c);
      if (decl) {
        declared[static_cast<size_t>(c)] = ColunaDoTipoDeclarado(decl, column);
      } else {
        auto cast = prepared.CastTypes.find(UpperName(column.Name));
        if (cast != prepared.CastTypes.end())
          declared[static_cast<size_t>(c)] = ColunaDoTipoDeclarado(cast->second, column);
      }
      columns.push_back(column);
    }
    int rc = SQLITE_DONE;
    ValueArray row;
    for (int64_t lidas = 0; lidas < maxLinhas && (rc = sqlite3_step(stmt)) == SQLITE_ROW; ++lidas) {
      row.resize(static_cast<size_t>(count));
      for (int c = 0; c < count; ++c) {
        auto& column = columns[static_cast<size_t>(c)];
        if (!declared[static_cast<size_t>(c)] && sqlite3_column_type(stmt, c) != SQLITE_NULL) {
          InferirTipo(stmt, c, column);
          declared[static_cast<size_t>(c)] = true;
        }
        row[static_cast<size_t>(c)] = Ler(stmt, c, column);
      }
      linha(row);
    }
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
      Falhar(sqlite3_extended_errcode(FDb));
  }

 public:
  // Inside a transaction, a run of one insert goes as statements of several
  // rows (InsercaoAgrupada): SQLite journals the pages a statement touches
  // when the table has triggers, once per statement. Each such statement runs
  // under a savepoint; when it fails, or writes another count of rows than
  // it carries (a trigger may skip a row), the savepoint undoes it and its
  // rows run alone, so that every row has its own count and a failure falls
  // on its own statement.
  TDbLote ExecutarLote(const std::vector<TDbComando>& comandos) override {
    TDbLote lote;
    // Outside a transaction every statement stands alone, as it commits.
    const size_t maxLinhas = sqlite3_get_autocommit(FDb) ? 1 : InsercaoAgrupada::kLinhasPorInsercao;
    const auto maxParametros =
        static_cast<size_t>(sqlite3_limit(FDb, SQLITE_LIMIT_VARIABLE_NUMBER, -1));
    for (const InsercaoAgrupada::TGrupo& grupo :
         InsercaoAgrupada::Grupos(comandos, 0, comandos.size(), maxLinhas, maxParametros, '?')) {
      if (grupo.Linhas > 1 && ExecutarAgrupadas(comandos, grupo, lote)) {
        if (lote.Erro)
          break;
        continue;
      }
      for (size_t i = grupo.Inicio; i < grupo.Inicio + grupo.Linhas; ++i) {
        try {
          lote.Resultados.push_back(Executar(*comandos[i].Sql, comandos[i].Args));
        } catch (...) {
          lote.Erro = std::current_exception();
          return lote;
        }
      }
    }
    return lote;
  }

  void ExecutarScript(const std::string& text) override {
    char* error = nullptr;
    int rc = sqlite3_exec(FDb, text.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
      std::string message = error ? error : sqlite3_errstr(rc);
      sqlite3_free(error);
      throw CriarErroBanco(KindOf(sqlite3_extended_errcode(FDb)), message);
    }
  }

  void Begin(bool readOnly) override {
    if (readOnly) {
      ExecutarScript("PRAGMA query_only=1; BEGIN DEFERRED;");
      FReadOnly = true;
    } else {
      if (FFila && !FFila->Entrar(std::chrono::milliseconds(kBusyTimeoutMs)))
        throw CriarErroBanco(TDatabaseErrorKind::Other,
                             "O banco está ocupado por outra gravação; tente de novo");
      FNaFila = FFila != nullptr;
      try {
        ExecutarScript("BEGIN IMMEDIATE;");
      } catch (...) {
        SairDaFila();
        throw;
      }
    }
  }
  void Commit() override { Terminar("COMMIT;"); }
  void Rollback() override { Terminar("ROLLBACK;"); }

  int64_t PreparedCount() const override { return FPreparedCount; }

 private:
  void Terminar(const char* command) {
    // A failed COMMIT leaves the transaction open; roll it back so the
    // connection is usable and the caller sees the failure once.
    try {
      ExecutarScript(command);
    } catch (...) {
      if (!sqlite3_get_autocommit(FDb))
        sqlite3_exec(FDb, "ROLLBACK;", nullptr, nullptr, nullptr);
      SairSomenteLeitura();
      SairDaFila();
      throw;
    }
    SairSomenteLeitura();
    SairDaFila();
  }
  void SairDaFila() {
    if (FNaFila)
      FFila->Sair();
    FNaFila = false;
  }
  void SairSomenteLeitura() {
    if (FReadOnly)
      sqlite3_exec(FDb, "PRAGMA query_only=0;", nullptr, nullptr, nullptr);
    FReadOnly = false;
  }

  // The rows of `grupo` as one statement; false when they must run alone
  // (nothing of the statement is left then), true when they ran or when
  // the batch must stop (lote.Erro).
  bool ExecutarAgrupadas(const std::vector<TDbComando>& comandos,
                         const InsercaoAgrupada::TGrupo& grupo, TDbLote& lote) {
    const std::string& text = comandos[grupo.Inicio].Sql->Text;
    Dialect::TSqlPreparada sql;
    sql.Text = FTextos.Texto(text, grupo.Linhas, [&] {
      return InsercaoAgrupada::Linhas(text, grupo.Parametros, grupo.Linhas, '?');
    });
    std::vector<Value> args;
    args.reserve(grupo.Linhas * grupo.Parametros);
    for (size_t i = grupo.Inicio; i < grupo.Inicio + grupo.Linhas; ++i)
      args.insert(args.end(), comandos[i].Args.begin(), comandos[i].Args.end());
    bool feito = false;
    try {
      ExecutarScript("SAVEPOINT ctb_linhas;");
      try {
        feito = Executar(sql, args).RowsAffected == static_cast<int64_t>(grupo.Linhas);
      } catch (...) {
        // Some failures end the whole transaction: its rows must not run
        // again without it, and the caller learns of the failure.
        if (sqlite3_get_autocommit(FDb))
          throw;
      }
      ExecutarScript(feito ? "RELEASE ctb_linhas;" : "ROLLBACK TO ctb_linhas; RELEASE ctb_linhas;");
    } catch (...) {
      lote.Erro = std::current_exception();
      return true;
    }
    if (feito)
      InsercaoAgrupada::RegistrarLinhas(lote, grupo.Linhas);
    return feito;
  }

  TPrepared& Preparar(const std::string& text) {
    if (TPrepared* cached = FCache.Find(text))
      return *cached;
    TPrepared prepared;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v3(FDb, text.c_str(), static_cast<int>(text.size()),
                                SQLITE_PREPARE_PERSISTENT, &prepared.Stmt, &tail);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(prepared.Stmt);
      throw CriarErroBanco(KindOf(sqlite3_extended_errcode(FDb)),
                           std::string(sqlite3_errmsg(FDb)) + " em: " + text);
    }
    if (!prepared.Stmt)
      throw CriarErroBanco(TDatabaseErrorKind::Other, "Comando SQL vazio");
    if (tail && std::string(tail).find_first_not_of(" \t\r\n;") != std::string::npos) {
      sqlite3_finalize(prepared.Stmt);
      throw CriarErroBanco(TDatabaseErrorKind::Other,
                           "Um comando com parâmetros deve ser único: " + text);
    }
    // Only result columns take a type from a cast: a write (an insert from
    // a select included) is not searched for one.
    if (sqlite3_column_count(prepared.Stmt) > 0 && text.find('(') != std::string::npos)
      prepared.CastTypes = TLeitorCast(text).Tipos();
    ++FPreparedCount;
    return FCache.Add(text, std::move(prepared));
  }

  void Bind(sqlite3_stmt* stmt, int index, const Value& value) {
    int rc = SQLITE_OK;
    switch (value.Type()) {
      case TValueType::Null:
        rc = sqlite3_bind_null(stmt, index);
        break;
      case TValueType::Boolean:
        rc = sqlite3_bind_int(stmt, index, value.AsBoolean() ? 1 : 0);
        break;
      case TValueType::Integer:
        rc = sqlite3_bind_int64(stmt, index, value.AsInteger());
        break;
      case TValueType::Float:
      case TValueType::Currency:
        rc = sqlite3_bind_double(stmt, index, value.AsFloat());
        break;
      case TValueType::String: {
        std::string text = value.AsString();
        rc = sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
      }
      case TValueType::DateTime: {
        std::string text = DateToIso(value.AsDateTime());
        rc = sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
      }
    }
    if (rc != SQLITE_OK)
      Falhar(rc);
  }

  static void InferirTipo(sqlite3_stmt* stmt, int c, TDbColumn& column) {
    switch (sqlite3_column_type(stmt, c)) {
      case SQLITE_INTEGER:
        column.Kind = TDbColumnKind::Integer;
        column.Size = 8;
        break;
      case SQLITE_FLOAT:
        column.Kind = TDbColumnKind::Float;
        break;
      default:
        column.Kind = TDbColumnKind::Text;
        break;
    }
  }

  static std::string Texto(sqlite3_stmt* stmt, int c) {
    const unsigned char* text = sqlite3_column_text(stmt, c);
    return text ? std::string(text, text + sqlite3_column_bytes(stmt, c)) : std::string();
  }

  Value Ler(sqlite3_stmt* stmt, int c, const TDbColumn& column) {
    int storage = sqlite3_column_type(stmt, c);
    if (storage == SQLITE_NULL)
      return Value();
    switch (column.Kind) {
      case TDbColumnKind::Integer:
        if (storage == SQLITE_INTEGER)
          return Value(sqlite3_column_int64(stmt, c));
        break;
      case TDbColumnKind::Float:
        if (storage != SQLITE_TEXT)
          return Value(sqlite3_column_double(stmt, c));
        break;
      case TDbColumnKind::Numeric:
        if (storage != SQLITE_TEXT)
          return ValorNumerico(sqlite3_column_double(stmt, c), column.Scale);
        break;
      case TDbColumnKind::Boolean:
        if (storage == SQLITE_INTEGER)
          return Value(sqlite3_column_int64(stmt, c) != 0);
        break;
      case TDbColumnKind::Date:
      case TDbColumnKind::DateTime:
        if (storage == SQLITE_TEXT) {
          if (auto date = ParseDate(Texto(stmt, c)))
            return Value(*date);
        }
        break;
      case TDbColumnKind::Text:
        return Value(Texto(stmt, c));
    }
    // A value stored against its column's declared type (SQLite allows it):
    // converted like a field would convert it.
    Value raw = storage == SQLITE_INTEGER ? Value(sqlite3_column_int64(stmt, c))
                : storage == SQLITE_FLOAT ? Value(sqlite3_column_double(stmt, c))
                                          : Value(Texto(stmt, c));
    try {
      switch (column.Kind) {
        case TDbColumnKind::Integer:
          return Value(raw.AsInteger());
        case TDbColumnKind::Float:
          return Value(raw.AsFloat());
        case TDbColumnKind::Numeric:
          return ValorNumerico(raw.AsFloat(), column.Scale);
        case TDbColumnKind::Boolean:
          return Value(raw.AsBoolean());
        case TDbColumnKind::Date:
        case TDbColumnKind::DateTime:
          return Value(raw.AsDateTime());
        case TDbColumnKind::Text:
          break;
      }
    } catch (const EConvertError&) {
      throw CriarErroBanco(TDatabaseErrorKind::Other,
                           "Valor inválido na coluna " + column.Name + ": " + raw.DebugString());
    }
    return raw;
  }

  // Only a query's progress handler interrupts a statement.
  [[noreturn]] void Falhar(int code) {
    if (code == SQLITE_INTERRUPT)
      throw EDatabaseError(kMsgConsultaDemorada);
    throw CriarErroBanco(KindOf(code), sqlite3_errmsg(FDb));
  }

  sqlite3* FDb = nullptr;
  bool FReadOnly = false;
  std::shared_ptr<TFilaEscrita> FFila;
  bool FNaFila = false;
  int64_t FPreparedCount = 0;
  TStatementCache<TPrepared> FCache;
  InsercaoAgrupada::TTextos FTextos;
};

}  // namespace

std::unique_ptr<IDbDriver> CriarDriverSQLite(const std::string& path) {
  return std::make_unique<TSQLiteDriver>(path);
}
