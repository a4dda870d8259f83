#include "host/common/Terminal.h"

#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace Terminal {

namespace {

winsize Tamanho() {
  winsize tamanho{};
  if (::isatty(STDOUT_FILENO) == 0 || ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &tamanho) != 0)
    return winsize{};
  return tamanho;
}

std::string Paginador() {
  const char* pager = std::getenv("PAGER");
  return pager != nullptr ? pager : "less -FRX";
}

// The pager owns the screen until the person leaves it; a pager left early
// closes its end of the pipe, which must not kill us.
bool Paginar(const std::string& texto) {
  const std::string comando = Paginador();
  if (comando.empty())
    return false;
  std::cout.flush();
  struct sigaction ignorar {
  }, anterior{};
  ignorar.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignorar, &anterior);
  FILE* pager = ::popen(comando.c_str(), "w");
  if (pager == nullptr) {
    ::sigaction(SIGPIPE, &anterior, nullptr);
    return false;
  }
  std::fwrite(texto.data(), 1, texto.size(), pager);
  const int status = ::pclose(pager);
  ::sigaction(SIGPIPE, &anterior, nullptr);
  // A pager that could not start (127 from the shell) leaves the text unseen.
  return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
}

}  // namespace

bool PessoaAssiste() {
  return ::isatty(STDOUT_FILENO) != 0 && ::isatty(STDERR_FILENO) != 0;
}

size_t Largura() {
  return Tamanho().ws_col;
}

size_t Altura() {
  return Tamanho().ws_row;
}

void Mostrar(const std::string& texto) {
  const size_t altura = Altura();
  const auto linhas = static_cast<size_t>(std::count(texto.begin(), texto.end(), '\n'));
  if (altura > 0 && linhas >= altura && Paginar(texto))
    return;
  std::cout << texto << std::flush;
}

}  // namespace Terminal
