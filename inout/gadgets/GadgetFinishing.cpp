// Finishing new gadgets and binding new input controls to the object they drive.
#include "inout/gadgets/GadgetFinishing.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "core/NumberText.h"
#include "constraints/Constraint.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "model/Thing.h"
#include "model/world/WorldParticipants.h"

Str255 InputFormulaName(const TLink& input) {
  const std::string text = "Input[" + std::to_string(input.GetIdentifier()) + "]";
  return Str255(text.c_str());
}

namespace {

Str255 NameOf(const TLink* object) {
  const auto* named = dynamic_cast<const TNamedLink*>(object);
  return named != nullptr ? named->GetName() : Str255();
}

// Whether formulas can read the text as a name: a letter or "_", then letters, digits or "_".
bool IsFormulaName(const Str255& name) {
  if (name.Length() == 0) return false;
  for (int i = 1; i <= name.Length(); ++i) {
    const auto c = static_cast<unsigned char>(*name.CharAt(i));
    const bool letter = std::isalpha(c) != 0 || c == '_';
    if (!letter && (i == 1 || std::isdigit(c) == 0)) return false;
  }
  return true;
}

// How a meter's formulas refer to the object: by its name when formulas can read it as one,
// else a body, point or constraint by its kind and number, else by whatever name it has.
Str255 FormulaReferenceOf(const TLink* object) {
  const Str255 name = NameOf(object);
  if (object == nullptr || IsFormulaName(name)) return name;
  const char* kind = object->IsMemberClass(TMass::kClassID)    ? "body"
                     : object->IsMemberClass(TPoint::kClassID) ? "point"
                     : object->IsMemberClass(TCnstr::kClassID) ? "constraint"
                                                               : nullptr;
  if (kind == nullptr) return name;
  const std::string text = std::string(kind) + "[" + std::to_string(object->GetIdentifier()) + "]";
  return Str255(text.c_str());
}

// How formulas refer to the object that owns the target (a point's body); empty when it has none.
Str255 OwnerReferenceOf(const TLink* object) {
  auto* thing = dynamic_cast<TThing*>(const_cast<TLink*>(object));
  return thing != nullptr && thing->GetOwnerThing() != nullptr
             ? FormulaReferenceOf(thing->GetOwnerThing())
             : Str255();
}

// Asks the object the inputs were made for to drive its property by them. Bodies (and the
// shapes among them) and points bind by their own attach operation; any other object that takes
// input controls answers for itself.
bool AttachTo(TLink* target, int16_t command, const Str255& firstName, const Str255& secondName,
              double& firstValue, double& secondValue, double& firstMinimum,
              double& firstMaximum, double& secondMinimum, double& secondMaximum) {
  if (auto* receiver = dynamic_cast<TInputControlTarget*>(target)) {
    return receiver->AttachInputControls(command, firstName, secondName, firstValue, secondValue,
                                         firstMinimum, firstMaximum, secondMinimum,
                                         secondMaximum);
  }
  if (auto* body = dynamic_cast<TMass*>(target)) {
    return body->AttachInput(command, firstName, secondName, firstValue, secondValue,
                             firstMinimum, firstMaximum, secondMinimum, secondMaximum) != 0;
  }
  if (auto* point = dynamic_cast<TPoint*>(target))
    return point->AttachInput(command, firstName, secondName, firstValue, secondValue) != 0;
  return false;
}

// Whether the name is nothing but the placeholder of the object the input is made for.
bool NamesOnlyItsTarget(const TInput& input) {
  const Str255& name = input.GetName();
  return name.Length() == 1 && *name.CharAt(1) == '%';
}

// An input named only after its target also says what it drives: the target's name, then the
// property the command binds as the command's menu item names it ("Spring 3 spring constant"),
// the way a meter reads "Bob position". A command without a name leaves the name as it is.
void NameAfterProperty(TInput& input, int16_t command) {
  Str255 property;
  GetCommandName(command, property);
  std::string drives(reinterpret_cast<const char*>(property.CharAt(1)),
                     static_cast<size_t>(property.Length()));
  if (drives.empty()) return;
  drives[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(drives[0])));
  const Str255& name = input.GetName();
  std::string text(reinterpret_cast<const char*>(name.CharAt(1)),
                   static_cast<size_t>(name.Length()));
  text = text.empty() ? drives : text + " " + drives;
  if (text.size() > 255) text.resize(255);
  input.SetName(Str255(text.c_str()));
}

// Room beside the name in a framed meter's title strip.
constexpr int16_t kMeterTitleRoom = 31;

}  // namespace

void FinishGadget(TInOutput& gadget, const TLink* firstTarget, const TLink* secondTarget) {
  gadget.ExpandNamePlaceholders(firstTarget, secondTarget);
  auto* meter = dynamic_cast<TOutput*>(&gadget);
  if (meter != nullptr) {
    meter->ExpandColumnFormulas(FormulaReferenceOf(firstTarget), FormulaReferenceOf(secondTarget),
                                OwnerReferenceOf(firstTarget));
  }
  gadget.AdjustSize();
  if (meter == nullptr || !meter->IsFramed() || !meter->ShowsName()) return;
  const MacRect frame = meter->GetFrame();
  const int16_t wanted = static_cast<int16_t>(meter->GetLabelWidth() + kMeterTitleRoom);
  if (frame.right - frame.left > wanted) return;
  meter->ResizeFromCorner(kCornerBottomRight,
                          MacPoint(wanted, static_cast<int16_t>(frame.bottom - frame.top)));
}

bool FinishInputControls(int16_t command, TInput& first, TInput* second, TLink* target) {
  const Str255 firstName = InputFormulaName(first);
  const Str255 secondName = second != nullptr ? InputFormulaName(*second) : Str255();
  double firstValue = first.GetValue();
  double secondValue = second != nullptr ? second->GetValue() : 0.0;
  const bool firstNamedForTarget = NamesOnlyItsTarget(first);
  first.ExpandNamePlaceholders(target, nullptr);
  if (firstNamedForTarget) NameAfterProperty(first, command);
  double firstMinimum = 0.0;
  double firstMaximum = 0.0;
  first.GetMinMax(firstMinimum, firstMaximum);
  double secondMinimum = 0.0;
  double secondMaximum = 0.0;
  if (second != nullptr) {
    const bool secondNamedForTarget = NamesOnlyItsTarget(*second);
    second->ExpandNamePlaceholders(target, nullptr);
    if (secondNamedForTarget) NameAfterProperty(*second, command);
    second->GetMinMax(secondMinimum, secondMaximum);
  }
  const bool taken = AttachTo(target, command, firstName, secondName, firstValue, secondValue,
                              firstMinimum, firstMaximum, secondMinimum, secondMaximum);
  if (taken) {
    target->AddDependent(&first);
    if (second != nullptr) target->AddDependent(second);
  }
  // The range always holds the starting value.
  first.SetMinMax(std::min(firstMinimum, firstValue), std::max(firstMaximum, firstValue));
  first.SetValue(firstValue, true, false);
  if (second != nullptr) {
    second->SetMinMax(std::min(secondMinimum, secondValue), std::max(secondMaximum, secondValue));
    second->SetValue(secondValue, true, false);
  }
  return taken;
}
