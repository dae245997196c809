#include "solver/formula/FormulaErrors.h"

const char* FormulaErrorText(int32_t code) {
  switch (code) {
    case kFormulaOk:
      return "no error";
    case kFormulaBadCharacter:
      return "this character cannot be used in a formula";
    case kFormulaBadNumber:
      return "this number is not written correctly";
    case kFormulaUnknownName:
      return "this name is not a function, object or constant";
    case kFormulaMissingClose:
      return "a bracket or bar is not closed";
    case kFormulaExpectedOperand:
      return "a value is missing here";
    case kFormulaArgumentCount:
      return "the function is given the wrong number of arguments";
    case kFormulaTypeMismatch:
      return "a vector or object is used where it cannot be";
    case kFormulaUnknownMember:
      return "the value has no such member";
    case kFormulaTooComplex:
      return "the formula is too long or nested too deeply";
    case kFormulaUnexpectedText:
      return "there is text after the end of the formula";
    case kFormulaEmpty:
      return "the formula is empty";
    case kFormulaDivideByZero:
      return "division by zero";
    case kFormulaDomain:
      return "a function was given a value outside its domain";
    case kFormulaUnknownObject:
      return "the formula names an object the world does not hold";
    case kFormulaNoValue:
      return "the object has no such value now";
    case kFormulaOverflow:
      return "the result is too large";
    case kFormulaNoProgram:
      return "there is no compiled formula or world to evaluate it in";
    default:
      return "unknown formula error";
  }
}
