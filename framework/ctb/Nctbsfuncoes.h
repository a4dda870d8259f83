#pragma once
// The accounting base library's functions that read the database: the
// user's active entry filter, the balance-sheet restriction of the chart,
// bank reconciliation of an entry, transaction numbers, account look-ups by
// alias and by federal registration, and the change test of a record.
// Each takes the connection it reads through.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"
#include "framework/ctb/Nctbsfuncoes_u.h"

class TnDMConexao;
class TnClientDataSet;
class TField;

namespace Nctbsfuncoes {

// Whether the connection's user has an active entry filter (FILTROLCTOCTB
// with ATIVO "1") in the company; codigoEmpresa 0: in any company.
bool FiltroLctoCtbAtivo(TnDMConexao& conexao, int64_t codigoEmpresa = 0);

// The user's active entry filter: its window and its ";"-separated origin
// list. False (and the outputs untouched) when there is none.
bool CarregarFiltroLctoCtbAtivo(TnDMConexao& conexao, TDateTime& dataInicial, TDateTime& dataFinal,
                                std::string& filtro, int64_t codigoEmpresa = 0);

// The condition on the chart cursor (alias P) that keeps the accounts that
// enter the balance sheet (PLANOESPEC.ENTRABALANCO "1"). Empty when the
// company marks no account: the chart then has no restriction.
void MontarFiltroContaBalanco(TnDMConexao& conexao, int64_t codigoEmpresa, std::string& filtro);

// False when the entry is reconciled with a bank statement
// (CONCBANCLCTO.CONCILLCTOCTB = 1). No establishment means any; dates of 0
// mean any date of the statement.
bool PermiteAlterarLctoContabil(TnDMConexao& conexao, int64_t chaveLctoCtb, int64_t codigoEmpresa,
                                std::optional<int64_t> codigoEstab, TDateTime dataInicial,
                                TDateTime dataFinal);

// The next transaction number of the company, from the company's own
// sequence row; never a number the company's entries carry. Safe across
// processes, and companies never wait on each other's row.
int64_t PegarProximaTransacao(TnDMConexao& conexao, int64_t codigoEmpresa);

// The account number (as text) whose alias is `apelido` in the company,
// compared trimmed and without regard to case; "" when none. The group mask
// is accepted for the callers' sake: an alias names an account at any level.
std::string ProcurarApelido(TnDMConexao& conexao, int64_t codigoEmpresa,
                            const Nctbsfuncoes_u::TMascGrupos& mascGrupos,
                            const std::string& apelido);

// The condition on CENTROCUSTO's columns that keeps the cost centres the
// account may take (the inclusion expression of its CENTROCUSTOCONTA row);
// "" when the account has no row, which lets it take every cost centre of
// its company.
std::string ProcurarConta(TnDMConexao& conexao, int64_t codigoEmpresa, int64_t contaCtb);

// When `texto` is a federal registration (11 or 14 digits, with or without
// its punctuation) of a participant linked to an account of the company,
// puts that account number in the field and returns true; false otherwise
// (the caller goes on with the text).
bool VerificarContaCtbInscrFederal(TnDMConexao& conexao, TField& campo, const std::string& texto,
                                   int64_t codigoEmpresa);

// Refuses (EnField on the date field) a date outside the period a screen
// was opened for; a period without a first date admits every date.
void VerificarPeriodoSelecionado(const TField& data, TDateTime inicio, TDateTime fim);

// Whether the current record of the data set differs from its stored
// values in some data field (calculated fields are not compared).
bool HouveAlteracoes(const TnClientDataSet& dataSet);

// Drops the cached company keys of ControleCTB, UtilFCONT, ControleOpcaoIFRS
// and ControleOpcaoMoedaFuncional, so a screen starts with fresh settings.
void LimparChavesSingletons();

// Who registered a record and when, as a screen shows it: "Cadastrado por
// 3 - MARIA em 13/08/2025 14:05". Without a user the "por" part goes,
// without a moment the "em" part; with neither, empty.
std::string FormatarNomeDataCadastro(TnDMConexao& conexao, const Value& codigoUsuario,
                                     const Value& dataHora);

}  // namespace Nctbsfuncoes

// Transaction numbers during an import: every entry of one imported
// transaction must land in one new transaction, so the number given for an
// imported number is remembered until ZerarCache.
class TnControleTransacao {
 public:
  TnControleTransacao(TnDMConexao& conexao, int64_t codigoEmpresa)
      : FConexao(conexao), FCodigoEmpresa(codigoEmpresa) {}

  int64_t CodigoEmpresa() const { return FCodigoEmpresa; }
  // The number stored for the imported transaction `numeroImportado`: a new
  // one the first time, the same one afterwards.
  double Pegar(double numeroImportado);
  // A fresh number of the company.
  double PegarProximo();
  void ZerarCache() { FNumeros.clear(); }

 private:
  TnDMConexao& FConexao;
  int64_t FCodigoEmpresa;
  // Imported number -> number given.
  std::map<double, double> FNumeros;
};
