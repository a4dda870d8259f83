#pragma once
// The settings the journal-entry module works under, as its loaders gather
// them (PegarConfigEmpresa, PegarConfigLote, PegarConfigUsuario and the
// option readers GetEhOptanteIFRS, GetEhOptanteFCONT, GetPossuiSPED): values
// replaced whole when a loader reads again, never edited in place, so the
// rules read one consistent picture and a test builds one without a
// database. Only those loaders (nCtbDMLctoCtb_UConfig.cpp) change the
// module's copy, and only they and LimparChaveConfig touch the keys it was
// read under (TnCacheConfigLctoCtb).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"

// The company's: its fiscal year and what it keeps (CFGEMPRESACTB, the
// system option about managerial screens, the activity control of its IFRS
// option).
struct TnConfigEmpresaLctoCtb {
  TDateTime DataInicialExerc;
  TDateTime DataFinalExerc;
  bool UsaOrigemLctoCtb = true;
  bool UsaNumeroDcto = true;
  bool UsaLote = true;
  bool UsaCentroCusto = false;
  // Only when cost centres are in use.
  TDateTime DataInicialCentroCusto;
  bool UsaDifLancamento = false;
  int TipoExibeTituloSaldo = 0;  // 0..3
  bool UsaUltimosLcto = true;
  bool InformaCodigoSyn = true;
  bool MostraCadLctoGer = true;
  bool UsaAtividades = false;
  TDateTime DataInicialAtividades;

  // From the company's configuration items (ControleCTB().GetCFGEmpresaCtb):
  // the defaults above when the company has no row or no first day of its
  // fiscal year; a display type outside 0..3 leaves the one shown before.
  static TnConfigEmpresaLctoCtb DaConfiguracao(const std::optional<ValueArray>& itens,
                                               int tipoExibeAnterior);
};

// The batch of the entry being keyed (LOTECTB); the defaults when the entry
// names none or the company keeps no batches.
struct TnConfigLoteLctoCtb {
  bool PertenceLote = false;
  TDateTime DataInicialLote;
  TDateTime DataFinalLote;
  // A closed batch ("1") takes no changes.
  bool AlteracaoLote = true;
  std::string CodigoOrigLctoCtb;
};

// The logged user's: limited to the company's user window unless his right
// "DireitoLctoCtb" is lifted.
struct TnConfigUsuarioLctoCtb {
  bool UsuarioLimitado = false;
};

// The company's fiscal options, each read when first asked for.
struct TnConfigOpcoesLctoCtb {
  bool EhOptanteIFRS = false;
  // At the first day of the selection.
  bool EhOptanteFCONT = false;
  // At the month end of the entry being keyed.
  bool PossuiSPED = false;
};

// Everything the module's loaders gathered, as the rules read it.
struct TnConfigLctoCtb {
  TnConfigEmpresaLctoCtb Empresa;
  TnConfigLoteLctoCtb Lote;
  TnConfigUsuarioLctoCtb Usuario;
  TnConfigOpcoesLctoCtb Opcoes;
};

// The key each part of a TnConfigLctoCtb was read under (a loader reads
// again only when its key changed; empty: never read), and how many times
// the loaders really read.
struct TnCacheConfigLctoCtb {
  // The company's part is keyed by the module's own company key.
  std::string Lote;
  std::optional<int64_t> Usuario;
  std::optional<int64_t> Plano;
  std::optional<int64_t> IFRS;
  std::optional<int64_t> SPED;
  std::optional<std::pair<int64_t, double>> FCONT;
  // In import mode, per batch of stored entries (emptied when the batch is
  // applied): the batches read, by code.
  std::map<std::string, TnConfigLoteLctoCtb> LotesDoLote;
  int LeiturasEmpresa = 0;
  int LeiturasPlano = 0;
  int LeiturasLote = 0;

  // Every key forgotten: the next question reads again. The counts stay.
  void Limpar();
};

namespace nCtbDMLctoCtb_U {
// The date part of a field's value; zero for null.
TDateTime DataDe(const Value& valor);
}  // namespace nCtbDMLctoCtb_U
