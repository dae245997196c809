#include "app/TApp.h"

#include <cinttypes>
#include <iterator>
#include <string>

#include "bodies/BodyClasses.h"
#include "constraints/CollisionGroup.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Field.h"
#include "core/Alert.h"
#include "core/ClassHierarchy.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/MenuCommands.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "inout/meters/Output.h"
#include "model/Thing.h"
#include "model/filing/LinkClasses.h"
#include "model/world/Group.h"
#include "model/world/Joiner.h"
#include "platform/win32/Message.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/GeometryManager.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"
#include "simulation/WorldBridge.h"
#include "views/world/HotPointSnapper.h"

namespace {

// One unit of the program: its start-up routine (class registrations or shared set-up) and
// its terminator, either of which may be absent.
struct Unit {
  void (*init)();
  void (*term)();
};

// The units in their binding order. The first registration of a tag wins, so this order is
// part of what the program does: add each unit's line at its place.
//   engine library; screen information; font cache; drawing objects; palette window;
//   geometry defaults; joiner; slider-button formula; link classes; unit handler;
//   global vector handler; gadget; mass; point; filing; world base; zero mass; centre-of-mass
//   point; tables; basic masses; polygon; curved polygon; custom constraints; anchor; slot;
//   curved slot; springs and dampers; gears; force and torque; pistons; pins, ropes and rods;
//   in/outputs; input; external tables; output;
//   -> class hierarchy table;
//   lines; object converter; data tables; hot-point snapper; geometry manager; window layer;
//   trackers; group; force fields; view clocks; text styles; run state; pause controls;
//   file-version tag; export classes; video export.
const Unit kUnits[] = {
    {LoadEngineLibrary, FreeEngineLibrary},  // engine library
    {InitDrawingPort, FreeDrawingPort},  // font cache and drawing objects
    {LoadToolIcons, nullptr},            // tool icons (shared, live as long as the program)
    {RegisterThingClasses, nullptr},
    {RegisterJoinerClass, nullptr},          // joiner
    {RegisterLinkClasses, nullptr},          // link classes
    {RegisterUnitHandler, FreeUnitHandler},  // unit handler and the global one
    {RegisterBodyClasses, FreeBodyClasses},  // mass
    {InstallWorldBridge, nullptr},           // world base: its engine and recorded frames
    {RegisterCustomConstraintClasses, FreeCustomConstraintGlobals},  // custom constraints
    {RegisterSlotClasses, nullptr},                                  // slot
    {RegisterCurvedSlotClasses, nullptr},                            // curved slot
    {RegisterSpringClasses, nullptr},                                // springs and dampers
    {RegisterGearClasses, nullptr},                                  // gears
    {RegisterForceClasses, nullptr},                                 // force and torque
    {RegisterPistonClasses, nullptr},                                // pistons
    {RegisterPinRopeRodClasses, nullptr},                            // pins, ropes and rods
    {LoadClassHierarchy, nullptr},
    {RegisterConverterClasses, nullptr},  // object converter
    {RegisterHotPointSnapper, nullptr},   // hot-point snapper
    {RegisterGeometryManager, FreeGeometryManager},
    {InstallWindowBinding, FreeMenuItemMarks},  // window layer
    {RegisterGroupClasses, nullptr},            // group
    {RegisterFieldClasses, nullptr},            // force fields
    {InstallJoinerHooks, nullptr},              // what the joiner asks of points and constraints
    {RegisterStopWhen, nullptr},                // pause controls
    {RegisterOutputClass, nullptr},             // meters
    {SettleDefaultConstraintSize, nullptr},     // file-version tag: the size of new constraints
};

}  // namespace

void TApp::LoadResourceDlls() {
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  SetResourceModule2(LoadResourceLibrary(kSecondResourceLibrary));
  SetResourceModule3(LoadResourceLibrary(kErrorResourceLibrary));
  InstallCursorResourceProbe();
}

void TApp::FreeResourceDlls() {
  FreeResourceLibrary(GetResourceModule1());
  FreeResourceLibrary(GetResourceModule2());
  FreeResourceLibrary(GetResourceModule3());
  SetResourceModule1(nullptr);
  SetResourceModule2(nullptr);
  SetResourceModule3(nullptr);
}

void TApp::InitUnits() {
  InitHandlePool();
  try {
    for (const Unit& unit : kUnits) {
      if (unit.init != nullptr) unit.init();
    }
    FreezeClassRegistry();
  } catch (...) {
    TermUnits();
    throw;
  }
}

void TApp::TermUnits() {
  for (auto unit = std::rbegin(kUnits); unit != std::rend(kUnits); ++unit) {
    if (unit->term != nullptr) unit->term();
  }
  FreeClassRegistry();
  FreeClassHierarchy();
  FreeHandlePool();
}

void TApp::ShowError(int16_t error, int32_t message) {
  if (error == kErrNone) return;
  // The error table's text, when it has one, says what the number means; the detail text says
  // what was being done. The detail belongs to this failure alone, so it is used up here. The
  // words come first; the numbers, for a report of the fault, after them.
  char text[256] = "";
  GetErrorTextCWithOverride(error, kErrorTextTable, text, sizeof text);
  std::string line = text;
  const std::string detail = FailureDetailText().AsCString();
  if (!detail.empty()) line += (line.empty() ? "" : " ") + detail;
  if (line.empty()) line = "The program met an error it has no text for.";
  char numbers[48];
  if (message != 0) {
    std::snprintf(numbers, sizeof numbers, " (error %" PRId16 ", message %08" PRIX32 ")", error,
                  static_cast<uint32_t>(message));
  } else {
    std::snprintf(numbers, sizeof numbers, " (error %" PRId16 ")", error);
  }
  std::fprintf(errorStream_, "Yarrowby: %s%s\n", line.c_str(), numbers);
  std::fflush(errorStream_);
  ErrorAlert(error, message);
  FailureDetailText() = Str255();
}

int32_t TApp::RunEventLoop(HWND mainFrame) {
  commands_.SetMainFrame(mainFrame);
  // Idle time is due once the events that arrived since the last idle pass are handled.
  bool idleDue = true;
  int32_t exitCode = -1;
  for (;;) {
    while (commands_.PerformNextQueued()) {
    }
    MSG message;
    if (idleDue && PeekMessage(&message, nullptr, 0, 0, PM_NOREMOVE) == 0) {
      idleDue = false;
      commands_.IdleChains(0);
      continue;  // an idle handler may have posted a command
    }
    const BOOL result = GetMessage(&message, nullptr, 0, 0);
    if (result == 0) exitCode = static_cast<int32_t>(message.wParam);
    if (result <= 0) break;
    TranslateMessage(&message);
    DispatchMessage(&message);
    // Repainting and timers (the idle timer among them) are not the user's doing.
    if (message.message != WM_PAINT && message.message != WM_TIMER) idleDue = true;
  }
  commands_.SetMainFrame(nullptr);
  return exitCode;
}
