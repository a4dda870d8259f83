// The splits of an entry through the built `ctb` program, on each engine:
// what `entry post` keys on the managerial and activity screens an entry
// offers, and the splits the demo loads.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

class TSplitsProgramaTest : public TCtbDemoTest {
 protected:
  // An entry of 99.00 on an expense account apportioned 60/25/15 over cost
  // centres 201, 202 and 301.
  static json Despesa() {
    json documento = LancamentoDemo();
    documento["fields"]["CONTACTBDEB"] = 4203001;
    return documento;
  }
  // The debit splits of the entry posted last, or of every entry on the
  // apportioned account outside the demo's own.
  std::string Gerenciais() {
    const std::string chave = FResultado.contains("entry")
                                  ? " and CHAVELCTOCTB = " + std::to_string(ChavePostada())
                                  : " and DATALCTOCTB = '2025-08-11'";
    return FormatarLinhas(
        "select CODIGOCENTROCUSTO, VALORLCTOGER, ORIGEMDADO from LCTOGER where CODIGOEMPRESA = 1 "
        "and NATURLCTOCTB = 1" +
        chave + " order by CODIGOCENTROCUSTO");
  }
  std::string FormatarLinhas(const std::string& sql) {
    std::string texto;
    const TDbResult linhas = Conexao().ExecuteQuery(sql);
    for (const ValueArray& linha : linhas.Rows)
      texto += (texto.empty() ? "" : ", ") + linha[0].AsString() + "=" +
               linha[1].AsCurrency().Rounded(2).ToString() + "/" + linha[2].AsString();
    return texto;
  }
};

// Typed splits of an apportioned account are stored once every centre is
// analytic; a refused split names itself and leaves nothing.
TEST_P(TSplitsProgramaTest, TypedSplitsAreStoredOrRefusedNamingTheSplit) {
  json documento = Despesa();
  documento["managerial"] = {{"debit",
                              {{{"CODIGOCENTROCUSTO", 201}, {"VALORLCTOGER", "60.00"}},
                               {{"CODIGOCENTROCUSTO", 2}, {"VALORLCTOGER", "39.00"}}}}};
  Recusa(documento,
         "Lançamento gerencial a débito 2: O centro de custo informado é sintético! Informe um "
         "centro de custo analítico.",
         "CODIGOCENTROCUSTO");
  EXPECT_EQ(FResultado.value("lado", ""), "D");
  EXPECT_EQ(FResultado.value("tipo", ""), "gerencial");
  EXPECT_EQ(FResultado.value("linha", 0), 2);
  EXPECT_EQ(Gerenciais(), "");
  documento["managerial"]["debit"][1]["CODIGOCENTROCUSTO"] = 202;
  ASSERT_EQ(Post(documento), 0) << FSaida;
  EXPECT_EQ(Gerenciais(), "201=60/2, 202=39/2");
  // An account without apportionment offers no split screen.
  json semRateio = LancamentoDemo();
  semRateio["managerial"] = {{"credit", {{{"CODIGOCENTROCUSTO", 201}, {"VALORLCTOGER", "9"}}}}};
  Recusa(semRateio,
         "Lançamento gerencial a crédito: o lançamento não oferece esta tela para a conta a "
         "crédito");
}

// Once cost centres are listed for an account (through `ctb record`, which
// takes only analytic ones), a split of it on any other is refused.
TEST_P(TSplitsProgramaTest, AccountTakesOnlyTheCostCentresListedForIt) {
  const auto listar = [&](const std::string& centros) {
    const json registro = {{"op", "insert"},
                           {"company", 1},
                           {"fields", {{"CONTACTB", 4203001}, {"CENTROSCUSTO", centros}}}};
    return Ctb({"record", "TnCtbDMCentroCustoConta", "post"}, registro.dump());
  };
  for (const auto& [centros, recusa] :
       {std::pair{"201;2", "O centro de custo 2 não é um centro de custo analítico da empresa 1."},
        {"201;x", "x"}}) {
    EXPECT_EQ(listar(centros), 1) << FSaida;
    EXPECT_NE(FSaida.find(recusa), std::string::npos) << FSaida;
  }
  ASSERT_EQ(listar("201-202"), 0) << FSaida << FErro;
  json documento = Despesa();
  documento["managerial"] = {{"debit",
                              {{{"CODIGOCENTROCUSTO", 201}, {"VALORLCTOGER", "60.00"}},
                               {{"CODIGOCENTROCUSTO", 301}, {"VALORLCTOGER", "39.00"}}}}};
  Recusa(documento,
         "Lançamento gerencial a débito 2: O Centro de Custo informado para esta tabela contábil, "
         "é diferente do configurado!",
         "VALORLCTOGER");
  documento["managerial"]["debit"][1]["CODIGOCENTROCUSTO"] = 202;
  ASSERT_EQ(Post(documento), 0) << FSaida;
  EXPECT_EQ(Gerenciais(), "201=60/2, 202=39/2");
}

// A correction's rows replace the side's typed rows, deleted on the split
// screen as a person deletes them; a correction without them, or refused,
// leaves the side as it was.
TEST_P(TSplitsProgramaTest, CorrectionReplacesTheSideTypedRows) {
  json documento = Despesa();
  documento["managerial"] = {{"debit",
                              {{{"CODIGOCENTROCUSTO", 201}, {"VALORLCTOGER", "60.00"}},
                               {{"CODIGOCENTROCUSTO", 202}, {"VALORLCTOGER", "39.00"}}}}};
  ASSERT_EQ(Post(documento), 0) << FSaida;
  const int64_t chave = ChavePostada();
  const json correcao = {{"op", "edit"}, {"company", 1}, {"key", chave}};
  json semSplits = correcao;
  semSplits["fields"] = {{"COMPLHIST", "corrigido"}};
  ASSERT_EQ(Post(semSplits), 0) << FSaida;
  EXPECT_EQ(Gerenciais(), "201=60/2, 202=39/2");
  json recusada = correcao;
  recusada["managerial"] = {{"debit", {{{"CODIGOCENTROCUSTO", 2}, {"VALORLCTOGER", "99"}}}}};
  Recusa(recusada,
         "Lançamento gerencial a débito 1: O centro de custo informado é sintético! Informe um "
         "centro de custo analítico.",
         "CODIGOCENTROCUSTO");
  FResultado = {{"entry", {{"CHAVELCTOCTB", chave}}}};
  EXPECT_EQ(Gerenciais(), "201=60/2, 202=39/2");
  json substituta = correcao;
  substituta["managerial"] = {{"debit",
                               {{{"CODIGOCENTROCUSTO", 202}, {"VALORLCTOGER", "50.00"}},
                                {{"CODIGOCENTROCUSTO", 301}, {"VALORLCTOGER", "49.00"}}}}};
  ASSERT_EQ(Post(substituta), 0) << FSaida;
  EXPECT_EQ(Gerenciais(), "202=50/2, 301=49/2");
}

TEST_P(TSplitsProgramaTest, RedoActionApportionsTheSideOverItsRates) {
  json documento = Despesa();
  documento["managerial"] = {{"redo", {"debit"}}};
  documento["answers"] = {"Sim"};
  ASSERT_EQ(Post(documento), 0) << FSaida;
  EXPECT_EQ(FResultado["questions"][0]["text"], "Deseja refazer os lançamentos automáticos?");
  EXPECT_EQ(Gerenciais(), "201=59.4/1, 202=24.75/1, 301=14.85/1");
}

TEST_P(TSplitsProgramaTest, DemoEntriesOnApportionedAccountsCarryTheirSplits) {
  ASSERT_EQ(Ctb({"demo", "--entries", "600", "--replace"}), 0) << FErro;
  // Every side on an apportioned account is split to the cent.
  for (const char* lado : {"DEB", "CRED"}) {
    const std::string natureza = std::string(lado) == "DEB" ? "1" : "-1";
    const std::string naConta = std::string("L.CONTACTB") + lado +
                                " in (select CONTACTB from RATCENTROCUSTO R where "
                                "R.CODIGOEMPRESA = L.CODIGOEMPRESA)";
    const std::string soma =
        "round(coalesce((select sum(G.VALORLCTOGER) from LCTOGER G where G.CODIGOEMPRESA = "
        "L.CODIGOEMPRESA and G.CHAVELCTOCTB = L.CHAVELCTOCTB and G.NATURLCTOCTB = " +
        natureza + "), 0), 2)";
    if (natureza == "1") {
      EXPECT_GT(Contar("select count(*) from LCTOCTB L where L.CODIGOEMPRESA = 1 and " + naConta),
                50);
    }
    EXPECT_EQ(Contar("select count(*) from LCTOCTB L where L.CODIGOEMPRESA in (1, 3) and " +
                     naConta + " and " + soma + " <> round(L.VALORLCTOCTB, 2)"),
              0);
  }
  EXPECT_EQ(Contar("select count(*) from LCTOGER where CODIGOEMPRESA = 1 and ORIGEMDADO = 2"), 24);
  // The IFRS company details its revenue and payroll by activity, each row
  // on a stored entry of the same date.
  EXPECT_GT(Contar("select count(*) from LCTOATIVDIFERENC where CODIGOEMPRESA = 3"), 0);
  EXPECT_EQ(Contar("select count(*) from LCTOATIVDIFERENC A where not exists (select 1 from "
                   "LCTOCTB L where L.CODIGOEMPRESA = A.CODIGOEMPRESA and L.CHAVELCTOCTB = "
                   "A.CHAVELCTOCTB and L.DATALCTOCTB = A.DATALCTOCTB)"),
            0);
  EXPECT_EQ(Contar("select count(*) from LCTOATIVDIFERENC where CODIGOEMPRESA = 3 and "
                   "CODIGOATIVDIF = 2 and DATALCTOCTB < '2025-07-01'"),
            0);
}

CTB_INSTANTIATE_ENGINES(TSplitsProgramaTest);

}  // namespace
