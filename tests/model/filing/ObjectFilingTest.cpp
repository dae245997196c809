#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "core/Resources.h"
#include "model/filing/ChangeRecorder.h"
#include "tests/model/filing/TestClasses.h"

namespace filing_test {
namespace {

class FilingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    classes = std::make_unique<TestClassScope>();
  }
  void TearDown() override {
    classes.reset();
    FreeHandlePool();
  }
  std::unique_ptr<TestClassScope> classes;

  std::vector<uint8_t> Write(const std::vector<TLink*>& objects, uint16_t flag, int16_t kind) {
    auto writer = WriteObjectsDefault(&objects, flag, nullptr, kind, nullptr);
    return TakeBytes(*writer);
  }

  // Reads, completes and hands back the new objects.
  std::vector<std::unique_ptr<TLink>> Read(const std::vector<uint8_t>& bytes, int16_t kind,
                                           TLink* container = nullptr, int realFormat = 2) {
    auto reader = ReadObjects(bytes, kind, realFormat, container, nullptr, nullptr, nullptr);
    reader->Complete(0);
    return reader->TakeObjects();
  }

  // Two shapes, the second referring to the first.
  void MakePair() {
    first.SetIdentifier(3);
    first.SetTextStyle(FontSpec{0, 0, 10}, RGB16Color{1, 2, 3});
    second.SetTextStyle(FontSpec{0, kStyleBold, 12}, RGB16Color());
    first.value = 2.5;
    first.SetName("Arm\xB0");
    first.note = "tip";
    first.SetLabelOffset(QV_CPoint(7, -4));
    first.SetFlagProperty(MakeTag("shoN"), 1);
    second.SetIdentifier(4);
    second.value = -0.125;
    second.partner = &first;
    second.frame = Transform2D(0.0, 2.0, 3.0, -2.0, M_PI / 2, 2.0);
  }

  TTestShape first, second;
};

const uint8_t kEmptyDocument[54] = {
    'Z', 'o', 'd', 'A', 0,   4, 'Y', 'B', '3', 'X', 0,   11,  'V', 'e', 'r',  's',  'i',  'o',
    'n', ' ', '2', '.', '5', 0, 0,   4,   'I', 'E', '6', '4', 0,   9,   'M',  'S',  'W',  'i',
    'n', 'd', 'o', 'w', 's', 0, 0,   0,   0,   0,   0,   0,   0,   0,   0xFF, 0xFF, 0xFF, 0xFF};

TEST_F(FilingTest, EmptyDocumentIsTheHeaderAndTheEndCode) {
  const auto bytes = Write({}, 1, 2);
  ASSERT_EQ(bytes.size(), 54u);
  EXPECT_EQ(0, std::memcmp(bytes.data(), kEmptyDocument, 54));
  auto reader = ReadObjects(bytes, 2, 2, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(reader->Table().Objects().empty());
  EXPECT_EQ(reader->GetRealWidth(), RealWidth::k64);
  EXPECT_EQ(reader->GetVersion(), 5);
}

TEST_F(FilingTest, NativeHeaderIsEightBytes) {
  const auto bytes = Write({}, 0, 1);
  ASSERT_EQ(bytes.size(), 8u);
  const uint8_t expected[6] = {'Z', 'o', 'd', 'A', 1, 0};
  EXPECT_EQ(0, std::memcmp(bytes.data(), expected, 6));
  EXPECT_EQ(bytes[6], '3');
}

TEST_F(FilingTest, DocumentObjectBytesAreBigEndian) {
  TTestShape shape;
  shape.SetIdentifier(0x0102);
  shape.value = 1.0;
  shape.note =
      "\xB0"
      "C";
  const auto bytes = Write({&shape}, 1, 2);
  size_t at = 50;
  const uint8_t id[] = {0, 0, 1, 2, 'T', 's', 'S', 'h', ' ', ' ', ' ', ' '};
  ASSERT_EQ(0, std::memcmp(bytes.data() + at, id, sizeof id));
  at += sizeof id;
  const uint8_t valueBlock[] = {0, 0, 0x04, 0xB0, 0, 0, 0, 8, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(0, std::memcmp(bytes.data() + at, valueBlock, sizeof valueBlock));
  // The note block stores the recoded string: 00 02 A1 43.
  const uint8_t note[] = {0, 0, 0x13, 0xEC, 0, 0, 0, 4, 0, 2, 0xA1, 0x43};
  const auto found = std::search(bytes.begin(), bytes.end(), note, note + sizeof note);
  EXPECT_NE(found, bytes.end());
  // A string of three characters is followed by a pad byte, counted in its block's length.
  shape.SetName("odd");
  const auto named = Write({&shape}, 1, 2);
  const uint8_t name[] = {0, 0, 0x13, 0x97, 0, 0, 0, 6, 0, 3, 'o', 'd', 'd'};
  const auto at3 = std::search(named.begin(), named.end(), name, name + sizeof name);
  ASSERT_NE(at3, named.end());
  const uint8_t nextBlock[] = {0, 0, 0x13, 0x95};  // after the pad byte
  EXPECT_EQ(0, std::memcmp(&*(at3 + sizeof name + 1), nextBlock, 4));
  const uint8_t tail[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(0, std::memcmp(bytes.data() + bytes.size() - 8, tail, 8));
}

TEST_F(FilingTest, ColoursAndIntegerPointsFollowTheKind) {
  class Painted : public TTestShape {
   public:
    void WriteFields(TObjectWriter& writer) override { writer.WriteBlock(*this, 1300); }
    void WriteBlockContents(int16_t, TObjectWriter& writer) override {
      writer.WriteColor({0x1122, 0x3344, 0x5566});      // red, blue, green
      writer.WriteIntPoint(QV_CPoint(0x0304, 0x0102));  // v first in memory
    }
  } painted;
  auto document = Write({&painted}, 1, 2);
  const uint8_t bigEndian[] = {0x11, 0x22, 0x55, 0x66, 0x33, 0x44, 1, 2, 3, 4};
  EXPECT_NE(std::search(document.begin(), document.end(), bigEndian, bigEndian + 10),
            document.end());
  auto host = Write({&painted}, 1, 1);
  const uint8_t hostOrder[] = {0x22, 0x11, 0x44, 0x33, 0x66, 0x55, 2, 1, 4, 3};
  EXPECT_NE(std::search(host.begin(), host.end(), hostOrder, hostOrder + 10), host.end());
}

TEST_F(FilingTest, EmptyBlockHasLengthZero) {
  class Blank : public TTestShape {
   public:
    void WriteFields(TObjectWriter& writer) override { writer.WriteBlock(*this, 1400); }
    void WriteBlockContents(int16_t, TObjectWriter&) override {}
  } blank;
  const auto bytes = Write({&blank}, 1, 2);
  const uint8_t block[] = {0, 0, 0x05, 0x78, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), block, block + sizeof block), bytes.end());
}

void ExpectPairRoundTrips(const std::vector<std::unique_ptr<TLink>>& objects, bool withUI) {
  ASSERT_EQ(objects.size(), 2u);
  auto* a = dynamic_cast<TTestShape*>(objects[0].get());
  auto* b = dynamic_cast<TTestShape*>(objects[1].get());
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->GetIdentifier(), 3);
  EXPECT_EQ(b->GetIdentifier(), 4);
  EXPECT_EQ(a->value, 2.5);
  EXPECT_EQ(b->value, -0.125);
  EXPECT_EQ(b->partner, a);
  EXPECT_EQ(b->frame, Transform2D(0.0, 2.0, 3.0, -2.0, M_PI / 2, 2.0));
  EXPECT_EQ(b->frame.scaled, 1);
  EXPECT_EQ(a->endReadings, 1);
  if (withUI) {
    EXPECT_TRUE(a->GetName() == Str255("Arm\xB0"));
    EXPECT_TRUE(a->note == Str255("tip"));
    EXPECT_EQ(a->GetLabelOffset(), QV_CPoint(7, -4));
    EXPECT_EQ(a->IsNameShown(), 1);
  } else {
    EXPECT_TRUE(a->GetName().IsEmpty());
    EXPECT_TRUE(a->note.IsEmpty());
    EXPECT_EQ(a->IsNameShown(), 0);
  }
}

TEST_F(FilingTest, ObjectsRoundTripThroughEveryKind) {
  MakePair();
  ExpectPairRoundTrips(Read(Write({&first, &second}, 1, 2), 2), true);
  ExpectPairRoundTrips(Read(Write({&first, &second}, 1, 1), 1), true);
  ExpectPairRoundTrips(Read(Write({&first, &second}, 0, 1), 1, nullptr, 1), false);
}

TEST_F(FilingTest, WrittenAgainAfterReadingGivesTheSameBytes) {
  MakePair();
  const auto once = Write({&first, &second}, 1, 2);
  auto objects = Read(once, 2);
  std::vector<TLink*> again;
  for (auto& object : objects)
    again.push_back(object.get());
  EXPECT_EQ(Write(again, 1, 2), once);
}

TEST_F(FilingTest, NativeStreamKeepsObjectsWhoseBlocksAreAllLeftOut) {
  class OnlyUI : public TTestShape {
   public:
    void WriteFields(TObjectWriter& writer) override { writer.WriteBlock(*this, kBlockNote); }
  } ui;
  ui.SetIdentifier(9);
  const auto bytes = Write({&ui}, 0, 1);
  ASSERT_EQ(bytes.size(), 12u);
  const uint8_t object[] = {9, 0, 0xFF, 0xFF};
  EXPECT_EQ(0, std::memcmp(bytes.data() + 8, object, 4));
  EXPECT_TRUE(Read(bytes, 1, nullptr, 1).empty());
}

TEST_F(FilingTest, CodeRangeDependsOnTheWriter) {
  TObjectWriterKind2 document;
  document.Init(nullptr);
  document.WriteCode(32768);
  EXPECT_EQ(TakeBytes(document), (std::vector<uint8_t>{0, 0, 0x80, 0}));
  TNativeObjectWriter native;
  native.Init(nullptr);
  EXPECT_EQ(ErrorOf([&] { native.WriteCode(32768); }), kErrCodeRange);
  EXPECT_EQ(ErrorOf([&] { native.WriteCode(-32768); }), kErrCodeRange);
  EXPECT_EQ(ErrorOf([] { WriteObjectsDefault(nullptr, 1, nullptr, 3, nullptr); }), kErrBadFormat);
}

TEST_F(FilingTest, BlocksGoToTheExistingWorld) {
  TTestWorld world;
  world.SetIdentifier(1);
  world.setting = 77;
  first.SetIdentifier(3);
  const auto bytes = Write({&world, &first}, 1, 2);
  TTestWorld target;
  target.SetIdentifier(1);
  auto objects = Read(bytes, 2, &target);
  EXPECT_EQ(target.setting, 77);
  ASSERT_EQ(objects.size(), 1u);
  // Complete links every object read with the container.
  EXPECT_EQ(target.Linked().size(), 1u);
  EXPECT_EQ(target.Linked()[0], objects[0].get());
  EXPECT_EQ(target.prepared, 1);
  EXPECT_EQ(target.finished, 1);
}

TEST_F(FilingTest, ReferenceRecordsAreResolvedOrCleared) {
  first.SetIdentifier(3);
  auto reader = ReadObjects(Write({&first}, 1, 2), 2, 2, nullptr, nullptr, nullptr, nullptr);
  TObjectReader::ReferenceRecord known{nullptr, 3}, unknown{&first, 99};
  reader->AddReferenceRecord(known);
  reader->AddReferenceRecord(unknown);
  reader->Complete(0);
  ASSERT_EQ(reader->Table().Objects().size(), 1u);
  EXPECT_EQ(known.object, reader->Table().Objects()[0]);
  EXPECT_EQ(unknown.object, nullptr);
  EXPECT_EQ(unknown.identifier, 0);
}

TEST_F(FilingTest, ReferenceToAnIdentifierReadIntoAnotherObjectResolvesThroughTheMap) {
  TTestWorld world;
  world.SetIdentifier(12);
  second.SetIdentifier(4);
  second.partnerId = 12;
  const auto bytes = Write({&world, &second}, 1, 2);
  TTestWorld target;
  target.SetIdentifier(1);
  auto objects = Read(bytes, 2, &target);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(static_cast<TTestShape*>(objects[0].get())->partner, &target);
}

TEST_F(FilingTest, SameIdentifierTwiceMakesTwoObjectsAndReferencesFindTheFirst) {
  first.SetIdentifier(5);
  second.SetIdentifier(5);
  TTestShape third;
  third.SetIdentifier(6);
  third.partnerId = 5;
  auto objects = Read(Write({&first, &second, &third}, 1, 2), 2);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(static_cast<TTestShape*>(objects[2].get())->partner, objects[0].get());
}

TEST_F(FilingTest, ObjectWithoutFactEntryIsSkippedWhole) {
  class Stranger : public TTestShape {
   public:
    void WriteFields(TObjectWriter& writer) override {
      writer.WriteBlock(*this, 1999);
      writer.WriteBlock(*this, 1998);
    }
    void WriteBlockContents(int16_t, TObjectWriter& writer) override { writer.WriteLong(5); }
  } stranger;
  stranger.SetIdentifier(8);
  first.SetIdentifier(3);
  auto objects = Read(Write({&stranger, &first}, 1, 2), 2);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0]->GetIdentifier(), 3);
  EXPECT_EQ(static_cast<TTestShape*>(objects[0].get())->value, first.value);
}

TEST_F(FilingTest, MissingFactTableOrUnknownClassFails) {
  class Unknown : public TTestShape {
   public:
    void WriteFields(TObjectWriter& writer) override {
      writer.WriteBlock(*this, kBlockUnknownClass);
    }
  } unknown;
  unknown.SetIdentifier(3);
  EXPECT_EQ(ErrorOf([&] { Read(Write({&unknown}, 1, 2), 2); }), kErrOutOfMemory);
  first.SetIdentifier(3);
  const auto bytes = Write({&first}, 1, 2);
  SetResourceModule1(nullptr);
  EXPECT_EQ(ErrorOf([&] { Read(bytes, 2); }), kErrOutOfMemory);
}

TEST_F(FilingTest, OldThreeRealTransformIsAccepted) {
  class OldFrame : public TTestShape {
   public:
    void WriteFields(TObjectWriter& writer) override {
      writer.WriteBlock(*this, kBlockValue);
      writer.WriteBlock(*this, kBlockFrame);
    }
    void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
      if (code != kBlockFrame) return TTestShape::WriteBlockContents(code, writer);
      writer.WriteDouble(4.0);
      writer.WriteDouble(-1.0);
      writer.WriteDouble(M_PI);
    }
  } old;
  old.SetIdentifier(2);
  auto objects = Read(Write({&old}, 1, 2), 2);
  ASSERT_EQ(objects.size(), 1u);
  const auto& frame = static_cast<TTestShape*>(objects[0].get())->frame;
  EXPECT_EQ(frame, Transform2D::FromVector3(4.0, -1.0, M_PI));
  EXPECT_EQ(frame.scale, 1.0);
}

TEST_F(FilingTest, ChangeRecorderRestoresRecordedBlocks) {
  first.SetIdentifier(3);
  first.value = 1.5;
  first.note = "before";
  TChangeRecorder recorder;
  recorder.Init(nullptr);
  recorder.SetSkipFlag(1);
  recorder.WriteHeader();
  recorder.NoteBlock(&first, kBlockNote);
  recorder.NoteBlock(&first, kBlockNote);
  ASSERT_EQ(recorder.Pending().size(), 1u);
  recorder.FlushRest();
  recorder.Finish();
  EXPECT_TRUE(recorder.Pending().empty());
  first.note = "after";
  first.value = 9.0;
  TTestWorld world;
  world.AddDependent(&first);
  auto reader = ReadChanges(TakeBytes(recorder), &world);
  EXPECT_TRUE(first.note == Str255("before"));
  EXPECT_EQ(first.value, 9.0);  // only the recorded block came back
  EXPECT_TRUE(reader->Table().Objects().empty());
}

TEST_F(FilingTest, ShortRecordsAreWrittenAloneAndTakenBack) {
  first.SetIdentifier(3);
  TChangeRecorder recorder;
  recorder.Init(nullptr);
  recorder.WriteHeader();
  recorder.NoteObject(&first, true);
  recorder.NoteObject(&second, false);
  recorder.FlushWhole();
  EXPECT_EQ(recorder.Pending(), (std::vector<TChangeRecorder::Entry>{{&second, -2}}));
  recorder.Finish();
  const auto bytes = TakeBytes(recorder);
  // Header, identifier, class tag, blank tag, block 666 of length 0, end of object, end.
  ASSERT_EQ(bytes.size(), 54u + 4 + 8 + 8 + 4);
  const uint8_t record[] = {0x9A, 2, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(bytes.data() + 50 + 12, record, 8));
  TTestWorld world;
  world.AddDependent(&first);
  auto reader = ReadChanges(bytes, &world);
  EXPECT_TRUE(reader->Table().Objects().empty());
}

TEST_F(FilingTest, ChangeRecorderQueueRules) {
  TChangeRecorder recorder;
  recorder.NoteBlock(&first, 10);
  recorder.NoteBlock(&second, 20);
  recorder.NoteBlock(&first, 11);
  using Entry = TChangeRecorder::Entry;
  EXPECT_EQ(recorder.Pending(), (std::vector<Entry>{{&first, 10}, {&first, 11}, {&second, 20}}));
  recorder.NoteObject(&first, false);
  EXPECT_EQ(recorder.Pending(), (std::vector<Entry>{{&first, -2}, {&second, 20}}));
  recorder.NoteBlock(&first, 12);
  recorder.NoteObject(&first, true);
  EXPECT_EQ(recorder.Pending().size(), 2u);
  recorder.Forget(&second);
  EXPECT_EQ(recorder.Pending(), (std::vector<Entry>{{&first, -2}}));
}

TEST_F(FilingTest, ProgressCanCancel) {
  MakePair();
  const auto bytes = Write({&first, &second}, 1, 2);
  int calls = 0;
  const ReadProgress cancel = [&](bool& stop, int32_t, double) {
    ++calls;
    stop = true;
  };
  EXPECT_EQ(ErrorOf([&] { ReadObjects(bytes, 2, 2, nullptr, nullptr, nullptr, cancel); }),
            kErrReadCancelled);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace filing_test

namespace filing_test {
namespace {

class DefaultObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    classes = std::make_unique<TestClassScope>();
  }
  void TearDown() override {
    SetResourceModule2(nullptr);
    UnregisterResourceModule("defaults-test.dll");
    classes.reset();
    FreeHandlePool();
  }
  void Offer(const std::vector<ResourceEntry>& entries) {
    table = {"defaults-test.dll", entries.data(), static_cast<uint32_t>(entries.size())};
    RegisterResourceModule(table);
    SetResourceModule2(LoadResourceLibrary("defaults-test.dll"));
  }
  std::unique_ptr<TestClassScope> classes;
  ResourceModuleTable table{};
};

TEST_F(DefaultObjectsTest, StoredDocumentResourceIsReadIntoTheContainer) {
  TTestShape shape;
  shape.SetIdentifier(2);
  shape.value = 3.0;
  auto writer = WriteObjectsDefault(nullptr, 1, &shape, 2, nullptr);
  const std::vector<uint8_t> stored = TakeBytes(*writer);
  const std::vector<uint8_t> damaged(stored.begin(), stored.begin() + 20);
  const std::vector<ResourceEntry> entries = {
      {"ZodA", 0, nullptr, 128, stored.data(), static_cast<uint32_t>(stored.size())},
      {"ZodA", 0, nullptr, 129, damaged.data(), static_cast<uint32_t>(damaged.size())}};
  Offer(entries);
  TTestWorld world;
  auto reader = ReadDefaultObjects(128, &world);
  auto objects = reader->TakeObjects();
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(static_cast<TTestShape*>(objects[0].get())->value, 3.0);
  EXPECT_EQ(world.Linked().size(), 1u);
  EXPECT_EQ(ErrorOf([&] { ReadDefaultObjects(129, &world); }), kErrResourceFormat);
  EXPECT_NE(ErrorOf([&] { ReadDefaultObjects(130, &world); }), 1);
}

}  // namespace
}  // namespace filing_test
