// Data tables: files read into tables and refused with -25151, lookups by key, the users'
// count, the blocks of a table, its manager and a table input written and read back byte for
// byte, and a table input feeding the solver during a run.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bodies/Table.h"
#include "core/Alert.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "exchange/tables/DataTable.h"
#include "inout/inputs/Input.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "tests/model/world/WorldTestSupport.h"

namespace {

int16_t ErrorOf(const std::function<void()>& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

std::string Detail() {
  return std::string(FailureDetailText().Chars(),
                     static_cast<size_t>(FailureDetailText().Length()));
}

// A folder of table files for one test.
class TableFiles {
 public:
  TableFiles() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("yb-tables-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  ~TableFiles() { std::filesystem::remove_all(folder_); }
  std::string Write(const std::string& name, const std::string& text) const {
    const std::filesystem::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

 private:
  std::filesystem::path folder_;
};

FSSpec Spec(const std::string& path) {
  FSSpec record;
  record.name.Assign(path.c_str());
  return record;
}

class DataTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    TTable::RegisterClasses();
    RegisterDataTableClasses();
    RegisterInputClass();
    FreezeClassRegistry();
    const std::vector<std::pair<int16_t, uint32_t>> classes = {
        {kBlockDataTable, kDataTableTag},
        {kBlockDataTableManager, kDataTableManagerTag},
        {TUITable::kBlockContents, kUITableTag},
        {kBlockInput, kInputTag}};
    const auto count = static_cast<int16_t>(classes.size());
    fact_.resize(2 + 6 * classes.size());
    std::memcpy(fact_.data(), &count, 2);
    for (size_t i = 0; i < classes.size(); ++i) {
      std::memcpy(fact_.data() + 2 + 6 * i, &classes[i].first, 2);
      std::memcpy(fact_.data() + 4 + 6 * i, &classes[i].second, 4);
    }
    entries_[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), fact_.data(),
                   static_cast<uint32_t>(fact_.size())};
    module_ = {"tables-test.dll", entries_, 1};
    RegisterResourceModule(module_);
    SetResourceModule1(LoadResourceLibrary("tables-test.dll"));
    manager.Initialize();
    FailureDetailText() = Str255();
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("tables-test.dll");
    SetDataTableReader(nullptr);
    FreeClassRegistry();
    FreeDrawingPort();
    FreeHandlePool();
  }
  TDataTable& Read(const std::string& text, const std::string& name = "speed.dta") {
    return ReadDataTableFile(manager, Spec(files.Write(name, text)));
  }
  int16_t ReadError(const std::string& text, const std::string& name = "bad.dta") {
    return ErrorOf([&] { Read(text, name); });
  }
  static std::vector<uint8_t> Bytes(const std::vector<TLink*>& objects) {
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  TableFiles files;
  TDataTableManager manager;
  std::vector<uint8_t> fact_;
  ResourceEntry entries_[1];
  ResourceModuleTable module_{};
};

TEST_F(DataTableTest, HeaderIsSkippedAndValuesAreInterpolatedByTheKey) {
  // Carriage returns are white space and blank lines hold no row.
  TDataTable& table = Read("time speed\r\n0 1\r\n\r\n1 3\r\n   \n2 5");
  EXPECT_EQ(table.GetColumnCount(), 2);
  EXPECT_EQ(table.GetRowCount(), 3);
  ASSERT_EQ(manager.Tables().size(), 1u);
  EXPECT_EQ(manager.Tables()[0], &table);
  EXPECT_EQ(manager.FindTable(files.Write("speed.dta", "")), &table);
  EXPECT_DOUBLE_EQ(table.Lookup(0.5, 1, 2), 2.0);
  EXPECT_DOUBLE_EQ(table.Lookup(-1.0, 1, 2), 1.0);
  EXPECT_DOUBLE_EQ(table.Lookup(9.0, 1, 2), 5.0);
  EXPECT_DOUBLE_EQ(table.Lookup(1.0, 1, 2), 3.0);
  // Rows and columns are clamped into the table.
  EXPECT_EQ(table.GetValue(0, 0), 0.0);
  EXPECT_EQ(table.GetValue(99, 99), 5.0);
  EXPECT_EQ(table.GetValue(2, 1), 1.0);
  // Without a key the row is taken as given.
  table.SetKeyColumn(0);
  EXPECT_EQ(table.Lookup(123.0, 2, 2), 3.0);
}

TEST_F(DataTableTest, SuccessiveLookupsGoOnFromTheRowReached) {
  TDataTable& table = Read("0 1\n1 3\n2 5\n");
  EXPECT_DOUBLE_EQ(table.Lookup(1.9, 1, 2), 4.8);
  EXPECT_EQ(table.GetSearchCursor(), 3);
  // From row 3 the search walks back one row to reach 1.95.
  EXPECT_DOUBLE_EQ(table.Lookup(1.95, 1, 2), 4.9);
  EXPECT_EQ(table.GetSearchCursor(), 2);
  // Keys that do not rise give the upper row's value.
  TDataTable& flat = Read("0 1\n1 3\n1 7\n2 9\n", "flat.dta");
  EXPECT_DOUBLE_EQ(flat.Lookup(1.0, 1, 2), 3.0);
  EXPECT_DOUBLE_EQ(flat.Lookup(1.5, 1, 2), 8.0);
}

TEST_F(DataTableTest, MalformedFilesAreRefusedAndAddNoTable) {
  for (const char* text : {"0 1\n1 2 3\n", "", "time speed\nno numbers\n", "0 1\n1 2 x\n",
                           "0 1\n1\n", "0 1\n1 1e999\n2 5\n", "0 1\n1 inf\n", "0 1\nnan 2\n",
                           "-1e999 1\n"}) {
    FailureDetailText() = Str255();
    EXPECT_EQ(ReadError(text, "bad.dta"), kErrBadDataTable) << text;
    EXPECT_NE(Detail().find("\"bad.dta\""), std::string::npos) << Detail();
  }
  EXPECT_TRUE(manager.Tables().empty());
  EXPECT_NE(Detail().find("line 1 "), std::string::npos) << Detail();
  // Any finite number strtod reads is one; a later line of text alone is no row, and a title
  // may start with a word strtod would read as infinity.
  TDataTable& table = Read("Info speed\n1.5e3 -2\nnote\n+4 .5\n");
  EXPECT_EQ(table.GetRowCount(), 2);
  EXPECT_EQ(table.GetValue(1, 1), 1500.0);
  EXPECT_EQ(table.GetValue(2, 2), 0.5);
}

TEST_F(DataTableTest, TablesPastTheLimitAreRefusedWithoutReadingTheRest) {
  std::string full;
  for (int i = 0; i < kMaxDataTableValues; ++i) full += std::to_string(i) + "\n";
  EXPECT_EQ(Read(full, "full.dta").GetRowCount(), kMaxDataTableValues);
  FailureDetailText() = Str255();
  EXPECT_EQ(ReadError(full + "1\n", "long.dta"), kErrBadDataTable);
  EXPECT_NE(Detail().find("4081"), std::string::npos) << Detail();
  EXPECT_NE(Detail().find("\"long.dta\""), std::string::npos) << Detail();
  // A line too long for any table after the limit: the limit is what is reported.
  FailureDetailText() = Str255();
  EXPECT_EQ(ReadError(full + "1\n" + std::string(3 << 20, ' ') + "x\n", "huge.dta"),
            kErrBadDataTable);
  EXPECT_NE(Detail().find("4081"), std::string::npos) << Detail();
  EXPECT_EQ(manager.Tables().size(), 1u);
}

TEST_F(DataTableTest, LastUserLettingGoRemovesTheTable) {
  TDataTable& table = Read("0 1\n");
  table.AttachUser();
  table.AttachUser();
  table.DetachUser();
  EXPECT_EQ(manager.Tables().size(), 1u);
  table.DetachUser();
  EXPECT_TRUE(manager.Tables().empty());
}

TEST_F(DataTableTest, TableManagerAndInputAreReadBackByteForByte) {
  TDataTable& table = Read("t v w\n0 1 2\n1 3 4\n");
  manager.SetIdentifier(3);
  table.SetIdentifier(4);
  table.GetCells()->SetIdentifier(5);
  TInput input;
  input.Initialize();
  input.SetIdentifier(6);
  input.SetKind(TInputKind::kTable);
  input.SetDataTable(&table);
  input.SetShortProperty(MakeTag("DTCo"), 9);  // clamped to the three columns
  EXPECT_EQ(input.GetDataColumn(), 3);
  EXPECT_EQ(table.GetUserCount(), 1);

  const std::vector<uint8_t> bytes = Bytes({&manager, table.GetCells(), &table, &input});
  auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  std::vector<std::unique_ptr<TLink>> read = reader->TakeObjects();
  ASSERT_EQ(read.size(), 4u);
  std::vector<TLink*> objects;
  for (auto& object : read) objects.push_back(object.get());
  EXPECT_EQ(Bytes(objects), bytes);

  auto* readManager = dynamic_cast<TDataTableManager*>(objects[0]);
  auto* readTable = dynamic_cast<TDataTable*>(objects[2]);
  auto* readInput = dynamic_cast<TInput*>(objects[3]);
  ASSERT_NE(readManager, nullptr);
  ASSERT_NE(readTable, nullptr);
  ASSERT_NE(readInput, nullptr);
  ASSERT_EQ(readManager->Tables().size(), 1u);
  EXPECT_EQ(readManager->Tables()[0], readTable);
  EXPECT_EQ(readTable->GetManager(), readManager);
  EXPECT_EQ(readTable->GetCells(), objects[1]);
  EXPECT_EQ(readTable->GetColumnCount(), 3);
  EXPECT_EQ(readTable->GetRowCount(), 2);
  EXPECT_EQ(readInput->GetDataTable(), readTable);
  EXPECT_EQ(readTable->GetUserCount(), 1);
  EXPECT_DOUBLE_EQ(readTable->Lookup(0.5, 1, 3), 3.0);
}

TEST_F(DataTableTest, InputsTakeOnlyDataTablesAndLeaveThemWithTheirKind) {
  TDataTable& table = Read("0 1\n");
  TInput input;
  input.Initialize();
  input.SetKind(TInputKind::kTable);
  input.SetDataTable(&manager);  // not a table: ignored
  EXPECT_EQ(input.GetDataTable(), nullptr);
  input.SetDataTable(&table);
  EXPECT_EQ(input.GetDataTable(), &table);
  // Leaving the table kind lets the table go, and its last user removes it.
  input.SetKind(TInputKind::kSlider);
  EXPECT_EQ(input.GetDataTable(), nullptr);
  EXPECT_TRUE(manager.Tables().empty());
}

// A table input in a world that runs: the solver gets the table's value at the world's time.
class TableInputRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<world_test::WorldScope>();
    InitDrawingPort();
    world = std::make_unique<TWorldDoc>();
    world->SetHost(&host);
    world->InitWorld(0);
    auto owned = std::make_unique<world_test::TTestStore>();
    store = owned.get();
    world->SetStore(std::move(owned));
    auto engine = std::make_unique<world_test::TTestEngine>(*store);
    solver = engine.get();
    world->SetEngine(std::move(engine));
  }
  void TearDown() override {
    world.reset();
    FreeDrawingPort();
    scope.reset();
  }
  double LastInputValue() const {
    double value = 0.0;
    std::memcpy(&value, solver->inputs.back().data() + 4, 8);
    return value;
  }

  TableFiles files;
  std::unique_ptr<world_test::WorldScope> scope;
  world_test::TTestHost host;
  std::unique_ptr<TWorldDoc> world;
  world_test::TTestStore* store = nullptr;
  world_test::TTestEngine* solver = nullptr;
};

TEST_F(TableInputRunTest, SolverGetsTheTableValueAtTheWorldTime) {
  TDataTableManager& manager = DataTableManagerFor(*world);
  TDataTable& table =
      ReadDataTableFile(manager, Spec(files.Write("drive.dta", "time force\n0 10\n0.1 30\n")));
  // The table and its values became objects of the world.
  EXPECT_NE(world->FindObject(table.GetIdentifier()), nullptr);
  EXPECT_EQ(&DataTableManagerFor(*world), &manager);

  auto made = std::make_unique<TInput>();
  made->Initialize();
  TInput& input = *made;
  world->AdoptObject(std::move(made));
  input.SetKind(TInputKind::kTable);
  input.SetDataTable(&table);

  world->RunToFrame(0, nullptr);
  EXPECT_DOUBLE_EQ(LastInputValue(), 10.0);
  // Shown at frame 1 (0.05 s with the solver's step), the next call gets the value halfway.
  store->current = 1;
  world->RunToFrame(1, nullptr);
  EXPECT_DOUBLE_EQ(LastInputValue(), 20.0);
  EXPECT_DOUBLE_EQ(input.GetValue(), 20.0);
}

}  // namespace
