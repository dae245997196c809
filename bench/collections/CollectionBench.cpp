// What the walk-safe lists cost against the standard containers doing the same work: appending,
// inserting in order, and visiting every element.

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/Iterator.h"
#include "core/List.h"

namespace {

TObject* Fake(uintptr_t value) {
  return reinterpret_cast<TObject*>(value);
}

// The same pseudo-random keys for every container; never zero, so no element is skipped as null.
std::vector<uintptr_t> Keys(int64_t n) {
  std::mt19937_64 random(42);
  std::vector<uintptr_t> keys(static_cast<size_t>(n));
  for (uintptr_t& key : keys)
    key = 1 + random() % (1u << 30);
  return keys;
}

TList* FilledList(int64_t n) {
  TList* list = TList::NewList();
  for (int64_t i = 1; i <= n; ++i)
    list->InsertLast(Fake(static_cast<uintptr_t>(i)));
  return list;
}

// ---- appending ------------------------------------------------------------------------------

void BM_ListInsertLast(benchmark::State& state) {
  for (auto _ : state) {
    TList* const list = TList::NewList();
    for (int64_t i = 1; i <= state.range(0); ++i)
      list->InsertLast(Fake(static_cast<uintptr_t>(i)));
    benchmark::DoNotOptimize(list->Last());
    list->Free();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListInsertLast)->Arg(64)->Arg(1024)->Arg(16384);

void BM_VectorPushBack(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<TObject*> vector;
    for (int64_t i = 1; i <= state.range(0); ++i)
      vector.push_back(Fake(static_cast<uintptr_t>(i)));
    const TObject* const last = vector.back();
    benchmark::DoNotOptimize(last);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_VectorPushBack)->Arg(64)->Arg(1024)->Arg(16384);

void BM_ListInsertFirst(benchmark::State& state) {
  for (auto _ : state) {
    TList* const list = TList::NewList();
    for (int64_t i = 1; i <= state.range(0); ++i)
      list->InsertFirst(Fake(static_cast<uintptr_t>(i)));
    benchmark::DoNotOptimize(list->First());
    list->Free();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListInsertFirst)->Arg(64)->Arg(1024)->Arg(16384);

void BM_VectorInsertFront(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<TObject*> vector;
    for (int64_t i = 1; i <= state.range(0); ++i) {
      vector.insert(vector.begin(), Fake(static_cast<uintptr_t>(i)));
    }
    const TObject* const first = vector.front();
    benchmark::DoNotOptimize(first);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_VectorInsertFront)->Arg(64)->Arg(1024)->Arg(16384);

// ---- sorted insertion -----------------------------------------------------------------------

void BM_SortedListAdd(benchmark::State& state) {
  const std::vector<uintptr_t> keys = Keys(state.range(0));
  for (auto _ : state) {
    TSortedList* const list = TSortedList::NewSortedList();
    for (const uintptr_t key : keys)
      list->Add(Fake(key));
    benchmark::DoNotOptimize(list->First());
    list->Free();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortedListAdd)->Arg(64)->Arg(1024)->Arg(16384);

void BM_MultisetInsert(benchmark::State& state) {
  const std::vector<uintptr_t> keys = Keys(state.range(0));
  for (auto _ : state) {
    std::multiset<TObject*> set;
    for (const uintptr_t key : keys)
      set.insert(Fake(key));
    const TObject* const first = *set.begin();
    benchmark::DoNotOptimize(first);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MultisetInsert)->Arg(64)->Arg(1024)->Arg(16384);

void BM_SortedVectorInsert(benchmark::State& state) {
  const std::vector<uintptr_t> keys = Keys(state.range(0));
  for (auto _ : state) {
    std::vector<TObject*> vector;
    for (const uintptr_t key : keys) {
      TObject* const object = Fake(key);
      vector.insert(std::upper_bound(vector.begin(), vector.end(), object), object);
    }
    const TObject* const first = vector.front();
    benchmark::DoNotOptimize(first);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortedVectorInsert)->Arg(64)->Arg(1024)->Arg(16384);

// ---- visiting every element -----------------------------------------------------------------

void BM_ListEachWithArgs(benchmark::State& state) {
  TList* const list = FilledList(state.range(0));
  for (auto _ : state) {
    uintptr_t sum = 0;
    list->EachWithArgs([&](TObject* object) { sum += reinterpret_cast<uintptr_t>(object); });
    const uintptr_t result = sum;
    benchmark::DoNotOptimize(result);
  }
  list->Free();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListEachWithArgs)->Arg(64)->Arg(1024)->Arg(16384);

void BM_ListIterator(benchmark::State& state) {
  TList* const list = FilledList(state.range(0));
  for (auto _ : state) {
    uintptr_t sum = 0;
    TArrayIterator iterator(list, true);
    for (void* e = iterator.FirstElement(); iterator.More(); e = iterator.NextElement()) {
      sum += reinterpret_cast<uintptr_t>(e);
    }
    const uintptr_t result = sum;
    benchmark::DoNotOptimize(result);
  }
  list->Free();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListIterator)->Arg(64)->Arg(1024)->Arg(16384);

void BM_ListIndexLoop(benchmark::State& state) {
  TList* const list = FilledList(state.range(0));
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (int32_t i = 1; i <= list->GetCount(); ++i)
      sum += reinterpret_cast<uintptr_t>(list->At(i));
    const uintptr_t result = sum;
    benchmark::DoNotOptimize(result);
  }
  list->Free();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListIndexLoop)->Arg(64)->Arg(1024)->Arg(16384);

void BM_VectorIteration(benchmark::State& state) {
  std::vector<TObject*> vector;
  for (int64_t i = 1; i <= state.range(0); ++i)
    vector.push_back(Fake(static_cast<uintptr_t>(i)));
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (TObject* object : vector)
      sum += reinterpret_cast<uintptr_t>(object);
    const uintptr_t result = sum;
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_VectorIteration)->Arg(64)->Arg(1024)->Arg(16384);

void BM_MultisetIteration(benchmark::State& state) {
  std::multiset<TObject*> set;
  for (const uintptr_t key : Keys(state.range(0)))
    set.insert(Fake(key));
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (TObject* object : set)
      sum += reinterpret_cast<uintptr_t>(object);
    const uintptr_t result = sum;
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MultisetIteration)->Arg(64)->Arg(1024)->Arg(16384);

}  // namespace

BENCHMARK_MAIN();
