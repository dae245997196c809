// TCOMPoint: the centre of mass of group 0, computed by the solver while the point is shown.

#include "bodies/points/Point.h"

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "model/command/CommandCore.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

constexpr uint32_t kTagShow = MakeTag("show");
constexpr uint32_t kTagHideName = MakeTag("hidN");

// Where the solver's formulas put the point, from the bodies as the world shows them (a recorded
// frame during and after a run, the starting places before): the centre of mass of every body
// but the background. False when the bodies have no mass between them.
bool ShownCentreOfMass(TWorldDoc& world, TVector& centre) {
  double mass = 0.0, x = 0.0, y = 0.0;
  for (TLink* object : world.Objects()) {
    auto* body = dynamic_cast<TMass*>(object);
    if (body == nullptr || body->IsMemberClass(TZeroMass::kClassID)) continue;
    const double m = body->GetMass();
    const TVector at = body->GetCOMWorld();
    x += m * at.x;
    y += m * at.y;
    mass += m;
  }
  if (!(mass > 0.0)) return false;
  centre = TVector(x / mass, y / mass);
  return true;
}

}  // namespace

TObject* TCOMPoint::CreateObject() {
  return new (std::nothrow) TCOMPoint();
}

void TCOMPoint::Initialize() {
  markIndex_ = -1;
  markFlag_ = 0;
  TPoint::Initialize();
  // A new centre-of-mass point is off.
  SetFlagProperty(kTagHideName, 0);
  SetFlagProperty(kTagShow, 0);
}

TFormula* TCOMPoint::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                        int32_t* dimension, uint16_t* flag) {
  if (tag == kTagLocalR) return nullptr;
  if (tag != kTagLocalX && tag != kTagLocalY)
    return TPoint::GetFormulaProperty(tag, first, second, dimension, flag);
  if (dimension != nullptr) *dimension = kDimLength;
  // The solver computes the position: the user may look but not edit.
  if (flag != nullptr) *flag = 0;
  return tag == kTagLocalX ? LocalX() : LocalY();
}

void TCOMPoint::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag == kTagLocalX || tag == kTagLocalY || tag == kTagLocalR) return;
  TPoint::SetFormulaProperty(tag, formula);
}

bool TCOMPoint::GetCommandState(int16_t command, uint16_t& enabled, uint16_t& mark) {
  if (command >= kCmdShowVelocity && command <= kCmdRemoveVectors) {
    enabled = 0;
    return true;
  }
  if (command == kCmdToggleCOM) {
    enabled = 1;
    mark = IsShown();
    return true;
  }
  return TPoint::GetCommandState(command, enabled, mark);
}

void TCOMPoint::DoSetupMenus() {
  THandlerLink::DoSetupMenus();
  EnableCheckMenuCommand(kCmdToggleCOM, true, IsShown() != 0);
}

std::unique_ptr<TCommandCore> TCOMPoint::DoObjectMenuCommand(int16_t command, bool& handled) {
  if (command != kCmdToggleCOM) return TPoint::DoObjectMenuCommand(command, handled);
  handled = true;
  // The recorded frames hold no centre of mass, or one that would no longer be computed: the
  // user is asked first, as before any edit of a world that has run.
  TWorldDoc* world = GetWorld();
  if (world != nullptr) CheckWorldEdit(*world);
  SetFlagProperty(kTagShow, IsShown() != 0 ? 0 : 1);
  FollowCentreOfMass();
  InvalidateMenuSetup();
  Changed();
  ForEachLinked(1);
  // The solver's copy of the world no longer holds what the point asks of it.
  if (world != nullptr) {
    world->WorldChanged();
    world->DocumentChanged();
  }
  return nullptr;
}

void TCOMPoint::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockMarker);
  TPoint::WriteFields(writer);
}

void TCOMPoint::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockMarker) return;
  if (code != kBlockSolverRecord) return TPoint::WriteBlockContents(code, writer);
  // On no body; the solver evaluates the group's centre of mass while the point is shown.
  writer.WriteCode(0);
  if (IsShown() != 0) {
    writer.WriteFormulaText("GroupCofM(0).x");
    writer.WriteFormulaText("GroupCofM(0).y");
  } else {
    writer.WriteConstant(0.0);
    writer.WriteConstant(0.0);
  }
  writer.WriteConstant(0.0);
}

uint16_t TCOMPoint::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockMarker) return 1;
  const uint16_t taken = TPoint::ReadBlockContents(code, reader);
  // The point is written turned by nothing, whatever was stored: read so, the constraints on it
  // file the same rotation as it does, each time it is saved.
  if (code == kBlockSolverRecord) LocalRotation()->SetConstant(0.0);
  return taken;
}

void TCOMPoint::LoadRecordedValues(int32_t frame, THistoryCursor& cursor) {
  TPoint::LoadRecordedValues(frame, cursor);
  markFlag_ = 1;
  markIndex_ = static_cast<int16_t>(frame);
}

void TCOMPoint::CheckRecordedValues(int32_t limit) {
  markFlag_ = (markFlag_ != 0 && markIndex_ < limit) ? 1 : 0;
}

bool TCOMPoint::SnapTest(double tolerance, const TVector& mouse, TVector& world, TVector& local,
                         uint16_t& found) {
  if (IsShown() == 0) return false;
  return TPoint::SnapTest(tolerance, mouse, world, local, found);
}

void TCOMPoint::FollowCentreOfMass() {
  TWorldDoc* world = GetWorld();
  TVector centre;
  if (IsShown() == 0 || world == nullptr || !ShownCentreOfMass(*world, centre)) return;
  // The formulas keep their texts; only their current values follow the bodies.
  LocalX()->StoreConstant(centre.x);
  LocalY()->StoreConstant(centre.y);
  InvalidateCache();
  // The computed icon while a recorded frame is shown.
  markFlag_ = world->ShowsRecordedFrame() ? 1 : 0;
}

void TCOMPoint::Draw(const MacRect& area, uint16_t) {
  FollowCentreOfMass();
  DrawPointIcon(area, 8, markFlag_ != 0 ? "COMIcon" : "COMXIcon");
}

void TCOMPoint::Highlight(uint16_t oldState, uint16_t newState) {
  if (oldState != newState) InvertAround(3, 3);
}

bool TCOMPoint::HitTest(const MacPoint& mouse) {
  const MacPoint at = GetScreenPoint();
  return std::abs(mouse.h - at.h) <= 4 && std::abs(mouse.v - at.v) <= 4;
}
