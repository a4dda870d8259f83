#include "host/reports/ComandoBalances.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <CLI/CLI.hpp>

#include <memory>
#include <type_traits>
#include <vector>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "framework/app/Nutilform.h"
#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/db/TnSessao.h"
#include "host/common/HostComum.h"
#include "host/common/LinhaComando.h"
#include "host/output/BarraProgresso.h"
#include "trialbalance/nCtbDPGerarSaldoGerIndividual_U.h"

namespace {

// Fills one parameter of a process from an option.
class TPreenchedor {
 public:
  explicit TPreenchedor(TnDMPowerParam& processo) : FProcesso(processo) {}
  void Definir(const char* alias, const std::string& valor) {
    FProcesso.Param(alias).SetValor(valor);
  }
  template <typename T>
  void Opcional(const char* alias, const std::optional<T>& valor) {
    if (valor)
      Definir(alias, fmt::format("{}", *valor));
  }

 private:
  TnDMPowerParam& FProcesso;
};

// The managerial process's parameters that the options share with the
// accounting one.
void PreencherComuns(TPreenchedor& p, const ComandoBalances::TOpcoes& o) {
  p.Opcional("pCodigoEmpresa", o.Empresa);
  p.Definir("pDataInicial", DateToIso(LinhaComando::Data(o.De, "--from")));
  p.Definir("pDataFinal", DateToIso(LinhaComando::Data(o.Ate, "--to")));
  p.Definir("pCodigoEstab", o.Estab);
  p.Definir("pContaCtb", o.Contas);
  p.Definir("pTipoAgruparData", o.Agrupamento == "day"     ? "1"
                                : o.Agrupamento == "month" ? "2"
                                                           : "0");
  p.Definir("pRelacionarEstab", o.PorFilial ? "1" : "0");
  p.Opcional("pTipoSaldoCtb", o.Livro);
  p.Definir("pFiltroOrigemLcto", o.Origens);
  p.Opcional("pListarContasMovimentoZero", o.ContasZero);
  p.Opcional("pConsiderarFiltroLctoCtb", o.FiltroLcto);
  p.Opcional("pCodigoIdioma", o.Idioma);
  p.Opcional("pListarSinteticasSemAnaliticas", o.SinteticasSemAnaliticas);
}

// The options only the balance generation process takes, by name, when given.
std::vector<std::string> OpcoesSoContabeis(const ComandoBalances::TOpcoes& o) {
  std::vector<std::string> dadas;
  auto se = [&](bool dada, const char* nome) {
    if (dada)
      dadas.emplace_back(nome);
  };
  se(!o.Historico.empty(), "--history");
  se(o.Moeda.has_value() && *o.Moeda != 0, "--currency");
  se(o.Sinteticas.has_value(), "--synthetic");
  se(o.EntraBalanco.has_value(), "--balance-sheet");
  se(o.Cotas.has_value(), "--quota");
  se(o.IgnorarSaldoAnterior, "--ignore-previous");
  se(o.ValidarIFRS.has_value(), "--validate-ifrs");
  se(o.MoedaFuncionalEmReais, "--functional-in-reais");
  se(o.PreFiltro.has_value(), "--prefilter");
  return dadas;
}

}  // namespace

namespace ComandoBalances {

void AdicionarOpcoes(CLI::App& cmd, TOpcoes& o) {
  const auto zeroUm = CLI::IsMember({0, 1});
  cmd.add_option("--company", o.Empresa, "Empresa")->required();
  LinhaComando::AdicionarPeriodo(cmd, o.De, o.Ate);
  cmd.add_option("--estab", o.Estab, "Estabelecimentos (1;3;5-7)");
  cmd.add_option("--accounts", o.Contas, "Contas (uma sintética inclui as subordinadas)");
  cmd.add_option("--classif", o.Classif, "Classificações");
  cmd.add_option("--group", o.Agrupamento, "Agrupamento das datas")
      ->check(CLI::IsMember({"none", "day", "month"}));
  cmd.add_flag("--by-branch", o.PorFilial, "Relacionar filiais");
  cmd.add_option("--book", o.Livro, "Livro: 0 societário, 1 fiscal")->check(zeroUm);
  cmd.add_option("--currency", o.Moeda, "Moeda para conversão (0 = reais)");
  cmd.add_option("--history", o.Historico, "Históricos");
  cmd.add_option("--origins", o.Origens, "Origens do filtro de lançamentos");
  cmd.add_option("--zero-accounts", o.ContasZero, "Listar contas com movimento zero")
      ->check(zeroUm);
  cmd.add_option("--synthetic", o.Sinteticas, "Totalizar sintéticas")->check(zeroUm);
  cmd.add_option("--entry-filter", o.FiltroLcto, "Considerar o filtro de lançamentos")
      ->check(zeroUm);
  cmd.add_option("--balance-sheet", o.EntraBalanco, "Só contas que entram no balanço")
      ->check(zeroUm);
  cmd.add_option("--quota", o.Cotas, "Percentual de cotas");
  cmd.add_option("--language", o.Idioma, "Idioma das descrições");
  cmd.add_flag("--ignore-previous", o.IgnorarSaldoAnterior, "Ignorar o saldo anterior");
  cmd.add_option("--validate-ifrs", o.ValidarIFRS, "Validar o período IFRS")->check(zeroUm);
  cmd.add_option("--synthetic-without-analytic", o.SinteticasSemAnaliticas,
                 "Listar sintéticas sem analíticas")
      ->check(zeroUm);
  cmd.add_flag("--functional-in-reais", o.MoedaFuncionalEmReais,
               "Moeda funcional convertida em reais");
  cmd.add_option("--prefilter", o.PreFiltro, "Restringir as consultas às contas escolhidas")
      ->check(zeroUm);
  cmd.add_flag("--cost-centres", o.CentrosCusto,
               "Saldos por centro de custo abaixo de cada conta analítica");
  cmd.add_option("--centres", o.Centros, "Centros de custo (1;3;5-7), com --cost-centres");
  LinhaComando::AdicionarFormato(cmd, o.Formato, {"table", "csv", "csv-br", "json"},
                                 LinhaComando::kPadraoTabelaOuCsv);
}

TnParamsGerarSaldoCtb Parametros(TnCtbDPGerarSaldoCtbIndividual& processo, const TOpcoes& o) {
  // An option not given leaves the process's own default.
  if (!o.Centros.empty())
    throw Exception("A opção --centres só se aplica com --cost-centres");
  TnParamsGerarSaldoCtb params = processo.LerParametros();
  TnParansSaldoCtb& saldo = params.Saldo;
  auto opcional = [](auto& campo, const auto& valor) {
    if (valor)
      campo = static_cast<std::remove_reference_t<decltype(campo)>>(*valor);
  };
  opcional(saldo.CodigoEmpresa, o.Empresa);
  saldo.DataInicial = LinhaComando::Data(o.De, "--from");
  saldo.DataFinal = LinhaComando::Data(o.Ate, "--to");
  saldo.CodigoEstab = o.Estab;
  saldo.ContaCtb = o.Contas;
  saldo.ClassifConta = o.Classif;
  saldo.TipoAgrupamento = o.Agrupamento == "day"     ? TTipoAgrupamento::taDiario
                          : o.Agrupamento == "month" ? TTipoAgrupamento::taMensal
                                                     : TTipoAgrupamento::taNenhum;
  saldo.RelacionarFilial = o.PorFilial;
  opcional(saldo.TipoSaldoCtb, o.Livro);
  opcional(saldo.CodigoMoeda, o.Moeda);
  saldo.CodigoHistCtb = o.Historico;
  saldo.FiltroLctoAtivo = o.Origens;
  opcional(params.ListarMovimentoZero, o.ContasZero);
  opcional(saldo.TotalizarSintetica, o.Sinteticas);
  opcional(saldo.ConsiderarFiltroLctoCtb, o.FiltroLcto);
  opcional(saldo.ConsiderarEntraBalanco, o.EntraBalanco);
  if (o.Cotas)
    params.PercentualCota = TTaxaFixa::FromValue(Value(*o.Cotas));
  opcional(saldo.CodigoIdioma, o.Idioma);
  params.IgnorarSaldoAnterior = o.IgnorarSaldoAnterior;
  opcional(params.ValidarPeriodoIFRS, o.ValidarIFRS);
  opcional(params.ListarSinteticasSemAnaliticas, o.SinteticasSemAnaliticas);
  params.GerarMoedaFuncionalEmReais = o.MoedaFuncionalEmReais;
  opcional(params.FiltrarContaCtb, o.PreFiltro);
  return params;
}

void PreencherParametros(TnCtbDPGerarSaldoGerIndividual& processo, const TOpcoes& o) {
  const std::vector<std::string> soContabeis = OpcoesSoContabeis(o);
  if (!soContabeis.empty())
    throw Exception(fmt::format("Opções que não se aplicam com --cost-centres: {}",
                                fmt::join(soContabeis, ", ")));
  TPreenchedor p(processo);
  PreencherComuns(p, o);
  p.Definir("pClassifContaCtb", o.Classif);
  p.Definir("pClassifCentroCusto", o.Centros);
}

std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, Saida::TFormatoSaida formato) {
  HostComum::CarregarPacote();
  TUsarConexao atual(conexao);
  auto executar = [&](auto& processo, const auto& rodar) {
    processo->SetConexao(&conexao);
    TBarraProgresso barra;
    processo->GetProgresso().SetOnAtualizar(barra.Hook());
    rodar();
    barra.Apagar();
    return Saida::Escrever(processo->nClientDataSet, formato);
  };
  if (opcoes.CentrosCusto) {
    auto processo = Nutilform::CriarDMNovo<TnCtbDPGerarSaldoGerIndividual>(
        TnCtbDPGerarSaldoGerIndividual::kClassName);
    return executar(processo, [&] {
      PreencherParametros(*processo, opcoes);
      processo->Executar();
    });
  }
  auto processo = Nutilform::CriarDMNovo<TnCtbDPGerarSaldoCtbIndividual>(
      TnCtbDPGerarSaldoCtbIndividual::kClassName);
  return executar(processo, [&] { processo->Executar(Parametros(*processo, opcoes)); });
}

}  // namespace ComandoBalances
