// Finishing new gadgets and binding new input controls to the object they drive.
#include "inout/gadgets/GadgetFinishing.h"

#include <algorithm>
#include <string>

#include "inout/inputs/Input.h"
#include "model/world/WorldParticipants.h"

Str255 InputFormulaName(const TLink& input) {
  const std::string text = "Input[" + std::to_string(input.GetIdentifier()) + "]";
  return Str255(text.c_str());
}

void FinishGadget(TInOutput& gadget, const TLink* firstTarget, const TLink* secondTarget) {
  gadget.ExpandNamePlaceholders(firstTarget, secondTarget);
  gadget.AdjustSize();
}

bool FinishInputControls(int16_t command, TInput& first, TInput* second, TLink* target) {
  const Str255 firstName = InputFormulaName(first);
  const Str255 secondName = second != nullptr ? InputFormulaName(*second) : Str255();
  double firstValue = first.GetValue();
  double secondValue = second != nullptr ? second->GetValue() : 0.0;
  first.ExpandNamePlaceholders(target, nullptr);
  double firstMinimum = 0.0;
  double firstMaximum = 0.0;
  first.GetMinMax(firstMinimum, firstMaximum);
  double secondMinimum = 0.0;
  double secondMaximum = 0.0;
  if (second != nullptr) {
    second->ExpandNamePlaceholders(target, nullptr);
    second->GetMinMax(secondMinimum, secondMaximum);
  }
  bool taken = false;
  if (auto* receiver = dynamic_cast<TInputControlTarget*>(target)) {
    taken = receiver->AttachInputControls(command, firstName, secondName, firstValue, secondValue,
                                          firstMinimum, firstMaximum, secondMinimum,
                                          secondMaximum);
    if (taken) {
      target->AddDependent(&first);
      if (second != nullptr) target->AddDependent(second);
    }
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
