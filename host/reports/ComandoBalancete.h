#pragma once
// `ctb trial-balance`: runs the trial balance query process for one or more
// companies and writes its data sets.
//
// The rows: every row of the query, or down to a level of the chart
// (`Nivel`: the classification's groups, "1.1.01" is level 3) and only the
// synthetic accounts (`SoSinteticas`); in every format. The rows a synthetic
// account totals are left out, never re-added: its amounts stay its own.
//
// A calculated account's negative debit is shown as a credit and its
// negative credit as a debit, in every format (the movement and balances
// stay as they are).
//
// For people (table, csv-br, xlsx): the columns chosen (`Colunas`), else
// every column that has a value in some row (the branch and cost-centre
// columns go when nobody asked for them); headings for people
// (SaidaFormatos::TitulosParaPessoas); a totals line: the sum of the debit
// and credit columns over the rows of the chart's first level (each totals
// its accounts, hidden ones included; of the consolidated branch 0 when
// there are such rows), whatever rows are shown, so the totals are the
// company's; balances and movements, signed by each account's nature, are
// not summed.
//
// - table: per company, the header bands as title lines (each caption above
//   the columns it spans), then the columns aligned; amounts in the data
//   set's format (negatives in parentheses); synthetic rows marked "*"; the
//   totals last. With a width (the terminal's) and no `Colunas`, the code
//   and "S/A" columns go (the classification and the marker say them); the
//   widest text column is cut ("…", to no less than 24 characters) so the
//   lines fit, and the last months that still do not fit are left out, whole,
//   with a line naming them and how to see them.
// - csv (for programs): every field of each company's data set, named as
//   the data set names it; with several companies one header and a first
//   column CodigoEmpresa.
// - csv-br (for a Brazilian spreadsheet, SaidaCsvBr): the columns for
//   people; with several companies a first column "Empresa".
// - json: {"companies": [{"company": N, "name": "...", "columns": [{"name":
//   field, "label": heading, "visible": shown on a screen}], "rows": [...],
//   "totals": {field: sum}}],
//   "messages": [...]}; rows keyed by field name, every field.
// - xlsx: a workbook with a sheet per company named after it ("1 - Name",
//   as a sheet name may be: 31 characters, no []:*?/\): the bands as merged
//   header rows, the headings, the rows, the totals; synthetic rows in the
//   row style, amounts in the data set's format; columns as wide as their
//   text, the header rows and the account columns frozen.
// A company that fails is reported ("Encontrado Problema ...") after the
// others; when every company failed the command fails with the messages.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/TnFraProgresso.h"

class TnDMConexao;
class TnCtbDPConsultaBalanceteMovimento;

namespace ComandoBalancete {

// The right of the query's menu entry ("act" + the process's class): "8"
// opens it on a screen of the web host.
inline constexpr const char* kDireitoConsulta = "actTnCtbDPConsultaBalanceteMovimento";

enum class TFormato { Tabela, Csv, Json, Xlsx, CsvBr };

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
  // Customer and supplier accounts are hidden unless asked for.
  bool DetalharClientes = false;
  int Nivel = 0;  // 0: every level
  bool SoSinteticas = false;
  // Field names, "," between them; a month's columns go by their prefix
  // ("DEBITO" is every month's). Empty: the columns with a value.
  std::string Colunas;
  // The table's width; 0 none.
  size_t LarguraMaxima = 0;
  // Watches the query (text of each stage).
  TnFraProgresso::THook Progresso;
};

// "table", "csv", "json", "xlsx" or "csv-br"; Exception for any other.
TFormato FormatoDoNome(const std::string& nome);

// Registers the processes the query needs that the registry lacks, fills the
// parameters and runs it, and keeps the rows the options choose. Exception
// for a date that does not parse.
std::unique_ptr<TnCtbDPConsultaBalanceteMovimento> Consultar(TnDMConexao& conexao,
                                                             const TOpcoes& opcoes);

// The columns for people: `Colunas`, else those with a value, and with a
// width (a terminal's table) not the code nor "S/A". Exception for a name
// that is no column, naming the columns.
void EscolherColunas(TnCtbDPConsultaBalanceteMovimento& processo, const std::string& colunas,
                     size_t largura = 0);

std::string EscreverTabela(TnCtbDPConsultaBalanceteMovimento& processo, size_t largura = 0);
std::string EscreverCsv(TnCtbDPConsultaBalanceteMovimento& processo);
std::string EscreverJson(TnCtbDPConsultaBalanceteMovimento& processo);
std::string EscreverCsvBr(TnCtbDPConsultaBalanceteMovimento& processo);
// Exception when the file cannot be written.
void EscreverXlsx(TnCtbDPConsultaBalanceteMovimento& processo, const std::string& arquivo);

// The whole command: the text to print (for xlsx, a line naming the file).
// `arquivo` non-empty writes the text there instead (required for xlsx).
std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, TFormato formato,
                     const std::string& arquivo);

}  // namespace ComandoBalancete
