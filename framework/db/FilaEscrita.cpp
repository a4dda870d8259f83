#include "framework/db/FilaEscrita.h"

#include <filesystem>
#include <map>

std::shared_ptr<TFilaEscrita> TFilaEscrita::DoArquivo(const std::string& caminho) {
  static std::mutex trava;
  static std::map<std::string, std::weak_ptr<TFilaEscrita>> filas;
  std::error_code erro;
  const std::filesystem::path canonico = std::filesystem::weakly_canonical(caminho, erro);
  const std::string chave = erro ? caminho : canonico.string();
  std::lock_guard guarda(trava);
  std::shared_ptr<TFilaEscrita> fila = filas[chave].lock();
  if (!fila) {
    fila = std::make_shared<TFilaEscrita>();
    filas[chave] = fila;
  }
  // Queues no connection holds any more are forgotten as others are made.
  std::erase_if(filas, [](const auto& par) { return par.second.expired(); });
  return fila;
}

bool TFilaEscrita::Entrar(std::chrono::milliseconds limite) {
  std::unique_lock guarda(FTrava);
  const uint64_t senha = FProximaSenha++;
  const bool vez = FVez.wait_for(guarda, limite, [&] { return !FOcupada && FAtendida == senha; });
  if (!vez) {
    FDesistentes.insert(senha);
    PularDesistentes();
    FVez.notify_all();
    return false;
  }
  FOcupada = true;
  return true;
}

void TFilaEscrita::Sair() {
  {
    std::lock_guard guarda(FTrava);
    FOcupada = false;
    ++FAtendida;
    PularDesistentes();
  }
  FVez.notify_all();
}

void TFilaEscrita::PularDesistentes() {
  while (!FOcupada && FDesistentes.erase(FAtendida) > 0)
    ++FAtendida;
}
