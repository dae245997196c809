#pragma once
// The script object of a world input (YBInput: a text box, slider, button or table control) and
// the collection of a world's inputs. Every setting lives in the world input, reached by tag.

#include <cstdint>

#include "scripting/objects/APILink.h"
#include "scripting/objects/APIWorldCollection.h"

class TAPICallContext;
class TInput;

class TAPIInput : public TAPILink {
  DECLARE_DYNAMIC(TAPIInput)

 public:
  static constexpr uint32_t kTag = MakeTag("APIn");

  TAPIInput(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent);

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  // "input".
  APIResult GetTypeName(Str63& name) override;

  APIResult GetNumber(uint32_t tag, double& value);
  APIResult SetNumber(uint32_t tag, double value);
  APIResult GetShort(uint32_t tag, int16_t& value);
  APIResult SetShort(uint32_t tag, int16_t value);
  APIResult GetFlag(uint32_t tag, bool& on);
  APIResult SetFlag(uint32_t tag, bool on);
  // "textbox", "slider", "button" or "table"; "undefined" for none of them.
  APIResult GetFormat(Str63& word);
  // The word in any case, as one undoable step; a word that is none of the four changes
  // nothing.
  APIResult SetFormat(const Str255& word);
  // Reads the table file at the path into the world's tables and gives the table to the input.
  // Without a world or a table reader in the program nothing is read and nothing fails.
  APIResult ReadTable(const Str255& path);

 private:
  TInput* Input(TAPICallContext& context) const;
};

class TAPIInputCollection : public TAPIWorldCollection {
  DECLARE_DYNAMIC(TAPIInputCollection)

 public:
  static constexpr uint32_t kTag = MakeTag("APIC");

  TAPIInputCollection(TAPICallLog* callLog, TWorldDoc* world, TAPIDispatcher* parent);
  const Str31& GetClassName() const override;
  TAPIDispatcher* WrapItem(TObject* element) override;

 protected:
  bool Holds(const TLink& object) const override;
};
