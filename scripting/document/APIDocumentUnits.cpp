// The units and number format of a document's world, as scripts name them. Everything is read
// from and written to the world's unit handler; without one, getters leave their start value
// and setters do nothing.

#include <string>

#include "core/Tag.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/document/UnitNames.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/ObjectSupport.h"
#include "simulation/UnitHandler.h"

namespace {

struct FormatWord {
  const char* word;
  uint32_t tag;
};
constexpr FormatWord kFormats[] = {
    {"fixed", kTagFormatFixed}, {"floating", kTagFormatFloating}, {"auto", kTagFormatAutomatic}};

TWorldUnitHandler* HandlerOf(TQVDoc& document) {
  return UnitHandlerOf(&document.World());
}

// A word the getters answer for a state no word sets ("" for a unit without a name, "custom",
// "undefined"): a value read and written back is taken in silence.
bool ReadBackOnly(const char* word) {
  const std::string lowered = LoweredWord(word);
  return lowered.empty() || lowered == "custom" || lowered == "undefined";
}

// A word the setter does not know changes nothing, and the script is told unless the word is
// one the getter answers.
void RefuseWord(TAPICallContext& context, const char* word) {
  if (!ReadBackOnly(word)) context.Fail(kAPIBadParameter, kAPIUnknownWord);
}

}  // namespace

APIResult TAPIDocument::GetUnitSystem(Str63* name) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TWorldUnitHandler* units = HandlerOf(*document)) {
      int16_t code = -1;
      units->GetIndexProperty(kTagUnitSystem, code);
      name->Assign(PrintUnitSystemName(code).c_str());
    }
  return context.Result();
}

APIResult TAPIDocument::SetUnitSystem(const Str63& name) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TWorldUnitHandler* units = HandlerOf(*document))
      if (const int16_t code = ParseUnitSystemName(name.Chars()); code >= 0)
        units->SetIndexProperty(kTagUnitSystem, code);
      else
        RefuseWord(context, name.Chars());
  return context.Result();
}

APIResult TAPIDocument::GetUnit(int16_t quantity, Str63* name) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TWorldUnitHandler* units = HandlerOf(*document)) {
      int16_t index = 0;
      units->GetIndexProperty(UnitQuantityTag(quantity), index);
      name->Assign(PrintUnitName(quantity, index).c_str());
    }
  return context.Result();
}

APIResult TAPIDocument::SetUnit(int16_t quantity, const Str63& name) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TWorldUnitHandler* units = HandlerOf(*document)) {
      const uint32_t tag = UnitQuantityTag(quantity);
      const int16_t index = ParseUnitName(quantity, name.Chars());
      if (tag != 0 && index >= 0)
        units->SetIndexProperty(tag, index);
      else
        RefuseWord(context, name.Chars());
    }
  return context.Result();
}

APIResult TAPIDocument::GetDecimalDigits(int16_t* digits) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TWorldUnitHandler* units = HandlerOf(*document)) {
      int32_t value = 0;
      units->GetIntProperty(kTagDigits, value, nullptr);
      *digits = static_cast<int16_t>(value);
    }
  return context.Result();
}

APIResult TAPIDocument::SetDecimalDigits(int16_t digits) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TWorldUnitHandler* units = HandlerOf(*document)) units->SetIntProperty(kTagDigits, digits);
  return context.Result();
}

APIResult TAPIDocument::GetDecimalFormat(Str63* word) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TWorldUnitHandler* units = HandlerOf(*document)) {
      const char* found = "undefined";
      for (const FormatWord& format : kFormats) {
        int16_t selected = 0;
        if (units->GetChoiceProperty(format.tag, selected, nullptr) != 0 && selected != 0) {
          found = format.word;
          break;
        }
      }
      word->Assign(found);
    }
  return context.Result();
}

APIResult TAPIDocument::SetDecimalFormat(const Str63& word) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TWorldUnitHandler* units = HandlerOf(*document)) {
      const std::string lowered = LoweredWord(std::string(word.Chars()).substr(0, 31));
      bool known = false;
      for (const FormatWord& format : kFormats)
        if (lowered == format.word) {
          units->SelectChoice(format.tag);
          known = true;
          break;
        }
      if (!known) RefuseWord(context, word.Chars());
    }
  return context.Result();
}
