// TDataTable and TDataTableManager: values, lookups, users, the manager's list and filing.

#include "exchange/tables/DataTable.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "bodies/Table.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "exchange/tables/LoadTableCommand.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldDoc.h"

namespace {

// Takes the object into the world under an identifier of its own, past the world's highest:
// the table, its cell store and the manager refer to each other by identifier in documents.
void AdoptNumbered(TWorldDoc& world, std::unique_ptr<TLink> object) {
  object->SetIdentifier(FreeIdentifier(world));
  world.AdoptObject(std::move(object));
}

}  // namespace

// ---- The table -----------------------------------------------------------------------------

TDataTable::~TDataTable() {
  // Whichever of table and manager goes first, the other keeps no pointer to it.
  if (manager_ != nullptr) manager_->ForgetTable(this);
}

TObject* TDataTable::CreateObject() {
  return new (std::nothrow) TDataTable();
}

void TDataTable::Initialize() {
  TLink::Initialize();
  fileRecord_.Clear();
  keyColumn_ = 1;
  columns_ = 0;
  rows_ = 0;
  manager_ = nullptr;
  users_ = 0;
  cursor_ = 0;
  cells_ = nullptr;
}

void TDataTable::Reset() {
  fileRecord_.Clear();
  columns_ = 0;
  rows_ = 0;
  cursor_ = 0;
  keyColumn_ = 1;
  if (cells_ != nullptr) cells_->Clear();
}

void TDataTable::SetCells(TUITable* cells) {
  cells_ = static_cast<TUITable*>(SetDependent(cells_, cells));
  columns_ = cells_ != nullptr ? cells_->GetColumnCount() : 0;
  rows_ = cells_ != nullptr ? cells_->GetRowCount() : 0;
}

double TDataTable::GetValue(int32_t row, int32_t column) const {
  if (cells_ == nullptr || columns_ < 1 || rows_ < 1) return 0.0;
  const int32_t r = std::clamp<int32_t>(row, 1, rows_);
  const int32_t c = std::clamp<int32_t>(column, 1, columns_);
  const auto index = static_cast<size_t>(columns_) * static_cast<size_t>(r - 1) +
                     static_cast<size_t>(c - 1);
  const std::vector<double>& values = cells_->Values();
  return index < values.size() ? values[index] : 0.0;
}

double TDataTable::Interpolate(int32_t lower, int32_t upper, double x, int16_t column) const {
  const double k0 = GetValue(lower, keyColumn_);
  const double k1 = GetValue(upper, keyColumn_);
  const double y1 = GetValue(upper, column);
  if (!(k1 > k0)) return y1;
  const double y0 = GetValue(lower, column);
  return ((k1 - x) * y0 + (x - k0) * y1) / (k1 - k0);
}

double TDataTable::Lookup(double x, int32_t row, int16_t column) {
  if (keyColumn_ <= 0) return GetValue(row, column);
  if (rows_ < 1) return 0.0;
  int32_t r = cursor_ < 1 || cursor_ > rows_ ? 1 : cursor_;
  double result = 0.0;
  if (!(GetValue(r, keyColumn_) > x)) {
    while (r < rows_ && GetValue(r, keyColumn_) < x) ++r;
    // At the first row the key is not below x: nothing lies before it to interpolate from.
    if (x > GetValue(r, keyColumn_) || r == 1) {
      result = GetValue(r, column);
    } else {
      result = Interpolate(r - 1, r, x, column);
    }
  } else {
    while (r > 0 && x < GetValue(r, keyColumn_)) --r;
    if (r < 1) {
      r = 1;
      result = GetValue(1, column);
    } else {
      result = Interpolate(r, r + 1, x, column);
    }
  }
  cursor_ = r;
  return result;
}

void TDataTable::AttachUser() {
  if (manager_ != nullptr) {
    manager_->Attach(*this);
  } else {
    AddUser();
  }
}

void TDataTable::DetachUser() {
  if (manager_ != nullptr) {
    manager_->Detach(*this);
  } else {
    RemoveUser();
  }
}

uint16_t TDataTable::CanReadBlock(int16_t code) {
  return code == kBlockDataTable ? 1 : TLink::CanReadBlock(code);
}

uint16_t TDataTable::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockDataTable) return TLink::ReadBlockContents(code, reader);
  reader.ReadReference(*this, 0);
  reader.ReadReference(*this, 1);
  return 1;
}

void TDataTable::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockDataTable) {
    TLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteCode(cells_ != nullptr ? cells_->GetIdentifier() : 0);
  writer.WriteCode(manager_ != nullptr ? manager_->GetIdentifier() : 0);
}

void TDataTable::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                                  TLink* object) {
  if (code != kBlockDataTable) {
    TLink::ResolveReference(reader, code, kind, object);
    return;
  }
  if (kind == 0 && object != nullptr && object->IsMemberClass(TUITable::kClassID)) {
    SetCells(static_cast<TUITable*>(object));
  } else if (kind == 1 && object != nullptr &&
             object->IsMemberClass(TDataTableManager::kClassID)) {
    manager_ = static_cast<TDataTableManager*>(object);
    manager_->AddTable(this);
  }
}

void TDataTable::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockDataTable);
  TLink::WriteFields(writer);
}

void TDataTable::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kDataTableTag);
}

void TDataTable::ObjectRemoved(TLink* object) {
  if (object == cells_) {
    cells_ = nullptr;
    columns_ = 0;
    rows_ = 0;
  }
  TLink::ObjectRemoved(object);
}

// ---- The manager ---------------------------------------------------------------------------

TDataTableManager::~TDataTableManager() {
  for (TDataTable* table : tables_)
    if (table->GetManager() == this) table->SetManager(nullptr);
}

TObject* TDataTableManager::CreateObject() {
  return new (std::nothrow) TDataTableManager();
}

void TDataTableManager::Initialize() {
  THandlerLink::Initialize();
  tables_.clear();
}

void TDataTableManager::AdoptTable(std::unique_ptr<TDataTable> table,
                                   std::unique_ptr<TUITable> cells) {
  FailIfNull(table.get());
  FailIfNull(cells.get());
  TDataTable& adopted = *table;
  adopted.SetManager(this);
  adopted.SetCells(cells.get());
  if (world_ != nullptr) {
    AdoptNumbered(*world_, std::move(cells));
    AdoptNumbered(*world_, std::move(table));
  } else {
    owned_.push_back(std::move(cells));
    owned_.push_back(std::move(table));
  }
  AddTable(&adopted);
}

void TDataTableManager::AddTable(TDataTable* table) {
  if (table == nullptr || std::find(tables_.begin(), tables_.end(), table) != tables_.end())
    return;
  tables_.push_back(table);
}

void TDataTableManager::ForgetTable(TDataTable* table) {
  std::erase(tables_, table);
}

void TDataTableManager::RemoveTable(TDataTable* table) {
  const auto listed = std::find(tables_.begin(), tables_.end(), table);
  if (listed == tables_.end()) return;
  tables_.erase(listed);
  table->SetManager(nullptr);
  TUITable* const cells = table->GetCells();
  for (TLink* gone : {static_cast<TLink*>(table), static_cast<TLink*>(cells)}) {
    if (gone == nullptr) continue;
    const auto own = std::find_if(owned_.begin(), owned_.end(),
                                  [gone](const auto& owned) { return owned.get() == gone; });
    if (own != owned_.end()) {
      std::unique_ptr<TLink> removed = std::move(*own);
      owned_.erase(own);
      for (TLink* linked : removed->Linked()) linked->ObjectRemoved(gone);
    } else if (world_ != nullptr) {
      world_->RemoveObject(gone);
    }
  }
}

TDataTable* TDataTableManager::FindTable(const std::string& path) const {
  for (TDataTable* table : tables_)
    if (path == table->GetFileRecord().name.AsCString()) return table;
  return nullptr;
}

void TDataTableManager::Attach(TDataTable& table) {
  table.AddUser();
}

void TDataTableManager::Detach(TDataTable& table) {
  if (table.RemoveUser() < 1) RemoveTable(&table);
}

bool TDataTableManager::HandlesCommand(int16_t command) const {
  return command >= kCmdLoadTable && command <= kCmdLoadTableLast;
}

TCommandCore* TDataTableManager::DoMenuCommand(int16_t command) {
  if (!HandlesCommand(command)) return nullptr;
  auto load = std::make_unique<TLoadTableCommand>();
  load->Init(command, *this);
  // The command is performed at once: it only asks for a file and reads it.
  load->Perform();
  return nullptr;
}

uint16_t TDataTableManager::CanReadBlock(int16_t code) {
  return code == kBlockDataTableManager ? 1 : THandlerLink::CanReadBlock(code);
}

uint16_t TDataTableManager::ReadBlockContents(int16_t code, TObjectReader& reader) {
  // The block's one number tells nothing; the reader passes over what is not read.
  if (code == kBlockDataTableManager) return 1;
  return THandlerLink::ReadBlockContents(code, reader);
}

void TDataTableManager::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockDataTableManager) {
    THandlerLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteCode(2);
}

void TDataTableManager::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockDataTableManager);
  THandlerLink::WriteFields(writer);
}

void TDataTableManager::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kDataTableManagerTag);
}

// ---- Registration and the world's manager ----------------------------------------------------

namespace {

TDataTableManager* FindManager(TWorldDoc& world) {
  for (TLink* object : world.Objects())
    if (object != nullptr && object->IsMemberClass(TDataTableManager::kClassID))
      return static_cast<TDataTableManager*>(object);
  return nullptr;
}

TLink* ReadTableForWorld(TWorldDoc& world, const std::string& path) {
  FSSpec record;
  record.name.Assign(path.c_str());
  return &ReadDataTableFile(DataTableManagerFor(world), record);
}

}  // namespace

TDataTableManager& DataTableManagerFor(TWorldDoc& world) {
  TDataTableManager* manager = FindManager(world);
  if (manager == nullptr) {
    auto made = std::make_unique<TDataTableManager>();
    made->Initialize();
    manager = made.get();
    AdoptNumbered(world, std::move(made));
  }
  manager->AdoptWorld(&world);
  return *manager;
}

void RegisterDataTableClasses() {
  RegisterClassInfo("TDataTable", kDataTableTag, TDataTable::kClassID, TDataTable::CreateObject,
                    sizeof(TDataTable));
  RegisterClassInfo("TDataTableManager", kDataTableManagerTag, TDataTableManager::kClassID,
                    TDataTableManager::CreateObject, sizeof(TDataTableManager));
  SetDataTableReader(&ReadTableForWorld);
}
