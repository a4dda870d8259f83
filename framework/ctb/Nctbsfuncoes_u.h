#pragma once
// The accounting base library's functions that work on text and numbers
// alone: entry types and origins, classifications of the chart of accounts,
// and the account conditions of the balance and deleted-entry queries. The
// functions that read the company's settings live with the settings.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Nctbsfuncoes_u {

// Origins whose entries exist only for the tax books: for a company that
// keeps IFRS or FCONT books an entry of these origins must be of type "LF".
inline constexpr std::array<std::string_view, 6> nCtbTiposLctoCtbOrigem = {"AF", "EF", "FC",
                                                                           "IF", "RF", "TF"};
// Whether `origem` (blanks around it ignored, any case) is one of them.
bool EhOrigemLctoFiscal(const std::string& origem);

// "LN" Normal, "LS" Societário, "LF" Fiscal; "" for anything else.
std::string GetDescrTipoLancamento(const std::string& tipo);

// The group mask of a chart: the width of each level of its classification
// mask ("9.9.99.999" -> {1, 1, 2, 3}). A mask with an empty level raises
// Exception.
using TMascGrupos = std::vector<int>;
TMascGrupos PegarMascGrupos(const std::string& mascara);

// The classification of the parent group: "1.1.01.001" -> "1.1.01", "1" ->
// "" (the top has no parent). Blanks and trailing dots are ignored.
std::string RetirarUltimoNivelClassificacao(const std::string& classificacao);

// Longest "in (...)" list a condition may hold: some engines refuse more.
inline constexpr int kMaxItensIn = 1000;

// Rewrites every "COL in (...)" of `filtro` that holds more than `maxItens`
// values as "(COL in (first values) or COL in (next values) ...)" ("not in"
// lists are cut the same way, joined with " and "). Everything else of the
// condition is kept as it is; quoted texts are respected.
std::string QuebrarFiltro(const std::string& filtro, int maxItens = kMaxItensIn);

// A compact condition for a long numeric inclusion expression (accounts of a
// chart selection): the codes are sorted, runs of consecutive codes become
// "COL between a and b" and the rest "COL in (...)" lists of at most
// kMaxItensIn values, all joined with " or " in parentheses and preceded by
// " and " when `comAnd`. An empty expression gives "".
std::string GerarClausulaBetweenSQL(const std::string& campo, const std::string& lista,
                                    bool comAnd = true);

// Which side of an entry an account filter looks at.
inline constexpr int kDebiteOuCredite = 0;
inline constexpr int kSomenteDebite = 1;
inline constexpr int kSomenteCredite = 2;

// The account condition of an entry filter: `contas` is a numeric inclusion
// expression tried on the debit column, the credit column or either of them
// (`debiteCredite`; any other value than 1 or 2 means either), returned with
// its leading " and "; "" when `contas` is empty.
std::string FiltroContaCrediteDebiteCtb(const std::string& campoDeb, const std::string& campoCred,
                                        const std::string& contas, int debiteCredite);

// The company codes a multi-select of companies holds ("1;3;5-7" -> 1, 3, 5,
// 6, 7), in the order given, each once. An interval of more than
// kMaxEmpresasIntervalo codes raises Exception (a typing error, not a list).
inline constexpr int64_t kMaxEmpresasIntervalo = 10000;
std::vector<int64_t> GetLstCodigoEmpresa(const std::string& texto);

}  // namespace Nctbsfuncoes_u
