#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"

#include <exception>

#include "framework/app/NutilAmbiente.h"
#include "framework/app/Nutilform.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoFactory_U.h"

namespace {

const char* const kPrefixoErro = "Encontrado Problema a Executar a Consulta: ";
const char* const kCaptionMenu = "Balancete Débito Crédito Movimento";
const char* const kCaptionAreaTrabalho = "Consulta - Balancete Débito Crédito Movimento";

bool ParamLigado(TnpqParamItem& item) {
  return item.AsInteger(0) == 1;
}

}  // namespace

TnGridBand& TnGridBand::Add(const std::string& nome, const std::string& caption,
                            const std::string& coluna) {
  Bands.push_back(std::make_unique<TnGridBand>(nome, caption, coluna));
  return *Bands.back();
}

const TnGridBand* TnGridBand::Find(const std::string& nome) const {
  if (Nutil::UpperCase(Nome) == Nutil::UpperCase(nome))
    return this;
  for (const auto& band : Bands) {
    if (const TnGridBand* achou = band->Find(nome))
      return achou;
  }
  return nullptr;
}

std::vector<const TnGridBand*> TnGridBand::Colunas() const {
  std::vector<const TnGridBand*> colunas;
  for (const auto& band : Bands) {
    if (!band->Coluna.empty())
      colunas.push_back(band.get());
    for (const TnGridBand* coluna : band->Colunas())
      colunas.push_back(coluna);
  }
  return colunas;
}

int TnGridBand::Profundidade() const {
  int maior = 0;
  for (const auto& band : Bands)
    maior = std::max(maior, band->Profundidade() + 1);
  return maior;
}

TnCtbDPConsultaBalanceteMovimento::TnCtbDPConsultaBalanceteMovimento() {
  npqPowerParam.Add("pCodigoEmpresa", "Empresas", TTipoParam::tpInclusao, "", true);
  npqPowerParam.Add("pCodigoEstab", "Estabelecimentos", TTipoParam::tpInclusao);
  npqPowerParam.Add("pDataInicial", "Data Inicial", TTipoParam::tpData, "", true);
  npqPowerParam.Add("pDataFinal", "Data Final", TTipoParam::tpData, "", true);
  npqPowerParam.Add("pTipoConsultaBalancete", "Tipo Consulta Balancete", TTipoParam::tpCombo)
      .SetItens("Débito e Crédito=0;Débito, Crédito e Movimento=1;Movimento=2");
  Param("pTipoConsultaBalancete").SetDefault("1");
  npqPowerParam.Add("pQuebrarMovPeriodo", "Quebrar Movimento por Período", TTipoParam::tpBoolean,
                    "0");
  npqPowerParam.Add("pGerarCentroCusto", "Gerar Valores por Centro de Custo", TTipoParam::tpBoolean,
                    "0");
  npqPowerParam.Add("pImpSaldoZero", "Imprimir Contas sem Saldo e sem Movimento",
                    TTipoParam::tpBoolean, "0");
  npqPowerParam.Add("pTipoSaldoCtb", "Tipo Saldo", TTipoParam::tpCombo)
      .SetItens("Societário=0;Fiscal=1");
  Param("pTipoSaldoCtb").SetDefault("0");
  npqPowerParam.Add("pRelacionarEstab", "Relacionar Filiais", TTipoParam::tpCombo)
      .SetItens("Não=0;Sim, sem sintética=1;Sim, com sintética=2;Sim, sintética mais uma filial=3");
  Param("pRelacionarEstab").SetDefault("0");
  npqPowerParam.Add("pDemonstrarUsuario", "Demonstrar Usuário", TTipoParam::tpBoolean, "0");
  npqPowerParam.Add("pDetalharClienteFornecedor", "Detalhar Clientes/Fornecedores",
                    TTipoParam::tpBoolean, "0");
  npqPowerParam.Add("pGerarMoedaFuncionalEmReais", "Gerar Moeda Funcional em Reais",
                    TTipoParam::tpBoolean, "0");
  npqPowerParam.Add("pFiltroOrigemLcto", "Filtro Origem Lançamentos", TTipoParam::tpInclusao);
  npqPowerParam.Add("pCodigoMoeda", "Informe o código da moeda para conversão",
                    TTipoParam::tpInteiro, "0");
  npqPowerParam.Add("pCodigoIdioma", "Idioma", TTipoParam::tpInteiro);
  nClientDataSet.SetLogChanges(false);
  FObjetos["dataset"] = &nClientDataSet;
}

TnCtbDPConsultaBalanceteMovimento::~TnCtbDPConsultaBalanceteMovimento() {
  AguardarParalelo();
}

void TnCtbDPConsultaBalanceteMovimento::Executar() {
  TnDMPowerParam::Executar();
  Executar(LerParametros());
}

void TnCtbDPConsultaBalanceteMovimento::Executar(const TnParamsConsultaBalancete& params) {
  Mensagens().Limpar();
  FParams = params;
  FLstCds.clear();
  FOrdemEmpresas.clear();
  CarregarDadosTodasEmpresas();
  Exibir();
  SetarVisibilidadeColunasCloud();
}

TnParamsConsultaBalancete TnCtbDPConsultaBalanceteMovimento::LerParametros() {
  TnParamsConsultaBalancete params;
  params.Empresas = Nctbsfuncoes_u::GetLstCodigoEmpresa(Param("pCodigoEmpresa").AsString());
  params.CodigoEstab = Param("pCodigoEstab").AsString();
  params.DataInicial = Param("pDataInicial").AsDate();
  params.DataFinal = Param("pDataFinal").AsDate();
  params.TipoConsultaBalancete =
      TipoConsultaBalanceteDoInteiro(Param("pTipoConsultaBalancete").AsInteger(1));
  params.QuebrarMovPeriodo = ParamLigado(Param("pQuebrarMovPeriodo"));
  params.GerarCentroCusto = ParamLigado(Param("pGerarCentroCusto"));
  params.ImpSaldoZero = ParamLigado(Param("pImpSaldoZero"));
  params.TipoSaldoCtb = Param("pTipoSaldoCtb").AsInteger(0) == 1 ? TnTipoSaldoCtb::tscFiscal
                                                                 : TnTipoSaldoCtb::tscSocietario;
  params.RelacionarEstab = static_cast<int32_t>(Param("pRelacionarEstab").AsInteger(0));
  params.DemonstrarUsuario = ParamLigado(Param("pDemonstrarUsuario"));
  params.DetalharClienteFornecedor = ParamLigado(Param("pDetalharClienteFornecedor"));
  params.GerarMoedaFuncionalEmReais = Param("pGerarMoedaFuncionalEmReais").AsBoolean(false);
  params.FiltroLctoAtivo = Nutil::Trim(Param("pFiltroOrigemLcto").AsString());
  params.CodigoMoeda = static_cast<int>(Param("pCodigoMoeda").AsInteger(0));
  params.CodigoIdioma = static_cast<int>(Param("pCodigoIdioma").AsInteger(0));
  return params;
}

void TnCtbDPConsultaBalanceteMovimento::CarregarDadosTodasEmpresas() {
  for (int64_t empresa : FParams.Empresas)
    ExecutarEmpresa(empresa);
}

void TnCtbDPConsultaBalanceteMovimento::ExecutarEmpresa(int64_t codigoEmpresa) {
  try {
    GetProgresso().Iniciar("Balancete da empresa " + std::to_string(codigoEmpresa), 0);
    TDadosEmpresa& dados = FLstCds[codigoEmpresa];
    if (dados.DataSet == nullptr)
      FOrdemEmpresas.push_back(codigoEmpresa);
    dados.DataSet = std::make_unique<TnClientDataSet>();
    dados.DataSet->SetName("Cds" + std::to_string(codigoEmpresa));
    dados.ConfigGrid = ConfigGridTemplate;
    CarregarParametros(codigoEmpresa);
    GerarSaldoBalancetePorEmpresa();
    CarregarDadosConsulta(*dados.DataSet);
    ConfigurarBandsCalculadas(codigoEmpresa);
  } catch (const std::exception& error) {
    Mensagens().AddErro(kPrefixoErro + std::string(error.what()));
  }
}

void TnCtbDPConsultaBalanceteMovimento::CarregarParametros(int64_t codigoEmpresa) {
  FParam = ConfiguracaoDaEmpresa(FParams, codigoEmpresa);
}

void TnCtbDPConsultaBalanceteMovimento::GerarSaldoBalancetePorEmpresa() {
  TnDMConexao& conexao = Conexao();
  conexao.StartTransactionRO();
  try {
    std::shared_ptr<IGerarSaldoBalancete> gerador = Factory()->GerarSaldoBalancete(FParam);
    gerador->AtualizaProgresso([this](const std::string& texto) { AtualizaProgresso(texto); });
    FLstDataSetSaldo = gerador->Executar();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
  conexao.CommitRO();
}

void TnCtbDPConsultaBalanceteMovimento::CarregarDadosConsulta(TnClientDataSet& dataSet) {
  dataSet.ClearFields();
  for (auto& [chave, saldo] : FLstDataSetSaldo) {
    dataSet.CopyDataFrom(*saldo);
    dataSet.SetIndexFieldNames(saldo->IndexFieldNames());
    Factory()->DataSetSaldo(FParam)->SetarDefinicaoFields(dataSet);
  }
  FLstDataSetSaldo.clear();
  if (dataSet.Active())
    dataSet.First();
}

std::vector<TDateTime> TnCtbDPConsultaBalanceteMovimento::CarregarListaPeriodos() const {
  return MesesDoPeriodo(FParam);
}

void TnCtbDPConsultaBalanceteMovimento::ConfigurarBandsCalculadas(int64_t codigoEmpresa) {
  TnGridBands& bands = FLstCds.at(codigoEmpresa).Bands;
  bands.Clear();
  ConfigurarBandsEsquerda(bands, codigoEmpresa);
  ConfigurarBandsDireita(bands);
  bands.AtualizarBandasGrid();
}

TnGridBand& TnCtbDPConsultaBalanceteMovimento::AddChildBands(TnGridBand& item,
                                                             const std::string& nome) {
  return item.Add(nome, "", nome);
}

TnGridBand& TnCtbDPConsultaBalanceteMovimento::ConfigurarBandsEsquerda(TnGridBands& bands,
                                                                       int64_t codigoEmpresa) {
  const auto [nomeEmpresa, inscricao] = GetDadosEmpresa(codigoEmpresa);
  TnGridBand& empresa =
      bands.Raiz.Add("Empresa", std::to_string(codigoEmpresa) + " - " + nomeEmpresa);
  TnGridBand& cnpj = empresa.Add("CNPJ", "CNPJ: " + inscricao);
  std::string titulo = "Balancete - Movimento";
  if (FParam.TipoConsultaBalancete == TnTipoConsultaBalancete::tpConDebCred)
    titulo = "Balancete - Débito e Crédito";
  else if (FParam.TipoConsultaBalancete == TnTipoConsultaBalancete::tpConMovDebCred)
    titulo = "Balancete - Débito, Crédito e Movimento";
  TnGridBand* ultima = &cnpj.Add("BalanceteMovimento", titulo);
  if (FParam.QuebrarMovPeriodo)
    ultima = &ultima->Add("Vazio", " ");
  for (const char* coluna : {"Filial", "CodigoConta", "TipoConta", "ClassifConta", "DescrConta",
                             "CodigoCentroCusto", "DescrCentroCusto"})
    AddChildBands(*ultima, coluna);
  return empresa;
}

void TnCtbDPConsultaBalanceteMovimento::ConfigurarBandsDireita(TnGridBands& bands) {
  TnGridBand& emissao =
      bands.Raiz.Add("Emissao", "Emissão: " + FormatDateTime("dd/mm/yyyy", Date()));
  TnGridBand& periodo =
      emissao.Add("Periodo", "Período: " + FormatDateTime("dd/mm/yyyy", FParam.DataInicial) +
                                 " a " + FormatDateTime("dd/mm/yyyy", FParam.DataFinal));
  TnGridBand& usuario =
      periodo.Add("Usuario", FParam.DemonstrarUsuario ? NomeUsuario() : std::string("  "));
  if (FParam.QuebrarMovPeriodo)
    CriarBandasQuebraPeriodo(usuario);
  else
    CriarBandasSemQuebra(usuario);
}

void TnCtbDPConsultaBalanceteMovimento::CriarBandasSemQuebra(TnGridBand& item) {
  for (const char* coluna : {"SaldoAnterior", "Debito", "Credito", "Movimento", "SaldoAtual"})
    AddChildBands(item, coluna);
}

void TnCtbDPConsultaBalanceteMovimento::CriarBandasQuebraPeriodo(TnGridBand& item) {
  AddChildBands(item.Add("VazioUm", "   "), "SaldoAnterior");
  AddBandsPeriodo(item);
  AddChildBands(item.Add("VazioDois", "    "), "SaldoAtual");
}

void TnCtbDPConsultaBalanceteMovimento::AddBandsPeriodo(TnGridBand& item) {
  for (TDateTime mes : CarregarListaPeriodos()) {
    const std::string sufixo = FormatarPeriodo(MesDaData(mes));
    TnGridBand& band = item.Add(sufixo, FormatDateTime("mm/yyyy", mes));
    for (const char* prefixo : {"Debito", "Credito", "Movimento"})
      AddChildBands(band, prefixo + sufixo);
  }
}

std::pair<std::string, std::string> TnCtbDPConsultaBalanceteMovimento::GetDadosEmpresa(
    int64_t codigoEmpresa) {
  int64_t estab = 0;
  double numero = 0;
  if (TryParseNumber(Nutil::Trim(FParams.CodigoEstab), numero))
    estab = static_cast<int64_t>(numero);
  TnDMSQLDataSet sql(&Conexao());
  const ValueArray valores =
      sql.PegarValorCampos("ESTAB ES JOIN EMPRESA E ON E.CODIGOEMPRESA = ES.CODIGOEMPRESA",
                           "E.NOMEEMPRESA, ES.INSCRFEDERAL",
                           "ES.CODIGOEMPRESA = " + std::to_string(codigoEmpresa) +
                               " AND ES.CODIGOESTAB = " + std::to_string(estab));
  if (valores.size() >= 2)
    return {valores[0].AsString(), valores[1].AsString()};
  // No single branch chosen (all of them): the company's name and its
  // first branch's registration rather than an empty header.
  const ValueArray matriz = sql.PegarValorCampos(
      "ESTAB ES JOIN EMPRESA E ON E.CODIGOEMPRESA = ES.CODIGOEMPRESA",
      "E.NOMEEMPRESA, ES.INSCRFEDERAL",
      "ES.CODIGOEMPRESA = " + std::to_string(codigoEmpresa) +
          " AND ES.CODIGOESTAB = (SELECT MIN(CODIGOESTAB) FROM ESTAB WHERE CODIGOEMPRESA = " +
          std::to_string(codigoEmpresa) + ")");
  if (matriz.size() < 2)
    return {"", ""};
  return {matriz[0].AsString(), matriz[1].AsString()};
}

std::string TnCtbDPConsultaBalanceteMovimento::NomeUsuario() {
  TnDMSQLDataSet sql(&Conexao());
  return sql
      .PegarValorCampo("USUARIO", "NOMEUSUARIO",
                       "CODIGOUSUARIO = " + std::to_string(Conexao().CodigoUsuario()))
      .AsString();
}

void TnCtbDPConsultaBalanceteMovimento::SetarVisibilidadeColunasCloud() {
  if (!Nutil::EhHttpExe())
    return;
  const bool visivel = FParams.GerarCentroCusto;
  for (auto& [empresa, dados] : FLstCds) {
    for (const char* campo : {"CODIGOCENTROCUSTO", "DESCRCENTROCUSTO"}) {
      if (TField* field = dados.DataSet->FindField(campo))
        field->SetVisible(visivel);
    }
  }
}

void TnCtbDPConsultaBalanceteMovimento::Exibir() {
  FObjetos["LstCds"] = &FLstCds;
  if (OnConfigurarCxGrid)
    OnConfigurarCxGrid(*this);
}

void TnCtbDPConsultaBalanceteMovimento::AtualizaProgresso(const std::string& texto) {
  GetProgresso().SetTexto(texto);
}

TnClientDataSet* TnCtbDPConsultaBalanceteMovimento::RetornaDataSet(int64_t codigoEmpresa) const {
  auto it = FLstCds.find(codigoEmpresa);
  return it == FLstCds.end() ? nullptr : it->second.DataSet.get();
}

const TnGridBands* TnCtbDPConsultaBalanceteMovimento::Bandas(int64_t codigoEmpresa) const {
  auto it = FLstCds.find(codigoEmpresa);
  return it == FLstCds.end() ? nullptr : &it->second.Bands;
}

const TnConfigGridBalancete& TnCtbDPConsultaBalanceteMovimento::ConfigGrid(
    int64_t codigoEmpresa) const {
  return FLstCds.at(codigoEmpresa).ConfigGrid;
}

const void* TnCtbDPConsultaBalanceteMovimento::Objeto(const std::string& chave) const {
  auto it = FObjetos.find(chave);
  return it == FObjetos.end() ? nullptr : it->second;
}

void TnCtbDPConsultaBalanceteMovimento::GerarPrincAction(TnActionList& lista,
                                                         const TnActionHandler& handler,
                                                         const TnConjuntoModulos& permitidos) {
  if (!permitidos.Contem(TnModulo::nCtb))
    return;
  AdicionarPrincAction(lista, kClassName, "03 Consultas", kCaptionMenu, handler);
}

void TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoEmprestimo::GerarPrincAction(
    TnActionList& lista, const TnActionHandler& handler, const TnConjuntoModulos& permitidos) {
  if (!permitidos.Contem(TnModulo::nCtb))
    return;
  TnAction& acao = AdicionarPrincAction(
      lista, kClassName, "00 Áreas de Trabalho\\03 Empréstimos e Financiamentos\\04 Relatórios",
      kCaptionAreaTrabalho, handler);
  acao.SetClasseAreaTrabalho("TnCtbDPAreaTrabalhoEmprestimos");
  acao.SetLink(HashNomeAcao(std::string("act") + TnCtbDPConsultaBalanceteMovimento::kClassName));
}

void TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoParcelamento::GerarPrincAction(
    TnActionList& lista, const TnActionHandler& handler, const TnConjuntoModulos& permitidos) {
  if (!permitidos.Contem(TnModulo::nCtb))
    return;
  TnAction& acao = AdicionarPrincAction(
      lista, kClassName, "00 Áreas de Trabalho\\03 Parcelamento de Tributos\\04 Relatórios",
      kCaptionAreaTrabalho, handler);
  acao.SetClasseAreaTrabalho("TnCtrDPAreaTrabalhoParcelamentos");
  acao.SetLink(HashNomeAcao(std::string("act") + TnCtbDPConsultaBalanceteMovimento::kClassName));
}
