#pragma once
// The cells of an external table document as one linked input or meter reaches them: a client
// link that shares the document's conversation and names its own item. Values travel in the
// fast-table format while the partner takes it, else as text; a failed transfer in one format
// makes the next try the other.
//
//   THandlerLink (516) > TDDEClientLink (412) > TDDETableSuiteHandler (423, "aeTH")   block 5301

#include <array>
#include <cstdint>

#include "exchange/dde/DDEClientLink.h"
#include "inout/gadgets/InOutput.h"

class TExternalDDETableDoc;
class TWorldDoc;

inline constexpr int16_t kBlockTableHandler = 5301;
inline constexpr uint32_t kTableHandlerTag = MakeTag("aeTH");
// No handler could be made for a link.
inline constexpr int16_t kErrNoHandlerTemplate = -25005;
// The object resource whose first object is the template of every new cell handler.
inline constexpr int16_t kHandlerTemplateResource = 1136;
// A cell that gave no number in either format.
inline constexpr int16_t kErrCellNotRead = -25010;
// A cell written while no conversation can be made.
inline constexpr int16_t kErrCellNotWritten = -25011;

class TDDETableSuiteHandler : public TDDEClientLink, public TCellLink {
  DECLARE_CLASS_ID(423, TDDEClientLink)

 public:
  struct ColumnLink {
    int32_t row = -1;
    int32_t column = -1;
    int16_t first = 0;
    int16_t second = 0;
  };

  TDDETableSuiteHandler() = default;
  ~TDDETableSuiteHandler() override;
  static TObject* CreateObject();
  void Initialize() override;

  HCONV GetConversation() override;
  int16_t ReadCell(const Str255& item, bool& got, double& value, Str255& text) override;
  void WriteCell(const Str255& item, double value, const Str255& text) override;
  void ServeObject(TLink* object) override { SetLinkedObject(object); }
  void ObjectRemoved(TLink* object) override;

  virtual void CellName(int32_t row, int32_t column, Str255& name);
  virtual void RangeName(int32_t row, int32_t column, Str255& name);
  // Pokes a table of values in the fast-table format: 0 or an error.
  virtual int16_t PokeTable(HSZ item, uint16_t rows, uint16_t columns, const double* values, uint16_t count);
  // Row and column of a cell name "R<row>C<column>"; false unless both are numbers.
  static bool ParseCellName(const Str255& text, int32_t& row, int32_t& column);
  int16_t ReadCellAt(int32_t row, int32_t column, bool& got, double& value, Str255& text);
  void WriteCellAt(int32_t row, int32_t column, double value, const Str255& text);

  void SetLinkedObject(TLink* object);
  TLink* GetLinkedObject() const { return served_; }
  void SetDocument(TExternalDDETableDoc* document);
  TExternalDDETableDoc* GetDocument() const { return document_; }
  void ResetColumnLinks();
  uint32_t GetCurrentFormat() const { return currentFormat_; }
  uint32_t GetTableFormat() const { return tableFormat_; }

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 private:
  // Requests the current item in a format; the bytes (ended by a zero) or empty.
  std::vector<uint8_t> RequestItem(uint32_t format);

  TExternalDDETableDoc* document_ = nullptr;
  uint32_t tableFormat_ = 0;
  uint32_t textFormat_ = CF_TEXT;
  TLink* served_ = nullptr;
  uint32_t currentFormat_ = 0;
  std::array<ColumnLink, 6> columnLinks_{};
  int16_t cornerRow_ = 0;
  int16_t cornerColumn_ = 0;
  int16_t spare_ = 0;
  int16_t noConnectionReported_ = 0;
  int16_t columnFirst_ = 0;
};

// A handler for the input or meter linked to the document, kept by the world: -25005 when none
// can be made (-108 without a world).
TDDETableSuiteHandler& NewTableHandler(TLink& served, TExternalDDETableDoc& document, TWorldDoc* world);
