#pragma once
// Progress of long work, and the messages a process collects.
//
// A process reports its progress to a TnFraProgresso (text, position out of
// a maximum) and calls VerificarCancelamento at its checkpoints: once the
// person asked to cancel, the next checkpoint raises EAbort, so work stops
// where stopping is safe. The host watches through its hook (the command
// line draws a bar on a terminal); without a hook nothing is drawn.
//
// A process that must not stop at the first failure adds messages to a
// TnListaMensagem and reports them at the end.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TnFraProgresso {
 public:
  using THook = std::function<void(const TnFraProgresso&)>;

  void SetOnAtualizar(THook hook) { FOnAtualizar = std::move(hook); }

  // Starts a stage: text, maximum, position 0.
  void Iniciar(const std::string& texto, int64_t maximo);
  void SetTexto(const std::string& texto);
  // Clamped to 0..Maximo.
  void SetPosicao(int64_t posicao);
  void Incrementar(int64_t passo = 1) { SetPosicao(FPosicao + passo); }

  const std::string& Texto() const { return FTexto; }
  int64_t Posicao() const { return FPosicao; }
  int64_t Maximo() const { return FMaximo; }
  // 0..100; 0 while the maximum is unknown (0).
  int Percentual() const;

  // Asked by the person (another thread may ask: the flag is atomic).
  void Cancelar() { FCancelado.store(true); }
  bool Cancelado() const { return FCancelado.load(); }
  // Raises EAbort once cancelling was asked.
  void VerificarCancelamento() const;

 private:
  void Notificar() const;

  std::string FTexto;
  int64_t FPosicao = 0;
  int64_t FMaximo = 0;
  std::atomic<bool> FCancelado{false};
  THook FOnAtualizar;
};

enum class TTipoMensagem { tmInformacao, tmAviso, tmErro };

struct TnMensagem {
  TTipoMensagem Tipo = TTipoMensagem::tmInformacao;
  std::string Texto;
};

class TnListaMensagem {
 public:
  void Add(TTipoMensagem tipo, const std::string& texto) {
    FMensagens.push_back(TnMensagem{tipo, texto});
  }
  void AddInformacao(const std::string& texto) { Add(TTipoMensagem::tmInformacao, texto); }
  void AddAviso(const std::string& texto) { Add(TTipoMensagem::tmAviso, texto); }
  void AddErro(const std::string& texto) { Add(TTipoMensagem::tmErro, texto); }

  const std::vector<TnMensagem>& Mensagens() const { return FMensagens; }
  size_t Count() const { return FMensagens.size(); }
  size_t Quantidade(TTipoMensagem tipo) const;
  bool TemErro() const { return Quantidade(TTipoMensagem::tmErro) > 0; }
  void Limpar() { FMensagens.clear(); }
  // One message a line, errors marked "Erro: " and warnings "Aviso: ".
  std::string Texto() const;

 private:
  std::vector<TnMensagem> FMensagens;
};
