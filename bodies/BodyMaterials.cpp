// TMass: materials and moment modes. A material is a "mate" resource of five numbers (density,
// static friction, kinetic friction, elasticity, charge), each ten bytes in the program's own
// sign, exponent and mantissa layout.

#include <cmath>
#include <limits>

#include "bodies/Body.h"
#include "bodies/BodyMaterial.h"
#include "bodies/BodyTags.h"
#include "core/Handle.h"
#include "core/Resources.h"

using namespace body_tags;

namespace {

// The low byte of the little-endian 16-bit word at index word of a number.
uint8_t LowByte(const uint8_t* number, int word) {
  return number[2 * word];
}

// The material resource of the index, released when the holder goes.
class MaterialResource {
 public:
  explicit MaterialResource(int16_t index)
      : handle_(GetResourceHandle(kTagMaterialResource, index)) {}
  ~MaterialResource() {
    if (handle_ != nullptr) ReleaseResourceHandle(handle_);
  }
  MaterialResource(const MaterialResource&) = delete;
  MaterialResource& operator=(const MaterialResource&) = delete;

  // The five numbers; false when there is no resource or it is too short to hold them.
  bool Decode(MaterialValues& values) const {
    if (handle_ == nullptr || GetHandleByteSize(handle_) < kMaterialRecordBytes) return false;
    return DecodeMaterialRecord(reinterpret_cast<const uint8_t*>(HandleData(handle_)), values);
  }

 private:
  Handle handle_;
};

}  // namespace

double DecodeMaterialNumber(const uint8_t* number) {
  const uint8_t sign = LowByte(number, 0);
  const uint8_t exponent = LowByte(number, 1);
  const uint32_t high = LowByte(number, 2) & 0x7Fu;
  const uint32_t middle = LowByte(number, 3);
  const uint32_t low = LowByte(number, 4);
  const bool mantissaZero = high == 0 && middle == 0 && low == 0;
  if (exponent == 0 && mantissaZero) return 0.0;
  if (exponent == kMaterialLargestExponent) {
    if (mantissaZero) return std::numeric_limits<double>::max();
    if (high != 0 && middle != 0 && low != 0) return 0.0;
  }
  const double mantissa = static_cast<double>((high << 16) | (middle << 8) | low);
  const double magnitude = std::ldexp(1.0 + mantissa / 8388608.0, exponent - 127);
  return (sign & 1u) != 0 ? -magnitude : magnitude;
}

bool DecodeMaterialRecord(const uint8_t* record, MaterialValues& values) {
  for (size_t i = 0; i < values.size(); ++i)
    values[i] = DecodeMaterialNumber(record + kMaterialNumberBytes * i);
  return true;
}

void TMass::ApplyMaterial(int16_t index) {
  if (material_ == 0) return;
  MaterialValues values{};
  if (!MaterialResource(index).Decode(values)) {
    ClearMaterial();
    return;
  }
  massGiven_ = 0;
  SetDensity(values[0]);
  staticFriction_->SetConstant(values[1]);
  kineticFriction_->SetConstant(values[2]);
  elasticity_->SetConstant(values[3]);
  charge_->SetConstant(values[4]);
  UpdateChargeSign();
  SetMass(GetArea() * GetDensity());
  momentValid_ = 0;
}

void TMass::ClearMaterial() {
  // The body keeps the mass it has: bring it up to date before it counts as given.
  if (massGiven_ == 0) GetMassFormula();
  material_ = 0;
  massGiven_ = 1;
}

int16_t TMass::CheckMaterial() {
  int16_t result = 0;
  MaterialValues values{};
  if (massGiven_ == 0 && MaterialResource(material_).Decode(values)) {
    const auto holds = [](const TFormula& formula, double value) {
      return !formula.IsFormula() && formula.GetValue() == value;
    };
    const bool still = GetDensity() == values[0] && !mass_->IsFormula() &&
                       holds(*staticFriction_, values[1]) && holds(*kineticFriction_, values[2]) &&
                       holds(*elasticity_, values[3]) && holds(*charge_, values[4]);
    if (still) {
      result = material_;
    } else {
      ClearMaterial();
    }
  }
  material_ = result;
  return result;
}

void TMass::SetMomentMode(int16_t mode) {
  momentMode_ = mode;
  momentValid_ = momentGiven_ = mode == kMomentGiven ? 1 : 0;
}

int16_t TMass::GetMomentMode() {
  if (momentValid_ == 0) ComputeMoment();
  return static_cast<int16_t>(momentMode_);
}
