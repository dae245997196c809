#pragma once
// A world's bodies and constraints as a person checks them after working on them: read back from
// the document the program saved, and found on the screen.

#include <functional>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "tests/scenarios/Harness.h"

class TFormula;
class TLink;
class TWorldDoc;

namespace scenario {

// Where the spring-and-pin sample shows its objects as it opens, from the main window's corner:
// the spring's anchor at the world's origin, the box's centre 1.5 m to its right, the row they
// stand on; the top left of the world's view, where new meters and sliders go, clear of its
// ruler; and how long a slider's thumb is along its track.
namespace spring_and_pin {
constexpr int kAnchorX = 236;
constexpr int kBoxX = 682;
constexpr int kObjectsY = 130;
constexpr int kGadgetsX = 87;
constexpr int kGadgetsY = 95;
constexpr int kThumbLength = 18;
}  // namespace spring_and_pin

// Whether the formula's text is "Input[n]" for a slider n of the world; `value` is then that
// slider's value.
bool NamesSlider(TWorldDoc& world, const TFormula& formula, double& value);

// The program's classes and resources, for as long as a document is written or read here.
class ProgramUnits {
 public:
  ProgramUnits();
  ~ProgramUnits();
  ProgramUnits(const ProgramUnits&) = delete;
  ProgramUnits& operator=(const ProgramUnits&) = delete;

 private:
  TApp app_;
};

struct SavedBody {
  int id = 0;
  std::string kind;  // the class name: "TRectangle", "TOval", ...
  double x = 0.0, y = 0.0;  // the centre, in metres, y up
  double width = 0.0, height = 0.0;  // metres; a circle's diameter for both
  double mass = 0.0;  // kilograms
};

struct SavedConstraint {
  int id = 0;
  std::string kind;
  // The identifiers of the bodies its points lie on (the background's is 0), in point order.
  std::vector<int> bodies;
};

struct SavedWorld {
  std::string failure;  // why the document could not be read, or ""
  double scale = 0.0;   // pixels per metre
  std::vector<SavedBody> bodies;
  std::vector<SavedConstraint> constraints;

  std::vector<SavedBody> BodiesOfKind(const std::string& kind) const;
  std::vector<SavedConstraint> ConstraintsOfKind(const std::string& kind) const;
  // Every body and constraint on a line of its own, for failure messages.
  std::string Description() const;
};

// Reads the document at the path with the program's own classes (resources and units are
// started for the read and stopped after it).
SavedWorld ReadSavedWorld(const std::string& path);

// Shows `visit` each object of the document at the path, read with the program's own classes; a
// document that cannot be read shows none.
void ForEachSavedObject(const std::string& path, const std::function<void(TLink&)>& visit);

// The box of a one-pixel rectangle outline of the given size (either side may be one pixel more
// or less) that the picture shows, in screen pixels; an empty box when there is none or more
// than one.
Box FindOutline(const Picture& picture, int width, int height);

// Whether a pixel is drawn ink rather than paper.
bool IsDark(uint32_t pixel);

// Scenario groups that work on a private copy of a bundled sample and read back what it saves.
class SampleScenario : public Scenario {
 protected:
  // A fresh program on a copy of a bundled sample saved under `name`, so that what one scenario
  // saves never reaches another, once its splash has gone and with the pointer outside; then
  // saved at once and read back (`Opened()`), so that its scale is the one the window shows.
  ::testing::AssertionResult OpenCopy(const std::string& name,
                                      const std::string& sample = "spring-and-pin.yb");
  // Ctrl+S, then the copy as it was saved.
  SavedWorld SaveAndRead();
  const std::string& CopyPath() const { return copy_; }
  const SavedWorld& Opened() const { return opened_; }
  // A length of the opened world in screen pixels.
  int Pixels(double metres) const;
  // The outline of the opened world's only body of the kind ("TRectangle") on the screen; empty
  // when it is not shown or the world has none or several.
  Box OutlineOf(const std::string& kind) const;
  // The room at the top left of the spring-and-pin sample's view, where new meters and sliders
  // go: left of the spring's anchor and clear of the ruler.
  Box GadgetArea(int height = 100) const;

 private:
  std::string copy_;
  SavedWorld opened_;
};

}  // namespace scenario
