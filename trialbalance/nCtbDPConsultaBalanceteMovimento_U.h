#pragma once
// "Balancete Débito Crédito Movimento": the query process that reads its
// parameters, runs the trial balance for each selected company (one data
// set per company, "Cds" + code) and lays out each data set's header bands.
// A company that fails is reported in the messages and the others still
// run. Two work-area entries offer the same query under other menus.
//
// The bands are the grid's multi-level header: a tree of named bands with
// captions, whose leaves are bound to the column of the same name. How they
// are drawn is the screen's business; this process fixes names, captions,
// nesting and bound columns.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/TnDMPowerParam.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoConfig_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoInterfaces_U.h"

class TnGridBand {
 public:
  TnGridBand() = default;
  TnGridBand(std::string nome, std::string caption, std::string coluna)
      : Nome(std::move(nome)), Caption(std::move(caption)), Coluna(std::move(coluna)) {}

  std::string Nome;
  std::string Caption;
  std::string Coluna;  // the bound column ("" for a band that groups others)
  std::vector<std::unique_ptr<TnGridBand>> Bands;

  TnGridBand& Add(const std::string& nome, const std::string& caption,
                  const std::string& coluna = "");
  // Depth-first search by name (case-insensitive); nullptr when absent.
  const TnGridBand* Find(const std::string& nome) const;
  // Leaves in order, left to right.
  std::vector<const TnGridBand*> Colunas() const;
  // Levels below this band (0 for a leaf).
  int Profundidade() const;
};

// The header bands of one grid: two groups side by side.
class TnGridBands {
 public:
  TnGridBand Raiz;
  void Clear() { Raiz.Bands.clear(); }
  // The screen redraws from the tree; the count lets callers see a refresh.
  void AtualizarBandasGrid() { ++FAtualizacoes; }
  int Atualizacoes() const { return FAtualizacoes; }

 private:
  int FAtualizacoes = 0;
};

// Grid settings the template data set carries to every company's data set.
struct TnConfigGridBalancete {
  bool Zebrado = true;
  bool Filtrar = true;
  bool TotalizarValores = true;
  bool Paginar = true;
  bool OcultarColunas = true;
  bool SomenteLeitura = true;
  bool AlturaLinhaAutomatica = true;
  bool AlturaCabecalhoAutomatica = true;
  bool EnviarSomenteAlterados = true;
  bool PermitirAnalise = true;
  std::string AcaoSalvar = "ActSalvarProcesso";
};

class TnCtbDPConsultaBalanceteMovimento : public TnDMPowerParam {
 public:
  static constexpr const char* kClassName = "TnCtbDPConsultaBalanceteMovimento";

  TnCtbDPConsultaBalanceteMovimento();
  ~TnCtbDPConsultaBalanceteMovimento() override;

  // Reads the parameter table and runs.
  void Executar() override;
  // Runs on parameters the caller gives.
  void Executar(const TnParamsConsultaBalancete& params);
  // The parameters as the table holds them.
  TnParamsConsultaBalancete LerParametros();
  void ExecutarEmpresa(int64_t codigoEmpresa);

  // The company data sets of the last run, in the order the companies were
  // given.
  const std::vector<int64_t>& Empresas() const { return FOrdemEmpresas; }
  TnClientDataSet* RetornaDataSet(int64_t codigoEmpresa) const;
  const TnGridBands* Bandas(int64_t codigoEmpresa) const;
  const TnConfigGridBalancete& ConfigGrid(int64_t codigoEmpresa) const;
  // The configuration of the last company run.
  const TnParametroConf& Configuracao() const { return FParam; }

  // Objects handed to the screen by key ("dataset", "LstCds").
  const void* Objeto(const std::string& chave) const;
  // Run by Exibir: the screen's "actConfigurarCxGrid".
  std::function<void(TnCtbDPConsultaBalanceteMovimento&)> OnConfigurarCxGrid;

  TnConfigGridBalancete ConfigGridTemplate;

  static std::string GetFormClass() { return "TnCtbFMConsultaBalanceteMovimento"; }
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);

  // The month columns' months (one per month of the period).
  std::vector<TDateTime> CarregarListaPeriodos() const;

 protected:
  void CarregarDadosTodasEmpresas();
  void CarregarParametros(int64_t codigoEmpresa);
  void GerarSaldoBalancetePorEmpresa();
  void CarregarDadosConsulta(TnClientDataSet& dataSet);
  void ConfigurarBandsCalculadas(int64_t codigoEmpresa);
  TnGridBand& ConfigurarBandsEsquerda(TnGridBands& bands, int64_t codigoEmpresa);
  void ConfigurarBandsDireita(TnGridBands& bands);
  void CriarBandasQuebraPeriodo(TnGridBand& item);
  void CriarBandasSemQuebra(TnGridBand& item);
  void AddBandsPeriodo(TnGridBand& item);
  static TnGridBand& AddChildBands(TnGridBand& item, const std::string& nome);
  // Company name and the establishment's federal registration.
  std::pair<std::string, std::string> GetDadosEmpresa(int64_t codigoEmpresa);
  std::string NomeUsuario();
  void SetarVisibilidadeColunasCloud();
  void Exibir();
  void AtualizaProgresso(const std::string& texto);

 private:
  struct TDadosEmpresa {
    std::unique_ptr<TnClientDataSet> DataSet;
    TnGridBands Bands;
    TnConfigGridBalancete ConfigGrid;
  };

  // The run's parameters, and the configuration of the company being run.
  TnParamsConsultaBalancete FParams;
  TnParametroConf FParam;
  std::map<int64_t, TDadosEmpresa> FLstCds;
  std::vector<int64_t> FOrdemEmpresas;
  // The trial balance of the company being processed, as the generator
  // returned it.
  TnDicionarioDataSetSaldo FLstDataSetSaldo;
  std::map<std::string, const void*> FObjetos;
};

// The same query offered from the loans and financing work area.
class TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoEmprestimo
    : public TnCtbDPConsultaBalanceteMovimento {
 public:
  static constexpr const char* kClassName =
      "TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoEmprestimo";
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);
};

// The same query offered from the tax instalments work area.
class TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoParcelamento
    : public TnCtbDPConsultaBalanceteMovimento {
 public:
  static constexpr const char* kClassName =
      "TnCtbDPConsultaBalanceteMovimentoAreaTrabalhoParcelamento";
  static void GerarPrincAction(TnActionList& lista, const TnActionHandler& handler,
                               const TnConjuntoModulos& permitidos);
};
