#include "app/services/EmbeddedWorlds.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/services/InPlaceFrame.h"
#include "app/shell/MenuBar.h"
#include "core/Failure.h"
#include "core/port/Port.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/mfc/Himetric.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Message.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "ui/views/OwlSubview.h"
#include "views/world/MainWorldView.h"

IMPLEMENT_DYNAMIC(CYBSrvrItem, COleServerItem)
IMPLEMENT_DYNCREATE(CYBCntrItem, COleClientItem)

namespace {

// The square the document's first item is drawn into on the document's picture.
constexpr RECT kFirstItemPlace{0, 0, 1010, 1010};

// A document file of its own for one transfer of bytes, removed when done.
class TransferFile {
 public:
  TransferFile() {
    static std::atomic<uint32_t> counter{0};
    path_ = (std::filesystem::temp_directory_path() /
             ("yb-item-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".yb"))
                .string();
  }
  ~TransferFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TransferFile(const TransferFile&) = delete;
  TransferFile& operator=(const TransferFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::vector<uint8_t> DocumentBytes(TQVDoc& document) {
  const std::string kept = document.Path();
  const int32_t changes = document.GetChangeCount();
  TransferFile file;
  document.WriteDocument(file.Path());
  // Writing into the item is not saving the document's own file.
  if (kept.empty()) document.ForgetPath();
  document.SetChangeCount(changes);
  std::ifstream in(file.Path(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void ReadDocumentBytes(TQVDoc& document, const std::vector<uint8_t>& bytes) {
  TransferFile file;
  {
    std::ofstream out(file.Path(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) ThrowFailure(kErrIO, 0);
  }
  document.ReadDocument(file.Path());
  document.ForgetPath();
}

bool IsOpen(TWorldWindowDocument* document) {
  auto* application = dynamic_cast<TApp*>(CWinApp::Current());
  if (application == nullptr || application->Documents() == nullptr) return false;
  for (const auto& open : application->Documents()->Documents()) {
    if (open.get() == document) return !document->Windows().empty();
  }
  return false;
}

// A world of this program running for one item, in a document window of its own that shows
// only while the item is open, or edited in place in the container's window.
class TWorldSession : public COleServerSession {
 public:
  TWorldSession(TWorldWindowDocument* document, COleClientItem& client)
      : document_(document), client_(&client), item_(std::make_unique<CYBSrvrItem>(document)) {
    item_->SetEmbedded(true);
    COleClientItem* const served = client_;
    document_->ServeItem([served] { served->UpdateFromServer(); },
                         [served] { served->OnServerClosed(); });
  }
  ~TWorldSession() override {
    EndInPlace();
    if (!IsOpen(document_)) return;
    document_->ServeItem(nullptr, nullptr);
    // What was to be kept went into the item; the window goes without asking.
    document_->Document().SetChangeCount(0);
    document_->Close();
  }
  TWorldSession(const TWorldSession&) = delete;
  TWorldSession& operator=(const TWorldSession&) = delete;

  COleServerItem* GetEmbeddedItem() override { return item_.get(); }
  bool IsModified() const override {
    return IsOpen(document_) && document_->Document().GetChangeCount() != 0;
  }
  void SetModified(bool modified) override {
    if (IsOpen(document_)) document_->Document().SetChangeCount(modified ? 1 : 0);
  }
  bool ActivateInPlace() override;
  void Open() override { Show(true); }
  void Hide() override {
    if (frame_ != nullptr) {
      EndInPlace();
      return;
    }
    Show(false);
  }

 private:
  void Show(bool show) {
    if (!IsOpen(document_)) return;
    if (CFrameWnd* frame = document_->GetWindowFrame()) frame->ShowWindow(show ? SW_SHOW : SW_HIDE);
    if (show && !document_->Windows().empty()) document_->Windows().front()->SelectWindow();
  }
  // The world's window back in its own hidden frame, the frame's bars and menus gone, the
  // container's window the current one again.
  void EndInPlace();

  TWorldWindowDocument* document_;
  COleClientItem* client_;
  std::unique_ptr<CYBSrvrItem> item_;
  CInPlaceFrame* frame_ = nullptr;
  HWND frameWindow_ = nullptr;
};

TWorldWindowDocument* ContainerOf(const COleClientItem& item) {
  COleItemList* const list = item.GetDocument();
  return list != nullptr ? dynamic_cast<TWorldWindowDocument*>(list->GetOwner()) : nullptr;
}

HWND MainViewWindow(TWorldWindowDocument& document) {
  TWorldWindow* const window = document.WorldWindow();
  TMainWorldView* const view = window != nullptr ? window->MainView() : nullptr;
  return view != nullptr ? view->GetWindowHandle() : nullptr;
}

bool TWorldSession::ActivateInPlace() {
  if (frame_ != nullptr) return true;
  CView* const view = client_->GetActiveView();
  TWorldWindowDocument* const container = ContainerOf(*client_);
  CFrameWnd* const ownFrame = IsOpen(document_) ? document_->GetWindowFrame() : nullptr;
  CFrameWnd* const containerFrame = GetMainFrame();
  if (view == nullptr || !IsWindow(view->m_hWnd) || container == nullptr || ownFrame == nullptr ||
      containerFrame == nullptr)
    return false;
  const HWND pane = GetDlgItem(ownFrame->m_hWnd, static_cast<int32_t>(AFX_IDW_PANE_FIRST));
  const HWND place = MainViewWindow(*container);
  if (pane == nullptr || place == nullptr) return false;
  if (!client_->ActivateInPlace(view)) return false;
  RECT pixels{0, 0, 0, 0};
  client_->OnGetItemPosition(pixels);
  auto* frame = new CInPlaceFrame;
  // A frame that cannot be made is gone already.
  if (!frame->CreateInPlace(view, place, pixels, client_)) {
    client_->Deactivate();
    return false;
  }
  frame->HideContainerBars(containerFrame);
  if (!frame->OnCreateControlBars(containerFrame, view->GetParentFrame())) {
    frame->DestroyWindow();
    client_->Deactivate();
    return false;
  }
  frame->ShareMenus(containerFrame, LoadMenuResource(MAKEINTRESOURCEA(CInPlaceFrame::kContainerMenu)),
                    LoadMenuResource(MAKEINTRESOURCEA(CInPlaceFrame::kMenu)));
  frame->LoadAccelTable(CInPlaceFrame::kKeys);
  SetParent(pane, frame->m_hWnd);
  frame->RecalcLayout();
  frame->ShowWindow(SW_SHOW);
  frame_ = frame;
  frameWindow_ = frame->m_hWnd;
  document_->Items().SetInPlaceFrame(frame);
  if (!document_->Windows().empty()) document_->Windows().front()->Activate(true);
  if (const HWND served = MainViewWindow(*document_)) SetFocus(served);
  return true;
}

void TWorldSession::EndInPlace() {
  CInPlaceFrame* const frame = std::exchange(frame_, nullptr);
  if (frame == nullptr) return;
  const bool open = IsOpen(document_);
  if (open) document_->Items().SetInPlaceFrame(nullptr);
  // The frame deletes itself with its window, which may have gone with the container's.
  if (IsWindow(std::exchange(frameWindow_, nullptr))) {
    const HWND pane = GetDlgItem(frame->m_hWnd, static_cast<int32_t>(AFX_IDW_PANE_FIRST));
    CFrameWnd* const ownFrame = open ? document_->GetWindowFrame() : nullptr;
    if (pane != nullptr && ownFrame != nullptr && IsWindow(ownFrame->m_hWnd)) {
      SetParent(pane, ownFrame->m_hWnd);
      ownFrame->RecalcLayout();
    }
    frame->DestroyWindow();
  }
  if (open && !document_->Windows().empty()) document_->Windows().front()->Activate(false);
  // The container's window takes the keys and commands back.
  TWorldWindowDocument* const container = ContainerOf(*client_);
  if (container != nullptr && IsOpen(container)) container->Windows().front()->SelectWindow();
}

std::unique_ptr<COleServerSession> StartWorld(COleClientItem& item, const std::vector<uint8_t>* native,
                                              const std::string* path) {
  auto* application = dynamic_cast<TApp*>(CWinApp::Current());
  if (application == nullptr || application->Documents() == nullptr) return nullptr;
  auto document = std::make_unique<TQVDoc>();
  try {
    if (native != nullptr) ReadDocumentBytes(*document, *native);
    if (path != nullptr) {
      document->ReadDocument(*path);
      // The item holds a copy: the file stays as it is.
      document->ForgetPath();
    }
  } catch (const QVException& failure) {
    application->ShowError(failure.error(), failure.message());
    return nullptr;
  }
  TOwlSubview* const previous = TOwlSubview::CurrentWindow();
  TOwlSubview* const window = application->Documents()->Open(std::move(document), "");
  auto* served = window ? dynamic_cast<TWorldWindowDocument*>(window->GetDocument()) : nullptr;
  if (served == nullptr) return nullptr;
  if (CFrameWnd* frame = served->GetWindowFrame()) frame->ShowWindow(SW_HIDE);
  if (previous != nullptr) previous->SelectWindow();
  return std::make_unique<TWorldSession>(served, item);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CYBSrvrItem

CYBSrvrItem::CYBSrvrItem(TWorldWindowDocument* document) : COleServerItem(document, true) {}

TWorldWindowDocument* CYBSrvrItem::GetWorldDocument() const {
  return dynamic_cast<TWorldWindowDocument*>(GetDocument());
}

void CYBSrvrItem::Serialize(CArchive& archive) {
  if (IsLinkedItem()) return;
  TWorldWindowDocument* const document = GetWorldDocument();
  if (document == nullptr) return;
  if (archive.IsStoring()) {
    const std::vector<uint8_t> bytes = DocumentBytes(document->Document());
    archive.Write(bytes.data(), bytes.size());
    return;
  }
  std::vector<uint8_t> bytes(archive.Remaining());
  archive.Read(bytes.data(), bytes.size());
  ReadDocumentBytes(document->Document(), bytes);
}

HWND CYBSrvrItem::ViewWindow() const {
  TWorldWindowDocument* const document = GetWorldDocument();
  if (document == nullptr || document->WorldWindow() == nullptr) return nullptr;
  TMainWorldView* const view = document->WorldWindow()->MainView();
  return view != nullptr ? view->GetWindowHandle() : nullptr;
}

BOOL CYBSrvrItem::OnGetExtent(DVASPECT aspect, SIZE& size) {
  if (aspect != DVASPECT_CONTENT) return COleServerItem::OnGetExtent(aspect, size);
  RECT client{0, 0, 0, 0};
  if (const HWND view = ViewWindow()) GetClientRect(view, &client);
  size = SIZE{client.right - client.left, client.bottom - client.top};
  const HDC screen = CreateCompatibleDC(nullptr);
  if (screen == nullptr) return FALSE;
  // An inch of the screen for the whole window: the container scales the picture to its place.
  SetMapMode(screen, MM_ANISOTROPIC);
  SetViewportExtEx(screen, GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY),
                   nullptr);
  if (size.cx != 0 && size.cy != 0) SetWindowExtEx(screen, size.cx, -size.cy, nullptr);
  LPtoHIMETRIC(screen, &size);
  DeleteDC(screen);
  return TRUE;
}

BOOL CYBSrvrItem::OnDraw(CDC* dc, SIZE&) {
  const HDC target = dc->GetSafeHdc();
  const HWND view = ViewWindow();
  RECT client{0, 0, 0, 0};
  if (view != nullptr) GetClientRect(view, &client);
  const int32_t width = client.right - client.left;
  const int32_t height = client.bottom - client.top;
  SetWindowOrgEx(target, 0, 0, nullptr);
  if (width > 0 && height > 0) SetWindowExtEx(target, width, height, nullptr);
  if (view != nullptr && width > 0 && height > 0) {
    const HDC source = GetDC(view);
    StretchBlt(target, 0, 0, width, height, source, 0, 0, width, height, SRCCOPY);
    ReleaseDC(view, source);
  }
  if (TWorldWindowDocument* const document = GetWorldDocument()) {
    if (COleClientItem* const first = document->Items().FirstItem()) first->Draw(target, kFirstItemPlace);
  }
  return TRUE;
}

void CYBSrvrItem::OnShow() {
  if (!ActivateInPlace()) OnOpen();
}

// ---------------------------------------------------------------------------------------------
// CYBCntrItem

CYBCntrItem::CYBCntrItem(COleItemList* document) : COleClientItem(document) {}

void CYBCntrItem::Invalidate(CView* sender) {
  if (GetDocument()) GetDocument()->UpdateAllViews(sender, 0, this);
}

bool CYBCntrItem::UpdateExtent() {
  SIZE extent{0, 0};
  if (!GetCachedExtent(&extent, GetDrawAspect())) return false;
  Invalidate();
  if (extent.cx == m_sizeExtent.cx && extent.cy == m_sizeExtent.cy) return false;
  // Without an old extent in both directions there is nothing to scale by: placed as new.
  if (m_sizeExtent.cx == 0 || m_sizeExtent.cy == 0) {
    m_rect.right = m_rect.left + ScaleRounded(extent.cx, 10, 254);
    m_rect.bottom = m_rect.top - ScaleRounded(extent.cy, 10, 254);
  } else if (!IsInPlaceActive()) {
    const int32_t width = m_rect.right - m_rect.left;
    const int32_t height = m_rect.bottom - m_rect.top;
    m_rect.right = m_rect.left + ScaleRounded(width, extent.cx, m_sizeExtent.cx);
    m_rect.bottom = m_rect.top - ScaleRounded(-height, extent.cy, m_sizeExtent.cy);
  }
  m_sizeExtent = extent;
  Invalidate();
  return true;
}

void CYBCntrItem::Serialize(CArchive& archive) { COleClientItem::Serialize(archive); }

void CYBCntrItem::OnChange(OLE_NOTIFICATION notification, uint32_t parameter) {
  COleClientItem::OnChange(notification, parameter);
  switch (notification) {
    case OLE_CHANGED:
      UpdateExtent();
      Invalidate();
      break;
    case OLE_CHANGED_STATE:
    case OLE_CHANGED_ASPECT:
      Invalidate();
      break;
    default:
      break;
  }
}

RECT ItemPlaceToPixels(const RECT& place) {
  return RECT{std::min(place.left, place.right), -std::max(place.top, place.bottom),
              std::max(place.left, place.right), -std::min(place.top, place.bottom)};
}

RECT PixelsToItemPlace(const RECT& pixels) {
  return RECT{std::min(pixels.left, pixels.right), -std::min(pixels.top, pixels.bottom),
              std::max(pixels.left, pixels.right), -std::max(pixels.top, pixels.bottom)};
}

void CYBCntrItem::OnGetItemPosition(RECT& position) {
  if (m_rect.left == m_rect.right || m_rect.top == m_rect.bottom) UpdateExtent();
  position = ItemPlaceToPixels(m_rect);
}

BOOL CYBCntrItem::OnChangeItemPosition(const RECT& position) {
  const RECT place = PixelsToItemPlace(position);
  if (place.left != m_rect.left || place.top != m_rect.top || place.right != m_rect.right ||
      place.bottom != m_rect.bottom) {
    Invalidate();
    m_rect = place;
    if (GetDocument()) GetDocument()->SetModifiedFlag();
    SIZE extent{0, 0};
    if (GetCachedExtent(&extent, GetDrawAspect())) m_sizeExtent = extent;
    Invalidate();
  }
  return COleClientItem::OnChangeItemPosition(position);
}

void CYBCntrItem::OnDeactivateUI(BOOL undoable) {
  COleClientItem::OnDeactivateUI(undoable);
  Deactivate();
}

BOOL CYBCntrItem::CanActivate() {
  // A document edited in place in another document does not edit its own items in place.
  if (GetDocument() != nullptr && GetDocument()->GetInPlaceFrame() != nullptr) return FALSE;
  return COleClientItem::CanActivate();
}

void CYBCntrItem::OnActivate() {
  if (COleItemList* const document = GetDocument()) {
    COleClientItem* const active = document->GetInPlaceActiveItem(GetActiveView());
    if (active != nullptr && active != this) active->Close();
  }
  COleClientItem::OnActivate();
}

void DrawItemsInView(COleItemList& items, HDC dc) {
  for (const auto& item : items.Items()) {
    RECT pixels{0, 0, 0, 0};
    item->OnGetItemPosition(pixels);
    item->Draw(dc, pixels);
  }
}

namespace {

constexpr char kItemsMark[4] = {'Y', 'B', 'I', 'T'};

struct ItemsInView {
  TWorldWindowDocument* document;
  WNDPROC procedure;
};

// The item drawn topmost at a pixel of the view, or null.
COleClientItem* ItemAt(COleItemList& items, POINT point) {
  for (auto it = items.Items().rbegin(); it != items.Items().rend(); ++it) {
    RECT pixels{0, 0, 0, 0};
    (*it)->OnGetItemPosition(pixels);
    if (point.x >= pixels.left && point.x < pixels.right && point.y >= pixels.top &&
        point.y < pixels.bottom)
      return it->get();
  }
  return nullptr;
}

// A double click on an item shows it for editing, in place where it can be.
bool ShowItemAt(TWorldWindowDocument& document, POINT point) {
  COleClientItem* const item = ItemAt(document.Items(), point);
  if (item == nullptr || item->IsInPlaceActive() || document.Windows().empty()) return false;
  item->DoVerb(OLEIVERB_SHOW, dynamic_cast<CView*>(document.Windows().front()->GetMFCWindow()));
  return true;
}

// A press on the view outside the item edited in place ends that editing; the press then acts
// on the world as any other.
void EndEditingOutside(TWorldWindowDocument& document, POINT point) {
  COleClientItem* const active = document.Items().GetInPlaceActiveItem(nullptr);
  if (active == nullptr || ItemAt(document.Items(), point) == active) return;
  active->Close();
}

std::unordered_map<HWND, ItemsInView>& ViewsWithItems() {
  static std::unordered_map<HWND, ItemsInView> views;
  return views;
}

LRESULT ViewWithItemsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto it = ViewsWithItems().find(window);
  if (it == ViewsWithItems().end()) return DefWindowProc(window, message, wParam, lParam);
  const ItemsInView shown = it->second;
  if (message == WM_NCDESTROY) ViewsWithItems().erase(it);
  if (message == WM_LBUTTONDOWN)
    EndEditingOutside(*shown.document, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  if (message == WM_LBUTTONDBLCLK &&
      ShowItemAt(*shown.document, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
    return 0;
  const LRESULT result = CallWindowProc(shown.procedure, window, message, wParam, lParam);
  if (message == WM_PAINT && !shown.document->Items().Items().empty()) {
    const HDC dc = GetDC(window);
    DrawItemsInView(shown.document->Items(), dc);
    ReleaseDC(window, dc);
  }
  return result;
}

}  // namespace

void ShowItemsInView(TWorldWindowDocument& document) {
  if (document.WorldWindow() == nullptr || document.WorldWindow()->MainView() == nullptr) return;
  const HWND view = document.WorldWindow()->MainView()->GetWindowHandle();
  if (view == nullptr) return;
  const auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtr(view, GWLP_WNDPROC));
  if (procedure == &ViewWithItemsProc) return;
  ViewsWithItems()[view] = ItemsInView{&document, procedure};
  SetWindowLongPtr(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ViewWithItemsProc));
  // The world's picture is also copied to the screen outside painting (at idle, during a run):
  // the items go into that picture, over the world, as its controls do.
  TWorldWindowDocument* const shown = &document;
  document.WorldWindow()->MainView()->SetItemsDrawer([shown] {
    if (!shown->Items().Items().empty()) DrawItemsInView(shown->Items(), GetPortDC());
  });
}

void WriteItemsAfterDocument(COleItemList& items, const std::string& path) {
  if (items.Items().empty()) return;
  CArchive archive(CArchive::store);
  items.Serialize(archive, [] { return new CYBCntrItem; });
  archive.WriteUInt32(static_cast<uint32_t>(archive.Bytes().size()));
  archive.Write(kItemsMark, sizeof kItemsMark);
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out.write(reinterpret_cast<const char*>(archive.Bytes().data()),
            static_cast<std::streamsize>(archive.Bytes().size()));
  out.close();
  if (!out) ThrowFailure(kErrIO, 0);
}

void ReadItemsAfterDocument(COleItemList& items, const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return;
  const std::streamoff size = in.tellg();
  if (size < 8) return;
  char tail[8];
  in.seekg(size - 8);
  if (!in.read(tail, sizeof tail) || std::memcmp(tail + 4, kItemsMark, 4) != 0) return;
  const uint32_t length = static_cast<uint8_t>(tail[0]) | static_cast<uint8_t>(tail[1]) << 8 |
                          static_cast<uint8_t>(tail[2]) << 16 |
                          static_cast<uint32_t>(static_cast<uint8_t>(tail[3])) << 24;
  if (length > static_cast<uint64_t>(size - 8)) return;
  std::vector<uint8_t> bytes(length);
  in.seekg(size - 8 - static_cast<std::streamoff>(length));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), length)) return;
  CArchive archive(CArchive::load, std::move(bytes));
  try {
    items.Serialize(archive, [] { return new CYBCntrItem; });
  } catch (const CArchiveException&) {
    // A damaged section: the world is still the document.
  }
}

void EndInPlaceEditing() {
  auto* application = dynamic_cast<TApp*>(CWinApp::Current());
  if (application == nullptr || application->Documents() == nullptr) return;
  for (const auto& document : application->Documents()->Documents()) {
    if (document->Windows().empty()) continue;
    if (COleClientItem* const active = document->Items().GetInPlaceActiveItem(nullptr)) active->Close();
  }
}

void RegisterWorldServer() { RegisterOleServer({"Yarrowby World", StartWorld}); }
