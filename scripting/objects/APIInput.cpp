#include "scripting/objects/APIInput.h"

#include <cctype>
#include <string>

#include "core/Failure.h"
#include "inout/inputs/Input.h"
#include "inout/inputs/InputTable.h"
#include "model/Link.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/ObjectSupport.h"

IMPLEMENT_DYNAMIC(TAPIInput, TAPILink)
IMPLEMENT_DYNAMIC(TAPIInputCollection, TAPIWorldCollection)

namespace {

struct FormatWord {
  uint32_t tag;
  const char* word;
};

constexpr FormatWord kFormats[] = {{MakeTag("  Tx"), "textbox"},
                                   {MakeTag("  Sl"), "slider"},
                                   {MakeTag("  Bt"), "button"},
                                   {MakeTag("  DT"), "table"}};

constexpr uint32_t kValueTag = MakeTag("ipVl");

}  // namespace

TAPIInput::TAPIInput(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent)
    : TAPILink(callLog, target, parent) {
  SetTag(kTag);
}

bool TAPIInput::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPILink::IsKindOfTag(tag);
}

const Str31& TAPIInput::GetClassName() const {
  static const Str31 name("TAPIInput");
  return name;
}

TInput* TAPIInput::Input(TAPICallContext& context) const {
  auto* input = static_cast<TInput*>(TargetOfClass(TInput::kClassID));
  if (input == nullptr) context.Fail(kAPINoTarget);
  return input;
}

APIResult TAPIInput::GetTypeName(Str63& name) {
  TAPICallContext context(this, "");
  name = Input(context) != nullptr ? "input" : "undefined";
  return context.Result();
}

APIResult TAPIInput::GetNumber(uint32_t tag, double& value) {
  TAPICallContext context(this, "");
  value = 0.0;
  TInput* input = Input(context);
  if (input == nullptr) return context.Result();
  if (tag == kValueTag) {
    value = input->GetValue();
  } else {
    input->GetNumberProperty(tag, value, nullptr);
  }
  return context.Result();
}

APIResult TAPIInput::SetNumber(uint32_t tag, double value) {
  TAPICallContext context(this, "");
  if (TInput* input = Input(context)) input->SetNumberProperty(tag, value);
  return context.Result();
}

APIResult TAPIInput::GetShort(uint32_t tag, int16_t& value) {
  TAPICallContext context(this, "");
  value = 0;
  uint16_t stored = 0;
  if (TInput* input = Input(context)) input->GetShortProperty(tag, stored, nullptr);
  value = static_cast<int16_t>(stored);
  return context.Result();
}

APIResult TAPIInput::SetShort(uint32_t tag, int16_t value) {
  TAPICallContext context(this, "");
  if (TInput* input = Input(context)) input->SetShortProperty(tag, static_cast<uint16_t>(value));
  return context.Result();
}

APIResult TAPIInput::GetFlag(uint32_t tag, bool& on) {
  TAPICallContext context(this, "");
  on = false;
  uint16_t value = 0;
  if (TInput* input = Input(context)) input->GetFlagProperty(tag, value, nullptr);
  on = value != 0;
  return context.Result();
}

APIResult TAPIInput::SetFlag(uint32_t tag, bool on) {
  TAPICallContext context(this, "");
  if (TInput* input = Input(context)) input->SetFlagProperty(tag, on ? 1 : 0);
  return context.Result();
}

APIResult TAPIInput::GetFormat(Str63& word) {
  TAPICallContext context(this, "");
  word = "undefined";
  TInput* input = Input(context);
  if (input == nullptr) return context.Result();
  for (const FormatWord& format : kFormats) {
    int16_t chosen = 0;
    input->GetChoiceProperty(format.tag, chosen, nullptr);
    if (chosen != 0) {
      word = format.word;
      break;
    }
  }
  return context.Result();
}

APIResult TAPIInput::SetFormat(const Str255& word) {
  TAPICallContext context(this, "");
  TInput* input = Input(context);
  if (input == nullptr) return context.Result();
  std::string key(word.Chars(), static_cast<size_t>(word.Length()));
  for (char& c : key)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const FormatWord& format : kFormats) {
    if (key != format.word) continue;
    const uint32_t tag = format.tag;
    ApplyObjectEdit(*input, [tag](TLink& object) { object.SelectChoice(tag); });
    break;
  }
  return context.Result();
}

APIResult TAPIInput::ReadTable(const Str255& path) {
  TAPICallContext context(this, "");
  TInput* input = Input(context);
  if (input == nullptr) return context.Result();
  TWorldDoc* world = WorldOfObject(input);
  const DataTableReader reader = GetDataTableReader();
  if (world == nullptr || reader == nullptr) return context.Result();
  // A file that cannot be opened or read as a table fails the call; the input keeps its table.
  try {
    input->SetDataTable(reader(*world, std::string(path.Chars(), static_cast<size_t>(path.Length()))));
  } catch (const QVException&) {
    context.Fail(kAPICallFailed);
  }
  return context.Result();
}

TAPIInputCollection::TAPIInputCollection(TAPICallLog* callLog, TWorldDoc* world,
                                         TAPIDispatcher* parent)
    : TAPIWorldCollection(callLog, world, parent, kTag) {}

const Str31& TAPIInputCollection::GetClassName() const {
  static const Str31 name("TAPIInputCollection");
  return name;
}

bool TAPIInputCollection::Holds(const TLink& object) const {
  return object.IsMemberClass(TInput::kClassID);
}

TAPIDispatcher* TAPIInputCollection::WrapItem(TObject* element) {
  return WrapAs(element, TInput::kClassID, TAPIInput::kTag, true);
}
