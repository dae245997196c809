#pragma once
// The roots of every world object. A link has an owner (the world that holds it), a numeric
// identifier under which it is stored, and a list of the objects linked to it; it answers
// properties by four-character tag and files itself as numbered blocks. Each class of the chain
// answers its own tags and blocks and passes the rest to its base.
//
//   TLink (515) > THandlerLink (516) > TNamedLink (517) > TDisplayLink (400) > TSingleStyleLink
//   (401)

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/Handle.h"
#include "core/List.h"
#include "core/PString.h"
#include "core/TObject.h"
#include "core/Tag.h"
#include "core/geometry/IntRect.h"
#include "core/geometry/Vector.h"
#include "core/port/Port.h"
#include "core/port/PortText.h"
#include "model/ScriptSlot.h"

class TCommandCore;
class TFormula;
class TGeometryObjectCache;
class TLink;
class TLink518;
class TObjectReader;
class TObjectWriter;

// What a link asks of the world that owns it. The world fills it in; a link without an owner
// falls back to neutral answers.
class TLinkOwner {
 public:
  virtual ~TLinkOwner() = default;
  // Redraw the object and mark the document modified.
  virtual void ObjectChanged(TLink& object) = 0;
  // The colour to draw an object of the given colour with.
  virtual RGB16Color DisplayColour(const RGB16Color& colour) = 0;
  // A thing's tracking was switched on.
  virtual void TrackingEnabled() = 0;
  // The screen point of a world point in the world's main view; none leaves it to the object's
  // own drawing transform.
  virtual std::optional<MacPoint> WorldToScreen(const TVector& point) = 0;
  // Snapping steps; 0.0 means no snapping.
  virtual double GridSpacing() const = 0;
  virtual double AngleStep() const = 0;
  // Redraw an area of the world's views in view pixels (a gadget's frame); owners that draw
  // whole objects only may leave it.
  virtual void InvalidateArea(const MacRect& /*area*/) {}
};

// The block codes of the link chain.
inline constexpr int16_t kBlockElements = 1600;  // the recorded formulas of an object
inline constexpr int16_t kBlockLinkTexts = 5013;
inline constexpr int16_t kBlockName = 5015;  // 5001 is the gadget's position
inline constexpr int16_t kBlockDisplayFlags = 5003;
inline constexpr int16_t kBlockTextStyle = 5218;  // text style and label offset
inline constexpr int16_t kBlockShortRecord = 666;

// What an object shows in a coordinate field for a position tag.
struct TPositionField {
  double value = 0.0;
  TFormula* formula = nullptr;  // the object's quantity, or null
  int32_t unitKind = 0;
  double lower = 0.0;
  double upper = 0.0;
  uint16_t present = 0;
  Str255 label;
};

// Callbacks of ReportPropertyBlocks.
using BlockCallback = void (*)(int16_t code, void* context);
using ObjectCallback = void (*)(void* context);

class TLink : public TList {
  DECLARE_CLASS_ID(515, TList)

 public:
  TLink();
  ~TLink() override;
  TLink(const TLink&) = delete;
  TLink& operator=(const TLink&) = delete;

  // Runs on every new object after its constructor, also before its blocks are read.
  virtual void Initialize();

  // Identity in a stream and in the world.
  int16_t GetIdentifier() const { return identifier_; }
  virtual void SetIdentifier(int16_t identifier) { identifier_ = identifier; }
  TLinkOwner* GetOwner() const { return owner_; }
  void SetOwner(TLinkOwner* owner) { owner_ = owner; }
  const Str255& GetDescription() const { return description_; }
  void SetDescription(const Str255& text) { description_ = text; }
  const Str31& GetNumberText() const { return numberText_; }
  void SetNumberText(const Str31& text) { numberText_ = text; }

  // The objects linked to this one, in order. Linking is mutual: each enters the other's list
  // once.
  std::vector<TLink*> Linked() const;
  virtual void AddDependent(TLink* object);
  virtual void RemoveDependent(TLink* object);
  // Gives every linked object the change notice with (this, value).
  void ForEachLinked(uint16_t value);
  virtual void LinkedChanged(TLink& source, uint16_t value);
  // Replaces the linked object old by object (either may be null) and answers object.
  TLink* SetDependent(TLink* old, TLink* object);
  // Told that an object was attached to this one; nothing in the link base.
  virtual void ObjectAttached(TLink* object);
  // Told that an object left the world: it is no longer linked to this one.
  virtual void ObjectRemoved(TLink* object);

  virtual uint16_t IsThing() const { return 0; }
  // Whether the object can be one of its world's selected objects; the world refuses the others.
  virtual bool CanBeSelected() const { return true; }
  // The number of the object's own properties dialog (the command that opens it), or 0 when it
  // has none.
  virtual int16_t GetObjectKindCode() const { return 0; }

  // The object's script object: made through the scripting layer's maker on the first request
  // that names a parent, kept (one reference) until the object goes.
  static void SetScriptObjectMaker(const TScriptObjectMaker<TLink>& maker) {
    TScriptSlot<TLink>::SetMaker(maker);
  }
  CCmdTarget* GetAPIObject(CCmdTarget* parent) { return scriptObject_.Get(*this, parent); }
  CCmdTarget* KeptAPIObject() const { return scriptObject_.Kept(); }
  // The script object went first.
  void ForgetAPIObject() { scriptObject_.Forget(); }
  // Forwards to the owner's change notice; nothing without an owner. Linking objects does not
  // count as a change of the link.
  void Changed() override;
  // The owner's colour for drawing, or the colour itself without an owner.
  RGB16Color GetDisplayColour(const RGB16Color& colour) const;

  // Property protocol: getters answer 1 when the object handles the tag and leave the out value
  // alone otherwise; setters ignore tags they do not handle.
  virtual uint16_t HasAction(uint32_t tag);
  virtual void DoAction(uint32_t tag);
  virtual uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* extra);
  virtual void SetIntProperty(uint32_t tag, int32_t value);
  virtual uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra);
  virtual void SetFlagProperty(uint32_t tag, uint16_t value);
  virtual uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra);
  virtual void SelectChoice(uint32_t tag);
  // The quantity the object keeps for the tag, or null; the object fills in what it knows of the
  // quantity's display (any of the pointers may be null).
  virtual TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second,
                                       int32_t* dimension, uint16_t* flag);
  virtual void SetFormulaProperty(uint32_t tag, const TFormula& formula);
  virtual uint16_t GetPositionProperty(uint32_t tag, TPositionField& field, void* extra);
  virtual void SetPositionProperty(uint32_t tag, const TFormula& formula, int32_t first,
                                   int32_t second);
  // Whether the tag names a property that places the object.
  virtual uint16_t IsPositionProperty(uint32_t tag);
  virtual uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra);
  virtual void SetStringProperty(uint32_t tag, const Str255& value);
  virtual uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra);
  virtual void SetNumberProperty(uint32_t tag, const double& value);
  virtual uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra);
  virtual void SetShortProperty(uint32_t tag, uint16_t value);
  virtual uint16_t GetColourProperty(uint32_t tag, RGB16Color& value, void* extra);
  virtual void SetColourProperty(uint32_t tag, const RGB16Color& value);
  virtual uint16_t GetLongProperty(uint32_t tag, uint32_t& value, void* extra);
  virtual void SetLongProperty(uint32_t tag, uint32_t value);
  // Does nothing: a tag without a property.
  void SetBlankTag(uint32_t, uint16_t) {}
  // Appends the further objects that a change of the tag concerns; the link base has none.
  virtual void GetDependants(uint32_t tag, std::vector<TLink*>& list);
  // Whether the object follows the geometry of another; the link base does not.
  virtual uint16_t FollowsGeometry() { return 0; }
  // Formula changes. Appends the objects whose formulas read this object, those recomputed
  // first to the first list and the others to the second: the link base asks the collections it
  // is linked to (its world) for the readers and puts them into the first list.
  virtual void AddFormulaDependants(uint16_t flag, std::vector<TLink*>& first,
                                    std::vector<TLink*>& second);
  // A collection answers the objects among its own whose formulas name the object; others
  // answer none.
  virtual void CollectFormulaReaders(TLink&, std::vector<TLink*>&) {}
  // Told 0 when a formula change starts and 1 when it ends; nothing in the link base.
  virtual void SetFormulaUpdate(uint16_t) {}
  // Takes the formula of the tag during a formula change, with the change's geometry cache; the
  // link base sets it as the property of the tag.
  virtual void SetCachedFormula(uint32_t tag, const TFormula& formula, TGeometryObjectCache*);
  // Every formula quantity the object owns, in a fixed order; the link base owns none.
  virtual void ForEachFormula(void (*function)(TFormula*, void*), void* context);
  // One of the object's formulas changed: the link base tells its linked objects (1).
  virtual void FormulaChanged(TFormula* formula);
  // Copies source into the object's formula target and tells the object of the change; when the
  // target held a formula text before, the linked objects hear of it too (what read the old
  // text may read something else now). A source that is the target only reports the change.
  void AssignFormula(const TFormula& source, TFormula& target);
  // Names the stored blocks that hold a property; the link base reports nothing.
  virtual void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                    ObjectCallback objectCallback, void* blockContext,
                                    void* objectContext);
  virtual void ReportPositionBlocks(BlockCallback blockCallback, void* blockContext);

  // The recorded formulas of the object, filed as the element list of block 1600: a count, then
  // each element as a formula item. The link base records nothing; readers read the items and
  // drop them.
  virtual int32_t CountElements() { return 0; }
  virtual void WriteElements(TObjectWriter& writer);
  virtual void ReadElements(int32_t count, TObjectReader& reader);

  // Filing.
  virtual uint16_t CanReadBlock(int16_t code);
  virtual uint16_t ReadBlockContents(int16_t code, TObjectReader& reader);
  virtual void WriteBlockContents(int16_t code, TObjectWriter& writer);
  virtual void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object);
  virtual void EndReading(TObjectReader& reader);
  // Writes the object once: flag 1 its short record (block 666) alone, flag 0 all its fields.
  virtual void WriteTo(TObjectWriter& writer, int16_t flag);
  virtual void WriteFields(TObjectWriter& writer);
  virtual void WriteClassTag(TObjectWriter& writer);
  // Run on the container of a reader around linking the objects read with it.
  virtual void PrepareForReadObjects() {}
  virtual void FinishReadObjects() {}
  // Given every object the reader read, with the table and the container.
  virtual void ReaderNotice(TLink518& table, TLink* container);
  // Keeps the text of records that no object read, so they survive a write.
  virtual void KeepUnreadRecords(Handle records);
  Handle UnreadRecords() const { return unread_; }

 private:
  void AddOneWay(TLink* object);
  void RemoveOneWay(TLink* object);

  TLinkOwner* owner_ = nullptr;
  int16_t identifier_ = 1;
  Str255 description_;
  Str31 numberText_ = "1";
  Handle unread_ = nullptr;
  TScriptSlot<TLink> scriptObject_;
};

// The table of objects that a reader has read: a link whose list holds them in order.
class TLink518 : public TLink {
  DECLARE_CLASS_ID(518, TLink)

 public:
  // The table only lists: its objects are not linked back, so nothing is unlinked either.
  ~TLink518() override { DeleteAll(); }
  // Appends without linking back.
  void AddDependent(TLink* object) override;
  void RemoveDependent(TLink* object) override;
  std::vector<TLink*> Objects() const { return Linked(); }
  void Clear() { DeleteAll(); }
};

// A link in the chain of command handlers: an object of a world may set up menu items of its own
// and answer the numbers its world leaves.
class THandlerLink : public TLink {
  DECLARE_CLASS_ID(516, TLink)

 public:
  // Enables and checks the object's own items; run for every object of the world each time the
  // menus are about to show, after the world's own set-up. By default nothing.
  virtual void DoSetupMenus() {}
  // The object's answer to a number its world leaves: the command for the application to queue,
  // or null when the work is done or there is none; `handled` tells whether the object took the
  // number. By default it takes none.
  virtual std::unique_ptr<TCommandCore> DoObjectMenuCommand(int16_t command, bool& handled);
};

// A link with a name.
class TNamedLink : public THandlerLink {
  DECLARE_CLASS_ID(517, THandlerLink)

 public:
  const Str255& GetName() const { return name_; }
  // The name is kept in its own block, so renaming saves only that block for undo.
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  // True for the tags the named link answers.
  virtual bool HasProperty(uint32_t tag);
  virtual void SetName(const Str255& name);
  // Replaces every 0xA5 of the name by the number text or, when the name holds none, every "$";
  // the name changes only when something was replaced.
  void FillNamePlaceholder();

  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  void SetStringProperty(uint32_t tag, const Str255& value) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 private:
  Str255 name_;
};

// A link that is shown in the world, optionally with its name.
class TDisplayLink : public TNamedLink {
  DECLARE_CLASS_ID(400, TNamedLink)

 public:
  uint16_t IsShown() const { return shown_; }
  uint16_t IsNameShown() const { return nameShown_; }
  uint16_t GetDisplayFlags() const { return displayFlags_; }
  void SetDisplayFlags(uint16_t flags) { displayFlags_ = flags; }
  bool IsStateBit0Set() const { return (displayFlags_ & 1) != 0; }
  bool IsStateBit1Set() const { return (displayFlags_ & 2) != 0; }
  void SetStateBit1(uint16_t on) { SetBit(2, on); }
  void SetStateBit2(uint16_t on) { SetBit(4, on); }
  // Clears bits 1 and 2, as at the end of a drag.
  void ClearStateBits() { displayFlags_ &= static_cast<uint16_t>(~6u); }

  void Initialize() override;
  // Stores the name and redraws when the name label is shown.
  void SetName(const Str255& name) override;
  // Where the name label goes; the display link has no place of its own.
  virtual void GetLabelAnchor(QV_CPoint& anchor) { anchor = QV_CPoint(); }
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 private:
  void SetBit(uint16_t bit, uint16_t on) {
    displayFlags_ = static_cast<uint16_t>(on != 0 ? displayFlags_ | bit : displayFlags_ & ~bit);
  }

  uint16_t shown_ = 1;
  uint16_t nameShown_ = 0;
  uint16_t displayFlags_ = 0;
};

// A displayed link with one text style (its font and colour); keeps the offset of its name label.
class TSingleStyleLink : public TDisplayLink {
  DECLARE_CLASS_ID(401, TDisplayLink)

 public:
  // Starts from the program's default font.
  void Initialize() override;
  const FontSpec& GetFont() const { return font_; }
  const RGB16Color& GetTextColour() const { return textColour_; }
  void SetTextStyle(const FontSpec& font, const RGB16Color& colour) {
    font_ = font;
    textColour_ = colour;
  }
  // Told after a new style was set: what the link measures by its text follows (a gadget's line
  // height and size, in TGadget); nothing here.
  virtual void TextStyleChanged() {}
  // Makes the style's font the port's.
  virtual void Draw(const MacRect& area, uint16_t flags);
  // Added to the label anchor where the name label is drawn.
  const QV_CPoint& GetLabelOffset() const { return labelOffset_; }
  void SetLabelOffset(const QV_CPoint& offset) { labelOffset_ = offset; }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 private:
  FontSpec font_;
  RGB16Color textColour_;
  QV_CPoint labelOffset_;
};
