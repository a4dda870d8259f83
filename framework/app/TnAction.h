#pragma once
// Menu actions and the module sets that decide which ones a user sees.
//
// A screen publishes its menu entry as a TnAction in the host's action list
// (GerarPrincAction). An action is identified by its name ("act" + class
// name); another action points at it through its link value, the 32-bit
// hash of that name (HashNomeAcao: FNV-1a 32 over the UTF-8 bytes), so a
// work-area entry shares the rights and the target of the main entry.
//
// Shortcuts are kept as text in one canonical form: modifiers in the order
// Ctrl, Shift, Alt, then the key ("Ctrl+Shift+L", "F9", "Esc"). A text that
// is not a shortcut raises Exception, so a typo never silently drops a key.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// The framework's modules, by the names of the menu definitions.
enum class TnModulo {
  nCtb,  // accounting
  nFin,  // finance
  nFis,  // tax books
  nFpg,  // payroll
  nPat,  // fixed assets
  nCtr,  // tax control
  nEst,  // stock
};

// "nCtb" and so on; ModuloPorNome raises Exception for an unknown name.
std::string NomeModulo(TnModulo modulo);
TnModulo ModuloPorNome(const std::string& nome);

// A set of modules: what a user's licence permits, or the groups a screen
// belongs to.
class TnConjuntoModulos {
 public:
  TnConjuntoModulos() = default;
  TnConjuntoModulos(std::initializer_list<TnModulo> modulos);

  void Incluir(TnModulo modulo);
  bool Contem(TnModulo modulo) const;
  bool Vazio() const { return FBits == 0; }
  // A non-empty intersection: the screen is offered.
  bool Intersecta(const TnConjuntoModulos& outro) const { return (FBits & outro.FBits) != 0; }

  friend bool operator==(const TnConjuntoModulos&, const TnConjuntoModulos&) = default;

 private:
  uint32_t FBits = 0;
};

// FNV-1a 32 over the bytes of the name, as written (case counts).
uint32_t HashNomeAcao(const std::string& nome);

// The canonical text of a shortcut; "" stays "" (no shortcut).
std::string NormalizarAtalho(const std::string& atalho);

class TnAction;
using TnActionHandler = std::function<void(TnAction&)>;

class TnAction {
 public:
  explicit TnAction(std::string name) : FName(std::move(name)) {}

  const std::string& Name() const { return FName; }
  const std::string& Category() const { return FCategory; }
  void SetCategory(std::string value) { FCategory = std::move(value); }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(std::string value) { FCaption = std::move(value); }
  const std::string& Hint() const { return FHint; }
  void SetHint(std::string value) { FHint = std::move(value); }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value) { FImageIndex = value; }
  // Position of the entry among the actions of its category.
  int Index() const { return FIndex; }
  void SetIndex(int value) { FIndex = value; }
  const std::string& ShortCut() const { return FShortCut; }
  // Raises Exception for a text that is not a shortcut.
  void SetShortCut(const std::string& value) { FShortCut = NormalizarAtalho(value); }
  // A second shortcut firing the same action (the close action's "Esc").
  const std::string& SecondaryShortCut() const { return FSecondaryShortCut; }
  void SetSecondaryShortCut(const std::string& value) {
    FSecondaryShortCut = NormalizarAtalho(value);
  }

  // Whether the action appears as a menu item (it can exist without one and
  // still be reached by a work area or another module).
  bool MenuItem() const { return FMenuItem; }
  void SetMenuItem(bool value) { FMenuItem = value; }
  // Whether the host checks the user's right to the action before running it.
  bool ControlaDireito() const { return FControlaDireito; }
  void SetControlaDireito(bool value) { FControlaDireito = value; }
  // The work-area screen class that hosts the entry ("" for the main menu).
  const std::string& ClasseAreaTrabalho() const { return FClasseAreaTrabalho; }
  void SetClasseAreaTrabalho(std::string value) { FClasseAreaTrabalho = std::move(value); }
  // The hash of the action this one points at; 0 when it stands alone.
  uint32_t Link() const { return FLink; }
  void SetLink(uint32_t value) { FLink = value; }
  // The selection the host requires before opening the screen
  // ("CodigoEmpresa;DataLctoCtb_MAIORIGUAL;DataLctoCtb_MENORIGUAL").
  const std::string& VerificaSelecao() const { return FVerificaSelecao; }
  void SetVerificaSelecao(std::string value) { FVerificaSelecao = std::move(value); }

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value) { FEnabled = value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value) { FVisible = value; }

  void SetOnExecute(TnActionHandler handler) { FOnExecute = std::move(handler); }
  bool TemHandler() const { return static_cast<bool>(FOnExecute); }
  // Runs the handler when the action is enabled and visible and has one;
  // false when nothing ran (a disabled action ignores its shortcut).
  bool Execute();

 private:
  // Identity.
  std::string FName;
  // Presentation.
  std::string FCategory;
  std::string FCaption;
  std::string FHint;
  int FImageIndex = -1;
  int FIndex = 0;
  std::string FShortCut;
  std::string FSecondaryShortCut;
  // Menu and rights.
  bool FMenuItem = true;
  bool FControlaDireito = true;
  std::string FClasseAreaTrabalho;
  uint32_t FLink = 0;
  std::string FVerificaSelecao;
  // State.
  bool FEnabled = true;
  bool FVisible = true;
  TnActionHandler FOnExecute;
};

// The actions of a menu or of a screen, in the order added. Actions keep
// their address for the list's life.
class TnActionList {
 public:
  // Several actions may share a name (one screen offered under three module
  // groups publishes three "actTnCtbDMLctoCtb"); lookups return the first.
  TnAction& Add(const std::string& name);
  size_t Count() const { return FActions.size(); }
  TnAction& operator[](size_t i) { return *FActions.at(i); }
  const TnAction& operator[](size_t i) const { return *FActions.at(i); }

  TnAction* Find(const std::string& name);
  const TnAction* Find(const std::string& name) const;
  // The first action whose name hashes to `hash`: where a link points.
  const TnAction* FindByHash(uint32_t hash) const;
  // The enabled, visible action bound to the shortcut, primary or secondary.
  TnAction* FindByShortCut(const std::string& atalho);
  // The list's hash of a name (the value a linked action stores).
  static uint32_t HashNome(const std::string& name) { return HashNomeAcao(name); }

 private:
  std::vector<std::unique_ptr<TnAction>> FActions;
};
