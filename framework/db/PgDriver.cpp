// The PostgreSQL driver over libpq: statements prepared once per connection
// (PQprepare, cached by text) when their text comes back, run unnamed the
// first time, with text parameters whose types the server infers from where
// they stand; results in text form, converted by the column's type.
//
// Inside a transaction each write runs under a savepoint, so a failed
// statement (a duplicate key the caller recovers from, say) leaves the
// transaction usable, as it does on SQLite; the caller still decides whether
// to commit or roll back. A read (a select that locks no row) runs without
// one: it fails only on a fault (a lost connection, a query in error) that
// loses the whole transaction anyway, and the server's answer to what comes
// after it ("current transaction is aborted") keeps anything from being
// committed. A caller that carries on past a failed read inside a
// transaction runs it under TnDMConexao::ExecutarParcial.
//
// Statements go in pipeline mode: the savepoint, the statement's
// preparation when its text is to be kept, the statement and the release of
// the savepoint reach the server together and cost one exchange. A batch
// (ExecutarLote) sends up to kComandosPorPipeline statements under a single
// savepoint the same way; when one of them fails, the savepoint undoes those
// before it too, and they are sent again, so only a failure costs more
// exchanges. Under the savepoint, a run of inserts of one text also goes as
// one statement of several rows: the server's work per statement (opening
// the table, its indexes and triggers) is paid once for the run. A longer
// run goes as COPY, under its own savepoint: the server then reads the
// rows as data, with none of the planning and evaluation of a statement
// that carries them as parameters, which halves its work per row. COPY
// fails or succeeds as a whole, so a run it did not take (a failing row, or
// a row a trigger skipped) is undone and sent again as statements, which
// find the row.

#include "framework/db/LibPq.h"

#include <fmt/format.h>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <deque>
#include <exception>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "framework/db/ConexaoPerdida.h"
#include "framework/db/IDbDriver.h"
#include "framework/db/InsercaoAgrupada.h"
#include "framework/db/StatementCache.h"

namespace {

// Type identifiers of the built-in types we read (pg_type.oid).
enum : Oid {
  kBool = 16,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kOid = 26,
  kFloat4 = 700,
  kFloat8 = 701,
  kBpchar = 1042,
  kVarchar = 1043,
  kDate = 1082,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kNumeric = 1700,
};

TDatabaseErrorKind KindOf(const char* sqlState) {
  std::string state = sqlState ? sqlState : "";
  if (state == "23505")
    return TDatabaseErrorKind::DuplicateKey;
  if (state == "23503")
    return TDatabaseErrorKind::ForeignKey;
  if (state == "23502")
    return TDatabaseErrorKind::NotNull;
  if (state == "23514")
    return TDatabaseErrorKind::Check;
  return TDatabaseErrorKind::Other;
}

// Class 08 (a connection failed: the client's, or a cluster node's that
// the server reached for), a server shut down or crashed, and the program's
// own savepoint gone (3B001): the program never rolls back past it, and a
// cluster's coordinator drops it when a node under it stops mid-statement.
// A node's failure the coordinator relays without a code of the node's own
// (XX000 in the context of a command on that node) was raised by the
// coordinator's client library: its connection to the node broke.
bool ConexaoPerdida(const PGresult* res) {
  if (res == nullptr)
    return false;
  const char* sqlState = LibPq().PQresultErrorField(res, PG_DIAG_SQLSTATE);
  const std::string_view state = sqlState ? sqlState : "";
  const char* contexto = LibPq().PQresultErrorField(res, PG_DIAG_CONTEXT);
  const bool comandoNumNo =
      contexto != nullptr &&
      std::string_view(contexto).find("while executing command on") != std::string_view::npos;
  return state.starts_with("08") || state == "57P01" || state == "57P02" || state == "57P03" ||
         state == "3B001" || (state == "XX000" && comandoNumNo);
}

// A failure that ended the connection (or a node's under it): nothing can be
// taken back to a savepoint or sent again, and the first error says why.
bool FalhaDeConexao(const std::exception_ptr& erro) {
  try {
    std::rethrow_exception(erro);
  } catch (const EConexaoPerdida&) {
    return true;
  } catch (...) {
    return false;
  }
}

// Statements of a batch sent in one pipeline. Their answers are small (a
// command tag each), so the server never blocks on a client that reads them
// only after the last one is sent.
constexpr size_t kComandosPorPipeline = 256;

// Rows of one insert from which a run goes as COPY: below that, the
// exchanges COPY adds (its start, and the release of its savepoint) cost
// more than it saves.
constexpr size_t kLinhasPorCopia = 64;

// Bytes of COPY data gathered before they are handed to libpq.
constexpr size_t kBytesPorEnvioCopia = size_t{64} * 1024;

// The state of a statement the server cancelled (here: its timeout).
constexpr std::string_view kCancelada = "57014";

// Placeholders a statement may have (the protocol counts them in 16 bits).
constexpr size_t kMaxParametros = 65535;

// Whether `text` only reads: a select that locks no row.
bool Leitura(std::string_view text) {
  const auto igual = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  };
  const auto contem = [&](std::string_view trecho) {
    return std::search(text.begin(), text.end(), trecho.begin(), trecho.end(), igual) != text.end();
  };
  constexpr std::string_view kSelect = "select";
  const size_t inicio = text.find_first_not_of(" \t\r\n(");
  const std::string_view palavra =
      inicio == std::string_view::npos ? std::string_view() : text.substr(inicio, kSelect.size());
  return std::equal(palavra.begin(), palavra.end(), kSelect.begin(), kSelect.end(), igual) &&
         !contem("for update") && !contem("for share") && !contem("for no key update") &&
         !contem("for key share") && !contem(" into ");
}

bool SoLeituras(const std::vector<TDbComando>& comandos) {
  return std::all_of(comandos.begin(), comandos.end(),
                     [](const TDbComando& comando) { return Leitura(comando.Sql->Text); });
}

// A run of inserts as one statement (InsercaoAgrupada). Each row stands for
// a statement that wrote one row, so a row the table does not take (a rule
// or trigger may skip it) must fail the whole statement, while its
// savepoint can still undo it: the rows are then sent alone, and their
// counts say which one it was.
std::string InsercaoDeLinhas(const std::string& text, size_t parametros, size_t linhas) {
  return fmt::format(
      "with LINHAS as ({} returning 1) select 1 / cast(count(*) = {} as integer) "
      "from LINHAS",
      InsercaoAgrupada::Linhas(text, parametros, linhas, '$'), linhas);
}

struct TResultGuard {
  PGresult* R;
  ~TResultGuard() { LibPq().PQclear(R); }
};

TDbColumn Coluna(const PGresult* res, int c) {
  TDbColumn column;
  column.Name = LibPq().PQfname(res, c);
  for (char& ch : column.Name)
    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  int mod = LibPq().PQfmod(res, c);
  switch (LibPq().PQftype(res, c)) {
    case kBool:
      column.Kind = TDbColumnKind::Boolean;
      break;
    case kInt2:
      column.Kind = TDbColumnKind::Integer;
      column.Size = 2;
      break;
    case kInt4:
    case kOid:
      column.Kind = TDbColumnKind::Integer;
      column.Size = 4;
      break;
    case kInt8:
      column.Kind = TDbColumnKind::Integer;
      column.Size = 8;
      break;
    case kFloat4:
    case kFloat8:
      column.Kind = TDbColumnKind::Float;
      break;
    case kNumeric:
      column.Kind = TDbColumnKind::Numeric;
      column.Precision = mod >= 4 ? ((mod - 4) >> 16) & 0xffff : 0;
      column.Scale = mod >= 4 ? (mod - 4) & 0xffff : 4;
      break;
    case kDate:
      column.Kind = TDbColumnKind::Date;
      break;
    case kTimestamp:
    case kTimestampTz:
      column.Kind = TDbColumnKind::DateTime;
      break;
    case kBpchar:
    case kVarchar:
      column.Kind = TDbColumnKind::Text;
      column.Size = mod >= 4 ? mod - 4 : 0;
      break;
    default:
      column.Kind = TDbColumnKind::Text;
      break;
  }
  return column;
}

Value Ler(const char* text, Oid type, const TDbColumn& column) {
  switch (column.Kind) {
    case TDbColumnKind::Boolean:
      return Value(text[0] == 't');
    case TDbColumnKind::Integer:
      return Value(static_cast<int64_t>(std::strtoll(text, nullptr, 10)));
    case TDbColumnKind::Float:
      return Value(std::strtod(text, nullptr));
    case TDbColumnKind::Numeric:
      if (column.Scale <= 4) {
        try {
          return Value(Currency::FromString(text).Rounded(column.Scale));
        } catch (const EConvertError&) {
          // An unconstrained numeric with more places than money keeps.
        }
      }
      return ValorNumerico(std::strtod(text, nullptr), column.Scale);
    case TDbColumnKind::Date:
    case TDbColumnKind::DateTime: {
      std::string moment = text;
      if (type == kTimestampTz) {
        size_t zone = moment.find_last_of("+-");
        if (zone != std::string::npos && zone > 10)
          moment.resize(zone);
      }
      if (auto date = ParseDate(moment))
        return Value(*date);
      throw CriarErroBanco(TDatabaseErrorKind::Other,
                           "Data inválida na coluna " + column.Name + ": " + moment);
    }
    case TDbColumnKind::Text:
      break;
  }
  return Value(std::string(text));
}

std::string Texto(const Value& value) {
  switch (value.Type()) {
    case TValueType::Boolean:
      return value.AsBoolean() ? "1" : "0";
    case TValueType::Float:
      return fmt::format("{}", value.AsFloat());
    case TValueType::Currency:
      return value.AsCurrency().ToString();
    case TValueType::DateTime:
      return DateToIso(value.AsDateTime());
    default:
      return value.AsString();
  }
}

// A value in COPY's text format: null as \N, and a backslash before the
// characters that would end the value or the row, or start an escape.
void AcrescentarCopia(std::string& destino, const Value& value) {
  if (value.IsNull()) {
    destino += "\\N";
    return;
  }
  for (char c : Texto(value)) {
    switch (c) {
      case '\\':
        destino += "\\\\";
        break;
      case '\t':
        destino += "\\t";
        break;
      case '\n':
        destino += "\\n";
        break;
      case '\r':
        destino += "\\r";
        break;
      default:
        destino += c;
    }
  }
}

// "COPY T (A, B) FROM STDIN" for a qualifying "insert into T (A, B) values
// ($1, $2)" (InsercaoAgrupada::ParametrosDaLinha). COPY skips rules, as
// INSERT does not: the schema defines none.
std::string CopiaDe(const std::string& insercao) {
  constexpr std::string_view kInsercao = "insert into ";
  const size_t valores = insercao.rfind(" values (");
  return fmt::format("COPY {} FROM STDIN", std::string_view(insercao).substr(
                                               kInsercao.size(), valores - kInsercao.size()));
}

// The texts last run unnamed, by their hash: one that comes back while
// remembered is worth preparing. A hash shared by two texts only prepares
// one of them early.
class TTextosVistos {
 public:
  // Whether `text` is remembered; a text that is not is remembered from now
  // on, in place of the oldest one past kLembrados.
  bool Voltou(std::string_view text) {
    const size_t hash = std::hash<std::string_view>{}(text);
    if (FHashes.contains(hash))
      return true;
    FHashes.insert(hash);
    FOrdem.push_back(hash);
    if (FOrdem.size() > kLembrados) {
      FHashes.erase(FOrdem.front());
      FOrdem.pop_front();
    }
    return false;
  }

 private:
  // Far more than the distinct texts an entry runs, so that a text run
  // once per entry is prepared on the second entry.
  static constexpr size_t kLembrados = 1024;
  std::unordered_set<size_t> FHashes;
  std::deque<size_t> FOrdem;
};

class TPgDriver : public IDbDriver {
 public:
  explicit TPgDriver(const std::string& conninfo)
      : FCache(kMaxPreparedStatements,
               [this](std::string& name) { FDescartar.push_back(std::move(name)); }) {
    FConn = LibPq().PQconnectdb(conninfo.c_str());
    if (LibPq().PQstatus(FConn) != CONNECTION_OK) {
      std::string message = LibPq().PQerrorMessage(FConn);
      LibPq().PQfinish(FConn);
      FConn = nullptr;
      throw CriarErroBanco(TDatabaseErrorKind::Other,
                           "Não foi possível conectar ao PostgreSQL: " + message);
    }
    LibPq().PQsetNoticeProcessor(
        FConn, [](void*, const char*) {}, nullptr);
    ExecutarScript(
        "SET client_encoding = 'UTF8'; SET DateStyle = 'ISO, YMD';"
        " SET standard_conforming_strings = on;");
  }
  ~TPgDriver() override {
    FCache.Clear();
    LibPq().PQfinish(FConn);
  }

  TTipoConexao Tipo() const override { return TTipoConexao::PostgreSQL; }

  TDbResult Executar(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args) override {
    TDbLote lote = ExecutarLote({TDbComando{&sql, args}});
    if (lote.Erro)
      std::rethrow_exception(lote.Erro);
    return std::move(lote.Resultados.front());
  }

  TDbLote ExecutarLote(const std::vector<TDbComando>& comandos) override {
    const bool emTransacao = LibPq().PQtransactionStatus(FConn) == PQTRANS_INTRANS;
    const bool isolar = emTransacao && FIsolar && !SoLeituras(comandos);
    TDbLote lote;
    // A run COPY did not take goes as statements up to here, which find
    // its failing row.
    size_t semCopiaAte = 0;
    for (size_t inicio = 0; inicio < comandos.size();) {
      if (isolar && inicio >= semCopiaAte) {
        if (const size_t linhas = CorridaCopiavel(comandos, inicio); linhas > 0) {
          if (Copiar(comandos, inicio, inicio + linhas)) {
            InsercaoAgrupada::RegistrarLinhas(lote, linhas);
            inicio += linhas;
            continue;
          }
          semCopiaAte = inicio + linhas;
        }
      }
      size_t fim = std::min(comandos.size(), inicio + kComandosPorPipeline);
      if (isolar)
        fim = InicioDeCorrida(comandos, std::max(inicio + 1, semCopiaAte), fim);
      // Rows share an insert only where a failure can be taken back and
      // sent again row by row, to learn which row failed.
      TEnvio envio = Enviar(comandos, inicio, fim, isolar, isolar);
      std::exception_ptr falha;
      while (envio.Lote.Erro && !FalhaDeConexao(envio.Lote.Erro)) {
        if (isolar)
          Comando("ROLLBACK TO SAVEPOINT ctb_comando; RELEASE SAVEPOINT ctb_comando");
        else if (emTransacao)
          break;  // the transaction is aborted: nothing can be sent again
        if (envio.Agrupada) {
          envio = Enviar(comandos, inicio, fim, isolar, false);
          continue;
        }
        // The savepoint (or, outside a transaction, the pipeline's implicit
        // one) undid the statements before the failed one: send them again.
        falha = envio.Lote.Erro;
        fim = inicio + envio.Lote.Resultados.size();
        envio = Enviar(comandos, inicio, fim, isolar, isolar);
      }
      for (TDbResult& result : envio.Lote.Resultados)
        lote.Resultados.push_back(std::move(result));
      if (envio.Lote.Erro || falha) {
        lote.Erro = envio.Lote.Erro ? envio.Lote.Erro : falha;
        break;
      }
      inicio = fim;
    }
    return lote;
  }

  // A cursor read up to the limit: the server makes no row past it. Under a
  // savepoint whose rollback closes the cursor and takes the statement
  // timeout back, whatever the query did.
  TDbResult Consultar(const Dialect::TSqlPreparada& sql, const std::vector<Value>& args,
                      const TLimiteLeitura& limite) override {
    Comando(fmt::format("SAVEPOINT ctb_leitura; SET LOCAL statement_timeout = {}",
                        std::max<int64_t>(limite.Tempo.count(), 1)));
    TDbResult result;
    try {
      ExecutarAgora("DECLARE ctb_leitura NO SCROLL CURSOR FOR " + sql.Text, args);
      result = ExecutarAgora(fmt::format("FETCH FORWARD {} FROM ctb_leitura", limite.Linhas), {});
    } catch (...) {
      try {
        Comando("ROLLBACK TO SAVEPOINT ctb_leitura; RELEASE SAVEPOINT ctb_leitura");
      } catch (const std::exception&) {
        // The connection is lost: the caller's next statement says so.
      }
      throw;
    }
    Comando("ROLLBACK TO SAVEPOINT ctb_leitura; RELEASE SAVEPOINT ctb_leitura");
    return result;
  }

  void ExecutarScript(const std::string& text) override { Comando(text); }

  void SetIsolarComandos(bool isolar) override { FIsolar = isolar; }

  void Begin(bool readOnly) override { Comando(readOnly ? "BEGIN READ ONLY" : "BEGIN"); }
  void Commit() override {
    // COMMIT of a transaction the server already aborted answers ROLLBACK
    // without an error; that must not pass for a commit.
    TResultGuard guard{LibPq().PQexec(FConn, "COMMIT")};
    Verificar(guard.R);
    if (std::string(LibPq().PQcmdStatus(guard.R)) == "ROLLBACK")
      throw CriarErroBanco(TDatabaseErrorKind::Other,
                           "A transação foi abortada pelo servidor e desfeita");
  }
  void Rollback() override { Comando("ROLLBACK"); }

  int64_t PreparedCount() const override { return FPreparedCount; }

 private:
  // What one pipeline gave; Agrupada when the failure was a statement of
  // several rows, which does not say which of its rows failed.
  struct TEnvio {
    TDbLote Lote;
    bool Agrupada = false;
  };

  // One statement of a pipeline: command Inicio alone, or the Linhas
  // commands from Inicio in one insert (Texto).
  struct TUnidade {
    size_t Inicio = 0;
    size_t Linhas = 1;
    std::string Texto;
    std::string Nome;
    bool Preparar = false;
  };

  // The statements that send [inicio, fim) of `comandos`: runs of one
  // insert text share statements when `agrupar`.
  std::vector<TUnidade> Unidades(const std::vector<TDbComando>& comandos, size_t inicio, size_t fim,
                                 bool agrupar) {
    std::vector<TUnidade> unidades;
    const size_t maxLinhas = agrupar ? InsercaoAgrupada::kLinhasPorInsercao : 1;
    for (const InsercaoAgrupada::TGrupo& grupo :
         InsercaoAgrupada::Grupos(comandos, inicio, fim, maxLinhas, kMaxParametros, '$')) {
      TUnidade& unidade = unidades.emplace_back();
      unidade.Inicio = grupo.Inicio;
      unidade.Linhas = grupo.Linhas;
      const std::string& text = comandos[grupo.Inicio].Sql->Text;
      if (grupo.Linhas > 1)
        unidade.Texto = FTextos.Texto(text, grupo.Linhas, [&] {
          return InsercaoDeLinhas(text, grupo.Parametros, grupo.Linhas);
        });
    }
    return unidades;
  }

  // Sends statements [inicio, fim) of `comandos` in one pipeline, under the
  // savepoint ctb_comando when `savepoint`, and reads every answer: the
  // results of the statements before the first failure, and that failure.
  TEnvio Enviar(const std::vector<TDbComando>& comandos, size_t inicio, size_t fim, bool savepoint,
                bool agrupar) {
    TEnvio envio;
    TDbLote& lote = envio.Lote;
    if (inicio == fim)
      return envio;
    std::vector<TUnidade> unidades = Unidades(comandos, inicio, fim, agrupar);
    const auto texto = [&](const TUnidade& unidade) -> const std::string& {
      return unidade.Linhas > 1 ? unidade.Texto : comandos[unidade.Inicio].Sql->Text;
    };
    // The name each statement runs under. A text not yet prepared is
    // prepared in the same pipeline, once, when it comes back: seen before
    // (FVistos) or again in this pipeline; seen for the first time it runs
    // unnamed, as a text with its values written in it mostly runs once.
    std::unordered_map<std::string_view, size_t> vezes;
    for (const TUnidade& unidade : unidades)
      ++vezes[texto(unidade)];
    std::unordered_map<std::string_view, const TUnidade*> novos;
    for (TUnidade& unidade : unidades) {
      const std::string& text = texto(unidade);
      if (const std::string* name = FCache.Find(text)) {
        unidade.Nome = *name;
      } else if (auto novo = novos.find(text); novo != novos.end()) {
        unidade.Nome = novo->second->Nome;
      } else if (FVistos.Voltou(text) || vezes[text] > 1) {
        unidade.Nome = "ctb_" + std::to_string(++FNameCounter);
        unidade.Preparar = true;
        novos.emplace(text, &unidade);
      }
    }
    if (LibPq().PQenterPipelineMode(FConn) != 1)
      Verificar(nullptr);
    bool enviado = !savepoint || EnviarTexto("SAVEPOINT ctb_comando");
    std::vector<std::string> texts;
    std::vector<const char*> values;
    for (const TUnidade& unidade : unidades) {
      if (!enviado)
        break;
      if (unidade.Preparar)
        enviado = LibPq().PQsendPrepare(FConn, unidade.Nome.c_str(), texto(unidade).c_str(), 0,
                                        nullptr) == 1;
      texts.clear();
      values.clear();
      for (size_t i = unidade.Inicio; i < unidade.Inicio + unidade.Linhas; ++i)
        for (const Value& arg : comandos[i].Args)
          texts.push_back(arg.IsNull() ? std::string() : Texto(arg));
      for (size_t i = unidade.Inicio; i < unidade.Inicio + unidade.Linhas; ++i)
        for (const Value& arg : comandos[i].Args)
          values.push_back(arg.IsNull() ? nullptr : texts[values.size()].c_str());
      const int quantos = static_cast<int>(values.size());
      enviado =
          enviado && (unidade.Nome.empty()
                          ? LibPq().PQsendQueryParams(FConn, texto(unidade).c_str(), quantos,
                                                      nullptr, values.data(), nullptr, nullptr, 0)
                          : LibPq().PQsendQueryPrepared(FConn, unidade.Nome.c_str(), quantos,
                                                        values.data(), nullptr, nullptr, 0)) == 1;
    }
    enviado = enviado && (!savepoint || EnviarTexto("RELEASE SAVEPOINT ctb_comando"));
    // The statements the cache dropped are released in the same exchange.
    // A prepared statement outlives a rollback, so a release cannot fail;
    // one the pipeline skipped after a failure waits for the next exchange.
    const size_t descartes = FDescartar.size();
    for (size_t d = 0; enviado && d < descartes; ++d)
      enviado = EnviarTexto(("DEALLOCATE " + FDescartar[d]).c_str());
    if (!enviado || LibPq().PQpipelineSync(FConn) != 1) {
      // The connection is lost: no answer will come.
      LibPq().PQexitPipelineMode(FConn);
      Verificar(nullptr);
    }

    auto falhar = [&](const PGresult* res, const std::string& text) {
      try {
        Verificar(res, text);
      } catch (...) {
        lote.Erro = std::current_exception();
      }
    };
    if (savepoint) {
      TResultGuard guard{Resposta()};
      if (LibPq().PQresultStatus(guard.R) != PGRES_PIPELINE_ABORTED)
        falhar(guard.R, "");
    }
    std::vector<const TUnidade*> preparados;
    for (const TUnidade& unidade : unidades) {
      // A failure names the statement as its caller wrote it.
      const std::string& text = comandos[unidade.Inicio].Sql->Text;
      const bool falhouAntes = lote.Erro != nullptr;
      if (unidade.Preparar) {
        TResultGuard guard{Resposta()};
        if (LibPq().PQresultStatus(guard.R) == PGRES_COMMAND_OK) {
          preparados.push_back(&unidade);
          ++FPreparedCount;
        } else if (!lote.Erro) {
          falhar(guard.R, text);
        }
      }
      TResultGuard guard{Resposta()};
      if (!lote.Erro)
        falhar(guard.R, text);
      if (!lote.Erro)
        Registrar(unidade, Resultado(guard.R), lote);
      envio.Agrupada = envio.Agrupada || (!falhouAntes && lote.Erro && unidade.Linhas > 1);
    }
    if (savepoint) {
      TResultGuard guard{Resposta()};
      if (!lote.Erro)
        falhar(guard.R, "");
    }
    size_t descartados = 0;
    for (size_t d = 0; d < descartes; ++d) {
      TResultGuard guard{Resposta()};
      if (LibPq().PQresultStatus(guard.R) != PGRES_PIPELINE_ABORTED && descartados == d)
        ++descartados;
    }
    FDescartar.erase(FDescartar.begin(),
                     FDescartar.begin() + static_cast<std::ptrdiff_t>(descartados));
    TResultGuard sync{LibPq().PQgetResult(FConn)};
    LibPq().PQexitPipelineMode(FConn);
    // Cached only now: dropping the least recently used statement runs a
    // command, which pipeline mode does not allow.
    for (const TUnidade* unidade : preparados)
      FCache.Add(texto(*unidade), unidade->Nome);
    return envio;
  }

  // The length of the run of one insert from `inicio` when it goes as
  // COPY; 0 when it does not.
  size_t CorridaCopiavel(const std::vector<TDbComando>& comandos, size_t inicio) const {
    size_t fim = inicio + 1;
    while (fim < comandos.size() && InsercaoAgrupada::MesmoTexto(comandos[fim], comandos[inicio]))
      ++fim;
    const std::string& text = comandos[inicio].Sql->Text;
    if (fim - inicio < kLinhasPorCopia || FSemCopia.contains(text) ||
        InsercaoAgrupada::ParametrosDaLinha(text, '$') == 0)
      return 0;
    return fim - inicio;
  }

  // The first command in [de, ate) that starts a run going as COPY; ate
  // when none does.
  size_t InicioDeCorrida(const std::vector<TDbComando>& comandos, size_t de, size_t ate) const {
    for (size_t i = de; i < ate; ++i)
      if (!InsercaoAgrupada::MesmoTexto(comandos[i], comandos[i - 1]) &&
          CorridaCopiavel(comandos, i) > 0)
        return i;
    return ate;
  }

  // Sends commands [inicio, fim), rows of one insert, as one COPY under the
  // savepoint ctb_comando. False when the table did not take every row: the
  // savepoint has then undone them all. A table COPY cannot write (a view)
  // is not tried again.
  bool Copiar(const std::vector<TDbComando>& comandos, size_t inicio, size_t fim) {
    const std::string& text = comandos[inicio].Sql->Text;
    {
      TResultGuard inicioCopia{
          LibPq().PQexec(FConn, ("SAVEPOINT ctb_comando; " + CopiaDe(text)).c_str())};
      if (LibPq().PQresultStatus(inicioCopia.R) != PGRES_COPY_IN) {
        LancarSeConexaoPerdida(inicioCopia.R);
        Comando("ROLLBACK TO SAVEPOINT ctb_comando; RELEASE SAVEPOINT ctb_comando");
        FSemCopia.insert(text);
        return false;
      }
    }
    std::string dados;
    bool enviado = true;
    for (size_t i = inicio; enviado && i < fim; ++i) {
      const std::vector<Value>& args = comandos[i].Args;
      for (size_t a = 0; a < args.size(); ++a) {
        if (a > 0)
          dados += '\t';
        AcrescentarCopia(dados, args[a]);
      }
      dados += '\n';
      if (dados.size() >= kBytesPorEnvioCopia || i + 1 == fim) {
        enviado = LibPq().PQputCopyData(FConn, dados.data(), static_cast<int>(dados.size())) == 1;
        dados.clear();
      }
    }
    if (!enviado || LibPq().PQputCopyEnd(FConn, nullptr) != 1)
      Verificar(nullptr);  // the connection is lost
    bool tomadas = false;
    {
      TResultGuard copia{LibPq().PQgetResult(FConn)};
      const char* linhas = LibPq().PQcmdTuples(copia.R);
      tomadas = LibPq().PQresultStatus(copia.R) == PGRES_COMMAND_OK && linhas &&
                std::strtoull(linhas, nullptr, 10) == fim - inicio;
      while (PGresult* resto = LibPq().PQgetResult(FConn))
        LibPq().PQclear(resto);
      if (!tomadas)
        LancarSeConexaoPerdida(copia.R);
    }
    Comando(tomadas ? "RELEASE SAVEPOINT ctb_comando"
                    : "ROLLBACK TO SAVEPOINT ctb_comando; RELEASE SAVEPOINT ctb_comando");
    return tomadas;
  }

  // A statement that failed because the connection, or a cluster node's
  // under it, was lost: no savepoint is left to go back to, so the loss is
  // what the caller hears.
  void LancarSeConexaoPerdida(const PGresult* res) {
    if (LibPq().PQstatus(FConn) != CONNECTION_OK || ConexaoPerdida(res))
      Verificar(res);
  }

  // The result of a statement that ran, one per command it stands for.
  static void Registrar(const TUnidade& unidade, TDbResult result, TDbLote& lote) {
    if (unidade.Linhas == 1) {
      lote.Resultados.push_back(std::move(result));
      return;
    }
    InsercaoAgrupada::RegistrarLinhas(lote, unidade.Linhas);
  }

  bool EnviarTexto(const char* text) {
    return LibPq().PQsendQueryParams(FConn, text, 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
  }

  // The next command's answer in the pipeline, past the empty result that
  // ends it; a failure of the connection reads as a failed answer.
  PGresult* Resposta() {
    PGresult* res = LibPq().PQgetResult(FConn);
    if (res)
      LibPq().PQclear(LibPq().PQgetResult(FConn));
    return res;
  }

  static TDbResult Resultado(PGresult* res) {
    TDbResult result;
    int columns = LibPq().PQnfields(res);
    for (int c = 0; c < columns; ++c)
      result.Columns.push_back(Coluna(res, c));
    int rows = LibPq().PQntuples(res);
    result.Rows.reserve(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
      ValueArray row;
      row.reserve(static_cast<size_t>(columns));
      for (int c = 0; c < columns; ++c) {
        if (LibPq().PQgetisnull(res, r, c)) {
          row.emplace_back();
        } else {
          row.push_back(Ler(LibPq().PQgetvalue(res, r, c), LibPq().PQftype(res, c),
                            result.Columns[static_cast<size_t>(c)]));
        }
      }
      result.Rows.push_back(std::move(row));
    }
    const char* affected = LibPq().PQcmdTuples(res);
    result.RowsAffected = affected && *affected ? std::strtoll(affected, nullptr, 10) : 0;
    return result;
  }

  void Comando(const std::string& text) {
    TResultGuard guard{LibPq().PQexec(FConn, text.c_str())};
    Verificar(guard.R);
  }

  // One statement with its values, unprepared, its answer read whole; one
  // the statement timeout cancelled raises kMsgConsultaDemorada.
  TDbResult ExecutarAgora(const std::string& text, const std::vector<Value>& args) {
    std::vector<std::string> texts;
    texts.reserve(args.size());
    for (const Value& arg : args)
      texts.push_back(arg.IsNull() ? std::string() : Texto(arg));
    std::vector<const char*> values;
    values.reserve(args.size());
    for (size_t i = 0; i < args.size(); ++i)
      values.push_back(args[i].IsNull() ? nullptr : texts[i].c_str());
    TResultGuard guard{LibPq().PQexecParams(FConn, text.c_str(), static_cast<int>(values.size()),
                                            nullptr, values.data(), nullptr, nullptr, 0)};
    const char* estado =
        guard.R != nullptr ? LibPq().PQresultErrorField(guard.R, PG_DIAG_SQLSTATE) : nullptr;
    if (estado != nullptr && std::string_view(estado) == kCancelada)
      throw EDatabaseError(kMsgConsultaDemorada);
    Verificar(guard.R, text);
    return Resultado(guard.R);
  }

  void Verificar(const PGresult* res, const std::string& sql = "") {
    ExecStatusType status = res ? LibPq().PQresultStatus(res) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
      return;
    std::string message = res ? LibPq().PQresultErrorMessage(res) : LibPq().PQerrorMessage(FConn);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
      message.pop_back();
    if (!sql.empty())
      message += " em: " + sql;
    const char* state = res ? LibPq().PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    if (LibPq().PQstatus(FConn) != CONNECTION_OK || ConexaoPerdida(res))
      throw EConexaoPerdida(message);
    throw CriarErroBanco(res ? KindOf(state) : TDatabaseErrorKind::Other, message);
  }

  PGconn* FConn = nullptr;
  int64_t FPreparedCount = 0;
  bool FIsolar = true;
  int64_t FNameCounter = 0;
  TTextosVistos FVistos;
  // Names of the prepared statements the cache dropped, not yet released.
  std::vector<std::string> FDescartar;
  TStatementCache<std::string> FCache;
  InsercaoAgrupada::TTextos FTextos;
  // Insert texts whose table COPY could not write.
  std::unordered_set<std::string> FSemCopia;
};

}  // namespace

std::unique_ptr<IDbDriver> CriarDriverPostgreSQL(const std::string& conninfo) {
  return std::make_unique<TPgDriver>(conninfo);
}
