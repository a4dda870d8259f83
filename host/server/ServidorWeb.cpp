#include "host/server/ServidorWeb.h"

#include <fmt/format.h>
#include <httplib.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

#include "entries/nCtbDMLctoCtbCloud_U.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"
#include "host/commands/ComandoRecord.h"
#include "host/common/HostComum.h"
#include "host/common/JsonEstrito.h"
#include "host/common/LinhaComando.h"
#include "host/output/Saida.h"
#include "host/reports/ComandoBalancete.h"
#include "host/reports/ComandoRazao.h"
#include "host/reports/RelatorioContabil.h"
#include "host/server/AlocadorWeb.h"
#include "host/server/ArquivosWeb.h"
#include "host/server/ConexoesWeb.h"
#include "host/server/PaginaLancamento.h"
#include "host/server/ParametrosWeb.h"
#include "host/server/RotasLancamentoWeb.h"
#include "host/server/RotasPaginasWeb.h"
#include "host/server/SegurancaWeb.h"
#include "host/server/SessoesWeb.h"
#include "host/services/DigitacaoHost.h"
#include "host/services/SenhaUsuario.h"

namespace ServidorWeb {

namespace {

using json = nlohmann::ordered_json;
using TRelogio = std::chrono::steady_clock;
using ParametrosWeb::Autorizar;
using ParametrosWeb::Data;
using ParametrosWeb::DataDoParametro;
using ParametrosWeb::ERecusa;
using ParametrosWeb::Inteiro;
using ParametrosWeb::VerificarDireitoBalancete;

// An answer already decided (status and message), thrown from deep in a
// handler.
struct TRespostaErro {
  int Status;
  std::string Mensagem;
};

constexpr const char* kTipoJson = "application/json; charset=utf-8";

// The module the journal-entry page keys on, for every tab and every read of
// its records: the one place that chooses it.
constexpr const char* kClasseLancamentos = TnCtbDMLctoCtbCloud::kClassName;

void ResponderJson(httplib::Response& res, int status, const json& corpo) {
  res.status = status;
  res.set_content(corpo.dump(-1, ' ', false, json::error_handler_t::replace), kTipoJson);
}

void ResponderErro(httplib::Response& res, int status, const std::string& mensagem) {
  ResponderJson(res, status, json{{"erro", mensagem}});
}

// The embedded file's type by its extension; the list is closed.
std::string TipoArquivo(const std::string& nome) {
  if (nome.ends_with(".html"))
    return "text/html; charset=utf-8";
  if (nome.ends_with(".js"))
    return "text/javascript; charset=utf-8";
  if (nome.ends_with(".css"))
    return "text/css; charset=utf-8";
  return "application/octet-stream";
}

// The browser tab a screen belongs to.
std::string Aba(const std::string& texto) {
  static const std::regex kAba("[A-Za-z0-9_-]{1,64}");
  if (!std::regex_match(texto, kAba))
    throw Exception("Informe a aba (até 64 letras, dígitos, - ou _)");
  return texto;
}

// The xlsx writer writes a file: a private folder of the server's, never a
// path from the request, gone when the answer is read.
std::string PlanilhaBalancete(TSessaoHost& host, const ComandoBalancete::TOpcoes& opcoes) {
  std::string modelo = (std::filesystem::temp_directory_path() / "ctb-web-XXXXXX").string();
  if (mkdtemp(modelo.data()) == nullptr)
    throw Exception("Não foi possível criar a pasta temporária da planilha");
  const std::filesystem::path pasta(modelo);
  const std::filesystem::path arquivo = pasta / "balancete.xlsx";
  try {
    ComandoBalancete::Executar(host.Conexao(), opcoes, ComandoBalancete::TFormato::Xlsx,
                               arquivo.string());
    std::ifstream entrada(arquivo, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(entrada)), std::istreambuf_iterator<char>());
    std::filesystem::remove_all(pasta);
    return bytes;
  } catch (...) {
    std::filesystem::remove_all(pasta);
    throw;
  }
}

class TServidor {
 public:
  explicit TServidor(const TOpcoes& opcoes) : FOpcoes(opcoes), FTls(!opcoes.Certificado.empty()) {
    FHttp = ConexoesWeb::Criar(opcoes.Certificado, opcoes.Chave);
    if (!FHttp->is_valid())
      throw Exception(fmt::format("Não foi possível carregar o certificado {} e a chave {}",
                                  opcoes.Certificado, opcoes.Chave));
    Configurar();
    Rotas();
  }

  void Servir(std::ostream& aviso) {
    int porta = FOpcoes.Porta;
    if (porta == 0)
      porta = FHttp->bind_to_any_port(FOpcoes.Endereco);
    else if (!FHttp->bind_to_port(FOpcoes.Endereco, porta))
      porta = -1;
    if (porta < 0)
      throw Exception(
          fmt::format("Não foi possível escutar em {}:{}", FOpcoes.Endereco, FOpcoes.Porta));
    // The library listens with a queue of five connections not yet
    // accepted: fifty people opening the page at once overflowed it and
    // some sign-ins were lost. The system's limit takes its place.
    if (FSocketEscuta >= 0)
      ::listen(FSocketEscuta, SOMAXCONN);
    // Bound to every address, the server is opened on this machine by
    // its loopback one.
    const std::string local = FOpcoes.Endereco == "0.0.0.0" ? "127.0.0.1"
                              : FOpcoes.Endereco == "::"    ? "::1"
                                                            : FOpcoes.Endereco;
    const auto url = [&](const std::string& endereco) {
      return fmt::format("{}://{}:{}/", FTls ? "https" : "http",
                         endereco.find(':') == std::string::npos ? endereco : "[" + endereco + "]",
                         porta);
    };
    aviso << "Servidor em " << url(FOpcoes.Endereco) << '\n'
          << "Abra " << url(local) << " no navegador" << std::endl;
    FHttp->listen_after_bind();
  }

  void Parar() { FHttp->stop(); }

 private:
  void Configurar() {
    FHttp->set_payload_max_length(kMaxCorpo);
    // The library inflates a compressed body before any handler sees it,
    // past the body's limit (a 1 MB body became 1 GB): no client of ours
    // compresses what it sends, so such a body is refused unread.
    FHttp->set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
      const std::string codificacao = req.get_header_value("Content-Encoding");
      if (codificacao.empty() || codificacao == "identity")
        return httplib::Server::HandlerResponse::Unhandled;
      ConexoesWeb::FecharAposResposta(res);
      ResponderErro(res, 415,
                    "Corpo comprimido não aceito: envie a requisição sem Content-Encoding");
      return httplib::Server::HandlerResponse::Handled;
    });
    FHttp->set_socket_options([this](socket_t socket) {
      httplib::default_socket_options(socket);
      FSocketEscuta = socket;
    });
    FHttp->set_post_routing_handler([this](const httplib::Request&, httplib::Response& res) {
      // Over TLS the browser is told to come back only over TLS.
      if (FTls)
        res.set_header("Strict-Transport-Security", "max-age=31536000");
      res.set_header("Content-Security-Policy", SegurancaWeb::kPoliticaConteudo);
      res.set_header("X-Content-Type-Options", "nosniff");
      res.set_header("X-Frame-Options", "DENY");
      res.set_header("Referrer-Policy", "no-referrer");
      res.set_header("Cache-Control", "no-store");
    });
    FHttp->set_error_handler([](const httplib::Request&, httplib::Response& res) {
      if (!res.body.empty())
        return;
      if (res.status == 413)
        ResponderErro(res, 413, fmt::format("Requisição maior que {} KB", kMaxCorpo / 1024));
      else if (res.status == 404)
        ResponderErro(res, 404, "Página não encontrada");
    });
    FHttp->set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr erro) {
          try {
            std::rethrow_exception(std::move(erro));
          } catch (const std::exception& e) {
            std::cerr << "ctb serve: " << e.what() << '\n';
          }
          ResponderErro(res, 500, "Erro interno do servidor");
        });
  }

  void Rotas() {
    FHttp->Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/balancete");
    });
    for (const auto& [rota, arquivo] :
         {std::pair{"/entrar", "entrar.html"}, std::pair{"/balancete", "balancete.html"},
          std::pair{"/lancamentos", "lancamentos.html"}})
      FHttp->Get(rota,
                 [nome = std::string(arquivo)](const httplib::Request&, httplib::Response& res) {
                   res.set_content(std::string(ArquivosWeb::Get(nome)), TipoArquivo(nome));
                 });
    // Only the names embedded: the request's text is looked up, never opened.
    FHttp->Get(R"(/app/([a-z0-9-]+\.(js|css)))",
               [](const httplib::Request& req, httplib::Response& res) {
                 const std::string nome = req.matches[1];
                 try {
                   res.set_content(std::string(ArquivosWeb::Get(nome)), TipoArquivo(nome));
                 } catch (const std::out_of_range&) {
                   ResponderErro(res, 404, "Arquivo não encontrado");
                 }
               });
    FHttp->Post("/api/entrar",
                [this](const httplib::Request& req, httplib::Response& res) { Entrar(req, res); });
    FHttp->Post("/api/sair", [this](const httplib::Request& req, httplib::Response& res) {
      Atender(req, res, true, [&](TSessaoHost&, TSessaoWeb& sessao) {
        FSessoes.Encerrar(sessao.Token());
        res.set_header("Set-Cookie", SegurancaWeb::CookieSessao("", FTls, 0));
        ResponderJson(res, 200, json{{"saiu", true}});
      });
    });
    FHttp->Get("/api/sessao", [this](const httplib::Request& req, httplib::Response& res) {
      Atender(req, res, false, [&](TSessaoHost& host, TSessaoWeb& sessao) {
        ResponderJson(res, 200, DadosSessao(host, sessao));
      });
    });
    FHttp->Get("/api/balancete", [this](const httplib::Request& req, httplib::Response& res) {
      Atender(req, res, false, [&](TSessaoHost& host, TSessaoWeb&) { Balancete(req, res, host); });
    });
    FHttp->Get("/api/razao", [this](const httplib::Request& req, httplib::Response& res) {
      Atender(req, res, false, [&](TSessaoHost& host, TSessaoWeb&) { Razao(req, res, host); });
    });
    FHttp->Post("/api/lancamentos", [this](const httplib::Request& req, httplib::Response& res) {
      Atender(req, res, true,
              [&](TSessaoHost& host, TSessaoWeb& sessao) { Lancamento(req, res, host, sessao); });
    });
    FHttp->Post("/api/lancamentos/transacao/continuar",
                [this](const httplib::Request& req, httplib::Response& res) {
                  Atender(req, res, true, [&](TSessaoHost& host, TSessaoWeb& sessao) {
                    ContinuarTransacao(req, res, host, sessao);
                  });
                });
    RotasPaginaLancamento();
    RotasPaginasWeb::Registrar(
        *FHttp, [this](const httplib::Request& req, httplib::Response& res, bool mudanca,
                       const RotasPaginasWeb::TTrabalho& trabalho) {
          Atender(req, res, mudanca, [&](TSessaoHost& host, TSessaoWeb&) {
            ResponderJson(res, 200, trabalho(req, host));
          });
        });
  }

  // The reads of the journal-entry page: each checks the company and the
  // right of the entries' menu entry first, as the post does.
  void RotasPaginaLancamento() {
    const auto leitura = [this](const char* rota, auto trabalho) {
      FHttp->Get(rota, [this, trabalho](const httplib::Request& req, httplib::Response& res) {
        Atender(req, res, false, [&](TSessaoHost& host, TSessaoWeb& sessao) {
          const int64_t empresa = Inteiro(req, "empresa", 1, 32767);
          Autorizar([&] {
            host.VerificarEmpresa(empresa);
            PaginaLancamento::VerificarDireito(host.Conexao());
          });
          ResponderJson(res, 200, trabalho(req, host, sessao, empresa));
        });
      });
    };
    leitura("/api/lancamentos/tela", [](const httplib::Request& req, TSessaoHost& host,
                                        TSessaoWeb& sessao, int64_t empresa) {
      return PaginaLancamento::Tela(TelaDaAba(req, host, sessao).Preparar(empresa));
    });
    leitura("/api/lancamentos/paineis", [](const httplib::Request& req, TSessaoHost& host,
                                           TSessaoWeb& sessao, int64_t empresa) {
      return TelaDaAba(req, host, sessao).Preparar(empresa).PegarJsonConteudo();
    });
    leitura("/api/lancamentos/contas",
            [](const httplib::Request& req, TSessaoHost& host, TSessaoWeb&, int64_t empresa) {
              return PaginaLancamento::ProcurarContas(host.Conexao(), empresa,
                                                      req.get_param_value("texto"));
            });
    leitura("/api/lancamentos/conta", [](const httplib::Request& req, TSessaoHost& host,
                                         TSessaoWeb& sessao, int64_t empresa) {
      PaginaLancamento::TLadoConta lado;
      lado.Empresa = empresa;
      lado.Estab = static_cast<int>(Inteiro(req, "estab", 0, 32767, 0));
      lado.Conta =
          PaginaLancamento::ResolverConta(host.Conexao(), empresa, req.get_param_value("conta"));
      lado.Data = DataDoParametro(req, "data");
      const std::string nomeLado = req.get_param_value("lado");
      if (nomeLado != "debito" && nomeLado != "credito")
        throw Exception("Parâmetro lado inválido: use debito ou credito");
      lado.Debito = nomeLado == "debito";
      return PaginaLancamento::Conta(TelaDaAba(req, host, sessao).Preparar(empresa), lado);
    });
    leitura("/api/lancamentos/historico",
            [](const httplib::Request& req, TSessaoHost& host, TSessaoWeb&, int64_t empresa) {
              PaginaLancamento::THistoricoDigitado historico;
              historico.Empresa = empresa;
              historico.Codigo = static_cast<int>(Inteiro(req, "codigo", 1, 32767));
              historico.ContaDeb = Inteiro(req, "debito", 0, INT64_MAX, 0);
              historico.ContaCred = Inteiro(req, "credito", 0, INT64_MAX, 0);
              historico.Data = DataDoParametro(req, "data");
              historico.Complemento = req.get_param_value("complemento");
              return json{{"texto", PaginaLancamento::Historico(host.Conexao(), historico)}};
            });
    leitura("/api/lancamentos/registro", [](const httplib::Request& req, TSessaoHost& host,
                                            TSessaoWeb&, int64_t empresa) {
      ComandoRecord::TOpcoesLista opcoes;
      opcoes.Classe = kClasseLancamentos;
      opcoes.Empresa = empresa;
      const int64_t chave = Inteiro(req, "chave", 1, HostComum::kMaxChaveLctoCtb);
      opcoes.Chave = std::to_string(chave);
      json registros =
          json::parse(ComandoRecord::Listar(host.Conexao(), opcoes, Saida::TFormatoSaida::Json));
      if (!registros.is_array() || registros.empty())
        throw Exception(fmt::format("Lançamento {} não encontrado na empresa {}", chave, empresa));
      json resposta = {{"registro", registros[0]}};
      resposta.update(PaginaLancamento::Detalhes(host.Conexao(), empresa, chave));
      return resposta;
    });
    leitura("/api/lancamentos/vinculo", [](const httplib::Request& req, TSessaoHost& host,
                                           TSessaoWeb& sessao, int64_t empresa) {
      return PaginaLancamento::TelaVinculada(
          TelaDaAba(req, host, sessao),
          {empresa, Inteiro(req, "chave", 1, HostComum::kMaxChaveLctoCtb),
           req.get_param_value("tela")});
    });
    RotasLancamentoWeb::Registrar(
        [&leitura](const char* rota, const RotasLancamentoWeb::TTrabalho& t) {
          leitura(rota, [t](const httplib::Request& req, TSessaoHost& host, TSessaoWeb& sessao,
                            int64_t empresa) {
            return t({req, host.Conexao(), empresa, [&]() -> TnDMClientDataSet& {
                        return TelaDaAba(req, host, sessao).Preparar(empresa);
                      }});
          });
        });
  }

  // The screen of the request's tab ("aba"), keying on the entries' module
  // with the user's company check.
  static DigitacaoHost::TDigitacao& TelaDaAba(const std::string& aba, TSessaoHost& host,
                                              TSessaoWeb& sessao) {
    DigitacaoHost::TOpcoesDigitacao opcoes =
        DigitacaoHost::OpcoesTelaWeb([&host](int64_t empresa) { host.VerificarEmpresa(empresa); });
    opcoes.Classe = kClasseLancamentos;
    return sessao.Tela(Aba(aba), opcoes);
  }
  static DigitacaoHost::TDigitacao& TelaDaAba(const httplib::Request& req, TSessaoHost& host,
                                              TSessaoWeb& sessao) {
    return TelaDaAba(req.get_param_value("aba"), host, sessao);
  }

  // The request of a signed-in session: found by its cookie, the CSRF token
  // checked on a change, then run alone among the session's requests.
  template <class F>
  void Atender(const httplib::Request& req, httplib::Response& res, bool mudanca, F&& trabalho) {
    const std::string token =
        SegurancaWeb::LerCookie(req.get_header_value("Cookie"), SegurancaWeb::NomeCookie(FTls));
    std::shared_ptr<TSessaoWeb> sessao = FSessoes.Procurar(token, TRelogio::now());
    if (!sessao)
      return ResponderErro(res, 401, "Sessão inexistente ou expirada; entre de novo");
    if (mudanca &&
        !SegurancaWeb::TokensIguais(req.get_header_value(kCabecalhoCsrf), sessao->Csrf()))
      return ResponderErro(res, 403, "Requisição recusada: falta o token CSRF da sessão");
    try {
      if (!sessao->Usar(TRelogio::now(), [&](TSessaoHost& host) { trabalho(host, *sessao); })) {
        FSessoes.Encerrar(token);
        ResponderErro(res, 401, "Sessão encerrada: a senha do usuário mudou; entre de novo");
      }
    } catch (const ERecusa& e) {
      ResponderErro(res, 403, e.what());
    } catch (const Exception& e) {
      ResponderErro(res, 400, e.what());
    }
  }

  void Entrar(const httplib::Request& req, httplib::Response& res) {
    if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0)
      return ResponderErro(res, 415, "Envie o usuário e a senha em JSON");
    int64_t usuario = 0;
    std::string senha;
    try {
      const json corpo = DigitacaoHost::AnalisarDocumento(req.body);
      usuario = corpo.at("usuario").get<int64_t>();
      senha = corpo.at("senha").get<std::string>();
    } catch (const std::exception&) {
      usuario = 0;
    }
    if (usuario <= 0 || usuario > 32767)
      return ResponderErro(res, 400, "Informe o usuário (número) e a senha");
    const auto agora = TRelogio::now();
    const auto espera = FLimitador.Reservar(usuario, req.remote_addr, agora);
    if (espera.count() > 0) {
      res.set_header("Retry-After", std::to_string(espera.count()));
      return ResponderErro(
          res, 429,
          fmt::format("Muitas tentativas sem sucesso; tente de novo em {} s", espera.count()));
    }
    std::string hash;
    std::unique_ptr<TSessaoHost> host;
    try {
      host = AutenticarUsuario(usuario, senha, hash);
    } catch (...) {
      // The reserved check ends as a failure, whatever stopped it.
      FLimitador.Falhou(usuario, req.remote_addr, TRelogio::now());
      throw;
    }
    if (!host) {
      FLimitador.Falhou(usuario, req.remote_addr, TRelogio::now());
      return ResponderErro(res, 401, "Usuário ou senha incorretos");
    }
    FLimitador.Acertou(usuario, req.remote_addr);
    std::shared_ptr<TSessaoWeb> sessao = FSessoes.Criar(usuario, std::move(host), hash, agora);
    const auto vida = std::chrono::duration_cast<std::chrono::seconds>(TSessoesWeb::kVidaMaxima);
    res.set_header("Set-Cookie", SegurancaWeb::CookieSessao(sessao->Token(), FTls,
                                                            static_cast<long>(vida.count())));
    ResponderJson(res, 200, json{{"usuario", usuario}, {"csrf", sessao->Csrf()}});
  }

  // The user's host session when the password is his (`hash` gets the hash
  // it matched); nullptr otherwise (an unknown user costs the same time as a
  // wrong password).
  std::unique_ptr<TSessaoHost> AutenticarUsuario(int64_t usuario, const std::string& senha,
                                                 std::string& hash) {
    SessaoHost::TOpcoesConexao conexao = FOpcoes.Conexao;
    conexao.CodigoUsuario = usuario;
    std::unique_ptr<TSessaoHost> host;
    try {
      host = AbrirSessaoHost(conexao);
    } catch (const Exception&) {
      SenhaUsuario::SimularConferencia(senha);
      return nullptr;
    }
    if (std::optional<std::string> conferido =
            SenhaUsuario::Autenticar(host->Conexao(), usuario, senha)) {
      hash = std::move(*conferido);
      return host;
    }
    TUsarSessao uso(host->Sessao());
    host.reset();
    return nullptr;
  }

  static json DadosSessao(TSessaoHost& host, const TSessaoWeb& sessao) {
    const TParams usuario = {{"pUsuario", Value(sessao.Usuario())}};
    json empresas = json::array();
    for (const auto& linha :
         host.Conexao()
             .ExecuteQuery("select E.CODIGOEMPRESA, E.NOMEEMPRESA, C.DATAINICIALEXERC, "
                           "C.DATAFINALEXERC from EMPRESA E join EMPRESAUSUARIO U on "
                           "U.CODIGOEMPRESA = E.CODIGOEMPRESA left join CFGEMPRESACTB C on "
                           "C.CODIGOEMPRESA = E.CODIGOEMPRESA where U.CODIGOUSUARIO = :pUsuario "
                           "order by E.CODIGOEMPRESA",
                           usuario)
             .Rows)
      empresas.push_back(json{{"codigo", linha[0].AsInteger()},
                              {"nome", linha[1].AsString()},
                              {"exercicio",
                               {{"de", TnUtilConsultaWeb::ValorJson(linha[2])},
                                {"ate", TnUtilConsultaWeb::ValorJson(linha[3])}}}});
    return json{{"usuario", sessao.Usuario()},
                {"nome", host.Conexao()
                             .ExecuteScalar("select NOMEUSUARIO from USUARIO where CODIGOUSUARIO = "
                                            ":pUsuario",
                                            usuario)
                             .AsString()},
                {"csrf", sessao.Csrf()},
                {"empresas", empresas}};
  }

  static void Balancete(const httplib::Request& req, httplib::Response& res, TSessaoHost& host) {
    ComandoBalancete::TOpcoes opcoes;
    const int64_t empresa = Inteiro(req, "empresa", 1, 32767);
    opcoes.Empresas = std::to_string(empresa);
    opcoes.DataInicial = Data(req, "de");
    opcoes.DataFinal = Data(req, "ate");
    opcoes.Mensal = Inteiro(req, "mensal", 0, 1, 0) == 1;
    opcoes.Tipo = static_cast<int>(Inteiro(req, "tipo", 0, 2, 1));
    opcoes.Livro = static_cast<int>(Inteiro(req, "livro", 0, 1, 0));
    opcoes.Zero = Inteiro(req, "zero", 0, 1, 0) == 1;
    const int64_t estab = Inteiro(req, "estab", 0, 32767, 0);
    if (estab != 0)
      opcoes.Estab = std::to_string(estab);
    const std::string formato = req.has_param("formato") ? req.get_param_value("formato") : "json";
    if (formato != "json" && formato != "csv" && formato != "csv-br" && formato != "xlsx")
      throw Exception("Parâmetro formato inválido: use json, csv, csv-br ou xlsx");
    Autorizar([&] {
      host.VerificarEmpresas(opcoes.Empresas);
      host.VerificarEstabelecimentos(opcoes.Estab);
      VerificarDireitoBalancete(host);
    });
    LinhaComando::VerificarPeriodo(opcoes.DataInicial, opcoes.DataFinal);
    const ComandoBalancete::TFormato tipo = ComandoBalancete::FormatoDoNome(formato);
    if (tipo == ComandoBalancete::TFormato::Xlsx) {
      res.set_header("Content-Disposition",
                     fmt::format("attachment; filename=\"balancete-{}.xlsx\"", empresa));
      res.set_content(PlanilhaBalancete(host, opcoes),
                      "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
      return;
    }
    std::string texto = ComandoBalancete::Executar(host.Conexao(), opcoes, tipo, "");
    if (tipo == ComandoBalancete::TFormato::Json)
      return res.set_content(texto, kTipoJson);
    res.set_header("Content-Disposition",
                   fmt::format("attachment; filename=\"balancete-{}.csv\"", empresa));
    res.set_content(texto, "text/csv; charset=utf-8");
  }

  // A row's Filtros: the company, the establishment filter (one code or
  // none), the account, the period and the book, each as text.
  static void Razao(const httplib::Request& req, httplib::Response& res, TSessaoHost& host) {
    const std::string texto = req.get_param_value("filtros");
    ComandoRazao::TOpcoes opcoes;
    RelatorioContabil::TOpcoesRelatorio& relatorio = opcoes.Relatorio;
    try {
      if (texto.size() > 500)
        throw std::invalid_argument("longo");
      const json filtros = JsonEstrito::Analisar(texto, 1);
      const auto numero = [&](const char* chave, int64_t maximo) {
        const std::string valor = filtros.at(chave).get<std::string>();
        static const std::regex kNumero("[0-9]{1,18}");
        if (!std::regex_match(valor, kNumero) || std::stoll(valor) > maximo)
          throw std::invalid_argument(chave);
        return std::stoll(valor);
      };
      relatorio.Empresa = static_cast<int>(numero("pCodigoEmpresa", 32767));
      relatorio.Estab = filtros.at("pCodigoEstab").get<std::string>().empty()
                            ? 0
                            : static_cast<int>(numero("pCodigoEstab", 32767));
      opcoes.Conta = std::to_string(numero("pContaCtb", INT64_MAX));
      relatorio.Livro = static_cast<int>(numero("pTipoSaldoCtb", 1));
      relatorio.De = filtros.at("pDataInicial").get<std::string>();
      relatorio.Ate = filtros.at("pDataFinal").get<std::string>();
    } catch (const std::exception&) {
      throw Exception("Parâmetro filtros inválido: use os filtros de uma linha do balancete");
    }
    relatorio.Formato = "json";
    Autorizar([&] {
      host.VerificarEmpresa(relatorio.Empresa);
      if (relatorio.Estab != 0)
        host.VerificarEstabelecimentos(std::to_string(relatorio.Estab));
      VerificarDireitoBalancete(host);
    });
    LinhaComando::VerificarPeriodo(relatorio.De, relatorio.Ate);
    std::ostringstream saida;
    ComandoRazao::Executar(host.Conexao(), opcoes, saida);
    res.set_content(saida.str(), kTipoJson);
  }

  // One document on the tab's screen: what the module remembers between
  // posts (the last entry, the open transaction) stays with the tab.
  static void Lancamento(const httplib::Request& req, httplib::Response& res, TSessaoHost& host,
                         TSessaoWeb& sessao) {
    const json corpo = DigitacaoHost::AnalisarDocumento(req.body);
    if (!corpo.is_object() || !corpo.contains("aba") || !corpo["aba"].is_string())
      throw Exception("Informe a aba (até 64 letras, dígitos, - ou _)");
    if (!corpo.contains("documento") || !corpo["documento"].is_object())
      throw Exception("Informe o documento do lançamento (um objeto)");
    const json& documento = corpo["documento"];
    Autorizar([&] {
      PaginaLancamento::VerificarDireito(host.Conexao());
      // Another company's document is the user's access refused, as on the
      // page's reads; the module would only report it as its refusal.
      if (documento.contains("company") && documento["company"].is_number_integer())
        host.VerificarEmpresa(documento["company"].get<int64_t>());
    });
    DigitacaoHost::TDigitacao& tela = TelaDaAba(corpo["aba"].get<std::string>(), host, sessao);
    ResponderJson(res, 200, PaginaLancamento::Executar(tela, documento));
  }

  // "Continuar Transação" on the tab's screen, over the entry `chave`:
  // checked as the post is.
  static void ContinuarTransacao(const httplib::Request& req, httplib::Response& res,
                                 TSessaoHost& host, TSessaoWeb& sessao) {
    const int64_t empresa = Inteiro(req, "empresa", 1, 32767);
    const int64_t chave = Inteiro(req, "chave", 1, HostComum::kMaxChaveLctoCtb);
    Autorizar([&] {
      PaginaLancamento::VerificarDireito(host.Conexao());
      host.VerificarEmpresa(empresa);
    });
    ResponderJson(
        res, 200,
        {{"transaction", TelaDaAba(req, host, sessao).ContinuarTransacao(empresa, chave)}});
  }

  const TOpcoes FOpcoes;
  const bool FTls;
  std::unique_ptr<httplib::Server> FHttp;
  // The listening socket, as the library made it.
  socket_t FSocketEscuta = -1;
  TSessoesWeb FSessoes;
  SegurancaWeb::TLimitadorTentativas FLimitador;
};

}  // namespace

void Servir(const TOpcoes& opcoes, std::ostream& aviso) {
  if (opcoes.Certificado.empty() != opcoes.Chave.empty())
    throw Exception("Informe o certificado (--cert) e a chave (--key) juntos");
  AlocadorWeb::DevolverMemoriaLogo();
  HostComum::CarregarPacote();
  // The server is the web client: the modules behave as their web variant.
  Nutil::SetEhHttpExe(true);
  Nutil::SetEhCloud(true);
  // A client that hangs up while its answer is written must cost the server
  // that write, not the process: the TLS and HTTP libraries, built apart,
  // write without MSG_NOSIGNAL.
  ::signal(SIGPIPE, SIG_IGN);
  // SIGINT and SIGTERM stop the server from a thread of its own: the
  // handlers of the requests never see them.
  sigset_t sinais;
  sigemptyset(&sinais);
  sigaddset(&sinais, SIGINT);
  sigaddset(&sinais, SIGTERM);
  sigaddset(&sinais, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &sinais, nullptr);
  TServidor servidor(opcoes);
  std::atomic<bool> parado{false};
  std::thread vigia([&] {
    int sinal = 0;
    sigwait(&sinais, &sinal);
    parado = true;
    servidor.Parar();
  });
  // The watcher waits for a signal that may never come when the server
  // stopped by itself: it gets one of its own (SIGUSR1).
  const auto encerrarVigia = [&] {
    if (!parado)
      pthread_kill(vigia.native_handle(), SIGUSR1);
    vigia.join();
  };
  try {
    servidor.Servir(aviso);
  } catch (...) {
    encerrarVigia();
    throw;
  }
  encerrarVigia();
}

void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando,
               const SessaoHost::TOpcoesConexao& conexao) {
  auto opcoes = std::make_shared<TOpcoes>();
  CLI::App* cmd = app.add_subcommand("serve", "Servidor web: entrada, balancete e lançamentos");
  cmd->add_option("--port", opcoes->Porta, "Porta (padrão: 8080; 0 escolhe uma livre)")
      ->check(CLI::Range(0, 65535));
  cmd->add_option("--bind", opcoes->Endereco, "Endereço (padrão: 127.0.0.1)");
  auto* certificado =
      cmd->add_option("--cert", opcoes->Certificado, "Certificado TLS (PEM): serve HTTPS");
  auto* chave = cmd->add_option("--key", opcoes->Chave, "Chave privada do certificado (PEM)");
  certificado->needs(chave);
  chave->needs(certificado);
  cmd->callback([&comando, &conexao, opcoes] {
    comando = [&conexao, opcoes](TSessaoHost& sessao) {
      sessao.VerificarAdministrador();
      if (!SenhaUsuario::AlgumaGravada(sessao.Conexao()))
        std::cout << "Nenhum usuário tem senha para entrar: defina a de um usuário com "
                     "`ctb user passwd N` (N: o código do usuário; docs/web.md)"
                  << std::endl;
      opcoes->Conexao = conexao;
      Servir(*opcoes, std::cout);
      return std::string();
    };
  });
}

}  // namespace ServidorWeb
