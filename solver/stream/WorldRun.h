#pragma once
// A world read from a stream, run frame by frame into the program's history block. The history
// block is the program's: this class reads its frame count and values per frame, writes each new
// frame into its slot and then the frame count (solver/engine/EngineEntry.h gives the layout).
// The running state is kept between calls, so a run cut into many calls (a full block, a
// progress callback that asked to stop, a warning) gives the same frames as one that was not.
// When the block holds fewer or more frames than the world has computed (the program kept only
// frame 0, or gave a block recorded earlier), the world starts again from frame 0 and computes,
// without writing, up to the block's last frame.

#include <cstdint>
#include <memory>
#include <vector>

#include "solver/dynamics/Simulation.h"
#include "solver/engine/EngineEntry.h"
#include "solver/stream/FrameLayout.h"
#include "solver/stream/StreamModel.h"

namespace yb::stream {

class WorldRun {
 public:
  explicit WorldRun(StreamModel model);

  // As run_world: answers a library code and fills the status record.
  int32_t Run(const uint8_t* inputs, int32_t inputBytes, uint8_t* history, int32_t historyBytes,
              EngineProgressCallback progress, int32_t status[kStatusWords]);
  // Drops a state that a failure left half-stepped.
  void Unlock();

  const StreamModel& Model() const { return model_; }
  // The frames computed so far (the next frame to compute).
  int32_t Frames() const { return frames_; }

 private:
  struct Layout {
    int32_t valuesPerFrame = 0;
    FrameLayout frame;
    int32_t frameCount = 0;
    int32_t mark = 0;
  };
  int32_t RunFrame(const uint8_t* inputs, int32_t inputBytes, uint8_t* history,
                   int32_t historyBytes, EngineProgressCallback progress,
                   int32_t status[kStatusWords]);
  int32_t Report(EngineProgressCallback progress, int32_t status[kStatusWords],
                 int32_t target) const;
  int32_t ReadInputs(const uint8_t* inputs, int32_t inputBytes);
  int32_t ReadLayout(uint8_t* history, int32_t historyBytes, Layout& layout) const;
  void Restart();
  // Computes the next frame (frame 0 is the starting state).
  void Advance();
  void WriteFrame(uint8_t* slot, const Layout& layout);
  // The first warning the run settings ask for that has not been answered yet.
  int32_t NextWarning(int32_t status[kStatusWords]);

  StreamModel model_;
  std::shared_ptr<InputTable> inputs_;
  std::unique_ptr<dynamics::Simulation> simulation_;
  int32_t frames_ = 0;
  bool broken_ = false;
  // Set once a thin collider was reported: the program that calls again goes on with it.
  bool allowThin_ = false;
  std::vector<std::pair<dynamics::Warning::Kind, int>> reported_;
  std::vector<double> frame_;
};

}  // namespace yb::stream
