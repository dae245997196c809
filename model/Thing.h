#pragma once
// The common base of every object that stands in a world and is drawn there: bodies, points,
// constraints, forces, lines. A thing adds two track switches, a colour and a large set of
// operations with neutral defaults (placement, coordinate conversion, snapping, hot points,
// vertex editing, shape checks) that the derived classes give meaning.

#include <cstdint>
#include <optional>

#include "core/geometry/IntRect.h"
#include "core/geometry/Transform2D.h"
#include "core/geometry/Vector.h"
#include "model/Link.h"

class TThing;

inline constexpr int16_t kBlockThingColour = 5004;

using PartCallback = void (*)(TThing* part, void* context);
using PartTest = bool (*)(TThing* part, void* data);

class TThing : public TSingleStyleLink {
  DECLARE_CLASS_ID(629, TSingleStyleLink)

 public:
  static constexpr uint32_t kTag = MakeTag("Ting");

  void Initialize() override;
  uint16_t IsThing() const override { return 1; }

  uint16_t GetTrackMarks() const { return trackMarks_; }
  uint16_t GetTrackLine() const { return trackLine_; }
  const RGB16Color& GetColour() const { return colour_; }
  // 1 while the thing draws in whatever colour the drawing context holds.
  uint16_t IsColourDefault() const { return colourIsDefault_; }
  // The screen point of the previous track mark; none before the first one.
  const std::optional<QV_CPoint>& LastTrackPoint() const { return lastTrackPoint_; }
  void SetLastTrackPoint(const QV_CPoint& point) { lastTrackPoint_ = point; }

  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) override;
  void SetColourProperty(uint32_t tag, const RGB16Color& value) override;
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  void GetLabelAnchor(QV_CPoint& anchor) override { anchor = QV_CPoint(32767, 32767); }

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

  // Whether the thing's own menu commands are offered: while it is selected in a world that is
  // edited, not played.
  bool OffersOwnCommands() const;
  // A thing with a properties dialog of its own offers the command that opens it.
  void DoSetupMenus() override;

  // Drawing, through the current port.
  void Draw(const MacRect& area, uint16_t flags) override;
  // Sets the port's colour for the thing: with flag bit 3 always, else unless it is the default.
  virtual void ApplyColour(uint8_t flags);
  virtual void DrawShape(const MacRect&, uint16_t) {}
  // The track line since the last track point and, when track marks are on, a 2 x 2 dot at the
  // track point if it lies in the area. Non-zero flags leave the line out.
  virtual void DrawTrackMark(const MacRect& area, uint16_t flags);
  // Joins the last track point to the current one and remembers the current one. Nothing is
  // joined before there is a last point.
  virtual void DrawTrackLine(const MacRect& area, uint16_t suppress);
  // A cross at p labelled with the origin text.
  virtual void DrawLabelledCross(const MacPoint& p);

  // Placement and coordinates.
  virtual void SetPlacement(const TVector3&) {}
  virtual void MoveBy(const TVector&) {}
  virtual void FollowAttachedObject(uint16_t) {}
  virtual void ShapeChanged(uint16_t) {}
  virtual void GetPlacement(TVector3& placement);
  virtual void GetPosition(TVector& position);
  virtual void LocalToWorld3(TVector3&) {}
  virtual void LocalToWorld(TVector&) {}
  virtual void WorldToLocal3(TVector3&) {}
  virtual void WorldToLocal(TVector&) {}
  virtual void LocalPointToWorld3(const MacPoint& p, TVector3& out);
  virtual void LocalPointToWorld(const MacPoint& p, TVector& out);
  virtual void WorldToScreenOwn(const TVector& point, MacPoint& out);
  virtual void WorldToScreen(const TVector& point, MacPoint& out);
  virtual void GetLocalToWorldTransform(Transform2D& t) { t = gIdentityTransform; }
  virtual void GetWorldToLocalTransform(Transform2D& t) { t = gIdentityTransform; }
  virtual void GetReferenceFrame(Transform2D&) {}
  virtual void ComputeFrame() {}
  virtual void PlacementChanged() { Update(); }
  virtual void SetViewTransform(const Transform2D&) {}
  virtual void Update() {}
  virtual void SnapInFrame(TVector& point);
  virtual uint16_t GetLocalBounds(TDoubleRect& bounds);
  virtual void GetExtent(TVector& extent) { extent = TVector(0.0, 0.0); }
  virtual void SnapToGrid(TVector& point);
  virtual void SetAngle(double) {}
  virtual void SnapAngle(double& angle);
  virtual double GetBaseAngle() { return 0.0; }
  virtual void GetReferencePoint(TVector& point) { point = TVector(0.0, 0.0); }
  virtual uint16_t GetBounds(TDoubleRect& bounds);
  virtual void GetDrawTransform(Transform2D&) {}
  virtual void SetViewSize(const MacPoint&) {}
  virtual void GetPlacementRelativeTo(TThing* other, TVector3& out);
  virtual void GetPositionRelativeTo(TThing* other, TVector& out);
  virtual uint16_t ThingQueryA() { return 1; }

  // Hot points and vertices.
  virtual uint16_t GetHotPoint(int16_t, TVector& point);
  virtual uint16_t HasVertices() { return 0; }
  virtual uint16_t HitVertexOrEdge(const MacPoint&, int32_t&, int16_t&, int16_t&) { return 0; }
  virtual void ReportShapeBlocks(BlockCallback, void*) {}
  virtual uint16_t HasSelectedVertex() { return 0; }
  virtual void DeleteSelectedVertex() {}
  virtual void SelectVertex(int16_t, int32_t) {}
  virtual void DrawVertexMark(int16_t, int32_t, int32_t) {}
  virtual void GetHotPointRect(int16_t index, MacRect& rect);
  virtual uint16_t GetHotPointInWorld(int16_t index, TVector& point);
  virtual uint16_t GetHotPointOnScreen(int16_t index, MacPoint& point);
  virtual void InsertVertex(const int16_t&, const TVector&) {}
  virtual void DeleteVertex(const int16_t&) {}
  virtual void ThingHookN(int32_t, int32_t) {}
  virtual int32_t GetHotPointCount() { return 0; }
  virtual int32_t GetMinVertexCount() { return 0; }
  virtual void CheckShape(uint16_t) {}
  virtual uint16_t GetShapeError(uint16_t) { return 0; }
  virtual void HighlightOutline(uint16_t) {}
  virtual void PlaceParts() {}
  virtual void ThingHookR(int32_t, int32_t) {}
  virtual int32_t ThingQueryH(int32_t) { return 0; }
  virtual uint16_t IsConvertible() { return 0; }
  virtual uint16_t ThingQueryJ() { return 0; }
  virtual void VerticesChanged() {}
  virtual void DeleteAllVertices() {}
  virtual uint16_t ThingQueryK() { return 1; }
  virtual void AppendVertex(const TVector&) {}
  virtual void GetAuxVector(TVector& v) { v = TVector(0.0, 0.0); }
  virtual void GetTrackPoint(QV_CPoint& point) { GetLabelAnchor(point); }
  virtual uint16_t FindSnapPoint(double, const TVector&, int32_t, int32_t, int32_t&, uint16_t&) {
    return 0;
  }
  // The two names a script gives the hot point of the code, from the "hpAE" resource of
  // GetScriptPointResource; 1 when found.
  virtual uint16_t GetScriptPointNames(int16_t code, int32_t& foundCode, Str255& name1,
                                       Str255& name2);
  virtual uint16_t HasScriptPoints() { return 0; }
  virtual int16_t GetScriptPointResource() { return 0; }
  virtual void ForEachPart(PartCallback, void*) {}
  TThing* FirstPartThat(PartTest test, void* data);

  // What snapping asks of an object. A hot point is a place the object offers to the pointer:
  // its world position, the same point in the object's own frame, a kind (1 a point's own
  // position, 14 a polygon vertex, 15 a polygon edge, ...) and an index within the kind.
  virtual uint16_t OffersHotPoints() { return 1; }
  // Whether the object answers the pointer as something one can point at and cover with.
  virtual uint16_t IsHitTarget() { return 0; }
  // Attachable objects (points) carry attachments; two-ended ones (constraints) join two.
  virtual uint16_t IsAttachable() { return 0; }
  virtual uint16_t IsTwoEnded() { return 0; }
  virtual uint16_t CanJoin() { return 0; }
  virtual uint16_t IsJoinedTo(TThing*) { return 0; }
  virtual uint16_t AcceptsOwner(TThing*) { return 0; }
  // The objects attached to this one, the parts it holds and the object that holds it.
  virtual std::vector<TThing*> GetAttachments() { return {}; }
  virtual std::vector<TThing*> GetSubObjects() { return {}; }
  virtual TThing* GetOwnerThing() { return nullptr; }
  // The hot point whose square of half-width tolerance around it holds the mouse world point,
  // edges included; 1 when found.
  virtual uint16_t FindHotPoint(double /*tolerance*/, const TVector& /*mouse*/, TVector& /*world*/,
                                TVector& /*own*/, int32_t& /*kind*/, int16_t& /*index*/) {
    return 0;
  }
  // The two formula texts that denote the hot point of the kind and index; 1 when the object
  // knows the kind.
  virtual uint16_t GetHotPointFormulas(int32_t /*kind*/, int16_t /*index*/, Str255& /*x*/,
                                       Str255& /*y*/) {
    return 0;
  }
  // Whether the object covers a window point, or a world point.
  virtual uint16_t HitTestWindowPoint(const MacPoint&) { return 0; }
  virtual uint16_t ContainsWorldPoint(const TVector&) { return 0; }
  virtual uint16_t IsGeometryTag(uint32_t) { return 0; }

 private:
  void ApplyColourValue(const RGB16Color& colour);
  void UseOwnColour();
  void DrawNameLabel();

  uint16_t trackMarks_ = 0;
  uint16_t trackLine_ = 0;
  std::optional<QV_CPoint> lastTrackPoint_;
  RGB16Color colour_;
  uint16_t colourIsDefault_ = 0;
};

// Enters the classes of this folder in the class registry.
void RegisterThingClasses();
