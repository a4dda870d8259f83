#pragma once
// `ctb deleted list|restore|purge`: the deleted-entry log of a company.
//
// - list: the logged entries of the company whose entry date lies in the
//   period (the whole log without one), with how many managerial and
//   activity split copies each has; needs DireitoControlaLancamentoExcluido.
// - restore: puts one logged entry back (with its split copies) under a new
//   key of the company's sequence, the key it was logged with, or a key
//   given; refused when that key is taken or the entry is no longer in the
//   log (restored or purged already). Needs DireitoRestaurarLancamentoExcluido.
//   The restored entry moves the balance tables like any other write.
// - purge: deletes log rows (one id, or the period's) with their split
//   copies; needs DireitoControlaLancamentoExcluido.
// Each command is one transaction: a refusal writes nothing.

#include <cstdint>
#include <optional>
#include <string>

#include "host/output/Saida.h"

class TnDMConexao;

namespace ComandoExcluidos {

inline constexpr const char* kDireitoLog = "DireitoControlaLancamentoExcluido";
inline constexpr const char* kDireitoRestaurar = "DireitoRestaurarLancamentoExcluido";

struct TOpcoes {
  int64_t Empresa = 0;
  std::string De;  // entry dates, as typed; empty: no bound
  std::string Ate;
  std::optional<int64_t> Id;
  std::optional<int64_t> Chave;  // restore under this key
  bool MesmaChave = false;       // restore under the logged key
  std::string Formato;
};

// Raises Exception unless the connection's user holds `direito` at "8".
void VerificarDireito(TnDMConexao& conexao, const char* direito);

std::string Listar(TnDMConexao& conexao, const TOpcoes& opcoes, Saida::TFormatoSaida formato);
std::string Restaurar(TnDMConexao& conexao, const TOpcoes& opcoes);
std::string Eliminar(TnDMConexao& conexao, const TOpcoes& opcoes);

}  // namespace ComandoExcluidos
