#include "host/server/RotasPaginasWeb.h"

#include <fmt/format.h>
#include <httplib.h>

#include <algorithm>
#include <regex>
#include <utility>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"
#include "host/commands/ComandoExcluidos.h"
#include "host/common/JsonEstrito.h"
#include "host/common/LinhaComando.h"
#include "host/common/ValorDigitado.h"
#include "host/import/ImportacaoExtrato.h"
#include "host/output/Saida.h"
#include "host/reports/ComandoDemonstracoes.h"
#include "host/reports/ComandoRazao.h"
#include "host/reports/RelatorioContabil.h"
#include "host/server/ArquivosWeb.h"
#include "host/server/PaginaLancamento.h"
#include "host/server/ParametrosWeb.h"
#include "host/services/SessaoHost.h"

namespace RotasPaginasWeb {

namespace {

using json = nlohmann::ordered_json;
using ParametrosWeb::Autorizar;
using ParametrosWeb::Inteiro;
using RelatorioContabil::TConta;

// The longest text a search looks for.
constexpr size_t kMaxTextoPesquisa = 100;

std::string DataIso(TDateTime data) {
  return FormatDateTime("yyyy-mm-dd", data);
}

json Numero(Currency valor) {
  return valor.ToDouble();
}

// A balance as the ledger shows it: the amount without its sign and D or C.
json Saldo(Currency saldo) {
  return json{{"valor", Numero(saldo < Currency() ? -saldo : saldo)},
              {"dc", RelatorioContabil::NaturezaDoSaldo(saldo)}};
}

// The page's account: an analytic one of the company, by code or alias.
const TConta& ContaAnalitica(const RelatorioContabil::TPlano& plano, const std::string& texto,
                             int64_t empresa) {
  const TConta* conta = plano.PorCodigoOuApelido(texto);
  if (conta == nullptr)
    throw Exception(fmt::format("Conta {} não cadastrada na empresa {}", texto, empresa));
  if (conta->Sintetica)
    throw Exception(
        fmt::format("A conta {} é sintética: escolha uma conta analítica (as que "
                    "lançam) ou abra o balancete",
                    conta->ContaCtb));
  return *conta;
}

// One page of an account's ledger. The entries are counted day by day from
// the indexes alone; the page's first day starts from the balance tables'
// figure, plus the sum (by the database) of that day's entries before the
// page: any page costs the counts and a sorted read of its own days, never a
// read of the whole ledger nor of a whole month.
json Razao(const httplib::Request& req, TSessaoHost& host) {
  const int64_t empresa = Inteiro(req, "empresa", 1, 32767);
  const int estab = static_cast<int>(Inteiro(req, "estab", 0, 32767, 0));
  const int livro = static_cast<int>(Inteiro(req, "livro", 0, 1, 0));
  const int64_t pedida = Inteiro(req, "pagina", 1, INT32_MAX, 1);
  const int64_t tamanho = Inteiro(req, "tamanho", 1, kMaxPagina, kPaginaPadrao);
  const std::string textoConta = ParametrosWeb::Texto(req, "conta", 40);
  const std::string deTexto = ParametrosWeb::Data(req, "de");
  const std::string ateTexto = ParametrosWeb::Data(req, "ate");
  Autorizar([&] {
    host.VerificarEmpresa(empresa);
    if (estab != 0)
      host.VerificarEstabelecimentos(std::to_string(estab));
    ParametrosWeb::VerificarDireitoBalancete(host);
  });
  LinhaComando::VerificarPeriodo(deTexto, ateTexto);
  const TDateTime de = ParametrosWeb::DataDoParametro(req, "de");
  const TDateTime ate = ParametrosWeb::DataDoParametro(req, "ate");
  TnDMConexao& conexao = host.Conexao();
  const RelatorioContabil::TPlano plano(conexao, static_cast<int>(empresa));
  const TConta& conta = ContaAnalitica(plano, textoConta, empresa);

  // The parameters of the entries between two days, and `extras`.
  const auto janela = [&](TDateTime inicio, TDateTime fim, TParams extras = {}) {
    TParams params = {{"pEmpresa", Value(empresa)},
                      {"pConta", Value(conta.ContaCtb)},
                      {"pInicio", Value(inicio)},
                      {"pFim", Value(fim)},
                      {"pEstab", Value(estab)}};
    RelatorioContabil::AdicionarLivro(params, livro);
    params.insert(params.end(), extras.begin(), extras.end());
    return params;
  };
  const std::string base = "(" + ComandoRazao::kSqlLancamentosDaConta + ") L";
  const std::string ordem = " order by DATALCTOCTB, CHAVELCTOCTB, LADO";
  // The period's days with entries and how many each has: a page is found by
  // the counts and read from its days alone.
  std::map<TDateTime, int64_t> porDia;
  for (const ValueArray& linha :
       conexao.ExecuteQuery(ComandoRazao::kSqlDiasDaConta, janela(de, ate)).Rows)
    porDia[linha[0].AsDateTime()] += linha[1].AsInteger();
  int64_t total = 0;
  for (const auto& [dia, quantos] : porDia)
    total += quantos;
  const int64_t paginas = std::max<int64_t>(1, (total + tamanho - 1) / tamanho);
  const int64_t pagina = std::min(pedida, paginas);
  // The page's first day and its entries before the page, then its last day.
  auto primeiro = porDia.begin();
  int64_t pular = (pagina - 1) * tamanho;
  while (primeiro != porDia.end() && pular >= primeiro->second)
    pular -= (primeiro++)->second;
  auto ultimo = primeiro;
  for (int64_t restam = pular + tamanho; ultimo != porDia.end() && restam > ultimo->second;)
    restam -= (ultimo++)->second;

  // The balance before a day, from the balance tables as the trial balance
  // reads them: the day's opening balance without reading its entries.
  const auto antesDe = [&](TDateTime dia) {
    return RelatorioContabil::SaldoDaConta(
        RelatorioContabil::SaldosAntesDe(conexao, static_cast<int>(empresa), dia, livro),
        conta.ContaCtb, estab);
  };
  const RelatorioContabil::TDebitoCredito abertura = antesDe(de);
  const RelatorioContabil::TDebitoCredito fechamento = antesDe(IncDay(ate));
  Currency saldo = primeiro == porDia.begin() ? abertura.Saldo() : antesDe(primeiro->first).Saldo();
  std::vector<ValueArray> lidas;
  if (primeiro != porDia.end()) {
    const TDateTime dia = primeiro->first;
    if (pular > 0)
      saldo += conexao
                   .ExecuteScalar(
                       "select sum(case when LADO = 1 then VALORLCTOCTB else "
                       "-VALORLCTOCTB end) from (select LADO, VALORLCTOCTB from " +
                           base + ordem + " limit :pAntes) A",
                       janela(dia, dia, {{"pAntes", Value(pular)}}))
                   .AsCurrency();
    lidas = conexao
                .ExecuteQuery("select * from " + base + ordem + " limit :pLimite offset :pAntes",
                              janela(dia, ultimo == porDia.end() ? ate : ultimo->first,
                                     {{"pAntes", Value(pular)}, {"pLimite", Value(tamanho)}}))
                .Rows;
  }
  const RelatorioContabil::THistoricos historicos = RelatorioContabil::Historicos(conexao);
  json linhas = json::array();
  for (const ValueArray& linha : lidas) {
    const bool debito = linha[3].AsInteger() == 1;
    const int64_t contra = linha[4].IsNull() ? 0 : linha[4].AsInteger();
    const Currency valor = linha[7].AsCurrency();
    saldo += debito ? valor : -valor;
    const HistoricoPadrao::TLancamento lancamento = {
        debito ? conta.ContaCtb : contra, debito ? contra : conta.ContaCtb, linha[0].AsDateTime()};
    linhas.push_back(json{{"data", DataIso(linha[0].AsDateTime())},
                          {"chave", linha[1].AsInteger()},
                          {"estab", linha[2].AsInteger()},
                          {"contrapartida", contra == 0 ? json() : json(contra)},
                          {"descricao", contra == 0 ? "" : plano.Descricao(contra)},
                          {"debito", debito ? Numero(valor) : json()},
                          {"credito", debito ? json() : Numero(valor)},
                          {"saldo", Saldo(saldo)},
                          {"historico", RelatorioContabil::TextoHistorico(
                                            historicos, plano, linha[5], linha[6], lancamento)}});
  }
  const Currency debitos = fechamento.Debito - abertura.Debito;
  const Currency creditos = fechamento.Credito - abertura.Credito;
  return json{
      {"conta",
       {{"conta", conta.ContaCtb}, {"classificacao", conta.Classif}, {"descricao", conta.Descr}}},
      {"de", DataIso(de)},
      {"ate", DataIso(ate)},
      {"saldoAnterior", Saldo(abertura.Saldo())},
      {"movimento", {{"debito", Numero(debitos)}, {"credito", Numero(creditos)}}},
      {"saldoFinal", Saldo(abertura.Saldo() + debitos - creditos)},
      {"total", total},
      {"pagina", pagina},
      {"paginas", paginas},
      {"tamanho", tamanho},
      {"linhas", std::move(linhas)}};
}

// The company's entries in a period, by account (either side), amount and a
// text of the history (its standard history's words or its complement),
// in date and key order, kPaginaPesquisa a page.
json Pesquisa(const httplib::Request& req, TSessaoHost& host) {
  const int64_t empresa = Inteiro(req, "empresa", 1, 32767);
  const int64_t pagina = Inteiro(req, "pagina", 1, INT32_MAX, 1);
  const std::string textoConta = ParametrosWeb::Texto(req, "conta", 40);
  const std::string textoValor = ParametrosWeb::Texto(req, "valor", 40);
  const std::string texto = ParametrosWeb::Texto(req, "texto", kMaxTextoPesquisa);
  const std::string deTexto = ParametrosWeb::Data(req, "de");
  const std::string ateTexto = ParametrosWeb::Data(req, "ate");
  Autorizar([&] {
    host.VerificarEmpresa(empresa);
    PaginaLancamento::VerificarDireito(host.Conexao());
  });
  LinhaComando::VerificarPeriodo(deTexto, ateTexto);
  TnDMConexao& conexao = host.Conexao();
  const int64_t conta = Nutil::Trim(textoConta).empty()
                            ? 0
                            : PaginaLancamento::ResolverConta(conexao, empresa, textoConta);
  Value valor;
  if (!Nutil::Trim(textoValor).empty()) {
    try {
      valor = Currency::FromString(ValorDigitado::LerNumeroBrasileiro(textoValor, 2));
    } catch (const Exception& e) {
      throw Exception(std::string("Valor: ") + e.what());
    }
  }
  // The text is looked for as typed: its wildcards are escaped.
  std::string padrao = "%";
  for (const char c : Nutil::Trim(texto)) {
    if (c == '%' || c == '_' || c == '!')
      padrao += '!';
    padrao += c;
  }
  padrao += '%';
  const TParams params = {{"pEmpresa", Value(empresa)},
                          {"pDe", Value(ParametrosWeb::DataDoParametro(req, "de"))},
                          {"pAte", Value(ParametrosWeb::DataDoParametro(req, "ate"))},
                          {"pConta", Value(conta)},
                          {"pSemValor", Value(valor.IsNull() ? 1 : 0)},
                          {"pValor", valor.IsNull() ? Value(Currency()) : valor},
                          {"pTexto", Value(padrao)},
                          {"pLimite", Value(int64_t{kPaginaPesquisa} + 1)},
                          {"pAntes", Value((pagina - 1) * kPaginaPesquisa)}};
  const TDbResult achados = conexao.ExecuteQuery(
      "select CHAVELCTOCTB, DATALCTOCTB, CODIGOESTAB, CONTACTBDEB, CONTACTBCRED, VALORLCTOCTB, "
      "CODIGOHISTCTB, COMPLHIST from LCTOCTB L where CODIGOEMPRESA = :pEmpresa and DATALCTOCTB "
      "between :pDe and :pAte and (:pConta = 0 or CONTACTBDEB = :pConta or CONTACTBCRED = "
      ":pConta) and (:pSemValor = 1 or VALORLCTOCTB = :pValor) and (:pTexto = '%%' or "
      "upper(COMPLHIST) like upper(:pTexto) escape '!' or exists (select 1 from HISTORICOCTB H "
      "where H.CODIGOHISTCTB = L.CODIGOHISTCTB and upper(H.DESCRHISTCTB) like upper(:pTexto) "
      "escape '!')) order by DATALCTOCTB, CHAVELCTOCTB limit :pLimite offset :pAntes",
      params);
  const RelatorioContabil::TPlano plano(conexao, static_cast<int>(empresa));
  const RelatorioContabil::THistoricos historicos = RelatorioContabil::Historicos(conexao);
  json linhas = json::array();
  for (const ValueArray& linha : achados.Rows) {
    if (linhas.size() == kPaginaPesquisa)
      break;
    const int64_t debito = linha[3].IsNull() ? 0 : linha[3].AsInteger();
    const int64_t credito = linha[4].IsNull() ? 0 : linha[4].AsInteger();
    const auto lado = [&](int64_t codigo) {
      return codigo == 0 ? json() : json{{"conta", codigo}, {"descricao", plano.Descricao(codigo)}};
    };
    linhas.push_back(json{{"chave", linha[0].AsInteger()},
                          {"data", DataIso(linha[1].AsDateTime())},
                          {"estab", linha[2].AsInteger()},
                          {"debito", lado(debito)},
                          {"credito", lado(credito)},
                          {"valor", Numero(linha[5].AsCurrency())},
                          {"historico", RelatorioContabil::TextoHistorico(
                                            historicos, plano, linha[6], linha[7],
                                            {debito, credito, linha[1].AsDateTime()})}});
  }
  return json{{"pagina", pagina},
              {"mais", achados.Rows.size() > kPaginaPesquisa},
              {"linhas", std::move(linhas)}};
}

// The company's deleted entries whose entry date lies in the period, as
// `ctb deleted list` lists them.
json Excluidos(const httplib::Request& req, TSessaoHost& host) {
  ComandoExcluidos::TOpcoes opcoes;
  opcoes.Empresa = Inteiro(req, "empresa", 1, 32767);
  opcoes.De = ParametrosWeb::Data(req, "de");
  opcoes.Ate = ParametrosWeb::Data(req, "ate");
  Autorizar([&] {
    host.VerificarEmpresa(opcoes.Empresa);
    ComandoExcluidos::VerificarDireito(host.Conexao(), ComandoExcluidos::kDireitoLog);
  });
  LinhaComando::VerificarPeriodo(opcoes.De, opcoes.Ate);
  return json::parse(ComandoExcluidos::Listar(host.Conexao(), opcoes, Saida::TFormatoSaida::Json));
}

// Puts one deleted entry back under a new key, as `ctb deleted restore`:
// {"empresa", "id"}.
json Restaurar(const httplib::Request& req, TSessaoHost& host) {
  const json corpo = JsonEstrito::Analisar(req.body, 1);
  if (!corpo.is_object())
    throw Exception("Envie {\"empresa\": N, \"id\": N}");
  ComandoExcluidos::TOpcoes opcoes;
  opcoes.Empresa = JsonEstrito::InteiroObrigatorio(corpo, "empresa", "a empresa", 32767);
  opcoes.Id = JsonEstrito::InteiroObrigatorio(corpo, "id", "o lançamento excluído", INT64_MAX);
  Autorizar([&] {
    host.VerificarEmpresa(opcoes.Empresa);
    ComandoExcluidos::VerificarDireito(host.Conexao(), ComandoExcluidos::kDireitoRestaurar);
  });
  return json{{"mensagem", ComandoExcluidos::Restaurar(host.Conexao(), opcoes)}};
}

// The balance sheet and the income statement of a period beside the
// previous one, as `ctb statements` computes them.
json Demonstracoes(const httplib::Request& req, TSessaoHost& host) {
  const int64_t empresa = Inteiro(req, "empresa", 1, 32767);
  const int livro = static_cast<int>(Inteiro(req, "livro", 0, 1, 0));
  const int nivel = static_cast<int>(Inteiro(req, "nivel", 0, 20, 0));
  const bool zeradas = Inteiro(req, "zeradas", 0, 1, 0) == 1;
  const std::string deTexto = ParametrosWeb::Data(req, "de");
  const std::string ateTexto = ParametrosWeb::Data(req, "ate");
  Autorizar([&] {
    host.VerificarEmpresa(empresa);
    ParametrosWeb::VerificarDireitoBalancete(host);
  });
  LinhaComando::VerificarPeriodo(deTexto, ateTexto);
  const ComandoDemonstracoes::TDemonstracoes d = ComandoDemonstracoes::Calcular(
      host.Conexao(), static_cast<int>(empresa), ParametrosWeb::DataDoParametro(req, "de"),
      ParametrosWeb::DataDoParametro(req, "ate"), livro, nivel, zeradas);
  const auto linhas = [](const std::vector<ComandoDemonstracoes::TLinha>& origem) {
    json destino = json::array();
    for (const ComandoDemonstracoes::TLinha& linha : origem)
      destino.push_back(json{{"classificacao", linha.Classif},
                             {"descricao", linha.Descr},
                             {"atual", Numero(linha.Valores.Atual)},
                             {"anterior", Numero(linha.Valores.Anterior)},
                             {"total", linha.Total}});
    return destino;
  };
  return json{{"periodo", {{"de", DataIso(d.Inicio)}, {"ate", DataIso(d.Fim)}}},
              {"anterior", {{"de", DataIso(d.InicioAnterior)}, {"ate", DataIso(d.FimAnterior)}}},
              {"balanco", linhas(d.Balanco)},
              {"resultado", linhas(d.Resultado)},
              {"equacao", d.Equacao()},
              {"confere", d.Confere()}};
}

// A part of the multipart upload, "" when absent.
std::string Parte(const httplib::Request& req, const char* nome) {
  return req.has_file(nome) ? req.get_file_value(nome).content : std::string();
}

// A statement uploaded with its map and rules (a multipart form: "empresa",
// "conta", "extrato", "mapa", "regras", "codificacao", "confirmar"), read in
// memory: without "confirmar" = "1" the rows it would post and those it
// refuses; with it, posted as `ctb import statement` posts them.
json Importar(const httplib::Request& req, TSessaoHost& host) {
  if (!req.is_multipart_form_data())
    throw Exception("Envie o extrato, o mapa e as regras como formulário (multipart/form-data)");
  ImportacaoExtrato::TExtratoEnviado enviado;
  const std::string empresa = Parte(req, "empresa");
  static const std::regex kEmpresa("[0-9]{1,5}");
  if (!std::regex_match(empresa, kEmpresa) || std::stoi(empresa) < 1 || std::stoi(empresa) > 32767)
    throw Exception("Informe a empresa (um número de 1 a 32767)");
  enviado.CodigoEmpresa = std::stoi(empresa);
  enviado.Conta = Nutil::Trim(Parte(req, "conta"));
  if (enviado.Conta.empty() || enviado.Conta.size() > 40)
    throw Exception("Informe a conta do banco (até 40 caracteres)");
  enviado.Conteudo = Parte(req, "extrato");
  enviado.Mapa = Parte(req, "mapa");
  enviado.Regras = Parte(req, "regras");
  if (enviado.Conteudo.empty() || enviado.Regras.empty())
    throw Exception("Envie o extrato e as regras");
  const std::string codificacao = Parte(req, "codificacao");
  if (codificacao != "" && codificacao != "utf-8" && codificacao != "windows-1252")
    throw Exception("Codificação inválida: use utf-8 ou windows-1252");
  if (codificacao == "windows-1252")
    enviado.Codificacao = TCodificacaoCsv::Windows1252;
  Autorizar([&] {
    host.VerificarEmpresa(enviado.CodigoEmpresa);
    PaginaLancamento::VerificarDireito(host.Conexao());
  });
  TnDMConexao& conexao = host.Conexao();
  if (Parte(req, "confirmar") == "1") {
    const ImportacaoHost::TSaidaImportacao saida = ImportacaoExtrato::Gravar(conexao, enviado);
    return json{{"relatorio", saida.Texto}, {"completa", saida.Status == 0}};
  }
  const ImportacaoExtrato::TPrevia previa = ImportacaoExtrato::Prever(conexao, enviado);
  const RelatorioContabil::TPlano plano(conexao, static_cast<int>(enviado.CodigoEmpresa));
  const auto conta = [&](int64_t codigo) {
    return json{{"conta", codigo}, {"descricao", plano.Descricao(codigo)}};
  };
  json gravar = json::array();
  for (const ImportacaoExtrato::TLinhaPrevista& linha : previa.Gravar)
    gravar.push_back(json{{"linha", linha.Linha},
                          {"data", linha.Data},
                          {"valor", Numero(linha.Valor)},
                          {"debito", conta(linha.Debito)},
                          {"credito", conta(linha.Credito)},
                          {"historico", linha.Historico},
                          {"documento", linha.Documento},
                          {"descricao", linha.Descricao},
                          {"transitoria", linha.Transitoria}});
  json recusas = json::array();
  for (const ImportacaoHost::TRecusa& recusa : previa.Recusas)
    recusas.push_back(json{{"linha", recusa.Linha},
                           {"campo", recusa.Campo},
                           {"mensagem", recusa.Mensagem},
                           {"celulas", recusa.Celulas}});
  return json{{"gravar", std::move(gravar)},
              {"recusas", std::move(recusas)},
              {"jaImportadas", previa.JaImportadas}};
}

}  // namespace

void Registrar(httplib::Server& http, const TAtender& atender) {
  for (const auto& [rota, trabalho] :
       {std::pair{"/api/paginas/razao", TTrabalho(Razao)},
        std::pair{"/api/paginas/pesquisa", TTrabalho(Pesquisa)},
        std::pair{"/api/paginas/excluidos", TTrabalho(Excluidos)},
        std::pair{"/api/paginas/demonstracoes", TTrabalho(Demonstracoes)}})
    http.Get(rota, [atender, trabalho](const httplib::Request& req, httplib::Response& res) {
      atender(req, res, false, trabalho);
    });
  for (const auto& [rota, trabalho] :
       {std::pair{"/api/paginas/excluidos/restaurar", TTrabalho(Restaurar)},
        std::pair{"/api/paginas/importar", TTrabalho(Importar)}})
    http.Post(rota, [atender, trabalho](const httplib::Request& req, httplib::Response& res) {
      atender(req, res, true, trabalho);
    });
  for (const auto& [rota, arquivo] :
       {std::pair{"/razao", "razao.html"}, std::pair{"/excluidos", "excluidos.html"},
        std::pair{"/importar", "importar.html"}, std::pair{"/demonstracoes", "demonstracoes.html"}})
    http.Get(rota, [nome = std::string(arquivo)](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(ArquivosWeb::Get(nome)), "text/html; charset=utf-8");
    });
}

}  // namespace RotasPaginasWeb
