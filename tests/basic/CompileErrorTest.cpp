// Compile errors name the line and column of the fault with a message a user can act on, and
// leave no code behind.

#include <gtest/gtest.h>

#include <string>

#include "basic/ScriptApi.h"

namespace {

struct Fault {
  const char* text;
  int32_t line;
  int32_t column;
  const char* message;
};

TEST(BasicCompileErrors, PlaceAndMessage) {
  const Fault faults[] = {
      {"Sub Main()\n  x = 1 +\nEnd Sub", 2, 10, "Expected an expression"},
      {"Sub Main()\n  Print \"open\nEnd Sub", 2, 9, "Unterminated string"},
      {"Sub Main()\n  If 1 Then\n    Print 2\nEnd Sub", 4, 1, "a block is not closed"},
      {"Sub Main()\n  For i = 1 To 2\n  Next j\nEnd Sub", 3, 8, "another loop variable"},
      {"Option Explicit\nSub Main()\n  y = 3\nEnd Sub", 3, 3, "Variable 'y' is not declared"},
      {"Sub Main()\n  Nowhere 1, 2\nEnd Sub", 2, 3, "'Nowhere' is not defined"},
      {"Sub Main()\n  Dim a As Widget\nEnd Sub", 2, 7, "Unknown type 'Widget'"},
      {"Sub Main()\n  Exit For\nEnd Sub", 2, 3, "outside a for loop"},
      {"Sub Main()\n  GoTo Missing\nEnd Sub", 2, 3, "Label 'missing' is not defined"},
      {"Const A = 1\nSub Main()\n  A = 2\nEnd Sub", 3, 3, "Cannot assign to constant"},
      {"Sub Main()\n  x = 2 @ 3\nEnd Sub", 2, 9, "Unexpected character '@'"},
      {"Sub Main()\nEnd Sub\nSub main()\nEnd Sub", 3, 5, "'main' is already defined"},
      {"Sub Main()\n  Print Len(1, 2)\nEnd Sub", 2, 9, "Wrong number of arguments for 'Len'"},
      {"Sub F(a, b)\nEnd Sub\nSub Main()\n  F 1\nEnd Sub", 4, 3, "Argument 'b' of 'F' is not optional"},
      {"Dim a(1E+12)\nSub Main()\nEnd Sub", 1, 5, "'a': Overflow"},
      {"Dim a(100000, 100000)\nSub Main()\nEnd Sub", 1, 5, "Array 'a' is too large"},
      {"Const Small As Integer = 40000\nSub Main()\nEnd Sub", 1, 7, "'Small': Overflow"},
      {"Sub Main()\n  Dim o As Object\n  o.Go 1,2,3,4,5,6,7,8,9,10,1,2,3,4,5,6,7,8,9,20,1,2,3,4,5,6,7,8,9,30,1\nEnd Sub",
       3, 4, "at most 30 arguments"},
  };
  const std::string deep = "Sub Main()\n  x = " + std::string(300, '(') + "1" + std::string(300, ')') + "\nEnd Sub";
  const std::string long_chain = "Sub Main()\n  x = 1" + [] {
    std::string s;
    for (int i = 0; i < 3000; ++i) s += " + 1";
    return s;
  }() + "\nEnd Sub";
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.text);
    ScriptCompileRequest request;
    request.text = fault.text;
    request.engine = engine;
    EXPECT_EQ(ScriptCompile(&request), kScriptSyntaxError);
    EXPECT_EQ(request.code, nullptr);
    EXPECT_EQ(request.errorLine, fault.line);
    EXPECT_EQ(request.errorColumn, fault.column);
    EXPECT_NE(request.errorMessage.find(fault.message), std::string::npos) << request.errorMessage;
  }
  // Texts nested or chained past what the compiler takes are refused, not a crash.
  for (const std::string* text : {&deep, &long_chain}) {
    ScriptCompileRequest request;
    request.text = text->c_str();
    request.engine = engine;
    EXPECT_EQ(ScriptCompile(&request), kScriptSyntaxError);
    EXPECT_EQ(request.errorLine, 2);
  }
  ScriptEndEngine(engine);
}

// The engine shows a compile error through the program's output callback as well.
TEST(BasicCompileErrors, ShownThroughTheOutputCallback) {
  static std::string shown;
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptControl(engine, kScriptSetOutput, 0,
                reinterpret_cast<void*>(+[](ScriptRunContext*, int32_t kind, const char* text) {
                  if (kind == kScriptShowCompileError) shown = text;
                  return 0;
                }));
  ScriptCompileRequest request;
  request.text = "Sub Main()\n  Loop\nEnd Sub\n";
  request.engine = engine;
  ScriptCompile(&request);
  EXPECT_EQ(shown, "Compile error at line 2, column 3: Unexpected 'Loop'");
  ScriptEndEngine(engine);
}

}  // namespace
