#include "host/demo/DemoLancamentos.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

#include "framework/core/Exceptions.h"
#include "host/demo/DemoEmpresa.h"
#include "host/output/SaidaCsv.h"

namespace DemoLancamentos {

namespace {

// Below this many rows the calendar's entries would crowd out the business
// of the year, so only the opening capital and the business are generated.
constexpr int64_t kMinimoComAgendados = 500;
// Rows of business held back for the year's last day, so that its own
// calendar entries and the income taxes after them fit the count.
constexpr int64_t kFolgaFimDoAno = 12;
// The most rows one piece of business writes (a sale that must first buy
// goods, a payment that must first be funded); near the end of the count
// the generator switches to single rows.
constexpr int64_t kMaiorNegocio = 10;

// Net sales a row of business brings on average, in cents: the ratio the
// generator's own mix settles at, measured over long runs. The year's costs
// are planned on it.
constexpr int64_t kVendaLiquidaPorLinha = 60'000;

constexpr int kEstabs = 3;
// Each establishment's share of payroll and rent, in percent.
constexpr std::array<int64_t, kEstabs> kParticipacao = {50, 28, 22};
// Planned amounts as thousandths of the year's expected net sales.
constexpr int64_t kCapitalMilesimos = 200;
constexpr int64_t kFinanciamentoMilesimos = 90;
constexpr int64_t kFolhaMilesimos = 60;  // gross payroll before the May raise
constexpr int64_t kAluguelMilesimos = 18;
constexpr int64_t kHonorariosMilesimos = 3;
constexpr int64_t kCustoMedioPercentual = 70;  // cost of goods over net sales
constexpr int kParcelasFinanciamento = 24;
constexpr int64_t kJurosFinanciamentoMilesimos = 10;  // a month
constexpr int64_t kJurosGiroMilesimos = 18;           // a month
// Days of the planned cost of sales kept in stock, and bought at a time.
constexpr int64_t kDiasEstoqueMinimo = 15;
constexpr int64_t kDiasLoteMinimo = 5, kDiasLoteMaximo = 12;
constexpr int64_t kLoteMaximo = 25'000'000;  // R$ 250,000.00 of goods
// What a bank keeps at least after a payment, and the cash on hand above
// which the takings go to the bank (keeping some change).
constexpr int64_t kColchao = 2'000'000;
constexpr int64_t kLimiteCaixa = 1'000'000, kTroco = 100'000;
constexpr int64_t kIcmsVendas = 18, kIcmsCompras = 12;  // percent
constexpr int kDiasParcela = 28;

struct TLinhaImobilizado {
  const char* Bem;
  const char* Depreciacao;
  int64_t Milesimos;  // cost, as thousandths of the expected net sales
  int TaxaAnual;      // percent a year
};
constexpr TLinhaImobilizado kImobilizado[] = {
    {"1.2.03.003", "1.2.04.002", 50, 10},
    {"1.2.03.004", "1.2.04.003", 12, 10},
    {"1.2.03.005", "1.2.04.004", 45, 20},
    {"1.2.03.006", "1.2.04.005", 15, 20},
};

// The utility bills of the month before, paid on the eighth working day.
struct TLinhaConsumo {
  const char* Conta;
  const char* Nome;
  int64_t Milesimos;
};
constexpr TLinhaConsumo kConsumo[] = {
    {"4.2.02.002", "Energia elétrica", 5},
    {"4.2.02.003", "Água e esgoto", 2},
    {"4.2.02.004", "Telefone e internet", 2},
};

// Accounts the calendar pays: the day's business leaves them alone.
constexpr const char* kDespesasAgendadas[] = {"4.2.02.001", "4.2.02.002", "4.2.02.003",
                                              "4.2.02.004", "4.2.02.006", "4.2.02.009"};
constexpr const char* kGruposDespesa[] = {"4.2.02", "4.2.03", "4.2.04"};
const char* const kBancos[] = {"1.1.01.003", "1.1.01.004", "1.1.01.005"};

// The business of a day, by weight; instalments due come before it.
enum class TNegocio { VendaPrazo, VendaVista, Despesa, Tarifa };
struct TPesoNegocio {
  TNegocio Negocio;
  int Peso;
};
constexpr TPesoNegocio kNegocios[] = {
    {TNegocio::VendaPrazo, 45},
    {TNegocio::VendaVista, 25},
    {TNegocio::Despesa, 6},
    {TNegocio::Tarifa, 3},
};

// `centavos` times `numerador` over `denominador`, rounded half up.
int64_t Parte(int64_t centavos, int64_t numerador, int64_t denominador) {
  return (centavos * numerador + denominador / 2) / denominador;
}

int64_t ArredondarPara(int64_t centavos, int64_t multiplo) {
  return Parte(centavos, 1, multiplo) * multiplo;
}

std::string Zeros(int64_t numero, size_t digitos) {
  std::string texto = std::to_string(numero);
  return texto.size() >= digitos ? texto : std::string(digitos - texto.size(), '0') + texto;
}

std::string MesAno(TDateTime data) {
  return Zeros(MonthOf(data), 2) + "/" + std::to_string(YearOf(data));
}

const DemoEmpresa::TContaDemo& Analitica(const std::string& classif) {
  const DemoEmpresa::TContaDemo& conta = DemoEmpresa::Conta(classif);
  if (conta.TipoConta != 2 || conta.Calculada)
    throw Exception("A conta " + classif + " não recebe lançamentos");
  return conta;
}

}  // namespace

TGerador::TGerador(uint64_t seed, int64_t quantidade, int64_t codigoEmpresa)
    : FRng(seed), FQuantidade(quantidade), FCodigoEmpresa(codigoEmpresa) {
  const int ano = DemoEmpresa::kAnoExercicio;
  for (TDateTime data = EncodeDate(ano, 1, 1); YearOf(data) == ano; data = IncDay(data)) {
    const int semana = DayOfWeek(data);
    if (semana == 1)
      continue;  // no entries on Sundays
    FDias.push_back({data, semana == 7 ? 1 : 10});
    FPesoTotal += FDias.back().Peso;
  }
  FClientes = DemoEmpresa::Analiticas("1.1.02");
  FFornecedores = DemoEmpresa::Analiticas("2.1.01");
  for (const char* grupo : kGruposDespesa)
    for (const TConta* conta : DemoEmpresa::Analiticas(grupo))
      if (std::find(std::begin(kDespesasAgendadas), std::end(kDespesasAgendadas),
                    conta->ClassifConta) == std::end(kDespesasAgendadas))
        FDespesas.push_back(conta);
  for (const char* banco : kBancos)
    FBancos.push_back(&Analitica(banco));
  MontarAgenda();
  FVendasPrevistas = std::max<int64_t>(FQuantidade - FLinhasAgendadas - kFolgaFimDoAno, 200) *
                     kVendaLiquidaPorLinha;
}

void TGerador::MontarAgenda() {
  FAgenda.assign(FDias.size(), {});
  const bool agendados = FQuantidade >= kMinimoComAgendados;
  FAgenda[0].push_back({TEvento::Capital, 0});
  if (agendados) {
    FAgenda[0].push_back({TEvento::Financiamento, 0});
    for (int bem = 0; bem < static_cast<int>(std::size(kImobilizado)); ++bem)
      FAgenda[0].push_back({TEvento::Imobilizado, bem});
  }
  int diaUtil = 0, mesDoDiaUtil = 0;
  for (size_t i = 0; i < FDias.size(); ++i) {
    TDia& dia = FDias[i];
    if (dia.Peso != 10)
      continue;
    const int mes = MonthOf(dia.Data);
    diaUtil = mes == mesDoDiaUtil ? diaUtil + 1 : 1;
    mesDoDiaUtil = mes;
    size_t seguinte = i + 1;
    while (seguinte < FDias.size() && FDias[seguinte].Peso != 10)
      ++seguinte;
    dia.UltimoDiaUtil = seguinte == FDias.size() || MonthOf(FDias[seguinte].Data) != mes;
    if (!agendados)
      continue;
    std::vector<TAgendado>& agenda = FAgenda[i];
    const auto porEstab = [&](TEvento evento) {
      for (int estab = 1; estab <= kEstabs; ++estab)
        agenda.push_back({evento, estab});
    };
    const bool mesSeguinte = mes > 1;  // what the month before owes
    if (diaUtil == 3)
      porEstab(TEvento::Aluguel);
    if (diaUtil == 5 && mesSeguinte)
      porEstab(TEvento::Salarios);
    if (diaUtil == 7 && mesSeguinte)
      agenda.push_back({TEvento::Fgts, 0});
    if (diaUtil == 8) {
      for (int conta = 0; conta < static_cast<int>(std::size(kConsumo)); ++conta)
        agenda.push_back({TEvento::Consumo, conta});
      agenda.push_back({TEvento::Honorarios, 0});
    }
    if (diaUtil == 10 && mesSeguinte)
      agenda.push_back({TEvento::Icms, 0});
    if (diaUtil == 11 && mesSeguinte) {
      // Interest on what is owed before the instalment lowers it.
      agenda.push_back({TEvento::JurosFinanciamento, 0});
      agenda.push_back({TEvento::Amortizacao, 0});
    }
    if (diaUtil == 13 && mesSeguinte)
      agenda.push_back({TEvento::Inss, 0});
    if (dia.UltimoDiaUtil) {
      porEstab(TEvento::Folha);
      porEstab(TEvento::InssPatronal);
      porEstab(TEvento::FgtsPatronal);
      for (int bem = 0; bem < static_cast<int>(std::size(kImobilizado)); ++bem)
        agenda.push_back({TEvento::Depreciacao, bem});
      agenda.push_back({TEvento::PacoteTarifas, 0});
      agenda.push_back({TEvento::ApuracaoIcms, 0});
    }
  }
  if (agendados) {
    // CSLL first: its amount does not lower the income tax's base.
    FAgenda.back().push_back({TEvento::TributosLucro, 0});
    FAgenda.back().push_back({TEvento::TributosLucro, 1});
  }
  for (const std::vector<TAgendado>& agenda : FAgenda)
    FLinhasAgendadas += static_cast<int64_t>(agenda.size());
}

int64_t TGerador::Planejado(int64_t milesimos) const {
  return Parte(FVendasPrevistas, milesimos, 1000);
}

int64_t TGerador::Financiamento() const {
  return ArredondarPara(Planejado(kFinanciamentoMilesimos), 100'000);
}

int64_t TGerador::CustoImobilizado(int bem) const {
  return ArredondarPara(Planejado(kImobilizado[bem].Milesimos), 10'000);
}

int64_t TGerador::Folha(int estab, int mes) const {
  const int64_t base =
      ArredondarPara(Parte(Planejado(kFolhaMilesimos), kParticipacao[estab - 1], 1200), 1000);
  return mes >= 5 ? Parte(base, 105, 100) : base;  // the May raise
}

uint64_t TGerador::Sortear(uint64_t n) {
  // Rejection keeps every value equally likely (no modulo bias).
  const uint64_t limite = UINT64_MAX - UINT64_MAX % n;
  uint64_t x;
  do
    x = FRng();
  while (x >= limite);
  return x % n;
}

// Most amounts are small: seven in ten fall in the lowest fifth of the range.
int64_t TGerador::SortearCentavos(int64_t minimo, int64_t maximo) {
  if (Sortear(10) < 7)
    maximo = minimo + (maximo - minimo) / 5;
  return minimo + static_cast<int64_t>(Sortear(static_cast<uint64_t>(maximo - minimo + 1)));
}

int TGerador::SortearEstab() {
  const uint64_t x = Sortear(10);
  return x < 5 ? 1 : x < 8 ? 2 : 3;
}

const DemoEmpresa::TContaDemo& TGerador::BancoDeRecebimento() {
  const uint64_t x = Sortear(20);
  return *FBancos[x < 12 ? 0 : x < 17 ? 1 : 2];
}

const DemoEmpresa::TContaDemo& TGerador::BancoMaisRico() {
  const TConta* rico = FBancos.front();
  for (const TConta* banco : FBancos)
    if (Saldo(*banco) > Saldo(*rico))
      rico = banco;
  return *rico;
}

int64_t TGerador::Saldo(const TConta& conta) const {
  const auto it = FSaldos.find(conta.ContaCtb);
  return it == FSaldos.end() ? 0 : it->second;
}

bool TGerador::Proximo(TLancamentoDemo& lancamento) {
  if (FEntregues >= FQuantidade)
    return false;
  while (FFila.empty()) {
    if (FProximoDia >= FDias.size())
      return false;  // only when a bank had nothing left to pad the count with
    PlanejarDia(FProximoDia++);
  }
  lancamento = std::move(FFila.front());
  FFila.pop_front();
  ++FEntregues;
  return true;
}

void TGerador::PlanejarDia(size_t indiceDia) {
  const TDia& dia = FDias[indiceDia];
  FPesoAcumulado += dia.Peso;
  FAgendadasFeitas += static_cast<int64_t>(FAgenda[indiceDia].size());
  for (const TAgendado& agendado : FAgenda[indiceDia])
    if (agendado.Evento != TEvento::TributosLucro)
      Agendado(indiceDia, agendado);
  if (dia.UltimoDiaUtil)
    FimDeMes(dia.Data);
  if (indiceDia + 1 < FDias.size()) {
    // The business due by the end of this day, in proportion to the year's
    // weight, on top of the calendar's rows so far (about 2,660 in all, so
    // no count a run could ask for overflows).
    const int64_t negocios = std::max<int64_t>(FQuantidade - FLinhasAgendadas - kFolgaFimDoAno, 0);
    Preencher(indiceDia, FAgendadasFeitas + negocios * FPesoAcumulado / FPesoTotal, false);
    return;
  }
  // The year's last day: its business, then the income taxes on the whole
  // year, then, when a tax was nil, transfers between banks up to the count.
  int64_t tributos = 0;
  for (const TAgendado& agendado : FAgenda[indiceDia])
    tributos += agendado.Evento == TEvento::TributosLucro;
  Preencher(indiceDia, FQuantidade - tributos, true);
  for (const TAgendado& agendado : FAgenda[indiceDia])
    if (agendado.Evento == TEvento::TributosLucro)
      Agendado(indiceDia, agendado);
  while (FGeradas < FQuantidade) {
    const TConta& rico = BancoMaisRico();
    const int64_t valor = std::min<int64_t>(Saldo(rico) / 2, 100'000);
    if (valor <= 0)
      break;
    Transferir(dia.Data, rico, &rico == FBancos[0] ? *FBancos[1] : *FBancos[0], valor);
  }
}

void TGerador::Preencher(size_t indiceDia, int64_t alvo, bool fimDoAno) {
  const TDateTime data = FDias[indiceDia].Data;
  while (FGeradas < alvo) {
    if (!fimDoAno || alvo - FGeradas >= kMaiorNegocio) {
      Negocio(data);
    } else if (!Liquidar(data, FAReceber, true)) {
      // One row at a time: a fee the richest bank pays without funding.
      const TConta& banco = BancoMaisRico();
      const int64_t tarifa = std::min(SortearCentavos(250, 9'500), Saldo(banco));
      if (tarifa <= 0)
        return;
      Acrescentar(data, 1, Analitica("4.2.05.001"), banco, 15, tarifa,
                  "Tarifa de cobrança - " + banco.DescrConta);
    }
  }
}

void TGerador::Agendado(size_t indiceDia, const TAgendado& agendado) {
  const TDateTime data = FDias[indiceDia].Data;
  const int mes = MonthOf(data);
  const std::string anterior = MesAno(IncMonth(data, -1));
  const TConta& banco = *FBancos.front();
  const int estab = agendado.Indice;
  switch (agendado.Evento) {
    case TEvento::Capital:
      Acrescentar(data, 1, banco, Analitica("2.3.01.001"), 1,
                  ArredondarPara(Planejado(kCapitalMilesimos), 100'000),
                  "Integralização do capital social conforme contrato social", "CONTRATO");
      break;
    case TEvento::Financiamento:
      Acrescentar(data, 1, banco, Analitica("2.2.01.001"), 24, Financiamento(),
                  "Financiamento BNDES - contrato 2025/0001", "BNDES0001");
      break;
    case TEvento::Imobilizado: {
      const TLinhaImobilizado& bem = kImobilizado[agendado.Indice];
      Pagar(data, 1, Analitica(bem.Bem), banco, 19, CustoImobilizado(agendado.Indice),
            "Aquisição de " + Analitica(bem.Bem).DescrConta, "NF" + Zeros(FNotaEntrada++, 6));
      break;
    }
    case TEvento::Aluguel:
      Pagar(
          data, estab, Analitica("4.2.02.001"), banco, 17,
          ArredondarPara(Parte(Planejado(kAluguelMilesimos), kParticipacao[estab - 1], 1200), 1000),
          "Aluguel do imóvel ref. " + MesAno(data), "REC" + Zeros(mes, 2));
      break;
    case TEvento::Salarios:
      Pagar(data, estab, Analitica("2.1.02.001"), banco, 10, Folha(estab, mes - 1),
            "Salários ref. " + anterior);
      break;
    case TEvento::Fgts:
      Pagar(data, 1, Analitica("2.1.03.002"), banco, 12, std::exchange(FFgtsARecolher, 0),
            "GRF FGTS ref. " + anterior);
      break;
    case TEvento::Inss:
      Pagar(data, 1, Analitica("2.1.03.001"), banco, 12, std::exchange(FInssARecolher, 0),
            "GPS ref. " + anterior);
      break;
    case TEvento::Icms:
      Pagar(data, 1, Analitica("2.1.04.001"), banco, 12, std::exchange(FIcmsARecolher, 0),
            "DARE ICMS ref. " + anterior);
      break;
    case TEvento::Consumo: {
      // A bill varies around its plan from month to month.
      const TLinhaConsumo& consumo = kConsumo[agendado.Indice];
      Pagar(data, 1, Analitica(consumo.Conta), banco, 17,
            Parte(Planejado(consumo.Milesimos), 90 + static_cast<int64_t>(Sortear(21)), 1200),
            std::string(consumo.Nome) + " ref. " + anterior);
      break;
    }
    case TEvento::Honorarios:
      Pagar(data, 1, Analitica("4.2.02.006"), banco, 17,
            ArredondarPara(Planejado(kHonorariosMilesimos) / 12, 1000),
            "Honorários contábeis ref. " + anterior);
      break;
    case TEvento::JurosFinanciamento:
    case TEvento::Amortizacao: {
      const TConta& financiamento = Analitica("2.2.01.001");
      const std::string parcela = Zeros(mes - 1, 2) + "/" + std::to_string(kParcelasFinanciamento);
      if (agendado.Evento == TEvento::JurosFinanciamento)
        Pagar(data, 1, Analitica("4.2.05.002"), banco, 26,
              Parte(-Saldo(financiamento), kJurosFinanciamentoMilesimos, 1000),
              "Juros da parcela " + parcela + " do financiamento BNDES", "BNDES0001");
      else
        Pagar(data, 1, financiamento, banco, 25, Financiamento() / kParcelasFinanciamento,
              "Parcela " + parcela + " do financiamento BNDES", "BNDES0001");
      break;
    }
    case TEvento::Folha:
      Acrescentar(data, estab, Analitica("4.2.01.001"), Analitica("2.1.02.001"), 9,
                  Folha(estab, mes), "Folha ref. " + MesAno(data));
      break;
    case TEvento::InssPatronal:
    case TEvento::FgtsPatronal: {
      // The employer's charges on the month's payroll, paid the next month.
      const bool inss = agendado.Evento == TEvento::InssPatronal;
      const int64_t encargo = Parte(Folha(estab, mes), inss ? 20 : 8, 100);
      (inss ? FInssARecolher : FFgtsARecolher) += encargo;
      Acrescentar(data, estab, Analitica(inss ? "4.2.01.005" : "4.2.01.006"),
                  Analitica(inss ? "2.1.03.001" : "2.1.03.002"), 11, encargo,
                  std::string(inss ? "INSS patronal" : "FGTS") + " ref. " + MesAno(data));
      break;
    }
    case TEvento::Depreciacao: {
      const TLinhaImobilizado& bem = kImobilizado[agendado.Indice];
      Acrescentar(data, 1, Analitica("4.2.02.009"), Analitica(bem.Depreciacao), 18,
                  Parte(CustoImobilizado(agendado.Indice), bem.TaxaAnual, 1200),
                  "Depreciação de " + Analitica(bem.Bem).DescrConta + " ref. " + MesAno(data));
      break;
    }
    case TEvento::PacoteTarifas:
      Pagar(data, 1, Analitica("4.2.05.001"), banco, 15, 18'990,
            "Pacote de serviços ref. " + MesAno(data));
      break;
    case TEvento::ApuracaoIcms: {
      // The credits on purchases offset the debits on sales; what is left
      // is paid next month, a credit left over carries on.
      const TConta& aRecolher = Analitica("2.1.04.001");
      const TConta& aRecuperar = Analitica("1.1.03.003");
      Acrescentar(data, 1, aRecolher, aRecuperar, 12,
                  std::min(Saldo(aRecuperar), -Saldo(aRecolher)),
                  "Apuração do ICMS ref. " + MesAno(data));
      FIcmsARecolher = -Saldo(aRecolher);
      break;
    }
    case TEvento::TributosLucro: {
      // On the year's profit before them: CSLL 9%, income tax 15% plus 10%
      // of what exceeds 240,000.00 a year.
      const TConta& csll = Analitica("4.3.01.002");
      const TConta& irpj = Analitica("4.3.01.001");
      const int64_t lucro = FResultado + Saldo(csll) + Saldo(irpj);
      if (lucro <= 0)
        break;
      const std::string ano = std::to_string(YearOf(data));
      if (agendado.Indice == 0)
        Acrescentar(data, 1, csll, Analitica("2.1.04.006"), 27, Parte(lucro, 9, 100),
                    "CSLL sobre o lucro real de " + ano);
      else
        Acrescentar(
            data, 1, irpj, Analitica("2.1.04.005"), 27,
            Parte(lucro, 15, 100) + Parte(std::max<int64_t>(lucro - 24'000'000, 0), 10, 100),
            "IRPJ sobre o lucro real de " + ano);
      break;
    }
  }
}

// The working-capital loan: its interest, and what the banks can spare to
// pay it back above a month of costs.
void TGerador::FimDeMes(TDateTime data) {
  const TConta& giro = Analitica("2.1.05.002");
  const int64_t devido = -Saldo(giro);
  if (devido <= 0)
    return;
  Pagar(data, 1, Analitica("4.2.05.002"), *FBancos.front(), 26,
        Parte(devido, kJurosGiroMilesimos, 1000), "Juros de capital de giro ref. " + MesAno(data));
  const TConta& rico = BancoMaisRico();
  const int64_t sobra = Saldo(rico) - kColchao - Planejado(150) / 12;
  const int64_t pagamento = std::min(devido, sobra / 1'000'000 * 1'000'000);
  if (pagamento > 0)
    Acrescentar(data, 1, giro, rico, 25, pagamento, "Amortização de capital de giro");
}

void TGerador::Negocio(TDateTime data) {
  if (Liquidar(data, FAReceber, true) || Liquidar(data, FAPagar, false))
    return;
  int total = 0;
  for (const TPesoNegocio& peso : kNegocios)
    total += peso.Peso;
  int sorteio = static_cast<int>(Sortear(static_cast<uint64_t>(total)));
  TNegocio negocio = TNegocio::VendaPrazo;
  for (const TPesoNegocio& peso : kNegocios) {
    if (sorteio < peso.Peso) {
      negocio = peso.Negocio;
      break;
    }
    sorteio -= peso.Peso;
  }
  switch (negocio) {
    case TNegocio::VendaPrazo:
    case TNegocio::VendaVista:
      Vender(data, negocio == TNegocio::VendaPrazo);
      break;
    case TNegocio::Despesa: {
      const TConta& despesa = *FDespesas[Sortear(FDespesas.size())];
      const int64_t valor = SortearCentavos(5'000, 350'000);
      const std::string complemento =
          despesa.DescrConta + " - recibo " + Zeros(1 + Sortear(9999), 4);
      const TConta& caixa = Analitica("1.1.01.001");
      if (Saldo(caixa) >= valor + kTroco)
        Acrescentar(data, SortearEstab(), despesa, caixa, 17, valor, complemento);
      else
        Pagar(data, SortearEstab(), despesa, BancoMaisRico(), 17, valor, complemento);
      break;
    }
    case TNegocio::Tarifa: {
      const TConta& banco = *FBancos[Sortear(FBancos.size())];
      Pagar(data, 1, Analitica("4.2.05.001"), banco, 15, SortearCentavos(250, 9'500),
            "Tarifa de cobrança - " + banco.DescrConta);
      break;
    }
  }
}

// A sale with its ICMS and its cost out of stock (bought first when the
// stock would fall below its minimum); on credit, due in one to three
// monthly instalments; in cash, the till's takings deposited when they pile
// up.
void TGerador::Vender(TDateTime data, bool prazo) {
  const int estab = SortearEstab();
  const TConta& cliente = *FClientes[Sortear(FClientes.size())];
  const int64_t bruto =
      prazo ? SortearCentavos(40'000, 1'800'000) : SortearCentavos(3'000, 250'000);
  const int64_t icms = Parte(bruto, kIcmsVendas, 100);
  const int64_t custo = Parte(bruto - icms, 66 + static_cast<int64_t>(Sortear(9)), 100);
  const TConta& estoque = Analitica("1.1.04.001");
  const int64_t minimo =
      Parte(FVendasPrevistas, kCustoMedioPercentual * kDiasEstoqueMinimo, 30'000);
  if (Saldo(estoque) - custo < minimo)
    Comprar(data, estab, minimo + custo - Saldo(estoque));
  const TConta& caixa = Analitica("1.1.01.001");
  const TConta& debito = prazo ? cliente : Sortear(10) < 6 ? caixa : BancoDeRecebimento();
  const std::string numero = Zeros(FNotaFiscal++, 6);
  Acrescentar(data, estab, debito, Analitica("3.1.01.001"), prazo ? 2 : 3, bruto,
              "NF-e " + numero + (prazo ? " - " + cliente.DescrConta : " - consumidor final"),
              "NF" + numero);
  Acrescentar(data, estab, Analitica("3.1.02.001"), Analitica("2.1.04.001"), 13, icms,
              "ICMS s/ NF-e " + numero, "NF" + numero);
  Acrescentar(data, estab, Analitica("4.1.01.001"), estoque, 8, custo, "Custo da NF-e " + numero,
              "NF" + numero);
  if (prazo) {
    Parcelar(FAReceber, data, cliente, estab, bruto, 1 + static_cast<int>(Sortear(3)),
             "DP" + numero, "Dup. " + numero + "-");
  } else if (&debito == &caixa && Saldo(caixa) > kLimiteCaixa) {
    Acrescentar(data, estab, *FBancos.front(), caixa, 23, (Saldo(caixa) - kTroco) / 10'000 * 10'000,
                "Depósito do numerário em caixa");
  }
}

// Goods on credit from a supplier in lots of a few days of the planned cost
// of sales, until `custoMinimo` is in stock; the ICMS on them is
// recoverable, so it leaves the stock's cost. Due in one or two monthly
// instalments.
void TGerador::Comprar(TDateTime data, int estab, int64_t custoMinimo) {
  const TConta& estoque = Analitica("1.1.04.001");
  const int64_t custoDiario =
      std::max<int64_t>(Parte(FVendasPrevistas, kCustoMedioPercentual, 30'000), 1);
  for (int64_t comprado = 0; comprado < custoMinimo;) {
    const TConta& fornecedor = *FFornecedores[Sortear(FFornecedores.size())];
    const int64_t dias =
        kDiasLoteMinimo + static_cast<int64_t>(Sortear(kDiasLoteMaximo - kDiasLoteMinimo + 1));
    const int64_t lote = std::min(custoDiario * dias, kLoteMaximo);
    const int64_t bruto = Parte(lote, 100, 100 - kIcmsCompras);
    const int64_t icms = Parte(bruto, kIcmsCompras, 100);
    const std::string numero = Zeros(FNotaEntrada++, 6);
    Acrescentar(data, estab, estoque, fornecedor, 6, bruto,
                "NF-e " + numero + " - " + fornecedor.DescrConta, "NF" + numero);
    Acrescentar(data, estab, Analitica("1.1.03.003"), estoque, 14, icms, "ICMS s/ NF-e " + numero,
                "NF" + numero);
    comprado += bruto - icms;
    Parcelar(FAPagar, data, fornecedor, estab, bruto, 1 + static_cast<int>(Sortear(2)),
             "NF" + numero, "Pagto. NF-e " + numero + " parc. ");
  }
}

// `total` in `parcelas` instalments a month apart from `data` (the last
// takes the cents the division leaves), each named "<prefixo>k/n - person".
void TGerador::Parcelar(std::multimap<TDateTime, TTitulo>& titulos, TDateTime data,
                        const TConta& pessoa, int estab, int64_t total, int parcelas,
                        const std::string& documento, const std::string& prefixo) {
  for (int parcela = 1; parcela <= parcelas; ++parcela)
    titulos.emplace(
        IncDay(data, kDiasParcela * parcela),
        TTitulo{&pessoa, estab,
                parcela < parcelas ? total / parcelas : total - total / parcelas * (parcelas - 1),
                documento,
                prefixo + std::to_string(parcela) + "/" + std::to_string(parcelas) + " - " +
                    pessoa.DescrConta});
}

// The first instalment due by `data`, received into a bank or paid from the
// richest; false when none is due.
bool TGerador::Liquidar(TDateTime data, std::multimap<TDateTime, TTitulo>& titulos, bool receber) {
  const auto it = titulos.begin();
  if (it == titulos.end() || it->first > data)
    return false;
  TTitulo titulo = std::move(it->second);
  titulos.erase(it);
  if (receber)
    Acrescentar(data, titulo.Estab, BancoDeRecebimento(), *titulo.Pessoa, 5, titulo.Centavos,
                std::move(titulo.Complemento), std::move(titulo.Documento));
  else
    Pagar(data, titulo.Estab, *titulo.Pessoa, BancoMaisRico(), 7, titulo.Centavos,
          std::move(titulo.Complemento), std::move(titulo.Documento));
  return true;
}

void TGerador::Pagar(TDateTime data, int estab, const TConta& debito, const TConta& banco,
                     int historico, int64_t centavos, std::string complemento,
                     std::string documento) {
  Prover(data, banco, centavos);
  Acrescentar(data, estab, debito, banco, historico, centavos, std::move(complemento),
              std::move(documento));
}

// Leaves `banco` able to pay `centavos` and keep its cushion: the other
// banks' spare money first, then a working-capital loan in round tens of
// thousands.
void TGerador::Prover(TDateTime data, const TConta& banco, int64_t centavos) {
  int64_t falta = centavos + kColchao - Saldo(banco);
  for (const TConta* outro : FBancos) {
    if (falta <= 0)
      return;
    const int64_t disponivel = Saldo(*outro) - kColchao;
    if (outro == &banco || disponivel <= 0)
      continue;
    const int64_t transferencia = std::min(disponivel, (falta + 9'999) / 10'000 * 10'000);
    Transferir(data, *outro, banco, transferencia);
    falta -= transferencia;
  }
  if (falta <= 0)
    return;
  const std::string contrato = Zeros(++FContratosGiro, 4);
  Acrescentar(data, 1, banco, Analitica("2.1.05.002"), 24,
              (falta + 999'999) / 1'000'000 * 1'000'000, "Capital de giro - contrato " + contrato,
              "CG" + contrato);
}

void TGerador::Transferir(TDateTime data, const TConta& de, const TConta& para, int64_t centavos) {
  Acrescentar(data, 1, para, de, 22, centavos, "Transferência para " + para.DescrConta);
}

void TGerador::Acrescentar(TDateTime data, int estab, const TConta& deb, const TConta& cred,
                           int historico, int64_t centavos, std::string complemento,
                           std::string documento) {
  if (centavos <= 0)
    return;  // nothing to book: a tax or a charge that came to nil
  FSaldos[deb.ContaCtb] += centavos;
  FSaldos[cred.ContaCtb] -= centavos;
  // Revenue (3) and costs and expenses (4) make the result.
  for (const auto& [conta, sinal] : {std::pair{&deb, -1}, std::pair{&cred, 1}})
    if (conta->ClassifConta[0] == '3' || conta->ClassifConta[0] == '4')
      FResultado += sinal * centavos;
  TLancamentoDemo lancamento;
  lancamento.CodigoEmpresa = FCodigoEmpresa;
  lancamento.CodigoEstab = estab;
  lancamento.DataLctoCtb = data;
  lancamento.ContaCtbDeb = deb.ContaCtb;
  lancamento.ContaCtbCred = cred.ContaCtb;
  lancamento.CodigoHistCtb = historico;
  lancamento.ComplHist = std::move(complemento);
  lancamento.ValorLctoCtb = Currency::FromRaw(centavos * (Currency::kScale / 100));
  lancamento.NumeroDcto = std::move(documento);
  // One batch per month, all of them imported.
  lancamento.CodigoLoteCtb = MonthOf(data);
  lancamento.CodigoOrigLctoCtb = "IP";
  FFila.push_back(std::move(lancamento));
  ++FGeradas;
}

std::vector<TLancamentoDemo> Gerar(uint64_t seed, int64_t quantidade, int64_t codigoEmpresa) {
  std::vector<TLancamentoDemo> linhas;
  linhas.reserve(static_cast<size_t>(quantidade > 0 ? quantidade : 0));
  TGerador gerador(seed, quantidade, codigoEmpresa);
  TLancamentoDemo lancamento;
  while (gerador.Proximo(lancamento))
    linhas.push_back(lancamento);
  return linhas;
}

std::string ValorTexto(Currency valor) {
  const int64_t centavos = valor.Rounded(2).Raw() / (Currency::kScale / 100);
  const int64_t absoluto = centavos < 0 ? -centavos : centavos;
  return (centavos < 0 ? "-" : "") + std::to_string(absoluto / 100) + "." +
         Zeros(absoluto % 100, 2);
}

std::string CabecalhoCsv() {
  return "CODIGOEMPRESA,CODIGOESTAB,DATALCTOCTB,TIPOLANCAMENTO,CONTACTBDEB,CONTACTBCRED,"
         "CODIGOHISTCTB,COMPLHIST,VALORLCTOCTB,NUMERODCTO,CODIGOLOTECTB,CODIGOORIGLCTOCTB";
}

std::string LinhaCsv(const TLancamentoDemo& l) {
  std::string linha;
  linha.reserve(160);
  linha += std::to_string(l.CodigoEmpresa) + "," + std::to_string(l.CodigoEstab) + "," +
           DateToIso(l.DataLctoCtb) + "," + SaidaCsv::Campo(l.TipoLancamento) + "," +
           std::to_string(l.ContaCtbDeb) + "," + std::to_string(l.ContaCtbCred) + "," +
           std::to_string(l.CodigoHistCtb) + "," + SaidaCsv::Campo(l.ComplHist) + "," +
           ValorTexto(l.ValorLctoCtb) + "," + SaidaCsv::Campo(l.NumeroDcto) + "," +
           std::to_string(l.CodigoLoteCtb) + "," + SaidaCsv::Campo(l.CodigoOrigLctoCtb);
  return linha;
}

void EscreverCsv(std::ostream& saida, uint64_t seed, int64_t quantidade, int64_t codigoEmpresa) {
  saida << CabecalhoCsv() << '\n';
  TGerador gerador(seed, quantidade, codigoEmpresa);
  TLancamentoDemo lancamento;
  while (gerador.Proximo(lancamento))
    saida << LinhaCsv(lancamento) << '\n';
}

}  // namespace DemoLancamentos
