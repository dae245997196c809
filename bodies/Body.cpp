// TMass: registration, lifecycle and the recorded frames a body shows.

#include "bodies/Body.h"

#include <algorithm>
#include <cmath>

#include "bodies/BodyPicture.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "model/world/WorldDoc.h"

namespace {

constexpr int16_t kFirstLabel = 3438;
constexpr int16_t kLabelCount = 16;
// The order in which registration looks the labels up.
constexpr int16_t kLabelOrder[kLabelCount] = {3443, 3444, 3438, 3439, 3440, 3447, 3448, 3449,
                                              3450, 3452, 3453, 3442, 3441, 3451, 3445, 3446};

std::array<Str255, kLabelCount>& Labels() {
  static std::array<Str255, kLabelCount> labels;
  return labels;
}

std::unique_ptr<int16_t[]>& Patterns() {
  static std::unique_ptr<int16_t[]> patterns;
  return patterns;
}

}  // namespace

// ---- 1. Registration -------------------------------------------------------------------------

void TMass::RegisterClass() {
  RegisterClassInfo("TMass", kMassTag, kClassID, CreateObject, sizeof(TMass));
  for (const int16_t id : kLabelOrder)
    LookupIndString(Labels()[static_cast<size_t>(id - kFirstLabel)], id, 0);
  auto table = std::unique_ptr<int16_t[]>(new (std::nothrow) int16_t[kBodyPatternCount]);
  FailIfNull(table.get());
  for (int32_t i = 0; i < kBodyPatternCount; ++i)
    table[static_cast<size_t>(i)] = static_cast<int16_t>(kFirstPatternNumber + i);
  Patterns() = std::move(table);
}

void TMass::TermClass() {
  Patterns().reset();
}

TObject* TMass::CreateObject() {
  return new (std::nothrow) TMass();
}

const Str255& TMass::BodyLabel(int16_t id) {
  static const Str255 none;
  if (id < kFirstLabel || id >= kFirstLabel + kLabelCount) return none;
  return Labels()[static_cast<size_t>(id - kFirstLabel)];
}

const int16_t* TMass::PatternTable() {
  return Patterns().get();
}

// ---- 2. Lifecycle ----------------------------------------------------------------------------

TMass::TMass() {
  ResetFields();
}

TMass::~TMass() {
  if (picture_ != nullptr) picture_->BodyGone(this);
  DeleteFormulas();
}

void TMass::ResetFields() {
  attachedBody_ = joinedTo_ = nullptr;
  shownValid_ = inverseValid_ = screenValid_ = screenInverseValid_ = cornersValid_ = 0;
  shownTransform_ = inverseTransform_ = screenTransform_ = screenInverse_ = Transform2D();
  screenCorners_.fill(MacPoint());
  recordWord_ = 0;
  anchored_ = 0;
  extentSquared_ = 0.0;
  localBounds_ = TDoubleRect(0, 0, 0, 0);
  centroidValid_ = comAutomatic_ = 1;
  comOffsetNonZero_ = comCacheValid_ = 0;
  comScreenPoint_ = MacPoint();
  area_ = density_ = 1.0;
  material_ = 1;
  momentMode_ = 2;
  massGiven_ = momentGiven_ = areaValid_ = densityValid_ = massValid_ = momentValid_ = 0;
  picture_ = nullptr;
  penSize_ = 1;
  filled_ = 1;
  // Registration makes the table before any body exists; without it the body has no pattern.
  fillPattern_ = PatternTable();
  colour_ = RGB16Color{65535, 65535, 65535};
  showCentreMark_ = showChargeMark_ = trackOutline_ = 0;
  chargeSign_ = 1;
  screenOrigin_ = MacPoint();
  screenOriginVector_ = TVector(0, 0);
  screenOriginValid_ = 0;
  optionWord_ = 1;
}

void TMass::DeleteFormulas() {
  for (auto* formula : {&posX_, &posY_, &posRot_, &velX_, &velY_, &velRot_, &mass_, &moment_,
                        &comX_, &comY_, &staticFriction_, &kineticFriction_, &elasticity_,
                        &charge_, &anchorFormula1_, &anchorFormula2_})
    formula->reset();
  attachments_.reset();
}

void TMass::Initialize() {
  ResetFields();
  DeleteFormulas();
  try {
    TVectorMassBase::Initialize();
    for (auto* formula : {&posX_, &posY_, &posRot_, &velX_, &velY_, &velRot_, &mass_, &moment_,
                          &comX_, &comY_, &staticFriction_, &kineticFriction_, &elasticity_,
                          &charge_, &anchorFormula1_, &anchorFormula2_})
      *formula = TFormula::New();
    attachments_ = std::make_unique<TList>();
    attachments_->IList();
  } catch (...) {
    // Nothing half made stays behind; the creator frees the body.
    DeleteFormulas();
    throw;
  }
}

bool TMass::HasProperty(uint32_t tag) {
  return tag == kMassTag || TVectorMassBase::HasProperty(tag);
}

int16_t TMass::GetPatternNumber() const {
  return fillPattern_ != nullptr ? *fillPattern_ : kFirstPatternNumber;
}

// ---- 3. Recorded frames ----------------------------------------------------------------------

void TMass::InvalidateShownTransform() {
  shownValid_ = inverseValid_ = screenValid_ = screenInverseValid_ = cornersValid_ = 0;
  comCacheValid_ = screenOriginValid_ = 0;
}

void TMass::ShowRecordedFrame(int16_t frame, int16_t first, int16_t last) {
  TWorldDoc* world = GetWorld();
  TFrameStore* store = world != nullptr ? world->GetStore() : nullptr;
  if (store == nullptr || frame < 0 || frame < first || frame > last) return;
  const int32_t offset = world->BodyValueOffset(this);
  if (offset < 0) return;
  // Frames with the position alone give no velocities; the rotation gives its cosine and sine.
  double v[8] = {};
  const int32_t count = world->RecordLayout().frame.valuesPerBody;
  for (int32_t i = 0; i < count && i < 8; ++i)
    v[i] = store->Value(frame, offset + i);
  if (count < 8) {
    v[6] = std::cos(v[2]);
    v[7] = std::sin(v[2]);
  }
  ShowFrameState({v[0], v[1], v[2]}, {v[3], v[4], v[5]}, v[6], v[7]);
  ShowRecordedCharge(*world, *store, frame);
  ShowRecordedArrows(*world, *store, frame);
  InvalidateScreenCache();
}

// The arrows' formulas follow the charge in the body's element list.
void TMass::ShowRecordedArrows(TWorldDoc& world, TFrameStore& store, int16_t frame) {
  const int32_t offset = world.RecordedValueOffset(this);
  if (offset < 0) return;
  const int32_t skipped = charge_->IsFormula() ? 1 : 0;
  int32_t index = offset + skipped;
  LoadArrowValues(world.RecordLayout().RecordedCount(this) - skipped,
                  [&] { return store.Value(frame, index++); });
}

// A charge given by a formula was recorded as the first value of the body's element list; a
// charge that became a formula after the frames were recorded has no value in them.
void TMass::ShowRecordedCharge(TWorldDoc& world, TFrameStore& store, int16_t frame) {
  if (!charge_->IsFormula() || world.RecordLayout().RecordedCount(this) < 1) return;
  const int32_t offset = world.RecordedValueOffset(this);
  if (offset < 0) return;
  charge_->StoreConstant(store.Value(frame, offset));
  const double value = charge_->GetValue();
  chargeSign_ = value > 0.0 ? 2 : value < 0.0 ? 0 : 1;
}

void TMass::ShowFrameState(const TVector3& position, const TVector3& velocity, double cosine,
                           double sine) {
  InvalidateShownTransform();
  shownTransform_.cosine = cosine;
  shownTransform_.sine = sine;
  shownTransform_.tx = position.x;
  shownTransform_.ty = position.y;
  shownTransform_.angle = position.r;
  // Formula texts stay: only their current values take the recorded state.
  posX_->StoreConstant(position.x);
  posY_->StoreConstant(position.y);
  posRot_->StoreConstant(position.r);
  velX_->StoreConstant(velocity.x);
  velY_->StoreConstant(velocity.y);
  velRot_->StoreConstant(velocity.r);
  shownValid_ = 1;
}

TVector3 TMass::GetPositionValues() const {
  return {posX_->GetValue(), posY_->GetValue(), posRot_->GetValue()};
}

void TMass::StorePosition(const TVector3& position) {
  InvalidateShownTransform();
  posX_->StoreConstant(position.x);
  posY_->StoreConstant(position.y);
  posRot_->StoreConstant(position.r);
  Changed();
}
