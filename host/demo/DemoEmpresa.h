#pragma once
// The demo company: a plausible Brazilian trading company with three
// establishments, a four-level chart of about 150 accounts, histories,
// batches, cost centres with apportionment, origins, users and rights.
//
// Criar writes every register of one company in one transaction; run again
// for the same company it replaces that company's registers (its entries are
// left alone), and the registers shared by all companies (histories, origins,
// users, rights, system options) are added only where missing, so any number
// of demo companies live in one database.
//
// The data lives in tables of this unit; the entry generator reads the same
// chart (PlanoContas) so it can only post to accounts the company has.

#include <cstdint>
#include <string>
#include <vector>

class TnDMConexao;

namespace DemoEmpresa {

// The fiscal year the demo company keeps.
inline constexpr int kAnoExercicio = 2025;

struct TContaDemo {
  int64_t ContaCtb = 0;      // reduced code: the classification's digits
  std::string ClassifConta;  // "1.1.01.001"
  std::string DescrConta;
  int TipoConta = 2;         // 1 synthetic, 2 analytic
  bool Calculada = false;    // TIPOCONTACALC 2
  std::string ApelidoConta;  // empty: none
};

// The chart in classification order (the same for every demo company).
const std::vector<TContaDemo>& PlanoContas();

// The reduced code of a classification ("1.1.01.001" -> 1101001). The four
// levels have 1, 2, 4 and 7 digits, so codes never collide across levels.
int64_t ContaDaClassificacao(const std::string& classif);

// The account with this classification; raises Exception when the chart has
// none (a typo in one of the demo tables).
const TContaDemo& Conta(const std::string& classif);

// The analytic accounts directly below a synthetic classification.
std::vector<const TContaDemo*> Analiticas(const std::string& classifPai);

// Nature of a classification by its longest prefix in NATUREZAGRUPO
// (1 debit, -1 credit); 0 when none matches.
int Natureza(const std::string& classif);

// The rights the journal-entry module asks for ("8" lifts each), then the
// rights of the package's menu actions (what opens each screen).
const std::vector<std::string>& Direitos();

// Writes the company; with `ifrsComAtividades` it opted for IFRS with
// activity control from the year's first day, with three activities and a
// plan on the revenue, payroll and occupancy groups. Raises EDatabaseError
// when a statement fails (nothing is written then).
void Criar(TnDMConexao& conexao, int64_t codigoEmpresa, bool ifrsComAtividades = false);

}  // namespace DemoEmpresa
