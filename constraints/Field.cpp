// Field groups and the common part of the field constraints: own blocks, the settings command,
// the display name, the ground body and group of a field, and registration.

#include "constraints/Field.h"

#include "bodies/Background.h"
#include "constraints/CollisionGroup.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/Resources.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

// Block 1310's reference kind of the related object.
constexpr uint16_t kRefRelated = 1;

TFieldCnstr::SettingsCommandMaker& SettingsMaker() {
  static TFieldCnstr::SettingsCommandMaker maker = nullptr;
  return maker;
}

}  // namespace

// ---- 1. Field groups ---------------------------------------------------------------------------

void TFieldGroup::Initialize() {
  TGroup::Initialize();
  ownBlock_ = 0;
}

uint16_t TFieldGroup::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != ownBlock_ || ownBlock_ == 0) return TGroup::ReadBlockContents(code, reader);
  ReadOwnBlock(reader);
  return 1;
}

void TFieldGroup::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != ownBlock_ || ownBlock_ == 0) return TGroup::WriteBlockContents(code, writer);
  WriteOwnBlock(writer);
}

// The own block first; the group's members follow in block 1800.
void TFieldGroup::WriteFields(TObjectWriter& writer) {
  if (ownBlock_ != 0) writer.WriteBlock(*this, ownBlock_);
  TGroup::WriteFields(writer);
}

// ---- 2. Field constraint base ------------------------------------------------------------------

void TFieldCnstr::SetSettingsCommandMaker(SettingsCommandMaker maker) { SettingsMaker() = maker; }

void TFieldCnstr::Initialize() {
  TUICnstr::Initialize();
  ownBlock_ = 0;
  menuCommand_ = 0;
}

Str255 TFieldCnstr::GetDisplayName() const {
  Str255 open, close;
  GetIndString(open, kFieldNamePunctuation, 1);
  GetIndString(close, kFieldNamePunctuation, 2);
  Str255 name = GetName();
  name.Append(open);
  name.Append(GetNumberText());
  name.Append(close);
  return name;
}

// A player only watches, and a running world takes no edits: neither opens a field's settings.
static bool RefusesSettings(const TWorldDoc& world) {
  return world.GetPlayerMode() != 0 || world.FirstRunningCommand() != nullptr;
}

void TFieldCnstr::DoSetupMenus() {
  TUICnstr::DoSetupMenus();
  if (menuCommand_ == 0) return;
  const TWorldDoc* world = WorldOf(*this);
  EnableMenuCommand(menuCommand_, !IsMemoryLow() && world != nullptr && !RefusesSettings(*world));
}

std::unique_ptr<TCommandCore> TFieldCnstr::DoObjectMenuCommand(int16_t command, bool& handled) {
  if (command != menuCommand_ || command == 0)
    return TUICnstr::DoObjectMenuCommand(command, handled);
  handled = true;
  TWorldDoc* world = WorldOf(*this);
  if (world == nullptr || RefusesSettings(*world)) return nullptr;
  CheckWorldEdit(*world);
  return std::unique_ptr<TCommandCore>(
      SettingsMaker() != nullptr ? SettingsMaker()(command, *this) : nullptr);
}

uint16_t TFieldCnstr::ReadBlockContents(int16_t code, TObjectReader& reader) {
  const uint16_t handled = TUICnstr::ReadBlockContents(code, reader);
  if (code == ownBlock_ && ownBlock_ != 0) MarkChanged();
  return handled;
}

void TFieldCnstr::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                                   TLink* object) {
  TUICnstr::ResolveReference(reader, code, kind, object);
  if (code == kBlockRecord && kind == kRefRelated && object != nullptr) AddDependent(object);
}

void TFieldCnstr::SetFieldGroup(TGroup* group) {
  if (GetRelatedObject() != nullptr && GetRelatedObject() != group)
    RemoveDependent(GetRelatedObject());
  SetRelatedObject(group);
  AddDependent(group);
  MarkChanged();
}

TLink* TFieldCnstr::GroundBody() const {
  TWorldDoc* world = WorldOf(*this);
  if (world == nullptr) return nullptr;
  TLink* ground = world->FindObject(0);
  return IsKindOfSafe(ground, TZeroMass::kClassID) ? ground : nullptr;
}

TGroup* TFieldCnstr::FieldGroup() const {
  TLink* related = GetRelatedObject();
  return IsKindOfSafe(related, TGroup::kClassID) ? static_cast<TGroup*>(related) : nullptr;
}

TCnstrGoal* TFieldCnstr::FieldGoal(int32_t index) {
  const int32_t position = GetExtraGoals() + index;
  if (position < 1 || position > static_cast<int32_t>(Goals().size())) return nullptr;
  return &Goal(position);
}

void TFieldCnstr::SetGoalText(TCnstrGoal& goal, const Str255& text) {
  goal.SetFormattedText(text, nullptr, 0);
}

Str255 TFieldCnstr::NumberText(double value) {
  Str255 text;
  FormatDoubleText(value, text);
  return text;
}

// ---- Registration ------------------------------------------------------------------------------

void RegisterFieldClasses() {
  RegisterClassInfo("TCollisionGroup", kCollisionGroupTag, TCollisionGroup::kClassID,
                    TCollisionGroup::CreateObject, sizeof(TCollisionGroup));
  RegisterClassInfo("TGravGroup", kGravGroupTag, TGravGroup::kClassID, TGravGroup::CreateObject,
                    sizeof(TGravGroup));
  RegisterClassInfo("TAirGroup", kAirGroupTag, TAirGroup::kClassID, TAirGroup::CreateObject,
                    sizeof(TAirGroup));
  RegisterClassInfo("TElectGroup", kElectGroupTag, TElectGroup::kClassID,
                    TElectGroup::CreateObject, sizeof(TElectGroup));
  RegisterClassInfo("TCustomGroup", kCustomGroupTag, TCustomGroup::kClassID,
                    TCustomGroup::CreateObject, sizeof(TCustomGroup));
  RegisterClassInfo("TGravCnstr", kGravFieldTag, TGravCnstr::kClassID, TGravCnstr::CreateObject,
                    sizeof(TGravCnstr));
  RegisterClassInfo("TAirCnstr", kAirFieldTag, TAirCnstr::kClassID, TAirCnstr::CreateObject,
                    sizeof(TAirCnstr));
  RegisterClassInfo("TElectCnstr", kElectFieldTag, TElectCnstr::kClassID,
                    TElectCnstr::CreateObject, sizeof(TElectCnstr));
  RegisterClassInfo("TCustomCnstr", kCustomFieldTag, TCustomCnstr::kClassID,
                    TCustomCnstr::CreateObject, sizeof(TCustomCnstr));
}
