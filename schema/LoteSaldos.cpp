#include "schema/LoteSaldos.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"

namespace {

// One balance table as the grouped statements see it: the journal it sums,
// its key past the company (as the table names it, and as the journal does:
// the monthly tables take the journal's DATAMES for DATASALDO), and whether
// it sums the currency amounts.
struct TTabelaSaldo {
  const char* Nome;
  const char* Diario;
  const char* Chave;
  const char* ChaveDiario;
  bool Moeda;
};

constexpr std::array<TTabelaSaldo, 7> kTabelas{{
    {"SALDOCTB", "LOTESALDOCTB", "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO", false},
    {"SALDOCTBMENSAL", "LOTESALDOCTB", "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, DATAMES, TIPOLANCAMENTO", false},
    {"SALDOCTBMENSALHIST", "LOTESALDOCTB",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOHISTCTB",
     "CODIGOESTAB, CONTACTB, DATAMES, TIPOLANCAMENTO, CODIGOHISTCTB", false},
    {"SALDOCTBMOEDA", "LOTESALDOCTB",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA", true},
    {"SALDOCTBMOEDAMENSAL", "LOTESALDOCTB",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA",
     "CODIGOESTAB, CONTACTB, DATAMES, TIPOLANCAMENTO, CODIGOMOEDA", true},
    {"SALDOGER", "LOTESALDOGER",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO", false},
    {"SALDOGERMENSAL", "LOTESALDOGER",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATAMES, TIPOLANCAMENTO", false},
}};

// A batch journal: its table, the view of the stored rows whose movements
// it records, the columns it keeps them by and the amounts.
struct TDiario {
  const char* Nome;
  const char* Visao;
  const char* Chave;
  std::array<const char*, 4> Valores;
};

constexpr std::array<TDiario, 2> kDiarios{{
    {"LOTESALDOCTB",
     "VLCTOCTBSALDO",
     "CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, DATAMES, TIPOLANCAMENTO, CODIGOHISTCTB, "
     "CODIGOMOEDA",
     {"VALORDEB", "VALORCRED", "VALORDEBMOEDA", "VALORCREDMOEDA"}},
    {"LOTESALDOGER",
     "VLCTOGERSALDO",
     "CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, DATAMES, "
     "TIPOLANCAMENTO",
     {"VALORDEB", "VALORCRED"}},
}};

// The journal's amounts ("A, B"), or each summed and rounded to cents, as
// every sum here is ("round(sum(A), 2) A, ...").
std::string Valores(const TDiario& diario, bool somados) {
  std::string lista;
  for (const char* valor : diario.Valores) {
    if (valor == nullptr)
      break;
    if (!lista.empty())
      lista += ", ";
    lista += somados ? fmt::format("round(sum({0}), 2) {0}", valor) : std::string(valor);
  }
  return lista;
}

// The journal's rows summed per key, from `origem` (a table or a subquery
// with its alias): one pass and one sort, whatever the number of balance
// tables.
std::string Agrupar(const TDiario& diario, const std::string& origem) {
  return fmt::format("select {0}, {1} from {2} group by {0}", diario.Chave, Valores(diario, true),
                     origem);
}

// The stored entries (or splits) of one block of keys, read through the
// primary key, as the journal's rows.
std::string FaixaNoDiario(const TDiario& diario) {
  return fmt::format("insert into {} ({}, {}) {}", diario.Nome, diario.Chave,
                     Valores(diario, false),
                     Agrupar(diario, fmt::format("{} where CODIGOEMPRESA = :pEmpresa and "
                                                 "CHAVELCTOCTB between :pChaveInicial and "
                                                 ":pChaveFinal",
                                                 diario.Visao)));
}

// A group whose movements cancel out changes nothing, so it is left out.
// Every row written comes back (its amounts, then its key), so that the
// rows the sum brought to zero can be deleted one by one: nearly always
// none. Rounding to cents keeps SQLite's REAL sums exact, as the triggers do
// at each step. Rows are written in key order, so two batches of one
// company that share balance rows lock them in the same order and wait
// instead of deadlocking.
std::string Somar(const TTabelaSaldo& tabela, const std::string& movimentos) {
  const char* deb = tabela.Moeda ? "VALORDEBMOEDA" : "VALORDEB";
  const char* cred = tabela.Moeda ? "VALORCREDMOEDA" : "VALORCRED";
  return fmt::format(
      "insert into {0} (CODIGOEMPRESA, {1}, VALORDEB, VALORCRED) "
      "select CODIGOEMPRESA, {2}, round(sum({3}), 2), round(sum({4}), 2) "
      "from {5} where CODIGOEMPRESA = :pEmpresa{6} "
      "group by CODIGOEMPRESA, {2} "
      "having round(sum({3}), 2) <> 0 or round(sum({4}), 2) <> 0 "
      "order by CODIGOEMPRESA, {2} "
      "on conflict (CODIGOEMPRESA, {1}) do update "
      "set VALORDEB = round({0}.VALORDEB + excluded.VALORDEB, 2), "
      "VALORCRED = round({0}.VALORCRED + excluded.VALORCRED, 2) "
      "returning VALORDEB, VALORCRED, {1}",
      tabela.Nome, tabela.Chave, tabela.ChaveDiario, deb, cred, movimentos,
      tabela.Moeda ? " and CODIGOMOEDA is not null" : "");
}

// The columns of a key as the statements list them ("A, B").
std::vector<std::string> ColunasDaChave(std::string_view chave) {
  std::vector<std::string> colunas;
  for (size_t inicio = 0; inicio <= chave.size();) {
    const size_t fim = std::min(chave.find(", ", inicio), chave.size());
    colunas.emplace_back(chave.substr(inicio, fim - inicio));
    inicio = fim + 2;
  }
  return colunas;
}

// One row by its key (:pChave0, :pChave1... in the key's order), if zero.
std::string ExcluirZerado(const TTabelaSaldo& tabela) {
  std::string condicao;
  const std::vector<std::string> colunas = ColunasDaChave(tabela.Chave);
  for (size_t i = 0; i < colunas.size(); ++i)
    condicao += fmt::format(" and {} = :pChave{}", colunas[i], i);
  return fmt::format(
      "delete from {} where CODIGOEMPRESA = :pEmpresa{} and VALORDEB = 0 and VALORCRED = 0",
      tabela.Nome, condicao);
}

bool Zero(const Value& valor) {
  return !valor.IsNull() && valor.AsFloat() == 0;
}

struct TComandos {
  std::array<std::string, kTabelas.size()> Somas;
  std::array<std::string, kTabelas.size()> Exclusoes;
  std::array<size_t, kTabelas.size()> ColunasDaChave;
  TComandos() {
    for (size_t i = 0; i < kTabelas.size(); ++i) {
      Somas[i] = Somar(kTabelas[i], kTabelas[i].Diario);
      Exclusoes[i] = ExcluirZerado(kTabelas[i]);
      ColunasDaChave[i] = ::ColunasDaChave(kTabelas[i].Chave).size();
    }
  }
};

const TComandos& Comandos() {
  static const TComandos comandos;
  return comandos;
}

// PostgreSQL sums a journal's movements of one company (its rows in the
// journal and the stored rows of the company's blocks of fresh keys, the
// blocks as :pChaveInicial0/:pChaveFinal0 and on) once, in memory, and moves
// every balance table of the journal from them in the same statement, which
// empties the journal too: nothing summed is written to the journal, and one
// exchange does what a statement per table did. The tables are moved one
// after the other in their order, each in key order, as separate statements
// would. It answers the rows the sums brought to zero: their table (its
// place in kTabelas), amounts and key, padded with nulls to the longest.
std::string SomarDiario(const TDiario& diario, size_t faixas) {
  std::string movimentos = fmt::format("select {}, {} from {} where CODIGOEMPRESA = :pEmpresa",
                                       diario.Chave, Valores(diario, false), diario.Nome);
  if (faixas > 0) {
    std::string chaves;
    for (size_t f = 0; f < faixas; ++f)
      chaves += fmt::format("{0}CHAVELCTOCTB between :pChaveInicial{1} and :pChaveFinal{1}",
                            f > 0 ? " or " : "", f);
    movimentos = fmt::format(
        "select {}, {} from {} where CODIGOEMPRESA = :pEmpresa and ({}) "
        "union all {}",
        diario.Chave, Valores(diario, false), diario.Visao, chaves, movimentos);
  }
  std::string comando = fmt::format(
      "with MOVIMENTOS as materialized ({}), ESVAZIADO as (delete from {} where CODIGOEMPRESA = "
      ":pEmpresa)",
      Agrupar(diario, "(" + movimentos + ") MOVIMENTO"), diario.Nome);
  std::vector<size_t> tabelas;
  for (size_t i = 0; i < kTabelas.size(); ++i)
    if (std::string_view(kTabelas[i].Diario) == diario.Nome)
      tabelas.push_back(i);
  for (const size_t i : tabelas)
    comando += fmt::format(", SOMA{} as ({})", i, Somar(kTabelas[i], "MOVIMENTOS"));
  // The longest key answers first: its columns give the untyped nulls that
  // pad the shorter ones their types.
  const auto colunas = [](size_t i) { return ColunasDaChave(kTabelas[i].Chave).size(); };
  std::stable_sort(tabelas.begin(), tabelas.end(),
                   [&](size_t a, size_t b) { return colunas(a) > colunas(b); });
  std::string zeradas;
  for (const size_t i : tabelas) {
    std::string chave = kTabelas[i].Chave;
    for (size_t c = colunas(i); c < colunas(tabelas.front()); ++c)
      chave += ", null";
    zeradas += fmt::format(
        "{}select {} TABELA, VALORDEB, VALORCRED, {} from SOMA{} where VALORDEB = 0 and "
        "VALORCRED = 0",
        zeradas.empty() ? "" : " union all ", i, chave, i);
  }
  return comando + " " + zeradas;
}

// `linha` holds, from `inicio`, the amounts a sum left in a row of table
// `tabela` (its place in kTabelas), then the row's key.
void ExcluirSeZerada(TnDMConexao& conexao, int64_t codigoEmpresa, size_t tabela,
                     const ValueArray& linha, size_t inicio) {
  if (!Zero(linha[inicio]) || !Zero(linha[inicio + 1]))
    return;
  TParams chave{{"pEmpresa", codigoEmpresa}};
  for (size_t coluna = 0; coluna < Comandos().ColunasDaChave[tabela]; ++coluna)
    chave.emplace_back(fmt::format("pChave{}", coluna), linha[inicio + 2 + coluna]);
  conexao.ExecuteDirect(Comandos().Exclusoes[tabela], chave);
}

// SQLite: a statement per balance table over the journal, then the journal
// emptied.
void SomarPorTabela(TnDMConexao& conexao, int64_t codigoEmpresa) {
  const TParams params{{"pEmpresa", codigoEmpresa}};
  for (size_t i = 0; i < kTabelas.size(); ++i)
    for (const ValueArray& escrita : conexao.ExecuteQuery(Comandos().Somas[i], params).Rows)
      ExcluirSeZerada(conexao, codigoEmpresa, i, escrita, 0);
  for (const TDiario& diario : kDiarios)
    conexao.ExecuteDirect(
        fmt::format("delete from {} where CODIGOEMPRESA = :pEmpresa", diario.Nome), params);
}

void Ligar(TnDMConexao& conexao, bool ligado) {
  if (conexao.PegarTipoCon() == TTipoConexao::PostgreSQL)
    conexao.ExecuteQuery("select set_config('ctb.lotesaldo', :pValor, true)",
                         {{"pValor", Value(ligado ? "1" : "0")}});
  else if (ligado)
    conexao.ExecuteDirect("insert into LOTESALDOATIVO (ATIVO) values (1)");
  else
    conexao.ExecuteDirect("delete from LOTESALDOATIVO");
}

}  // namespace

TLoteSaldos::TLoteSaldos(TnDMConexao& conexao) : FConexao(conexao) {
  if (!conexao.InTransaction())
    throw Exception("Um lote de lançamentos precisa de uma transação aberta");
  Ligar(FConexao, true);
}

TLoteSaldos::~TLoteSaldos() {
  if (!FAberto)
    return;
  try {
    while (FConexao.InTransaction())
      FConexao.RollBack();
  } catch (...) {
    // The connection is gone with its transaction: nothing was committed.
  }
}

void TLoteSaldos::ChavesNovas(int64_t codigoEmpresa, int64_t chaveInicial, int64_t chaveFinal) {
  if (chaveInicial > chaveFinal)
    return;
  // A stored entry in the block counted before it: its balances stay the
  // triggers' business, so the block is not taken.
  if (!FConexao
           .ExecuteQuery("select 1 from LCTOCTB where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB "
                         "between :pChaveInicial and :pChaveFinal {LIMIT(1)}",
                         {{"pEmpresa", codigoEmpresa},
                          {"pChaveInicial", chaveInicial},
                          {"pChaveFinal", chaveFinal}})
           .Rows.empty())
    return;
  TFaixa nova{codigoEmpresa, chaveInicial, chaveFinal};
  // Merged with every block of the company it overlaps or touches, so that
  // no key is summed twice.
  std::erase_if(FFaixas, [&](const TFaixa& faixa) {
    if (faixa.Empresa != codigoEmpresa || faixa.Final + 1 < nova.Inicial ||
        nova.Final + 1 < faixa.Inicial)
      return false;
    nova.Inicial = std::min(nova.Inicial, faixa.Inicial);
    nova.Final = std::max(nova.Final, faixa.Final);
    return true;
  });
  FFaixas.push_back(nova);
  GravarFaixas(codigoEmpresa);
  LembrarFaixa(codigoEmpresa, fmt::format("{}:{}", nova.Inicial, nova.Final));
}

void TLoteSaldos::GravarFaixas(int64_t codigoEmpresa) {
  FConexao.ExecuteDirect("delete from LOTESALDOFAIXA where CODIGOEMPRESA = :pEmpresa",
                         {{"pEmpresa", codigoEmpresa}});
  for (const TFaixa& faixa : FFaixas)
    if (faixa.Empresa == codigoEmpresa)
      FConexao.ExecuteDirect(
          "insert into LOTESALDOFAIXA (CODIGOEMPRESA, CHAVEINICIAL, CHAVEFINAL) "
          "values (:pEmpresa, :pChaveInicial, :pChaveFinal)",
          {{"pEmpresa", faixa.Empresa},
           {"pChaveInicial", faixa.Inicial},
           {"pChaveFinal", faixa.Final}});
}

// PostgreSQL's triggers answer the keys of this block from the setting,
// without reading LOTESALDOFAIXA (schema.sql, CTB_CHAVE_EM_LOTE); empty
// forgets it. SQLite's triggers read the table, which costs no round trip.
void TLoteSaldos::LembrarFaixa(int64_t codigoEmpresa, const std::string& faixa) {
  if (FConexao.PegarTipoCon() == TTipoConexao::PostgreSQL)
    FConexao.ExecuteQuery("select set_config('ctb.faixa' || :pEmpresa, :pFaixa, true)",
                          {{"pEmpresa", codigoEmpresa}, {"pFaixa", Value(faixa)}});
}

void TLoteSaldos::Aplicar() {
  const bool numComando = FConexao.PegarTipoCon() == TTipoConexao::PostgreSQL;
  // SQLite: the blocks join the journal, already summed, and leave with it.
  if (!numComando)
    for (const TFaixa& faixa : FFaixas)
      for (const TDiario& diario : kDiarios)
        FConexao.ExecuteDirect(FaixaNoDiario(diario), {{"pEmpresa", faixa.Empresa},
                                                       {"pChaveInicial", faixa.Inicial},
                                                       {"pChaveFinal", faixa.Final}});
  const std::vector<TFaixa> faixas = std::exchange(FFaixas, {});
  // A later batch of this transaction must not find these blocks in the
  // settings once their rows are gone.
  for (const TFaixa& faixa : faixas) {
    FConexao.ExecuteDirect("delete from LOTESALDOFAIXA where CODIGOEMPRESA = :pEmpresa",
                           {{"pEmpresa", faixa.Empresa}});
    LembrarFaixa(faixa.Empresa, "");
  }
  // Company by company, so every statement stays inside one company's rows
  // (one shard when the tables are distributed by CODIGOEMPRESA).
  std::vector<int64_t> empresas;
  for (const ValueArray& empresa : FConexao
                                       .ExecuteQuery("select CODIGOEMPRESA from LOTESALDOCTB union "
                                                     "select CODIGOEMPRESA from LOTESALDOGER")
                                       .Rows)
    empresas.push_back(empresa[0].AsInteger());
  for (const TFaixa& faixa : faixas)
    empresas.push_back(faixa.Empresa);
  std::sort(empresas.begin(), empresas.end());
  empresas.erase(std::unique(empresas.begin(), empresas.end()), empresas.end());
  for (const int64_t empresa : empresas) {
    if (numComando)
      SomarNumComando(empresa, faixas);
    else
      SomarPorTabela(FConexao, empresa);
  }
  Ligar(FConexao, false);
  FAberto = false;
}

void TLoteSaldos::SomarNumComando(int64_t codigoEmpresa, const std::vector<TFaixa>& faixas) {
  TParams params{{"pEmpresa", codigoEmpresa}};
  size_t daEmpresa = 0;
  for (const TFaixa& faixa : faixas) {
    if (faixa.Empresa != codigoEmpresa)
      continue;
    params.emplace_back(fmt::format("pChaveInicial{}", daEmpresa), faixa.Inicial);
    params.emplace_back(fmt::format("pChaveFinal{}", daEmpresa++), faixa.Final);
  }
  for (const TDiario& diario : kDiarios)
    for (const ValueArray& zerada :
         FConexao.ExecuteQuery(SomarDiario(diario, daEmpresa), params).Rows)
      ExcluirSeZerada(FConexao, codigoEmpresa, static_cast<size_t>(zerada[0].AsInteger()), zerada,
                      1);
}
