// `ctb db check` through the built program on each engine: the demo books
// pass, and each kind of damage planted by hand is reported, in words and
// in JSON, with exit status 1; `db rebuild-balances` ends with the check.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

class TVerificacaoLivrosProgramaTest : public TCtbDemoTest {
 protected:
  // The kinds `db check --format json` found.
  std::set<std::string> Tipos() {
    EXPECT_EQ(Comando("db check --format json"), 1) << FErro;
    const json saida = json::parse(FSaida);
    std::set<std::string> tipos;
    for (const json& achado : saida["findings"])
      tipos.insert(achado["check"].get<std::string>());
    return tipos;
  }
};

struct TDano {
  const char* Sql;
  const char* Tipo;    // the kind it adds
  const char* Trecho;  // what the table shows of it
};

TEST_P(TVerificacaoLivrosProgramaTest, EachPlantedDamageIsReportedAndACleanBookPasses) {
  ASSERT_EQ(Comando("db check"), 0) << FSaida << FErro;
  EXPECT_EQ(FSaida,
            "Nenhum problema encontrado nas empresas: contas, saldos, débitos e créditos, rateios "
            "e sequências conferem\n");
  // Company 1 keeps no transactions, 2 keeps SPED books (entries 1 to 3 are
  // transaction 1 of 10/01/2025), 3 is an IFRS filer.
  const TDano danos[] = {
      {"update LCTOCTB set CONTACTBDEB = 9999999 where CODIGOEMPRESA = 1 and CHAVELCTOCTB = "
       "(select min(CHAVELCTOCTB) from LCTOCTB where CODIGOEMPRESA = 1)",
       "accounts", "Débito  9999999  não está no plano"},
      {"update LCTOCTB set CONTACTBCRED = (select min(CONTACTB) from PLANOESPEC where "
       "CODIGOEMPRESA = 1 and TIPOCONTA = 1) where CODIGOEMPRESA = 1 and CHAVELCTOCTB = (select "
       "max(CHAVELCTOCTB) from LCTOCTB where CODIGOEMPRESA = 1)",
       "accounts", "sintética: "},
      {"delete from SALDOCTBMENSAL where CODIGOEMPRESA = 1", "balances",
       "mês    lançamentos  01/01/2025       1  1101003    0,00  1.210,01"},
      {"update LCTOCTB set CONTACTBCRED = null where CODIGOEMPRESA = 3", "days",
       "Dias e filiais com débitos diferentes dos créditos: 1"},
      {"update LCTOCTB set TRANSCTB = 3 where CODIGOEMPRESA = 2 and CHAVELCTOCTB = 2",
       "transactions", "1  10/01/2025  1.213,37  1.226,24    (12,87)"},
      {"insert into LCTOGER (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOCENTROCUSTO, NATURLCTOCTB, "
       "CONTACTB, DATALCTOCTB, VALORLCTOGER) values (1, 999999, 101, 1, 4202001, '2025-06-10', 5)",
       "splits", "999999  10/06/2025  centro de custo     101  Débito"},
      {"insert into LCTOATIVDIFERENC (CODIGOEMPRESA, CHAVELCTOCTB, CONTACTB, CODIGOATIVDIF, "
       "NATURLCTOCTB, DATALCTOCTB, VALORLCTOATIV, ORIGEMDADO) values (3, 888888, 4202001, 7, -1, "
       "'2025-06-11', 3, 0)",
       "splits", "888888  11/06/2025  atividade"},
      {"update SEQUENCIAEMPRESA set VALOR = 1 where CODIGOEMPRESA = 2 and NOME = 'GEN_TRANSCTB'",
       "sequences", "transações                  1            36"},
  };
  std::set<std::string> esperados;
  for (const TDano& dano : danos) {
    SCOPED_TRACE(dano.Sql);
    Conexao().ExecuteDirect(dano.Sql);
    esperados.insert(dano.Tipo);
    EXPECT_EQ(Comando("db check"), 1) << FErro;
    EXPECT_NE(FSaida.find(dano.Trecho), std::string::npos) << FSaida;
    EXPECT_EQ(Tipos(), esperados);
  }
  // At most ten rows of a kind, the rest counted; a company's findings only
  // when it is named.
  EXPECT_EQ(Comando("db check --company 1"), 1) << FErro;
  EXPECT_NE(FSaida.find("… e mais 16\n"), std::string::npos) << FSaida;
  EXPECT_EQ(FSaida.find("Empresa 2"), std::string::npos) << FSaida;
  // The rebuild mends the balances and leaves the rest reported.
  EXPECT_EQ(Comando("db rebuild-balances"), 1) << FErro;
  esperados.erase("balances");
  EXPECT_EQ(Tipos(), esperados);
}

CTB_INSTANTIATE_ENGINES(TVerificacaoLivrosProgramaTest);

}  // namespace
