#pragma once
// The outermost-dispatch rule of the failure road. Commands may perform other commands (a script
// call, a modal loop pumping messages); only the outermost level reports a failure, once, and
// then the menus are set up again. Inner levels pass the failure on unchanged.

#include <cstdint>

#include "core/Failure.h"
#include "core/MenuSetup.h"

// Shows a failure to the user; the application implements it.
class TFailureReporter {
 public:
  // error is never 0 when called through TCommandNesting.
  virtual void ShowError(int16_t error, int32_t message) = 0;

 protected:
  ~TFailureReporter() = default;
};

class TCommandNesting {
 public:
  explicit TCommandNesting(TFailureReporter& reporter) : reporter_(reporter) {}
  TCommandNesting(const TCommandNesting&) = delete;
  TCommandNesting& operator=(const TCommandNesting&) = delete;

  // Performs command one level deeper. A QVException that escapes at the outermost level is
  // shown (unless its error is 0, the silent abort), the menus are marked for set-up and the
  // failure ends here; at inner levels it is raised again unchanged. Any other exception passes
  // on at every level. Answers false when a failure ended here, so that a caller that must know
  // (a script waiting for its run) is told even after the alert.
  template <class Command>
  bool Perform(Command&& command) {
    ++depth_;
    try {
      command();
    } catch (const QVException& failure) {
      --depth_;
      if (depth_ != 0) throw;
      if (failure.error() != kErrNone) reporter_.ShowError(failure.error(), failure.message());
      InvalidateMenuSetup();
      return false;
    } catch (...) {
      --depth_;
      throw;
    }
    --depth_;
    return true;
  }

  // How many commands are being performed now.
  int Depth() const { return depth_; }

 private:
  TFailureReporter& reporter_;
  int depth_ = 0;
};
