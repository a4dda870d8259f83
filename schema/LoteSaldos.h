#pragma once
// A batch of entries written on one connection moves the balance tables once,
// with grouped statements, instead of once per row through the triggers.
//
// While a TLoteSaldos is open the LCTOCTB and LCTOGER triggers of its
// connection skip the balance tables and record each movement (negated to
// take an entry or a split out) in the batch journals LOTESALDOCTB and
// LOTESALDOGER (cost-centre splits); Aplicar then adds the journal to each
// balance table with one grouped upsert per table and company (a row brought
// to zero leaves through the table's own trigger) and empties the journal.
// The balances are exactly the ones the per-row triggers give, whatever the
// batch did (inserts, edits, deletes, company moves): both sum the same
// movements and keep a row only while its debits or credits are non-zero.
//
// A batch that writes entries under fresh keys (an import drawing its keys a
// block at a time) names each block with ChavesNovas: the triggers then leave
// the entries and splits of those keys alone altogether (no journal row
// either), and Aplicar sums them from LCTOCTB and LCTOGER by key range: a
// pass per block instead of a trigger program per row and a journal row per
// side. PostgreSQL groups them into the journal, one row per balance key,
// before the grouped upserts; on SQLite the program sums each block's
// movements per row of every balance table and adds them to the tables with
// multi-row upserts, past the journal. What the batch did to them in between
// (edits, deletes, a move out of the block) needs no bookkeeping: only their
// state at Aplicar counts, and they counted nowhere before the block.
//
// The switch lives inside the batch's transaction and is never committed
// (SQLite: an uncommitted row no other connection can write past; PostgreSQL:
// a setting local to the transaction), so single entries typed on a screen,
// and every other session, keep the triggers.

#include <cstdint>
#include <string>
#include <vector>

class TnDMConexao;

class TLoteSaldos {
 public:
  // Needs an open transaction on `conexao`.
  explicit TLoteSaldos(TnDMConexao& conexao);
  // Left without Aplicar (a failure on the way): the transaction is rolled
  // back, so no entry of the batch is committed without its balances.
  ~TLoteSaldos();
  TLoteSaldos(const TLoteSaldos&) = delete;
  TLoteSaldos& operator=(const TLoteSaldos&) = delete;

  // The entries of `codigoEmpresa` keyed from `chaveInicial` to `chaveFinal`
  // are the batch's own: none may exist yet, and keys are handed out by
  // their sequence only to this batch until it commits (the sequence row
  // stays locked). A block some entry already holds is left to the
  // triggers. Blocks may overlap or touch; they are merged.
  void ChavesNovas(int64_t codigoEmpresa, int64_t chaveInicial, int64_t chaveFinal);

  // Moves the balance tables by the batch and turns the triggers back on;
  // call it before the commit. Raises EDatabaseError when a statement fails.
  void Aplicar();

 private:
  struct TFaixa {
    int64_t Empresa;
    int64_t Inicial;
    int64_t Final;
  };
  void GravarFaixas(int64_t codigoEmpresa);
  void LembrarFaixa(int64_t codigoEmpresa, const std::string& faixa);

  TnDMConexao& FConexao;
  bool FAberto = true;
  // The blocks of fresh keys, merged, as LOTESALDOFAIXA holds them.
  std::vector<TFaixa> FFaixas;
};
