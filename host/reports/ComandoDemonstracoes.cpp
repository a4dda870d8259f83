#include "host/reports/ComandoDemonstracoes.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <memory>

#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/LinhaComando.h"
#include "host/output/SaidaFormatos.h"
#include "host/services/SessaoHost.h"

namespace ComandoDemonstracoes {

namespace {

using RelatorioContabil::SobGrupo;
using RelatorioContabil::TConta;
using SaidaRelatorio::TCelula;
using SaidaRelatorio::TEscritor;
using SaidaRelatorio::TTipoColuna;

struct TGrupo {
  std::string Classif;
  char Tipo = 'A';
};

// A assets, P liabilities, L equity (balance sheet); the income statement's
// sections in their order: R gross revenue, E its deductions, C costs, D
// operating expenses, F financial result, I income taxes.
constexpr std::string_view kTipos = "APLRECDFI";

std::vector<TGrupo> Grupos(TnDMConexao& conexao, int64_t empresa) {
  std::vector<TGrupo> grupos;
  for (const ValueArray& linha :
       conexao
           .ExecuteQuery("select CLASSIFGRUPO, TIPOGRUPO from GRUPODEMONSCTB "
                         "where CODIGOEMPRESA = :pEmpresa order by CLASSIFGRUPO",
                         {{"pEmpresa", Value(empresa)}})
           .Rows) {
    const std::string tipo = linha[1].AsString();
    if (tipo.size() != 1 || kTipos.find(tipo[0]) == std::string_view::npos)
      throw Exception(
          fmt::format("GRUPODEMONSCTB: tipo \"{}\" inválido no grupo {} (use A, P, L, "
                      "R, E, C, D, F ou I)",
                      tipo, linha[0].AsString()));
    grupos.push_back({linha[0].AsString(), tipo[0]});
  }
  if (grupos.empty())
    throw Exception(
        fmt::format("A empresa {} não tem os grupos das demonstrações: carregue GRUPODEMONSCTB "
                    "(CODIGOEMPRESA, CLASSIFGRUPO, TIPOGRUPO A, P, L, R, E, C, D, F ou I) com "
                    "'ctb load'",
                    empresa));
  return grupos;
}

// The longest listed prefix of a classification; nullptr when none holds it.
const TGrupo* GrupoDe(const std::vector<TGrupo>& grupos, const std::string& classif) {
  const TGrupo* melhor = nullptr;
  for (const TGrupo& grupo : grupos)
    if (SobGrupo(classif, grupo.Classif) &&
        (melhor == nullptr || grupo.Classif.size() > melhor->Classif.size()))
      melhor = &grupo;
  return melhor;
}

// The income statement: each section's line (the sum of its groups, shown
// when the company has groups of its type), and after it, when it closes a
// step, the result so far.
struct TSecaoResultado {
  char Tipo;
  const char* Nome;
  const char* Subtotal;  // nullptr: no result line after the section
};
constexpr TSecaoResultado kSecoesResultado[] = {
    {'R', "RECEITA BRUTA", nullptr},
    {'E', "(-) DEDUÇÕES DA RECEITA BRUTA", "RECEITA LÍQUIDA"},
    {'C', "(-) CUSTO DAS VENDAS", "LUCRO BRUTO"},
    {'D', "(-) DESPESAS OPERACIONAIS", nullptr},
    {'F', "RESULTADO FINANCEIRO", "RESULTADO ANTES DOS TRIBUTOS SOBRE O LUCRO"},
    {'I', "(-) IMPOSTO DE RENDA E CONTRIBUIÇÃO SOCIAL", "LUCRO LÍQUIDO DO PERÍODO"},
};

// The line of a group whose classification is no account of the chart.
std::string NomeDoTipo(char tipo) {
  switch (tipo) {
    case 'A':
      return "ATIVO";
    case 'P':
      return "PASSIVO";
    case 'L':
      return "PATRIMÔNIO LÍQUIDO";
    default:
      break;
  }
  for (const TSecaoResultado& secao : kSecoesResultado)
    if (secao.Tipo == tipo)
      return secao.Nome;
  return "";
}

size_t Nivel(const std::string& classif) {
  return static_cast<size_t>(std::count(classif.begin(), classif.end(), '.')) + 1;
}

TValores Negativo(const TValores& valores) {
  return {-valores.Atual, -valores.Anterior};
}

bool Zero(const TValores& valores) {
  return valores.Atual == Currency() && valores.Anterior == Currency();
}

// An analytic account's figures: in the balance sheet at both ends, signed
// by its group; in the income statement over both periods, by what it did
// to the result (credits minus debits).
struct TValorConta {
  const TConta* Conta = nullptr;
  const TGrupo* Grupo = nullptr;
  TValores Balanco;
  TValores Resultado;
};

// The statement lines of the groups of one type: each group's own line,
// whatever `nivel` (the totals are made of them), then each account below
// the group (and not in a deeper group) down to `nivel`, its figure the sum
// of its analytic accounts in the group.
void Secao(std::vector<TLinha>& linhas, char tipo, const std::vector<TGrupo>& grupos,
           const RelatorioContabil::TPlano& plano, const std::vector<TValorConta>& valores,
           TValores TValorConta::*campo, size_t nivel, bool zeradas) {
  for (const TGrupo& grupo : grupos) {
    if (grupo.Tipo != tipo)
      continue;
    auto soma = [&](const std::string& classif) {
      TValores total;
      for (const TValorConta& valor : valores)
        if (valor.Grupo == &grupo && SobGrupo(valor.Conta->Classif, classif))
          total += valor.*campo;
      return total;
    };
    if (std::none_of(plano.Contas().begin(), plano.Contas().end(),
                     [&](const TConta& conta) { return conta.Classif == grupo.Classif; }))
      linhas.push_back({grupo.Classif, NomeDoTipo(tipo), soma(grupo.Classif), false});
    for (const TConta& conta : plano.Contas()) {
      const bool propria = conta.Classif == grupo.Classif;
      if (!SobGrupo(conta.Classif, grupo.Classif) || GrupoDe(grupos, conta.Classif) != &grupo ||
          (nivel != 0 && Nivel(conta.Classif) > nivel && !propria))
        continue;
      const TValores total = soma(conta.Classif);
      if (zeradas || !Zero(total) || propria)
        linhas.push_back({conta.Classif, conta.Descr, total, false});
    }
  }
}

bool MesesInteiros(TDateTime inicio, TDateTime fim) {
  return DayOf(inicio) == 1 && DateOf(EndOfTheMonth(fim)) == fim;
}

// The period before: as many whole months when the period is made of them,
// else as many days.
std::pair<TDateTime, TDateTime> PeriodoAnterior(TDateTime inicio, TDateTime fim) {
  const TDateTime vespera = IncDay(inicio, -1);
  if (MesesInteiros(inicio, fim)) {
    const int meses = (YearOf(fim) - YearOf(inicio)) * 12 + MonthOf(fim) - MonthOf(inicio) + 1;
    return {IncMonth(inicio, -meses), vespera};
  }
  return {inicio - (fim - inicio + 1), vespera};
}

std::string Dia(TDateTime data) {
  return FormatDateTime("dd/mm/yyyy", data);
}

// A period as a column heading: "2025", "03/2025", "01/2025 a 06/2025", else
// its days.
std::string NomeDoPeriodo(TDateTime inicio, TDateTime fim) {
  if (!MesesInteiros(inicio, fim))
    return Dia(inicio) + " a " + Dia(fim);
  if (MonthOf(inicio) == 1 && MonthOf(fim) == 12 && YearOf(inicio) == YearOf(fim))
    return std::to_string(YearOf(inicio));
  const std::string de = FormatDateTime("mm/yyyy", inicio);
  const std::string ate = FormatDateTime("mm/yyyy", fim);
  return de == ate ? de : de + " a " + ate;
}

}  // namespace

TValores& TValores::operator+=(const TValores& outro) {
  Atual += outro.Atual;
  Anterior += outro.Anterior;
  return *this;
}

bool TDemonstracoes::Confere() const {
  TValores direita = Passivo;
  direita += PatrimonioLiquido;
  direita += ResultadoPeriodo;
  direita += ResultadoAnterior;
  return direita.Atual == Ativo.Atual && direita.Anterior == Ativo.Anterior;
}

std::string TDemonstracoes::Equacao() const {
  using SaidaRelatorio::ValorTabela;
  const Currency resultado = ResultadoPeriodo.Atual + ResultadoAnterior.Atual;
  const Currency diferenca = Ativo.Atual - (Passivo.Atual + PatrimonioLiquido.Atual + resultado);
  return fmt::format(
      "Ativo {} = Passivo {} + Patrimônio Líquido {} + Resultado {} ({})", ValorTabela(Ativo.Atual),
      ValorTabela(Passivo.Atual), ValorTabela(PatrimonioLiquido.Atual), ValorTabela(resultado),
      diferenca == Currency() ? "confere" : "não confere: diferença de " + ValorTabela(diferenca));
}

TDemonstracoes Calcular(TnDMConexao& conexao, int64_t empresa, TDateTime inicio, TDateTime fim,
                        int livro, int nivel, bool zeradas) {
  const std::vector<TGrupo> grupos = Grupos(conexao, empresa);
  const RelatorioContabil::TPlano plano(conexao, empresa);
  TDemonstracoes d;
  d.Inicio = inicio;
  d.Fim = fim;
  std::tie(d.InicioAnterior, d.FimAnterior) = PeriodoAnterior(inicio, fim);
  const auto antesAnterior =
      RelatorioContabil::SaldosAntesDe(conexao, empresa, d.InicioAnterior, livro);
  const auto antesInicio = RelatorioContabil::SaldosAntesDe(conexao, empresa, inicio, livro);
  const auto ateFim = RelatorioContabil::SaldosAntesDe(conexao, empresa, IncDay(fim), livro);

  std::vector<TValorConta> valores;
  for (const TConta& conta : plano.Contas()) {
    const TGrupo* grupo = conta.Sintetica ? nullptr : GrupoDe(grupos, conta.Classif);
    if (grupo == nullptr)
      continue;
    const Currency b0 = RelatorioContabil::SaldoDaConta(antesAnterior, conta.ContaCtb).Saldo();
    const Currency b1 = RelatorioContabil::SaldoDaConta(antesInicio, conta.ContaCtb).Saldo();
    const Currency b2 = RelatorioContabil::SaldoDaConta(ateFim, conta.ContaCtb).Saldo();
    const TValores saldo{b2, b1};
    TValorConta valor{&conta, grupo, grupo->Tipo == 'A' ? saldo : Negativo(saldo),
                      Negativo({b2 - b1, b1 - b0})};
    switch (grupo->Tipo) {
      case 'A':
        d.Ativo += valor.Balanco;
        break;
      case 'P':
        d.Passivo += valor.Balanco;
        break;
      case 'L':
        d.PatrimonioLiquido += valor.Balanco;
        break;
      default:
        d.ResultadoPeriodo += valor.Resultado;
        d.ResultadoAnterior += Negativo({b1, b0});
    }
    valores.push_back(valor);
  }

  const size_t niveis = static_cast<size_t>(nivel);
  Secao(d.Balanco, 'A', grupos, plano, valores, &TValorConta::Balanco, niveis, zeradas);
  d.Balanco.push_back({"", "TOTAL DO ATIVO", d.Ativo, true});
  Secao(d.Balanco, 'P', grupos, plano, valores, &TValorConta::Balanco, niveis, zeradas);
  Secao(d.Balanco, 'L', grupos, plano, valores, &TValorConta::Balanco, niveis, zeradas);
  d.Balanco.push_back({"", "Resultado do período", d.ResultadoPeriodo, false});
  if (!Zero(d.ResultadoAnterior))
    d.Balanco.push_back(
        {"", "Resultado de períodos anteriores não encerrado", d.ResultadoAnterior, false});
  TValores passivoTotal = d.Passivo;
  passivoTotal += d.PatrimonioLiquido;
  passivoTotal += d.ResultadoPeriodo;
  passivoTotal += d.ResultadoAnterior;
  d.Balanco.push_back({"", "TOTAL DO PASSIVO E PATRIMÔNIO LÍQUIDO", passivoTotal, true});

  // Each step's result adds the sections before it, so the last one is the
  // period's result.
  TValores acumulado;
  for (const TSecaoResultado& secao : kSecoesResultado) {
    if (std::any_of(grupos.begin(), grupos.end(),
                    [&](const TGrupo& grupo) { return grupo.Tipo == secao.Tipo; })) {
      TValores soma;
      for (const TValorConta& valor : valores)
        if (valor.Grupo->Tipo == secao.Tipo)
          soma += valor.Resultado;
      d.Resultado.push_back({"", secao.Nome, soma, false});
      Secao(d.Resultado, secao.Tipo, grupos, plano, valores, &TValorConta::Resultado, niveis,
            zeradas);
      acumulado += soma;
    }
    if (secao.Subtotal != nullptr)
      d.Resultado.push_back({"", secao.Subtotal, acumulado, true});
  }
  return d;
}

std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, std::ostream& saida) {
  const RelatorioContabil::TOpcoesRelatorio& o = opcoes.Relatorio;
  const TDemonstracoes d =
      Calcular(conexao, o.Empresa, LinhaComando::Data(o.De, "--from"),
               LinhaComando::Data(o.Ate, "--to"), o.Livro, opcoes.Nivel, opcoes.Zeradas);
  size_t largura = 0;
  for (const auto* linhas : {&d.Balanco, &d.Resultado})
    for (const TLinha& linha : *linhas)
      largura = std::max(largura, SaidaFormatos::Largura(linha.Descr));
  std::vector<SaidaRelatorio::TColuna> colunas = {
      {"DEMONSTRACAO", "Demonstração", TTipoColuna::Texto, 0},
      {"CLASSIFCONTA", "Classificação", TTipoColuna::Texto, 14},
      {"DESCRCONTA", "Descrição", TTipoColuna::Texto, largura},
      {"VALOR", NomeDoPeriodo(d.Inicio, d.Fim), TTipoColuna::Valor, 0},
      {"VALORANTERIOR", NomeDoPeriodo(d.InicioAnterior, d.FimAnterior), TTipoColuna::Valor, 0},
  };
  for (size_t i = colunas.size() - 2; i < colunas.size(); ++i)
    colunas[i].Largura = std::max<size_t>(18, SaidaFormatos::Largura(colunas[i].Rotulo));
  auto escreverLinhas = [](TEscritor& escritor, const char* demonstracao,
                           const std::vector<TLinha>& linhas) {
    for (const TLinha& linha : linhas)
      escritor.Linha({std::string(demonstracao), linha.Classif, linha.Descr, linha.Valores.Atual,
                      linha.Valores.Anterior},
                     linha.Total);
  };
  return RelatorioContabil::Emitir(
      RelatorioContabil::Formato(o), colunas, o.Arquivo, "Demonstrações", saida,
      [&](TEscritor& escritor) {
        escritor.Titulo(fmt::format("Balanço Patrimonial em {} (anterior: {})", Dia(d.Fim),
                                    Dia(d.FimAnterior)));
        escreverLinhas(escritor, "BP", d.Balanco);
        escritor.Nota(d.Equacao());
        escritor.Titulo(fmt::format("Demonstração do Resultado de {} a {} (anterior: {} a {})",
                                    Dia(d.Inicio), Dia(d.Fim), Dia(d.InicioAnterior),
                                    Dia(d.FimAnterior)));
        escreverLinhas(escritor, "DRE", d.Resultado);
      });
}

void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando) {
  auto opcoes = std::make_shared<TOpcoes>();
  CLI::App* cmd = app.add_subcommand(
      "statements", "Balanço patrimonial e demonstração do resultado, com o período anterior");
  RelatorioContabil::AdicionarOpcoes(*cmd, opcoes->Relatorio, false);
  cmd->add_option("--level", opcoes->Nivel, "Último nível da classificação listado (padrão: todos)")
      ->check(CLI::Range(0, 20));
  cmd->add_flag("--zero", opcoes->Zeradas, "Lista também as contas sem valor");
  cmd->callback([&comando, opcoes] {
    comando = [opcoes](TSessaoHost& sessao) {
      RelatorioContabil::VerificarAcesso(sessao, opcoes->Relatorio);
      return Executar(sessao.Conexao(), *opcoes, std::cout);
    };
  });
}

}  // namespace ComandoDemonstracoes
