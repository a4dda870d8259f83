#include "host/ComandoBalances.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <memory>
#include <type_traits>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "framework/app/Nutilform.h"
#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/db/TnSessao.h"
#include "host/HostComum.h"

namespace {

TDateTime Data(const std::string& texto, const std::string& opcao) {
  const std::optional<TDateTime> data = ParseDate(texto);
  if (!data)
    throw Exception("Data inválida em " + opcao + ": \"" + texto +
                    "\" (use AAAA-MM-DD ou dd/mm/aaaa)");
  return *data;
}

}  // namespace

namespace ComandoBalances {

void AdicionarOpcoes(CLI::App& cmd, TOpcoes& o) {
  const auto zeroUm = CLI::IsMember({0, 1});
  cmd.add_option("--company", o.Empresa, "Empresa")->required();
  cmd.add_option("--from", o.De, "Data inicial (AAAA-MM-DD ou dd/mm/aaaa)")->required();
  cmd.add_option("--to", o.Ate, "Data final")->required();
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
  cmd.add_option("--format", o.Formato,
                 "table, csv ou json (padrão: table num terminal, csv quando redirecionado)")
      ->check(CLI::IsMember({"table", "csv", "json"}));
}

TnParamsGerarSaldoCtb Parametros(TnCtbDPGerarSaldoCtbIndividual& processo, const TOpcoes& o) {
  // An option not given leaves the process's own default.
  TnParamsGerarSaldoCtb params = processo.LerParametros();
  TnParansSaldoCtb& saldo = params.Saldo;
  auto opcional = [](auto& campo, const auto& valor) {
    if (valor)
      campo = static_cast<std::remove_reference_t<decltype(campo)>>(*valor);
  };
  opcional(saldo.CodigoEmpresa, o.Empresa);
  saldo.DataInicial = Data(o.De, "--from");
  saldo.DataFinal = Data(o.Ate, "--to");
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
  opcional(params.PercentualCota, o.Cotas);
  opcional(saldo.CodigoIdioma, o.Idioma);
  params.IgnorarSaldoAnterior = o.IgnorarSaldoAnterior;
  opcional(params.ValidarPeriodoIFRS, o.ValidarIFRS);
  opcional(params.ListarSinteticasSemAnaliticas, o.SinteticasSemAnaliticas);
  params.GerarMoedaFuncionalEmReais = o.MoedaFuncionalEmReais;
  opcional(params.FiltrarContaCtb, o.PreFiltro);
  return params;
}

std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, Saida::TFormatoSaida formato) {
  HostComum::CarregarPacote();
  TUsarConexao atual(conexao);
  auto processo = Nutilform::CriarDMNovo<TnCtbDPGerarSaldoCtbIndividual>(
      TnCtbDPGerarSaldoCtbIndividual::kClassName);
  processo->SetConexao(&conexao);
  processo->Executar(Parametros(*processo, opcoes));
  return Saida::Escrever(processo->nClientDataSet, formato);
}

}  // namespace ComandoBalances
