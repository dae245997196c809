// The gear pair: its ratio and flags, the contact formulas that place the contact points, its
// properties and commands, its goals, the update that keeps its points at the body centres, and
// its drawing.

#include "constraints/Gear.h"

#include <cmath>
#include <cstdio>

#include "bodies/Body.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "model/world/WorldDoc.h"
#include "simulation/DimensionCode.h"

namespace {

constexpr double kUnitRatioTolerance = 0.001;
constexpr double kConcentricTolerance = 0.001;
constexpr uint16_t kModeHighlighted = 0x10;
// The port takes a pattern's first word as its pen style: dotted, the look of what does not act.
constexpr uint8_t kInactivePattern[8] = {static_cast<uint8_t>(PS_DOT), 0, 0, 0, 0, 0, 0, 0};

TMass* BodyOf(TLink* object) {
  if (auto* point = dynamic_cast<TPoint*>(object)) return point->GetBody();
  return dynamic_cast<TMass*>(object);
}

int32_t SolverNumberOf(const TMass* body) {
  return body != nullptr ? body->GetIdentifier() : 0;
}

bool IsBackground(const TMass* body) {
  return body == nullptr || body->GetIdentifier() == kBackgroundIdentifier;
}

TVector CentreOf(TMass* body) {
  TVector centre(0.0, 0.0);
  if (body != nullptr) body->GetPosition(centre);
  return centre;
}

// The radius of a body that is a circle, or 0 for any other body.
double CircleRadius(TMass* body) {
  auto* oval = dynamic_cast<TOval*>(body);
  if (oval == nullptr || !oval->HasEqualSides()) return 0.0;
  return oval->GetShapeRadius();
}

// "(body[to].p.x-body[from].p.x)/(divisor)": one coordinate of the vector between two bodies'
// centres, divided.
std::string Component(char axis, int32_t from, int32_t to, const std::string& divisor) {
  const std::string member = std::string(".p.") + axis;
  return "(body[" + std::to_string(to) + "]" + member + "-body[" + std::to_string(from) + "]" +
         member + ")/(" + divisor + ")";
}

// "cos(body[a].p.r)*p+sin(body[a].p.r)*q" and its y companion.
std::string RotatedX(int32_t a, const std::string& p, const std::string& q) {
  const std::string n = std::to_string(a);
  return "cos(body[" + n + "].p.r)*" + p + "+sin(body[" + n + "].p.r)*" + q;
}

std::string RotatedY(int32_t a, const std::string& p, const std::string& q) {
  const std::string n = std::to_string(a);
  return "-sin(body[" + n + "].p.r)*" + p + "+cos(body[" + n + "].p.r)*" + q;
}

}  // namespace

TObject* TGear::CreateObject() {
  return new TGear;
}

TGear::~TGear() {
  // The companions are world objects of their own: they only forget their gear.
  if (contact_ != nullptr && GetIdentityIndex(contact_) != -1) contact_->SetOwnerGear(nullptr);
  for (TGearCnstrPoint* point : {firstPoint_, secondPoint_})
    if (point != nullptr && GetIdentityIndex(point) != -1) point->SetOwnerGear(nullptr);
}

void TGear::Initialize() {
  ratioAutomatic_ = 1;
  ratio_ = TFormula::New();
  ratio_->SetConstant(1.0);
  rodAlwaysActive_ = 0;
  rod_ = TFormula::New();
  rod_->SetConstant(0.0);
  internal_ = 0;
  internalIndex_ = 0;
  showCentres_ = 1;
  showRod_ = 1;
  contact_ = nullptr;
  firstPoint_ = nullptr;
  secondPoint_ = nullptr;
  TTwoPointConstraint::Initialize();
}

// ---- Ratio -----------------------------------------------------------------------------------

TPoint* TGear::AttachedPoint(int32_t end) const {
  if (AttachedCount() < end + 1) return nullptr;
  return dynamic_cast<TPoint*>(Attached()[static_cast<size_t>(end)]);
}

void TGear::ApplyAutomaticRatio() {
  double ratio = 1.0;
  if (AttachedCount() >= 2) {
    const double r1 = CircleRadius(BodyOf(Attached()[0]));
    const double r2 = CircleRadius(BodyOf(Attached()[1]));
    // A circle without a size gives no ratio: it would leave a contact point nowhere.
    if (r1 > 0.0 && r2 > 0.0 && std::isfinite(r1 / r2)) ratio = r1 / r2;
  }
  ratio_->SetConstant(ratio);
}

bool TGear::CheckInternalRatio() const {
  if (AttachedCount() != 2) return true;
  const double v = std::fabs(ratio_->GetValue());
  if (v < 1.0 - kUnitRatioTolerance || v > 1.0 + kUnitRatioTolerance) return true;
  const TVector a = CentreOf(BodyOf(Attached()[0]));
  const TVector b = CentreOf(BodyOf(Attached()[1]));
  return std::fabs(a.x - b.x) < kConcentricTolerance && std::fabs(a.y - b.y) < kConcentricTolerance;
}

// A constant ratio of 0, -1 for outside gears or 1 for an internal pair makes a divisor of the
// contact formulas zero.
void TGear::CheckDivisors(const TFormula& ratio, uint16_t internal) const {
  if (ratio.IsFormula()) return;
  const double v = ratio.GetValue();
  const bool zero = v == 0.0 || !std::isfinite(v) || (internal == 0 ? v == -1.0 : v == 1.0);
  if (zero) ThrowFailure(kErrGearRatio, kMsgGearRatio);
}

std::string TGear::RatioText(const TFormula& ratio) {
  if (ratio.IsFormula()) return ratio.InternalText();
  char number[40];
  std::snprintf(number, sizeof number, "%.17g", ratio.GetValue());
  // The formula language writes a positive exponent without its sign.
  std::string text(number);
  if (const size_t plus = text.find("e+"); plus != std::string::npos) text.erase(plus + 1, 1);
  return text;
}

GearContactTexts TGear::ContactFormula(int32_t a, int32_t b, const std::string& d1,
                                       const std::string& d2) {
  GearContactTexts texts;
  texts.x1 = RotatedX(a, Component('x', a, b, d1), Component('y', a, b, d1));
  texts.y1 = RotatedY(a, Component('x', a, b, d1), Component('y', a, b, d1));
  texts.x2 = RotatedX(b, Component('x', b, a, d2), Component('y', b, a, d2));
  texts.y2 = RotatedY(b, Component('x', b, a, d2), Component('y', b, a, d2));
  return texts;
}

void TGear::RatioFormula(const TFormula& ratio, uint16_t internal, int16_t /*internalIndex*/) {
  const std::string r = RatioText(ratio);
  TGearCnstrPoint* first = firstPoint_;
  TGearCnstrPoint* second = secondPoint_;
  if (first == nullptr || second == nullptr) return;
  TPoint* firstPoint = first->GetAttachedPoint();
  TPoint* secondPoint = second->GetAttachedPoint();
  if (firstPoint == nullptr || secondPoint == nullptr) return;
  if (firstPoint->GetBody() == nullptr || secondPoint->GetBody() == nullptr) return;
  // The same divisors serve whichever gear of an internal pair is the ring.
  const std::string d1 = internal == 0 ? "1.0+1.0/(" + r + ")" : "1.0-1.0/(" + r + ")";
  const std::string d2 = internal == 0 ? "1.0+(" + r + ")" : "1.0-(" + r + ")";
  const GearContactTexts texts = ContactFormula(SolverNumberOf(firstPoint->GetBody()),
                                                SolverNumberOf(secondPoint->GetBody()), d1, d2);
  // All four are checked first, so that a refusal leaves both points as they were.
  for (const std::string* text : {&texts.x1, &texts.y1, &texts.x2, &texts.y2})
    if (text->size() > kMaxContactText) ThrowFailure(kErrContactFormula, kMsgContactFormula);
  const auto length = static_cast<int32_t>(kDimensionLength);
  const auto angle = static_cast<int32_t>(kDimensionAngle);
  first->X().SetFormattedText(Str255(texts.x1.c_str()), nullptr, length);
  first->Y().SetFormattedText(Str255(texts.y1.c_str()), nullptr, length);
  first->R().SetFormattedText("0", nullptr, angle);
  second->X().SetFormattedText(Str255(texts.x2.c_str()), nullptr, length);
  second->Y().SetFormattedText(Str255(texts.y2.c_str()), nullptr, length);
  second->R().SetFormattedText("0", nullptr, angle);
}

// ---- Companions ------------------------------------------------------------------------------

void TGear::SetContact(TGearCnstr* contact) {
  if (contact_ != nullptr && contact_ != contact) RemoveDependent(contact_);
  contact_ = contact;
  if (contact == nullptr) return;
  AddDependent(contact);
  contact->SetOwnerGear(this);
}

void TGear::SetContactPoint(int32_t end, TGearCnstrPoint* point) {
  TGearCnstrPoint*& field = end == 0 ? firstPoint_ : secondPoint_;
  if (field != nullptr && field != point) RemoveDependent(field);
  field = point;
  if (point == nullptr) return;
  AddDependent(point);
  point->SetOwnerGear(this);
  if (TPoint* attached = AttachedPoint(end)) point->SetAttachedPoint(attached);
}

void TGear::AttachHook(TLink* object) {
  TTwoPointConstraint::AttachHook(object);
  for (int32_t end = 0; end < 2; ++end) {
    TGearCnstrPoint* contactPoint = ContactPointOf(end);
    TPoint* attached = AttachedPoint(end);
    if (contactPoint != nullptr && attached == object &&
        contactPoint->GetAttachedPoint() == nullptr)
      contactPoint->SetAttachedPoint(attached);
  }
}

void TGear::CompanionAdded(TLink* companion) {
  if (auto* contact = dynamic_cast<TGearCnstr*>(companion)) {
    if (contact_ == nullptr) SetContact(contact);
    return;
  }
  auto* point = dynamic_cast<TGearCnstrPoint*>(companion);
  if (point == nullptr) return;
  if (firstPoint_ == nullptr)
    SetContactPoint(0, point);
  else if (secondPoint_ == nullptr)
    SetContactPoint(1, point);
}

void TGear::ObjectRemoved(TLink* object) {
  if (object != nullptr) {
    if (object == contact_) contact_ = nullptr;
    if (object == firstPoint_) firstPoint_ = nullptr;
    if (object == secondPoint_) secondPoint_ = nullptr;
  }
  TTwoPointConstraint::ObjectRemoved(object);
}

void TGear::GetDependants(uint32_t tag, std::vector<TLink*>& list) {
  TTwoPointConstraint::GetDependants(tag, list);
  for (TLink* companion : {static_cast<TLink*>(contact_), static_cast<TLink*>(firstPoint_),
                           static_cast<TLink*>(secondPoint_)})
    if (companion != nullptr) list.push_back(companion);
}

// ---- Constraint behaviour ----------------------------------------------------------------------

TFormula* TGear::QuantityForCommand(int16_t command, int32_t& unit) {
  unit = 0;
  switch (command) {
    case kCmdEditActivation:
      return &Activation();
    case kCmdEditRatio:
      // The edit starts from the ratio the user was shown.
      if (IsRatioAutomatic()) ApplyAutomaticRatio();
      ratioAutomatic_ = 0;
      return ratio_.get();
    case kCmdEditRod:
      rodAlwaysActive_ = 0;
      return rod_.get();
    default:
      return nullptr;
  }
}

bool TGear::IsCompleteForSolver() const {
  return !Quantity().IsFormula() && !Activation().IsNotPositiveConstant();
}

void TGear::Deactivate(uint16_t redraw) {
  if (IsRatioAutomatic()) ApplyAutomaticRatio();
  if (IsInternal() && !ratio_->IsFormula() && !CheckInternalRatio())
    ThrowFailure(kErrGearRatio, kMsgGearRatio);
  TTwoPointConstraint::Deactivate(redraw);
}

void TGear::MarkGoals() {
  RatioFormula(*ratio_, internal_, internalIndex_);
  TTwoPointConstraint::MarkGoals();
  const int32_t index = GetExtraGoals() + 1;
  if (index > static_cast<int32_t>(Goals().size())) return;
  TCnstrGoal& goal = Goal(index);
  goal.type = static_cast<int32_t>(GoalType::kPosition);
  goal.limit = 0;
  goal.Assign(Quantity());
}

void TGear::ResetQuantity() {
  Quantity().SetConstant(1.0);
  QuantityChanged(&Quantity());
  MarkChanged();
}

bool TGear::IsInHandleArea(double x, double y) {
  return x >= 0.1 && x < 0.9 && y >= 0.0 && y < 0.1;
}

void TGear::Update() {
  if (updating_) return;
  updating_ = true;
  for (int32_t end = 0; end < 2; ++end) {
    TPoint* point = AttachedPoint(end);
    if (point == nullptr || IsBackground(point->GetBody())) continue;
    const TVector centre = CentreOf(point->GetBody());
    point->SetWorldPosition(TVector3(centre.x, centre.y, point->GetWorldRotation()));
  }
  updating_ = false;
  const double before = ratio_->GetValue();
  if (IsRatioAutomatic()) ApplyAutomaticRatio();
  if (!IsInternal() || ratio_->IsFormula() || CheckInternalRatio()) return;
  ratio_->SetConstant(before);
  if (TWorldDoc* world = GetWorld())
    world->Host().ShowError(kErrGearRatio,
                            static_cast<int32_t>(kAlertList) << 16 | kAlertRatioRestored);
}

TWorldDoc* TGear::GetWorld() const {
  for (TLink* linked : Linked()) {
    if (auto* world = dynamic_cast<TWorldDoc*>(linked)) return world;
  }
  return nullptr;
}

void TGear::QuantityChanged(const TFormula* quantity) {
  if (quantity == rod_.get() || quantity == ratio_.get()) Redraw();
}

void TGear::Redraw() {
  ForEachLinked(1);
  Changed();
}

void TGear::DrawShape(const MacRect& /*area*/, uint16_t mode) {
  if (IsShown() == 0 || AttachedCount() < 2) return;
  MacPoint ends[2];
  MacPoint centres[2];
  for (int32_t end = 0; end < 2; ++end) {
    TLink* object = Attached()[static_cast<size_t>(end)];
    TVector at(0.0, 0.0);
    if (object->IsThing()) static_cast<TThing*>(object)->GetPosition(at);
    WorldToScreen(at, ends[end]);
    TMass* body = BodyOf(object);
    if (IsBackground(body))
      centres[end] = ends[end];
    else
      WorldToScreen(CentreOf(body), centres[end]);
  }
  const bool highlighted = (mode & kModeHighlighted) != 0;
  if (ShowsRod()) {
    PenState saved;
    PortGetPenState(saved);
    PortSetPenSize(1, 1);
    // A rod that never acts is drawn in the look of an inactive constraint.
    if (!IsRodAlwaysActive() && rod_->IsZeroConstant()) PortSetPenPattern(kInactivePattern);
    PortMoveTo(ends[0].h, ends[0].v);
    PortLineTo(ends[1].h - ends[0].h, ends[1].v - ends[0].v);
    PortMoveTo(centres[0].h, centres[0].v);
    PortLineTo(centres[1].h - centres[0].h, centres[1].v - centres[0].v);
    PortSetPenState(saved);
  }
  if (!ShowsCentres()) return;
  for (int32_t end = 0; end < 2; ++end) {
    MacPoint at = centres[end];
    if (IsBackground(BodyOf(Attached()[static_cast<size_t>(end)])) && highlighted) {
      at.h = static_cast<int16_t>(at.h + 1);
      at.v = static_cast<int16_t>(at.v + 1);
    }
    const bool ring = IsInternal() && internalIndex_ == end + 1;
    const char* name = ring ? (highlighted ? "GearInternalHiliteIcon" : "GearInternalIcon")
                            : (highlighted ? "GearHiliteIcon" : "GearIcon");
    DrawIconMasked(GetToolIcon(name), at.h, at.v);
  }
}

// ---- Properties ------------------------------------------------------------------------------

uint16_t TGear::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagGearShowCentres)
    value = showCentres_;
  else if (tag == kTagGearShowRod)
    value = showRod_;
  else if (tag == kTagGearRodAlways)
    value = rodAlwaysActive_;
  else if (tag == kTagGearRatioAuto)
    value = ratioAutomatic_;
  else if (tag == kTagGearInternal)
    value = internal_;
  else
    return TTwoPointConstraint::GetShortProperty(tag, value, extra);
  return 1;
}

void TGear::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagGearRodAlways) {
    rodAlwaysActive_ = value != 0 ? 1 : 0;
    rod_->SetConstant(value != 0 ? 1.0 : 0.0);
    MarkChanged();
    return;
  }
  if (tag == kTagGearRatioAuto) {
    const double previous = ratio_->GetValue();
    const uint16_t wasAutomatic = ratioAutomatic_;
    ratioAutomatic_ = value != 0 ? 1 : 0;
    if (ratioAutomatic_ != 0) ApplyAutomaticRatio();
    const auto restore = [&] {
      ratio_->SetConstant(previous);
      ratioAutomatic_ = wasAutomatic;
    };
    if (IsInternal() && !CheckInternalRatio()) {
      restore();
      ThrowFailure(kErrGearRatio, kMsgGearRatio);
    }
    if (ratioAutomatic_ != 0) {
      try {
        CheckDivisors(*ratio_, internal_);
      } catch (const QVException&) {
        restore();
        throw;
      }
    }
    ratio_->SetIsFormula(0);
    MarkChanged();
    return;
  }
  if (tag == kTagGearInternal) {
    if (IsRatioAutomatic()) ApplyAutomaticRatio();
    if (value != 0 && !ratio_->IsFormula()) {
      const uint16_t was = internal_;
      internal_ = 1;
      const bool meshes = CheckInternalRatio();
      internal_ = was;
      if (!meshes) ThrowFailure(kErrGearRatio, kMsgGearRatio);
    }
    CheckDivisors(*ratio_, value != 0 ? 1 : 0);
    internal_ = value != 0 ? 1 : 0;
    Redraw();
    MarkChanged();
    return;
  }
  if (tag == kTagGearShowCentres || tag == kTagGearShowRod) {
    (tag == kTagGearShowCentres ? showCentres_ : showRod_) = value != 0 ? 1 : 0;
    Redraw();
    return;
  }
  TTwoPointConstraint::SetShortProperty(tag, value);
}

uint16_t TGear::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagGearFirstInternal || tag == kTagGearSecondInternal) {
    const int16_t index = tag == kTagGearFirstInternal ? 1 : 2;
    value = IsInternal() && internalIndex_ == index ? 1 : 0;
    if (extra != nullptr) *static_cast<uint16_t*>(extra) = internal_;
    return 1;
  }
  return TTwoPointConstraint::GetChoiceProperty(tag, value, extra);
}

void TGear::SelectChoice(uint32_t tag) {
  if (tag != kTagGearFirstInternal && tag != kTagGearSecondInternal)
    return TTwoPointConstraint::SelectChoice(tag);
  internalIndex_ = tag == kTagGearFirstInternal ? 1 : 2;
  MarkChanged();
  Redraw();
}

TFormula* TGear::GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                                    uint16_t* flag) {
  if (tag == kTagGearRod) {
    if (flag != nullptr) *flag = rodAlwaysActive_ == 0 ? 1 : 0;
    if (dimension != nullptr) *dimension = 0;
    return rod_.get();
  }
  if (tag == kTagGearRatio) {
    if (IsRatioAutomatic()) ApplyAutomaticRatio();
    if (flag != nullptr) *flag = ratioAutomatic_ == 0 ? 1 : 0;
    if (dimension != nullptr) *dimension = 0;
    return ratio_.get();
  }
  return TTwoPointConstraint::GetFormulaProperty(tag, first, second, dimension, flag);
}

void TGear::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag == kTagGearRod) {
    rod_->Assign(formula);
    QuantityChanged(rod_.get());
    MarkChanged();
    return;
  }
  if (tag != kTagGearRatio) return TTwoPointConstraint::SetFormulaProperty(tag, formula);
  CheckDivisors(formula, internal_);
  const TFormula previous = *ratio_;
  RatioFormula(formula, internal_, internalIndex_);
  ratio_->Assign(formula);
  if (IsInternal() && !formula.IsFormula() && !CheckInternalRatio()) {
    ratio_->SetConstant(previous.GetValue());
    RatioFormula(*ratio_, internal_, internalIndex_);
    ThrowFailure(kErrGearRatio, kMsgGearRatio);
  }
  QuantityChanged(ratio_.get());
  MarkChanged();
}

uint16_t TGear::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  if (tag == kTagGearFirstBody || tag == kTagGearSecondBody) {
    int32_t number = 0;
    if (AttachedCount() >= 2)
      number = SolverNumberOf(BodyOf(Attached()[tag == kTagGearFirstBody ? 0 : 1]));
    value = Str255(("Body[" + std::to_string(number) + "]").c_str());
    if (extra != nullptr) *static_cast<uint16_t*>(extra) = internal_;
    return 1;
  }
  if (tag == kTagGearContactName) {
    const int32_t number = contact_ != nullptr ? contact_->GetIdentifier() : 0;
    value = Str255(("Constraint[" + std::to_string(number) + "]").c_str());
    return 1;
  }
  return TTwoPointConstraint::GetStringProperty(tag, value, extra);
}

void TGear::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                 ObjectCallback objectCallback, void* blockContext,
                                 void* objectContext) {
  if (tag == kTagGearRod || tag == kTagGearRatio) {
    found = 1;
    if (blockCallback != nullptr) blockCallback(kBlockKind, blockContext);
    return;
  }
  TTwoPointConstraint::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                            objectContext);
}

bool TGear::IsPropertyAvailable(uint32_t tag) const {
  const bool own = tag == kTagGearRod || tag == kTagGearRatio || tag == kTagGearRodAlways ||
                   tag == kTagGearRatioAuto || tag == kTagGearFirstBody ||
                   tag == kTagGearFirstInternal || tag == kTagGearSecondBody ||
                   tag == kTagGearSecondInternal;
  return !own || (IsCompleteForSolver() && IsInactive());
}
