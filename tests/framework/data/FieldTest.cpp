#include "framework/data/Field.h"

#include <gtest/gtest.h>

#include "framework/core/Exceptions.h"
#include "framework/data/ClientDataSet.h"
#include "framework/data/FieldMapper.h"
#include "framework/data/Nutildb.h"
#include "framework/data/Nutilvariants.h"

namespace {

struct TCoerceCase {
  TFieldType Type;
  int Size;
  Value Input;
  std::string Expected;  // AsString of the stored value; "!" = EConvertError
  TValueType StoredType;
};

}  // namespace

TEST(Field, AssignmentCoercesToTheFieldType) {
  const TCoerceCase cases[] = {
      {TFieldType::ftInteger, 0, Value("42"), "42", TValueType::Integer},
      {TFieldType::ftInteger, 0, Value(2.5), "2", TValueType::Integer},
      {TFieldType::ftInteger, 0, Value("abc"), "!", TValueType::Null},
      {TFieldType::ftInteger, 0, Value(""), "", TValueType::Null},
      {TFieldType::ftSmallint, 0, Value(40000), "!", TValueType::Null},
      {TFieldType::ftLargeint, 0, Value("9000000000"), "9000000000", TValueType::Integer},
      {TFieldType::ftFloat, 0, Value("1,5"), "1.5", TValueType::Float},
      {TFieldType::ftBCD, 2, Value(1.005), "1.01", TValueType::Currency},
      {TFieldType::ftBCD, 2, Value("-2.345"), "-2.35", TValueType::Currency},
      {TFieldType::ftBCD, 8, Value(0.123456789), "0.12345679", TValueType::Float},
      {TFieldType::ftString, 3, Value("abcdef"), "abc", TValueType::String},
      // The size counts characters: three ç are kept whole, a fourth is cut whole.
      {TFieldType::ftString, 3, Value("ççç"), "ççç", TValueType::String},
      {TFieldType::ftString, 3, Value("aaçç"), "aaç", TValueType::String},
      {TFieldType::ftString, 5, Value(12), "12", TValueType::String},
      {TFieldType::ftDate, 0, Value(EncodeDateTime(2024, 2, 29, 13, 0, 0)), "29/02/2024",
       TValueType::DateTime},
      {TFieldType::ftDate, 0, Value("2024-13-01"), "!", TValueType::Null},
      {TFieldType::ftBoolean, 0, Value("True"), "True", TValueType::Boolean},
  };
  for (const TCoerceCase& c : cases) {
    TnClientDataSet ds;
    ds.AddField("CAMPO", c.Type, c.Size);
    ds.CreateDataSet();
    ds.Append();
    TField& field = ds.FieldByName("CAMPO");
    SCOPED_TRACE(std::string(FieldTypeName(c.Type)) + " <- " + c.Input.DebugString());
    if (c.Expected == "!") {
      try {
        field.SetValue(c.Input);
        FAIL() << "accepted";
      } catch (const EConvertError& e) {
        EXPECT_NE(e.Message().find("CAMPO"), std::string::npos) << e.Message();
      }
      EXPECT_TRUE(field.IsNull());
      continue;
    }
    field.SetValue(c.Input);
    EXPECT_EQ(field.AsString(), c.Expected);
    EXPECT_EQ(field.AsValue().Type(), c.StoredType);
  }
}

TEST(Field, ValidateSeesTheNewValueAndARefusalRestoresTheOld) {
  TnClientDataSet ds;
  ds.AddField("VALOR", TFieldType::ftInteger);
  ds.CreateDataSet();
  TField& valor = ds.FieldByName("VALOR");
  std::string log;
  valor.OnValidate = [&](TField& f) {
    log += "validate:" + f.AsString() + " ";
    if (f.AsInteger() < 0)
      throw Exception("negativo");
  };
  valor.OnChange = [&](TField& f) { log += "change:" + f.AsString() + " "; };
  ds.Append();
  valor.SetAsInteger(5);
  EXPECT_THROW(valor.SetAsInteger(-1), Exception);
  EXPECT_EQ(valor.AsInteger(), 5);
  EXPECT_EQ(log, "validate:5 change:5 validate:-1 ");
}

TEST(Field, TextHandlersAndDisplayFormat) {
  TnClientDataSet ds;
  ds.AddField("VALOR", TFieldType::ftBCD, 2);
  ds.AddField("CONTA", TFieldType::ftLargeint);
  ds.CreateDataSet();
  TField& valor = ds.FieldByName("VALOR");
  TField& conta = ds.FieldByName("CONTA");
  valor.SetDisplayFormat("#,##0.00");
  conta.OnSetText = [](TField& f, const std::string& text) { f.SetAsString("1" + text); };
  conta.OnGetText = [](TField& f, std::string& text, bool display) {
    text = (display ? "D" : "E") + f.AsString();
  };
  ds.Append();
  valor.SetAsFloat(1234.5);
  conta.SetText("23");
  EXPECT_EQ(valor.DisplayText(), "1.234,50");
  EXPECT_EQ(valor.Text(), "1234.5");
  EXPECT_EQ(conta.DisplayText(), "D123");
  EXPECT_EQ(conta.Text(), "E123");
  TField::SetDisplayFormatter(
      [](const Value& v, const std::string& f, TFieldType) { return f + "|" + v.AsString(); });
  EXPECT_EQ(valor.DisplayText(), "#,##0.00|1234.5");
  TField::SetDisplayFormatter(nullptr);
  EXPECT_EQ(valor.DisplayText(), "1.234,50");
}

TEST(Field, DefinitionKeepsPropertiesAndOverriddenNamesOnce) {
  TnClientDataSet ds;
  ds.AddField("CONTACTBDEB", TFieldType::ftLargeint);
  TnFieldDefinicao& def = ds.FieldByName("CONTACTBDEB").GetDefinicao();
  for (const char* name : {"GrupoNome", "Colunas", "GrupoNome"})
    def.AddPropriedadeAlterada(name);
  def.SetPropriedade("GrupoNome", "Debite");
  EXPECT_EQ(def.PropriedadesAlteradas(), (std::vector<std::string>{"GrupoNome", "Colunas"}));
  EXPECT_EQ(def.Propriedade("GrupoNome").AsString(), "Debite");
  EXPECT_TRUE(def.Propriedade("Colunas").IsNull());
}

TEST(Helpers, MapCloneValuesAndInclusion) {
  TnClientDataSet ds;
  ds.AddField("CONTA", TFieldType::ftLargeint);
  ds.AddField("NOME", TFieldType::ftString, 20);
  ds.CreateDataSet();
  ds.AppendRecord({10, "D'Avila"});
  ds.AppendRecord({20, "B"});
  ds.AppendRecord({10, "C"});

  struct TMap {
    TField* CONTA = nullptr;
    TField* NOME = nullptr;
    TField* FALTA = nullptr;
    Nfieldmapper_u::TFieldBindings Bindings() {
      return {{"CONTA", &CONTA}, {"NOME", &NOME}, {"FALTA", &FALTA, true}};
    }
  } map;
  Nfieldmapper_u::FieldMapper::MapearFields(ds, map);
  EXPECT_EQ(map.NOME, &ds.FieldByName("NOME"));
  EXPECT_EQ(map.FALTA, nullptr);
  TField* missing = nullptr;
  EXPECT_THROW(Nfieldmapper_u::FieldMapper::MapearFields(ds, {{"FALTA", &missing}}), Exception);

  ds.First();
  ds.Next();
  ValueArray contas = Nutildb::GetFieldRecordValues(ds, "CONTA");
  EXPECT_EQ(ds.FieldByName("CONTA").AsInteger(), 20);  // the cursor did not move
  EXPECT_EQ(Nutilvariants::MontarInclusao(contas), "10,20");
  EXPECT_EQ(Nutilvariants::MontarInclusao(Nutildb::GetFieldRecordValues(ds, "NOME")),
            "'D''Avila','B','C'");
  EXPECT_EQ(Nutildb::GetCurrentRecordValues(ds, "NOME;CONTA"), (ValueArray{"B", 20}));

  auto copy = Nutildb::CloneCDS(ds);
  copy->First();
  copy->Edit();
  copy->FieldByName("NOME").SetAsString("X");
  copy->Post();
  EXPECT_EQ(copy->RecordCount(), 3);
  EXPECT_EQ(copy->ChangeCount(), 1);
  ds.First();
  EXPECT_EQ(ds.FieldByName("NOME").AsString(), "D'Avila");
}
