#pragma once
// Small world-object classes for the filing tests, registered with the readers' class source.

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "model/Formula.h"
#include "model/Link.h"
#include "model/Thing.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace filing_test {

inline constexpr int16_t kBlockValue = 1200;       // first block: selects the class
inline constexpr int16_t kBlockPartner = 1201;     // a reference to another object
inline constexpr int16_t kBlockFrame = 1202;       // a transform
inline constexpr int16_t kBlockQuantities = 1203;  // a count, then formula items
inline constexpr int16_t kBlockNote = 5100;        // editing data only
inline constexpr int16_t kBlockWorld = 5204;       // taken by the existing world

// A shape with a value, a partner, a transform and a note.
class TTestShape : public TSingleStyleLink {
  DECLARE_CLASS_ID(9001, TSingleStyleLink)

 public:
  static constexpr uint32_t kTag = MakeTag("TsSh");
  double value = 0.0;
  TLink* partner = nullptr;
  int32_t partnerId = 0;
  Transform2D frame;
  Str255 note;
  // Written only when there are any; a null entry is written as no formula.
  std::vector<std::unique_ptr<TFormula>> quantities;
  // The recorded formulas of the element list.
  std::vector<TFormula> recorded;
  // Readers keep the element list unless told to leave it to the link base, which drops it.
  static inline bool dropElements = false;
  int endReadings = 0;
  // Blocks of the shape's own codes that it read.
  int blocksRead = 0;

  int32_t CountElements() override { return static_cast<int32_t>(recorded.size()); }
  void WriteElements(TObjectWriter& writer) override {
    for (const TFormula& formula : recorded)
      writer.WriteFormula(&formula);
  }
  void ReadElements(int32_t count, TObjectReader& reader) override {
    if (dropElements) return TSingleStyleLink::ReadElements(count, reader);
    recorded.clear();
    for (int32_t i = 0; i < count; ++i)
      recorded.push_back(*reader.ReadNewFormula());
  }

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code >= kBlockValue && code <= kBlockQuantities) ++blocksRead;
    switch (code) {
      case kBlockValue:
        value = reader.ReadReal();
        return 1;
      case kBlockPartner:
        reader.ReadReference(*this, 7);
        return 1;
      case kBlockFrame:
        reader.ReadTransform(frame);
        return 1;
      case kBlockNote:
        reader.ReadString(note);
        return 1;
      case kBlockQuantities: {
        const int32_t count = reader.ReadInt();
        reader.FailIfBadFormat(count < 0 || count > reader.BlockRemaining());
        quantities.clear();
        for (int32_t i = 0; i < count; ++i)
          quantities.push_back(reader.ReadNewFormula());
        return 1;
      }
      default:
        return TSingleStyleLink::ReadBlockContents(code, reader);
    }
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    switch (code) {
      case kBlockValue:
        writer.WriteDouble(value);
        return;
      case kBlockPartner:
        writer.WriteCode(partner != nullptr ? partner->GetIdentifier() : partnerId);
        return;
      case kBlockFrame:
        writer.WriteTransform(frame);
        return;
      case kBlockNote:
        writer.PutString(note, 1);
        return;
      case kBlockQuantities:
        writer.WriteCode(static_cast<int32_t>(quantities.size()));
        for (const auto& formula : quantities)
          writer.WriteFormula(formula.get());
        return;
      default:
        TSingleStyleLink::WriteBlockContents(code, writer);
    }
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockValue);
    if (partner != nullptr || partnerId != 0) writer.WriteBlock(*this, kBlockPartner);
    writer.WriteBlock(*this, kBlockFrame);
    writer.WriteBlock(*this, kBlockNote);
    if (!quantities.empty()) writer.WriteBlock(*this, kBlockQuantities);
    TSingleStyleLink::WriteFields(writer);
  }
  void WriteClassTag(TObjectWriter& writer) override { writer.WriteTag(kTag); }
  void ResolveReference(TObjectReader&, int16_t code, uint16_t kind, TLink* object) override {
    if (code == kBlockPartner && kind == 7) partner = object;
  }
  void EndReading(TObjectReader&) override { ++endReadings; }
};

// A container that takes the world's own block when it is offered.
class TTestWorld : public TLink {
  DECLARE_CLASS_ID(9002, TLink)

 public:
  int32_t setting = 0;
  int prepared = 0;
  int finished = 0;
  void PrepareForReadObjects() override { ++prepared; }
  void FinishReadObjects() override {
    // Every object read is linked by now.
    if (prepared == finished + 1) ++finished;
  }
  uint16_t CanReadBlock(int16_t code) override {
    return code == kBlockWorld ? 1 : TLink::CanReadBlock(code);
  }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlockWorld) return TLink::ReadBlockContents(code, reader);
    ++blocksTaken;
    setting = reader.ReadLong();
    return 1;
  }
  int blocksTaken = 0;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockWorld) return TLink::WriteBlockContents(code, writer);
    writer.WriteLong(setting);
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockWorld);
    TLink::WriteFields(writer);
  }
};

inline constexpr int16_t kBlockUnknownClass = 1210;  // 'FACT' names a class nobody registered

// The 'FACT' table of the tests: the program's own entry (a thing's colour block makes a
// TThing), block 1200 makes a test shape and block 1210 an unknown class.
inline const std::vector<uint8_t>& TestFactTable() {
  static const std::vector<uint8_t> table = [] {
    constexpr int16_t kCount = 3;
    const int16_t codes[kCount] = {kBlockThingColour, kBlockValue, kBlockUnknownClass};
    const uint32_t tags[kCount] = {TThing::kTag, TTestShape::kTag, MakeTag("NoSh")};
    std::vector<uint8_t> bytes(2 + kCount * 6);
    std::memcpy(bytes.data(), &kCount, 2);
    for (int i = 0; i < kCount; ++i) {
      std::memcpy(bytes.data() + 2 + 6 * i, &codes[i], 2);
      std::memcpy(bytes.data() + 4 + 6 * i, &tags[i], 4);
    }
    return bytes;
  }();
  return table;
}

inline TObject* NewTestShape() {
  return new TTestShape;
}

// Registers the program's classes of this folder and the test shape with the class registry,
// and offers the 'FACT' table as a resource, for as long as it lives. The handle pool must be
// set up for the readers to load the table.
class TestClassScope {
 public:
  TestClassScope() {
    RegisterThingClasses();
    RegisterClassInfo("TTestShape", TTestShape::kTag, TTestShape::kClassID, NewTestShape,
                      sizeof(TTestShape));
    FreezeClassRegistry();
    static const ResourceEntry entries[] = {
        {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), TestFactTable().data(),
         static_cast<uint32_t>(TestFactTable().size())}};
    static const ResourceModuleTable table = {"filing-test.dll", entries, 1};
    RegisterResourceModule(table);
    SetResourceModule1(LoadResourceLibrary("filing-test.dll"));
  }
  ~TestClassScope() {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("filing-test.dll");
    FreeClassRegistry();
  }
  TestClassScope(const TestClassScope&) = delete;
  TestClassScope& operator=(const TestClassScope&) = delete;
};

// The bytes of a handle, freeing it.
inline std::vector<uint8_t> TakeBytes(TObjectWriter& writer) {
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

inline int16_t ErrorOf(auto&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 1;  // no failure
}

}  // namespace filing_test
