#pragma once
// What a world's menus offer and do. The main view hands every menu command to the world's
// switch first: it answers with a command for the application to queue, does the work at once
// and answers null, or offers the number to the world's objects, which may take it, and else
// leaves it to the handlers after the view. Before the menus show, the set-up enables and checks
// the world's commands from the world's state, and then each object sets up its own items.
//
// The small commands the switch makes itself:
//   TReloadCommand    (466) forgets the recorded frames and hands the world to the solver again
//   TFrameZeroCommand (467) a run to frame 0 that then forgets the recorded frames
//   TRefusalCommand   (325) says that the command is not available

#include <cstdint>
#include <vector>

#include "model/command/CommandCore.h"
#include "model/world/RunCommand.h"

class TLink;
class TMainWorldView;
class TTextEditView;
class TWorldDoc;
class TWorldWindow;

// Commands of the world's menus.
inline constexpr int16_t kCmdSelectAll = 110;
// The properties dialog of the whole selection; each kind of object opens its own from its
// number (bodies 10410, springs 10411, ropes 10412, dampers 10413).
inline constexpr int16_t kCmdSelectionProperties = 1600;
inline constexpr int16_t kCmdAlternateSelection = 1026;
inline constexpr int16_t kCmdStop = 1034;
inline constexpr int16_t kCmdRunOrStop = 1035;
inline constexpr int16_t kCmdFrameZero = 1043;
inline constexpr int16_t kCmdSkipFramesGroup = 1046;
inline constexpr int16_t kCmdTrackingGroup = 1044;
inline constexpr int16_t kCmdLeavePlayerMode = 1053;
inline constexpr int16_t kCmdEnterPlayerMode = 1054;
inline constexpr int16_t kCmdCoordinates = 1071;
inline constexpr int16_t kCmdFrameIndicator = 1072;
inline constexpr int16_t kCmdScrollBars = 1074;
inline constexpr int16_t kCmdRulers = 1085;
inline constexpr int16_t kCmdHelpLine = 1088;
inline constexpr int16_t kCmdLock = 1089;
inline constexpr int16_t kCmdReload = 1100;
inline constexpr int16_t kCmdAngleSnap = 1110;
inline constexpr int16_t kCmdNotAvailable = 1138;
inline constexpr int16_t kCmdFirstDisplay = 1160;
inline constexpr int16_t kCmdColumnList = 1161;
inline constexpr int16_t kCmdRebuildColumns = 1162;
inline constexpr int16_t kCmdSkipFramesBase = 1400;
inline constexpr int16_t kCmdTrackingBase = 1500;
inline constexpr int16_t kCmdTrackingOff = 1599;
// The failure the refusal shows and its message (item 17 of list 32609).
inline constexpr int16_t kErrNotAvailable = -1720;
inline constexpr int32_t kNotAvailableMessage = (32609 << 16) | 17;

class TReloadCommand : public TSmallCommand {
  DECLARE_CLASS_ID(466, TSmallCommand)

 public:
  explicit TReloadCommand(TWorldDoc& world);
  void DoIt() override;

 private:
  TWorldDoc& world_;
};

class TFrameZeroCommand : public TCommand {
  DECLARE_CLASS_ID(467, TCommand)

 public:
  explicit TFrameZeroCommand(TWorldDoc& world);
  // The run's slice; once it has ended, frame 0 shows (also when it was stopped before it got
  // there) and the recorded frames are forgotten.
  void Perform() override;
};

class TRefusalCommand : public TSmallCommand {
 public:
  explicit TRefusalCommand(TWorldDoc& world);
  void DoIt() override;

 private:
  TWorldDoc& world_;
};

// Checks the item of menu `menu` whose command minus `base` is `value`, among the items whose
// commands lie in base..base+99 (each of them enabled); when none is, `base` itself (the
// "other" item) is checked. The group's own command is enabled.
void SetUpRadioGroup(int16_t group, int16_t base, int16_t menu, int16_t value);

// The vector commands (5700 to 5709) and the style commands (11001 to 11008) of the selection:
// checked when every selected object that knows the command has it on, marked "-" when they
// differ, enabled when any of them allows it.
void MarkMixedStates(const std::vector<TLink*>& selection);

class TWorldMenus {
 public:
  explicit TWorldMenus(TMainWorldView& view);

  // The world's answer to a menu command; `handled` is cleared for a number the world leaves to
  // the handlers after the view.
  TCommandCore* DoMenuCommand(int16_t command, bool& handled);
  // Enables and checks the world's commands (after the view's own set-up).
  void DoSetupMenus();
  // Enters (1) or leaves (0) player mode: the scroll bars go while in it and come back as the
  // world keeps them; the tool becomes the selection tool.
  void SetPlayerMode(uint16_t on);

 private:
  TWorldDoc& World() const;
  TWorldWindow* Window() const;
  TCommandCore* DoRunCommand(int16_t command);
  TCommandCore* DoDuplicate();
  TCommandCore* DoDisplaySwitch(int16_t command);
  // The font of the rich text field being edited, else of the selection's text.
  TCommandCore* DoFontCommand();
  // The main view's text field being edited, when its control is a live window.
  TTextEditView* LiveEditField() const;
  void SelectAll();
  void SetUpSwitches();
  void SetUpEditing(bool editFieldLive);
  // The world's objects and their own menus: each object sets up its items after the world, and
  // a number the world leaves goes to the objects in their order until one takes it.
  void SetUpObjectsMenus();
  TCommandCore* OfferToObjects(int16_t command, bool& handled);

  TMainWorldView& view_;
};
