#pragma once
// `ctb post FILE.json|FILE.csv`: a batch of entries that another system
// prepared (payroll, invoicing…), with their managerial rows, posted through
// the posting engine; a report line per entry, by the caller's own key (and,
// in JSON, the run's messages as a tree by entry and managerial row).
//
// The file is read whole and every value typed and checked before anything
// is written: bounded size, entry and row counts and text lengths, each bad
// value refused with the caller's key. A file is one batch: the engine runs
// once, inside one database transaction that also moves the balance tables,
// so a run stopped at any point leaves the whole batch or nothing.

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "framework/app/TnFraProgresso.h"
#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "host/output/Saida.h"

class TnDMConexao;

namespace ContabilizacaoHost {

inline constexpr int64_t kMaxBytesArquivo = 64 * 1024 * 1024;
inline constexpr size_t kMaxLancamentos = 100'000;
inline constexpr size_t kMaxGerenciais = 500'000;

struct TGerencialPost {
  int64_t CodigoCentroCusto = 0;
  int Natureza = 0;  // 1 debit, -1 credit
  // The side's account and the entry's date when not given.
  std::optional<int64_t> ContaCtb;
  std::optional<TDateTime> Data;
  Currency Valor;
};

struct TLancamentoPost {
  int64_t CodigoEmpresa = 0;
  int64_t ChaveLctoCtb = 0;  // the caller's key
  int64_t CodigoEstab = 0;
  int64_t CodigoLoteCtb = 0;  // 0: none
  TDateTime Data;
  std::string CodigoOrigLctoCtb;
  int64_t ContaCtbDeb = 0;  // 0: none
  int64_t ContaCtbCred = 0;
  std::optional<int64_t> CodigoHistCtb;
  std::string ComplHist;
  Currency Valor;
  std::string ChaveOrigem;
  std::vector<TGerencialPost> Gerenciais;
};

// A JSON array of entries, each with its rows under "LCTOGER".
std::vector<TLancamentoPost> LerJson(std::istream& entrada);
// One CSV whose column TIPO says what each row is: L an entry, G a
// managerial row of the entry with its CODIGOEMPRESA and CHAVELCTOCTB.
std::vector<TLancamentoPost> LerCsv(std::istream& entrada);

struct TOpcoesPost {
  bool ConciliarAuto = false;
  // Posts a content this company already posted (ComandoPost refuses it
  // otherwise).
  bool DeNovo = false;
  Saida::TFormatoSaida Formato = Saida::TFormatoSaida::Tabela;
  // Raises when the user may not act on the company.
  std::function<void(int64_t)> VerificarEmpresa;
  TnFraProgresso::THook Progresso;
  // Called inside the batch's transaction for each company that had an
  // entry stored, before the commit.
  std::function<void(int64_t)> AoGravarEmpresa;
};

struct TSaidaPost {
  std::string Texto;
  int Status = 0;  // 1 when an entry or a row was refused
};

// Posts the batch and reports each entry; raises Exception when the
// database refused the batch as a whole (nothing is then written).
TSaidaPost Contabilizar(TnDMConexao& conexao, const std::vector<TLancamentoPost>& lote,
                        const TOpcoesPost& opcoes);

// The command: the file by its extension (.json or .csv), every company it
// names checked, its content refused in a company that already posted it
// (unless DeNovo), then Contabilizar, which records it in each company it
// stored entries in.
TSaidaPost ComandoPost(TnDMConexao& conexao, const std::string& arquivo, const TOpcoesPost& opcoes);

}  // namespace ContabilizacaoHost
