#include "framework/ctb/HistoricoPadrao.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

constexpr int64_t kCaixa = 101, kAgua = 202, kSemDescricao = 303;

// Every token kind, read from the entry or from the complement's parts, and
// the complement's own text around them; 15/01/2025 so that the month
// before is in the year before.
TEST(HistoricoPadrao, FillsEveryTokenFromTheComplementOrTheEntry) {
  const struct {
    const char* Historico;
    const char* Complemento;
    const char* Esperado;
    int64_t Debito = kCaixa;
    int64_t Credito = kAgua;
  } casos[] = {
      // Nothing stored: the entry's accounts and date.
      {"Recebimento de [DICTEXTOCONTACRED]", "", "Recebimento de Água e Esgoto"},
      {"Conta de [DICTEXTOCONTACREDLOWER]", "", "Conta de água e esgoto"},
      {"[DICTEXTOCONTACREDUPPER] pago", "", "ÁGUA E ESGOTO pago"},
      {"Pagamento a [DICTEXTOCONTADEB]", "", "Pagamento a Caixa Geral"},
      {"Suprimento do [DICTEXTOCONTADEBLOWER]", "", "Suprimento do caixa geral"},
      {"Tarifas [DICTEXTOCONTADEBUPPER]", "", "Tarifas CAIXA GERAL"},
      {"Salários ref. [DICDATAMESANOANTERIOR]", "", "Salários ref. 12/2024"},
      {"Folha ref. [dicDataMesAnoAtual]", "", "Folha ref. 01/2025"},
      // What the entry screen stored, and a part a person edited, are kept.
      {"Pagamento a [DICTEXTOCONTADEB] ref. [DICDATAMESANOATUAL]", "Caixa Geral|01/2025|",
       "Pagamento a Caixa Geral ref. 01/2025"},
      {"Pagamento a [DICTEXTOCONTADEB] ref. [DICDATAMESANOATUAL]", "Caixa da loja 2|13º salário|",
       "Pagamento a Caixa da loja 2 ref. 13º salário"},
      // Parts missing or left empty: the entry fills those tokens.
      {"Pagamento a [DICTEXTOCONTADEB] ref. [DICDATAMESANOATUAL]", "Caixa da loja|",
       "Pagamento a Caixa da loja ref. 01/2025"},
      {"Pagamento a [DICTEXTOCONTADEB] ref. [DICDATAMESANOATUAL]", " |05/2024|",
       "Pagamento a Caixa Geral ref. 05/2024"},
      // The complement's own text: all of it without a "|", else what
      // follows the tokens' parts.
      {"Pagamento de [DICTEXTOCONTADEBLOWER]", "IPTU - recibo 0246",
       "Pagamento de caixa geral IPTU - recibo 0246"},
      {"Pagamento de [DICTEXTOCONTADEBLOWER]", "aluguel|NF 12|parcela 2",
       "Pagamento de aluguel NF 12|parcela 2"},
      {"Tarifa bancária", "pacote|março", "Tarifa bancária pacote|março"},
      {"", "NF 77", "NF 77"},
      // What has no value leaves no bracket and no double blank.
      {"Taxa [DICOUTRO] anual", "", "Taxa anual"},
      {"Saldo [DICDATAMESANOATUAL", "", "Saldo"},
      {"Pagamento a [DICTEXTOCONTADEB]", "", "Pagamento a", 0},
      {"Recebimento de [DICTEXTOCONTACRED]", "", "Recebimento de 303", kCaixa, kSemDescricao},
  };
  const std::map<int64_t, std::string> descricoes = {{kCaixa, "Caixa Geral"},
                                                     {kAgua, "Água e Esgoto"}};
  const auto descricao = [&](int64_t conta) {
    auto it = descricoes.find(conta);
    return it == descricoes.end() ? std::string() : it->second;
  };
  for (const auto& caso : casos) {
    const HistoricoPadrao::TLancamento lancamento = {caso.Debito, caso.Credito,
                                                     EncodeDate(2025, 1, 15)};
    EXPECT_EQ(HistoricoPadrao::Texto(caso.Historico, caso.Complemento, lancamento, descricao),
              caso.Esperado)
        << caso.Historico << " / " << caso.Complemento;
  }
}

// A suggestion list names what each token will hold, whatever its case.
TEST(HistoricoPadrao, ModelShowsEachTokenInWords) {
  EXPECT_EQ(HistoricoPadrao::Modelo("Pagamento a [DICTEXTOCONTADEBUPPER] de [DICTEXTOCONTACRED] "
                                    "ref. [dicDataMesAnoAnterior]/[DICDATAMESANOATUAL] [DICOUTRO]"),
            "Pagamento a (conta a débito) de (conta a crédito) ref. (mês anterior)/(mês do "
            "lançamento) [DICOUTRO]");
}

}  // namespace
