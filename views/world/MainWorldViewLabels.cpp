// TMainWorldView: names typed in place over the objects' labels, and the idle recomputation of
// the world's extent.

#include <algorithm>
#include <memory>
#include <string>

#include "core/PString.h"
#include "core/port/PortText.h"
#include "model/Thing.h"
#include "model/command/CommandHandler.h"
#include "model/command/PropertyOps.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "ui/dialogs/FloatingWindows.h"
#include "views/world/GadgetTextField.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldViewCompanions.h"

namespace {

constexpr uint32_t kNameTag = MakeTag("name");
// A name typed in place is a change of the object's properties.
constexpr int16_t kCmdNameObject = 1600;
// The commands that act on the edited text rather than end the editing.
constexpr int16_t kCmdUndo = 101;
constexpr int16_t kCmdCut = 103;
constexpr int16_t kCmdCopy = 104;
constexpr int16_t kCmdPaste = 105;
constexpr int16_t kCmdClear = 106;
constexpr int16_t kCmdTextStyle = 11200;
// The label editor is wider than the name it opens with, so that typing has room.
constexpr int16_t kTypingRoom = 60;
constexpr int16_t kEditorMargin = 2;
// An empty name still leaves a few pixels to press.
constexpr int32_t kShortestLabel = 4;

bool KeepsEditing(int16_t command) {
  return command == kCmdUndo || (command >= kCmdCut && command <= kCmdClear) ||
         command == kCmdTextStyle;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Making and freeing

void TMainWorldView::MakeCompanions() {
  idleUpdater_ = std::make_unique<TIdleExtentUpdater>();
  idleUpdater_->InitUpdater(this);
  auto editor = std::make_unique<TLabelEditorView>();
  editor->InitLabelEditor(this);
  // A subview goes with the view tree from here on.
  labelEditor_ = editor.release();
  labelEditor_->SetKeyHandler([this](int16_t character, int32_t keyData, bool commandKey) {
    TEventRecord event;
    event.wParam = static_cast<uintptr_t>(static_cast<uint8_t>(character));
    event.modifiers = commandKey ? 1 : 0;
    PerformOwnCommand(DoKeyCommand(character, keyData, &event));
  });
}

void TMainWorldView::FreeCompanions() {
  // The view is going: a gadget's text is taken back, but nothing leaves the world now.
  if (gadgetField_) gadgetField_->End();
  if (labelEditor_) {
    labelEditor_->SetKeyHandler(nullptr);
    labelEditor_->End();
  }
  editTarget_ = nullptr;
  if (!idleUpdater_) return;
  idleUpdater_->ForgetView();
  idleUpdater_.reset();
}

void TMainWorldView::PerformOwnCommand(TCommandCore* command) {
  if (!command) return;
  if (TCommandHandler* application = TCommandHandler::Application()) {
    application->PerformCommand(command);
    return;
  }
  std::unique_ptr<TCommandCore> owned(command->IsFreeWhenDone() != 0 ? command : nullptr);
  command->Perform();
}

// ---------------------------------------------------------------------------------------------
// The idle extent

void TMainWorldView::ArmIdleUpdater() {
  if (!idleUpdater_) return;
  idleUpdater_->Arm();
}

void TMainWorldView::RunIdleUpdater() {
  if (idleUpdater_ && idleUpdater_->CanPerform()) idleUpdater_->Perform();
}

// ---------------------------------------------------------------------------------------------
// Labels

MacRect TMainWorldView::LabelRect(TThing* object) {
  if (!object || object->IsShown() == 0 || object->IsNameShown() == 0) return MacRect();
  QV_CPoint anchor;
  object->GetLabelAnchor(anchor);
  // An object without a place for its label keeps it out of sight.
  if (anchor.h == 32767 || anchor.v == 32767) return MacRect();
  const QV_CPoint at = anchor + object->GetLabelOffset();
  // Measured in a DC of its own, so that the view's drawing state is left alone.
  const HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return MacRect();
  const HFONT font = GetCachedFont(&object->GetFont());
  const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  const Str255& name = object->GetName();
  SIZE extent{0, 0};
  GetTextExtentPoint32(dc, name.Chars(), name.Length(), &extent);
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  if (old) SelectObject(dc, old);
  if (font) ReleaseFont(font);
  DeleteDC(dc);
  const int32_t width = std::max<int32_t>(extent.cx, kShortestLabel);
  return MacRect(at.h, static_cast<int16_t>(at.v - metrics.tmAscent),
                 static_cast<int16_t>(std::min<int32_t>(at.h + width, 32767)),
                 static_cast<int16_t>(at.v + metrics.tmDescent));
}

TThing* TMainWorldView::FindLabelHit(const MacPoint& point) {
  if (notEditing_ || runState_ != kEditing || !world_) return nullptr;
  UpdateObjectTransforms();
  const std::vector<TThing*> main = CollectLists().main;
  for (auto it = main.rbegin(); it != main.rend(); ++it) {
    const MacRect rect = LabelRect(*it);
    if (rect.left < rect.right && point.h >= rect.left && point.h < rect.right &&
        point.v >= rect.top && point.v < rect.bottom)
      return *it;
  }
  return nullptr;
}

TThing* TMainWorldView::LiveEditTarget() {
  if (editTarget_ && !StillInWorld(editTarget_)) {
    // The object went (undone, cleared): what was typed has nothing to name.
    editTarget_ = nullptr;
    if (labelEditor_) labelEditor_->End();
  }
  return editTarget_;
}

void TMainWorldView::TakeTypedName() {
  if (!labelEditor_ || !world_) return;
  TThing* target = LiveEditTarget();
  if (!target) return;
  const std::string typed = labelEditor_->GetText();
  if (typed == takenName_) return;
  takenName_ = typed;
  const Str255 name(typed.c_str());
  if (name == target->GetName()) return;
  auto command = std::make_unique<TStringPropertyOp>();
  command->InitValue(kCmdNameObject, world_, 1, kNameTag, name);
  command->AddTarget(target);
  PerformOwnCommand(command.release());
}

void TMainWorldView::EndLabelEditing(bool takeName) {
  if (!editTarget_) return;
  if (takeName) TakeTypedName();
  editTarget_ = nullptr;
  takenName_.clear();
  if (labelEditor_) labelEditor_->End();
  InvalidateForeground();
}

void TMainWorldView::SetEditTarget(TThing* object, const MacPoint& point) {
  if (object == LiveEditTarget()) return;
  EndLabelEditing(true);
  if (!object || !labelEditor_) return;
  MacRect area = LabelRect(object);
  if (area.left >= area.right) return;
  area.left = static_cast<int16_t>(area.left - kEditorMargin);
  area.top = static_cast<int16_t>(area.top - kEditorMargin);
  area.right = static_cast<int16_t>(area.right + kTypingRoom);
  area.bottom = static_cast<int16_t>(area.bottom + kEditorMargin);
  editTarget_ = object;
  takenName_ = object->GetName().Chars();
  labelEditor_->Begin(area, takenName_);
  labelEditor_->PressAt(point);
}

void TMainWorldView::ObjectRemoved(TThing* object) {
  if (!object || object != editTarget_) return;
  editTarget_ = nullptr;
  takenName_.clear();
  if (labelEditor_) labelEditor_->End();
}

void TMainWorldView::RemoveSubview(TWrappedWindow* view) {
  if (view == gadgetField_ && gadgetField_) {
    EndGadgetTextEdit();
    gadgetField_ = nullptr;
  }
  if (view == labelEditor_ && labelEditor_) {
    EndLabelEditing(false);
    labelEditor_ = nullptr;
  }
  TOffScreenViewBase::RemoveSubview(view);
}

void TMainWorldView::Activate(bool on) {
  TOffScreenViewBase::Activate(on);
  // The floating windows edit the world in front.
  if (on && world_) FloatingWindowsFollow(*world_);
  if (!on || !labelEditor_ || !LiveEditTarget()) return;
  if (TLabelEdit* edit = labelEditor_->GetEdit(); edit && edit->m_hWnd) ::SetFocus(edit->m_hWnd);
}

bool TMainWorldView::HandleMouseDown(const TViewPoint& point, TMouseEvent* event, int32_t hint,
                                     TCommandCore** command) {
  if (command) *command = nullptr;
  MacPoint portPoint;
  LocalToPortPoint(point, portPoint);
  TThing* hit = FindLabelHit(portPoint);
  if (!hit) {
    SetEditTarget(nullptr, MacPoint(0, 0));
    return TOffScreenViewBase::HandleMouseDown(point, event, hint, command);
  }
  if (hit == LiveEditTarget() && labelEditor_) {
    labelEditor_->PressAt(portPoint);
    return true;
  }
  SetEditTarget(hit, portPoint);
  if (const HWND window = GetWindowHandle()) UpdateWindow(window);
  return true;
}

bool TMainWorldView::LabelHandlesKey(int16_t character, bool commandKey) {
  if (!labelEditor_ || !LiveEditTarget()) return false;
  switch (character) {
    case '\b':
      labelEditor_->TypeCharacter('\b');
      return true;
    case '.':
      // Ctrl+"." gives up what was typed.
      if (commandKey) labelEditor_->SetText(editTarget_->GetName().Chars());
      return !commandKey;
    case '\t':
    case '\n':
    case '\r':
      TakeTypedName();
      return LiveEditTarget() != nullptr;
    default:
      return false;
  }
}

TCommandCore* TMainWorldView::DoKeyCommand(int16_t character, int32_t keyData,
                                           TEventRecord* event) {
  const bool commandKey = event && event->modifiers != 0;
  if (character == 4) return DoMenuCommand(kCmdClear);
  const bool labelKey = character == '\b' || character == '\t' || character == '\n' ||
                        character == '\r' || (character == '.' && commandKey);
  if (!labelKey || !LiveEditTarget())
    return TOffScreenViewBase::DoKeyCommand(character, keyData, event);
  if (!LabelHandlesKey(character, commandKey)) {
    EndLabelEditing(false);
    return nullptr;
  }
  if (character != '\b' && character != '.') labelEditor_->SelectWholeText();
  return nullptr;
}

bool TMainWorldView::LabelEditingCommand(int16_t commandNumber) {
  if (!LiveEditTarget()) return false;
  if (!KeepsEditing(commandNumber)) {
    EndLabelEditing(true);
    return false;
  }
  return FieldClipboardCommand(*labelEditor_, commandNumber);
}

bool TMainWorldView::FieldClipboardCommand(TTextEditView& field, int16_t commandNumber) {
  switch (commandNumber) {
    case kCmdCut:
      field.Cut();
      return true;
    case kCmdCopy:
      field.Copy();
      return true;
    case kCmdPaste:
      field.Paste();
      return true;
    case kCmdClear:
      field.Clear();
      return true;
    default:
      return false;
  }
}
