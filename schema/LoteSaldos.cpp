#include "schema/LoteSaldos.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

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

// The movements of the stored entries (and splits) of one block of keys,
// read through the primary key and summed per row of the journal: one pass,
// whatever the number of balance tables. PostgreSQL groups them, rounded to
// cents as every total here is.
const char* const kFaixaNoDiarioCtb =
    "insert into LOTESALDOCTB (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, DATAMES, "
    "TIPOLANCAMENTO, CODIGOHISTCTB, CODIGOMOEDA, VALORDEB, VALORCRED, VALORDEBMOEDA, "
    "VALORCREDMOEDA) "
    "select CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, DATAMES, TIPOLANCAMENTO, "
    "CODIGOHISTCTB, CODIGOMOEDA, round(sum(VALORDEB), 2), round(sum(VALORCRED), 2), "
    "round(sum(VALORDEBMOEDA), 2), round(sum(VALORCREDMOEDA), 2) "
    "from VLCTOCTBSALDO where CODIGOEMPRESA = :pEmpresa "
    "and CHAVELCTOCTB between :pChaveInicial and :pChaveFinal "
    "group by CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, DATAMES, TIPOLANCAMENTO, "
    "CODIGOHISTCTB, CODIGOMOEDA";

// SQLite groups by sorting, which costs more than the rest of the pass; its
// journals have a unique key instead (schema.sql), so each side (or split)
// adds into its row as it is read, as the triggers' movements do, and the
// grouped upserts round the totals.
const char* const kFaixaNoDiarioCtbSQLite =
    "insert into LOTESALDOCTB (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, DATAMES, "
    "TIPOLANCAMENTO, CODIGOHISTCTB, CODIGOMOEDA, VALORDEB, VALORCRED, VALORDEBMOEDA, "
    "VALORCREDMOEDA) "
    "select CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, DATAMES, TIPOLANCAMENTO, "
    "CODIGOHISTCTB, CODIGOMOEDA, VALORDEB, VALORCRED, VALORDEBMOEDA, VALORCREDMOEDA "
    "from VLCTOCTBSALDO where CODIGOEMPRESA = :pEmpresa "
    "and CHAVELCTOCTB between :pChaveInicial and :pChaveFinal "
    "on conflict (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, "
    "CODIGOHISTCTB, coalesce(CODIGOMOEDA, ''), DATAMES) do update "
    "set VALORDEB = LOTESALDOCTB.VALORDEB + excluded.VALORDEB, "
    "VALORCRED = LOTESALDOCTB.VALORCRED + excluded.VALORCRED, "
    "VALORDEBMOEDA = LOTESALDOCTB.VALORDEBMOEDA + excluded.VALORDEBMOEDA, "
    "VALORCREDMOEDA = LOTESALDOCTB.VALORCREDMOEDA + excluded.VALORCREDMOEDA";

const char* const kFaixaNoDiarioGer =
    "insert into LOTESALDOGER (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, "
    "DATASALDO, DATAMES, TIPOLANCAMENTO, VALORDEB, VALORCRED) "
    "select CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, DATAMES, "
    "TIPOLANCAMENTO, round(sum(VALORDEB), 2), round(sum(VALORCRED), 2) "
    "from VLCTOGERSALDO where CODIGOEMPRESA = :pEmpresa "
    "and CHAVELCTOCTB between :pChaveInicial and :pChaveFinal "
    "group by CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, DATAMES, "
    "TIPOLANCAMENTO";

const char* const kFaixaNoDiarioGerSQLite =
    "insert into LOTESALDOGER (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, "
    "DATASALDO, DATAMES, TIPOLANCAMENTO, VALORDEB, VALORCRED) "
    "select CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, DATAMES, "
    "TIPOLANCAMENTO, VALORDEB, VALORCRED "
    "from VLCTOGERSALDO where CODIGOEMPRESA = :pEmpresa "
    "and CHAVELCTOCTB between :pChaveInicial and :pChaveFinal "
    "on conflict (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, "
    "TIPOLANCAMENTO, DATAMES) do update "
    "set VALORDEB = LOTESALDOGER.VALORDEB + excluded.VALORDEB, "
    "VALORCRED = LOTESALDOGER.VALORCRED + excluded.VALORCRED";

// A group whose movements cancel out changes nothing, so it is left out; a
// row the sum brings to zero is deleted by the table's own trigger.
// Rounding to cents keeps SQLite's REAL sums exact, as the triggers do at
// each step. Rows are written in key order, so two batches of one company
// that share balance rows lock them in the same order and wait instead of
// deadlocking.
std::string Somar(const TTabelaSaldo& tabela) {
  const char* deb = tabela.Moeda ? "VALORDEBMOEDA" : "VALORDEB";
  const char* cred = tabela.Moeda ? "VALORCREDMOEDA" : "VALORCRED";
  return fmt::format(
      "insert into {0} (CODIGOEMPRESA, {1}, VALORDEB, VALORCRED) "
      "select CODIGOEMPRESA, {2}, round(sum({3}), 2), round(sum({4}), 2) "
      "from {5} where CODIGOEMPRESA = :pEmpresa{6} "
      "group by CODIGOEMPRESA, {2} "
      "having round(sum({3}), 2) <> 0 or round(sum({4}), 2) <> 0 "
      "order by CODIGOEMPRESA, {2} "
      "on conflict (CODIGOEMPRESA, {1}) do update "
      "set VALORDEB = round({0}.VALORDEB + excluded.VALORDEB, 2), "
      "VALORCRED = round({0}.VALORCRED + excluded.VALORCRED, 2)",
      tabela.Nome, tabela.Chave, tabela.ChaveDiario, deb, cred, tabela.Diario,
      tabela.Moeda ? " and CODIGOMOEDA is not null" : "");
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

void TLoteSaldos::ChavesNovas(int64_t codigoEmpresa, int64_t chaveInicial, int64_t chaveFinal) {
  if (chaveInicial > chaveFinal)
    return;
  // A stored entry in the block counted before it: its balances stay the
  // triggers' business, so the block is not taken.
  if (!FConexao
           .ExecuteQuery("select 1 from LCTOCTB where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB "
                         "between :pChaveInicial and :pChaveFinal {LIMIT(1)}",
                         {{"pEmpresa", codigoEmpresa},
                          {"pChaveInicial", chaveInicial},
                          {"pChaveFinal", chaveFinal}})
           .Rows.empty())
    return;
  TFaixa nova{codigoEmpresa, chaveInicial, chaveFinal};
  // Merged with every block of the company it overlaps or touches, so that
  // no key is summed twice.
  std::erase_if(FFaixas, [&](const TFaixa& faixa) {
    if (faixa.Empresa != codigoEmpresa || faixa.Final + 1 < nova.Inicial ||
        nova.Final + 1 < faixa.Inicial)
      return false;
    nova.Inicial = std::min(nova.Inicial, faixa.Inicial);
    nova.Final = std::max(nova.Final, faixa.Final);
    return true;
  });
  FFaixas.push_back(nova);
  GravarFaixas(codigoEmpresa);
  LembrarFaixa(codigoEmpresa, fmt::format("{}:{}", nova.Inicial, nova.Final));
}

void TLoteSaldos::GravarFaixas(int64_t codigoEmpresa) {
  FConexao.ExecuteDirect("delete from LOTESALDOFAIXA where CODIGOEMPRESA = :pEmpresa",
                         {{"pEmpresa", codigoEmpresa}});
  for (const TFaixa& faixa : FFaixas)
    if (faixa.Empresa == codigoEmpresa)
      FConexao.ExecuteDirect(
          "insert into LOTESALDOFAIXA (CODIGOEMPRESA, CHAVEINICIAL, CHAVEFINAL) "
          "values (:pEmpresa, :pChaveInicial, :pChaveFinal)",
          {{"pEmpresa", faixa.Empresa},
           {"pChaveInicial", faixa.Inicial},
           {"pChaveFinal", faixa.Final}});
}

// PostgreSQL's triggers answer the keys of this block from the setting,
// without reading LOTESALDOFAIXA (schema.sql, CTB_CHAVE_EM_LOTE); empty
// forgets it. SQLite's triggers read the table, which costs no round trip.
void TLoteSaldos::LembrarFaixa(int64_t codigoEmpresa, const std::string& faixa) {
  if (FConexao.PegarTipoCon() == TTipoConexao::PostgreSQL)
    FConexao.ExecuteQuery("select set_config('ctb.faixa' || :pEmpresa, :pFaixa, true)",
                          {{"pEmpresa", codigoEmpresa}, {"pFaixa", Value(faixa)}});
}

void TLoteSaldos::Aplicar() {
  // The blocks join the journal, already summed, and leave with it.
  const bool postgres = FConexao.PegarTipoCon() == TTipoConexao::PostgreSQL;
  for (const TFaixa& faixa : FFaixas) {
    const TParams params{{"pEmpresa", faixa.Empresa},
                         {"pChaveInicial", faixa.Inicial},
                         {"pChaveFinal", faixa.Final}};
    FConexao.ExecuteDirect(postgres ? kFaixaNoDiarioCtb : kFaixaNoDiarioCtbSQLite, params);
    FConexao.ExecuteDirect(postgres ? kFaixaNoDiarioGer : kFaixaNoDiarioGerSQLite, params);
  }
  // A later batch of this transaction must not find these blocks in the
  // settings once their rows are gone.
  for (const TFaixa& faixa : FFaixas) {
    FConexao.ExecuteDirect("delete from LOTESALDOFAIXA where CODIGOEMPRESA = :pEmpresa",
                           {{"pEmpresa", faixa.Empresa}});
    LembrarFaixa(faixa.Empresa, "");
  }
  FFaixas.clear();
  // Company by company, so every statement stays inside one company's rows
  // (one shard when the tables are distributed by CODIGOEMPRESA).
  const TDbResult empresas = FConexao.ExecuteQuery(
      "select CODIGOEMPRESA from LOTESALDOCTB union select CODIGOEMPRESA from LOTESALDOGER");
  for (const ValueArray& empresa : empresas.Rows) {
    const TParams params{{"pEmpresa", empresa[0]}};
    for (const TTabelaSaldo& tabela : kTabelas)
      FConexao.ExecuteDirect(Somar(tabela), params);
    for (const char* diario : kDiarios)
      FConexao.ExecuteDirect(fmt::format("delete from {} where CODIGOEMPRESA = :pEmpresa", diario),
                             params);
  }
  Ligar(FConexao, false);
  FAberto = false;
}
