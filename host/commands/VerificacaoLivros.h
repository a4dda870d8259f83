#pragma once
// `ctb db check`: whether the books hold together, read in a snapshot that
// is rolled back, so nothing is ever written. It finds
//   - entries whose debit or credit account is not an analytic account of
//     the company's chart;
//   - balance rows that differ from a recomputation from the entries;
//   - days and branches, and numbered transactions, whose debits differ
//     from their credits, in the companies whose books require them to
//     balance (IFRS filers leaving the fiscal book aside, SPED filers from
//     their option's date);
//   - cost-centre and activity splits whose entry does not exist;
//   - company sequences behind the highest key or number in use.
// Each kind is one grouped query per run (never a loop over entries), and
// reports at most kMaxLinhas rows per company, saying how many more there
// are.

#include <cstdint>
#include <optional>
#include <string>

class TnDMConexao;

namespace VerificacaoLivros {

inline constexpr int kMaxLinhas = 10;

enum class TFormato { Tabela, Json };

struct TResultado {
  std::string Texto;
  int Status = 0;  // 1 when anything was found
};

// Checks one company, or every company; the findings as a person reads them
// (table) or as one JSON object, or one line saying all is well.
TResultado Verificar(TnDMConexao& conexao, std::optional<int64_t> codigoEmpresa, TFormato formato);

}  // namespace VerificacaoLivros
