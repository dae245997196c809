// What dialogs ask of the application: help for the dialog's context on F1 (and the default
// when no help is installed), the pending object finished before a value taken in a modal run
// changes anything, and the preparation before each modal run.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/dialogs/DialogFixture.h"
#include "ui/dialogs/DialogServices.h"
#include "ui/dialogs/DialogWindow.h"
#include "ui/dialogs/WindowsDialog.h"

namespace dialog_test {
namespace {

// What the application was asked, in order.
std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}
int gPendingToken = 0;
bool gHasPending = false;

void RecordHelp(int32_t context, int16_t command) {
  Calls().push_back("help " + std::to_string(context) + " " + std::to_string(command));
}
void* Pending() { return gHasPending ? &gPendingToken : nullptr; }
void Complete(void* object) {
  Calls().push_back(object == &gPendingToken ? "complete" : "complete other");
  gHasPending = false;
}
void BeforeModal() { Calls().push_back("before modal"); }

// An owner that notes when it takes a value, to see the order of the calls.
class TOrderOwner : public TRecordingOwner {
 public:
  int16_t AcceptValue(TMacDialogItem* item) override {
    Calls().push_back("accept");
    return TRecordingOwner::AcceptValue(item);
  }
  void UpdateNotice() override { Calls().push_back("update"); }
};

class DialogServicesTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    Calls().clear();
    gHasPending = false;
    TDialogServices services;
    services.help = RecordHelp;
    services.pendingObject = Pending;
    services.completePending = Complete;
    services.beforeModalRun = BeforeModal;
    SetDialogServices(services);
  }
  void TearDown() override {
    SetDialogServices(TDialogServices());
    DialogFixture::TearDown();
  }
};

TEST_F(DialogServicesTest, F1AsksForTheHelpOfTheDialogsContext) {
  TRecordingOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  dialog.SetHelpContext(4711);
  Script({[] { InjectKeyStroke(VK_F1); }, [] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_EQ(dialog.RunModal(), IDCANCEL);
  EXPECT_EQ(Calls(), std::vector<std::string>{"help 4711 1"});
}

TEST_F(DialogServicesTest, WithoutHelpInstalledF1SaysSo) {
  SetDialogServices(TDialogServices());
  TRecordingOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  std::string said;
  Script({[] { InjectKeyStroke(VK_F1); },
          [&] {
            const HWND box = GetMessageBoxWindow();
            if (box != nullptr) said = GetWindowTextString(GetDlgItem(box, 0xFFFF));
            InjectKeyStroke(VK_RETURN);
          },
          [] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_EQ(dialog.RunModal(), IDCANCEL);
  EXPECT_NE(said.find("No help"), std::string::npos) << said;
}

TEST_F(DialogServicesTest, AValueTakenInAModalRunFinishesThePendingObjectFirst) {
  TOrderOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  gHasPending = true;
  Script({[] { Type("Wheel"); }, [] { InjectKeyStroke(VK_RETURN); }});
  EXPECT_EQ(dialog.RunModal(), IDOK);
  ASSERT_GE(Calls().size(), 3u);
  EXPECT_EQ(Calls()[0], "accept");
  EXPECT_EQ(Calls()[1], "complete");
  EXPECT_EQ(Calls()[2], "update");
  // Finished once: a second value finds nothing pending.
  EXPECT_EQ(std::count(Calls().begin(), Calls().end(), "complete"), 1);
}

TEST_F(DialogServicesTest, ARefusedValueLeavesThePendingObjectAlone) {
  TOrderOwner owner;
  owner.refuse = 1;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  gHasPending = true;
  Script({[] { Type("Wheel"); }, [] { InjectKeyStroke(VK_RETURN); },
          [] { InjectKeyStroke(VK_ESCAPE); }});
  dialog.RunModal();
  EXPECT_TRUE(gHasPending);
  EXPECT_EQ(std::count(Calls().begin(), Calls().end(), "complete"), 0);
}

TEST_F(DialogServicesTest, TheApplicationPreparesBeforeEachModalRun) {
  TDialogWindow window;
  const TDialogCreationRecord record{&window, kNameDialog, -5, 0, 0};
  window.Initialize(nullptr, 0, &record);
  bool preparedBeforeShown = false;
  Script({[&] {
    preparedBeforeShown = !Calls().empty() && Calls()[0] == "before modal";
    InjectKeyStroke(VK_ESCAPE);
  }});
  EXPECT_EQ(window.PoseModally(), -5);
  EXPECT_TRUE(preparedBeforeShown);
  EXPECT_EQ(std::count(Calls().begin(), Calls().end(), "before modal"), 1);
}

}  // namespace
}  // namespace dialog_test
