#include "simulation/Engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/Alert.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "simulation/DimensionCode.h"

namespace {

using yb::dynamics::IntegratorKind;
using yb::dynamics::RunMode;

constexpr uint32_t kTagEuler = MakeTag("Eul/");
constexpr uint32_t kTagKuttaMerson = MakeTag("KT/M");
constexpr uint32_t kTagModes[] = {MakeTag("Fas/"), MakeTag("Std/"), MakeTag("Acc/"),
                                  MakeTag("Cus/")};
constexpr uint32_t kTagVariableStep = MakeTag("VrT/");
constexpr uint32_t kTagFixedStep = MakeTag("LkT/");
constexpr uint32_t kTagAutoStep = MakeTag("dtA/");
constexpr uint32_t kTagManualStep = MakeTag("dtM/");
constexpr uint32_t kTagAutoError = MakeTag("erA/");
constexpr uint32_t kTagManualError = MakeTag("erM/");
constexpr uint32_t kTagAutoOverlap = MakeTag("vari");
constexpr uint32_t kTagOverlap = MakeTag("fixd");
constexpr uint32_t kTagAutoAssembly = MakeTag("asvr");
constexpr uint32_t kTagAssembly = MakeTag("asfx");
constexpr uint32_t kTagAutoDigits = MakeTag("siga");
constexpr uint32_t kTagDigits = MakeTag("sigm");
constexpr uint32_t kTagWarnInaccurate = MakeTag("lV^/");
constexpr uint32_t kTagWarnOverlap = MakeTag("lO^/");
constexpr uint32_t kTagWarnRedundant = MakeTag("R#C/");
constexpr uint32_t kTagWarnInconsistent = MakeTag("I#C/");
constexpr uint32_t kTagStepsPerFrame = MakeTag("spfr");
constexpr uint32_t kTagAnimationStep = MakeTag("dt_/");
constexpr uint32_t kTagFrameRate = MakeTag("/dt/");
constexpr uint32_t kTagIntegratorError = MakeTag("err/");
constexpr uint32_t kTagIntegrationStep = MakeTag("dtI/");

TObject* CreateEngine() {
  return new TEngine();
}

// A switch pair: the tag that turns it on, the one that turns it off.
struct SwitchPair {
  uint32_t on;
  uint32_t off;
  bool yb::dynamics::RunSettings::*field;
};
constexpr SwitchPair kSwitches[] = {
    {kTagVariableStep, kTagFixedStep, &yb::dynamics::RunSettings::variableStep},
    {kTagAutoStep, kTagManualStep, &yb::dynamics::RunSettings::autoAnimationStep},
    {kTagAutoError, kTagManualError, &yb::dynamics::RunSettings::autoIntegratorError},
    {kTagAutoOverlap, kTagOverlap, &yb::dynamics::RunSettings::autoOverlapError},
    {kTagAutoAssembly, kTagAssembly, &yb::dynamics::RunSettings::autoAssemblyError},
    {kTagAutoDigits, kTagDigits, &yb::dynamics::RunSettings::autoSignificantDigits},
};

const SwitchPair* FindSwitch(uint32_t tag) {
  for (const SwitchPair& pair : kSwitches)
    if (tag == pair.on || tag == pair.off) return &pair;
  return nullptr;
}

int16_t* FindWarning(yb::dynamics::RunSettings& settings, uint32_t tag) {
  if (tag == kTagWarnInaccurate) return &settings.warnInaccurate;
  if (tag == kTagWarnOverlap) return &settings.warnOverlap;
  if (tag == kTagWarnRedundant) return &settings.warnRedundant;
  if (tag == kTagWarnInconsistent) return &settings.warnInconsistent;
  return nullptr;
}

int ModeOfTag(uint32_t tag) {
  for (int mode = 0; mode < 4; ++mode)
    if (tag == kTagModes[mode]) return mode;
  return -1;
}

bool Usable(double value) {
  return value > 0.0 && value < 1e300;
}

void SetEnabled(void* enabled, uint16_t value) {
  if (enabled != nullptr) *static_cast<uint16_t*>(enabled) = value;
}

int16_t ClampToError(int64_t number) {
  return static_cast<int16_t>(std::clamp<int64_t>(number, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

}  // namespace

int16_t MapEngineError(int32_t code) {
  if (code == kEngineOk) return 0;
  if (code == kEngineOutOfMemory) return kErrOutOfMemory;
  return ClampToError(int64_t{code} - 29999);
}

int16_t RunErrorNumber(int32_t code) {
  return code == kEngineOk ? 0 : ClampToError(int64_t{code} - 29999);
}

bool TInputRecords::Add(int32_t identifier, double value) {
  if (identifier == 0 || count_ >= kMostInputs) return false;
  uint8_t* record = bytes_ + count_ * kInputRecordBytes;
  std::memcpy(record, &identifier, sizeof identifier);
  std::memcpy(record + sizeof identifier, &value, sizeof value);
  ++count_;
  std::memset(bytes_ + count_ * kInputRecordBytes, 0, kInputRecordBytes);
  return true;
}

// ---- The engine ----

TEngine::TEngine() {
  new_world(&world_);
}

TEngine::~TEngine() {
  free_world(world_);
}

int16_t TEngine::ClearWorld() {
  return MapEngineError(clear_world(world_));
}

int16_t TEngine::ReadWorld(const uint8_t* bytes, int32_t count) {
  if (bytes == nullptr || count < 0) return MapEngineError(kEngineCannotRead);
  const int32_t code = read_world(world_, bytes, count);
  // A model refused names what it refuses and why: the alert about it says so.
  char refusal[256];
  if (code == kEngineBadModel && world_refusal(world_, refusal, sizeof refusal) > 0)
    FailureDetailText() = Str255(refusal);
  return MapEngineError(code);
}

int16_t TEngine::Run(const uint8_t* inputs, int32_t inputBytes, Handle history,
                     int32_t historyBytes, EngineProgressCallback progress, int32_t* status) {
  if (history == nullptr || historyBytes < 0 ||
      static_cast<uint32_t>(historyBytes) > GetHandleByteSize(history))
    return RunErrorNumber(kEngineBadArgument);
  const bool wasLocked = IsHandleLocked(history);
  LockHandle(history);
  const int32_t code =
      run_world(world_, inputs, inputBytes, reinterpret_cast<uint8_t*>(HandleData(history)),
                historyBytes, progress, status);
  if (!wasLocked) UnlockHandle(history);
  return RunErrorNumber(code);
}

int16_t TEngine::Unlock() {
  return MapEngineError(unlock_world(world_));
}

double TEngine::GetTimeStep() {
  if (settings_.autoAnimationStep) SuggestTimeStep();
  return settings_.animationStep;
}

double TEngine::GetEngineValue(int32_t which) const {
  double value = 0.0;
  return engine_value(world_, which, &value) == kEngineOk ? value : 0.0;
}

void TEngine::SuggestTimeStep() {
  double step = 0.0;
  double error = 0.0;
  double overlap = 0.0;
  double assembly = 0.0;
  if (suggest_external_dt(world_, &step, &error, &overlap, &assembly) != kEngineOk) return;
  if (settings_.autoAnimationStep && Usable(step)) settings_.animationStep = step;
  if (settings_.autoIntegratorError && Usable(error)) settings_.integratorError = error;
  if (settings_.autoOverlapError && Usable(overlap)) settings_.overlapError = overlap;
  if (settings_.autoAssemblyError && Usable(assembly)) settings_.assemblyError = assembly;
}

void TEngine::SetRunMode(int16_t mode) {
  if (mode < 0 || mode > 3) return;
  settings_.SetRunMode(static_cast<RunMode>(mode));
}

void TEngine::ChangedToCustom() {
  settings_.mode = RunMode::Custom;
}

void TEngine::SettingsChanged() {
  Changed();
  ForEachLinked(0);
}

uint16_t TEngine::GetChoiceProperty(uint32_t tag, int16_t& value, void* enabled) {
  if (tag == kTagEuler || tag == kTagKuttaMerson) {
    const IntegratorKind kind =
        tag == kTagEuler ? IntegratorKind::Euler : IntegratorKind::KuttaMerson;
    value = settings_.integrator == kind ? 1 : 0;
  } else if (const int mode = ModeOfTag(tag); mode >= 0) {
    value = static_cast<int>(settings_.mode) == mode ? 1 : 0;
  } else if (const SwitchPair* pair = FindSwitch(tag)) {
    value = (settings_.*(pair->field)) == (tag == pair->on) ? 1 : 0;
  } else {
    return TLink::GetChoiceProperty(tag, value, enabled);
  }
  SetEnabled(enabled, 1);
  return 1;
}

void TEngine::SelectChoice(uint32_t tag) {
  const int mode = ModeOfTag(tag);
  const SwitchPair* pair = FindSwitch(tag);
  if (tag == kTagEuler) {
    settings_.SelectEuler();
  } else if (tag == kTagKuttaMerson) {
    settings_.SelectKuttaMerson();
  } else if (mode >= 0) {
    SetRunMode(static_cast<int16_t>(mode));
  } else if (pair != nullptr) {
    settings_.*(pair->field) = tag == pair->on;
  } else {
    TLink::SelectChoice(tag);
    return;
  }
  const bool keepsMode = mode >= 0 || tag == kTagAutoError || tag == kTagManualError ||
                         tag == kTagAutoStep || tag == kTagManualStep;
  if (!keepsMode) ChangedToCustom();
  SettingsChanged();
}

uint16_t TEngine::GetFlagProperty(uint32_t tag, uint16_t& value, void* enabled) {
  if (int16_t* warning = FindWarning(settings_, tag)) {
    value = *warning != 0 ? 1 : 0;
  } else if (tag == kTagAutoError) {
    value = settings_.autoIntegratorError ? 1 : 0;
  } else if (tag == kTagAutoStep) {
    value = settings_.autoAnimationStep ? 1 : 0;
  } else {
    return TLink::GetFlagProperty(tag, value, enabled);
  }
  SetEnabled(enabled, 1);
  return 1;
}

void TEngine::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (int16_t* warning = FindWarning(settings_, tag)) {
    *warning = value != 0 ? 1 : 0;
    ChangedToCustom();
  } else if (tag == kTagAutoError) {
    settings_.autoIntegratorError = value != 0;
  } else if (tag == kTagAutoStep) {
    settings_.autoAnimationStep = value != 0;
  } else {
    TLink::SetFlagProperty(tag, value);
    return;
  }
  SettingsChanged();
}

uint16_t TEngine::GetIntProperty(uint32_t tag, int32_t& value, void* enabled) {
  if (tag == kTagStepsPerFrame) {
    value = settings_.variableStep ? 1 : settings_.stepsPerFrame;
    SetEnabled(enabled, settings_.variableStep ? 0 : 1);
    return 1;
  }
  if (tag == kTagDigits) {
    value = settings_.significantDigits;
    SetEnabled(enabled, settings_.autoSignificantDigits ? 0 : 1);
    return 1;
  }
  return TLink::GetIntProperty(tag, value, enabled);
}

void TEngine::SetIntProperty(uint32_t tag, int32_t value) {
  if (tag == kTagStepsPerFrame) {
    settings_.SetStepsPerFrame(value);
    ChangedToCustom();
  } else if (tag == kTagDigits) {
    settings_.significantDigits = static_cast<int16_t>(std::clamp(value, 1, 17));
  } else {
    TLink::SetIntProperty(tag, value);
    return;
  }
  SettingsChanged();
}

uint16_t TEngine::GetNumberSetting(uint32_t tag, double& value, int32_t& dimension,
                                   uint16_t& enabled) {
  enabled = 1;
  if (tag == kTagAnimationStep || tag == kTagFrameRate || tag == kTagIntegratorError ||
      tag == kTagIntegrationStep)
    SuggestTimeStep();
  if (tag == kTagAnimationStep) {
    value = settings_.animationStep;
    dimension = static_cast<int32_t>(kDimensionTime);
  } else if (tag == kTagFrameRate) {
    value = 1.0 / settings_.animationStep;
    dimension = static_cast<int32_t>(kDimensionFrequency);
  } else if (tag == kTagIntegratorError) {
    value = settings_.integratorError;
    dimension = static_cast<int32_t>(kDimensionLength);
  } else if (tag == kTagOverlap || tag == kTagAssembly) {
    const bool automatic =
        tag == kTagOverlap ? settings_.autoOverlapError : settings_.autoAssemblyError;
    if (automatic) SuggestTimeStep();
    value = tag == kTagOverlap ? settings_.overlapError : settings_.assemblyError;
    dimension = static_cast<int32_t>(kDimensionLength);
  } else if (tag == kTagIntegrationStep) {
    value = settings_.IntegrationStep();
    dimension = static_cast<int32_t>(kDimensionTime);
    enabled = settings_.variableStep ? 0 : 1;
  } else {
    return 0;
  }
  return 1;
}

uint16_t TEngine::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  int32_t dimension = 0;
  uint16_t enabled = 0;
  if (GetNumberSetting(tag, value, dimension, enabled) != 0) return 1;
  return TLink::GetNumberProperty(tag, value, extra);
}

void TEngine::SetNumberProperty(uint32_t tag, const double& value) {
  // Steps, rates and errors are positive numbers; anything else would stop every run, so it is
  // not taken.
  const bool known = tag == kTagAnimationStep || tag == kTagFrameRate ||
                     tag == kTagIntegratorError || tag == kTagOverlap || tag == kTagAssembly ||
                     tag == kTagIntegrationStep;
  if (!known) {
    TLink::SetNumberProperty(tag, value);
    return;
  }
  if (!Usable(value)) return;
  if (tag == kTagAnimationStep) {
    settings_.animationStep = value;
  } else if (tag == kTagFrameRate) {
    if (!Usable(1.0 / value)) return;
    settings_.animationStep = 1.0 / value;
  } else if (tag == kTagIntegratorError) {
    settings_.integratorError = value;
  } else if (tag == kTagOverlap) {
    settings_.overlapError = value;
    ChangedToCustom();
  } else if (tag == kTagAssembly) {
    settings_.assemblyError = value;
    ChangedToCustom();
  } else {
    settings_.SetIntegrationStep(value);
  }
  SettingsChanged();
}

uint16_t TEngine::CanReadBlock(int16_t code) {
  return code == kBlockRunSettings ? 1 : TLink::CanReadBlock(code);
}

uint16_t TEngine::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockRunSettings) return TLink::ReadBlockContents(code, reader);
  yb::dynamics::RunSettings read;
  const int32_t integrator = reader.ReadInt();
  const int32_t mode = reader.ReadInt();
  reader.FailIfBadFormat(integrator != static_cast<int32_t>(IntegratorKind::Euler) &&
                         integrator != static_cast<int32_t>(IntegratorKind::KuttaMerson));
  reader.FailIfBadFormat(mode < 0 || mode > 3);
  read.integrator = static_cast<IntegratorKind>(integrator);
  read.mode = static_cast<RunMode>(mode == 1 ? 2 : mode);
  read.variableStep = reader.ReadInt() != 0;
  read.autoAnimationStep = reader.ReadInt() != 0;
  read.animationStep = reader.ReadReal();
  read.SetStepsPerFrame(reader.ReadInt());
  read.autoIntegratorError = reader.ReadInt() != 0;
  read.integratorError = reader.ReadReal();
  read.autoOverlapError = reader.ReadInt() != 0;
  read.overlapError = reader.ReadReal();
  read.autoAssemblyError = reader.ReadInt() != 0;
  read.assemblyError = reader.ReadReal();
  read.autoSignificantDigits = reader.ReadInt() != 0;
  read.significantDigits = static_cast<int16_t>(std::clamp(reader.ReadInt(), 1, 17));
  read.warnInaccurate = reader.ReadInt() != 0 ? 1 : 0;
  read.warnOverlap = reader.ReadInt() != 0 ? 1 : 0;
  read.warnRedundant = reader.ReadInt() != 0 ? 1 : 0;
  read.warnInconsistent = reader.ReadInt() != 0 ? 1 : 0;
  reader.FailIfBadFormat(!Usable(read.animationStep) || !Usable(read.integratorError) ||
                         !Usable(read.overlapError) || !Usable(read.assemblyError));
  settings_ = read;
  return 1;
}

void TEngine::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockRunSettings) {
    TLink::WriteBlockContents(code, writer);
    return;
  }
  const yb::dynamics::RunSettings& s = settings_;
  writer.WriteCode(static_cast<int32_t>(s.integrator));
  writer.WriteCode(static_cast<int32_t>(s.mode));
  writer.WriteCode(s.variableStep ? 1 : 0);
  writer.WriteCode(s.autoAnimationStep ? 1 : 0);
  writer.WriteDouble(s.animationStep);
  writer.WriteCode(s.stepsPerFrame);
  writer.WriteCode(s.autoIntegratorError ? 1 : 0);
  writer.WriteDouble(s.integratorError);
  writer.WriteCode(s.autoOverlapError ? 1 : 0);
  writer.WriteDouble(s.overlapError);
  writer.WriteCode(s.autoAssemblyError ? 1 : 0);
  writer.WriteDouble(s.assemblyError);
  writer.WriteCode(s.autoSignificantDigits ? 1 : 0);
  writer.WriteCode(s.significantDigits);
  writer.WriteCode(s.warnInaccurate);
  writer.WriteCode(s.warnOverlap);
  writer.WriteCode(s.warnRedundant);
  writer.WriteCode(s.warnInconsistent);
}

void TEngine::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockRunSettings);
  TLink::WriteFields(writer);
}

void TEngine::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kEngineTag);
}

void LoadEngineLibrary() {
  FailIfError(MapEngineError(init_engine()));
  RegisterClassInfo("TEngine", kEngineTag, TEngine::kClassID, CreateEngine, sizeof(TEngine));
}

void FreeEngineLibrary() {
  free_engine();
}
