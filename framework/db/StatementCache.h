#pragma once
// A bounded least-recently-used map from a statement's final text to the
// engine's prepared handle. The driver supplies how a handle is released;
// the cache never prepares anything itself.
//
// Two segments: a text comes in on trial, among the last kEmProva texts
// seen once, and moves to the kept segment (up to `capacity`) when it is
// asked for again while on trial, or comes back after trial dropped it (a
// loop over more texts than kEmProva: the last `capacity` texts dropped
// from trial are remembered by their hash, a collision only keeping a text
// too many). Texts built with their values in them
// (a balance query with its dates and accounts) are mostly run once; on
// trial they push out only one another, never the statements a screen runs
// on every entry, and a connection keeps at most kEmProva of them (a web
// server's fifty sessions kept 256 each, 2.4 MB of SQLite programs apiece).

#include <deque>
#include <functional>
#include <list>
#include <string>
#include <unordered_map>
#include <unordered_set>
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
  // Stores a new handle: kept when its text was dropped from trial before,
  // else on trial, releasing the least recently used one there past
  // kEmProva.
  Handle& Add(const std::string& text, Handle handle) {
    TSegmento& segmento = FDescartados.erase(std::hash<std::string>{}(text)) ? FMantidos : FEmProva;
    segmento.emplace_front(text, std::move(handle));
    FIndex[text] = {&segmento, segmento.begin()};
    Handle& novo = segmento.front().second;
    Limitar(segmento, &segmento == &FEmProva ? kEmProva : FCapacity);
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
      if (&segmento == &FEmProva)
        Lembrar(std::hash<std::string>{}(segmento.back().first));
      FRelease(segmento.back().second);
      FIndex.erase(segmento.back().first);
      segmento.pop_back();
    }
  }

  void Lembrar(size_t hash) {
    if (!FDescartados.insert(hash).second)
      return;
    FOrdemDescartados.push_back(hash);
    while (FOrdemDescartados.size() > FCapacity) {
      FDescartados.erase(FOrdemDescartados.front());
      FOrdemDescartados.pop_front();
    }
  }

  size_t FCapacity;
  std::function<void(Handle&)> FRelease;
  TSegmento FEmProva;
  TSegmento FMantidos;
  std::unordered_map<std::string, TEntrada> FIndex;
  // Hashes of the texts trial dropped, oldest first.
  std::unordered_set<size_t> FDescartados;
  std::deque<size_t> FOrdemDescartados;
};
