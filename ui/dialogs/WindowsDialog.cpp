#include "ui/dialogs/WindowsDialog.h"

#include <algorithm>
#include <span>
#include <vector>

#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Resource.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/DialogOwner.h"
#include "ui/dialogs/DialogServices.h"
#include "ui/items/ItemControl.h"
#include "ui/items/MacDialogItem.h"

IMPLEMENT_DYNCREATE(TWindowsDialog, CDialog)

namespace {

constexpr uint32_t kFilterType = MakeTag("fltr");
constexpr int16_t kPropertyDialogClass = 424;
constexpr int16_t kPointTableWindowClass = 543;
constexpr BYTE kNormalOutPrecision = 4;
constexpr LONG kNormalWeight = 400;

bool IsEmpty(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// Puts the windows made for a panel (in the order they were made) where Tab reaches them in
// their place on the dialog: before the first older window that stands below the panel's top
// within the panel's columns, or after all of them when none does.
void PlaceInTabOrder(HWND dialog, const std::vector<HWND>& older) {
  std::vector<HWND> made;
  for (HWND child : ChildWindows(dialog)) {
    if (std::find(older.begin(), older.end(), child) == older.end()) made.push_back(child);
  }
  if (made.empty()) return;
  // New windows enter at the top: the first made is the last of them.
  std::reverse(made.begin(), made.end());
  RECT panel{};
  for (HWND window : made) {
    RECT place{};
    ::GetWindowRect(window, &place);
    if (IsEmpty(panel)) {
      panel = place;
    } else {
      panel = {std::min(panel.left, place.left), std::min(panel.top, place.top),
               std::max(panel.right, place.right), std::max(panel.bottom, place.bottom)};
    }
  }
  HWND after = HWND_BOTTOM;
  HWND previous = HWND_TOP;
  for (HWND window : ChildWindows(dialog)) {
    if (std::find(made.begin(), made.end(), window) != made.end()) continue;
    RECT place{};
    ::GetWindowRect(window, &place);
    if (place.top >= panel.top && place.left < panel.right && place.right > panel.left) {
      after = previous;
      break;
    }
    previous = window;
  }
  for (HWND window : made) {
    ::SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (after != HWND_BOTTOM) after = window;
  }
}

// A resource handle released when it goes out of scope.
class TResourceBytes {
 public:
  explicit TResourceBytes(Handle handle) : handle_(handle) {}
  ~TResourceBytes() { ReleaseResourceHandle(handle_); }
  TResourceBytes(const TResourceBytes&) = delete;
  TResourceBytes& operator=(const TResourceBytes&) = delete;
  std::span<const uint8_t> Bytes() const {
    return {reinterpret_cast<const uint8_t*>(HandleData(handle_)), GetHandleByteSize(handle_)};
  }

 private:
  Handle handle_;
};

}  // namespace

TWindowsDialog::TWindowsDialog() = default;

TWindowsDialog::TWindowsDialog(CWnd* parent, int16_t templateId, TDialogOwner* owner)
    : CDialog(static_cast<UINT>(static_cast<uint16_t>(templateId)), parent),
      owner_(owner),
      parentWindow_(parent),
      templateId_(templateId) {}

TWindowsDialog::~TWindowsDialog() {
  TChangingControls bracket;
  if (frameKeys_.Exchanged()) OnActivate(false);
  TDialogOwner* const owner = owner_;
  owner_ = nullptr;
  if (owner != nullptr) owner->DialogGone(this);
  if (m_hWnd != nullptr) DestroyWindow();
  FreeItems();
  if (normalFont_ != nullptr) DeleteObject(normalFont_);
  if (owner != nullptr && modal_ == 0 && wasModeless_) owner->FreeOwner();
}

void TWindowsDialog::FreeItems() {
  std::vector<TMacDialogItem*> items;
  items.swap(items_);
  for (TMacDialogItem* item : items) delete item;
}

intptr_t TWindowsDialog::RunModal() {
  modal_ = 1;
  initFailure_.reset();
  intptr_t result = 0;
  try {
    result = DoModal();
  } catch (...) {
    modal_ = 0;
    throw;
  }
  modal_ = 0;
  if (initFailure_) {
    const QVException failure = *initFailure_;
    initFailure_.reset();
    throw failure;
  }
  return result;
}

void TWindowsDialog::CreateModeless() {
  initFailure_.reset();
  wasModeless_ = true;
  const BOOL made = Create(static_cast<UINT>(static_cast<uint16_t>(templateId_)), parentWindow_);
  if (initFailure_) {
    const QVException failure = *initFailure_;
    initFailure_.reset();
    if (m_hWnd != nullptr) DestroyWindow();
    throw failure;
  }
  if (!made) ThrowFailure(kErrOutOfMemory, 0);
}

void TWindowsDialog::AddItemView(TMacDialogItem* item) {
  if (item == nullptr || std::find(items_.begin(), items_.end(), item) != items_.end()) return;
  items_.push_back(item);
}

void TWindowsDialog::RemoveItemView(TMacDialogItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
}

int32_t TWindowsDialog::AddPanelItems(int16_t number) {
  Handle handle = GetResourceHandle(kFilterType, number);
  if (handle == nullptr) return 0;
  const TResourceBytes resource(handle);
  const size_t first = items_.size();
  const std::vector<HWND> older = ChildWindows(GetSafeHwnd());
  try {
    TChangingControls bracket;
    BuildItemViews(*this, number, resource.Bytes());
  } catch (const QVException&) {
    // A panel whose list runs past its resource counts as missing: what it made goes.
    while (items_.size() > first) DeleteItemView(items_.back());
    return 0;
  }
  for (size_t i = first; i < items_.size(); ++i) {
    items_[i]->SetPanelNumber(number);
    items_[i]->SetOwningPanel(number);
    // Made after the dialog grew: the new controls follow its width as the others did.
    if (growth_.x != 0 || growth_.y != 0) items_[i]->MoveRightEdge(growth_.x, growth_.y);
  }
  PlaceNewItems();
  PlaceInTabOrder(GetSafeHwnd(), older);
  return static_cast<int32_t>(items_.size() - first);
}

void TWindowsDialog::DeleteItemView(TMacDialogItem* item) {
  if (item == nullptr) return;
  RemoveItemView(item);
  TChangingControls bracket;
  delete item;
}

void TWindowsDialog::PlaceNewItems() {
  for (TMacDialogItem* item : std::vector<TMacDialogItem*>(items_)) {
    if (item->IsDetached() != 0 || item->HasControlWindow()) continue;
    item->SuperviewChanged(growth_.x, growth_.y);
    item->PlaceControl();
  }
}

int16_t TWindowsDialog::AcceptValue(TMacDialogItem* item, bool force) {
  if (owner_ == nullptr) return 0;
  const int16_t answer = owner_->AcceptValue(item);
  // A value the owner took changes what the owner shows: in a modal run (or when asked) it
  // refreshes at once.
  if (answer == 0 && (modal_ != 0 || force) && owner_ != nullptr) {
    CompletePendingObject();
    if (owner_ == nullptr) return answer;
    owner_->MarkChangedNotice(1);
    owner_->UpdateNotice();
  }
  return answer;
}

TMacDialogItem* TWindowsDialog::FirstItemThat(const ItemTest& test) const {
  for (TMacDialogItem* item : items_) {
    if (test(item)) return item;
  }
  return nullptr;
}

TMacDialogItem* TWindowsDialog::LastItemThat(const ItemTest& test) const {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (test(*it)) return *it;
  }
  return nullptr;
}

void TWindowsDialog::EachItem(const ItemAction& action) const {
  for (TMacDialogItem* item : std::vector<TMacDialogItem*>(items_)) action(item);
}

TMacDialogItem* TWindowsDialog::ItemOfControlId(int32_t controlId) const {
  return FirstItemThat([controlId](TMacDialogItem* item) {
    return item->HasControlWindow() && item->ControlWindow()->GetDlgCtrlID() == controlId;
  });
}

TMacDialogItem* TWindowsDialog::ItemOfViewIdentifier(uint32_t identifier) const {
  return FirstItemThat(
      [identifier](TMacDialogItem* item) { return item->GetViewIdentifier() == identifier; });
}

TMacDialogItem* ItemOfWindow(const TWindowsDialog& dialog, HWND window) {
  if (window == nullptr) return nullptr;
  return dialog.FirstItemThat([window](TMacDialogItem* item) {
    return item->HasControlWindow() && item->ControlWindow()->GetSafeHwnd() == window;
  });
}

bool TWindowsDialog::ValidateAllItems() {
  for (TMacDialogItem* item : std::vector<TMacDialogItem*>(items_)) {
    const int16_t error = item->CheckText();
    if (error == 0) continue;
    if (owner_ != nullptr) owner_->ReportValidationFailure(item, error);
    return false;
  }
  return true;
}

void TWindowsDialog::SetParentWindow(CWnd* parent) {
  parentWindow_ = parent;
  if (m_hWnd != nullptr && IsWindow(m_hWnd) != 0) {
    ::SetParent(m_hWnd, parent != nullptr ? parent->GetSafeHwnd() : nullptr);
  }
}

BOOL TWindowsDialog::OnInitDialog() {
  TChangingControls bracket;
  closing_ = false;
  const BOOL result = CDialog::OnInitDialog();
  GetWindowRect(&windowRect_);
  GetClientRect(&clientRect_);
  try {
    BuildItems();
  } catch (const QVException& failure) {
    // The failure reaches whoever runs or creates the dialog; the dialog does not open.
    initFailure_ = failure;
    if (modal_ != 0) {
      EndDialog(IDCANCEL);
    }
    return result;
  }
  ownerFlag_ =
      owner_ != nullptr && owner_->OwnerClassIDAt(0) == kPointTableWindowClass ? 1 : 0;
  MakeNormalFont();
  if (modal_ != 0 && owner_ != nullptr && owner_->IsOwnerMemberClass(kPropertyDialogClass)) {
    owner_->RefreshNotice();
    owner_->UpdateNotice();
  }
  return result;
}

void TWindowsDialog::BuildItems() {
  Handle handle = GetResourceHandle(kFilterType, templateId_);
  if (handle == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  const TResourceBytes resource(handle);
  BuildItemViews(*this, templateId_, resource.Bytes());
}

void TWindowsDialog::MakeNormalFont() {
  const auto font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT, 0, 0));
  if (font == nullptr) return;
  LOGFONT log{};
  if (GetObject(font, static_cast<int32_t>(sizeof log), &log) == 0) return;
  log.lfWeight = kNormalWeight;
  log.lfOutPrecision = kNormalOutPrecision;
  if (normalFont_ != nullptr) DeleteObject(normalFont_);
  normalFont_ = CreateFontIndirect(&log);
}

bool TWindowsDialog::Validate() {
  struct Validating {
    bool& flag;
    explicit Validating(bool& on) : flag(on) { flag = true; }
    ~Validating() { flag = false; }
  } validating(validating_);
  if (acceptOnClose_ != 0) {
    // The focused field first, then every other field whose text the user changed and left:
    // OK takes what the fields show, whether or not the focus is still in them.
    TMacDialogItem* const focused = FirstItemThat([](TMacDialogItem* candidate) {
      return candidate->HasFocus() && candidate->IsMemberClass(kEditTextItemClass);
    });
    if (focused != nullptr) CheckAndAccept(focused);
    for (TMacDialogItem* item : std::vector<TMacDialogItem*>(items_)) {
      if (acceptOnClose_ == 0) break;
      if (item == focused || !IsLiveEditItem(item)) continue;
      CheckAndAccept(item, true);
    }
  }
  const bool passed = acceptOnClose_ != 0;
  acceptOnClose_ = 1;
  return passed;
}

bool TWindowsDialog::IsLiveEditItem(TMacDialogItem* item) const {
  // Accepting a value may rebuild a panel: an item no longer listed is not touched.
  return std::find(items_.begin(), items_.end(), item) != items_.end() &&
         item->IsMemberClass(kEditTextItemClass) && item->IsRemoved() == 0;
}

void TWindowsDialog::CheckAndAccept(TMacDialogItem* item, bool onlyWhenChanged) {
  TChangingControls bracket;
  const int16_t error = item->CheckText();
  if (error != 0) {
    acceptOnClose_ = 0;
    // Checked and refused for this confirm: the key-up of the confirming key, which the
    // report's alert may let through to the field, must not check it again (and accept the
    // dialog's closing behind the report).
    ConfirmFlag() = 0;
    if (ReportGuardFlag() == 0 && owner_ != nullptr) {
      TReportGuard guard;
      owner_->ReportValidationFailure(item, error);
    }
    return;
  }
  // A field the user left untouched has nothing to hand over.
  if (onlyWhenChanged && item->IsChanged() == 0) return;
  acceptOnClose_ = AcceptValue(item, false) == 0 ? 1 : 0;
}

void TWindowsDialog::CloseModal(bool confirmed) {
  closing_ = true;
  if (modal_ != 0) {
    // The release of the key that closes the dialog is read after the dialog has gone, by the
    // window that has the focus then: it confirms nothing there.
    ConfirmFlag() = 0;
    if (confirmed) {
      CDialog::OnOK();
    } else {
      CDialog::OnCancel();
    }
    return;
  }
  DestroyWindow();
}

void TWindowsDialog::OnOK() {
  if (!Validate()) {
    // The focused field was checked and reported for this confirm; its key-up must not check
    // and report it again.
    ConfirmFlag() = 0;
    return;
  }
  if (owner_ != nullptr) owner_->ConfirmOrCancelNotice(true);
  CloseModal(true);
}

void TWindowsDialog::OnCancel() {
  if (acceptOnClose_ != 0 && owner_ != nullptr) owner_->ConfirmOrCancelNotice(false);
  CloseModal(false);
}

BOOL TWindowsDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if ((wParam & 0xFFFF) == IDOK) ConfirmFlag() = 1;
  return CDialog::OnCommand(wParam, lParam);
}

BOOL TWindowsDialog::PreTranslateMessage(MSG* message) {
  if (message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST - 1) {
    CFrameWnd* const frame = GetMainFrame();
    if (frame != nullptr && frame->GetSafeHwnd() != nullptr &&
        frame->GetDefaultAccelerator() != nullptr &&
        TranslateAccelerator(frame->GetSafeHwnd(), frame->GetDefaultAccelerator(), message) != 0) {
      return TRUE;
    }
  }
  return CDialog::PreTranslateMessage(message);
}

void TWindowsDialog::OnMinMaxInfo(MINMAXINFO* info) {
  if (IsEmpty(windowRect_) || info == nullptr) return;
  info->ptMinTrackSize.x = windowRect_.right - windowRect_.left;
  info->ptMinTrackSize.y = windowRect_.bottom - windowRect_.top;
}

void TWindowsDialog::OnSize() {
  RECT client{};
  GetClientRect(&client);
  if (!IsEmpty(clientRect_)) {
    const int32_t horizontal =
        (client.right - client.left) - (clientRect_.right - clientRect_.left);
    const int32_t vertical = (client.bottom - client.top) - (clientRect_.bottom - clientRect_.top);
    {
      TChangingControls bracket;
      EachItem([&](TMacDialogItem* item) { item->DialogResized(horizontal, vertical); });
      EachItem([](TMacDialogItem* item) { item->Redraw(); });
    }
    growth_.x += horizontal;
    growth_.y += vertical;
  }
  clientRect_ = client;
}

void TWindowsDialog::OnActivate(bool active) {
  CFrameWnd* const frame = GetMainFrame();
  if (frame == nullptr) {
    frameKeys_.Forget();
    return;
  }
  if (active) {
    const HMODULE module = FindResourceModule(kFloaterAccelerators, RT_ACCELERATOR);
    frameKeys_.Exchange(*frame, module != nullptr ? LoadAccelerators(module, kFloaterAccelerators) : nullptr);
    return;
  }
  frameKeys_.Restore(*frame);
}

void TWindowsDialog::OnShowWindow(bool shown) {
  if (owner_ == nullptr || !owner_->IsOwnerMemberClass(kPropertyDialogClass)) return;
  if (shown) owner_->RefreshNotice();
  owner_->ShownNotice(shown);
}

BOOL TWindowsDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_GETMINMAXINFO:
      *result = Default();
      OnMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
      return TRUE;
    case WM_LBUTTONDOWN:
      DialogMouseDownFlag() = 1;
      lastClick_ = POINT{static_cast<int16_t>(lParam & 0xFFFF),
                         static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
      break;
    case WM_LBUTTONUP:
      DialogMouseDownFlag() = 0;
      break;
    case WM_DESTROY:
      closing_ = true;
      break;
    case WM_SIZE:
      *result = Default();
      OnSize();
      return TRUE;
    case WM_SHOWWINDOW:
      *result = Default();
      OnShowWindow(wParam != 0);
      return TRUE;
    case WM_MEASUREITEM: {
      const BOOL handled = CDialog::OnWndMsg(message, wParam, lParam, result);
      if (!handled) *result = Default();
      TChangingControls bracket;
      EachItem([lParam](TMacDialogItem* item) {
        item->MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      });
      return TRUE;
    }
    case WM_HELP:
      ShowDialogHelp(helpContext_);
      break;
    case WM_ACTIVATE:
      *result = Default();
      OnActivate((wParam & 0xFFFF) != WA_INACTIVE);
      return TRUE;
    default:
      break;
  }
  return CDialog::OnWndMsg(message, wParam, lParam, result);
}
