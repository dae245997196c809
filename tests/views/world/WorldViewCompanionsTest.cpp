// The main world view's companions over a world of one labelled box: the extent recomputed at
// idle time at most every two seconds, a name typed in place over the box's label (pressed with
// synthetic mouse messages on the view's window, typed into the label's edit control) and taken
// through an undoable command, the keys and commands that end, keep or give up the editing,
// and the handle-tracking command's repainted area.

#include <memory>
#include <string>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "core/Handle.h"
#include "model/command/CommandHandler.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "tests/views/offscreen/OffScreenSupport.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldViewCompanions.h"

namespace view_test {
namespace {

using namespace body_tags;

constexpr uint32_t kShowName = MakeTag("shoN");
constexpr int16_t kCmdCopy = 104;

// Counts the extents the main view gives its dependents.
class TExtentWatcher : public TOffScreenViewBase {
 public:
  void ScrollStateChanged(uint32_t, const TDoubleRect& bounds) override {
    ++count;
    last = bounds;
  }
  int32_t count = 0;
  TDoubleRect last{0, 0, 0, 0};
};

class WorldViewCompanionsTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    InitHandlePool();
    world_ = std::make_unique<TWorldDoc>();
    auto snapper = std::make_unique<THotPointSnapper>();
    snapper->Initialize();
    world_->AdoptObject(std::move(snapper));
    world_->Scale().SetConstant(100.0);
    Add<TZeroMass>(0);
    box_ = &AddBox(1, 0.0, 0.0, "Red");
    manager_ = OpenManager();
    view_ = new TMainWorldView;
    view_->Init(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{400, 300}, world_.get());
    view_->InvalidateAllDeep();
    manager_->DrawNow();
  }
  void TearDown() override {
    ResetWindowSystem();
    world_.reset();
    OffScreenTest::TearDown();
    FreeHandlePool();
  }
  template <class T>
  T& Add(int16_t identifier) {
    auto object = std::make_unique<T>();
    object->Initialize();
    object->SetIdentifier(identifier);
    T& added = *object;
    world_->AdoptObject(std::move(object));
    return added;
  }
  TRectangle& AddBox(int16_t identifier, double x, double y, const char* name) {
    TRectangle& box = Add<TRectangle>(identifier);
    box.SetNumberProperty(kTagWidth, 0.4);
    box.SetNumberProperty(kTagHeight, 0.4);
    box.SetPlacement(TVector3(x, y, 0.0));
    box.SetName(Str255(name));
    box.SetFlagProperty(kShowName, 1);
    return box;
  }
  // Lets the time pass and gives the view its idle time.
  void IdlePass(DWORD milliseconds) {
    AdvanceVirtualClock(milliseconds);
    view_->DoIdle(0);
  }
  void Press(const MacPoint& point) {
    const HWND window = view_->GetWindowHandle();
    const LPARAM at = MAKELPARAM(point.h, point.v);
    SendMessage(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessage(window, WM_LBUTTONUP, 0, at);
  }
  MacPoint InLabel(TThing& object) {
    const MacRect label = view_->LabelRect(&object);
    return MacPoint(static_cast<int16_t>(label.left + 2),
                    static_cast<int16_t>((label.top + label.bottom) / 2));
  }
  HWND Edit() {
    TLabelEdit* edit = view_->GetLabelEditor()->GetEdit();
    return edit ? edit->m_hWnd : nullptr;
  }
  std::string EditText() { return view_->GetLabelEditor()->GetText(); }
  void Type(const std::string& text) {
    for (char c : text) SendMessage(Edit(), WM_CHAR, static_cast<uint8_t>(c), 1);
  }
  void SelectAllTyped() { SendMessage(Edit(), EM_SETSEL, 0, -1); }
  std::string Name(TThing& object) { return object.GetName().Chars(); }

  std::unique_ptr<TWorldDoc> world_;
  TDezevOffScreenMgr* manager_ = nullptr;
  TMainWorldView* view_ = nullptr;
  TRectangle* box_ = nullptr;
};

TEST_F(WorldViewCompanionsTest, TheExtentIsRecomputedOnceAtIdleTimeAtMostEveryTwoSeconds) {
  auto* watcher = new TExtentWatcher;
  watcher->InitOffScreenView(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{400, 16}, 5, 5, view_,
                             nullptr);
  TIdleExtentUpdater* updater = view_->GetIdleUpdater();
  ASSERT_NE(updater, nullptr);
  EXPECT_TRUE(updater->IsMemberClass(521));
  EXPECT_TRUE(updater->IsMemberClass(639));
  // Whatever the opening armed runs once; then nothing is wanted, however long one waits.
  IdlePass(3000);
  watcher->count = 0;
  EXPECT_FALSE(updater->IsArmed());
  IdlePass(60000);
  EXPECT_FALSE(updater->CanPerform());
  EXPECT_EQ(watcher->count, 0);

  // Long after the last run, a change of view is followed at the next idle pass.
  view_->ViewChanged();
  IdlePass(20);
  EXPECT_EQ(watcher->count, 1);

  // A box far to the right, and two changes of view within the two seconds after that run.
  AddBox(2, 30.0, 0.0, "Far");
  AdvanceVirtualClock(300);
  view_->ViewChanged();
  AdvanceVirtualClock(300);
  view_->ViewChanged();
  EXPECT_TRUE(updater->IsArmed());
  IdlePass(300);
  EXPECT_EQ(watcher->count, 1) << "ran again before the two seconds";
  EXPECT_LT(view_->GetWorldExtent().right, 30.0);
  IdlePass(1200);
  EXPECT_EQ(watcher->count, 2);
  EXPECT_GT(view_->GetWorldExtent().right, 30.0);
  EXPECT_GT(watcher->last.right, 30.0 * 100.0);
  IdlePass(60000);
  EXPECT_EQ(watcher->count, 2);

  // A recomputation for a reason of the view's own takes the wish away.
  view_->ViewChanged();
  view_->RecomputeWorldExtent();
  EXPECT_FALSE(updater->IsArmed());
  watcher->count = 0;
  IdlePass(60000);
  EXPECT_EQ(watcher->count, 0);
}

TEST_F(WorldViewCompanionsTest, ANameTypedOverTheLabelAndReturnedNamesTheBodyUndoably) {
  const MacRect label = view_->LabelRect(box_);
  ASSERT_LT(label.left, label.right);
  // The label stands under the box.
  EXPECT_GT(label.top, view_->WorldToView(TVector(0.0, -0.2)).v);
  EXPECT_EQ(view_->FindLabelHit(InLabel(*box_)), box_);
  EXPECT_EQ(view_->FindLabelHit(view_->WorldToView(TVector(0.0, 0.0))), nullptr);

  Press(InLabel(*box_));
  EXPECT_EQ(view_->GetEditTarget(), box_);
  ASSERT_NE(Edit(), nullptr);
  EXPECT_EQ(GetFocus(), Edit());
  EXPECT_TRUE(IsWindowVisible(Edit()));
  EXPECT_EQ(EditText(), "Red");

  // Typed, one letter taken back, Return: the name is taken and the whole text selected.
  SelectAllTyped();
  Type("Balx\bl");
  EXPECT_EQ(EditText(), "Ball");
  EXPECT_EQ(Name(*box_), "Red") << "named before Return";
  Type("\r");
  EXPECT_EQ(Name(*box_), "Ball");
  EXPECT_EQ(view_->GetEditTarget(), box_) << "Return keeps the editing";
  DWORD start = 99;
  DWORD end = 99;
  SendMessage(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);

  application_->UndoOrRedoLast();
  EXPECT_EQ(Name(*box_), "Red");
  application_->UndoOrRedoLast();
  EXPECT_EQ(Name(*box_), "Ball");
  application_->UndoOrRedoLast();

  // A press away from the label ends the editing; the name Return took is not taken again.
  Press(MacPoint(5, 5));
  EXPECT_EQ(view_->GetEditTarget(), nullptr);
  EXPECT_FALSE(IsWindowVisible(Edit()));
  EXPECT_EQ(Name(*box_), "Red");
}

TEST_F(WorldViewCompanionsTest, EndingTheEditingTakesTheTypedNameAndCancellingGivesItUp) {
  // Another command ends the editing and takes what was typed; the text commands do not.
  Press(InLabel(*box_));
  SelectAllTyped();
  Type("Cart");
  view_->DoMenuCommand(kCmdCopy);
  EXPECT_EQ(view_->GetEditTarget(), box_);
  view_->DoMenuCommand(kCmdShowGrid);
  EXPECT_EQ(view_->GetEditTarget(), nullptr);
  EXPECT_EQ(Name(*box_), "Cart");

  // A run ends it too, and no label answers while the world runs.
  Press(InLabel(*box_));
  SelectAllTyped();
  Type("Wagon");
  view_->RunStateChanged(TMainWorldView::kRunning);
  EXPECT_EQ(view_->GetEditTarget(), nullptr);
  EXPECT_EQ(Name(*box_), "Wagon");
  EXPECT_EQ(view_->FindLabelHit(InLabel(*box_)), nullptr);
  view_->RunStateChanged(TMainWorldView::kEditing);

  // Ctrl+"." gives the typing up.
  Press(InLabel(*box_));
  SelectAllTyped();
  Type("Lost");
  TEventRecord event;
  event.modifiers = 1;
  EXPECT_EQ(view_->DoKeyCommand('.', 0, &event), nullptr);
  EXPECT_EQ(view_->GetEditTarget(), nullptr);
  EXPECT_EQ(Name(*box_), "Wagon");

  // Without an edited label the keys go down the chain untouched.
  EXPECT_EQ(view_->DoKeyCommand('\r', 0, nullptr), nullptr);
  EXPECT_EQ(Name(*box_), "Wagon");
}

TEST_F(WorldViewCompanionsTest, TabAndLineFeedTakeTheNameAndCharacterFourClearsTheSelection) {
  Press(InLabel(*box_));
  SelectAllTyped();
  Type("Tabbed\t");
  EXPECT_EQ(Name(*box_), "Tabbed");
  EXPECT_EQ(view_->GetEditTarget(), box_);
  // Tab selected the whole text: typing replaces it.
  Type("Fed\n");
  EXPECT_EQ(Name(*box_), "Fed");
  // Character 4 is the clear command, which takes the selected text away.
  Type("\x04");
  EXPECT_EQ(EditText(), "");
  EXPECT_EQ(view_->GetEditTarget(), box_);
  EXPECT_EQ(Name(*box_), "Fed");
}

TEST_F(WorldViewCompanionsTest, AnEditedObjectThatLeavesTheWorldIsForgottenUnnamed) {
  TRectangle& other = AddBox(2, 1.0, 0.0, "Other");
  view_->InvalidateAllDeep();
  manager_->DrawNow();
  Press(InLabel(other));
  ASSERT_EQ(view_->GetEditTarget(), &other);
  Type("Gone");
  world_->RemoveObject(&other);
  // The next press finds nothing to name; the remaining box keeps its name.
  Press(MacPoint(5, 5));
  EXPECT_EQ(view_->GetEditTarget(), nullptr);
  EXPECT_FALSE(IsWindowVisible(Edit()));
  EXPECT_EQ(Name(*box_), "Red");
}

// A body that grows to the right while its handle is dragged.
class TGrowingHandle : public THandleTrackable {
 public:
  MacRect HandleBounds() override { return bounds; }
  bool TrackHandle(int16_t, const MacPoint&, const MacPoint&, MacPoint& next, bool) override {
    if (!accepts) return false;
    bounds.right = next.h;
    return true;
  }
  bool HasChanged() override { return accepts; }
  void ChangedNotice() override { ++notices; }
  MacRect bounds{100, 100, 140, 130};
  bool accepts = true;
  int32_t notices = 0;
};

TEST_F(WorldViewCompanionsTest, AHandleDragRepaintsTheOldAndNewPlacesWithRoomBelowAndRight) {
  for (bool accepts : {true, false}) {
    TGrowingHandle handle;
    handle.accepts = accepts;
    THandleTrackingCommand command;
    command.InitHandleTracking(nullptr, view_, box_, &handle);
    manager_->ClearScreenInvalid();
    command.TrackMouse(0, QV_CPoint(140, 110), QV_CPoint(140, 110), QV_CPoint(140, 110), false);
    command.TrackMouse(1, QV_CPoint(140, 110), QV_CPoint(140, 110), QV_CPoint(180, 110), true);
    command.TrackMouse(2, QV_CPoint(140, 110), QV_CPoint(180, 110), QV_CPoint(200, 110), true);
    // Old (100..140) united with new (100..200 when it grew), 20 more below, 120 more right.
    const int16_t right = accepts ? 200 : 140;
    EXPECT_EQ(command.LastPaintedArea(), MacRect(100, 100, right + 120, 150)) << accepts;
    EXPECT_EQ(command.GetObject(), nullptr);
    // Painted at once: nothing of it is left waiting for the window.
    EXPECT_TRUE(RegionIsEmpty(manager_->GetScreenInvalidRegion()));
    command.Perform();
    EXPECT_EQ(handle.notices, accepts ? 1 : 0);
  }
}

}  // namespace
}  // namespace view_test
