// The point table window end to end: a document with a polygon selected, the floating window
// opened over the selection, its vertices numbered rows; "1.5" typed into a cell and Return moves the
// vertex in one undoable command and the next cell is edited; undo gives back the document's
// bytes and the saved and reopened document keeps the vertex.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "app/TApp.h"
#include "bodies/Polygon.h"
#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/app/ProgramDocuments.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "platform/mfc/CWnd.h"
#include "ui/dialogs/DialogFactory.h"
#include "ui/dialogs/DisplayMetrics.h"
#include "ui/periphery/PointTableWindow.h"

namespace {

constexpr int32_t kTableList = 220;
constexpr int32_t kCellEditor = 1301;

class PointTableWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    app_.LoadResourceDlls();
    app_.InitUnits();
    SetScreenLogPixelsY(96);
    path_ = std::filesystem::temp_directory_path() /
            ("yb-point-table-" + std::to_string(::getpid()) + ".yb");
    document_ = std::make_unique<TQVDoc>();
    program_documents::BuildOneClassWorld(document_->World(), "TPolygon");
    for (TLink* object : document_->World().Objects()) {
      if (auto* polygon = dynamic_cast<TPolygon*>(object)) polygon_ = polygon;
    }
    ASSERT_NE(polygon_, nullptr);
    Bytes();
    Open(path_.string());
  }
  void TearDown() override {
    window_.reset();
    SetIdleScript(nullptr);
    SetScreenLogPixelsY(0);
    std::filesystem::remove(path_);
    app_.Commands().DropAllCommands();
    document_.reset();
    app_.TermUnits();
    app_.FreeResourceDlls();
    ResetWindowSystem();
    UseProcessClock();
  }
  void Open(const std::string& path) {
    app_.Commands().DropAllCommands();
    document_ = std::make_unique<TQVDoc>();
    document_->ReadDocument(path);
    polygon_ = nullptr;
    for (TLink* object : document_->World().Objects()) {
      if (auto* polygon = dynamic_cast<TPolygon*>(object)) polygon_ = polygon;
    }
    ASSERT_NE(polygon_, nullptr);
    document_->World().DeselectAll();
    document_->World().Select(polygon_);
  }
  std::vector<uint8_t> Bytes() {
    document_->WriteDocument(path_.string());
    return program_documents::ReadBytes(path_);
  }
  // The polygon grown to the given number of vertices, saved and opened again.
  void GrowPolygon(int32_t vertices) {
    for (int32_t count = VertexCount(); count < vertices; count = VertexCount()) {
      const double angle = 0.1 * count;
      polygon_->InsertVertex(static_cast<int16_t>(count),
                             TVector{5.0 * std::cos(angle), 5.0 * std::sin(angle)});
    }
    Bytes();
    Open(path_.string());
  }
  int32_t VertexCount() { return polygon_->GetVertexTable()->GetCount(); }
  double WorldCoordinate(int32_t index, bool x) { return Coordinate(point_ref::kWorld, index, x); }
  double Coordinate(uint32_t frame, int32_t index, bool x) {
    double value = 0.0;
    polygon_->GetNumberProperty(point_ref::Make(frame, index, x), value, nullptr);
    return value;
  }
  // A click on a button of the window, at its left end where its mark is.
  void ClickButton(HWND dialog, int32_t id) {
    const HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr);
    RECT rect{};
    GetClientRect(button, &rect);
    ClickAt(button, POINT{6, (rect.top + rect.bottom) / 2});
  }
  // A press and release of the left button at a point of the window, as the mouse gives them.
  void ClickAt(HWND window, POINT point) {
    MapWindowPoints(window, nullptr, &point, 1);
    InjectMouseMove(point);
    InjectMouseButton(MouseButton::kLeft, true, point);
    InjectMouseButton(MouseButton::kLeft, false, point);
    Settle();
  }
  // Types the text into the window with the focus and ends it with Return.
  void TypeAndReturn(const std::string& text) {
    for (char c : text) InjectCharacter(static_cast<uint8_t>(c));
    Settle();
    InjectKeyStroke(VK_RETURN);
    Settle();
  }
  // Where the table's list shows a row's cell (row from 1; column 1 is x).
  static POINT CellPoint(HWND list, int32_t row, int32_t column) {
    RECT rect{};
    SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(row - 1), reinterpret_cast<LPARAM>(&rect));
    const int32_t width = rect.right - rect.left;
    const int32_t x = column == 1 ? width / 7 + 10 : width - width / 7 - 10;
    return POINT{x, (rect.top + rect.bottom) / 2};
  }
  TVector Vertex(int32_t index) {
    TVector point;
    polygon_->GetVertex(index, point);
    return point;
  }
  double WorldX(int32_t index) {
    double value = 0.0;
    polygon_->GetNumberProperty(point_ref::Make(point_ref::kWorld, index, true), value, nullptr);
    return value;
  }
  // The window over the selection, shown as the program shows its floating windows.
  TDialogWindow* OpenWindow() {
    TDialogWindow* window = CreateDialogById(kPointTableDialog, nullptr);
    auto* points = dynamic_cast<TPointTableWindow*>(window);
    EXPECT_NE(points, nullptr);
    points->SetSelection(&document_->World().Selection(), nullptr, &document_->World(), 1);
    window_.reset(window);
    window->ShowModeless();
    Settle();
    return window;
  }
  // The messages waiting and the commands they queued.
  void Settle() {
    for (int pass = 0; pass < 4; ++pass) {
      MSG message;
      while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (CWnd::WalkPreTranslateTree(nullptr, &message) == 0) {
          TranslateMessage(&message);
          DispatchMessage(&message);
        }
      }
      while (app_.Commands().PerformNextQueued()) {
      }
    }
  }
  static uint32_t PixelAt(HWND window, int32_t x, int32_t y) {
    RECT frame{};
    GetWindowRect(GetAncestorTopLevel(window), &frame);
    return GetWindowSurface(window)->Pixel(x - frame.left, y - frame.top);
  }
  static int32_t DarkPixels(HWND window, const RECT& area) {
    int32_t dark = 0;
    for (int32_t y = area.top; y < area.bottom; ++y)
      for (int32_t x = area.left; x < area.right; ++x)
        if ((PixelAt(window, x, y) & 0xFF) < 0x40) ++dark;
    return dark;
  }

  TApp app_;
  std::unique_ptr<TQVDoc> document_;
  TPolygon* polygon_ = nullptr;
  std::filesystem::path path_;
  std::unique_ptr<TDialogWindow> window_;
};

TEST_F(PointTableWindowTest, ACellTypedAndReturnMovesTheVertexInOneUndoableCommand) {
  const std::vector<uint8_t> before = Bytes();
  const double oldX = WorldX(1);
  ASSERT_NE(oldX, 1.5);
  TDialogWindow* window = OpenWindow();
  const HWND dialog = window->GetDialogHandle();
  ASSERT_NE(dialog, nullptr);
  const HWND list = GetDlgItem(dialog, kTableList);
  ASSERT_NE(list, nullptr);
  UpdateWindow(dialog);
  const LRESULT rows = SendMessage(list, LB_GETCOUNT, 0, 0);
  RECT row{};
  SendMessage(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  RECT onScreen = row;
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&onScreen), 2);
  const int32_t rowInk = DarkPixels(list, onScreen);
  // A click in the first value column of the first row edits that cell.
  const int32_t width = row.right - row.left;
  SendMessage(list, WM_LBUTTONDOWN, 0, MAKELPARAM(width / 7 + 10, row.top + 2));
  SendMessage(list, WM_LBUTTONUP, 0, MAKELPARAM(width / 7 + 10, row.top + 2));
  const HWND editor = GetDlgItem(list, kCellEditor);
  ASSERT_NE(editor, nullptr);
  const std::string firstCell = GetWindowTextString(editor);
  // The click left the keys with the editor, its whole text selected.
  EXPECT_EQ(GetFocus(), editor);
  for (char c : std::string("1.5")) InjectCharacter(static_cast<uint8_t>(c));
  Settle();
  InjectKeyStroke(VK_RETURN);
  Settle();
  const std::string nextCell = GetWindowTextString(editor);
  const int32_t focusAfter = GetFocus() == editor ? 1 : 0;
  ASSERT_NE(GetDlgItem(dialog, kTableList), nullptr) << "the window stays open";

  EXPECT_EQ(rows, 4);
  EXPECT_GT(rowInk, 10);
  EXPECT_EQ(std::stod(firstCell), oldX);
  EXPECT_EQ(WorldX(1), 1.5);
  EXPECT_EQ(focusAfter, 1);
  double y1 = 0.0;
  polygon_->GetNumberProperty(point_ref::Make(point_ref::kWorld, 1, false), y1, nullptr);
  EXPECT_EQ(std::stod(nextCell), y1);

  ASSERT_NE(app_.Commands().GetLastCommand(), nullptr);
  EXPECT_NE(app_.Commands().GetLastCommand()->CanUndo(), 0);
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(WorldX(1), oldX);
  EXPECT_EQ(Bytes(), before);
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(WorldX(1), 1.5);

  window_.reset();
  Bytes();
  Open(path_.string());
  EXPECT_EQ(WorldX(1), 1.5);
}

}  // namespace

namespace {

// A polygon with more vertices than the table shows: the clicked cell takes the keys; the editor
// goes with its cell when the rows scroll, and a cell scrolled out of view takes no keys until
// a cell is chosen again.
TEST_F(PointTableWindowTest, TheEditorTakesTheKeysOfItsCellWhereverTheRowsScroll) {
  GrowPolygon(30);
  ASSERT_EQ(VertexCount(), 30);
  TDialogWindow* window = OpenWindow();
  const HWND dialog = window->GetDialogHandle();
  ASSERT_NE(dialog, nullptr);
  const HWND list = GetDlgItem(dialog, kTableList);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 30);
  RECT client{};
  GetClientRect(list, &client);
  const auto rowHeight = static_cast<int32_t>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
  ASSERT_LT(client.bottom / rowHeight, 30) << "the rows must not all fit";

  ClickAt(list, CellPoint(list, 2, 1));
  const HWND editor = GetDlgItem(list, kCellEditor);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(GetFocus(), editor);
  TypeAndReturn("9");
  EXPECT_EQ(WorldCoordinate(2, true), 9.0);
  const double y3 = WorldCoordinate(3, false);

  // One line down: the editor now on row 2's y cell stands where that cell went.
  SendMessage(list, WM_VSCROLL, SB_LINEDOWN, 0);
  Settle();
  RECT cell{};
  SendMessage(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
  RECT at{};
  GetWindowRect(editor, &at);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&at), 2);
  EXPECT_TRUE(IsWindowVisible(editor));
  EXPECT_EQ(at.top, cell.top);
  SendMessage(editor, EM_SETSEL, 0, -1);
  TypeAndReturn("4");
  EXPECT_EQ(WorldCoordinate(2, false), 4.0);
  EXPECT_EQ(WorldCoordinate(3, false), y3);

  // Return took the editor to row 3's x cell; what is typed there is that cell's when the rows
  // scroll it out of view. To the end: the editor is gone with its cell, and keys change nothing.
  for (char c : std::string("8")) InjectCharacter(static_cast<uint8_t>(c));
  Settle();
  SendMessage(list, WM_VSCROLL, SB_BOTTOM, 0);
  Settle();
  EXPECT_FALSE(IsWindowVisible(editor));
  EXPECT_NE(GetFocus(), editor);
  EXPECT_EQ(WorldCoordinate(3, true), 8.0);
  std::vector<double> xs;
  for (int32_t i = 1; i <= 30; ++i) xs.push_back(WorldCoordinate(i, true));
  TypeAndReturn("5");
  for (int32_t i = 1; i <= 30; ++i) EXPECT_EQ(WorldCoordinate(i, true), xs[i - 1]) << i;

  ClickAt(list, CellPoint(list, 30, 1));
  EXPECT_EQ(GetFocus(), editor);
  TypeAndReturn("7");
  EXPECT_EQ(WorldCoordinate(30, true), 7.0);
  EXPECT_EQ(WorldCoordinate(2, true), 9.0);

  // The wheel turned over the editor, on row 25 now, scrolls the rows back up a notch; the
  // editor goes with its cell.
  ClickAt(list, CellPoint(list, 25, 1));
  ASSERT_EQ(GetFocus(), editor);
  const LRESULT top = SendMessage(list, LB_GETTOPINDEX, 0, 0);
  RECT over{};
  GetWindowRect(editor, &over);
  InjectMouseWheel(POINT{over.left + 2, over.top + 2}, WHEEL_DELTA);
  Settle();
  EXPECT_LT(SendMessage(list, LB_GETTOPINDEX, 0, 0), top);
  SendMessage(list, LB_GETITEMRECT, 24, reinterpret_cast<LPARAM>(&cell));
  GetWindowRect(editor, &at);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&at), 2);
  EXPECT_TRUE(IsWindowVisible(editor));
  EXPECT_EQ(at.top, cell.top);
}

// A refused text keeps the editor on its cell: scrolled out of view, the cell comes back with
// the editor, which keeps the keys; nothing is typed into a hidden editor.
TEST_F(PointTableWindowTest, ARefusedTextScrolledOutOfViewBringsItsCellBack) {
  GrowPolygon(30);
  TDialogWindow* window = OpenWindow();
  const HWND list = GetDlgItem(window->GetDialogHandle(), kTableList);
  ASSERT_NE(list, nullptr);
  ClickAt(list, CellPoint(list, 2, 1));
  const HWND editor = GetDlgItem(list, kCellEditor);
  ASSERT_EQ(GetFocus(), editor);
  const double x2 = WorldCoordinate(2, true);
  for (char c : std::string("1..2")) InjectCharacter(static_cast<uint8_t>(c));
  Settle();
  std::string alert;
  SetIdleScript([&alert] {
    const HWND box = GetMessageBoxWindow();
    if (box == nullptr || !alert.empty()) return false;
    alert = GetWindowTextString(GetDlgItem(box, 0xFFFF));
    InjectKeyStroke(VK_RETURN);
    return true;
  });
  SendMessage(list, WM_VSCROLL, SB_BOTTOM, 0);
  Settle();
  SetIdleScript(nullptr);
  EXPECT_FALSE(alert.empty());
  EXPECT_EQ(WorldCoordinate(2, true), x2);
  EXPECT_EQ(GetFocus(), editor);
  EXPECT_TRUE(IsWindowVisible(editor));
  RECT cell{};
  SendMessage(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
  RECT at{};
  GetWindowRect(editor, &at);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&at), 2);
  EXPECT_EQ(at.top, cell.top);
  // A good value typed now is row 2's.
  SendMessage(editor, EM_SETSEL, 0, -1);
  TypeAndReturn("6");
  EXPECT_EQ(WorldCoordinate(2, true), 6.0);
}

// Above the table the label of the mode shown names the polygon's columns; the other modes'
// labels, at the same place, stay hidden.
TEST_F(PointTableWindowTest, TheModesLabelNamesTheColumns) {
  TDialogWindow* window = OpenWindow();
  const HWND dialog = window->GetDialogHandle();
  constexpr int32_t kHotPointLabel = 211, kWorldLabel = 212, kBodyLabel = 213;
  ASSERT_NE(GetDlgItem(dialog, kWorldLabel), nullptr);
  EXPECT_EQ(GetWindowTextString(GetDlgItem(dialog, kWorldLabel)), "x, y in the world");
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, kWorldLabel)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kHotPointLabel)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kBodyLabel)));
}

// A clicked cell's editor shows the value as the world's units write it, not every digit a
// double holds.
TEST_F(PointTableWindowTest, TheEditorShowsTheCellsValueInTheWorldsUnits) {
  GrowPolygon(6);
  TDialogWindow* window = OpenWindow();
  const HWND list = GetDlgItem(window->GetDialogHandle(), kTableList);
  ASSERT_NE(list, nullptr);
  ClickAt(list, CellPoint(list, 5, 1));
  const HWND editor = GetDlgItem(list, kCellEditor);
  ASSERT_EQ(GetFocus(), editor);
  const std::string shown = GetWindowTextString(editor);
  const double x5 = WorldCoordinate(5, true);
  ASSERT_NE(x5, std::round(x5)) << "a value with more digits than are shown";
  EXPECT_LE(shown.size(), 16u) << shown;
  EXPECT_NEAR(std::stod(shown), x5, 1e-4 * std::fabs(x5)) << shown;
}

// Each mode button, clicked, shows its frame: its label names the columns and the cells hold the
// points in that frame, and a value typed there is taken in that frame.
TEST_F(PointTableWindowTest, EachModeButtonShowsItsFramesLabelAndValues) {
  constexpr int32_t kWorldButton = 202, kBodyButton = 203;
  constexpr int32_t kWorldLabel = 212, kBodyLabel = 213;
  // The polygon away from the world's origin, so that its own frame is not the world's.
  polygon_->MoveBy(TVector{1.5, -0.75});
  Bytes();
  Open(path_.string());
  ASSERT_GT(std::fabs(Coordinate(point_ref::kLocal, 1, true) - WorldCoordinate(1, true)), 1e-3)
      << "the polygon's frame is the world's: the modes would look alike";
  TDialogWindow* window = OpenWindow();
  auto* points = dynamic_cast<TPointTableWindow*>(window);
  ASSERT_NE(points, nullptr);
  const HWND dialog = window->GetDialogHandle();
  const HWND list = GetDlgItem(dialog, kTableList);
  ASSERT_NE(list, nullptr);

  ClickButton(dialog, kBodyButton);
  EXPECT_EQ(points->GetMode(), 2);
  EXPECT_EQ(SendMessage(GetDlgItem(dialog, kBodyButton), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(GetDlgItem(dialog, kWorldButton), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, kBodyLabel)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kWorldLabel)));
  ClickAt(list, CellPoint(list, 1, 1));
  const HWND editor = GetDlgItem(list, kCellEditor);
  ASSERT_EQ(GetFocus(), editor);
  const double bodyX = Coordinate(point_ref::kLocal, 1, true);
  EXPECT_NEAR(std::stod(GetWindowTextString(editor)), bodyX, 1e-4 * std::max(1.0, std::fabs(bodyX)));
  TypeAndReturn("2.5");
  EXPECT_NEAR(Coordinate(point_ref::kLocal, 1, true), 2.5, 1e-9) << "not taken in the body's frame";
  const double worldY = WorldCoordinate(1, false);

  // Back to the world: its label and its values again.
  ClickButton(dialog, kWorldButton);
  EXPECT_EQ(points->GetMode(), 1);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, kWorldLabel)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kBodyLabel)));
  ClickAt(list, CellPoint(list, 1, 2));
  ASSERT_EQ(GetFocus(), GetDlgItem(list, kCellEditor));
  EXPECT_NEAR(std::stod(GetWindowTextString(GetDlgItem(list, kCellEditor))), worldY,
              1e-4 * std::max(1.0, std::fabs(worldY)));
}

}  // namespace
