#include "framework/db/ConsultaSomenteLeitura.h"

#include <fmt/format.h>

#include <cctype>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"

namespace ConsultaSomenteLeitura {

std::optional<std::string> UmaConsulta(const std::string& sql) {
  std::string text = Nutil::Trim(sql);
  while (!text.empty() && text.back() == ';')
    text = Nutil::Trim(text.substr(0, text.size() - 1));
  char aspas = 0;
  for (char c : text) {
    if (aspas) {
      aspas = c == aspas ? 0 : aspas;
    } else if (c == '\'' || c == '"') {
      aspas = c;
    } else if (c == ';') {
      return std::nullopt;
    }
  }
  size_t fim = 0;
  while (fim < text.size() && std::isalpha(static_cast<unsigned char>(text[fim])))
    ++fim;
  const std::string primeira = Nutil::UpperCase(text.substr(0, fim));
  if (primeira != "SELECT" && primeira != "WITH" && primeira != "VALUES")
    return std::nullopt;
  return text;
}

namespace {

// Sets the read-only path up inside the caller's transaction and takes it
// down again, whatever the query did.
class TSomenteLeitura {
 public:
  explicit TSomenteLeitura(TnDMConexao& conexao) : FConexao(conexao) {
    if (FConexao.PegarTipoCon() == TTipoConexao::SQLite)
      FConexao.ExecuteScript("PRAGMA query_only = 1");
    else
      FConexao.ExecuteScript("SAVEPOINT ctb_consulta; SET LOCAL transaction_read_only = on");
  }
  ~TSomenteLeitura() {
    try {
      if (FConexao.PegarTipoCon() == TTipoConexao::SQLite)
        FConexao.ExecuteScript("PRAGMA query_only = 0");
      else
        FConexao.ExecuteScript(
            "ROLLBACK TO SAVEPOINT ctb_consulta; RELEASE SAVEPOINT ctb_consulta");
    } catch (const std::exception&) {
      // A connection that cannot take the switch back has lost its
      // transaction; the caller's next statement reports it.
    }
  }
  TSomenteLeitura(const TSomenteLeitura&) = delete;
  TSomenteLeitura& operator=(const TSomenteLeitura&) = delete;

 private:
  TnDMConexao& FConexao;
};

}  // namespace

TDbResult Executar(TnDMConexao& conexao, const std::string& sql, const TParams& params,
                   const TLimites& limites) {
  const std::optional<std::string> consulta = UmaConsulta(sql);
  if (!consulta)
    throw Exception("Só é aceita uma consulta (SELECT, WITH ou VALUES)");
  // One row past the limit tells a query that has more.
  const TLimiteLeitura leitura{limites.Linhas + 1, std::chrono::milliseconds(limites.TempoMs)};
  TDbResult resultado;
  if (!conexao.InTransaction()) {
    conexao.StartTransactionRO();
    try {
      resultado = conexao.ExecuteQueryLimitada(*consulta, params, leitura);
    } catch (...) {
      conexao.RollBack();
      throw;
    }
    conexao.RollBack();
  } else {
    TSomenteLeitura somenteLeitura(conexao);
    resultado = conexao.ExecuteQueryLimitada(*consulta, params, leitura);
  }
  if (static_cast<int64_t>(resultado.Rows.size()) > limites.Linhas)
    throw Exception(fmt::format("A consulta passou do limite de {} linhas", limites.Linhas));
  return resultado;
}

}  // namespace ConsultaSomenteLeitura
