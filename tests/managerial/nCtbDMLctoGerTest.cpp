#include <gtest/gtest.h>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include "framework/core/Decimal.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "managerial/nCtbDMLctoGer_U.h"
#include "tests/entries/ResultadoRegra.h"
#include "tests/managerial/TSplitsTest.h"

namespace {

class TLctoGerTest : public TSplitsTest {};

// ---- The remainder rule of each apportionment ----

// The screen's insertion, and the six- and the seven-argument ones.
enum class TGeracao { Tela, SeisArgumentos, SeteArgumentos };
using enum TGeracao;

// The rates of cost centres 10, 20 and 30 on account 401, the debit amount
// of entry 7 on 10/03/2024, and the "centre=value" of each row typed by the
// system.
struct TCasoRateio {
  TGeracao Geracao;
  std::vector<double> Percentuais;
  const char* Valor;
  const char* Esperado;
};

const TCasoRateio kCasosRateio[] = {
    {Tela, {33.33, 33.33, 33.34}, "100", "10=33.33 20=33.33 30=33.34"},  // the last takes the cent
    {Tela, {33.33, 33.33, 33.33}, "100", "10=33.33 20=33.33 30=33.33"},  // thirds leave no rest
    {Tela, {33.34, 33.33, 33.33}, "0.10", "10=0.03 20=0.03 30=0.04"},    // the rest to the largest
    {Tela, {97, 2, 1}, "0.10", "10=0.1"},  // a cent at least, then a negative difference
    {SeisArgumentos, {33.33, 33.33, 33.34}, "100", "10=33.33 20=33.33 30=33.34"},  // 100 less rest
    {SeisArgumentos, {33.33, 33.33, 33.34}, "10", "10=3.33 20=3.33 30=3.34"},  // rest, not share
    {SeisArgumentos, {33.33, 33.33, 33.33}, "100", "10=33.33 20=33.33 30=33.33"},
    {SeteArgumentos,
     {33.33, 33.33, 33.33},
     "100",
     "10=33.33 20=33.33 30=33.34"},  // last takes rest
};

TEST_P(TLctoGerTest, ApportionsEachSideByItsOverloadsRemainderRule) {
  const TDateTime data = EncodeDate(2024, 3, 10);
  for (const TCasoRateio& caso : kCasosRateio) {
    SCOPED_TRACE("kCasosRateio[" + std::to_string(&caso - kCasosRateio) + "]");
    Executar("delete from RATCENTROCUSTO");
    Executar("delete from LCTOGER");
    for (size_t i = 0; i < caso.Percentuais.size(); ++i)
      Taxas({{401, static_cast<int64_t>(10 * (i + 1)), caso.Percentuais[i]}});
    const Currency valor = Currency::FromString(caso.Valor);
    std::unique_ptr<TnCtbDMLctoGer> gerencial = Gerencial(valor);
    if (caso.Geracao == Tela)
      gerencial->InserirLctoGerAuto();
    else if (caso.Geracao == SeisArgumentos)
      gerencial->InserirLctoGer(1, 7, 1, 401, data, valor);
    else {
      Conexao().StartTransaction();
      gerencial->InserirLctoGer(valor, 1, 7, 1, 401, data, "");
      Conexao().Commit();
    }
    std::string esperado;
    for (const std::string& linha : Nutil::StrToStrArray(caso.Esperado, " "))
      Nutil::Add(esperado, "1:401:" + linha + "/1 10/03/2024", ", ");
    EXPECT_EQ(Gerenciais(7), esperado);
  }
}

// ---- The same rules against exact arithmetic ----

// The model below restates each remainder rule on whole cents and rates in
// hundred-millionths of a percent, rounding with its own long division, so
// no step of the module's arithmetic is borrowed.
constexpr int64_t kCentrosModelo[] = {10, 20, 30, 40, 50};
constexpr Int128 kCentavosPorParte = 10'000'000'000;  // cents x rate / 10^10

// n / d (d > 0) to the nearest integer; a half goes to the even neighbour
// or away from zero.
int64_t Arredondado(Int128 n, Int128 d, bool metadeParaPar) {
  const bool negativo = n < 0;
  const Int128 m = negativo ? -n : n;
  Int128 q = m / d;
  const Int128 dobroResto = 2 * (m - q * d);
  if (dobroResto > d || (dobroResto == d && (!metadeParaPar || q % 2 != 0)))
    ++q;
  return static_cast<int64_t>(negativo ? -q : q);
}

struct TTaxaModelo {
  int64_t Centro;
  int64_t Percentual;  // hundred-millionths of a percent
};

// Centre -> cents of the screen's apportionment: largest rate first, the
// first share under a cent lifted to one, nothing below a cent kept; when
// the rates rounded to hundredths make 100 %, the difference goes to the
// highest centre, which leaves when it drops to nothing.
std::map<int64_t, int64_t> ModeloTela(int64_t centavos, std::vector<TTaxaModelo> taxas) {
  std::sort(taxas.begin(), taxas.end(),
            [](const TTaxaModelo& a, const TTaxaModelo& b) { return a.Percentual > b.Percentual; });
  std::map<int64_t, int64_t> linhas;
  int64_t centesimos = 0;
  bool umCentavo = false;
  for (const TTaxaModelo& taxa : taxas) {
    centesimos += Arredondado(taxa.Percentual, 1'000'000, false);
    const Int128 parte = static_cast<Int128>(centavos) * taxa.Percentual;
    int64_t valor = Arredondado(parte, kCentavosPorParte, false);
    if (parte > 0 && parte < kCentavosPorParte && !umCentavo) {
      valor = 1;
      umCentavo = true;
    }
    if (valor > 0)
      linhas[taxa.Centro] = valor;
  }
  if (centesimos == 10'000 && !linhas.empty()) {
    int64_t soma = 0;
    for (const auto& [centro, valor] : linhas)
      soma += valor;
    int64_t& ultima = linhas.rbegin()->second;
    ultima += centavos - soma;
    if (ultima <= 0)
      linhas.erase(linhas.rbegin()->first);
  }
  return linhas;
}

// Centre -> cents of the direct apportionments, in the rates' order, shares
// rounded half to even; the last of two or more rates takes what the others
// left, always or only when the rates so far round to 100 %.
std::map<int64_t, int64_t> ModeloDireto(int64_t centavos, const std::vector<TTaxaModelo>& taxas,
                                        bool sempreResto) {
  std::map<int64_t, int64_t> linhas;
  int64_t accPerc = 0;
  int64_t accValor = 0;
  for (size_t i = 0; i < taxas.size(); ++i) {
    const bool ultima = i + 1 == taxas.size() && taxas.size() >= 2;
    const bool chega = Arredondado(accPerc + taxas[i].Percentual, 1'000'000, true) >= 10'000;
    const int64_t valor = ultima && (sempreResto || chega)
                              ? centavos - accValor
                              : Arredondado(static_cast<Int128>(centavos) * taxas[i].Percentual,
                                            kCentavosPorParte, true);
    accPerc += taxas[i].Percentual;
    accValor += valor;
    linhas[taxas[i].Centro] = valor;
  }
  return linhas;
}

std::string LinhasModelo(const std::map<int64_t, int64_t>& linhas) {
  std::string texto;
  for (const auto& [centro, centavos] : linhas)
    Nutil::Add(texto,
               fmt::format("1:401:{}={}/1 10/03/2024", centro,
                           Currency::FromRaw(centavos * (Currency::kScale / 100)).ToString()),
               ", ");
  return texto;
}

// Distinct positive parts of `total`, as many as `n` (the screen's order
// among equal rates is no rule of its).
std::vector<int64_t> Partes(std::mt19937_64& sorteio, int64_t total, size_t n) {
  for (;;) {
    std::set<int64_t> cortes;
    while (cortes.size() + 1 < n)
      cortes.insert(std::uniform_int_distribution<int64_t>(1, total - 1)(sorteio));
    std::vector<int64_t> partes;
    int64_t anterior = 0;
    for (int64_t corte : cortes) {
      partes.push_back(corte - anterior);
      anterior = corte;
    }
    partes.push_back(total - anterior);
    if (std::set<int64_t>(partes.begin(), partes.end()).size() == partes.size())
      return partes;
  }
}

// Amounts of 1 to 15 digits (as many as a stored amount keeps) over rates
// in steps of 2.5 % (shares that fall on half a cent, where the two
// roundings part), rates in hundredths and rates of eight places that make
// 100 %, and rates that miss 100 % by up to a hundredth; each side through
// the three generations and read back from the database.
TEST_P(TLctoGerTest, ApportionmentsMatchExactArithmeticOnRandomAmountsAndRates) {
  const char* semente = std::getenv("CTB_SEED");
  const uint64_t seed = semente ? std::strtoull(semente, nullptr, 10) : std::random_device{}();
  SCOPED_TRACE(fmt::format("semente {} (repita com CTB_SEED={})", seed, seed));
  std::mt19937_64 sorteio(seed);
  Executar(
      "insert into CENTROCUSTO (CODIGOEMPRESA, CODIGOCENTROCUSTO, DESCRCENTROCUSTO, "
      "TIPOCENTROCUSTO) values (1, 40, 'Fábrica', 2), (1, 50, 'Frota', 2)");
  const TDateTime data = EncodeDate(2024, 3, 10);
  constexpr int kCasos = 100;
  for (int caso = 0; caso < kCasos && !HasFailure(); ++caso) {
    const int digitos = std::uniform_int_distribution<int>(1, 15)(sorteio);
    int64_t menor = 1;
    for (int i = 1; i < digitos; ++i)
      menor *= 10;
    const int64_t centavos = std::uniform_int_distribution<int64_t>(menor, menor * 10 - 1)(sorteio);
    const size_t n = std::uniform_int_distribution<size_t>(1, std::size(kCentrosModelo))(sorteio);
    // Each form: the total its parts make and the rate of one part.
    constexpr std::pair<int64_t, int64_t> kFormas[] = {
        {40, 250'000'000}, {10'000, 1'000'000}, {10'000'000'000, 1}};
    const size_t forma = std::uniform_int_distribution<size_t>(0, std::size(kFormas))(sorteio);
    const auto [total, unidade] =
        forma < std::size(kFormas)
            ? kFormas[forma]
            : std::pair<int64_t, int64_t>{10'000'000'000 + std::uniform_int_distribution<int64_t>(
                                                               -1'000'000, 1'000'000)(sorteio),
                                          1};
    const std::vector<int64_t> partes = Partes(sorteio, total, n);
    std::vector<TTaxaModelo> taxas;
    Executar("delete from RATCENTROCUSTO");
    for (size_t i = 0; i < n; ++i) {
      taxas.push_back({kCentrosModelo[i], partes[i] * unidade});
      Taxas({{401, taxas.back().Centro, static_cast<double>(taxas.back().Percentual) / 1e8}});
    }
    const Currency valor = Currency::FromRaw(centavos * (Currency::kScale / 100));
    SCOPED_TRACE(
        fmt::format("caso {}: {} centavos, taxas {}", caso, centavos, fmt::join(partes, " ")));
    for (const TGeracao geracao : {Tela, SeisArgumentos, SeteArgumentos}) {
      Executar("delete from LCTOGER");
      std::unique_ptr<TnCtbDMLctoGer> gerencial = Gerencial(valor);
      if (geracao == Tela) {
        gerencial->InserirLctoGerAuto();
      } else if (geracao == SeisArgumentos) {
        gerencial->InserirLctoGer(1, 7, 1, 401, data, valor);
      } else {
        Conexao().StartTransaction();
        gerencial->InserirLctoGer(valor, 1, 7, 1, 401, data, "");
        Conexao().Commit();
      }
      const std::map<int64_t, int64_t> esperado =
          geracao == Tela ? ModeloTela(centavos, taxas)
                          : ModeloDireto(centavos, taxas, geracao == SeteArgumentos);
      EXPECT_EQ(Gerenciais(7), LinhasModelo(esperado)) << static_cast<int>(geracao);
    }
  }
}

// ---- Through the journal-entry module ----

TEST_P(TLctoGerTest, PostedEntryGetsItsSplitsAndANewAmountKeepsTheTypedRows) {
  Taxas({{401, 10, 50}, {401, 20, 30}, {401, 30, 20}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "100.00");
  EXPECT_EQ(Gerenciais(chave),
            "1:401:10=50/1 10/03/2024, 1:401:20=30/1 10/03/2024, 1:401:30=20/1 10/03/2024");
  Executar("update LCTOGER set ORIGEMDADO = 2, VALORLCTOGER = 40 where CODIGOCENTROCUSTO = 10");
  lancamentos.Refresh();
  Editar(lancamentos, chave, {{"VALORLCTOCTB", "200.00"}});
  // The typed row stays; the automatic rows are apportioned again and the
  // last of them takes what the rates leave of the amount.
  EXPECT_EQ(Gerenciais(chave),
            "1:401:10=40/2 10/03/2024, 1:401:20=60/1 10/03/2024, 1:401:30=140/1 10/03/2024");
}

// A new date moves the rows; a new account deletes the old side's rows.
TEST_P(TLctoGerTest, DateAndAccountChangesMoveTheRows) {
  Taxas({{401, 10, 60}, {401, 20, 40}, {402, 20, 100}});
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "10.00");
  Editar(lancamentos, chave, {{"DATALCTOCTB", "2024-04-02"}});
  EXPECT_EQ(Gerenciais(chave), "1:401:10=6/1 02/04/2024, 1:401:20=4/1 02/04/2024");
  Editar(lancamentos, chave, {{"CONTACTBDEB", "402"}});
  EXPECT_EQ(Gerenciais(chave), "1:402:20=10/1 02/04/2024");
  Editar(lancamentos, chave, {{"CONTACTBDEB", "101"}, {"CONTACTBCRED", "402"}});
  EXPECT_EQ(Gerenciais(chave), "-1:402:20=10/1 02/04/2024");
}

TEST_P(TLctoGerTest, DeleteRemovesTheEntrysSplits) {
  Taxas({{401, 10, 100}});
  Executar(
      "insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
      "CONTACTB, DATALCTOCTB, VALORLCTOGER, ORIGEMDADO) values (1, 999, 10, 1, 401, "
      "'2024-03-10', 5, 1)");
  TnCtbDMLctoCtb& lancamentos = Lancamentos();
  const int64_t chave = Postar(lancamentos, 401, 101, "25.00");
  ASSERT_NE(Gerenciais(chave), "");
  ASSERT_TRUE(lancamentos.nClientDataSet.Locate("CHAVELCTOCTB", {Value(chave)}));
  lancamentos.nClientDataSet.Delete();
  EXPECT_EQ(Gerenciais(chave), "");
  EXPECT_EQ(Gerenciais(999), "1:401:10=5/1 10/03/2024");
}

// ---- Row validation ----

// A row of cost centre `Centro` and `Valor` on 10/03/2024, after `Preparar`,
// refused on `Campo` with `Mensagem`.
struct TCasoValidacao {
  const char* Nome;
  const char* Preparar;  // SQL run first ("" for none)
  int64_t Centro;
  const char* Valor;
  const char* Campo;
  const char* Mensagem;
};

const char* const kSintetico =
    "O centro de custo informado é sintético! Informe um centro de custo analítico.";
const TCasoValidacao kCasosValidacao[] = {
    {"CentroDeOutraEmpresa", "", 99, "10", "VALORLCTOGER",
     "O Centro de Custo informado para esta tabela contábil, é diferente do configurado!"},
    {"EmpresaSemCentroDeCusto", "update CFGEMPRESACTB set UTILCENTROCUSTO = '0'", 10, "10",
     "CODIGOCENTROCUSTO", "A empresa não utiliza centro de custo!"},
    {"AntesDoInicioDosCentros", "update CFGEMPRESACTB set INICIOUTILCENTROCUSTO = '2024-06-01'", 10,
     "10", "CODIGOCENTROCUSTO",
     "A data do lançamento é anterior à data inicial de utilização de centro de custo da "
     "empresa!"},
    {"ValorZero", "", 10, "0", "VALORLCTOGER", "O valor do lançamento deve ser maior que zero!"},
    {"CentroSintetico", "", 1, "10", "CODIGOCENTROCUSTO", kSintetico},
    {"CentroSemTipo", "update CENTROCUSTO set TIPOCENTROCUSTO = null where CODIGOCENTROCUSTO = 20",
     20, "10", "CODIGOCENTROCUSTO", kSintetico},
};

TEST_P(TLctoGerTest, RefusesRowsWithTheirMessages) {
  for (const TCasoValidacao& caso : kCasosValidacao) {
    SCOPED_TRACE(caso.Nome);
    Conexao().StartTransaction();
    if (*caso.Preparar != '\0')
      Executar(caso.Preparar);
    std::unique_ptr<TnCtbDMLctoGer> gerencial = Gerencial(Currency(10));
    TnClientDataSet& cds = gerencial->nClientDataSet;
    cds.Append();
    cds.FieldByName("CODIGOCENTROCUSTO").SetAsInteger(caso.Centro);
    cds.FieldByName("DATALCTOCTB").SetText("2024-03-10");
    cds.FieldByName("VALORLCTOGER").SetText(caso.Valor);
    EXPECT_EQ(ResultadoDe([&] { cds.Post(); }), Campo(caso.Campo, caso.Mensagem));
    cds.Cancel();
    Conexao().RollBack();
    EXPECT_EQ(Contar("select count(*) from LCTOGER"), 0);
  }
}

TEST_P(TLctoGerTest, NewRowStartsWithWhatIsLeftToSplitAndClosingAsksAboutADifference) {
  std::unique_ptr<TnCtbDMLctoGer> gerencial = Gerencial(Currency(1000));
  TnClientDataSet& cds = gerencial->nClientDataSet;
  cds.Append();
  cds.FieldByName("CODIGOCENTROCUSTO").SetAsInteger(10);
  cds.FieldByName("VALORLCTOGER").SetText("600");
  cds.Post();
  cds.Append();
  EXPECT_EQ(cds.FieldByName("VALORLCTOGER").AsString(), "400");
  cds.Cancel();
  Responder({"Não"});
  EXPECT_FALSE(gerencial->CadastroOnCloseQuery());
}

// The rates are read with the side's company: a side moved to company 2,
// which keeps no cost centres, apportions nothing; back on company 1 it
// takes company 1's rates again.
TEST_P(TLctoGerTest, ApportionsByTheRatesOfTheSidesCompany) {
  Taxas({{401, 10, 100}});
  std::unique_ptr<TnCtbDMLctoGer> gerencial = Gerencial(Currency(10));
  gerencial->SetApplyUpdatesManual(true);
  TLadoLctoCtb lado = gerencial->Lado();
  for (const auto& [empresa, linhas] : {std::pair{2, 0}, {1, 1}}) {
    SCOPED_TRACE(empresa);
    lado.Lcto.CodigoEmpresa = empresa;
    gerencial->SetLado(lado);
    gerencial->InserirLctoGerAuto();
    EXPECT_EQ(gerencial->nClientDataSet.RecordCount(), linhas);
  }
}

CTB_INSTANTIATE_ENGINES(TLctoGerTest);

}  // namespace
