#pragma once
// Data tables: rows of numbers read from a text file (*.dta) and kept in the world, one column
// serving as the key by which values are looked up with linear interpolation. The world's table
// manager holds its tables and makes the command that loads a new one.
//
//   TLink (515) > TDataTable (378, "DaTa")                      block 5321
//   TLink (515) > THandlerLink (516) > TDataTableManager (379, "DaTM")   block 5322
//
// A table keeps its values in a cell store (627, a TUITable) that is an object of the world
// beside it. Tables are counted by their users (table inputs); when the last one lets go, the
// manager removes the table and its cell store.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/FileSpec.h"
#include "inout/inputs/InputTable.h"
#include "model/Link.h"

class TUITable;
class TDataTableManager;

inline constexpr uint32_t kDataTableTag = MakeTag("DaTa");
inline constexpr uint32_t kDataTableManagerTag = MakeTag("DaTM");
inline constexpr int16_t kBlockDataTable = 5321;
inline constexpr int16_t kBlockDataTableManager = 5322;
// A malformed table file.
inline constexpr int16_t kErrBadDataTable = -25151;
// The most values a table holds: what the cell store and stored documents rely on.
inline constexpr int32_t kMaxDataTableValues = 4081;

class TDataTable : public TLink, public TInputTable {
  DECLARE_CLASS_ID(378, TLink)

 public:
  TDataTable() = default;
  ~TDataTable() override;
  static TObject* CreateObject();
  void Initialize() override;
  // Clears the file, counts, cursor and cell store; the key column becomes 1.
  void Reset();

  // Values and lookups: rows and columns count from 1.
  // The value at the row and column, each clamped into the table; 0 when the table is empty.
  double GetValue(int32_t row, int32_t column) const;
  double Lookup(double x, int32_t row, int16_t column) override;
  int16_t GetColumnCount() const { return columns_; }
  int32_t GetRowCount() const { return rows_; }
  int16_t GetKeyColumn() const { return keyColumn_; }
  void SetKeyColumn(int16_t column) override { keyColumn_ = column; }
  int32_t GetSearchCursor() const { return cursor_; }

  // The file the table was read from, the manager holding it and its cell store.
  const FSSpec& GetFileRecord() const { return fileRecord_; }
  void SetFileRecord(const FSSpec& record) { fileRecord_ = record; }
  TDataTableManager* GetManager() const { return manager_; }
  void SetManager(TDataTableManager* manager) { manager_ = manager; }
  TUITable* GetCells() const { return cells_; }
  // Takes the cell store and copies its counts.
  void SetCells(TUITable* cells);

  // Users: counted through the manager.
  void AttachUser() override;
  void DetachUser() override;
  int16_t GetUserCount() const { return users_; }
  void AddUser() { ++users_; }
  // Answers the count left.
  int16_t RemoveUser() { return --users_; }
  int16_t TableColumnCount() const override { return columns_; }

  // Filing.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;
  void ObjectRemoved(TLink* object) override;

 private:
  double Interpolate(int32_t lower, int32_t upper, double x, int16_t column) const;

  FSSpec fileRecord_;
  int16_t keyColumn_ = 1;
  int16_t columns_ = 0;
  int32_t rows_ = 0;
  TDataTableManager* manager_ = nullptr;
  int16_t users_ = 0;
  int32_t cursor_ = 0;
  TUITable* cells_ = nullptr;
};

class TWorldDoc;
class TCommandCore;

class TDataTableManager : public THandlerLink {
  DECLARE_CLASS_ID(379, THandlerLink)

 public:
  static constexpr int16_t kCmdLoadTable = 1125;
  static constexpr int16_t kCmdLoadTableLast = 1127;

  ~TDataTableManager() override;
  static TObject* CreateObject();
  void Initialize() override;

  // The world whose objects the tables and their cell stores become; none for a manager alone,
  // which then owns them itself.
  void AdoptWorld(TWorldDoc* world) { world_ = world; }
  TWorldDoc* GetWorld() const { return world_; }

  // Takes a new table (and its cell store) into the world, or keeps them when there is none,
  // and adds it to the list.
  void AdoptTable(std::unique_ptr<TDataTable> table, std::unique_ptr<TUITable> cells);
  // Adds an existing table to the list (once).
  void AddTable(TDataTable* table);
  // Takes the table off the list without deleting it (the table is going).
  void ForgetTable(TDataTable* table);
  // Takes the table off the list and deletes it with its cell store.
  void RemoveTable(TDataTable* table);
  // The table read from the file named by the path, or null.
  TDataTable* FindTable(const std::string& path) const;
  const std::vector<TDataTable*>& Tables() const { return tables_; }
  template <typename Operation>
  void ForEachTable(Operation operation) const {
    for (TDataTable* table : std::vector<TDataTable*>(tables_)) operation(*table);
  }
  // A user starts or stops using the table; below one user it is removed.
  void Attach(TDataTable& table);
  void Detach(TDataTable& table);

  // Menu commands: 1125 to 1127 make the load command; the manager enables 1125.
  bool HandlesCommand(int16_t command) const;
  TCommandCore* DoMenuCommand(int16_t command);

  // Filing: block 5322 holds a 2 that nothing reads.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 private:
  TWorldDoc* world_ = nullptr;
  std::vector<TDataTable*> tables_;
  // Tables and cell stores of a manager without a world.
  std::vector<std::unique_ptr<TLink>> owned_;
};

// Enters both classes in the class registry and fills the scripts' road to table files.
void RegisterDataTableClasses();

// The world's table manager (its first object of the class), made when missing.
TDataTableManager& DataTableManagerFor(TWorldDoc& world);

// Reads the table file named by the file record into a new table of the manager and answers
// it. A file that is empty or malformed fails with -25151 and adds nothing; a table of more
// than the limit is refused as soon as the limit is passed, without reading the rest.
TDataTable& ReadDataTableFile(TDataTableManager& manager, const FSSpec& record);

// The parse of a table text, apart from files: each line given in turn (without its line
// feed), then Finish. Fails with -25151 as the reader does.
class TDataTableParser {
 public:
  void AddLine(const char* line, size_t length);
  // Fails when no line held a number.
  void Finish() const;
  int16_t Columns() const { return columns_; }
  int32_t Rows() const { return rows_; }
  std::vector<double>& Values() { return values_; }
  // Set when the failure came from the limit of values.
  bool PassedLimit() const { return passedLimit_; }

 private:
  [[noreturn]] void Fail();

  int16_t columns_ = 0;
  int32_t rows_ = 0;
  std::vector<double> values_;
  std::vector<double> line_;
  bool passedLimit_ = false;
};
