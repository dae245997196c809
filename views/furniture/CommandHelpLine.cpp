#include "views/furniture/CommandHelpLine.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/Handle.h"
#include "core/NumberText.h"
#include "core/PString.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Window.h"

namespace {

constexpr bool kHelpLineInWindows = true;
constexpr int16_t kTextSize = 9;

TCommandHelpLine::StatusSink& Sink() {
  static TCommandHelpLine::StatusSink sink;
  return sink;
}

// The lines that live now: the pointer's command goes to them.
std::vector<TCommandHelpLine*>& Lines() {
  static std::vector<TCommandHelpLine*> lines;
  return lines;
}

void ShowStatus(const std::string& text) {
  if (Sink()) {
    Sink()(text);
    return;
  }
  if (CFrameWnd* frame = GetMainFrame(); frame && frame->m_hWnd) frame->SetMessageText(text.c_str());
}

}  // namespace

void TCommandHelpLine::SetStatusSink(StatusSink sink) {
  Sink() = std::move(sink);
}

TCommandHelpLine* MakeCommandHelpLine() {
  if (!kHelpLineInWindows) return nullptr;
  return new TCommandHelpLine;
}

TCommandHelpLine::TCommandHelpLine() {
  if (Lines().empty()) {
    SetCommandUnderPointerWatcher(
        [](UINT command) { ShowCommandUnderPointer(static_cast<int16_t>(command)); });
  }
  Lines().push_back(this);
}

TCommandHelpLine::~TCommandHelpLine() {
  std::erase(Lines(), this);
  if (Lines().empty()) SetCommandUnderPointerWatcher(nullptr);
}

void TCommandHelpLine::ShowCommandUnderPointer(int16_t command) {
  for (TCommandHelpLine* line : std::vector<TCommandHelpLine*>(Lines()))
    if (line->IsActive()) line->ShowCommandHelp(command, true);
}

void TCommandHelpLine::Init(CDocument* document, TWrappedWindow* superview, TViewPoint location,
                            int32_t width) {
  font_ = DefaultFont();
  font_.size = kTextSize;
  FontTextMetrics(font_, metrics_);
  shownCommand_ = 0;
  text_.clear();
  InitOffScreenView(document, superview, location,
                    TViewPoint{width, GetSystemMetrics(SM_CXVSCROLL) - 1}, kRuleFollow,
                    kRuleStored, nullptr, nullptr);
}

std::string TCommandHelpLine::HelpText(int16_t command) {
  if (Handle help = GetResourceHandle(MakeTag("hCmd"), command)) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(help));
    const size_t size = GetHandleByteSize(help);
    // A text longer than its resource is read as far as the resource goes.
    const size_t length = size > 0 ? std::min<size_t>(bytes[0], size - 1) : 0;
    std::string text(reinterpret_cast<const char*>(bytes) + 1, length);
    ReleaseResourceHandle(help);
    return text;
  }
  Str255 name;
  GetCommandName(command, name);
  return std::string(reinterpret_cast<const char*>(name.Bytes() + 1), name.Length());
}

void TCommandHelpLine::SetText(const std::string& text, bool updateNow) {
  if (text != text_) {
    text_ = text.substr(0, 255);
    InvalidateAllShallow();
  }
  if (updateNow) UpdateNow();
  shownCommand_ = 0;
}

void TCommandHelpLine::ShowCommandHelp(int16_t command, bool updateNow) {
  if (command == shownCommand_) return;
  SetText(command != 0 ? HelpText(command) : std::string(), updateNow);
  shownCommand_ = command;
}

void TCommandHelpLine::Activate(bool on) {
  const bool was = IsActive();
  TOffScreenViewBase::Activate(on);
  if (was != IsActive()) InvalidateAllDeep();
  if (was && !IsActive()) SetText(std::string(), false);
}

void TCommandHelpLine::DrawBackground(const MacRect& rect) {
  PortFillRectBrush(rect, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  const TViewPoint& size = GetStoredSize();
  PortResetPen();
  PortMoveTo(0, size.v - 1);
  PortLineTo(size.h, 0);
}

void TCommandHelpLine::DrawObjects(const MacRect&) {
  const TViewPoint& size = GetStoredSize();
  SetPortBackColor(RGB16Color{0xFFFF, 0xFFFF, 0xFFFF});
  SetPortFont(&font_);
  PortMoveTo(metrics_.descent + 2, (metrics_.ascent + size.v - metrics_.descent) / 2);
  PortDrawPString(Str255(text_.c_str()));
  SelectSystemFont();
  ShowStatus(text_);
}
