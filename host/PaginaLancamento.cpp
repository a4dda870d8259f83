#include "host/PaginaLancamento.h"

#include <fmt/format.h>

#include <algorithm>
#include <utility>

#include "chart/ConsultaPlanoFiltros.h"
#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/TnForm.h"
#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/db/TnDMConexao.h"
#include "host/ComandoRecord.h"
#include "host/DigitacaoHost.h"

namespace PaginaLancamento {

using json = nlohmann::ordered_json;

namespace {

json Campo(const TField& field) {
  json campo = {{"nome", field.FieldName()},
                {"rotulo", TnUtilConsultaWeb::Rotulo(field)},
                {"tipo", TnUtilConsultaWeb::TipoCampo(field.DataType())},
                {"tamanho", field.Size()},
                {"obrigatorio", field.Required()},
                {"fechado", field.ReadOnly()},
                {"consulta", field.GetDefinicao().DicionarioLookup()}};
  const TnFieldDefinicao& definicao = field.GetDefinicao();
  for (const auto& [propriedade, nome] :
       {std::pair{"GrupoNome", "grupo"}, std::pair{"GrupoLinha", "linha"},
        std::pair{"Colunas", "colunas"}})
    if (definicao.TemPropriedade(propriedade))
      campo[nome] = TnUtilConsultaWeb::ValorJson(definicao.Propriedade(propriedade));
  return campo;
}

json Acoes(const TnForm* form) {
  json acoes = json::array();
  if (form == nullptr)
    return acoes;
  const TnActionList& lista = form->Actions();
  for (size_t i = 0; i < lista.Count(); ++i) {
    const TnAction& acao = lista[i];
    if (acao.Visible() && !acao.ShortCut().empty())
      acoes.push_back({{"nome", acao.Name()},
                       {"rotulo", acao.Caption()},
                       {"dica", acao.Hint()},
                       {"atalho", acao.ShortCut()},
                       {"habilitada", acao.Enabled()}});
  }
  return acoes;
}

// One column filter of the chart consultation: the accounts it keeps.
std::vector<json> ContasDoFiltro(TnDMConexao& conexao, int64_t empresa, const char* coluna,
                                 const std::string& texto, bool qualquerParte) {
  nCtbFCPlanoEspecFiltros_U::TConsultaPlano pedido;
  pedido.CodigoEmpresa = empresa;
  pedido.QualquerParte = qualquerParte;
  pedido.Filtros.emplace_back(coluna, texto);
  TnCtbFCPlanoEspecFiltros consulta;
  nCtbFCPlanoEspecFiltros_U::Consultar(consulta, conexao, pedido);
  TnClientDataSet& cds = consulta.ClientDataSet();
  std::vector<json> contas;
  for (cds.First(); !cds.Eof() && contas.size() < kMaxContas; cds.Next())
    contas.push_back({{"conta", cds.FieldByName("CONTACTB").AsInteger()},
                      {"classificacao", cds.FieldByName("CLASSIFCONTA").AsString()},
                      {"descricao", cds.FieldByName("DESCRCONTA").AsString()},
                      {"apelido", cds.FieldByName("APELIDOCONTA").AsString()},
                      {"tipo", cds.FieldByName("TIPOCONTA").AsInteger() == 1 ? "S" : "A"}});
  return contas;
}

bool SoDigitos(const std::string& texto) {
  return !texto.empty() && texto.size() <= 18 &&
         std::all_of(texto.begin(), texto.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void VerificarTexto(const std::string& texto) {
  if (Nutil::Trim(texto).empty())
    throw Exception("Informe o número, a classificação, o apelido ou a descrição da conta");
  if (texto.size() > kMaxTextoConta)
    throw Exception(fmt::format("Texto da conta com mais de {} caracteres", kMaxTextoConta));
}

json Linhas(const TDbResult& resultado) {
  json linhas = json::array();
  for (const ValueArray& linha : resultado.Rows) {
    json objeto = json::object();
    for (size_t i = 0; i < resultado.Columns.size(); ++i)
      objeto[Nutil::UpperCase(resultado.Columns[i].Name)] = TnUtilConsultaWeb::ValorJson(linha[i]);
    linhas.push_back(std::move(objeto));
  }
  return linhas;
}

}  // namespace

void VerificarDireito(TnDMConexao& conexao) {
  // Both modules of the journal entries open from this one menu entry.
  ComandoRecord::VerificarDireito(conexao, DigitacaoHost::kClassePadrao);
}

json Tela(TnDMClientDataSet& modulo) {
  json campos = json::array();
  TnClientDataSet& cds = modulo.nClientDataSet;
  for (int i = 0; i < cds.FieldCount(); ++i)
    if (const TField& field = cds.Fields(i); field.Visible())
      campos.push_back(Campo(field));
  return {{"classe", modulo.ClassName()},
          {"campos", std::move(campos)},
          {"config", modulo.PegarJsonConfigExtra()},
          {"conteudo", modulo.PegarJsonConteudo()},
          {"acoes", Acoes(modulo.Form())}};
}

json ProcurarContas(TnDMConexao& conexao, int64_t empresa, const std::string& texto) {
  VerificarTexto(texto);
  struct TFiltro {
    const char* Coluna;
    bool QualquerParte;
  };
  std::vector<TFiltro> filtros;
  if (SoDigitos(texto))
    filtros.push_back({"CONTACTB", false});
  filtros.push_back({"CLASSIFCONTA", false});
  filtros.push_back({"APELIDOCONTA", false});
  filtros.push_back({"DESCRCONTA", true});
  json contas = json::array();
  for (const TFiltro& filtro : filtros) {
    for (json& conta :
         ContasDoFiltro(conexao, empresa, filtro.Coluna, texto, filtro.QualquerParte)) {
      if (contas.size() == kMaxContas)
        return contas;
      const bool repetida = std::any_of(contas.begin(), contas.end(), [&](const json& outra) {
        return outra["conta"] == conta["conta"];
      });
      if (!repetida)
        contas.push_back(std::move(conta));
    }
  }
  return contas;
}

int64_t ResolverConta(TnDMConexao& conexao, int64_t empresa, const std::string& texto) {
  VerificarTexto(texto);
  const std::string procurado = Nutil::UpperCase(Nutil::Trim(texto));
  if (SoDigitos(procurado))
    return std::stoll(procurado);
  for (const char* coluna : {"APELIDOCONTA", "CLASSIFCONTA"})
    for (const json& conta : ContasDoFiltro(conexao, empresa, coluna, procurado, false))
      if (Nutil::UpperCase(conta["apelido"].get<std::string>()) == procurado ||
          conta["classificacao"] == procurado)
        return conta["conta"].get<int64_t>();
  throw Exception(
      fmt::format("Nenhuma conta da empresa {} tem o número, o apelido ou a "
                  "classificação \"{}\"",
                  empresa, procurado));
}

json Conta(TnDMClientDataSet& modulo, const TLadoConta& lado) {
  auto* lancamentos = dynamic_cast<TnCtbDMLctoCtbBase*>(&modulo);
  if (lancamentos == nullptr)
    throw Exception(modulo.ClassName() + " não mostra títulos e saldos das contas");
  TnUtilCtb& controle = ControleCTB();
  controle.SetCodigoEmpresa(lado.Empresa);
  controle.SetConta(lado.Conta);
  if (!controle.GetContaValida())
    throw Exception(
        fmt::format("A conta {} não existe no plano da empresa {}", lado.Conta, lado.Empresa));
  json resposta = {{"conta", lado.Conta},
                   {"descricao", controle.DadosConta().DescrConta},
                   {"titulo", nullptr},
                   {"saldo", nullptr}};
  const TnTipoExibeTituloSaldo tipo = lancamentos->GetTipoExibeTituloSaldo();
  if (tipo == teAmbos || tipo == teTitulo)
    resposta["titulo"] = {
        {"conta", lado.Debito ? controle.GetContaDebPai() : controle.GetContaCredPai()},
        {"descricao", lado.Debito ? controle.GetDescrDebPai() : controle.GetDescrCredPai()}};
  if (tipo == teAmbos || tipo == teSaldo) {
    const json saldos = lancamentos->AlterarCampoDebitoCreditoAjax(
        lado.Empresa, lado.Estab, lado.Conta, lado.Data, lado.Debito ? "debito" : "credito");
    resposta["saldo"] = saldos[lado.Debito ? "DEBITO" : "CREDITO"];
  }
  return resposta;
}

json Detalhes(TnDMConexao& conexao, int64_t empresa, int64_t chave) {
  const TParams parametros = {{"pEmpresa", Value(empresa)}, {"pChave", Value(chave)}};
  return {
      {"gerenciais",
       Linhas(conexao.ExecuteQuery(
           "select G.NATURLCTOCTB, G.CONTACTB, G.CODIGOCENTROCUSTO, C.DESCRCENTROCUSTO, "
           "G.VALORLCTOGER, G.ORIGEMDADO from LCTOGER G left join CENTROCUSTO C on "
           "C.CODIGOEMPRESA = G.CODIGOEMPRESA and C.CODIGOCENTROCUSTO = G.CODIGOCENTROCUSTO "
           "where G.CODIGOEMPRESA = :pEmpresa and G.CHAVELCTOCTB = :pChave order by "
           "G.NATURLCTOCTB desc, G.CODIGOCENTROCUSTO",
           parametros))},
      {"atividades",
       Linhas(conexao.ExecuteQuery(
           "select L.NATURLCTOCTB, L.CONTACTB, L.CODIGOATIVDIF, A.DESCRATIVDIF, L.VALORLCTOATIV, "
           "L.ORIGEMDADO from LCTOATIVDIFERENC L left join ATIVDIFERENC A on A.CODIGOEMPRESA = "
           "L.CODIGOEMPRESA and A.CODIGOATIVDIF = L.CODIGOATIVDIF where L.CODIGOEMPRESA = "
           ":pEmpresa and L.CHAVELCTOCTB = :pChave order by L.NATURLCTOCTB desc, "
           "L.CODIGOATIVDIF",
           parametros))}};
}

}  // namespace PaginaLancamento
