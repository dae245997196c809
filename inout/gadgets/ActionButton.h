#pragma once
// A push button on the world window that performs one menu command when pressed, exactly as if
// the user had chosen it from the menu (Run, Reset, a script...), and its variant that opens a
// named document instead. The caption is the command's name from the action list, or the
// button's own name when that is shown.

#include <cstdint>

#include "core/PString.h"
#include "inout/gadgets/Gadget.h"

class TActionButton;
class TCommandCore;

inline constexpr uint32_t kActionButtonTag = MakeTag("abut");
inline constexpr uint32_t kOpenActionButtonTag = MakeTag("oabt");
// Size, command and colour of a button; the document of an open button.
inline constexpr int16_t kBlockActionButton = 5241;
inline constexpr int16_t kBlockOpenActionButton = 5244;

// The action list: 32-byte records, a name of up to 30 bytes and a little-endian command number,
// ending at the command number -777.
inline constexpr uint32_t kActionListType = MakeTag("actn");
inline constexpr int16_t kActionListId = 1016;
// Names an open button shows in menus and lists.
inline constexpr int16_t kOpenButtonNameList = 4000;

// Menu commands a button knows by number.
inline constexpr int16_t kCommandOpen = 20;
inline constexpr int16_t kCommandClose = 31;
inline constexpr int16_t kCommandRun = 1031;
inline constexpr int16_t kCommandStop = 1034;
inline constexpr int16_t kCommandRunOrStop = 1035;
inline constexpr int16_t kFirstScriptCommand = 8241;
inline constexpr int16_t kLastScriptCommand = 8339;

// The document an open button opens.
struct TActionDocument {
  int16_t volume = 0;
  uint32_t fileType = MakeTag("    ");
  int16_t value = 0;
  Str255 path;
};

// What a button needs of the application: its menu state, its command chain and its documents.
// The application installs it; without one a button performs nothing and counts as enabled.
class TActionHost {
 public:
  virtual ~TActionHost() = default;
  virtual bool IsCommandEnabled(int16_t command) = 0;
  // The current target's command object for a menu command, or null when nobody makes one.
  virtual TCommandCore* MakeMenuCommand(int16_t command) = 0;
  // Hands a command to the current target, which passes it on to the application's queue.
  virtual void PostCommand(TCommandCore* command) = 0;
  // Marks the button's document as unchanged, so that closing it asks nothing.
  virtual void ClearChangeCount(TActionButton& button) = 0;
  // Refreshes the view of the button's world after a command was posted.
  virtual void UpdateWorldView(TActionButton& button) = 0;
  // The name of script number index (1-based) of the button's world; false when there is none.
  virtual bool ScriptName(TActionButton& button, int16_t index, Str255& name) = 0;
  // Whether the button's world is running.
  virtual bool IsRunning(TActionButton& button) = 0;
  // Whether a document with that path (compared without regard to case) is open.
  virtual bool IsDocumentOpen(const Str255& path) = 0;
  // Posts the command that opens the document; a failure is shown to the user when it runs.
  virtual void PostOpenDocument(const TActionDocument& document) = 0;
};

class TActionButton : public TGadget {
  DECLARE_CLASS_ID(716, TGadget)

 public:
  static constexpr int16_t kMargin = 4;
  // Commands this far above a number are its menu-identifier form.
  static constexpr int16_t kMenuIdentifierBit = 16384;

  TActionButton() = default;
  ~TActionButton() override;
  void Initialize() override;

  static void SetHost(TActionHost* host);
  static TActionHost* Host();

  int16_t GetCommand() const { return command_; }
  void SetCommand(int16_t command);
  const Str255& GetButtonText() const { return buttonText_; }
  void SetButtonText(const Str255& text, bool adjust);
  virtual void Perform();
  bool IsEnabled() const { return enabled_; }
  bool IsPressed() const { return pressed_; }
  MacRect GetFaceRect() const;
  // The face of a shown, enabled button is a control area: added to the first region and cut
  // out of the third.
  bool RegionMode() const override { return true; }
  void BuildRegion(RegionRec* first, RegionRec* second, RegionRec* third, int16_t code) override;
  bool IntersectsFace(const MacRect& rect) const;
  // Takes the command's name as the caption; true when the caption changed.
  virtual bool UpdateCaption();
  const RGB16Color& GetColour() const { return colour_; }
  // The next Perform leaves the document's change count alone.
  void SkipChangeCountOnce() { skipChangeCount_ = true; }

  // The name of a command: a script of the owner's world, or an entry of the action list. False
  // (name "Not Found.") when the command has none.
  bool LookupCommandName(int16_t command, Str255& name);

  void SetName(const Str255& name) override;
  void SetShowName(bool on);
  bool TrackClick(int16_t phase, MacPoint point, bool inside) override;
  bool TrackingDone() override;
  void ConstrainSize(MacPoint& size) override;
  bool HitsControl(MacPoint point) override;
  void UpdateControlState() override;
  void DrawContents(const MacRect& area) override;

  // Properties.
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  uint16_t GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) override;
  void SetColourProperty(uint32_t tag, const RGB16Color& value) override;
  // While the name is hidden the button's "name" is its caption and cannot be set.
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  void SetStringProperty(uint32_t tag, const Str255& value) override;

  // Filing.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 protected:
  // Posts a menu command through the current target, retrying with its menu-identifier form.
  static void PostMenuCommand(TActionHost& host, int16_t command);
  bool TakeSkipFlag() {
    const bool skip = skipChangeCount_;
    skipChangeCount_ = false;
    return skip;
  }

 private:
  bool enabled_ = true;
  int16_t command_ = kCommandRun;
  Str255 buttonText_;
  bool pressed_ = false;
  RGB16Color colour_{65535, 65535, 65535};
  MacPoint fixedSize_;
  bool skipChangeCount_ = false;
};

class TOpenActionButton : public TActionButton {
  DECLARE_CLASS_ID(717, TActionButton)

 public:
  TOpenActionButton() = default;
  ~TOpenActionButton() override;
  void Initialize() override;

  const TActionDocument& GetDocument() const { return document_; }
  bool ClosesCurrent() const { return closeCurrent_; }
  void SetClosesCurrent(bool on) { closeCurrent_ = on; }
  // Takes over the document and names the button after it.
  void RefreshOpenCaption(const TActionDocument& document);
  // A document chosen but not yet taken over; it is what the button stores until then.
  void SetPendingDocument(int16_t volume, int32_t directory, const Str255& name);
  bool HasPendingDocument() const { return pending_; }
  // How menus and lists name the button: "Close and open", the path, and a closing text.
  void GetDisplayName(Str255& name) const;

  void Perform() override;
  bool UpdateCaption() override { return false; }

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 private:
  // The command's name with every "^O" replaced by the document's path.
  void CaptionFromCommand(int16_t command);

  TActionDocument document_;
  int16_t pendingVolume_ = 0;
  int32_t pendingDirectory_ = 0;
  Str255 pendingName_;
  bool pending_ = false;
  bool closeCurrent_ = true;
};

// Registers the buttons, the text gadget and the picture gadget, the classes placed on the world
// window beside the inputs and meters.
void RegisterInOutputClasses();
