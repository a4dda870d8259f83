#pragma once
// A bounded least-recently-used map from a statement's final text to the
// engine's prepared handle. The driver supplies how a handle is released;
// the cache never prepares anything itself.
//
// Two segments: a text comes in on trial, among the last kEmProva texts
// seen once, and moves to the kept segment (up to `capacity`) when it is
// asked for again while on trial. Texts built with their values in them
// (a balance query with its dates and accounts) are mostly run once; on
// trial they push out only one another, never the statements a screen runs
// on every entry, and a connection keeps at most kEmProva of them (a web
// server's fifty sessions kept 256 each, 2.4 MB of SQLite programs apiece).

#include <functional>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>

template <typename Handle>
class TStatementCache {
 public:
  static constexpr size_t kEmProva = 16;

  TStatementCache(size_t capacity, std::function<void(Handle&)> release)
      : FCapacity(capacity), FRelease(std::move(release)) {}
  ~TStatementCache() { Clear(); }
  TStatementCache(const TStatementCache&) = delete;
  TStatementCache& operator=(const TStatementCache&) = delete;

  // The cached handle, now the most recently used; nullptr when absent. A
  // text on trial asked for again is kept from now on.
  Handle* Find(const std::string& text) {
    auto it = FIndex.find(text);
    if (it == FIndex.end())
      return nullptr;
    TEntrada& entrada = it->second;
    if (entrada.Segmento == &FEmProva) {
      FMantidos.splice(FMantidos.begin(), FEmProva, entrada.Posicao);
      entrada.Segmento = &FMantidos;
      Limitar(FMantidos, FCapacity);
    } else {
      FMantidos.splice(FMantidos.begin(), FMantidos, entrada.Posicao);
    }
    return &entrada.Posicao->second;
  }
  // Stores a new handle on trial, releasing the least recently used one on
  // trial past kEmProva.
  Handle& Add(const std::string& text, Handle handle) {
    FEmProva.emplace_front(text, std::move(handle));
    FIndex[text] = {&FEmProva, FEmProva.begin()};
    Handle& novo = FEmProva.front().second;
    Limitar(FEmProva, kEmProva);
    return novo;
  }
  void Clear() {
    for (TSegmento* segmento : {&FEmProva, &FMantidos}) {
      for (auto& entry : *segmento)
        FRelease(entry.second);
      segmento->clear();
    }
    FIndex.clear();
  }
  size_t Size() const { return FEmProva.size() + FMantidos.size(); }

 private:
  using TSegmento = std::list<std::pair<std::string, Handle>>;
  struct TEntrada {
    TSegmento* Segmento = nullptr;
    typename TSegmento::iterator Posicao;
  };

  void Limitar(TSegmento& segmento, size_t capacidade) {
    while (segmento.size() > capacidade) {
      FRelease(segmento.back().second);
      FIndex.erase(segmento.back().first);
      segmento.pop_back();
    }
  }

  size_t FCapacity;
  std::function<void(Handle&)> FRelease;
  TSegmento FEmProva;
  TSegmento FMantidos;
  std::unordered_map<std::string, TEntrada> FIndex;
};
