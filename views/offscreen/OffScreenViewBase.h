#pragma once
// The base of every view inside a document window's world area that draws through the window's
// pictures: the main world view and the furniture around it. A master view (the main world view)
// passes the notices it receives on to its dependents, which ask it for what they cannot answer
// themselves (grid parameters, two requests); two requests go on to a companion object; and a
// caller's drawing routine can be run with one of the two pictures as the drawing port.

#include <cstdint>
#include <vector>

#include "core/geometry/Vector.h"
#include "views/offscreen/WorldView.h"

class CDocument;

// The object that receives a view's companion requests and notices.
class TViewCompanion {
 public:
  virtual void CompanionRequest(intptr_t first, intptr_t second) = 0;
  virtual void CompanionNotice(intptr_t first, intptr_t second) = 0;

 protected:
  ~TViewCompanion() = default;
};

// The grid of a scale: grid spacing, minor spacing and fine step in world units, and the minor
// divisions of a grid step. `valid` is false when the defaults were given for a scale or unit
// that is not a positive normal number.
struct TGridParameters {
  double major = 1.0;
  double minor = 0.1;
  double fine = 0.1;
  int32_t subdivisions = 10;
  bool valid = false;
};
// Grid lines 20 to 80 pixels apart at `scale` pixels per world unit, on multiples of the length
// unit `unit` (world units).
TGridParameters ComputeGridParameters(double scale, double unit);

class TOffScreenViewBase : public TWorldView {
  DECLARE_CLASS_ID(644, TWorldView)

 public:
  using DrawRoutine = void (*)(void* argument);

  TOffScreenViewBase() = default;
  // Leaves its master and lets its dependents go (they are not destroyed).
  ~TOffScreenViewBase() override;

  // Builds the view's window and places it; registers the view with its master.
  virtual void InitOffScreenView(CDocument* document, TWrappedWindow* superview,
                                 TViewPoint location, TViewPoint size, int32_t horizontalRule,
                                 int32_t verticalRule, TOffScreenViewBase* master,
                                 TViewCompanion* companion);

  // Masters and dependents.
  virtual void AddDependent(TOffScreenViewBase* view);
  virtual void RemoveDependent(TOffScreenViewBase* view);
  TOffScreenViewBase* GetMaster() const { return master_; }
  const std::vector<TOffScreenViewBase*>& Dependents() const { return dependents_; }

  // Notices, passed on to every dependent unless a class gives them meaning.
  virtual void NoticeValue(int32_t value);
  virtual void OptionChanged(int32_t, int32_t) {}
  virtual void TransformChanged();
  virtual void UpdateTransform() {}
  virtual void UpdateObjectTransforms() {}
  virtual void SetRunState(int32_t state);
  virtual void ShowPosition(int32_t value);
  virtual void ClearPosition();
  virtual int16_t AutoScroll(const MacPoint&) { return 0; }
  virtual void ScrollStateChanged(uint32_t packedPosition, const TDoubleRect& bounds);
  virtual void FrameChanged(int16_t frame, int16_t first, int16_t second);
  virtual void RunStateChanged(int32_t state);
  virtual void SettingChanged(int32_t first, int32_t second);
  virtual void TrackFeedback(const int32_t values[6]);
  virtual void ScaleChanged();
  virtual void ViewChanged();
  virtual void ViewMoved();
  virtual void MouseMoved(const MacPoint&, bool) {}
  // Where the mouse is, told to every dependent: the point in port coordinates and whether the
  // mouse lies in the view, edges included.
  virtual void TrackMouse(const TViewPoint& point);

  // Questions.
  virtual void GetDisplayDefaults(int16_t out[5]) const;
  // 0, -1, 0 and the tag "TEXT".
  virtual void GetTextDefaults(int16_t out[3], uint32_t& tag) const;
  // Grid spacing, minor spacing, fine step and subdivisions; a dependent gets its master's
  // first two answers exchanged.
  virtual void GetGridParameters(double& first, double& second, double& third, int16_t& count);
  virtual void MasterRequest(int32_t a, intptr_t b, intptr_t c);
  virtual void MasterRequestDirect(int32_t a, intptr_t b, intptr_t c);
  virtual void CompanionRequest(intptr_t first, intptr_t second);
  virtual void CompanionNotice(intptr_t first, intptr_t second);
  virtual void SetCompanion(TViewCompanion* companion) { companion_ = companion; }

  // Redraws the view and what lies under it.
  virtual void Refresh();
  virtual bool IsActive() const { return active_ != 0; }
  void Activate(bool on) override;
  // The companion hears of the cursor first.
  bool DoSetCursor(const MacPoint& portPoint, RegionRec* cursorRegion) override;

  // Runs the routine with the display (objects) or background picture as the drawing port,
  // moved and clipped to the view; nothing when the window's manager cannot draw now.
  void DrawInDisplayBuffer(DrawRoutine routine, void* argument);
  void DrawInBackgroundBuffer(DrawRoutine routine, void* argument);

 private:
  void DrawInBuffer(bool background, DrawRoutine routine, void* argument);

  TOffScreenViewBase* master_ = nullptr;
  TViewCompanion* companion_ = nullptr;
  std::vector<TOffScreenViewBase*> dependents_;
  int16_t active_ = 0;
};
