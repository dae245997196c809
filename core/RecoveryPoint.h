#pragma once
// A recovery point lets a long operation continue on a fallback path after the failures it knows,
// such as running out of memory. The abandoned work unwinds as any failure does, so destructors
// of its frames run.

#include <cstdint>

#include "core/Failure.h"

// Runs body. When a QVException escapes it, recovers(error, message) decides: true runs fallback
// and the failure ends here; false passes the same failure on unchanged.
template <class Body, class Recovers, class Fallback>
void WithRecoveryPoint(Body&& body, Recovers&& recovers, Fallback&& fallback) {
  try {
    body();
    return;
  } catch (const QVException& failure) {
    if (!recovers(failure.error(), failure.message())) throw;
  }
  fallback();
}
