#include "host/server/PaginaLancamento.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "chart/ConsultaPlanoFiltros.h"
#include "entries/nCtbDMLctoCtbCloud_U.h"
#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/TnForm.h"
#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/HistoricoPadrao.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/db/TnDMConexao.h"
#include "host/commands/ComandoRecord.h"
#include "host/common/HostComum.h"
#include "host/common/ValorDigitado.h"
#include "host/services/DigitacaoHost.h"

namespace PaginaLancamento {

using json = nlohmann::ordered_json;

namespace {

// What the module fills itself when an entry is written: the transaction and
// the key it numbers, the origin of the data and the nature it sets.
constexpr std::array<std::string_view, 4> kCamposDoModulo = {"TRANSCTB", "CHAVELCTOCTB",
                                                             "ORIGEMDADO", "NATURLCTOCTB"};

bool DoModulo(const TField& field) {
  return std::find(kCamposDoModulo.begin(), kCamposDoModulo.end(), field.FieldName()) !=
         kCamposDoModulo.end();
}

bool EhValor(const TField& field) {
  return std::string_view(TnUtilConsultaWeb::TipoCampo(field.DataType())) == "valor";
}

json Campo(const TField& field) {
  json campo = {{"nome", field.FieldName()},
                {"rotulo", TnUtilConsultaWeb::Rotulo(field)},
                {"tipo", TnUtilConsultaWeb::TipoCampo(field.DataType())},
                {"tamanho", field.Size()},
                {"obrigatorio", field.Required() && !DoModulo(field)},
                {"fechado", field.ReadOnly() || DoModulo(field)},
                {"consulta", field.GetDefinicao().DicionarioLookup()}};
  const TnFieldDefinicao& definicao = field.GetDefinicao();
  for (const auto& [propriedade, nome] :
       {std::pair{"GrupoNome", "grupo"}, std::pair{"GrupoLinha", "linha"},
        std::pair{"Colunas", "colunas"}})
    if (definicao.TemPropriedade(propriedade))
      campo[nome] = TnUtilConsultaWeb::ValorJson(definicao.Propriedade(propriedade));
  return campo;
}

// The screen's actions with a shortcut: the form's, then those the module
// declares itself (the web module's action list).
json Acoes(TnDMClientDataSet& modulo) {
  json acoes = json::array();
  const auto listar = [&acoes](const TnActionList& lista) {
    for (size_t i = 0; i < lista.Count(); ++i) {
      const TnAction& acao = lista[i];
      if (acao.Visible() && !acao.ShortCut().empty())
        acoes.push_back({{"nome", acao.Name()},
                         {"rotulo", acao.Caption()},
                         {"dica", acao.Hint()},
                         {"atalho", acao.ShortCut()},
                         {"habilitada", acao.Enabled()}});
    }
  };
  if (modulo.Form() != nullptr)
    listar(modulo.Form()->Actions());
  if (const auto* lancamentos = dynamic_cast<const TnCtbDMLctoCtbBase*>(&modulo))
    listar(lancamentos->ActionList);
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

// The rows of a query as objects by column; the column named `valor`, an
// amount, as it is typed ("1.234,56"), formatted from the stored decimal.
json Linhas(const TDbResult& resultado, const std::string& valor = "") {
  json linhas = json::array();
  for (const ValueArray& linha : resultado.Rows) {
    json objeto = json::object();
    for (size_t i = 0; i < resultado.Columns.size(); ++i) {
      const std::string coluna = Nutil::UpperCase(resultado.Columns[i].Name);
      objeto[coluna] = coluna == valor && !linha[i].IsNull()
                           ? json(FormatCurr("#,##0.00", linha[i].AsCurrency()))
                           : json(TnUtilConsultaWeb::ValorJson(linha[i]));
    }
    linhas.push_back(std::move(objeto));
  }
  return linhas;
}

}  // namespace

void VerificarDireito(TnDMConexao& conexao) {
  // Both modules of the journal entries open from this one menu entry.
  ComandoRecord::VerificarDireito(conexao, DigitacaoHost::kClassePadrao);
}

// The active standard histories as the suggestion list offers them: their
// tokens in words.
json Historicos(TnDMConexao& conexao) {
  json historicos = Linhas(conexao.ExecuteQuery(
      "select CODIGOHISTCTB, DESCRHISTCTB from HISTORICOCTB where STATUS = 0 order by "
      "CODIGOHISTCTB"));
  for (json& historico : historicos)
    if (historico["DESCRHISTCTB"].is_string())
      historico["DESCRHISTCTB"] = HistoricoPadrao::Modelo(historico["DESCRHISTCTB"]);
  return historicos;
}

// The web module's alerts, shown above the fields when the company keeps
// balances by history, as the desktop screen shows its strip: the module
// keeps its container visible in every web process, which would ask every
// company's accountant for a recalculation none of them needs.
json Avisos(TnDMClientDataSet& modulo) {
  json avisos = json::array();
  if (auto* web = dynamic_cast<TnCtbDMLctoCtbCloud*>(&modulo);
      web != nullptr && web->GetMostrarMsgInformacao())
    for (const TnWidgetAlerta& alerta : web->GetWidgetContainer().Widgets)
      avisos.push_back(alerta.Mensagem);
  return avisos;
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
          {"acoes", Acoes(modulo)},
          {"historicos", Historicos(modulo.Conexao())},
          {"avisos", Avisos(modulo)}};
}

json TelaVinculada(DigitacaoHost::TDigitacao& tela, const TVinculo& vinculo) {
  json resposta;
  tela.MostrarTelaVinculada(
      vinculo.Empresa, vinculo.Chave, vinculo.Tela, [&resposta](TnDMClientDataSet& modulo) {
        const TnClientDataSet& cds = modulo.nClientDataSet;
        const json registro = HostComum::RegistroJson(cds);
        json campos = json::array();
        for (int i = 0; i < cds.FieldCount(); ++i) {
          const TField& field = cds.Fields(i);
          if (!field.Visible())
            continue;
          json campo = Campo(field);
          campo["valor"] =
              registro.contains(field.FieldName()) ? registro[field.FieldName()] : json(nullptr);
          campos.push_back(std::move(campo));
        }
        resposta = {{"classe", modulo.ClassName()},
                    {"titulo", modulo.Form() != nullptr ? modulo.Form()->Caption : ""},
                    {"campos", std::move(campos)}};
      });
  return resposta;
}

json Executar(DigitacaoHost::TDigitacao& tela, json documento) {
  const auto recusa = [](const std::string& campo, const std::string& mensagem) {
    return json{{"result", "refused"},
                {"message", mensagem},
                {"field", campo},
                {"questions", json::array()},
                {"informations", json::array()}};
  };
  // The first document of a tab may come before its screen was read: the
  // module is opened to know which fields are amounts. What refuses that
  // opening (the company) refuses the document too, in its result.
  TnDMClientDataSet* modulo = tela.Modulo();
  if (modulo == nullptr && documento.contains("company") &&
      documento["company"].is_number_integer()) {
    try {
      modulo = &tela.Preparar(documento["company"].get<int64_t>());
    } catch (const Exception&) {
      modulo = nullptr;
    }
  }
  if (modulo != nullptr && documento.contains("fields") && documento["fields"].is_object()) {
    for (auto& [nome, valor] : documento["fields"].items()) {
      const TField* field = modulo->nClientDataSet.FindField(nome);
      if (field == nullptr || !EhValor(*field) || !valor.is_string() ||
          Nutil::Trim(valor.get<std::string>()).empty())
        continue;
      try {
        valor = ValorDigitado::LerNumeroBrasileiro(valor.get<std::string>(), -1);
      } catch (const Exception& e) {
        return recusa(nome, TnUtilConsultaWeb::Rotulo(*field) + ": " + e.what());
      }
    }
  }
  // The splits' amounts are typed as the entry's; a refusal names the split
  // and its row as the module names its own.
  for (const char* chave : {"managerial", "activities"}) {
    if (!documento.contains(chave) || !documento[chave].is_object())
      continue;
    for (const char* lado : {"debit", "credit"}) {
      if (!documento[chave].contains(lado) || !documento[chave][lado].is_array())
        continue;
      json& linhas = documento[chave][lado];
      for (size_t i = 0; i < linhas.size(); ++i) {
        if (!linhas[i].is_object())
          continue;
        for (auto& [nome, valor] : linhas[i].items()) {
          if (!nome.starts_with("VALOR") || !valor.is_string() ||
              Nutil::Trim(valor.get<std::string>()).empty())
            continue;
          try {
            valor = ValorDigitado::LerNumeroBrasileiro(valor.get<std::string>(), -1);
          } catch (const Exception& e) {
            const DigitacaoHost::TLinhaSplit linha{chave, std::string(lado) == "debit", i + 1};
            json recusada = recusa(nome, linha.Nome() + ": " + e.what());
            recusada.update(linha.Onde());
            return recusada;
          }
        }
      }
    }
  }
  json resultado = tela.Executar(documento);
  if (resultado.value("result", "") != "refused" || !resultado.contains("field") ||
      tela.Modulo() == nullptr)
    return resultado;
  // The framework names a required field by its display label, which on
  // this module is often the column's name; the page names it as it shows it.
  const TField* field =
      tela.Modulo()->nClientDataSet.FindField(resultado["field"].get<std::string>());
  if (field != nullptr &&
      resultado.value("message", "") == "Campo '" + field->DisplayLabel() + "' deve ter um valor")
    resultado["message"] = TnUtilConsultaWeb::Rotulo(*field) + " deve ter um valor";
  return resultado;
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

std::string Historico(TnDMConexao& conexao, const THistoricoDigitado& historico) {
  if (historico.Complemento.size() > kMaxComplemento)
    throw Exception(fmt::format("Complemento com mais de {} bytes", kMaxComplemento));
  const TDbResult linha =
      conexao.ExecuteQuery("select DESCRHISTCTB from HISTORICOCTB where CODIGOHISTCTB = :pCodigo",
                           {{"pCodigo", Value(historico.Codigo)}});
  if (linha.Rows.empty())
    throw Exception(fmt::format("Histórico {} não cadastrado", historico.Codigo));
  TnUtilCtb& controle = ControleCTB();
  controle.SetCodigoEmpresa(historico.Empresa);
  return HistoricoPadrao::Texto(
      linha.Rows[0][0].IsNull() ? "" : linha.Rows[0][0].AsString(), historico.Complemento,
      {historico.ContaDeb, historico.ContaCred, historico.Data}, [&controle](int64_t conta) {
        controle.SetConta(conta);
        return controle.GetContaValida() ? controle.DadosConta().DescrConta : std::string();
      });
}

json Detalhes(TnDMConexao& conexao, int64_t empresa, int64_t chave) {
  const TParams parametros = {{"pEmpresa", Value(empresa)}, {"pChave", Value(chave)}};
  // The amounts as they are typed, formatted here from the stored decimal:
  // the page never turns money into a floating-point number.
  json valores = json::object();
  const TDbResult lancamento = conexao.ExecuteQuery(
      "select VALORLCTOCTB, VALORLCTOMOEDA, COTACAOMOEDA, CODIGOUSUARIO, DATAHORALCTOCTB from "
      "LCTOCTB where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB = :pChave",
      parametros);
  constexpr size_t kValores = 3;
  for (size_t i = 0; i < kValores && !lancamento.Rows.empty(); ++i) {
    const Value& valor = lancamento.Rows[0][i];
    valores[Nutil::UpperCase(lancamento.Columns[i].Name)] =
        valor.IsNull() ? json(nullptr) : json(FormatFloat("#,##0.00######", valor.AsFloat()));
  }
  // Who keyed the entry and when, as the desktop's status bar says it.
  const std::string cadastro = lancamento.Rows.empty() ? ""
                                                       : Nctbsfuncoes::FormatarNomeDataCadastro(
                                                             conexao, lancamento.Rows[0][kValores],
                                                             lancamento.Rows[0][kValores + 1]);
  return {
      {"valores", std::move(valores)},
      {"cadastro", cadastro},
      {"gerenciais",
       Linhas(conexao.ExecuteQuery(
                  "select G.NATURLCTOCTB, G.CONTACTB, G.CODIGOCENTROCUSTO, C.DESCRCENTROCUSTO, "
                  "G.VALORLCTOGER, G.ORIGEMDADO from LCTOGER G left join CENTROCUSTO C on "
                  "C.CODIGOEMPRESA = G.CODIGOEMPRESA and C.CODIGOCENTROCUSTO = G.CODIGOCENTROCUSTO "
                  "where G.CODIGOEMPRESA = :pEmpresa and G.CHAVELCTOCTB = :pChave order by "
                  "G.NATURLCTOCTB desc, G.CODIGOCENTROCUSTO",
                  parametros),
              "VALORLCTOGER")},
      {"atividades",
       Linhas(
           conexao.ExecuteQuery(
               "select L.NATURLCTOCTB, L.CONTACTB, L.CODIGOATIVDIF, A.DESCRATIVDIF, "
               "L.VALORLCTOATIV, "
               "L.ORIGEMDADO from LCTOATIVDIFERENC L left join ATIVDIFERENC A on A.CODIGOEMPRESA = "
               "L.CODIGOEMPRESA and A.CODIGOATIVDIF = L.CODIGOATIVDIF where L.CODIGOEMPRESA = "
               ":pEmpresa and L.CHAVELCTOCTB = :pChave order by L.NATURLCTOCTB desc, "
               "L.CODIGOATIVDIF",
               parametros),
           "VALORLCTOATIV")}};
}

}  // namespace PaginaLancamento
