#pragma once
// A headless screen: the plain data model of a form that modules build and
// hosts read. There is no drawing here; a host renders the model (a terminal,
// a web page) or a test asserts on it.
//
// A form owns its controls, keyed by name (unique within the form, compared
// without regard to case, in creation order), its actions, the panels of its
// status bar and the handlers chained on show, resize and close. A new form
// has one status-bar panel (index 0, the host's); modules add theirs after it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/TnAction.h"
#include "framework/core/Exceptions.h"

enum class TTipoControle { Label, Panel, FraField, Splitter, ToolButton, ComboBox };

class TnControle {
 public:
  explicit TnControle(std::string name) : FName(std::move(name)) {}
  virtual ~TnControle() = default;
  TnControle(const TnControle&) = delete;
  TnControle& operator=(const TnControle&) = delete;

  virtual TTipoControle Tipo() const = 0;
  const std::string& Name() const { return FName; }

  // The control it sits in ("" for the form itself).
  std::string Parent;
  bool Visible = true;
  bool Enabled = true;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  // "alTop", "alClient"...; "" for no alignment.
  std::string Align;

 private:
  std::string FName;
};

// Colours as 0x00BBGGRR, the host's colour numbers.
inline constexpr uint32_t kCorPadrao = 0x80000008;  // the window text colour
inline constexpr uint32_t kCorVermelho = 0x000000FF;
inline constexpr uint32_t kCorAzul = 0x00FF0000;
inline constexpr uint32_t kCorBarraRolagem = 0x80000000;  // the system scroll-bar colour

class TnLabel : public TnControle {
 public:
  using TnControle::TnControle;
  TTipoControle Tipo() const override { return TTipoControle::Label; }
  std::string Caption;
  uint32_t Color = kCorPadrao;
  bool Bold = false;
};

class TnPanel : public TnControle {
 public:
  using TnControle::TnControle;
  TTipoControle Tipo() const override { return TTipoControle::Panel; }
  std::string Caption;
  uint32_t Color = kCorPadrao;
};

// A field frame: the label, the code edit of a field and the box that shows
// the code's description (an account and its name).
class TnFraField : public TnControle {
 public:
  using TnControle::TnControle;
  TTipoControle Tipo() const override { return TTipoControle::FraField; }
  std::string NomeCampo;
  std::string Titulo;
  std::string Codigo;
  std::string Descricao;
  // How the title and the code edit are drawn (font size 0: the form's).
  uint32_t CorTitulo = kCorPadrao;
  uint32_t CorEdit = kCorPadrao;
  bool Negrito = false;
  int TamanhoFonte = 0;
  int EditTop = 16;
  int EditHeight = 21;
};

class TnSplitter : public TnControle {
 public:
  using TnControle::TnControle;
  TTipoControle Tipo() const override { return TTipoControle::Splitter; }
};

class TnToolButton : public TnControle {
 public:
  using TnControle::TnControle;
  TTipoControle Tipo() const override { return TTipoControle::ToolButton; }
  // The action the button fires; its caption, hint and shortcut are the
  // action's.
  std::string NomeAction;
};

// A list to choose one item from, with its label; changing the choice runs
// OnChange.
class TnComboBox : public TnControle {
 public:
  using TnControle::TnControle;
  TTipoControle Tipo() const override { return TTipoControle::ComboBox; }
  std::string Rotulo;
  std::string Hint;
  std::vector<std::string> Items;
  // The chosen item; "" when none.
  std::string Text() const {
    return ItemIndex >= 0 && static_cast<size_t>(ItemIndex) < Items.size()
               ? Items[static_cast<size_t>(ItemIndex)]
               : std::string();
  }
  // Chooses the item (Exception when it is not in the list) and runs OnChange.
  void Escolher(const std::string& item);
  int ItemIndex = -1;
  std::function<void()> OnChange;
};

struct TnStatusPanel {
  int Width = 0;
  std::string Text;
};

enum class TModalResult { mrNone, mrOk, mrCancel };

class TnForm {
 public:
  // `classe` is the form kind the modules test ("TnFrmCadastro",
  // "TnFrmVisDataSet", "TnFrmCadGrid").
  explicit TnForm(std::string name, std::string classe = "TnFrmCadastro");

  const std::string& Name() const { return FName; }
  const std::string& ClassName() const { return FClasse; }
  std::string Caption;

  // Sizes: the client area and the screen the form is shown on.
  int ClientWidth = 800;
  int ClientHeight = 600;
  int ScreenWidth = 1366;
  int ScreenHeight = 768;
  // The host's position code (6: centred on the main form).
  int Position = 0;

  // Creates a control; raises Exception when the name is taken or empty, or
  // when `parent` names no control of this form.
  template <class T>
  T& Criar(const std::string& name, const std::string& parent = "") {
    auto controle = std::make_unique<T>(name);
    T& ref = *controle;
    Adicionar(std::move(controle), parent);
    return ref;
  }
  // nullptr when there is none.
  TnControle* Controle(const std::string& name);
  const TnControle* Controle(const std::string& name) const;
  // Raises Exception when missing or of another kind.
  template <class T>
  T& ControleComo(const std::string& name) {
    TnControle* controle = Controle(name);
    T* typed = dynamic_cast<T*>(controle);
    if (typed == nullptr) {
      throw Exception(
          (controle == nullptr ? "Controle inexistente: " : "Controle de outro tipo: ") + name);
    }
    return *typed;
  }
  TnLabel& Label(const std::string& name) { return ControleComo<TnLabel>(name); }
  TnPanel& Panel(const std::string& name) { return ControleComo<TnPanel>(name); }
  TnFraField& FraField(const std::string& name) { return ControleComo<TnFraField>(name); }
  size_t ControleCount() const { return FControles.size(); }
  const TnControle& ControleAt(size_t i) const { return *FControles.at(i); }
  // False when there was none; the children of a removed control go with it.
  bool Remover(const std::string& name);

  // The screen's actions.
  TnActionList& Actions() { return FActions; }
  const TnActionList& Actions() const { return FActions; }
  TnAction& CriarAction(const std::string& name, const std::string& caption,
                        const std::string& atalho, TnActionHandler handler);
  // A tool button with its own action ("actToolButtonN" for "ToolButtonN").
  TnToolButton& CriarToolButton(const std::string& caption, const std::string& hint,
                                const std::string& atalho, TnActionHandler handler);
  // Enables or disables an action and the buttons that fire it.
  void EdEnabledAction(TnAction& action, bool enabled);
  // Shows or hides an action and the buttons that fire it.
  void EdVisibleAction(TnAction& action, bool visible);
  // Runs the enabled, visible action bound to the shortcut; false when none.
  bool PressionarAtalho(const std::string& atalho);

  // Status bar.
  std::vector<TnStatusPanel>& StatusPanels() { return FStatusPanels; }
  const std::vector<TnStatusPanel>& StatusPanels() const { return FStatusPanels; }
  TnStatusPanel& AddStatusPanel(int width);
  // Raises Exception for an index out of range.
  TnStatusPanel& StatusPanel(size_t index);

  // A register form locked for editing: the host refuses to put the record
  // in edit mode while it is set.
  void SetEditLock(bool value) { FEditLock = value; }
  bool EditLock() const { return FEditLock; }

  // Focus: the field whose editor has it ("" when none).
  void FocarCampo(const std::string& nomeCampo) { FCampoFocado = nomeCampo; }
  const std::string& CampoFocado() const { return FCampoFocado; }

  // Handler chains, run in the order added.
  void AddOnShow(std::function<void(TnForm&)> handler) { FOnShow.push_back(std::move(handler)); }
  void AddOnResize(std::function<void(TnForm&)> handler) {
    FOnResize.push_back(std::move(handler));
  }
  // A handler returning false keeps the form open; later ones do not run.
  void AddOnCloseQuery(std::function<bool(TnForm&)> handler) {
    FOnCloseQuery.push_back(std::move(handler));
  }

  // Shows the form (runs the show handlers).
  void Show();
  bool Visible() const { return FVisible; }
  void Resize(int clientWidth, int clientHeight);
  // Shows the form modally: runs the show handlers, then the host's modal
  // hook (which drives the form and sets ModalResult), and returns the
  // result; mrCancel when nothing set one. Every call is counted.
  TModalResult ShowModal();
  int ShowModalCount() const { return FShowModalCount; }
  TModalResult ModalResult = TModalResult::mrNone;
  void SetOnShowModal(std::function<void(TnForm&)> hook) { FOnShowModal = std::move(hook); }
  // Asks the close-query chain; true when the form closed.
  bool Close();
  bool Fechado() const { return FFechado; }

 private:
  void Adicionar(std::unique_ptr<TnControle> controle, const std::string& parent);
  // The tool buttons that fire the action.
  std::vector<TnControle*> BotoesDaAcao(const TnAction& action) const;
  // The control's position; the count of controls when there is none.
  size_t Posicao(const std::string& name) const;

  // Set at creation.
  std::string FName;
  std::string FClasse;
  // Owned content.
  std::vector<std::unique_ptr<TnControle>> FControles;
  TnActionList FActions;
  std::vector<TnStatusPanel> FStatusPanels;
  int FToolButtons = 0;
  // Handlers.
  std::vector<std::function<void(TnForm&)>> FOnShow;
  std::vector<std::function<void(TnForm&)>> FOnResize;
  std::vector<std::function<bool(TnForm&)>> FOnCloseQuery;
  std::function<void(TnForm&)> FOnShowModal;
  // State.
  std::string FCampoFocado;
  bool FVisible = false;
  bool FFechado = false;
  bool FEditLock = false;
  int FShowModalCount = 0;
};

// The application's main window: its actions are the menu the host built
// (TnDM::GerarPrincActions). A host lends it to the session
// (TnSessao::Emprestar), so a screen can start a menu entry as the person
// would from the menu.
class TnFormPrincipal : public TnForm {
 public:
  TnFormPrincipal() : TnForm("FrmPrincipal", "TnFrmPrincipal") {}
};
