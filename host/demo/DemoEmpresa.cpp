#include "host/demo/DemoEmpresa.h"

#include "schema/SchemaInstaller.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"
#include "framework/db/TnDMConexao.h"
#include "host/commands/ComandoRecord.h"
#include "host/reports/ComandoBalancete.h"
#include "schema/SchemaInstaller.h"

namespace DemoEmpresa {

namespace {

// ---------------------------------------------------------------------------
// The registers, as a person would key them
// ---------------------------------------------------------------------------

struct TLinhaPlano {
  const char* Classif;
  const char* Descr;
  const char* Apelido;
};

// Assets, liabilities and equity, revenue, costs and expenses, and the
// calculated result accounts. An account is synthetic when another account
// lies below it; the calculated ones sit under 5.1.01.
const TLinhaPlano kPlano[] = {
    {"1", "ATIVO", ""},
    {"1.1", "ATIVO CIRCULANTE", ""},
    {"1.1.01", "DISPONÍVEL", ""},
    {"1.1.01.001", "Caixa Geral", "CAIXA"},
    {"1.1.01.002", "Fundo Fixo de Caixa", "FUNDOFIXO"},
    {"1.1.01.003", "Banco do Brasil S.A. - C/C", "BANCO"},
    {"1.1.01.004", "Banco Itaú S.A. - C/C", "ITAU"},
    {"1.1.01.005", "Banco Bradesco S.A. - C/C", "BRADESCO"},
    {"1.1.01.006", "Aplicações Financeiras de Liquidez Imediata", "APLICACAO"},
    {"1.1.02", "CLIENTES", ""},
    {"1.1.02.001", "Supermercado Bom Preço Ltda", ""},
    {"1.1.02.002", "Comercial Santa Luzia Ltda", ""},
    {"1.1.02.003", "Atacadão do Vale Ltda", ""},
    {"1.1.02.004", "Padaria e Confeitaria Aurora ME", ""},
    {"1.1.02.005", "Restaurante Sabor Mineiro Ltda", ""},
    {"1.1.02.006", "Mercearia São Jorge ME", ""},
    {"1.1.02.007", "Rede Farma Popular S.A.", ""},
    {"1.1.02.008", "Hotel Serra Verde Ltda", ""},
    {"1.1.03", "OUTROS CRÉDITOS", ""},
    {"1.1.03.001", "Adiantamentos a Fornecedores", ""},
    {"1.1.03.002", "Adiantamentos a Empregados", ""},
    {"1.1.03.003", "ICMS a Recuperar", "ICMSREC"},
    {"1.1.03.004", "PIS a Recuperar", ""},
    {"1.1.03.005", "COFINS a Recuperar", ""},
    {"1.1.03.006", "IRRF a Compensar", ""},
    {"1.1.04", "ESTOQUES", ""},
    {"1.1.04.001", "Mercadorias para Revenda", "ESTOQUE"},
    {"1.1.04.002", "Material de Embalagem", ""},
    {"1.1.04.003", "Material de Consumo", ""},
    {"1.2", "ATIVO NÃO CIRCULANTE", ""},
    {"1.2.01", "REALIZÁVEL A LONGO PRAZO", ""},
    {"1.2.01.001", "Depósitos Judiciais", ""},
    {"1.2.01.002", "Empréstimos a Sócios", ""},
    {"1.2.03", "IMOBILIZADO", ""},
    {"1.2.03.001", "Terrenos", ""},
    {"1.2.03.002", "Edificações", ""},
    {"1.2.03.003", "Máquinas e Equipamentos", "MAQUINAS"},
    {"1.2.03.004", "Móveis e Utensílios", "MOVEIS"},
    {"1.2.03.005", "Veículos", "VEICULOS"},
    {"1.2.03.006", "Computadores e Periféricos", "COMPUTADORES"},
    {"1.2.04", "(-) DEPRECIAÇÃO ACUMULADA", ""},
    {"1.2.04.001", "(-) Depreciação Acumulada de Edificações", ""},
    {"1.2.04.002", "(-) Depreciação Acumulada de Máquinas", ""},
    {"1.2.04.003", "(-) Depreciação Acumulada de Móveis", ""},
    {"1.2.04.004", "(-) Depreciação Acumulada de Veículos", ""},
    {"1.2.04.005", "(-) Depreciação Acumulada de Computadores", ""},
    {"1.2.05", "INTANGÍVEL", ""},
    {"1.2.05.001", "Softwares", ""},
    {"1.2.05.002", "Marcas e Patentes", ""},

    {"2", "PASSIVO", ""},
    {"2.1", "PASSIVO CIRCULANTE", ""},
    {"2.1.01", "FORNECEDORES", ""},
    {"2.1.01.001", "Distribuidora Paulista de Alimentos Ltda", ""},
    {"2.1.01.002", "Laticínios Serra Azul Ltda", ""},
    {"2.1.01.003", "Indústria de Bebidas Guaraná Sul S.A.", ""},
    {"2.1.01.004", "Embalagens Rio Claro Ltda", ""},
    {"2.1.01.005", "Frigorífico Boi Gordo Ltda", ""},
    {"2.1.01.006", "Moinho Três Irmãos Ltda", ""},
    {"2.1.01.007", "Transportadora Rota Certa Ltda", ""},
    {"2.1.01.008", "Papelaria Central ME", ""},
    {"2.1.02", "OBRIGAÇÕES TRABALHISTAS", ""},
    {"2.1.02.001", "Salários a Pagar", "SALARIOS"},
    {"2.1.02.002", "Férias a Pagar", ""},
    {"2.1.02.003", "13º Salário a Pagar", ""},
    {"2.1.02.004", "Pró-labore a Pagar", ""},
    {"2.1.03", "ENCARGOS SOCIAIS A RECOLHER", ""},
    {"2.1.03.001", "INSS a Recolher", "INSS"},
    {"2.1.03.002", "FGTS a Recolher", "FGTS"},
    {"2.1.03.003", "IRRF sobre Salários a Recolher", "IRRF"},
    {"2.1.04", "OBRIGAÇÕES TRIBUTÁRIAS", ""},
    {"2.1.04.001", "ICMS a Recolher", "ICMS"},
    {"2.1.04.002", "PIS a Recolher", "PIS"},
    {"2.1.04.003", "COFINS a Recolher", "COFINS"},
    {"2.1.04.004", "ISS a Recolher", "ISS"},
    {"2.1.04.005", "IRPJ a Recolher", ""},
    {"2.1.04.006", "CSLL a Recolher", ""},
    {"2.1.05", "EMPRÉSTIMOS E FINANCIAMENTOS", ""},
    {"2.1.05.001", "Empréstimos Bancários", ""},
    {"2.1.05.002", "Capital de Giro", ""},
    {"2.1.06", "OUTRAS OBRIGAÇÕES", ""},
    {"2.1.06.001", "Aluguéis a Pagar", ""},
    {"2.1.06.002", "Contas de Consumo a Pagar", ""},
    {"2.1.06.003", "Adiantamentos de Clientes", ""},
    {"2.2", "PASSIVO NÃO CIRCULANTE", ""},
    {"2.2.01", "EMPRÉSTIMOS E FINANCIAMENTOS A LONGO PRAZO", ""},
    {"2.2.01.001", "Financiamento BNDES", ""},
    {"2.2.01.002", "Empréstimos de Sócios", ""},
    {"2.3", "PATRIMÔNIO LÍQUIDO", ""},
    {"2.3.01", "CAPITAL SOCIAL", ""},
    {"2.3.01.001", "Capital Subscrito", "CAPITAL"},
    {"2.3.01.002", "(-) Capital a Integralizar", ""},
    {"2.3.03", "LUCROS OU PREJUÍZOS ACUMULADOS", ""},
    {"2.3.03.001", "Lucros Acumulados", ""},
    {"2.3.03.002", "(-) Prejuízos Acumulados", ""},

    {"3", "RECEITAS", ""},
    {"3.1", "RECEITA OPERACIONAL", ""},
    {"3.1.01", "RECEITA BRUTA", ""},
    {"3.1.01.001", "Venda de Mercadorias", "VENDAS"},
    {"3.1.01.002", "Prestação de Serviços", "SERVICOS"},
    {"3.1.02", "(-) DEDUÇÕES DA RECEITA BRUTA", ""},
    {"3.1.02.001", "ICMS sobre Vendas", ""},
    {"3.1.02.002", "PIS sobre Faturamento", ""},
    {"3.1.02.003", "COFINS sobre Faturamento", ""},
    {"3.1.02.004", "ISS sobre Serviços", ""},
    {"3.1.02.005", "Devoluções de Vendas", ""},
    {"3.2", "OUTRAS RECEITAS", ""},
    {"3.2.01", "RECEITAS FINANCEIRAS", ""},
    {"3.2.01.001", "Juros Recebidos", ""},
    {"3.2.01.002", "Descontos Obtidos", ""},
    {"3.2.01.003", "Rendimentos de Aplicações Financeiras", "RENDIMENTOS"},

    {"4", "CUSTOS E DESPESAS", ""},
    {"4.1", "CUSTOS", ""},
    {"4.1.01", "CUSTO DAS VENDAS", ""},
    {"4.1.01.001", "Custo das Mercadorias Vendidas", "CMV"},
    {"4.1.01.002", "Custo dos Serviços Prestados", ""},
    {"4.2", "DESPESAS OPERACIONAIS", ""},
    {"4.2.01", "DESPESAS COM PESSOAL", ""},
    {"4.2.01.001", "Salários e Ordenados", "DESPSALARIOS"},
    {"4.2.01.002", "Pró-labore", ""},
    {"4.2.01.003", "Férias", ""},
    {"4.2.01.004", "13º Salário", ""},
    {"4.2.01.005", "INSS Patronal", ""},
    {"4.2.01.006", "FGTS", ""},
    {"4.2.01.007", "Vale-Transporte", ""},
    {"4.2.01.008", "Vale-Refeição", ""},
    {"4.2.02", "DESPESAS ADMINISTRATIVAS", ""},
    {"4.2.02.001", "Aluguéis", "ALUGUEL"},
    {"4.2.02.002", "Energia Elétrica", ""},
    {"4.2.02.003", "Água e Esgoto", ""},
    {"4.2.02.004", "Telefone e Internet", ""},
    {"4.2.02.005", "Material de Escritório", ""},
    {"4.2.02.006", "Honorários Contábeis", ""},
    {"4.2.02.007", "Seguros", ""},
    {"4.2.02.008", "Manutenção e Reparos", ""},
    {"4.2.02.009", "Depreciação", "DEPRECIACAO"},
    {"4.2.02.010", "Limpeza e Conservação", ""},
    {"4.2.03", "DESPESAS COMERCIAIS", ""},
    {"4.2.03.001", "Comissões sobre Vendas", ""},
    {"4.2.03.002", "Propaganda e Publicidade", ""},
    {"4.2.03.003", "Fretes sobre Vendas", ""},
    {"4.2.03.004", "Combustíveis", ""},
    {"4.2.03.005", "Viagens e Estadias", ""},
    {"4.2.04", "DESPESAS TRIBUTÁRIAS", ""},
    {"4.2.04.001", "IPTU", ""},
    {"4.2.04.002", "IPVA e Licenciamento", ""},
    {"4.2.04.003", "Taxas e Contribuições", ""},
    {"4.2.05", "DESPESAS FINANCEIRAS", ""},
    {"4.2.05.001", "Tarifas Bancárias", "TARIFAS"},
    {"4.2.05.002", "Juros Pagos", ""},
    {"4.2.05.003", "Descontos Concedidos", ""},
    {"4.2.05.004", "IOF", ""},
    {"4.3", "PROVISÃO PARA TRIBUTOS SOBRE O LUCRO", ""},
    {"4.3.01", "TRIBUTOS SOBRE O LUCRO", ""},
    {"4.3.01.001", "Imposto de Renda Pessoa Jurídica", ""},
    {"4.3.01.002", "Contribuição Social sobre o Lucro", ""},

    {"5", "RESULTADO DO EXERCÍCIO", ""},
    {"5.1", "DEMONSTRAÇÃO DO RESULTADO", ""},
    {"5.1.01", "RESULTADOS CALCULADOS", ""},
    {"5.1.01.001", "Receita Líquida", "RECLIQUIDA"},
    {"5.1.01.002", "Lucro Bruto", "LUCROBRUTO"},
    {"5.1.01.003", "Resultado Operacional", "RESOPERACIONAL"},
    {"5.1.01.004", "Resultado Líquido do Exercício", "RESLIQUIDO"},
};

constexpr std::string_view kClassifCalculadas = "5.1.01.";

// Nature by classification prefix; the longest prefix wins. A reducing
// account (accumulated depreciation, revenue deductions, capital not paid in,
// accumulated losses) keeps the nature of its group, so its balance shows
// with the opposite sign and every group total is the plain sum of its
// accounts' balances, as an accountant reads the trial balance.
struct TLinhaNatureza {
  const char* Classif;
  int Natureza;
};
const TLinhaNatureza kNaturezas[] = {
    {"1", 1}, {"2", -1}, {"3", -1}, {"4", 1}, {"5", -1},
};

// Which groups make the balance sheet (assets, liabilities, equity) and each
// section of the income statement (gross revenue, deductions, costs,
// operating expenses, financial result, income taxes); the longest prefix
// wins, so the financial expenses leave the operating ones.
struct TLinhaGrupoDemonstracao {
  const char* Classif;
  const char* Tipo;
};
const TLinhaGrupoDemonstracao kGruposDemonstracao[] = {
    {"1", "A"},   {"2", "P"},   {"2.3", "L"}, {"3.1.01", "R"}, {"3.1.02", "E"},
    {"3.2", "F"}, {"4.1", "C"}, {"4.2", "D"}, {"4.2.05", "F"}, {"4.3", "I"},
};

// Calculated accounts: each takes the listed (mostly synthetic) accounts,
// adding (1) or subtracting (2) their balances, which follow each group's
// nature, so revenue and costs are both positive, the revenue deductions
// negative inside revenue, and a profit is positive.
struct TLinhaCalculo {
  const char* Conta;
  const char* Componente;
  int Operacao;
};
const TLinhaCalculo kCalculos[] = {
    {"5.1.01.001", "3.1", 1}, {"5.1.01.002", "3.1", 1}, {"5.1.01.002", "4.1", 2},
    {"5.1.01.003", "3.1", 1}, {"5.1.01.003", "4.1", 2}, {"5.1.01.003", "4.2", 2},
    {"5.1.01.004", "3", 1},   {"5.1.01.004", "4", 2},
};

const char* const kClassifCliente = "1.1.02";
const char* const kClassifFornecedor = "2.1.01";

struct TLinhaEstab {
  int CodigoEstab;
  const char* Nome;
  const char* Cidade;
};
const TLinhaEstab kEstabs[] = {
    {1, "Matriz", "São Paulo - SP"},
    {2, "Filial Campinas", "Campinas - SP"},
    {3, "Filial Curitiba", "Curitiba - PR"},
};

const char* const kNomesEmpresa[] = {
    "Distribuidora Horizonte Comércio de Alimentos Ltda",
    "Comercial Ipê Amarelo Ltda",
    "Casa Nova Atacado e Varejo Ltda",
    "Empório Litoral Sul Ltda",
};

// Standard histories; the bracketed tokens are filled with the debit or
// credit account's description or the entry's month when an entry is keyed.
struct TLinhaHistorico {
  int Codigo;
  const char* Descr;
  int Grupo;
};
const TLinhaHistorico kHistoricos[] = {
    {1, "Integralização de capital social", 6},
    {2, "Venda de mercadorias a prazo a [DICTEXTOCONTADEB]", 1},
    {3, "Venda de mercadorias à vista", 1},
    {4, "Prestação de serviços a [DICTEXTOCONTADEB]", 1},
    {5, "Recebimento de [DICTEXTOCONTACRED]", 1},
    {6, "Compra de mercadorias de [DICTEXTOCONTACRED]", 2},
    {7, "Pagamento a [DICTEXTOCONTADEB]", 2},
    {8, "Baixa do custo das mercadorias vendidas", 2},
    {9, "Folha de pagamento ref. [DICDATAMESANOATUAL]", 3},
    {10, "Pagamento de salários ref. [DICDATAMESANOANTERIOR]", 3},
    {11, "Encargos sociais ref. [DICDATAMESANOATUAL]", 3},
    {12, "Recolhimento de [DICTEXTOCONTADEBLOWER] ref. [DICDATAMESANOANTERIOR]", 4},
    {13, "ICMS destacado nas vendas", 4},
    {14, "ICMS sobre compras a recuperar", 4},
    {15, "Tarifas bancárias [DICTEXTOCONTACREDUPPER]", 5},
    {16, "Rendimento de aplicação financeira", 5},
    {17, "Pagamento de [DICTEXTOCONTADEBLOWER]", 6},
    {18, "Depreciação ref. [DICDATAMESANOATUAL]", 6},
    {19, "Aquisição de [DICTEXTOCONTADEBLOWER]", 6},
    {20, "Suprimento de caixa", 5},
    {21, "ISS sobre serviços prestados", 4},
    {22, "Transferência entre contas bancárias", 5},
    {23, "Depósito bancário", 5},
    {24, "Empréstimo bancário contratado", 5},
    {25, "Amortização de empréstimo", 5},
    {26, "Juros sobre empréstimos", 5},
    {27, "Provisão de tributos sobre o lucro", 4},
};

struct TLinhaOrigem {
  const char* Codigo;
  const char* Descr;
};
const TLinhaOrigem kOrigens[] = {
    {"CB", "Contabilidade"},        {"IP", "Importação de lançamentos"},
    {"CP", "Contas a Pagar"},       {"CR", "Contas a Receber"},
    {"FI", "Escrita Fiscal"},       {"FP", "Folha de Pagamento"},
    {"TV", "Tesouraria e Vendas"},  {"CT", "Controle de Tributos"},
    {"AA", "Ajustes de Auditoria"},
};

struct TLinhaCentroCusto {
  int64_t Codigo;
  const char* Descr;
  int Tipo;  // 1 synthetic, 2 analytic
};
const TLinhaCentroCusto kCentrosCusto[] = {
    {1, "ADMINISTRAÇÃO", 1},      {101, "Diretoria", 2}, {102, "Financeiro", 2},
    {103, "Recursos Humanos", 2}, {2, "COMERCIAL", 1},   {201, "Vendas", 2},
    {202, "Marketing", 2},        {3, "OPERAÇÕES", 1},   {301, "Logística", 2},
    {302, "Armazém", 2},
};

// Groups of accounts that take cost centres, each with the apportionment
// every analytic account below it receives (percentages add to 100).
struct TLinhaRateio {
  const char* Classif;
  int64_t Codigo;  // the cost centre (or the activity, in an activity plan)
  double Percentual;
};
const TLinhaRateio kRateios[] = {
    {"4.2.01", 101, 10}, {"4.2.01", 102, 15}, {"4.2.01", 103, 10}, {"4.2.01", 201, 30},
    {"4.2.01", 301, 20}, {"4.2.01", 302, 15}, {"4.2.02", 101, 25}, {"4.2.02", 102, 25},
    {"4.2.02", 103, 10}, {"4.2.02", 201, 15}, {"4.2.02", 302, 25}, {"4.2.03", 201, 60},
    {"4.2.03", 202, 25}, {"4.2.03", 301, 15},
};

// The activities of the IFRS demo company and the plan that details the
// entries of each group by them (percentages add to 100 per group).
struct TLinhaAtividade {
  int64_t Codigo;
  const char* Descr;
  int MesInicial;  // valid from the first day of this month to the year's end
};
const TLinhaAtividade kAtividades[] = {
    {1, "Comercial", 1},
    {2, "Industrial", 7},
    {3, "Administrativa", 1},
};
const TLinhaRateio kPlanoAtividades[] = {
    {"3.1.01", 1, 70}, {"3.1.01", 2, 30}, {"4.2.01", 1, 40}, {"4.2.01", 3, 60}, {"4.2.02", 3, 100},
};

struct TLinhaUsuario {
  int Codigo;
  const char* Nome;
  bool Administrador;
};
const TLinhaUsuario kUsuarios[] = {
    {1, "admin", true},
    {2, "operador", false},
};

const char* const kMeses[] = {"janeiro",  "fevereiro", "março",    "abril",
                              "maio",     "junho",     "julho",    "agosto",
                              "setembro", "outubro",   "novembro", "dezembro"};

// ---------------------------------------------------------------------------

std::vector<TContaDemo> MontarPlano() {
  std::vector<TContaDemo> plano;
  for (const TLinhaPlano& linha : kPlano) {
    TContaDemo conta;
    conta.ClassifConta = linha.Classif;
    conta.ContaCtb = ContaDaClassificacao(conta.ClassifConta);
    conta.DescrConta = linha.Descr;
    conta.ApelidoConta = linha.Apelido;
    conta.Calculada = conta.ClassifConta.starts_with(kClassifCalculadas);
    plano.push_back(std::move(conta));
  }
  std::sort(plano.begin(), plano.end(), [](const TContaDemo& a, const TContaDemo& b) {
    return a.ClassifConta < b.ClassifConta;
  });
  // In classification order a synthetic account is followed by its children.
  for (size_t i = 0; i + 1 < plano.size(); ++i)
    if (plano[i + 1].ClassifConta.starts_with(plano[i].ClassifConta + "."))
      plano[i].TipoConta = 1;
  return plano;
}

// A CNPJ with valid check digits: eight digits of the company, four of the
// establishment, two check digits (modulo 11, weights 5..2 then 9..2).
std::string Cnpj(int64_t codigoEmpresa, int codigoEstab) {
  std::string numero = std::to_string(12345000 + codigoEmpresa * 17);
  numero = std::string(8 - numero.size(), '0') + numero;
  const std::string filial = std::to_string(codigoEstab);
  numero += std::string(4 - filial.size(), '0') + filial;
  for (int tamanho : {12, 13}) {
    int soma = 0;
    for (int i = 0; i < tamanho; ++i)
      soma += (numero[i] - '0') * (2 + (tamanho - 1 - i) % 8);
    const int resto = soma % 11;
    numero += static_cast<char>('0' + (resto < 2 ? 0 : 11 - resto));
  }
  return numero.substr(0, 2) + "." + numero.substr(2, 3) + "." + numero.substr(5, 3) + "/" +
         numero.substr(8, 4) + "-" + numero.substr(12, 2);
}

// The setup's statements wait here and go to the database together: none
// of them reads what another wrote, and one exchange with a server carries
// hundreds of them.
class TEscritor {
 public:
  TEscritor(TnDMConexao& conexao, int64_t codigoEmpresa)
      : FConexao(conexao), FEmpresa(codigoEmpresa) {}

  void Executar(const std::string& sql, TParams params = {}) {
    params.emplace_back("pEmpresa", Value(FEmpresa));
    FPendentes.push_back({sql, std::move(params)});
  }
  // Inserts a row shared by every company unless its key is already there.
  void InserirGlobal(const std::string& insert, const TParams& params) {
    FPendentes.push_back({insert + " on conflict do nothing", params});
  }
  // Sends what waits; raises the first failure.
  void Enviar() {
    const TnDMConexao::TResultadoLote lote = FConexao.ExecuteBatch(FPendentes);
    FPendentes.clear();
    if (lote.Erro)
      std::rethrow_exception(lote.Erro);
  }

 private:
  TnDMConexao& FConexao;
  int64_t FEmpresa;
  std::vector<TnDMConexao::TComando> FPendentes;
};

Value Data(int mes, int dia) {
  return Value(EncodeDate(kAnoExercicio, mes, dia));
}

void ApagarEmpresa(TEscritor& escritor) {
  // Children before parents, so the order also suits foreign keys.
  for (const char* tabela :
       {"ATIVDIFERENCPLESPECRATEIO", "ATIVDIFERENC", "OPCAOIFRSMODELO", "OPCAOIFRS",
        "RATCENTROCUSTO", "PLESPECCENCUS", "CENTROCUSTO", "CALCPLANOESPEC", "CFGPLANOESPECPESSOA",
        "CFGPLANOESPEC", "GRUPODEMONSCTB", "NATUREZAGRUPO", "PLANOESPEC", "LOTECTB",
        "EXERCICIOSOCIALCTB", "CFGEMPRESACTB", "EMPRESAUSUARIO", "ESTAB", "EMPRESA"})
    escritor.Executar(std::string("delete from ") + tabela + " where CODIGOEMPRESA = :pEmpresa");
}

void GravarEmpresa(TEscritor& escritor, int64_t codigoEmpresa) {
  const char* nome = kNomesEmpresa[(codigoEmpresa - 1 + 400) % 4];
  escritor.Executar("insert into EMPRESA (CODIGOEMPRESA, NOMEEMPRESA) values (:pEmpresa, :pNome)",
                    {{"pNome", Value(nome)}});
  for (const TLinhaEstab& estab : kEstabs)
    escritor.Executar(
        "insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB, INSCRFEDERAL, CAEPF) "
        "values (:pEmpresa, :pEstab, :pNome, :pCnpj, 0)",
        {{"pEstab", Value(estab.CodigoEstab)},
         {"pNome", Value(std::string(estab.Nome) + " - " + estab.Cidade)},
         {"pCnpj", Value(Cnpj(codigoEmpresa, estab.CodigoEstab))}});
  escritor.Executar(
      "insert into CFGEMPRESACTB (CODIGOEMPRESA, DATAINICIALEXERC, DATAFINALEXERC, "
      "UTILORIGEMLCTOCTB, UTILNUMERODCTO, UTILLOTE, UTILCENTROCUSTO, INICIOUTILCENTROCUSTO, "
      "UTILDIFLANCAMENTO, TIPOEXIBETITULOSALDO, DATAINICIALLCTOUSU, DATAFINALLCTOUSU, "
      "UTILULTIMOSLCTO, INFORMACODIGOSYN) values (:pEmpresa, :pIni, :pFim, '1', '1', '1', '1', "
      ":pIni, '1', 1, :pIniUsu, :pFim, '1', '0')",
      {{"pIni", Data(1, 1)}, {"pFim", Data(12, 31)}, {"pIniUsu", Data(7, 1)}});
  escritor.Executar(
      "insert into EXERCICIOSOCIALCTB (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, SITUACAO) "
      "values (:pEmpresa, :pIni, :pFim, 0)",
      {{"pIni", Data(1, 1)}, {"pFim", Data(12, 31)}});
}

void GravarPlano(TEscritor& escritor) {
  for (const TContaDemo& conta : PlanoContas())
    escritor.Executar(
        "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
        "TIPOCONTACALC, APELIDOCONTA, TIPOCONTROLECONTABIL, ENTRABALANCO) values (:pEmpresa, "
        ":pConta, :pClassif, :pDescr, :pTipo, :pCalc, :pApelido, 'LN', :pBalanco)",
        {{"pConta", Value(conta.ContaCtb)},
         {"pClassif", Value(conta.ClassifConta)},
         {"pDescr", Value(conta.DescrConta)},
         {"pTipo", Value(conta.TipoConta)},
         {"pCalc", conta.Calculada ? Value(2) : Value()},
         {"pApelido", conta.ApelidoConta.empty() ? Value() : Value(conta.ApelidoConta)},
         // Assets, liabilities and equity make the balance sheet.
         {"pBalanco", Value(conta.ClassifConta[0] <= '2' ? "1" : "0")}});
  for (const TLinhaNatureza& natureza : kNaturezas)
    escritor.Executar(
        "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) "
        "values (:pEmpresa, :pClassif, :pNatureza)",
        {{"pClassif", Value(natureza.Classif)}, {"pNatureza", Value(natureza.Natureza)}});
  for (const TLinhaGrupoDemonstracao& grupo : kGruposDemonstracao)
    escritor.Executar(
        "insert into GRUPODEMONSCTB (CODIGOEMPRESA, CLASSIFGRUPO, TIPOGRUPO) "
        "values (:pEmpresa, :pClassif, :pTipo)",
        {{"pClassif", Value(grupo.Classif)}, {"pTipo", Value(grupo.Tipo)}});
  for (const TLinhaCalculo& calculo : kCalculos)
    escritor.Executar(
        "insert into CALCPLANOESPEC (CODIGOEMPRESA, CONTACTB, CONTACTBCALC, OPERACAO) "
        "values (:pEmpresa, :pConta, :pComponente, :pOperacao)",
        {{"pConta", Value(Conta(calculo.Conta).ContaCtb)},
         {"pComponente", Value(Conta(calculo.Componente).ContaCtb)},
         {"pOperacao", Value(calculo.Operacao)}});
  // The customer and supplier groups, and every person's own account, so the
  // trial balance can fold them when asked not to detail them.
  escritor.Executar(
      "insert into CFGPLANOESPEC (CODIGOEMPRESA, CLASSIFCLIENTE, CLASSIFFORNEC) "
      "values (:pEmpresa, :pCliente, :pFornecedor)",
      {{"pCliente", Value(kClassifCliente)}, {"pFornecedor", Value(kClassifFornecedor)}});
  for (const char* grupo : {kClassifCliente, kClassifFornecedor})
    for (const TContaDemo* conta : Analiticas(grupo))
      escritor.Executar(
          "insert into CFGPLANOESPECPESSOA (CODIGOEMPRESA, CLASSIFCONTA) "
          "values (:pEmpresa, :pClassif)",
          {{"pClassif", Value(conta->ClassifConta)}});
}

void GravarCentrosCusto(TEscritor& escritor) {
  for (const TLinhaCentroCusto& centro : kCentrosCusto)
    escritor.Executar(
        "insert into CENTROCUSTO (CODIGOEMPRESA, CODIGOCENTROCUSTO, DESCRCENTROCUSTO, "
        "TIPOCENTROCUSTO) values (:pEmpresa, :pCentro, :pDescr, :pTipo)",
        {{"pCentro", Value(centro.Codigo)},
         {"pDescr", Value(centro.Descr)},
         {"pTipo", Value(centro.Tipo)}});
  std::vector<std::string> grupos;
  for (const TLinhaRateio& rateio : kRateios)
    if (std::find(grupos.begin(), grupos.end(), rateio.Classif) == grupos.end())
      grupos.push_back(rateio.Classif);
  for (const std::string& grupo : grupos)
    escritor.Executar(
        "insert into PLESPECCENCUS (CODIGOEMPRESA, CONTACTB) values (:pEmpresa, :pConta)",
        {{"pConta", Value(Conta(grupo).ContaCtb)}});
  for (const TLinhaRateio& rateio : kRateios)
    for (const TContaDemo* conta : Analiticas(rateio.Classif))
      escritor.Executar(
          "insert into RATCENTROCUSTO (CODIGOEMPRESA, CONTACTB, CODIGOCENTROCUSTO, PERCRATEIO) "
          "values (:pEmpresa, :pConta, :pCentro, :pPercentual)",
          {{"pConta", Value(conta->ContaCtb)},
           {"pCentro", Value(rateio.Codigo)},
           {"pPercentual", Value(rateio.Percentual)}});
}

void GravarLotes(TEscritor& escritor) {
  // One batch per month for the imported entries, and one open batch for the
  // whole year for the entries keyed by hand.
  for (int mes = 1; mes <= 12; ++mes)
    escritor.Executar(
        "insert into LOTECTB (CODIGOEMPRESA, CODIGOLOTECTB, DESCRLOTECTB, DATAINICIALLOTECTB, "
        "DATAFINALLOTECTB, SITUACAOLOTECTB, CODIGOORIGLCTOCTB) values (:pEmpresa, :pLote, "
        ":pDescr, :pIni, :pFim, '0', 'IP')",
        {{"pLote", Value(mes)},
         {"pDescr", Value(std::string("Importação de ") + kMeses[mes - 1] + " de " +
                          std::to_string(kAnoExercicio))},
         {"pIni", Data(mes, 1)},
         {"pFim", Data(mes, DaysInAMonth(kAnoExercicio, mes))}});
  escritor.Executar(
      "insert into LOTECTB (CODIGOEMPRESA, CODIGOLOTECTB, DESCRLOTECTB, DATAINICIALLOTECTB, "
      "DATAFINALLOTECTB, SITUACAOLOTECTB, CODIGOORIGLCTOCTB) values (:pEmpresa, 13, "
      "'Lançamentos manuais', :pIni, :pFim, '0', 'CB')",
      {{"pIni", Data(1, 1)}, {"pFim", Data(12, 31)}});
}

void GravarRegistrosGlobais(TEscritor& escritor) {
  for (const TLinhaHistorico& historico : kHistoricos)
    escritor.InserirGlobal(
        "insert into HISTORICOCTB (CODIGOHISTCTB, DESCRHISTCTB, CODIGOGRUPOHISTCTB, STATUS) "
        "values (:pCodigo, :pDescr, :pGrupo, 0)",
        {{"pCodigo", Value(historico.Codigo)},
         {"pDescr", Value(historico.Descr)},
         {"pGrupo", Value(historico.Grupo)}});
  for (const TLinhaOrigem& origem : kOrigens)
    escritor.InserirGlobal(
        "insert into ORIGEMLCTOCTB (CODIGOORIGLCTOCTB, DESCRORIGLCTOCTB) values "
        "(:pCodigo, :pDescr)",
        {{"pCodigo", Value(origem.Codigo)}, {"pDescr", Value(origem.Descr)}});
  escritor.InserirGlobal(
      "insert into OPCAOSISTEMA (CODIGOOPCAOSISTEMA, NAOMOSTRALCTOGERRAT) "
      "values (:pCodigo, '0')",
      {{"pCodigo", Value(1)}});
  escritor.InserirGlobal(
      "insert into MOEDA (CODIGOMOEDA, DESCRMOEDA, CIFRAOUSIMBOLO) "
      "values (:pCodigo, 'Real', 'R$')",
      {{"pCodigo", Value(1)}});
  for (const TLinhaUsuario& usuario : kUsuarios) {
    escritor.InserirGlobal(
        "insert into USUARIO (CODIGOUSUARIO, NOMEUSUARIO) "
        "values (:pUsuario, :pNome)",
        {{"pUsuario", Value(usuario.Codigo)}, {"pNome", Value(usuario.Nome)}});
    // The operator may key entries only inside the company's user window
    // and may not touch other modules' entries; the rest is lifted.
    for (const std::string& direito : Direitos()) {
      const bool restrito =
          !usuario.Administrador &&
          (direito == "DireitoLctoCtb" || direito == "DireitoAlterarLctoOutroModulo" ||
           direito == "DireitoLctoIgual" || direito == "DireitoRestaurarLancamentoExcluido" ||
           direito == SchemaInstaller::kDireitoAdministrarUsuarios);
      escritor.InserirGlobal(
          "insert into DIREITOUSUARIO (CODIGOUSUARIO, NOMEDIREITO, NIVEL) "
          "values (:pUsuario, :pDireito, :pNivel)",
          {{"pUsuario", Value(usuario.Codigo)},
           {"pDireito", Value(direito)},
           {"pNivel", Value(restrito ? "1" : "8")}});
    }
  }
}

void GravarUsuariosEmpresa(TEscritor& escritor) {
  for (const TLinhaUsuario& usuario : kUsuarios)
    escritor.Executar(
        "insert into EMPRESAUSUARIO (CODIGOEMPRESA, CODIGOUSUARIO) values (:pEmpresa, :pUsuario)",
        {{"pUsuario", Value(usuario.Codigo)}});
}

}  // namespace

const std::vector<TContaDemo>& PlanoContas() {
  static const std::vector<TContaDemo> plano = MontarPlano();
  return plano;
}

int64_t ContaDaClassificacao(const std::string& classif) {
  int64_t codigo = 0;
  for (char c : classif)
    if (c >= '0' && c <= '9')
      codigo = codigo * 10 + (c - '0');
  return codigo;
}

const TContaDemo& Conta(const std::string& classif) {
  static const std::map<std::string, const TContaDemo*> porClassif = [] {
    std::map<std::string, const TContaDemo*> mapa;
    for (const TContaDemo& conta : PlanoContas())
      mapa.emplace(conta.ClassifConta, &conta);
    return mapa;
  }();
  auto it = porClassif.find(classif);
  if (it == porClassif.end())
    throw Exception("Conta de classificação " + classif + " não existe no plano de demonstração");
  return *it->second;
}

std::vector<const TContaDemo*> Analiticas(const std::string& classifPai) {
  std::vector<const TContaDemo*> contas;
  const std::string prefixo = classifPai + ".";
  for (const TContaDemo& conta : PlanoContas())
    if (conta.TipoConta == 2 && conta.ClassifConta.starts_with(prefixo) &&
        conta.ClassifConta.find('.', prefixo.size()) == std::string::npos)
      contas.push_back(&conta);
  return contas;
}

int Natureza(const std::string& classif) {
  size_t melhor = 0;
  int natureza = 0;
  for (const TLinhaNatureza& linha : kNaturezas) {
    const std::string grupo = linha.Classif;
    const bool cobre = classif == grupo || classif.starts_with(grupo + ".");
    if (cobre && grupo.size() > melhor) {
      melhor = grupo.size();
      natureza = linha.Natureza;
    }
  }
  return natureza;
}

const std::vector<std::string>& Direitos() {
  static const std::vector<std::string> direitos = {
      "DireitoLctoCtb",
      "DireitoLctoIgual",
      "DireitoAlterarLctoOutroModulo",
      "DireitoControleDataLctosTransacao",
      "DireitoControlaExclusaoLctosTransacao",
      "DireitoControlaLancamentoExcluido",
      "DireitoRestaurarLancamentoExcluido",
      "DireitoAlteraDadoFixoLancamentoProg",
      ComandoBalancete::kDireitoConsulta,
      SchemaInstaller::kDireitoAdministrarUsuarios,
  };
  static const std::vector<std::string> comAcoes = [] {
    std::vector<std::string> todos = direitos;
    // The screens of the package: both users open every one.
    for (const std::string& acao : ComandoRecord::DireitosAcoes())
      if (std::find(todos.begin(), todos.end(), acao) == todos.end())
        todos.push_back(acao);
    return todos;
  }();
  return comAcoes;
}

void GravarAtividades(TEscritor& escritor) {
  escritor.Executar(
      "insert into OPCAOIFRS (CODIGOEMPRESA, DATAOPCAO, CTRLAATIVIDADE, DATAINIATIVIDADE) "
      "values (:pEmpresa, :pIni, 1, :pIni)",
      {{"pIni", Data(1, 1)}});
  escritor.Executar(
      "insert into OPCAOIFRSMODELO (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, MODELOADOCAO) "
      "values (:pEmpresa, :pIni, :pFim, 1)",
      {{"pIni", Data(1, 1)}, {"pFim", Data(12, 31)}});
  for (const TLinhaAtividade& atividade : kAtividades)
    escritor.Executar(
        "insert into ATIVDIFERENC (CODIGOEMPRESA, CODIGOATIVDIF, DESCRATIVDIF, DATAINICIAL, "
        "DATAFINAL) values (:pEmpresa, :pAtividade, :pDescr, :pIni, :pFim)",
        {{"pAtividade", Value(atividade.Codigo)},
         {"pDescr", Value(atividade.Descr)},
         {"pIni", Data(atividade.MesInicial, 1)},
         {"pFim", Data(12, 31)}});
  // On the groups: every analytic account below takes its group's plan.
  for (const TLinhaRateio& plano : kPlanoAtividades)
    escritor.Executar(
        "insert into ATIVDIFERENCPLESPECRATEIO (CODIGOEMPRESA, CONTACTB, CODIGOATIVDIF, "
        "PERCENTUAL) values (:pEmpresa, :pConta, :pAtividade, :pPercentual)",
        {{"pConta", Value(Conta(plano.Classif).ContaCtb)},
         {"pAtividade", Value(plano.Codigo)},
         {"pPercentual", Value(plano.Percentual)}});
}

void Criar(TnDMConexao& conexao, int64_t codigoEmpresa, bool ifrsComAtividades) {
  TEscritor escritor(conexao, codigoEmpresa);
  conexao.StartTransaction();
  try {
    ApagarEmpresa(escritor);
    GravarRegistrosGlobais(escritor);
    GravarEmpresa(escritor, codigoEmpresa);
    GravarPlano(escritor);
    GravarCentrosCusto(escritor);
    GravarLotes(escritor);
    GravarUsuariosEmpresa(escritor);
    if (ifrsComAtividades)
      GravarAtividades(escritor);
    escritor.Enviar();
    conexao.Commit();
    // The rights were edited: what the service read before is stale.
    if (TnDMDireitoUsuario* direitos = nDMDireitoUsuario())
      direitos->LimparCache();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
}

}  // namespace DemoEmpresa
