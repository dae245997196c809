// The road of a member call, through a small library of probe objects run by the engine: errors
// and their texts, the receiver checks, argument and result marshalling and the floating-point
// state around a call.

#include <gtest/gtest.h>

#include <fenv.h>

#include <cfenv>
#include <stdexcept>
#include <string>

#include "core/Failure.h"
#include "scripting/host/CallFrame.h"
#include "tests/scripting/EngineRun.h"

namespace {

class TProbe : public TAPIDispatcher {
 public:
  static constexpr uint32_t kTag = MakeTag("APPr");
  TProbe(TAPIDispatcher* parent, void* target) : TAPIDispatcher(nullptr, target, parent) {
    SetTag(kTag);
  }
  bool IsKindOfTag(uint32_t tag) const override {
    return tag == kTag || TAPIDispatcher::IsKindOfTag(tag);
  }
  const Str31& GetClassName() const override {
    static const Str31 name("TProbe");
    return name;
  }
  Str255 name;
  Str63 word;
  Str31 shortWord;
  int16_t flag = 0;
  int32_t target = 1;
};

class TSubProbe : public TProbe {
 public:
  static constexpr uint32_t kTag = MakeTag("APSP");
  explicit TSubProbe(TAPIDispatcher* parent) : TProbe(parent, nullptr) { SetTag(kTag); }
  bool IsKindOfTag(uint32_t tag) const override { return tag == kTag || TProbe::IsKindOfTag(tag); }
};

TAPIMemberTable<20> g_members;
std::string g_log;

TProbe* Probe(TAPIDispatcher* receiver) { return static_cast<TProbe*>(receiver); }

void Describe(uint16_t id, TAPIEntryPoint entry) { g_members.Set(id, entry); }

void DispatchProbe(ScriptRunContext* call, uint32_t id, int32_t highest, ScriptFrame* frame) {
  DispatchAPICall(g_members, call, id, highest, frame, nullptr);
}

void SetUpMembers() {
  // Name, Word and ShortWord: strings kept in 255, 63 and 31 characters.
  Describe(1, [](TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
    CheckAPIObjectKind(r, TProbe::kTag);
    Probe(r)->name = ReadStringArgument<Str255>(call, frame, 2);
    Probe(r)->word = ReadStringArgument<Str63>(call, frame, 2);
    Probe(r)->shortWord = ReadStringArgument<Str31>(call, frame, 2);
  });
  Describe(2, [](TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
    const std::string lengths = std::to_string(Probe(r)->name.Length()) + "/" +
                                std::to_string(Probe(r)->word.Length()) + "/" +
                                std::to_string(Probe(r)->shortWord.Length());
    ReturnStringValue(call, frame, 0, lengths.c_str());
  });
  // Flag: stores what the member is handed; reads back as a boolean.
  Describe(3, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    Probe(r)->flag = ReadBooleanArgument(frame, 2);
  });
  Describe(4, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    ReturnBooleanValue(frame, 0, Probe(r)->flag != 0);
  });
  // StoredFlag: the raw value stored.
  Describe(5, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    ScriptReturnInteger(frame, 0, Probe(r)->flag);
  });
  // Fail(code, subcode): the member's result.
  Describe(6, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    TAPICallContext context(r, "Fail");
    context.Fail(ReadIntegerArgument(frame, 2), ReadIntegerArgument(frame, 3));
    CheckAPIResult(context.Result());
  });
  // Child: a new probe below this one, held by its "world object" (one reference).
  Describe(7, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    auto* child = new TProbe(r, &Probe(r)->target);
    child->AddRef();
    ReturnObjectValue(frame, 0, child);
  });
  // Drop: the world object the probe stands for goes.
  Describe(8, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
    r->DeleteIfUnreferenced();
  });
  // Ping: a member that needs its target.
  Describe(9, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    TAPICallContext context(r, "Ping");
    CheckAPIResult(context.Result());
    ScriptReturnInteger(frame, 0, 1);
  });
  Describe(10, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    CheckAPIObjectTag(r, TProbe::kTag);
    ScriptReturnInteger(frame, 0, 10);
  });
  Describe(11, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    CheckAPIObjectKind(r, TProbe::kTag);
    ScriptReturnInteger(frame, 0, 11);
  });
  // Divide(x): 1 / x, with the state of the floating-point unit as the call sees it.
  Describe(12, [](TAPIDispatcher*, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    volatile double x = ReadDoubleArgument(frame, 2);
    ScriptReturnDouble(frame, 0, 1.0 / x);
    ThrowFailure(kErrOutOfMemory, 0);
  });
  Describe(13, [](TAPIDispatcher*, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
    throw std::out_of_range("index");
  });
  // Lookup(i, Optional ByRef name): returns i * 2, writes the name when it was given.
  Describe(14, [](TAPIDispatcher*, ScriptRunContext* call, int32_t highest, ScriptFrame* frame, uint16_t) {
    const int16_t i = ReadIntegerArgument(frame, 2);
    g_log += "result;";
    ScriptReturnInteger(frame, 0, static_cast<int16_t>(i * 2));
    if (highest >= 3) ReturnStringValue(call, frame, 3, ("item " + std::to_string(i)).c_str());
  });
  Describe(15, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
    ReturnObjectValue(frame, 0, new TSubProbe(r));
  });
  // Forget: the script's own reference is all that is left, then that too goes (Release).
  Describe(16, [](TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
    r->DeleteIfUnreferenced();
  });
}

ScriptDescription* DescribeProbes(TAPIDispatcher* root) {
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "Probe", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Name", 1, 2, kScriptString, nullptr);
  ScriptDefineProperty(b, 0, "Flag", 3, 4, kScriptBoolean, nullptr);
  ScriptDefineProperty(b, 0, "StoredFlag", kScriptNoId, 5, kScriptInteger, nullptr);
  ScriptDefineSub(b, 0, "Fail", 6, 2, 2, {{kScriptInteger}, {kScriptInteger}});
  ScriptDefineFunction(b, 0, "Child", 7, kScriptObject, "Probes.Probe", 0, 0, {});
  ScriptDefineSub(b, 0, "Drop", 8, 0, 0, {});
  ScriptDefineFunction(b, 0, "Ping", 9, kScriptInteger, nullptr, 0, 0, {});
  ScriptDefineFunction(b, 0, "TagOnly", 10, kScriptInteger, nullptr, 0, 0, {});
  ScriptDefineFunction(b, 0, "KindOnly", 11, kScriptInteger, nullptr, 0, 0, {});
  ScriptDefineFunction(b, 0, "Divide", 12, kScriptDouble, nullptr, 1, 1, {{kScriptDouble}});
  ScriptDefineSub(b, 0, "Throw", 13, 0, 0, {});
  ScriptDefineFunction(b, 0, "Lookup", 14, kScriptInteger, nullptr, 1, 2,
                       {{kScriptInteger}, {kScriptString | kScriptByRef}});
  ScriptDefineFunction(b, 0, "Sub", 15, kScriptObject, "Probes.Probe", 0, 0, {});
  ScriptDefineSub(b, 0, "Unknown", 19, 0, 0, {});
  ScriptDefineGlobal(b, "Lab", kScriptObject, "Probe", root);
  ScriptDescription* description = nullptr;
  ScriptFinishDescription(b, &description, nullptr);
  return description;
}

class CallFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpMembers();
    root_ = new TProbe(nullptr, nullptr);
    SetLiveObjectRoot(root_);
    uint16_t status = 0;
    engine_ = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
    InstallObjectHooks(engine_);
    description_ = DescribeProbes(root_);
    ASSERT_EQ(ScriptRegisterLibrary(engine_, "Probes", description_, &DispatchProbe), 0);
    g_log.clear();
  }
  void TearDown() override {
    ScriptFreeDescription(description_);
    ScriptEndEngine(engine_);
    delete root_;
    EXPECT_EQ(LiveObjectRoot(), nullptr);
    EXPECT_EQ(PendingAPIFailure().code, 0);
  }
  TEngineRun Run(const std::string& body) {
    return RunInEngine(engine_, "Sub Main()\n" + body + "\nEnd Sub\n");
  }
  // The error number and text a failing member call gives the script.
  std::string Caught(const std::string& statement) {
    const TEngineRun run = Run("On Error Resume Next\n" + statement +
                               "\nPrint Err.Number; \": \"; Err.Description");
    EXPECT_FALSE(run.failed) << run.errorText;
    return run.output;
  }

  TProbe* root_ = nullptr;
  ScriptEngine* engine_ = nullptr;
  ScriptDescription* description_ = nullptr;
};

TEST_F(CallFrame, EachResultCodeBecomesItsErrorWithItsText) {
  EXPECT_EQ(Caught("Lab.Fail 1, 0"),
            "901: A Yarrowby API call failed because the object it referenced no longer exists.\n");
  EXPECT_EQ(Caught("Lab.Fail 2, 10"), "904: Unrecognized string parameter in subroutine call.\n");
  EXPECT_EQ(Caught("Lab.Fail 2, 0"), "905: Bad parameter in subroutine call.\n");
  EXPECT_EQ(Caught("Lab.Fail 3, 0"),
            "902: Attempted to set a property which the referenced object does not have.\n");
  EXPECT_EQ(Caught("Lab.Fail 4, 0"),
            "903: Attempted to get a property which the referenced object does not have.\n");
  EXPECT_EQ(Caught("Lab.Fail 5, 0"), "999: Invalid object variable.\n");
  EXPECT_EQ(Caught("Lab.Fail 6, 0"),
            "906: Could not load the specified library.  Check its location and confirm that it "
            "compiles.\n");
  EXPECT_EQ(Caught("Lab.Fail 7, 0"),
            "907: Could not run the specified script.  Check its location and confirm that it "
            "compiles.\n");
  EXPECT_EQ(Caught("Lab.Fail 8, 0"),
            "908: The export failed because the specified file could not be created (it may "
            "already exist).\n");
  EXPECT_EQ(Caught("Lab.Fail 9, 0"), "900: Failure during Yarrowby API call.\n");
}

TEST_F(CallFrame, OtherFailuresAreGeneralAndTheNextCallStartsClean) {
  // -108 out of memory, and an exception that is not the program's own.
  EXPECT_EQ(Caught("Lab.Divide 2"), "900: Failure during Yarrowby API call.\n");
  EXPECT_EQ(Caught("Lab.Throw"), "900: Failure during Yarrowby API call.\n");
  EXPECT_EQ(PendingAPIFailure().code, 0);
  const TEngineRun run = Run("On Error Resume Next\nLab.Fail 3, 0\nErr.Clear\nPrint Lab.Ping");
  EXPECT_EQ(run.output, "1\n");
}

TEST_F(CallFrame, FloatingPointStateIsTheSameAfterAFailingCall) {
  std::fesetround(FE_UPWARD);
  std::feclearexcept(FE_ALL_EXCEPT);
  std::feraiseexcept(FE_INEXACT);
  // The program traps division by zero; inside the call it is masked: dividing by zero there
  // neither traps nor leaves its flag, and the member fails with -108.
  feenableexcept(FE_DIVBYZERO);
  const TEngineRun run = Run("On Error Resume Next\nLab.Divide 0\nPrint Err.Number");
  const int traps = fedisableexcept(FE_ALL_EXCEPT);
  const int round = std::fegetround();
  const int flags = std::fetestexcept(FE_ALL_EXCEPT);
  std::fesetenv(FE_DFL_ENV);
  EXPECT_EQ(run.output, "900\n");
  EXPECT_EQ(traps, FE_DIVBYZERO);
  EXPECT_EQ(round, FE_UPWARD);
  EXPECT_EQ(flags & (FE_DIVBYZERO | FE_INEXACT), FE_INEXACT);
}

TEST_F(CallFrame, ObjectWhoseWorldObjectWentFailsWith901WhileTheScriptHoldsIt) {
  const TEngineRun run = Run(
      "Dim c As Probe\nSet c = Lab.Child\nPrint c.Ping\nc.Drop\n"
      "On Error Resume Next\nPrint c.Ping\nPrint Err.Number\nErr.Clear\n"
      "c.Name = \"x\"\nPrint Err.Number");
  EXPECT_EQ(run.output, "1\n901\n901\n");
  // The run is over: the cut-loose object went with the script's reference.
  EXPECT_EQ(root_->ChildCount(), 0);
}

TEST_F(CallFrame, ObjectOutOfTheTreeFailsBeforeItsArgumentsAreRead) {
  // A sub-probe that nobody but the script holds; its owner gives it up during the run.
  const TEngineRun run = Run(
      "Dim s As Probe\nSet s = Lab.Sub\nPrint s.KindOnly\n"
      "Dim c As Probe\nSet c = Lab.Child\nc.Drop\n"
      "On Error Resume Next\nPrint c.Lookup(3)\nPrint Err.Number");
  EXPECT_EQ(run.output, "11\n901\n");
  EXPECT_EQ(g_log, "");
}

TEST_F(CallFrame, KindAndTagChecks) {
  EXPECT_EQ(Caught("Dim s As Probe: Set s = Lab.Sub: Print s.KindOnly: Print s.TagOnly"),
            "11\n999: Invalid object variable.\n");
  EXPECT_EQ(Caught("Print Lab.TagOnly"), "10\n0: \n");
}

TEST_F(CallFrame, BooleansInAsOneAndOutAsMinusOne) {
  const TEngineRun run = Run("Lab.Flag = 7 > 3\nPrint Lab.StoredFlag; \" \"; CInt(Lab.Flag)\n"
                             "Lab.Flag = False\nPrint Lab.StoredFlag; \" \"; CInt(Lab.Flag)");
  EXPECT_EQ(run.output, "1 -1\n0 0\n");
}

TEST_F(CallFrame, StringsAreCutToTheMembersLengths) {
  const TEngineRun run = Run("Dim t As String\nDim i As Integer\nFor i = 1 To 30: t = t & \"abcdefghij\": Next i\nLab.Name = t\nPrint Lab.Name\n"
                             "Lab.Name = \"short\"\nPrint Lab.Name");
  EXPECT_EQ(run.output, "255/63/31\n5/5/5\n");
}

TEST_F(CallFrame, ByReferenceParameterIsWrittenAfterTheResultOnlyWhenGiven) {
  const TEngineRun run = Run("Dim n As String\nn = \"unchanged\"\nPrint Lab.Lookup(2)\n"
                             "Print Lab.Lookup(4, n); \" \"; n");
  EXPECT_EQ(run.output, "4\n8 item 4\n");
}

TEST_F(CallFrame, IdWithoutAMemberDoesNothing) {
  EXPECT_EQ(Caught("Lab.Unknown"), "0: \n");
}

}  // namespace
