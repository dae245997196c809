#include "app/TApp.h"

#include <cinttypes>

#include "core/Handle.h"

void TApp::InitUnits() { InitHandlePool(); }

void TApp::TermUnits() { FreeHandlePool(); }

void TApp::ShowError(int16_t error, int32_t message) {
  if (error == kErrNone) return;
  std::fprintf(errorStream_, "Yarrowby: error %" PRId16 " (message %08" PRIX32 ")\n", error,
               static_cast<uint32_t>(message));
  std::fflush(errorStream_);
}
