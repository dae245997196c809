#pragma once
// Furniture of the shape tests: the program's classes and resources set up, shapes made through
// the class registry, documents and solver streams written and read, and their blocks listed.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"

namespace shape_test {

using namespace body_tags;

// One block of a stream: its code and where its contents start and end.
struct Block {
  int32_t code;
  size_t begin;
  size_t end;
};

// The program's resources, units and body classes in place, as at start-up, for each test.
class BodyProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    RegisterThingClasses();
    LoadEngineLibrary();
    RegisterStopWhen();
    RegisterUnitHandler();
    RegisterBodyClasses();
    FreezeClassRegistry();
  }
  void TearDown() override {
    FreeBodyClasses();
    FreeClassRegistry();
    FreeUnitHandler();
    FreeEngineLibrary();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }
};

class ShapeFixture : public BodyProgramTest {
 protected:

  // A shape made as the file reader makes it: through the registry by its tag, then initialised.
  template <class Shape>
  static std::unique_ptr<Shape> Make() {
    std::unique_ptr<TObject> made(CreateObjectByTag(Shape::kTag));
    EXPECT_NE(made, nullptr);
    EXPECT_TRUE(made->IsMemberClass(Shape::kClassID));
    auto shape = std::unique_ptr<Shape>(static_cast<Shape*>(made.release()));
    shape->Initialize();
    return shape;
  }

  static std::unique_ptr<TRectangle> Rectangle(double width, double height) {
    auto rectangle = Make<TRectangle>();
    rectangle->SetNumberProperty(kTagWidth, width);
    rectangle->SetNumberProperty(kTagHeight, height);
    return rectangle;
  }

  static std::unique_ptr<TOval> Circle(double radius) {
    auto circle = Make<TOval>();
    circle->SetNumberProperty(kTagRadius, radius);
    return circle;
  }

  static std::vector<uint8_t> Bytes(std::unique_ptr<TObjectWriter> writer) {
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  // The document form (big-endian, 4-byte codes) and the solver's native stream.
  static std::vector<uint8_t> Document(TLink& object) {
    const std::vector<TLink*> objects{&object};
    return Bytes(WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr));
  }
  static std::vector<uint8_t> Native(TLink& object) {
    const std::vector<TLink*> objects{&object};
    return Bytes(WriteObjectsDefault(&objects, 0, nullptr, 1, nullptr));
  }

  template <class Shape>
  static std::unique_ptr<Shape> ReadOne(const std::vector<uint8_t>& bytes) {
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto read = reader->TakeObjects();
    if (read.size() != 1 || !read[0]->IsMemberClass(Shape::kClassID)) return nullptr;
    return std::unique_ptr<Shape>(static_cast<Shape*>(read[0].release()));
  }

  // The blocks of the one object of a stream, from its first block (whose code is given) to the
  // end mark. Document blocks have 4-byte big-endian codes, native ones 2-byte host-order codes.
  static std::vector<Block> Blocks(const std::vector<uint8_t>& bytes, int32_t first,
                                   bool document) {
    const size_t codeBytes = document ? 4 : 2;
    std::vector<Block> blocks;
    for (size_t at = 0; at + codeBytes <= bytes.size(); ++at) {
      if (Code(bytes, at, document) != first) continue;
      size_t p = at;
      while (p + codeBytes <= bytes.size()) {
        const int32_t code = Code(bytes, p, document);
        if (code == -1) return blocks;
        const auto length = static_cast<size_t>(Long(bytes, p + codeBytes, document));
        const size_t begin = p + codeBytes + 4;
        blocks.push_back({code, begin, begin + length});
        p = begin + length;
      }
      blocks.clear();
    }
    return blocks;
  }

  static std::vector<int32_t> Codes(const std::vector<Block>& blocks) {
    std::vector<int32_t> codes;
    for (const Block& block : blocks)
      codes.push_back(block.code);
    return codes;
  }

  static int32_t Code(const std::vector<uint8_t>& bytes, size_t at, bool document) {
    if (document) return Long(bytes, at, true);
    int16_t value;
    std::memcpy(&value, bytes.data() + at, 2);
    return value;
  }
  static int32_t Long(const std::vector<uint8_t>& bytes, size_t at, bool bigEndian) {
    uint32_t value = 0;
    if (at + 4 > bytes.size()) return -1;
    if (bigEndian) {
      for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | bytes[at + i];
    } else {
      std::memcpy(&value, bytes.data() + at, 4);
    }
    return static_cast<int32_t>(value);
  }
};

}  // namespace shape_test
