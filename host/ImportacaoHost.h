#pragma once
// The host's import machinery: `ctb import entries FILE.csv --company N`.
//
// The module is created by class name in import mode (no screen, nothing
// written at each post) and fed one record per row of a CSV file whose
// header names the table's columns: Append, every cell set typed by its
// field (dates YYYY-MM-DD or dd/mm/yyyy, decimals with a dot; an empty cell
// leaves what the module put there), the record's key from its sequence when
// the file has no key column, Post. A row the module refuses is
// cancelled and reported with its line, field and message; the other rows
// go on. Every TamanhoLote rows the pending records are applied inside one
// transaction of their own and committed, so an import stopped at any point
// leaves each stored row whole and the balance tables (kept by triggers)
// equal to the stored rows. At the end the module checks the import as a
// whole (ValidarImportacao) and its messages are reported.

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "framework/app/TnFraProgresso.h"

class TnDMConexao;
class TnDMClientDataSet;

#include "host/CsvReader.h"

namespace ImportacaoHost {

inline constexpr const char* kClassePadrao = "TnCtbDMLctoCtb";
inline constexpr int kTamanhoLotePadrao = 1000;

struct TOpcoesImportacao {
  std::string Classe = kClassePadrao;
  // Fills CODIGOEMPRESA when the file has no such column; the selection's
  // company.
  int64_t CodigoEmpresa = 0;
  int TamanhoLote = kTamanhoLotePadrao;
  TCodificacaoCsv Codificacao = TCodificacaoCsv::Utf8;
  // Watches the module's progress (text, position out of the input's size).
  TnFraProgresso::THook Progresso;
  // Called with the module once it is open, before the first row.
  std::function<void(TnDMClientDataSet&)> AoAbrir;
};

struct TRecusa {
  int Linha = 0;      // line of the file where the row starts
  std::string Campo;  // "" when the refusal names no field
  std::string Mensagem;
};

struct TResultadoImportacao {
  int64_t Gravadas = 0;
  std::vector<TRecusa> Recusas;
  // What ValidarImportacao said, and its verdict.
  std::vector<TnMensagem> Mensagens;
  bool Aceita = true;
  int Lotes = 0;  // transactions committed
};

// Raises Exception for a bad header (an unknown column, a repeated one), an
// unknown class, or a batch the database refused (the earlier batches stay
// stored); whatever escapes a row that is not a refusal (a fault, a cancel
// asked through the progress) stops the import the same way.
TResultadoImportacao Importar(TnDMConexao& conexao, std::istream& csv,
                              const TOpcoesImportacao& opcoes);

// One line per refused row ("linha N: CAMPO: mensagem"), then the module's
// messages, then "N linhas gravadas, M recusadas".
std::string Relatorio(const TResultadoImportacao& resultado);

// The command: the report and the exit status (1 when a row was refused or
// the module refused the import). Loads the module's package first. Raises
// Exception when the file cannot be opened.
struct TSaidaImportacao {
  std::string Texto;
  int Status = 0;
};
TSaidaImportacao ComandoImportEntries(TnDMConexao& conexao, const std::string& arquivo,
                                      TOpcoesImportacao opcoes);

// The host's bar for a TnFraProgresso on standard error ("\r[####    ] 40%
// text"); empty when standard error is not a terminal.
TnFraProgresso::THook BarraDeProgresso();

}  // namespace ImportacaoHost
