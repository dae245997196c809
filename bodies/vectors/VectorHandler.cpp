// The world's vector settings: parts drawn, colour and scale of each group, placement of force
// arrows and the pen, as properties and as a document block.

#include "bodies/vectors/VectorArrows.h"

#include <algorithm>
#include <array>
#include <vector>

#include "bodies/vectors/DocumentVectorWorld.h"
#include "bodies/vectors/VectorThing.h"
#include "core/ClassRegistry.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

namespace {

// A pen width of 0 in a document stands for the width older documents drew with.
constexpr int16_t kStoredZeroPenWidth = 2;

double Clamped01(double value) {
  if (value < 0.0) return 0.0;
  if (value > 1.0) return 1.0;
  // NaN is no scale: it shows nothing rather than drawing arrows of no length anywhere.
  return value == value ? value : 0.0;
}

TObject* CreateVectorHandler() {
  return new TGlobalVectorHandler();
}

// Field caches by slot: 0 gravity, 1 air resistance, 2 custom, 3 electrostatic.
constexpr std::array<int16_t, 4> kFieldClasses = {kGravityFieldClass, kAirFieldClass,
                                                  kCustomFieldClass, kElectricFieldClass};

int FieldSlotOf(TLink& object) {
  for (size_t slot = 0; slot < kFieldClasses.size(); ++slot)
    if (object.IsMemberClass(kFieldClasses[slot])) return static_cast<int>(slot);
  return -1;
}

// The world's things that carry arrows, and those linked to its objects, each told once; the
// settings and field changes only mark what the arrows draw, so the things are not redrawn here.
template <class Visit>
void ForEachVectorThing(TWorldDoc& world, Visit visit) {
  TObjectMatch match;
  match.accepts = [](TLink& object) { return dynamic_cast<TVectorThing*>(&object) != nullptr; };
  match.give = [&visit](TLink& object) { visit(*dynamic_cast<TVectorThing*>(&object)); };
  match.redraw = false;
  world.ForEachObjectMatching(match);
}

}  // namespace

void TGlobalVectorHandler::SetDefaults() {
  flags_ = TVectorComponentFlags{};
  velocityColour_ = RGB16Color{};
  accelerationColour_ = RGB16Color{};
  forceColour_ = RGB16Color{};
  velocityScale_ = 0.2;
  accelerationScale_ = 0.13;
  forceScale_ = 0.13;
  combineContacts_ = 1;
  startsAtPoint_ = 1;
  penWidth_ = 1;
  fields_.fill(nullptr);
  refreshPending_ = 0;
  registered_ = 0;
}

void TGlobalVectorHandler::Initialize() {
  SetDefaults();
  THandlerLink::Initialize();
}

TVectorGroupStyle TGlobalVectorHandler::GetGroupStyle(int16_t group) const {
  if (group == kVectorGroupVelocity) return {velocityColour_, velocityScale_};
  if (group == kVectorGroupAcceleration) return {accelerationColour_, accelerationScale_};
  return {forceColour_, forceScale_};
}

void TGlobalVectorHandler::GetKindPlacement(int16_t kind, uint16_t& combine,
                                            uint16_t& startsAtPoint) const {
  if (kind == 0 || kind == 1) {
    combine = 1;
    startsAtPoint = 1;
  } else if (kind == 9 || kind == 10) {
    combine = combineContacts_;
    startsAtPoint = startsAtPoint_;
  } else {
    combine = 1;
    startsAtPoint = startsAtPoint_;
  }
}

void TGlobalVectorHandler::SetScales(double velocity, double acceleration, double force) {
  velocityScale_ = Clamped01(velocity);
  accelerationScale_ = Clamped01(acceleration);
  forceScale_ = Clamped01(force);
  VectorSettingsChanged(0);
}

TVector TGlobalVectorHandler::OffsetToValue(int16_t group, const TVector& offset) const {
  const double scale = GetGroupStyle(group).scale;
  if (scale == 0.0) return offset;
  return TVector{offset.x / scale, offset.y / scale};
}

// ---- Properties ---------------------------------------------------------------------------------

uint16_t TGlobalVectorHandler::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  // The world's preference for velocity handles is edited beside the settings.
  if (tag == kTagVelocityOption) {
    TWorldDoc* world = TDocumentVectorWorld::FindWorld(*this);
    return world != nullptr ? world->GetFlagProperty(tag, value, extra) : 0;
  }
  uint16_t* flag = nullptr;
  if (tag == kTagShowXComponent) flag = &flags_.x;
  if (tag == kTagShowYComponent) flag = &flags_.y;
  if (tag == kTagShowWholeVector) flag = &flags_.whole;
  if (tag == kTagShowVectorLabels) {
    value = flags_.labels;
    return 1;
  }
  if (flag == nullptr) return THandlerLink::GetFlagProperty(tag, value, extra);
  value = *flag;
  // The last visible part of an arrow cannot be switched off.
  const int shown = (flags_.x != 0) + (flags_.y != 0) + (flags_.whole != 0);
  if (extra != nullptr) *static_cast<uint16_t*>(extra) = (*flag != 0 && shown == 1) ? 0 : 1;
  return 1;
}

void TGlobalVectorHandler::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagVelocityOption) {
    if (TWorldDoc* world = TDocumentVectorWorld::FindWorld(*this)) world->SetFlagProperty(tag, value);
    return;
  }
  if (tag == kTagShowXComponent) {
    flags_.x = value;
  } else if (tag == kTagShowYComponent) {
    flags_.y = value;
  } else if (tag == kTagShowWholeVector) {
    flags_.whole = value;
  } else if (tag == kTagShowVectorLabels) {
    flags_.labels = value;
  } else {
    THandlerLink::SetFlagProperty(tag, value);
    return;
  }
  VectorSettingsChanged(0);
}

uint16_t TGlobalVectorHandler::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagCombineContacts) {
    value = combineContacts_ != 0 ? 1 : 0;
  } else if (tag == kTagSeparateContacts) {
    value = combineContacts_ != 0 ? 0 : 1;
  } else if (tag == kTagStartAtPoint) {
    value = startsAtPoint_ != 0 ? 1 : 0;
  } else if (tag == kTagEndAtPoint) {
    value = startsAtPoint_ != 0 ? 0 : 1;
  } else {
    return THandlerLink::GetChoiceProperty(tag, value, extra);
  }
  return 1;
}

void TGlobalVectorHandler::SelectChoice(uint32_t tag) {
  if (tag == kTagCombineContacts) {
    combineContacts_ = 1;
  } else if (tag == kTagSeparateContacts) {
    combineContacts_ = 0;
  } else if (tag == kTagStartAtPoint) {
    startsAtPoint_ = 1;
  } else if (tag == kTagEndAtPoint) {
    startsAtPoint_ = 0;
  } else {
    THandlerLink::SelectChoice(tag);
    return;
  }
  VectorSettingsChanged(0);
}

double& TGlobalVectorHandler::ScaleOf(uint32_t tag) {
  if (tag == kTagVelocityScale) return velocityScale_;
  if (tag == kTagAccelerationScale) return accelerationScale_;
  return forceScale_;
}

uint16_t TGlobalVectorHandler::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  if (tag != kTagVelocityScale && tag != kTagAccelerationScale && tag != kTagForceScale)
    return THandlerLink::GetNumberProperty(tag, value, extra);
  value = ScaleOf(tag);
  return 1;
}

void TGlobalVectorHandler::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag != kTagVelocityScale && tag != kTagAccelerationScale && tag != kTagForceScale) {
    THandlerLink::SetNumberProperty(tag, value);
    return;
  }
  ScaleOf(tag) = value;
  VectorSettingsChanged(0);
}

uint16_t TGlobalVectorHandler::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagVectorPenWidth) return THandlerLink::GetShortProperty(tag, value, extra);
  value = static_cast<uint16_t>(penWidth_);
  return 1;
}

void TGlobalVectorHandler::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagVectorPenWidth) {
    THandlerLink::SetShortProperty(tag, value);
    return;
  }
  penWidth_ = static_cast<int16_t>(value);
  VectorSettingsChanged(0);
}

RGB16Color* TGlobalVectorHandler::ColourOf(uint32_t tag) {
  if (tag == kTagVelocityColour) return &velocityColour_;
  if (tag == kTagAccelerationColour) return &accelerationColour_;
  if (tag == kTagForceColour) return &forceColour_;
  return nullptr;
}

uint16_t TGlobalVectorHandler::GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) {
  const RGB16Color* colour = ColourOf(tag);
  if (colour == nullptr) return THandlerLink::GetColourProperty(tag, value, extra);
  value = *colour;
  return 1;
}

void TGlobalVectorHandler::SetColourProperty(uint32_t tag, const RGB16Color& value) {
  RGB16Color* colour = ColourOf(tag);
  if (colour == nullptr) {
    THandlerLink::SetColourProperty(tag, value);
    return;
  }
  *colour = value;
  VectorSettingsChanged(0);
}

// ---- Filing -------------------------------------------------------------------------------------

uint16_t TGlobalVectorHandler::CanReadBlock(int16_t code) {
  return code == kBlockVectorSettings ? 1 : THandlerLink::CanReadBlock(code);
}

uint16_t TGlobalVectorHandler::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockVectorSettings) return THandlerLink::ReadBlockContents(code, reader);
  flags_.x = static_cast<uint16_t>(reader.ReadInt());
  flags_.y = static_cast<uint16_t>(reader.ReadInt());
  flags_.whole = static_cast<uint16_t>(reader.ReadInt());
  flags_.labels = static_cast<uint16_t>(reader.ReadInt());
  combineContacts_ = static_cast<uint16_t>(reader.ReadInt());
  startsAtPoint_ = static_cast<uint16_t>(reader.ReadInt());
  reader.ReadColor(velocityColour_);
  reader.ReadColor(accelerationColour_);
  reader.ReadColor(forceColour_);
  velocityScale_ = reader.ReadReal();
  accelerationScale_ = reader.ReadReal();
  forceScale_ = reader.ReadReal();
  penWidth_ = static_cast<int16_t>(reader.ReadInt());
  if (penWidth_ == 0) penWidth_ = kStoredZeroPenWidth;
  VectorSettingsChanged(0);
  return 1;
}

void TGlobalVectorHandler::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockVectorSettings) {
    THandlerLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteCode(flags_.x);
  writer.WriteCode(flags_.y);
  writer.WriteCode(flags_.whole);
  writer.WriteCode(flags_.labels);
  writer.WriteCode(combineContacts_);
  writer.WriteCode(startsAtPoint_);
  writer.WriteColor(velocityColour_);
  writer.WriteColor(accelerationColour_);
  writer.WriteColor(forceColour_);
  writer.WriteDouble(velocityScale_);
  writer.WriteDouble(accelerationScale_);
  writer.WriteDouble(forceScale_);
  writer.WriteCode(penWidth_);
}

void TGlobalVectorHandler::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockVectorSettings);
  THandlerLink::WriteFields(writer);
}

void TGlobalVectorHandler::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kVectorHandlerTag);
}

void RegisterVectorHandlerClass() {
  MakeVectorLabels();
  TWorldDoc::SetVelocityOptionHook([](TLink& object, uint16_t value) {
    if (auto* thing = dynamic_cast<TVectorThing*>(&object)) thing->SetVectorOption(0, value);
  });
  RegisterClassInfo("TGlobalVectorHandler", kVectorHandlerTag, TGlobalVectorHandler::kClassID,
                    CreateVectorHandler, sizeof(TGlobalVectorHandler));
}

// ---- Force fields -------------------------------------------------------------------------------

TLink* TGlobalVectorHandler::FindField(int slot) {
  TLink*& kept = fields_[static_cast<size_t>(slot)];
  TWorldDoc* world = TDocumentVectorWorld::FindWorld(*this);
  if (world == nullptr) {
    refreshPending_ = 1;
    return kept;
  }
  const std::vector<TLink*> objects = world->Objects();
  // A field the world no longer holds is forgotten (only its address is compared), so that the
  // next one is found.
  if (kept != nullptr && std::find(objects.begin(), objects.end(), kept) == objects.end())
    kept = nullptr;
  if (kept != nullptr) return kept;
  for (TLink* object : objects) {
    if (object != nullptr && object->IsMemberClass(kFieldClasses[static_cast<size_t>(slot)])) {
      kept = object;
      return kept;
    }
  }
  refreshPending_ = 1;
  return nullptr;
}

TLink* TGlobalVectorHandler::GetFieldOfKind(int16_t kind) {
  switch (kind) {
    case 3:
    case 6:
      return GetGravityField();
    case 4:
      return GetAirField();
    case 5:
    case 8:
      return GetCustomField();
    case 7:
      return GetElectricField();
    default:
      return nullptr;
  }
}

uint16_t TGlobalVectorHandler::IsFieldActive(int16_t kind) {
  TLink* field = GetFieldOfKind(kind);
  if (field == nullptr) return 0;
  const auto* source = dynamic_cast<const TVectorFieldSource*>(field);
  return source == nullptr || source->IsVectorFieldReady() ? 1 : 0;
}

int16_t TGlobalVectorHandler::GetFieldNumber(int16_t kind) {
  TLink* field = GetFieldOfKind(kind);
  return field != nullptr ? field->GetIdentifier() : 0;
}

bool TGlobalVectorHandler::IsUniformField(TLink* field) {
  const auto* source = dynamic_cast<const TVectorFieldSource*>(field);
  return source == nullptr || !source->IsVectorFieldReady() || source->IsVectorFieldUniform();
}

void TGlobalVectorHandler::JoinedWorld(TWorldDoc& world) {
  if (registered_ != 0) return;
  registered_ = 1;
  for (int slot = 0; slot < static_cast<int>(fields_.size()); ++slot)
    FindField(slot);
  if (refreshPending_ == 0) return;
  ForEachVectorThing(world, [](TVectorThing& thing) { thing.UpdateFieldVectors(); });
}

void TGlobalVectorHandler::ObjectJoined(TWorldDoc& world, TLink& object) {
  const int slot = FieldSlotOf(object);
  if (slot < 0) return;
  TLink*& kept = fields_[static_cast<size_t>(slot)];
  if (kept == nullptr) kept = &object;
  ForEachVectorThing(world, [&object](TVectorThing& thing) { thing.FieldAdded(&object); });
}

// The cache of a field that leaves is emptied before the things hear of it, so that what they
// rebuild names the next field of its class, which the next search finds.
void TGlobalVectorHandler::ObjectLeaving(TWorldDoc& world, TLink& object) {
  const int slot = FieldSlotOf(object);
  if (slot < 0) return;
  TLink*& kept = fields_[static_cast<size_t>(slot)];
  if (kept == nullptr) return;
  if (kept == &object) kept = nullptr;
  ForEachVectorThing(world, [&object](TVectorThing& thing) { thing.FieldRemoved(&object); });
}

void TGlobalVectorHandler::VectorSettingsChanged(int16_t) {
  TWorldDoc* world = TDocumentVectorWorld::FindWorld(*this);
  if (world == nullptr) return;
  ForEachVectorThing(*world, [](TVectorThing& thing) { thing.VectorSettingsChanged(); });
  world->RedrawAll(1, 1);
}
