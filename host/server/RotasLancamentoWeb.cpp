#include "host/server/RotasLancamentoWeb.h"

#include <fmt/format.h>
#include <httplib.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "activities/nCtbDMLctoAtivDiferenc_U.h"
#include "activities/nCtbServicoAtividade_U.h"
#include "entries/nCtbDMLctoCtbBase_U.h"
#include "entries/nDMLancamentoProgramado_U.h"
#include "framework/app/Ndialogs.h"
#include "framework/app/Nutilform.h"
#include "framework/app/TnSelecao.h"
#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/TLctoCtb.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/ValorDigitado.h"
#include "host/server/PaginaLancamento.h"
#include "host/server/ParametrosWeb.h"
#include "managerial/nCtbDMLctoGer_U.h"

namespace RotasLancamentoWeb {

using json = nlohmann::ordered_json;
using ParametrosWeb::DataDoParametro;
using ParametrosWeb::Inteiro;

namespace {

// One side of the entry being keyed, as the page names it.
TLadoLctoCtb Lado(int64_t empresa, int64_t conta, bool debito = true, TDateTime data = {},
                  Currency valor = {}) {
  TLadoLctoCtb lado;
  lado.Lcto.CodigoEmpresa = empresa;
  lado.Natureza = debito ? 1 : -1;
  (debito ? lado.Lcto.ContaCtbDeb : lado.Lcto.ContaCtbCred) = conta;
  lado.Lcto.DataLctoCtb = data;
  lado.Lcto.ValorLctoCtb = valor;
  return lado;
}

int64_t ContaDoParametro(const TPedido& pedido, const char* nome) {
  return PaginaLancamento::ResolverConta(pedido.Conexao, pedido.Empresa,
                                         pedido.Req.get_param_value(nome));
}

bool LadoDebito(const httplib::Request& req) {
  const std::string lado = req.get_param_value("lado");
  if (lado != "debito" && lado != "credito")
    throw Exception("Parâmetro lado inválido: use debito ou credito");
  return lado == "debito";
}

// The amount as typed on the page ("1.234,56"): the one reader of Brazilian
// numbers.
Currency Valor(const httplib::Request& req) {
  const std::string texto = req.get_param_value("valor");
  if (texto.size() > 30)
    throw Exception("Parâmetro valor inválido: mais de 30 caracteres");
  const Currency valor = Currency::FromString(ValorDigitado::LerNumeroBrasileiro(texto, 2));
  if (valor <= Currency())
    throw Exception("Informe o valor do lançamento (maior que zero)");
  return valor;
}

TLadoLctoCtb LadoDoPedido(const TPedido& pedido) {
  // The parameters in the order their refusals are reported.
  const bool debito = LadoDebito(pedido.Req);
  const int64_t conta = ContaDoParametro(pedido, "conta");
  const TDateTime data = DataDoParametro(pedido.Req, "data");
  return Lado(pedido.Empresa, conta, debito, data, Valor(pedido.Req));
}

std::string Dinheiro(Currency valor) {
  return FormatFloat("#,##0.00", valor);
}

// The managerial module of one side, open without a screen on a key no
// entry has: the side starts without rows and reads none, and what is
// posted on it is kept for a caller that applies nothing.
std::unique_ptr<TnCtbDMLctoGer> Gerencial(TnDMConexao& conexao, const TLadoLctoCtb& lado) {
  constexpr int64_t kChaveNenhuma = -1;
  auto gerencial = std::make_unique<TnCtbDMLctoGer>();
  gerencial->SetConexao(&conexao);
  gerencial->SetVerificaSelecaoManual("CodigoEmpresa");
  gerencial->SetCarregarDetalhesDinamicamente(true);
  TnSelecao selecao;
  selecao.SetParam(kSelCodigoEmpresa, Value(lado.Lcto.CodigoEmpresa));
  gerencial->Abrir(&selecao);
  TLadoLctoCtb semChave = lado;
  semChave.Lcto.ChaveLctoCtb = kChaveNenhuma;
  gerencial->SetLado(semChave);
  gerencial->SetEntradaSemGravados(std::pair{lado.Lcto.CodigoEmpresa, kChaveNenhuma});
  gerencial->SetApplyUpdatesManual(true);
  return gerencial;
}

std::string Descricao(TnDMConexao& conexao, const char* sql, int64_t empresa, int64_t codigo) {
  const Value descricao =
      conexao.ExecuteScalar(sql, {{"pEmpresa", Value(empresa)}, {"pCodigo", Value(codigo)}});
  return descricao.IsNull() ? "" : descricao.AsString();
}

json LinhaAutomatica(int64_t codigo, std::string descricao, Currency valor) {
  return {{"codigo", codigo}, {"descricao", std::move(descricao)}, {"valor", Dinheiro(valor)}};
}

json GerenciaisAutomaticos(TnDMConexao& conexao, const TLadoLctoCtb& lado) {
  const std::unique_ptr<TnCtbDMLctoGer> gerencial = Gerencial(conexao, lado);
  gerencial->InserirLctoGerAuto();
  json linhas = json::array();
  TnClientDataSet& cds = gerencial->nClientDataSet;
  cds.SetIndexFieldNames("CODIGOCENTROCUSTO");
  for (cds.First(); !cds.Eof(); cds.Next()) {
    const int64_t centro = cds.FieldByName("CODIGOCENTROCUSTO").AsInteger();
    linhas.push_back(LinhaAutomatica(
        centro,
        Descricao(conexao,
                  "select DESCRCENTROCUSTO from CENTROCUSTO where CODIGOEMPRESA = :pEmpresa and "
                  "CODIGOCENTROCUSTO = :pCodigo",
                  lado.Lcto.CodigoEmpresa, centro),
        cds.FieldByName("VALORLCTOGER").AsCurrency()));
  }
  return linhas;
}

TInfoLctoCtb InfoLado(TnDMConexao& conexao, const TLadoLctoCtb& lado) {
  TInfoLctoCtb info;
  static_cast<TLadoLctoCtb&>(info) = lado;
  const Value classificacao = conexao.ExecuteScalar(
      "select CLASSIFCONTA from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and CONTACTB = "
      ":pConta",
      {{"pEmpresa", Value(lado.Lcto.CodigoEmpresa)}, {"pConta", Value(lado.ContaCtb())}});
  info.ClassifConta = classificacao.IsNull() ? "" : classificacao.AsString();
  return info;
}

json AtividadesAutomaticas(TnDMConexao& conexao, const TLadoLctoCtb& lado) {
  json linhas = json::array();
  for (const TLctoAtivDiferenc& linha :
       TServicoAtividade::LancamentosAutomaticos(InfoLado(conexao, lado))) {
    const int64_t atividade = linha.CodigoAtivDif;
    linhas.push_back(LinhaAutomatica(
        atividade,
        Descricao(conexao,
                  "select DESCRATIVDIF from ATIVDIFERENC where CODIGOEMPRESA = :pEmpresa and "
                  "CODIGOATIVDIF = :pCodigo",
                  lado.Lcto.CodigoEmpresa, atividade),
        linha.ValorLctoAtiv));
  }
  return linhas;
}

// Which splits each side of the entry being keyed takes, by the journal-entry
// module's own tests: an apportionment account at the date takes managerial
// splits (opened by the page itself when its rates do not reach 100 %), an
// account under an activity plan takes activities where the company keeps
// them.
json Rateio(const TPedido& pedido) {
  auto* lancamentos = dynamic_cast<TnCtbDMLctoCtbBase*>(&pedido.Tela());
  if (lancamentos == nullptr)
    throw Exception("O módulo da aba não faz lançamentos contábeis");
  const TDateTime data = DataDoParametro(pedido.Req, "data");
  const auto conta = [&](const char* nome) {
    return pedido.Req.get_param_value(nome).empty() ? 0 : ContaDoParametro(pedido, nome);
  };
  const int64_t debito = conta("debito");
  const int64_t credito = conta("credito");
  const json abre = lancamentos->VerificaAbreGerCloudAjax(pedido.Empresa, debito, credito, data);
  const bool atividades = lancamentos->HabilitarDetalhesCloudAjax(pedido.Empresa);
  json resposta = json::object();
  for (const auto& [nome, contaLado, ehDebito, chaveAbre] :
       {std::tuple{"debito", debito, true, "AbreDebito"},
        std::tuple{"credito", credito, false, "AbreCredito"}}) {
    const TLadoLctoCtb lado = Lado(pedido.Empresa, contaLado, ehDebito, data);
    const bool tem = contaLado != 0;
    resposta[nome] = {
        {"conta", tem ? json(contaLado) : json(nullptr)},
        {"gerencial",
         tem && lancamentos->VerificarContaRateio(pedido.Empresa, Value(contaLado), data)},
        {"abre", abre[chaveAbre]},
        {"atividades",
         tem && atividades && TServicoAtividade::ProcurarClassif(InfoLado(pedido.Conexao, lado))}};
  }
  return resposta;
}

json Automatico(const TPedido& pedido) {
  const std::string tipo = pedido.Req.get_param_value("tipo");
  if (tipo != "gerencial" && tipo != "atividades")
    throw Exception("Parâmetro tipo inválido: use gerencial ou atividades");
  const TLadoLctoCtb lado = LadoDoPedido(pedido);
  return {{"linhas", tipo == "gerencial" ? GerenciaisAutomaticos(pedido.Conexao, lado)
                                         : AtividadesAutomaticas(pedido.Conexao, lado)}};
}

// The rates dialog of the managerial screen: the module's own list, read
// from the dialog it shows ({"titulo", "linhas"}), or its message when the
// account has no rates ({"mensagem"}).
json Percentuais(const TPedido& pedido) {
  const std::unique_ptr<TnCtbDMLctoGer> gerencial =
      Gerencial(pedido.Conexao, Lado(pedido.Empresa, ContaDoParametro(pedido, "conta")));
  auto dialogos = std::make_shared<TDialogServiceScripted>();
  {
    TUsarDialogService uso(dialogos);
    gerencial->actConsultaPercAutoExecute();
  }
  const TDialogoRegistrado& dialogo = dialogos->Registro().at(0);
  if (dialogo.Itens.empty())
    return {{"mensagem", dialogo.Texto}};
  return {{"titulo", dialogo.Texto}, {"linhas", dialogo.Itens}};
}

// The text a person types in a split's code: at most 100 characters.
std::string TextoProcurado(const httplib::Request& req, const char* oque) {
  std::string texto = Nutil::Trim(req.get_param_value("texto"));
  if (texto.size() > 100)
    throw Exception(fmt::format("Texto {} com mais de 100 caracteres", oque));
  return texto;
}

// At most kMaxCentros rows of `tabela` (its code and description columns)
// that the lookup filter keeps, whose code starts with the text or whose
// description holds it.
json Procurar(TnDMConexao& conexao, const std::string& consulta, int64_t empresa,
              const std::string& texto) {
  const TDbResult achados =
      conexao.ExecuteQuery(consulta, {{"pEmpresa", Value(empresa)},
                                      {"pInicio", Value(texto + "%")},
                                      {"pParte", Value("%" + Nutil::UpperCase(texto) + "%")}});
  json lista = json::array();
  for (const ValueArray& linha : achados.Rows) {
    if (lista.size() == kMaxCentros)
      break;
    lista.push_back({{"codigo", linha[0].AsInteger()},
                     {"descricao", linha[1].IsNull() ? "" : linha[1].AsString()}});
  }
  return lista;
}

// The cost centres a split of the account may name: the company's postable
// ones, narrowed by the managerial module's lookup filter to those the
// account allows, whose code starts with the text or whose description
// holds it.
json Centros(const TPedido& pedido) {
  const std::string texto = TextoProcurado(pedido.Req, "do centro de custo");
  std::string filtro = "CODIGOEMPRESA = :pEmpresa";
  Gerencial(pedido.Conexao, Lado(pedido.Empresa, ContaDoParametro(pedido, "conta")))
      ->DoDepoisCriarFiltroConta(nullptr, filtro);
  return Procurar(
      pedido.Conexao,
      "select CODIGOCENTROCUSTO, DESCRCENTROCUSTO from CENTROCUSTO where " + filtro +
          " and TIPOCENTROCUSTO = 2 and (cast(CODIGOCENTROCUSTO as varchar(20)) like :pInicio or "
          "upper(DESCRCENTROCUSTO) like :pParte) order by CODIGOCENTROCUSTO",
      pedido.Empresa, texto);
}

// The activities a split of the account may name at the date: those of the
// plan of the account (or of the nearest summary account above it) in force
// then, by the activity module's lookup filter.
json Atividades(const TPedido& pedido) {
  const std::string texto = TextoProcurado(pedido.Req, "da atividade");
  const int64_t conta = ContaDoParametro(pedido, "conta");
  const TInfoLctoCtb info = InfoLado(
      pedido.Conexao, Lado(pedido.Empresa, conta, true, DataDoParametro(pedido.Req, "data")));
  if (!TServicoAtividade::ProcurarClassif(info))
    return json::array();
  TnCtbDMLctoAtivDiferenc atividades;
  atividades.SetCdsAtividades(TServicoAtividade::GetAtividades());
  atividades.SetInfoLctoCtb(info);
  std::string filtro = "CODIGOEMPRESA = :pEmpresa";
  atividades.DoDepoisCriarFiltroAtividade(nullptr, filtro);
  return Procurar(pedido.Conexao,
                  "select CODIGOATIVDIF, DESCRATIVDIF from ATIVDIFERENC where " + filtro +
                      " and (cast(CODIGOATIVDIF as varchar(20)) like :pInicio or "
                      "upper(DESCRATIVDIF) like :pParte) order by CODIGOATIVDIF",
                  pedido.Empresa, texto);
}

// The entries a programmed entry already made on the date being keyed, as
// the screen lists them below the entry: the programmed-entries module's
// list ("fields", "rows").
json Programados(const TPedido& pedido) {
  const auto programado =
      Nutilform::CriarDMNovo<TnDMLancamentoProgramado>(TnDMLancamentoProgramado::kClassName);
  programado->SetConexao(&pedido.Conexao);
  programado->SetCodigoEmpresa(pedido.Empresa);
  programado->SetCodigoLctoProg(Inteiro(pedido.Req, "codigo", 1, 32767));
  programado->SetDataLctoCtb(DataDoParametro(pedido.Req, "data"));
  programado->AtualizarLista();
  json lista = TnUtilConsultaWeb::SerializarDataset(programado->MemTableEh());
  lista["Caption"] = "Lançamentos Programados";
  return lista;
}

}  // namespace

void Registrar(const std::function<void(const char* rota, TTrabalho trabalho)>& leitura) {
  leitura("/api/lancamentos/rateio", Rateio);
  leitura("/api/lancamentos/rateio/automatico", Automatico);
  leitura("/api/lancamentos/rateio/percentuais", Percentuais);
  leitura("/api/lancamentos/centros", Centros);
  leitura("/api/lancamentos/atividades", Atividades);
  leitura("/api/lancamentos/programados", Programados);
}

}  // namespace RotasLancamentoWeb
