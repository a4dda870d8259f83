#pragma once
// The rules that tell, for each row of a bank statement, the account on the
// other side of the bank and the standard history. A JSON document the
// person keeps:
//
//   { "rules": [
//       { "contains": "TARIFA", "account": "TARIFAS", "history": 15 },
//       { "regex": "^PIX RECEBIDO", "min": "0,01", "account": "1.1.02.001", "history": 5 },
//       { "field": "document", "contains": "ALUG", "account": "ALUGUEL", "history": 7 } ],
//     "suspense": { "account": "2.1.06.003", "history": 5 },
//     "values": { "CODIGOESTAB": 1 } }
//
// A rule's conditions all hold for the row it takes: "contains" (text in the
// description, or the document with "field": "document"), "regex" (an
// ECMAScript expression searched in the same text, at most kMaxBytesRegex
// bytes), "min" and "max" (the row's signed amount, written as a person
// writes it: "-1.000,00"; positive is money in). Texts are compared
// normalised (upper case, no accents, one space between words), the
// expression's letters in any case. "account" is a code, an alias or a
// classification of the company's chart; "history" a standard history's
// code. The first rule that takes the row wins; a row none takes goes to
// "suspense" when the document names it, else it is refused. "values": a
// field given the same value on every entry, as in a column map. Only these
// keys; at most kMaxRegras rules, the document at most 1 MB.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/Currency.h"
#include "host/import/ExtratoBancario.h"

class TnDMConexao;

// The other side of the bank in an entry.
struct TDestinoExtrato {
  int64_t Conta = 0;
  int64_t Historico = 0;
};

struct TRegraExtrato {
  int Numero = 0;  // 1-based, in the document's order
  bool NoDocumento = false;
  std::string Contem;  // normalised; "" none
  std::optional<std::regex> Expressao;
  std::optional<Currency> Minimo, Maximo;
  TDestinoExtrato Destino;

  bool Aceita(const TLinhaExtrato& linha) const;
};

struct TRegrasExtrato {
  static constexpr size_t kMaxRegras = 1000;
  static constexpr size_t kMaxBytesRegex = 200;

  std::vector<TRegraExtrato> Regras;
  std::optional<TDestinoExtrato> Transitoria;
  std::vector<std::pair<std::string, std::string>> Valores;

  // The rules of a document, their accounts looked up in the company's
  // chart; Exception naming the rule and what is wrong.
  static TRegrasExtrato DoTexto(TnDMConexao& conexao, int64_t codigoEmpresa,
                                const std::string& json);
  static TRegrasExtrato DoArquivo(TnDMConexao& conexao, int64_t codigoEmpresa,
                                  const std::string& arquivo);

  // The first rule that takes the row; null when none does.
  const TRegraExtrato* Regra(const TLinhaExtrato& linha) const;
};
