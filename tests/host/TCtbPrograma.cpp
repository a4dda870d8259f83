#include "tests/host/TCtbPrograma.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::string Ler(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

nlohmann::json LancamentoDemo(const std::string& data, const nlohmann::json& valor) {
  return {{"op", "insert"},
          {"company", 1},
          {"fields",
           {{"CODIGOESTAB", 1},
            {"DATALCTOCTB", data},
            {"CONTACTBDEB", "CAIXA"},
            {"CONTACTBCRED", "BANCO"},
            {"CODIGOHISTCTB", 3},
            {"VALORLCTOCTB", valor}}}};
}

nlohmann::ordered_json LancamentoDemoComHistorico(int historico, const char* complemento) {
  nlohmann::ordered_json documento = {{"op", "insert"}, {"company", 1}};
  const nlohmann::json demo = LancamentoDemo("2025-08-11");
  for (const char* campo :
       {"CODIGOESTAB", "DATALCTOCTB", "CONTACTBDEB", "CONTACTBCRED", "VALORLCTOCTB"})
    documento["fields"][campo] = demo["fields"][campo];
  documento["fields"]["CODIGOHISTCTB"] = historico;
  if (complemento != nullptr)
    documento["fields"]["COMPLHIST"] = complemento;
  return documento;
}

std::vector<std::string> Palavras(const std::string& linha) {
  std::istringstream texto(linha);
  std::vector<std::string> palavras;
  for (std::string palavra; texto >> palavra;)
    palavras.push_back(palavra);
  return palavras;
}

void TCtbProgramaTest::SetUp() {
  TDatabaseTest::SetUp();
  if (IsSkipped() || HasFatalFailure())
    return;
  // A parameterised test's name holds a slash ("Test/SQLite"): as a path it
  // would nest the folder, and the parent would outlive TearDown.
  std::string nome = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(nome.begin(), nome.end(), '/', '_');
  FPasta = std::filesystem::temp_directory_path() /
           ("ctb_motor_" + std::to_string(::getpid()) + "_" + nome);
  std::filesystem::remove_all(FPasta);
  std::filesystem::create_directories(FPasta);
}

void TCtbProgramaTest::TearDown() {
  if (!FPasta.empty())
    std::filesystem::remove_all(FPasta);
  TDatabaseTest::TearDown();
}

int TCtbProgramaTest::Ctb(std::vector<std::string> args, const std::string& entrada, int usuario) {
  return Executar(NoBanco(std::move(args), usuario), entrada);
}

std::vector<std::string> TCtbProgramaTest::NoBanco(std::vector<std::string> args,
                                                   int usuario) const {
  args.insert(args.end(), {Tipo() == TTipoConexao::SQLite ? "--db" : "--pg", Banco().Parametros(),
                           "--user", std::to_string(usuario)});
  return args;
}

int TCtbProgramaTest::Executar(std::vector<std::string> args, const std::string& entrada) {
  return Aguardar(Iniciar(std::move(args), entrada));
}

pid_t TCtbProgramaTest::Iniciar(std::vector<std::string> args, const std::string& entrada) {
  Escrever("in.txt", entrada);
  const pid_t filho = ::fork();
  if (filho == 0) {
    const auto redirecionar = [&](const char* nome, int flags, int alvo) {
      const int fd = ::open((FPasta / nome).c_str(), flags, 0644);
      return fd >= 0 && ::dup2(fd, alvo) >= 0;
    };
    std::vector<char*> argv = {const_cast<char*>("ctb")};
    for (std::string& arg : args)
      argv.push_back(arg.data());
    argv.push_back(nullptr);
    // Standard input and output are opened before the privileges go.
    const auto semPrivilegios = [&] {
      return !FSemPrivilegios || ::getuid() != 0 ||
             (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
    };
    if (::chdir(FPasta.c_str()) == 0 && redirecionar("in.txt", O_RDONLY, 0) &&
        redirecionar("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 1) &&
        redirecionar("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 2) && semPrivilegios())
      ::execv(CTB_EXECUTABLE, argv.data());
    ::_exit(127);
  }
  return filho;
}

int TCtbProgramaTest::Aguardar(pid_t filho) {
  int status = 0;
  ::waitpid(filho, &status, 0);
  FSaida = Ler(FPasta / "out.txt");
  FErro = Ler(FPasta / "err.txt");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int TCtbProgramaTest::Post(const nlohmann::json& documento, int usuario) {
  const int status = Ctb({"entry", "post"}, documento.dump(), usuario);
  FResultado = FSaida.empty() ? nlohmann::json() : nlohmann::json::parse(FSaida);
  return status;
}

void TCtbProgramaTest::Recusa(const nlohmann::json& documento, const std::string& mensagem,
                              const std::string& campo, int usuario) {
  SCOPED_TRACE(documento.dump());
  const int64_t antes = Lancamentos();
  EXPECT_EQ(Post(documento, usuario), 1);
  EXPECT_EQ(FResultado["result"], "refused");
  EXPECT_EQ(FResultado["message"], mensagem);
  if (!campo.empty()) {
    EXPECT_EQ(FResultado["field"], campo);
  }
  EXPECT_EQ(Lancamentos(), antes);
}

void TCtbProgramaTest::Falha(const std::string& linha, const std::string& mensagem, int usuario) {
  SCOPED_TRACE(linha);
  EXPECT_EQ(Comando(linha, "", usuario), 1);
  EXPECT_EQ(FErro, "ctb: " + mensagem + "\n");
  EXPECT_EQ(FSaida, "");
}

void TCtbProgramaTest::Escrever(const std::string& nome, const std::string& texto) {
  std::ofstream(FPasta / nome, std::ios::binary) << texto;
}

std::string TCtbProgramaTest::Arquivo(const std::string& nome) const {
  return Ler(FPasta / nome);
}

void TCtbProgramaTest::Demo() {
  ASSERT_EQ(Ctb({"demo", "--entries", "1"}), 0) << FErro;
}

void TCtbDemoTest::SetUp() {
  TCtbProgramaTest::SetUp();
  if (!IsSkipped() && !HasFatalFailure())
    Demo();
}
