#pragma once
// The base of the framework's exceptions. Exceptions are thrown and caught by value here: a
// handler that only cleans up rethrows with "throw;", and nothing has to be deleted by hand.

#include "platform/mfc/CObject.h"

class CException : public CObject {
  DECLARE_DYNAMIC(CException)

 public:
  CException() = default;
  CException(const CException&) = default;
  CException& operator=(const CException&) = default;
};
