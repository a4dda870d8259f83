#pragma once
// `ctb trial-balance`: runs the trial balance query process for one or more
// companies and writes its data sets.
//
// - table: per company, the header bands as title lines (each caption above
//   the columns it spans), then the visible columns aligned; amounts in the
//   data set's format (negatives in parentheses); synthetic rows marked "*".
// - csv: every field and row of each company's data set; companies one after
//   the other, separated by a blank line.
// - json: {"companies": [{"company": N, "rows": [...]}], "messages": [...]}.
// - xlsx: a workbook with a sheet per company ("Cds" + code): the bands as
//   merged header rows, the labels, the rows; synthetic rows in the row
//   style, amounts in the data set's format.
// A company that fails is reported ("Encontrado Problema ...") after the
// others; when every company failed the command fails with the messages.

#include <memory>
#include <string>
#include <vector>

class TnDMConexao;
class TnCtbDPConsultaBalanceteMovimento;

namespace ComandoBalancete {

enum class TFormato { Tabela, Csv, Json, Xlsx };

struct TOpcoes {
  std::string Empresas;     // "1" or "1;3;5-7"
  std::string DataInicial;  // YYYY-MM-DD or dd/mm/yyyy
  std::string DataFinal;
  bool Mensal = false;
  int Tipo = 1;  // 0 debits and credits, 1 also movement, 2 movement
  std::string Estab;
  int Relacionar = 0;  // 0..3
  bool Zero = false;
  bool CentrosCusto = false;
  int Livro = 0;  // 0 corporate, 1 tax
  int Moeda = 0;
};

// "table", "csv", "json" or "xlsx"; Exception for any other.
TFormato FormatoDoNome(const std::string& nome);

// Registers the processes the query needs that the registry lacks, fills the
// parameters and runs it. Exception for a date that does not parse.
std::unique_ptr<TnCtbDPConsultaBalanceteMovimento> Consultar(TnDMConexao& conexao,
                                                             const TOpcoes& opcoes);

std::string EscreverTabela(TnCtbDPConsultaBalanceteMovimento& processo);
std::string EscreverCsv(TnCtbDPConsultaBalanceteMovimento& processo);
std::string EscreverJson(TnCtbDPConsultaBalanceteMovimento& processo);
// Exception when the file cannot be written.
void EscreverXlsx(TnCtbDPConsultaBalanceteMovimento& processo, const std::string& arquivo);

// The whole command: the text to print (for xlsx, a line naming the file).
// `arquivo` non-empty writes the text there instead (required for xlsx).
std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, TFormato formato,
                     const std::string& arquivo);

}  // namespace ComandoBalancete
