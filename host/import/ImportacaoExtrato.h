#pragma once
// `ctb import statement FILE --company N --account BANCO --rules RULES.json`:
// a bank statement (CSV through a column map, or OFX) posted as entries of
// one bank account.
//
// Each row becomes one entry: the bank account on the side the amount's sign
// gives (positive: debited), the other account and the standard history from
// the first rule that takes the row (or the rules' suspense account), the
// amount without its sign, the row's date, document and description (the
// complement). A row no rule takes is refused, never half posted. The
// entries go through the journal-entry module as `import entries` feeds it
// (ImportacaoHost::Importar: its checks, splits, transactions and batches),
// a refused row reported by its line in the statement.
//
// Every row posted is remembered by its fingerprint and occurrence
// (IMPORTACAOEXTRATO, stored with the entry in the same transaction): the
// n-th of equal rows in a statement is the n-th remembered one. A row
// already remembered is skipped and counted, so an overlapping statement,
// in either format and under any name, posts only its new rows; the
// refused ones are not remembered and post once the rules take them.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/Currency.h"

#include "host/import/CsvReader.h"
#include "host/import/ImportacaoHost.h"

class TnDMConexao;

namespace ImportacaoExtrato {

struct TOpcoesExtrato {
  int64_t CodigoEmpresa = 0;
  std::string Conta;  // the bank account as typed: code, alias or classification
  std::string ArquivoRegras;
  std::string ArquivoMapa;     // a CSV's; "" for OFX
  std::string ArquivoRecusas;  // "" nowhere
  TCodificacaoCsv Codificacao = TCodificacaoCsv::Utf8;
};

// The report ("linha N: CAMPO: mensagem" per refused row, then "N já
// importadas, M gravadas" and the refused count) and the exit status (1
// when a row was refused or the module refused the import). Exception for a
// file, map or rules that cannot be read, and an unknown bank account.
ImportacaoHost::TSaidaImportacao ComandoImportStatement(TnDMConexao& conexao,
                                                        const std::string& arquivo,
                                                        const TOpcoesExtrato& opcoes);

// A statement sent as bytes (the web page's upload), never a path: its
// content (CSV or OFX, told by its first bytes), a CSV's column map and the
// rules as JSON texts.
struct TExtratoEnviado {
  int64_t CodigoEmpresa = 0;
  std::string Conta;
  std::string Conteudo;
  std::string Mapa;  // "" for OFX
  std::string Regras;
  TCodificacaoCsv Codificacao = TCodificacaoCsv::Utf8;
};

// A row as it would be posted: the bank on the side its amount's sign
// gives, the other account and history by the rules (or the suspense
// account's, `Transitoria`).
struct TLinhaPrevista {
  int Linha = 0;
  std::string Data;  // YYYY-MM-DD
  Currency Valor;    // without its sign
  int64_t Debito = 0;
  int64_t Credito = 0;
  int64_t Historico = 0;
  std::string Documento, Descricao;
  bool Transitoria = false;
};

// What a statement would do, nothing written: the rows it would post, the
// rows the reader or the rules refuse and how many were imported before.
// The module's own checks (a closed period, a blocked account) run only when
// the rows are posted.
struct TPrevia {
  std::vector<TLinhaPrevista> Gravar;
  std::vector<ImportacaoHost::TRecusa> Recusas;
  int64_t JaImportadas = 0;
};

// Exception for content, map or rules that cannot be read, and an unknown
// bank account, as the command.
TPrevia Prever(TnDMConexao& conexao, const TExtratoEnviado& enviado);
// Posts it as the command does (the same report and status).
ImportacaoHost::TSaidaImportacao Gravar(TnDMConexao& conexao, const TExtratoEnviado& enviado);

}  // namespace ImportacaoExtrato
