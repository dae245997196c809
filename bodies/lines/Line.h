#pragma once
// Lines: plain drawing elements of a world, a segment between two world points with no part in
// the simulation, and the handler that keeps the world's lines for the link-kind converter and
// the views.
//
// Contents:
//   1. TLine (514): ends, centre and transforms, properties, hits, snapping, drawing,
//      DXF LINE, block 5025, the converter's joined flags                    Line.cpp
//   2. TLineHandler (513): the lists of all and of the selected lines, the
//      nearest free end, block 5026                                          LineHandler.cpp

#include <cstdint>
#include <memory>
#include <vector>

#include "bodies/DXFOutput.h"
#include "core/List.h"
#include "core/geometry/Transform2D.h"
#include "model/Thing.h"
#include "model/world/WorldParticipants.h"

class TLineHandler;
class TWorldDoc;

inline constexpr uint32_t kLineTag = MakeTag("Line");
inline constexpr uint32_t kLineHandlerTag = MakeTag("LinH");
inline constexpr uint32_t kTagLineEnd1X = MakeTag("lp1X");
inline constexpr uint32_t kTagLineEnd1Y = MakeTag("lp1Y");
inline constexpr uint32_t kTagLineEnd2X = MakeTag("lp2X");
inline constexpr uint32_t kTagLineEnd2Y = MakeTag("lp2Y");
// The object-stream resource of a new line.
inline constexpr int16_t kLineTemplateResource = 2549;

// Whether a click at offset (ph, pv) from a segment's first end lies on the segment whose second
// end is at (dh, dv) from the first: under 6 pixels from a horizontal or vertical segment, else
// under 5 in the nearer of the two axis directions.
bool HitTestLine(int32_t ph, int32_t pv, int32_t dh, int32_t dv);

class TLine : public TThing, public TDXFExportable {
  DECLARE_CLASS_ID(514, TThing)

 public:
  static constexpr int16_t kBlockLine = 5025;

  static TObject* CreateObject();
  TLine() = default;
  ~TLine() override;
  void Initialize() override;

  // ---- Ends, centre, transforms ----
  TVector GetEndPoint1() const { return end1_; }
  TVector GetEndPoint2() const { return end2_; }
  void SetEndPoint1(const TVector& point, uint16_t notify);
  void SetEndPoint2(const TVector& point, uint16_t notify);
  void UpdateCentre();
  void UpdateScreenPoints();
  void UpdateTransform();
  void InvalidateTransform();
  // After a change of view: the screen data are made again when next asked for.
  void ScreenChanged();
  // The view's world-to-screen transform, through which the ends are drawn.
  void SetViewTransform(const Transform2D& view) override;
  void GetDrawTransform(Transform2D& t) override { t = view_; }
  void LineChanged();
  void GetPosition(TVector& position) override;
  void GetPlacement(TVector3& placement) override;
  // Puts the centre at c; length and direction stay.
  void MoveTo(const TVector& centre);
  void MoveBy(const TVector& delta) override;
  void GetLocalToWorldTransform(Transform2D& t) override;
  // The screen transform from the view's transform, made when stale.
  const Transform2D& GetScreenTransform(const Transform2D& view);
  MacPoint GetScreenMidPoint();
  TVector GetScreenMid();
  MacPoint GetScreenEnd1() { UpdateScreenPoints(); return screenEnd1_; }
  MacPoint GetScreenEnd2() { UpdateScreenPoints(); return screenEnd2_; }

  // ---- Properties ----
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  int16_t GetTemplateResource() const { return kLineTemplateResource; }

  // ---- Selection, hits, snapping ----
  bool IsSelected() const { return IsStateBit0Set(); }
  void SetSelected(uint16_t selected, uint16_t redraw);
  bool HitTest(const MacPoint& point);
  bool IsInRect(const MacRect& rect);
  // End 1 is handle 0, end 2 handle 1; each within 3 pixels.
  bool HitHandle(const MacPoint& point, int32_t& handle);
  // An end within tolerance (world units) of the point; both outputs are the end.
  bool SnapTest(double tolerance, const TVector& point, TVector& snap, TVector& snapCopy,
                int16_t& kind);

  // ---- Drawing and export ----
  void DrawShape(const MacRect& area, uint16_t mode) override;
  void DrawLine(uint16_t mode);
  static void DrawThickLine(MacPoint p1, MacPoint p2);
  void DrawHandles();
  bool ExportDXF(TDXFOutput& writer, int16_t kind) override;
  bool SupportsExport(int16_t command) const override { return IsDrawingExport(command); }
  bool HandlesCommand(int16_t command) const { return command == 1711 || command == 1712; }
  void ReportShapeBlocks(BlockCallback callback, void* context) override;

  // ---- The converter's flags ----
  uint16_t IsEnd1Joined() const { return end1Joined_; }
  uint16_t IsEnd2Joined() const { return end2Joined_; }
  uint16_t IsJoined() const { return joined_; }
  void SetEnd1Joined(uint16_t flag);
  void SetEnd2Joined(uint16_t flag);
  void SetJoined(uint16_t flag);

  // ---- Filing and the handler ----
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  int16_t GetFileWord() const { return fileWord_; }
  // Finds the line handler of the world the line lies in and joins its lists.
  TLineHandler* FindHandler();
  TLineHandler* GetHandler() const { return handler_; }

 private:
  void ResetFields();
  TWorldDoc* GetWorld() const;

  TVector end1_{0.0, 0.0};
  TVector end2_{0.0, 0.0};
  TVector centre_{0.0, 0.0};
  TVector screenMid_{0.0, 0.0};
  MacPoint screenMidPoint_{};
  uint16_t centreValid_ = 0;
  Transform2D screenTransform_;
  uint16_t screenTransformValid_ = 0;
  Transform2D transform_;
  Transform2D view_;
  uint16_t transformValid_ = 0;
  MacPoint screenEnd1_{};
  MacPoint screenEnd2_{};
  uint16_t screenPointsValid_ = 0;
  int16_t fileWord_ = 0;
  TLineHandler* handler_ = nullptr;
  uint16_t end1Joined_ = 0;
  uint16_t end2Joined_ = 0;
  uint16_t joined_ = 0;
};

class TLineHandler : public THandlerLink, public TMemberWatcher {
  DECLARE_CLASS_ID(513, THandlerLink)

 public:
  static constexpr int16_t kBlockHandler = 5026;

  static TObject* CreateObject();
  TLineHandler() = default;
  ~TLineHandler() override;
  void Initialize() override;

  void SetLineSelected(TLink* object, uint16_t selected);
  TList* GetLines() const { return lines_.get(); }
  template <class Function>
  void ForEachLine(Function function) const {
    for (int32_t i = 1; lines_ && i <= lines_->GetCount(); ++i)
      function(*static_cast<TLine*>(lines_->At(i)));
  }
  void AddLine(TLine* line);
  void RemoveLine(TLine* line);
  // Takes every line that the converter used out of the world, last first.
  void DeleteJoinedLines();
  int32_t CountSelectedLines() const { return selected_ ? selected_->GetCount() : 0; }
  TList* GetSelectedLines() const { return selected_.get(); }
  TList* CollectSelectedLines();
  // The line with the free end nearest to the point, from index (1-based, advanced past used
  // lines) on, leaving out except; end is 1 for end 1 and 0 for end 2. Null when none.
  TLine* FindNearestFreeEnd(const TVector& point, const TLine* except, int32_t& index,
                            int16_t& end) const;
  // The objects of the line template (resource 2549), read into the handler's world; the
  // caller takes them.
  std::vector<std::unique_ptr<TLink>> ReadLineTemplate();
  // The adoption notices of the world: lines join the lists, and leave them when they go.
  void AdoptChild(TLink& object);
  void ObjectInWorld(TWorldDoc& /*world*/, TLink& object) override { AdoptChild(object); }
  void ObjectRemoved(TLink* object) override;

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 private:
  std::unique_ptr<TList> lines_;
  std::unique_ptr<TList> selected_;
  std::unique_ptr<TList> scratch_;
};

// Enters the line classes in the class registry.
void RegisterLineClasses();
