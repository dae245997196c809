#include "exchange/dde/TableSuiteHandler.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "core/Failure.h"
#include "core/geometry/NumberFormat.h"
#include "exchange/dde/ExternalDoc.h"
#include "exchange/dde/FastTable.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldDoc.h"

namespace {

// Whether a cell's text is a number: the C conversion gives one other than 0, or the text holds
// only the characters a written zero is made of.
bool TextIsNumber(const char* text, double* value) {
  char* end = nullptr;
  const double parsed = StrtodC(text, &end);
  if (parsed != 0.0 && std::isfinite(parsed)) {
    *value = parsed;
    return true;
  }
  if (*text == '\0' || std::strspn(text, "0.,e+-") != std::strlen(text)) return false;
  *value = 0.0;
  return true;
}

// The decimal number after the first `letter` of the text.
bool NumberAfter(const std::string& text, char letter, int32_t* value) {
  const size_t at = text.find(letter);
  if (at == std::string::npos || at + 1 >= text.size() ||
      !std::isdigit(static_cast<unsigned char>(text[at + 1])))
    return false;
  *value = static_cast<int32_t>(std::strtol(text.c_str() + at + 1, nullptr, 10));
  return true;
}

}  // namespace

TObject* TDDETableSuiteHandler::CreateObject() {
  return new (std::nothrow) TDDETableSuiteHandler();
}

TDDETableSuiteHandler::~TDDETableSuiteHandler() {
  // The served object keeps no pointer to a handler that is gone. One that went first has cut
  // its link to this handler already.
  const std::vector<TLink*> linked = Linked();
  if (served_ == nullptr || std::find(linked.begin(), linked.end(), served_) == linked.end()) return;
  if (auto* served = dynamic_cast<TInOutput*>(served_); served != nullptr && served->GetLinkItem() == this)
    served->SetLinkItem(nullptr);
}

void TDDETableSuiteHandler::Initialize() {
  TDDEClientLink::Initialize();
  tableFormat_ = RegisterClipboardFormat("XLTable");
  textFormat_ = CF_TEXT;
  currentFormat_ = tableFormat_;
  cornerRow_ = 0;
  cornerColumn_ = 0;
  spare_ = 0;
  noConnectionReported_ = 0;
  columnFirst_ = 0;
  ResetColumnLinks();
}

void TDDETableSuiteHandler::ResetColumnLinks() {
  columnLinks_.fill(ColumnLink());
}

HCONV TDDETableSuiteHandler::GetConversation() {
  const HCONV conversation = document_ != nullptr ? document_->IsConnected() : 0;
  SetConversationHandle(conversation);
  return conversation;
}

void TDDETableSuiteHandler::ObjectRemoved(TLink* object) {
  if (object == served_) served_ = nullptr;
  if (object == document_) document_ = nullptr;
  TDDEClientLink::ObjectRemoved(object);
}

void TDDETableSuiteHandler::SetLinkedObject(TLink* object) {
  if (object == served_) return;
  served_ = object;
  if (object != nullptr) AddDependent(object);
  if (object != nullptr && document_ != nullptr) document_->AddLinkedObject(object);
}

void TDDETableSuiteHandler::SetDocument(TExternalDDETableDoc* document) {
  document_ = document;
  if (document != nullptr) AddDependent(document);
  if (document != nullptr && served_ != nullptr) document->AddLinkedObject(served_);
}

void TDDETableSuiteHandler::CellName(int32_t row, int32_t column, Str255& name) {
  char text[32];
  std::snprintf(text, sizeof text, "R%dC%d", static_cast<int>(row), static_cast<int>(column));
  name.Assign(text);
}

void TDDETableSuiteHandler::RangeName(int32_t row, int32_t column, Str255& name) {
  const int first = columnFirst_ != 0 ? cornerColumn_ : cornerRow_;
  const int second = columnFirst_ != 0 ? cornerRow_ : cornerColumn_;
  char text[64];
  std::snprintf(text, sizeof text, "R%dC%d:R%dC%d", static_cast<int>(row), static_cast<int>(column), first, second);
  name.Assign(text);
}

bool TDDETableSuiteHandler::ParseCellName(const Str255& text, int32_t& row, int32_t& column) {
  const std::string name = TextOf(text);
  int32_t r = 0;
  int32_t c = 0;
  if (!NumberAfter(name, 'R', &r) || !NumberAfter(name, 'C', &c)) return false;
  row = r;
  column = c;
  return true;
}

int16_t TDDETableSuiteHandler::ReadCellAt(int32_t row, int32_t column, bool& got, double& value, Str255& text) {
  Str255 name;
  CellName(row, column, name);
  return ReadCell(name, got, value, text);
}

void TDDETableSuiteHandler::WriteCellAt(int32_t row, int32_t column, double value, const Str255& text) {
  Str255 name;
  RangeName(row, column, name);
  WriteCell(name, value, text);
}

std::vector<uint8_t> TDDETableSuiteHandler::RequestItem(uint32_t format) {
  std::vector<uint8_t> bytes;
  const int32_t timeout = document_ != nullptr ? document_->GetTimeout() : TExternalDocGadget::kDefaultTimeout;
  if (Request(GetItem(), bytes, timeout, format) != 0) bytes.clear();
  return bytes;
}

int16_t TDDETableSuiteHandler::ReadCell(const Str255& item, bool& got, double& value, Str255& text) {
  got = false;
  value = 0.0;
  text = Str255();
  if (GetConversation() == 0) return kErrNoConversation;
  const TExchangeScope exchange;
  SetItem(item);
  if (currentFormat_ == tableFormat_) {
    const std::vector<uint8_t> bytes = RequestItem(tableFormat_);
    std::vector<double> values;
    // The zero after the data is not part of the table.
    if (!bytes.empty() && DecodeFastTable(bytes.data(), bytes.size() - 1, &values)) {
      value = values.front();
      FormatNumber(text, 5, value);
      got = true;
      return 0;
    }
    // Refused, or not a table of numbers: the text of the cell, now and from now on.
    currentFormat_ = textFormat_;
  }
  const std::vector<uint8_t> bytes = RequestItem(textFormat_);
  const char* received = bytes.empty() ? "" : reinterpret_cast<const char*>(bytes.data());
  double number = 0.0;
  if (bytes.empty() || !TextIsNumber(received, &number)) {
    currentFormat_ = tableFormat_;
    return kErrCellNotRead;
  }
  value = number;
  text.Assign(received);
  got = true;
  return 0;
}

int16_t TDDETableSuiteHandler::PokeTable(HSZ item, uint16_t rows, uint16_t columns, const double* values,
                                         uint16_t count) {
  const std::vector<uint8_t> block = EncodeFastTable(rows, columns, std::vector<double>(values, values + count));
  if (block.empty()) return kErrExchangeParameter;
  // The block is handed over with one byte more, a zero.
  std::vector<uint8_t> ended(block);
  ended.push_back(0);
  const HDDEDATA data = DdeCreateDataHandle(GetInstance(), ended.data(), static_cast<uint32_t>(ended.size()), 0,
                                            item, tableFormat_, 0);
  if (data == 0) return static_cast<int16_t>(DdeGetLastError(GetInstance()));
  const int32_t timeout = document_ != nullptr ? document_->GetTimeout() : TExternalDocGadget::kDefaultTimeout;
  return Poke(item, reinterpret_cast<const uint8_t*>(data), 0xFFFFFFFFu, timeout, tableFormat_);
}

void TDDETableSuiteHandler::WriteCell(const Str255& item, double value, const Str255& text) {
  if (GetConversation() == 0 && document_ != nullptr) document_->Connect(true);
  if (GetConversation() == 0) {
    // Told once; later writes are skipped quietly.
    if (noConnectionReported_ != 0) return;
    noConnectionReported_ = 1;
    ThrowFailure(kErrCellNotWritten, 0);
  }
  const TExchangeScope exchange;
  SetItem(item);
  int16_t error = 0;
  if (currentFormat_ == tableFormat_) error = PokeTable(GetItem(), 1, 1, &value, 1);
  if (error != 0 || currentFormat_ != tableFormat_) {
    currentFormat_ = textFormat_;
    const std::string body = TextOf(text);
    const int32_t timeout = document_ != nullptr ? document_->GetTimeout() : TExternalDocGadget::kDefaultTimeout;
    FailIfError(Poke(GetItem(), reinterpret_cast<const uint8_t*>(body.c_str()),
                     static_cast<uint32_t>(body.size() + 1), timeout, textFormat_));
  }
}

// Filing ------------------------------------------------------------------------------------

uint16_t TDDETableSuiteHandler::CanReadBlock(int16_t code) {
  return code == kBlockTableHandler ? 1 : TDDEClientLink::CanReadBlock(code);
}

uint16_t TDDETableSuiteHandler::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockTableHandler) return TDDEClientLink::ReadBlockContents(code, reader);
  reader.ReadReference(*this, 0);
  return 1;
}

void TDDETableSuiteHandler::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) {
  if (code != kBlockTableHandler) {
    TDDEClientLink::ResolveReference(reader, code, kind, object);
    return;
  }
  if (object != nullptr && object->IsMemberClass(TExternalDDETableDoc::kClassID))
    SetDocument(static_cast<TExternalDDETableDoc*>(object));
}

void TDDETableSuiteHandler::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockTableHandler) {
    TDDEClientLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteCode(document_ != nullptr ? document_->GetIdentifier() : 0);
}

void TDDETableSuiteHandler::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockTableHandler);
  TDDEClientLink::WriteFields(writer);
}

void TDDETableSuiteHandler::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kTableHandlerTag);
}

TDDETableSuiteHandler& NewTableHandler(TLink& served, TExternalDDETableDoc& document, TWorldDoc* world) {
  if (world == nullptr) ThrowFailure(kErrExchangeMemory, 0);
  std::vector<std::unique_ptr<TLink>> objects;
  try {
    objects = ReadDefaultObjects(kHandlerTemplateResource, nullptr)->TakeObjects();
  } catch (const QVException& failure) {
    if (failure.error() == kErrOutOfMemory) throw;
    ThrowFailure(kErrNoHandlerTemplate, 0);
  }
  if (objects.empty() || objects.front() == nullptr || !objects.front()->IsMemberClass(TDDETableSuiteHandler::kClassID))
    ThrowFailure(kErrNoHandlerTemplate, 0);
  auto made = std::unique_ptr<TDDETableSuiteHandler>(static_cast<TDDETableSuiteHandler*>(objects.front().release()));
  TDDETableSuiteHandler& handler = *made;
  // The template's number is the template's own: the handler is numbered as a new object.
  handler.SetIdentifier(FreeIdentifier(*world));
  world->AdoptObject(std::move(made));
  handler.SetLinkedObject(&served);
  handler.SetDocument(&document);
  return handler;
}
