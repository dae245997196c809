// Progress shown in the status bar's first pane (a label and a 150-pixel bar beside it) and in
// the modeless progress dialogs: layout, labels, stepping, the stop flag and what stays behind.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/Handle.h"
#include "core/Resources.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Progress.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"
#include "platform/win32/WindowRegion.h"
#include "resources/ResourceLibraries.h"
#include "ui/periphery/ProgressDialog.h"
#include "ui/periphery/StatusBarProgress.h"

namespace {

class ProgressIndicatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    frame_ = new CFrameWnd;
    ASSERT_TRUE(frame_->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               RECT{0, 0, 600, 300}, nullptr, nullptr, 0, nullptr));
    ASSERT_TRUE(bar_.Create(frame_));
    bar_.MoveWindow(0, 200, 500, 24);
  }
  void TearDown() override {
    bar_.DestroyWindow();
    ResetWindowSystem();  // the frame deletes itself with its window
    CWnd::DeleteTempMap();
    SetResourceModule1(nullptr);
    UseProcessClock();
    FreeHandlePool();
  }
  // A child's rectangle in the status bar's client coordinates.
  RECT PlaceOf(int32_t id) {
    const HWND child = GetDlgItem(bar_.m_hWnd, id);
    RECT place{0, 0, 0, 0};
    if (!child) return place;
    GetWindowRect(child, &place);
    POINT corner{0, 0};
    ClientToScreen(bar_.m_hWnd, &corner);
    OffsetRect(&place, -corner.x, -corner.y);
    return place;
  }
  int32_t TextWidth(const char* text) {
    const HDC dc = CreateCompatibleDC(nullptr);
    SIZE size{0, 0};
    GetTextExtentPoint32(dc, text, static_cast<int32_t>(std::string(text).size()), &size);
    DeleteDC(dc);
    return size.cx;
  }
  std::string Pane() { return bar_.GetPaneText(0); }
  void Pump() {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&message);
  }

  CFrameWnd* frame_ = nullptr;
  CStatusBar bar_;
};

TEST_F(ProgressIndicatorTest, TheBarStandsBesideTheLabelInTheFirstPane) {
  Str255 label("Exporting");
  TStatusBarProgress progress(&bar_, label, 0, 100);
  EXPECT_STREQ(label.Chars(), "Exporting...");
  EXPECT_STREQ(progress.GetLabelText().Chars(), "Exporting...");
  EXPECT_EQ(GetWindowTextString(GetDlgItem(bar_.m_hWnd, 0xFFFF)), "Exporting...");
  RECT pane;
  bar_.GetItemRect(0, &pane);
  const RECT labelPlace = PlaceOf(0xFFFF);
  const RECT barPlace = PlaceOf(kProgressBarId);
  const int32_t labelWidth = TextWidth("Exporting...") + TextWidth("   ");
  EXPECT_EQ(labelPlace.left, pane.left + 3);
  EXPECT_EQ(labelPlace.right, pane.left + 3 + labelWidth);
  EXPECT_EQ(barPlace.left, labelPlace.right);
  EXPECT_EQ(barPlace.right - barPlace.left, kProgressBarWidth);
  EXPECT_EQ(barPlace.top, pane.top + 1);
  EXPECT_EQ(barPlace.bottom, pane.bottom - 1);

  // A longer label moves the bar on by the width it adds.
  progress.SetLabel(Str255("Exporting frames of the world"));
  const RECT moved = PlaceOf(kProgressBarId);
  EXPECT_EQ(moved.left - barPlace.left,
            TextWidth("Exporting frames of the world") - TextWidth("Exporting..."));
  EXPECT_EQ(moved.right - moved.left, kProgressBarWidth);
  EXPECT_EQ(PlaceOf(0xFFFF).right, moved.left);

  // Full, the bar is drawn in the status bar.
  progress.SetPos(100);
  Pump();
  POINT inside{moved.right - 3, (moved.top + moved.bottom) / 2};
  ClientToScreen(bar_.m_hWnd, &inside);
  const WindowSurface* surface = GetWindowSurface(frame_->m_hWnd);
  RECT frameRect;
  GetWindowRect(frame_->m_hWnd, &frameRect);
  EXPECT_EQ(surface->Pixel(inside.x - frameRect.left, inside.y - frameRect.top), 0x0078D7u);
}

TEST_F(ProgressIndicatorTest, StepsCountInThirtyTwoBitsUntilStopped) {
  Str255 label("Reading");
  TStatusBarProgress progress(&bar_, label, 0, 200000);
  progress.SetStep(70000);
  EXPECT_EQ(progress.StepIt(), 0);
  EXPECT_EQ(progress.StepIt(), 0);
  EXPECT_EQ(progress.GetPos(), 140000);
  progress.SetStopped(1);
  EXPECT_EQ(progress.StepIt(), 1);
  EXPECT_EQ(progress.GetPos(), 140000);
  EXPECT_EQ(progress.IsStopped(), 1);
  // An empty label only brings the bar back to the low end.
  progress.SetLabel(Str255(""));
  EXPECT_EQ(progress.GetPos(), 0);
  EXPECT_STREQ(progress.GetLabelText().Chars(), "Reading...");
  // The bar's own range may change; the range given at the start stays.
  progress.SetRange(5, 10);
  EXPECT_EQ(progress.GetRangeLow(), 0);
  EXPECT_EQ(progress.GetRangeHigh(), 200000);
}

// A document read shows its file's name and a bar filled by the share read; when the read ends
// the pane shows what it showed before, not the reading label.
TEST_F(ProgressIndicatorTest, ADocumentReadFillsTheBarAndGivesThePaneBackAsItWas) {
  bar_.SetPaneText(0, "Ready");
  std::unique_ptr<TQVDoc::ReadIndicator> reading =
      MakeDocumentReadIndicator(&bar_, "/somewhere/pendulum.yb");
  ASSERT_NE(reading, nullptr);
  EXPECT_EQ(TStatusBarProgress::LiveCount(), 1);
  EXPECT_EQ(GetWindowTextString(GetDlgItem(bar_.m_hWnd, 0xFFFF)), "Reading pendulum.yb...");
  const HWND barWindow = GetDlgItem(bar_.m_hWnd, kProgressBarId);
  ASSERT_NE(barWindow, nullptr);
  const auto position = [&] {
    return static_cast<int32_t>(SendMessage(barWindow, PBM_GETPOS, 0, 0));
  };
  reading->Step(0.426);
  EXPECT_EQ(position(), 43);
  reading->Step(1.0);
  EXPECT_EQ(position(), 100);
  reading.reset();
  EXPECT_EQ(TStatusBarProgress::LiveCount(), 0);
  EXPECT_EQ(GetDlgItem(bar_.m_hWnd, kProgressBarId), nullptr);
  EXPECT_EQ(Pane(), "Ready");
  // Without a status bar nothing shows.
  EXPECT_EQ(MakeDocumentReadIndicator(nullptr, "pendulum.yb"), nullptr);
}

TEST_F(ProgressIndicatorTest, ThePaneKeepsTheLastLabelAndIsFreedWhenTheLastGoes) {
  EXPECT_EQ(TStatusBarProgress::LiveCount(), 0);
  {
    Str255 label("Saving");
    auto progress = std::make_unique<TStatusBarProgress>(&bar_, label, 0, 10);
    Str255 second("Writing");
    TStatusBarProgress nested(&bar_, second, 0, 10);
    EXPECT_EQ(TStatusBarProgress::LiveCount(), 2);
    progress->SetLabel(Str255("Saving bodies"));
    progress.reset();
    EXPECT_EQ(TStatusBarProgress::LiveCount(), 1);
    EXPECT_EQ(Pane(), "Saving bodies");
  }
  EXPECT_EQ(TStatusBarProgress::LiveCount(), 0);
  EXPECT_EQ(Pane(), "Writing...");
  EXPECT_EQ(GetDlgItem(bar_.m_hWnd, kProgressBarId), nullptr);
  EXPECT_EQ(GetDlgItem(bar_.m_hWnd, 0xFFFF), nullptr);
}

TEST_F(ProgressIndicatorTest, WithoutAStatusBarTheIndicatorOnlyCounts) {
  Str255 label("Exporting");
  TStatusBarProgress progress(nullptr, label, -3, 70000);
  EXPECT_EQ(TStatusBarProgress::LiveCount(), 1);
  EXPECT_EQ(progress.GetSafeHwnd(), nullptr);
  EXPECT_EQ(progress.GetRangeLow(), -3);
  EXPECT_EQ(progress.GetRangeHigh(), 70000);
  EXPECT_EQ(progress.StepIt(), 0);
  progress.SetStopped(1);
  EXPECT_EQ(progress.StepIt(), 1);
  progress.SetLabel(Str255("Other"));
  progress.ShowLabelInPane();
  EXPECT_STREQ(progress.GetLabelText().Chars(), "Other");
}

TEST_F(ProgressIndicatorTest, TheDialogKeepsItsRangeAndPositionAndCancels) {
  EXPECT_STREQ(TQVProgressDialog::TemplateName(kProgressImport), "TQVProgressImportDialog");
  EXPECT_STREQ(TQVProgressDialog::TemplateName(kProgressExport), "TQVProgressExportDialog");
  EXPECT_EQ(TQVProgressDialog::TemplateName(3), nullptr);
  EXPECT_EQ(TQVProgressDialog::Make(3, frame_, 0, 10), nullptr);

  auto dialog = TQVProgressDialog::Make(kProgressExport, frame_, 0, 300000);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->GetKind(), kProgressExport);
  const HWND bar = GetDlgItem(dialog->m_hWnd, kProgressDialogBar);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, FALSE, 0), 300000);
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog->m_hWnd, 2));
  dialog->SetPos(100000);
  dialog->OffsetPos(50000);
  int32_t position = 0;
  dialog->GetPos(position);
  EXPECT_EQ(position, 150000);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 150000);

  // Return on the focused Cancel ends the dialog.
  InjectKeyStroke(VK_RETURN);
  MSG message{};
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!dialog->PreTranslateMessage(&message)) {
      TranslateMessage(&message);
      DispatchMessage(&message);
    }
  }
  EXPECT_FALSE(IsWindowVisible(dialog->m_hWnd));
}

}  // namespace
