#pragma once
// The common base of inputs and meters: a gadget with a label centred above its frame, up to six
// value columns described by column records, and the link of those columns to cells of an
// external table document. The conversation with the table document belongs to the data link
// layer; this class keeps the references to the link item and the document and names the cells.

#include <array>
#include <cstdint>

#include "core/PString.h"
#include "inout/gadgets/Gadget.h"

// Object references to the link item and to the link document; two older blocks read and dropped.
inline constexpr int16_t kBlockLinkItem = 5238;
inline constexpr int16_t kBlockLinkDocument = 5248;
inline constexpr int16_t kBlockOldLabelPoints = 5235;
inline constexpr int16_t kBlockOldLinkName = 5247;

inline constexpr uint32_t kInOutputTag = MakeTag("inou");
// Class numbers of the data link's objects.
inline constexpr int16_t kLinkItemClass = 423;
inline constexpr int16_t kExternalTableClass = 422;

// The name under which a column is sent over the data link, and whether it is sent.
struct TCellRecord {
  Str255 name;
  int16_t index = 0;
  int16_t linked = 0;
};

// The cells of another program's table, as an input or meter linked to one reaches them.
class TCellLink {
 public:
  // Reads the named cell: `got` is set when it came as a number in `value`; otherwise `text`
  // may still hold one. Answers 0 or an error.
  virtual int16_t ReadCell(const Str255& item, bool& got, double& value, Str255& text) = 0;
  // Writes a value and its display text into the named cell; raises a failure.
  virtual void WriteCell(const Str255& item, double value, const Str255& text) = 0;
  // Told the input or meter it serves once that one takes it as its link item.
  virtual void ServeObject(TLink* /*object*/) {}

 protected:
  ~TCellLink() = default;
};

class TInOutput : public TGadget {
  DECLARE_CLASS_ID(715, TGadget)

 public:
  static constexpr int kRecordCount = 6;

  TInOutput() = default;
  ~TInOutput() override;
  void Initialize() override;

  // Run after every size change.
  virtual void LayoutForSize() {}
  // The label: the object's description.
  virtual void BuildLabel();
  const Str255& GetLabel();
  bool IsLabelBuilt() const { return labelBuilt_; }
  virtual void InvalidateLabel() { labelBuilt_ = false; }
  virtual MacRect GetContentFrame() const { return GetFrame(); }
  MacPoint GetContentSize() const;
  // Replaces each byte 0xA5 and "%" of the name by the first object's name and number text,
  // each 0xB0 and "^" by the second's; a missing object gives an empty text.
  void ExpandNamePlaceholders(const TLink* first, const TLink* second);
  virtual int32_t GetColumnCount() const { return 0; }
  // The label directly above the frame, centred.
  virtual MacRect GetLabelRect();
  virtual void DrawLabel();
  // For the selection tool the label is merged into the third region as the frame is, shown
  // or not.
  void BuildRegion(RegionRec* first, RegionRec* second, RegionRec* third, int16_t code) override;
  virtual bool HasLinkedColumns() const { return false; }

  // The data link.
  void SetLinkItem(TLink* item);
  void ClearLinkItem(TLink* item);
  TLink* GetLinkItem() const { return linkItem_; }
  TLink* GetLinkDocument() const { return linkDocument_; }
  void SetLinkDocument(TLink* document);
  virtual void LinkChanged() {}
  // Names the object's cells for position n (1-based) among the linked objects of a document
  // with the given name; nothing for a document without a name.
  virtual void GetLinkItemName(int16_t /*n*/, const Str255& /*documentName*/) {}
  void GetLinkTargetName(Str255& name) const { name = target_.name; }
  void SetLinkTargetName(const Str255& name) { target_.name = name; }
  // The index selects the record and is clamped to 0..5 first.
  void GetColumnRecord(Str255& name, int16_t& index, int16_t& linked) const;
  // Indices outside 0..5 are ignored.
  void SetColumnRecord(const Str255& name, int16_t index, int16_t linked);
  // Whether the case-sensitive word "matlab" is in the name.
  static bool NamesMatlab(const Str255& documentName);

  bool ContainsPoint(MacPoint point) override;
  MacRect GetInvalidFrame() const override;
  void SetSize(MacPoint size) override;
  void SetName(const Str255& name) override;

  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  void ObjectRemoved(TLink* object) override;

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                        TLink* object) override;
  void WriteFields(TObjectWriter& writer) override;

 protected:
  TCellRecord& Target() { return target_; }
  const TCellRecord& Target() const { return target_; }
  TCellRecord& Record(int i) { return records_[static_cast<size_t>(i)]; }
  const TCellRecord& Record(int i) const { return records_[static_cast<size_t>(i)]; }
  // The label rectangle computed from the cached label width (const callers).
  MacRect LabelRectFor(int16_t labelWidth) const;
  int16_t spareFlag2_ = 0;

 private:
  Str255 label_;
  bool labelBuilt_ = false;
  TLink* linkItem_ = nullptr;
  TLink* linkDocument_ = nullptr;
  TCellRecord target_;
  std::array<TCellRecord, kRecordCount> records_{};
  mutable int16_t knownLabelWidth_ = 0;
};
