#pragma once
// The child windows of world views. They draw nothing themselves: the off-screen manager's
// window composes the whole world display, so a view window hands the area it must paint on to
// its parent. They sit at the bottom of their siblings and never erase. The main world view's
// window also keeps the view's cursor as the mouse moves over it.

#include <cstdint>

#include "ui/views/OwlView.h"

// What the main world view's window asks of its view: the cursor resource now wanted (0 the
// standard arrow).
class TCursorSource {
 public:
  virtual uint32_t CurrentCursorResource() const = 0;

 protected:
  ~TCursorSource() = default;
};

class TOwlOffScreenView : public TOwlView {
  DECLARE_DYNCREATE(TOwlOffScreenView)

 public:
  TOwlOffScreenView();
  TOwlOffScreenView(CWnd* parent, const char* name, const TViewPoint& location,
                    const TViewPoint& size);
  const char* GetClassName() const override { return "TOwlOffScreenView"; }
  // Paint forwarding: the damaged part of this window is invalidated in the parent, in the
  // parent's client coordinates, without erasing.
  void OnDraw(CDC* dc) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

struct REQRESIZE;

class TOwlOffScreenMainWorldView : public TOwlOffScreenView {
  DECLARE_DYNCREATE(TOwlOffScreenMainWorldView)

 public:
  // The in-place label editor, a rich edit control, has this identifier.
  static constexpr UINT_PTR kLabelEditorId = 651;

  TOwlOffScreenMainWorldView();
  TOwlOffScreenMainWorldView(CWnd* parent, const char* name, const TViewPoint& location,
                             const TViewPoint& size);
  const char* GetClassName() const override { return "TOwlOffScreenMainWorldView"; }
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // Loads and sets the view's cursor when it is not the one shown.
  void UpdateCursor();
  // Gives the label editor the size it asks for; what it uncovers is drawn again at once.
  void ResizeLabelEditor(const REQRESIZE& request);
};
