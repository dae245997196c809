// The rich text field the main world view lends a gadget whose text is typed in place, and the
// view's side of beginning and ending that editing.
#include "views/world/GadgetTextField.h"

#include <memory>
#include <set>

#include "model/Link.h"
#include "model/world/WorldDeleteCommand.h"
#include "model/world/WorldDoc.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Accelerator.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "views/world/MainWorldView.h"

namespace {

// The commands that act on the text being typed rather than end the editing.
constexpr int16_t kCmdUndo = 101;
constexpr int16_t kCmdCut = 103;
constexpr int16_t kCmdCopy = 104;
constexpr int16_t kCmdPaste = 105;
constexpr int16_t kCmdClear = 106;
constexpr int16_t kCmdTextStyle = 11200;

// The fields alive: the focus-loss hook is the program's, and other rich controls may name text
// owners of their own.
std::set<const void*>& LiveFields() {
  static std::set<const void*> fields;
  return fields;
}

void EndOnFocusLoss(void* textOwner) {
  if (LiveFields().contains(textOwner)) static_cast<TGadgetTextField*>(textOwner)->FocusLost();
}

}  // namespace

void TakeEditingKeys(TFrameKeysExchange& keys) {
  CFrameWnd* frame = GetMainFrame();
  if (frame == nullptr) return;
  const HMODULE module = FindResourceModule(kEditingAccelerators, RT_ACCELERATOR);
  keys.Exchange(*frame, module != nullptr ? LoadAccelerators(module, kEditingAccelerators) : nullptr);
}

void GiveBackFrameKeys(TFrameKeysExchange& keys) {
  if (CFrameWnd* frame = GetMainFrame(); frame != nullptr) keys.Restore(*frame);
}

// ---------------------------------------------------------------------------------------------
// The field

TGadgetTextField::~TGadgetTextField() {
  LiveFields().erase(this);
  gadget_ = nullptr;
  DestroyControl();
  GiveBackFrameKeys(keys_);
}

void TGadgetTextField::InitGadgetTextField(TMainWorldView* view) {
  view_ = view;
  TViewPoint location{0, 0};
  TViewPoint size{0, 0};
  InitTextEditView(nullptr, view, location, size, 5, 4, 0, 0);
  if (const HWND window = GetWindowHandle()) ::ShowWindow(window, SW_HIDE);
  Show(false, false);
  SetEnabled(false, false);
  LiveFields().insert(this);
  SetEndTextEditingHook(EndOnFocusLoss);
}

CWnd* TGadgetTextField::HostWindow() const {
  return view_ != nullptr ? view_->GetMFCWindow() : nullptr;
}

TLink* TGadgetTextField::LiveGadget() const {
  const CWnd* control = GetControl();
  if (gadget_ == nullptr || control == nullptr || control->GetSafeHwnd() == nullptr) return nullptr;
  return gadget_;
}

bool TGadgetTextField::Begin(TLink& gadget) {
  auto* editing = dynamic_cast<TWindowTextGadget*>(&gadget);
  if (editing == nullptr || gadget_ != nullptr) return false;
  gadget_ = &gadget;
  if (!editing->BeginEditing(*this) || GetControl() == nullptr) {
    gadget_ = nullptr;
    DestroyControl();
    return false;
  }
  TakeEditingKeys(keys_);
  return true;
}

TLink* TGadgetTextField::End() {
  TLink* gadget = gadget_;
  if (gadget == nullptr || ending_) return nullptr;
  // Taking the keyboard from the control while it goes must not end the editing twice.
  ending_ = true;
  bool empty = false;
  // A gadget that left the world meanwhile takes nothing back.
  TWorldDoc* world = view_ != nullptr ? view_->GetWorld() : nullptr;
  bool inWorld = world == nullptr;
  if (world != nullptr) {
    for (const TLink* object : world->Objects()) inWorld = inWorld || object == gadget;
  }
  auto* editing = inWorld ? dynamic_cast<TWindowTextGadget*>(gadget) : nullptr;
  if (editing != nullptr) empty = editing->EndEditing(*this);
  gadget_ = nullptr;
  DestroyControl();
  ending_ = false;
  GiveBackFrameKeys(keys_);
  return empty && inWorld ? gadget : nullptr;
}

void TGadgetTextField::FocusLost() {
  if (ending_ || gadget_ == nullptr) return;
  if (view_ != nullptr) {
    view_->EndGadgetTextEdit();
  } else {
    End();
  }
}

// ---------------------------------------------------------------------------------------------
// The view's side

TGadgetTextField* TMainWorldView::LiveGadgetTextField() const {
  return gadgetField_ != nullptr && gadgetField_->LiveGadget() != nullptr ? gadgetField_ : nullptr;
}

bool TMainWorldView::BeginGadgetTextEdit(TLink* gadget) {
  if (gadget == nullptr || dynamic_cast<TWindowTextGadget*>(gadget) == nullptr) return false;
  if (gadgetField_ != nullptr && gadgetField_->LiveGadget() == gadget) return true;
  EndGadgetTextEdit();
  EndLabelEditing(true);
  if (gadgetField_ == nullptr) {
    auto field = std::make_unique<TGadgetTextField>();
    field->InitGadgetTextField(this);
    // A subview goes with the view tree from here on.
    gadgetField_ = field.release();
  }
  return gadgetField_->Begin(*gadget);
}

void TMainWorldView::EndGadgetTextEdit() {
  if (gadgetField_ == nullptr || !gadgetField_->IsEditing()) return;
  TLink* emptied = gadgetField_->End();
  InvalidateForeground();
  if (emptied == nullptr || world_ == nullptr) return;
  // A text left empty takes its gadget out of the world; undo brings it back.
  world_->DeselectAll();
  world_->Select(emptied);
  PerformOwnCommand(new TWorldDeleteCommand(*world_));
}

bool TMainWorldView::GadgetTextCommand(int16_t commandNumber) {
  TGadgetTextField* field = LiveGadgetTextField();
  if (field == nullptr) return false;
  if (commandNumber == kCmdUndo) {
    field->Undo();
    return true;
  }
  // The Font command chooses the field's own style.
  if (commandNumber == kCmdTextStyle) return false;
  if (FieldClipboardCommand(*field, commandNumber)) return true;
  EndGadgetTextEdit();
  return false;
}
