#pragma once
// The deleted-entry log service: copies entries about to be deleted (with
// their managerial and activity splits) into the log tables, restores a
// logged entry under a given key and deletes log rows. It chooses the path
// by the company's options (cost centres, activity control), read once per
// change of company, and runs the repository's statements on the
// connection it was given.
//
// It opens no transaction: every statement runs inside the caller's, which
// rolls back when one fails.

#include <cstdint>
#include <memory>

#include "deletedlog/nCtbServicoLctoCtbExcluidoRepositorio_U.h"

class TnDMConexao;

class TnServicoLctoCtbExcluido {
 public:
  explicit TnServicoLctoCtbExcluido(TnDMConexao& conexao);
  ~TnServicoLctoCtbExcluido();

  int64_t GetCodigoEmpresa() const { return FCodigoEmpresa; }
  // Re-reads the company's options when the company changes.
  void SetCodigoEmpresa(int64_t codigoEmpresa);

  // Logs one entry of the company (and its splits).
  void InserirLctoCtbExclIndividual(int64_t chaveLctoCtb);
  // Logs every entry of the company that the filter takes.
  void InserirLctoCtbExclColetivo(const TParansLctoCtbExcl& parans);
  // Deletes the entry's row of LCTOCTBEXCLUIDO.
  void ExcluirLctoCtbExclIndividual(int64_t idLctoCtbExcl);
  // Puts the logged entry back under `chaveLctoCtb` (and its splits when
  // asked) and deletes its row of LCTOCTBEXCLUIDO; the split copies stay.
  void RestaurarLctoCtbExclIndividual(int64_t idLctoCtbExcl, int64_t chaveLctoCtb,
                                      bool temGerencial, bool temAtiv);

  bool GetUtilizaAtividade() const { return FUtilizaAtividade; }
  bool GetUtilizaCentroCusto() const { return FUtilizaCentroCusto; }
  const TnCtbServicoLctoCtbExcluidoRepositorio& Repositorio() const { return *FServLctoCtbExclRep; }

 private:
  void ExecInsertLctoCtbExclIndividualSemGerEhAtiv(int64_t chaveLctoCtb);
  void ExecInsertLctoCtbExclIndividualComGerOuAtiv(int64_t chaveLctoCtb);
  void ExecInsertLctoCtbExclColetivoSemGerEhAtiv(const TParansLctoCtbExcl& parans);
  void ExecInsertLctoCtbExclColetivoComGerOuAtiv(const TParansLctoCtbExcl& parans);
  void VerificarUtilizaAtividades();
  void VerificarUtilizaCentroCusto();
  bool SemGerEhAtiv() const { return !FUtilizaCentroCusto && !FUtilizaAtividade; }

  TnDMConexao& FConexao;
  int64_t FCodigoEmpresa = 0;
  // The company the two options were read for; -1 until the first.
  int64_t FOldCodigoEmpresa = -1;
  bool FUtilizaAtividade = false;
  bool FUtilizaCentroCusto = false;
  std::unique_ptr<TnCtbServicoLctoCtbExcluidoRepositorio> FServLctoCtbExclRep;
};
