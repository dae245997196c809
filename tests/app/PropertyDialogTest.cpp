// A property dialog over an opened document, end to end: a floating dialog whose field is bound
// to the selected body's name takes typed keys, Tab queues the rename, the event loop performs
// it and undo gives the document back byte for byte; in a modal run the rename is performed at
// once. The dialog's pixels show the name, the ticked check box of the body's shown flag and
// the default button, and the dialog opens as a real window on a desktop.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/TApp.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "model/command/PropertyOps.h"
#include "model/world/QVDoc.h"
#include "platform/display/SdlPresenter.h"
#include "platform/win32/Button.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"
#include "resources/ResourceLibraries.h"
#include "tests/app/ProgramDocuments.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "tests/ui/dialogs/FilterBytes.h"
#include "tests/ui/dialogs/TestItems.h"
#include "ui/dialogs/DisplayMetrics.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/dialogs/WindowBase.h"
#include "ui/dialogs/WindowsDialog.h"

namespace {



constexpr uint16_t kDialog = 9101;
constexpr uint16_t kEditKind = 1;
constexpr uint16_t kCheckKind = 48;
constexpr uint16_t kListKind = 16;
constexpr int16_t kOvalId = 6;
constexpr int32_t kNameField = 101;
constexpr int32_t kShownBox = 102;
constexpr int16_t kBodyId = 2;
constexpr int32_t kCancelResult = -1;
constexpr char kSdlTest[] = "PropertyDialogTest.OpensInARealWindowOnADesktop";

// A floating property dialog (the palette kind of window).
class TFloatingProperties : public WindowBase {
 public:
  bool IsMemberClass(int16_t id) const override {
    return id == kFloatingWindowClass || WindowBase::IsMemberClass(id);
  }
};

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  return program_documents::ReadBytes(path);
}

class PropertyDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    app_.LoadResourceDlls();
    app_.InitUnits();
    BuildModule();
    SetResourceModule2(LoadResourceLibrary("property-dialog-test.dll"));
    SetScreenLogPixelsY(96);
    RegisterPlainItemKinds();
    RegisterItemKind(kEditKind, dialog_test::MakeTestEditItem);
    RegisterItemKind(kCheckKind, dialog_test::MakeTestCheckItem);
    RegisterItemKind(kListKind, dialog_test::MakeTestListItem);
    document_ = std::make_unique<TQVDoc>();
    document_->ReadDocument(std::string(YB_SAMPLES_DIR) + "/spring-and-pin.yb");
    body_ = document_->World().FindObject(kBodyId);
    ASSERT_NE(body_, nullptr);
    document_->World().Select(body_);
    bytesPath_ = std::filesystem::temp_directory_path() /
                 ("yb-property-dialog-" + std::to_string(::getpid()) + ".yb");
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    RegisterItemKind(kEditKind, nullptr);
    RegisterItemKind(kCheckKind, nullptr);
    RegisterItemKind(kListKind, nullptr);
    SetScreenLogPixelsY(0);
    std::filesystem::remove(bytesPath_);
    document_.reset();
    UnregisterResourceModule("property-dialog-test.dll");
    app_.TermUnits();
    app_.FreeResourceDlls();
    ResetWindowSystem();
    UseProcessClock();
  }

  // Template 9101: the name field, the shown box, OK (the default button) and Cancel; its item
  // list binds the field to "name" and the box to "show".
  void BuildModule() {
    DialogTemplateWriter writer;
    writer.Header(WS_POPUP | WS_CAPTION | WS_VISIBLE, 4, "Body", 170, 64);
    writer.Item(WS_TABSTOP | WS_BORDER, kNameField, kEditOrdinal, "", 8, 8, 110, 12);
    writer.Item(WS_TABSTOP | BS_CHECKBOX, kShownBox, kButtonOrdinal, "Shown", 8, 24, 80, 12);
    writer.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kButtonOrdinal, "OK", 8, 44, 40, 14);
    writer.Item(WS_TABSTOP, IDCANCEL, kButtonOrdinal, "Cancel", 56, 44, 40, 14);
    template_ = writer.bytes;
    FilterBytes list;
    list.Word(3);
    list.Word(kEditKind).Tag("name").Record(1, kNameField, 0x50800080, 8, 8, 118, 20, "");
    list.Word(kCheckKind).Tag("show").Record(1, kShownBox, 0x50000002, 8, 24, 88, 36, "");
    list.Word(kListKind).Tag("sel_").Record(0, 103, 0, 100, 24, 160, 36, "");
    list_ = list.Bytes();
    entries_ = {ResourceEntry{nullptr, 5, nullptr, kDialog, template_.data(),
                              static_cast<uint32_t>(template_.size())},
                ResourceEntry{"fltr", 0, nullptr, kDialog, list_.data(),
                              static_cast<uint32_t>(list_.size())}};
    RegisterResourceModule(ResourceModuleTable{"property-dialog-test.dll", entries_.data(),
                                               static_cast<uint32_t>(entries_.size())});
  }

  std::vector<uint8_t> DocumentBytes() {
    document_->WriteDocument(bytesPath_.string());
    return FileBytes(bytesPath_);
  }
  std::string BodyName() const {
    return static_cast<const TNamedLink*>(body_)->GetName().AsCString();
  }
  // The property dialog over the selection, made as the dialog commands make it.
  template <class Window>
  Window* OpenOver(Window* window) {
    const TDialogCreationRecord record{window, kDialog, kCancelResult, kDialog, 0};
    window->Initialize(nullptr, 0, &record);
    window->SetSelection(&document_->World().Selection(), nullptr, &document_->World(), 1);
    return window;
  }
  // What the event loop does with messages, without performing the queued commands.
  static void DispatchWaiting() {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (CWnd::WalkPreTranslateTree(nullptr, &message) == 0) {
        TranslateMessage(&message);
        DispatchMessage(&message);
      }
    }
  }
  static void Retype(HWND field, const std::string& text) {
    SetFocus(field);
    SendMessage(field, EM_SETSEL, 0, -1);
    for (char c : text) InjectCharacter(static_cast<uint8_t>(c));
  }
  static int32_t DarkPixels(HWND window, const RECT& area) {
    WindowSurface* const surface = GetWindowSurface(window);
    RECT frame{};
    GetWindowRect(GetAncestorTopLevel(window), &frame);
    int32_t dark = 0;
    for (int32_t y = area.top; y < area.bottom; ++y) {
      for (int32_t x = area.left; x < area.right; ++x) {
        if ((surface->Pixel(x - frame.left, y - frame.top) & 0xFF) < 0x40) ++dark;
      }
    }
    return dark;
  }
  static uint32_t PixelAt(HWND window, int32_t x, int32_t y) {
    RECT frame{};
    GetWindowRect(GetAncestorTopLevel(window), &frame);
    return GetWindowSurface(window)->Pixel(x - frame.left, y - frame.top);
  }
  static RECT ScreenRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
  }

  TApp app_;
  std::unique_ptr<TQVDoc> document_;
  TLink* body_ = nullptr;
  std::filesystem::path bytesPath_;

 private:
  std::vector<uint8_t> template_;
  std::vector<uint8_t> list_;
  std::vector<ResourceEntry> entries_;
};

TEST_F(PropertyDialogTest, AFloatingDialogQueuesTheRenameAndUndoGivesTheDocumentBack) {
  const std::vector<uint8_t> before = DocumentBytes();
  const std::string oldName = BodyName();
  auto* window = OpenOver(new TFloatingProperties);
  window->ShowModeless();
  const HWND dialog = window->GetDialogHandle();
  ASSERT_NE(dialog, nullptr);
  const HWND field = GetDlgItem(dialog, kNameField);
  const HWND box = GetDlgItem(dialog, kShownBox);

  // The update agent fills the dialog on the loop's next pass.
  while (app_.Commands().PerformNextQueued()) {
  }
  EXPECT_EQ(GetWindowTextString(field), oldName);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), BST_CHECKED);

  Retype(field, "Crank");
  DispatchWaiting();
  EXPECT_EQ(GetWindowTextString(field), "Crank");
  InjectKeyStroke(VK_TAB);
  DispatchWaiting();
  // Tab left the field: the rename is queued, not yet performed.
  ASSERT_NE(app_.Commands().PeekNextCommand(), nullptr);
  EXPECT_TRUE(app_.Commands().PeekNextCommand()->IsMemberClass(355));
  EXPECT_EQ(BodyName(), oldName);

  std::string renamed;
  ScriptUser({[&] {
    renamed = BodyName();
    PostQuitMessage(0);
  }});
  app_.RunEventLoop(nullptr);
  EXPECT_EQ(renamed, "Crank");
  EXPECT_EQ(GetWindowTextString(field), "Crank");

  // Pixels: the name, the ticked box, the default button's thicker frame.
  UpdateWindow(dialog);
  const RECT fieldRect = ScreenRectOf(field);
  EXPECT_GT(DarkPixels(dialog, RECT{fieldRect.left + 3, fieldRect.top + 2, fieldRect.right - 3,
                                    fieldRect.bottom - 2}),
            20);
  const RECT boxRect = ScreenRectOf(box);
  const int32_t boxMiddle = (boxRect.top + boxRect.bottom) / 2;
  EXPECT_GT(DarkPixels(dialog, RECT{boxRect.left + 3, boxMiddle - 3, boxRect.left + 10,
                                    boxMiddle + 4}),
            5);
  // The default button's frame is a pixel thicker than the other button's.
  const RECT ok = ScreenRectOf(GetDlgItem(dialog, IDOK));
  const RECT cancel = ScreenRectOf(GetDlgItem(dialog, IDCANCEL));
  EXPECT_EQ(PixelAt(dialog, ok.left, ok.top + 5), PixelAt(dialog, cancel.left, cancel.top + 5));
  EXPECT_NE(PixelAt(dialog, ok.left + 1, ok.top + 5),
            PixelAt(dialog, cancel.left + 1, cancel.top + 5));

  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(BodyName(), oldName);
  EXPECT_EQ(DocumentBytes(), before);

  DestroyWindow(dialog);  // a floating dialog goes with its window, and its window object too
}

TEST_F(PropertyDialogTest, AModalRunPerformsTheRenameAtOnce) {
  const std::string oldName = BodyName();
  WindowBase window;
  OpenOver(&window);
  std::string shown;
  std::string duringRun;
  bool queued = true;
  ScriptUser({[&] {
                const HWND field = GetDlgItem(window.GetDialogHandle(), kNameField);
                shown = GetWindowTextString(field);
                Retype(field, "Rocker");
              },
              [] { InjectKeyStroke(VK_TAB); },
              [&] {
                duringRun = BodyName();
                queued = app_.Commands().PeekNextCommand() != nullptr &&
                         !app_.Commands().PeekNextCommand()->StaysQueued();
                InjectKeyStroke(VK_ESCAPE);
              }});
  EXPECT_EQ(window.PoseModally(), kCancelResult);
  EXPECT_EQ(shown, oldName);
  EXPECT_EQ(duringRun, "Rocker");
  EXPECT_FALSE(queued);
  EXPECT_EQ(gInModalDialog(), 0);
  // Performed at once, it is the command that undo takes back.
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(BodyName(), oldName);
}

TEST_F(PropertyDialogTest, ClickingTheBoxTurnsTheFlagOverThroughAQueuedCommand) {
  auto* window = OpenOver(new TFloatingProperties);
  window->ShowModeless();
  const HWND box = GetDlgItem(window->GetDialogHandle(), kShownBox);
  while (app_.Commands().PerformNextQueued()) {
  }
  ASSERT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  uint16_t shown = 0;
  body_->GetFlagProperty(MakeTag("show"), shown, nullptr);
  ASSERT_EQ(shown, 1);
  SendMessage(box, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  ASSERT_NE(app_.Commands().PeekNextCommand(), nullptr);
  EXPECT_TRUE(app_.Commands().PeekNextCommand()->IsMemberClass(352));
  while (app_.Commands().PerformNextQueued()) {
  }
  body_->GetFlagProperty(MakeTag("show"), shown, nullptr);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  DestroyWindow(window->GetDialogHandle());
}

TEST_F(PropertyDialogTest, TheObjectSelectorListsTheWorldsObjectsAndChoosingOneSelectsIt) {
  TLink* const oval = document_->World().FindObject(kOvalId);
  ASSERT_NE(oval, nullptr);
  static_cast<TNamedLink*>(oval)->SetName("Wheel");
  static_cast<TNamedLink*>(body_)->SetName("TRectangle");
  auto* window = OpenOver(new TFloatingProperties);
  window->ShowModeless();
  while (app_.Commands().PerformNextQueued()) {
  }
  auto* selector =
      dynamic_cast<dialog_test::TTestListItem*>(window->FindItem(kSelectorTag));
  ASSERT_NE(selector, nullptr);
  // A name that is the class's name shows the class alone; the selected body is the current
  // entry.
  const auto at = [&](const std::string& text) {
    return std::find(selector->entries.begin(), selector->entries.end(), text) -
           selector->entries.begin();
  };
  const auto body = at("  TRectangle");
  const auto wheel = at("  TOval - Wheel");
  ASSERT_LT(body, static_cast<long>(selector->entries.size()));
  ASSERT_LT(wheel, static_cast<long>(selector->entries.size()));
  EXPECT_EQ(selector->current, body);
  EXPECT_TRUE(selector->marks[static_cast<size_t>(body)]);
  EXPECT_FALSE(selector->marks[static_cast<size_t>(wheel)]);
  EXPECT_GT(selector->redraws, 0);

  selector->SelectEntry(static_cast<int32_t>(wheel));
  selector->SetChanged(1);
  window->CommitItem(selector);
  ASSERT_EQ(document_->World().Selection().size(), 1u);
  EXPECT_EQ(document_->World().Selection()[0], oval);
  DestroyWindow(window->GetDialogHandle());
}

TEST_F(PropertyDialogTest, TheDialogFollowsUndoTheSelectionAndTheWorldGoing) {
  auto* window = OpenOver(new TFloatingProperties);
  window->ShowModeless();
  const HWND dialog = window->GetDialogHandle();
  const HWND field = GetDlgItem(dialog, kNameField);
  const auto settle = [&] {
    while (app_.Commands().PerformNextQueued()) {
    }
  };
  settle();
  const std::string oldName = BodyName();
  Retype(field, "Crank");
  DispatchWaiting();
  InjectKeyStroke(VK_TAB);
  DispatchWaiting();
  settle();
  ASSERT_EQ(BodyName(), "Crank");

  // Undo changes the body behind the dialog's back: the world's notice refreshes the field.
  app_.Commands().UndoOrRedoLast();
  ASSERT_EQ(BodyName(), oldName);
  settle();
  EXPECT_EQ(GetWindowTextString(field), oldName);

  // Another object selected in the world: the dialog shows that one.
  TLink* const oval = document_->World().FindObject(kOvalId);
  ASSERT_NE(oval, nullptr);
  static_cast<TNamedLink*>(oval)->SetName("Wheel");
  document_->World().DeselectAll();
  document_->World().Select(oval);
  settle();
  EXPECT_EQ(GetWindowTextString(field), "Wheel");

  // The document closes before the dialog: the dialog forgets its world and shows nothing of it.
  document_.reset();
  EXPECT_EQ(window->GetWorld(), nullptr);
  settle();
  EXPECT_EQ(GetWindowTextString(field), "") << "the dialog shows an object of a world gone";
  DestroyWindow(dialog);
}

TEST_F(PropertyDialogTest, OpensInARealWindowOnADesktop) {
  if (!DisplayAvailable()) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "xvfb-run is not installed, so no virtual display can be started";
    }
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    self[length] = '\0';
    const char* source = std::getenv("YB_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "YB_SOURCE_DIR names the source tree (CTest sets it)";
    const std::string command =
        "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions='" +
        std::string(source) + "/tools/lsan-suppressions.txt' xvfb-run -a -n " +
        std::to_string(100 + getpid() % 30000) + " -s '-screen 0 800x600x24' '" + self +
        "' --gtest_filter=" + kSdlTest + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "the dialog did not open on the virtual display";
    return;
  }
  std::unique_ptr<SdlPresenter> presenter = SdlPresenter::Create();
  ASSERT_NE(presenter, nullptr);
  SetWindowPresenter(presenter.get());
  auto* window = OpenOver(new TFloatingProperties);
  window->ShowModeless();
  const HWND dialog = window->GetDialogHandle();
  ASSERT_NE(dialog, nullptr);
  presenter->PollEvents();
  EXPECT_NE(presenter->DesktopWindowOf(dialog), nullptr);
  while (app_.Commands().PerformNextQueued()) {
  }
  EXPECT_EQ(GetWindowTextString(GetDlgItem(dialog, kNameField)), BodyName());
  DestroyWindow(dialog);
  SetWindowPresenter(nullptr);
}

}  // namespace
