#pragma once
// A small world of things for the command tests: a link whose elements are its objects, with
// the edit state, selection and notices of an action context, counted so tests can look.

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/Handle.h"
#include "core/List.h"
#include "model/Thing.h"
#include "model/command/ActionContext.h"
#include "model/command/CommandCore.h"
#include "model/filing/ObjectWriter.h"

namespace command_test {

class TTestDocument : public TCommandDocument {
 public:
  int32_t GetChangeCount() const override { return changes; }
  void SetChangeCount(int32_t count) override { changes = count; }
  int32_t changes = 0;
};

class TTestWorld : public TLink, public TActionContext {
  DECLARE_CLASS_ID(9101, TLink)

 public:
  static constexpr int16_t kIdentifier = 10000;

  // count things with identifiers 2, 3, ..., each with its own colour.
  explicit TTestWorld(int count = 3) {
    SetIdentifier(kIdentifier);
    for (int i = 0; i < count; ++i) {
      auto thing = std::make_unique<TThing>();
      thing->Initialize();
      thing->SetIdentifier(static_cast<int16_t>(i + 2));
      thing->SetColourProperty(MakeTag("colr"),
                               RGB16Color{static_cast<uint16_t>(0x1000 * (i + 1)), 0x0202, 0x0303});
      AddDependent(thing.get());
      things.push_back(std::move(thing));
    }
  }
  ~TTestWorld() override {
    for (auto& thing : things)
      RemoveDependent(thing.get());
  }

  TThing& Thing(size_t i) { return *things.at(i); }

  // Adds a thing of a class of the test's own.
  template <class T, class... Arguments>
  T& Add(int16_t identifier, Arguments&&... arguments) {
    auto thing = std::make_unique<T>(std::forward<Arguments>(arguments)...);
    thing->Initialize();
    thing->SetIdentifier(identifier);
    AddDependent(thing.get());
    T& added = *thing;
    things.push_back(std::move(thing));
    return added;
  }

  // The document bytes of the world's objects.
  std::vector<uint8_t> DocumentBytes() {
    std::vector<TLink*> objects;
    for (auto& thing : things)
      objects.push_back(thing.get());
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  // TActionContext.
  TLink& ContextLink() override { return *this; }
  TCommandDocument* GetDocument() override { return &document; }
  TEditState& EditState() override { return editState; }
  std::vector<TLink*> Objects() override {
    std::vector<TLink*> objects;
    for (auto& thing : things)
      objects.push_back(thing.get());
    for (TLink* extra : extras)
      objects.push_back(extra);
    return objects;
  }
  TObject* FindItem(uint32_t tag) override { return tag == itemTag ? item : nullptr; }
  TList* CurrentSelection() override { return selection; }
  TList* SwapSelection(TList* list) override {
    TList* const old = selection;
    selection = list;
    return old;
  }
  int16_t SwapStateWord(int16_t value) override {
    const int16_t old = stateWord;
    stateWord = value;
    return old;
  }
  uint16_t OwnsSelections() const override { return ownsSelections; }
  void DiscardSelection(TList* list) override { discarded.push_back(list); }
  void KeepSelection(TList* list) override { kept.push_back(list); }
  void ForgetSelection(TList* list) override { forgotten.push_back(list); }
  void Changed(int16_t flag) override { changedNotices.push_back(flag); }
  void RedrawAll(int16_t, int16_t) override { ++redraws; }
  void EndUpdate() override { ++endUpdates; }
  void RefreshToolColours() override { ++toolRefreshes; }
  void RecomputeFormulas(const std::vector<TLink*>& first, const std::vector<TLink*>& second,
                         TGeometryObjectCache*, RecomputeProgress progress, void* state) override {
    recomputed = first;
    recomputed.insert(recomputed.end(), second.begin(), second.end());
    if (recompute) recompute(progress, state);
  }

  std::vector<std::unique_ptr<TThing>> things;
  std::vector<TLink*> extras;  // further objects the world walks (not its elements)
  TTestDocument document;
  TEditState editState;
  TList* selection = nullptr;
  int16_t stateWord = 7;
  uint16_t ownsSelections = 0;
  std::vector<TList*> discarded, kept, forgotten;
  std::vector<int16_t> changedNotices;
  int redraws = 0;
  int endUpdates = 0;
  int toolRefreshes = 0;
  uint32_t itemTag = 0;
  TObject* item = nullptr;
  std::vector<TLink*> recomputed;
  // Runs inside RecomputeFormulas, to drive the progress check.
  std::function<void(RecomputeProgress, void*)> recompute;
};

}  // namespace command_test
