#pragma once
// The view that encloses a document window's world display and draws it for every view inside
// it. It keeps two damage regions, deep (redraw from the background up) and shallow (redraw
// from the objects up), with the deep region always inside the shallow one, and runs a
// protected update in three passes: background, objects and overlay. A failure inside drawing
// ends the update quietly and throws the pending paint away. Concrete managers add pictures for
// the passes; making them is paced (at most every 600 ticks unless forced) and running out of
// memory for them is shown at most every 1800 ticks.

#include <cstdint>

#include "core/port/PortRegion.h"
#include "views/offscreen/GroupView.h"
#include "views/offscreen/WorldView.h"

class TOffScreenMgr : public TWorldView, public TBufferedView {
  DECLARE_CLASS_ID(531, TWorldView)

 public:
  static constexpr int32_t kBackgroundPass = 0;
  static constexpr int32_t kObjectsPass = 1;
  static constexpr int32_t kOverlayPass = 2;
  static constexpr int32_t kRebuildInterval = 600;  // ticks
  static constexpr int32_t kAlertInterval = 1800;   // ticks
  static constexpr uint32_t kMainDisplayMemoryMessage = 0xFFFF05E2;
  static constexpr uint32_t kOtherMemoryMessage = 0xFFFF05E1;

  TOffScreenMgr() = default;
  ~TOffScreenMgr() override;

  virtual void Init(CDocument* document, TWrappedWindow* parent, TViewPoint location,
                    TViewPoint size, int32_t horizontalRule, int32_t verticalRule);

  // Pictures.
  virtual void ReleaseBuffers();
  virtual void ReleaseShallowBuffer() {}
  virtual void ReleaseDeepBuffer() {}
  // Makes the pictures again; unforced, not before the next rebuild time.
  virtual void RebuildBuffers(bool force);
  void ReallocateBuffers(bool force) override { RebuildBuffers(force); }
  virtual void AllocShallowBuffer() {}
  virtual void AllocDeepBuffer() {}

  // Damage, in the manager's coordinates.
  virtual void NoteInvalid(const MacRect&) {}
  virtual void AddShallow(const MacRect& rect);
  virtual void AddDeep(const MacRect& rect);
  virtual void RemoveAll(const MacRect& rect);
  virtual void RemoveDeep(const MacRect& rect);

  // The passes.
  virtual void BeginUpdate() {}
  virtual void EndUpdate() { pass_ = kOverlayPass; }
  virtual void BeginBackground() { pass_ = kBackgroundPass; }
  virtual void BeginObjects() { pass_ = kObjectsPass; }
  virtual void BeginOverlay() { pass_ = kOverlayPass; }
  virtual void EndBackground() {}
  virtual void EndObjects() {}
  virtual void EndOverlay() {}
  int32_t GetCurrentPass() const { return pass_; }
  static bool IsOverlayPass(int32_t pass) { return pass == kOverlayPass; }
  virtual RegionRec* GetDeepRegion();
  virtual RegionRec* GetShallowRegion();
  // The whole client area of the enclosing view's window (or of the current port's).
  virtual RegionRec* GetOverlayRegion();
  virtual void PrepareBackground();
  virtual void PrepareObjects();
  virtual void PrepareOverlay();
  virtual void BeginDeepExtras() { pass_ = kBackgroundPass; }
  // Whether views are clipped to the region of the pass being drawn.
  virtual bool ClipsToPasses() const { return true; }

  // Out of memory for the pictures.
  virtual void ReportFailure(int16_t error, int32_t message);
  virtual bool IsMainDisplay() const { return false; }
  virtual void BuffersRebuilt() {}
  virtual bool CanFreeMemory() { return false; }
  virtual bool UsesMemoryReserve() const { return false; }
  void AllowRebuildNow() { nextRebuild_ = 0; }
  uint32_t NextRebuildTime() const { return nextRebuild_; }

  bool IsActive() const { return active_ != 0; }
  // How many updates have begun: a view tells by it that what it drew in one pass belongs to
  // the update whose next pass it is drawing.
  uint32_t UpdateCount() const { return updates_; }
  // The protected update; `DrawContents` runs it too.
  virtual void ProtectedUpdate();
  // Binds the manager's window port and runs the update at once.
  virtual void DrawNow();

  // Window-layer operations.
  void Open() override;
  void Close() override;
  void Resize(int32_t width, int32_t height, bool invalidate) override;
  void Activate(bool on) override;
  void Show(bool show, bool invalidate) override;
  bool Focus() override;
  void SetClip(const MacRect& rect, int16_t dh, int16_t dv) override;
  void DrawContents() override { ProtectedUpdate(); }
  void InvalidateShallow(const MacRect& rect) override;
  void InvalidateDeep(const MacRect& rect) override;
  void Validate(const MacRect& rect) override;
  void ValidateDeep(const MacRect& rect) override;
  void BeginDeepPass(const MacRect& rect) override;
  void BeginShallowPass(const MacRect&) override {}
  void BeginOverlayPass(const MacRect&) override {}
  bool IsDrawnOffScreen() const override { return true; }
  void ClearPendingFlags() override;

 protected:
  // The regions, made and deleted by the concrete managers.
  RegionRec*& DeepRegionField() { return deep_; }
  RegionRec*& ShallowRegionField() { return shallow_; }
  // Draws the pass in every enclosed view that the region concerns.
  using PassDraw = void (TWorldView::*)(const MacRect&);
  void DrawPass(PassDraw draw, const RegionRec* region, bool clip);
  void DrawDeepExtrasPass(bool clip);

 private:
  void RunBackgroundPass(bool clip);
  void RunObjectsPass(bool clip);
  void RunOverlayPass(bool clip);
  void RebuildFailed(int16_t error, int32_t message, bool hadDeep, bool done);

  int16_t active_ = 0;
  RegionRec* shallow_ = nullptr;
  RegionRec* deep_ = nullptr;
  int32_t pass_ = kOverlayPass;
  uint32_t nextRebuild_ = 0;
  uint32_t updates_ = 0;
  RegionRec* overlay_ = nullptr;
};

// A manager that keeps only its two regions and draws straight into its window.
class TDumbOffScreenMgr : public TOffScreenMgr {
  DECLARE_CLASS_ID(532, TOffScreenMgr)

 public:
  void AllocShallowBuffer() override;
  void AllocDeepBuffer() override;
  void ReleaseShallowBuffer() override;
  void ReleaseDeepBuffer() override;
};

// What managers share program-wide: the time before which no memory alert is shown, the flag a
// rebuild sets for the manager window's painting, and how failures are shown.
struct TOffScreenGlobals {
  uint32_t alertTime = 0;
  bool rebuildStarted = false;
  // Shows a failure; null shows nothing.
  void (*showError)(int16_t error, int32_t message) = nullptr;
  // The application's idle clock: the last idle time is set so that the next idle walk waits.
  void (*holdIdleUntil)(uint32_t tick) = nullptr;
  uint32_t idleInterval = 0;
};
TOffScreenGlobals& OffScreenGlobals();
// The current tick count of the off-screen machinery (sixtieths of a second).
uint32_t OffScreenTicks();

// Builds the double-buffered manager of a document window inside `enclosing`, a little larger
// than it (the system's border on each side); -108 when the enclosing view has no drawing port.
// The manager belongs to its window.
TOffScreenMgr* BuildOffScreenManager(CDocument* document, TWrappedWindow* enclosing);
