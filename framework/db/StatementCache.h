#pragma once
// A bounded least-recently-used map from a statement's final text to the
// engine's prepared handle. The driver supplies how a handle is released;
// the cache never prepares anything itself.

#include <functional>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>

template <typename Handle>
class TStatementCache {
 public:
  TStatementCache(size_t capacity, std::function<void(Handle&)> release)
      : FCapacity(capacity), FRelease(std::move(release)) {}
  ~TStatementCache() { Clear(); }
  TStatementCache(const TStatementCache&) = delete;
  TStatementCache& operator=(const TStatementCache&) = delete;

  // The cached handle, now the most recently used; nullptr when absent.
  Handle* Find(const std::string& text) {
    auto it = FIndex.find(text);
    if (it == FIndex.end())
      return nullptr;
    FOrder.splice(FOrder.begin(), FOrder, it->second);
    return &it->second->second;
  }
  // Stores a new handle, releasing the least recently used past capacity.
  Handle& Add(const std::string& text, Handle handle) {
    FOrder.emplace_front(text, std::move(handle));
    FIndex[text] = FOrder.begin();
    while (FOrder.size() > FCapacity) {
      FRelease(FOrder.back().second);
      FIndex.erase(FOrder.back().first);
      FOrder.pop_back();
    }
    return FOrder.front().second;
  }
  void Clear() {
    for (auto& entry : FOrder)
      FRelease(entry.second);
    FOrder.clear();
    FIndex.clear();
  }
  size_t Size() const { return FOrder.size(); }

 private:
  size_t FCapacity;
  std::function<void(Handle&)> FRelease;
  std::list<std::pair<std::string, Handle>> FOrder;
  std::unordered_map<std::string, typename std::list<std::pair<std::string, Handle>>::iterator>
      FIndex;
};
