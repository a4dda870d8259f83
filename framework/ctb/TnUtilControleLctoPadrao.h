#pragma once
// Programmed entries (LCTOPROG / LCTOPROGITEM): a template of entries keyed
// one after the other. Positioned on a company and a template code, it
// loads the template once and fills the entry record being keyed with the
// next entry of the sequence (VerificarCarregarDados); while entries remain
// the sequence is in progress (VerificarSequencia), so the data module
// continues it on the next insert.
//
// GerarLancamentosPeriodo gives the dates on which a periodic template
// recurs after the posted entry; writing those entries is the journal-entry
// module's work, not this library's.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/ctb/TnUtilCtbBase.h"

class TnClientDataSet;

class TnUtilControleLctoPadrao : public TnUtilCtbBase {
 public:
  using TnUtilCtbBase::TnUtilCtbBase;
  void SetCodigoEmpresa(int64_t codigoEmpresa) { FCodigoEmpresa = codigoEmpresa; }
  void SetCodigoLctoProg(int codigoLctoProg) { FCodigoLctoProg = codigoLctoProg; }
  // The entry data set the template fills; not owned.
  void SetCdsLctoProg(TnClientDataSet* cds) { FCds = cds; }

  // The programmed-entries option: whether the company has any template.
  bool GetUsaLctoProg();

  // Loads the positioned template (when it is not the one in progress) and
  // writes its next entry into the current record of the data set, which
  // must be in edit or insert state: every non-null item column the data
  // set has. False when the template has no (more) entries.
  bool VerificarCarregarDados();

  // continuar true: whether any sequence is in progress (loaded, started
  // and with entries left). false: whether the positioned template is that
  // sequence, so keying goes on with it.
  bool VerificarSequencia(bool continuar = false) const;
  // The template of the sequence in progress; 0 when none.
  int64_t GetCodigoLctoProgSequencia() const { return FChave ? FChave->second : 0; }
  bool GetTemMaisDeUmLcto() const { return FItens.size() > 1; }
  int GetQtdLctos() const { return static_cast<int>(FItens.size()); }

  // Monthly template: the dates after the data set's DATALCTOCTB, on the
  // template's day (the month's last day when shorter), up to its final
  // date. Other periodicities recur never.
  std::vector<TDateTime> GerarLancamentosPeriodo();

  void LimparChaveOld() { LimparChave(); }
  void LimparChave() override;

 private:
  void Carregar();

  // Positioning.
  int64_t FCodigoEmpresa = 0;
  int FCodigoLctoProg = 0;
  TnClientDataSet* FCds = nullptr;
  // Cached by (company, template): the header and the items in sequence.
  std::optional<std::pair<int64_t, int64_t>> FChave;
  int FPeriodicidade = 0;
  int FDiaLcto = 0;
  TDateTime FDataFinal;
  std::vector<std::string> FColunas;
  std::vector<ValueArray> FItens;
  size_t FProximo = 0;
};

TnUtilControleLctoPadrao& ControleLctoPadrao();
