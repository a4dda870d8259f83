#pragma once
// Messages kept as a tree: each under the item it concerns (an entry, and
// under it one of its rows), so a long run's report reads by item instead
// of as one flat list (TnListaMensagem).
//
// A process adds a message under a node it got back from an earlier Add, or
// at the top with none; the node can then take messages of its own. A
// screen shows it as a tree view; TnArvoreMensagem keeps it for a report.
// The nodes belong to the sink and stay where they are until it goes.

#include <memory>
#include <string>
#include <vector>

#include "framework/app/TnFraProgresso.h"

struct TnNoMensagem {
  TTipoMensagem Tipo = TTipoMensagem::tmInformacao;
  std::string Texto;
  std::vector<std::unique_ptr<TnNoMensagem>> Filhos;
};

class ITreeMessager {
 public:
  virtual ~ITreeMessager() = default;
  // The new message's node, under `pai` (at the top when null).
  virtual TnNoMensagem* Add(TnNoMensagem* pai, TTipoMensagem tipo, const std::string& texto) = 0;
};

class TnArvoreMensagem : public ITreeMessager {
 public:
  TnNoMensagem* Add(TnNoMensagem* pai, TTipoMensagem tipo, const std::string& texto) override;

  // The top-level nodes, in the order they were added.
  const std::vector<std::unique_ptr<TnNoMensagem>>& Nos() const { return FRaiz.Filhos; }
  // Whether any node, at any depth, is an error.
  bool TemErro() const;

 private:
  TnNoMensagem FRaiz;
};
