#include "framework/ctb/TLctoCtb.h"

#include <gtest/gtest.h>

#include <ostream>

#include "framework/db/Nutildb.h"
#include "tests/support/TestDatabases.h"

void PrintTo(const TLctoCtb& l, std::ostream* os) {
  *os << l.CodigoEmpresa << '/' << l.ChaveLctoCtb << " estab " << l.CodigoEstab << " lote "
      << l.CodigoLoteCtb << " data " << l.DataLctoCtb.Days() << ' ' << l.TipoLancamento << " dcto "
      << l.NumeroDcto << " orig " << l.CodigoOrigLctoCtb << ' ' << l.ContaCtbDeb << " -> "
      << l.ContaCtbCred << " hist " << l.CodigoHistCtb << " '" << l.ComplHist << "' cot "
      << l.CotacaoMoeda.ToDouble() << " moeda " << l.ValorLctoMoeda.Raw() << " valor "
      << l.ValorLctoCtb.Raw() << " trans " << l.TransCtb << " origem " << l.OrigemDado;
}

namespace {

// Every column an entry record maps, stored by plain SQL so that a member
// read from the wrong column (or with the wrong width) shows.
constexpr const char* kColunas =
    "CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, CODIGOLOTECTB, DATALCTOCTB, TIPOLANCAMENTO, "
    "NUMERODCTO, CODIGOORIGLCTOCTB, CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, COMPLHIST, "
    "COTACAOMOEDA, VALORLCTOMOEDA, VALORLCTOCTB, TRANSCTB, ORIGEMDADO";

TLctoCtb Completo() {
  TLctoCtb l;
  l.CodigoEmpresa = 7;
  l.ChaveLctoCtb = 11;
  l.CodigoEstab = 3;
  l.CodigoLoteCtb = 13;
  l.DataLctoCtb = EncodeDate(2024, 3, 10);
  l.TipoLancamento = "LS";
  l.NumeroDcto = "NF-17";
  l.CodigoOrigLctoCtb = "CB";
  l.ContaCtbDeb = 5'000'000'001;
  l.ContaCtbCred = 5'000'000'002;
  l.CodigoHistCtb = 19;
  l.ComplHist = "Pagamento";
  l.CotacaoMoeda = TTaxaFixa::FromRaw(512'345'678);
  l.ValorLctoMoeda = Currency::FromRaw(234'500);
  l.ValorLctoCtb = Currency::FromRaw(12'345'678'900);
  l.TransCtb = 9'000'000'001;
  l.OrigemDado = 3;
  return l;
}

// A credit-only entry with every optional column null.
TLctoCtb SoCredito() {
  TLctoCtb l;
  l.CodigoEmpresa = 7;
  l.ChaveLctoCtb = 11;
  l.CodigoEstab = 1;
  l.DataLctoCtb = EncodeDate(2024, 12, 31);
  l.TipoLancamento = "LN";
  l.ContaCtbCred = 102;
  l.ValorLctoCtb = Currency::FromRaw(100);
  l.OrigemDado = 2;
  return l;
}

struct TCaso {
  const char* Nome;
  const char* Valores;  // in kColunas' order
  TLctoCtb (*Esperado)();
  TLctoCtb (*Outro)();  // written over it
};

const TCaso kCasos[] = {
    {"every column its own value",
     "7, 11, 3, 13, '2024-03-10', 'LS', 'NF-17', 'CB', 5000000001, 5000000002, 19, 'Pagamento', "
     "5.12345678, 23.45, 1234567.89, 9000000001, 3",
     Completo, SoCredito},
    {"null columns read as none",
     "7, 11, 1, null, '2024-12-31', 'LN', null, null, null, 102, null, null, null, null, 0.01, "
     "null, 2",
     SoCredito, Completo},
};

using TLctoCtbTest = TSchemaTest;

TEST_P(TLctoCtbTest, ReadsEachMemberFromItsColumnAndWritesItBack) {
  for (const TCaso& caso : kCasos) {
    SCOPED_TRACE(caso.Nome);
    Exec("delete from LCTOCTB");
    Exec(std::string("insert into LCTOCTB (") + kColunas + ") values (" + caso.Valores + ")");
    auto cds = Nutildb::ExecutarSQL(Conexao(), "select * from LCTOCTB");
    ASSERT_FALSE(cds->IsEmpty());
    // A cursor's fields are read-only; here they stand for the module's.
    for (int i = 0; i < cds->FieldCount(); ++i)
      cds->Fields(i).SetReadOnly(false);
    EXPECT_EQ(TLctoCtb::DoRegistro(*cds), caso.Esperado());

    cds->Edit();
    caso.Outro().ParaRegistro(*cds);
    EXPECT_EQ(TLctoCtb::DoRegistro(*cds), caso.Outro());
    EXPECT_EQ(TLctoCtb::DoRegistroAnterior(*cds), caso.Esperado());
  }
}

CTB_INSTANTIATE_ENGINES(TLctoCtbTest);

}  // namespace
