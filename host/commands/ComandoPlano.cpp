#include "host/commands/ComandoPlano.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <memory>
#include <utility>

#include "chart/ConsultaPlanoFiltros.h"
#include "framework/core/Exceptions.h"
#include "framework/data/ClientDataSet.h"
#include "host/output/Saida.h"
#include "host/services/SessaoHost.h"

namespace ComandoPlano {

namespace {

nCtbFCPlanoEspecFiltros_U::TConsultaPlano Pedido(const TOpcoes& opcoes) {
  if (opcoes.Filtros.size() > kMaxFiltros)
    throw Exception(fmt::format("No máximo {} filtros (--filter)", kMaxFiltros));
  nCtbFCPlanoEspecFiltros_U::TConsultaPlano pedido;
  pedido.CodigoEmpresa = opcoes.Empresa;
  pedido.Sintetica = opcoes.Sintetica;
  pedido.QualquerParte = opcoes.QualquerParte;
  for (const std::string& filtro : opcoes.Filtros) {
    const size_t igual = filtro.find('=');
    if (igual == std::string::npos || igual == 0)
      throw Exception("Filtro inválido: \"" + filtro + "\" (use COLUNA=texto)");
    std::string texto = filtro.substr(igual + 1);
    if (texto.size() > kMaxTextoFiltro)
      throw Exception(fmt::format("Texto do filtro com mais de {} caracteres: {}", kMaxTextoFiltro,
                                  filtro.substr(0, igual)));
    pedido.Filtros.emplace_back(filtro.substr(0, igual), std::move(texto));
  }
  return pedido;
}

// The chart's columns as a person reads them; csv and json keep the names.
constexpr std::pair<const char*, const char*> kRotulos[] = {
    {"CLASSIFCONTA", "Classificação"}, {"CONTACTB", "Conta"},
    {"DESCRCONTA", "Descrição"},       {"TIPOCONTA", "Tipo"},
    {"APELIDOCONTA", "Apelido"},       {"TIPOCONTROLECONTABIL", "Controle contábil"}};

}  // namespace

std::string Listar(TnDMConexao& conexao, const TOpcoes& opcoes) {
  TnCtbFCPlanoEspecFiltros consulta;
  nCtbFCPlanoEspecFiltros_U::Consultar(consulta, conexao, Pedido(opcoes));
  for (const auto& [coluna, rotulo] : kRotulos)
    if (TField* field = consulta.ClientDataSet().FindField(coluna))
      field->SetDisplayLabel(rotulo);
  return Saida::Escrever(consulta.ClientDataSet(), opcoes.Formato.empty()
                                                       ? Saida::FormatoPadrao()
                                                       : Saida::FormatoDoNome(opcoes.Formato));
}

void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando) {
  auto opcoes = std::make_shared<TOpcoes>();
  CLI::App* cmd = app.add_subcommand("accounts", "Consulta do plano de contas com filtros");
  cmd->add_option("--company", opcoes->Empresa, "Empresa")->required()->check(CLI::PositiveNumber);
  cmd->add_option("--filter", opcoes->Filtros,
                  "Texto digitado no filtro de uma coluna: COLUNA=texto (repetível)");
  cmd->add_flag("--synthetic", opcoes->Sintetica,
                "Mantém as contas sintéticas acima das contas encontradas");
  cmd->add_flag("--anywhere", opcoes->QualquerParte,
                "O texto pode estar em qualquer parte do valor");
  cmd->add_option("--format", opcoes->Formato,
                  "table, csv ou json (padrão: table num terminal, csv quando redirecionado)")
      ->check(CLI::IsMember({"table", "csv", "json"}));
  cmd->callback([&comando, opcoes] {
    comando = [opcoes](TSessaoHost& sessao) {
      sessao.VerificarEmpresa(opcoes->Empresa);
      std::string texto = Listar(sessao.Conexao(), *opcoes);
      if (!texto.empty() && texto.back() == '\n')
        texto.pop_back();  // the program adds the last line break
      return texto;
    };
  });
}

}  // namespace ComandoPlano
