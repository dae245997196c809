#include "platform/mfc/COleItems.h"

#include <algorithm>
#include <utility>

#include "platform/win32/Dc.h"
#include "platform/win32/Metafile.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"

IMPLEMENT_DYNAMIC(COleServerItem, CObject)
IMPLEMENT_DYNAMIC(COleClientItem, CObject)

namespace {

COleServerRegistration& Registration() {
  static COleServerRegistration registration;
  return registration;
}

constexpr uint32_t kItemFormat = 1;

}  // namespace

void RegisterOleServer(COleServerRegistration registration) {
  Registration() = std::move(registration);
}

const COleServerRegistration& RegisteredOleServer() { return Registration(); }

// ---------------------------------------------------------------------------------------------
// COleServerItem

COleServerItem::COleServerItem(CDocument* document, bool autoDelete)
    : document_(document), autoDelete_(autoDelete) {}

BOOL COleServerItem::OnGetExtent(DVASPECT, SIZE&) { return FALSE; }

void COleServerItem::OnShow() { OnOpen(); }

void COleServerItem::OnOpen() {
  if (session_) session_->Open();
}

bool COleServerItem::ActivateInPlace() { return session_ != nullptr && session_->ActivateInPlace(); }

// ---------------------------------------------------------------------------------------------
// COleClientItem

COleClientItem::COleClientItem(COleItemList* document) {
  if (document) document->AddItem(this);
}

COleClientItem::~COleClientItem() = default;

bool COleClientItem::CreateNewItem() { return Start(nullptr, nullptr); }

bool COleClientItem::CreateFromFile(const std::string& path) { return Start(nullptr, &path); }

bool COleClientItem::Start(const std::vector<uint8_t>* native, const std::string* path) {
  const auto& start = RegisteredOleServer().start;
  if (!start) return false;
  std::unique_ptr<COleServerSession> session = start(*this, native, path);
  if (!session || !session->GetEmbeddedItem()) return false;
  session_ = std::move(session);
  session_->GetEmbeddedItem()->SetSession(session_.get());
  if (state_ == emptyState) state_ = loadedState;
  // A new item or one from a file has no bytes or picture of its own yet.
  if (native == nullptr) UpdateFromServer();
  return true;
}

bool COleClientItem::GetCachedExtent(SIZE* size, DVASPECT aspect) const {
  if (!hasExtent_ || aspect != aspect_ || size == nullptr) return false;
  *size = extent_;
  return true;
}

void COleClientItem::SetPresentation(std::vector<uint8_t> metafile, SIZE extent) {
  presentation_ = std::move(metafile);
  extent_ = extent;
  hasExtent_ = true;
}

void COleClientItem::UpdateFromServer() {
  if (!session_) return;
  COleServerItem* item = session_->GetEmbeddedItem();
  CArchive archive(CArchive::store);
  item->Serialize(archive);
  native_ = archive.TakeBytes();
  SIZE extent{0, 0};
  const bool known = item->OnGetExtent(DVASPECT_CONTENT, extent) != FALSE;
  std::vector<uint8_t> picture;
  if (const HDC recorder = CreateMetaFile(nullptr)) {
    CDC dc(recorder);
    item->OnDraw(&dc, extent);
    if (const HMETAFILE metafile = CloseMetaFile(recorder)) {
      picture.resize(GetMetaFileBitsEx(metafile, 0, nullptr));
      GetMetaFileBitsEx(metafile, static_cast<UINT>(picture.size()), picture.data());
      DeleteMetaFile(metafile);
    }
  }
  presentation_ = std::move(picture);
  extent_ = extent;
  hasExtent_ = known;
  session_->SetModified(false);
  OnChange(OLE_CHANGED, DVASPECT_CONTENT);
}

bool COleClientItem::Draw(HDC dc, const RECT& bounds) const {
  if (presentation_.empty()) return false;
  const HMETAFILE metafile =
      SetMetaFileBitsEx(static_cast<UINT>(presentation_.size()), presentation_.data());
  if (metafile == nullptr) return false;
  POINT corners[2] = {{bounds.left, bounds.top}, {bounds.right, bounds.bottom}};
  LPtoDP(dc, corners, 2);
  const int32_t left = std::min(corners[0].x, corners[1].x);
  const int32_t top = std::min(corners[0].y, corners[1].y);
  const int32_t width = std::abs(corners[1].x - corners[0].x);
  const int32_t height = std::abs(corners[1].y - corners[0].y);
  const int32_t saved = SaveDC(dc);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, std::max(1, static_cast<int32_t>(extent_.cx)),
                 std::max(1, static_cast<int32_t>(extent_.cy)), nullptr);
  SetViewportOrgEx(dc, left, top, nullptr);
  SetViewportExtEx(dc, std::max(1, width), std::max(1, height), nullptr);
  const bool played = width > 0 && height > 0 && PlayMetaFile(dc, metafile) != FALSE;
  RestoreDC(dc, saved);
  DeleteMetaFile(metafile);
  return played;
}

void COleClientItem::DoVerb(int32_t verb, CView* view) {
  if (verb == OLEIVERB_HIDE) {
    if (IsInPlaceActive()) {
      Deactivate();
    } else if (session_) {
      session_->Hide();
    }
    return;
  }
  if (!session_ && !Start(native_.empty() ? nullptr : &native_, nullptr)) return;
  activeView_ = view;
  COleServerItem* item = session_->GetEmbeddedItem();
  if (verb == OLEIVERB_OPEN) {
    item->OnOpen();
  } else {
    item->OnShow();
  }
  if (!IsInPlaceActive() && state_ != openState) SetItemState(openState);
}

bool COleClientItem::ActivateInPlace(CView* view) {
  if (IsInPlaceActive()) return true;
  activeView_ = view;
  if (!CanActivate()) return false;
  OnActivate();
  SetItemState(activeState);
  SetItemState(activeUIState);
  return true;
}

void COleClientItem::DeactivateUI() {
  if (state_ != activeUIState) return;
  SetItemState(activeState);
  OnDeactivateUI(FALSE);
}

void COleClientItem::Deactivate() {
  if (state_ == activeUIState) DeactivateUI();
  if (!IsInPlaceActive()) return;
  // What was edited in place is kept in the item.
  if (session_ && session_->IsModified()) UpdateFromServer();
  if (session_) session_->Hide();
  activeView_ = nullptr;
  SetItemState(loadedState);
}

void COleClientItem::Close(OLECLOSE option) {
  if (session_ && option == OLECLOSE_SAVEIFDIRTY && session_->IsModified()) UpdateFromServer();
  if (state_ == activeUIState) SetItemState(activeState);
  if (session_) {
    session_->Hide();
    session_.reset();
  }
  activeView_ = nullptr;
  if (state_ != emptyState && state_ != loadedState) SetItemState(loadedState);
}

void COleClientItem::OnServerClosed() {
  if (state_ == activeUIState) SetItemState(activeState);
  session_.reset();
  activeView_ = nullptr;
  if (state_ != emptyState && state_ != loadedState) SetItemState(loadedState);
}

void COleClientItem::SetItemState(ItemState state) {
  state_ = state;
  OnChange(OLE_CHANGED_STATE, static_cast<uint32_t>(state));
}

void COleClientItem::Serialize(CArchive& archive) {
  if (archive.IsStoring()) {
    if (session_ && session_->IsModified()) UpdateFromServer();
    archive.WriteUInt32(kItemFormat);
    archive.WriteBlock(native_);
    archive.WriteBlock(presentation_);
    archive.WriteUInt32(hasExtent_ ? 1 : 0);
    archive.WriteUInt32(static_cast<uint32_t>(extent_.cx));
    archive.WriteUInt32(static_cast<uint32_t>(extent_.cy));
    return;
  }
  if (archive.ReadUInt32() != kItemFormat) throw CArchiveException(CArchiveException::badIndex);
  std::vector<uint8_t> native = archive.ReadBlock();
  std::vector<uint8_t> presentation = archive.ReadBlock();
  const bool hasExtent = archive.ReadUInt32() != 0;
  const auto cx = static_cast<int32_t>(archive.ReadUInt32());
  const auto cy = static_cast<int32_t>(archive.ReadUInt32());
  session_.reset();
  native_ = std::move(native);
  presentation_ = std::move(presentation);
  hasExtent_ = hasExtent;
  extent_ = SIZE{cx, cy};
  state_ = native_.empty() ? emptyState : loadedState;
}

void COleClientItem::OnChange(OLE_NOTIFICATION, uint32_t) {}

void COleClientItem::OnGetItemPosition(RECT& position) { position = RECT{0, 0, 0, 0}; }

BOOL COleClientItem::OnChangeItemPosition(const RECT& position) {
  return position.right >= position.left || position.bottom >= position.top;
}

void COleClientItem::OnDeactivateUI(BOOL) {}

BOOL COleClientItem::CanActivate() {
  return document_ == nullptr || document_->GetInPlaceFrame() == nullptr;
}

void COleClientItem::OnActivate() {}

// ---------------------------------------------------------------------------------------------
// COleItemList

COleItemList::~COleItemList() { CloseAll(); }

void COleItemList::CloseAll() {
  for (auto& item : items_)
    item->Close(OLECLOSE_NOSAVE);
}

void COleItemList::AddItem(COleClientItem* item) {
  if (item == nullptr) return;
  const bool held = std::any_of(items_.begin(), items_.end(),
                                [item](const auto& mine) { return mine.get() == item; });
  item->document_ = this;
  if (!held) items_.emplace_back(item);
}

void COleItemList::RemoveItem(COleClientItem* item) {
  const auto it = std::find_if(items_.begin(), items_.end(),
                               [item](const auto& mine) { return mine.get() == item; });
  if (it == items_.end()) return;
  std::unique_ptr<COleClientItem> removed = std::move(*it);
  items_.erase(it);
  removed->Close(OLECLOSE_NOSAVE);
}

COleClientItem* COleItemList::GetInPlaceActiveItem(const CView* view) const {
  for (const auto& item : items_) {
    if (item->IsInPlaceActive() && (view == nullptr || item->GetActiveView() == view))
      return item.get();
  }
  return nullptr;
}

void COleItemList::UpdateAllViews(CView*, LPARAM, CObject*) {
  if (owner_ == nullptr) return;
  for (CView* view : owner_->GetViews()) {
    if (view->m_hWnd != nullptr) InvalidateRect(view->m_hWnd, nullptr, FALSE);
  }
}

void COleItemList::SetModifiedFlag() {
  if (owner_) owner_->SetModifiedFlag(TRUE);
}

void COleItemList::Serialize(CArchive& archive, const std::function<COleClientItem*()>& make) {
  if (archive.IsStoring()) {
    archive.WriteUInt32(static_cast<uint32_t>(items_.size()));
    for (auto& item : items_)
      item->Serialize(archive);
    return;
  }
  const uint32_t count = archive.ReadUInt32();
  // Every item takes at least its format word: a count beyond that is not a list of items.
  if (count > archive.Remaining() / 4) throw CArchiveException(CArchiveException::badIndex);
  std::vector<std::unique_ptr<COleClientItem>> loaded;
  for (uint32_t i = 0; i < count; ++i) {
    std::unique_ptr<COleClientItem> item(make());
    if (!item) throw CArchiveException(CArchiveException::badIndex);
    item->document_ = this;
    item->Serialize(archive);
    loaded.push_back(std::move(item));
  }
  for (auto& item : items_)
    item->Close(OLECLOSE_NOSAVE);
  items_ = std::move(loaded);
}
