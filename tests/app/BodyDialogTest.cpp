// The body's property dialog end to end: a document with a body selected, the dialog opened as
// its menu command opens it, "2.5" typed into the mass field and Return: the mass is 2.5 in the
// world and in the saved and reopened document, as one command that undo takes back to the
// document's bytes. The dialog shows the body's colour in its popup, the mass unit beside the
// field and the panel of the body's shape; a run cancelled without edits leaves nothing to undo.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/TApp.h"
#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "bodies/vectors/VectorThing.h"
#include "core/port/Port.h"
#include "exchange/export/ExportCommand.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/export/WorldExportHandler.h"
#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Button.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Control.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/display/SdlPresenter.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/app/ProgramDocuments.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/dialogs/DialogFactory.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/dialogs/DisplayMetrics.h"
#include "ui/dialogs/WindowBase.h"
#include "views/world/VectorMenuCommands.h"

namespace {

constexpr int16_t kBodyDialog = 10410;
constexpr int16_t kBodyId = 2;
constexpr int32_t kMassField = 102;
constexpr int32_t kMassUnits = 103;
constexpr int32_t kColourPopup = 104;
constexpr int32_t kWidthField = 1002;
constexpr char kSdlTest[] = "BodyDialogTest.OpensInARealWindowOnADesktop";

class BodyDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    app_.LoadResourceDlls();
    app_.InitUnits();
    SetScreenLogPixelsY(96);
    path_ = std::filesystem::temp_directory_path() /
            ("yb-body-dialog-" + std::to_string(::getpid()) + ".yb");
    Open(std::string(YB_SAMPLES_DIR) + "/spring-and-pin.yb");
  }
  void TearDown() override {
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
    body_ = document_->World().FindObject(kBodyId);
    ASSERT_NE(body_, nullptr);
    // Whoever reads the body's material brings its number in step (the sample's box is of no
    // material any more): the dialog does, so the bytes compared are those of a body read so.
    uint16_t material = 0;
    body_->GetShortProperty(body_tags::kTagMaterial, material, nullptr);
    document_->World().Select(body_);
  }
  std::vector<uint8_t> Bytes() {
    document_->WriteDocument(path_.string());
    return program_documents::ReadBytes(path_);
  }
  double Mass() const {
    const TFormula* mass =
        body_->GetFormulaProperty(body_tags::kTagMass, nullptr, nullptr, nullptr, nullptr);
    return mass != nullptr ? mass->GetValue() : -1.0;
  }
  // Queues the dialog command on the selection, as the body's menu command does, and lets the
  // application perform it.
  void RunDialog(std::deque<std::function<void()>> user) {
    auto* command = new TDialogCommand;
    command->InitDialogCommand(kBodyDialog, &document_->World(), &document_->World().Selection());
    ScriptUser(std::move(user));
    app_.Commands().PostCommand(command);
    while (app_.Commands().PerformNextQueued()) {
    }
    SetIdleScript(nullptr);
  }
  void RunCommandWithUser(TCommandCore* command, std::deque<std::function<void()>> user) {
    ASSERT_NE(command, nullptr);
    ScriptUser(std::move(user));
    app_.Commands().PostCommand(command);
    while (app_.Commands().PerformNextQueued()) {
    }
    SetIdleScript(nullptr);
  }
  static HWND Dialog() { return GetActiveWindow(); }
  static uint32_t PixelAt(HWND window, int32_t x, int32_t y) {
    RECT frame{};
    GetWindowRect(GetAncestorTopLevel(window), &frame);
    return GetWindowSurface(window)->Pixel(x - frame.left, y - frame.top);
  }
  static int32_t DarkPixels(HWND window) {
    RECT area{};
    GetWindowRect(window, &area);
    int32_t dark = 0;
    for (int32_t y = area.top; y < area.bottom; ++y) {
      for (int32_t x = area.left; x < area.right; ++x) {
        if ((PixelAt(window, x, y) & 0xFF) < 0x40) ++dark;
      }
    }
    return dark;
  }

  TApp app_;
  std::unique_ptr<TQVDoc> document_;
  TLink* body_ = nullptr;
  std::filesystem::path path_;
};

TEST_F(BodyDialogTest, TypingTheMassAndReturnMakesOneUndoableCommand) {
  const std::vector<uint8_t> before = Bytes();
  const double oldMass = Mass();
  ASSERT_NE(oldMass, 2.5);
  RGB16Color colour{};
  ASSERT_NE(body_->GetColourProperty(body_tags::kTagFillColour, colour, nullptr), 0);
  const COLORREF expected = RGB16ToColorRef(colour);

  std::string shownMass, units, withPanel;
  uint32_t popupPixel = 0;
  int32_t unitInk = 0;
  RunDialog({[&] {
               const HWND dialog = Dialog();
               ASSERT_NE(dialog, nullptr);
               UpdateWindow(dialog);
               const HWND field = GetDlgItem(dialog, kMassField);
               shownMass = GetWindowTextString(field);
               units = GetWindowTextString(GetDlgItem(dialog, kMassUnits));
               unitInk = DarkPixels(GetDlgItem(dialog, kMassUnits));
               withPanel = GetDlgItem(dialog, kWidthField) != nullptr ? "width" : "";
               RECT popup{};
               GetWindowRect(GetDlgItem(dialog, kColourPopup), &popup);
               popupPixel = PixelAt(dialog, popup.left + 6, (popup.top + popup.bottom) / 2);
               SetFocus(field);
               SendMessage(field, EM_SETSEL, 0, -1);
               for (char c : std::string("2.5")) InjectCharacter(static_cast<uint8_t>(c));
             },
             [] { InjectKeyStroke(VK_RETURN); }});

  EXPECT_EQ(std::stod(shownMass), oldMass);
  EXPECT_EQ(units, "kg");
  EXPECT_GT(unitInk, 5);
  EXPECT_EQ(withPanel, "width");
  EXPECT_EQ(popupPixel & 0xFFFFFF,
            static_cast<uint32_t>(GetRValue(expected)) << 16 |
                static_cast<uint32_t>(GetGValue(expected)) << 8 | GetBValue(expected));
  EXPECT_EQ(Mass(), 2.5);
  EXPECT_EQ(gInModalDialog(), 0);

  // One command: the edit, which undo takes back to the document's bytes.
  ASSERT_NE(app_.Commands().GetLastCommand(), nullptr);
  EXPECT_NE(app_.Commands().GetLastCommand()->CanUndo(), 0);
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(Mass(), oldMass);
  EXPECT_EQ(Bytes(), before);
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(Mass(), 2.5);

  // Saved and reopened.
  Bytes();
  Open(path_.string());
  EXPECT_EQ(Mass(), 2.5);
}

// The keys walk the fields from the top down, those of the shape's panel (made once the dialog
// shows) in their place between the colour and the density.
TEST_F(BodyDialogTest, TabWalksTheFieldsInTheirOrderOnTheDialog) {
  std::vector<int32_t> walked;
  const auto noteAndPress = [&](int32_t key) {
    return [&walked, key] {
      walked.push_back(GetDlgCtrlID(GetFocus()));
      InjectKeyStroke(key);
    };
  };
  RunDialog({noteAndPress(VK_TAB), noteAndPress(VK_TAB), noteAndPress(VK_TAB),
             noteAndPress(VK_TAB), noteAndPress(VK_TAB), noteAndPress(VK_ESCAPE)});
  EXPECT_EQ(walked, (std::vector<int32_t>{101, kMassField, kColourPopup, kWidthField, 1005, 105}));
}

// Steel, picked from the material popup with the keys, gives the body its numbers (the mass
// follows from the area), and the bitmap check box of the centre-of-mass mark toggles it: each
// click shows the other picture and the mark the body keeps is the one shown last.
TEST_F(BodyDialogTest, TheMaterialPopupAndTheCentreMarkBoxReachTheBody) {
  constexpr int32_t kMaterialPopup = 120;
  constexpr int32_t kCentreMarkBox = 115;
  auto* body = static_cast<TMass*>(body_);
  const double oldMass = Mass();
  uint16_t oldMark = 0;
  ASSERT_NE(body->GetFlagProperty(body_tags::kTagShowCentre, oldMark, nullptr), 0);

  std::vector<std::vector<uint32_t>> pictures;
  const auto markBox = [] { return GetDlgItem(Dialog(), kCentreMarkBox); };
  const auto pictureThen = [&](std::function<void()> next) {
    return [&pictures, markBox, next] {
      UpdateWindow(Dialog());
      RECT area{};
      GetWindowRect(markBox(), &area);
      std::vector<uint32_t> picture;
      for (int32_t y = area.top; y < area.bottom; ++y) {
        for (int32_t x = area.left; x < area.right; ++x) picture.push_back(PixelAt(markBox(), x, y));
      }
      pictures.push_back(std::move(picture));
      next();
    };
  };
  const auto clickMark = [markBox] { InjectClick(markBox(), POINT{4, 4}); };
  RunDialog({[] { InjectClick(GetDlgItem(Dialog(), kMaterialPopup), POINT{10, 5}); },
             [] {
               for (int i = 0; i < 3; ++i) InjectKeyStroke(VK_DOWN);
               InjectKeyStroke(VK_RETURN);
             },
             pictureThen(clickMark), pictureThen(clickMark), pictureThen(clickMark),
             // Return would press the focused box again, as it presses a focused button: OK.
             pictureThen([] { InjectClick(GetDlgItem(Dialog(), IDOK), POINT{10, 5}); })});

  uint16_t material = 0;
  ASSERT_NE(body->GetShortProperty(body_tags::kTagMaterial, material, nullptr), 0);
  EXPECT_EQ(material, 3);
  EXPECT_EQ(body->GetDensity(), static_cast<double>(7.8f));
  EXPECT_EQ(body->StaticFriction()->GetValue(), static_cast<double>(0.74f));
  EXPECT_EQ(body->Elasticity()->GetValue(), static_cast<double>(0.6f));
  EXPECT_DOUBLE_EQ(Mass(), body->GetArea() * static_cast<double>(7.8f));
  ASSERT_EQ(pictures.size(), 4u);
  EXPECT_NE(pictures[1], pictures[0]);
  EXPECT_EQ(pictures[2], pictures[0]);
  EXPECT_EQ(pictures[3], pictures[1]);
  uint16_t mark = oldMark;
  body->GetFlagProperty(body_tags::kTagShowCentre, mark, nullptr);
  EXPECT_EQ(mark, oldMark == 0 ? 1 : 0);

  // Each change made in the dialog is a command of its own: undo takes back the last click.
  app_.Commands().UndoOrRedoLast();
  body->GetFlagProperty(body_tags::kTagShowCentre, mark, nullptr);
  EXPECT_EQ(mark, oldMark);
  EXPECT_NE(Mass(), oldMass);
}

// A density typed gives the body the mass of its area at that density; the button at the
// slider's "1" end puts 1 into the static friction.
TEST_F(BodyDialogTest, ADensityTypedAndASliderButtonPressedReachTheBody) {
  constexpr int32_t kDensityField = 105;
  constexpr int32_t kStaticFrictionOne = 172;
  auto* body = static_cast<TMass*>(body_);
  std::string shownFriction;
  RunDialog({[] {
               const HWND field = GetDlgItem(Dialog(), kDensityField);
               InjectClick(field, POINT{5, 5});
             },
             [] {
               InjectKeyStroke(VK_END);
               InjectKey(VK_SHIFT, true);
               InjectKeyStroke(VK_HOME);
               InjectKey(VK_SHIFT, false);
               for (char c : std::string("2.5")) InjectCharacter(static_cast<uint8_t>(c));
               InjectClick(GetDlgItem(Dialog(), kStaticFrictionOne), POINT{4, 4});
             },
             [&] {
               shownFriction = GetWindowTextString(GetDlgItem(Dialog(), 124));
               InjectClick(GetDlgItem(Dialog(), IDOK), POINT{10, 5});
             }});
  EXPECT_EQ(body->GetDensity(), 2.5);
  EXPECT_DOUBLE_EQ(Mass(), body->GetArea() * 2.5);
  EXPECT_EQ(body->StaticFriction()->GetValue(), 1.0);
  ASSERT_FALSE(shownFriction.empty());
  EXPECT_EQ(std::stod(shownFriction), 1.0);
}

TEST_F(BodyDialogTest, ACancelledRunWithoutEditsLeavesNothingToUndo) {
  const std::vector<uint8_t> before = Bytes();
  bool opened = false;
  RunDialog({[&] {
    opened = Dialog() != nullptr && GetDlgItem(Dialog(), kMassField) != nullptr;
    InjectKeyStroke(VK_ESCAPE);
  }});
  EXPECT_TRUE(opened);
  EXPECT_EQ(app_.Commands().GetLastCommand(), nullptr);
  EXPECT_EQ(Bytes(), before);
}

TEST_F(BodyDialogTest, AMassBelowZeroIsRefusedAndTheDialogStaysOpen) {
  const double oldMass = Mass();
  HWND dialog = nullptr;
  std::string afterRefusal;
  bool boxShown = false;
  bool stillOpen = false;
  RunDialog({[&] {
               dialog = Dialog();
               const HWND field = GetDlgItem(dialog, kMassField);
               SetFocus(field);
               SendMessage(field, EM_SETSEL, 0, -1);
               for (char c : std::string("-1")) InjectCharacter(static_cast<uint8_t>(c));
             },
             [] { InjectKeyStroke(VK_RETURN); },
             [&] {
               // The refusal's alert, closed with its button.
               const HWND box = GetMessageBoxWindow();
               boxShown = box != nullptr;
               if (box != nullptr) SendMessage(box, WM_COMMAND, IDOK, 0);
             },
             [&] {
               stillOpen = IsWindow(dialog) != 0 && IsWindowVisible(dialog) != 0;
               if (stillOpen) afterRefusal = GetWindowTextString(GetDlgItem(dialog, kMassField));
               InjectKeyStroke(VK_ESCAPE);
             }});
  EXPECT_TRUE(boxShown);
  EXPECT_TRUE(stillOpen);
  ASSERT_FALSE(afterRefusal.empty());
  EXPECT_EQ(std::stod(afterRefusal), oldMass);
  EXPECT_EQ(Mass(), oldMass);
}

// In the spring's own dialog the law picked from its popup and a damping typed reach the
// spring: "Inverse square" is the power -2.
TEST_F(BodyDialogTest, TheSpringsLawAndDampingAreSetInItsDialog) {
  constexpr int32_t kDampingField = 106;
  constexpr int32_t kLawPopup = 108;
  TLink* spring = nullptr;
  for (TLink* object : document_->World().Objects()) {
    if (object->IsMemberClass(647)) spring = object;
  }
  ASSERT_NE(spring, nullptr);
  document_->World().DeselectAll();
  document_->World().Select(spring);
  auto* command = new TDialogCommand;
  command->InitDialogCommand(10411, &document_->World(), &document_->World().Selection());
  ScriptUser({[] { InjectClick(GetDlgItem(Dialog(), kLawPopup), POINT{10, 5}); },
              [] {
                for (int i = 0; i < 4; ++i) InjectKeyStroke(VK_DOWN);
                InjectKeyStroke(VK_RETURN);
              },
              [] { InjectClick(GetDlgItem(Dialog(), kDampingField), POINT{5, 5}); },
              [] {
                InjectKeyStroke(VK_END);
                InjectKey(VK_SHIFT, true);
                InjectKeyStroke(VK_HOME);
                InjectKey(VK_SHIFT, false);
                for (char c : std::string("0.75")) InjectCharacter(static_cast<uint8_t>(c));
                InjectKeyStroke(VK_RETURN);
              }});
  app_.Commands().PostCommand(command);
  while (app_.Commands().PerformNextQueued()) {
  }
  SetIdleScript(nullptr);
  uint16_t law = 0;
  ASSERT_NE(spring->GetShortProperty(MakeTag("exp "), law, nullptr), 0);
  EXPECT_EQ(static_cast<int16_t>(law), -2);
  const TFormula* damping =
      spring->GetFormulaProperty(MakeTag("damp"), nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(damping, nullptr);
  EXPECT_EQ(damping->GetValue(), 0.75);
}

TEST_F(BodyDialogTest, TheSpringAndOneObjectDialogsShowTheirObject) {
  TLink* spring = nullptr;
  for (TLink* object : document_->World().Objects()) {
    if (object->IsMemberClass(647)) spring = object;
  }
  ASSERT_NE(spring, nullptr);
  static_cast<TNamedLink*>(spring)->SetName("Coil");
  document_->World().DeselectAll();
  document_->World().Select(spring);
  std::string name, units;
  auto* command = new TDialogCommand;
  command->InitDialogCommand(10411, &document_->World(), &document_->World().Selection());
  ScriptUser({[&] {
    name = GetWindowTextString(GetDlgItem(Dialog(), 101));
    units = GetWindowTextString(GetDlgItem(Dialog(), 103));
    InjectKeyStroke(VK_ESCAPE);
  }});
  app_.Commands().PostCommand(command);
  while (app_.Commands().PerformNextQueued()) {
  }
  EXPECT_EQ(name, "Coil");
  EXPECT_EQ(units, "kg/s\xB2");  // the unit system names N/m by its base units

  // The one-object dialog on the body, whatever is selected.
  static_cast<TNamedLink*>(body_)->SetName("Crank");
  auto* one = new TObjectDialogCommand;
  one->InitForObject(body_);
  ScriptUser({[&] {
    name = GetWindowTextString(GetDlgItem(Dialog(), 101));
    InjectKeyStroke(VK_ESCAPE);
  }});
  app_.Commands().PostCommand(one);
  while (app_.Commands().PerformNextQueued()) {
  }
  EXPECT_EQ(name, "Crank");
}

// The vector display dialog from its menu command, on the world's settings that the command
// makes: the last part drawn cannot be switched off, clicks and typed lengths change the
// settings one undoable step each, and the velocity handle preference reaches the bodies.
TEST_F(BodyDialogTest, TheVectorDisplayDialogEditsTheWorldsVectorSettings) {
  TWorldDoc& world = document_->World();
  ASSERT_EQ(world.GetVectorHandlerObject(), nullptr);
  bool wholeEnabledAtFirst = true;
  bool wholeEnabledAfterX = false;
  RunCommandWithUser(MakeVectorSettingsCommand(kCmdVectorDisplay, world),
                     {[&] {
                        wholeEnabledAtFirst = IsWindowEnabled(GetDlgItem(Dialog(), 101)) != 0;
                        SendMessage(GetDlgItem(Dialog(), 102), BM_CLICK, 0, 0);
                        wholeEnabledAfterX = IsWindowEnabled(GetDlgItem(Dialog(), 101)) != 0;
                        SendMessage(GetDlgItem(Dialog(), 122), BM_CLICK, 0, 0);
                        SendMessage(GetDlgItem(Dialog(), 141), BM_CLICK, 0, 0);
                        const HWND force = GetDlgItem(Dialog(), 116);
                        SetFocus(force);
                        SendMessage(force, EM_SETSEL, 0, -1);
                        for (char c : std::string("0.5")) InjectCharacter(static_cast<uint8_t>(c));
                      },
                      [] { InjectKeyStroke(VK_RETURN); }});
  auto* handler = dynamic_cast<TGlobalVectorHandler*>(world.GetVectorHandlerObject());
  ASSERT_NE(handler, nullptr);
  EXPECT_FALSE(wholeEnabledAtFirst);
  EXPECT_TRUE(wholeEnabledAfterX);
  EXPECT_EQ(handler->GetComponentFlags().x, 1);
  uint16_t combine = 1;
  uint16_t starts = 0;
  handler->GetKindPlacement(9, combine, starts);
  EXPECT_EQ(combine, 0);
  EXPECT_EQ(handler->GetGroupStyle(kVectorGroupForce).scale, 0.5);
  EXPECT_EQ(world.GetOption(1), 1);
  EXPECT_EQ(static_cast<TVectorThing*>(body_)->IsVectorOptioned(0), 1);
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(handler->GetGroupStyle(kVectorGroupForce).scale, 0.13);

  // The vector menu shows the velocity of the selection, and undo hides it again.
  app_.Commands().PostCommand(MakeVectorMenuCommand(kCmdShowVelocity, world));
  while (app_.Commands().PerformNextQueued()) {
  }
  EXPECT_EQ(static_cast<TVectorThing*>(body_)->IsVectorShown(0), 1);
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(static_cast<TVectorThing*>(body_)->IsVectorShown(0), 0);
}

TEST_F(BodyDialogTest, TheFloatingPalettesAreBuiltHiddenAndShowTheSelection) {
  std::unique_ptr<TDialogWindow> palette(CreateDialogById(10000, nullptr));
  ASSERT_NE(palette, nullptr);
  EXPECT_TRUE(palette->IsMemberClass(426));
  const HWND window = palette->GetDialogHandle();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  static_cast<TNamedLink*>(body_)->SetName("Crank");
  static_cast<WindowBase*>(palette.get())
      ->SetSelection(&document_->World().Selection(), nullptr, &document_->World(), 1);
  ShowWindow(window, SW_SHOW);
  while (app_.Commands().PerformNextQueued()) {
  }
  EXPECT_EQ(GetWindowTextString(GetDlgItem(window, 102)), "Crank");
  // The selector lists the world's objects, the body chosen.
  const HWND selector = GetDlgItem(window, 101);
  EXPECT_GT(SendMessage(selector, CB_GETCOUNT, 0, 0), 2);
  const auto chosen = SendMessage(selector, CB_GETCURSEL, 0, 0);
  ASSERT_GE(chosen, 0);
  std::string entry(256, '\0');
  SendMessage(selector, CB_GETLBTEXT, static_cast<WPARAM>(chosen),
              reinterpret_cast<LPARAM>(entry.data()));
  EXPECT_NE(std::string(entry.c_str()).find("Crank"), std::string::npos) << entry.c_str();
  palette.release();
  DestroyWindow(window);
}

// The export kinds' settings dialogs, as the export dialog's Options button opens them over the
// world's export handler: they show the kind's settings, and ticking the header box and choosing
// the selected meters changes the meter-data settings; a cancelled dialog answers false.
TEST_F(BodyDialogTest, ExportSettingsDialogsShowAndChangeTheKindsSettings) {
  TExportHandler& handler = ExportHandlerFor(document_->World());
  handler.SetCurrentCommand(kCmdExportMeterData);
  std::string step;
  UINT allMeters = 0;
  UINT header = 1;
  ScriptUser({[&] {
                const HWND dialog = Dialog();
                ASSERT_NE(dialog, nullptr);
                step = GetWindowTextString(GetDlgItem(dialog, 112));
                allMeters = IsDlgButtonChecked(dialog, 113);
                header = IsDlgButtonChecked(dialog, 110);
                SendMessage(GetDlgItem(dialog, 110), BM_CLICK, 0, 0);
                SendMessage(GetDlgItem(dialog, 114), BM_CLICK, 0, 0);
              },
              [] { InjectKeyStroke(VK_RETURN); }});
  EXPECT_TRUE(handler.RunTypeSettings(kCmdExportMeterData, nullptr));
  SetIdleScript(nullptr);
  EXPECT_EQ(step, "1");
  EXPECT_EQ(allMeters, static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(header, static_cast<UINT>(BST_UNCHECKED));
  uint16_t withHeader = 0;
  int16_t selectedOnly = 0;
  EXPECT_NE(handler.GetFlagProperty(MakeTag("emIH"), withHeader, nullptr), 0);
  EXPECT_NE(handler.GetChoiceProperty(MakeTag("xpUS"), selectedOnly, nullptr), 0);
  EXPECT_EQ(withHeader, 1);
  EXPECT_EQ(selectedOnly, 1);

  // The drawings of a range: the first file's number.
  handler.SetCurrentCommand(kCmdExportDxfFrames);
  std::string firstNumber;
  ScriptUser({[&] {
    firstNumber = GetWindowTextString(GetDlgItem(Dialog(), 115));
    InjectKeyStroke(VK_ESCAPE);
  }});
  EXPECT_FALSE(handler.RunTypeSettings(kCmdExportDxfFrames, nullptr));
  SetIdleScript(nullptr);
  EXPECT_EQ(firstNumber, "0");
  EXPECT_FALSE(handler.RunTypeSettings(1749, nullptr));  // no kind serves it

  // The settings menu command opens the dialog of the handler's current kind.
  std::string title;
  ScriptUser({[&] {
    title = GetWindowTextString(Dialog());
    InjectKeyStroke(VK_ESCAPE);
  }});
  app_.Commands().PostCommand(
      MakeExportMenuCommand(kCmdExportSettings, document_->World(), nullptr).release());
  while (app_.Commands().PerformNextQueued()) {
  }
  SetIdleScript(nullptr);
  EXPECT_EQ(title, "Drawings Export Options");
}

TEST_F(BodyDialogTest, OpensInARealWindowOnADesktop) {
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
  std::unique_ptr<TDialogWindow> dialog(CreateDialogById(kBodyDialog, nullptr));
  ASSERT_NE(dialog, nullptr);
  static_cast<WindowBase*>(dialog.get())
      ->SetSelection(&document_->World().Selection(), nullptr, &document_->World(), 1);
  dialog->ShowModeless();
  const HWND window = dialog->GetDialogHandle();
  ASSERT_NE(window, nullptr);
  presenter->PollEvents();
  EXPECT_NE(presenter->DesktopWindowOf(window), nullptr);
  while (app_.Commands().PerformNextQueued()) {
  }
  EXPECT_EQ(GetWindowTextString(GetDlgItem(window, kMassUnits)), "kg");
  dialog.reset();
  SetWindowPresenter(nullptr);
}

}  // namespace
