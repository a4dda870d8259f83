// The posting engine on the split modules' company 1 (accounts 401 and 402
// take cost centres 10, 20 and 30; 101 does not), on every engine.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/Nutil.h"
#include "posting/nDMContabilizaContabil_U.h"
#include "tests/managerial/TSplitsTest.h"

namespace {

struct TLcto {
  double Chave;
  double Deb;
  double Cred;
  const char* Valor;
  int64_t Estab = 1;
};

struct TGer {
  double Chave;
  int Natureza;
  double Centro;
  const char* Valor;
};

void Preencher(TnDMContabilizaContabil& engine, const std::vector<TLcto>& lctos,
               const std::vector<TGer>& gers = {}) {
  for (const TLcto& l : lctos) {
    TnClientDataSet& cds = engine.cdsLctoCtb;
    cds.Append();
    cds.FieldByName("CodigoEmpresa").SetAsInteger(1);
    cds.FieldByName("ChaveLctoCtb").SetAsFloat(l.Chave);
    cds.FieldByName("CodigoEstab").SetAsInteger(l.Estab);
    cds.FieldByName("DataLctoCtb").SetAsDateTime(EncodeDate(2024, 3, 10));
    cds.FieldByName("ContaCtbDeb").SetAsFloat(l.Deb);
    cds.FieldByName("ContaCtbCred").SetAsFloat(l.Cred);
    cds.FieldByName("CodigoHistCtb").SetAsInteger(4);
    cds.FieldByName("ValorLctoCtb").SetText(l.Valor);
    cds.Post();
  }
  for (const TGer& g : gers) {
    TnClientDataSet& cds = engine.cdsLctoGer;
    cds.Append();
    cds.FieldByName("CodigoEmpresa").SetAsInteger(1);
    cds.FieldByName("ChaveLctoCtb").SetAsFloat(g.Chave);
    cds.FieldByName("CodigoCentroCusto").SetAsFloat(g.Centro);
    cds.FieldByName("NaturLctoCtb").SetAsInteger(g.Natureza);
    cds.FieldByName("ContaCtb").SetAsFloat(401);
    cds.FieldByName("DataLctoCtb").SetAsDateTime(EncodeDate(2024, 3, 10));
    cds.FieldByName("ValorLctoGer").SetText(g.Valor);
    cds.Post();
  }
}

// "key:transaction" of each input row, in key order.
std::string Transacoes(TnDMContabilizaContabil& engine) {
  TnClientDataSet& cds = engine.cdsLctoCtb;
  cds.SetIndexFieldNames("ChaveLctoCtb");
  std::string texto;
  for (cds.First(); !cds.Eof(); cds.Next())
    Nutil::Add(
        texto,
        cds.FieldByName("ChaveLctoCtb").AsString() + ":" + cds.FieldByName("TransCTB").AsString(),
        " ");
  return texto;
}

TEST(TnDMContabilizaContabilTransacao, BalancedGroupsShareANumberAndDoubleEntriesFollow) {
  TSessaoDeTeste sessao;
  struct TCaso {
    const char* Nome;
    std::vector<TLcto> Lctos;
    const char* Esperado;
  };
  const TCaso casos[] = {
      {"double entry first in key order",
       {{1, 101, 401, "50.00"}, {2, 401, 0, "100.00"}, {3, 0, 101, "100.00"}},
       "1:2 2:1 3:1"},
      {"double entry last: its number skips the one drawn after the group",
       {{1, 401, 0, "100.00"}, {2, 0, 101, "100.00"}, {3, 101, 401, "50.00"}},
       "1:1 2:1 3:3"},
      {"only double entries", {{1, 101, 401, "1.00"}, {2, 402, 101, "2.00"}}, "1:2 2:3"},
      {"an unbalanced group keeps its number open",
       {{1, 401, 0, "100.00"}, {2, 0, 101, "60.00"}, {3, 0, 101, "40.00"}, {4, 402, 0, "5.00"}},
       "1:1 2:1 3:1 4:2"},
      {"a group a few cents short stays open",
       {{1, 401, 0, "10.00"}, {2, 0, 101, "9.96"}, {3, 402, 0, "5.00"}},
       "1:1 2:1 3:1"},
      {"establishment orders before the key",
       {{1, 401, 0, "10.00", 2}, {2, 0, 101, "10.00", 1}, {3, 401, 0, "10.00", 1}},
       "1:2 2:1 3:1"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    TnDMContabilizaContabil engine;
    Preencher(engine, caso.Lctos);
    engine.ConfigurarTransacao();
    EXPECT_EQ(Transacoes(engine), caso.Esperado);
  }
}

class TnDMContabilizaContabilTest : public TSplitsTest {
 protected:
  void SetUp() override {
    TSplitsTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    FEngine.SetConexao(&Conexao());
    FEngine.SetMsgLista(&FMensagens);
    FEngine.SetMsgExibir(true);
  }
  // What Contabilizar raised; "" when nothing.
  std::string Contabilizar() {
    return MensagemDoErro([&] { FEngine.Contabilizar(); });
  }
  // "caller key>new key" of each result, "!" for a refused entry.
  std::string Chaves() {
    std::string texto;
    for (const TnResultadoContabilizacao& r : FEngine.Resultados())
      Nutil::Add(texto,
                 std::to_string(static_cast<int64_t>(r.ChaveLctoCtb)) + ">" +
                     (r.Recusado ? "!" : std::to_string(static_cast<int64_t>(r.ChaveLctoCtbNovo))),
                 " ");
    return texto;
  }

  TnDMContabilizaContabil FEngine;
  TnListaMensagem FMensagens;
};

TEST_P(TnDMContabilizaContabilTest, RefusedEntryIsReportedByItsKeyAndTheRestIsPosted) {
  Preencher(FEngine, {{70, 401, 101, "10.00"}, {71, 401, 401, "20.00"}, {72, 402, 101, "30.00"}},
            {{70, 1, 10, "10.00"}, {71, 1, 20, "20.00"}, {72, 1, 30, "30.00"}});
  EXPECT_EQ(Contabilizar(), "Problemas encontrados: 1");
  EXPECT_EQ(FEngine.ControleErros(), 1);
  EXPECT_EQ(Chaves(), "70>1 71>! 72>3") << FMensagens.Texto();
  const TnResultadoContabilizacao& recusado = FEngine.Resultados()[1];
  ASSERT_EQ(recusado.Mensagens.size(), 1u);
  EXPECT_EQ(recusado.Mensagens[0].Tipo, TTipoMensagem::tmErro);
  EXPECT_EQ(FMensagens.Count(), 1u) << "no success message after a failure";
  EXPECT_EQ(Contar("select count(*) from LCTOCTB"), 2);
  EXPECT_EQ(Gerenciais(1), "1:401:10=10/3 10/03/2024");
  EXPECT_EQ(Gerenciais(3), "1:401:30=30/3 10/03/2024") << "the input row's own account";
  EXPECT_EQ(Contar("select count(*) from LCTOGER where CHAVELCTOCTB = 2"), 0);
}

TEST_P(TnDMContabilizaContabilTest, ManagerialRowsOutsideTheAccountsOrRepeatedAreSkipped) {
  Preencher(FEngine, {{5, 401, 101, "90.00"}, {6, 401, 0, "1.00"}, {7, 0, 401, "1.00"}},
            {{5, 1, 10, "40.00"},
             {5, 1, 10, "45.00"},
             {5, 1, 20, "50.00"},
             {5, -1, 30, "90.00"},
             {6, -1, 10, "1.00"}});
  EXPECT_EQ(Contabilizar(), "");
  EXPECT_EQ(Chaves(), "5>1 6>2 7>3");
  EXPECT_EQ(Gerenciais(1), "1:401:10=40/3 10/03/2024, 1:401:20=50/3 10/03/2024");
  EXPECT_EQ(Contar("select count(*) from LCTOGER where CHAVELCTOCTB <> 1"), 0);
  const std::vector<TnMensagem>& msgs = FEngine.Resultados()[0].Mensagens;
  ASSERT_EQ(msgs.size(), 1u) << "the credit side's account 0 of entry 6 is silent";
  EXPECT_EQ(msgs[0].Tipo, TTipoMensagem::tmAviso);
  EXPECT_EQ(msgs[0].Texto,
            "Conta Contábil sem Distribuição Gerencial! Conta Contábil = 101. Lançamento "
            "ignorado...");
  EXPECT_EQ(FMensagens.Mensagens().back().Texto, "Lançamentos contabilizados com sucesso!");
}

// The tree's texts, a node a line, indented under its parent.
std::string Arvore(const std::vector<std::unique_ptr<TnNoMensagem>>& nos,
                   const std::string& recuo = "") {
  std::string texto;
  for (const auto& no : nos)
    texto += recuo + no->Texto + "\n" + Arvore(no->Filhos, recuo + "  ");
  return texto;
}

TEST_P(TnDMContabilizaContabilTest, TreeTakesTheRunUnderTheCallersNodeOnlyWithoutAFlatList) {
  TnArvoreMensagem arvore;
  FEngine.SetMsgTreeLista(&arvore);
  FEngine.SetMsgItem(arvore.Add(nullptr, TTipoMensagem::tmInformacao, "Folha"));
  Preencher(FEngine, {{5, 401, 101, "90.00"}}, {{5, -1, 30, "90.00"}});
  EXPECT_EQ(Contabilizar(), "");
  EXPECT_EQ(Arvore(arvore.Nos()), "Folha\n") << "the flat list, when given, takes them all";
  FEngine.LimparCDS();
  FEngine.SetMsgLista(nullptr);
  Preencher(FEngine, {{6, 401, 101, "90.00"}}, {{6, -1, 30, "90.00"}});
  EXPECT_EQ(Contabilizar(), "");
  EXPECT_EQ(Arvore(arvore.Nos()),
            "Folha\n"
            "  Lançamento 6 da empresa 1\n"
            "    Linha gerencial do centro de custo 30 a crédito\n"
            "      Conta Contábil sem Distribuição Gerencial! Conta Contábil = 101. Lançamento "
            "ignorado...\n"
            "  Lançamentos contabilizados com sucesso!\n");
}

TEST_P(TnDMContabilizaContabilTest, ApportionedSideKeepsItsRatesOverAGivenRow) {
  Taxas({{401, 10, 60}, {401, 20, 40}});
  Preencher(FEngine, {{1, 401, 101, "100.00"}}, {{1, 1, 10, "5.00"}, {1, 1, 30, "7.00"}});
  EXPECT_EQ(Contabilizar(), "");
  EXPECT_EQ(Gerenciais(1),
            "1:401:10=60/1 10/03/2024, 1:401:20=40/1 10/03/2024, 1:401:30=7/3 10/03/2024");
}

TEST_P(TnDMContabilizaContabilTest, KeyTakenBeforeTheWriteIsReplacedAndLogged) {
  Preencher(FEngine, {{8, 401, 101, "10.00"}, {9, 402, 101, "20.00"}}, {{8, 1, 10, "10.00"}});
  // Another writer stores key 1 while the batch is being posted.
  FEngine.GetProgresso().SetOnAtualizar([&](const TnFraProgresso& progresso) {
    if (progresso.Texto() == "Processando Lançamentos..." &&
        progresso.Posicao() == progresso.Maximo())
      Executar(
          "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
          "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, VALORLCTOCTB) values (1, 1, "
          "1, '2024-03-01', 'LN', 101, 402, 4, 1)");
  });
  EXPECT_EQ(Contabilizar(), "");
  EXPECT_TRUE(FEngine.KeyviolComAutoInc());
  EXPECT_EQ(Chaves(), "8>3 9>2");
  ASSERT_EQ(FEngine.cdsLctoCtbErroPK.RecordCount(), 1);
  EXPECT_EQ(FEngine.cdsLctoCtbErroPK.FieldByName("ChaveLctoCtb").AsInteger(), 1);
  EXPECT_EQ(FEngine.cdsLctoCtbErroPK.FieldByName("ChaveLctoCtbNovo").AsInteger(), 3);
  EXPECT_EQ(Contar("select VALORLCTOCTB from LCTOCTB where CHAVELCTOCTB = 3"), 10);
  EXPECT_EQ(Gerenciais(3), "1:401:10=10/3 10/03/2024");
  EXPECT_EQ(Gerenciais(1), "");
}

TEST_P(TnDMContabilizaContabilTest, ReconcileOptionMarksThePostedSides) {
  FEngine.SetConciliarAuto(true);
  Preencher(FEngine, {{1, 401, 0, "10.00"}, {2, 0, 101, "10.00"}});
  EXPECT_EQ(Contabilizar(), "");
  // The debit-only entry reconciles its debit, the credit-only one its credit.
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where (CHAVELCTOCTB = 1 and LCTOCONCILDEB = '1' "
                   "and LCTOCONCILCRED = '0') or (CHAVELCTOCTB = 2 and LCTOCONCILCRED = '1' and "
                   "LCTOCONCILDEB = '0')"),
            2);
}

CTB_INSTANTIATE_ENGINES(TnDMContabilizaContabilTest);

}  // namespace
