#include "scripting/objects/APIOutput.h"

#include <cctype>
#include <string>

#include "model/Link.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/WorldClasses.h"

IMPLEMENT_DYNAMIC(TAPIOutput, TAPILink)
IMPLEMENT_DYNAMIC(TAPIOutputCollection, TAPIWorldCollection)

namespace {

struct FormatWord {
  uint32_t tag;
  const char* word;
};

constexpr FormatWord kFormats[] = {
    {MakeTag("  Tx"), "digital"}, {MakeTag("  Br"), "bar"}, {MakeTag("  Gr"), "graph"}};

}  // namespace

uint32_t MakeColumnTag(int16_t kind, int16_t position) {
  if (position < 1 || position > 5) return 0;
  static constexpr char kLetters[] = {'e', 'i', 'a', 'b', 's'};
  const char letter = kind >= 0 && kind <= 4 ? kLetters[kind] : ' ';
  const char text[5] = {'o', ' ', letter, static_cast<char>('0' + position - 1), '\0'};
  return TagFromString(text);
}

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

TLink* TAPIOutput::Meter(TAPICallContext& context) const {
  TLink* meter = TargetOfClass(kOutputClassID);
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
  TLink* meter = Meter(context);
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
  TLink* meter = Meter(context);
  if (meter == nullptr) return context.Result();
  Str31 kept;
  kept.Assign(word.Chars());
  std::string key(kept.Chars(), static_cast<size_t>(kept.Length()));
  for (char& c : key)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const FormatWord& format : kFormats) {
    if (key == format.word) {
      meter->SetFlagProperty(format.tag, 1);
      break;
    }
  }
  return context.Result();
}

APIResult TAPIOutput::GetFlag(uint32_t tag, bool& on) {
  TAPICallContext context(this, "");
  on = false;
  uint16_t value = 0;
  if (TLink* meter = Meter(context)) meter->GetFlagProperty(tag, value, nullptr);
  on = value != 0;
  return context.Result();
}

APIResult TAPIOutput::SetFlag(uint32_t tag, bool on) {
  TAPICallContext context(this, "");
  if (TLink* meter = Meter(context)) meter->SetFlagProperty(tag, on ? 1 : 0);
  return context.Result();
}

TAPIOutputCollection::TAPIOutputCollection(TAPICallLog* callLog, TWorldDoc* world,
                                           TAPIDispatcher* parent)
    : TAPIWorldCollection(callLog, world, parent, kTag) {}

const Str31& TAPIOutputCollection::GetClassName() const {
  static const Str31 name("TAPIOutputCollection");
  return name;
}

bool TAPIOutputCollection::Holds(const TLink& object) const {
  return object.IsMemberClass(kOutputClassID);
}

TAPIDispatcher* TAPIOutputCollection::WrapItem(TObject* element) {
  return WrapAs(element, kOutputClassID, TAPIOutput::kTag, false);
}
