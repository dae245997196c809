#pragma once
// The root view of a document window: a window object that remembers its off-screen manager
// sub-view and lets it renew its buffers before the window is drawn, keeps the chain of command
// whole when its target changes, and saves and restores its frame's placement.

#include <cstdint>

#include "platform/win32/WindowPlacement.h"
#include "ui/views/OwlSubview.h"
#include "views/furniture/PaletteWindow.h"

// What the root view asks of its off-screen manager (the double-buffered view): renew the
// buffers, at once when forced, else only when the manager's waiting time has passed.
class TBufferedView {
 public:
  static constexpr int16_t kManagerClassID = 531;
  virtual void ReallocateBuffers(bool force) = 0;

 protected:
  ~TBufferedView() = default;
};

class TGroupView : public TWorldPaletteLayer {
  DECLARE_CLASS_ID(449, TWorldPaletteLayer)

 public:
  TGroupView() = default;

  void AddSubview(TWrappedWindow* view) override;
  void RemoveSubview(TWrappedWindow* view) override;
  void ActivateWithWindow(int16_t on, int16_t withWindow) override;
  // The link of the chain of command that led to the old target leads to the new one.
  void SetTargetView(TWrappedWindow* view) override;

  // Renews the off-screen buffers (unless forced by time) before the window's update area is
  // drawn; nothing when there is nothing to draw.
  virtual void UpdateWithBuffers();

  void SaveFramePlacement(WINDOWPLACEMENT* placement) const;
  void RestoreFramePlacement(const WINDOWPLACEMENT* placement) const;

  TWrappedWindow* GetOffScreenManager() const { return manager_; }

 private:
  TWrappedWindow* manager_ = nullptr;
};

// Lets the window layer make group views for the windows it builds.
void RegisterGroupView();
