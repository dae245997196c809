#include "model/command/ActionBase.h"

#include "core/Failure.h"
#include "core/List.h"
#include "model/Thing.h"
#include "model/filing/ChangeRecorder.h"

namespace {

// Marks the context's edit state with what the action is doing and puts the previous mode back
// however the operation ends, a failure included.
class EditModeScope {
 public:
  EditModeScope(TActionContext* context, int16_t mode)
      : state_(context != nullptr ? &context->EditState() : nullptr) {
    if (state_ == nullptr) return;
    saved_ = state_->mode;
    state_->mode = mode;
    state_->detail = 0;
  }
  ~EditModeScope() {
    if (state_ != nullptr) state_->mode = saved_;
  }
  EditModeScope(const EditModeScope&) = delete;
  EditModeScope& operator=(const EditModeScope&) = delete;

 private:
  TEditState* state_;
  int16_t saved_ = 0;
};

// Sets the context's read-state word to 0 while an image is read, and back afterwards.
class StateWordScope {
 public:
  explicit StateWordScope(TActionContext& context)
      : context_(context), saved_(context.SwapStateWord(0)) {}
  ~StateWordScope() { context_.SwapStateWord(saved_); }
  StateWordScope(const StateWordScope&) = delete;
  StateWordScope& operator=(const StateWordScope&) = delete;

 private:
  TActionContext& context_;
  int16_t saved_;
};

// A recorder with a fresh memory image that starts with the stream header.
std::unique_ptr<TChangeRecorder> BeginRecorder() {
  auto recorder = std::make_unique<TChangeRecorder>();
  recorder->Init(nullptr);
  recorder->SetSkipFlag(1);
  recorder->WriteHeader();
  return recorder;
}

// Ends the recorder's stream and answers its image as a new handle.
Handle FinishRecorder(TChangeRecorder& recorder) {
  recorder.Finish();
  return recorder.TakeHandle();
}

std::unique_ptr<TChangeReader> MakeImageReader(Handle image, TLink& container) {
  LockHandle(image);
  std::unique_ptr<MemoryFilerStream> stream;
  try {
    stream = std::make_unique<MemoryFilerStream>(std::span<const uint8_t>(
        reinterpret_cast<const uint8_t*>(HandleData(image)), GetHandleByteSize(image)));
  } catch (...) {
    UnlockHandle(image);
    throw;
  }
  UnlockHandle(image);
  auto reader = std::make_unique<TChangeReader>();
  reader->Init(std::move(stream), RealWidth::k64, &container, nullptr, nullptr);
  return reader;
}

struct PartNote {
  TActionBase* action;
  int16_t code;
};

void NotePart(TThing* part, void* context) {
  const auto* note = static_cast<PartNote*>(context);
  note->action->NoteChange(part, note->code);
}

}  // namespace

TActionBase::TActionBase() = default;

TActionBase::~TActionBase() {
  FreeHandleIfAny(undoImage_);
  FreeHandleIfAny(redoImage_);
  try {
    ReleaseSavedSelection();
  } catch (const QVException&) {
    // The action is gone either way; the context keeps what it could not take back.
  }
}

void TActionBase::ReleaseSavedSelection() {
  if (keepsSelection_ == 0 || savedSelection_ == nullptr || context_ == nullptr) return;
  if (savedSelection_ == context_->CurrentSelection()) return;
  TList* const selection = savedSelection_;
  savedSelection_ = nullptr;
  if (context_->OwnsSelections() == 0) {
    context_->DiscardSelection(selection);
    return;
  }
  context_->KeepSelection(selection);
  if (selection->GetCount() == 0) context_->ForgetSelection(selection);
}

void TActionBase::InitAction(int16_t commandNumber, TCommandView* view, TActionContext* context,
                             uint16_t canUndo) {
  savedSelection_ = nullptr;
  keepsSelection_ = 1;
  undoImage_ = FreeHandleIfAny(undoImage_);
  redoImage_ = FreeHandleIfAny(redoImage_);
  undoRecorder_.reset();
  redoRecorder_.reset();
  undoReader_.reset();
  redoReader_.reset();
  done_ = 0;
  context_ = context;
  InitCommand(commandNumber, context != nullptr ? context->GetDocument() : nullptr, view, nullptr);
  SetCanUndo(canUndo);
  SetCausesChange(1);
  if (canUndo == 0) return;
  undoRecorder_ = BeginRecorder();
  redoRecorder_ = BeginRecorder();
}

void TActionBase::PrepareOnce() {
  if (done_ != 0) return;
  BeforePrepare();
  PrepareWithRecovery();
  AfterPrepare();
  done_ = 1;
}

void TActionBase::Perform() {
  const EditModeScope mode(context_, TEditState::kPerforming);
  PrepareOnce();
  try {
    DoWork();
  } catch (const QVException& failure) {
    if (CanUndo() != 0) RollBack(failure.error() != kErrNone);
    throw;
  }
  AfterWork();
  FinishUndo();
  FreeAttached();
}

void TActionBase::RollBack(bool workFailed) {
  // An abandoned action (a dialog cancelled, an edit refused) changed nothing: the world is told
  // of no change, which would forget the frames of its run. Work that failed part of the way
  // may have changed what the image now puts back, so the world hears of it.
  const bool saved = tellsContext_;
  tellsContext_ = workFailed;
  try {
    AfterWork();
    FinishUndo();
    FreeAttached();
    Undo();
  } catch (const QVException&) {
    // The work's own failure is the one to report.
  }
  tellsContext_ = saved;
}

void TActionBase::PrepareWithRecovery() {
  try {
    if (CanUndo() != 0) {
      if (undoRecorder_) undoRecorder_->FlushRest();
      if (redoRecorder_) redoRecorder_->FlushWhole();
    }
  } catch (const QVException& failure) {
    if (failure.error() != kErrOutOfMemory) throw;
    PrepareFailed(failure.error(), failure.message());
    // The override chose to go on without undo.
    DropRecorders();
    SetCanUndo(0);
    return;
  }
  if (keepsSelection_ != 0) SwapSavedSelection();
}

void TActionBase::PrepareFailed(int16_t error, int32_t message) {
  ThrowFailure(error, message);
}

void TActionBase::DropRecorders() {
  undoRecorder_.reset();
  redoRecorder_.reset();
}

void TActionBase::SwapSavedSelection() {
  if (context_ == nullptr) return;
  savedSelection_ = context_->SwapSelection(savedSelection_);
}

void TActionBase::FinishUndo() {
  if (undoRecorder_) undoRecorder_->FlushWhole();
  if (redoRecorder_) redoRecorder_->FlushRest();
  if (keepsSelection_ != 0 && context_ != nullptr && context_->CurrentSelection() == nullptr) {
    SwapSavedSelection();
  }
}

void TActionBase::FreeAttached() {
  if (undoRecorder_) {
    undoImage_ = FreeHandleIfAny(undoImage_);
    undoImage_ = FinishRecorder(*undoRecorder_);
    undoRecorder_.reset();
  }
  if (redoRecorder_) {
    redoImage_ = FreeHandleIfAny(redoImage_);
    redoImage_ = FinishRecorder(*redoRecorder_);
    redoRecorder_.reset();
  }
}

void TActionBase::NoteChange(TLink* object, int16_t code) {
  if (object == nullptr) return;
  for (TChangeRecorder* recorder : {undoRecorder_.get(), redoRecorder_.get()}) {
    if (recorder == nullptr) continue;
    if (code == TChangeRecorder::kWholeObject || code == TChangeRecorder::kShortRecord) {
      recorder->NoteObject(object, code == TChangeRecorder::kShortRecord);
    } else {
      recorder->NoteBlock(object, code);
    }
  }
}

void TActionBase::NoteChangeOfAll(const std::vector<TLink*>& objects, int16_t code) {
  if (CanUndo() == 0) return;
  for (TLink* object : objects) {
    NoteChange(object, code);
    if (!IsKindOfSafe(object, TThing::kClassID)) continue;
    PartNote note{this, code};
    static_cast<TThing*>(object)->ForEachPart(NotePart, &note);
  }
}

void TActionBase::Undo() {
  ReadImage(undoImage_, undoReader_, TEditState::kUndoing);
}

void TActionBase::Redo() {
  ReadImage(redoImage_, redoReader_, TEditState::kRedoing);
}

void TActionBase::ReadImage(Handle image, std::unique_ptr<TChangeReader>& reader, int16_t mode) {
  {
    const EditModeScope scope(context_, mode);
    if (image != nullptr && context_ != nullptr) {
      if (!reader) reader = MakeImageReader(image, context_->ContextLink());
      if (keepsSelection_ != 0) {
        {
          const StateWordScope stateWord(*context_);
          reader->ReadAll(nullptr);
          reader->Complete(0);
        }
        SwapSavedSelection();
      } else {
        reader->ReadAll(nullptr);
        reader->Complete(0);
      }
    }
  }
  if (context_ != nullptr && tellsContext_) context_->Changed(0);
}
