#include "framework/app/NutilAmbiente.h"

#include <atomic>
#include <iostream>
#include <mutex>

#include "framework/core/FormatDateTime.h"
#include "framework/core/TDateTime.h"

namespace {

std::atomic<bool> gEhCloud{false};
std::atomic<bool> gEhHttpExe{false};
std::atomic<bool> gEhHttp{false};
std::atomic<bool> gEhExecutavelnWeb{false};

// Workers of a parallel process may log while the host replaces the sink.
std::mutex gLogMutex;
Nutil::TLogSink gLogSink;

}  // namespace

namespace Nutil {

bool EhCloud() {
  return gEhCloud.load();
}
bool EhHttpExe() {
  return gEhHttpExe.load();
}
bool EhHttp() {
  return gEhHttp.load();
}
bool EhExecutavelnWeb() {
  return gEhExecutavelnWeb.load();
}

void SetEhCloud(bool value) {
  gEhCloud.store(value);
}
void SetEhHttpExe(bool value) {
  gEhHttpExe.store(value);
}
void SetEhHttp(bool value) {
  gEhHttp.store(value);
}
void SetEhExecutavelnWeb(bool value) {
  gEhExecutavelnWeb.store(value);
}

void LogDB(const std::string& descricao, int64_t codigoUsuario) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  const TLinhaLog linha{descricao, codigoUsuario};
  if (gLogSink) {
    gLogSink(linha);
    return;
  }
  std::cerr << TextoLinhaLog(linha) << "\n";
}

std::string TextoLinhaLog(const TLinhaLog& linha) {
  return "LOG " + FormatDateTime("yyyy-mm-dd hh:nn:ss", Now()) +
         " usuario=" + std::to_string(linha.CodigoUsuario) + ": " + linha.Descricao;
}

void SetLogSink(TLogSink sink) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  gLogSink = std::move(sink);
}

}  // namespace Nutil
