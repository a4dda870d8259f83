#include "host/DemoLancamentos.h"

#include <array>
#include <utility>

#include "framework/core/Exceptions.h"
#include "host/DemoEmpresa.h"
#include "host/SaidaCsv.h"

namespace DemoLancamentos {

namespace {

// Below this many rows the scheduled entries would crowd out the business of
// the year, so only the opening capital and the business are generated.
constexpr int64_t kMinimoComAgendados = 500;

constexpr int kEstabs = 3;
// Gross monthly payroll per establishment, in cents, before the May raise.
constexpr std::array<int64_t, kEstabs> kFolha = {8'500'000, 4'200'000, 3'600'000};
// Monthly rent per establishment, in cents.
constexpr std::array<int64_t, kEstabs> kAluguel = {1'200'000, 650'000, 580'000};

// Fixed assets bought on the first day and their monthly depreciation.
struct TLinhaImobilizado {
  const char* Bem;
  const char* Depreciacao;
  int64_t Custo;  // cents
  int TaxaAnual;  // percent a year
};
constexpr TLinhaImobilizado kImobilizado[] = {
    {"1.2.03.003", "1.2.04.002", 18'000'000, 10},
    {"1.2.03.004", "1.2.04.003", 3'800'000, 10},
    {"1.2.03.005", "1.2.04.004", 24'000'000, 20},
    {"1.2.03.006", "1.2.04.005", 4'500'000, 20},
};
constexpr int64_t kCapitalInicial = 150'000'000;

// The business of a day, by weight.
enum class TNegocio {
  VendaPrazo,
  VendaVista,
  Servico,
  Recebimento,
  Compra,
  Custo,
  PagamentoFornecedor,
  Despesa,
  Tarifa,
  Rendimento,
  Suprimento
};
struct TPesoNegocio {
  TNegocio Negocio;
  int Peso;
};
constexpr TPesoNegocio kNegocios[] = {
    {TNegocio::VendaPrazo, 30},          {TNegocio::VendaVista, 8}, {TNegocio::Servico, 5},
    {TNegocio::Recebimento, 32},         {TNegocio::Compra, 14},    {TNegocio::Custo, 8},
    {TNegocio::PagamentoFornecedor, 14}, {TNegocio::Despesa, 10},   {TNegocio::Tarifa, 3},
    {TNegocio::Rendimento, 2},           {TNegocio::Suprimento, 2},
};

// Expenses paid on the spot come from these groups (rent and depreciation
// are scheduled, so they are left out).
constexpr const char* kGruposDespesa[] = {"4.2.02", "4.2.03", "4.2.04"};

const char* const kBancos[] = {"1.1.01.003", "1.1.01.004", "1.1.01.005"};

int64_t Percentual(int64_t centavos, int percentual) {
  return (centavos * percentual + 50) / 100;
}

int64_t Folha(int estab, int mes) {
  const int64_t base = kFolha[estab - 1];
  return mes >= 5 ? Percentual(base, 105) : base;
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

TGerador::TGerador(uint64_t seed, int64_t quantidade, int codigoEmpresa)
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
    for (const DemoEmpresa::TContaDemo* conta : DemoEmpresa::Analiticas(grupo))
      if (conta->ApelidoConta != "ALUGUEL" && conta->ApelidoConta != "DEPRECIACAO")
        FDespesas.push_back(conta);
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

bool TGerador::Proximo(TLancamentoDemo& lancamento) {
  if (FEntregues >= FQuantidade)
    return false;
  while (FFila.empty()) {
    if (FProximoDia >= FDias.size())
      return false;  // cannot happen: the last day's target is the quantity
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
  // The rows due by the end of this day, in proportion to the year's weight
  // (about 2,660 in all, so no count a run could ask for overflows).
  const int64_t alvo = FQuantidade * FPesoAcumulado / FPesoTotal;
  if (indiceDia == 0 && FQuantidade > 0)
    Acrescentar(dia.Data, 1, "1.1.01.003", "2.3.01.001", 1, kCapitalInicial,
                "Integralização do capital social conforme contrato social", "CONTRATO");
  if (FQuantidade >= kMinimoComAgendados) {
    int diaUtil = 0;
    bool ultimoDiaUtil = dia.Peso == 10;
    if (dia.Peso == 10) {
      for (size_t i = indiceDia + 1;
           i < FDias.size() && MonthOf(FDias[i].Data) == MonthOf(dia.Data); ++i)
        if (FDias[i].Peso == 10)
          ultimoDiaUtil = false;
      for (size_t i = indiceDia + 1; i-- > 0 && MonthOf(FDias[i].Data) == MonthOf(dia.Data);)
        if (FDias[i].Peso == 10)
          ++diaUtil;
    }
    Agendados(dia.Data, diaUtil, ultimoDiaUtil);
  }
  while (FEntregues + static_cast<int64_t>(FFila.size()) < alvo)
    Negocio(dia.Data);
}

void TGerador::Agendados(TDateTime data, int diaUtil, bool ultimoDiaUtil) {
  const int mes = MonthOf(data);
  if (mes == 1 && DayOf(data) == 1)
    for (const TLinhaImobilizado& bem : kImobilizado)
      Acrescentar(data, 1, bem.Bem, "1.1.01.003", 19, bem.Custo,
                  "Aquisição de " + Analitica(bem.Bem).DescrConta, "NF" + Zeros(FNotaEntrada++, 6));
  // Payroll of the month before and its charges, rent, ICMS and ISS due.
  if (diaUtil == 3)
    for (int estab = 1; estab <= kEstabs; ++estab)
      Acrescentar(data, estab, "4.2.02.001", "1.1.01.003", 17, kAluguel[estab - 1],
                  "Aluguel do imóvel ref. " + MesAno(data), "REC" + Zeros(mes, 2));
  if (mes > 1 && diaUtil == 5)
    for (int estab = 1; estab <= kEstabs; ++estab)
      Acrescentar(data, estab, "2.1.02.001", "1.1.01.003", 10, Folha(estab, mes - 1),
                  "Salários ref. " + MesAno(IncMonth(data, -1)));
  if (mes > 1 && diaUtil == 7) {
    int64_t fgts = 0;
    for (int estab = 1; estab <= kEstabs; ++estab)
      fgts += Percentual(Folha(estab, mes - 1), 8);
    Acrescentar(data, 1, "2.1.03.002", "1.1.01.003", 12, fgts,
                "GRF FGTS ref. " + MesAno(IncMonth(data, -1)));
  }
  if (mes > 1 && diaUtil == 14) {
    int64_t inss = 0;
    for (int estab = 1; estab <= kEstabs; ++estab)
      inss += Percentual(Folha(estab, mes - 1), 20);
    Acrescentar(data, 1, "2.1.03.001", "1.1.01.003", 12, inss,
                "GPS ref. " + MesAno(IncMonth(data, -1)));
    if (FIcmsARecolher > 0)
      Acrescentar(data, 1, "2.1.04.001", "1.1.01.003", 12, FIcmsARecolher,
                  "DARE ICMS ref. " + MesAno(IncMonth(data, -1)));
    if (FIssARecolher > 0)
      Acrescentar(data, 1, "2.1.04.004", "1.1.01.003", 12, FIssARecolher,
                  "Guia ISS ref. " + MesAno(IncMonth(data, -1)));
    FIcmsARecolher = FIssARecolher = 0;
  }
  if (!ultimoDiaUtil)
    return;
  for (int estab = 1; estab <= kEstabs; ++estab) {
    const int64_t folha = Folha(estab, mes);
    Acrescentar(data, estab, "4.2.01.001", "2.1.02.001", 9, folha, "Folha ref. " + MesAno(data));
    Acrescentar(data, estab, "4.2.01.005", "2.1.03.001", 11, Percentual(folha, 20),
                "INSS patronal ref. " + MesAno(data));
    Acrescentar(data, estab, "4.2.01.006", "2.1.03.002", 11, Percentual(folha, 8),
                "FGTS ref. " + MesAno(data));
  }
  for (const TLinhaImobilizado& bem : kImobilizado)
    Acrescentar(data, 1, "4.2.02.009", bem.Depreciacao, 18,
                (bem.Custo * bem.TaxaAnual + 600) / 1200,
                "Depreciação de " + Analitica(bem.Bem).DescrConta + " ref. " + MesAno(data));
  Acrescentar(data, 1, "4.2.05.001", "1.1.01.003", 15, 18'990,
              "Pacote de serviços ref. " + MesAno(data));
  // The month's ICMS: credits on purchases offset the debits on sales; the
  // rest is paid next month.
  const int64_t compensado = std::min(FIcmsDebito, FIcmsCredito);
  if (compensado > 0)
    Acrescentar(data, 1, "2.1.04.001", "1.1.03.003", 12, compensado,
                "Apuração do ICMS ref. " + MesAno(data));
  FIcmsARecolher = FIcmsDebito - compensado;
  FIcmsCredito -= compensado;  // a credit left over carries to next month
  FIcmsDebito = 0;
  FIssARecolher = FIssMes;
  FIssMes = 0;
}

void TGerador::Negocio(TDateTime data) {
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
  const int estab = SortearEstab();
  const auto& clientes = FClientes;
  const auto& fornecedores = FFornecedores;
  const auto banco = [&] {
    const uint64_t x = Sortear(20);
    return kBancos[x < 12 ? 0 : x < 17 ? 1 : 2];
  };
  switch (negocio) {
    case TNegocio::VendaPrazo:
    case TNegocio::VendaVista: {
      const bool prazo = negocio == TNegocio::VendaPrazo;
      const DemoEmpresa::TContaDemo& cliente = *clientes[Sortear(clientes.size())];
      const std::string debito =
          prazo ? cliente.ClassifConta : (Sortear(2) == 0 ? "1.1.01.001" : banco());
      const int64_t valor =
          prazo ? SortearCentavos(30'000, 1'800'000) : SortearCentavos(2'000, 250'000);
      const std::string nota = "NF" + Zeros(FNotaFiscal++, 6);
      const std::string quem = prazo ? " - " + cliente.DescrConta : " - consumidor final";
      Acrescentar(data, estab, debito, "3.1.01.001", prazo ? 2 : 3, valor,
                  "NF-e " + nota.substr(2) + quem, nota);
      const int64_t icms = Percentual(valor, 18);
      FIcmsDebito += icms;
      Acrescentar(data, estab, "3.1.02.001", "2.1.04.001", 13, icms,
                  "ICMS s/ NF-e " + nota.substr(2), nota);
      break;
    }
    case TNegocio::Servico: {
      const DemoEmpresa::TContaDemo& cliente = *clientes[Sortear(clientes.size())];
      const int64_t valor = SortearCentavos(50'000, 900'000);
      const std::string nota = "NFS" + Zeros(FNotaFiscal++, 6);
      Acrescentar(data, estab, cliente.ClassifConta, "3.1.01.002", 4, valor,
                  "NFS-e " + nota.substr(3) + " - " + cliente.DescrConta, nota);
      const int64_t iss = Percentual(valor, 5);
      FIssMes += iss;
      Acrescentar(data, estab, "3.1.02.004", "2.1.04.004", 21, iss,
                  "ISS s/ NFS-e " + nota.substr(3), nota);
      break;
    }
    case TNegocio::Recebimento: {
      const DemoEmpresa::TContaDemo& cliente = *clientes[Sortear(clientes.size())];
      const int64_t duplicata = FNotaFiscal - 1 - static_cast<int64_t>(Sortear(40));
      Acrescentar(data, estab, banco(), cliente.ClassifConta, 5, SortearCentavos(30'000, 1'800'000),
                  "Dup. " + Zeros(duplicata, 6) + "-" + std::to_string(1 + Sortear(3)) + " - " +
                      cliente.DescrConta,
                  "DP" + Zeros(duplicata, 6));
      break;
    }
    case TNegocio::Compra: {
      const DemoEmpresa::TContaDemo& fornecedor = *fornecedores[Sortear(fornecedores.size())];
      const int64_t valor = SortearCentavos(50'000, 2'500'000);
      const std::string nota = "NF" + Zeros(FNotaEntrada++, 6);
      Acrescentar(data, estab, "1.1.04.001", fornecedor.ClassifConta, 6, valor,
                  "NF-e " + nota.substr(2) + " - " + fornecedor.DescrConta, nota);
      const int64_t icms = Percentual(valor, 12);
      FIcmsCredito += icms;
      Acrescentar(data, estab, "1.1.03.003", "1.1.04.001", 14, icms,
                  "ICMS s/ NF-e " + nota.substr(2), nota);
      break;
    }
    case TNegocio::Custo:
      Acrescentar(data, estab, "4.1.01.001", "1.1.04.001", 8, SortearCentavos(60'000, 3'750'000),
                  "Baixa de estoque do dia " + Zeros(DayOf(data), 2) + "/" + MesAno(data));
      break;
    case TNegocio::PagamentoFornecedor: {
      const DemoEmpresa::TContaDemo& fornecedor = *fornecedores[Sortear(fornecedores.size())];
      const int64_t nota = FNotaEntrada - 1 - static_cast<int64_t>(Sortear(30));
      Acrescentar(
          data, estab, fornecedor.ClassifConta, banco(), 7, SortearCentavos(50'000, 2'500'000),
          "Pagto. NF-e " + Zeros(nota, 6) + " - " + fornecedor.DescrConta, "NF" + Zeros(nota, 6));
      break;
    }
    case TNegocio::Despesa: {
      const DemoEmpresa::TContaDemo& despesa = *FDespesas[Sortear(FDespesas.size())];
      const std::string credito = Sortear(4) == 0 ? "1.1.01.001" : banco();
      Acrescentar(data, estab, despesa.ClassifConta, credito, 17, SortearCentavos(5'000, 350'000),
                  despesa.DescrConta + " - recibo " + Zeros(1 + Sortear(9999), 4));
      break;
    }
    case TNegocio::Tarifa: {
      const std::string conta = banco();
      Acrescentar(data, estab, "4.2.05.001", conta, 15, SortearCentavos(250, 9'500),
                  "Tarifa de cobrança - " + Analitica(conta).DescrConta);
      break;
    }
    case TNegocio::Rendimento:
      Acrescentar(data, 1, "1.1.01.006", "3.2.01.003", 16, SortearCentavos(4'000, 90'000),
                  "Rendimento CDB ref. " + MesAno(data));
      break;
    case TNegocio::Suprimento:
      Acrescentar(data, estab, "1.1.01.001", banco(), 20, SortearCentavos(20'000, 200'000),
                  "Saque para suprimento de caixa");
      break;
  }
}

void TGerador::Acrescentar(TDateTime data, int estab, const std::string& deb,
                           const std::string& cred, int historico, int64_t centavos,
                           std::string complemento, std::string documento) {
  Acrescentar(data, estab, Analitica(deb).ContaCtb, Analitica(cred).ContaCtb, historico, centavos,
              std::move(complemento), std::move(documento));
}

void TGerador::Acrescentar(TDateTime data, int estab, int64_t deb, int64_t cred, int historico,
                           int64_t centavos, std::string complemento, std::string documento) {
  TLancamentoDemo lancamento;
  lancamento.CodigoEmpresa = FCodigoEmpresa;
  lancamento.CodigoEstab = estab;
  lancamento.DataLctoCtb = data;
  lancamento.ContaCtbDeb = deb;
  lancamento.ContaCtbCred = cred;
  lancamento.CodigoHistCtb = historico;
  lancamento.ComplHist = std::move(complemento);
  lancamento.ValorLctoCtb = Currency::FromRaw(centavos * (Currency::kScale / 100));
  lancamento.NumeroDcto = std::move(documento);
  // One batch per month, all of them imported.
  lancamento.CodigoLoteCtb = MonthOf(data);
  lancamento.CodigoOrigLctoCtb = "IP";
  FFila.push_back(std::move(lancamento));
}

std::vector<TLancamentoDemo> Gerar(uint64_t seed, int64_t quantidade, int codigoEmpresa) {
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

void EscreverCsv(std::ostream& saida, uint64_t seed, int64_t quantidade, int codigoEmpresa) {
  saida << CabecalhoCsv() << '\n';
  TGerador gerador(seed, quantidade, codigoEmpresa);
  TLancamentoDemo lancamento;
  while (gerador.Proximo(lancamento))
    saida << LinhaCsv(lancamento) << '\n';
}

}  // namespace DemoLancamentos
