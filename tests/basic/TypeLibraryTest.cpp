// A small type library registered through the builder calls, as the program registers its own:
// a script reads and writes its properties, calls its methods, walks a collection and meets
// run-time errors raised by the dispatch callback; the callback checks the frame it is given.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "basic/ScriptApi.h"
#include "tests/basic/ScriptRunner.h"

namespace {

struct Shape {
  std::string name;
  double size = 1;
  bool visible = false;
  int32_t serial = 0;
  bool circle = false;
  double radius = 0;
};

struct Lab {
  std::vector<Shape> shapes;
  std::vector<std::string> log;  // "id:highest" per call
} g_lab;

int g_shapes_tag;  // the address that stands for the collection object
int g_lab_tag;     // the address of the global object

// The program's error table: (code) -> (number, text), as the host maps its failures.
void RaiseFailure(ScriptRunContext* call, int16_t code) {
  static const struct {
    int32_t number;
    const char* text;
  } kTable[] = {
      {900, "Failure during Yarrowby API call."},
      {901, "A Yarrowby API call failed because the object it referenced no longer exists."},
      {905, "Bad parameter in subroutine call."},
      {902, "Attempted to set a property which the referenced object does not have."},
      {903, "Attempted to get a property which the referenced object does not have."},
      {999, "Invalid object variable."},
      {906, "Could not load the specified library.  Check its location and confirm that it compiles."},
      {907, "Could not run the specified script.  Check its location and confirm that it compiles."},
      {908, "The export failed because the specified file could not be created (it may already exist)."},
      {904, "Unrecognized string parameter in subroutine call."},
  };
  const auto& entry = kTable[code >= 0 && code < 10 ? code : 0];
  ScriptRaiseError(call, 0, entry.number, entry.text);
}

std::string ArgText(ScriptRunContext* call, ScriptFrame* frame, int32_t index) {
  const uint16_t handle = ScriptArgString(frame, index);
  const char* text = ScriptLockString(call, handle);
  std::string copy = text != nullptr ? text : "";
  ScriptUnlockString(call, handle);
  return copy;
}

void ReturnText(ScriptRunContext* call, ScriptFrame* frame, int32_t index, const std::string& text) {
  ScriptReturnString(frame, index, ScriptMakeString(call, text.c_str()));
}

void Dispatch(ScriptRunContext* call, uint32_t methodId, int32_t highest, ScriptFrame* frame) {
  const uint16_t id = methodId & 0xFFFF;
  g_lab.log.push_back(std::to_string(id) + ":" + std::to_string(highest));
  void* receiver = ScriptArgObject(frame, 1);
  if (id == 40) {  // Lab.Shapes
    ScriptReturnObject(frame, 0, &g_shapes_tag);
    return;
  }
  if (id == 30) {  // Shapes.Count
    ScriptReturnLong(frame, 0, static_cast<int32_t>(g_lab.shapes.size()));
    return;
  }
  if (id == 31) {  // Shapes.Item(i): Nothing outside 1..Count
    const int16_t i = ScriptArgInteger(frame, 2);
    ScriptReturnObject(frame, 0, i >= 1 && i <= static_cast<int>(g_lab.shapes.size()) ? &g_lab.shapes[i - 1] : nullptr);
    return;
  }
  auto* shape = static_cast<Shape*>(receiver);
  if (shape == nullptr) return RaiseFailure(call, 1);
  switch (id) {
    case 1: shape->name = ArgText(call, frame, 2); break;
    case 2: ReturnText(call, frame, 0, shape->name); break;
    case 3: ScriptArgDouble(frame, 2, &shape->size); break;
    case 4: ScriptReturnDouble(frame, 0, shape->size); break;
    case 5: ScriptReturnInteger(frame, 0, static_cast<int16_t>(shape->name.size())); break;
    case 6: shape->visible = ScriptArgBoolean(frame, 2) != 0; break;
    case 7: ScriptReturnBoolean(frame, 0, shape->visible ? -1 : 0); break;
    case 8: ScriptReturnLong(frame, 0, shape->serial); break;
    case 10: {
      double scale = 0;
      ScriptArgDouble(frame, 2, &scale);
      ScriptReturnDouble(frame, 0, shape->size * scale);
      break;
    }
    case 11: {  // Resize(factor, Optional ByRef steps As Long)
      double factor = 0;
      ScriptArgDouble(frame, 2, &factor);
      shape->size *= factor;
      if (highest >= 3) ScriptReturnLong(frame, 3, ScriptArgLong(frame, 3) + 1);
      break;
    }
    case 12:  // GetPair(ByRef x As Double, ByRef y As Double)
      ScriptReturnDouble(frame, 2, shape->size);
      ScriptReturnDouble(frame, 3, -shape->size);
      break;
    case 13: ReturnText(call, frame, 0, "by number " + std::to_string(ScriptArgInteger(frame, 2))); break;
    case 14: ReturnText(call, frame, 0, "by name " + ArgText(call, frame, 2)); break;
    case 15: RaiseFailure(call, ScriptArgInteger(frame, 2)); break;
    case 20:
      if (!shape->circle) return RaiseFailure(call, 5);
      ScriptArgDouble(frame, 2, &shape->radius);
      break;
    case 21:
      if (!shape->circle) return RaiseFailure(call, 5);
      ScriptReturnDouble(frame, 0, shape->radius);
      break;
    case 22: ScriptReturnObject(frame, 0, shape); break;  // AsCircle: the same object, typed
    case 23: ReturnText(call, frame, 0, "any shape"); break;    // Pick(Shape)
    case 24: ReturnText(call, frame, 0, "a circle"); break;     // Pick(Circle)
    case 25: ScriptReturnInteger(frame, 0, 42); break;          // Run as a function
    case 26: shape->serial = -1; break;                         // Run as a statement
    default: break;  // an id nobody registered does nothing
  }
}

ScriptDescription* Describe() {
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "LabApp", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Shapes", kScriptNoId, 40, kScriptObject, "TestLib.Shapes");
  ScriptDefineClass(b, "Shape", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Name", 1, 2, kScriptString, nullptr);
  ScriptDefineProperty(b, 0, "Size", 3, 4, kScriptDouble, nullptr);
  ScriptDefineProperty(b, 0, "NameLength", kScriptNoId, 5, kScriptInteger, nullptr);
  ScriptDefineProperty(b, 0, "Visible", 6, 7, kScriptBoolean, nullptr);
  ScriptDefineProperty(b, 0, "Serial", kScriptNoId, 8, kScriptLong, nullptr);
  ScriptDefineFunction(b, 0, "Area", 10, kScriptDouble, nullptr, 1, 1, {{kScriptDouble}});
  ScriptDefineSub(b, 0, "Resize", 11, 1, 2, {{kScriptDouble}, {kScriptLong | kScriptByRef}});
  ScriptDefineSub(b, 0, "GetPair", 12, 2, 2, {{kScriptDouble | kScriptByRef}, {kScriptDouble | kScriptByRef}});
  ScriptDefineFunction(b, 0, "Find", 13, kScriptString, nullptr, 1, 1, {{kScriptInteger}});
  ScriptDefineFunction(b, 0, "Find", 14, kScriptString, nullptr, 1, 1, {{kScriptString}});
  ScriptDefineSub(b, 0, "Fail", 15, 1, 1, {{kScriptInteger}});
  ScriptDefineFunction(b, 0, "AsCircle", 22, kScriptObject, "TestLib.Circle", 0, 0, {});
  ScriptDefineFunction(b, 0, "Pick", 23, kScriptString, nullptr, 1, 1, {{kScriptObject, "TestLib.Shape"}});
  ScriptDefineFunction(b, 0, "Pick", 24, kScriptString, nullptr, 1, 1, {{kScriptObject, "TestLib.Circle"}});
  ScriptDefineFunction(b, 0, "Run", 25, kScriptInteger, nullptr, 0, 0, {});
  ScriptDefineSub(b, 0, "Run", 26, 0, 0, {});
  ScriptDefineClass(b, "Circle", kScriptNoId, "Shape");
  ScriptDefineProperty(b, 0, "Radius", 20, 21, kScriptDouble, nullptr);
  ScriptDefineCollectionClass(b, 1, "Shapes", kScriptNoId, nullptr);
  ScriptDefineFunction(b, 0, "Count", 30, kScriptLong, nullptr, 0, 0, {});
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", 31, kScriptObject, "TestLib.Shape", 1, 1, {{kScriptInteger}});
  ScriptDefineGlobal(b, "Lab", kScriptObject, "LabApp", &g_lab_tag);
  ScriptDescription* description = nullptr;
  EXPECT_NE(ScriptFinishDescription(b, &description, nullptr), 0);
  return description;
}

class TypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    g_lab = Lab{};
    g_lab.shapes = {{"box", 2.0, false, 7, false, 0}, {"wheel", 3.0, true, 8, true, 0.5}};
    uint16_t status = 1;
    engine_ = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
    ASSERT_NE(engine_, nullptr);
    EXPECT_EQ(status, 0);
    description_ = Describe();
    ASSERT_EQ(ScriptRegisterLibrary(engine_, "TestLib", description_, &Dispatch), 0);
  }
  void TearDown() override {
    ScriptFreeDescription(description_);
    ScriptEndEngine(engine_);
  }
  ScriptOutcome Run(const std::string& body) {
    return RunScript("Sub Main()\n" + body + "\nEnd Sub\n", engine_);
  }

  ScriptEngine* engine_ = nullptr;
  ScriptDescription* description_ = nullptr;
};

TEST_F(TypeLibrary, PropertiesOfEveryTypeReadAndWritten) {
  const ScriptOutcome o = Run(
      "Dim s As Shape\n"
      "Set s = Lab.Shapes.Item(1)\n"
      "s.Name = \"crate\": s.Size = 2.5 * 2: s.Visible = 7\n"
      "Print s.Name; \" \"; s.Size; \" \"; s.Visible; \" \"; CInt(s.Visible); \" \"; s.NameLength; \" \"; s.Serial");
  ASSERT_TRUE(o.compiled) << o.compileError;
  EXPECT_FALSE(o.failed) << o.errorText;
  EXPECT_EQ(o.output, "crate 5 True -1 5 7\n");
  EXPECT_EQ(g_lab.shapes[0].name, "crate");
  EXPECT_EQ(g_lab.shapes[0].size, 5.0);
  EXPECT_TRUE(g_lab.shapes[0].visible);
  // Frame layout: a get has the receiver at 1 and nothing after (highest index 1); a set has its
  // value at 2.
  EXPECT_EQ(g_lab.log[0], "40:1");
  EXPECT_EQ(g_lab.log[1], "31:2");
  EXPECT_EQ(g_lab.log[2], "1:2");
  EXPECT_EQ(g_lab.log[3], "3:2");
}

TEST_F(TypeLibrary, MethodsWithOverloadsOptionalAndByReferenceArguments) {
  const ScriptOutcome o = Run(
      "Dim s As Shape, steps As Long, x As Double, y As Double\n"
      "Set s = Lab.Shapes(2)\n"
      "Print s.Area(2); \" \"; s.Find(3); \" / \"; s.Find(\"three\")\n"
      "s.Resize 2\n"
      "steps = 10\n"
      "s.Resize 0.5, steps\n"
      "s.GetPair x, y\n"
      "Print steps; \" \"; x; \" \"; y; \" \"; s.Size");
  ASSERT_TRUE(o.compiled) << o.compileError;
  EXPECT_FALSE(o.failed) << o.errorText;
  EXPECT_EQ(o.output, "6 by number 3 / by name three\n11 3 -3 3\n");
  // Resize without its optional argument sees highest index 2, with it 3.
  EXPECT_NE(std::find(g_lab.log.begin(), g_lab.log.end(), "11:2"), g_lab.log.end());
  EXPECT_NE(std::find(g_lab.log.begin(), g_lab.log.end(), "11:3"), g_lab.log.end());
}

TEST_F(TypeLibrary, OverloadsChosenByArgumentClassAndByUse) {
  const ScriptOutcome o = Run(
      "Dim c As Circle, s As Shape\n"
      "Set s = Lab.Shapes(1): Set c = Lab.Shapes(2)\n"
      "Print s.Pick(s); \" / \"; s.Pick(c); \" / \"; s.Run\n"
      "s.Run\n"
      "Print s.Serial");
  ASSERT_TRUE(o.compiled) << o.compileError;
  EXPECT_FALSE(o.failed) << o.errorText;
  EXPECT_EQ(o.output, "any shape / a circle / 42\n-1\n");
}

TEST_F(TypeLibrary, CollectionWalkedWithForEachAndTheDefaultMember) {
  const ScriptOutcome o = Run(
      "Dim s As Shape, total As Double, names As String\n"
      "For Each s In Lab.Shapes\n"
      "  total = total + s.Size: names = names & s.Name & \";\"\n"
      "Next\n"
      "Print Lab.Shapes.Count; \" \"; total; \" \"; names; \" \"; Lab.Shapes(1).Name\n"
      "Print Lab.Shapes(9) Is Nothing");
  ASSERT_TRUE(o.compiled) << o.compileError;
  EXPECT_FALSE(o.failed) << o.errorText;
  EXPECT_EQ(o.output, "2 5 box;wheel; box\nTrue\n");
}

// The loop asks for the count once per walk and each item once, in order, through the
// callback; an error the Item member raises stops at the For Each; variables of the derived class
// or of no type take the items as they come.
TEST_F(TypeLibrary, EveryWalkCallsItemForEachIndexAndStopsAtItsErrors) {
  g_lab.shapes.push_back({"cone", 4.0, false, 9, false, 0});
  const ScriptOutcome o = Run(
      "Dim c As Circle, v, k As Integer, names As String\n"
      "For k = 1 To 2\n"
      "  For Each c In Lab.Shapes\n    names = names & c.Name & \";\"\n  Next\n"
      "  For Each v In Lab.Shapes\n    names = names & v.Size & \";\"\n  Next\n"
      "Next\n"
      "Print names\n"
      "On Error Resume Next\n"
      "For Each c In Lab.Shapes\n"
      "  c.Fail 5\n"
      "  Print \"after \"; Err.Number\n"
      "Next\n"
      "On Error GoTo 0\n"
      "For Each v In Lab.Shapes\n  v.Fail 1\nNext");
  ASSERT_TRUE(o.compiled) << o.compileError;
  EXPECT_EQ(o.output, "box;wheel;cone;2;3;4;box;wheel;cone;2;3;4;\nafter 999\nafter 999\nafter 999\n");
  EXPECT_TRUE(o.failed);
  EXPECT_EQ(o.errorNumber, 901);
  EXPECT_EQ(o.errorLine, 19);
  // The first walk: the collection, its count, then each item before its use and none past the
  // count; then the second walk begins.
  ASSERT_GE(g_lab.log.size(), 9u);
  const std::vector<std::string> first(g_lab.log.begin(), g_lab.log.begin() + 9);
  EXPECT_EQ(first, (std::vector<std::string>{"40:1", "30:1", "31:2", "2:1", "31:2", "2:1", "31:2",
                                             "2:1", "40:1"}));
}

TEST_F(TypeLibrary, ObjectsTypedByTheRegisteredResultClass) {
  // Radius is a member of Circle only: it is reached through AsCircle's result class, or by
  // assigning to a variable declared as the derived class; the program checks the object kind.
  const ScriptOutcome o = Run(
      "Dim c As Circle\n"
      "Lab.Shapes(2).AsCircle.Radius = 1.25\n"
      "Set c = Lab.Shapes(2)\n"
      "Print c.Radius; \" \"; c.Name\n"
      "On Error Resume Next\n"
      "Print Lab.Shapes(2).Radius\n"
      "Print Err.Number\n"
      "Set c = Lab.Shapes(1)\n"
      "Print c.Radius\n"
      "Print Err.Number; \" \"; Err.Description");
  ASSERT_TRUE(o.compiled) << o.compileError;
  EXPECT_FALSE(o.failed) << o.errorText;
  EXPECT_EQ(o.output, "1.25 wheel\n438\n999 Invalid object variable.\n");
}

TEST_F(TypeLibrary, ErrorsRaisedByTheCallbackReachTheScript) {
  const char* kTexts[] = {
      "900 Failure during Yarrowby API call.",
      "901 A Yarrowby API call failed because the object it referenced no longer exists.",
      "905 Bad parameter in subroutine call.",
      "902 Attempted to set a property which the referenced object does not have.",
      "903 Attempted to get a property which the referenced object does not have.",
      "999 Invalid object variable.",
      "906 Could not load the specified library.  Check its location and confirm that it compiles.",
      "907 Could not run the specified script.  Check its location and confirm that it compiles.",
      "908 The export failed because the specified file could not be created (it may already exist).",
      "904 Unrecognized string parameter in subroutine call.",
  };
  const ScriptOutcome o = Run(
      "Dim i As Integer\n"
      "On Error Resume Next\n"
      "For i = 0 To 9\n"
      "  Lab.Shapes(1).Fail i\n"
      "  Print Err.Number; \" \"; Err.Description\n"
      "  Err.Clear\n"
      "Next");
  ASSERT_TRUE(o.compiled) << o.compileError;
  EXPECT_FALSE(o.failed) << o.errorText;
  std::string expected;
  for (const char* text : kTexts) expected += std::string(text) + "\n";
  EXPECT_EQ(o.output, expected);
}

TEST_F(TypeLibrary, AnUntrappedErrorEndsTheRunWithItsNumberTextAndLine) {
  const ScriptOutcome o = Run("Print \"before\"\n\nLab.Shapes(1).Fail 1\nPrint \"after\"");
  ASSERT_TRUE(o.compiled) << o.compileError;
  EXPECT_TRUE(o.failed);
  EXPECT_EQ(o.errorNumber, 901);
  EXPECT_EQ(o.errorLine, 4);
  EXPECT_EQ(o.errorText, "A Yarrowby API call failed because the object it referenced no longer exists.");
  EXPECT_EQ(o.output, "before\n");
}

TEST_F(TypeLibrary, MisusedMembersAreRunTimeErrors) {
  const char* cases[][2] = {
      {"Lab.Shapes(1).Serial = 3", "450"},       // read-only property
      {"Lab.Shapes(1).Nothing2", "438"},         // no such member
      {"Print Lab.Shapes(1).Area(\"x\")", "450"},  // no overload takes a word
      {"Dim s As Shape: s.Name = \"a\"", "91"},  // Nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    const ScriptOutcome o = Run(c[0]);
    ASSERT_TRUE(o.compiled) << o.compileError;
    EXPECT_TRUE(o.failed);
    EXPECT_EQ(std::to_string(o.errorNumber), c[1]);
  }
}

// The application's global object as the program describes it: class ".YB", object "YB".
TEST(TypeDescriptions, TheGlobalObjectOfADotClass) {
  static int application;
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, ".YB", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Version", kScriptNoId, 1, kScriptString, nullptr);
  ScriptDefineGlobal(b, "YB", kScriptObject, ".YB", &application);
  ScriptDescription* description = nullptr;
  ASSERT_NE(ScriptFinishDescription(b, &description, nullptr), 0);
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ASSERT_EQ(ScriptRegisterLibrary(engine, "DE22YBApp", description,
                                  +[](ScriptRunContext* call, uint32_t id, int32_t, ScriptFrame* frame) {
                                    if ((id & 0xFFFF) == 1 && ScriptArgObject(frame, 1) == &application)
                                      ScriptReturnString(frame, 0, ScriptMakeString(call, "2.5"));
                                  }),
            0);
  const ScriptOutcome o = RunScript("Sub Main()\n  Print \"Version \"; YB.Version\nEnd Sub\n", engine);
  EXPECT_EQ(o.output, "Version 2.5\n");
  ScriptFreeDescription(description);
  ScriptEndEngine(engine);
}

// With the object hooks set, every object a member call hands the script is referenced once for
// the run and given back when it ends.
TEST_F(TypeLibrary, ObjectsHeldByARunAreReferencedUntilItEnds) {
  static int references[2];
  static int peak[2];
  ScriptObjectHooks hooks;
  static int collection = 0;  // references on the Shapes collection object
  hooks.addRef = +[](void* object) {
    if (object == &g_shapes_tag) return void(++collection);
    const auto i = static_cast<Shape*>(object) - g_lab.shapes.data();
    peak[i] = std::max(peak[i], ++references[i]);
  };
  hooks.release = +[](void* object) {
    if (object == &g_shapes_tag) return void(--collection);
    --references[static_cast<Shape*>(object) - g_lab.shapes.data()];
  };
  ScriptControl(engine_, kScriptSetObjectHooks, 0, &hooks);
  const ScriptOutcome o = Run(
      "Dim s As Shape, k As Integer\n"
      "For k = 1 To 3\n  For Each s In Lab.Shapes\n  Next\nNext\n"
      "Set s = Lab.Shapes(1)");
  ASSERT_TRUE(o.compiled) << o.compileError;
  EXPECT_FALSE(o.failed) << o.errorText;
  EXPECT_EQ(peak[0], 1);
  EXPECT_EQ(peak[1], 1);
  EXPECT_EQ(references[0], 0);
  EXPECT_EQ(references[1], 0);
  EXPECT_EQ(collection, 0);
}

TEST(TypeDescriptions, RefusedWhenMalformedOrRegisteredTwice) {
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineProperty(b, 0, "Orphan", 1, 2, kScriptLong, nullptr);  // no class yet
  ScriptDescription* description = nullptr;
  EXPECT_EQ(ScriptFinishDescription(b, &description, nullptr), 0);
  EXPECT_EQ(description, nullptr);

  b = ScriptBeginDescription();
  ScriptDefineClass(b, "A", kScriptNoId, nullptr);
  ScriptDefineFunction(b, 0, "F", 1, 99, nullptr, 0, 0, {});  // no such type
  EXPECT_EQ(ScriptFinishDescription(b, &description, nullptr), 0);

  b = ScriptBeginDescription();
  ScriptDefineClass(b, "A", kScriptNoId, nullptr);
  ASSERT_NE(ScriptFinishDescription(b, &description, nullptr), 0);
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  EXPECT_EQ(ScriptRegisterLibrary(engine, "Lib", description, &Dispatch), 0);
  EXPECT_EQ(ScriptRegisterLibrary(engine, "LIB", description, &Dispatch), kScriptNoId);
  EXPECT_EQ(ScriptRegisterLibrary(engine, "Other", description, nullptr), kScriptNoId);
  ScriptFreeDescription(description);
  ScriptEndEngine(engine);
}

}  // namespace
