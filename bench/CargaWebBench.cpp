// Many people keying entries at once through one `ctb serve`: each session
// is a user of its own, signed in with his password, posting entry after
// entry on his browser tab's screen (`POST /api/lancamentos`) for a fixed
// time, as fast as the server answers. Reports the entries per second, the
// latency of a post (p50, p99, max), the errors and the server's peak
// resident memory.
//
// Then a check, exit 1 on any difference: every entry the server said it
// posted is in LCTOCTB once, under the key it returned, as it was sent
// (date, accounts, amount, user); LCTOCTB holds no other new entry; the
// balance tables equal a recomputation from the entries. A request that
// failed (no answer, an HTTP error, a result other than "posted") is also a
// failure of the run.
//
// The database is a demo company (`ctb demo`) with one operator user per
// session (the demo operator's rights: entries only in the company's user
// window, July to December); the passwords are set by `ctb user passwd`.
// The server listens on 127.0.0.1 only, on a free port. Runs on SQLite,
// then on PostgreSQL when CTB_TEST_PG names a server (a schema of its own,
// dropped at the end).
//
// With --attack the same sessions then key as long again while three
// clients attack the server (TAtaque: idle connections, password guesses,
// compressed and oversized bodies); the two phases are printed side by
// side, with the attacked phase's p99 latency over the quiet one's
// (target: at most 2), its errors (target: none) and the server's peak
// memory while keying (target: under 200 MB).
//
// Usage: bench_web_load [sessions] [seconds] [--attack]   (default 50 60;
// at most 200 sessions, the server's limit, and an hour). CTB names the
// program when set, else the one built beside this benchmark.

#include <arpa/inet.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "bench/PastaTemporaria.h"
#include "bench/VerificacaoBench.h"
#include "framework/core/Currency.h"
#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/db/TnDMConexao.h"
#include "host/demo/DemoEmpresa.h"

namespace {

using json = nlohmann::json;
using TRelogio = std::chrono::steady_clock;

constexpr int kEmpresa = 1;
constexpr int kOperadorDemo = 2;
constexpr int kPrimeiroUsuario = 101;
constexpr int kMaxSessoes = 200;
constexpr int kMaxSegundos = 3600;
constexpr int kHistorico = 3;
// Times a sign-in turned away (429) is tried again before it counts as an
// error: fifty at 1–5 s each covers fifty checks four at a time.
constexpr int kMaxEsperasEntrada = 30;
// Cash and bank accounts of the demo chart: no apportionment, so an entry
// between two of them is the entry alone. Both directions of each pair are
// keyed, so concurrent entries touch the same balance rows in both orders.
constexpr const char* kApelidos[] = {"CAIXA", "FUNDOFIXO", "BANCO",
                                     "ITAU",  "BRADESCO",  "APLICACAO"};

// The program, run with its standard streams on files of the run's folder.
class TProcessos {
 public:
  TProcessos(std::string ctb, const TPastaTemporaria& pasta)
      : FCtb(std::move(ctb)), FPasta(pasta) {}

  pid_t Iniciar(const std::vector<std::string>& args, const std::string& entrada,
                const std::string& prefixo) const {
    const std::string arquivoEntrada = FPasta.Arquivo((prefixo + ".in").c_str());
    std::ofstream(arquivoEntrada, std::ios::binary) << entrada;
    const std::string saida = FPasta.Arquivo((prefixo + ".out").c_str());
    const std::string erros = FPasta.Arquivo((prefixo + ".err").c_str());
    std::vector<std::string> argv = {FCtb};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> ponteiros;
    for (std::string& arg : argv)
      ponteiros.push_back(arg.data());
    ponteiros.push_back(nullptr);
    const pid_t filho = ::fork();
    if (filho == 0) {
      const auto redirecionar = [](const std::string& nome, int flags, int alvo) {
        const int fd = ::open(nome.c_str(), flags, 0600);
        return fd >= 0 && ::dup2(fd, alvo) >= 0 && ::close(fd) == 0;
      };
      if (redirecionar(arquivoEntrada, O_RDONLY, 0) &&
          redirecionar(saida, O_WRONLY | O_CREAT | O_TRUNC, 1) &&
          redirecionar(erros, O_WRONLY | O_CREAT | O_TRUNC, 2))
        ::execv(FCtb.c_str(), ponteiros.data());
      ::_exit(127);
    }
    if (filho < 0)
      throw Exception("fork falhou");
    return filho;
  }

  // Runs to the end; Exception with its standard error unless it exits 0.
  void Rodar(const std::vector<std::string>& args, const std::string& entrada = "") const {
    const int status = Esperar(Iniciar(args, entrada, "run"));
    if (status != 0)
      throw Exception(fmt::format("ctb {} saiu com {}: {}", args.front(), status, Ler("run.err")));
  }

  static int Esperar(pid_t processo) {
    int status = 0;
    if (::waitpid(processo, &status, 0) != processo)
      return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::string Ler(const std::string& nome) const {
    std::ifstream entrada(FPasta.Arquivo(nome.c_str()), std::ios::binary);
    return {std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>()};
  }

 private:
  const std::string FCtb;
  const TPastaTemporaria& FPasta;
};

// `ctb serve` on a free port of the loopback.
class TServidor {
 public:
  TServidor(const TProcessos& processos, const std::vector<std::string>& banco)
      : FProcessos(processos) {
    std::vector<std::string> args = {"serve", "--port", "0", "--bind", "127.0.0.1"};
    args.insert(args.end(), banco.begin(), banco.end());
    FPid = FProcessos.Iniciar(args, "", "serve");
    const std::regex linha(R"(Servidor em http://127\.0\.0\.1:([0-9]+)/)");
    for (int i = 0; i < 600 && FPorta == 0; ++i) {
      std::smatch achado;
      const std::string saida = FProcessos.Ler("serve.out");
      if (std::regex_search(saida, achado, linha))
        FPorta = std::stoi(achado[1]);
      else if (::waitpid(FPid, nullptr, WNOHANG) == FPid)
        throw Exception("ctb serve saiu: " + FProcessos.Ler("serve.err"));
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (FPorta == 0) {
      Parar();
      throw Exception("ctb serve não escutou em 30 s: " + FProcessos.Ler("serve.err"));
    }
  }
  ~TServidor() {
    if (FPid > 0)
      Parar();
  }
  TServidor(const TServidor&) = delete;
  TServidor& operator=(const TServidor&) = delete;

  int Porta() const { return FPorta; }

  // The peak resident memory so far, in kB (what `time -v` reports as the
  // maximum resident set size); 0 when unknown.
  int64_t MemoriaPico() const {
    std::ifstream status(fmt::format("/proc/{}/status", FPid));
    std::string linha;
    while (std::getline(status, linha))
      if (linha.starts_with("VmHWM:"))
        return std::stoll(linha.substr(6));
    return 0;
  }

  // The peak starts again from the memory in use now (Linux's clear_refs).
  void ZerarMemoriaPico() const { std::ofstream(fmt::format("/proc/{}/clear_refs", FPid)) << "5"; }

  // SIGTERM, then the exit status (0 for a clean stop).
  int Parar() {
    ::kill(FPid, SIGTERM);
    const int status = TProcessos::Esperar(FPid);
    FPid = 0;
    return status;
  }

 private:
  const TProcessos& FProcessos;
  pid_t FPid = 0;
  int FPorta = 0;
};

// What a session sent and the server said it posted.
struct TEnviado {
  int64_t Chave = 0;
  std::string Data;
  int64_t Debito = 0;
  int64_t Credito = 0;
  int64_t Centavos = 0;
  int64_t Usuario = 0;
};

struct TResultadoSessao {
  double EntradaMs = 0;
  std::vector<TEnviado> Postados;
  std::vector<double> LatenciasMs;
  std::map<std::string, int64_t> Erros;  // by kind
  std::vector<std::string> Mensagens;    // the first few, as they came
};

void Erro(TResultadoSessao& resultado, const std::string& tipo, const std::string& texto) {
  ++resultado.Erros[tipo];
  if (resultado.Mensagens.size() < 3)
    resultado.Mensagens.push_back(tipo + ": " + texto.substr(0, 300));
}

double Milissegundos(TRelogio::duration duracao) {
  return std::chrono::duration<double, std::milli>(duracao).count();
}

// One person at a browser: signs in, then keys entries on one tab until
// `fim`. Every amount is unique to the session and entry, so no entry is
// ever a duplicate of another.
class TPessoa {
 public:
  TPessoa(int porta, int indice, const std::map<std::string, int64_t>& contas)
      : FCliente("127.0.0.1", porta),
        FIndice(indice),
        FUsuario(kPrimeiroUsuario + indice),
        FContas(contas),
        FSorteio(static_cast<uint64_t>(indice) + 1) {
    FCliente.set_keep_alive(true);
    FCliente.set_connection_timeout(std::chrono::seconds(10));
    FCliente.set_read_timeout(std::chrono::seconds(60));
    FCliente.set_write_timeout(std::chrono::seconds(60));
  }

  bool Entrar() {
    const auto inicio = TRelogio::now();
    const std::string corpo = json{{"usuario", FUsuario}, {"senha", Senha(FUsuario)}}.dump();
    auto res = FCliente.Post("/api/entrar", corpo, "application/json");
    // Fifty sign-ins from one address at once exceed the checks the server
    // runs for an address: the ones it turns away come back when it says.
    for (int vez = 0; res && res->status == 429 && vez < kMaxEsperasEntrada; ++vez) {
      const int segundos =
          std::clamp(std::atoi(res->get_header_value("Retry-After").c_str()), 1, 5);
      std::this_thread::sleep_for(std::chrono::seconds(segundos));
      res = FCliente.Post("/api/entrar", corpo, "application/json");
    }
    FResultado.EntradaMs = Milissegundos(TRelogio::now() - inicio);
    if (!res || res->status != 200) {
      Erro(FResultado, "sign-in",
           res ? fmt::format("{} {}", res->status, res->body) : httplib::to_string(res.error()));
      return false;
    }
    const std::string cookie = res->get_header_value("Set-Cookie");
    FCabecalhos = {{"Cookie", cookie.substr(0, cookie.find(';'))},
                   {"X-CSRF-Token", json::parse(res->body).at("csrf").get<std::string>()}};
    return true;
  }

  void Digitar(TRelogio::time_point fim) {
    for (int64_t numero = 1; TRelogio::now() < fim; ++numero)
      Lancar(numero);
  }

  bool Entrou() const { return !FCabecalhos.empty(); }
  TResultadoSessao& Resultado() { return FResultado; }
  // What was measured so far; the next phase starts from nothing.
  TResultadoSessao Tomar() { return std::exchange(FResultado, {}); }

  static std::string Senha(int usuario) { return fmt::format("senha-da-carga-{}", usuario); }

 private:
  void Lancar(int64_t numero) {
    TEnviado enviado = Sortear(numero);
    const json documento = {{"aba", "aba1"},
                            {"documento",
                             {{"op", "insert"},
                              {"company", kEmpresa},
                              {"fields",
                               {{"CODIGOESTAB", 1},
                                {"DATALCTOCTB", enviado.Data},
                                {"CONTACTBDEB", FApelidoDebito},
                                {"CONTACTBCRED", FApelidoCredito},
                                {"CODIGOHISTCTB", kHistorico},
                                {"VALORLCTOCTB", fmt::format("{},{:02}", enviado.Centavos / 100,
                                                             enviado.Centavos % 100)}}}}}};
    const auto inicio = TRelogio::now();
    auto res = FCliente.Post("/api/lancamentos", FCabecalhos, documento.dump(), "application/json");
    FResultado.LatenciasMs.push_back(Milissegundos(TRelogio::now() - inicio));
    if (!res)
      return Erro(FResultado, "no answer", httplib::to_string(res.error()));
    if (res->status != 200)
      return Erro(FResultado, fmt::format("HTTP {}", res->status), res->body);
    const json resposta = json::parse(res->body, nullptr, false);
    if (resposta.is_discarded() || resposta.value("result", "") != "posted")
      return Erro(FResultado, "not posted", res->body);
    enviado.Chave = resposta.at("entry").at("CHAVELCTOCTB").get<int64_t>();
    FResultado.Postados.push_back(enviado);
  }

  TEnviado Sortear(int64_t numero) {
    std::uniform_int_distribution<size_t> conta(0, std::size(kApelidos) - 1);
    const size_t debito = conta(FSorteio);
    size_t credito = conta(FSorteio);
    while (credito == debito)
      credito = conta(FSorteio);
    FApelidoDebito = kApelidos[debito];
    FApelidoCredito = kApelidos[credito];
    // July to December: the operators' window.
    const TDateTime inicio = EncodeDate(DemoEmpresa::kAnoExercicio, 7, 1);
    const int dia = std::uniform_int_distribution<int>(0, 183)(FSorteio);
    TEnviado enviado;
    enviado.Data = DateToIso(inicio + dia);
    enviado.Debito = FContas.at(FApelidoDebito);
    enviado.Credito = FContas.at(FApelidoCredito);
    enviado.Centavos = (numero * kMaxSessoes + FIndice) * 100 +
                       std::uniform_int_distribution<int>(0, 99)(FSorteio);
    enviado.Usuario = FUsuario;
    return enviado;
  }

  httplib::Client FCliente;
  const int FIndice;
  const int FUsuario;
  const std::map<std::string, int64_t>& FContas;
  std::mt19937_64 FSorteio;
  httplib::Headers FCabecalhos;
  std::string FApelidoDebito;
  std::string FApelidoCredito;
  TResultadoSessao FResultado;
};

// The database of one engine: its `ctb` arguments and a connection of the
// benchmark's own for the set-up and the check.
class TBanco {
 public:
  TBanco(TTipoConexao tipo, const TPastaTemporaria& pasta) : FTipo(tipo) {
    if (tipo == TTipoConexao::SQLite) {
      const std::string arquivo = pasta.Arquivo("carga.db");
      FArgumentos = {"--db", arquivo};
      FParametros = arquivo;
      return;
    }
    FServidorPg = std::getenv("CTB_TEST_PG");
    FEsquema = fmt::format("carga_web_{}", ::getpid());
    TnDMConexao(tipo, FServidorPg).ExecuteScript("CREATE SCHEMA " + FEsquema);
    FParametros = FServidorPg + " options='-c search_path=" + FEsquema + "'";
    FArgumentos = {"--pg", FParametros};
  }
  ~TBanco() {
    FConexao.reset();
    if (!FEsquema.empty())
      TnDMConexao(FTipo, FServidorPg).ExecuteScript("DROP SCHEMA " + FEsquema + " CASCADE");
  }
  TBanco(const TBanco&) = delete;
  TBanco& operator=(const TBanco&) = delete;

  const std::vector<std::string>& Argumentos() const { return FArgumentos; }
  const char* Nome() const { return FTipo == TTipoConexao::SQLite ? "SQLite" : "PostgreSQL"; }
  // Opened on first use: after `ctb demo` created the database.
  TnDMConexao& Conexao() {
    if (!FConexao)
      FConexao = std::make_unique<TnDMConexao>(FTipo, FParametros);
    return *FConexao;
  }

 private:
  const TTipoConexao FTipo;
  std::string FParametros;
  std::string FServidorPg;
  std::string FEsquema;
  std::vector<std::string> FArgumentos;
  std::unique_ptr<TnDMConexao> FConexao;
};

// The demo company, one operator per session (the demo operator's rights
// and company) and their passwords.
void Preparar(const TProcessos& processos, TBanco& banco, int sessoes) {
  std::vector<std::string> demo = {"demo", "--entries", "1000"};
  demo.insert(demo.end(), banco.Argumentos().begin(), banco.Argumentos().end());
  processos.Rodar(demo);
  TnDMConexao& conexao = banco.Conexao();
  conexao.StartTransaction();
  for (int i = 0; i < sessoes; ++i) {
    const Value usuario(kPrimeiroUsuario + i);
    conexao.ExecuteDirect(
        "insert into USUARIO (CODIGOUSUARIO, NOMEUSUARIO) values (:pUsuario, :pNome)",
        {{"pUsuario", usuario}, {"pNome", Value(fmt::format("Operador {}", i + 1))}});
    conexao.ExecuteDirect(
        "insert into DIREITOUSUARIO (CODIGOUSUARIO, NOMEDIREITO, NIVEL) select :pUsuario, "
        "NOMEDIREITO, NIVEL from DIREITOUSUARIO where CODIGOUSUARIO = :pModelo",
        {{"pUsuario", usuario}, {"pModelo", Value(kOperadorDemo)}});
    conexao.ExecuteDirect(
        "insert into EMPRESAUSUARIO (CODIGOEMPRESA, CODIGOUSUARIO) values (:pEmpresa, :pUsuario)",
        {{"pEmpresa", Value(kEmpresa)}, {"pUsuario", usuario}});
  }
  conexao.Commit();
  for (int i = 0; i < sessoes; ++i) {
    std::vector<std::string> passwd = {"user", "passwd", std::to_string(kPrimeiroUsuario + i)};
    passwd.insert(passwd.end(), banco.Argumentos().begin(), banco.Argumentos().end());
    processos.Rodar(passwd, TPessoa::Senha(kPrimeiroUsuario + i) + "\n");
  }
}

std::map<std::string, int64_t> ContasDosApelidos(TnDMConexao& conexao) {
  std::map<std::string, int64_t> contas;
  for (const char* apelido : kApelidos)
    contas[apelido] = conexao
                          .ExecuteScalar(
                              "select CONTACTB from PLANOESPEC where CODIGOEMPRESA = :pEmpresa "
                              "and APELIDOCONTA = :pApelido",
                              {{"pEmpresa", Value(kEmpresa)}, {"pApelido", Value(apelido)}})
                          .AsInteger();
  return contas;
}

// The value below which a fraction `q` of the sorted `valores` lie.
double Percentil(const std::vector<double>& ordenados, double q) {
  if (ordenados.empty())
    return 0;
  const auto posicao = static_cast<size_t>(q * static_cast<double>(ordenados.size() - 1) + 0.5);
  return ordenados[std::min(posicao, ordenados.size() - 1)];
}

// Every posted entry in LCTOCTB once, as sent, and nothing else new.
void VerificarLancamentos(TnDMConexao& conexao, int64_t chaveAntes,
                          const std::vector<TEnviado>& postados, TVerificacao& verificacao) {
  std::map<int64_t, const TEnviado*> porChave;
  for (const TEnviado& enviado : postados)
    if (!porChave.emplace(enviado.Chave, &enviado).second)
      verificacao.Diferenca("keys", fmt::format("key {} returned twice", enviado.Chave));
  const TDbResult gravados = conexao.ExecuteQuery(
      "select CHAVELCTOCTB, DATALCTOCTB, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB, CODIGOUSUARIO "
      "from LCTOCTB where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB > :pChave",
      {{"pEmpresa", Value(kEmpresa)}, {"pChave", Value(chaveAntes)}});
  std::set<int64_t> vistos;
  for (const ValueArray& linha : gravados.Rows) {
    const int64_t chave = linha[0].AsInteger();
    vistos.insert(chave);
    const auto achado = porChave.find(chave);
    if (achado == porChave.end()) {
      verificacao.Diferenca("stored rows",
                            fmt::format("key {}: stored, but no session was told so", chave));
      continue;
    }
    const TEnviado& e = *achado->second;
    const TEnviado lido{chave,
                        DateToIso(linha[1].AsDateTime()),
                        linha[2].AsInteger(),
                        linha[3].AsInteger(),
                        linha[4].AsCurrency().Rounded(2).Raw() / 100,
                        linha[5].AsInteger()};
    if (lido.Data != e.Data || lido.Debito != e.Debito || lido.Credito != e.Credito ||
        lido.Centavos != e.Centavos || lido.Usuario != e.Usuario)
      verificacao.Diferenca(
          "stored rows",
          fmt::format("key {}: sent {} {}/{} {} by {}, stored {} {}/{} {} by {}", chave, e.Data,
                      e.Debito, e.Credito, e.Centavos, e.Usuario, lido.Data, lido.Debito,
                      lido.Credito, lido.Centavos, lido.Usuario));
  }
  for (const auto& [chave, enviado] : porChave)
    if (!vistos.contains(chave))
      verificacao.Diferenca("stored rows", fmt::format("key {}: posted, but not stored", chave));
}

// The attackers of `--attack`, each from an address of its own on the
// loopback (the server bounds connections per address) and none signed in:
// one holds 200 idle connections, opening another each time the server
// closes one; one guesses a keying operator's password; one sends
// compressed and oversized bodies to the sign-in. Each counts what the
// server answered.
class TAtaque {
 public:
  TAtaque(int porta, int usuarioAlvo) : FPorta(porta), FUsuarioAlvo(usuarioAlvo) {}

  void Iniciar(TRelogio::time_point fim) {
    FThreads.emplace_back([this, fim] { Ociosas(fim); });
    FThreads.emplace_back([this, fim] { Senhas(fim); });
    FThreads.emplace_back([this, fim] { Corpos(fim); });
  }

  void Terminar() {
    for (std::thread& thread : FThreads)
      thread.join();
    FThreads.clear();
  }

  void Imprimir() const {
    fmt::print(
        "  attackers    idle connections: {} opened, {} refused at once (503), {} closed "
        "by the server while idle\n",
        FAbertas, FRecusadas, FFechadas);
    for (const auto& [nome, respostas] : {std::pair{"password guesses", &FSenhas},
                                          std::pair{"compressed/oversized bodies", &FCorpos}}) {
      std::string texto;
      for (const auto& [status, quantas] : *respostas)
        texto += fmt::format(" {}×{}", quantas,
                             status == 0 ? std::string("no answer") : std::to_string(status));
      fmt::print("               {}:{}\n", nome, texto);
    }
  }

 private:
  static constexpr size_t kOciosas = 200;

  // A client whose connections come from `origem`.
  // The socket's end on the loopback address `origem` (any of 127/8).
  static bool Vincular(socket_t socket, const char* origem) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    return ::inet_pton(AF_INET, origem, &local.sin_addr) == 1 &&
           ::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) == 0;
  }

  // A client whose connections come from `origem`.
  httplib::Client Cliente(const char* origem) const {
    httplib::Client cliente("127.0.0.1", FPorta);
    cliente.set_socket_options([origem](socket_t socket) { Vincular(socket, origem); });
    cliente.set_connection_timeout(std::chrono::seconds(5));
    cliente.set_read_timeout(std::chrono::seconds(30));
    return cliente;
  }

  // An idle connection from 127.0.0.2; -1 when it could not be opened.
  int Conectar() const {
    sockaddr_in servidor{};
    servidor.sin_family = AF_INET;
    servidor.sin_port = htons(static_cast<uint16_t>(FPorta));
    servidor.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd >= 0 && Vincular(fd, "127.0.0.2") &&
        ::connect(fd, reinterpret_cast<const sockaddr*>(&servidor), sizeof(servidor)) == 0)
      return fd;
    if (fd >= 0)
      ::close(fd);
    return -1;
  }

  void Ociosas(TRelogio::time_point fim) {
    std::vector<pollfd> abertas;
    // Every 100 ms, as many connections as the server closed are opened
    // again.
    for (auto volta = TRelogio::now(); volta < fim; volta += std::chrono::milliseconds(100)) {
      std::this_thread::sleep_until(volta);
      while (abertas.size() < kOciosas) {
        const int fd = Conectar();
        if (fd < 0)
          break;
        ++FAbertas;
        abertas.push_back({fd, POLLIN, 0});
      }
      ::poll(abertas.data(), abertas.size(), 100);
      for (size_t i = 0; i < abertas.size();) {
        if (abertas[i].revents == 0) {
          ++i;
          continue;
        }
        char bloco[512];
        const ssize_t lidos = ::recv(abertas[i].fd, bloco, sizeof(bloco), MSG_DONTWAIT);
        if (lidos > 0 &&
            std::string_view(bloco, static_cast<size_t>(lidos)).starts_with("HTTP/1.1 503"))
          ++FRecusadas;
        else
          ++FFechadas;
        ::close(abertas[i].fd);
        abertas[i] = abertas.back();
        abertas.pop_back();
      }
    }
    for (const pollfd& aberta : abertas)
      ::close(aberta.fd);
  }

  void Senhas(TRelogio::time_point fim) {
    httplib::Client cliente = Cliente("127.0.0.3");
    for (int64_t tentativa = 0; TRelogio::now() < fim; ++tentativa) {
      auto res = cliente.Post(
          "/api/entrar",
          json{{"usuario", FUsuarioAlvo}, {"senha", fmt::format("palpite-{}", tentativa)}}.dump(),
          "application/json");
      ++FSenhas[res ? res->status : 0];
    }
  }

  void Corpos(TRelogio::time_point fim) {
    // 64 MiB of spaces, gzip: some 64 KB on the wire.
    std::string bomba;
    httplib::detail::gzip_compressor compressor;
    const std::string espacos(1 << 20, ' ');
    for (int i = 0; i < 64; ++i)
      compressor.compress(espacos.data(), espacos.size(), i == 63,
                          [&](const char* dados, size_t n) {
                            bomba.append(dados, n);
                            return true;
                          });
    const std::string grande(2 << 20, '{');
    httplib::Client cliente = Cliente("127.0.0.4");
    for (int64_t envio = 0; TRelogio::now() < fim; ++envio) {
      auto res = envio % 2 == 0 ? cliente.Post("/api/entrar", {{"Content-Encoding", "gzip"}}, bomba,
                                               "application/json")
                                : cliente.Post("/api/entrar", grande, "application/json");
      ++FCorpos[res ? res->status : 0];
    }
  }

  const int FPorta;
  const int FUsuarioAlvo;
  std::vector<std::thread> FThreads;
  int64_t FAbertas = 0, FRecusadas = 0, FFechadas = 0;
  std::map<int, int64_t> FSenhas, FCorpos;  // by status, 0 for no answer
};

// What one phase of keying measured.
struct TFase {
  int64_t Postados = 0;
  double PorSegundo = 0;
  double P99 = 0;
  int64_t Erros = 0;
  int64_t MemoriaKb = 0;
};

// Every session keys until `segundos` pass (under `ataque` when given);
// prints the phase and adds what was posted to `postados`.
TFase Digitar(std::vector<std::unique_ptr<TPessoa>>& pessoas, TServidor& servidor, int segundos,
              TAtaque* ataque, std::vector<TEnviado>& postados) {
  servidor.ZerarMemoriaPico();
  const auto inicio = TRelogio::now();
  const auto fim = inicio + std::chrono::seconds(segundos);
  if (ataque != nullptr)
    ataque->Iniciar(fim);
  std::vector<std::thread> threads;
  for (auto& pessoa : pessoas)
    if (pessoa->Entrou())
      threads.emplace_back([&pessoa, fim] { pessoa->Digitar(fim); });
  for (std::thread& thread : threads)
    thread.join();
  if (ataque != nullptr)
    ataque->Terminar();
  const double duracao = std::chrono::duration<double>(TRelogio::now() - inicio).count();

  TFase fase;
  fase.MemoriaKb = servidor.MemoriaPico();
  std::vector<double> latencias;
  std::map<std::string, int64_t> erros;
  std::vector<std::string> mensagens;
  for (auto& pessoa : pessoas) {
    TResultadoSessao r = pessoa->Tomar();
    postados.insert(postados.end(), r.Postados.begin(), r.Postados.end());
    fase.Postados += static_cast<int64_t>(r.Postados.size());
    latencias.insert(latencias.end(), r.LatenciasMs.begin(), r.LatenciasMs.end());
    for (const auto& [tipo, quantos] : r.Erros) {
      erros[tipo] += quantos;
      fase.Erros += quantos;
    }
    mensagens.insert(mensagens.end(), r.Mensagens.begin(), r.Mensagens.end());
  }
  std::sort(latencias.begin(), latencias.end());
  fase.PorSegundo = static_cast<double>(fase.Postados) / duracao;
  fase.P99 = Percentil(latencias, 0.99);
  fmt::print("  posted       {} entries in {:.1f} s: {:.1f} entries/s\n", fase.Postados, duracao,
             fase.PorSegundo);
  fmt::print("  latency      p50 {:.1f} ms, p99 {:.1f} ms, max {:.1f} ms ({} posts)\n",
             Percentil(latencias, 0.5), fase.P99, latencias.empty() ? 0 : latencias.back(),
             latencias.size());
  fmt::print("  errors       {}\n", fase.Erros);
  for (const auto& [tipo, quantos] : erros)
    fmt::print("    {}: {}\n", tipo, quantos);
  for (size_t i = 0; i < std::min<size_t>(mensagens.size(), 10); ++i)
    fmt::print("    e.g. {}\n", mensagens[i]);
  fmt::print("  server       peak memory while keying {:.1f} MB\n",
             static_cast<double>(fase.MemoriaKb) / 1024);
  if (ataque != nullptr)
    ataque->Imprimir();
  return fase;
}

struct TMedidas {
  int64_t Erros = 0;
  bool Ok = false;
};

TMedidas Medir(TBanco& banco, const TProcessos& processos, int sessoes, int segundos,
               bool comAtaque) {
  fmt::print("{}: {} sessions, {} s{}\n", banco.Nome(), sessoes, segundos,
             comAtaque ? ", then as long under attack" : "");
  Preparar(processos, banco, sessoes);
  TnDMConexao& conexao = banco.Conexao();
  const std::map<std::string, int64_t> contas = ContasDosApelidos(conexao);
  const int64_t chaveAntes =
      conexao
          .ExecuteScalar(
              "select coalesce(max(CHAVELCTOCTB), 0) from LCTOCTB where CODIGOEMPRESA = "
              ":pEmpresa",
              {{"pEmpresa", Value(kEmpresa)}})
          .AsInteger();

  TServidor servidor(processos, banco.Argumentos());
  std::vector<std::unique_ptr<TPessoa>> pessoas;
  for (int i = 0; i < sessoes; ++i)
    pessoas.push_back(std::make_unique<TPessoa>(servidor.Porta(), i, contas));
  {
    std::vector<std::thread> threads;
    for (auto& pessoa : pessoas)
      threads.emplace_back([&pessoa] { pessoa->Entrar(); });
    for (std::thread& thread : threads)
      thread.join();
  }
  std::vector<double> entradas;
  for (auto& pessoa : pessoas)
    entradas.push_back(pessoa->Resultado().EntradaMs);
  std::sort(entradas.begin(), entradas.end());
  fmt::print("  sign-in      p50 {:.0f} ms, max {:.0f} ms, peak memory {:.1f} MB\n",
             Percentil(entradas, 0.5), entradas.back(),
             static_cast<double>(servidor.MemoriaPico()) / 1024);

  std::vector<TEnviado> postados;
  TMedidas medidas;
  if (comAtaque)
    fmt::print(" quiet\n");
  const TFase quieta = Digitar(pessoas, servidor, segundos, nullptr, postados);
  medidas.Erros = quieta.Erros;
  if (comAtaque) {
    fmt::print(" under attack\n");
    TAtaque ataque(servidor.Porta(), kPrimeiroUsuario);
    const TFase atacada = Digitar(pessoas, servidor, segundos, &ataque, postados);
    medidas.Erros += atacada.Erros;
    const double razao = quieta.P99 > 0 ? atacada.P99 / quieta.P99 : 0;
    fmt::print(
        " attacked / quiet: throughput {:.2f}, p99 {:.2f} (target at most 2: {}); errors of the "
        "sessions under attack {} (target 0); server peak memory {:.1f} MB (target under 200: "
        "{})\n",
        atacada.PorSegundo / quieta.PorSegundo, razao, razao <= 2 ? "met" : "MISSED", atacada.Erros,
        static_cast<double>(atacada.MemoriaKb) / 1024,
        atacada.MemoriaKb < 200 * 1024 ? "met" : "MISSED");
  }
  const int saida = servidor.Parar();
  fmt::print("  server       exit status {}\n", saida);
  const std::string avisos = processos.Ler("serve.err");
  if (!avisos.empty())
    fmt::print("  server's standard error:\n{}\n", avisos.substr(0, 2000));

  TVerificacao verificacao({"keys", "stored rows", "balances", "server"});
  if (saida != 0)
    verificacao.Diferenca("server", fmt::format("exit status {}", saida));
  VerificarLancamentos(conexao, chaveAntes, postados, verificacao);
  VerificarSaldos(conexao, verificacao);
  medidas.Ok = verificacao.Resumo() && medidas.Erros == 0;
  return medidas;
}

std::string Programa() {
  if (const char* ctb = std::getenv("CTB"))
    return ctb;
  return CTB_EXECUTABLE;
}

int Executar(int sessoes, int segundos, bool comAtaque) {
  bool ok = true;
  std::vector<TTipoConexao> motores = {TTipoConexao::SQLite};
  if (std::getenv("CTB_TEST_PG"))
    motores.push_back(TTipoConexao::PostgreSQL);
  for (TTipoConexao motor : motores) {
    TPastaTemporaria pasta("ctb-bench-web");
    const TProcessos processos(Programa(), pasta);
    TBanco banco(motor, pasta);
    ok = Medir(banco, processos, sessoes, segundos, comAtaque).Ok && ok;
  }
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> argumentos(argv + 1, argv + argc);
  const auto ataque = std::find(argumentos.begin(), argumentos.end(), "--attack");
  const bool comAtaque = ataque != argumentos.end();
  if (comAtaque)
    argumentos.erase(ataque);
  const int sessoes = argumentos.size() > 0 ? std::atoi(argumentos[0].c_str()) : 50;
  const int segundos = argumentos.size() > 1 ? std::atoi(argumentos[1].c_str()) : 60;
  if (argumentos.size() > 2 || sessoes < 1 || sessoes > kMaxSessoes || segundos < 1 ||
      segundos > kMaxSegundos) {
    fmt::print(stderr, "usage: bench_web_load [sessions 1-{}] [seconds 1-{}] [--attack]\n",
               kMaxSessoes, kMaxSegundos);
    return 2;
  }
  // A write to a connection the server closed must be an error, not the end.
  ::signal(SIGPIPE, SIG_IGN);
  try {
    return Executar(sessoes, segundos, comAtaque);
  } catch (const std::exception& erro) {
    fmt::print(stderr, "bench_web_load: {}\n", erro.what());
    return 1;
  }
}
