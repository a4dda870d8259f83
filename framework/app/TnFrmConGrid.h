#pragma once
// A consultation: a read-only grid over a data set, with one filter edit per
// column in its parameter panel. Typing into an edit narrows the grid to the
// rows whose value in that column starts with the text (or contains it,
// under the consultation's "anywhere" option), compared without accents or
// case. The edits are examined in column order up to the one being typed in.
//
// Headless: the form is the data model of the screen (its combo boxes live
// in the configuration panel); the grid is the data set itself, filtered by
// its record filter. The consultation owns both.
//
// Not thread-safe: a consultation belongs to the host's UI (or request)
// thread.
#include <functional>
#include <string>
#include <vector>

#include "framework/app/Nutilform.h"
#include "framework/app/TnForm.h"
#include "framework/data/ClientDataSet.h"

class TnFrmConGrid : public TnObjetoRegistravel {
 public:
  // One filter edit of the parameter panel: its column and the typed text.
  // The column is found by name, so an edit serves the grid and its clones.
  struct TnEditFiltro {
    std::string Campo;
    std::string Texto;
  };
  // Fills the empty grid data set (fields and rows) from the database.
  using TCarregar = std::function<void(TnClientDataSet& grid)>;

  explicit TnFrmConGrid(const std::string& nome);

  TnForm& Form() { return FForm; }
  TnClientDataSet& ClientDataSet() { return FClientDataSet; }

  // Loads the grid and builds one filter edit per visible column; the
  // record filter is installed (SetarEventosClientDataSet).
  void Abrir(const TCarregar& carregar);
  // Loads the grid again (DoBeforeRefresh first) and filters it as before.
  void Refresh();

  // Types into the edit of `campo`, which becomes the current edit, and
  // updates the filter. Exception for a column the grid does not have.
  void DigitarFiltro(const std::string& campo, const std::string& texto);
  const std::vector<TnEditFiltro>& EditsFiltro() const { return FEditsFiltro; }
  // The edit being typed in; -1 when none (every edit is examined).
  int EditAtual() const { return FEditAtual; }
  void SetEditAtual(int indice) { FEditAtual = indice; }

  // Configuration options of the consultation: record filtering (on by
  // default; the framework may force it) and matching anywhere in a value.
  void SetFiltrarRegistros(bool value) { FFiltrarRegistros = value; }
  void SetForcarFiltro(bool value) { FForcarFiltro = value; }
  void SetPesquisarQualquerParte(bool value) { FQualquerParte = value; }

  // The filter update: the grid shows the rows its record filter accepts
  // (all of them when `ativo` is false).
  virtual void AtualizarFiltro(bool ativo);

 protected:
  // Called before the grid is loaded again.
  virtual void DoBeforeRefresh() {}
  // Installs the consultation's record filter on the grid data set.
  virtual void SetarEventosClientDataSet();
  // Record filtering is off: every row is shown.
  bool FiltragemDesligada() const { return !FFiltrarRegistros && !FForcarFiltro; }
  // Whether the current row of `dados` (the grid or a clone of it) passes
  // the typed edits; always true with filtering off.
  bool AceitaLinha(const TnClientDataSet& dados) const;
  // The column of the current edit; "" when none.
  std::string CampoPesquisado() const;

 private:
  void Carregar();

  TnForm FForm;
  TnClientDataSet FClientDataSet;
  TCarregar FCarregar;
  std::vector<TnEditFiltro> FEditsFiltro;
  int FEditAtual = -1;
  bool FFiltrarRegistros = true;
  bool FForcarFiltro = false;
  bool FQualquerParte = false;
};
