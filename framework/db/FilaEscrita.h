#pragma once
// The writers of one database file inside this process take turns in the
// order they asked. SQLite's own wait polls with growing sleeps, so under
// many writers a waiter that has slept long is passed over by newer ones
// that poll more often, until its timeout runs out while the file is busy
// but never stuck; a queue gives each its turn.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

class TFilaEscrita {
 public:
  // The queue of a file, shared by every connection of the process that
  // opened the same file (by its canonical path).
  static std::shared_ptr<TFilaEscrita> DoArquivo(const std::string& caminho);

  // Waits for this writer's turn; false when `limite` passed first (the
  // writer then gives its place up).
  bool Entrar(std::chrono::milliseconds limite);
  // Ends the turn of the writer that entered last; the next one in line goes.
  void Sair();

 private:
  std::mutex FTrava;
  std::condition_variable FVez;
  uint64_t FProximaSenha = 0;
  uint64_t FAtendida = 0;
  bool FOcupada = false;
  std::set<uint64_t> FDesistentes;

  void PularDesistentes();
};
