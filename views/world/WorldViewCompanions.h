#pragma once
// Small classes that the main world view makes and drives:
//   - the label editor, a plain edit control over a world object's name label in which the
//     name is typed in place;
//   - the idle extent updater, which recomputes the world's extent at idle time at most every
//     two seconds after the view changed, so that a burst of changes costs one recomputation;
//   - the handle-tracking command, made for a press on a selected object's handle: the object
//     reshapes itself as the handle moves, and the area it covered is painted again on release.
//
//   TWrappedWindow (340) > TTextEditView > TLabelEditorView
//   TCommandCore (295) > TSmallCommand (325) > TQVDocHelper (639) > TIdleExtentUpdater (521)
//   TCommandCore (295) > THandleTrackingCommand

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/geometry/IntRect.h"
#include "platform/mfc/CEdit.h"
#include "ui/controls/TextEditView.h"
#include "ui/dialogs/DialogUpdater.h"

class TMainWorldView;
class TLink;
class TThing;
class TLabelEditorView;

// The label editor's control: the keys that the view decides about (4, Backspace, Tab, line
// feed, Return, and Ctrl+".") go to the editor's key handler instead of into the text.
// Made from its run-time class with the editor as the record's owner.
class TLabelEdit : public GXTEdit {
  DECLARE_DYNCREATE(TLabelEdit)

 public:
  static constexpr int16_t kControlId = 1388;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  // The character typed into the text as the plain control takes it.
  void TypeCharacter(char character);

 private:
  TLabelEditorView* Editor() const { return static_cast<TLabelEditorView*>(GetOwner()); }

  bool typing_ = false;
};

class TLabelEditorView : public TTextEditView {
 public:
  // Told a key that the view decides about: (character, the key data, Ctrl held).
  using KeyHandler = std::function<void(int16_t character, int32_t keyData, bool commandKey)>;

  ~TLabelEditorView() override;
  // A hidden, disabled editor of no size under the view, with its control made.
  void InitLabelEditor(TWrappedWindow* superview);
  void SetKeyHandler(KeyHandler handler) { keyHandler_ = std::move(handler); }
  const KeyHandler& GetKeyHandler() const { return keyHandler_; }

  // Shows the editor over the rectangle (port coordinates of the superview) holding the text,
  // and gives it the keyboard.
  void Begin(const MacRect& area, const std::string& text);
  // Hides and disables the editor; the keyboard goes back to the superview's window.
  void End();
  bool IsEditing() const { return editing_; }
  // Hands a press (port coordinates of the superview) to the control: the caret goes there.
  void PressAt(const MacPoint& portPoint);
  // Applies a key to the text as the plain control does.
  void TypeCharacter(char character);
  void SelectWholeText();
  TLabelEdit* GetEdit() const;

  // Invalidates the band at the bottom of the editor that a descender may leave, then draws.
  void DrawContents() override;
  // Black text on white; the editor's extent framed in grey.
  void Draw(const MacRect& area) override;

 private:
  KeyHandler keyHandler_;
  bool editing_ = false;
};

// A recomputation of the world's extent wanted at idle time. Armed by each drawing and each
// change of view; ready once the ticks since its last run passed 120.
class TIdleExtentUpdater : public TQVDocHelper {
  DECLARE_CLASS_ID(521, TQVDocHelper)

 public:
  static constexpr int16_t kCommandNumber = 521;
  static constexpr int32_t kInterval = 120;  // ticks: two seconds

  // Performed by its view's idle pass whenever ready.
  void InitUpdater(TMainWorldView* view);
  void Arm();
  // The view recomputed for a reason of its own.
  void Disarm() { armed_ = 0; }
  bool IsArmed() const { return armed_ != 0; }
  int32_t NextTime() const { return nextTime_; }
  void ForgetView() { view_ = nullptr; }

  bool CanPerform() const override;
  void DoIt() override;

 private:
  TMainWorldView* view_ = nullptr;
  uint16_t armed_ = 1;
  int32_t nextTime_ = 0;
};

// What an object offers to the handle-tracking command.
class THandleTrackable {
 public:
  // The object's bounds in the view (port coordinates).
  virtual MacRect HandleBounds() = 0;
  // Tracks its handle through one step (phase 0 press, 1 move, 2 release); may move `next`.
  // True when the object changed.
  virtual bool TrackHandle(int16_t phase, const MacPoint& anchor, const MacPoint& previous,
                           MacPoint& next, bool moved) = 0;
  // Whether the object's change is one to tell the world about.
  virtual bool HasChanged() = 0;
  virtual void ChangedNotice() = 0;
  virtual ~THandleTrackable() = default;
};

// Shares the class identity of the command base.
class THandleTrackingCommand : public TCommandCore {
 public:
  // The area painted again on release reaches this far past the object's old and new bounds:
  // handles and labels stand out of an object's bounds at its bottom and right.
  static constexpr int16_t kExtraBottom = 20;
  static constexpr int16_t kExtraRight = 120;

  // Tracks the object's handle in the main view through the tracking view; the object and its
  // trackable outlive the command.
  void InitHandleTracking(TCommandView* trackingView, TMainWorldView* view, TLink* object,
                          THandleTrackable* trackable);
  // The same with a trackable that the command keeps.
  void InitHandleTracking(TCommandView* trackingView, TMainWorldView* view, TLink* object,
                          std::unique_ptr<THandleTrackable> trackable);
  TCommandCore* TrackMouse(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                           const QV_CPoint& next, bool moved) override;
  // Tells the object, or the world when the object is no longer held, of a change.
  void Perform() override;
  bool HasChanged() const { return changed_; }
  TLink* GetObject() const { return object_; }
  // The rectangle painted on release.
  const MacRect& LastPaintedArea() const { return painted_; }

 private:
  TMainWorldView* view_ = nullptr;
  TLink* object_ = nullptr;
  THandleTrackable* trackable_ = nullptr;
  std::unique_ptr<THandleTrackable> ownedTrackable_;
  MacRect oldBounds_{};
  MacRect painted_{};
  bool changed_ = false;
};
