#include "exchange/text/WorldTextWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/Failure.h"

void EngBounds::Extend(double x, double y) {
  if (!holdsPoint) {
    top = bottom = y;
    left = right = x;
    holdsPoint = true;
    return;
  }
  if (y > top) top = y;
  if (x > right) right = x;
  if (x < left) left = x;
  if (y < bottom) bottom = y;
}

namespace {

constexpr char kHeader[] = "ZODA YB3X 4.0 \"\" \"Win\" \"\" \"\" \"\" \"\" ";

// The size a handle grows to from size so that it holds at least wanted bytes: by the growth
// step, or by half its size once that is more, so that long texts are not copied over and over.
uint64_t GrownSize(uint64_t size, uint64_t wanted) {
  while (size < wanted) size += std::max<uint64_t>(TWorldTextWriter::kGrowth, size / 2);
  if (size > UINT32_MAX) ThrowFailure(kErrOutOfMemory, 0);
  return size;
}

}  // namespace

TWorldTextWriter::TWorldTextWriter() : handle_(AllocHandle(kGrowth)), owned_(true) {}

TWorldTextWriter::TWorldTextWriter(Handle handle) : handle_(handle) {
  if (handle_ != nullptr) LockHandle(handle_);
}

TWorldTextWriter::~TWorldTextWriter() {
  if (handle_ == nullptr) return;
  UnlockHandle(handle_);
  if (owned_) FreeHandle(handle_);
}

void TWorldTextWriter::Resize(uint64_t size) {
  UnlockHandle(handle_);
  ResizeHandle(handle_, static_cast<uint32_t>(size));
  LockHandle(handle_);
}

TWorldTextWriter& TWorldTextWriter::Append(std::string_view item) {
  if (handle_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  const uint64_t end = uint64_t{cursor_} + item.size();
  const uint64_t size = GetHandleByteSize(handle_);
  // Room for the whole item, however long, before it is copied.
  if (size < end) Resize(GrownSize(size, end));
  if (!item.empty()) std::memcpy(HandleData(handle_) + cursor_, item.data(), item.size());
  cursor_ = static_cast<uint32_t>(end);
  const uint64_t now = GetHandleByteSize(handle_);
  if (now < end + kLeastFree) Resize(GrownSize(now, end + kLeastFree));
  return *this;
}

template <class... Args>
TWorldTextWriter& TWorldTextWriter::Format(const char* format, Args... args) {
  char buffer[256];
  const int length = std::snprintf(buffer, sizeof buffer, format, args...);
  if (length < 0) ThrowFailure(kErrOutOfMemory, 0);
  if (static_cast<size_t>(length) < sizeof buffer)
    return Append(std::string_view(buffer, static_cast<size_t>(length)));
  std::vector<char> whole(static_cast<size_t>(length) + 1);
  std::snprintf(whole.data(), whole.size(), format, args...);
  return Append(std::string_view(whole.data(), static_cast<size_t>(length)));
}

TWorldTextWriter& TWorldTextWriter::WriteChar(char c) { return Append(std::string_view(&c, 1)); }

TWorldTextWriter& TWorldTextWriter::WriteString(std::string_view text) { return Append(text); }

TWorldTextWriter& TWorldTextWriter::WriteQuoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return Append(quoted);
}

TWorldTextWriter& TWorldTextWriter::WriteShort(int16_t value) { return Format("%d", int{value}); }

TWorldTextWriter& TWorldTextWriter::WriteBoolean(int32_t value) {
  return Format("%d", (value & 0xFFFF) != 0 ? 1 : 0);
}

TWorldTextWriter& TWorldTextWriter::WriteLong(int32_t value) { return Format("%d", int{value}); }

TWorldTextWriter& TWorldTextWriter::WriteFloat(float value) {
  return Format("%g", static_cast<double>(value));
}

TWorldTextWriter& TWorldTextWriter::WriteDouble(double value) {
  return Format("%Lg", static_cast<long double>(value));
}

TWorldTextWriter& TWorldTextWriter::WritePoint(const MacPoint& point) {
  return Format("%d, %d;", int{point.h}, int{point.v});
}

TWorldTextWriter& TWorldTextWriter::WritePair(const EngPoint& point) {
  WriteDouble(point.x).WriteString(", ").WriteDouble(point.y);
  return WriteChar(';');
}

TWorldTextWriter& TWorldTextWriter::WriteTriple(const EngPosition& position) {
  WriteDouble(position.x).WriteString(", ").WriteDouble(position.y).WriteString(", ");
  return WriteDouble(position.angle).WriteChar(';');
}

TWorldTextWriter& TWorldTextWriter::WriteRecordLine(int32_t code, int32_t count) {
  return Format("%d; 2, %d\n", int{code}, int{count});
}

TWorldTextWriter& TWorldTextWriter::WriteNameRecord(std::string_view name) {
  WriteRecordLine(world_text::kName, 1);
  return WriteQuoted(name).WriteString("\n");
}

TWorldTextWriter& TWorldTextWriter::WriteObjectStart(int16_t identifier) {
  return Format("\n%d \"    \"\n", int{identifier});
}

TWorldTextWriter& TWorldTextWriter::WriteListEnd() { return WriteString("\n-1"); }

TWorldTextWriter& TWorldTextWriter::WriteObjectEnd() { return WriteString("\n-1\n\n"); }

TWorldTextWriter& TWorldTextWriter::WriteHeader() { return WriteString(kHeader); }

std::string_view TWorldTextWriter::Text() const {
  if (handle_ == nullptr) return {};
  return {HandleData(handle_), cursor_};
}

Handle TWorldTextWriter::Finish() {
  if (handle_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  UnlockHandle(handle_);
  ResizeHandle(handle_, cursor_);
  LockHandle(handle_);
  if (!owned_) return handle_;
  Handle copy = NewHandleFromBytes(HandleData(handle_), cursor_);
  FailIfNull(copy);
  return copy;
}

void WriteHomeView(TWorldTextWriter& writer, const EngBounds& bounds, MacPoint window) {
  EngBounds box = bounds;
  const double dx = box.Width() / 10.0;
  const double dy = box.Height() / 10.0;
  box.left -= dx;
  box.right += dx;
  box.top += dy;
  box.bottom -= dy;
  const double w = std::fabs(box.right - box.left);
  const double h = std::fabs(box.top - box.bottom);
  const double horizontal = window.h;
  const double vertical = window.v;
  // The scale at which the box fits both ways (a flat one need fit only across); the world's
  // y runs up the window, so the box's top stands half its height above the window's middle.
  const double across = w > 0.0 ? horizontal / w : HUGE_VAL;
  const double down = h > 0.0 ? vertical / h : HUGE_VAL;
  const double scale = std::min(across, down);
  const double hOffset = std::trunc(horizontal / 2) - (w / 2) * scale - box.left * scale;
  const double vOffset = -std::trunc(vertical / 2) + (h / 2) * scale - box.top * scale;
  writer.WriteObjectStart(world_text::kWorldIdentifier);
  writer.WriteString("/*  --- tagUIView ---  */\n");
  writer.WriteRecordLine(world_text::kView, 7).WriteString("0; \"Home\"; 0; ");
  writer.WriteDouble(scale).WriteString(", ").WriteDouble(hOffset).WriteString(", ");
  writer.WriteDouble(vOffset).WriteString(", 0;\n\n");
  writer.WriteObjectEnd();
}
