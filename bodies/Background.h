#pragma once
// The world's background TZeroMass (663, "zero"): the massless body numbered 0 that stands for
// the fixed ground. Its bounds are the part of the world the view shows; it can draw the
// coordinate axes through the origin (command 1076); it is never selected, never hit and files
// only block 5205.
//
// Contents:
//   1. Registration, lifecycle, the axes command   Background.cpp
//   2. View, bounds and axes                       Background.cpp
//   3. Filing: block 5205                          Background.cpp

#include <cstdint>

#include "bodies/Body.h"

inline constexpr int16_t kBlockBackground = 5205;
inline constexpr int16_t kCmdShowAxes = 1076;
// Green-blue, named by channel: the colour record keeps blue before green.
inline constexpr RGB16Color kAxisColour{.red = 0x0241, .blue = 0xAB54, .green = 0xEAFF};

class TZeroMass : public TMass {
  DECLARE_CLASS_ID(663, TMass)

 public:
  static constexpr uint32_t kTag = MakeTag("zero");
  static void RegisterClass();
  static TObject* CreateObject();

  // ---- 1. Lifecycle and commands ----
  void Initialize() override;
  Str255 GetKindName() const override { return "Background"; }
  void SetShowAxes(uint16_t show);
  // The background lies under everything and hides nothing.
  uint16_t IsHitTarget() override { return 0; }
  // The background is no body one edits: it is never selected and has no properties dialog.
  bool CanBeSelected() const override { return false; }
  int16_t GetObjectKindCode() const override { return 0; }
  uint16_t GetShowAxes() const { return showAxes_; }
  // Command 1076 is enabled and checked while the axes show.
  bool GetCommandState(int16_t command, uint16_t& enabled, uint16_t& mark) override;
  void DoCommandValue(int16_t command, uint16_t value) override;
  // Command 1076, checked while the axes show; the background offers no body's commands.
  void DoSetupMenus() override;
  // Command 1076 toggles the axes at once; the background takes no other number.
  std::unique_ptr<TCommandCore> DoObjectMenuCommand(int16_t command, bool& handled) override;

  // ---- 2. View, bounds and axes ----
  // The view's screen area, (0, 0) to size.
  void SetViewSize(const MacPoint& size) override;
  void ValidateScreenTransform(const Transform2D& view) override;
  void Draw(const MacRect& area, uint16_t flags) override;
  bool IsXAxisShown() const { return xAxisShown_ != 0; }
  bool IsYAxisShown() const { return yAxisShown_ != 0; }
  void GetXAxis(MacPoint& from, MacPoint& to) const { from = xAxisFrom_, to = xAxisTo_; }
  void GetYAxis(MacPoint& from, MacPoint& to) const { from = yAxisFrom_, to = yAxisTo_; }
  // The background never moves, is never hit and is never anchored or attached.
  void SetPlacement(const TVector3&) override {}
  void SetShownFrame(const TVector3&, double, double) override {}
  void MoveBy(const TVector&) override {}
  void LocalToWorld3(TVector3&) override {}
  void LocalToWorld(TVector&) override {}
  void WorldToLocal3(TVector3&) override {}
  void WorldToLocal(TVector&) override {}
  bool HitTest(const MacPoint&) override { return false; }
  bool HitTestRect(const MacRect&) override { return false; }
  bool HitTestLocal(const TVector&) override { return false; }
  bool IsAnchored() override { return false; }
  bool IsInAttachChain(TMass*) override { return false; }
  // Joining another body to the background joins that body to it.
  void JoinTo(TMass* body) override;

  // ---- 3. Filing ----
  void WriteTo(TObjectWriter& writer, int16_t flag) override;
  void WriteFields(TObjectWriter& writer) override;
  uint16_t CanReadBlock(int16_t code) override { return code == kBlockBackground ? 1 : 0; }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;

 private:
  void ComputeBoundsFromView();
  void ComputeAxes(const Transform2D& view);

  uint16_t showAxes_ = 0;
  MacRect viewRect_{0, 0, 1024, 1024};
  uint16_t boundsDirty_ = 1;
  uint16_t axesDirty_ = 0;
  uint16_t xAxisShown_ = 0;
  uint16_t yAxisShown_ = 0;
  MacPoint xAxisFrom_, xAxisTo_;
  MacPoint yAxisFrom_, yAxisTo_;
};
