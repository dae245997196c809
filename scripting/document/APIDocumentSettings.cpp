// How a document's world simulates, as scripts set it: the engine's run settings, the view's
// scale, the pause controls and the force fields. Words are lowered and compared whole; a word
// that names nothing changes nothing and is no error.

#include <string>

#include "constraints/Field.h"
#include "core/Tag.h"
#include "model/Formula.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/document/UnitNames.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/ObjectSupport.h"
#include "simulation/DimensionCode.h"
#include "simulation/Engine.h"
#include "simulation/StopWhen.h"

namespace {

struct ChoiceWord {
  const char* word;
  uint32_t tag;
};

constexpr ChoiceWord kIntegrators[] = {{"euler", MakeTag("Eul/")},
                                       {"kutta_merson", MakeTag("KT/M")}};
constexpr ChoiceWord kModes[] = {
    {"fast", MakeTag("Fas/")}, {"accurate", MakeTag("Acc/")}, {"custom", MakeTag("Cus/")}};
constexpr ChoiceWord kGravityWords[] = {
    {"none", kTagGravNone}, {"linear", kTagGravLine}, {"planetary", kTagGravPlanetary}};
constexpr ChoiceWord kAirWords[] = {
    {"none", kTagAirNone}, {"standard", kTagAirLinear}, {"high", kTagAirQuadratic}};
constexpr ChoiceWord kCustomWords[] = {
    {"off", kTagCustomNone}, {"field", kTagCustomField}, {"pairwise", kTagCustomPairwise}};

constexpr uint32_t kTagNewPauseControl = MakeTag("PWNs");
constexpr const char* kPauseActions[] = {"pause", "stop", "reset", "loop"};
constexpr int16_t kAddressablePauseControls = 5;

bool IsSelected(TLink& object, uint32_t tag) {
  int16_t selected = 0;
  uint16_t enabled = 0;
  return object.GetChoiceProperty(tag, selected, &enabled) != 0 && selected != 0;
}

// The word of the first selected choice, "undefined" when none is.
template <size_t N>
const char* SelectedWord(TLink& object, const ChoiceWord (&choices)[N]) {
  for (const ChoiceWord& choice : choices)
    if (IsSelected(object, choice.tag)) return choice.word;
  return "undefined";
}

// The tag the lowered word names, 0 for none.
template <size_t N>
uint32_t TagOfWord(const ChoiceWord (&choices)[N], const char* word) {
  // The word is kept to 31 characters before it is compared.
  const std::string lowered = LoweredWord(std::string(word).substr(0, 31));
  for (const ChoiceWord& choice : choices)
    if (lowered == choice.word) return choice.tag;
  return 0;
}

TEngine* EngineOf(TQVDoc& document) {
  TLink* engine = document.World().GetEngineObject();
  return IsKindOfSafe(engine, TEngine::kClassID) ? static_cast<TEngine*>(engine) : nullptr;
}

// The world's first object of exactly the class (registered under "Stop", "grvC", "airC",
// "cusC" or "e C "): a derived class does not count.
TLink* FirstOfClass(TQVDoc& document, int16_t classId) {
  for (TLink* object : document.World().Objects())
    if (object->GetClassID() == classId) return object;
  return nullptr;
}

TStopWhen* PauseHolderOf(TQVDoc& document) {
  return static_cast<TStopWhen*>(FirstOfClass(document, TStopWhen::kClassID));
}

int16_t FieldClassId(TFieldKind field) {
  switch (field) {
    case TFieldKind::kGravity:
      return TGravCnstr::kClassID;
    case TFieldKind::kAirResistance:
      return TAirCnstr::kClassID;
    case TFieldKind::kCustom:
      return TCustomCnstr::kClassID;
    case TFieldKind::kElectrostatics:
      return TElectCnstr::kClassID;
  }
  return 0;
}

TLink* FieldOf(TQVDoc& document, TFieldKind field) {
  return FirstOfClass(document, FieldClassId(field));
}

// The field a setter changes. Every new world holds one of each kind, so a world without it (a
// document written before it had one) lacks the property: the setter is refused, not ignored.
TLink* FieldToSet(TQVDoc* document, TAPICallContext& context, TFieldKind field) {
  if (document == nullptr) return nullptr;
  TLink* found = FieldOf(*document, field);
  if (found == nullptr) context.Fail(kAPICannotSet);
  return found;
}

// The tag of pause control 1..5's condition (part 0) or action (part 1); 0 for any other.
uint32_t PauseControlTag(int part, int16_t number) {
  if (number < 1 || number > kAddressablePauseControls) return 0;
  const char text[5] = {'P', 'W', part == 0 ? 'e' : 'm', static_cast<char>('0' + number - 1), 0};
  return MakeTag(text);
}

bool Counts(TStopWhen* holder, int16_t number) {
  return holder != nullptr && number >= 1 && number <= holder->GetConditionCount();
}

}  // namespace

// ---- Run settings ------------------------------------------------------------------------------

APIResult TAPIDocument::GetIntegrator(Str63* word) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document)) word->Assign(SelectedWord(*engine, kIntegrators));
  return context.Result();
}

APIResult TAPIDocument::SetIntegrator(const Str63& word) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document))
      if (const uint32_t tag = TagOfWord(kIntegrators, word.Chars())) engine->SelectChoice(tag);
  return context.Result();
}

APIResult TAPIDocument::GetSimulationMode(Str63* word) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document)) word->Assign(SelectedWord(*engine, kModes));
  return context.Result();
}

APIResult TAPIDocument::SetSimulationMode(const Str63& word) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document))
      if (const uint32_t tag = TagOfWord(kModes, word.Chars())) engine->SelectChoice(tag);
  return context.Result();
}

APIResult TAPIDocument::GetRunSwitch(uint32_t onTag, int16_t* on) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    TEngine* engine = EngineOf(*document);
    *on = engine == nullptr || IsSelected(*engine, onTag) ? 1 : 0;
  }
  return context.Result();
}

APIResult TAPIDocument::SetRunSwitch(uint32_t onTag, uint32_t offTag, int16_t on) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document)) engine->SelectChoice(on != 0 ? onTag : offTag);
  return context.Result();
}

APIResult TAPIDocument::GetWarning(uint32_t tag, int16_t* on) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    *on = 1;
    if (TEngine* engine = EngineOf(*document)) {
      uint16_t value = 0;
      engine->GetFlagProperty(tag, value, nullptr);
      *on = value != 0 ? 1 : 0;
    }
  }
  return context.Result();
}

APIResult TAPIDocument::SetWarning(uint32_t tag, int16_t on) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document))
      engine->SetFlagProperty(tag, static_cast<uint16_t>(on));
  return context.Result();
}

APIResult TAPIDocument::GetRunNumber(uint32_t tag, int32_t dimension, double* value) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document)) {
      double stored = 0.0;
      engine->GetNumberProperty(tag, stored, nullptr);
      *value = stored * ToDisplayFactor(&document->World(), dimension);
    }
  return context.Result();
}

APIResult TAPIDocument::SetRunNumber(uint32_t tag, int32_t dimension, double value) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document))
      engine->SetNumberProperty(tag, value * FromDisplayFactor(&document->World(), dimension));
  return context.Result();
}

APIResult TAPIDocument::GetSignificantDigits(int16_t* digits) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document)) {
      int32_t value = 0;
      engine->GetIntProperty(MakeTag("sigm"), value, nullptr);
      *digits = static_cast<int16_t>(value);
    }
  return context.Result();
}

APIResult TAPIDocument::SetSignificantDigits(int16_t digits) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document); engine != nullptr && digits >= 1 && digits <= 17)
      engine->SetIntProperty(MakeTag("sigm"), digits);
  return context.Result();
}

APIResult TAPIDocument::GetStepsPerFrame(int16_t* steps) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document)) {
      int32_t value = 0;
      engine->GetIntProperty(MakeTag("spfr"), value, nullptr);
      *steps = static_cast<int16_t>(value);
    }
  return context.Result();
}

APIResult TAPIDocument::SetStepsPerFrame(int16_t steps) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TEngine* engine = EngineOf(*document)) engine->SetIntProperty(MakeTag("spfr"), steps);
  return context.Result();
}

APIResult TAPIDocument::GetScaleFactor(double* factor) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    document->World().GetNumberProperty(MakeTag("zSca"), *factor, nullptr);
  return context.Result();
}

APIResult TAPIDocument::SetScaleFactor(double factor) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context); document != nullptr && factor > 0.0)
    document->World().SetNumberProperty(MakeTag("zSca"), factor);
  return context.Result();
}

APIResult TAPIDocument::GetViewWidth(double* width) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    double stored = 0.0;
    document->World().GetNumberProperty(MakeTag("zWin"), stored, nullptr);
    *width = stored * ToDisplayFactor(&document->World(), static_cast<int32_t>(kDimensionLength));
  }
  return context.Result();
}

APIResult TAPIDocument::SetViewWidth(double width) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context); document != nullptr && width > 0.0)
    document->World().SetNumberProperty(
        MakeTag("zWin"),
        width * FromDisplayFactor(&document->World(), static_cast<int32_t>(kDimensionLength)));
  return context.Result();
}

// ---- Pause controls ----------------------------------------------------------------------------

APIResult TAPIDocument::NewPauseControl() {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TStopWhen* holder = PauseHolderOf(*document)) holder->DoAction(kTagNewPauseControl);
  return context.Result();
}

APIResult TAPIDocument::GetPauseControlCount(int32_t* count) {
  *count = 0;
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TStopWhen* holder = PauseHolderOf(*document)) *count = holder->GetConditionCount();
  return context.Result();
}

APIResult TAPIDocument::GetPauseControl(int16_t number, TAPIDispatcher** cell) {
  *cell = nullptr;
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  TStopWhen* holder = PauseHolderOf(*document);
  const uint32_t tag = PauseControlTag(0, number);
  if (!Counts(holder, number) || tag == 0) return context.Result();
  *cell = CellOfProperty(holder, tag, ScriptObjectOf(*holder, this));
  return context.Result();
}

APIResult TAPIDocument::DeletePauseControl(int16_t number) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    TStopWhen* holder = PauseHolderOf(*document);
    const uint32_t tag = PauseControlTag(1, number);
    if (Counts(holder, number) && tag != 0) holder->SetIndexProperty(tag, -1);
  }
  return context.Result();
}

APIResult TAPIDocument::GetPauseControlType(int16_t number, Str63* type) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  TStopWhen* holder = PauseHolderOf(*document);
  if (!Counts(holder, number)) return context.Result();
  // A control past the fifth has no tag: its action cannot be read, and it is not claimed to
  // be pause.
  int16_t action = -1;
  uint16_t enabled = 0;
  if (const uint32_t tag = PauseControlTag(1, number))
    holder->GetIndexProperty(tag, action, enabled);
  type->Assign(action >= 0 && action <= 3 ? kPauseActions[action] : "undefined");
  return context.Result();
}

APIResult TAPIDocument::SetPauseControlType(int16_t number, const Str31& type) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  TStopWhen* holder = PauseHolderOf(*document);
  const uint32_t tag = PauseControlTag(1, number);
  if (!Counts(holder, number) || tag == 0) return context.Result();
  int16_t action = kPauseActionPause;
  for (int16_t i = 0; i < 4; ++i)
    if (std::string(type.Chars()) == kPauseActions[i]) {
      action = i;
      break;
    }
  holder->SetIndexProperty(tag, action);
  return context.Result();
}

// ---- Force fields ------------------------------------------------------------------------------

APIResult TAPIDocument::GetFieldChoice(TFieldKind kind, Str255* word) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  TLink* field = document != nullptr ? FieldOf(*document, kind) : nullptr;
  if (field == nullptr) return context.Result();
  if (kind == TFieldKind::kGravity) word->Assign(SelectedWord(*field, kGravityWords));
  if (kind == TFieldKind::kAirResistance) word->Assign(SelectedWord(*field, kAirWords));
  if (kind == TFieldKind::kCustom) word->Assign(SelectedWord(*field, kCustomWords));
  return context.Result();
}

APIResult TAPIDocument::SetFieldChoice(TFieldKind kind, const Str63& word) {
  TAPICallContext context(this, "");
  TLink* field = FieldToSet(CheckedDocument(context), context, kind);
  if (field == nullptr) return context.Result();
  uint32_t tag = 0;
  if (kind == TFieldKind::kGravity) tag = TagOfWord(kGravityWords, word.Chars());
  if (kind == TFieldKind::kAirResistance) tag = TagOfWord(kAirWords, word.Chars());
  if (kind == TFieldKind::kCustom) tag = TagOfWord(kCustomWords, word.Chars());
  if (tag != 0) field->SelectChoice(tag);
  return context.Result();
}

APIResult TAPIDocument::GetFieldNumber(TFieldKind kind, uint32_t tag, int32_t dimension,
                                       double* value) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  TLink* field = document != nullptr ? FieldOf(*document, kind) : nullptr;
  if (field == nullptr) return context.Result();
  double stored = 0.0;
  FieldNumberInfo info;
  field->GetNumberProperty(tag, stored, &info);
  *value = stored * ToDisplayFactor(&document->World(), dimension);
  return context.Result();
}

APIResult TAPIDocument::SetFieldNumber(TFieldKind kind, uint32_t tag, int32_t dimension,
                                       double value) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  TLink* field = FieldToSet(document, context, kind);
  if (field != nullptr)
    field->SetNumberProperty(tag, value * FromDisplayFactor(&document->World(), dimension));
  return context.Result();
}

APIResult TAPIDocument::GetElectrostaticsOn(int16_t* on) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  TLink* field = document != nullptr ? FieldOf(*document, TFieldKind::kElectrostatics) : nullptr;
  if (field != nullptr) *on = IsSelected(*field, kTagElectOn) ? 1 : 0;
  return context.Result();
}

APIResult TAPIDocument::SetElectrostaticsOn(int16_t on) {
  TAPICallContext context(this, "");
  TLink* field = FieldToSet(CheckedDocument(context), context, TFieldKind::kElectrostatics);
  if (field != nullptr) field->SelectChoice(on != 0 ? kTagElectOn : kTagElectOff);
  return context.Result();
}

APIResult TAPIDocument::GetForceFieldCell(uint32_t tag, TAPIDispatcher** cell) {
  *cell = nullptr;
  TAPICallContext context(this, "");
  if (!IsKindOfSafe(static_cast<TObject*>(Document()), TQVDoc::kClassID)) {
    // A cell is a property the object no longer has.
    context.Fail(kAPICannotGet);
    return context.Result();
  }
  TLink* field = FieldOf(*Document(), TFieldKind::kCustom);
  if (field != nullptr) *cell = CellOfProperty(field, tag, ScriptObjectOf(*field, this));
  return context.Result();
}
