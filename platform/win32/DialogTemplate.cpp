#include "platform/win32/DialogTemplate.h"

#include "platform/win32/Dialog.h"
#include "platform/win32/ResourceText.h"
#include "platform/win32/WindowMessages.h"

namespace {

// Reads a template, every item checked against its size.
class TemplateReader {
 public:
  TemplateReader(const uint8_t* bytes, uint32_t size) : bytes_(bytes), size_(size) {}

  std::optional<uint16_t> Word() {
    if (size_ - position_ < 2) return std::nullopt;
    const uint16_t value = static_cast<uint16_t>(bytes_[position_] | bytes_[position_ + 1] << 8);
    position_ += 2;
    return value;
  }
  std::optional<uint32_t> Long() {
    const auto low = Word();
    const auto high = Word();
    if (!low || !high) return std::nullopt;
    return static_cast<uint32_t>(*low) | static_cast<uint32_t>(*high) << 16;
  }
  std::optional<int16_t> Short() {
    const auto word = Word();
    if (!word) return std::nullopt;
    return static_cast<int16_t>(*word);
  }
  // A NUL-terminated UTF-16 text, as the program's single-byte characters.
  std::optional<std::string> Text() {
    std::string text;
    for (;;) {
      const auto unit = Word();
      if (!unit) return std::nullopt;
      if (*unit == 0) return text;
      uint8_t byte = '?';
      if (!ResourceCharFromUnicode(*unit, byte)) byte = '?';
      text.push_back(static_cast<char>(byte));
    }
  }
  std::optional<NameField> Name() {
    const auto first = Word();
    if (!first) return std::nullopt;
    NameField field;
    if (*first == 0) return field;
    if (*first == 0xFFFF) {
      const auto ordinal = Word();
      if (!ordinal) return std::nullopt;
      field.isOrdinal = true;
      field.ordinal = *ordinal;
      return field;
    }
    position_ -= 2;
    auto text = Text();
    if (!text) return std::nullopt;
    field.text = std::move(*text);
    return field;
  }
  bool AlignToLong() {
    position_ = (position_ + 3u) & ~3u;
    return position_ <= size_;
  }
  bool Skip(uint32_t count) {
    if (size_ - position_ < count) return false;
    position_ += count;
    return true;
  }

 private:
  const uint8_t* bytes_;
  uint32_t size_;
  uint32_t position_ = 0;
};

std::optional<DialogItem> ReadItem(TemplateReader& reader) {
  DialogItem item;
  if (!reader.AlignToLong()) return std::nullopt;
  const auto style = reader.Long();
  const auto exStyle = reader.Long();
  const auto x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
  const auto id = reader.Word();
  if (!style || !exStyle || !x || !y || !cx || !cy || !id) return std::nullopt;
  auto windowClass = reader.Name();
  if (!windowClass) return std::nullopt;
  auto title = reader.Name();
  const auto extra = reader.Word();
  if (!title || !extra || !reader.Skip(*extra)) return std::nullopt;
  item.style = *style;
  item.exStyle = *exStyle;
  item.x = *x;
  item.y = *y;
  item.cx = *cx;
  item.cy = *cy;
  item.id = *id;
  item.windowClass = std::move(*windowClass);
  item.title = std::move(*title);
  return item;
}

}  // namespace

std::optional<DialogTemplate> ReadDialogTemplate(const uint8_t* bytes, uint32_t size) {
  TemplateReader reader(bytes, size);
  DialogTemplate dialog;
  const auto style = reader.Long();
  const auto exStyle = reader.Long();
  const auto count = reader.Word();
  const auto x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
  if (!style || !exStyle || !count || !x || !y || !cx || !cy) return std::nullopt;
  const auto menu = reader.Name();
  const auto windowClass = reader.Name();
  auto title = reader.Text();
  if (!menu || !windowClass || !title) return std::nullopt;
  if ((*style & DS_SETFONT) != 0) {
    const auto points = reader.Word();
    const auto face = reader.Text();
    if (!points || !face) return std::nullopt;
    dialog.pointSize = *points;
    dialog.face = std::move(*face);
  }
  dialog.style = *style;
  dialog.exStyle = *exStyle;
  dialog.x = *x;
  dialog.y = *y;
  dialog.cx = *cx;
  dialog.cy = *cy;
  dialog.title = std::move(*title);
  for (uint16_t i = 0; i < *count; ++i) {
    auto item = ReadItem(reader);
    if (!item) return std::nullopt;
    dialog.items.push_back(std::move(*item));
  }
  return dialog;
}

void TemplateWriter::Word(uint16_t value) {
  bytes.push_back(static_cast<uint8_t>(value));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void TemplateWriter::Long(uint32_t value) {
  Word(static_cast<uint16_t>(value));
  Word(static_cast<uint16_t>(value >> 16));
}

void TemplateWriter::Text(const std::string& text) {
  for (char c : text) Word(static_cast<uint8_t>(c));
  Word(0);
}

void TemplateWriter::Item(uint32_t style, uint16_t id, uint16_t classOrdinal, const std::string& text,
                          int16_t x, int16_t y, int16_t cx, int16_t cy) {
  while (bytes.size() % 4 != 0) bytes.push_back(0);
  Long(style | WS_CHILD | WS_VISIBLE);
  Long(0);
  for (int16_t value : {x, y, cx, cy}) Word(static_cast<uint16_t>(value));
  Word(id);
  Word(0xFFFF);
  Word(classOrdinal);
  Text(text);
  Word(0);
}
