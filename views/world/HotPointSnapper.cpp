#include "views/world/HotPointSnapper.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "bodies/lines/Line.h"
#include "constraints/Constraint.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "model/Formula.h"
#include "model/Thing.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr int16_t kZeroMassClass = 663;
constexpr int16_t kCollectionLinkClass = 520;
// Tools that place objects by points: marking hot points helps them.
constexpr int16_t kFirstMarkingTool = 2500;
constexpr int16_t kLastMarkingTool = 2799;
// The unit kind of lengths.
constexpr int32_t kLengthUnitKind = 0x01000000;
constexpr int16_t kMaxPixelTolerance = 5;
// Half the width of the hover cross, in pixels.
constexpr int32_t kCrossHalfWidth = 5;

TThing* AsThing(TLink* object) {
  return object != nullptr && object->IsThing() != 0 ? static_cast<TThing*>(object) : nullptr;
}

// A constraint's active flag; other objects are never active joints.
bool IsActiveJoint(TThing* object) {
  const auto* constraint = dynamic_cast<const TCnstr*>(object);
  return constraint != nullptr && constraint->IsActive();
}

TThing* AttachedAt(TThing* object, size_t index) {
  const auto* constraint = dynamic_cast<const TCnstr*>(object);
  if (constraint == nullptr || constraint->Attached().size() <= index) return nullptr;
  return AsThing(constraint->Attached()[index]);
}

TThing* OtherEndOf(TThing* joint, TThing* end) {
  const auto* constraint = dynamic_cast<const TCnstr*>(joint);
  return constraint != nullptr ? AsThing(constraint->GetOtherObject(end)) : nullptr;
}

bool SamePoint(const POINT& a, const POINT& b) {
  return a.x == b.x && a.y == b.y;
}

bool IsMarkingTool(int16_t tool) {
  return tool >= kFirstMarkingTool && tool <= kLastMarkingTool;
}

bool IsBusy(const TWorldDoc& world) {
  return world.FirstRunningCommand() != nullptr || !world.RunningCommands().empty();
}

}  // namespace

// ---- THotPointRecord ------------------------------------------------------------------------

void THotPointRecord::Fill(TLink* target, const TVector& world, const TVector& own,
                           const POINT& window, int32_t kind, int16_t index) {
  target_ = target;
  world_ = world;
  own_ = own;
  window_ = window;
  kind_ = kind;
  index_ = index;
  valid_ = 1;
}

// ---- Life and the world ---------------------------------------------------------------------

TObject* THotPointSnapper::CreateObject() {
  return new (std::nothrow) THotPointSnapper();
}

void THotPointSnapper::Initialize() {
  THandlerLink::Initialize();
  snapToHotPoints_ = 1;
  attachByFormula_ = snapToHotPoints_;
  pixelTolerance_ = kMaxPixelTolerance;
  worldTolerance_ = 0.0;
  view_ = nullptr;
  hoverObject_ = nullptr;
  trackedObject_ = nullptr;
  referenceBody_ = nullptr;
  lineHandler_ = nullptr;
  hoverWorld_ = TVector(0.0, 0.0);
  hoverPixel_ = POINT{0, 0};
  hoverKind_ = 0;
  hoverIndex_ = 0;
  active_ = 0;
  showMarker_ = 0;
  markingOn_ = 0;
  snapToGrid_ = 0;
  toleranceValid_ = 0;
}

TWorldDoc* THotPointSnapper::GetWorld() const {
  for (TLink* linked : Linked())
    if (auto* world = dynamic_cast<TWorldDoc*>(linked)) return world;
  return nullptr;
}

void THotPointSnapper::SetView(THotPointView* view) {
  view_ = view;
  toleranceValid_ = 0;
  ClearMarkerState();
  Refresh();
}

void THotPointSnapper::AddDependent(TLink* object) {
  THandlerLink::AddDependent(object);
  if (object != nullptr && object->IsMemberClass(kCollectionLinkClass)) Refresh();
}

void THotPointSnapper::AttachToWorld(TLink* collection) {
  AddDependent(collection);
}

void THotPointSnapper::ObjectRemoved(TLink* object) {
  THandlerLink::ObjectRemoved(object);
  if (object == nullptr) return;
  if (object == hoverObject_) ClearMarkerState();
  if (object == trackedObject_) trackedObject_ = nullptr;
  if (object == referenceBody_) referenceBody_ = nullptr;
  if (object == lineHandler_) lineHandler_ = nullptr;
}

// ---- Candidate lists ------------------------------------------------------------------------

std::vector<TLink*> THotPointSnapper::FirstList() const {
  TWorldDoc* world = GetWorld();
  return world != nullptr ? world->Objects() : std::vector<TLink*>{};
}

std::vector<TLink*> THotPointSnapper::SecondList() const {
  TWorldDoc* world = GetWorld();
  return world != nullptr ? world->ViewObjects() : std::vector<TLink*>{};
}

std::vector<TLink*> THotPointSnapper::LineList() const {
  std::vector<TLink*> lines;
  const auto* handler = static_cast<const TLineHandler*>(lineHandler_);
  if (handler == nullptr || handler->GetLines() == nullptr) return lines;
  const TList& list = *handler->GetLines();
  for (int32_t i = 1; i <= list.GetCount(); ++i)
    lines.push_back(static_cast<TLink*>(list.At(i)));
  return lines;
}

// ---- Tolerances -----------------------------------------------------------------------------

int16_t THotPointSnapper::GetPixelTolerance() {
  if (toleranceValid_ == 0 && view_ != nullptr) {
    THotPointView::GridParameters grid;
    view_->GetGridParameters(grid);
    const int32_t minor =
        std::abs(static_cast<int32_t>(view_->HorizontalPixelDistance(grid.minorSpacing)));
    const int32_t pixels = minor < 1 ? minor : minor - 1;
    pixelTolerance_ = static_cast<int16_t>(std::min<int32_t>(pixels, kMaxPixelTolerance));
    worldTolerance_ = std::max(0.0, grid.minorSpacing - grid.fineStep);
    toleranceValid_ = 1;
  }
  return pixelTolerance_;
}

double THotPointSnapper::GetWorldTolerance() {
  GetPixelTolerance();
  return worldTolerance_;
}

// ---- The search -----------------------------------------------------------------------------

struct THotPointSnapper::SearchContext {
  POINT mousePixel{0, 0};
  TVector mouseWorld{0.0, 0.0};
  THotPointHit* hit = nullptr;
  TThing* tracked = nullptr;
  int16_t pixelTolerance = 0;
  double worldTolerance = 0.0;
  bool attachable = false;   // the tracked object carries attachments
  bool joining = false;      // the tracked object is an inactive joint between two objects
  bool joinedPoint = false;  // one of its attachments is such a joint
};

bool THotPointSnapper::SearchCandidate(SearchContext& search, TLink* object) {
  TThing* candidate = AsThing(object);
  if (candidate == nullptr || candidate->OffersHotPoints() == 0 || candidate == search.tracked)
    return false;
  if (candidate->IsAttachable() != 0) {
    if (search.attachable) {
      for (TThing* attachment : search.tracked->GetAttachments()) {
        const std::vector<TThing*> listed = attachment->GetAttachments();
        if (std::find(listed.begin(), listed.end(), candidate) != listed.end()) return false;
      }
    }
    if (search.joining && search.tracked->IsJoinedTo(candidate) != 0) return false;
  }
  THotPointHit& hit = *search.hit;
  hit.kind = 0;
  hit.index = 0;
  if (candidate->FindHotPoint(search.worldTolerance, search.mouseWorld, hit.world, hit.own,
                              hit.kind, hit.index) == 0)
    return false;
  hit.window = view_ != nullptr ? view_->WorldToWindow(hit.world) : POINT{0, 0};
  hit.target = candidate;
  return true;
}

bool THotPointSnapper::SearchParts(SearchContext& search, TThing* owner) {
  if (owner == nullptr) return false;
  const std::vector<TThing*> parts = owner->GetSubObjects();
  for (auto part = parts.rbegin(); part != parts.rend(); ++part)
    if (SearchCandidate(search, *part)) return true;
  return false;
}

bool THotPointSnapper::SearchHost(SearchContext& search) {
  TThing* host = nullptr;
  if (search.joining) {
    host = AttachedAt(search.tracked, 0);
    if (host == nullptr) host = AttachedAt(search.tracked, 1);
    if (host == nullptr) search.joining = false;
  }
  if (!search.joining && search.joinedPoint) {
    host = search.tracked;
    for (TThing* joint : search.tracked->GetAttachments()) {
      if (joint->CanJoin() == 0 || IsActiveJoint(joint)) continue;
      TThing* other = OtherEndOf(joint, search.tracked);
      if (other == nullptr) break;
      TThing* otherOwner = other->GetOwnerThing();
      if (otherOwner != nullptr && otherOwner->AcceptsOwner(search.tracked->GetOwnerThing()) != 0)
        host = other;
      break;
    }
  }
  if (!search.joining && !search.joinedPoint) return false;
  TThing* owner = host != nullptr ? host->GetOwnerThing() : nullptr;
  if (owner == nullptr) return false;
  return SearchCandidate(search, owner) || SearchParts(search, owner);
}

bool THotPointSnapper::IsCovered(const SearchContext& search) {
  const THotPointHit& hit = *search.hit;
  const std::vector<TLink*> first = FirstList();
  MacPoint window(static_cast<int16_t>(hit.window.x), static_cast<int16_t>(hit.window.y));
  for (auto object = first.rbegin(); object != first.rend(); ++object) {
    TThing* thing = AsThing(*object);
    if (thing == nullptr || thing->IsHitTarget() == 0) continue;
    if (thing->HitTestWindowPoint(window) == 0 && thing->ContainsWorldPoint(hit.world) == 0)
      continue;
    return thing != search.tracked && thing != hit.target;
  }
  return false;
}

bool THotPointSnapper::SearchLists(SearchContext& search, TLink* underMouse) {
  if (underMouse != nullptr && underMouse != search.tracked) {
    return SearchCandidate(search, underMouse) || SearchParts(search, AsThing(underMouse));
  }
  const std::vector<TLink*> first = FirstList();
  for (auto object = first.rbegin(); object != first.rend(); ++object) {
    if (!SearchCandidate(search, *object)) continue;
    if (!IsCovered(search)) return true;
    // Another object lies over the hot point: the user cannot see it, so it does not count.
    *search.hit = THotPointHit{};
    search.hit->world = search.mouseWorld;
    break;
  }
  if (SearchCandidate(search, referenceBody_)) return true;
  const std::vector<TLink*> second = SecondList();
  for (auto object = second.rbegin(); object != second.rend(); ++object)
    if (SearchCandidate(search, *object)) return true;
  for (TLink* line : LineList())
    if (SearchCandidate(search, line)) return true;
  return false;
}

uint16_t THotPointSnapper::FindHotPoint(const POINT& mousePixel, const TVector& mouseWorld,
                                        THotPointHit& hit) {
  hit = THotPointHit{};
  if (GetWorld() == nullptr) return 0;
  SearchContext search;
  search.mousePixel = mousePixel;
  search.mouseWorld = mouseWorld;
  search.hit = &hit;
  search.tracked = AsThing(trackedObject_);
  search.pixelTolerance = GetPixelTolerance();
  search.worldTolerance = GetWorldTolerance();
  if (TThing* tracked = search.tracked) {
    search.attachable = tracked->IsAttachable() != 0 && !tracked->GetAttachments().empty();
    search.joining =
        tracked->IsTwoEnded() != 0 && tracked->CanJoin() != 0 && !IsActiveJoint(tracked);
    if (search.attachable) {
      for (TThing* attachment : tracked->GetAttachments())
        if (attachment->CanJoin() != 0 && !IsActiveJoint(attachment)) search.joinedPoint = true;
    }
  }

  bool found = false;
  TLink* underMouse = nullptr;
  if (!FirstList().empty() || !SecondList().empty() || !LineList().empty()) {
    if (view_ != nullptr) {
      underMouse = view_->FindObjectAt(mousePixel, 0);
      TThing* thing = AsThing(underMouse);
      if (thing == nullptr || thing->IsHitTarget() == 0) underMouse = nullptr;
      if (underMouse == nullptr) {
        underMouse = view_->FindObjectInRect(mouseWorld, search.worldTolerance);
      }
    }
    if (search.attachable || search.joining) found = SearchHost(search);
    if (!found && !search.joining && !search.joinedPoint) found = SearchLists(search, underMouse);
  }
  if (!found && snapToGrid_ != 0 && view_ != nullptr &&
      (underMouse == nullptr || underMouse == search.tracked)) {
    hit = THotPointHit{};
    if (view_->SnapPointToView(search.pixelTolerance, mousePixel, hit.world, hit.window,
                               hit.kind) != 0) {
      hit.target = GetWorld();
      hit.index = 0;
      found = true;
    }
  }
  if (!found) hit.target = nullptr;
  return found ? 1 : 0;
}

uint16_t THotPointSnapper::Snap(const POINT& mousePixel, const TVector& mouseWorld,
                                TLink* trackedObject, std::unique_ptr<THotPointRecord>& record) {
  // The tracked object is the caller's for this one search; the previous one comes back even
  // when the search or the record fails.
  struct Restore {
    TLink*& slot;
    TLink* previous;
    ~Restore() { slot = previous; }
  } restore{trackedObject_, trackedObject_};
  trackedObject_ = trackedObject;
  THotPointHit hit;
  if (FindHotPoint(mousePixel, mouseWorld, hit) == 0) return 0;
  auto made = std::unique_ptr<THotPointRecord>(new (std::nothrow) THotPointRecord());
  FailIfNull(made.get());
  made->Fill(hit.target, hit.world, hit.own, hit.window, hit.kind, hit.index);
  record = std::move(made);
  return 1;
}

uint16_t THotPointSnapper::ProbeHotPoint(const POINT& mousePixel, const TVector& mouseWorld,
                                         TVector& outWorld) {
  THotPointHit hit;
  if (FindHotPoint(mousePixel, mouseWorld, hit) == 0) return 0;
  outWorld = hit.world;
  return 1;
}

// ---- Formulas -------------------------------------------------------------------------------

uint16_t THotPointSnapper::FindHotPointFormulas(const POINT& mousePixel, const TVector& mouseWorld,
                                                Str255& textX, Str255& textY) {
  if (attachByFormula_ == 0 || active_ == 0) return 0;
  THotPointHit hit;
  if (FindHotPoint(mousePixel, mouseWorld, hit) == 0) return 0;
  TThing* target = AsThing(hit.target);
  if (target == nullptr || target->OffersHotPoints() == 0 || hit.kind == 0) return 0;
  return target->GetHotPointFormulas(hit.kind, hit.index, textX, textY);
}

uint16_t THotPointSnapper::GetRecordFormulas(const THotPointRecord& record, Str255& textX,
                                             Str255& textY) {
  if (attachByFormula_ == 0 || active_ == 0) return 0;
  TThing* target = AsThing(record.GetTarget());
  int32_t kind = 0;
  int16_t index = 0;
  record.GetKindAndIndex(kind, index);
  if (target == nullptr || target->OffersHotPoints() == 0 || kind == 0) return 0;
  return target->GetHotPointFormulas(kind, index, textX, textY);
}

void THotPointSnapper::ApplyPointFormulas(TLink* object, const Str255& textX, const Str255& textY,
                                          const std::array<TFormula*, 2>& formulaPair) {
  TThing* thing = AsThing(object);
  if (thing == nullptr) return;
  TWorldDoc* world = GetWorld();
  auto* units = world != nullptr ? dynamic_cast<TUnitHandler*>(world->GetUnitHandler()) : nullptr;
  const Str255* texts[2] = {&textX, &textY};
  for (size_t i = 0; i < formulaPair.size(); ++i) {
    TFormula* target = formulaPair[i];
    if (target == nullptr) continue;
    std::unique_ptr<TFormula> scratch = TFormula::New();
    const int16_t error = scratch->SetFormattedText(*texts[i], units, kLengthUnitKind);
    // A text that does not compile would leave the point on no position at all.
    if (error != 0) ThrowFailure(error, 0);
    // Until the formula is next evaluated the point stays where it is; a plain number is its
    // own value and must not be overwritten by the old one.
    if (scratch->IsFormula()) scratch->StoreConstant(target->GetValue());
    thing->AssignFormula(*scratch, *target);
  }
}

// ---- Hover feedback -------------------------------------------------------------------------

void THotPointSnapper::ClearMarkerState() {
  hoverObject_ = nullptr;
  hoverKind_ = 0;
  hoverPixel_ = POINT{-1, -1};
}

void THotPointSnapper::ClearHoverMarker() {
  ClearMarkerState();
}

void THotPointSnapper::ForgetObject(TLink* object) {
  if (object != nullptr && object == hoverObject_) ClearMarkerState();
}

void THotPointSnapper::EraseHoverMarkerIf(int32_t flag) {
  if (hoverObject_ == nullptr || flag == 0) return;
  DrawHotPointMarker(hoverPixel_);
  ClearMarkerState();
}

void THotPointSnapper::DrawHotPointMarker(const POINT& pixel) {
  if (view_ == nullptr) return;
  HDC dc = view_->BeginHotPointDrawing();
  if (dc == nullptr) return;
  const int32_t previousMode = SetROP2(dc, R2_NOTXORPEN);
  HGDIOBJ previousPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  // Lines leave out their end pixel: one step further reaches (h + 5, v + 5) and (h - 5, v + 5).
  const int32_t h = pixel.x;
  const int32_t v = pixel.y;
  MoveToEx(dc, h - kCrossHalfWidth, v - kCrossHalfWidth, nullptr);
  LineTo(dc, h + kCrossHalfWidth + 1, v + kCrossHalfWidth + 1);
  MoveToEx(dc, h + kCrossHalfWidth, v - kCrossHalfWidth, nullptr);
  LineTo(dc, h - kCrossHalfWidth - 1, v + kCrossHalfWidth + 1);
  SelectObject(dc, previousPen);
  SetROP2(dc, previousMode);
  view_->EndHotPointDrawing(dc);
}

void THotPointSnapper::UpdateHoverMarker(const POINT& mousePixel, uint16_t overFreeSpace,
                                         int32_t /*unused*/) {
  const bool shown = hoverObject_ != nullptr;
  if (shown && !(overFreeSpace != 0 && snapToHotPoints_ != 0 && showMarker_ != 0)) {
    DrawHotPointMarker(hoverPixel_);
    ClearMarkerState();
    return;
  }
  if (showMarker_ == 0 || view_ == nullptr) return;
  TLink* const previousObject = hoverObject_;
  const POINT previousPixel = hoverPixel_;
  THotPointHit hit;
  const bool found = FindHotPoint(mousePixel, view_->WindowToWorld(mousePixel), hit) != 0;
  if (found) {
    hoverObject_ = hit.target;
    hoverWorld_ = hit.world;
    hoverPixel_ = hit.window;
    hoverKind_ = hit.kind;
    hoverIndex_ = hit.index;
  } else if (previousObject != nullptr) {
    ClearMarkerState();
  }
  const bool moved = found ? previousObject == nullptr || !SamePoint(previousPixel, hit.window)
                           : previousObject != nullptr;
  if (!moved) return;
  if (previousObject != nullptr) DrawHotPointMarker(previousPixel);
  if (found) DrawHotPointMarker(hit.window);
}

// ---- Options and state ----------------------------------------------------------------------

void THotPointSnapper::ShowHotPoints() {
  showMarker_ = active_;
  markingOn_ = 1;
}

void THotPointSnapper::HideHotPoints() {
  showMarker_ = 0;
  markingOn_ = 0;
}

void THotPointSnapper::Refresh() {
  TWorldDoc* world = GetWorld();
  if (world == nullptr) {
    active_ = 0;
    showMarker_ = 0;
    markingOn_ = 0;
    referenceBody_ = nullptr;
    return;
  }
  active_ = snapToHotPoints_;
  if (markingOn_ != 0) showMarker_ = active_;
  TLink* reference = view_ != nullptr ? view_->GetReferenceObject() : nullptr;
  referenceBody_ =
      reference != nullptr && reference->IsMemberClass(kZeroMassClass) ? reference : nullptr;
  UpdateGridSnap();
  if (lineHandler_ == nullptr) {
    for (TLink* object : world->Objects()) {
      if (!object->IsMemberClass(TLineHandler::kClassID)) continue;
      lineHandler_ = object;
      break;
    }
  }
}

void THotPointSnapper::UpdateGridSnap() {
  TWorldDoc* world = GetWorld();
  if (world == nullptr || view_ == nullptr) return;
  snapToGrid_ = view_->GetShowGrid() != 0 && world->GetAngleSnap() != 0 ? 1 : 0;
}

void THotPointSnapper::UpdateForTool() {
  Refresh();
  TWorldDoc* world = GetWorld();
  if (world != nullptr && IsMarkingTool(world->GetCurrentTool())) {
    ShowHotPoints();
  } else {
    HideHotPoints();
  }
}

void THotPointSnapper::NoteOptionChanged(int32_t, int32_t) {
  Refresh();
  TWorldDoc* world = GetWorld();
  if (world != nullptr && IsMarkingTool(world->GetCurrentTool())) ShowHotPoints();
}

void THotPointSnapper::UpdateForWorldState() {
  TWorldDoc* world = GetWorld();
  if (world == nullptr) return;
  const bool busy = IsBusy(*world);
  if (active_ != 0 && busy) {
    active_ = 0;
    HideHotPoints();
  } else if (snapToHotPoints_ != 0 && !busy) {
    Refresh();
  }
}

// ---- Properties and menus -------------------------------------------------------------------

uint16_t THotPointSnapper::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kAttachByFormulaTag) return THandlerLink::GetFlagProperty(tag, value, extra);
  value = attachByFormula_;
  return 1;
}

void THotPointSnapper::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag != kAttachByFormulaTag) return THandlerLink::SetFlagProperty(tag, value);
  attachByFormula_ = value != 0 ? 1 : 0;
}

TCommandCore* THotPointSnapper::DoMenuCommand(int16_t command, uint16_t& handled) {
  handled = 0;
  if (command != kCmdSnapToHotPoints) return nullptr;
  snapToHotPoints_ = snapToHotPoints_ != 0 ? 0 : 1;
  Refresh();
  InvalidateMenuSetup();
  handled = 1;
  return nullptr;
}

void THotPointSnapper::DoSetupMenus() {
  EnableCheckMenuCommand(kCmdSnapToHotPoints, true, snapToHotPoints_ != 0);
}

// ---- Filing ---------------------------------------------------------------------------------

uint16_t THotPointSnapper::CanReadBlock(int16_t code) {
  return code == kBlockHotPointSnapper ? 1 : THandlerLink::CanReadBlock(code);
}

uint16_t THotPointSnapper::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockHotPointSnapper) return THandlerLink::ReadBlockContents(code, reader);
  snapToHotPoints_ = reader.ReadBoolean() ? 1 : 0;
  attachByFormula_ = reader.ReadBoolean() ? 1 : 0;
  reader.ReadInt();  // the closing code
  Refresh();
  return 1;
}

void THotPointSnapper::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockHotPointSnapper) return THandlerLink::WriteBlockContents(code, writer);
  writer.WriteCode(snapToHotPoints_);
  writer.WriteCode(attachByFormula_);
  writer.WriteCode(0);
}

void THotPointSnapper::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockHotPointSnapper);
  THandlerLink::WriteFields(writer);
}

// ---- Lookup and registration ----------------------------------------------------------------

THotPointSnapper* FindHotPointSnapper(TWorldDoc& world) {
  const std::vector<TLink*> objects = world.Objects();
  for (auto object = objects.rbegin(); object != objects.rend(); ++object)
    if ((*object)->IsMemberClass(THotPointSnapper::kClassID))
      return static_cast<THotPointSnapper*>(*object);
  return nullptr;
}

THotPointSnapper* HotPointSnapperOf(TObject* item) {
  if (auto* snapper = dynamic_cast<THotPointSnapper*>(item)) return snapper;
  if (auto* holder = dynamic_cast<THotPointSnapperHolder*>(item)) return holder->HeldSnapper();
  return nullptr;
}

void RegisterHotPointSnapper() {
  RegisterClassInfo("THotPointSnapper", kHotPointSnapperTag, THotPointSnapper::kClassID,
                    THotPointSnapper::CreateObject, sizeof(THotPointSnapper));
}
