#pragma once
// What an undoable action asks of the world it works on. The world object implements it; the
// actions only call it.

#include <cstdint>
#include <vector>

class TCommandDocument;
class TFormula;
class TGeometryObjectCache;
class TLink;
class TList;
class TObject;

// The context's edit state: what is being done to it now (1 performing, 2 undoing, 3 redoing;
// other values are the context's own) and a detail word that each of those operations clears.
struct TEditState {
  static constexpr int16_t kPerforming = 1;
  static constexpr int16_t kUndoing = 2;
  static constexpr int16_t kRedoing = 3;
  int16_t mode = 0;
  int16_t detail = 0;
};

// The progress callback of a formula recomputation: (state, start, reached, total) -> stop.
using RecomputeProgress = bool (*)(void* state, double start, double reached, double total);

class TActionContext {
 public:
  // The world as a link: its elements are its objects, and undo images are read back into them.
  virtual TLink& ContextLink() = 0;
  virtual TCommandDocument* GetDocument() = 0;
  virtual TEditState& EditState() = 0;
  // Every object of the world, in the world's order.
  virtual std::vector<TLink*> Objects() = 0;
  // The world's item of the class tag (its geometry manager, "wGMr"), or null.
  virtual TObject* FindItem(uint32_t classTag) = 0;

  // Selections. A selection is a list of objects that the context keeps.
  virtual TList* CurrentSelection() = 0;
  // Installs the selection (null: none) and answers the one that was current.
  virtual TList* SwapSelection(TList* selection) = 0;
  // Stores the value into the context's read-state word and answers the previous value.
  virtual int16_t SwapStateWord(int16_t value) = 0;
  // Whether the context owns the selections it has given out.
  virtual uint16_t OwnsSelections() const = 0;
  // Takes the selection out of the context's selection lists and frees it with its items.
  virtual void DiscardSelection(TList* selection) = 0;
  // Adds the selection to the context's kept selections.
  virtual void KeepSelection(TList* selection) = 0;
  // Tells a selection that it is no longer current and deletes it, unless the context still
  // holds it.
  virtual void ForgetSelection(TList* selection) = 0;

  // Notices.
  // The work of a command is done (0): views and meters refresh.
  virtual void Changed(int16_t flag) = 0;
  virtual void RedrawAll(int16_t first, int16_t second) = 0;
  // A formula change is over.
  virtual void EndUpdate() = 0;
  // The current tool refreshes its colours after an undo or redo.
  virtual void RefreshToolColours() = 0;
  // Recomputes the formulas of the objects of the two lists, in their order, calling progress
  // as it goes and stopping when it answers true.
  virtual void RecomputeFormulas(const std::vector<TLink*>& first,
                                 const std::vector<TLink*>& second, TGeometryObjectCache* cache,
                                 RecomputeProgress progress, void* progressState) = 0;

 protected:
  ~TActionContext() = default;
};
