#pragma once
// The formula compiler: text -> syntax tree -> checked stack program. Used through
// parse_equation (FormulaProgram.h).

#include <cstdint>
#include <string_view>
#include <vector>

#include "solver/formula/FormulaLexer.h"
#include "solver/formula/FormulaProgram.h"

class FormulaCompiler {
 public:
  FormulaCompiler(std::string_view text, FormulaProgram& program);

  // Answers 0, or a compiler code with the offset of the fault in position.
  int32_t Compile(int32_t& position);

 private:
  enum class Type : uint8_t { kScalar, kVector, kObject };
  enum class Kind : uint8_t {
    kNumber,
    kNegate,
    kNot,
    kBinary,
    kCompare,
    kAnd,
    kOr,
    kMagnitude,
    kCall,
    kObject,
    kInput,
    kMember,
    kTime,
  };
  struct Node {
    Kind kind = Kind::kNumber;
    int32_t position = 0;
    double value = 0.0;
    FormulaToken op = FormulaToken::kEnd;  // kBinary, kCompare
    int32_t a = -1;                        // first child, or the object / input number
    int32_t b = -1;                        // second child
    int32_t first = 0;                     // kCall: arguments in args_[first, first + count)
    int32_t count = 0;
    int32_t function = -1;  // kCall: index in the function table
    std::string_view name;  // kMember: the member's name
  };

  // Parsing; each answers the node index, or -1 after setting the error.
  bool Advance();
  int32_t Fail(int32_t code, int32_t position);
  bool Refuse(int32_t code, int32_t position);
  int32_t AddNode(const Node& node);
  int32_t AddNode(Kind kind, int32_t position, int32_t a = -1, int32_t b = -1,
                  FormulaToken op = FormulaToken::kEnd, double value = 0.0,
                  std::string_view name = {});
  int32_t ParseExpression();
  int32_t ParseOr();
  int32_t ParseAnd();
  int32_t ParseNot();
  int32_t ParseCompare();
  int32_t ParseSum();
  int32_t ParseProduct();
  int32_t ParseUnary();
  int32_t ParsePower();
  int32_t ParsePostfix();
  int32_t ParsePrimary();
  int32_t ParseName();
  int32_t ParseCall(std::string_view name, int32_t position);
  int32_t ParseIndexed(std::string_view name, int32_t position);
  bool Expect(FormulaToken token, int32_t code);

  // Emitting; each answers false after setting the error.
  bool Emit(int32_t node, Type& type);
  bool EmitScalar(int32_t node);
  bool RefuseObject(int32_t node);
  bool EmitBinary(const Node& node, Type& type);
  void EmitNegation(Type type);
  bool EmitCall(const Node& node, Type& type);
  bool EmitMember(const Node& node, Type& type);
  bool ObjectArgument(int32_t node, int32_t& object);
  void Push(FormulaOp op, int32_t slotsChange, int32_t a = 0, uint8_t sub = 0, int16_t b = -1,
            double value = 0.0);
  bool FoldConstants(int32_t count);
  bool FuseConstant(int32_t leftStart, int32_t rightStart);
  int32_t Here() const { return static_cast<int32_t>(program_.code_.size()); }
  void PlaceLabel(int32_t jumpAt);

  FormulaLexer lexer_;
  FormulaProgram& program_;
  std::vector<Node> nodes_;
  std::vector<int32_t> args_;
  int32_t errorCode_ = 0;
  int32_t errorPosition_ = 0;
  int32_t nesting_ = 0;
  int32_t depth_ = 0;
  int32_t foldBarrier_ = 0;
};
