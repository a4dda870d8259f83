// The chart cursor of the balance process. The filter fragments the
// repositories share are checked through their figures in
// nCtbRepositorioSaldoCtbTest.

#include "balances/nCtbRepositorioSaldoCtbBase_U.h"

#include "balances/nCtbRepositorioSaldoCtb_U.h"
#include "framework/core/Exceptions.h"
#include "tests/balances/TBalancesTest.h"

namespace {

class TPlanoEspecTest : public TBalancesTest {
 protected:
  // The accounts of the chart cursor, in its order.
  std::string Contas(const TnParansSaldoCtb& p) {
    auto plano = FRepositorio.CriarPlanoEspec(p);
    std::string texto;
    for (plano->First(); !plano->Eof(); plano->Next())
      texto += (texto.empty() ? "" : " ") + plano->FieldByName("CONTACTB").AsString();
    return texto;
  }

  TnCtbRepositorioSaldoCtb FRepositorio;
};

TEST_P(TPlanoEspecTest, SelectionBringsSubordinatesOfTheBookAndTotallingChoice) {
  const auto soc = TnTipoSaldoCtb::tscSocietario;
  const auto fis = TnTipoSaldoCtb::tscFiscal;
  const std::tuple<const char*, const char*, const char*, TnTipoSaldoCtb, bool, const char*>
      casos[] = {
          {"sem seleção, só analíticas", "", "", soc, false, "11 12 13 14 21 22 31"},
          {"sem seleção, com sintéticas", "", "", soc, true,
           "1 2 3 4 5 6 7 8 9 11 12 13 14 21 22 31"},
          {"sintética traz subordinadas", "3", "", soc, true, "3 11 12"},
          {"sem totalizar só as analíticas abaixo", "3", "", soc, false, "11 12"},
          {"livro societário deixa a conta fiscal de fora", "4", "", soc, true, "4 5 13"},
          {"livro fiscal deixa a conta societária de fora", "4", "", fis, true, "4 5 14"},
          {"livro fiscal sem totalizar", "4", "", fis, false, "14"},
          {"analítica sozinha", "21;31", "", soc, true, "21 31"},
          {"classificação", "", "2.1", soc, true, "7 8 21 22"},
          {"conta ou classificação", "31", "2.1.01", soc, true, "8 21 22 31"},
          {"intervalo de contas", "11-13", "", soc, false, "11 12 13"},
      };
  for (const auto& [nome, contaCtb, classifConta, livro, totalizar, contas] : casos) {
    SCOPED_TRACE(nome);
    TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(3, 31), false, livro);
    p.ContaCtb = contaCtb;
    p.ClassifConta = classifConta;
    p.TotalizarSintetica = totalizar;
    EXPECT_EQ(Contas(p), contas);
  }
}

// A language replaces the descriptions it has and leaves the others.
TEST_P(TPlanoEspecTest, ChartCursorHasTheChartColumnsIsIndexedOnTheAccountAndSpeaksTheLanguage) {
  Exec(
      "insert into PLANOESPECIDIOMA (CODIGOEMPRESA, CONTACTB, CODIGOIDIOMA, DESCRCONTA) values "
      "(1, 11, 2, 'CASH')");
  TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(3, 31));
  p.CodigoIdioma = 2;
  auto plano = FRepositorio.CriarPlanoEspec(p);
  std::string campos;
  for (int i = 0; i < plano->FieldCount(); ++i)
    campos += plano->Fields(i).FieldName() + ";";
  EXPECT_EQ(campos,
            "CONTACTB;TIPOCONTA;CLASSIFCONTA;DESCRCONTA;TIPOCONTACALC;TIPOCOTACAO;"
            "APELIDOCONTA;");
  EXPECT_EQ(plano->IndexFieldNames(), "CONTACTB");
  ASSERT_TRUE(plano->FindKey({Value(int64_t{21})}));
  EXPECT_EQ(plano->FieldByName("CLASSIFCONTA").AsString(), "2.1.01.001");
  EXPECT_EQ(plano->FieldByName("DESCRCONTA").AsString(), "FORNECEDOR A");
  EXPECT_EQ(plano->FieldByName("APELIDOCONTA").AsString(), "A21");
  EXPECT_EQ(plano->ChangeCount(), 0);
  ASSERT_TRUE(plano->FindKey({Value(int64_t{11})}));
  EXPECT_EQ(plano->FieldByName("DESCRCONTA").AsString(), "CASH");
}

TEST_P(TPlanoEspecTest, BalanceSheetRestrictionKeepsMarkedAccountsOnlyWhenSomeAreMarked) {
  TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(3, 31));
  p.ConsiderarEntraBalanco = true;
  EXPECT_EQ(Contas(p), "11 12 13 14 21 22 31");
  Exec("update PLANOESPEC set ENTRABALANCO = '1' where CONTACTB in (11, 21)");
  EXPECT_EQ(Contas(p), "11 21");
}

TEST_P(TPlanoEspecTest, LongAccountListBecomesRangesAndSelectsTheSameAccounts) {
  std::string lista = "11;12";
  for (int conta = 5000; conta <= 6000; ++conta)
    lista += ";" + std::to_string(conta);
  TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(3, 31));
  p.ContaCtb = lista;
  EXPECT_NE(FRepositorio.GetSqlPlanoEspec(p).find("between"), std::string::npos);
  EXPECT_EQ(Contas(p), "11 12");
}

TEST_P(TPlanoEspecTest, FailureIsReportedAsChartStructureProblemWithOriginalMessage) {
  TnParansSaldoCtb p = Parans(Dia(1, 1), Dia(3, 31));
  p.ContaCtb = "abc";
  const std::string prefixo =
      "Problema durante a criação da estrutura do Plano de Contas!\r\nMensagem Original: ";
  const std::string texto = MensagemDoErro([&] { FRepositorio.CriarPlanoEspec(p); });
  EXPECT_EQ(texto.substr(0, prefixo.size()), prefixo);
  EXPECT_GT(texto.size(), prefixo.size());
  // The repository stays usable.
  p.ContaCtb = "21";
  EXPECT_EQ(Contas(p), "21");
}

CTB_INSTANTIATE_ENGINES(TPlanoEspecTest);

}  // namespace
