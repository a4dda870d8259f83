// The built `ctb` program on a real database of each engine, run as its
// users run it: every rights rule, the company access rule and each defect
// found by trying to break it, proven by what the program prints and what it
// leaves in the database. The global options go after the command's name,
// except where a case puts them first.

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "host/demo/DemoLancamentos.h"
#include "host/import/ImportacaoHost.h"
#include "schema/SchemaInstaller.h"
#include "tests/host/TCtbPrograma.h"

namespace {

using json = nlohmann::json;

// The suite's own fixture: other program-level suites derive theirs from
// TCtbProgramaTest and instantiate it under their own name.
class TCtbMotoresTest : public TCtbProgramaTest {};

// Each right of the operator (user 2) against the administrator's level 8,
// and the personalisation's last permitted date, which binds everybody.
TEST_P(TCtbMotoresTest, RightsAndPersonalisationDecideWhatEachUserPosts) {
  Demo();
  // DireitoLctoCtb: the user's window, unless level 8 (the operator posts
  // inside it below).
  Recusa(LancamentoDemo("2025-03-11"),
         "A data do lançamento está fora do período permitido ao usuário: de 01/07/2025 a "
         "31/12/2025!",
         "DATALCTOCTB", 2);
  EXPECT_EQ(Post(LancamentoDemo("2025-03-11"), 1), 0) << FSaida;
  // DireitoLctoIgual: level 8 posts the same entry without asking.
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
  // DireitoAlterarLctoOutroModulo: level 8 is asked, the others refused.
  ASSERT_EQ(Post(LancamentoDemo()), 0) << FSaida;
  const int64_t chave = ChavePostada();
  Conexao().ExecuteDirect(
      "update LCTOCTB set CHAVEORIGEM = 'NF 7' where CODIGOEMPRESA = 1 and "
      "CHAVELCTOCTB = :pChave",
      {{"pChave", Value(chave)}});
  json edicao = {
      {"op", "edit"}, {"company", 1}, {"key", chave}, {"fields", {{"COMPLHIST", "corrigido"}}}};
  Recusa(edicao, "Usuário não autorizado a alterar lançamentos oriundos de outros módulos!", "", 2);
  EXPECT_EQ(Post(edicao, 1), 1);
  EXPECT_EQ(FResultado["result"], "question") << FSaida;
  edicao["answers"] = {"Sim"};
  EXPECT_EQ(Post(edicao, 1), 0) << FSaida;
  EXPECT_TRUE(FResultado["entry"]["CHAVEORIGEM"].is_null()) << FSaida;
  // The personalisation's last permitted date.
  Escrever("p.csv", "CODIGOPERSONALIZACAO,FLAGS,PERMIDATAFINAL\n1,0,2025-06-30\n");
  ASSERT_EQ(Ctb({"load", "PERSONALIZACAO", "p.csv"}), 0) << FErro;
  Recusa(LancamentoDemo("2025-08-11"),
         "A data do lançamento não pode ser posterior a 30/06/2025, data final permitida na "
         "personalização do sistema!",
         "DATALCTOCTB");
}

// Who may act: only the administrator writes users and rights, and reads
// freely; an unknown user, a user without access to the company and a
// company that does not exist are refused by every command, which writes
// nothing.
TEST_P(TCtbMotoresTest, OnlyTheAdministratorAdministersAndOnlyKnownUsersReachTheirCompanies) {
  Demo();
  Escrever("d.csv", "CODIGOUSUARIO,NOMEDIREITO,NIVEL\n2,DireitoQualquer,8\n");
  const std::string semDireito =
      "O usuário 2 não tem o direito de administrar usuários e direitos "
      "(DireitoAdministrarUsuarios)";
  for (const char* linha :
       {"load DIREITOUSUARIO d.csv", "load usuario d.csv", "load EmpresaUsuario d.csv",
        "load LCTOCTB d.csv", "db init", "db check", "demo --entries 1 --replace"})
    Falha(linha, semDireito, 2);
  EXPECT_EQ(Ctb({"sql", "select * from USUARIO"}, "", 2), 1);
  EXPECT_EQ(FErro, "ctb: " + semDireito + "\n");
  EXPECT_EQ(Contar("select count(*) from DIREITOUSUARIO where NOMEDIREITO = 'DireitoQualquer'"), 0);
  EXPECT_EQ(Comando("load DIREITOUSUARIO d.csv"), 0) << FErro;
  // A register of a company the user may not open is refused by its row.
  Conexao().ExecuteDirect("delete from EMPRESAUSUARIO where CODIGOUSUARIO = 2");
  Escrever("h.csv", "CODIGOEMPRESA,CODIGOLOTECTB,DESCRLOTECTB\n1,77,Lote novo\n");
  Falha("load LOTECTB h.csv", "Linha 2: O usuário 2 não tem acesso à empresa 1", 2);
  Escrever("l.csv",
           "DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,CODIGOHISTCTB,VALORLCTOCTB\n"
           "2025-08-01,1101001,1101002,3,5.00\n");
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
    for (const char* comando : {"import entries l.csv", "trial-balance --period 2025",
                                "balances --period 2025", "db check"})
      Falha(std::string(comando) + " --company " + caso.Empresa, caso.Mensagem, caso.Usuario);
    EXPECT_EQ(Lancamentos(), antes);
  }
}

// A new database: user 1 is its administrator; nobody else creates it, and
// a command that needs the schema refuses the database and names the
// command that makes one.
TEST_P(TCtbMotoresTest, ANewDatabaseBelongsToUser1AndOtherCommandsNeedItsSchema) {
  const std::string balancete = "trial-balance --company 1 --period 2025-01";
  Falha(balancete, "O banco de dados não tem o esquema; crie-o com 'ctb db init'");
  EXPECT_EQ(Comando("db init", "", 2), 1);
  EXPECT_EQ(Comando("db init"), 0) << FErro;
  EXPECT_EQ(FSaida, fmt::format("Esquema criado (versão {})\n", SchemaInstaller::kVersaoSchema));
  EXPECT_EQ(Contar("select count(*) from DIREITOUSUARIO where CODIGOUSUARIO = 1 and "
                   "NOMEDIREITO = 'DireitoAdministrarUsuarios' and NIVEL = '8'"),
            1);
  EXPECT_EQ(Comando("db init"), 0) << FErro;
  EXPECT_EQ(FSaida, fmt::format("Esquema já na versão {}; visões, funções e gatilhos recriados\n",
                                SchemaInstaller::kVersaoSchema));
  // A database of an older version is refused until it is upgraded.
  Conexao().ExecuteScript(
      "drop index IX_LCTOCTB_TRANS; create index IX_LCTOCTB_TRANS on LCTOCTB (CODIGOEMPRESA, "
      "TRANSCTB); update VERSAOSCHEMA set VERSAO = 4");
  Falha(balancete, "O banco de dados está na versão 4 do esquema; atualize-o com 'ctb db init'");
  EXPECT_EQ(Comando("db init"), 0) << FErro;
  EXPECT_EQ(FSaida, fmt::format("Esquema atualizado da versão 4 para a versão {}\n",
                                SchemaInstaller::kVersaoSchema));
  EXPECT_EQ(Comando("demo --entries 1 --journal demo.journal"), 0) << FErro;
  // The journal export holds the same generated year for the comparison bench.
  EXPECT_NE(Arquivo("demo.journal").find("2025/01/01"), std::string::npos);
  Falha("demo --entries 1",
        "A empresa 1 já existe; use --replace para substituí-la pela demonstração (plano de "
        "contas e lançamentos)");
  EXPECT_EQ(Comando("demo --entries 1 --replace"), 0) << FErro;
  // Balance tables emptied by hand are rebuilt from the entries, one
  // company's or every company's; another company's balances, written
  // since, count only in the second message.
  for (const char* tabela :
       {"SALDOCTB", "SALDOCTBMENSAL", "SALDOCTBMENSALHIST", "SALDOCTBMOEDA", "SALDOCTBMOEDAMENSAL"})
    Conexao().ExecuteDirect(std::string("delete from ") + tabela);
  Conexao().ExecuteDirect(
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, VALORLCTOCTB) values (9, 1, 1, '2025-03-01', 'LN', 11, 9)");
  ASSERT_FALSE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
  const auto saldos = [&](const std::string& filtro) {
    return std::to_string(Contar("select count(*) from SALDOCTB" + filtro)) + " saldos diários, " +
           std::to_string(Contar("select count(*) from SALDOCTBMENSAL" + filtro)) + " mensais\n";
  };
  // Each rebuild ends with the check of what it rebuilt: company 9's entry
  // is on an account no chart has.
  EXPECT_EQ(Comando("db rebuild-balances --company 1"), 0) << FErro;
  EXPECT_EQ(FSaida, "Saldos recalculados da empresa 1: " + saldos(" where CODIGOEMPRESA = 1") +
                        "Nenhum problema encontrado na empresa 1: contas, saldos, débitos e "
                        "créditos, rateios e sequências conferem\n");
  EXPECT_EQ(Comando("db rebuild-balances"), 1) << FErro;
  EXPECT_EQ(FSaida.rfind("Saldos recalculados de todas as empresas: " + saldos("") +
                             "Empresa 9 (não cadastrada)\n",
                         0),
            0u)
      << FSaida;
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
}

// Each document a person could mistype is refused whole, naming the fault;
// nothing of it is written.
TEST_P(TCtbMotoresTest, WhatAPersonCouldNotTypeIsRefusedOnEveryPath) {
  Demo();
  int64_t antes = Lancamentos();
  struct TCaso {
    std::string Caminho;  // where the document goes wrong
    json Valor;
    std::string Mensagem;
  };
  for (const TCaso& caso : std::vector<TCaso>{
           {"/action", "edit",
            "Chave desconhecida no documento: \"action\" (aceitas: op, company, key, fields, "
            "answers, screen, selection, managerial, activities, transaction, participants, "
            "extemporaneous, q100, relation)"},
           {"/fields/VALORLCTOCTB", true, "Valor lógico (true ou false) não aceito em Valor R$"},
           {"/fields/VALORLCTOCTB", "1,500",
            "Valor R$: número inválido: '1,500' (use ponto como separador decimal)"},
           {"/fields/VALORLCTOCTB", "1.500", "Valor R$: '1.500' tem mais de 2 casas decimais"},
           {"/fields/VALORLCTOCTB", 10.005, "Valor R$: '10.005' tem mais de 2 casas decimais"},
           {"/fields/VALORLCTOCTB", "99999999999999.99",
            "Valor R$: '99999999999999.99' tem mais de 12 dígitos inteiros"},
           {"/fields/COMPLHIST", json::object({{"a", 1}}),
            "Informe um texto ou um número em Complemento"},
           {"/fields/COMPLHIST", std::string(299, 'x') + "çé",
            "Complemento: texto com mais de 300 caracteres"},
           {"/fields/CODIGOLOTECTB", 999,
            "A data do lançamento deve estar dentro do período do lote: de  a !"},
           {"/fields/CODIGOEMPRESA", 2,
            "A empresa do lançamento deve ser a do documento (\"company\")"}}) {
    json documento = LancamentoDemo();
    documento[json::json_pointer(caso.Caminho)] = caso.Valor;
    Recusa(documento, caso.Mensagem);
  }
  // 200 KB of nested arrays before another key: refused, not a crash.
  const std::string fundo =
      "{\"fields\":" + std::string(100000, '[') + std::string(100000, ']') + ",\"op\":\"insert\"}";
  EXPECT_EQ(Ctb({"entry", "post"}, fundo), 1);
  EXPECT_EQ(FErro, "ctb: JSON inválido: mais de 16 níveis de listas e objetos\n");
  EXPECT_EQ(Ctb({"entry", "post"}, "{ not json"), 1);
  EXPECT_EQ(FErro.rfind("ctb: JSON inválido: ", 0), 0u) << FErro;
  EXPECT_EQ(Comando("entry post nao-existe.json"), 1);
  EXPECT_NE(FErro.find("nao-existe.json"), std::string::npos) << FErro;
  EXPECT_EQ(Lancamentos(), antes);
  // The biggest amount that fits is stored as typed.
  EXPECT_EQ(Post(LancamentoDemo("2025-08-11", "999999999999.99")), 0) << FSaida;
  EXPECT_EQ(
      Conexao()
          .ExecuteScalar(
              "select VALORLCTOCTB from LCTOCTB where CODIGOEMPRESA = 1 and CHAVELCTOCTB = :pChave",
              {{"pChave", Value(ChavePostada())}})
          .AsCurrency(),
      Currency::FromString("999999999999.99"));
  // A CSV file with an unclosed quote or not in UTF-8 is refused whole, or
  // converted when asked.
  antes = Lancamentos();
  Escrever("aspas.csv",
           "DATALCTOCTB,CONTACTBDEB,CONTACTBCRED,CODIGOHISTCTB,COMPLHIST,VALORLCTOCTB\n"
           "2025-08-01,1101001,1101002,3,\"sem fim,5.00\n"
           "2025-08-02,1101001,1101002,3,\"outro\",6.00\n");
  const std::string aspas = "Aspas abertas na linha 2 do arquivo CSV não foram fechadas";
  Falha("import entries aspas.csv --company 1", aspas);
  Escrever("moedas.csv", "CODIGOMOEDA,DESCRMOEDA\n7,\"Euro\n8,\"Iene\"\n");
  Falha("load MOEDA moedas.csv", aspas);
  Escrever("latin1.csv", "CODIGOMOEDA,DESCRMOEDA\n7,Euro\n8,Cora\xE7\xE3o\n");
  Falha("load MOEDA latin1.csv",
        "Linha 3: o texto não está em UTF-8 (use --encoding windows-1252 se o arquivo for dessa "
        "codificação)");
  EXPECT_EQ(Lancamentos(), antes);
  EXPECT_EQ(Contar("select count(*) from MOEDA where CODIGOMOEDA in (7, 8)"), 0);
  EXPECT_EQ(Comando("load MOEDA latin1.csv --encoding windows-1252"), 0) << FErro;
  EXPECT_EQ(
      Conexao().ExecuteScalar("select DESCRMOEDA from MOEDA where CODIGOMOEDA = 8").AsString(),
      "Coração");
  // The typed-value rule on the other paths: an import reports the row and
  // stores the rest; a load refuses the file.
  antes = Lancamentos();
  const std::string linha = "1,LN,2025-08-01,1101001,1101002,3,";
  Escrever("l.csv",
           "CODIGOEMPRESA,CODIGOESTAB,TIPOLANCAMENTO,DATALCTOCTB,CONTACTBDEB,"
           "CONTACTBCRED,CODIGOHISTCTB,COMPLHIST,VALORLCTOCTB\n" +
               ("1," + linha + "ok,5.00\n") + ("1," + linha + "ok,99999999999999.99\n") +
               ("1," + linha + "ok,\"1,500\"\n") +
               ("1," + linha + std::string(301, 'y') + ",5.00\n") + ("2," + linha + "ok,5.00\n"));
  EXPECT_EQ(Comando("import entries l.csv --company 1"), 1);
  EXPECT_EQ(FSaida,
            "linha 3: VALORLCTOCTB: '99999999999999.99' tem mais de 12 dígitos inteiros\n"
            "linha 4: VALORLCTOCTB: número inválido: '1,500' (use ponto como separador decimal)\n"
            "linha 5: COMPLHIST: texto com mais de 300 caracteres\n"
            "linha 6: CODIGOEMPRESA: A empresa da linha deve ser a de --company (1)\n"
            "1 linha gravada, 4 recusadas\n");
  EXPECT_EQ(Lancamentos(), antes + 1);
  EXPECT_EQ(FErro.find('\r'), std::string::npos) << "a progress bar reached a pipe";
  Escrever("a.csv", "DATALCTOCTB,VALORLCTOCTB\n2025-03-01,1.00\n");
  EXPECT_EQ(Comando("import entries a.csv --company 1"), 1);
  EXPECT_EQ(FSaida,
            "linha 2: CODIGOESTAB: Campo 'CODIGOESTAB' deve ter um valor\n"
            "0 linhas gravadas, 1 recusada\n");
  EXPECT_EQ(Comando("import entries nao.csv --company 1"), 1);
  EXPECT_NE(FErro.find("nao.csv"), std::string::npos) << FErro;
  Escrever("c.csv",
           "CODIGOMOEDA,DATACOTACAO,TIPOCOTACAO,VALORCOTACAO\n"
           "1,2025-01-02,1,5.1\n1,2025-01-03,1,10000000000.5\n");
  Falha("load COTACAO c.csv",
        "Linha 3, coluna VALORCOTACAO: '10000000000.5' tem mais de 10 dígitos inteiros");
}

// A load sends its rows in batches (on PostgreSQL, many rows to a
// statement), yet a row the database refuses still names its own line, and
// nothing of the file stays.
TEST_P(TCtbMotoresTest, ALoadInBatchesNamesTheLineTheDatabaseRefused) {
  ASSERT_EQ(Comando("db init"), 0) << FErro;
  const auto arquivo = [](int repetida) {
    std::string texto = "CODIGOMOEDA,DESCRMOEDA\n";
    for (int linha = 2; linha <= 1501; ++linha)
      texto += fmt::format("{},Moeda {}\n", linha == repetida ? 101 : 99 + linha, linha);
    return texto;
  };
  Escrever("m.csv", arquivo(1203));
  EXPECT_EQ(Comando("load MOEDA m.csv"), 1);
  EXPECT_EQ(FErro.rfind("ctb: Linha 1203: ", 0), 0u) << FErro;
  EXPECT_EQ(Contar("select count(*) from MOEDA where CODIGOMOEDA >= 100"), 0);
  Escrever("m.csv", arquivo(0));
  EXPECT_EQ(Comando("load MOEDA m.csv"), 0) << FErro;
  EXPECT_EQ(FSaida, "1500 linhas carregadas em MOEDA\n");
  EXPECT_EQ(Contar("select count(*) from MOEDA where CODIGOMOEDA >= 100"), 1500);
}

// A document read from a file, its accounts typed as their aliases; keys
// written outside the sequence are never handed out again; reports refuse
// what does not exist; texts are shown with their control characters
// escaped.
TEST_P(TCtbMotoresTest, PostingFromAFileAndReadingBack) {
  Demo();
  Escrever("doc.json", LancamentoDemo().dump());
  ASSERT_EQ(Comando("entry post doc.json"), 0) << FSaida << FErro;
  FResultado = json::parse(FSaida);
  EXPECT_EQ(FResultado["entry"]["CONTACTBDEB"], 1101001);
  EXPECT_EQ(FResultado["entry"]["ORIGEMDADO"], 2);
  const int64_t chave = ChavePostada();
  Conexao().ExecuteDirect(
      "update LCTOCTB set CHAVELCTOCTB = :pNova where CODIGOEMPRESA = 1 and CHAVELCTOCTB = :pChave",
      {{"pNova", Value(chave + 5)}, {"pChave", Value(chave)}});
  ASSERT_EQ(Post(LancamentoDemo("2025-08-12")), 0) << FSaida;
  EXPECT_EQ(ChavePostada(), chave + 6);
  // Reports refuse what does not exist.
  Falha("trial-balance --company 5-9 --period 2025-01", "Nenhuma empresa cadastrada de 5 a 9");
  const std::string saldos = "balances --company 1 --period 2025 ";
  Falha(saldos + "--estab 9", "Estabelecimento 9 não cadastrado");
  Falha(saldos + "--estab 1;7-9", "Nenhum estabelecimento cadastrado de 7 a 9");
  Falha(saldos + "--classif 9.9", "Nenhuma conta do plano na classificação 9.9");
  EXPECT_EQ(Comando(saldos + "--estab 1 --classif 1.1 --format csv"), 0) << FErro;
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

// Run on SQLite only: killing the import takes seconds of rows, and the
// batches are the engine-independent unit of work.
TEST_P(TCtbMotoresTest, AKilledImportLeavesWholeBatchesAndBalancesEqualToTheEntries) {
  if (Tipo() != TTipoConexao::SQLite)
    GTEST_SKIP() << "the batches are the same on every engine";
  Demo();
  {
    std::ofstream csv(FPasta / "ano.csv");
    DemoLancamentos::EscreverCsv(csv, 7, 30000, 1);
  }
  const int64_t antes = Lancamentos();
  const pid_t filho = Iniciar(NoBanco({"import", "entries", "ano.csv", "--company", "1"}));
  // Killed somewhere after its second batch, in the middle of a later one.
  constexpr int64_t kLote = ImportacaoHost::kTamanhoLotePadrao;
  while (Lancamentos() < antes + 2 * kLote) {
    ASSERT_EQ(::waitpid(filho, nullptr, WNOHANG), 0) << "the import ended before it was killed";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  ::kill(filho, SIGKILL);
  ASSERT_EQ(Aguardar(filho), -1);
  const int64_t gravadas = Lancamentos() - antes;
  EXPECT_GE(gravadas, 2 * kLote);
  EXPECT_LT(gravadas, 30000);
  EXPECT_EQ(gravadas % kLote, 0) << "a batch was left half written";
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
}

// Three demos started together on one server, each into companies of its
// own: they take turns installing the schema, share the rows every company
// uses, and every company's balances equal its entries.
TEST_P(TCtbMotoresTest, ThreeDemosStartedTogetherEachLoadTheirCompanies) {
  if (Tipo() != TTipoConexao::PostgreSQL)
    GTEST_SKIP() << "SQLite's writers in other programs wait on the file's lock, in turn";
  std::vector<pid_t> demos;
  for (const char* empresa : {"1", "4", "7"})
    demos.push_back(Iniciar(NoBanco({"demo", "--entries", "300", "--company", empresa})));
  for (const pid_t demo : demos)
    EXPECT_EQ(Aguardar(demo), 0) << FErro;
  EXPECT_EQ(Contar("select count(distinct CODIGOEMPRESA) from LCTOCTB"), 9);
  EXPECT_TRUE(SchemaInstaller::VerificarSaldos(Conexao()).Rows.empty());
}

// A database file: --db before or after the command's name; a missing one
// is never created by a command that needs one; --out names the format; in
// a folder its user may only read, it still answers reads.
TEST_P(TCtbMotoresTest, ADatabaseFileIsNamedAnywhereAndAnswersReadsFromAReadOnlyFolder) {
  if (Tipo() != TTipoConexao::SQLite)
    GTEST_SKIP() << "a database file";
  EXPECT_EQ(Executar({"sql", "select 1", "--db", "nada.db"}), 1);
  EXPECT_EQ(FErro, "ctb: O banco de dados nada.db não existe; crie-o com 'ctb db init'\n");
  EXPECT_FALSE(std::filesystem::exists(FPasta / "nada.db"));
  namespace fs = std::filesystem;
  fs::create_directories(FPasta / "ro");
  ASSERT_EQ(Executar({"--db", "ro/ctb.db", "demo", "--entries", "3"}), 0) << FErro;
  ASSERT_EQ(Executar({"trial-balance", "--company", "1", "--from", "2025-01-01", "--to",
                      "2025-12-31", "--out", "tb.csv", "--db", "ro/ctb.db"}),
            0)
      << FErro;
  EXPECT_EQ(Arquivo("tb.csv").rfind("Ordem,Filtros,", 0), 0u) << Arquivo("tb.csv");
  EXPECT_FALSE(fs::exists(FPasta / "ctb.db"));
  fs::permissions(FPasta / "ro" / "ctb.db",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(FPasta / "ro", fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
  FSemPrivilegios = true;
  // The demo's imported entries of its main company (it keys and loads others).
  EXPECT_EQ(
      Executar({"--db", "ro/ctb.db", "sql",
                "select count(*) as N from LCTOCTB where CODIGOEMPRESA = 1 and ORIGEMDADO = 3",
                "--format", "csv"}),
      0)
      << FErro;
  EXPECT_EQ(FSaida, "N\n3\n");
  fs::permissions(FPasta / "ro", fs::perms::owner_all);
}

CTB_INSTANTIATE_ENGINES(TCtbMotoresTest);

}  // namespace
