// `ctb entry post` and `ctb import entries` run as a person runs them: what
// reaches standard output and error, and the exit status, when the module
// cannot do the work.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace {

std::string Ler(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class TCtbEntryImportProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPasta = std::filesystem::temp_directory_path() /
             ("ctb_entry_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(FPasta);
    std::filesystem::create_directories(FPasta);
    ASSERT_EQ(Ctb("db init"), 0);
  }
  void TearDown() override { std::filesystem::remove_all(FPasta); }

  // Runs ctb in the test's folder with `args` (shell words) and `entrada` on
  // standard input; returns the exit status.
  int Ctb(const std::string& args, const std::string& entrada = "") {
    std::ofstream(FPasta / "in.txt") << entrada;
    const std::string linha = "cd '" + FPasta.string() + "' && '" CTB_EXECUTABLE "' " + args +
                              " < in.txt > out.txt 2> err.txt";
    const int status = std::system(linha.c_str());
    FSaida = Ler(FPasta / "out.txt");
    FErro = Ler(FPasta / "err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::filesystem::path FPasta;
  std::string FSaida, FErro;
};

TEST_F(TCtbEntryImportProgramTest, EntryPostAnswersInJsonFromAFileOrTheStandardInput) {
  const std::string documento =
      R"({"op":"insert","company":1,"fields":{"DATALCTOCTB":"2025-03-10"}})";
  std::ofstream(FPasta / "doc.json") << documento;
  for (const std::string& args : {std::string("entry post doc.json"), std::string("entry post")}) {
    SCOPED_TRACE(args);
    const int status = Ctb(args, documento);
    const nlohmann::json resultado = nlohmann::json::parse(FSaida);
    // Whatever the module does with it, the result is one of the four and
    // only "posted" ends with status 0.
    const std::string tipo = resultado["result"];
    EXPECT_TRUE(tipo == "posted" || tipo == "refused" || tipo == "aborted" || tipo == "question");
    EXPECT_EQ(status, tipo == "posted" ? 0 : 1);
    EXPECT_TRUE(resultado["questions"].is_array());
  }
  EXPECT_EQ(Ctb("entry post", "{ not json"), 1);
  EXPECT_NE(FErro.find("JSON inválido"), std::string::npos) << FErro;
  EXPECT_EQ(Ctb("entry post nao-existe.json"), 1);
  EXPECT_NE(FErro.find("nao-existe.json"), std::string::npos);
}

TEST_F(TCtbEntryImportProgramTest, ImportEntriesNeedsTheCompanyAndAReadableFile) {
  std::ofstream(FPasta / "a.csv") << "DATALCTOCTB,VALORLCTOCTB\n2025-03-01,1.00\n";
  EXPECT_EQ(Ctb("import entries a.csv"), 2);
  EXPECT_EQ(Ctb("import entries nao.csv --company 1"), 1);
  EXPECT_NE(FErro.find("nao.csv"), std::string::npos);
  // Piped: no progress bar reaches standard error.
  Ctb("import entries a.csv --company 1");
  EXPECT_EQ(FErro.find('\r'), std::string::npos);
}

}  // namespace
