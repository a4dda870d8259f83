#pragma once
// Small pieces both journal-entry screens use: the last saved entry the
// duplicate question compares with, how the user's date limit is read, the
// title/balance display option as the web page names it, and whether the
// activity details of an account are offered on the web page.

#include <cstdint>
#include <string>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"

// The last entry this module saved, for the duplicate question.
struct TUltLctoCtb {
  bool Preenchido = false;
  int64_t CodigoEmpresa = 0;
  TDateTime DataLctoCtb;
  int64_t CodigoEstab = 0;
  Value ContaCtbDeb;
  Value ContaCtbCred;
  Currency ValorLctoCtb;
  Value CodigoHistCtb;
  std::string Complemento;
  std::string Origem;
};

// Whether the user's date-limit check uses the cached answer.
enum class TTipoFuncVerificaLimite : int { tfComCache = 0, tfSemCache = 1 };

// What the web page shows beside each account; the same values, in the same
// order, as the desktop's TnTipoExibeTituloSaldo.
enum TTipoExibeTituloSaldoCloud { tetNenhum = 0, tetAmbos = 1, tetSaldo = 2, tetTitulo = 3 };

// Whether the web page offers the activity details of the account, for the
// company of the current session's selection: the account has apportionment
// rows of activities, or the company's chart classifies it.
bool VerificarHabilitarDetalhesCloud(int64_t conta);
