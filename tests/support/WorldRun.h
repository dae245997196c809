#pragma once
// A world run end to end: the engine and the bridge to it installed, a resource module holding
// the class table of the objects a test stores and an empty set of world defaults, a force field
// on a group of bodies, and a file the world is saved in and opened from, so what the solver
// gets is what a document reads back.

#include <unistd.h>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/Formula.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/Group.h"
#include "model/world/QVDoc.h"
#include "simulation/Engine.h"
#include "simulation/WorldBridge.h"

namespace world_run {

// The first block code an object writes and the tag of its class.
using ClassEntry = std::pair<int16_t, uint32_t>;

// The class table resource: the count of entries, then each code with its tag.
inline std::vector<uint8_t> ClassTable(const std::vector<ClassEntry>& entries) {
  const auto count = static_cast<int16_t>(entries.size());
  std::vector<uint8_t> bytes(2 + 6 * entries.size());
  std::memcpy(bytes.data(), &count, 2);
  for (size_t i = 0; i < entries.size(); ++i) {
    std::memcpy(bytes.data() + 2 + 6 * i, &entries[i].first, 2);
    std::memcpy(bytes.data() + 4 + 6 * i, &entries[i].second, 4);
  }
  return bytes;
}

// An empty stream of default objects: the header and its end.
inline std::vector<uint8_t> EmptyDefaults() {
  std::vector<uint8_t> bytes = {'Z', 'o', 'd', 'A', 0, 4, 'Y', 'B', '3', 'X', 0, 11};
  for (char c : std::string("Version 2.5"))
    bytes.push_back(static_cast<uint8_t>(c));
  bytes.insert(bytes.end(), {0, 0, 4, 'I', 'E', '6', '4', 0, 9});
  for (char c : std::string("MSWindows"))
    bytes.push_back(static_cast<uint8_t>(c));
  bytes.insert(bytes.end(), {0,   0,   0, 0, 0,    0,    0, 0, 0, 0, 0, 0x27, 0x10, ' ', ' ',
                             ' ', ' ', 0, 0, 0x27, 0x11, 0, 0, 0, 4, 0, 0,    0,    1});
  bytes.insert(bytes.end(), 8, 0xFF);
  return bytes;
}

// The block a constraint's solver record is written in.
inline constexpr int16_t kBlockFieldRecord = 1310;

// A per-body force field as the solver reads its record: turned by the ground body, always
// active, acting on every body of its group with one force or torque per goal. It pulls with the
// body's weight unless a test gives it other goals; the force fields of the program are not
// linked into every test folder, so this writes the record one would.
class TWeightField : public TNamedLink {
  DECLARE_CLASS_ID(9420, TNamedLink)

 public:
  static constexpr uint32_t kTag = MakeTag("TsWf");
  // What a goal drives: 0 the force along x, 1 along y, 2 the torque.
  struct Goal {
    int16_t component;
    TFormula formula;
  };
  static TFormula Weight() {
    TFormula weight;
    weight.SetFromPieces("-9.81 * self.mass");
    return weight;
  }

  int16_t groupId = 0;
  std::vector<Goal> goals{{1, Weight()}};

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlockFieldRecord) return TNamedLink::ReadBlockContents(code, reader);
    TFormula skipped;
    reader.ReadInt();
    reader.ReadFormula(skipped);
    reader.ReadFormula(skipped);
    reader.ReadInt();
    groupId = static_cast<int16_t>(reader.ReadInt());
    reader.ReadFormula(skipped);
    reader.ReadInt();
    goals.resize(static_cast<size_t>(reader.ReadInt()));
    for (Goal& goal : goals) {
      reader.ReadInt();
      reader.ReadInt();
      goal.component = static_cast<int16_t>(reader.ReadInt());
      reader.ReadFormula(goal.formula);
    }
    return 1;
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockFieldRecord) return TNamedLink::WriteBlockContents(code, writer);
    const TFormula zero(0.0);
    const TFormula one(1.0);
    writer.WriteCode(0);  // turned by the ground body: a per-body field
    writer.WriteFormula(&zero);
    writer.WriteFormula(&one);  // always active
    writer.WriteCode(0);
    writer.WriteCode(groupId);  // the bodies it acts on
    writer.WriteFormula(&zero);
    writer.WriteCode(0);  // nothing attached
    writer.WriteCode(static_cast<int16_t>(goals.size()));
    for (const Goal& goal : goals) {
      writer.WriteCode(0);  // a force
      writer.WriteCode(0);
      writer.WriteCode(goal.component);
      writer.WriteFormula(&goal.formula);
    }
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockFieldRecord);
    TNamedLink::WriteFields(writer);
  }
};

inline TObject* NewWeightField() {
  return new TWeightField;
}

// A fixture whose tests build a world, save it, open it again and run it. A test folder names
// its resource module (a file name, also the stem of the saved file), lists its class table and
// registers the classes its objects need; the group classes and the field are always there.
class WorldRunTest : public ::testing::Test {
 protected:
  WorldRunTest(std::string module, std::vector<ClassEntry> classes) : module_(std::move(module)) {
    classes.emplace_back(kBlockFieldRecord, TWeightField::kTag);
    fact_ = ClassTable(classes);
  }

  // Called between the group classes and the freezing of the registry.
  virtual void RegisterClasses() = 0;
  // Called after the bridge is cleared, before the registry is freed.
  virtual void FreeClasses() {}

  void SetUp() override {
    InitHandlePool();
    LoadEngineLibrary();
    RegisterGroupClasses();
    RegisterClassInfo("TWeightField", TWeightField::kTag, TWeightField::kClassID, NewWeightField,
                      sizeof(TWeightField));
    RegisterClasses();
    FreezeClassRegistry();
    InstallWorldBridge();
    entries_[0] = {"FACT",       0,
                   nullptr,      static_cast<uint16_t>(kFactTableId),
                   fact_.data(), static_cast<uint32_t>(fact_.size())};
    entries_[1] = {"ZodA",           0,
                   nullptr,          static_cast<uint16_t>(kWorldDefaultsResource),
                   defaults_.data(), static_cast<uint32_t>(defaults_.size())};
    table_ = {module_.c_str(), entries_, 2};
    RegisterResourceModule(table_);
    SetResourceModule1(LoadResourceLibrary(module_.c_str()));
    // Tests run side by side in processes of their own, whose heaps may hand out the same
    // addresses: the test's own name and the process keep their files apart.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path = std::filesystem::temp_directory_path() /
           ("yb-" + std::filesystem::path(module_).stem().string() + "-" +
            test->test_suite_name() + "." + test->name() + "-" + std::to_string(::getpid()) +
            ".yb");
  }
  void TearDown() override {
    std::filesystem::remove(path);
    SetResourceModule1(nullptr);
    UnregisterResourceModule(module_.c_str());
    SetRunBridgeHooks({});
    FreeClasses();
    FreeClassRegistry();
    FreeEngineLibrary();
    FreeHandlePool();
  }

  template <class T>
  static T& Add(TWorldDoc& world, int16_t identifier) {
    auto object = std::make_unique<T>();
    object->Initialize();
    object->SetIdentifier(identifier);
    T& added = *object;
    world.AdoptObject(std::move(object));
    return added;
  }

  // The world the builder makes in a fresh document, written to the file and read back into
  // another document.
  std::unique_ptr<TQVDoc> SaveAndReopen(const std::function<void(TWorldDoc&)>& build) const {
    {
      TQVDoc written;
      written.World().DropDefaultWorldObjects();
      build(written.World());
      written.WriteDocument(path.string());
    }
    auto read = std::make_unique<TQVDoc>();
    read->ReadDocument(path.string());
    return read;
  }

  std::filesystem::path path;

 private:
  std::string module_;
  std::vector<uint8_t> fact_;
  std::vector<uint8_t> defaults_ = EmptyDefaults();
  ResourceEntry entries_[2];
  ResourceModuleTable table_;
};

}  // namespace world_run
