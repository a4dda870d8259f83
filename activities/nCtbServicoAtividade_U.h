#pragma once
// The activity splits of journal-entry sides (LCTOATIVDIFERENC): which
// activities an account's rate plan gives, and the statements that generate,
// delete and re-date an entry's activity rows.
//
// Companies that opted for IFRS with activity control detail each side of an
// entry by activity. The plan (ATIVDIFERENCPLESPECRATEIO) attaches
// activities and percentages to accounts; an account without a plan of its
// own takes the plan of the nearest summary account above it.
//
// TServicoAtividade has only class operations and no state of its own; the
// plan of the company last asked for is cached in the current session
// (TnCachePlanoAtividades), so two users never share it. SQL failures raise
// to the caller, which runs inside its own transaction.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/data/ClientDataSet.h"

class TnSessao;

// One side of an entry.
struct TInfoLctoCtb {
  int64_t CodigoEmpresa = 0;
  double ChaveLctoCtb = 0;
  TDateTime DataLctoCtb;
  double ContaCtb = 0;
  std::string ClassifConta;
  int NaturezaLctoCtb = 0;  // 1 debit, -1 credit
  Currency ValorLcto;
};

// One activity row.
struct TLctoAtivDiferenc {
  int64_t CodigoEmpresa = 0;
  double ChaveLctoCtb = 0;
  double ContaCtb = 0;
  double CodigoAtivDif = 0;
  int NaturLctoCtb = 0;
  TDateTime DataLctoCtb;
  Currency ValorLctoAtiv;
  int OrigemDado = 1;
};

// The rate plan of one company, per plan row: the account it is attached
// to, that account's type and classification, the activity, its percentage
// and the activity's validity.
class TnCachePlanoAtividades {
 public:
  TnCachePlanoAtividades();
  TnClientDataSet& Plano() { return FPlano; }
  // Loads the company's plan unless it is the one held.
  void Carregar(int64_t codigoEmpresa);
  void Limpar();

 private:
  TnClientDataSet FPlano;
  bool FCarregado = false;
  int64_t FCodigoEmpresa = 0;
};

class TServicoAtividade {
 public:
  TServicoAtividade() = delete;

  // Whether the side's account has plan rows (of its own or of the nearest
  // summary account above it); leaves the cache ranged on them.
  static bool ProcurarClassif(const TInfoLctoCtb& info);
  // Whether summary plan rows exist for the classification or one of its
  // ancestors; leaves the cache ranged on the first found.
  static bool ProcurarClassif(const std::string& classificacao);
  // A copy of the plan rows in the cache's current range (the caller owns it).
  static std::unique_ptr<TnClientDataSet> GetAtividades();
  // Whether the current plan row's activity is in force on `data`.
  static bool VigenteNaData(const TnClientDataSet& plano, TDateTime data);
  static void ExcluirLancamentos(const TInfoLctoCtb& info);
  static void ExcluirLancamentosAutomaticos(const TInfoLctoCtb& info);
  static void GerarLancamentosAutomaticos(const TInfoLctoCtb& info);
  // The rows GerarLancamentosAutomaticos writes for the side, not written.
  static std::vector<TLctoAtivDiferenc> LancamentosAutomaticos(const TInfoLctoCtb& info);
  static void AlterarDataLcto(const TInfoLctoCtb& info);
  static void InserirAtividade(const TLctoAtivDiferenc& atividade);
  // Writes the rows together (one exchange with a server for many rows).
  static void InserirAtividades(const std::vector<TLctoAtivDiferenc>& atividades);
  static void LimparDados();

 private:
  static TnCachePlanoAtividades& Cache();
};
