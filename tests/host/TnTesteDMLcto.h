#pragma once
// A small register module over LCTOCTB for the host's keying and import
// tests: it behaves as the screens' modules do, with an alias resolved by
// OnSetText, a field filled by another's OnExit, rules that refuse with a
// field, a question that aborts on "Não", one whose unanswered dialog turns
// into a refusal ("CONFERIR"), an after-post step that fails ("FALHA APOS"),
// an information that never stops, a memory of the last entry and the
// import's day totals.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/app/TnDMClientDataSet.h"
#include "framework/core/Currency.h"

class TnDMConexao;

class TnTesteDMLcto : public TnDMClientDataSet {
 public:
  static constexpr const char* kNomeClasse = "TnTesteDMLcto";
  // Registers the class once per process.
  static void Registrar();

  TnTesteDMLcto();

  std::string ChavePrimaria() const override { return "CODIGOEMPRESA;CHAVELCTOCTB"; }
  std::string PegarVerificaSelecao() const override {
    return "CodigoEmpresa;DataLctoCtb_MAIORIGUAL;DataLctoCtb_MENORIGUAL";
  }
  void ConfigurarCampo(TField& field) override;
  void ConfigurarAutoValor(TnClientDataSet& sender) override;
  void ValidarDado() override;
  bool ValidarImportacao(TnListaMensagem* sender) override;

  // "enter:CAMPO", "set:CAMPO", "exit:CAMPO" as the handlers ran.
  const std::vector<std::string>& Trilha() const { return FTrilha; }

 protected:
  void nClientDataSetAfterPost(TnClientDataSet& dataSet) override;
  void nDataSetProviderGetTableName(TnDataSetProvider& sender, TnSQLDataSet* dataSet,
                                    std::string& tableName) override;

 private:
  std::vector<std::string> FTrilha;
  // What the screen remembers of the last entry saved.
  TDateTime FUltimaData;
  // Import mode: per day, debits and credits.
  std::map<std::string, std::pair<Currency, Currency>> FTotaisDia;
};
