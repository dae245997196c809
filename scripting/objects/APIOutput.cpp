#include "scripting/objects/APIOutput.h"

#include <cctype>
#include <string>

#include "inout/meters/Output.h"
#include "model/Link.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/ObjectSupport.h"

IMPLEMENT_DYNAMIC(TAPIOutput, TAPILink)
IMPLEMENT_DYNAMIC(TAPIOutputCollection, TAPIWorldCollection)
IMPLEMENT_DYNAMIC(TAPIOutputColumn, TAPIDispatcher)

namespace {

struct FormatWord {
  uint32_t tag;
  const char* word;
};

constexpr FormatWord kFormats[] = {
    {MakeTag("  Tx"), "digital"}, {MakeTag("  Br"), "bar"}, {MakeTag("  Gr"), "graph"}};

// Column property kinds of MakeColumnTag.
constexpr int16_t kColumnFormula = 0;

// A meter never takes more columns through a script than a document can keep.
constexpr int32_t kMostColumns = 5;

}  // namespace

uint32_t MakeColumnTag(int16_t kind, int16_t position) {
  if (position < 1 || position > 5) return 0;
  static constexpr char kLetters[] = {'e', 'i', 'a', 'b', 's'};
  const char letter = kind >= 0 && kind <= 4 ? kLetters[kind] : ' ';
  const char text[5] = {'o', ' ', letter, static_cast<char>('0' + position - 1), '\0'};
  return TagFromString(text);
}

// TAPIOutput ---------------------------------------------------------------------------------

TAPIOutput::TAPIOutput(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent)
    : TAPILink(callLog, target, parent) {
  SetTag(kTag);
}

bool TAPIOutput::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPILink::IsKindOfTag(tag);
}

const Str31& TAPIOutput::GetClassName() const {
  static const Str31 name("TAPIOutput");
  return name;
}

TOutput* TAPIOutput::LiveMeter() const {
  return static_cast<TOutput*>(TargetOfClass(TOutput::kClassID));
}

TOutput* TAPIOutput::Meter(TAPICallContext& context) const {
  TOutput* meter = LiveMeter();
  if (meter == nullptr) context.Fail(kAPINoTarget);
  return meter;
}

APIResult TAPIOutput::GetTypeName(Str63& name) {
  TAPICallContext context(this, "");
  name = Meter(context) != nullptr ? "output" : "undefined";
  return context.Result();
}

APIResult TAPIOutput::GetFormat(Str63& word) {
  TAPICallContext context(this, "");
  word = "undefined";
  TOutput* meter = Meter(context);
  if (meter == nullptr) return context.Result();
  for (const FormatWord& format : kFormats) {
    uint16_t chosen = 0;
    meter->GetFlagProperty(format.tag, chosen, nullptr);
    if (chosen != 0) {
      word = format.word;
      break;
    }
  }
  return context.Result();
}

APIResult TAPIOutput::SetFormat(const Str255& word) {
  TAPICallContext context(this, "");
  TOutput* meter = Meter(context);
  if (meter == nullptr) return context.Result();
  Str31 kept;
  kept.Assign(word.Chars());
  std::string key(kept.Chars(), static_cast<size_t>(kept.Length()));
  for (char& c : key)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const FormatWord& format : kFormats) {
    if (key != format.word) continue;
    const uint32_t tag = format.tag;
    ApplyObjectEdit(*meter, [tag](TLink& object) { object.SetFlagProperty(tag, 1); });
    break;
  }
  return context.Result();
}

APIResult TAPIOutput::GetFlag(uint32_t tag, bool& on) {
  TAPICallContext context(this, "");
  on = false;
  uint16_t value = 0;
  if (TOutput* meter = Meter(context)) meter->GetFlagProperty(tag, value, nullptr);
  on = value != 0;
  return context.Result();
}

APIResult TAPIOutput::SetFlag(uint32_t tag, bool on) {
  TAPICallContext context(this, "");
  if (TOutput* meter = Meter(context)) meter->SetFlagProperty(tag, on ? 1 : 0);
  return context.Result();
}

APIResult TAPIOutput::GetColumnCount(int32_t& count) {
  TAPICallContext context(this, "");
  count = 0;
  if (TOutput* meter = Meter(context)) count = meter->GetColumnCount();
  return context.Result();
}

APIResult TAPIOutput::GetColumn(int16_t index, TAPIDispatcher** column) {
  TAPICallContext context(this, "");
  *column = nullptr;
  const auto position = static_cast<int16_t>(index + 1);
  TOutput* meter = Meter(context);
  if (meter == nullptr) return context.Result();
  if (meter->GetColumnCount() < position && position <= kMostColumns) {
    ApplyObjectEdit(*meter, [position](TLink& object) {
      static_cast<TOutput&>(object).SetColumnCount(position);
    });
  }
  TNumberText* text = meter->Column(position);
  if (text == nullptr) return context.Result();
  auto* made = static_cast<TAPIOutputColumn*>(text->GetAPIObject(this));
  if (made == nullptr) return context.Result();
  made->SetColumnIndex(position);
  *column = made;
  return context.Result();
}

// TAPIOutputCollection -----------------------------------------------------------------------

TAPIOutputCollection::TAPIOutputCollection(TAPICallLog* callLog, TWorldDoc* world,
                                           TAPIDispatcher* parent)
    : TAPIWorldCollection(callLog, world, parent, kTag) {}

const Str31& TAPIOutputCollection::GetClassName() const {
  static const Str31 name("TAPIOutputCollection");
  return name;
}

bool TAPIOutputCollection::Holds(const TLink& object) const {
  return object.IsMemberClass(TOutput::kClassID);
}

TAPIDispatcher* TAPIOutputCollection::WrapItem(TObject* element) {
  return WrapAs(element, TOutput::kClassID, TAPIOutput::kTag, false);
}

// TAPIOutputColumn ---------------------------------------------------------------------------

TAPIOutputColumn::TAPIOutputColumn(TAPICallLog* callLog, TNumberText* target,
                                   TAPIDispatcher* parent)
    : TAPIDispatcher(callLog, target, parent) {
  SetTag(kTag);
}

TAPIOutputColumn::~TAPIOutputColumn() {
  if (bound() && Column() != nullptr) Column()->ForgetAPIObject();
}

bool TAPIOutputColumn::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIDispatcher::IsKindOfTag(tag);
}

const Str31& TAPIOutputColumn::GetClassName() const {
  static const Str31 name("TAPIOutputColumn");
  return name;
}

TOutput* TAPIOutputColumn::Meter() const {
  if (parent() == nullptr || !parent()->HasTag(TAPIOutput::kTag)) return nullptr;
  return static_cast<TAPIOutput*>(parent())->LiveMeter();
}

int16_t TAPIOutputColumn::GetColumnIndex() {
  TOutput* meter = Meter();
  if (meter == nullptr) return static_cast<int16_t>(index_);
  index_ = -1;
  for (int32_t i = 1; i <= meter->GetColumnCount(); ++i) {
    if (meter->Column(i) == Column()) {
      index_ = i;
      break;
    }
  }
  return static_cast<int16_t>(index_);
}

APIResult TAPIOutputColumn::GetLabel(Str255& label) {
  TAPICallContext context(this, "");
  label = "";
  if (Column() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  label = Column()->GetLabel();
  return context.Result();
}

APIResult TAPIOutputColumn::SetLabel(const Str255& label) {
  TAPICallContext context(this, "");
  if (Column() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  Column()->SetLabel(label);
  return context.Result();
}

APIResult TAPIOutputColumn::GetCell(TAPIDispatcher** cell) {
  TAPICallContext context(this, "");
  *cell = nullptr;
  if (Column() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  const uint32_t tag = MakeColumnTag(kColumnFormula, GetColumnIndex());
  TOutput* meter = Meter();
  if (meter == nullptr || tag == 0) return context.Result();
  *cell = CellOfProperty(meter, tag, parent());
  return context.Result();
}

APIResult TAPIOutputColumn::GetNumber(int16_t kind, double& value) {
  TAPICallContext context(this, "");
  value = 0.0;
  if (Column() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  const uint32_t tag = MakeColumnTag(kind, GetColumnIndex());
  if (TOutput* meter = Meter(); meter != nullptr && tag != 0)
    meter->GetNumberProperty(tag, value, nullptr);
  return context.Result();
}

APIResult TAPIOutputColumn::SetNumber(int16_t kind, double value) {
  TAPICallContext context(this, "");
  if (Column() == nullptr || parent() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  const uint32_t tag = MakeColumnTag(kind, GetColumnIndex());
  if (TOutput* meter = Meter(); meter != nullptr && tag != 0) meter->SetNumberProperty(tag, value);
  return context.Result();
}

APIResult TAPIOutputColumn::GetFlag(int16_t kind, bool& on) {
  TAPICallContext context(this, "");
  on = true;
  if (Column() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  const uint32_t tag = MakeColumnTag(kind, GetColumnIndex());
  TOutput* meter = Meter();
  if (meter == nullptr || tag == 0) return context.Result();
  uint16_t value = 1;
  if (meter->GetFlagProperty(tag, value, nullptr) != 0) on = value != 0;
  return context.Result();
}

APIResult TAPIOutputColumn::SetFlag(int16_t kind, bool on) {
  TAPICallContext context(this, "");
  if (Column() == nullptr || parent() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  const uint32_t tag = MakeColumnTag(kind, GetColumnIndex());
  if (TOutput* meter = Meter(); meter != nullptr && tag != 0)
    meter->SetFlagProperty(tag, on ? 1 : 0);
  return context.Result();
}
