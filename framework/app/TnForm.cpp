#include "framework/app/TnForm.h"

#include <algorithm>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "framework/core/Nutil.h"

namespace {

std::string Chave(const std::string& name) {
  return Nutil::UpperCase(name);
}

}  // namespace

void TnComboBox::Escolher(const std::string& item) {
  const auto achado = std::find(Items.begin(), Items.end(), item);
  if (achado == Items.end())
    throw Exception("Item inexistente em " + Name() + ": " + item);
  ItemIndex = static_cast<int>(achado - Items.begin());
  if (OnChange)
    OnChange();
}

TnForm::TnForm(std::string name, std::string classe)
    : FName(std::move(name)), FClasse(std::move(classe)) {
  FStatusPanels.push_back(TnStatusPanel{200, ""});
}

void TnForm::Adicionar(std::unique_ptr<TnControle> controle, const std::string& parent) {
  if (Nutil::Trim(controle->Name()).empty()) {
    throw Exception("Controle sem nome no formulário " + FName);
  }
  if (Controle(controle->Name()) != nullptr) {
    throw Exception("Já existe um controle chamado " + controle->Name() + " no formulário " +
                    FName);
  }
  if (!parent.empty() && Controle(parent) == nullptr) {
    throw Exception("Controle pai inexistente: " + parent);
  }
  controle->Parent = parent;
  FControles.push_back(std::move(controle));
}

TnControle* TnForm::Controle(const std::string& name) {
  const size_t i = Posicao(name);
  return i < FControles.size() ? FControles[i].get() : nullptr;
}

const TnControle* TnForm::Controle(const std::string& name) const {
  const size_t i = Posicao(name);
  return i < FControles.size() ? FControles[i].get() : nullptr;
}

size_t TnForm::Posicao(const std::string& name) const {
  const std::string chave = Chave(name);
  size_t i = 0;
  while (i < FControles.size() && Chave(FControles[i]->Name()) != chave)
    ++i;
  return i;
}

bool TnForm::Remover(const std::string& name) {
  TnControle* alvo = Controle(name);
  if (alvo == nullptr) {
    return false;
  }
  std::vector<std::string> removidos{Chave(alvo->Name())};
  // Children come after their parent in creation order, so one pass finds
  // the whole subtree.
  for (const auto& c : FControles) {
    if (!c->Parent.empty() &&
        std::find(removidos.begin(), removidos.end(), Chave(c->Parent)) != removidos.end()) {
      removidos.push_back(Chave(c->Name()));
    }
  }
  std::erase_if(FControles, [&](const std::unique_ptr<TnControle>& c) {
    return std::find(removidos.begin(), removidos.end(), Chave(c->Name())) != removidos.end();
  });
  return true;
}

TnAction& TnForm::CriarAction(const std::string& name, const std::string& caption,
                              const std::string& atalho, TnActionHandler handler) {
  if (FActions.Find(name) != nullptr) {
    throw Exception("Já existe uma ação chamada " + name + " no formulário " + FName);
  }
  TnAction& action = FActions.Add(name);
  action.SetCaption(caption);
  action.SetShortCut(atalho);
  action.SetOnExecute(std::move(handler));
  return action;
}

TnToolButton& TnForm::CriarToolButton(const std::string& caption, const std::string& hint,
                                      const std::string& atalho, TnActionHandler handler) {
  std::string nome;
  do {
    nome = fmt::format("ToolButton{}", ++FToolButtons);
  } while (Controle(nome) != nullptr || FActions.Find("act" + nome) != nullptr);
  TnAction& action = CriarAction("act" + nome, caption, atalho, std::move(handler));
  action.SetHint(hint);
  TnToolButton& botao = Criar<TnToolButton>(nome);
  botao.NomeAction = action.Name();
  return botao;
}

void TnForm::EdEnabledAction(TnAction& action, bool enabled) {
  action.SetEnabled(enabled);
  for (TnControle* botao : BotoesDaAcao(action))
    botao->Enabled = enabled;
}

void TnForm::EdVisibleAction(TnAction& action, bool visible) {
  action.SetVisible(visible);
  for (TnControle* botao : BotoesDaAcao(action))
    botao->Visible = visible;
}

std::vector<TnControle*> TnForm::BotoesDaAcao(const TnAction& action) const {
  std::vector<TnControle*> botoes;
  for (const auto& c : FControles) {
    if (c->Tipo() == TTipoControle::ToolButton &&
        static_cast<const TnToolButton&>(*c).NomeAction == action.Name())
      botoes.push_back(c.get());
  }
  return botoes;
}

bool TnForm::PressionarAtalho(const std::string& atalho) {
  TnAction* action = FActions.FindByShortCut(atalho);
  return action != nullptr && action->Execute();
}

TnStatusPanel& TnForm::AddStatusPanel(int width) {
  FStatusPanels.push_back(TnStatusPanel{width, ""});
  return FStatusPanels.back();
}

TnStatusPanel& TnForm::StatusPanel(size_t index) {
  if (index >= FStatusPanels.size()) {
    throw Exception(fmt::format("Painel {} inexistente na barra de status de {}", index, FName));
  }
  return FStatusPanels[index];
}

void TnForm::Show() {
  FVisible = true;
  FFechado = false;
  for (auto& handler : FOnShow) {
    handler(*this);
  }
}

void TnForm::Resize(int clientWidth, int clientHeight) {
  ClientWidth = clientWidth;
  ClientHeight = clientHeight;
  for (auto& handler : FOnResize) {
    handler(*this);
  }
}

TModalResult TnForm::ShowModal() {
  ++FShowModalCount;
  ModalResult = TModalResult::mrNone;
  Show();
  if (FOnShowModal) {
    FOnShowModal(*this);
  }
  FVisible = false;
  return ModalResult == TModalResult::mrNone ? TModalResult::mrCancel : ModalResult;
}

bool TnForm::Close() {
  for (auto& handler : FOnCloseQuery) {
    if (!handler(*this)) {
      return false;
    }
  }
  FVisible = false;
  FFechado = true;
  return true;
}
