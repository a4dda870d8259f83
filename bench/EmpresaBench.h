#pragma once
// The company the balance benchmarks run on: 2,000 analytic accounts in 20
// synthetic groups under two roots (1 debit nature, 2 credit nature), 5
// branches, and a year (2024) of random entries between them.

#include <fmt/format.h>

#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "bench/Cronometro.h"
#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/db/TnDMConexao.h"
#include "schema/LoteSaldos.h"
#include "schema/SchemaInstaller.h"

inline constexpr int kContas = 2000;
inline constexpr int kFiliais = 5;
inline constexpr int kLote = 10000;
inline constexpr int kGrupos = 20;  // synthetic groups of 100 accounts

inline double Melhor(const std::function<void()>& corpo) {
  double melhor = 1e300;
  for (int i = 0; i < 3; ++i)
    melhor = std::min(melhor, Segundos(corpo));
  return melhor;
}

inline void CriarEmpresa(TnDMConexao& c) {
  c.StartTransaction();
  for (int f = 1; f <= kFiliais; ++f)
    c.ExecuteDirect("insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, :p, 'F')",
                    {{"p", f}});
  c.ExecuteDirect(
      "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (1, '1', 1)");
  c.ExecuteDirect(
      "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (1, '2', -1)");
  const std::string sql =
      "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
      "TIPOCONTACALC, TIPOCOTACAO) values (1, :pConta, :pClassif, 'CONTA', :pTipo, 1, 1)";
  for (int raiz = 1; raiz <= 2; ++raiz)
    c.ExecuteDirect(sql, {{"pConta", raiz}, {"pClassif", std::to_string(raiz)}, {"pTipo", 1}});
  for (int g = 0; g < kGrupos; ++g) {
    const int raiz = g < kGrupos / 2 ? 1 : 2;
    const std::string grupo = fmt::format("{}.{:02}", raiz, g);
    c.ExecuteDirect(sql, {{"pConta", 100 + g}, {"pClassif", grupo}, {"pTipo", 1}});
    for (int k = 0; k < kContas / kGrupos; ++k)
      c.ExecuteDirect(sql, {{"pConta", 10000 + g * 100 + k},
                            {"pClassif", fmt::format("{}.{:03}", grupo, k)},
                            {"pTipo", 2}});
  }
  c.Commit();
}

// One entry as written: key, branch, date, debit and credit accounts, value.
struct TLctoBench {
  int Chave;
  int Filial;
  TDateTime Data;
  int64_t Debito;
  int64_t Credito;
  Currency Valor;
};

// `entradas` random entries, committed every kLote; `depois` (when given)
// runs after each entry in its transaction, and then each transaction is
// one batch of the batch writer.
inline void Carregar(TnDMConexao& c, int entradas,
                     const std::function<void(const TLctoBench&)>& depois = {}) {
  std::optional<TLoteSaldos> lote;
  std::mt19937_64 gerador(42);
  auto sorteio = [&](int de, int ate) {
    return std::uniform_int_distribution<int>(de, ate)(gerador);
  };
  const std::string sql =
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB) values (1, :p1, :p2, :p3, 'LN', "
      ":p4, :p5, :p6)";
  TParams params(6);
  for (int i = 0; i < entradas; ++i) {
    if (i % kLote == 0) {
      c.StartTransaction();
      if (depois)
        lote.emplace(c);
    }
    const TLctoBench lcto{i + 1,
                          sorteio(1, kFiliais),
                          EncodeDate(2024, 1, 1) + sorteio(0, 365),
                          int64_t{10000} + sorteio(0, kContas - 1),
                          int64_t{10000} + sorteio(0, kContas - 1),
                          Currency::FromRaw(int64_t{sorteio(1, 1000000)} * 100)};
    const ValueArray valores = {Value(lcto.Chave),  Value(lcto.Filial),  Value(lcto.Data),
                                Value(lcto.Debito), Value(lcto.Credito), Value(lcto.Valor)};
    for (size_t k = 0; k < params.size(); ++k)
      params[k] = {"", valores[k]};
    c.ExecuteDirect(sql, params);
    if (depois)
      depois(lcto);
    if (i % kLote == kLote - 1 || i == entradas - 1) {
      if (lote) {
        lote->Aplicar();
        lote.reset();
      }
      c.Commit();
    }
  }
  c.ExecuteScript("ANALYZE");
}

// Runs `corpo` on a new SQLite database with the schema and the company, in
// a temporary file removed afterwards; the exit status is what `corpo`
// returns, 1 when it raises.
inline int NaEmpresaTemporaria(const char* programa,
                               const std::function<int(TnDMConexao&)>& corpo) {
  const std::string nome =
      (std::filesystem::temp_directory_path() / fmt::format("ctb_{}_{}.db", programa, getpid()))
          .string();
  int status = 0;
  try {
    TnDMConexao conexao(TTipoConexao::SQLite, nome);
    SchemaInstaller::Instalar(conexao);
    CriarEmpresa(conexao);
    status = corpo(conexao);
  } catch (const std::exception& e) {
    fmt::print(stderr, "{}: {}\n", programa, e.what());
    status = 1;
  }
  for (const char* sufixo : {"", "-wal", "-shm"})
    std::filesystem::remove(nome + sufixo);
  return status;
}
