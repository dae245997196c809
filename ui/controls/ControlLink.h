#pragma once
// What every Macintosh-style control keeps beside its framework control: how it was made
// (title, parent, style, identifier, bounds), its owner item, and the handling they share:
// the normal font of the dialog and the owner's notice at creation, leaving the dialog's item
// list when the window goes, and deleting the owner item with the control.

#include <cstdint>
#include <string>

#include "platform/win32/WindowTypes.h"

class CWnd;
struct CREATESTRUCT;
class TMacDialogItem;
class TWindowsDialog;

// The reflected form of a control's WM_COMMAND notification.
inline constexpr UINT kReflectedCommand = 0xBD11;
// The client-edge rule of edits and lists: a border becomes the sunken client edge.
inline constexpr DWORD kBorderStyle = 0x00800000;
inline constexpr DWORD kClientEdgeExStyle = 0x00000200;

class TControlLink {
 public:
  TControlLink() = default;
  // A control to create: parent, owner, identifier, title and (left, top, width, height).
  TControlLink(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title, int32_t left,
               int32_t top, int32_t width, int32_t height, DWORD style);
  // A control attached to the template's control of that identifier.
  TControlLink(CWnd* parent, int16_t id, TMacDialogItem* owner, DWORD recordedStyle);

  CWnd* parent = nullptr;
  std::string title;
  DWORD style = 0;
  int16_t id = -1;
  TMacDialogItem* owner = nullptr;
  RECT bounds{};

  // The parent as a resource-laid-out dialog, or null.
  TWindowsDialog* Dialog() const;
  // Stores a style that differs.
  void SetStyle(DWORD newStyle) {
    if (newStyle != style) style = newStyle;
  }
  // After the framework's creation: the dialog's normal font, then the owner's notice.
  void Created(CWnd& control) const;
  // The window goes: the owner leaves the dialog's item list.
  void Destroying() const;
  // The control goes: the owner forgets it and is deleted with it.
  void DeleteOwner();
};

// Turns a border of the window to create into the sunken client edge.
void ApplyClientEdge(CREATESTRUCT& create);
