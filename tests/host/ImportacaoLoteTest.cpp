// `ctb import entries` writes a batch's rows together and draws its keys a
// block at a time: what the database keeps must be what one row at a time
// kept, on each engine.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/TCtbPrograma.h"

namespace {

class TImportacaoLoteTest : public TCtbDemoTest {
 protected:
  std::vector<int64_t> ChavesDoLote() {
    std::vector<int64_t> chaves;
    for (const ValueArray& linha :
         Conexao()
             .ExecuteQuery("select CHAVELCTOCTB from LCTOCTB where COMPLHIST like 'lote%' "
                           "order by CHAVELCTOCTB")
             .Rows)
      chaves.push_back(linha[0].AsInteger() - FUltimaAntes);
    return chaves;
  }
  int64_t FUltimaAntes = 0;
};

// Refused rows take no key: the stored rows follow each other and the
// sequence ends at the last key stored, so the next entry typed follows it.
TEST_P(TImportacaoLoteTest, KeysFollowTheSequenceAndRefusedRowsWriteNothing) {
  struct TCaso {
    std::vector<std::string> Valores;
    std::vector<int64_t> Chaves;  // after the last key before the import
    const char* Relatorio;
  };
  const TCaso casos[] = {
      {{"5.00", "6.00", "7.00"}, {1, 2, 3}, "3 linhas gravadas, 0 recusadas\n"},
      {{"5.00", "0", "7.00", "0"},
       {1, 2},
       "linha 3: VALORLCTOCTB: O valor do lançamento deve ser maior que zero!\n"
       "linha 5: VALORLCTOCTB: O valor do lançamento deve ser maior que zero!\n"
       "2 linhas gravadas, 2 recusadas\n"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Relatorio);
    Conexao().ExecuteDirect("delete from LCTOCTB where COMPLHIST like 'lote%'");
    FUltimaAntes = Contar("select max(CHAVELCTOCTB) from LCTOCTB where CODIGOEMPRESA = 1");
    std::string csv =
        "CODIGOESTAB,TIPOLANCAMENTO,DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,CODIGOHISTCTB,"
        "COMPLHIST,VALORLCTOCTB\n";
    for (const std::string& valor : caso.Valores)
      csv += "1,LN,2025-08-01,1101001,1101002,3,lote," + valor + "\n";
    Escrever("l.csv", csv);
    Comando("import entries l.csv --company 1");
    EXPECT_EQ(FSaida, caso.Relatorio);
    EXPECT_EQ(ChavesDoLote(), caso.Chaves);
    ASSERT_EQ(Post(LancamentoDemo()), 0) << FSaida;
    EXPECT_EQ(ChavePostada(), FUltimaAntes + static_cast<int64_t>(caso.Chaves.size()) + 1);
    EXPECT_EQ(Contar("select count(*) from LCTOCTB where VALORLCTOCTB = 0"), 0);
  }
}

CTB_INSTANTIATE_ENGINES(TImportacaoLoteTest);

}  // namespace
