#pragma once
// Named sequences over the table
//   SEQUENCIA (NOME VARCHAR(100) NOT NULL PRIMARY KEY, VALOR BIGINT NOT NULL)
// Each draw is one UPDATE ... RETURNING, so two processes drawing from the
// same sequence never get the same value: the engine's row (PostgreSQL) or
// database (SQLite) write lock orders them. A missing row is created with an
// INSERT that does nothing when a racing process created it first.
//
// A draw inside the caller's transaction belongs to it: a rollback returns
// the value, and the sequence row stays locked until the transaction ends.

#include <cstdint>
#include <optional>
#include <string>

class TnDMConexao;

namespace Nutilsequence {

// The next value of the sequence `nome`; a new sequence starts at 1.
int64_t PegarProximaSequence(TnDMConexao& conexao, const std::string& nome);

// The next entry key of a company, from the company's sequence
// "DYN_GENCHAVELCTOCTB" in
//   SEQUENCIAEMPRESA (CODIGOEMPRESA, NOME, VALOR), key (CODIGOEMPRESA, NOME)
// so that companies never share a row. Never a key the company has in LCTOCTB:
// a draw steps past the highest CHAVELCTOCTB when a key was written outside
// the sequence (keys still pending in a data set are the caller's).
int64_t ProximaChaveLctoCtb(TnDMConexao& conexao, int64_t codigoEmpresa);

// Entry keys of one batch, inside its transaction, drawn a block at a time:
// one statement per block instead of one per key, the keys the same single
// draws would give in the same order. Devolver, before the commit, sets the
// sequence back to the last key handed out, so it ends where single draws
// leave it; a rollback returns the whole block anyway.
class TBlocoChavesLctoCtb {
 public:
  TBlocoChavesLctoCtb(TnDMConexao& conexao, int64_t tamanho);
  int64_t Proxima(int64_t codigoEmpresa);
  void Devolver();
  // Whether `chave` of the company was handed out by the current block and
  // no split (LCTOGER) is stored under any key of the block: then its entry
  // has no stored splits to read. One query per block, on the first ask.
  bool SemGerenciaisGravados(int64_t codigoEmpresa, int64_t chave);

 private:
  TnDMConexao& FConexao;
  int64_t FTamanho;
  int64_t FEmpresa = 0;
  // Keys of the block still to hand out: (FUltimaEntregue, FFim].
  int64_t FUltimaEntregue = 0;
  int64_t FFim = 0;
  std::optional<bool> FSemGerenciais;  // asked of the current block
};

// Gives `chave`, drawn and then not used, back to the company's sequence when
// it is still the last one handed out; nothing otherwise. In the caller's
// transaction.
void DevolverChaveLctoCtb(TnDMConexao& conexao, int64_t codigoEmpresa, int64_t chave);

// The next transaction number of a company (its sequence "GEN_TRANSCTB"),
// past the highest TRANSCTB the company has.
int64_t ProximaTransacao(TnDMConexao& conexao, int64_t codigoEmpresa);

// The next id of a company's deleted-entry log (its sequence
// "GEN_IDLCTOCTBEXCL"), past the highest IDLCTOCTBEXCL of its log. The log's
// ids are unique within a company, not across companies.
int64_t ProximoIdLctoCtbExcl(TnDMConexao& conexao, int64_t codigoEmpresa);

}  // namespace Nutilsequence
