// The furniture of the sample's document window when the window changes size: every piece stands
// where showing it at the new size would put it, and going back to the old size gives back the
// old layout exactly.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "model/command/CommandHandler.h"
#include "model/world/QVDoc.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "tools/samples/SampleWorlds.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"
#include "views/furniture/CommandHelpLine.h"
#include "views/furniture/CoordsView.h"
#include "views/furniture/FrameIndicator.h"
#include "views/furniture/RulerView.h"
#include "views/furniture/ScrollBarContainer.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldMenus.h"
#include "views/world/WorldWindow.h"

namespace {

struct TPlace {
  TViewPoint location;
  TViewPoint size;
  bool operator==(const TPlace& other) const {
    return location.h == other.location.h && location.v == other.location.v &&
           size.h == other.size.h && size.v == other.size.v;
  }
};

void PrintTo(const TPlace& place, std::ostream* out) {
  *out << "(" << place.location.h << ", " << place.location.v << ") " << place.size.h << " x "
       << place.size.v;
}

// The main view and every piece of furniture, in one order; a missing piece is an empty place.
std::vector<TPlace> Layout(const TWorldWindow& window) {
  const std::vector<const TWrappedWindow*> views{
      window.MainView(),      window.HRuler(),     window.VRuler(),    window.CoordsBar(),
      window.FrameIndicator(), window.HScrollBar(), window.VScrollBar()};
  std::vector<TPlace> places;
  for (const TWrappedWindow* view : views)
    places.push_back(view ? TPlace{view->GetLocation(), view->GetStoredSize()} : TPlace{});
  return places;
}

class WorldFurnitureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    ResetWindowSystem();
    UseVirtualClock(1000);
    app_ = std::make_unique<TApp>(stream_);
    app_->LoadResourceDlls();
    app_->InitUnits();
    InstallWindowBinding();
    main_ = new CMainFrame;
    ASSERT_TRUE(main_->CreateMainWindow());
    main_->ShowPalettes(false);
    MoveWindow(main_->m_hWnd, 40, 40, 800, 600, FALSE);
    ShowWindow(main_->m_hWnd, SW_SHOW);
    InstallWindowLayer(main_);
    app_->Commands().SetMainFrame(main_->m_hWnd);
    app_->SetDocZoomState(0);
    documents_ = std::make_unique<TDocumentWindows>();
    TOpenDocumentCommand open(std::string(YB_SAMPLES_DIR) + "/" +
                              sample_worlds::kSpringAndPinFile);
    open.OnOpened([&](TQVDoc&) { documents_->Open(open.TakeDocument(), open.Path()); });
    app_->Commands().HandleCommand(&open);
    ASSERT_EQ(documents_->Documents().size(), 1u);
    window_ = documents_->Documents().front()->WorldWindow();
    ASSERT_NE(window_, nullptr);
    Pump();
    ASSERT_NE(window_->HRuler(), nullptr);
    ASSERT_NE(window_->CoordsBar(), nullptr);
    ASSERT_NE(window_->FrameIndicator(), nullptr);
    ASSERT_NE(window_->HScrollBar(), nullptr);
    ASSERT_NE(window_->VScrollBar(), nullptr);
  }
  void TearDown() override {
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    documents_.reset();
    SetCurrentPort(GetGlobalPort());
    TWrappedWindow::FocusedView() = nullptr;
    SetCurrentWrappedView(nullptr);
    app_->TermUnits();
    app_->FreeResourceDlls();
    app_.reset();
    UseProcessClock();
    std::fclose(stream_);
  }

  void Pump() {
    MSG message;
    int32_t count = 0;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) && ++count < 10000)
      DispatchMessage(&message);
  }
  // The document's frame window, the amounts larger (or smaller) than it opened.
  void GrowFrame(int32_t dh, int32_t dv) {
    const HWND frame = ::GetParent(window_->FrameWindow()->GetWindow()->m_hWnd);
    ASSERT_NE(frame, nullptr);
    if (opened_.right == 0) {
      GetWindowRect(frame, &opened_);
      POINT corner{opened_.left, opened_.top};
      ScreenToClient(::GetParent(frame), &corner);
      opened_ = RECT{corner.x, corner.y, corner.x + opened_.right - opened_.left,
                     corner.y + opened_.bottom - opened_.top};
    }
    MoveWindow(frame, opened_.left, opened_.top, opened_.right - opened_.left + dh,
               opened_.bottom - opened_.top + dv, TRUE);
    Pump();
  }
  // Every piece hidden, then shown again in the order the window's set-up shows them.
  void ShowAgain() {
    window_->ShowCoordsBar(false);
    window_->ShowFrameIndicator(false);
    window_->ShowRulers(false);
    window_->ShowVScrollBar(false);
    window_->ShowHScrollBar(false);
    window_->ShowHScrollBar(true);
    window_->ShowVScrollBar(true);
    window_->ShowRulers(true);
    window_->ShowFrameIndicator(true);
    window_->ShowCoordsBar(true);
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  CMainFrame* main_ = nullptr;
  std::unique_ptr<TDocumentWindows> documents_;
  TWorldWindow* window_ = nullptr;
  RECT opened_{};
};

TEST_F(WorldFurnitureTest, AfterAResizeEveryPieceStandsWhereShowingItAtTheNewSizePutsIt) {
  for (const bool inRow : {false, true}) {
    SCOPED_TRACE(inRow ? "tape in the scroll bar's row" : "tape in a row of its own");
    window_->SetIndicatorInRow(inRow);
    const std::vector<TPlace> before = Layout(*window_);
    const TViewPoint content = window_->Manager()->GetStoredSize();

    GrowFrame(90, 70);
    const int32_t dv = window_->Manager()->GetStoredSize().v - content.v;
    ASSERT_GT(dv, 60);
    const std::vector<TPlace> grown = Layout(*window_);
    ShowAgain();
    EXPECT_EQ(grown, Layout(*window_));
    // The pieces along the bottom went down with the bottom edge.
    EXPECT_EQ(grown[1].location.v, before[1].location.v + dv);
    EXPECT_EQ(grown[3].location.v, before[3].location.v + dv);
    EXPECT_EQ(grown[4].location.v, before[4].location.v + dv);

    // Back at the size it opened at, the pieces follow the content view, which takes its
    // superview's size at a resize (it opens two border widths larger).
    GrowFrame(0, 0);
    const std::vector<TPlace> back = Layout(*window_);
    ShowAgain();
    EXPECT_EQ(back, Layout(*window_));
  }
}

TEST_F(WorldFurnitureTest, AWindowShrunkAndGrownBackIsLaidOutAsBefore) {
  GrowFrame(10, 10);
  const std::vector<TPlace> before = Layout(*window_);
  GrowFrame(-60, -150);
  GrowFrame(10, 10);
  EXPECT_EQ(before, Layout(*window_));
  // Shrunk below the height its furniture takes, it gives every view its place back.
  GrowFrame(-60, -400);
  GrowFrame(10, 10);
  EXPECT_EQ(before, Layout(*window_));
}

// The help line takes the window's top rows from the views that reach it, names the command
// under the pointer while the window is active, and gives the rows back exactly when it goes.
TEST_F(WorldFurnitureTest, TheHelpLineTakesTheTopRowsAndGivesThemBack) {
  const std::vector<TPlace> before = Layout(*window_);
  window_->ShowHelpLine(true);
  TCommandHelpLine* line = window_->HelpLine();
  ASSERT_NE(line, nullptr);
  const int32_t rows = line->GetStoredSize().v;
  EXPECT_EQ(rows, GetSystemMetrics(SM_CXVSCROLL) - 1);
  EXPECT_EQ(line->GetLocation().v, 0);
  EXPECT_EQ(line->GetStoredSize().h, window_->Manager()->GetStoredSize().h);
  const std::vector<TPlace> shown = Layout(*window_);
  for (const size_t reaching : {size_t{0}, size_t{2}, size_t{6}}) {
    EXPECT_EQ(shown[reaching].location.v, before[reaching].location.v + rows) << reaching;
    EXPECT_EQ(shown[reaching].size.v, before[reaching].size.v - rows) << reaching;
  }
  for (const size_t along : {size_t{1}, size_t{3}, size_t{4}, size_t{5}})
    EXPECT_EQ(shown[along], before[along]) << along;
  // Hidden and shown again below the line, the vertical bar keeps clear of it.
  window_->ShowVScrollBar(false);
  window_->ShowVScrollBar(true);
  EXPECT_EQ(Layout(*window_), shown);

  ASSERT_TRUE(line->IsActive());
  NoteCommandUnderPointer(kCmdHelpLine);
  EXPECT_EQ(line->GetText(), TCommandHelpLine::HelpText(kCmdHelpLine));
  EXPECT_FALSE(line->GetText().empty());
  NoteCommandUnderPointer(0);
  EXPECT_EQ(line->GetText(), "");

  window_->ShowHelpLine(false);
  EXPECT_EQ(window_->HelpLine(), nullptr);
  EXPECT_EQ(Layout(*window_), before);
}

// A world saved with its help line on opens with it; a new world's window has none.
TEST_F(WorldFurnitureTest, TheHelpLineSwitchOfADocumentIsHonouredWhenItOpens) {
  EXPECT_EQ(window_->HelpLine(), nullptr);
  TWorldDoc& world = documents_->Documents().front()->Document().World();
  world.Settings().helpLine = 1;
  const auto path = std::filesystem::temp_directory_path() /
                    ("yb-help-line-" + std::to_string(::getpid()) + ".yb");
  documents_->Documents().front()->Document().WriteDocument(path.string());
  TOpenDocumentCommand open(path.string());
  open.OnOpened([&](TQVDoc&) { documents_->Open(open.TakeDocument(), open.Path()); });
  app_->Commands().HandleCommand(&open);
  std::filesystem::remove(path);
  ASSERT_EQ(documents_->Documents().size(), 2u);
  TWorldWindow* reopened = documents_->Documents().back()->WorldWindow();
  ASSERT_NE(reopened, nullptr);
  ASSERT_NE(reopened->HelpLine(), nullptr);
  EXPECT_EQ(reopened->MainView()->GetLocation().v, reopened->HelpLine()->GetStoredSize().v);
}

}  // namespace
