#include "views/furniture/CoordsView.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bodies/BodyTags.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Bitmap.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/PString.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "model/Link.h"
#include "model/command/CommandHandler.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr int16_t kTextStyleResource = 3141;
constexpr int16_t kMostDigits = 3;
// Labels: a field's own, then the position's (angle; distance and direction; x and y), each
// with a second set 1 or 2 further on.
constexpr int16_t kLabelField = 140;
constexpr int16_t kLabelAngle = 141;
constexpr int16_t kLabelDistance = 142;
constexpr int16_t kLabelDirection = 143;
constexpr int16_t kLabelX = 146;
constexpr int16_t kLabelY = 147;
constexpr int16_t kAltDistanceShift = 2;
constexpr int16_t kAltXYShift = 2;
// The main frame's keys while a cell is edited.
constexpr char kFloaterKeys[] = "FLOATER";
// The bar asks the world for the selection tool when a cell opens.
// The bar's text style, from its "info" setting.
FontSpec InfoFont() { return FontOfStyleResource(MakeTag("info"), kTextStyleResource); }

std::string Text(const Str255& text) {
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

bool Contains(const MacRect& rect, const MacPoint& point) {
  return point.h >= rect.left && point.h < rect.right && point.v >= rect.top &&
         point.v < rect.bottom;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The change command

int16_t TCoordChangeCommand::InitCoordChange(TWorldDoc* world, uint32_t tag,
                                             const std::string& text, TWorldUnitHandler* units,
                                             int32_t dimension) {
  TFormula formula;
  int16_t error = 0;
  try {
    error = formula.SetFormattedText(Str255(text.c_str()), units, dimension);
  } catch (const QVException& failure) {
    // A text that can never be a quantity is refused like one that does not parse.
    error = failure.error() != 0 ? failure.error() : -1;
  }
  if (error != 0) return error;
  text_ = text;
  InitValue(kCommandNumber, world, 1, tag, &formula);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// The edit

TCoordEdit::~TCoordEdit() {
  GiveBackFrameKeys();
}

void TCoordEdit::TakeFrameKeys() {
  CFrameWnd* frame = GetMainFrame();
  if (!frame) return;
  if (!keysTaken_) {
    savedKeys_.clear();
    hadKeys_ = frame->GetDefaultAccelerator() != nullptr;
    if (hadKeys_) {
      const int32_t count = CopyAcceleratorTable(frame->GetDefaultAccelerator(), nullptr, 0);
      savedKeys_.resize(static_cast<size_t>(std::max(count, 0)));
      CopyAcceleratorTable(frame->GetDefaultAccelerator(), savedKeys_.data(), count);
    }
    keysTaken_ = true;
  }
  const HMODULE module = FindResourceModule(kFloaterKeys, RT_ACCELERATOR);
  frame->SetAccelerators(module ? LoadAccelerators(module, kFloaterKeys) : nullptr);
}

void TCoordEdit::GiveBackFrameKeys() {
  if (!keysTaken_) return;
  keysTaken_ = false;
  CFrameWnd* frame = GetMainFrame();
  if (!frame) return;
  frame->SetAccelerators(
      hadKeys_ ? CreateAcceleratorTable(savedKeys_.data(), static_cast<int32_t>(savedKeys_.size()))
               : nullptr);
}

BOOL TCoordEdit::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_TAB)) {
    // The key's character message would reach the edit as text: it goes.
    MSG pending;
    while (PeekMessage(&pending, m_hWnd, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
    if (wParam == VK_TAB)
      holder_.MoveToNextCell((GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0);
    else if (holder_.Commit(false) == 0)
      holder_.Bar().CloseEdit();
    if (result) *result = 0;
    return TRUE;
  }
  if (message == WM_CHAR && (wParam == '\r' || wParam == '\t')) {
    if (result) *result = 0;
    return TRUE;
  }
  if (message == WM_SETFOCUS) TakeFrameKeys();
  if (message == WM_KILLFOCUS) GiveBackFrameKeys();
  // Leaving the field takes its value; a refused one brings the focus back. A field that goes
  // with its window (hidden first) takes nothing and reports nothing.
  if (message == WM_KILLFOCUS && holder_.Bar().IsEditing() &&
      ::IsWindowVisible(m_hWnd)) {
    if (holder_.Commit(false) == 0) holder_.Bar().CloseEdit();
  }
  return CEdit::OnWndMsg(message, wParam, lParam, result);
}

// ---------------------------------------------------------------------------------------------
// The edit's holder

TCoordEditView::~TCoordEditView() {
  if (edit_.m_hWnd) edit_.DestroyWindow();
}

bool TCoordEditView::Create(CWnd* parent, const RECT& area) {
  return parent && edit_.Create(WS_CHILD | WS_BORDER | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL,
                                area, parent, TCoordEdit::kControlId);
}

int16_t TCoordEditView::Commit(bool performNow) {
  if (committing_) return kCommitBusy;
  committing_ = true;
  int16_t error = 0;
  try {
    error = bar_.CommitText(performNow);
  } catch (...) {
    committing_ = false;
    throw;
  }
  committing_ = false;
  return error;
}

void TCoordEditView::MoveToNextCell(bool backwards) {
  if (Commit(true) != 0) return;
  bar_.MoveToCell(backwards);
}

// ---------------------------------------------------------------------------------------------
// The bar

TCoordsView::~TCoordsView() {
  if (world_) world_->RemoveWatcher(this);
  // The edit goes without committing: the bar is going with the window.
  editing_ = false;
  editView_.reset();
}

void TCoordsView::Init(CDocument* document, TWrappedWindow* superview, int32_t width,
                       TOffScreenViewBase* master, TViewCompanion* companion,
                       TWorldUnitHandler* units, TWorldDoc* world) {
  units_ = units;
  world_ = world;
  if (world_) world_->AddWatcher(this);
  font_ = InfoFont();
  FontInfoRec metrics;
  FontTextMetrics(font_, metrics);
  lineHeight_ = static_cast<int16_t>(metrics.ascent + metrics.descent + metrics.leading + 3);
  for (int16_t i = 0; i < kCellCount; ++i) {
    const auto left = static_cast<int16_t>(kFirstCellLeft + i * kCellStep);
    cells_[i] = MacRect(left, 3, static_cast<int16_t>(kCellRight + i * kCellStep),
                        static_cast<int16_t>(lineHeight_ + 2));
  }
  InitOffScreenView(document, superview, TViewPoint{0, 0}, TViewPoint{width, lineHeight_ + 5},
                    kRuleFollow, kRuleStored, master, companion);
}

void TCoordsView::SetSelection(const std::vector<TLink*>* selection) {
  selection_ = selection;
  UpdateClasses();
  if (editing_) CloseEdit();
  InvalidateAllShallow();
}

void TCoordsView::ShowWorldPosition(const TVector& position) {
  if (editing_) return;
  if (!positionCleared_ && position.x == position_.x && position.y == position_.y) return;
  position_ = position;
  positionCleared_ = false;
  InvalidateAllShallow();
}

void TCoordsView::ClearPosition() {
  TOffScreenViewBase::ClearPosition();
  if (editing_) return;
  if (!positionCleared_) InvalidateAllShallow();
  positionCleared_ = true;
}

void TCoordsView::TrackFeedback(const int32_t values[6]) {
  TOffScreenViewBase::TrackFeedback(values);
  mode_ = kModePosition;
  positionOnly_ = false;
  if (values[5] == 0 || !pointToWorld_) {
    ClearPosition();
    return;
  }
  const MacPoint point(static_cast<int16_t>(values[1] >> 16),
                       static_cast<int16_t>(values[1] & 0xFFFF));
  ShowWorldPosition(pointToWorld_(point));
}

void TCoordsView::SetAltLabels(bool alternate) {
  if (alternate == altLabels_) return;
  altLabels_ = alternate;
  InvalidateAllShallow();
}

void TCoordsView::UpdateClasses() {
  classA_ = 0;
  classB_ = 0;
  if (!HasSelection()) return;
  // A missing table leaves its cells empty.
  classA_ = CoordClassOfTable(LoadCoordClassTable(kCoordClassTableA), *selection_);
  classB_ = CoordClassOfTable(LoadCoordClassTable(kCoordClassTableB), *selection_);
}

void TCoordsView::SetMode(uint8_t mode, bool positionOnly) {
  if (mode == mode_ && positionOnly == positionOnly_) return;
  mode_ = mode;
  positionOnly_ = positionOnly;
  InvalidateAllShallow();
}

std::string TCoordsView::FitText(const std::string& text, int32_t width) const {
  std::string fitted = text;
  SetPortFont(&font_);
  while (!fitted.empty() && PortStringWidth(Str255(fitted.c_str())) > width) fitted.pop_back();
  SelectSystemFont();
  return fitted;
}

std::string TCoordsView::Format(int32_t dimension, double value) const {
  if (!units_) return {};
  Str255 text;
  units_->GetFormattedValue(dimension, 0, std::min<int16_t>(units_->GetDigits(), kMostDigits),
                            value, text);
  return Text(text);
}

std::string TCoordsView::Label(int16_t number) const {
  char text[64] = {};
  const int length = LoadString(nullptr, static_cast<UINT>(number), text, sizeof text);
  return std::string(text, static_cast<size_t>(std::max(length, 0)));
}

std::string TCoordsView::UnitName(int32_t dimension) const {
  if (!units_) return {};
  Str255 name;
  units_->GetUnitName(dimension, name);
  return Text(name);
}

TCoordsView::TField TCoordsView::FetchField(int16_t cell) const {
  if (cell < 0 || cell >= kCellCount || !HasSelection()) return TField();
  return MergeCoordField(static_cast<int16_t>(kFirstCoordFieldCode + cell),
                         CoordCellObjects(cell, *selection_, classA_, classB_));
}

std::vector<TLink*> TCoordsView::CellTargets(int16_t cell, uint32_t tag) const {
  std::vector<TLink*> targets;
  if (!HasSelection()) return targets;
  const auto code = static_cast<int16_t>(kFirstCoordFieldCode + cell);
  for (TLink* object : CoordCellObjects(cell, *selection_, classA_, classB_)) {
    TPositionField field;
    uint32_t objectTag = 0;
    if (QueryCoordField(*object, code, field, objectTag) && objectTag == tag)
      targets.push_back(object);
  }
  return targets;
}

std::string TCoordsView::FieldText(const TField& field) const {
  if (!field.present) return {};
  if (field.mixed) return " ";
  if (!field.formula.empty()) return field.formula;
  return Format(field.unitKind, field.value);
}

void TCoordsView::DrawValue(int16_t cell, const std::string& text) {
  const MacRect& rect = cells_[cell];
  const std::string fitted = FitText(text, rect.right - rect.left - 4);
  shown_[cell] = fitted;
  const int32_t d = rect.bottom - lineHeight_ + 6;
  SetPortFont(&font_);
  PortMoveTo(rect.left + 1, rect.bottom - d / 2);
  PortDrawPString(Str255(fitted.c_str()));
  SelectSystemFont();
}

void TCoordsView::DrawLabel(int16_t cell, int16_t label, const std::string& text,
                            int32_t dimension) {
  const MacRect& rect = cells_[cell];
  const int32_t d = rect.bottom - lineHeight_ + 6;
  const int32_t baseline = rect.bottom - (d + 1) / 2;
  if (text.empty()) {
    DrawLabelPicture(cell, label);
  } else {
    SetPortFont(&font_);
    const Str255 shown(text.c_str());
    PortMoveTo(rect.left - 2 - PortStringWidth(shown), baseline);
    PortDrawPString(shown);
    SelectSystemFont();
  }
  const std::string unit = FitText(UnitName(dimension), kUnitWidth);
  SetPortFont(&font_);
  PortMoveTo(rect.right + 1, baseline);
  PortDrawPString(Str255(unit.c_str()));
  SelectSystemFont();
}

void TCoordsView::DrawLabelPicture(int16_t cell, int16_t label) {
  const HBITMAP picture = LoadBitmap(nullptr, MAKEINTRESOURCEA(static_cast<uint16_t>(label)));
  if (!picture) return;
  BITMAP info{};
  if (GetObject(picture, sizeof info, &info) != 0) {
    const MacRect& rect = cells_[cell];
    const auto width = static_cast<int16_t>(info.bmWidth);
    const auto height = static_cast<int16_t>(info.bmHeight);
    const auto top = static_cast<int16_t>(rect.top + (rect.bottom - rect.top - height) / 2);
    const auto left = static_cast<int16_t>(rect.left - 2 - width);
    PortCopyBitmap(picture, MacRect(0, 0, width, height),
                   MacRect(left, top, static_cast<int16_t>(left + width),
                           static_cast<int16_t>(top + height)),
                   SRCCOPY);
  }
  DeleteObject(picture);
}

void TCoordsView::DrawBackground(const MacRect& rect) {
  PortFillRectWithPattern(rect, 5);
  const TViewPoint& size = GetStoredSize();
  PortResetPen();
  PortMoveTo(0, 0);
  PortLineTo(size.h, 0);
  for (const MacRect& cell : cells_) {
    MacRect frame = cell;
    MacRectInset(frame, -1, -1);
    PortFillRectWithPattern(frame, 3);
  }
}

void TCoordsView::DrawObjects(const MacRect&) {
  for (std::string& text : shown_) text.clear();
  if (!units_) return;
  if (HasSelection() && !positionOnly_) {
    int16_t drawn = 0;
    for (int16_t cell = 0; cell < kCellCount; ++cell) {
      const TField field = FetchField(cell);
      if (!field.present) break;
      DrawValue(cell, FieldText(field));
      DrawLabel(cell, kLabelField, field.label, field.unitKind);
      ++drawn;
    }
    if (drawn > 0) return;
  }
  if (positionCleared_) return;
  const int16_t shift = altLabels_ ? kAltXYShift : 0;
  if (mode_ == kModeAngle) {
    // The angle's second label comes before its first.
    const int16_t label = altLabels_ ? kLabelField : kLabelAngle;
    DrawValue(0, Format(body_tags::kDimAngle, position_.x));
    DrawLabel(0, label, Label(label), body_tags::kDimAngle);
    return;
  }
  DrawValue(0, Format(body_tags::kDimLength, position_.x));
  DrawValue(1, Format(body_tags::kDimLength, position_.y));
  DrawLabel(0, kLabelX + shift, Label(kLabelX + shift), body_tags::kDimLength);
  DrawLabel(1, kLabelY + shift, Label(kLabelY + shift), body_tags::kDimLength);
  if (mode_ != kModePolar) return;
  const int16_t polarShift = altLabels_ ? kAltDistanceShift : 0;
  DrawValue(2, Format(body_tags::kDimLength, std::hypot(position_.x, position_.y)));
  DrawValue(3, Format(body_tags::kDimAngle, std::atan2(position_.y, position_.x)));
  DrawLabel(2, kLabelDistance + polarShift, Label(kLabelDistance + polarShift),
            body_tags::kDimLength);
  DrawLabel(3, kLabelDirection + polarShift, Label(kLabelDirection + polarShift),
            body_tags::kDimAngle);
}

int16_t TCoordsView::CellAt(const MacPoint& point) const {
  for (int16_t cell = 0; cell < kCellCount; ++cell)
    if (Contains(cells_[cell], point)) return cell;
  return -1;
}

void TCoordsView::SuperviewResized(const TViewPoint& change, bool invalidate) {
  TOffScreenViewBase::SuperviewResized(change, invalidate);
  // Below the world display, which grows by as much as the window.
  if (change.v != 0) OffsetBy(0, change.v, invalidate);
}

TCommandCore* TCoordsView::DoMouseCommand(const MacPoint& point, TMouseEvent*, int32_t) {
  const int16_t cell = CellAt(point);
  if (cell < 0) {
    if (editing_ && Commit(false) == 0) CloseEdit();
    return nullptr;
  }
  if (!editing_ || cell != editCell_) OpenCell(cell);
  return nullptr;
}

void TCoordsView::PlaceEdit(int16_t cell) {
  const MacRect& rect = cells_[cell];
  const RECT area{rect.left - 1, rect.top - 1, rect.right + 1, rect.bottom + 1};
  if (!editView_) {
    auto holder = std::make_unique<TCoordEditView>(*this);
    if (!holder->Create(CWnd::FromHandle(GetWindowHandle()), area)) return;
    editView_ = std::move(holder);
  } else {
    editView_->Edit().MoveWindow(area.left, area.top, area.right - area.left,
                                 area.bottom - area.top);
  }
  editCell_ = cell;
}

void TCoordsView::OpenCell(int16_t cell) {
  if (world_) world_->SetMode(TWorldBase::kSelectionTool, 0);
  const TField field = FetchField(cell);
  // Only the selection's fields can be typed.
  if (!field.present) return;
  if (editing_ && Commit(false) != 0) return;
  PlaceEdit(cell);
  TCoordEdit* edit = Edit();
  if (!edit) return;
  editing_ = true;
  edit->SetWindowText(field.mixed ? "" : FieldText(field).c_str());
  edit->ShowWindow(SW_SHOW);
  if (::GetFocus() != edit->m_hWnd) ::SetFocus(edit->m_hWnd);
  edit->SetSel(0, -1);
}

void TCoordsView::CloseEdit() {
  editing_ = false;
  if (TCoordEdit* edit = Edit(); edit && edit->m_hWnd) edit->ShowWindow(SW_HIDE);
  editCell_ = 0;
  InvalidateAllShallow();
}

int16_t TCoordsView::Commit(bool performNow) {
  return editView_ ? editView_->Commit(performNow) : 0;
}

int16_t TCoordsView::CommitText(bool performNow) {
  TCoordEdit* edit = Edit();
  if (!editing_ || !edit) return 0;
  const TField field = FetchField(editCell_);
  if (!field.present) return 0;
  const std::string text = edit->GetWindowText();
  // An untouched blank over mixed values changes nothing.
  if (text.empty() && field.mixed) return 0;
  auto command = std::make_unique<TCoordChangeCommand>();
  const int16_t error = command->InitCoordChange(world_, field.tag, text, units_, field.unitKind);
  if (error != 0) {
    if (world_) world_->Host().ShowError(error, 0);
    // The edit stays open with its text selected, ready to be put right.
    if (editing_ && edit->m_hWnd && ::GetFocus() != edit->m_hWnd) ::SetFocus(edit->m_hWnd);
    edit->SetSel(0, -1);
    return error;
  }
  const std::vector<TLink*> targets = CellTargets(editCell_, field.tag);
  if (!MayEditOverRun(targets)) {
    CloseEdit();
    return TCoordEditView::kCommitRefused;
  }
  for (TLink* object : targets) command->AddTarget(object);
  TCommandHandler* application = TCommandHandler::Application();
  if (!application) return 0;
  if (performNow)
    application->PerformCommand(command.release());
  else
    application->PostCommand(command.release());
  return 0;
}

bool TCoordsView::MayEditOverRun(const std::vector<TLink*>& targets) {
  if (!world_ || std::none_of(targets.begin(), targets.end(), [this](const TLink* object) {
        return SolverTakes(*world_, object);
      }))
    return true;
  try {
    RefuseEditOfRun(*world_);
  } catch (const QVException& failure) {
    if (failure.error() != kErrNone) throw;
    return false;
  }
  return true;
}

void TCoordsView::MoveToNextCell(bool backwards) {
  if (editView_) editView_->MoveToNextCell(backwards);
}

void TCoordsView::MoveToCell(bool backwards) {
  const int16_t step = backwards ? kCellCount - 1 : 1;
  int16_t cell = editCell_;
  for (int16_t tried = 0; tried < kCellCount; ++tried) {
    cell = static_cast<int16_t>((cell + step) % kCellCount);
    if (FetchField(cell).present) {
      editing_ = false;
      OpenCell(cell);
      return;
    }
  }
}

void TCoordsView::WorldContentsChanged() {
  InvalidateAllShallow();
}

void TCoordsView::WorldSelectionChanged() {
  UpdateClasses();
  if (editing_) CloseEdit();
  InvalidateAllShallow();
}

void TCoordsView::WorldObjectsChanged() {
  InvalidateAllShallow();
}

void TCoordsView::WorldGone() {
  world_ = nullptr;
  selection_ = nullptr;
}

void TCoordsView::ResetDragOrigin() {
  if (!editing_) return;
  CloseEdit();
  editCell_ = 0;
}

TCommandCore* TCoordsView::DoKeyCommand(int16_t character, int32_t keyData, TEventRecord* event) {
  if (editing_ || character == '\t')
    return TOffScreenViewBase::DoKeyCommand(character, keyData, event);
  OpenCell(editCell_);
  if (!editing_ || !Edit()) return TOffScreenViewBase::DoKeyCommand(character, keyData, event);
  ::SendMessage(Edit()->m_hWnd, WM_CHAR, static_cast<WPARAM>(static_cast<uint8_t>(character)), 0);
  return nullptr;
}
