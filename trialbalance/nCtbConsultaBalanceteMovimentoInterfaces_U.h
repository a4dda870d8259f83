#pragma once
// The parts the trial balance is assembled from. Each is an abstract class
// handed around as a shared pointer (the object goes with its last holder);
// each implementation has a static New giving a fresh object and an
// Inicializar(Conf) that copies the configuration and returns the same
// object, so a part is obtained in one expression:
//   TnCtbConsultaBalanceteMovimentoDataSetSaldo::New()->Inicializar(conf)
//
// A balance run's data sets travel in dictionaries keyed by company and
// month (TChaveDataSet: the month of the run's first day); the trial balance
// itself is the entry with the empty key of IGerarSaldoBalancete::Executar's
// dictionary.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "framework/core/TDateTime.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoConfig_U.h"

class TnClientDataSet;

// Receives progress texts.
using TAtualizaProgresso = std::function<void(const std::string& texto)>;

// Data sets owned by the dictionary (the trial balance result).
using TnDicionarioDataSetSaldo = std::map<std::string, std::unique_ptr<TnClientDataSet>>;
// A calendar month; ordered in time.
struct TMesAno {
  int Ano = 0;
  int Mes = 0;
  auto operator<=>(const TMesAno&) const = default;
};

// What a balance run's data set is known by: its company and the month of
// its period. Ordered by company, then month.
struct TChaveDataSet {
  int64_t CodigoEmpresa = 0;
  TMesAno Periodo;
  auto operator<=>(const TChaveDataSet&) const = default;
};

// Data sets owned by whoever returned the dictionary (a balance run's result
// lives with the object that ran it).
using TnDicionarioDataSetPlano = std::map<TChaveDataSet, TnClientDataSet*>;

class IGerarSaldoBalancete {
 public:
  virtual ~IGerarSaldoBalancete() = default;
  virtual std::shared_ptr<IGerarSaldoBalancete> Inicializar(const TnParametroConf& conf) = 0;
  virtual void AtualizaProgresso(TAtualizaProgresso callback) = 0;
  virtual TnDicionarioDataSetSaldo Executar() = 0;
};

class IDataSetSaldo {
 public:
  virtual ~IDataSetSaldo() = default;
  virtual std::shared_ptr<IDataSetSaldo> Inicializar(const TnParametroConf& conf) = 0;
  // A new, open, empty trial balance with every display setting.
  virtual std::unique_ptr<TnClientDataSet> CriarDataSet() = 0;
  // The field definitions of the trial balance on an empty data set.
  virtual void Configurar(TnClientDataSet& dataSet) = 0;
  // Labels, visibility, formats and the row style on a data set with the
  // trial balance's fields.
  virtual void SetarDefinicaoFields(TnClientDataSet& dataSet) = 0;
};

class ISaldoPlanoIndividual {
 public:
  virtual ~ISaldoPlanoIndividual() = default;
  virtual std::shared_ptr<ISaldoPlanoIndividual> Inicializar(const TnParametroConf& conf) = 0;
  // One balance run for the configured company and these dates; the data set
  // lives as long as this object.
  virtual TnDicionarioDataSetPlano Executar(TDateTime dataInicial, TDateTime dataFinal) = 0;
};

class IConsultaBalanceteFactory {
 public:
  virtual ~IConsultaBalanceteFactory() = default;
  virtual std::shared_ptr<IGerarSaldoBalancete> GerarSaldoBalancete(
      const TnParametroConf& conf) = 0;
  virtual std::shared_ptr<IDataSetSaldo> DataSetSaldo(const TnParametroConf& conf) = 0;
  virtual std::shared_ptr<ISaldoPlanoIndividual> GerarSaldoPlanoIndividual(
      const TnParametroConf& conf) = 0;
};

// The month of the date.
TMesAno MesDaData(TDateTime data);
// "mmyyyy": how a month is named in the trial balance's column names.
std::string FormatarPeriodo(TMesAno periodo);
// The company and the month of the date.
TChaveDataSet MontarChaveDataSet(int64_t codigoEmpresa, TDateTime data);
int64_t CapturaCodigoEmpresaChave(const TChaveDataSet& chave);
TMesAno CapturaPeriodoChave(const TChaveDataSet& chave);
