#pragma once
// The common base of every control a user places on the world window rather than in the world:
// inputs, meters, action buttons, text and pictures. A gadget is a world object whose geometry is
// an axis-aligned rectangle in the view's pixels (y down), not in world units. It is not a
// window: it draws into the world view's port when the view draws.

#include <cstdint>

#include "core/MacTypes.h"
#include "core/Tag.h"
#include "model/Link.h"
#include "model/world/WorldParticipants.h"

// Position of the gadget, v then h; its size is kept by the classes that have one.
inline constexpr int16_t kBlockGadgetPosition = 5001;
// Command number of the tracker that resizes a gadget from a corner.
inline constexpr int16_t kCommandResizeGadget = 2001;

inline constexpr uint32_t kGadgetTag = MakeTag("gadg");
inline constexpr uint32_t kTagGadgetLeft = MakeTag("gph_");
inline constexpr uint32_t kTagGadgetTop = MakeTag("gpv_");
inline constexpr uint32_t kTagGadgetWidth = MakeTag("gsh_");
inline constexpr uint32_t kTagGadgetHeight = MakeTag("gsv_");

// Corners of the gadget rectangle, as HitCorner and ResizeFromCorner number them.
enum GadgetCorner : int16_t {
  kCornerTopLeft = 0,
  kCornerTopRight = 1,
  kCornerBottomLeft = 2,
  kCornerBottomRight = 3
};

class TGadget : public TSingleStyleLink, public TWindowGadget {
  DECLARE_CLASS_ID(398, TSingleStyleLink)

 public:
  // Smallest width and height; selection handles reach this far beyond the frame.
  static constexpr int16_t kMinimumSide = 12;
  static constexpr int16_t kInvalidMargin = 3;
  static constexpr int16_t kCornerTolerance = 5;
  // Extra pixels of a gadget's line height over its font's ascent plus descent.
  static constexpr int16_t kLineHeightExtra = 4;
  // Numbered properties: the index-based access that formulas and dialogs use.
  static constexpr int16_t kIndexLeft = 17;
  static constexpr int16_t kIndexTop = 18;
  // Tool codes of the cursor areas: the selection tool, and tool 2010, under which a text frame
  // is typed into at a press.
  static constexpr int16_t kSelectionCode = 2000;
  static constexpr int16_t kTextAreaCode = 2010;

  TGadget() = default;
  ~TGadget() override;

  void Initialize() override;

  // Mouse tracking of a press (phase 0 begin, 1 move, 2 end); true when the state changed.
  virtual bool TrackClick(int16_t /*phase*/, MacPoint /*point*/, bool /*inside*/) {
    return false;
  }
  // True when a press ends at once.
  virtual bool TrackingDone() { return true; }
  virtual void AdjustSize();
  virtual void SetSize(MacPoint size);
  void GrowBy(MacPoint delta);
  // Sets the size through ConstrainSize, keeping the corner opposite to corner where it was.
  void ResizeFromCorner(int16_t corner, MacPoint size);
  virtual void ConstrainSize(MacPoint& size);
  void MoveBy(MacPoint delta);
  MacRect WindowFrame() const override { return GetFrame(); }
  void OffsetOnWindow(int16_t dh, int16_t dv) override { MoveBy(MacPoint(dh, dv)); }
  MacRect GetFrame() const;
  virtual MacRect GetDrawFrame() const { return GetFrame(); }
  virtual bool HitsControl(MacPoint /*point*/) { return false; }
  virtual void UpdateControlState() {}
  virtual void DrawContents(const MacRect& /*area*/) {}
  // The frame grown by 3 pixels: what is redrawn, selection handles included.
  virtual MacRect GetInvalidFrame() const;
  // The pixel width of the name in the gadget's font, measured once until the name or the
  // style changes.
  int16_t GetLabelWidth();
  virtual bool IsGraph() const { return false; }
  virtual void InvalidateContent() {}

  MacPoint GetPosition() const { return position_; }
  MacPoint GetSize() const { return size_; }
  int16_t GetLineHeight() const { return lineHeight_; }
  int16_t GetAscent() const { return ascent_; }
  int16_t GetDescent() const { return descent_; }

  // Hit tests. A corner is hit within 5 pixels (inclusive) of both its edges; the frame excludes
  // its right and bottom edges.
  bool HitCorner(MacPoint point, int16_t& corner) const;
  bool ContainsPointInFrame(MacPoint point) const;
  virtual bool ContainsPoint(MacPoint point) { return ContainsPointInFrame(point); }
  // True when the whole frame lies inside the rectangle.
  bool IntersectsRect(const MacRect& rect) const;
  // Inverts the four 5 by 5 handles when the selection state changes.
  void DrawSelection(bool was, bool is) const;
  // Flags bit 0: the outline only, in grey; otherwise the contents on white.
  void Draw(const MacRect& area, uint16_t flags) override;

  // Cursor areas: the handle, label and third regions for a tool (any may be null). For the
  // selection tool the frame is cut out of the third region, or added to it when RegionMode
  // answers true.
  virtual bool RegionMode() const { return false; }
  virtual void BuildRegion(RegionRec* first, RegionRec* second, RegionRec* third, int16_t code);
  void MergeFrameIntoRegion(const MacRect& rect, RegionRec* region) const;
  // Adds the rectangle to a region and cuts it out of another (either may be null).
  static void MoveRectIntoRegion(const MacRect& rect, RegionRec* into, RegionRec* outOf);

  // The world window's view of the gadget.
  void DrawOnWindow(const MacRect& area) override { Draw(area, 0); }
  bool HitsWindowControl(MacPoint point) override { return HitsControl(point); }
  bool PressWindowControl(int16_t phase, MacPoint point) override {
    return TrackClick(phase, point, ContainsPoint(point));
  }
  bool PressEndsAtOnce() override { return TrackingDone(); }
  // The handles are the frame's corners: a dragged corner resizes the gadget, the opposite
  // corner staying.
  bool HitWindowHandle(MacPoint point, int16_t& handle) override { return HitCorner(point, handle); }
  void AddWindowCursorAreas(RegionRec* handles, RegionRec* labels, RegionRec* third,
                            int16_t tool) override {
    BuildRegion(handles, labels, third, tool);
  }
  void DrawWindowSelection() override { DrawSelection(false, true); }
  bool DragWindowHandle(int16_t handle, MacPoint point) override;

  // Another gadget this one refers to; anything else is refused.
  void SetLinkedGadget(TLink* gadget);
  TGadget* GetLinkedGadget() const { return linked_; }
  void ObjectRemoved(TLink* object) override;

  void SetName(const Str255& name) override;
  void SetShowName(bool on);
  bool ShowsName() const { return IsNameShown() != 0; }
  // The text style changed: the line metrics and the size follow.
  void TextStyleChanged();

  // Invalidates an area of the owner's views.
  void InvalidateArea(const MacRect& area) const;
  void Invalidate() const { InvalidateArea(GetInvalidFrame()); }

  // Properties.
  bool HasProperty(uint32_t tag) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  // Index-based access: 17 the left edge, 18 the top; false for other indices.
  bool GetNumberedValue(int16_t index, double& value);
  bool SetNumberedValue(int16_t index, double value);
  static uint32_t TagForIndex(int16_t index);

  // Filing.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 protected:
  void SetLineMetrics(int16_t ascent, int16_t descent);
  // Stores the size without invalidation or notification (layout and reading).
  void StoreSize(MacPoint size) { size_ = size; }

 private:
  TGadget* linked_ = nullptr;
  MacPoint position_;
  MacPoint size_;
  int16_t labelWidth_ = 0;
  bool labelWidthValid_ = false;
  int16_t ascent_ = 0;
  int16_t descent_ = 0;
  int16_t lineHeight_ = 0;
};

void RegisterGadgetClasses();
