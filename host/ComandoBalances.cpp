#include "host/ComandoBalances.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <memory>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "framework/app/Nutilform.h"
#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/db/TnSessao.h"
#include "host/BarraProgresso.h"
#include "host/HostComum.h"
#include "host/LinhaComando.h"

namespace {

std::string Data(const std::string& texto, const std::string& opcao) {
  const std::optional<TDateTime> data = ParseDate(texto);
  if (!data)
    throw Exception("Data inválida em " + opcao + ": \"" + texto +
                    "\" (use AAAA-MM-DD ou dd/mm/aaaa)");
  return DateToIso(*data);
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
  auto* formato =
      cmd.add_option("--format", o.Formato,
                     "table, csv, csv-br ou json (padrão: table num terminal, csv quando "
                     "redirecionado)")
          ->check(CLI::IsMember({"table", "csv", "csv-br", "json"}));
  cmd.add_flag("--csv-br", o.CsvBr,
               "CSV para planilha brasileira: ponto e vírgula, vírgula decimal, UTF-8 com BOM")
      ->excludes(formato);
}

void PreencherParametros(TnCtbDPGerarSaldoCtbIndividual& processo, const TOpcoes& o) {
  auto definir = [&](const char* alias, const std::string& valor) {
    processo.Param(alias).SetValor(valor);
  };
  auto opcional = [&](const char* alias, const auto& valor) {
    if (valor)
      definir(alias, fmt::format("{}", *valor));
  };
  opcional("pCodigoEmpresa", o.Empresa);
  definir("pDataInicial", Data(o.De, "--from"));
  definir("pDataFinal", Data(o.Ate, "--to"));
  definir("pCodigoEstab", o.Estab);
  definir("pContaCtb", o.Contas);
  definir("pClassifConta", o.Classif);
  definir("pTipoAgruparData", o.Agrupamento == "day" ? "1" : o.Agrupamento == "month" ? "2" : "0");
  definir("pRelacionarEstab", o.PorFilial ? "1" : "0");
  opcional("pTipoSaldoCtb", o.Livro);
  opcional("pCodigoMoeda", o.Moeda);
  definir("pCodigoHistCtb", o.Historico);
  definir("pFiltroOrigemLcto", o.Origens);
  opcional("pListarContasMovimentoZero", o.ContasZero);
  opcional("pTotalizarSintetica", o.Sinteticas);
  opcional("pConsiderarFiltroLctoCtb", o.FiltroLcto);
  opcional("pConsiderarEntraBalanco", o.EntraBalanco);
  opcional("pPercentualCotas", o.Cotas);
  opcional("pCodigoIdioma", o.Idioma);
  definir("pIgnorarSaldoAnt", o.IgnorarSaldoAnterior ? "1" : "0");
  opcional("pValidarPeriodoIFRS", o.ValidarIFRS);
  opcional("pListarSinteticasSemAnaliticas", o.SinteticasSemAnaliticas);
  definir("pGerarMoedaFuncionalEmReais", o.MoedaFuncionalEmReais ? "1" : "0");
  opcional("pFiltrarContaCtb", o.PreFiltro);
}

std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, Saida::TFormatoSaida formato) {
  HostComum::CarregarPacote();
  TUsarConexao atual(conexao);
  auto processo = Nutilform::CriarDMNovo<TnCtbDPGerarSaldoCtbIndividual>(
      TnCtbDPGerarSaldoCtbIndividual::kClassName);
  processo->SetConexao(&conexao);
  PreencherParametros(*processo, opcoes);
  TBarraProgresso barra;
  processo->GetProgresso().SetOnAtualizar(barra.Hook());
  processo->Executar();
  barra.Apagar();
  return Saida::Escrever(processo->nClientDataSet, formato);
}

}  // namespace ComandoBalances
