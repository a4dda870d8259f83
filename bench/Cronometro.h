#pragma once
// Wall time of a piece of work, for the benchmark programs.
#include <chrono>
#include <functional>

inline double Segundos(const std::function<void()>& corpo) {
  const auto inicio = std::chrono::steady_clock::now();
  corpo();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
}
