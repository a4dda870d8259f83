#pragma once
// The schema on each engine with a session over it, whose settings caches
// the tests read, and a sample chart of four levels shared by the tests.

#include <string>

#include "framework/ctb/Nctbsfuncoes.h"
#include "tests/support/TestDatabases.h"

class TCtbBancoTest : public TSchemaTest {
 protected:
  // Company 1: four levels under assets, a liability whose third level is
  // missing, and a revenue account outside every nature group.
  void CriarPlanoExemplo(int empresa = 1) {
    struct TConta {
      int Conta;
      const char* Classif;
      const char* Descr;
      int Tipo;
      const char* Apelido;
    };
    const TConta contas[] = {
        {1, "1", "ATIVO", 1, nullptr},
        {2, "1.1", "ATIVO CIRCULANTE", 1, nullptr},
        {3, "1.1.01", "DISPONIVEL", 1, nullptr},
        {4, "1.1.01.001", "CAIXA", 2, "CX"},
        {5, "1.1.01.002", "BANCO", 2, "Banco1"},
        {6, "2", "PASSIVO", 1, nullptr},
        {7, "2.1", "PASSIVO CIRCULANTE", 1, nullptr},
        {8, "2.1.01.001", "FORNECEDOR X", 2, nullptr},
        {9, "2.2.01.001", "ADIANTAMENTO A CLIENTES", 2, nullptr},
        {10, "3.1.01.001", "RECEITA", 2, nullptr},
        {11, "2.2.02.001", "OUTRAS OBRIGACOES", 2, nullptr},
    };
    for (const TConta& c : contas)
      Exec(
          "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
          "APELIDOCONTA) values (:pEmp, :pConta, :pClassif, :pDescr, :pTipo, :pApelido)",
          {{"pEmp", empresa},
           {"pConta", c.Conta},
           {"pClassif", c.Classif},
           {"pDescr", c.Descr},
           {"pTipo", c.Tipo},
           {"pApelido", c.Apelido ? Value(c.Apelido) : Value()}});
    // "2.2" is a debit-nature group inside the credit-nature "2".
    for (auto [grupo, natureza] :
         {std::pair{"1", 1}, std::pair{"2", -1}, std::pair{"2.2", 1}, std::pair{"2.2.01.0", -1}})
      Exec(
          "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (:pEmp, "
          ":pGrupo, :pNat)",
          {{"pEmp", empresa}, {"pGrupo", grupo}, {"pNat", natureza}});
  }
};
