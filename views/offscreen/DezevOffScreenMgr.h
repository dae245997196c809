#pragma once
// The double-buffered manager of a document window: the background picture holds what changes
// seldom and is redrawn only where it is stale; the display picture receives a copy of the
// background and then the objects; the window receives a copy of the display picture, limited
// to the part of the window that is invalid. Its own window never erases and paints over its
// child windows.
//
// The manager's passes map onto the pictures: background pass = background picture (deep
// region = background-stale region), objects pass = display picture (shallow region =
// display-stale region), overlay pass = the window (overlay region = screen-invalid region).

#include <cstdint>
#include <memory>

#include "ui/views/OwlView.h"
#include "views/offscreen/OffScreenBitmap.h"
#include "views/offscreen/OffScreenMgr.h"

class TDezevOffScreenMgr : public TOffScreenMgr {
  DECLARE_CLASS_ID(391, TOffScreenMgr)

 public:
  static constexpr int32_t kTargetBackground = 0;
  static constexpr int32_t kTargetDisplay = 1;
  static constexpr int32_t kTargetScreen = 2;

  TDezevOffScreenMgr() = default;
  ~TDezevOffScreenMgr() override;

  // Makes the manager's own window inside the superview, places the manager and sets the whole
  // window invalid. A window that cannot be made raises -108.
  void InitOffScreenMgr(CDocument* document, TWrappedWindow* superview, TViewPoint location,
                        TViewPoint size, int32_t horizontalRule, int32_t verticalRule);

  // One drawing pass, only when both pictures exist.
  void DrawAll();
  // Paints the window at once.
  void Update() override;
  // which: 1 the display picture, 0 the background; other values leave the places untouched.
  void GetBufferInfo(int16_t which, HDC* dc, HBITMAP* bitmap, int16_t* width,
                     int16_t* height) const;
  void CopyBackgroundToDisplay();
  void CopyDisplayToScreen();
  // One rectangle (manager coordinates) of the background copied into the display picture, or
  // of the display picture onto the window ahead of the next paint; what is stale stays so.
  void CopyBackgroundRectToDisplay(const MacRect& rect);
  void CopyDisplayRectToScreen(const MacRect& rect);
  void ClearBackground();
  void CheckBuffers() override;
  void UpdateNow() override;
  void FreeDisplayBuffer();
  void FreeBackgroundBuffer();
  void AllocateDisplayBuffer();
  void AllocateBackgroundBuffer();
  // The rectangle (view coordinates) must be copied to the window again.
  void InvalidateWindowRect(const MacRect& rect);
  void BeginDrawing() {}
  void EndDrawing() { target_ = kTargetScreen; }
  void TargetBackgroundBuffer();
  void TargetDisplayBuffer();
  void TargetScreen();
  void ReleaseBackgroundBuffer();
  void ReleaseDisplayBuffer();
  void ClearScreenInvalid();
  RegionRec* GetScreenInvalidRegion() const { return screenInvalid_; }
  int32_t CurrentTarget() const { return target_; }
  bool IsDrawing() const { return drawing_ != 0; }
  TOffScreenBitmap* DisplayBuffer() const { return display_.get(); }
  TOffScreenBitmap* BackgroundBuffer() const { return background_.get(); }

  // The manager's hooks, on the pictures.
  bool Focus() override;
  void AllocShallowBuffer() override { AllocateDisplayBuffer(); }
  void AllocDeepBuffer() override { AllocateBackgroundBuffer(); }
  void ReleaseShallowBuffer() override { FreeDisplayBuffer(); }
  void ReleaseDeepBuffer() override { FreeBackgroundBuffer(); }
  void NoteInvalid(const MacRect& rect) override { InvalidateWindowRect(rect); }
  void BeginUpdate() override { BeginDrawing(); }
  void EndUpdate() override;
  void BeginBackground() override;
  void BeginObjects() override;
  void BeginOverlay() override;
  void EndBackground() override { ReleaseBackgroundBuffer(); }
  void EndObjects() override { ReleaseDisplayBuffer(); }
  void EndOverlay() override { ClearScreenInvalid(); }
  void PrepareBackground() override { ClearBackground(); }
  void PrepareObjects() override { CopyBackgroundToDisplay(); }
  void PrepareOverlay() override { CopyDisplayToScreen(); }
  RegionRec* GetOverlayRegion() override;
  bool IsMainDisplay() const override { return true; }
  // Views are clipped to the pass regions only while a drawing pass runs; outside it they draw
  // feedback straight on the window.
  bool ClipsToPasses() const override { return drawing_ != 0; }
  void ProtectedUpdate() override;

 protected:
  // Makes a picture of the view's size with the reference context; tests give one that fails.
  virtual std::unique_ptr<TOffScreenBitmap> MakeBitmap(HDC reference);

 private:
  void Allocate(std::unique_ptr<TOffScreenBitmap>& buffer, RegionRec*& stale);
  void Target(TOffScreenBitmap* buffer, int32_t target);
  void Release(TOffScreenBitmap* buffer, int32_t target);
  void BindBuffer(TOffScreenBitmap& buffer);
  void EnsureScreenInvalid();

  std::unique_ptr<TOffScreenBitmap> display_;
  std::unique_ptr<TOffScreenBitmap> background_;
  RegionRec* screenInvalid_ = nullptr;
  int16_t drawing_ = 0;
  int32_t target_ = kTargetScreen;
};

// The manager's window: it keeps no WS_CLIPCHILDREN, so its copies cover its children; it
// never erases; painting copies from the pictures once they have been made.
class TOwlOffScreenMgr : public TOwlView {
  DECLARE_DYNCREATE(TOwlOffScreenMgr)

 public:
  static constexpr UINT kControlId = 59698;
  static constexpr UINT kClassStyle = 0x1008;  // double clicks, byte-aligned client

  TOwlOffScreenMgr();
  TOwlOffScreenMgr(CWnd* parent, const TViewPoint& location, const TViewPoint& size);
  const char* GetClassName() const override { return "TOwlOffScreenMgr"; }
  BOOL CreateView(CCreateContext* context, CWnd* parent) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void OnPaint();
};
