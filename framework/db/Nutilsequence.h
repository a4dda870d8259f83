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

// The next transaction number of a company (its sequence "GEN_TRANSCTB"),
// past the highest TRANSCTB the company has.
int64_t ProximaTransacao(TnDMConexao& conexao, int64_t codigoEmpresa);

// The next id of a company's deleted-entry log (its sequence
// "GEN_IDLCTOCTBEXCL"), past the highest IDLCTOCTBEXCL of its log. The log's
// ids are unique within a company, not across companies.
int64_t ProximoIdLctoCtbExcl(TnDMConexao& conexao, int64_t codigoEmpresa);

}  // namespace Nutilsequence
