// Worlds embedded in worlds: the served world's extent and bytes, and how a container item
// places itself from the extents its server reports.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <filesystem>

#include "app/TApp.h"
#include "app/frames/ChildFrame.h"
#include "app/frames/DocumentWindows.h"
#include "app/services/EmbeddedWorlds.h"
#include "app/services/InPlaceFrame.h"
#include "app/frames/MainFrame.h"
#include "core/Failure.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/ToolBar.h"
#include "platform/win32/WindowPresenter.h"
#include "platform/mfc/COleInsertDialog.h"
#include "platform/mfc/CDockState.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/WindowBuilder.h"
#include "views/world/MainWorldView.h"
#include "../ProgramDocuments.h"
#include "../../platform/win32/DialogTestSupport.h"

namespace {

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

#define EXPECT_RECT(actual, l, t, r, b) EXPECT_PRED2(SameRect, actual, (RECT{l, t, r, b}))

// An item whose server reported the extent.
CYBCntrItem* ItemWithExtent(COleItemList& list, SIZE extent) {
  auto* item = new CYBCntrItem(&list);
  item->SetPresentation({}, extent);
  return item;
}

TEST(ContainerItemTest, ANewItemSitsAtItsCornerSizedByItsExtent) {
  COleItemList list(nullptr);
  CYBCntrItem* item = ItemWithExtent(list, {2540, 5080});
  EXPECT_RECT(item->m_rect, 10, -10, 10, -10);
  RECT pixels{};
  item->OnGetItemPosition(pixels);  // a place of no size takes the extent first
  EXPECT_RECT(item->m_rect, 10, -10, 110, -210);
  EXPECT_RECT(pixels, 10, 10, 110, 210);
  EXPECT_FALSE(item->UpdateExtent());  // the same extent again changes nothing

  item->SetPresentation({}, {5080, 1270});
  EXPECT_TRUE(item->UpdateExtent());  // scaled from the old extent
  EXPECT_RECT(item->m_rect, 10, -10, 210, -60);
  EXPECT_EQ(item->m_sizeExtent.cx, 5080);
}

TEST(ContainerItemTest, AZeroOldExtentPlacesTheItemAsNew) {
  COleItemList list(nullptr);
  CYBCntrItem* item = ItemWithExtent(list, {1000, 2540});
  item->m_rect = RECT{50, -50, 80, -90};
  item->m_sizeExtent = SIZE{2540, 0};
  EXPECT_TRUE(item->UpdateExtent());
  EXPECT_RECT(item->m_rect, 50, -50, 89, -150);
}

TEST(ContainerItemTest, ActiveInPlaceANewExtentKeepsThePlace) {
  COleItemList list(nullptr);
  CYBCntrItem* item = ItemWithExtent(list, {2540, 2540});
  item->UpdateExtent();
  ASSERT_TRUE(item->ActivateInPlace(nullptr));
  EXPECT_EQ(item->GetItemState(), COleClientItem::activeUIState);
  item->SetPresentation({}, {5080, 5080});
  EXPECT_TRUE(item->UpdateExtent());
  EXPECT_RECT(item->m_rect, 10, -10, 110, -110);
  EXPECT_EQ(item->m_sizeExtent.cx, 5080);
}

TEST(ContainerItemTest, ASecondActivationClosesTheFirstAndHideDeactivates) {
  COleItemList list(nullptr);
  CYBCntrItem* first = ItemWithExtent(list, {2540, 2540});
  CYBCntrItem* second = ItemWithExtent(list, {2540, 2540});
  ASSERT_TRUE(first->ActivateInPlace(nullptr));
  ASSERT_TRUE(second->ActivateInPlace(nullptr));
  EXPECT_EQ(first->GetItemState(), COleClientItem::loadedState);
  EXPECT_EQ(list.GetInPlaceActiveItem(nullptr), second);
  second->DoVerb(OLEIVERB_HIDE, nullptr);
  EXPECT_EQ(list.GetInPlaceActiveItem(nullptr), nullptr);
  // A document edited in place elsewhere activates none of its own items.
  CWnd frame;
  list.SetInPlaceFrame(&frame);
  EXPECT_FALSE(first->ActivateInPlace(nullptr));
}

TEST(ContainerItemTest, FilingKeepsTheItemButNotItsPlace) {
  COleItemList list(nullptr);
  CYBCntrItem* item = ItemWithExtent(list, {2540, 2540});
  item->m_rect = RECT{40, -40, 300, -300};
  item->m_sizeExtent = SIZE{2540, 2540};
  CArchive out(CArchive::store);
  list.Serialize(out, [] { return new CYBCntrItem; });
  COleItemList again(nullptr);
  CArchive in(CArchive::load, out.TakeBytes());
  again.Serialize(in, [] { return new CYBCntrItem; });
  auto* read = dynamic_cast<CYBCntrItem*>(again.FirstItem());
  ASSERT_NE(read, nullptr);
  RECT pixels{};
  read->OnGetItemPosition(pixels);
  EXPECT_RECT(pixels, 10, 10, 110, 110);
}

class ServerItemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
  }
  void TearDown() override {
    ResetWindowSystem();
    UseProcessClock();
    std::fclose(stream_);
  }
  TWorldWindowDocument* FrontDocument() {
    TOwlSubview* front = TOwlSubview::CurrentWindow();
    return front ? dynamic_cast<TWorldWindowDocument*>(front->GetDocument()) : nullptr;
  }
  std::FILE* stream_ = nullptr;
};

TEST_F(ServerItemTest, TheContentIsAnInchSquareAndTheEmbeddedItemFilesTheWholeDocument) {
  TApp app(stream_);
  ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
  app.NewDocument();
  TWorldWindowDocument* document = FrontDocument();
  ASSERT_NE(document, nullptr);
  CYBSrvrItem item(document);
  for (int32_t width : {300, 520}) {
    MoveWindow(document->GetWindowFrame()->m_hWnd, 0, 0, width, width / 2 + 90, TRUE);
    SIZE extent{0, 0};
    ASSERT_TRUE(item.OnGetExtent(DVASPECT_CONTENT, extent));
    EXPECT_EQ(extent.cx, 2540);
    EXPECT_EQ(extent.cy, 2540);
  }

  CArchive embedded(CArchive::store);
  item.Serialize(embedded);
  const auto saved = std::filesystem::temp_directory_path() / "yb-served-world.yb";
  document->Document().WriteDocument(saved.string());
  EXPECT_EQ(program_documents::FirstDifference(embedded.Bytes(),
                                               program_documents::ReadBytes(saved)), -1);
  std::filesystem::remove(saved);

  EXPECT_GT(embedded.Bytes().size(), 100u);
  item.SetEmbedded(false);
  CArchive linked(CArchive::store);
  item.Serialize(linked);
  EXPECT_TRUE(linked.Bytes().empty());
  app.ExitInstance();
}

}  // namespace

namespace {

HWND MainViewOf(TWorldWindowDocument& document) {
  return document.WorldWindow()->MainView()->GetWindowHandle();
}

TEST_F(ServerItemTest, InsertObjectEmbedsANewWorldThatComesBackFromItsStoredPicture) {
  TApp app(stream_);
  // The start-up picture stays in front of the main window for its three seconds, which the
  // virtual clock never reaches; started without it, the window's pixels are the view's.
  CCommandLineInfo line;
  line.m_bShowSplash = false;
  ASSERT_TRUE(app.InitInstance(line));
  app.NewDocument();
  TWorldWindowDocument* container = FrontDocument();
  ASSERT_NE(container, nullptr);
  const size_t open = app.Documents()->OpenCount();
  bool dialogShown = false;
  ScriptUser({[&] {
    dialogShown = GetActiveWindow() != nullptr && GetWindowTextString(GetActiveWindow()) ==
                                                      "Insert Object";
    InjectKeyStroke(VK_RETURN);
  }});
  SendMessage(container->GetWindowFrame()->m_hWnd, WM_COMMAND, CChildFrame::kInsertObjectCommand, 0);
  EXPECT_TRUE(dialogShown);
  ASSERT_EQ(container->Items().Items().size(), 1u);
  auto* item = dynamic_cast<CYBCntrItem*>(container->Items().FirstItem());
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetItemState(), COleClientItem::activeUIState);  // edited in place
  EXPECT_EQ(app.Documents()->OpenCount(), open + 1);
  item->Close();
  EXPECT_EQ(item->GetItemState(), COleClientItem::loadedState);
  EXPECT_EQ(app.Documents()->OpenCount(), open);
  EXPECT_RECT(item->m_rect, 10, -10, 110, -110);
  ASSERT_FALSE(item->Presentation().empty());

  const auto path = std::filesystem::temp_directory_path() / "yb-container-world.yb";
  ASSERT_TRUE(container->DoSave(path.string().c_str()));
  container->Close();
  ASSERT_TRUE(app.OpenDocumentFile(path.string()));
  TWorldWindowDocument* reopened = FrontDocument();
  ASSERT_NE(reopened, nullptr);
  ASSERT_NE(reopened, container);
  ASSERT_EQ(reopened->Items().Items().size(), 1u);
  const HWND view = MainViewOf(*reopened);
  InvalidateRect(view, nullptr, FALSE);
  UpdateWindow(view);

  // The view shows the stored picture over (10, 10)-(110, 110), as it plays on its own.
  const HDC expected = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 100, 100);
  SelectObject(expected, bitmap);
  const RECT all{0, 0, 100, 100};
  FillRect(expected, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ASSERT_TRUE(reopened->Items().FirstItem()->Draw(expected, all));
  const HDC shown = GetDC(view);
  int compared = 0;
  for (int32_t y = 0; y < 100; y += 7) {
    for (int32_t x = 0; x < 100; x += 7) {
      EXPECT_EQ(GetPixel(shown, 10 + x, 10 + y), GetPixel(expected, x, y)) << x << "," << y;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 15 * 15);
  ReleaseDC(view, shown);
  DeleteDC(expected);
  DeleteObject(bitmap);
  std::filesystem::remove(path);
  app.ExitInstance();
}

TEST_F(ServerItemTest, TheFrameEndsInPlaceEditingByCommandAndByDoubleClick) {
  TApp app(stream_);
  ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
  app.NewDocument();
  TWorldWindowDocument* container = FrontDocument();
  ASSERT_NE(container, nullptr);
  auto* view = dynamic_cast<CView*>(TOwlSubview::CurrentWindow()->GetMFCWindow());
  CYBCntrItem* item = ItemWithExtent(container->Items(), {2540, 2540});
  const HWND frame = container->GetWindowFrame()->m_hWnd;
  ASSERT_TRUE(item->ActivateInPlace(view));
  SendMessage(frame, WM_COMMAND, CChildFrame::kCancelEditCommand, 0);
  EXPECT_EQ(item->GetItemState(), COleClientItem::loadedState);
  ASSERT_TRUE(item->ActivateInPlace(view));
  SendMessage(frame, WM_LBUTTONDBLCLK, 0, 0);
  EXPECT_FALSE(item->IsInPlaceActive());
  app.ExitInstance();
}

std::string Sample(const char* name) {
  const char* source = std::getenv("YB_SOURCE_DIR");
  return std::string(source != nullptr ? source : "../..") + "/samples/" + name;
}

TEST_F(ServerItemTest, AWorldFileIsEmbeddedAsACopyAndADamagedItemSectionIsPassedOver) {
  TApp app(stream_);
  ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
  app.NewDocument();
  TWorldWindowDocument* container = FrontDocument();
  ASSERT_NE(container, nullptr);
  const std::string sample = Sample("pendulum.yb");
  const auto sampleBytes = program_documents::ReadBytes(sample);
  ScriptUser({[&] {
    const HWND dialog = GetActiveWindow();
    CheckRadioButton(dialog, COleInsertDialog::kNewButton, COleInsertDialog::kFileButton,
                     COleInsertDialog::kFileButton);
    SetDlgItemText(dialog, COleInsertDialog::kPathField, sample.c_str());
    InjectKeyStroke(VK_RETURN);
  }});
  SendMessage(container->GetWindowFrame()->m_hWnd, WM_COMMAND, CChildFrame::kInsertObjectCommand, 0);
  ASSERT_EQ(container->Items().Items().size(), 1u);
  COleClientItem* item = container->Items().FirstItem();
  // From a file the item is not shown: its server runs hidden until a verb shows it.
  EXPECT_EQ(item->GetItemState(), COleClientItem::loadedState);
  EXPECT_GT(item->NativeData().size(), sampleBytes.size() / 2);
  EXPECT_EQ(program_documents::ReadBytes(sample), sampleBytes);

  const auto path = std::filesystem::temp_directory_path() / "yb-damaged-items.yb";
  ASSERT_TRUE(container->DoSave(path.string().c_str()));
  // A script's save goes straight through the document and keeps the item as the menu's does.
  const auto scripted = std::filesystem::temp_directory_path() / "yb-scripted-items.yb";
  container->Document().WriteDocument(scripted.string());
  EXPECT_EQ(program_documents::ReadBytes(scripted), program_documents::ReadBytes(path));
  std::filesystem::remove(scripted);
  container->Close();
  // The item section's length now claims more than the file holds.
  std::vector<uint8_t> bytes = program_documents::ReadBytes(path);
  bytes[bytes.size() - 5] = 0x7F;
  {
    std::FILE* out = std::fopen(path.string().c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
  }
  ASSERT_TRUE(app.OpenDocumentFile(path.string()));
  TWorldWindowDocument* reopened = FrontDocument();
  ASSERT_NE(reopened, nullptr);
  EXPECT_TRUE(reopened->Items().Items().empty());
  EXPECT_GT(reopened->Document().World().Objects().size(), 0u);
  std::filesystem::remove(path);
  app.ExitInstance();
}

void Pump() {
  MSG message;
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&message);
}

std::vector<std::string> BarLabels(HMENU bar) {
  std::vector<std::string> labels;
  for (int32_t i = 0; i < GetMenuItemCount(bar); ++i)
    labels.push_back(MenuLabel(GetMenuItemText(bar, static_cast<UINT>(i), MF_BYPOSITION)));
  return labels;
}

void Click(HWND window, POINT point, UINT down = WM_LBUTTONDOWN, UINT up = WM_LBUTTONUP,
           POINT release = {-1, -1}) {
  if (release.x < 0) release = point;
  SendMessage(window, down, MK_LBUTTON, MAKELPARAM(point.x, point.y));
  SendMessage(window, up, 0, MAKELPARAM(release.x, release.y));
}

TEST_F(ServerItemTest, ANewWorldIsEditedInPlaceWithItsOwnBarsMenusAndKeys) {
  TApp app(stream_);
  ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
  app.NewDocument();
  TWorldWindowDocument* container = FrontDocument();
  ASSERT_NE(container, nullptr);
  auto* main = dynamic_cast<CMainFrame*>(GetMainFrame());
  ASSERT_NE(main, nullptr);
  const HMENU normalBar = GetMenu(main->m_hWnd);
  const auto ownBars = main->GetBarVisibility();
  // Maximised, the document window stretches its content over itself, but not the frame of a
  // world edited in place.
  ShowWindow(container->GetWindowFrame()->m_hWnd, SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(container->GetWindowFrame()->m_hWnd));

  // Edit > Insert Object is offered while a world is open, and inserts one.
  SendMessage(main->m_hWnd, WM_INITMENU, reinterpret_cast<WPARAM>(normalBar), 0);
  EXPECT_EQ(GetMenuState(normalBar, CChildFrame::kInsertObjectCommand, MF_BYCOMMAND) & MF_GRAYED, 0u);
  ScriptUser({[] { InjectKeyStroke(VK_RETURN); }});
  SendMessage(main->m_hWnd, WM_COMMAND, CChildFrame::kInsertObjectCommand, 0);
  auto* item = dynamic_cast<CYBCntrItem*>(container->Items().FirstItem());
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(item->GetItemState(), COleClientItem::activeUIState);
  TWorldWindowDocument* served = nullptr;
  for (const auto& document : app.Documents()->Documents())
    if (document->Items().GetInPlaceFrame() != nullptr) served = document.get();
  ASSERT_NE(served, nullptr);
  auto* frame = dynamic_cast<CInPlaceFrame*>(served->Items().GetInPlaceFrame());
  ASSERT_NE(frame, nullptr);

  // The frame lies over the item's place in the container's window, its edge around it.
  EXPECT_TRUE(IsChild(container->GetWindowFrame()->m_hWnd, frame->m_hWnd));
  EXPECT_TRUE(IsWindowVisible(frame->m_hWnd));
  EXPECT_NE(frame->ResizeBar().GetDlgCtrlID(), static_cast<int32_t>(CInPlaceFrame::kBarIds[2]));
  EXPECT_EQ(COleDropTarget::FromWindow(frame->m_hWnd), &frame->DropTarget());
  // On the frame's window, after the container's view has painted, the top-left handle shows.
  main->ShowWindow(SW_SHOW);
  InvalidateRect(MainViewOf(*container), nullptr, TRUE);
  UpdateWindow(main->m_hWnd);
  Pump();
  RECT handle;
  RECT mainRect;
  GetWindowRect(frame->ResizeBar().m_hWnd, &handle);
  GetWindowRect(main->m_hWnd, &mainRect);
  const WindowSurface* surface = GetWindowSurface(main->m_hWnd);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->Pixel(handle.left - mainRect.left + 1, handle.top - mainRect.top + 1), 0u);
  EXPECT_NE(surface->Pixel(handle.left - mainRect.left - 2, handle.top - mainRect.top + 1), 0u);

  // The world's five bars replace the container's in its frame, and the menus are shared.
  for (size_t i = 0; i < CInPlaceFrame::kBarCount; ++i) {
    EXPECT_EQ(GetParent(frame->Bar(i).m_hWnd), main->m_hWnd) << i;
    EXPECT_EQ(frame->Bar(i).GetDlgCtrlID(), static_cast<int32_t>(CInPlaceFrame::kBarIds[i]));
  }
  EXPECT_EQ(frame->Bar(0).GetItemID(5), 931u);
  EXPECT_EQ(frame->Bar(4).GetItemID(0), 1031u);
  for (bool visible : frame->GetBarVisibility()) EXPECT_TRUE(visible);
  for (bool visible : main->GetBarVisibility()) EXPECT_FALSE(visible);
  EXPECT_EQ(BarLabels(GetMenu(main->m_hWnd)),
            (std::vector<std::string>{"File", "Edit", "World", "Script", "Tools", "Window", "Help"}));

  // Buttons show the frame's state and send their commands to the embedded world.
  frame->SetCommandDisabled(103, true);
  frame->SetCommandDisabled(103, true);
  frame->SetCurrentTool(2503);
  EXPECT_EQ(frame->DisabledCommands().size(), 1u);
  EXPECT_NE(frame->Bar(0).GetButtonStyle(0) & TBBS_DISABLED, 0u);
  EXPECT_NE(frame->Bar(1).GetButtonStyle(frame->Bar(1).CommandToIndex(2503)) & TBBS_CHECKED, 0u);
  frame->SetCommandDisabled(103, false);
  EXPECT_TRUE(frame->DisabledCommands().empty());
  EXPECT_EQ(frame->Bar(0).GetButtonStyle(0) & TBBS_DISABLED, 0u);
  SetMemoryProbe([] { return uint64_t{1024}; });
  frame->SetCurrentTool(2500);
  EXPECT_NE(frame->Bar(0).GetButtonStyle(1) & TBBS_DISABLED, 0u);
  SetMemoryProbe({});
  frame->SetCurrentTool(0);
  const int16_t containerTool = container->Document().World().GetCurrentTool();
  ASSERT_NE(containerTool, 2500);
  RECT button;
  frame->Bar(1).GetItemRect(frame->Bar(1).CommandToIndex(2500), &button);
  Click(frame->Bar(1).m_hWnd, POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2});
  Pump();
  EXPECT_EQ(served->Document().World().GetCurrentTool(), 2500);
  EXPECT_EQ(container->Document().World().GetCurrentTool(), containerTool);
  // The embedded world, the current one, shows and hides its own frame's bars.
  ASSERT_EQ(TOwlSubview::CurrentWindow(), served->Windows().front());
  ShowFramePalettes(false);
  for (bool visible : frame->GetBarVisibility()) EXPECT_FALSE(visible);
  ShowFramePalettes(true);
  for (bool visible : frame->GetBarVisibility()) EXPECT_TRUE(visible);

  // Dragging the lower right handle gives the item a new place.
  RECT client;
  GetClientRect(frame->ResizeBar().m_hWnd, &client);
  const RECT before = item->m_rect;
  Click(frame->ResizeBar().m_hWnd, POINT{client.right - 2, client.bottom - 2}, WM_LBUTTONDOWN,
        WM_LBUTTONUP, POINT{client.right + 18, client.bottom + 28});
  EXPECT_RECT(item->m_rect, before.left, before.top, before.right + 20, before.bottom - 30);
  RECT moved;
  GetClientRect(frame->m_hWnd, &moved);
  EXPECT_EQ(moved.right, client.right + 20);
  EXPECT_TRUE(container->IsModified());

  // Escape, a key of the world edited in place, ends the editing and stops the embedded world:
  // the container is as it was.
  const HWND view = MainViewOf(*served);
  MSG escape{view, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
  EXPECT_TRUE(CWnd::WalkPreTranslateTree(main->m_hWnd, &escape));
  Pump();
  EXPECT_EQ(item->GetItemState(), COleClientItem::loadedState);
  EXPECT_EQ(served->Items().GetInPlaceFrame(), nullptr);
  EXPECT_EQ(GetMenu(main->m_hWnd), normalBar);
  EXPECT_EQ(main->GetBarVisibility(), ownBars);
  EXPECT_TRUE(served->Windows().empty());
  EXPECT_FALSE(IsWindow(view));

  // A double click on the item edits it in place again.
  RECT place;
  item->OnGetItemPosition(place);
  SendMessage(MainViewOf(*container), WM_LBUTTONDBLCLK, MK_LBUTTON,
              MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2));
  EXPECT_EQ(item->GetItemState(), COleClientItem::activeUIState);
  EXPECT_EQ(BarLabels(GetMenu(main->m_hWnd)).size(), 7u);

  // Quitting meanwhile keeps the frame's own bars as they were, not the embedded world's.
  ScriptUser({[] { InjectKeyStroke('N'); }});  // the container is not saved
  SendMessage(main->m_hWnd, WM_CLOSE, 0, 0);
  SetIdleScript(nullptr);
  CDockState kept;
  kept.LoadState("General");
  EXPECT_EQ(kept.m_arrBarInfo.size(), CMainFrame::kBarCount + 1);  // and the status bar
  for (const CControlBarInfo& bar : kept.m_arrBarInfo) {
    if (bar.m_nBarID == CMainFrame::kMainToolBarId) {
      EXPECT_EQ(bar.m_bVisible, ownBars[CMainFrame::kMainBar]);
    }
  }
  app.ExitInstance();
}

TEST_F(ServerItemTest, ClosingTheEmbeddedWorldsOwnWindowKeepsItsChangeInTheItem) {
  TApp app(stream_);
  ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
  app.NewDocument();
  TWorldWindowDocument* container = FrontDocument();
  ASSERT_NE(container, nullptr);
  auto* item = new CYBCntrItem(&container->Items());
  ASSERT_TRUE(item->CreateFromFile(Sample("pendulum.yb")));
  auto* view = dynamic_cast<CView*>(TOwlSubview::CurrentWindow()->GetMFCWindow());
  const HWND main = GetMainFrame()->m_hWnd;
  const HMENU normalBar = GetMenu(main);
  item->DoVerb(OLEIVERB_OPEN, view);
  ASSERT_EQ(item->GetItemState(), COleClientItem::openState);
  TWorldWindowDocument* served = FrontDocument();
  ASSERT_NE(served, container);
  const std::vector<uint8_t> before = item->NativeData();

  // Its own window has the embedded world's menus, whose File menu updates the item.
  EXPECT_EQ(BarLabels(GetMenu(main)),
            (std::vector<std::string>{"File", "Edit", "World", "Script", "Tools", "Window", "Help"}));
  SendMessage(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(main), 0)), 0);
  EXPECT_EQ(GetMenuState(GetMenu(main), CChildFrame::kUpdateItemCommand, MF_BYCOMMAND) & MF_GRAYED, 0u);
  served->Document().World().SetOffsets(110.0, -40.0);
  served->Document().SetChangeCount(1);
  SendMessage(main, WM_COMMAND, CChildFrame::kUpdateItemCommand, 0);
  EXPECT_NE(item->NativeData(), before);
  EXPECT_EQ(item->GetItemState(), COleClientItem::openState);
  const std::vector<uint8_t> updated = item->NativeData();
  served->Document().World().SetOffsets(120.0, -40.0);
  served->Document().SetChangeCount(1);

  // The close box goes through the main frame, as while the program runs.
  app.SetMainFrame(GetMainFrame()->m_hWnd);
  bool asked = false;
  ScriptUser({[&] {
    asked = true;
    InjectKeyStroke(VK_ESCAPE);
  }});
  SendMessage(served->GetWindowFrame()->m_hWnd, WM_CLOSE, 0, 0);
  SetIdleScript(nullptr);
  EXPECT_FALSE(asked);  // no question of saving an untitled world
  EXPECT_TRUE(served->Windows().empty());
  EXPECT_EQ(item->GetItemState(), COleClientItem::loadedState);
  EXPECT_NE(item->NativeData(), updated);
  EXPECT_EQ(GetMenu(main), normalBar);

  // Opened again, the item is the changed world.
  item->DoVerb(OLEIVERB_OPEN, view);
  TWorldWindowDocument* again = FrontDocument();
  ASSERT_NE(again, nullptr);
  ASSERT_NE(again, container);
  EXPECT_DOUBLE_EQ(again->Document().World().GetHorizontalOffset(), 120.0);
  app.ExitInstance();
}

}  // namespace
