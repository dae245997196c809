#pragma once
// The buttons of dialog items: radio button, push button, check box and group frame (cluster).
// A click on a radio button or check box moves its owner item to the item's next value and
// hands the value to the dialog; a push button's click hands its item to the dialog. Radio
// buttons, push buttons and check boxes may be owner-drawn: their drawing goes to the item
// (whole item, selection, focus). Each control deletes itself with its window and its owner
// item with itself.

#include <cstdint>

#include "platform/mfc/CButton.h"
#include "ui/controls/LinkedControl.h"

// The shared part of the four: creation, lifetime, the owner.
class TMacButtonBase : public TLinkedControl<CButton> {
  DECLARE_DYNAMIC(TMacButtonBase)

 public:
  TMacButtonBase() = default;
  using TLinkedControl::TLinkedControl;

  // Makes the window; null when it cannot be made.
  CButton* CreateControl();
  const RECT& GetBounds() const { return Link().bounds; }

  virtual bool IsMemberClass(int16_t id) const = 0;
  virtual int16_t GetClassIDAt(int16_t depth) const = 0;

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void DrawItem(DRAWITEMSTRUCT* draw) override;

 protected:
  // BN_CLICKED reflected to the control; nothing here.
  virtual void Clicked() {}
  // Owner-drawn buttons draw through their item.
  virtual bool DrawsThroughOwner() const { return false; }
  // Moves the owner to its next value and hands it to the dialog.
  void StepValue();
};

// A button of one class number made with one style of its own.
template <int16_t ClassID, DWORD DefaultStyle>
class TMacButtonKind : public TMacButtonBase {
 public:
  static constexpr int16_t kClassID = ClassID;
  static constexpr DWORD kDefaultStyle = DefaultStyle;

  TMacButtonKind() = default;
  TMacButtonKind(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title, int32_t left,
                 int32_t top, int32_t width, int32_t height)
      : TMacButtonBase(parent, owner, id, title, left, top, width, height, kDefaultStyle) {}
  TMacButtonKind(CWnd* parent, int16_t id, TMacDialogItem* owner)
      : TMacButtonBase(parent, id, owner, kDefaultStyle) {}

  bool IsMemberClass(int16_t id) const override { return id == kClassID; }
  int16_t GetClassIDAt(int16_t) const override { return kClassID; }
};

class TMacRadio : public TMacButtonKind<315, 0x50000004> {
  DECLARE_DYNCREATE(TMacRadio)

 public:
  using TMacButtonKind::TMacButtonKind;

 protected:
  void Clicked() override { StepValue(); }
  bool DrawsThroughOwner() const override { return true; }
};

class TMacButton : public TMacButtonBase {
  DECLARE_DYNCREATE(TMacButton)

 public:
  static constexpr int16_t kClassID = 313;

  TMacButton() = default;
  // The style always comes from the item; `unused` is the creators' historical flag.
  TMacButton(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title, int32_t left,
             int32_t top, int32_t width, int32_t height, int16_t unused = 0)
      : TMacButtonBase(parent, owner, id, title, left, top, width, height, 0) {
    static_cast<void>(unused);
  }
  TMacButton(CWnd* parent, int16_t id, TMacDialogItem* owner)
      : TMacButtonBase(parent, id, owner, 0x50000004) {}

  bool IsMemberClass(int16_t id) const override { return id == kClassID; }
  int16_t GetClassIDAt(int16_t) const override { return kClassID; }

 protected:
  void Clicked() override;
  bool DrawsThroughOwner() const override { return true; }
};

class TMacCheckBox : public TMacButtonKind<316, 0x50000002> {
  DECLARE_DYNCREATE(TMacCheckBox)

 public:
  using TMacButtonKind::TMacButtonKind;

 protected:
  void Clicked() override { StepValue(); }
  bool DrawsThroughOwner() const override { return true; }
};

class TMacCluster : public TMacButtonKind<308, 0x50000007> {
  DECLARE_DYNCREATE(TMacCluster)

 public:
  using TMacButtonKind::TMacButtonKind;
};

// Dispatches an owner-draw request to the item: whole item, selection or focus.
void DrawThroughItem(TMacDialogItem* owner, const DRAWITEMSTRUCT* draw);
