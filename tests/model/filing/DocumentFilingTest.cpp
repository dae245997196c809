#include "model/filing/DocumentFiling.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "core/MacFile.h"
#include "tests/model/filing/TestClasses.h"

namespace filing_test {
namespace {

class DocumentFilingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    classes = std::make_unique<TestClassScope>();
    path =
        std::filesystem::temp_directory_path() / ("yb-filing-" + std::to_string(getpid()) + ".yb");
  }
  void TearDown() override {
    std::filesystem::remove(path);
    classes.reset();
    FreeHandlePool();
  }
  std::unique_ptr<TestClassScope> classes;
  std::filesystem::path path;
};

TEST_F(DocumentFilingTest, FileHoldsTheDocumentBytesAndReadsBackIntoTheWorld) {
  TTestWorld world;
  world.SetIdentifier(1);
  world.setting = 41;
  TTestShape shape;
  shape.SetIdentifier(2);
  shape.value = 0.5;
  shape.SetName("odd");  // three characters: a pad byte follows
  TMacFile file(Str255(path.c_str()));
  ASSERT_EQ(file.Create(TMacFile::kReadWrite), 0);
  WriteDocument(file, world, {&shape});
  ASSERT_EQ(file.Close(), 0);

  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> stored{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
  std::vector<TLink*> objects{&shape};
  auto inMemory = WriteObjectsDefault(&objects, 1, &world, 2, nullptr);
  EXPECT_EQ(stored, TakeBytes(*inMemory));

  Handle contents = NewHandleFromBytes(stored.data(), static_cast<uint32_t>(stored.size()));
  TTestWorld target;
  target.SetIdentifier(1);
  auto reader = ReadDocument(contents, MakeTag("ZodA"), &target);
  FreeHandle(contents);
  EXPECT_EQ(target.setting, 41);
  auto made = reader->TakeObjects();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_TRUE(static_cast<TTestShape*>(made[0].get())->GetName() == Str255("odd"));
  EXPECT_EQ(target.Linked().size(), 1u);

  TMacFile again(Str255(path.c_str()));
  ASSERT_EQ(again.Open(TMacFile::kRead), 0);
  TTestWorld other;
  other.SetIdentifier(1);
  auto fromFile = ReadDocumentFile(again, MakeTag("ZodA"), &other);
  again.Close();
  EXPECT_EQ(other.setting, 41);
  EXPECT_EQ(fromFile->TakeObjects().size(), 1u);
}

}  // namespace
}  // namespace filing_test
