#include "trialbalance/nCtbDPGerarSaldoGerIndividual_U.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <set>
#include <tuple>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "balances/nCtbRepositorioSaldoCtb_U.h"
#include "framework/core/Currency.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnSessao.h"

namespace {

constexpr int kAnalitica = 2;
const char* const kIndiceResultado = "CONTACTB;CODIGOESTAB;DATASALDO;CODIGOCENTROCUSTO";
const char* const kAmounts[] = {"SALDOANTERIOR", "DEBITO", "CREDITO", "MOVIMENTO", "SALDOATUAL"};
const char* const kSomaDebCred =
    "cast(sum(VALORDEB) as numeric(14,2)) VALORDEB, cast(sum(VALORCRED) as numeric(14,2)) "
    "VALORCRED";

// A row without opening balance, debits and credits.
bool SemValores(const std::array<Currency, 5>& valores) {
  return valores[0] == Currency() && valores[1] == Currency() && valores[2] == Currency();
}

Currency Moeda(const TField& field) {
  return field.IsNull() ? Currency() : Nutil::RoundValor(field.AsCurrency(), 2);
}

// Debits less credits for a debit-nature account, the reverse for a credit
// one, nothing for an account of no nature.
Currency PelaNatureza(int natureza, Currency debito, Currency credito) {
  return natureza == 1 ? debito - credito : natureza == -1 ? credito - debito : Currency();
}

// One piece of the period: a balance table and the dates read from it.
struct TFaixa {
  const char* Tabela;
  TDateTime De;
  TDateTime Ate;
};

// The period as whole months from the monthly table and the days before and
// after them from the daily one; every day from the daily one when the
// result is daily.
std::vector<TFaixa> FaixasDoPeriodo(TDateTime inicio, TDateTime fim, bool diario) {
  const TDateTime primeiroMes =
      DayOf(inicio) == 1 ? inicio : StartOfTheMonth(EndOfTheMonth(inicio) + 1);
  const TDateTime ultimoMes = DateOf(EndOfTheMonth(fim)) == DateOf(fim)
                                  ? StartOfTheMonth(fim)
                                  : StartOfTheMonth(StartOfTheMonth(fim) - 1);
  if (diario || ultimoMes < primeiroMes)
    return {{"SALDOGER", inicio, fim}};
  std::vector<TFaixa> faixas{{"SALDOGERMENSAL", primeiroMes, ultimoMes}};
  if (inicio < primeiroMes)
    faixas.push_back({"SALDOGER", inicio, primeiroMes - 1});
  const TDateTime fimMeses = DateOf(EndOfTheMonth(ultimoMes));
  if (fimMeses < fim)
    faixas.push_back({"SALDOGER", fimMeses + 1, fim});
  return faixas;
}

// The cost centres chosen, on `campo`.
std::string FiltroCentro(const std::string& centros, const std::string& campo) {
  if (centros.empty())
    return "";
  return Nutilinclusao::FilterInterval(campo, centros, Nutilinclusao::TTipoInclusao::tiNumerica);
}

// Monthly totals before the start month and daily ones of the start month
// before the start day.
std::string SqlSaldoAnterior(const std::string& where) {
  const char* colunas = "select CONTACTB, CODIGOCENTROCUSTO, CODIGOESTAB, VALORDEB, VALORCRED ";
  return fmt::format(
      "select CONTACTB, CODIGOCENTROCUSTO, CODIGOESTAB, {0} from ({1}from SALDOGERMENSAL{2} "
      "and DATASALDO < :pMes union all {1}from SALDOGER{2} and DATASALDO between :pMes and "
      ":pVespera) S group by CONTACTB, CODIGOCENTROCUSTO, CODIGOESTAB",
      kSomaDebCred, colunas, where);
}

std::string SqlMovimento(const std::string& where, const std::vector<TFaixa>& faixas) {
  std::string partes;
  for (size_t i = 0; i < faixas.size(); ++i)
    partes += fmt::format(
        "{0}select CONTACTB, CODIGOCENTROCUSTO, CODIGOESTAB, DATASALDO, VALORDEB, VALORCRED "
        "from {1}{2} and DATASALDO between :pDe{3} and :pAte{3}",
        i == 0 ? "" : " union all ", faixas[i].Tabela, where, i);
  return fmt::format(
      "select CONTACTB, CODIGOCENTROCUSTO, CODIGOESTAB, DATASALDO, {} from ({}) S "
      "group by CONTACTB, CODIGOCENTROCUSTO, CODIGOESTAB, DATASALDO",
      kSomaDebCred, partes);
}

// The splits of the entries the entry filter selects, by their day, to be
// taken out.
std::string SqlReducaoOrigem(const TnParansSaldoCtb& p, const std::string& centros,
                             const TnCtbRepositorioSaldoCtb& filtros) {
  return "select G.CONTACTB, G.CODIGOCENTROCUSTO, L.CODIGOESTAB, G.DATALCTOCTB as DATASALDO, "
         "cast(sum(case when G.NATURLCTOCTB = 1 then G.VALORLCTOGER else 0 end) as "
         "numeric(14,2)) VALORDEB, "
         "cast(sum(case when G.NATURLCTOCTB = 1 then 0 else G.VALORLCTOGER end) as "
         "numeric(14,2)) VALORCRED "
         "from LCTOGER G join (select CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB from LCTOCTB "
         "where CODIGOEMPRESA = :pEmpresa" +
         filtros.GetFiltroTipoLancamento(p) + filtros.GetFiltroEstabInclusion(p) +
         filtros.GetFiltroOrigemLctoCtb(p) +
         ") L on L.CODIGOEMPRESA = G.CODIGOEMPRESA and L.CHAVELCTOCTB = G.CHAVELCTOCTB "
         "where G.CODIGOEMPRESA = :pEmpresa and G.NATURLCTOCTB in (1, -1) and G.DATALCTOCTB <= "
         ":pFim" +
         FiltroCentro(centros, "G.CODIGOCENTROCUSTO") +
         " group by G.CONTACTB, G.CODIGOCENTROCUSTO, L.CODIGOESTAB, G.DATALCTOCTB";
}

}  // namespace

struct TnCtbDPGerarSaldoGerIndividual::TParamsGer {
  // Company, period, establishments, book, grouping, entry filter.
  TnParansSaldoCtb Saldo;
  // Inclusion expression of cost-centre codes; empty: every one.
  std::string CentroCusto;
  bool ListarMovimentoZero = true;
  bool ListaContaSemRateio = true;
};

// An analytic account of the account rows.
struct TnCtbDPGerarSaldoGerIndividual::TConta {
  std::string Classif;
  std::string Descr;
  int Natureza = 0;
  bool TemCentro = false;
};

// A cursor row of the managerial balances: debits and credits of an account,
// cost centre, establishment and day (none for the opening balance).
struct TnCtbDPGerarSaldoGerIndividual::TLinhaMov {
  int64_t Conta = 0;
  int64_t Centro = 0;
  int64_t Estab = 0;
  TDateTime Data;
  Currency Debito;
  Currency Credito;
};

// The cost-centre rows before they reach the result: one cell per (account,
// cost centre) pair, establishment and date bucket, in the result's order,
// so that each step is a walk. Establishment 0 holds the sums of the others.
// A pair's establishment is listed once a movement or an opening balance
// reaches it.
class TnCtbDPGerarSaldoGerIndividual::TGrade {
 public:
  struct TCelula {
    Currency Debito;
    Currency Credito;
  };
  struct TPar {
    int64_t Conta;
    int64_t Centro;
    bool operator<(const TPar& outro) const {
      return std::tie(Conta, Centro) < std::tie(outro.Conta, outro.Centro);
    }
  };

  TGrade(std::vector<TPar> pares, std::vector<int64_t> estabs, std::vector<TDateTime> buckets)
      : Pares(std::move(pares)),
        Estabs(std::move(estabs)),
        Buckets(std::move(buckets)),
        Celulas(Pares.size() * Estabs.size() * Buckets.size()),
        Anterior(Pares.size() * Estabs.size()),
        Listado(Pares.size() * Estabs.size(), false) {}

  void SomarAnterior(const TLinhaMov& linha, int sinal) {
    const size_t par = Posicao(linha);
    ParaEstabEZero(linha.Estab, [&](size_t e) {
      Somar(Anterior[par * Estabs.size() + e], linha, sinal);
      Listado[par * Estabs.size() + e] = true;
    });
  }
  void SomarMovimento(const TLinhaMov& linha, TDateTime bucket, int sinal) {
    const size_t par = Posicao(linha);
    const size_t b = static_cast<size_t>(std::lower_bound(Buckets.begin(), Buckets.end(), bucket) -
                                         Buckets.begin());
    ParaEstabEZero(linha.Estab, [&](size_t e) {
      Somar(Celula(par, e, b), linha, sinal);
      Listado[par * Estabs.size() + e] = true;
    });
  }

  const TCelula& Celula(size_t par, size_t estab, size_t bucket) const {
    return Celulas[(par * Estabs.size() + estab) * Buckets.size() + bucket];
  }
  const TCelula& SaldoAnterior(size_t par, size_t estab) const {
    return Anterior[par * Estabs.size() + estab];
  }
  bool EstaListado(size_t par, size_t estab) const { return Listado[par * Estabs.size() + estab]; }

  const std::vector<TPar> Pares;
  // Establishment 0 first.
  const std::vector<int64_t> Estabs;
  const std::vector<TDateTime> Buckets;

 private:
  TCelula& Celula(size_t par, size_t estab, size_t bucket) {
    return Celulas[(par * Estabs.size() + estab) * Buckets.size() + bucket];
  }
  size_t Posicao(const TLinhaMov& linha) const {
    return static_cast<size_t>(
        std::lower_bound(Pares.begin(), Pares.end(), TPar{linha.Conta, linha.Centro}) -
        Pares.begin());
  }
  // The establishment's position, and 0 (the sums) when it is another.
  template <typename F>
  void ParaEstabEZero(int64_t estab, F&& fazer) const {
    const size_t e =
        static_cast<size_t>(std::lower_bound(Estabs.begin(), Estabs.end(), estab) - Estabs.begin());
    fazer(size_t{0});
    if (e != 0)
      fazer(e);
  }
  static void Somar(TCelula& celula, const TLinhaMov& linha, int sinal) {
    celula.Debito += sinal > 0 ? linha.Debito : -linha.Debito;
    celula.Credito += sinal > 0 ? linha.Credito : -linha.Credito;
  }

  std::vector<TCelula> Celulas;
  std::vector<TCelula> Anterior;
  std::vector<bool> Listado;
};

TnCtbDPGerarSaldoGerIndividual::TnCtbDPGerarSaldoGerIndividual() {
  CriarParametros();
  CriarDataSet();
}

TnCtbDPGerarSaldoGerIndividual::~TnCtbDPGerarSaldoGerIndividual() {
  AguardarParalelo();
}

void TnCtbDPGerarSaldoGerIndividual::CriarParametros() {
  auto& p = npqPowerParam;
  p.Add("pTipoSaldoCtb", "Tipo Saldo Contábil", TTipoParam::tpCombo, "0", true)
      .SetItens("Societário=0;Fiscal=1");
  p.Add("pCodigoEmpresa", "Código Empresa", TTipoParam::tpInteiro);
  p.Add("pCodigoEstab", "Estabelecimento", TTipoParam::tpInclusao);
  p.Add("pClassifCentroCusto", "Centro de Custo", TTipoParam::tpInclusao);
  p.Add("pContaCtb", "Conta Contábil", TTipoParam::tpInclusao);
  p.Add("pClassifContaCtb", "Classificação", TTipoParam::tpInclusao);
  p.Add("pDataInicial", "Data Inicial", TTipoParam::tpData);
  p.Add("pDataFinal", "Data Final", TTipoParam::tpData);
  p.Add("pCodigoMoeda", "Moeda", TTipoParam::tpInteiro, "0");
  p.Add("pRelacionarEstab", "Relacionar Filiais", TTipoParam::tpBoolean, "0", true);
  p.Add("pTipoAgruparData", "Tipo Agrupamento", TTipoParam::tpCombo, "0", true)
      .SetItens("Nenhuma=0;Diario=1;Mensal=2;");
  p.Add("pTipoMesclarPlano", "Mesclar Plano", TTipoParam::tpTexto, "2").Oculto = true;
  p.Add("pConsiderarFiltroLctoCtb", "Considerar Filtro Lançamentos Contábeis",
        TTipoParam::tpBoolean, "1", true);
  p.Add("pFiltroOrigemLcto", "Filtro Origem Lançamentos", TTipoParam::tpTexto);
  p.Add("pListarContasMovimentoZero", "Listar Contas Movimento Zero", TTipoParam::tpBoolean, "1",
        true);
  p.Add("pListarCentroSint", "Listar Centros Sintéticos", TTipoParam::tpBoolean, "1").Oculto = true;
  p.Add("pListarSinteticasSemAnaliticas", "Listar Contas Sintéticas Sem Analíticas",
        TTipoParam::tpBoolean, "1");
  p.Add("pListaContaSemRateio", "Listar Contas sem Rateio", TTipoParam::tpBoolean, "1");
  p.Add("pCodigoIdioma", "Idioma", TTipoParam::tpInteiro);
  p.Add("pConsiderarZeramentoGer", "Considerar Zeramento Gerencial", TTipoParam::tpBoolean, "1")
      .Oculto = true;
}

void TnCtbDPGerarSaldoGerIndividual::CriarDataSet() {
  TnCtbDPGerarSaldoCtbIndividual::CriarCamposResultado(nClientDataSet);
  nClientDataSet.AddField("CODIGOCENTROCUSTO", TFieldType::ftLargeint);
  nClientDataSet.AddField("DESCRCENTROCUSTO", TFieldType::ftString, 100);
  nClientDataSet.AddIndex("DEFAULT_ORDER", kIndiceResultado);
  nClientDataSet.CreateDataSet();
  nClientDataSet.SetLogChanges(false);
}

TnCtbDPGerarSaldoGerIndividual::TParamsGer TnCtbDPGerarSaldoGerIndividual::LerParametros() {
  TParamsGer params;
  params.CentroCusto = Nutil::Trim(Param("pClassifCentroCusto").AsString());
  params.ListarMovimentoZero = Param("pListarContasMovimentoZero").AsBoolean(true);
  params.ListaContaSemRateio = Param("pListaContaSemRateio").AsBoolean(true);
  return params;
}

void TnCtbDPGerarSaldoGerIndividual::Executar() {
  TUsarConexao conexao(Conexao());
  TnDMPowerParam::Executar();
  nClientDataSet.EmptyDataSet();
  if (Param("pCodigoMoeda").AsInteger(0) != 0)
    throw Exception("O saldo por centro de custo é gerado somente em reais (moeda 0)");
  TParamsGer params = LerParametros();
  const std::unique_ptr<TnCtbDPGerarSaldoCtbIndividual> contabil = GerarSaldoContabil();
  // The selection as the balance generation process read it.
  params.Saldo = contabil->ParansSaldoCtb();
  const TnParansSaldoCtb& p = params.Saldo;
  if (p.CodigoEmpresa == 0 || p.DataInicial.IsZero() || p.DataFinal.IsZero() ||
      p.DataFinal < p.DataInicial)
    return;
  std::map<int64_t, TConta> contas = ContasAnaliticas(contabil->nClientDataSet, p.CodigoEmpresa);
  const TGrade grade = MontarGrade(params, *contabil, contas);
  TransferirContas(contabil->nClientDataSet, contas, params.ListaContaSemRateio);
  TransferirCentros(params, *contabil, grade, contas);
  nClientDataSet.SetIndexFieldNames(kIndiceResultado);
  nClientDataSet.First();
}

std::unique_ptr<TnCtbDPGerarSaldoCtbIndividual>
TnCtbDPGerarSaldoGerIndividual::GerarSaldoContabil() {
  auto contabil = std::make_unique<TnCtbDPGerarSaldoCtbIndividual>();
  contabil->SetConexao(&Conexao());
  for (const char* alias :
       {"pTipoSaldoCtb", "pCodigoEmpresa", "pCodigoEstab", "pContaCtb", "pDataInicial",
        "pDataFinal", "pRelacionarEstab", "pTipoAgruparData", "pConsiderarFiltroLctoCtb",
        "pFiltroOrigemLcto", "pListarContasMovimentoZero", "pListarSinteticasSemAnaliticas",
        "pCodigoIdioma"})
    contabil->Param(alias).SetValor(Param(alias).AsString());
  contabil->Param("pClassifConta").SetValor(Param("pClassifContaCtb").AsString());
  contabil->Param("pTotalizarSintetica").SetValor("1");
  contabil->Executar();
  return contabil;
}

std::map<int64_t, TnCtbDPGerarSaldoGerIndividual::TConta>
TnCtbDPGerarSaldoGerIndividual::ContasAnaliticas(TnClientDataSet& saldo, int64_t empresa) const {
  std::map<int64_t, TConta> contas;
  const TField& conta = saldo.FieldByName("CONTACTB");
  const TField& tipo = saldo.FieldByName("TIPOCONTA");
  const TField& classif = saldo.FieldByName("CLASSIFCONTA");
  const TField& descr = saldo.FieldByName("DESCRCONTA");
  const TnNaturezasGrupo& naturezas = PlanoEspecifico().CfgPlano(empresa);
  for (saldo.First(); !saldo.Eof(); saldo.Next()) {
    if (tipo.AsInteger() != kAnalitica || contas.count(conta.AsLargeInt()) > 0)
      continue;
    contas[conta.AsLargeInt()] = {classif.AsString(), descr.AsString(),
                                  naturezas.NaturezaGrupo(classif.AsString()), false};
  }
  return contas;
}

// ---- the managerial balance tables ----

std::vector<TnCtbDPGerarSaldoGerIndividual::TLinhaMov> TnCtbDPGerarSaldoGerIndividual::LerMovimento(
    const std::string& sql, const TParams& parametros) const {
  std::vector<TLinhaMov> linhas;
  auto cursor = Nutildb::ExecutarSQL(Conexao(), sql, parametros);
  const TField& conta = cursor->FieldByName("CONTACTB");
  const TField& centro = cursor->FieldByName("CODIGOCENTROCUSTO");
  const TField& estab = cursor->FieldByName("CODIGOESTAB");
  const TField* data = cursor->FindField("DATASALDO");
  const TField& debito = cursor->FieldByName("VALORDEB");
  const TField& credito = cursor->FieldByName("VALORCRED");
  for (cursor->First(); !cursor->Eof(); cursor->Next())
    linhas.push_back({conta.AsLargeInt(), centro.AsLargeInt(), estab.AsInteger(),
                      data ? DateOf(data->AsDateTime()) : TDateTime(), Moeda(debito),
                      Moeda(credito)});
  Nutildb::DestruirSQL(cursor);
  return linhas;
}

TnCtbDPGerarSaldoGerIndividual::TGrade TnCtbDPGerarSaldoGerIndividual::MontarGrade(
    const TParamsGer& params, const TnCtbDPGerarSaldoCtbIndividual& contabil,
    std::map<int64_t, TConta>& contas) const {
  const TnParansSaldoCtb& p = params.Saldo;
  TnCtbRepositorioSaldoCtb filtros;
  const std::string where =
      " where CODIGOEMPRESA = :pEmpresa" + filtros.GetFiltroTipoLancamento(p) +
      filtros.GetFiltroEstabInclusion(p) + FiltroCentro(params.CentroCusto, "CODIGOCENTROCUSTO");
  const Value empresa(p.CodigoEmpresa);
  const TDateTime mes = StartOfTheMonth(p.DataInicial);
  const std::vector<TLinhaMov> anterior = LerMovimento(
      SqlSaldoAnterior(where),
      {{"pEmpresa", empresa}, {"pMes", Value(mes)}, {"pVespera", Value(p.DataInicial - 1)}});
  const std::vector<TFaixa> faixas =
      FaixasDoPeriodo(p.DataInicial, p.DataFinal, p.TipoAgrupamento == TTipoAgrupamento::taDiario);
  TParams parametrosPeriodo{{"pEmpresa", empresa}};
  for (size_t i = 0; i < faixas.size(); ++i) {
    parametrosPeriodo.emplace_back(fmt::format("pDe{}", i), Value(faixas[i].De));
    parametrosPeriodo.emplace_back(fmt::format("pAte{}", i), Value(faixas[i].Ate));
  }
  const std::vector<TLinhaMov> periodo =
      LerMovimento(SqlMovimento(where, faixas), parametrosPeriodo);
  std::vector<TLinhaMov> reducao;
  if (filtros.DeveReduzirPorOrigem(p))
    reducao = LerMovimento(SqlReducaoOrigem(p, params.CentroCusto, filtros),
                           {{"pEmpresa", empresa}, {"pFim", Value(p.DataFinal)}});

  std::set<TGrade::TPar> pares;
  std::set<int64_t> estabs{0};
  for (const std::vector<TLinhaMov>* linhas :
       {&anterior, &periodo, static_cast<const std::vector<TLinhaMov>*>(&reducao)})
    for (const TLinhaMov& linha : *linhas) {
      auto conta = contas.find(linha.Conta);
      if (conta == contas.end())
        continue;
      conta->second.TemCentro = true;
      pares.insert({linha.Conta, linha.Centro});
      estabs.insert(linha.Estab);
    }
  std::set<TDateTime> buckets;
  for (TDateTime dia = p.DataInicial; dia <= p.DataFinal; dia = dia + 1)
    buckets.insert(contabil.FormatarDataSaldoTipoAgrupamento(dia));

  TGrade grade({pares.begin(), pares.end()}, {estabs.begin(), estabs.end()},
               {buckets.begin(), buckets.end()});
  auto somar = [&](const TLinhaMov& linha, int sinal) {
    if (contas.count(linha.Conta) == 0)
      return;
    if (linha.Data.IsZero() || linha.Data < p.DataInicial)
      grade.SomarAnterior(linha, sinal);
    else
      grade.SomarMovimento(linha, contabil.FormatarDataSaldoTipoAgrupamento(linha.Data), sinal);
  };
  for (const TLinhaMov& linha : anterior)
    somar(linha, 1);
  for (const TLinhaMov& linha : periodo)
    somar(linha, 1);
  for (const TLinhaMov& linha : reducao)
    somar(linha, -1);
  return grade;
}

// ---- the result ----

void TnCtbDPGerarSaldoGerIndividual::TransferirContas(TnClientDataSet& saldo,
                                                      const std::map<int64_t, TConta>& contas,
                                                      bool listarSemRateio) {
  std::vector<size_t> destino;
  destino.reserve(static_cast<size_t>(saldo.FieldCount()));
  for (int i = 0; i < saldo.FieldCount(); ++i)
    destino.push_back(
        static_cast<size_t>(nClientDataSet.FieldByName(saldo.Fields(i).FieldName()).Index()));
  const TField& conta = saldo.FieldByName("CONTACTB");
  const TField& tipo = saldo.FieldByName("TIPOCONTA");
  ValueArray linha(static_cast<size_t>(nClientDataSet.FieldCount()));
  nClientDataSet.SetIndexFieldNames("");
  for (saldo.First(); !saldo.Eof(); saldo.Next()) {
    if (!listarSemRateio && tipo.AsInteger() == kAnalitica &&
        !contas.at(conta.AsLargeInt()).TemCentro)
      continue;
    for (int i = 0; i < saldo.FieldCount(); ++i)
      linha[destino[static_cast<size_t>(i)]] = saldo.Fields(i).AsValue();
    nClientDataSet.AppendRecordUnlogged(linha);
  }
}

void TnCtbDPGerarSaldoGerIndividual::TransferirCentros(
    const TParamsGer& params, const TnCtbDPGerarSaldoCtbIndividual& contabil, const TGrade& grade,
    const std::map<int64_t, TConta>& contas) {
  const std::map<int64_t, std::string> descricoes = DescricoesCentros(params.Saldo.CodigoEmpresa);
  const bool rf = params.Saldo.RelacionarFilial;
  ValueArray linha(static_cast<size_t>(nClientDataSet.FieldCount()));
  auto campo = [&](const char* nome) -> Value& {
    return linha[static_cast<size_t>(nClientDataSet.FieldByName(nome).Index())];
  };
  campo("TIPOCONTA") = Value(int64_t{kAnalitica});
  campo("TIPOCONTACALC") = Value(int64_t{0});
  const size_t nEstabs = grade.Estabs.size(), nBuckets = grade.Buckets.size();
  for (size_t par = 0; par < grade.Pares.size(); ++par) {
    const auto [codigoConta, centro] = grade.Pares[par];
    const TConta& conta = contas.at(codigoConta);
    campo("CONTACTB") = Value(static_cast<double>(codigoConta));
    campo("CLASSIFCONTA") = Value(fmt::format("{}.{}", conta.Classif, centro));
    campo("DESCRCONTA") = Value(conta.Descr);
    campo("CODIGOCENTROCUSTO") = Value(centro);
    auto descricao = descricoes.find(centro);
    campo("DESCRCENTROCUSTO") = descricao == descricoes.end() ? Value() : Value(descricao->second);
    // Each establishment's rows first: establishment 0 tells how many of
    // the others have values.
    std::vector<std::array<Currency, 5>> valores(nEstabs * nBuckets);
    for (size_t e = 0; e < nEstabs; ++e) {
      if (!grade.EstaListado(par, e))
        continue;
      const TGrade::TCelula& anterior = grade.SaldoAnterior(par, e);
      Currency saldo = PelaNatureza(conta.Natureza, anterior.Debito, anterior.Credito);
      for (size_t b = 0; b < nBuckets; ++b) {
        const TGrade::TCelula& celula = grade.Celula(par, e, b);
        const Currency movimento = PelaNatureza(conta.Natureza, celula.Debito, celula.Credito);
        valores[e * nBuckets + b] = {saldo, celula.Debito, celula.Credito, movimento,
                                     saldo + movimento};
        saldo += movimento;
      }
    }
    for (size_t e = 0; e < nEstabs; ++e) {
      if (!grade.EstaListado(par, e) || (!rf && e != 0))
        continue;
      campo("CODIGOESTAB") = Value(grade.Estabs[e]);
      for (size_t b = 0; b < nBuckets; ++b) {
        const std::array<Currency, 5>& v = valores[e * nBuckets + b];
        campo("DATASALDO") = Value(contabil.AvaliarDataSaldo(grade.Buckets[b]));
        for (size_t k = 0; k < 5; ++k)
          campo(kAmounts[k]) = Value(v[k]);
        campo("SEMSALDOMOV") = Value(int64_t{!params.ListarMovimentoZero && SemValores(v) ? 1 : 0});
        int comValores = 0;
        for (size_t outro = 1; e == 0 && outro < nEstabs; ++outro)
          if (grade.EstaListado(par, outro) && !SemValores(valores[outro * nBuckets + b]))
            ++comValores;
        campo("SINTFILIAL") =
            Value(int64_t{rf && !params.ListarMovimentoZero && comValores > 1 ? 1 : 0});
        nClientDataSet.AppendRecordUnlogged(linha);
      }
    }
  }
}

std::map<int64_t, std::string> TnCtbDPGerarSaldoGerIndividual::DescricoesCentros(
    int64_t empresa) const {
  std::map<int64_t, std::string> descricoes;
  auto cursor = Nutildb::ExecutarSQL(
      Conexao(),
      "select CODIGOCENTROCUSTO, DESCRCENTROCUSTO from CENTROCUSTO where CODIGOEMPRESA = "
      ":pEmpresa",
      {{"pEmpresa", Value(empresa)}});
  for (cursor->First(); !cursor->Eof(); cursor->Next())
    descricoes[cursor->FieldByName("CODIGOCENTROCUSTO").AsLargeInt()] =
        cursor->FieldByName("DESCRCENTROCUSTO").AsString();
  Nutildb::DestruirSQL(cursor);
  return descricoes;
}
