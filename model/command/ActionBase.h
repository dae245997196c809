#pragma once
// The root of every undoable action. Undo works by images: before and after its own work, the
// action writes the state of every object it declared it would change into two memory images
// with change recorders; undo reads the first image back, redo the second.
//
// What is saved of an object is named by a code: a block code (one stored block), -2 (the whole
// object) or -1 (its short record). The undo image holds the before-state of changed blocks and
// whole objects, then the short records of the -1 objects as they are after the work; the redo
// image holds the short records as they were before, then the after-state of the rest.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Handle.h"
#include "model/command/ActionContext.h"
#include "model/command/CommandCore.h"
#include "model/handler/TargetHandler.h"

class TChangeReader;
class TChangeRecorder;
class TLink;
class TThing;

class TActionBase : public TCommandCore {
  DECLARE_CLASS_ID(559, TCommandCore)

 public:
  TActionBase();
  // Frees the images, recorders and readers, and gives back a selection the action still keeps.
  ~TActionBase() override;

  // Clears the action's own fields and initialises the command base with the context's
  // document; an undoable action gets its two recorders.
  virtual void InitAction(int16_t commandNumber, TCommandView* view, TActionContext* context,
                          uint16_t canUndo);

  // Save the context's edit mode and mark it performing; prepare once (BeforePrepare,
  // PrepareWithRecovery, AfterPrepare); DoWork; AfterWork, FinishUndo, FreeAttached. A failure of
  // DoWork in an undoable action rolls the world back through the undo image and passes on. The
  // edit mode is restored however the action ends; an action abandoned with error 0 rolls back
  // without telling the context of a change.
  void Perform() override;
  void Redo() override;
  void Undo() override;
  bool TrackingDone() override { return TCommandCore::TrackingDone(); }

  // Before the work: the undo recorder writes the before-state, the redo recorder the short
  // records, and the action takes the context's selection. Out of memory while writing goes to
  // PrepareFailed; when that returns, the action goes on without undo.
  virtual void PrepareWithRecovery();
  virtual void BeforePrepare() {}
  virtual void AfterPrepare() {}
  virtual void AfterWork() {}
  // Finishes each recorder into its image and deletes it.
  virtual void FreeAttached();
  // After the work: the rest of both images; gives the selection back when the context has none.
  virtual void FinishUndo();
  // Marks the event handled.
  virtual void HandleEvent(TEventRecord& event) { event.handled = 1; }
  // Enters (object, code) into both recorders.
  virtual void NoteChange(TLink* object, int16_t code);
  // The action's own work; nothing here.
  virtual void DoWork() {}
  // Raises the failure again, so that the action fails before any work.
  virtual void PrepareFailed(int16_t error, int32_t message);
  // When undoable: notes every object of the list, and each of its parts, with the code.
  virtual void NoteChangeOfAll(const std::vector<TLink*>& objects, int16_t code);

  TActionContext* GetContext() const { return context_; }
  uint16_t KeepsSelection() const { return keepsSelection_; }
  void SetKeepsSelection(uint16_t on) { keepsSelection_ = on; }
  TList* SavedSelection() const { return savedSelection_; }
  uint16_t IsDone() const { return done_; }
  // The images once the action has been performed (null when it is not undoable).
  Handle UndoImage() const { return undoImage_; }
  Handle RedoImage() const { return redoImage_; }
  TChangeRecorder* UndoRecorder() const { return undoRecorder_.get(); }
  TChangeRecorder* RedoRecorder() const { return redoRecorder_.get(); }

 protected:
  // BeforePrepare, PrepareWithRecovery and AfterPrepare, the first time only: trackers prepare
  // at the first movement, so that Perform does not take the before-image again.
  void PrepareOnce();
  // Swaps the saved selection with the context's current one.
  void SwapSavedSelection();

 private:
  // Reads the undo image back after DoWork failed; the context hears of it only when the work
  // failed (not when it was abandoned with error 0).
  void RollBack(bool workFailed);
  void ReadImage(Handle image, std::unique_ptr<TChangeReader>& reader, int16_t mode);
  void DropRecorders();
  void ReleaseSavedSelection();

  TActionContext* context_ = nullptr;
  TList* savedSelection_ = nullptr;
  uint16_t keepsSelection_ = 1;
  Handle undoImage_ = nullptr;
  Handle redoImage_ = nullptr;
  std::unique_ptr<TChangeRecorder> undoRecorder_;
  std::unique_ptr<TChangeRecorder> redoRecorder_;
  std::unique_ptr<TChangeReader> undoReader_;
  std::unique_ptr<TChangeReader> redoReader_;
  uint16_t done_ = 0;
  // Whether reading an image tells the context it changed (not while an abandoned action rolls
  // back).
  bool tellsContext_ = true;
};
