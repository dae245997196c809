// TVectorMassBase: the field-force vectors of bodies, their uniform and pairwise forms, and the
// vector formulas of bodies and points.

#include "bodies/vectors/VectorThing.h"

#include "core/Failure.h"

namespace {

Str255 WithComponent(Str255 text, int16_t component) {
  if (!text.IsEmpty()) text.AppendChar(component == 0 ? 'x' : 'y');
  return text;
}

}  // namespace

Str255 TVectorThing::FormulaReference(const char* kind) {
  if (!GetDescription().IsEmpty()) return GetDescription();
  Str255 text(kind);
  text.AppendChar('[');
  text.AppendNumber(GetIdentifier());
  text.AppendChar(']');
  return text;
}

void TVectorMassBase::Initialize() {
  TThing::Initialize();
  InitFields();
}

void TVectorMassBase::InitFields() {
  showGravity_ = 0;
  showCustom_ = 0;
  gravityUniform_ = 1;
  customUniform_ = 1;
  TVectorThing::InitFields();
}

Str255 TVectorMassBase::BuildVectorFormula(int16_t index, int16_t component, uint16_t& resolved,
                                           uint16_t& fieldVector) {
  const Str255 name = FormulaReference("body");
  Str255 text;
  if (index == 1) {
    text = name;
    text.AppendCString(".a.");
  } else if (index == 2) {
    text = name;
    text.AppendCString(".mass * ");
    text.Append(name);
    text.AppendCString(".a.");
  } else if (index >= 3 && index <= 5) {
    fieldVectorsOn_ = 1;
    fieldVectorsResolved_ = 0;
    if (vectorHandler_ == nullptr || vectorHandler_->IsFieldActive(index) == 0) {
      fieldVectorsResolved_ = 1;
    } else if (const int16_t field = vectorHandler_->GetFieldNumber(index); field != 0) {
      text = "constraintforce(^1,^0).";
      ReplaceFirstPlaceholder(text, "^1", VectorNumberText(field));
      ReplaceFirstPlaceholder(text, "^0", VectorNumberText(GetObjectNumber()));
      fieldVectorsResolved_ = 1;
    }
  }
  resolved = fieldVectorsOn_;
  fieldVector = fieldVectorsResolved_;
  return WithComponent(text, component);
}

Str255 TVectorPointBase::BuildVectorFormula(int16_t index, int16_t component, uint16_t& resolved,
                                            uint16_t& fieldVector) {
  resolved = 0;
  fieldVector = 0;
  const Str255 name = FormulaReference("point");
  Str255 text;
  if (index == 0 || index == 1) {
    text = name;
    text.AppendCString(index == 0 ? ".v." : ".a.");
  } else if (index == 2) {
    text = "constraintforce(^0).";
    ReplaceFirstPlaceholder(text, "^0", name);
  }
  return WithComponent(text, component);
}

std::unique_ptr<TVectorArrow> TVectorMassBase::NewArrow(int16_t index) {
  FailIfNull(vectorHandler_);
  std::unique_ptr<TVectorArrow> arrow;
  if (index >= 3 && index <= 5)
    arrow = NewFormulaArrow(index);
  else if (index >= 6 && index <= 8)
    arrow = NewPairArrow(index);
  else if (index == 9 || index == 10)
    arrow = NewContactArrow(index);
  else
    return TVectorThing::NewArrow(index);
  if (!arrow) ThrowFailure(kErrNoArrow, 0);
  return arrow;
}

void TVectorMassBase::DeleteAllArrows(uint16_t clearMenuFlags, uint16_t includeOptioned) {
  TVectorThing::DeleteAllArrows(clearMenuFlags, includeOptioned);
  if (clearMenuFlags == 0) return;
  showGravity_ = 0;
  showCustom_ = 0;
}

void TVectorMassBase::CheckFieldVector(int16_t index, uint16_t& available) {
  available = 1;
  uint16_t recognised = 1;
  if (vectorHandler_ == nullptr) {
    recognised = 0;
  } else if (index == 3 || index == 6) {
    if (TLink* gravity = vectorHandler_->GetGravityField())
      gravityUniform_ = vectorHandler_->IsUniformField(gravity) ? 1 : 0;
    else if (showGravity_ != 0)
      available = 0;
  } else if (index == 4) {
    if (shown_[4] != 0) available = vectorHandler_->HasAirField() ? 1 : 0;
  } else if (index == 5 || index == 8) {
    if (TLink* custom = vectorHandler_->GetCustomField())
      customUniform_ = vectorHandler_->IsUniformField(custom) ? 1 : 0;
    else if (showCustom_ != 0)
      available = 0;
  } else if (index == 7) {
    if (shown_[7] != 0) available = vectorHandler_->HasElectrostaticField() ? 1 : 0;
  } else {
    recognised = 0;
  }
  if (fieldVectorsOn_ == 0) fieldVectorsOn_ = recognised;
}

void TVectorMassBase::MapFieldVectorIndex(int16_t& index, uint16_t& changed) {
  const int16_t before = index;
  if (index == 3 && gravityUniform_ == 0) index = 6;
  else if (index == 6 && gravityUniform_ == 1) index = 3;
  else if (index == 5 && customUniform_ == 0) index = 8;
  else if (index == 8 && customUniform_ == 1) index = 5;
  changed = index != before ? 1 : 0;
}

void TVectorMassBase::MoveVector(int16_t from, int16_t to, uint16_t shown) {
  const auto f = static_cast<size_t>(from);
  const auto t = static_cast<size_t>(to);
  const bool held = HasArrow(from) || HasArrow(to);
  const uint16_t request = requested_[f];
  const uint16_t option = option_[f];
  DeleteArrow(from);
  shown_[f] = requested_[f] = option_[f] = 0;
  if (held) SetArrow(to, NewArrow(to));
  shown_[t] = shown;
  requested_[t] = request;
  option_[t] = option;
}

void TVectorMassBase::ChooseFieldVectorForm(uint16_t useFirst, int16_t first, int16_t second,
                                            uint16_t shown) {
  auto inUse = [this](int16_t i) {
    const auto s = static_cast<size_t>(i);
    return HasArrow(i) || shown_[s] != 0 || requested_[s] != 0 || option_[s] != 0;
  };
  if (!inUse(first)) {
    if (!inUse(second)) return;
    if (useFirst == 0) {
      if (TVectorArrow* arrow = GetArrow(second)) arrow->FieldChanged();
    } else {
      MoveVector(second, first, shown);
    }
    return;
  }
  if (useFirst == 0) {
    MoveVector(first, second, shown);
  } else if (TVectorArrow* arrow = GetArrow(first)) {
    arrow->FieldChanged();
  }
}

void TVectorMassBase::FieldAdded(TLink* field) {
  if (vectorHandler_ != nullptr && field != nullptr) {
    if (field == vectorHandler_->GetCustomField()) {
      customUniform_ = vectorHandler_->IsUniformField(field) ? 1 : 0;
      ChooseFieldVectorForm(customUniform_, 5, 8, showCustom_);
    } else if (field == vectorHandler_->GetGravityField()) {
      gravityUniform_ = vectorHandler_->IsUniformField(field) ? 1 : 0;
      ChooseFieldVectorForm(gravityUniform_, 3, 6, showGravity_);
    }
  }
  if (fieldVectorsOn_ != 0 && fieldVectorsResolved_ == 0)
    ForEachArrow([](TVectorArrow& arrow) { arrow.FieldAdded(); });
}

void TVectorMassBase::FieldRemoved(TLink*) {
  if (fieldVectorsOn_ != 0) ForEachArrow([](TVectorArrow& arrow) { arrow.FieldRemoved(); });
}

void TVectorMassBase::FieldChanged(TLink* field) {
  if (field == nullptr || fieldVectorsOn_ == 0 || vectorHandler_ == nullptr) return;
  if (vectorHandler_->HasAirField() && field->GetIdentifier() == vectorHandler_->GetFieldNumber(4)) {
    if (TVectorArrow* arrow = GetArrow(4)) arrow->FieldChanged();
  } else if (vectorHandler_->HasElectrostaticField() &&
             field->GetIdentifier() == vectorHandler_->GetFieldNumber(7)) {
    if (TVectorArrow* arrow = GetArrow(7)) arrow->FieldChanged();
  } else if (field == vectorHandler_->GetCustomField()) {
    customUniform_ = vectorHandler_->IsUniformField(field) ? 1 : 0;
    ChooseFieldVectorForm(customUniform_, 5, 8, showCustom_);
  } else if (field == vectorHandler_->GetGravityField()) {
    gravityUniform_ = vectorHandler_->IsUniformField(field) ? 1 : 0;
    ChooseFieldVectorForm(gravityUniform_, 3, 6, showGravity_);
  }
}

void TVectorMassBase::UpdateFieldVectors() {
  fieldVectorsOn_ =
      (showGravity_ != 0 || shown_[7] != 0 || shown_[4] != 0 || showCustom_ != 0) ? 1 : 0;
  if (vectorHandler_ == nullptr) AttachVectorHandler();
  if (vectorHandler_ == nullptr) {
    fieldVectorsResolved_ = 0;
    MoveVector(6, 3, showGravity_);
    MoveVector(8, 5, showCustom_);
    customUniform_ = 1;
    gravityUniform_ = 1;
    return;
  }
  uint16_t all = 1;
  uint16_t answer = 0;
  CheckFieldVector(4, answer);
  all = all && answer;
  CheckFieldVector(7, answer);
  all = all && answer;
  int16_t index = 5;
  uint16_t moved = 0;
  CheckFieldVector(5, answer);
  MapFieldVectorIndex(index, moved);
  if (moved != 0) MoveVector(5, 8, showCustom_);
  all = all && answer;
  index = 3;
  CheckFieldVector(3, answer);
  MapFieldVectorIndex(index, moved);
  if (moved != 0) MoveVector(3, 6, showGravity_);
  all = all && answer;
  all = all && answer;
  fieldVectorsResolved_ = all;
}

void TVectorMassBase::ShowFieldFromCommand(uint16_t& menuFlag, int16_t uniformIndex,
                                           int16_t pairIndex, uint16_t uniform, uint16_t value) {
  if (menuFlag == value) return;
  menuFlag = value;
  const int16_t index = uniform != 0 ? uniformIndex : pairIndex;
  shown_[static_cast<size_t>(index)] = value;
  SetVectorShown(index, value, 0, 1);
}

bool TVectorMassBase::GetCommandState(int16_t command, uint16_t& enabled, uint16_t& mark) {
  enabled = 1;
  switch (command) {
    case kCmdShowGravity:
      mark = (shown_[3] != 0 || shown_[6] != 0) ? 1 : 0;
      return true;
    case kCmdShowCustomField:
      mark = (shown_[5] != 0 || shown_[8] != 0) ? 1 : 0;
      return true;
    case kCmdShowElectrostatic:
      mark = shown_[7];
      return true;
    case kCmdShowAirResistance:
      mark = shown_[4];
      return true;
    case kCmdShowContact:
      mark = shown_[9];
      return true;
    case kCmdShowFriction:
      mark = shown_[10];
      return true;
    default:
      return TVectorThing::GetCommandState(command, enabled, mark);
  }
}

void TVectorMassBase::DoCommandValue(int16_t command, uint16_t value) {
  value = value != 0 ? 1 : 0;
  switch (command) {
    case kCmdShowGravity:
      ShowFieldFromCommand(showGravity_, 3, 6, gravityUniform_, value);
      break;
    case kCmdShowCustomField:
      ShowFieldFromCommand(showCustom_, 5, 8, customUniform_, value);
      break;
    case kCmdShowElectrostatic:
      ShowFromCommand(7, value, 1);
      break;
    case kCmdShowAirResistance:
      ShowFromCommand(4, value, 1);
      break;
    case kCmdShowContact:
      ShowFromCommand(9, value, 1);
      break;
    case kCmdShowFriction:
      ShowFromCommand(10, value, 1);
      break;
    default:
      TVectorThing::DoCommandValue(command, value);
  }
}
