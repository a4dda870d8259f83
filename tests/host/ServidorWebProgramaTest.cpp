// `ctb user passwd` and `ctb serve` run as their users run them: the
// program on a real database of each engine, the server spoken to over HTTP.

#include <arpa/inet.h>
#include <fmt/format.h>
#include <gmock/gmock.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <latch>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <thread>

#include "framework/ctb/nCtbSMensagens.h"
#include "host/server/ConexoesWeb.h"
#include "host/server/PaginaLancamento.h"
#include "host/server/SegurancaWeb.h"
#include "host/server/ServidorWeb.h"
#include "host/server/SessoesWeb.h"
#include "tests/host/TCtbPrograma.h"

namespace {

using nlohmann::json;
using ::testing::HasSubstr;

constexpr const char* kSenha = "segredo-do-admin";
constexpr const char* kSenhaOperador = "segredo-do-operador";

class TServidorWebTest : public TCtbDemoTest {
 protected:
  // The HTTP library writes its requests without MSG_NOSIGNAL (it is built
  // apart, so its flags are its own): a connection the server turns away
  // must fail the write, not kill the test.
  static void SetUpTestSuite() { ::signal(SIGPIPE, SIG_IGN); }

  void SetUp() override {
    TCtbDemoTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    ASSERT_EQ(Ctb({"user", "passwd", "1"}, std::string(kSenha) + "\n"), 0) << FErro;
    ASSERT_EQ(Ctb({"user", "passwd", "2"}, std::string(kSenhaOperador) + "\n", 2), 0) << FErro;
  }

  void TearDown() override {
    if (FServidor > 0) {
      ::kill(FServidor, SIGTERM);
      EXPECT_EQ(Aguardar(FServidor), 0) << FErro;
    }
    TCtbProgramaTest::TearDown();
  }

  // Starts the server on a free port (over TLS with `tls`: the certificate
  // and key files) and waits for the line naming it.
  void Iniciar(const std::vector<std::string>& tls = {}) {
    std::vector<std::string> args = {"serve", "--port", "0"};
    args.insert(args.end(), tls.begin(), tls.end());
    FServidor = TCtbProgramaTest::Iniciar(NoBanco(args));
    const std::regex linha(R"(Servidor em https?://127\.0\.0\.1:([0-9]+)/)");
    for (int i = 0; i < 200 && FPorta == 0; ++i) {
      std::smatch achado;
      const std::string saida = Arquivo("out.txt");
      if (std::regex_search(saida, achado, linha))
        FPorta = std::stoi(achado[1]);
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(FPorta, 0) << Arquivo("err.txt");
  }

  // A client from `origem`, another loopback address than the default
  // one, when given.
  httplib::Client Cliente(const char* origem = nullptr) const {
    httplib::Client cliente("127.0.0.1", FPorta);
    if (origem != nullptr)
      cliente.set_interface(origem);
    return cliente;
  }

  // Signs in; the session's cookie and CSRF token, or an empty cookie.
  struct TSessao {
    int Status = 0;
    std::string Cookie;
    std::string Csrf;
    std::string SetCookie;
  };
  TSessao Entrar(int usuario, const std::string& senha, const char* origem = nullptr) {
    auto res = Cliente(origem).Post(
        "/api/entrar", json{{"usuario", usuario}, {"senha", senha}}.dump(), "application/json");
    TSessao sessao;
    if (!res)
      return sessao;
    sessao.Status = res->status;
    sessao.SetCookie = res->get_header_value("Set-Cookie");
    if (res->status == 200) {
      sessao.Cookie = sessao.SetCookie.substr(0, sessao.SetCookie.find(';'));
      sessao.Csrf = json::parse(res->body)["csrf"];
    }
    return sessao;
  }

  httplib::Result Get(const TSessao& sessao, const std::string& caminho) {
    return Cliente().Get(caminho, {{"Cookie", sessao.Cookie}});
  }
  httplib::Result Post(const TSessao& sessao, const std::string& caminho, const std::string& corpo,
                       bool comCsrf = true) {
    httplib::Headers cabecalhos = {{"Cookie", sessao.Cookie}};
    if (comCsrf)
      cabecalhos.emplace(ServidorWeb::kCabecalhoCsrf, sessao.Csrf);
    return Cliente().Post(caminho, cabecalhos, corpo, "application/json");
  }

  static std::string Erro(const httplib::Result& res) { return json::parse(res->body)["erro"]; }
  // The message of a refusal that must come with `status`.
  static std::string Recusa(const httplib::Result& res, int status) {
    EXPECT_EQ(res->status, status) << res->body;
    return Erro(res);
  }
  // The ledger behind a trial balance row, opened with its filters.
  static std::string Razao(const json& filtros) {
    return "/api/razao?filtros=" +
           httplib::detail::encode_query_param(filtros.is_string() ? filtros.get<std::string>()
                                                                   : filtros.dump());
  }
  // The operator (user 2) loses the trial balance's right.
  void OperadorSemBalancete() {
    Conexao().ExecuteDirect(
        "update DIREITOUSUARIO set NIVEL = '1' where CODIGOUSUARIO = 2 and NOMEDIREITO = "
        "'actTnCtbDPConsultaBalanceteMovimento'");
  }
  // The answer to a read that must succeed.
  json Ler(const TSessao& sessao, const std::string& caminho) {
    auto res = Get(sessao, caminho);
    EXPECT_EQ(res->status, 200) << caminho << ": " << res->body;
    return json::parse(res->body);
  }
  // The entry page's post of `documento` on the tab `aba`, and its answer.
  static std::string Pedido(const json& documento, const char* aba = "t1") {
    return json{{"aba", aba}, {"documento", documento}}.dump();
  }
  json Lancar(const TSessao& sessao, const json& documento, const char* aba = "t1") {
    return json::parse(Post(sessao, "/api/lancamentos", Pedido(documento, aba))->body);
  }

  // Grants user 3 company 2 only, with the trial balance's right.
  void UsuarioDaEmpresa2() {
    Escrever("u.csv", "CODIGOUSUARIO,NOMEUSUARIO\n3,Terceiro\n");
    Escrever("e.csv", "CODIGOEMPRESA,CODIGOUSUARIO\n2,3\n");
    Escrever("d.csv",
             "CODIGOUSUARIO,NOMEDIREITO,NIVEL\n3,actTnCtbDPConsultaBalanceteMovimento,8\n");
    for (const char* carga : {"USUARIO u.csv", "EMPRESAUSUARIO e.csv", "DIREITOUSUARIO d.csv"})
      ASSERT_EQ(Comando(std::string("load ") + carga), 0) << FErro;
    ASSERT_EQ(Comando("user passwd 3", "senha-do-terceiro\n"), 0) << FErro;
  }

  // The server's resident memory now, in kB.
  int64_t MemoriaServidor() const {
    std::ifstream status("/proc/" + std::to_string(FServidor) + "/status");
    std::string linha;
    while (std::getline(status, linha))
      if (linha.starts_with("VmRSS:"))
        return std::stoll(linha.substr(6));
    return 0;
  }

  pid_t FServidor = 0;
  int FPorta = 0;
};

// A connection to the server from `origem` (any address of the loopback),
// not yet sending anything.
int Conectar(const char* origem, int porta) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  ::inet_pton(AF_INET, origem, &local.sin_addr);
  sockaddr_in servidor{};
  servidor.sin_family = AF_INET;
  servidor.sin_port = htons(static_cast<uint16_t>(porta));
  servidor.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0 ||
      ::connect(fd, reinterpret_cast<const sockaddr*>(&servidor), sizeof(servidor)) != 0) {
    if (fd >= 0)
      ::close(fd);
    return -1;
  }
  return fd;
}

// What the server sent on `fd` within `prazo` before it closed it ("" when
// it closed it without a word), or nullopt while it keeps it open.
std::optional<std::string> Recebido(int fd, std::chrono::milliseconds prazo) {
  std::string texto;
  const auto fim = std::chrono::steady_clock::now() + prazo;
  for (;;) {
    pollfd pronto{fd, POLLIN, 0};
    const auto resta = std::chrono::duration_cast<std::chrono::milliseconds>(
        fim - std::chrono::steady_clock::now());
    if (resta.count() <= 0 || ::poll(&pronto, 1, static_cast<int>(resta.count())) <= 0)
      return std::nullopt;
    char bloco[512];
    const ssize_t lidos = ::recv(fd, bloco, sizeof(bloco), 0);
    if (lidos <= 0)
      return texto;
    texto.append(bloco, static_cast<size_t>(lidos));
  }
}

TEST_P(TServidorWebTest, PasswdStoresAHashAndRefusesWhatItMayNot) {
  const auto hash = [&] {
    return Conexao()
        .ExecuteScalar("select SENHAHASH from USUARIO where CODIGOUSUARIO = 1")
        .AsString();
  };
  const std::string hash1 = hash();
  EXPECT_TRUE(hash1.starts_with("$argon2id$")) << hash1;
  EXPECT_EQ(hash1.find(kSenha), std::string::npos);
  const struct {
    const char* Linha;
    std::string Entrada;
    int Usuario;
    std::string Mensagem;
  } casos[] = {
      {"user passwd 1", "curta\n", 1, "A senha deve ter de 8 a 128 caracteres"},
      {"user passwd 1", "", 1, "Informe a senha na entrada padrão"},
      {"user passwd 1", "outra-senha-boa\n", 2, "não tem o direito de administrar"},
      {"user passwd 9", "outra-senha-boa\n", 1, "Usuário 9 não cadastrado"},
  };
  for (const auto& caso : casos) {
    EXPECT_EQ(Comando(caso.Linha, caso.Entrada, caso.Usuario), 1) << caso.Entrada;
    EXPECT_NE(FErro.find(caso.Mensagem), std::string::npos) << FErro;
  }
  EXPECT_EQ(hash(), hash1);
  // Never from the command line.
  EXPECT_EQ(Comando(std::string("user passwd 1 ") + kSenha), 2);
}

// A session: a strict cookie, the trial balance and its drill-down, and no
// change without the session's CSRF token.
TEST_P(TServidorWebTest, SignInGivesAStrictCookieTheTrialBalanceAndChangesNeedTheCsrfToken) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  EXPECT_EQ(Entrar(1, "senha-errada").Status, 401);
  const TSessao sessao = Entrar(1, kSenha);
  ASSERT_EQ(sessao.Status, 200);
  for (const char* atributo : {"HttpOnly", "SameSite=Strict", "Path=/"})
    EXPECT_NE(sessao.SetCookie.find(atributo), std::string::npos) << sessao.SetCookie;
  EXPECT_EQ(sessao.SetCookie.find("Secure"), std::string::npos) << "no TLS, no Secure";

  auto res = Get(sessao, "/api/balancete?empresa=1&de=2025-01-01&ate=2025-12-31&mensal=1");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_NE(res->get_header_value("Content-Security-Policy").find("default-src 'none'"),
            std::string::npos);
  EXPECT_FALSE(res->has_header("Strict-Transport-Security")) << "no TLS, no HSTS";
  const json balancete = json::parse(res->body);
  const json& linhas = balancete["companies"][0]["rows"];
  ASSERT_FALSE(linhas.empty());
  EXPECT_TRUE(balancete["companies"][0]["rows"][0].contains("DEBITO122025"));

  // The drill-down of an analytic row lists entries of its account.
  const auto analitica = std::find_if(linhas.begin(), linhas.end(), [](const json& linha) {
    return linha["TipoConta"] == "A" && linha["SaldoAtual"] != 0;
  });
  ASSERT_NE(analitica, linhas.end());
  const json razao = Ler(sessao, Razao((*analitica)["Filtros"]));
  ASSERT_GE(razao.size(), 2u);
  EXPECT_EQ(razao[0]["CONTACTB"], (*analitica)["CodigoConta"]);

  res = Get(sessao, "/api/balancete?empresa=1&de=2025-01-01&ate=2025-12-31&formato=xlsx");
  ASSERT_EQ(res->status, 200);
  EXPECT_TRUE(res->body.starts_with("PK")) << "a zip: the xlsx";

  const int64_t antes = Lancamentos();
  const std::string documento =
      json{{"aba", "aba1"}, {"documento", LancamentoDemo("2025-08-11", "99,00")}}.dump();
  EXPECT_EQ(Post(sessao, "/api/lancamentos", documento, false)->status, 403);
  EXPECT_EQ(Lancamentos(), antes);
  TSessao outraChave = sessao;
  outraChave.Csrf = std::string(sessao.Csrf.size(), '0');
  EXPECT_EQ(Post(outraChave, "/api/lancamentos", documento)->status, 403);

  res = Post(sessao, "/api/lancamentos", documento);
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_EQ(json::parse(res->body)["result"], "posted") << res->body;
  EXPECT_EQ(Lancamentos(), antes + 1);

  EXPECT_EQ(Post(sessao, "/api/sair", "", false)->status, 403);
  EXPECT_EQ(Post(sessao, "/api/sair", "")->status, 200);
  EXPECT_EQ(Get(sessao, "/api/sessao")->status, 401);
}

TEST_P(TServidorWebTest, EachSessionReachesOnlyItsUsersCompaniesAndRights) {
  ASSERT_NO_FATAL_FAILURE(UsuarioDaEmpresa2());
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao terceiro = Entrar(3, "senha-do-terceiro");
  ASSERT_EQ(terceiro.Status, 200);
  const std::string periodo = "&de=2025-01-01&ate=2025-12-31";
  EXPECT_EQ(Get(terceiro, "/api/balancete?empresa=2" + periodo)->status, 200);
  const std::string semAcesso = "O usuário 3 não tem acesso à empresa 1";
  EXPECT_EQ(Recusa(Get(terceiro, "/api/balancete?empresa=1" + periodo), 403), semAcesso);
  const json filtros = {{"pCodigoEmpresa", "1"},      {"pCodigoEstab", ""},
                        {"pContaCtb", "1101001"},     {"pDataInicial", "01/01/2025"},
                        {"pDataFinal", "31/12/2025"}, {"pTipoSaldoCtb", "0"}};
  EXPECT_EQ(Get(terceiro, Razao(filtros))->status, 403);
  // The operator lacks the right once it is taken from him.
  OperadorSemBalancete();
  const TSessao operador = Entrar(2, kSenhaOperador);
  EXPECT_THAT(Recusa(Get(operador, "/api/balancete?empresa=1" + periodo), 403),
              HasSubstr("não tem o direito"));
  // No session, no answer.
  EXPECT_EQ(Cliente().Get("/api/balancete?empresa=1" + periodo)->status, 401);

  // The entry page: another company's, or without the screen's right.
  EXPECT_EQ(Recusa(Get(terceiro, "/api/lancamentos/tela?empresa=1&aba=t1"), 403), semAcesso);
  for (const char* rota :
       {"/api/lancamentos/tela?empresa=2&aba=t1", "/api/lancamentos/contas?empresa=2&texto=caixa",
        "/api/lancamentos/registro?empresa=2&chave=1",
        "/api/lancamentos/historico?empresa=2&codigo=3&data=11/08/2025",
        "/api/lancamentos/rateio?empresa=2&aba=t1&data=11/08/2025&debito=4203002",
        "/api/lancamentos/rateio/automatico?empresa=2&tipo=gerencial&lado=debito&conta=4203002"
        "&data=11/08/2025&valor=100",
        "/api/lancamentos/rateio/percentuais?empresa=2&conta=4203002",
        "/api/lancamentos/centros?empresa=2&conta=4203002",
        "/api/lancamentos/vinculo?empresa=2&aba=t1&chave=1&tela=extemporaneous",
        "/api/lancamentos/programados?empresa=2&codigo=1&data=11/08/2025",
        "/api/lancamentos/atividades?empresa=2&conta=4203002&data=11/08/2025"})
    EXPECT_THAT(Recusa(Get(terceiro, rota), 403),
                HasSubstr("não tem direito a \"Lançamentos Contábeis\""))
        << rota;
  const int64_t antes = Lancamentos();
  json documento = LancamentoDemo("2025-08-11", "99,00");
  documento["company"] = 2;
  documento["extemporaneous"] = {{"DATAEXTEMP", "15/12/2024"}};
  EXPECT_EQ(Post(terceiro, "/api/lancamentos", Pedido(documento))->status, 403);
  // With the entries' right, another company's entry is still his access
  // refused, not the module's.
  Conexao().ExecuteDirect(
      "delete from EMPRESAUSUARIO where CODIGOUSUARIO = 2 and CODIGOEMPRESA = 2");
  EXPECT_EQ(Recusa(Post(operador, "/api/lancamentos", Pedido(documento)), 403),
            "O usuário 2 não tem acesso à empresa 2");
  EXPECT_EQ(Lancamentos(), antes);
  EXPECT_EQ(Contar("select count(*) from LCTOCTBEXTEMP"), 0);
}

// A linked screen the post showed is read as its action opens it and keyed
// by the entry's document under its key; the module decides which screens
// the entry offers.
TEST_P(TServidorWebTest, EntryPageKeysTheLinkedScreensTheModuleOffers) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  json documento = LancamentoDemo("2025-08-11", "99,00");
  documento["company"] = 2;
  documento["fields"]["CODIGOORIGLCTOCTB"] = "XX";
  const json postado = Lancar(sessao, documento);
  ASSERT_EQ(postado["result"], "posted") << postado;
  ASSERT_EQ(postado["screens"].size(), 1U) << postado;
  EXPECT_EQ(postado["screens"][0]["key"], "extemporaneous");
  const int64_t chave = postado["entry"]["CHAVELCTOCTB"].get<int64_t>();
  const std::string rota =
      "/api/lancamentos/vinculo?empresa=2&aba=t1&chave=" + std::to_string(chave) + "&tela=";

  const json tela = Ler(sessao, rota + "extemporaneous");
  EXPECT_EQ(tela["classe"], "TnCtbDMLctoCtbExtemp");
  const json& campos = tela["campos"];
  const auto data = std::find_if(campos.begin(), campos.end(),
                                 [](const json& campo) { return campo["nome"] == "DATAEXTEMP"; });
  ASSERT_NE(data, campos.end()) << campos;
  EXPECT_EQ((*data)["tipo"], "data");
  EXPECT_TRUE((*data)["obrigatorio"].get<bool>());
  EXPECT_EQ(Contar("select count(*) from LCTOCTBEXTEMP"), 0) << "reading writes nothing";

  const struct {
    const char* Tela;
    const char* Erro;
  } recusas[] = {
      {"participants", "Participantes: o lançamento não oferece esta tela"},
      {"relation", "Lançamento Fiscal/Societário: o lançamento não oferece esta tela"},
      {"outra", "Tela desconhecida: use participants, extemporaneous, q100 ou relation"},
  };
  for (const auto& recusa : recusas)
    EXPECT_EQ(Recusa(Get(sessao, rota + recusa.Tela), 400), recusa.Erro);

  const auto datar = [&](const char* dataOcorrencia) {
    return Lancar(sessao, {{"op", "edit"},
                           {"company", 2},
                           {"key", chave},
                           {"extemporaneous", {{"DATAEXTEMP", dataOcorrencia}}}});
  };
  const json recusado = datar("01/02/2025");
  EXPECT_EQ(recusado["result"], "refused") << recusado;
  EXPECT_EQ(recusado["field"], "DATAEXTEMP");
  EXPECT_EQ(Contar("select count(*) from LCTOCTBEXTEMP"), 0);
  const json datado = datar("15/12/2024");
  ASSERT_EQ(datado["result"], "posted") << datado;
  EXPECT_EQ(Contar("select count(*) from LCTOCTBEXTEMP where CODIGOEMPRESA = 2 and "
                   "DATAEXTEMP = '2024-12-15' and CHAVELCTOCTB = " +
                   std::to_string(chave)),
            1);
}

// The screen's list of the entries a programmed entry made on a date, read
// before the next one is keyed.
TEST_P(TServidorWebTest, EntryPageListsWhatAProgrammedEntryMadeOnTheDate) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  Conexao().ExecuteDirect(
      "insert into LCTOPROG (CODIGOEMPRESA, CODIGOLCTOPROG, DESCRLCTOPROG) values (1, 1, "
      "'Aluguel')");
  json documento = LancamentoDemo("2025-08-14", "99,00");
  documento["fields"]["CODIGOLCTOPROG"] = 1;
  const json postado = Lancar(sessao, documento);
  ASSERT_EQ(postado["result"], "posted") << postado;
  const auto chaves = [&](const std::string& parametros) {
    const json resposta = Ler(sessao, "/api/lancamentos/programados?empresa=1&" + parametros);
    std::vector<int64_t> lista;
    for (const json& linha : resposta["rows"])
      lista.push_back(linha["CHAVELCTOCTB"].get<int64_t>());
    return lista;
  };
  EXPECT_EQ(chaves("codigo=1&data=14/08/2025"),
            std::vector<int64_t>{postado["entry"]["CHAVELCTOCTB"].get<int64_t>()});
  EXPECT_TRUE(chaves("codigo=1&data=15/08/2025").empty());
  EXPECT_EQ(Get(sessao, "/api/lancamentos/programados?empresa=1&codigo=0&data=14/08/2025")->status,
            400);
}

TEST_P(TServidorWebTest, FailedSignInsAreSlowedAndBadInputRefused) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(Entrar(1, "senha-errada").Status, 401);
  EXPECT_EQ(Entrar(1, kSenha).Status, 429) << "even the right password waits";
  auto res =
      Cliente().Post("/api/entrar", "usuario=1&senha=x", "application/x-www-form-urlencoded");
  EXPECT_EQ(res->status, 415);
  res = Cliente().Post("/api/entrar", std::string(ServidorWeb::kMaxCorpo + 1, 'x'),
                       "application/json");
  EXPECT_EQ(res->status, 413);
  EXPECT_EQ(Cliente().Get("/app/..%2F..%2Fetc%2Fpasswd")->status, 404);
}

// A hundred wrong guesses at once from one address: each answer is a 401
// for a password checked, a 429 for one refused unchecked or a 503 for a
// connection beyond the address's share, turned away unread; so the 401s
// count the checks. The owner from another address, and another user from
// the guesser's, still sign in; the guesser waits even with the password.
TEST_P(TServidorWebTest, ConcurrentGuessesCheckFewPasswordsAndSlowOnlyTheGuesser) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  constexpr int kTentativas = 100;
  std::map<int, int> respostas;
  std::mutex trava;
  std::latch largada(kTentativas);
  std::vector<std::thread> tentativas;
  for (int i = 0; i < kTentativas; ++i)
    tentativas.emplace_back([&, i] {
      largada.arrive_and_wait();
      const int status = Entrar(1, "senha-errada-" + std::to_string(i)).Status;
      std::lock_guard<std::mutex> guarda(trava);
      ++respostas[status];
    });
  for (auto& tentativa : tentativas)
    tentativa.join();
  // A connection turned away while its request was still being written
  // gets no answer at all (status 0): a refusal too, never a check.
  EXPECT_EQ(respostas[401] + respostas[429] + respostas[503] + respostas[0], kTentativas);
  EXPECT_GE(respostas[401], 1);
  EXPECT_LE(respostas[401], SegurancaWeb::TLimitadorTentativas::kLivresPar + 1);
  EXPECT_EQ(Entrar(1, kSenha).Status, 429) << "the guesser";
  EXPECT_EQ(Entrar(1, kSenha, "127.0.0.2").Status, 200) << "the owner, elsewhere";
  EXPECT_EQ(Entrar(2, kSenhaOperador).Status, 200) << "another user behind the address";
}

// One user signing in again and again ends his own oldest sessions, never
// fills the server: the administrator still signs in.
TEST_P(TServidorWebTest, SessionsAreBoundedPerUser) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  std::vector<TSessao> sessoes;
  for (size_t i = 0; i < TSessoesWeb::kMaxSessoesPorUsuario + 2; ++i) {
    sessoes.push_back(Entrar(2, kSenhaOperador));
    ASSERT_EQ(sessoes.back().Status, 200);
  }
  for (size_t i = 0; i < sessoes.size(); ++i)
    EXPECT_EQ(Get(sessoes[i], "/api/sessao")->status, i < 2 ? 401 : 200) << i;
  EXPECT_EQ(Entrar(1, kSenha).Status, 200);
}

// A right lowered or raised with `ctb user rights`, and a password changed
// with `ctb user passwd`, reach the sessions already open at their next
// request.
TEST_P(TServidorWebTest, RightsAndPasswordChangesReachOpenSessions) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao operador = Entrar(2, kSenhaOperador);
  const TSessao outraDoOperador = Entrar(2, kSenhaOperador);
  const TSessao administrador = Entrar(1, kSenha);
  const std::string balancete = "/api/balancete?empresa=1&de=2025-01-01&ate=2025-12-31";
  ASSERT_EQ(Get(operador, balancete)->status, 200);
  for (const auto& [linha, status] :
       {std::pair{"user rights 2 --revoke actTnCtbDPConsultaBalanceteMovimento", 403},
        std::pair{"user rights 2 --grant actTnCtbDPConsultaBalanceteMovimento", 200}}) {
    ASSERT_EQ(Comando(linha), 0) << FErro;
    EXPECT_EQ(Get(operador, balancete)->status, status) << linha;
  }
  ASSERT_EQ(Comando("user passwd 2", "nova-senha-do-operador\n"), 0) << FErro;
  for (const TSessao* sessao : {&operador, &outraDoOperador})
    EXPECT_EQ(Recusa(Get(*sessao, "/api/sessao"), 401),
              "Sessão encerrada: a senha do usuário mudou; entre de novo");
  EXPECT_EQ(Get(administrador, "/api/sessao")->status, 200) << "another user's session stays";
  EXPECT_EQ(Entrar(2, "nova-senha-do-operador").Status, 200);
}

// `ctb user rights`: the administrator lists, grants (level 8, names
// without regard to case) and revokes (the row goes); what it refuses.
TEST_P(TServidorWebTest, UserRightsListsGrantsAndRevokes) {
  ASSERT_EQ(Comando("user rights 2 --grant direitolctoigual --grant DireitoLctoIgual --revoke "
                    "actTnCtbDMLctoCtb"),
            0)
      << FErro;
  EXPECT_TRUE(std::regex_search(FSaida, std::regex("\n  DireitoLctoIgual +8 \\(liberado\\)")))
      << FSaida;
  EXPECT_FALSE(std::regex_search(FSaida, std::regex("\n  actTnCtbDMLctoCtb +"))) << FSaida;
  EXPECT_EQ(Contar("select count(*) from DIREITOUSUARIO where CODIGOUSUARIO = 2 and "
                   "upper(NOMEDIREITO) in ('DIREITOLCTOIGUAL', 'ACTTNCTBDMLCTOCTB')"),
            1);
  EXPECT_EQ(Conexao()
                .ExecuteScalar("select NIVEL from DIREITOUSUARIO where CODIGOUSUARIO = 2 and "
                               "NOMEDIREITO = 'DireitoLctoIgual'")
                .AsString(),
            "8");
  EXPECT_EQ(Comando("user rights 2", "", 2), 0) << "his own" << FErro;
  EXPECT_TRUE(FSaida.starts_with("Direitos do usuário 2:\n")) << FSaida;

  std::string demais = "user rights 2";
  for (size_t i = 0; i <= 50; ++i)
    demais += " --grant D" + std::to_string(i);
  const struct {
    std::string Linha;
    int Usuario;
    std::string Mensagem;
  } casos[] = {
      {"user rights 1", 2,
       "O usuário 2 não tem o direito de administrar usuários e direitos "
       "(DireitoAdministrarUsuarios)"},
      {"user rights 2 --grant DireitoLctoCtb", 2,
       "O usuário 2 não tem o direito de administrar usuários e direitos "
       "(DireitoAdministrarUsuarios)"},
      {"user rights 1 --revoke direitoadministrarusuarios", 1,
       "O usuário 1 não pode retirar de si o direito de administrar usuários "
       "(DireitoAdministrarUsuarios)"},
      {"user rights 9", 1, "Usuário 9 não cadastrado"},
      {"user rights 2 --grant 1x;drop", 1,
       "Nome de direito inválido: \"1x;drop\" (uma letra, depois letras, dígitos ou _; até 100)"},
      {"user rights 2 --grant " + std::string(101, 'D'), 1,
       "Nome de direito inválido: \"" + std::string(100, 'D') +
           "\" (uma letra, depois letras, dígitos ou _; até 100)"},
      {"user rights 2 --grant DireitoLctoCtb --revoke direitolctoctb", 1,
       "O direito direitolctoctb está em --grant e em --revoke"},
      {demais, 1, "Informe no máximo 50 direitos por comando"},
  };
  for (const auto& caso : casos)
    Falha(caso.Linha, caso.Mensagem, caso.Usuario);
  EXPECT_EQ(Contar("select count(*) from DIREITOUSUARIO where NOMEDIREITO = 'D0'"), 0);
}

// A compressed body would be inflated by the HTTP library before any limit
// is checked: it is refused unread, even before signing in.
TEST_P(TServidorWebTest, CompressedBodyIsRefusedUnreadAndTheServerStaysSmall) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  ASSERT_EQ(Cliente().Get("/entrar")->status, 200) << "the workers started";
  const int64_t antes = MemoriaServidor();
  httplib::Client cliente = Cliente();
  cliente.set_compress(true);  // gzip: 64 MiB of spaces in some 64 KB
  const std::string bomba(64 << 20, ' ');
  auto res = cliente.Post("/api/entrar", bomba, "application/json");
  ASSERT_TRUE(res) << httplib::to_string(res.error());
  EXPECT_EQ(Recusa(res, 415),
            "Corpo comprimido não aceito: envie a requisição sem Content-Encoding");
  EXPECT_EQ(res->get_header_value("Connection"), "close") << "the unread body is not a request";
  EXPECT_LT(MemoriaServidor() - antes, 32 << 10) << "kB";
}

// Idle and slow connections from one address take at most their share of
// the connections and end quickly; a signed-in person from another address
// is answered at once.
TEST_P(TServidorWebTest, IdleConnectionsFromOneAddressDoNotKeepASignedInRequestWaiting) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  ASSERT_EQ(sessao.Status, 200);
  std::vector<int> ociosas;
  for (int i = 0; i < 200; ++i) {
    const int fd = Conectar("127.0.0.2", FPorta);
    ASSERT_GE(fd, 0) << i;
    ociosas.push_back(fd);
    // Half of them start a request they never finish.
    const std::string inicio = "GET /api/sessao HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (i % 2 == 1)
      ::send(ociosas.back(), inicio.data(), inicio.size(), MSG_NOSIGNAL);
  }
  const auto inicio = std::chrono::steady_clock::now();
  auto res = Get(sessao, "/api/sessao");
  const auto demora = std::chrono::steady_clock::now() - inicio;
  ASSERT_TRUE(res) << httplib::to_string(res.error());
  EXPECT_EQ(res->status, 200);
  EXPECT_LT(demora, std::chrono::seconds(1));

  // Those beyond the address's bound were told so and closed at once; the
  // others are closed once they wait too long.
  size_t recusadas = 0;
  std::vector<int> admitidas;
  for (const int fd : ociosas) {
    const std::optional<std::string> texto = Recebido(fd, std::chrono::milliseconds(50));
    if (texto && texto->starts_with("HTTP/1.1 503 ") &&
        texto->find("Conexões demais abertas com o servidor") != std::string::npos)
      ++recusadas;
    else
      admitidas.push_back(fd);
  }
  EXPECT_EQ(recusadas, ociosas.size() - ConexoesWeb::kMaxPorEndereco);
  const auto fim = ConexoesWeb::kPrazoRequisicao + std::chrono::seconds(3);
  for (const int fd : admitidas)
    EXPECT_TRUE(Recebido(fd, std::chrono::duration_cast<std::chrono::milliseconds>(
                                 fim - (std::chrono::steady_clock::now() - inicio))))
        << "an idle connection was kept open";
  for (const int fd : ociosas)
    ::close(fd);
}

// Over TLS the browser is told to come back only over TLS.
TEST_P(TServidorWebTest, TlsAnswersCarryStrictTransportSecurity) {
  const std::string certificado = (FPasta / "cert.pem").string();
  const std::string chave = (FPasta / "key.pem").string();
  ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                         "-keyout " +
                         chave + " -out " + certificado + " 2>/dev/null && chmod 644 " + chave)
                            .c_str()),
            0);
  ASSERT_NO_FATAL_FAILURE(Iniciar({"--cert", certificado, "--key", chave}));
  httplib::SSLClient cliente("127.0.0.1", FPorta);
  cliente.enable_server_certificate_verification(false);
  auto res = cliente.Get("/entrar");
  ASSERT_TRUE(res) << httplib::to_string(res.error());
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Strict-Transport-Security"), "max-age=31536000");
}

// The journal-entry page's reads: the screen from the web module, the
// account search, the title and balance beside an account (read again after
// a post and a delete of the tab's screen, though the web module never
// adjusts what it read) and an entry to correct; and what they refuse.
TEST_P(TServidorWebTest, EntryPageReadsTheScreenKeepsBalancesFreshAndRefusesBadInput) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  const json tela = Ler(sessao, "/api/lancamentos/tela?empresa=1&aba=t1");
  const json& campos = tela["campos"];
  const auto conta = std::find_if(campos.begin(), campos.end(),
                                  [](const json& campo) { return campo["nome"] == "CONTACTBDEB"; });
  ASSERT_NE(conta, campos.end());
  EXPECT_EQ((*conta)["consulta"], "CONTACTB");
  EXPECT_EQ((*conta)["grupo"], "Debite");
  EXPECT_TRUE(tela["config"].contains("UsaLote"));
  EXPECT_EQ(tela["conteudo"]["grids"][0]["Caption"], "Últimos Lançamentos");
  EXPECT_EQ(tela["avisos"], json::array()) << "no balances by history kept";
  // "Criar Transação" as the module enables it: for the companies that
  // number their transactions, the SPED one judged at its period's first day.
  for (const auto& [empresa, habilitada] : {std::pair{1, false}, {2, true}, {3, true}}) {
    const json acoes = json::parse(
        Get(sessao, fmt::format("/api/lancamentos/tela?empresa={}&aba=sped{}", empresa, empresa))
            ->body)["acoes"];
    const auto criar = std::find_if(acoes.begin(), acoes.end(), [](const json& acao) {
      return acao["nome"] == "nActCriarTransacao";
    });
    ASSERT_NE(criar, acoes.end()) << acoes;
    EXPECT_EQ((*criar)["habilitada"], habilitada) << "empresa " << empresa;
  }
  Conexao().ExecuteDirect("insert into EMPRESASALDOCTBHIST (CODIGOEMPRESA) values (1)");
  const json avisos = Ler(sessao, "/api/lancamentos/tela?empresa=1&aba=t2")["avisos"];
  ASSERT_EQ(avisos.size(), 1U) << avisos;
  EXPECT_TRUE(avisos[0].get<std::string>().starts_with(
      "É importante que seja executado a rotina de recálculo dos saldos por histórico"));

  const json achadas = Ler(sessao, "/api/lancamentos/contas?empresa=1&texto=caixa");
  ASSERT_FALSE(achadas.empty());
  EXPECT_EQ(achadas[0]["apelido"], "CAIXA");
  EXPECT_EQ(Ler(sessao, "/api/lancamentos/contas?empresa=1&texto=1").size(),
            PaginaLancamento::kMaxContas);

  const std::string saldoCaixa =
      "/api/lancamentos/conta?empresa=1&aba=t1&lado=debito&conta=CAIXA&data=2025-08-11&estab=1";
  const auto saldo = [&] { return Ler(sessao, saldoCaixa)["saldo"].get<std::string>(); };
  const std::string antes = saldo();
  EXPECT_TRUE(std::regex_match(antes, std::regex(R"(\(?[0-9.]+,[0-9]{2}\)? [DC])"))) << antes;
  const json postado = Lancar(sessao, LancamentoDemo("2025-08-11", "99,00"));
  ASSERT_EQ(postado["result"], "posted") << postado;
  EXPECT_NE(saldo(), antes);

  const int64_t chave = postado["entry"]["CHAVELCTOCTB"];
  EXPECT_EQ(Ler(sessao,
                "/api/lancamentos/paineis?empresa=1&aba=t1")["grids"][0]["rows"][0]["CHAVELCTOCTB"],
            chave);
  const json registro =
      Ler(sessao, "/api/lancamentos/registro?empresa=1&chave=" + std::to_string(chave));
  EXPECT_EQ(registro["registro"]["VALORLCTOCTB"], 99.0);
  EXPECT_TRUE(registro["cadastro"].get<std::string>().starts_with("Cadastrado por 1 - "))
      << registro["cadastro"];
  EXPECT_TRUE(registro["gerenciais"].is_array());

  const json exclusao = {{"op", "delete"}, {"company", 1}, {"key", chave}, {"answers", {"Sim"}}};
  ASSERT_EQ(Lancar(sessao, exclusao)["result"], "posted");
  EXPECT_EQ(saldo(), antes);

  const struct {
    const char* Rota;
    const char* Mensagem;
  } casos[] = {
      {"/api/lancamentos/tela?empresa=x&aba=t1", "Parâmetro empresa inválido"},
      {"/api/lancamentos/tela?empresa=1&aba=a%20b", "Informe a aba"},
      {"/api/lancamentos/contas?empresa=1&texto=%20", "Informe o número"},
      {"/api/lancamentos/conta?empresa=1&aba=t1&lado=meio&conta=1&data=2025-08-11",
       "Parâmetro lado inválido"},
      {"/api/lancamentos/conta?empresa=1&aba=t1&lado=debito&conta=NADA&data=2025-08-11",
       "Nenhuma conta da empresa 1"},
      {"/api/lancamentos/registro?empresa=1&chave=999999", "Lançamento 999999 não encontrado"},
  };
  for (const auto& caso : casos)
    EXPECT_THAT(Recusa(Get(sessao, caso.Rota), 400), HasSubstr(caso.Mensagem)) << caso.Rota;
  EXPECT_EQ(Get(sessao, "/api/lancamentos/contas?empresa=1&texto=" +
                            std::string(PaginaLancamento::kMaxTextoConta + 1, 'a'))
                ->status,
            400);
  // A number no double holds is the document's fault, not the server's.
  EXPECT_EQ(
      Recusa(
          Post(sessao, "/api/lancamentos",
               R"({"aba": "t1", "documento": {"company": 1, "fields": {"VALORLCTOCTB": 1e400}}})"),
          400),
      "Número fora do intervalo em \"VALORLCTOCTB\": 1e400");
}

// "Continuar Transação" reopens a saved entry's transaction for the next
// entry where the module enables it, checked as the post is.
TEST_P(TServidorWebTest, ContinuingATransactionJoinsTheNextEntryToIt) {
  ASSERT_NO_FATAL_FAILURE(UsuarioDaEmpresa2());
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  const auto continuar = [&](const TSessao& quem, int empresa, const json& chave) {
    return Post(quem,
                fmt::format("/api/lancamentos/transacao/continuar?empresa={}&aba=c{}&chave={}",
                            empresa, empresa, chave.dump()),
                "");
  };
  const auto lancar = [&](int empresa, const char* valor) {
    json documento = LancamentoDemo("2025-08-11", valor);
    documento["company"] = empresa;
    return Lancar(sessao, documento, empresa == 2 ? "c2" : "c1");
  };
  const json primeiro = lancar(2, "10,00");
  ASSERT_EQ(primeiro["result"], "posted") << primeiro;
  const json numero = primeiro["transaction"]["TRANSCTB"];
  EXPECT_EQ(primeiro["transaction"]["open"], false);
  auto res = continuar(sessao, 2, primeiro["entry"]["CHAVELCTOCTB"]);
  ASSERT_EQ(res->status, 200) << res->body;
  const json aberta = json::parse(res->body)["transaction"];
  EXPECT_EQ(aberta["TRANSCTB"], numero);
  EXPECT_EQ(aberta["open"], true);
  EXPECT_EQ(aberta["debit"], 10.0);
  const json segundo = lancar(2, "20,00");
  ASSERT_EQ(segundo["result"], "posted") << segundo;
  EXPECT_EQ(segundo["transaction"]["TRANSCTB"], numero);
  EXPECT_EQ(segundo["transaction"]["debit"], 30.0);

  const json naoNumera = lancar(1, "10,00");
  ASSERT_EQ(naoNumera["result"], "posted") << naoNumera;
  EXPECT_EQ(Recusa(continuar(sessao, 1, naoNumera["entry"]["CHAVELCTOCTB"]), 400),
            "Continuar Transação: indisponível — o módulo não a habilita nesta empresa");
  EXPECT_EQ(Post(sessao, "/api/lancamentos/transacao/continuar?empresa=2&aba=c2&chave=1", "", false)
                ->status,
            403);
  EXPECT_EQ(continuar(Entrar(3, "senha-do-terceiro"), 2, primeiro["entry"]["CHAVELCTOCTB"])->status,
            403);
}

// The panel of last entries and the ledger behind the trial balance show a
// standard history in words, filled from the entry or from what the person
// typed.
TEST_P(TServidorWebTest, LastEntriesAndLedgerShowHistoriesInWords) {
  Escrever("h.csv",
           "CODIGOHISTCTB,DESCRHISTCTB,CODIGOGRUPOHISTCTB,STATUS\n"
           "93,Recebido de [DICTEXTOCONTACRED] ref. [DICDATAMESANOATUAL],1,0\n");
  ASSERT_EQ(Comando("load HISTORICOCTB h.csv"), 0) << FErro;
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  ASSERT_EQ(Get(sessao, "/api/lancamentos/tela?empresa=1&aba=t1")->status, 200);
  std::map<int64_t, std::string> esperados;
  for (const auto& [complemento, esperado] :
       {std::pair{"", "Recebido de Banco do Brasil S.A. - C/C ref. 08/2025"},
        std::pair{"Banco da praça|agosto|", "Recebido de Banco da praça ref. agosto"}}) {
    nlohmann::ordered_json documento = LancamentoDemoComHistorico(93, complemento);
    documento["fields"]["VALORLCTOCTB"] = "99,00";
    // Posted as typed: the keys in the order a person types them.
    const json postado =
        json::parse(Post(sessao, "/api/lancamentos",
                         nlohmann::ordered_json{{"aba", "t1"}, {"documento", documento}}.dump())
                        ->body);
    ASSERT_EQ(postado["result"], "posted") << postado;
    esperados[postado["entry"]["CHAVELCTOCTB"]] = esperado;
    EXPECT_EQ(Ler(sessao,
                  "/api/lancamentos/paineis?empresa=1&aba=t1")["grids"][0]["rows"][0]["HISTORICO"],
              esperado);
  }
  const json filtros = {{"pCodigoEmpresa", "1"},        {"pCodigoEstab", ""},
                        {"pContaCtb", "1101001"},       {"pTipoSaldoCtb", "0"},
                        {"pDataInicial", "2025-08-11"}, {"pDataFinal", "2025-08-11"}};
  std::map<int64_t, std::string> razao;
  for (const json& linha : Ler(sessao, Razao(filtros)))
    if (linha["CHAVELCTOCTB"].is_number() && esperados.count(linha["CHAVELCTOCTB"]))
      razao[linha["CHAVELCTOCTB"]] = linha["HISTORICO"];
  EXPECT_EQ(razao, esperados);
}

// A session reads the chart once per request, not once per session: the
// chart changed by another program between two posts refuses the second.
TEST_P(TServidorWebTest, ChartChangedBetweenTwoRequestsReachesTheSecond) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  ASSERT_EQ(Lancar(sessao, LancamentoDemo("2025-08-11", "10,00"))["result"], "posted");
  Conexao().ExecuteDirect(
      "update PLANOESPEC set TIPOCONTA = 1 where CODIGOEMPRESA = 1 and APELIDOCONTA = 'CAIXA'");
  const json recusado = Lancar(sessao, LancamentoDemo("2025-08-11", "10,00"));
  EXPECT_EQ(recusado["result"], "refused") << recusado;
  EXPECT_EQ(recusado["message"], nCtbSTipoContaInvalidaDeb) << recusado;
}

// The page's document: amounts as a person types them, read the Brazilian
// way (a text the reader refuses is a refusal of its field), a required
// field left empty named by its label; the entry reopened with its amounts
// as typed; the module's own fields closed; each company's fiscal year.
TEST_P(TServidorWebTest, EntryPageReadsAmountsAsTypedAndNamesFieldsByLabel) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  const auto postar = [&](const char* valor, const char* semCampo) {
    json documento = LancamentoDemo("2025-08-11", valor);
    documento["fields"].erase(semCampo);
    return Lancar(sessao, documento);
  };
  const int64_t antes = Lancamentos();
  const struct {
    const char* Valor;
    const char* SemCampo;
    const char* Campo;
    const char* Mensagem;
  } recusas[] = {
      {"12.3", "", "VALORLCTOCTB",
       "Valor R$: número inválido: '12.3' (use vírgula decimal e ponto só entre milhares: "
       "1.234,56)"},
      {"1.234,56", "CODIGOHISTCTB", "CODIGOHISTCTB", "Histórico deve ter um valor"},
  };
  for (const auto& recusa : recusas) {
    const json resultado = postar(recusa.Valor, recusa.SemCampo);
    EXPECT_EQ(resultado["result"], "refused") << resultado;
    EXPECT_EQ(resultado["field"], recusa.Campo);
    EXPECT_EQ(resultado["message"], recusa.Mensagem);
  }
  EXPECT_EQ(Lancamentos(), antes);

  const json postado = postar("1.234,5", "");
  ASSERT_EQ(postado["result"], "posted") << postado;
  const std::string chave = std::to_string(postado["entry"]["CHAVELCTOCTB"].get<int64_t>());
  EXPECT_EQ(Contar("select count(*) from LCTOCTB where CHAVELCTOCTB = " + chave +
                   " and VALORLCTOCTB * 100 = 123450"),
            1);
  EXPECT_EQ(
      Ler(sessao, "/api/lancamentos/registro?empresa=1&chave=" + chave)["valores"],
      (json{{"VALORLCTOCTB", "1.234,50"}, {"VALORLCTOMOEDA", nullptr}, {"COTACAOMOEDA", nullptr}}));

  const json tela = Ler(sessao, "/api/lancamentos/tela?empresa=1&aba=t1");
  std::map<std::string, std::pair<bool, bool>> campos;
  for (const json& campo : tela["campos"])
    campos[campo["nome"]] = {campo["fechado"], campo["obrigatorio"]};
  EXPECT_EQ(campos["CHAVELCTOCTB"], std::pair(true, false));
  EXPECT_EQ(campos["ORIGEMDADO"], std::pair(true, false));
  EXPECT_EQ(campos["CODIGOHISTCTB"], std::pair(false, true));
  EXPECT_EQ(tela["historicos"][2],
            (json{{"CODIGOHISTCTB", 3}, {"DESCRHISTCTB", "Venda de mercadorias à vista"}}));
  // A history in words for the entry being keyed.
  const struct {
    const char* Parametros;
    const char* Texto;
  } historicos[] = {
      {"codigo=2&debito=1101001", "Venda de mercadorias a prazo a Caixa Geral"},
      {"codigo=2&debito=1101001&complemento=Loja%7C", "Venda de mercadorias a prazo a Loja"},
      {"codigo=999", nullptr},
  };
  for (const auto& caso : historicos) {
    auto res = Get(sessao, std::string("/api/lancamentos/historico?empresa=1&data=11/08/2025&") +
                               caso.Parametros);
    if (caso.Texto == nullptr)
      EXPECT_EQ(Erro(res), "Histórico 999 não cadastrado");
    else
      EXPECT_EQ(json::parse(res->body)["texto"], caso.Texto) << res->body;
  }
  EXPECT_EQ(Ler(sessao, "/api/sessao")["empresas"][0]["exercicio"],
            (json{{"de", "2025-01-01"}, {"ate", "2025-12-31"}}));
}

// The splits of an entry keyed on the page: the sides that take them, the
// automatic rows the split modules compute (nothing written), the account's
// rates, the cost centres the account allows; then the entry posted with its
// split typed as the page shows amounts.
TEST_P(TServidorWebTest, EntryPageKeysSplitsWithTheModulesRules) {
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  const std::string data = "&data=15/08/2025";
  const auto ler = [&](const std::string& rota) { return Ler(sessao, "/api/lancamentos/" + rota); };
  const int64_t gerenciais = Contar("select count(*) from LCTOGER");
  const int64_t antes = Lancamentos();
  EXPECT_EQ(
      ler("rateio?empresa=1&aba=t1&debito=4203002&credito=BANCO" + data),
      (json{{"debito",
             {{"conta", 4203002}, {"gerencial", true}, {"abre", false}, {"atividades", false}}},
            {"credito",
             {{"conta", 1101003}, {"gerencial", false}, {"abre", false}, {"atividades", false}}}}));
  // Rates 60 %, 25 %, 15 %: largest first, the cent left to the highest
  // cost centre when they reach 100 %.
  const struct {
    const char* Parametros;
    json Linhas;
  } automaticos[] = {
      {"tipo=gerencial&lado=debito&conta=4203002&valor=1.000,01",
       {{{"codigo", 201}, {"descricao", "Vendas"}, {"valor", "600,01"}},
        {{"codigo", 202}, {"descricao", "Marketing"}, {"valor", "250,00"}},
        {{"codigo", 301}, {"descricao", "Logística"}, {"valor", "150,00"}}}},
      {"tipo=gerencial&lado=credito&conta=BANCO&valor=10", json::array()},
  };
  for (const auto& caso : automaticos)
    EXPECT_EQ(ler(std::string("rateio/automatico?empresa=1&") + caso.Parametros + data)["linhas"],
              caso.Linhas);
  EXPECT_EQ(Contar("select count(*) from LCTOGER"), gerenciais);
  EXPECT_EQ(
      ler("rateio/percentuais?empresa=1&conta=4203002"),
      (json{{"titulo", "Percentuais Conta Contábil: 4203002"},
            {"linhas",
             {"Centro Custo: 201 - Vendas (60,00 %)", "Centro Custo: 202 - Marketing (25,00 %)",
              "Centro Custo: 301 - Logística (15,00 %)", "Rateio Total: 100,00 %"}}}));
  EXPECT_EQ(ler("rateio/percentuais?empresa=1&conta=BANCO"),
            (json{{"mensagem", "Não existem rateios automáticos para esta conta contábil!"}}));
  // The cost centres the account allows, when it limits them; the
  // activities of the account's group in force at the date.
  const auto codigos = [&](const std::string& rota) {
    std::vector<int64_t> lista;
    for (const json& achado : ler(rota))
      lista.push_back(achado["codigo"]);
    return lista;
  };
  const std::string centros = "centros?empresa=1&conta=4203002";
  EXPECT_EQ(codigos(centros + "&texto=mark"), std::vector<int64_t>{202});
  EXPECT_EQ(codigos(centros).size(), 7u);
  Conexao().ExecuteDirect(
      "insert into CENTROCUSTOCONTA (CODIGOEMPRESA, CONTACTB, CENTROSCUSTO) values (1, 4203002, "
      "'201-202')");
  EXPECT_EQ(codigos(centros), (std::vector<int64_t>{201, 202}));
  const std::string atividades = "atividades?empresa=3&conta=VENDAS&data=";
  EXPECT_EQ(codigos(atividades + "15/03/2025"), std::vector<int64_t>{1});
  EXPECT_EQ(codigos(atividades + "15/08/2025"), (std::vector<int64_t>{1, 2}));
  EXPECT_EQ(codigos(atividades + "15/08/2025&texto=indus"), std::vector<int64_t>{2});
  EXPECT_TRUE(codigos("atividades?empresa=3&conta=CAIXA&data=15/08/2025").empty());

  json documento = LancamentoDemo("2025-08-15", "100,00");
  documento["fields"]["CONTACTBDEB"] = 4203002;
  const auto postar = [&](int centro, const char* valor) {
    documento["managerial"] = {{"debit",
                                {{{"CODIGOCENTROCUSTO", 201}, {"VALORLCTOGER", "60,00"}},
                                 {{"CODIGOCENTROCUSTO", centro}, {"VALORLCTOGER", valor}}}}};
    return Lancar(sessao, documento);
  };
  const struct {
    int Centro;
    const char* Valor;
    const char* Mensagem;
  } recusas[] = {
      {202, "40.0",
       "Lançamento gerencial a débito 2: número inválido: '40.0' (use vírgula decimal e ponto só "
       "entre milhares: 1.234,56)"},
      {201, "40,00",
       "Lançamento gerencial a débito 2: Já existe lançamento para o centro de custo com código "
       "201. Para alterar utilize a opção de Editar."},
  };
  for (const auto& recusa : recusas) {
    const json recusado = postar(recusa.Centro, recusa.Valor);
    EXPECT_EQ(recusado["result"], "refused");
    EXPECT_EQ(recusado["message"], recusa.Mensagem);
  }
  EXPECT_EQ(Contar("select count(*) from LCTOGER"), gerenciais);
  EXPECT_EQ(Lancamentos(), antes);
  const json postado = postar(202, "40,00");
  ASSERT_EQ(postado["result"], "posted") << postado;
  EXPECT_EQ(Contar("select count(*) from LCTOGER where CHAVELCTOCTB = " +
                   std::to_string(postado["entry"]["CHAVELCTOCTB"].get<int64_t>()) +
                   " and ORIGEMDADO = 2"),
            2);
  // Read back for a correction, a row's amount comes as it is typed.
  const json registro = Ler(sessao, "/api/lancamentos/registro?empresa=1&chave=" +
                                        postado["entry"]["CHAVELCTOCTB"].dump());
  EXPECT_EQ(registro["gerenciais"][1]["VALORLCTOGER"], "40,00") << registro;
  // "Refaz rateio automático" on the web screen, which has no button for it:
  // the rows the automatic read showed, written as automatic (the account
  // allowed every cost centre again, on another tab: a screen reads what an
  // account allows once).
  Conexao().ExecuteDirect("delete from CENTROCUSTOCONTA");
  documento["fields"]["VALORLCTOCTB"] = "1.000,01";
  documento["managerial"] = {{"redo", {"debit"}}};
  documento["answers"] = {"Sim"};
  const json refeito = Lancar(sessao, documento, "t2");
  ASSERT_EQ(refeito["result"], "posted") << refeito;
  EXPECT_EQ(Contar("select count(*) from LCTOGER where ORIGEMDADO = 1 and CHAVELCTOCTB = " +
                   std::to_string(refeito["entry"]["CHAVELCTOCTB"].get<int64_t>()) +
                   " and ((CODIGOCENTROCUSTO = 201 and VALORLCTOGER * 100 = 60001) or "
                   "(CODIGOCENTROCUSTO = 202 and VALORLCTOGER * 100 = 25000) or "
                   "(CODIGOCENTROCUSTO = 301 and VALORLCTOGER * 100 = 15000))"),
            3);
}

// `ctb serve` started as the administrator starts it the first time: it
// says where to open the pages and, while no user has a password, how to
// set one.
constexpr const char* kSemSenha =
    "Nenhum usuário tem senha para entrar: defina a de um usuário com `ctb user passwd N` (N: o "
    "código do usuário; docs/web.md)\n";

class TServirTest : public TCtbDemoTest {
 protected:
  // What the server prints until it listens; then it is stopped.
  std::string Aviso() {
    const pid_t servidor = Iniciar(NoBanco({"serve", "--port", "0"}));
    for (int i = 0; i < 200 && Arquivo("out.txt").find("no navegador") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(servidor, SIGTERM);
    EXPECT_EQ(Aguardar(servidor), 0) << FErro;
    return FSaida;
  }
};

TEST_P(TServirTest, SaysWhereToOpenItAndHowToSetAFirstPassword) {
  const std::regex endereco(
      R"(Servidor em http://127\.0\.0\.1:([0-9]+)/\nAbra http://127\.0\.0\.1:\1/ no navegador\n$)");
  std::string aviso = Aviso();
  EXPECT_TRUE(aviso.starts_with(kSemSenha)) << aviso;
  EXPECT_TRUE(std::regex_search(aviso, endereco)) << aviso;

  ASSERT_EQ(Comando("user passwd 2", "senha-do-operador\n"), 0) << FErro;
  aviso = Aviso();
  EXPECT_EQ(aviso.find("Nenhum usuário tem senha"), std::string::npos) << aviso;
  EXPECT_TRUE(std::regex_search(aviso, endereco)) << aviso;
}

CTB_INSTANTIATE_ENGINES(TServirTest);

CTB_INSTANTIATE_ENGINES(TServidorWebTest);

}  // namespace

// The ledger page a page at a time: the running balance goes on from page to
// page from the opening balance to the closing one; the search finds the
// entries of an account and an amount; the statements balance. Another
// company's, or without the right, each is refused.
TEST_P(TServidorWebTest, LedgerPagesCarryTheBalanceAndTheSearchAndStatementsAnswer) {
  ASSERT_NO_FATAL_FAILURE(UsuarioDaEmpresa2());
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  // The account with the most entries on the debit side of 2025.
  const int64_t conta = Contar(
      "select CONTACTBDEB from LCTOCTB where CODIGOEMPRESA = 1 and DATALCTOCTB >= '2025-01-01' "
      "group by CONTACTBDEB order by count(*) desc, CONTACTBDEB limit 1");
  const std::string razao = "/api/paginas/razao?empresa=1&conta=" + std::to_string(conta) +
                            "&de=2025-01-01&ate=31/12/2025";
  const auto comSinal = [](const json& saldo) {
    return saldo["dc"] == "C" ? -saldo["valor"].get<double>() : saldo["valor"].get<double>();
  };
  const int64_t total = Ler(sessao, razao + "&tamanho=1")["total"];
  ASSERT_GT(total, 3);
  const int64_t tamanho = (total + 2) / 3;
  json pagina = Ler(sessao, razao + "&tamanho=" + std::to_string(tamanho));
  double saldo = comSinal(pagina["saldoAnterior"]);
  int64_t lidas = 0;
  for (int64_t numero = 1; numero <= pagina["paginas"]; ++numero) {
    pagina = Ler(sessao, razao + "&tamanho=" + std::to_string(tamanho) +
                             "&pagina=" + std::to_string(numero));
    for (const json& linha : pagina["linhas"]) {
      saldo += linha["debito"].is_null() ? -linha["credito"].get<double>()
                                         : linha["debito"].get<double>();
      EXPECT_NEAR(comSinal(linha["saldo"]), saldo, 0.005) << linha.dump();
      ++lidas;
    }
  }
  EXPECT_EQ(lidas, total);
  EXPECT_NEAR(comSinal(pagina["saldoFinal"]), saldo, 0.005);

  const std::string pesquisa = "/api/paginas/pesquisa?empresa=1&de=01/01/2025&ate=2025-12-31";
  const json achados = Ler(sessao, pesquisa + "&conta=" + std::to_string(conta))["linhas"];
  ASSERT_FALSE(achados.empty());
  for (const json& achado : achados)
    EXPECT_TRUE(achado["debito"]["conta"] == conta || achado["credito"]["conta"] == conta)
        << achado.dump();
  const double valor = achados[0]["valor"];
  const std::string valorTexto = fmt::format("{:.2f}", valor);
  const json porValor = Ler(sessao, pesquisa + "&valor=" +
                                        httplib::detail::encode_query_param(std::regex_replace(
                                            valorTexto, std::regex("\\."), ",")))["linhas"];
  ASSERT_FALSE(porValor.empty());
  for (const json& achado : porValor)
    EXPECT_DOUBLE_EQ(achado["valor"].get<double>(), valor);

  const std::string demonstracoes =
      "/api/paginas/demonstracoes?empresa=1&de=01/01/2025&ate=2025-12-31";
  const json demonstrado = Ler(sessao, demonstracoes);
  EXPECT_TRUE(demonstrado["confere"]) << demonstrado["equacao"];
  EXPECT_FALSE(demonstrado["balanco"].empty());
  EXPECT_EQ(demonstrado["anterior"]["ate"], "2024-12-31");

  // Refused: another company's, a branch the company lacks, a right missing, an input
  // out of bounds.
  const TSessao terceiro = Entrar(3, "senha-do-terceiro");
  OperadorSemBalancete();
  const TSessao operador = Entrar(2, kSenhaOperador);
  const json filtros = {{"pCodigoEmpresa", "1"},
                        {"pCodigoEstab", "9"},
                        {"pContaCtb", std::to_string(conta)},
                        {"pDataInicial", "01/01/2025"},
                        {"pDataFinal", "31/12/2025"},
                        {"pTipoSaldoCtb", "0"}};
  const struct {
    const TSessao& Quem;
    std::string Caminho;
    int Status;
    const char* Erro;
  } casos[] = {
      {terceiro, razao, 403, "O usuário 3 não tem acesso à empresa 1"},
      {sessao, razao + "&estab=9", 403, "Estabelecimento 9 não cadastrado"},
      {sessao, Razao(filtros), 403, "Estabelecimento 9 não cadastrado"},
      {terceiro, pesquisa, 403, "O usuário 3 não tem acesso à empresa 1"},
      {terceiro, "/api/paginas/pesquisa?empresa=2&de=01/01/2025&ate=31/12/2025", 403,
       "não tem direito a \"Lançamentos Contábeis\""},
      {operador, razao, 403, "não tem o direito de abrir o Balancete"},
      {terceiro, demonstracoes, 403, "O usuário 3 não tem acesso à empresa 1"},
      {operador, demonstracoes, 403, "não tem o direito de abrir o Balancete"},
      {sessao, razao + "&tamanho=501", 400, "Parâmetro tamanho inválido: use um número de 1 a 500"},
      {sessao, pesquisa + "&texto=" + std::string(101, 'a'), 400, "Parâmetro texto longo demais"},
      {sessao, pesquisa + "&valor=1.2.3", 400, "Valor: "},
  };
  for (const auto& caso : casos)
    EXPECT_THAT(Recusa(Get(caso.Quem, caso.Caminho), caso.Status), HasSubstr(caso.Erro))
        << caso.Caminho;
  EXPECT_EQ(Cliente().Get(razao)->status, 401);
}

// The deleted entries' page: listed under the log's right, one restored
// under the restore's right with the session's CSRF token; every refusal
// writes nothing.
TEST_P(TServidorWebTest, DeletedEntriesAreRestoredOnlyWithTheRightAndTheCsrfToken) {
  ASSERT_NO_FATAL_FAILURE(UsuarioDaEmpresa2());
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  const TSessao operador = Entrar(2, kSenhaOperador);
  const TSessao terceiro = Entrar(3, "senha-do-terceiro");
  const std::string lista = "/api/paginas/excluidos?empresa=2&de=01/12/2025&ate=2025-12-31";
  const json excluidos = Ler(sessao, lista);
  ASSERT_FALSE(excluidos.empty());
  const int64_t id = excluidos[0]["IDLCTOCTBEXCL"];
  const std::string pedido = json{{"empresa", 2}, {"id", id}}.dump();
  const auto restaurados = [&] {
    return Contar("select count(*) from LCTOCTB where CODIGOEMPRESA = 2");
  };
  const int64_t antes = restaurados();

  EXPECT_EQ(Get(terceiro, lista)->status, 403);
  const struct {
    const TSessao& Quem;
    bool ComCsrf;
    int Status;
    const char* Erro;
  } recusas[] = {
      {sessao, false, 403, "falta o token CSRF"},
      {operador, true, 403, "não tem o direito DireitoRestaurarLancamentoExcluido"},
      {terceiro, true, 403, "não tem o direito DireitoRestaurarLancamentoExcluido"},
  };
  for (const auto& recusa : recusas)
    EXPECT_THAT(
        Recusa(Post(recusa.Quem, "/api/paginas/excluidos/restaurar", pedido, recusa.ComCsrf),
               recusa.Status),
        HasSubstr(recusa.Erro));
  EXPECT_EQ(restaurados(), antes);

  auto res = Post(sessao, "/api/paginas/excluidos/restaurar", pedido);
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_NE(json::parse(res->body)["mensagem"].get<std::string>().find("restaurado com a chave"),
            std::string::npos)
      << res->body;
  EXPECT_EQ(restaurados(), antes + 1);
  EXPECT_THAT(Recusa(Post(sessao, "/api/paginas/excluidos/restaurar", pedido), 400),
              HasSubstr("já foi restaurado ou eliminado"));
  EXPECT_EQ(restaurados(), antes + 1);
}

// A statement uploaded with its map and rules: previewed (the rows it would
// post and those the rules refuse, nothing written), then posted once
// confirmed; the OFX that repeats rows previews only its new ones. Without
// the company, the right or the CSRF token, nothing is written.
TEST_P(TServidorWebTest, AStatementIsPreviewedThenPostedOnlyWhenConfirmed) {
  ASSERT_NO_FATAL_FAILURE(UsuarioDaEmpresa2());
  ASSERT_NO_FATAL_FAILURE(Iniciar());
  const TSessao sessao = Entrar(1, kSenha);
  const TSessao terceiro = Entrar(3, "senha-do-terceiro");
  const std::string exemplos = CTB_EXEMPLOS_DIR;
  const auto ler = [&](const std::string& nome) {
    std::ifstream arquivo(exemplos + "/" + nome, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(arquivo), {});
  };
  const auto enviar = [&](const TSessao& quem, const std::string& extrato,
                          const std::string& regras, const char* empresa, bool confirmar,
                          bool comCsrf = true) {
    httplib::MultipartFormDataItems partes = {
        {"empresa", empresa, "", ""},
        {"conta", "BANCO", "", ""},
        {"extrato", extrato, "extrato", "application/octet-stream"},
        {"regras", regras, "regras.json", "application/json"}};
    if (extrato.starts_with("Data;"))
      partes.push_back({"mapa", ler("extrato-mapa.json"), "mapa.json", "application/json"});
    if (confirmar)
      partes.push_back({"confirmar", "1", "", ""});
    httplib::Headers cabecalhos = {{"Cookie", quem.Cookie}};
    if (comCsrf)
      cabecalhos.emplace(ServidorWeb::kCabecalhoCsrf, quem.Csrf);
    return Cliente().Post("/api/paginas/importar", cabecalhos, partes);
  };
  const std::string csv = ler("extrato-janeiro.csv");
  const std::string regras = ler("extrato-regras.json");
  const int64_t antes = Lancamentos();

  // Only the fees' rule: the other rows are refused, by their line.
  auto res = enviar(sessao, csv,
                    R"({"rules": [{"contains": "TARIFA", "account": "TARIFAS", "history": 15}],
                        "values": {"CODIGOESTAB": 1}})",
                    "1", false);
  ASSERT_EQ(res->status, 200) << res->body;
  json previa = json::parse(res->body);
  ASSERT_EQ(previa["gravar"].size(), 3u) << res->body;
  EXPECT_EQ(previa["gravar"][0]["debito"]["conta"], 4205001);
  EXPECT_EQ(previa["gravar"][0]["valor"], 45.9);
  EXPECT_EQ(previa["recusas"].size(), 4u);
  EXPECT_EQ(previa["recusas"][0]["linha"], 2);
  EXPECT_NE(previa["recusas"][0]["mensagem"].get<std::string>().find("nenhuma regra"),
            std::string::npos);

  const struct {
    const TSessao& Quem;
    const char* Empresa;
    bool ComCsrf;
    const char* Erro;
  } recusas[] = {
      {sessao, "1", false, "falta o token CSRF"},
      {terceiro, "1", true, "O usuário 3 não tem acesso à empresa 1"},
      {terceiro, "2", true, "não tem direito a \"Lançamentos Contábeis\""},
  };
  for (const auto& recusa : recusas)
    EXPECT_THAT(Recusa(enviar(recusa.Quem, csv, regras, recusa.Empresa, true, recusa.ComCsrf), 403),
                HasSubstr(recusa.Erro));
  EXPECT_EQ(Lancamentos(), antes);

  res = enviar(sessao, csv, regras, "1", false);
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_EQ(json::parse(res->body)["gravar"].size(), 7u);
  EXPECT_EQ(Lancamentos(), antes);
  res = enviar(sessao, csv, regras, "1", true);
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_EQ(json::parse(res->body)["relatorio"], "0 já importadas, 7 gravadas");
  EXPECT_EQ(Lancamentos(), antes + 7);

  res = enviar(sessao, ler("extrato-janeiro.ofx"), regras, "1", false);
  ASSERT_EQ(res->status, 200) << res->body;
  previa = json::parse(res->body);
  EXPECT_EQ(previa["jaImportadas"], 4);
  EXPECT_EQ(previa["gravar"].size(), 3u);
  EXPECT_EQ(Lancamentos(), antes + 7);
}
