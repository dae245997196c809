#pragma once
// The dialog item: the program-side object behind one control (or one group of controls) of a
// dialog laid out from a "fltr" resource. It is a link of the chain of command with no next
// handler. Its control reports clicks, keys, drawing and value changes to it through the
// operations below; the property dialogs read and write its value through the binding fields.
// Items are made by the item factory (ItemFactory.h) one record at a time; each class reads the
// rest of its record in its initialisation.
//
// Record reading shared by the item classes (after the factory's six-byte header): a header
// word and an attach flag; the record proper (item number, 32-bit style, bounds left, top,
// right, bottom in dialog units, a NUL-terminated text: 15 + n bytes); the layout flags (grows
// horizontally, grows vertically, a third value, shown: 8 bytes).
//
//   TTargetHandler (318) > TMacDialogItem (297) > TPlainItem (299)

#include <cstdint>

#include "core/PString.h"
#include "core/port/Port.h"
#include "model/handler/TargetHandler.h"
#include "ui/items/ItemRecord.h"

class CWnd;
class TFormula;
class TLink;
class TItemControl;
class TWindowsDialog;
struct DRAWITEMSTRUCT;
struct MEASUREITEMSTRUCT;
struct TItemRecordHeader;

// The window's rectangle in the client coordinates of the parent, as left, top, width and height
// (right holds the width, bottom the height).
void GetWindowRectInParent(HWND window, RECT& out, HWND parent);

// The bounds of an item rectangle turned from dialog units into pixels by the dialog's own
// units; unchanged without a dialog window.
void MapItemRect(CWnd* dialog, TItemBounds& bounds);

class TMacDialogItem : public TTargetHandler {
  DECLARE_CLASS_ID(297, TTargetHandler)

 public:
  // Kind markers.
  static constexpr uint16_t kGroupEndMarker = 0xFFFF;
  // The blank condition and property tag.
  static constexpr uint32_t kBlankTag = 0x20202020;

  TMacDialogItem();
  // The control forgets this item and is destroyed with its window.
  ~TMacDialogItem() override;

  // Initialisation ----------------------------------------------------------------------------
  // The base initialisation: stores the view identifier (also the item's property tag) and
  // the parent window.
  virtual void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor);
  // The record reading of the item classes: header word and attach flag, then CreateControl or
  // AttachControl, the layout flags, PostAttach when attached; the ready mark last.
  void InitFromRecord(CWnd* parent, TItemRecordCursor* cursor);
  // Reads the record proper (item number, style, bounds mapped to pixels, text).
  void ReadRecord(CWnd* parent, TItemRecordCursor& cursor);
  // What a class reads between the record's bounds and its text; nothing here.
  virtual void ReadAfterBounds(TItemRecordCursor& cursor) { (void)cursor; }
  // Four 16-bit values top, left, bottom, right; the cursor advances by 8.
  void ReadBoundsFromResource(TItemRecordCursor& cursor);
  // The four layout values when a cursor is given (8 bytes).
  virtual void ReadLayoutFlags(TItemRecordCursor* cursor);
  virtual void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor);
  virtual void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor);
  virtual void PostAttach() {}

  // What the controls call -------------------------------------------------------------------
  virtual void ControlCreated() {}
  virtual void MouseDown(uint32_t flags, int32_t x, int32_t y);
  // An error number; 0 when the text is good.
  virtual int16_t CheckText() { return 0; }
  // 1 when current is not 1, else 0.
  virtual int32_t NextValue(int32_t current) { return current != 1 ? 1 : 0; }
  // Stores the value; when it changed and redraw is set, the control shows it.
  virtual void SetValue(int32_t value, bool redraw);
  // Value and enabled state at once: the enabled state first (a disabled item is highlighted),
  // then the value, which is remembered as the value last set.
  virtual void SetState(int32_t value, bool enabled, bool redraw);
  virtual void SetHighlight(int16_t state, bool redraw);
  // Enables or disables the control to match the item.
  virtual void SetEnabled(bool enabled);
  bool IsEnabled() const { return enabled_; }
  int16_t GetHighlight() const { return highlight_; }
  // False when the value is the one last set; otherwise true, with whether it is 1.
  bool TakeValueChange(bool& isOne) const;
  // Disables the control window.
  virtual void DisableControl();
  virtual void DrawEntire(const DRAWITEMSTRUCT* draw);
  virtual void DrawFocus(const DRAWITEMSTRUCT* draw);
  virtual void DrawSelection(const DRAWITEMSTRUCT* draw);
  virtual void MeasureItem(MEASUREITEMSTRUCT* measure);
  // Combo boxes: non-zero when the item handled the choice of the last entry itself.
  virtual int16_t LastEntryChosen() { return 0; }
  // The slider item's operations (its control calls them only on a slider item).
  virtual void SetValueFromPosition(int32_t position);
  virtual void ValueChangedNotice() {}
  virtual void Track(int32_t position);
  // The owner of a grid view: its list box's timer fired.
  virtual void TimerNotice(const RECT& client, uintptr_t timer);
  // Called by a watched static that goes away.
  virtual void ControlGone(CWnd* control);

  // The control -------------------------------------------------------------------------------
  TItemControl* GetControl() const { return control_; }
  // Stores the control; null when it goes.
  void SetControl(TItemControl* control) { control_ = control; }
  CWnd* ControlWindow() const;
  bool HasControlWindow() const;
  // True when the control's window has the keyboard focus.
  bool HasFocus() const;
  // The control's window text, at most 255 characters; out is left alone without a control.
  void GetControlText(Str255& out) const;
  // Stores a text that differs; with redraw sets the window text and, when the item has the
  // focus, selects it whole. Runs with the changing-controls flag set.
  virtual void SetControlText(const Str255& text, bool redraw);
  // Selects the whole text unless the item forbids it, with the caret scrolled into view.
  void SelectWholeText();
  // Shows the value in the control; nothing here.
  virtual void Refresh() {}

  // What the dialog calls ---------------------------------------------------------------------
  // The dialog has grown by (h, v) since the items were laid out.
  virtual void SuperviewChanged(int32_t horizontal, int32_t vertical);
  // An item that grows across moves the right edge of its stored rectangle by h when its left
  // edge stays left of it (a cluster that grows down its bottom edge by v likewise).
  virtual void GrowBy(int32_t horizontal, int32_t vertical);
  // An item that grows across widens its control by h, when the width stays positive (a
  // cluster that grows down also deepens it by v).
  virtual void MoveRightEdge(int32_t horizontal, int32_t vertical);
  // Creates or places the control of an item added after the others.
  virtual void PlaceControl() {}
  // The dialog's client area changed by (h, v).
  virtual void DialogResized(int32_t horizontal, int32_t vertical);
  virtual void Redraw();
  virtual void Show(int16_t shown);

  // Property binding (the property dialogs) ------------------------------------------------------
  // Before a refresh of kinds 1003 to 1015.
  virtual void ResetValue() {}
  // The selected objects answered; the item shows it.
  // Flags: whether some selected objects have the flag and whether some lack it.
  virtual void ReceiveFlag(bool someHave, bool someLack);
  virtual void ReceiveChoice(int16_t state);
  virtual void ReceiveText(const Str255& text);
  virtual void ReceiveInteger(int32_t value);
  virtual void ReceiveFormula(const TFormula* formula, double lower, double upper, uint32_t extra);
  virtual void ReceiveNumber(double value, double lower, double upper, uint32_t extra);
  virtual void ReceiveLong(uint32_t value);
  virtual void ReceiveColour(const RGB16Color& colour);
  // Last in each refresh: the or of the objects' flags and the refresh flag.
  virtual void FinishRefresh(int16_t objectFlag, int16_t refreshFlag);
  // The value to commit; each answers whether the item has one.
  virtual bool ReadFlag(uint16_t& value) const;
  virtual bool ReadChoice(uint32_t& choice) const;
  virtual bool ReadText(Str255& text) const;
  virtual bool ReadInteger(int32_t& value) const;
  virtual bool ReadFormula(TFormula& formula) const;
  virtual bool ReadNumber(double& value) const;
  virtual bool ReadLong(uint32_t& value) const;
  virtual bool ReadColour(RGB16Color& colour) const;
  // An error number for the entry; 0 when it is valid.
  virtual int16_t ValidateEntry() { return CheckText(); }
  // The text the item showed before the entry, put back after a refused entry.
  virtual void RestorePreviousText() {}
  // Unit-aware items show their values in the units of the handler; nothing here.
  virtual void SetUnitHandler(TLink*) {}
  // Edit items that carry a condition tag answer it.
  virtual bool GetConditionTag(uint32_t& tag) const;

  // Fields ----------------------------------------------------------------------------------
  uint32_t GetViewIdentifier() const { return viewIdentifier_; }
  void SetViewIdentifier(uint32_t identifier) { viewIdentifier_ = identifier; }
  uint16_t GetKindMarker() const { return kindMarker_; }
  void SetKindMarker(uint16_t marker) { kindMarker_ = marker; }
  int16_t GetTemplateId() const { return templateId_; }
  void SetTemplateId(int16_t id) { templateId_ = id; }
  uint16_t IsDetached() const { return detached_; }
  void SetDetached(uint16_t on) { detached_ = on; }
  CWnd* GetParentWindow() const { return parent_; }
  int32_t GetValue() const { return value_; }
  int16_t GetItemNumber() const { return itemNumber_; }
  uint32_t GetStyle() const { return style_; }
  const TItemBounds& GetBounds() const { return bounds_; }
  const Str255& GetText() const { return text_; }
  uint16_t IsAttached() const { return attached_; }
  uint16_t GetHeaderWord() const { return headerWord_; }
  uint16_t GrowsHorizontally() const { return growsHorizontally_; }
  uint16_t GrowsVertically() const { return growsVertically_; }
  int16_t GetThirdLayoutValue() const { return thirdLayoutValue_; }
  int16_t IsShown() const { return shown_; }
  int16_t GetReadyMark() const { return readyMark_; }
  uint16_t GetNoSelect() const { return noSelect_; }
  void SetNoSelect(uint16_t on) { noSelect_ = on; }

  // The kind marker says how the item binds to a property (SelectionBinding.h).
  int16_t GetBindingKind() const { return static_cast<int16_t>(kindMarker_); }
  void SetBindingKind(int16_t kind) { kindMarker_ = static_cast<uint16_t>(kind); }
  uint32_t GetPropertyTag() const { return propertyTag_; }
  void SetPropertyTag(uint32_t tag) { propertyTag_ = tag; }
  int16_t GetPanelNumber() const { return panelNumber_; }
  void SetPanelNumber(int16_t panel) { panelNumber_ = panel; }
  int16_t GetOwningPanel() const { return owningPanel_; }
  void SetOwningPanel(int16_t panel) { owningPanel_ = panel; }
  uint16_t IsChanged() const { return changed_; }
  void SetChanged(uint16_t on) { changed_ = on; }
  uint16_t GetKeepMark() const { return keepMark_; }
  void SetKeepMark(uint16_t mark) { keepMark_ = mark; }
  uint16_t IsRestricted() const { return restricted_; }
  void SetRestricted(uint16_t on) { restricted_ = on; }
  uint16_t IsRemoved() const { return removed_; }
  void SetRemoved(uint16_t on) { removed_ = on; }
  uint16_t GetHidden(int index) const { return hidden_[index != 0 ? 1 : 0]; }
  void SetHidden(int index, uint16_t on) { hidden_[index != 0 ? 1 : 0] = on; }

 protected:
  void SetTextField(const Str255& text) { text_ = text; }
  void SetBoundsField(const TItemBounds& bounds) { bounds_ = bounds; }
  void StoreValue(int32_t value) { value_ = value; }

 private:
  TItemControl* control_ = nullptr;
  CWnd* parent_ = nullptr;
  uint32_t viewIdentifier_ = 0;
  uint16_t kindMarker_ = 0;
  int16_t templateId_ = 0;
  uint16_t detached_ = 0;
  int32_t value_ = 2;
  int32_t valueLastSet_ = 2;
  int16_t highlight_ = 0;
  bool enabled_ = true;
  // The record.
  uint16_t headerWord_ = 0;
  uint16_t attached_ = 0;
  int16_t itemNumber_ = 0;
  uint32_t style_ = 0;
  TItemBounds bounds_;
  Str255 text_;
  uint16_t growsHorizontally_ = 0;
  uint16_t growsVertically_ = 0;
  int16_t thirdLayoutValue_ = 0;
  int16_t shown_ = 0;
  int16_t readyMark_ = -1;
  uint16_t noSelect_ = 0;
  // The binding.
  uint32_t propertyTag_ = kBlankTag;
  int16_t panelNumber_ = 0;
  int16_t owningPanel_ = 0;
  uint16_t changed_ = 0;
  uint16_t keepMark_ = 0;
  uint16_t restricted_ = 0;
  uint16_t removed_ = 0;
  uint16_t hidden_[2] = {0, 0};
};

// The plain item, and the end of a group of items (kind marker 0xFFFF).
// Its record is the shared one: header word and attach flag, the record proper, the layout flags.
// Its control is a static (created from the record in a parent window, or the template's);
// the items after a group end are made in it.
class TPlainItem : public TMacDialogItem {
  DECLARE_CLASS_ID(299, TMacDialogItem)

 public:
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
};
