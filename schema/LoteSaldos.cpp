#include "schema/LoteSaldos.h"

#include <fmt/format.h>

#include <array>
#include <string>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"

namespace {

// One balance table as the grouped statements see it: the journal it sums,
// its key past the company (as the table names it, and as the journal does:
// the monthly tables take the journal's DATAMES for DATASALDO), and whether
// it sums the currency amounts.
struct TTabelaSaldo {
  const char* Nome;
  const char* Diario;
  const char* Chave;
  const char* ChaveDiario;
  bool Moeda;
};

constexpr std::array<TTabelaSaldo, 7> kTabelas{{
    {"SALDOCTB", "LOTESALDOCTB", "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO", false},
    {"SALDOCTBMENSAL", "LOTESALDOCTB", "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, DATAMES, TIPOLANCAMENTO", false},
    {"SALDOCTBMENSALHIST", "LOTESALDOCTB",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOHISTCTB",
     "CODIGOESTAB, CONTACTB, DATAMES, TIPOLANCAMENTO, CODIGOHISTCTB", false},
    {"SALDOCTBMOEDA", "LOTESALDOCTB",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA", true},
    {"SALDOCTBMOEDAMENSAL", "LOTESALDOCTB",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA",
     "CODIGOESTAB, CONTACTB, DATAMES, TIPOLANCAMENTO, CODIGOMOEDA", true},
    {"SALDOGER", "LOTESALDOGER",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO", false},
    {"SALDOGERMENSAL", "LOTESALDOGER",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATAMES, TIPOLANCAMENTO", false},
}};

constexpr std::array<const char*, 2> kDiarios{"LOTESALDOCTB", "LOTESALDOGER"};

// A group whose movements cancel out changes nothing, so it is left out; a
// row the sum brought to zero is deleted by the statement after. Rounding
// to cents keeps SQLite's REAL sums exact, as the triggers do at each step.
// Rows are written in key order, so two batches of one company that share
// balance rows lock them in the same order and wait instead of deadlocking.
std::string Somar(const TTabelaSaldo& tabela) {
  const char* deb = tabela.Moeda ? "VALORDEBMOEDA" : "VALORDEB";
  const char* cred = tabela.Moeda ? "VALORCREDMOEDA" : "VALORCRED";
  return fmt::format(
      "insert into {0} (CODIGOEMPRESA, {1}, VALORDEB, VALORCRED) "
      "select CODIGOEMPRESA, {2}, round(sum({3}), 2), round(sum({4}), 2) "
      "from {5} where CODIGOEMPRESA = :pEmpresa{6} "
      "group by CODIGOEMPRESA, {2} "
      "having round(sum({3}), 2) <> 0 or round(sum({4}), 2) <> 0 "
      "order by {2} "
      "on conflict (CODIGOEMPRESA, {1}) do update "
      "set VALORDEB = round({0}.VALORDEB + excluded.VALORDEB, 2), "
      "VALORCRED = round({0}.VALORCRED + excluded.VALORCRED, 2)",
      tabela.Nome, tabela.Chave, tabela.ChaveDiario, deb, cred, tabela.Diario,
      tabela.Moeda ? " and CODIGOMOEDA is not null" : "");
}

std::string ExcluirZerados(const TTabelaSaldo& tabela) {
  return fmt::format(
      "delete from {0} where CODIGOEMPRESA = :pEmpresa and VALORDEB = 0 and VALORCRED = 0 "
      "and ({1}) in (select {2} from {3} where CODIGOEMPRESA = :pEmpresa)",
      tabela.Nome, tabela.Chave, tabela.ChaveDiario, tabela.Diario);
}

struct TComandos {
  std::array<std::string, kTabelas.size()> Somas;
  std::array<std::string, kTabelas.size()> Exclusoes;
  TComandos() {
    for (size_t i = 0; i < kTabelas.size(); ++i) {
      Somas[i] = Somar(kTabelas[i]);
      Exclusoes[i] = ExcluirZerados(kTabelas[i]);
    }
  }
};

const TComandos& Comandos() {
  static const TComandos comandos;
  return comandos;
}

void Ligar(TnDMConexao& conexao, bool ligado) {
  if (conexao.PegarTipoCon() == TTipoConexao::PostgreSQL)
    conexao.ExecuteQuery("select set_config('ctb.lotesaldo', :pValor, true)",
                         {{"pValor", Value(ligado ? "1" : "0")}});
  else if (ligado)
    conexao.ExecuteDirect("insert into LOTESALDOATIVO (ATIVO) values (1)");
  else
    conexao.ExecuteDirect("delete from LOTESALDOATIVO");
}

}  // namespace

TLoteSaldos::TLoteSaldos(TnDMConexao& conexao) : FConexao(conexao) {
  if (!conexao.InTransaction())
    throw Exception("Um lote de lançamentos precisa de uma transação aberta");
  Ligar(FConexao, true);
}

TLoteSaldos::~TLoteSaldos() {
  if (!FAberto)
    return;
  try {
    while (FConexao.InTransaction())
      FConexao.RollBack();
  } catch (...) {
    // The connection is gone with its transaction: nothing was committed.
  }
}

void TLoteSaldos::Aplicar() {
  const TComandos& comandos = Comandos();
  // Company by company, so every statement stays inside one company's rows
  // (one shard when the tables are distributed by CODIGOEMPRESA).
  const TDbResult empresas = FConexao.ExecuteQuery(
      "select CODIGOEMPRESA from LOTESALDOCTB union select CODIGOEMPRESA from LOTESALDOGER");
  for (const ValueArray& empresa : empresas.Rows) {
    const TParams params{{"pEmpresa", empresa[0]}};
    for (size_t i = 0; i < kTabelas.size(); ++i) {
      FConexao.ExecuteDirect(comandos.Somas[i], params);
      FConexao.ExecuteDirect(comandos.Exclusoes[i], params);
    }
    for (const char* diario : kDiarios)
      FConexao.ExecuteDirect(fmt::format("delete from {} where CODIGOEMPRESA = :pEmpresa", diario),
                             params);
  }
  Ligar(FConexao, false);
  FAberto = false;
}
