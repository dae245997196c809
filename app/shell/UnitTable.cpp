#include "app/shell/UnitTable.h"

#include <array>
#include <iterator>

#include "bodies/BodyClasses.h"
#include "constraints/CollisionGroup.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Field.h"
#include "app/shell/OpenFileDialog.h"
#include "core/ClassHierarchy.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "exchange/ExchangeClasses.h"
#include "exchange/dxf/DXFImport.h"
#include "inout/gadgets/ActionButton.h"
#include "inout/gadgets/Gadget.h"
#include "inout/gadgets/GadgetTrackers.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "exchange/video/VideoExportType.h"
#include "model/Thing.h"
#include "model/filing/LinkClasses.h"
#include "model/world/Group.h"
#include "model/world/Joiner.h"
#include "simulation/Engine.h"
#include "simulation/GeometryManager.h"
#include "views/furniture/PaletteWindow.h"
#include "views/world/HotPointSnapper.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"
#include "simulation/WorldBridge.h"
#include "ui/items/ItemKinds.h"

namespace {

constexpr int16_t kUnitHandlerRow = 11;

// The bodies register their classes together, at the mass row: point, zero mass, centre-of-mass
// point, tables, basic masses, polygons and the anchor with it.
constexpr TUnitStep kSteps[] = {
    {1, "engine library", LoadEngineLibrary, FreeEngineLibrary},
    {2, "screen information", nullptr, nullptr},
    {3, "font cache and drawing objects", InitDrawingPort, FreeDrawingPort},
    // The handle pool is built before the first row: the engine library already uses handles.
    {4, "handle table", nullptr, nullptr},
    {5, "drawing-object table (with the font cache)", nullptr, nullptr},
    {6, "palette window", RegisterPaletteWindow, nullptr},
    {7, "geometry defaults", nullptr, nullptr},
    {8, "joiner", RegisterJoinerClass, nullptr},
    {9, "slider-button formula", nullptr, nullptr},
    {10, "link classes", RegisterLinkClasses, nullptr},
    {10, "thing", RegisterThingClasses, nullptr},
    {11, "unit handler", RegisterUnitHandler, FreeUnitHandler},
    {12, "global vector handler", nullptr, nullptr},
    {13, "gadget", RegisterGadgetClasses, nullptr},
    {14, "mass and the other bodies", RegisterBodyClasses, FreeBodyClasses},
    {15, "point (with the bodies)", nullptr, nullptr},
    {16, "filing", nullptr, nullptr},
    {17, "world base: its engine and recorded frames", InstallWorldBridge, nullptr},
    {18, "zero mass (with the bodies)", nullptr, nullptr},
    {19, "centre-of-mass point (with the bodies)", nullptr, nullptr},
    {20, "tables (with the bodies)", nullptr, nullptr},
    {21, "basic masses (with the bodies)", nullptr, nullptr},
    {22, "polygon (with the bodies)", nullptr, nullptr},
    {23, "curved polygon (with the bodies)", nullptr, nullptr},
    {24, "custom constraints", RegisterCustomConstraintClasses, FreeCustomConstraintGlobals},
    {25, "anchor (with the bodies)", nullptr, nullptr},
    {26, "slot", RegisterSlotClasses, nullptr},
    {27, "curved slot", RegisterCurvedSlotClasses, nullptr},
    {28, "springs and dampers", RegisterSpringClasses, nullptr},
    {29, "gears", RegisterGearClasses, nullptr},
    {30, "force and torque", RegisterForceClasses, nullptr},
    {31, "pistons", RegisterPistonClasses, nullptr},
    {32, "pins, ropes and rods", RegisterPinRopeRodClasses, nullptr},
    {33, "in/outputs", RegisterInOutputClasses, nullptr},
    {34, "input", RegisterInputClass, nullptr},
    {35, "external tables", nullptr, nullptr},
    {36, "output", RegisterOutputClass, nullptr},
    {37, "class hierarchy table", LoadClassHierarchy, nullptr},
    {38, "lines", nullptr, nullptr},
    {39, "object converter", RegisterConverterClasses, nullptr},
    {40, "data tables", nullptr, nullptr},
    {41, "hot-point snapper", RegisterHotPointSnapper, nullptr},
    {42, "geometry manager", RegisterGeometryManager, FreeGeometryManager},
    {43, "window layer", InstallWindowBinding, FreeMenuItemMarks},
    {43, "dialog items", RegisterDialogItemKinds, UnregisterDialogItemKinds},
    {44, "trackers", RegisterGadgetTrackers, UnregisterGadgetTrackers},
    {44, "documents of new buttons", InstallTemplateFileChooser, RemoveTemplateFileChooser},
    {45, "group", RegisterGroupClasses, nullptr},
    {46, "force fields", RegisterFieldClasses, nullptr},
    {46, "what the joiner asks of points and constraints", InstallJoinerHooks, nullptr},
    {47, "off-screen view clock", nullptr, nullptr},
    {48, "main world view clock", nullptr, nullptr},
    {49, "world-view overrides clock", nullptr, nullptr},
    {50, "world-view text style", nullptr, nullptr},
    {51, "coordinates-bar text style", nullptr, nullptr},
    {52, "run state", nullptr, nullptr},
    {53, "pause controls", RegisterStopWhen, nullptr},
    {54, "file-version tag: the size of new constraints", SettleDefaultConstraintSize, nullptr},
    {55, "export classes", RegisterExportClasses, nullptr},
    {55, "drawing import", InstallDrawingImport, RemoveDrawingImport},
    {56, "video export", InitVideoExport, UnloadVideoLibrary},
};

struct UnitHook {
  std::function<void()> init;
  std::function<void()> term;
};

std::array<UnitHook, kUnitRows + 1>& Hooks() {
  static std::array<UnitHook, kUnitRows + 1> hooks;
  return hooks;
}

// The rows started so far, so that a failure ends exactly those.
int16_t& StartedThrough() {
  static int16_t row = 0;
  return row;
}

void InitRow(int16_t row) {
  for (const TUnitStep& step : kSteps) {
    if (step.row == row && step.init != nullptr) step.init();
  }
  if (const auto& init = Hooks()[static_cast<size_t>(row)].init) init();
}

void TermRow(int16_t row) {
  if (const auto& term = Hooks()[static_cast<size_t>(row)].term) term();
  for (auto step = std::rbegin(kSteps); step != std::rend(kSteps); ++step) {
    if (step->row == row && step->term != nullptr) step->term();
  }
}

}  // namespace

std::span<const TUnitStep> UnitSteps() {
  return kSteps;
}

void SetUnitHook(int16_t row, std::function<void()> init, std::function<void()> term) {
  if (row < 1 || row > kUnitRows) return;
  Hooks()[static_cast<size_t>(row)] = UnitHook{std::move(init), std::move(term)};
}

void ClearUnitHooks() {
  Hooks().fill(UnitHook{});
}

void RunUnitInitializers() {
  StartedThrough() = 0;
  try {
    for (int16_t row = 1; row <= kUnitRows; ++row) {
      StartedThrough() = row;
      if (row != kUnitHandlerRow) {
        InitRow(row);
        continue;
      }
      try {
        InitRow(row);
      } catch (const QVException&) {
        // The unit handler is an extra: without it, units are not converted.
      }
    }
  } catch (...) {
    RunUnitTerminators();
    throw;
  }
}

void RunUnitTerminators() {
  for (int16_t row = StartedThrough(); row >= 1; --row) TermRow(row);
  StartedThrough() = 0;
}
