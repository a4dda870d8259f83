#pragma once
// A batch of entries written on one connection moves the balance tables once,
// with grouped statements, instead of once per row through the triggers.
//
// While a TLoteSaldos is open the LCTOCTB and LCTOGER triggers of its
// connection skip the balance tables and record each movement (negated to
// take an entry or a split out) in the batch journals LOTESALDOCTB and
// LOTESALDOGER (cost-centre splits); Aplicar then adds the
// journal to each balance table with one grouped upsert per table and
// company, deletes the rows it brought to zero and empties the journal. The
// balances are exactly the ones the per-row triggers give, whatever the batch
// did (inserts, edits, deletes, company moves): both sum the same movements
// and keep a row only while its debits or credits are non-zero.
//
// The switch lives inside the batch's transaction and is never committed
// (SQLite: an uncommitted row no other connection can write past; PostgreSQL:
// a setting local to the transaction), so single entries typed on a screen,
// and every other session, keep the triggers.

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

  // Moves the balance tables by the batch and turns the triggers back on;
  // call it before the commit. Raises EDatabaseError when a statement fails.
  void Aplicar();

 private:
  TnDMConexao& FConexao;
  bool FAberto = true;
};
