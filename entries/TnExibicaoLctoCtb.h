#pragma once
// What the journal-entry screen shows beside the entry: the title and
// balance rows of each side, the differences panel and what it sums, the
// transaction panel, the automatic-entries button, the history's
// description and the actions that follow the company's settings. The
// controls belong to the form (null without one); the module creates them
// when it configures a form and is the only one to change what they show.

#include <memory>
#include <string>

#include "entries/TnConfigLctoCtb.h"
#include "framework/ctb/TnDMValorSaldoDebCred.h"
#include "framework/ctb/TnFraValorSaldoDebCred.h"

class TnAction;
class TnClientDataSet;
class TnForm;
class TnLabel;
class TnPanel;
class TnSplitter;
class TnToolButton;

struct TnExibicaoLctoCtb {
  // By side: 0 debit, 1 credit.
  TnPanel* PanelSaldo[2] = {nullptr, nullptr};
  TnLabel* LblCtaSaldo[2] = {nullptr, nullptr};
  TnPanel* FraTitulo[2] = {nullptr, nullptr};
  TnLabel* LblCta[2] = {nullptr, nullptr};
  TnLabel* LblDescr[2] = {nullptr, nullptr};
  TnSplitter* FraDifSeparador = nullptr;
  std::unique_ptr<TnDMValorSaldoDebCred> DMDifSaldo;
  std::unique_ptr<TnFraValorSaldoDebCred> FraDifSaldo;
  TnClientDataSet* CDSDiferenca = nullptr;
  TnClientDataSet* CDSDifTransacao = nullptr;
  // The entry the differences panel sums, as it is and as it was stored.
  TnDifLctoCtb DifLctoCtb;
  int ComplHeight = 0;
  TnPanel* PanelTrans = nullptr;
  TnToolButton* ToolButtonLctoAuto = nullptr;
  std::string DescrHistCtb;
  TnAction* ActLctoGerDeb = nullptr;
  TnAction* ActLctoGerCred = nullptr;
  TnAction* ActRegistroQ100 = nullptr;
  TnAction* ActLctoAtivDeb = nullptr;
  TnAction* ActLctoAtivCred = nullptr;

  // The actions a company's settings show: the managerial ones with cost
  // centres, Q100 for a rural producer, the activity ones (on the form) with
  // activities.
  void MostrarAcoesEmpresa(const TnConfigEmpresaLctoCtb& config, bool produtorRural,
                           TnForm* form) const;
};
