// The built `ctb` program on a real database of each engine, run as its
// users run it: every rights rule, the company access rule and each defect
// found by trying to break it, proven by what the program prints and what it
// leaves in the database. The global options go after the command's name
// here (the other suite puts them first).

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

// The suite's own fixture: other program-level suites derive theirs from
// TCtbProgramaTest and instantiate it under their own name.
class TCtbMotoresTest : public TCtbProgramaTest {};

TEST_P(TCtbMotoresTest, DireitoLctoCtbLimitsToTheUserWindowOnlyWithoutLevel8) {
  Demo();
  EXPECT_EQ(Post(LancamentoDemo("2025-03-11"), 2), 1);
  EXPECT_EQ(FResultado["result"], "refused");
  EXPECT_EQ(FResultado["field"], "DATALCTOCTB");
  EXPECT_EQ(FResultado["message"],
            "A data do lançamento está fora do período permitido ao usuário: de 01/07/2025 a "
            "31/12/2025!");
  EXPECT_EQ(Post(LancamentoDemo("2025-08-11"), 2), 0) << FSaida;
  EXPECT_EQ(Post(LancamentoDemo("2025-03-11"), 1), 0) << FSaida;
}

TEST_P(TCtbMotoresTest, DireitoLctoIgualLevel8PostsTheSameEntryWithoutAsking) {
  Demo();
  const json duas = json::array({LancamentoDemo(), LancamentoDemo()});
  EXPECT_EQ(Post(duas, 1), 0) << FSaida;
  EXPECT_TRUE(FResultado[1]["questions"].empty());
  EXPECT_EQ(Post(duas, 2), 1);
  EXPECT_EQ(FResultado[1]["result"], "question");
  EXPECT_EQ(FResultado[1]["questions"].back()["text"],
            "Lançamento igual ao último lançamento gravado! Confirmar a inclusão deste "
            "lançamento?");
  // Another complement is another entry: nothing to confirm.
  json outra = duas;
  outra[1]["fields"]["COMPLHIST"] = "outro";
  EXPECT_EQ(Post(outra, 2), 0) << FSaida;
  EXPECT_TRUE(FResultado[1]["questions"].empty());
}

TEST_P(TCtbMotoresTest, DireitoAlterarLctoOutroModuloAsksLevel8AndRefusesTheOthers) {
  Demo();
  ASSERT_EQ(Post(LancamentoDemo()), 0) << FSaida;
  const int64_t chave = FResultado["entry"]["CHAVELCTOCTB"];
  Conexao().ExecuteDirect(
      "update LCTOCTB set CHAVEORIGEM = 'NF 7' where CODIGOEMPRESA = 1 and "
      "CHAVELCTOCTB = :pChave",
      {{"pChave", Value(chave)}});
  json edicao = {
      {"op", "edit"}, {"company", 1}, {"key", chave}, {"fields", {{"COMPLHIST", "corrigido"}}}};
  EXPECT_EQ(Post(edicao, 2), 1);
  EXPECT_EQ(FResultado["result"], "refused");
  EXPECT_EQ(FResultado["message"],
            "Usuário não autorizado a alterar lançamentos oriundos de outros módulos!");
  EXPECT_EQ(Post(edicao, 1), 1);
  EXPECT_EQ(FResultado["result"], "question") << FSaida;
  edicao["answers"] = {"Sim"};
  EXPECT_EQ(Post(edicao, 1), 0) << FSaida;
  EXPECT_TRUE(FResultado["entry"]["CHAVEORIGEM"].is_null()) << FSaida;
}

TEST_P(TCtbMotoresTest, PersonalisationRefusesDatesAfterTheLastPermitted) {
  Demo();
  Escrever("p.csv", "CODIGOPERSONALIZACAO,FLAGS,PERMIDATAFINAL\n1,0,2025-06-30\n");
  ASSERT_EQ(Ctb({"load", "PERSONALIZACAO", "p.csv"}), 0) << FErro;
  EXPECT_EQ(Post(LancamentoDemo("2025-08-11")), 1);
  EXPECT_EQ(FResultado["field"], "DATALCTOCTB");
  EXPECT_EQ(FResultado["message"],
            "A data do lançamento não pode ser posterior a 30/06/2025, data final permitida na "
            "personalização do sistema!");
}

// Who may act: an unknown user, a user without access to the company, a
// company that does not exist. Each command refuses and writes nothing.
TEST_P(TCtbMotoresTest, UnknownUsersAndCompaniesWithoutAccessAreRefused) {
  Demo();
  Conexao().ExecuteDirect("delete from EMPRESAUSUARIO where CODIGOUSUARIO = 2");
  Escrever("l.csv",
           "DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,CODIGOHISTCTB,VALORLCTOCTB\n"
           "2025-08-01,1101001,1101002,3,5.00\n");
  const std::vector<std::string> balancete = {"trial-balance", "--from",     "2025-01-01",
                                              "--to",          "2025-12-31", "--company"};
  struct TCaso {
    int Usuario;
    std::string Empresa;
    std::string Mensagem;
  };
  for (const TCaso& caso : std::vector<TCaso>{{3, "1", "Usuário 3 não cadastrado"},
                                              {2, "1", "O usuário 2 não tem acesso à empresa 1"},
                                              {1, "9", "Empresa 9 não cadastrada"}}) {
    const int64_t antes = Lancamentos();
    json documento = LancamentoDemo();
    documento["company"] = std::stoi(caso.Empresa);
    EXPECT_EQ(Post(documento, caso.Usuario), 1);
    const std::string postado = FResultado.is_null() ? FErro : FResultado.value("message", "");
    EXPECT_NE(postado.find(caso.Mensagem), std::string::npos) << postado;
    for (std::vector<std::string> args :
         {std::vector<std::string>{"import", "entries", "l.csv", "--company", caso.Empresa},
          [&] {
            auto linha = balancete;
            linha.push_back(caso.Empresa);
            return linha;
          }(),
          std::vector<std::string>{"balances", "--from", "2025-01-01", "--to", "2025-12-31",
                                   "--company", caso.Empresa}}) {
      EXPECT_EQ(Ctb(args, "", caso.Usuario), 1) << args[0];
      EXPECT_EQ(FErro, "ctb: " + caso.Mensagem + "\n") << args[0];
    }
    EXPECT_EQ(Lancamentos(), antes);
  }
}

TEST_P(TCtbMotoresTest, OnlyTheAdministratorWritesUsersRightsAndReadsFreely) {
  Demo();
  Escrever("d.csv", "CODIGOUSUARIO,NOMEDIREITO,NIVEL\n2,DireitoQualquer,8\n");
  const std::string semDireito =
      "ctb: O usuário 2 não tem o direito de administrar usuários e direitos "
      "(DireitoAdministrarUsuarios)\n";
  for (const char* tabela : {"DIREITOUSUARIO", "usuario", "EmpresaUsuario", "LCTOCTB"}) {
    EXPECT_EQ(Ctb({"load", tabela, "d.csv"}, "", 2), 1) << tabela;
    EXPECT_EQ(FErro, semDireito) << tabela;
  }
  EXPECT_EQ(Ctb({"sql", "select * from USUARIO"}, "", 2), 1);
  EXPECT_EQ(FErro, semDireito);
  EXPECT_EQ(Ctb({"db", "init"}, "", 2), 1);
  EXPECT_EQ(Ctb({"demo", "--entries", "1", "--replace"}, "", 2), 1);
  EXPECT_EQ(Contar("select count(*) from DIREITOUSUARIO where NOMEDIREITO = 'DireitoQualquer'"), 0);
  EXPECT_EQ(Ctb({"load", "DIREITOUSUARIO", "d.csv"}, "", 1), 0) << FErro;
  // A register of a company the user may not open is refused by its row.
  Conexao().ExecuteDirect("delete from EMPRESAUSUARIO where CODIGOUSUARIO = 2");
  Escrever("h.csv", "CODIGOEMPRESA,CODIGOLOTECTB,DESCRLOTECTB\n1,77,Lote novo\n");
  EXPECT_EQ(Ctb({"load", "LOTECTB", "h.csv"}, "", 2), 1);
  EXPECT_EQ(FErro, "ctb: Linha 2: O usuário 2 não tem acesso à empresa 1\n");
}

// A new database: user 1 is its administrator; nobody else creates it, and
// a command that needs the schema refuses the database and names the
// command that makes one.
TEST_P(TCtbMotoresTest, ANewDatabaseBelongsToUser1AndOtherCommandsNeedItsSchema) {
  EXPECT_EQ(Ctb({"trial-balance", "--company", "1", "--from", "2025-01-01", "--to", "2025-01-31"}),
            1);
  EXPECT_EQ(FErro, "ctb: O banco de dados não tem o esquema; crie-o com 'ctb db init'\n");
  EXPECT_EQ(Ctb({"db", "init"}, "", 2), 1);
  EXPECT_EQ(Ctb({"db", "init"}), 0) << FErro;
  EXPECT_EQ(Contar("select count(*) from DIREITOUSUARIO where CODIGOUSUARIO = 1 and "
                   "NOMEDIREITO = 'DireitoAdministrarUsuarios' and NIVEL = '8'"),
            1);
  EXPECT_EQ(Ctb({"demo", "--entries", "1"}), 0) << FErro;
  EXPECT_EQ(Ctb({"demo", "--entries", "1"}), 1);
  EXPECT_EQ(FErro,
            "ctb: A empresa 1 já existe; use --replace para substituí-la pela demonstração "
            "(plano de contas e lançamentos)\n");
  EXPECT_EQ(Ctb({"demo", "--entries", "1", "--replace"}), 0) << FErro;
}

// Each document a person could mistype is refused whole, naming the fault;
// nothing of it is written.
TEST_P(TCtbMotoresTest, EntryPostRefusesWhatAPersonCouldNotType) {
  Demo();
  const int64_t antes = Lancamentos();
  auto comValor = [](json valor) { return LancamentoDemo("2025-08-11", std::move(valor)); };
  json comAcao = LancamentoDemo();
  comAcao["action"] = "edit";
  json comObjeto = LancamentoDemo();
  comObjeto["fields"]["COMPLHIST"] = {{"a", 1}};
  json semLote = LancamentoDemo();
  semLote["fields"]["CODIGOLOTECTB"] = 999;
  json outraEmpresa = LancamentoDemo();
  outraEmpresa["fields"]["CODIGOEMPRESA"] = 2;
  json comprido = LancamentoDemo();
  comprido["fields"]["COMPLHIST"] = std::string(299, 'x') + "çé";
  struct TCaso {
    json Documento;
    std::string Mensagem;
  };
  for (const TCaso& caso : std::vector<TCaso>{
           {comAcao,
            "Chave desconhecida no documento: \"action\" (aceitas: op, company, key, fields, "
            "answers, screen, selection, transaction)"},
           {comValor(true), "Valor lógico (true ou false) não aceito em VALORLCTOCTB"},
           {comValor("1,500"),
            "VALORLCTOCTB: número inválido: '1,500' (use ponto como separador decimal)"},
           {comValor("1.500"), "VALORLCTOCTB: '1.500' tem mais de 2 casas decimais"},
           {comValor(10.005), "VALORLCTOCTB: '10.005' tem mais de 2 casas decimais"},
           {comValor("99999999999999.99"),
            "VALORLCTOCTB: '99999999999999.99' tem mais de 12 dígitos inteiros"},
           {comObjeto, "Informe um texto ou um número em COMPLHIST"},
           {comprido, "COMPLHIST: texto com mais de 300 caracteres"},
           {semLote, "Lote 999 não cadastrado!"},
           {outraEmpresa, "A empresa do lançamento deve ser a do documento (\"company\")"}}) {
    EXPECT_EQ(Post(caso.Documento), 1) << caso.Documento.dump();
    EXPECT_EQ(FResultado["result"], "refused");
    EXPECT_EQ(FResultado["message"], caso.Mensagem);
  }
  // 200 KB of nested arrays before another key: refused, not a crash.
  const std::string fundo =
      "{\"fields\":" + std::string(100000, '[') + std::string(100000, ']') + ",\"op\":\"insert\"}";
  EXPECT_EQ(Ctb({"entry", "post"}, fundo), 1);
  EXPECT_EQ(FErro, "ctb: JSON inválido: mais de 16 níveis de listas e objetos\n");
  EXPECT_EQ(Lancamentos(), antes);
  // The biggest amount that fits is stored as typed.
  EXPECT_EQ(Post(comValor("999999999999.99")), 0) << FSaida;
  EXPECT_EQ(
      Conexao()
          .ExecuteScalar(
              "select VALORLCTOCTB from LCTOCTB where CODIGOEMPRESA = 1 and CHAVELCTOCTB = :pChave",
              {{"pChave", Value(FResultado["entry"]["CHAVELCTOCTB"].get<int64_t>())}})
          .AsCurrency(),
      Currency::FromString("999999999999.99"));
}

TEST_P(TCtbMotoresTest, CsvWithAnUnclosedQuoteOrNotUtf8IsRefusedWholeOrConvertedWhenAsked) {
  Demo();
  const int64_t antes = Lancamentos();
  Escrever("aspas.csv",
           "DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,CODIGOHISTCTB,COMPLHIST,VALORLCTOCTB\n"
           "2025-08-01,1101001,1101002,3,\"sem fim,5.00\n"
           "2025-08-02,1101001,1101002,3,\"outro\",6.00\n");
  EXPECT_EQ(Ctb({"import", "entries", "aspas.csv", "--company", "1"}), 1);
  EXPECT_EQ(FErro, "ctb: Aspas abertas na linha 2 do arquivo CSV não foram fechadas\n");
  Escrever("moedas.csv", "CODIGOMOEDA,DESCRMOEDA\n7,\"Euro\n8,\"Iene\"\n");
  EXPECT_EQ(Ctb({"load", "MOEDA", "moedas.csv"}), 1);
  EXPECT_EQ(FErro, "ctb: Aspas abertas na linha 2 do arquivo CSV não foram fechadas\n");
  Escrever("latin1.csv", "CODIGOMOEDA,DESCRMOEDA\n7,Euro\n8,Cora\xE7\xE3o\n");
  EXPECT_EQ(Ctb({"load", "MOEDA", "latin1.csv"}), 1);
  EXPECT_EQ(FErro,
            "ctb: Linha 3: o texto não está em UTF-8 (use --encoding windows-1252 se o arquivo "
            "for dessa codificação)\n");
  EXPECT_EQ(Lancamentos(), antes);
  EXPECT_EQ(Contar("select count(*) from MOEDA where CODIGOMOEDA in (7, 8)"), 0);
  EXPECT_EQ(Ctb({"load", "MOEDA", "latin1.csv", "--encoding", "windows-1252"}), 0) << FErro;
  EXPECT_EQ(
      Conexao().ExecuteScalar("select DESCRMOEDA from MOEDA where CODIGOMOEDA = 8").AsString(),
      "Coração");
}

// The typed-value rule on the other paths: an import reports the row and
// stores the rest; a load refuses the file.
TEST_P(TCtbMotoresTest, ImportAndLoadApplyTheTypedValueRule) {
  Demo();
  const int64_t antes = Lancamentos();
  const std::string linha = "1,LN,2025-08-01,1101001,1101002,3,";
  Escrever("l.csv",
           "CODIGOEMPRESA,CODIGOESTAB,TIPOLANCAMENTO,DATALCTOCTB,CONTACTBDEB,"
           "CONTACTBCRED,CODIGOHISTCTB,COMPLHIST,VALORLCTOCTB\n" +
               ("1," + linha + "ok,5.00\n") + ("1," + linha + "ok,99999999999999.99\n") +
               ("1," + linha + "ok,\"1,500\"\n") +
               ("1," + linha + std::string(301, 'y') + ",5.00\n") + ("2," + linha + "ok,5.00\n"));
  EXPECT_EQ(Ctb({"import", "entries", "l.csv", "--company", "1"}), 1);
  EXPECT_EQ(FSaida,
            "linha 3: VALORLCTOCTB: '99999999999999.99' tem mais de 12 dígitos inteiros\n"
            "linha 4: VALORLCTOCTB: número inválido: '1,500' (use ponto como separador decimal)\n"
            "linha 5: COMPLHIST: texto com mais de 300 caracteres\n"
            "linha 6: CODIGOEMPRESA: A empresa da linha deve ser a de --company (1)\n"
            "1 linha gravada, 4 recusadas\n");
  EXPECT_EQ(Lancamentos(), antes + 1);
  Escrever("c.csv",
           "CODIGOMOEDA,DATACOTACAO,TIPOCOTACAO,VALORCOTACAO\n"
           "1,2025-01-02,1,5.1\n1,2025-01-03,1,10000000000.5\n");
  EXPECT_EQ(Ctb({"load", "COTACAO", "c.csv"}), 1);
  EXPECT_EQ(FErro,
            "ctb: Linha 3, coluna VALORCOTACAO: '10000000000.5' tem mais de 10 dígitos "
            "inteiros\n");
}

TEST_P(TCtbMotoresTest, KeysWrittenOutsideTheSequenceAreNeverHandedOutAgain) {
  Demo();
  ASSERT_EQ(Post(LancamentoDemo()), 0) << FSaida;
  const int64_t chave = FResultado["entry"]["CHAVELCTOCTB"];
  Conexao().ExecuteDirect(
      "update LCTOCTB set CHAVELCTOCTB = :pNova where CODIGOEMPRESA = 1 and CHAVELCTOCTB = :pChave",
      {{"pNova", Value(chave + 5)}, {"pChave", Value(chave)}});
  ASSERT_EQ(Post(LancamentoDemo("2025-08-12")), 0) << FSaida;
  EXPECT_EQ(FResultado["entry"]["CHAVELCTOCTB"], chave + 6);
}

TEST_P(TCtbMotoresTest, ReportsRefuseWhatDoesNotExistOrAPeriodBackwards) {
  Demo();
  EXPECT_EQ(Ctb({"trial-balance", "--company", "1", "--from", "2025-02-01", "--to", "2025-01-31"}),
            1);
  EXPECT_EQ(FErro,
            "ctb: A data inicial (--from 2025-02-01) é posterior à data final (--to 2025-01-31)\n");
  EXPECT_EQ(
      Ctb({"trial-balance", "--company", "5-9", "--from", "2025-01-01", "--to", "2025-01-31"}), 1);
  EXPECT_EQ(FErro, "ctb: Nenhuma empresa cadastrada de 5 a 9\n");
  EXPECT_EQ(FSaida, "");
  const std::vector<std::string> saldos = {"balances",   "--company", "1",         "--from",
                                           "2025-01-01", "--to",      "2025-12-31"};
  struct TCaso {
    std::vector<std::string> Filtro;
    std::string Mensagem;
  };
  for (const TCaso& caso :
       std::vector<TCaso>{{{"--estab", "9"}, "Estabelecimento 9 não cadastrado"},
                          {{"--estab", "1;7-9"}, "Nenhum estabelecimento cadastrado de 7 a 9"},
                          {{"--classif", "9.9"}, "Nenhuma conta do plano na classificação 9.9"}}) {
    std::vector<std::string> args = saldos;
    args.insert(args.end(), caso.Filtro.begin(), caso.Filtro.end());
    EXPECT_EQ(Ctb(args), 1) << caso.Mensagem;
    EXPECT_EQ(FErro, "ctb: " + caso.Mensagem + "\n");
  }
  EXPECT_EQ(Ctb({"balances", "--company", "1", "--from", "2025-01-01", "--to", "2025-12-31",
                 "--estab", "1", "--classif", "1.1", "--format", "csv"}),
            0)
      << FErro;
  // Control characters of a text are shown escaped, never sent raw.
  json lancamento = LancamentoDemo();
  lancamento["fields"]["COMPLHIST"] = "a\x1b[2Jb\nc";
  ASSERT_EQ(Post(lancamento), 0) << FSaida;
  ASSERT_EQ(
      Ctb({"sql", "select COMPLHIST from LCTOCTB where COMPLHIST like 'a%'", "--format", "table"}),
      0)
      << FErro;
  EXPECT_NE(FSaida.find("a\\x1b[2Jb\\nc"), std::string::npos) << FSaida;
  EXPECT_EQ(FSaida.find('\x1b'), std::string::npos);
}

CTB_INSTANTIATE_ENGINES(TCtbMotoresTest);

}  // namespace
