#pragma once
// What undoable actions on a world work in: the world as the context of the command framework
// (its objects, its document, its edit state), and the edit check every editing command of a
// world runs first.

#include <cstdint>
#include <vector>

#include "model/command/ActionContext.h"

class TLink;
class TWorldDoc;

// Asked of the user before an edit of a world that holds recorded frames.
inline constexpr int16_t kEditRecordedWorldAlert = 1503;

class TWorldEditContext : public TActionContext {
 public:
  explicit TWorldEditContext(TWorldDoc& world) : world_(world) {}
  ~TWorldEditContext() = default;
  TWorldEditContext(const TWorldEditContext&) = delete;
  TWorldEditContext& operator=(const TWorldEditContext&) = delete;

  TLink& ContextLink() override;
  TCommandDocument* GetDocument() override;
  TEditState& EditState() override { return editState_; }
  std::vector<TLink*> Objects() override;
  TObject* FindItem(uint32_t classTag) override;
  // The world's selection is its own list of objects; actions keep no copy of it.
  TList* CurrentSelection() override { return nullptr; }
  TList* SwapSelection(TList*) override { return nullptr; }
  int16_t SwapStateWord(int16_t value) override;
  uint16_t OwnsSelections() const override { return 0; }
  void DiscardSelection(TList*) override {}
  void KeepSelection(TList*) override {}
  void ForgetSelection(TList*) override {}
  // A change made, undone or redone: the solver's copy is stale and the document changed.
  void Changed(int16_t flag) override;
  void RedrawAll(int16_t, int16_t) override {}
  void EndUpdate() override {}
  void RefreshToolColours() override {}
  void RecomputeFormulas(const std::vector<TLink*>&, const std::vector<TLink*>&,
                         TGeometryObjectCache*, RecomputeProgress, void*) override {}

 private:
  TWorldDoc& world_;
  TEditState editState_;
  int16_t stateWord_ = 0;
};

// The world an object is linked with, or null.
TWorldDoc* WorldOf(const TLink& object);
// Before an edit: while the world holds recorded frames of a run the user is asked whether to
// reset it (a yes queues the reset), and the edit is abandoned silently (error 0) either way.
void CheckWorldEdit(TWorldDoc& world);
