#include "host/server/AlocadorWeb.h"

#include <sys/types.h>

#include <cstddef>
#include <initializer_list>

// jemalloc's control: null when the program allocates through another.
extern "C" int mallctl(const char* nome, void* antigo, size_t* tamanhoAntigo, void* novo,
                       size_t tamanhoNovo) __attribute__((weak));

namespace AlocadorWeb {

void DevolverMemoriaLogo() {
  if (mallctl == nullptr)
    return;
  ssize_t sujas = 1000;
  ssize_t descartadas = 0;
  bool ligado = true;
  for (const char* nome : {"arenas.dirty_decay_ms", "arena.4096.dirty_decay_ms"})
    mallctl(nome, nullptr, nullptr, &sujas, sizeof sujas);
  for (const char* nome : {"arenas.muzzy_decay_ms", "arena.4096.muzzy_decay_ms"})
    mallctl(nome, nullptr, nullptr, &descartadas, sizeof descartadas);
  mallctl("background_thread", nullptr, nullptr, &ligado, sizeof ligado);
}

void SemCacheNaThread() {
  if (mallctl == nullptr)
    return;
  bool ligado = false;
  mallctl("thread.tcache.enabled", nullptr, nullptr, &ligado, sizeof ligado);
}

}  // namespace AlocadorWeb
