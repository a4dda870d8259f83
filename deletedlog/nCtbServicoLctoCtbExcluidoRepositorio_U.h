#pragma once
// The statements of the deleted-entry log, as text. The log keeps a copy of
// a deleted entry (LCTOCTB) in LCTOCTBEXCLUIDO, of its managerial splits
// (LCTOGER) in LCTOGEREXCLUIDO and of its activity splits (LCTOATIVDIFERENC)
// in LCTOATIVDIFERENCEXCL, the three linked by IDLCTOCTBEXCL within the
// company.
//
// The repository executes nothing but the three probes made when it is
// created, which read the column lists of the live tables: the statements
// name every column, so a column added to a live table (and to its log
// table) is copied without touching this code. Every value reaches the text
// through Nutil::ValorParaSQL.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/TDateTime.h"

class TnDMConexao;

// Which entries a collective log takes; an empty field adds no condition.
struct TParansLctoCtbExcl {
  TDateTime DataInicial;
  TDateTime DataFinal;
  std::string ContaCtb;     // inclusion expression of accounts
  std::string CodigoEstab;  // inclusion expression
  double ChaveInicial = 0;
  double ChaveFinal = 0;
  double TransCtbInicial = 0;
  double TransCtbFinal = 0;
  std::string CodigoHistCtb;  // inclusion expression
  std::string ComplementoHist;
  std::string NumDocumento;
  std::string CodigoUsuario;  // inclusion expression
  std::string OrigemLcto;     // inclusion expression of origin codes
  std::string Lote;           // inclusion expression
  std::string IdSyn;          // inclusion expression
  std::string DataHoraAlteracaoInicial;
  std::string DataHoraAlteracaoFinal;
  int DebiteCredite = 0;  // the side ContaCtb is tried on (Nctbsfuncoes_u)
};

class TnCtbServicoLctoCtbExcluidoRepositorio {
 public:
  // Reads the column lists of LCTOCTB, LCTOGER and LCTOATIVDIFERENC; the
  // deletion is stamped with the connection's user.
  explicit TnCtbServicoLctoCtbExcluidoRepositorio(TnDMConexao& conexao);

  std::string GetSQLInsertLctoCtbExclColetivo(int64_t codigoEmpresa,
                                              const TParansLctoCtbExcl& parans) const;
  // Without an id the log's trigger numbers the copy.
  std::string GetSQLInsertLctoCtbExclIndividual(int64_t codigoEmpresa, int64_t chaveLctoCtb) const;
  std::string GetSQLInsertLctoCtbExclIndividual(int64_t codigoEmpresa, int64_t chaveLctoCtb,
                                                int64_t idLctoCtbExcl) const;
  std::string GetSQLInsertLctoGerExclIndividual(int64_t codigoEmpresa, int64_t chaveLctoCtb,
                                                int64_t idLctoCtbExcl) const;
  std::string GetSQLInsertLctoAtivExclIndividual(int64_t codigoEmpresa, int64_t chaveLctoCtb,
                                                 int64_t idLctoCtbExcl) const;
  // Ids are unique within a company: every statement on a logged entry
  // names its company.
  std::string GetSQLDeleteLctoCtbExclIndividual(int64_t codigoEmpresa, int64_t idLctoCtbExcl) const;
  // The restore statements: the copies go back under `chaveLctoCtb`,
  // whatever key they were logged with; every other column as logged.
  std::string GetSQLInsertLctoCtbIndividual(int64_t codigoEmpresa, int64_t idLctoCtbExcl,
                                            int64_t chaveLctoCtb) const;
  std::string GetSQLInsertLctoGerIndividual(int64_t codigoEmpresa, int64_t idLctoCtbExcl,
                                            int64_t chaveLctoCtb) const;
  std::string GetAQLInsertLctoAtivIndividual(int64_t codigoEmpresa, int64_t idLctoCtbExcl,
                                             int64_t chaveLctoCtb) const;
  // The keys of the entries a collective log takes, with the highest cost
  // centre and activity of each (null: the entry has no such split).
  std::string GetSQLChaveLctoCtbColetivo(int64_t codigoEmpresa,
                                         const TParansLctoCtbExcl& parans) const;
  // The conditions of the filter, each with its leading " and "; columns
  // qualified by `prefixo` when it is not empty.
  static std::string MontarFiltroParansLctoCtbExcl(const TParansLctoCtbExcl& parans,
                                                   const std::string& prefixo);

  const std::string& CamposLctoCtb() const { return FCamposLctoCtb; }

 private:
  std::string CabecalhoExcluido(const std::string& comId) const;

  // Set at creation.
  TnDMConexao& FConexao;
  std::string FCamposLctoCtb;
  std::string FCamposLctoGer;
  std::string FCamposLctoAtiv;
};

namespace nCtbServicoLctoCtbExcluidoRepositorio_U {

// Consecutive pieces of `tamanho` values (the last holds the rest); a size
// below 1 is a programmer error.
std::vector<std::vector<std::string>> Split(const std::vector<std::string>& valores,
                                            size_t tamanho);
std::string Join(const std::string& separador, const std::vector<std::string>& valores);
// A long ";" list as several inclusion conditions of `tamanho` values joined
// by " or ", the whole in parentheses; "" for an empty list.
std::string CriarFiltroIn(const std::string& campo, const std::string& valores, size_t tamanho);

}  // namespace nCtbServicoLctoCtbExcluidoRepositorio_U
