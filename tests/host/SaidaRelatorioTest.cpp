// The reports' writers and the period and group helpers they stand on.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/FormatFloat.h"
#include "host/reports/RelatorioContabil.h"
#include "host/reports/SaidaRelatorio.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"

namespace {

using ComandoBalancete::TFormato;
using SaidaRelatorio::TCelula;
using SaidaRelatorio::TColuna;
using SaidaRelatorio::TTipoColuna;

// What one cell becomes in each format (a one-column report, header and
// table title lines left out).
std::string Celula(TFormato formato, const TCelula& celula, TTipoColuna tipo) {
  std::ostringstream saida;
  auto escritor = SaidaRelatorio::Criar(formato, {{"C", "Coluna", tipo, 1}}, saida, "", "");
  escritor->Titulo("t");
  escritor->Linha({celula});
  escritor->Fechar();
  std::string texto = saida.str();
  const size_t inicio = formato == TFormato::Tabela ? texto.rfind('\n', texto.size() - 2) + 1
                        : formato == TFormato::Csv  ? texto.find('\n') + 1
                                                    : texto.find("\"C\": ") + 5;
  texto = texto.substr(inicio);
  if (formato == TFormato::Csv)  // a quoted cell may hold a line break
    return texto.substr(0, texto.size() - 1);
  return texto.substr(0, texto.find_first_of(formato == TFormato::Json ? "}" : "\n"));
}

TEST(SaidaRelatorio, EachFormatSpellsEachKindOfCell) {
  struct TCaso {
    TCelula Valor;
    TTipoColuna Tipo;
    const char* Tabela;
    const char* Csv;
    const char* Json;
  };
  const TCaso casos[] = {
      {Currency::FromString("-1234.5"), TTipoColuna::Valor, "(1.234,50)", "-1234.50", "-1234.50"},
      {Currency::FromString("0.07"), TTipoColuna::Valor, "0,07", "0.07", "0.07"},
      {int64_t{42}, TTipoColuna::Inteiro, "42", "42", "42"},
      {EncodeDate(2025, 3, 10), TTipoColuna::Data, "10/03/2025", "2025-03-10", "\"2025-03-10\""},
      {std::string("a,\"b\""), TTipoColuna::Texto, "a,\"b\"", "\"a,\"\"b\"\"\"", "\"a,\\\"b\\\"\""},
      {std::string("x\ny\x1b"), TTipoColuna::Texto, "x\\ny\\x1b", "\"x\ny\x1b\"",
       "\"x\\ny\\u001b\""},
      {std::monostate{}, TTipoColuna::Valor, "", "", "null"},
  };
  for (const TCaso& caso : casos) {
    EXPECT_EQ(Celula(TFormato::Tabela, caso.Valor, caso.Tipo), caso.Tabela) << caso.Csv;
    EXPECT_EQ(Celula(TFormato::Csv, caso.Valor, caso.Tipo), caso.Csv) << caso.Csv;
    EXPECT_EQ(Celula(TFormato::Json, caso.Valor, caso.Tipo), caso.Json) << caso.Csv;
  }
}

// The writers spell amounts themselves, row after row; they must spell them
// as the general number format does, rounding and signs included.
TEST(SaidaRelatorio, AmountsAreSpelledAsTheNumberFormatSpellsThem) {
  for (const char* texto : {"0", "0.0049", "0.005", "0.0051", "0.07", "0.995", "999.9949",
                            "999.995", "1000", "123456.78", "1234567.891", "92233720368.5477"}) {
    for (const Currency valor : {Currency::FromString(texto), -Currency::FromString(texto)}) {
      std::string ponto = FormatFloat("0.00", valor);
      std::replace(ponto.begin(), ponto.end(), ',', '.');
      EXPECT_EQ(Celula(TFormato::Tabela, valor, TTipoColuna::Valor),
                FormatFloat(kFormatoValorBalancete, valor))
          << valor.ToString();
      EXPECT_EQ(Celula(TFormato::Csv, valor, TTipoColuna::Valor), ponto) << valor.ToString();
      EXPECT_EQ(SaidaRelatorio::ValorTabela(valor), FormatFloat(kFormatoValorBalancete, valor))
          << valor.ToString();
    }
  }
}

TEST(SaidaRelatorio, TableAlignsFixedColumnsAndLeavesHiddenOnesOut) {
  std::ostringstream saida;
  auto escritor = SaidaRelatorio::Criar(TFormato::Tabela,
                                        {{"OCULTA", "Oculta", TTipoColuna::Texto, 0},
                                         {"VALOR", "Valor", TTipoColuna::Valor, 8},
                                         {"TEXTO", "Histórico", TTipoColuna::Texto, 1}},
                                        saida, "", "");
  escritor->Titulo("Conta 1");
  escritor->Linha({std::string("x"), Currency(5), std::string("Caixa")});
  escritor->Titulo("Conta 2");
  escritor->Nota("fim");
  escritor->Fechar();
  EXPECT_EQ(saida.str(),
            "Conta 1\n"
            "   Valor  Histórico\n"
            "--------  ---------\n"
            "    5,00  Caixa\n"
            "\n"
            "Conta 2\n"
            "   Valor  Histórico\n"
            "--------  ---------\n"
            "fim\n");
}

TEST(SaidaRelatorio, MachineFormatsCarryNoTitleAndAnEmptyReportStaysValid) {
  const std::vector<TColuna> colunas = {{"A", "a", TTipoColuna::Inteiro, 3}};
  for (const auto& [formato, esperado] :
       {std::pair{TFormato::Csv, "A\n"}, std::pair{TFormato::Json, "[]\n"}}) {
    std::ostringstream saida;
    auto escritor = SaidaRelatorio::Criar(formato, colunas, saida, "", "");
    escritor->Titulo("título");
    escritor->Nota("nota");
    escritor->Fechar();
    EXPECT_EQ(saida.str(), esperado);
  }
}

TEST(RelatorioContabil, MonthsSplitThePeriodAtMonthEnds) {
  struct TCaso {
    TDateTime De, Ate;
    std::vector<std::pair<TDateTime, TDateTime>> Meses;
  };
  const TCaso casos[] = {
      {EncodeDate(2025, 1, 15),
       EncodeDate(2025, 3, 10),
       {{EncodeDate(2025, 1, 15), EncodeDate(2025, 1, 31)},
        {EncodeDate(2025, 2, 1), EncodeDate(2025, 2, 28)},
        {EncodeDate(2025, 3, 1), EncodeDate(2025, 3, 10)}}},
      {EncodeDate(2024, 12, 31),
       EncodeDate(2025, 1, 1),
       {{EncodeDate(2024, 12, 31), EncodeDate(2024, 12, 31)},
        {EncodeDate(2025, 1, 1), EncodeDate(2025, 1, 1)}}},
      {EncodeDate(2025, 2, 1), EncodeDate(2025, 1, 31), {}},
  };
  for (const TCaso& caso : casos)
    EXPECT_EQ(RelatorioContabil::Meses(caso.De, caso.Ate), caso.Meses) << DateToIso(caso.De);
}

TEST(RelatorioContabil, GroupsHoldTheirOwnLevelsOnly) {
  struct TCaso {
    const char* Classif;
    const char* Grupo;
    bool Sob;
  };
  const TCaso casos[] = {
      {"1.1.01", "1.1", true}, {"1.1", "1.1", true}, {"1.10", "1.1", false},
      {"1", "1.1", false},     {"2.1", "1", false},  {"1.1.01.001", "1", true},
  };
  for (const TCaso& caso : casos)
    EXPECT_EQ(RelatorioContabil::SobGrupo(caso.Classif, caso.Grupo), caso.Sob)
        << caso.Classif << " em " << caso.Grupo;
}

}  // namespace
