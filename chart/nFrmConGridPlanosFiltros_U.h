#pragma once
// A chart consultation that keeps the tree readable while filtering: with
// the synthetic-account filter on, a synthetic (group) account stays in the
// grid when some account below it matches the typed filters, so a match is
// never shown without the groups above it.
//
// How: a clone of the grid's rows, filtered by the typed edits and indexed
// by the key columns and the classification, answers for each rejected
// synthetic row which matching account lies nearest after it; the row stays
// when its classification is a leading part of that account's. The clone
// is rebuilt after the grid is loaded again.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/app/TnFrmConGrid.h"

class TnFrmConGridPlanosFiltros : public TnFrmConGrid {
 public:
  explicit TnFrmConGridPlanosFiltros(const std::string& nome) : TnFrmConGrid(nome) {}

  // The column names: account type (1 = synthetic), classification (parts
  // separated by "."), and further ";"-separated key columns that must agree
  // (e.g. the chart), none by default.
  void SetCampoTipo(const std::string& value) { FCampoTipo = value; }
  void SetCampoClassif(const std::string& value) { FCampoClassif = value; }
  void SetCampoChave(const std::string& value) { FCampoChave = value; }
  // Switches the synthetic-account filter on or off.
  void SetFFiltroTitulo(bool value);
  bool GetFiltroTitulo() const { return FFiltroTitulo; }

  void AtualizarFiltro(bool ativo) override;
  void FormShow();

 protected:
  void DoBeforeRefresh() override { AtualizarCDSFilter = true; }
  void SetarEventosClientDataSet() override;

 private:
  // The grid's record filter: the framework's, then the synthetic rule.
  void DoClientDataSetFilterRecord(TnClientDataSet& dados, bool& aceitar);
  // The clone's record filter: the typed edits.
  void DoClientDataSetFilterRecordFiltro(TnClientDataSet& dados, bool& aceitar);
  // Whether the synthetic row of `dados` lies above a matching account.
  bool TemContaAbaixo(TnClientDataSet& dados);
  void CriarCDSFilter();

  std::string FCampoTipo;
  std::string FCampoClassif;
  std::string FCampoChave;
  bool AtualizarCDSFilter = true;
  int ixCLASSIFCONTAcds = -1;
  int ixCLASSIFCONTAfil = -1;
  int ixTIPOCONTA = -1;
  std::unique_ptr<TnClientDataSet> CDSFilter;
  // Per key column: its position in the grid and in the clone.
  std::vector<std::pair<int, int>> FChave;
  bool FFiltroTitulo = false;
};
