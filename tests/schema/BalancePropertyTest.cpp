// The balance tables against thousands of random writes to LCTOCTB and to its
// cost-centre splits (LCTOGER): whatever a writer does (row by row, or one
// statement over many rows; splits before, with or without their entry), the
// triggers leave the balances equal to a recomputation from the entries, and
// a batch writer (TLoteSaldos) leaves exactly the rows and amounts the
// triggers leave, through its journal or summing blocks of fresh keys.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/db/TnDMConexao.h"
#include "schema/LoteSaldos.h"
#include "schema/SchemaInstaller.h"
#include "tests/support/TestDatabases.h"

namespace {

constexpr int kOperacoes = 3000;
constexpr int kPorTransacao = 250;

// Rows as text, one line each, so a failure shows them all.
std::string Texto(const TDbResult& result) {
  std::string text;
  for (const ValueArray& row : result.Rows) {
    for (const Value& value : row)
      text += value.DebugString() + " ";
    text += "\n";
  }
  return text;
}

class TBalancePropertyTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    // Functional currencies for some branches and dates only: company 1
    // branch 1 has two overlapping windows (the later start wins), company 2
    // branch 2 one open window from March 2025, everyone else none.
    Conexao().ExecuteDirect(
        "insert into OPCAOMOEDAFUNCIONAL (CODIGOEMPRESA, CODIGOESTAB, DATAINICIAL, DATAFINAL, "
        "CODIGOMOEDA) values (1, 1, '2024-01-01', '2024-12-31', 2), (1, 1, '2024-07-01', null, 3), "
        "(2, 2, '2025-03-01', null, 4)");
    const char* seed = std::getenv("CTB_SEED");
    FSeed = seed ? std::strtoull(seed, nullptr, 10) : std::random_device{}();
    FRandom.seed(FSeed);
  }

  int Sorteio(int de, int ate) { return std::uniform_int_distribution<int>(de, ate)(FRandom); }
  bool Chance(int porcento) { return Sorteio(1, 100) <= porcento; }
  size_t Indice(size_t tamanho) {
    return static_cast<size_t>(Sorteio(0, static_cast<int>(tamanho) - 1));
  }

  Value Estab() { return Value(Sorteio(1, 3)); }
  Value Data() { return Value(EncodeDate(2024, 1, 1) + Sorteio(0, 730)); }
  Value Conta() {
    static const int64_t contas[] = {1101, 1102, 1201, 2101, 2102, 3101, 4101, 110100001};
    return Value(contas[Sorteio(0, 7)]);
  }
  Value Tipo() {
    static const char* const tipos[] = {"LN", "LS", "LF"};
    return Value(tipos[Sorteio(0, 2)]);
  }
  Value Historico() { return Chance(25) ? Value() : Value(Sorteio(1, 4)); }
  Value Dinheiro() {
    return Value(Chance(3) ? Currency() : Currency::FromRaw(int64_t{Sorteio(1, 5000000)} * 100));
  }
  Value DinheiroMoeda() { return Chance(40) ? Value() : Dinheiro(); }

  // One row of `tabela`, its columns and values side by side; `resto` ends
  // the statement. Returns the rows written.
  int64_t Gravar(const char* tabela, std::initializer_list<const char*> colunas,
                 const ValueArray& valores, const char* resto = "") {
    TParams params;
    std::string nomes, marcas;
    for (const char* coluna : colunas) {
      nomes += fmt::format("{}{}", nomes.empty() ? "" : ", ", coluna);
      marcas += fmt::format("{}:p{}", marcas.empty() ? "" : ", ", coluna);
      params.emplace_back(std::string("p") + coluna, valores.at(params.size()));
    }
    return Conexao().ExecuteDirect(
        fmt::format("insert into {} ({}) values ({}){}", tabela, nomes, marcas, resto), params);
  }
  // An entry by the columns its balances read; a braced list draws its random
  // values in the order written.
  void Lancar(const ValueArray& valores) {
    Gravar("LCTOCTB",
           {"CODIGOEMPRESA", "CHAVELCTOCTB", "CODIGOESTAB", "DATALCTOCTB", "TIPOLANCAMENTO",
            "CONTACTBDEB", "CONTACTBCRED", "CODIGOHISTCTB", "VALORLCTOCTB", "VALORLCTOMOEDA"},
           valores);
  }
  // 12.50 from 2101 to 1101 in branch 1 on 05/03/2024.
  void Lancar(int64_t chave) {
    Lancar({1, chave, 1, EncodeDate(2024, 3, 5), "LN", 1101, 2101, Value(),
            Currency::FromDouble(12.5), Value()});
  }

  // The entries (kLcto) and their cost-centre splits (kRateio): table, the
  // condition naming one row, and the keys the test knows as its parameters.
  enum { kLcto, kRateio };
  static constexpr const char* kTabela[] = {"LCTOCTB", "LCTOGER"};
  static constexpr const char* kOnde[] = {
      " where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB = :pChave",
      " where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB = :pChave and NATURLCTOCTB = :pNatur "
      "and CODIGOCENTROCUSTO = :pCentro"};
  static TParams Chave(const ValueArray& valores) {
    static const char* const nomes[] = {"pEmpresa", "pChave", "pNatur", "pCentro"};
    TParams params;
    for (const Value& valor : valores)
      params.emplace_back(nomes[params.size()], Value(valor.AsInteger()));
    return params;
  }

  void Inserir() {
    const int64_t empresa = Sorteio(1, 3);
    const int64_t chave = ++FUltimaChave[empresa];
    // One-sided entries leave one account null; never both.
    const int lados = Sorteio(0, 4);
    Lancar({empresa, chave, Estab(), Data(), Tipo(), lados == 1 ? Value() : Conta(),
            lados == 2 ? Value() : Conta(), Historico(), Dinheiro(), DinheiroMoeda()});
    FChaves[kLcto].push_back(Chave({empresa, chave}));
  }

  // A split of an entry side, now and then of a key no entry has yet (the
  // next one Inserir gives) or of a side that counts nowhere (0).
  void InserirRateio() {
    if (FChaves[kLcto].empty())
      return Inserir();
    const TParams& lcto = FChaves[kLcto][Indice(FChaves[kLcto].size())];
    const int64_t empresa = lcto[0].second.AsInteger();
    const int64_t chave = Chance(5) ? FUltimaChave[empresa] + 1 : lcto[1].second.AsInteger();
    const int natureza = Chance(3) ? 0 : Chance(50) ? 1 : -1;
    const int64_t centro = Sorteio(1, 4);
    if (Gravar("LCTOGER",
               {"CODIGOEMPRESA", "CHAVELCTOCTB", "CODIGOCENTROCUSTO", "NATURLCTOCTB", "CONTACTB",
                "DATALCTOCTB", "VALORLCTOGER"},
               {empresa, chave, centro, natureza, Conta(), Data(), Dinheiro()},
               " on conflict do nothing") == 1)
      FChaves[kRateio].push_back(Chave({empresa, chave, natureza, centro}));
  }

  // One entry or split: a random non-empty set of the columns outside its
  // key that the balances read.
  void Alterar(int t) {
    if (FChaves[t].empty())
      return t == kLcto ? Inserir() : InserirRateio();
    TParams params = FChaves[t][Indice(FChaves[t].size())];
    const auto contaOuNada = [&] { return Chance(15) ? Value() : Conta(); };
    const auto data = [&] { return Data(); };
    const auto dinheiro = [&] { return Dinheiro(); };
    const std::vector<std::pair<const char*, std::function<Value()>>> colunas[] = {
        {{"DATALCTOCTB", data},
         {"CODIGOESTAB", [&] { return Estab(); }},
         {"CONTACTBDEB", contaOuNada},
         {"CONTACTBCRED", contaOuNada},
         {"VALORLCTOCTB", dinheiro},
         {"TIPOLANCAMENTO", [&] { return Tipo(); }},
         {"CODIGOHISTCTB", [&] { return Historico(); }},
         {"VALORLCTOMOEDA", [&] { return DinheiroMoeda(); }}},
        {{"VALORLCTOGER", dinheiro}, {"CONTACTB", [&] { return Conta(); }}, {"DATALCTOCTB", data}}};
    std::string sets;
    while (sets.empty())
      for (const auto& [coluna, gerar] : colunas[t])
        if (Chance(t == kLcto ? 30 : 40)) {
          sets += fmt::format("{}{} = :p{}", sets.empty() ? "" : ", ", coluna, coluna);
          params.emplace_back(std::string("p") + coluna, gerar());
        }
    Conexao().ExecuteDirect(fmt::format("update {} set {}{}", kTabela[t], sets, kOnde[t]), params);
  }

  void Excluir(int t) {
    if (FChaves[t].empty())
      return;
    const size_t i = Indice(FChaves[t].size());
    Conexao().ExecuteDirect(fmt::format("delete from {}{}", kTabela[t], kOnde[t]), FChaves[t][i]);
    FChaves[t][i] = FChaves[t].back();
    FChaves[t].pop_back();
  }

  // One statement over many entries or splits, as a repair script would
  // write it, with a random company and whichever of :pConta, :pEstab,
  // :pCentro, :pData and :pAte (up to 20 days after :pData) it names.
  void AlterarEmMassa(int t) {
    static const std::vector<const char*> comandos[] = {
        {
            "update LCTOCTB set VALORLCTOCTB = VALORLCTOCTB + 1 where CODIGOEMPRESA = :pEmpresa "
            "and CONTACTBDEB = :pConta",
            "update LCTOCTB set CONTACTBDEB = CONTACTBCRED, CONTACTBCRED = CONTACTBDEB "
            "where CODIGOEMPRESA = :pEmpresa and CODIGOESTAB = :pEstab",
            "update LCTOCTB set DATALCTOCTB = :pData, TIPOLANCAMENTO = 'LS' "
            "where CODIGOEMPRESA = :pEmpresa and CONTACTBCRED = :pConta",
            "update LCTOCTB set VALORLCTOMOEDA = null, CODIGOHISTCTB = null "
            "where CODIGOEMPRESA = :pEmpresa and CODIGOESTAB = :pEstab and TIPOLANCAMENTO = 'LF'",
            "update LCTOCTB set CODIGOESTAB = :pEstab where CODIGOEMPRESA = :pEmpresa "
            "and DATALCTOCTB between :pData and :pAte",
            "delete from LCTOCTB where CODIGOEMPRESA = :pEmpresa and CODIGOESTAB = :pEstab "
            "and DATALCTOCTB between :pData and :pAte",
            // The company moves: the key changes under the balances. Company 4
            // takes no other writes, so its keys stay unique.
            "update LCTOCTB set CODIGOEMPRESA = 4, CHAVELCTOCTB = CHAVELCTOCTB + 1000000 * "
            "CODIGOEMPRESA where CODIGOEMPRESA = :pEmpresa and CODIGOESTAB = :pEstab",
            // New keys, out of a batch's blocks: 300,000 on, far past any drawn
            // key, so no two rows meet, here or moved on to company 4.
            "update LCTOCTB set CHAVELCTOCTB = CHAVELCTOCTB + 300000 where CODIGOEMPRESA = "
            ":pEmpresa and CODIGOESTAB = :pEstab",
        },
        {
            "update LCTOGER set VALORLCTOGER = VALORLCTOGER + 1 where CODIGOEMPRESA = :pEmpresa "
            "and CONTACTB = :pConta",
            "delete from LCTOGER where CODIGOEMPRESA = :pEmpresa and CODIGOCENTROCUSTO = :pCentro",
            // The splits' company move follows the entries' (the same new
            // keys), so moved splits find their moved entries.
            "update LCTOGER set CODIGOEMPRESA = 4, CHAVELCTOCTB = CHAVELCTOCTB + 1000000 * "
            "CODIGOEMPRESA where CODIGOEMPRESA = :pEmpresa and CODIGOCENTROCUSTO = :pCentro "
            "and not exists (select 1 from LCTOGER X where X.CODIGOEMPRESA = 4 and X.CHAVELCTOCTB "
            "= LCTOGER.CHAVELCTOCTB + 1000000 * LCTOGER.CODIGOEMPRESA and X.NATURLCTOCTB = "
            "LCTOGER.NATURLCTOCTB and X.CODIGOCENTROCUSTO = LCTOGER.CODIGOCENTROCUSTO)",
        }};
    const std::string sql = comandos[t][Indice(comandos[t].size())];
    const Value data = Data();
    TParams params{{"pEmpresa", Value(Sorteio(1, 3))}};
    const std::pair<const char*, Value> sorteados[] = {
        {"pConta", Conta()},
        {"pEstab", Estab()},
        {"pCentro", Value(Sorteio(1, 4))},
        {"pData", data},
        {"pAte", Value(data.AsDateTime() + Sorteio(0, 20))}};
    for (const auto& [nome, valor] : sorteados)
      if (sql.find(std::string(":") + nome) != std::string::npos)
        params.emplace_back(nome, valor);
    Conexao().ExecuteDirect(sql, params);
    // The keys of the entries and of the splits, as stored.
    for (int u : {kLcto, kRateio}) {
      const char* const chave = u == kLcto ? "CODIGOEMPRESA, CHAVELCTOCTB"
                                           : "CODIGOEMPRESA, CHAVELCTOCTB, NATURLCTOCTB, "
                                             "CODIGOCENTROCUSTO";
      FChaves[u].clear();
      for (const ValueArray& linha :
           Conexao()
               .ExecuteQuery(fmt::format("select {0} from {1} order by {0}", chave, kTabela[u]))
               .Rows)
        FChaves[u].push_back(Chave(linha));
    }
  }

  // How each transaction's balances move.
  enum class TModo { Gatilhos, Diario, ChavesNovas };

  // The blocks a batch names draw nothing from the random source, so the
  // writes are the same in every mode: the next keys of every company at the
  // start, as two blocks around a key left to the triggers; halfway, a block
  // overlapping them, and one over keys that may be stored (taken only when
  // none is).
  void NomearChaves(TLoteSaldos& saldos, int passo) {
    const int64_t empresa = passo % 3 + 1;
    if (passo == 0) {
      for (int64_t e = 1; e <= 3; ++e) {
        saldos.ChavesNovas(e, FUltimaChave[e] + 1, FUltimaChave[e] + 5);
        saldos.ChavesNovas(e, FUltimaChave[e] + 7, FUltimaChave[e] + kPorTransacao);
      }
    } else if (passo == kPorTransacao / 2) {
      saldos.ChavesNovas(empresa, FUltimaChave[empresa] + 1, FUltimaChave[empresa] + 20);
      saldos.ChavesNovas(empresa % 3 + 1, std::max<int64_t>(1, FUltimaChave[empresa % 3 + 1] - 5),
                         FUltimaChave[empresa % 3 + 1] + 5);
    }
  }

  void Operar(int quantas, TModo modo = TModo::Gatilhos) {
    for (int lote = 0; lote < quantas; lote += kPorTransacao) {
      Conexao().StartTransaction();
      std::optional<TLoteSaldos> saldos;
      if (modo != TModo::Gatilhos)
        saldos.emplace(Conexao());
      for (int i = lote; i < std::min(quantas, lote + kPorTransacao); ++i) {
        if (modo == TModo::ChavesNovas)
          NomearChaves(*saldos, i - lote);
        // Each operation up to its share of 100; inserts alone until there
        // are 20 entries.
        const std::pair<int, std::function<void()>> operacoes[] = {
            {35, [&] { Inserir(); }},
            {50, [&] { InserirRateio(); }},
            {68, [&] { Alterar(kLcto); }},
            {76, [&] { Alterar(kRateio); }},
            {86, [&] { Excluir(kLcto); }},
            {92, [&] { Excluir(kRateio); }},
            {96, [&] { AlterarEmMassa(kLcto); }},
            {100, [&] { AlterarEmMassa(kRateio); }}};
        const int sorteio = Sorteio(1, 100);
        for (const auto& [ate, operacao] : operacoes)
          if (sorteio <= ate || FChaves[kLcto].size() < 20) {
            operacao();
            break;
          }
      }
      if (saldos)
        saldos->Aplicar();
      for (const char* tabela : kTabelasSaldo)
        if (Linhas(tabela) > 0)
          FComLinhas[modo].insert(tabela);
      Conexao().Commit();
    }
  }

  // What the check finds wrong with the balance tables, one line a row.
  std::string Diferencas() { return Texto(SchemaInstaller::VerificarSaldos(Conexao())); }

  int64_t Linhas(const std::string& tabela) { return Contar("select count(*) from " + tabela); }

  // The debits the batch journal holds: what it counts, however its engine
  // keeps the rows (one per movement, or one per balance key).
  std::string DebitosNoDiario() {
    return Conexao()
        .ExecuteScalar("select coalesce(sum(VALORDEB), 0) from LOTESALDOCTB")
        .AsCurrency()
        .ToString();
  }

  // Every balance table, rows in key order, every value as stored.
  std::string Saldos() {
    std::string texto;
    for (const char* tabela : kTabelasSaldo)
      texto +=
          fmt::format("{}\n", tabela) + Texto(Conexao().ExecuteQuery(fmt::format(
                                            "select * from {} order by 1, 2, 3, 4, 5, 6", tabela)));
    return texto;
  }

  // The same random writes again from empty LCTOCTB and LCTOGER.
  void Recomecar() {
    Conexao().ExecuteScript("delete from LCTOGER; delete from LCTOCTB");
    FRandom.seed(FSeed);
    FUltimaChave.clear();
    FChaves[kLcto].clear();
    FChaves[kRateio].clear();
  }

  static constexpr const char* kTabelasSaldo[] = {
      "SALDOCTB", "SALDOCTBMENSAL", "SALDOCTBMENSALHIST", "SALDOCTBMOEDA", "SALDOCTBMOEDAMENSAL",
      "SALDOGER", "SALDOGERMENSAL"};

  uint64_t FSeed = 0;
  std::mt19937_64 FRandom;
  std::map<int64_t, int64_t> FUltimaChave;
  std::vector<TParams> FChaves[2];
  // The balance tables some transaction of each mode left rows in: a later
  // company move may take every currency row away again.
  std::map<TModo, std::set<std::string>> FComLinhas;
};

TEST_P(TBalancePropertyTest, RandomWritesKeepEveryBalanceTableExact) {
  SCOPED_TRACE(fmt::format("semente {} (repita com CTB_SEED={})", FSeed, FSeed));
  Operar(kOperacoes);
  EXPECT_EQ(Diferencas(), "");
  // The run reached every kind of balance, or the check proved little. The
  // bulk deletes leave 100 to 220 splits over the seeds tried; the floor
  // stays well under that spread so no seed fails it by chance.
  EXPECT_GT(Linhas("LCTOCTB"), 500);
  EXPECT_GT(Linhas("LCTOGER"), 40);
  for (const char* tabela : kTabelasSaldo)
    EXPECT_TRUE(FComLinhas[TModo::Gatilhos].count(tabela)) << tabela;
  // Only the branches and dates with an option count in a currency.
  EXPECT_EQ(Conexao()
                .ExecuteScalar("select count(*) from SALDOCTBMOEDA where not ("
                               "(CODIGOEMPRESA = 1 and CODIGOESTAB = 1 and CODIGOMOEDA = 2 "
                               "and DATASALDO < '2024-07-01') or "
                               "(CODIGOEMPRESA = 1 and CODIGOESTAB = 1 and CODIGOMOEDA = 3 "
                               "and DATASALDO >= '2024-07-01') or "
                               "(CODIGOEMPRESA = 2 and CODIGOESTAB = 2 and CODIGOMOEDA = 4 "
                               "and DATASALDO >= '2025-03-01'))")
                .AsInteger(),
            0);
}

TEST_P(TBalancePropertyTest, BatchWriterLeavesExactlyTheBalancesOfTheTriggers) {
  SCOPED_TRACE(fmt::format("semente {} (repita com CTB_SEED={})", FSeed, FSeed));
  Operar(kOperacoes / 2);
  const std::string porGatilho = Saldos();
  Recomecar();
  ASSERT_EQ(Linhas("SALDOCTB") + Linhas("SALDOCTBMOEDAMENSAL") + Linhas("SALDOGER"), 0);
  Operar(kOperacoes / 2, TModo::Diario);
  EXPECT_EQ(Saldos(), porGatilho);
  EXPECT_EQ(Linhas("LOTESALDOCTB") + Linhas("LOTESALDOGER"), 0);
  EXPECT_TRUE(FComLinhas[TModo::Diario].count("SALDOCTBMOEDA"));

  Recomecar();
  Operar(kOperacoes / 2, TModo::ChavesNovas);
  EXPECT_EQ(Saldos(), porGatilho);
  EXPECT_EQ(Linhas("LOTESALDOCTB") + Linhas("LOTESALDOGER") + Linhas("LOTESALDOFAIXA"), 0);

  // Past the batch the triggers move the balances again.
  Conexao().StartTransaction();
  Inserir();
  Alterar(kLcto);
  Excluir(kLcto);
  Conexao().Commit();
  EXPECT_EQ(Diferencas(), "");
  EXPECT_EQ(Linhas("LOTESALDOCTB"), 0);
}

TEST_P(TBalancePropertyTest, BatchLeftWithoutApplyingCommitsNothing) {
  EXPECT_THROW(TLoteSaldos{Conexao()}, Exception);
  Conexao().StartTransaction();
  {
    TLoteSaldos saldos(Conexao());
    saldos.ChavesNovas(1, 1, 10);
    Inserir();
    Inserir();
  }
  EXPECT_FALSE(Conexao().InTransaction());
  EXPECT_EQ(
      Linhas("LCTOCTB") + Linhas("LOTESALDOCTB") + Linhas("LOTESALDOFAIXA") + Linhas("SALDOCTB"),
      0);
  // The switch went with the transaction: a single entry moves its balances.
  Lancar(1);
  EXPECT_EQ(Linhas("SALDOCTB"), 2);
  EXPECT_EQ(Diferencas(), "");
}

// A block of fresh keys keeps its entries out of the journal; a block over a
// stored entry is not taken, and its new entries go through the journal; a
// block ends with its batch, even when another batch follows in the same
// transaction.
TEST_P(TBalancePropertyTest, FreshKeyBlockSkipsTheJournalAndStoredKeysKeepIt) {
  Conexao().StartTransaction();
  TLoteSaldos saldos(Conexao());
  saldos.ChavesNovas(1, 1, 10);
  Lancar(5);
  Lancar(7);
  EXPECT_EQ(DebitosNoDiario(), "0");
  Lancar(11);
  EXPECT_EQ(DebitosNoDiario(), "12.5");
  saldos.ChavesNovas(1, 11, 20);
  Lancar(12);
  EXPECT_EQ(DebitosNoDiario(), "25");
  saldos.Aplicar();
  TLoteSaldos seguinte(Conexao());
  Lancar(3);
  EXPECT_EQ(DebitosNoDiario(), "12.5");
  seguinte.Aplicar();
  Conexao().Commit();
  EXPECT_EQ(Conexao()
                .ExecuteScalar("select VALORDEB from SALDOCTB where CONTACTB = 1101")
                .AsCurrency()
                .ToString(),
            "62.5");
  EXPECT_EQ(Diferencas(), "");
}

// A block's balance rows go many to a statement: each lands once, whatever
// the count, and a group of nothing adds no row.
TEST_P(TBalancePropertyTest, LongFreshKeyBlockWritesEachBalanceRowOnceAndNoZeroRow) {
  Conexao().StartTransaction();
  TLoteSaldos saldos(Conexao());
  saldos.ChavesNovas(1, 1, 200);
  for (int dia = 0; dia < 150; ++dia)
    Lancar({1, dia + 1, 1, IncDay(EncodeDate(2024, 1, 1), dia), "LN", 1101, 2101, Value(),
            Currency::FromDouble(12.5), Value()});
  Lancar({1, 151, 1, EncodeDate(2024, 1, 1), "LN", 1102, 2102, Value(), Currency(), Value()});
  saldos.Aplicar();
  Conexao().Commit();
  EXPECT_EQ(Linhas("SALDOCTB"), 300);
  EXPECT_EQ(Diferencas(), "");
}

TEST_P(TBalancePropertyTest, CheckFindsCorruptedBalancesAndRebuildRepairsThem) {
  SCOPED_TRACE(fmt::format("semente {} (repita com CTB_SEED={})", FSeed, FSeed));
  Operar(300);
  // Rows to corrupt, whatever the seed drew: a debit of an account no random
  // entry uses, and a currency balance in company 2.
  Lancar({2, 100000, 2, EncodeDate(2025, 4, 10), "LN", 1101, {}, {}, Currency(50), Currency(10)});
  Lancar({1, 100000, 3, EncodeDate(2024, 2, 10), "LN", 999001, {}, {}, Currency(20), {}});
  Conexao().ExecuteDirect(
      "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
      "CONTACTB, DATALCTOCTB, VALORLCTOGER) values (1, 100000, 9, 1, 999001, '2024-02-10', 20), "
      "(2, 100000, 9, 1, 1101, '2025-04-10', 50)");
  ASSERT_EQ(Diferencas(), "");

  // Each balance table broken once: a wrong amount in company 1, lost,
  // invented and changed rows in company 2.
  ASSERT_EQ(Conexao().ExecuteDirect("update SALDOCTB set VALORDEB = VALORDEB + 10 "
                                    "where CODIGOEMPRESA = 1 and CONTACTB = 999001"),
            1);
  ASSERT_EQ(Conexao().ExecuteDirect("update SALDOGER set VALORDEB = VALORDEB + 10 "
                                    "where CODIGOEMPRESA = 1 and CONTACTB = 999001"),
            1);
  ASSERT_GE(Conexao().ExecuteDirect("delete from SALDOGERMENSAL where CODIGOEMPRESA = 2"), 1);
  ASSERT_GE(Conexao().ExecuteDirect("delete from SALDOCTBMOEDA where CODIGOEMPRESA = 2"), 1);
  ASSERT_GE(Conexao().ExecuteDirect("update SALDOCTBMOEDAMENSAL set VALORCRED = VALORCRED - 1 "
                                    "where CODIGOEMPRESA = 2"),
            1);
  Conexao().ExecuteScript(
      "insert into SALDOCTBMENSAL (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, "
      "TIPOLANCAMENTO, VALORDEB, VALORCRED) values (2, 9, 999, '2024-05-01', 'LN', 5, 0);"
      "insert into SALDOCTBMENSALHIST (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, "
      "TIPOLANCAMENTO, CODIGOHISTCTB, VALORDEB, VALORCRED) values (2, 9, 999, '2024-05-01', "
      "'LN', 1, 5, 0);");

  TDbResult diferencas = SchemaInstaller::VerificarSaldos(Conexao());
  std::map<std::string, int> porTabela;
  for (size_t i = 0; i < diferencas.Rows.size(); ++i)
    ++porTabela[diferencas.Get(i, "TABELA").AsString() + "/" +
                diferencas.Get(i, "ORIGEM").AsString() + "/" +
                diferencas.Get(i, "CODIGOEMPRESA").AsString()];
  EXPECT_EQ(porTabela["SALDOCTB/SALDOCTB/1"], 1) << Texto(diferencas);
  EXPECT_EQ(porTabela["SALDOCTB/LCTOCTB/1"], 1);
  EXPECT_GE(porTabela["SALDOCTBMOEDA/LCTOCTB/2"], 1);
  EXPECT_EQ(porTabela["SALDOCTBMENSAL/SALDOCTBMENSAL/2"], 1);
  EXPECT_EQ(porTabela["SALDOCTBMENSALHIST/SALDOCTBMENSALHIST/2"], 1);
  EXPECT_GE(porTabela["SALDOCTBMOEDAMENSAL/LCTOCTB/2"], 1);
  EXPECT_GE(porTabela["SALDOCTBMOEDAMENSAL/SALDOCTBMOEDAMENSAL/2"], 1);
  EXPECT_EQ(porTabela["SALDOGER/SALDOGER/1"], 1);
  EXPECT_EQ(porTabela["SALDOGER/LCTOGER/1"], 1);
  EXPECT_GE(porTabela["SALDOGERMENSAL/LCTOGER/2"], 1);

  // A rebuild of company 1 repairs company 1 only.
  SchemaInstaller::RecalcularSaldos(Conexao(), 1);
  diferencas = SchemaInstaller::VerificarSaldos(Conexao());
  ASSERT_FALSE(diferencas.Rows.empty());
  for (size_t i = 0; i < diferencas.Rows.size(); ++i)
    EXPECT_EQ(diferencas.Get(i, "CODIGOEMPRESA").AsInteger(), 2) << Texto(diferencas);

  SchemaInstaller::RecalcularSaldos(Conexao(), std::nullopt);
  EXPECT_EQ(Diferencas(), "");
}

CTB_INSTANTIATE_ENGINES(TBalancePropertyTest);

}  // namespace
