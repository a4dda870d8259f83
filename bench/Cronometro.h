#pragma once
// Time of a piece of work, for the benchmark programs: wall time, and the
// CPU time of the process (user and system), which a machine shared with
// other work inflates far less than the wall time.
#include <time.h>

#include <chrono>
#include <functional>

inline double Segundos(const std::function<void()>& corpo) {
  const auto inicio = std::chrono::steady_clock::now();
  corpo();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
}

struct TTempos {
  double Parede = 0;
  double Cpu = 0;
};

inline double SegundosDeCpu() {
  timespec agora{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &agora);
  return static_cast<double>(agora.tv_sec) + static_cast<double>(agora.tv_nsec) * 1e-9;
}

inline TTempos Tempos(const std::function<void()>& corpo) {
  const double cpu = SegundosDeCpu();
  TTempos tempos;
  tempos.Parede = Segundos(corpo);
  tempos.Cpu = SegundosDeCpu() - cpu;
  return tempos;
}
