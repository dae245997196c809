#pragma once
// Hot-point snapping. While the user sketches or drags, the pointer is pulled onto the hot
// points that the world's objects offer (a point's own position, a polygon's vertices and edge
// middles...) or, failing those, onto the intersections of the view's grid. One snapper per
// world does the search, marks the hot point under the hovering pointer with a small XOR cross,
// hands trackers the snapped position and can turn a snapped point into formulas that keep a
// point object on the hot point it was dropped on.
//
//   THotPointView    what the snapper asks of the world's main view
//   THotPointRecord  (703) one snapped point, made by Snap for its caller
//   THotPointSnapper (702, "hpSn") the world's snapper: a link in the world's collection

#include <array>
#include <cstdint>
#include <vector>

#include "core/PString.h"
#include "core/TObject.h"
#include "core/Tag.h"
#include "core/geometry/Vector.h"
#include "model/Link.h"
#include "platform/win32/GdiTypes.h"

class TCommandCore;
class TFormula;
class TThing;
class TWorldDoc;

inline constexpr uint32_t kHotPointSnapperTag = MakeTag("hpSn");
// The user's second option: a point dropped on a hot point keeps to it by formulas.
inline constexpr uint32_t kAttachByFormulaTag = MakeTag("aPEq");
inline constexpr int16_t kCmdSnapToHotPoints = 1050;
inline constexpr int16_t kBlockHotPointSnapper = 5038;
// The kind of a grid intersection; its target is the world.
inline constexpr int32_t kHotPointGrid = 16;

// What the snapper asks of the world's main view: its grid, hit tests, grid snapping, the
// mapping between window and world, and a device context to draw the cross into.
class THotPointView {
 public:
  struct GridParameters {
    double spacing = 0.0;
    double minorSpacing = 0.0;
    // The largest halving of a spacing that is at most one pixel.
    double fineStep = 0.0;
    int16_t subdivisions = 0;
  };

  virtual void GetGridParameters(GridParameters& grid) = 0;
  // The horizontal length in pixels of a length in world units.
  virtual int16_t HorizontalPixelDistance(double worldLength) = 0;
  virtual uint16_t GetShowGrid() = 0;
  // The object under a window point (options 0: any), or null.
  virtual TLink* FindObjectAt(const POINT& pixel, int16_t options) = 0;
  // The object whose area holds the world point, or null.
  virtual TLink* FindObjectInRect(const TVector& world, double tolerance) = 0;
  // The nearest grid intersection within tolerance pixels; 1 when both coordinates snap.
  virtual uint16_t SnapPointToView(int16_t tolerance, const POINT& pixel, TVector& world,
                                   POINT& window, int32_t& kind) = 0;
  virtual POINT WorldToWindow(const TVector& world) = 0;
  // The world point of a window point, through the transform of the world's reference object.
  virtual TVector WindowToWorld(const POINT& pixel) = 0;
  // The world's reference object (whose transform maps the view to the world), or null.
  virtual TLink* GetReferenceObject() = 0;
  // A context focused on the view for XOR drawing inside the world's drawing bracket, or null
  // when the view cannot be drawn now; every context given is handed back.
  virtual HDC BeginHotPointDrawing() = 0;
  virtual void EndHotPointDrawing(HDC dc) = 0;

 protected:
  ~THotPointView() = default;
};

// One snapped point: its target, world and own-frame positions, window point, kind and index.
class THotPointRecord : public TObject {
  DECLARE_CLASS_ID(703, TObject)

 public:
  void Fill(TLink* target, const TVector& world, const TVector& own, const POINT& window,
            int32_t kind, int16_t index);
  TLink* GetTarget() const { return target_; }
  void GetKindAndIndex(int32_t& kind, int16_t& index) const {
    kind = kind_;
    index = index_;
  }
  TVector3 GetWorldPosition() const { return TVector3(world_.x, world_.y); }
  const TVector& GetOwnPosition() const { return own_; }
  const POINT& GetWindowPoint() const { return window_; }
  uint16_t IsValid() const { return valid_; }

 private:
  TLink* target_ = nullptr;
  TVector world_{0.0, 0.0};
  TVector own_{0.0, 0.0};
  POINT window_{0, 0};
  int32_t kind_ = 0;
  int16_t index_ = 0;
  uint16_t valid_ = 0;
};

// What a search found.
struct THotPointHit {
  TLink* target = nullptr;
  TVector world{0.0, 0.0};
  TVector own{0.0, 0.0};
  POINT window{0, 0};
  int32_t kind = 0;
  int16_t index = 0;
};

class THotPointSnapper : public THandlerLink {
  DECLARE_CLASS_ID(702, THandlerLink)

 public:
  static TObject* CreateObject();
  THotPointSnapper() = default;
  void Initialize() override;

  // The world the snapper belongs to, and its main view; without a world the snapper is inert.
  TWorldDoc* GetWorld() const;
  void SetView(THotPointView* view);
  THotPointView* GetView() const { return view_; }

  // ---- The search ----
  uint16_t FindHotPoint(const POINT& mousePixel, const TVector& mouseWorld, THotPointHit& hit);
  // The search for the tracked object; on success a new record the caller owns.
  uint16_t Snap(const POINT& mousePixel, const TVector& mouseWorld, TLink* trackedObject,
                std::unique_ptr<THotPointRecord>& record);
  uint16_t ProbeHotPoint(const POINT& mousePixel, const TVector& mouseWorld, TVector& outWorld);
  // The formula texts of the hot point under the mouse, or of a record; only while snapping is
  // in force and points attach by formula.
  uint16_t FindHotPointFormulas(const POINT& mousePixel, const TVector& mouseWorld, Str255& textX,
                                Str255& textY);
  uint16_t GetRecordFormulas(const THotPointRecord& record, Str255& textX, Str255& textY);
  // Gives the object's x and y formulas the texts, in the world's units.
  void ApplyPointFormulas(TLink* object, const Str255& textX, const Str255& textY,
                          const std::array<TFormula*, 2>& formulaPair);

  // ---- Hover feedback ----
  void UpdateHoverMarker(const POINT& mousePixel, uint16_t overFreeSpace, int32_t unused);
  void SetTrackedObject(TLink* object) { trackedObject_ = object; }
  TLink* GetTrackedObject() const { return trackedObject_; }
  // Forgets the marker, without drawing, when the object is the marked one.
  void ForgetObject(TLink* object);
  void EraseHoverMarkerIf(int32_t flag);
  // Forget the marker without drawing: before the screen layer is drawn anew, and when the
  // view's transform changes.
  void ClearHoverMarker();
  void ViewTransformChanged() { ClearHoverMarker(); }
  void InvalidateTolerance() { toleranceValid_ = 0; }
  TLink* GetHoverObject() const { return hoverObject_; }
  const POINT& GetHoverPixel() const { return hoverPixel_; }
  int32_t GetHoverKind() const { return hoverKind_; }

  // ---- Options and state ----
  uint16_t IsActive() const { return active_; }
  uint16_t GetSnapToHotPoints() const { return snapToHotPoints_; }
  uint16_t GetAttachByFormula() const { return attachByFormula_; }
  uint16_t GetSnapToGrid() const { return snapToGrid_; }
  uint16_t IsMarkerWanted() const { return showMarker_; }
  void ShowHotPoints();
  void HideHotPoints();
  int16_t GetPixelTolerance();
  double GetWorldTolerance();

  void Refresh();
  void UpdateForTool();
  void NoteOptionChanged(int32_t, int32_t);
  void UpdateGridSnap();
  void UpdateForWorldState();
  void AttachToWorld(TLink* collection);
  void AddDependent(TLink* object) override;
  void ObjectRemoved(TLink* object) override;

  // ---- Properties and menus ----
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  // Command 1050 flips snapping; no command object is made for it.
  TCommandCore* DoMenuCommand(int16_t command, uint16_t& handled);
  void DoSetupMenus();

  // ---- Filing ----
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 private:
  struct SearchContext;
  bool SearchCandidate(SearchContext& search, TLink* candidate);
  bool SearchParts(SearchContext& search, TThing* owner);
  bool SearchHost(SearchContext& search);
  bool SearchLists(SearchContext& search, TLink* underMouse);
  bool IsCovered(const SearchContext& search);
  std::vector<TLink*> FirstList() const;
  std::vector<TLink*> SecondList() const;
  std::vector<TLink*> LineList() const;
  void DrawHotPointMarker(const POINT& pixel);
  void ClearMarkerState();

  uint16_t snapToHotPoints_ = 1;
  THotPointView* view_ = nullptr;
  TLink* hoverObject_ = nullptr;
  TLink* trackedObject_ = nullptr;
  TVector hoverWorld_{0.0, 0.0};
  POINT hoverPixel_{0, 0};
  int32_t hoverKind_ = 0;
  int16_t hoverIndex_ = 0;
  uint16_t active_ = 0;
  uint16_t showMarker_ = 0;
  uint16_t markingOn_ = 0;
  uint16_t snapToGrid_ = 0;
  uint16_t attachByFormula_ = 1;
  int16_t pixelTolerance_ = 5;
  double worldTolerance_ = 0.0;
  uint16_t toleranceValid_ = 0;
  TLink* referenceBody_ = nullptr;
  TLink* lineHandler_ = nullptr;
};

// The snapper of the world: the last one in its collection, so that a document's own snapper
// wins over the one a new world starts with. Null when the world has none.
THotPointSnapper* FindHotPointSnapper(TWorldDoc& world);

// An item that stands for a snapper under the snapper's tag, for those who need another face of
// it; it still hands out the snapper itself.
class THotPointSnapperHolder {
 public:
  virtual THotPointSnapper* HeldSnapper() const = 0;

 protected:
  ~THotPointSnapperHolder() = default;
};

// The snapper behind an item found under the snapper's tag: the item itself or the one it holds;
// null for anything else.
THotPointSnapper* HotPointSnapperOf(TObject* item);

// Enters the snapper in the class registry.
void RegisterHotPointSnapper();
