#pragma once
// The roots of floating palettes (windows that stay beside the documents): the registered root
// class and its two bases, the application's and the world views'. Activated, a palette that
// wants the command target makes its handler the current target; deactivating never moves the
// target.

#include <cstdint>

#include "ui/views/OwlSubview.h"

class TPaletteWindow : public TOwlSubview {
  DECLARE_CLASS_ID(393, TOwlSubview)

 public:
  TPaletteWindow() = default;
  static TObject* CreateObject();

  // The handler that becomes the target (the window's target view unless set).
  void SetTargetHandler(TTargetHandler* handler) { targetHandler_ = handler; }
  TTargetHandler* GetTargetHandler() const;
  void SetWantsTarget(bool wants) { wantsTarget_ = wants ? 1 : 0; }
  bool WantsTarget() const { return wantsTarget_ != 0; }

 protected:
  // Makes the handler the current target when activating and the palette wants it.
  void TakeTargetIfWanted(bool activating);

 private:
  void* held_ = nullptr;  // not owned
  TTargetHandler* targetHandler_ = nullptr;
  int16_t wantsTarget_ = 0;
};

// The base of the application's palette.
class TAppPaletteBase : public TPaletteWindow {
  DECLARE_CLASS_ID(394, TPaletteWindow)

 public:
  void Activate(bool on) override;
};

// The base of the world views' palettes.
class TPaletteBaseLayer : public TPaletteWindow {
  DECLARE_CLASS_ID(395, TPaletteWindow)

 public:
  void Activate(bool on) override;
};

class TWorldPaletteLayer : public TPaletteBaseLayer {
  DECLARE_CLASS_ID(448, TPaletteBaseLayer)

 public:
  int16_t GetPaletteNumber() const { return paletteNumber_; }

 private:
  int16_t paletteNumber_ = 20000;
};

// Enters the palette root under "pltt" in the class registry.
void RegisterPaletteWindow();
