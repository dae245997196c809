// Writes the templates that scripts make new constraints and meters from, the meters of the
// objects' output menus, and the slider that input-control commands place, as resource text: each
// a document stream of one constraint of its kind followed by the points it joins, of one meter,
// or of one slider. Run it after a deliberate
// change of a constraint's filing and paste its output into resources/main:
//   yb_make_templates > constraint-templates.txt

#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "bodies/Table.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Forces.h"
#include "constraints/Gear.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Slot.h"
#include "constraints/SplinePoint.h"
#include "constraints/Springs.h"
#include "core/Failure.h"
#include "exchange/dde/DocManagers.h"
#include "exchange/dde/TableSuiteHandler.h"
#include "inout/gadgets/GadgetTrackers.h"
#include "inout/gadgets/TextGadget.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "model/Formula.h"
#include "model/filing/ObjectWriter.h"
#include "simulation/DimensionCode.h"

namespace {

// One template: the constraint, then its points, each owned here until written.
struct Template {
  int16_t number;
  const char* title;
  std::vector<std::unique_ptr<TLink>> objects;
  // Owned here but written by the object that holds them.
  std::vector<std::unique_ptr<TLink>> held;
};

template <class T>
T& Own(Template& entry) {
  auto object = std::make_unique<T>();
  object->Initialize();
  object->SetIdentifier(static_cast<int16_t>(entry.objects.size() + 1));
  T& made = *object;
  entry.objects.push_back(std::move(object));
  return made;
}

// The constraint joins points at the places given, rotated by r. A new constraint acts from the
// start.
template <class T>
T& Joined(Template& entry, std::initializer_list<TVector> places, double r = 0.0) {
  T& constraint = Own<T>(entry);
  constraint.SetShortProperty(kTagAlwaysActive, 1);
  for (const TVector& place : places) {
    TPoint& point = Own<TPoint>(entry);
    point.SetLocalPosition({place.x, place.y, r});
    constraint.AttachObject(&point);
  }
  return constraint;
}

// A curved slot: its spline point, the point that follows the curve, and the table of the
// curve's control points, which a new slot replaces by its own.
void AddCurvedSlot(Template& entry) {
  TCurvedSlot& slot = Own<TCurvedSlot>(entry);
  slot.SetShortProperty(kTagAlwaysActive, 1);
  TSplinePoint& origin = Own<TSplinePoint>(entry);
  TPoint& follower = Own<TPoint>(entry);
  // The slot writes its table ahead of itself.
  auto held = std::make_unique<TTable>();
  held->Initialize();
  TTable& table = *held;
  entry.held.push_back(std::move(held));
  for (const TVector& point : {TVector(0.0, 0.0), TVector(0.1, 0.1), TVector(0.2, 0.2)})
    table.AppendPoint(point);
  slot.AttachObject(&origin);
  slot.AttachObject(&follower);
  slot.SetPointTable(&table);
}

// A gear pair between two points, with the contact constraint and the two contact points that it
// writes after itself: without them the pair turns nothing.
void AddGear(Template& entry, std::initializer_list<TVector> places) {
  TGear& gear = Joined<TGear>(entry, places);
  const auto companion = [&entry, &gear](std::unique_ptr<TLink> held) {
    held->Initialize();
    held->SetIdentifier(static_cast<int16_t>(entry.objects.size() + entry.held.size() + 1));
    gear.CompanionAdded(held.get());
    entry.held.push_back(std::move(held));
  };
  companion(std::make_unique<TGearCnstr>());
  companion(std::make_unique<TGearCnstrPoint>());
  companion(std::make_unique<TGearCnstrPoint>());
}

// The slider an input-control command places: named after the object it drives.
void AddSlider(Template& entry) {
  TInput& slider = Own<TInput>(entry);
  slider.SetName("%");
  // Its name above it and its value as text beside its track, so that the user sees what it
  // drives and at what value without opening it.
  slider.SetShowName(true);
  slider.SetShowText(true);
  // The name is drawn in the slider's colour, white until set: black, so that it shows on the
  // world's white.
  slider.SetColourProperty(MakeTag("colr"), RGB16Color{0, 0, 0});
  slider.MoveBy(MacPoint(20, 20));
  slider.ResizeFromCorner(kCornerBottomRight, MacPoint(128, 20));
}

void AddInput(Template& entry) {
  TInput& input = Own<TInput>(entry);
  input.SetName("Input");
  input.MoveBy(MacPoint(20, 20));
  input.ResizeFromCorner(kCornerBottomRight, MacPoint(128, 20));
}

// A meter of quantities of the object it is made for: column 1 is the time, the others the
// formulas, where "&" stands for the object until the meter is made, each with the label that
// tells its line and button apart and the unit its value is in, which Units names.
struct MeterColumn {
  const char* label;
  const char* formula;
  uint32_t unit;
};

void AddMeter(Template& entry, const char* name, std::initializer_list<MeterColumn> columns) {
  TOutput& meter = Own<TOutput>(entry);
  meter.SetName(name);
  meter.SetColumnCount(static_cast<int32_t>(columns.size()) + 1);
  int32_t column = 1;
  TFormula time;
  time.SetFromPieces(Str255("time"));
  meter.SetColumnFormula(column, time);
  for (const MeterColumn& shown : columns) {
    TFormula formula;
    formula.SetFromPieces(Str255(shown.formula));
    meter.SetColumnFormula(++column, formula);
    meter.Column(column)->SetLabel(Str255(shown.label));
    meter.Column(column)->SetUnitKind(static_cast<int32_t>(shown.unit));
  }
}

// The meters of the objects' output menus.
void AddMeters(const std::function<Template&(int16_t, const char*)>& add) {
  constexpr uint32_t kLength = kDimensionLength;
  constexpr uint32_t kAngle = kDimensionAngle;
  constexpr uint32_t kSpeed = kDimensionVelocity;
  constexpr uint32_t kTurnRate = kDimensionAngularVelocity;
  constexpr uint32_t kAcceleration = kDimensionAcceleration;
  // Radians per second squared.
  constexpr uint32_t kTurnAcceleration = 0x00E10000;
  constexpr uint32_t kForce = kDimensionForce;
  AddMeter(add(5001, "A body's position"), "% position",
           {{"x", "&.p.x", kLength}, {"y", "&.p.y", kLength}, {"rotation", "&.p.r", kAngle}});
  AddMeter(add(5002, "A body's velocity"), "% velocity",
           {{"Vx", "&.v.x", kSpeed}, {"Vy", "&.v.y", kSpeed}, {"Vr", "&.v.r", kTurnRate}});
  AddMeter(add(5003, "A body's acceleration"), "% acceleration",
           {{"Ax", "&.a.x", kAcceleration},
            {"Ay", "&.a.y", kAcceleration},
            {"Ar", "&.a.r", kTurnAcceleration}});
  AddMeter(add(5004, "The total force on a body"), "% total force",
           {{"Fx", "&.mass*&.a.x", kForce}, {"Fy", "&.mass*&.a.y", kForce}});
  AddMeter(add(5010, "A point's position"), "% position",
           {{"x", "&.p.x", kLength}, {"y", "&.p.y", kLength}});
  AddMeter(add(5011, "A point's velocity"), "% velocity",
           {{"Vx", "&.v.x", kSpeed}, {"Vy", "&.v.y", kSpeed}});
  AddMeter(add(5012, "A point's acceleration"), "% acceleration",
           {{"Ax", "&.a.x", kAcceleration}, {"Ay", "&.a.y", kAcceleration}});
  AddMeter(add(5020, "A constraint's length"), "% length", {{"length", "&.dp.x", kLength}});
  AddMeter(add(5021, "How fast a constraint's length changes"), "% length rate",
           {{"rate", "&.dv.x", kSpeed}});
  AddMeter(add(5022, "A constraint's force"), "% force",
           {{"Fx", "constraintforce(&).x", kForce}, {"Fy", "constraintforce(&).y", kForce}});
  // A spring, rod or rope acts along the line between its ends only: one value, positive where
  // it pushes the ends apart, labelled as what it is rather than as an x with a y of 0 beside it.
  AddMeter(add(5023, "A linear constraint's force along its length"), "% force",
           {{"F along length", "constraintforce(&).x", kForce}});
  AddMeter(add(5030, "A constraint's rotation"), "% rotation", {{"rotation", "&.dp.r", kAngle}});
  AddMeter(add(5031, "How fast a constraint's rotation changes"), "% rotation rate",
           {{"rate", "&.dv.r", kTurnRate}});
  AddMeter(add(5032, "A constraint's torque"), "% torque",
           {{"torque", "constraintforce(&).r", kDimensionTorque}});
}

constexpr double kQuarterTurn = 1.5707963267948966;

std::vector<Template> MakeTemplates() {
  std::vector<Template> all;
  auto add = [&all](int16_t number, const char* title) -> Template& {
    all.push_back({number, title, {}, {}});
    return all.back();
  };
  const TVector a(0.0, 0.0);
  const TVector b(0.1, 0.0);
  const TVector up(0.0, 0.1);
  Joined<TLRope>(add(2501, "A separator"), {a, b}).SetType(TLRope::kSeparator);
  Joined<TRod>(add(2504, "A rod"), {a, b});
  Joined<TForce>(add(2506, "A force"), {a, b});
  Joined<TTorque>(add(2507, "A torque"), {a, b});
  Joined<TLRope>(add(2508, "A rope"), {a, b}).SetType(TLRope::kRope);
  Joined<TLSpring>(add(2509, "A spring"), {a, b});
  Joined<TLPiston>(add(2512, "An actuator"), {a, b});
  Joined<TRPiston>(add(2513, "A motor"), {a, a});
  Joined<TLRope>(add(2514, "A pulley line"), {a, up, b}).SetType(TLRope::kRope);
  Joined<TLDamper>(add(2516, "A damper"), {a, b});
  Joined<TRDamper>(add(2517, "A rotational damper"), {a, a});
  Joined<TRSpring>(add(2518, "A rotational spring"), {a, a});
  Joined<TPin>(add(2523, "A square pin"), {a, a}).SetWeld(1);
  Joined<TPin>(add(2524, "A pin"), {a, a});
  Joined<TSlot>(add(2525, "A keyed horizontal slot"), {a, b}).SetLocked(1);
  Joined<TSlot>(add(2526, "A horizontal slot"), {a, b});
  Joined<TSlot>(add(2527, "A keyed vertical slot"), {a, up}, kQuarterTurn).SetLocked(1);
  Joined<TSlot>(add(2528, "A vertical slot"), {a, up}, kQuarterTurn);
  Joined<TLDampSpring>(add(2543, "A spring-damper"), {a, b});
  AddCurvedSlot(add(2546, "A curved slot"));
  AddGear(add(2552, "A gear pair"), {a, b});
  Own<TOutput>(add(5000, "A meter"));
  AddMeters(add);
  AddSlider(add(kSliderTemplate, "A slider"));
  // The input a script's NewInput makes: a slider of its own name.
  AddInput(add(5360, "An input"));
  // The text tool's block of text, empty until typed into.
  Own<TTextGadget>(add(kTextTool, "A block of text"));
  return all;
}

// The templates of linking inputs and meters to another program's table: the document the
// placing tool puts on the window and the cell handler each linked input or meter gets.
std::vector<Template> MakeExternalTemplates() {
  std::vector<Template> all;
  auto add = [&all](int16_t number, const char* title) -> Template& {
    all.push_back({number, title, {}, {}});
    return all.back();
  };
  Own<TExternalDDETableDoc>(add(kPlaceExternalTableTool, "A table document"));
  Own<TDDETableSuiteHandler>(add(kHandlerTemplateResource, "A table document's cell handler"));
  return all;
}

void PrintTemplate(const Template& entry) {
  std::vector<TLink*> objects;
  for (const auto& object : entry.objects)
    objects.push_back(object.get());
  auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
  Handle handle = writer->TakeHandle();
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(handle));
  const uint32_t size = GetHandleByteSize(handle);
  std::printf("\n// %s\n%d \"ZodA\"\nBEGIN\n", entry.title, entry.number);
  for (uint32_t i = 0; i < size; i += 16) {
    std::printf("  BYTE");
    for (uint32_t j = i; j < size && j < i + 16; ++j)
      std::printf(" %u", bytes[j]);
    std::printf("\n");
  }
  std::printf("END\n");
  FreeHandle(handle);
}

}  // namespace

// With --external, the templates of the external documents instead.
int main(int argc, char** argv) {
  const bool external = argc > 1 && std::string(argv[1]) == "--external";
  TApp app;
  app.LoadResourceDlls();
  int status = 0;
  try {
    app.InitUnits();
    for (const Template& entry : external ? MakeExternalTemplates() : MakeTemplates())
      PrintTemplate(entry);
  } catch (const QVException& failure) {
    app.ShowError(failure.error(), failure.message());
    status = 1;
  }
  app.TermUnits();
  app.FreeResourceDlls();
  return status;
}
