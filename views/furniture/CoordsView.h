#pragma once
// The coordinates bar of a document window: up to five cells of numbers beside the world view.
// While nothing is selected it shows where the pointer is in world units; with objects selected,
// their position fields (a body's x and y, then a shape's sizes and rotation; a point's local
// and world coordinates), merged over the selection: a field whose values differ shows a blank. A click on a cell opens a one-line edit over it; Return (or Tab, which then
// moves to the next cell, Shift-Tab to the previous) applies the typed number or formula to every
// selected object that has the field, as one undoable command.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/geometry/Vector.h"
#include "core/port/PortText.h"
#include "model/command/FormulaPropertyOp.h"
#include "platform/mfc/CEdit.h"
#include "model/world/WorldWatcher.h"
#include "platform/win32/Accelerator.h"
#include "views/furniture/CoordFields.h"
#include "views/offscreen/OffScreenViewBase.h"

class TLink;
class TWorldDoc;
class TWorldUnitHandler;
class TCoordsView;
class TCoordEditView;

// The typed value of a cell applied to the selected objects that have its field.
class TCoordChangeCommand : public TFormulaPropertyOp {
 public:
  static constexpr int16_t kCommandNumber = 10000;
  // The text read in the field's display units; answers 0 or the parse error (nothing made).
  int16_t InitCoordChange(TWorldDoc* world, uint32_t tag, const std::string& text,
                          TWorldUnitHandler* units, int32_t dimension);
  const std::string& GetText() const { return text_; }

 private:
  std::string text_;
};

// The edit over a cell: Return and Tab commit through the bar; leaving it commits too. While
// it has the focus the main frame's keys are those of the floating windows' table, so that
// editing keys reach the edit; the frame's own table comes back when it loses the focus.
class TCoordEdit : public CEdit {
 public:
  static constexpr UINT kControlId = 1387;
  explicit TCoordEdit(TCoordEditView& holder) : holder_(holder) {}
  ~TCoordEdit() override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void TakeFrameKeys();
  void GiveBackFrameKeys();

  TCoordEditView& holder_;
  bool keysTaken_ = false;
  bool hadKeys_ = false;
  std::vector<ACCEL> savedKeys_;
};

// The holder of the edit: it passes the edit's requests to the bar, one commit at a time. An
// error's alert takes the focus from the edit, and the commit that leaving the edit asks for
// must not start while the first is still reporting.
class TCoordEditView {
 public:
  static constexpr int16_t kItemNumber = 17;
  // What a commit asked for while another is under way answers.
  static constexpr int16_t kCommitBusy = 1;
  // What a commit answers when the world, showing a run, kept its value out: the edit closed.
  static constexpr int16_t kCommitRefused = 2;

  explicit TCoordEditView(TCoordsView& bar) : bar_(bar), edit_(*this) {}
  ~TCoordEditView();
  TCoordEditView(const TCoordEditView&) = delete;
  TCoordEditView& operator=(const TCoordEditView&) = delete;

  bool Create(CWnd* parent, const RECT& area);
  TCoordEdit& Edit() { return edit_; }
  TCoordsView& Bar() { return bar_; }
  // The bar's commit of the typed text: 0, a parse error, kCommitBusy or kCommitRefused.
  int16_t Commit(bool performNow);
  // Tab and Shift-Tab.
  void MoveToNextCell(bool backwards);

 private:
  TCoordsView& bar_;
  TCoordEdit edit_;
  bool committing_ = false;
};

class TCoordsView : public TOffScreenViewBase, public TWorldWatcher {
  DECLARE_CLASS_ID(374, TOffScreenViewBase)

 public:
  static constexpr int16_t kCellCount = 5;
  static constexpr int16_t kFirstCellLeft = 21;
  static constexpr int16_t kCellStep = 97;
  static constexpr int16_t kCellRight = 75;
  static constexpr int16_t kUnitWidth = 96 - 75;
  // Display modes: one angle; two lengths (the default is 4); x, y, distance and direction.
  static constexpr uint8_t kModeAngle = 2;
  static constexpr uint8_t kModePosition = 4;
  static constexpr uint8_t kModePolar = 12;

  // Where a view point of the main view is in the world.
  using PointToWorld = std::function<TVector(const MacPoint& point)>;

  TCoordsView() = default;
  ~TCoordsView() override;

  // A bar `width` wide, as high as a line of its text and 5 pixels more.
  void Init(CDocument* document, TWrappedWindow* superview, int32_t width,
            TOffScreenViewBase* master, TViewCompanion* companion, TWorldUnitHandler* units,
            TWorldDoc* world);
  void SetPointToWorld(PointToWorld convert) { pointToWorld_ = std::move(convert); }
  // The selected objects (not owned; null or empty for none).
  void SetSelection(const std::vector<TLink*>* selection);

  // Following the pointer (in world units).
  void ShowWorldPosition(const TVector& position);
  void ClearPosition() override;
  void TrackFeedback(const int32_t values[6]) override;
  void SetMode(uint8_t mode, bool positionOnly);
  // The second set of position labels.
  void SetAltLabels(bool alternate);
  // The classes that the first two cells and the last three apply to for the selection.
  int16_t ClassA() const { return classA_; }
  int16_t ClassB() const { return classB_; }

  const MacRect& CellRect(int16_t cell) const { return cells_[static_cast<size_t>(cell)]; }
  // The value text each cell showed at its last drawing (empty: none).
  const std::string& CellText(int16_t cell) const { return shown_[static_cast<size_t>(cell)]; }
  int16_t LineHeight() const { return lineHeight_; }
  // The text cut at its end until it is at most `width` pixels wide in the bar's font.
  std::string FitText(const std::string& text, int32_t width) const;

  // Editing.
  void OpenCell(int16_t cell);
  void CloseEdit();
  int16_t EditCell() const { return editCell_; }
  bool IsEditing() const { return editing_; }
  TCoordEdit* Edit() const { return editView_ ? &editView_->Edit() : nullptr; }
  // Takes the edit's text: the command goes to the application (error 0), or the error is told
  // and the text selected again. `performNow` performs the queued command at once (Tab).
  int16_t Commit(bool performNow);
  // Tab: commit and go to the next (or previous) cell that the selection can edit.
  void MoveToNextCell(bool backwards);
  // A drag starts afresh: the edit closes and the first cell is the one to edit next.
  void ResetDragOrigin();
  // A key typed into the bar with no cell open opens the cell and goes to its edit.
  TCommandCore* DoKeyCommand(int16_t character, int32_t keyData, TEventRecord* event) override;

  void DrawBackground(const MacRect& rect) override;
  void DrawObjects(const MacRect& rect) override;
  TCommandCore* DoMouseCommand(const MacPoint& point, TMouseEvent* event, int32_t hint) override;
  // Keeps to the bottom of the window as it grows or shrinks.
  void SuperviewResized(const TViewPoint& change, bool invalidate) override;

  // The world's notices: values, selection and objects redraw the cells.
  void WorldContentsChanged() override;
  void WorldSelectionChanged() override;
  void WorldObjectsChanged() override;
  void WorldGone() override;

 private:
  using TField = TMergedCoordField;
  // The field of a cell merged over the objects it applies to; not present when none has it.
  TField FetchField(int16_t cell) const;
  std::string FieldText(const TField& field) const;
  // The objects of the cell whose field is set through the tag.
  std::vector<TLink*> CellTargets(int16_t cell, uint32_t tag) const;
  bool HasSelection() const { return selection_ != nullptr && !selection_->empty(); }
  void UpdateClasses();
  std::string Format(int32_t dimension, double value) const;
  std::string Label(int16_t number) const;
  std::string UnitName(int32_t dimension) const;
  void DrawValue(int16_t cell, const std::string& text);
  // The label's text when it has one, else its picture; then the unit's name.
  void DrawLabel(int16_t cell, int16_t label, const std::string& text, int32_t dimension);
  void DrawLabelPicture(int16_t cell, int16_t label);
  int16_t CellAt(const MacPoint& point) const;
  void PlaceEdit(int16_t cell);

  TWorldUnitHandler* units_ = nullptr;
  TWorldDoc* world_ = nullptr;
  const std::vector<TLink*>* selection_ = nullptr;
  PointToWorld pointToWorld_;
  bool positionCleared_ = true;
  bool positionOnly_ = false;
  bool altLabels_ = false;
  int16_t classA_ = 0;
  int16_t classB_ = 0;
  uint8_t mode_ = kModePosition;
  TVector position_;
  MacRect cells_[kCellCount];
  std::string shown_[kCellCount];
  FontSpec font_;
  int16_t lineHeight_ = 12;
  friend class TCoordEditView;
  // The commit itself, which the edit's holder guards. While the world runs or shows a later
  // frame a position that the solver is handed is not typed over the run: the world's edit check
  // asks first and the edit closes without its value.
  int16_t CommitText(bool performNow);
  // The edit check for the cell's objects: true when the value may go ahead.
  bool MayEditOverRun(const std::vector<TLink*>& targets);
  void MoveToCell(bool backwards);

  std::unique_ptr<TCoordEditView> editView_;
  int16_t editCell_ = 0;
  bool editing_ = false;
};
