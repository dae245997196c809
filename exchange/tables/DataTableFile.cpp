// Reading a table file: lines of numbers, the first numeric line fixing the column count. The
// file is read piece by piece as the parse needs it, so a table past the limit is refused
// after reading no more than the limit's worth of lines.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bodies/Table.h"
#include "core/Alert.h"
#include "core/Failure.h"
#include "core/MacFile.h"
#include "exchange/tables/DataTable.h"

namespace {

// Bytes read from the file at a time.
constexpr int32_t kChunkBytes = 64 * 1024;
// A line longer than this is refused: a full table on one line takes far less.
constexpr size_t kMaxLineBytes = 1024 * 1024;
// Numbers the first numeric line may hold.
constexpr int32_t kMaxColumns = 32000;

const char* SkipSpace(const char* p) {
  while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;
  return p;
}

}  // namespace

void TDataTableParser::Fail() {
  ThrowFailure(kErrBadDataTable, 0);
}

void TDataTableParser::AddLine(const char* line, size_t length) {
  // strtod needs the terminating zero; the line is copied so that it has one.
  const std::string text(line, length);
  line_.clear();
  const char* p = SkipSpace(text.c_str());
  while (*p != '\0') {
    char* end = nullptr;
    const double value = std::strtod(p, &end);
    if (end == p) {
      // A line before the first numeric one is a title or header; later text after numbers
      // is damage, and a later line of text alone holds no row.
      if (line_.empty()) return;
      Fail();
    }
    // No table holds an infinity or a value that is no number: such a value is damage, but a
    // title may start with a word strtod reads as one ("Info", "Nancy").
    if (!std::isfinite(value)) {
      const bool word = std::isalpha(static_cast<unsigned char>(*p)) != 0;
      if (word && line_.empty() && columns_ == 0) return;
      Fail();
    }
    if (columns_ > 0 && static_cast<int32_t>(line_.size()) >= columns_) Fail();
    if (columns_ == 0 && static_cast<int32_t>(line_.size()) >= kMaxColumns) Fail();
    if (values_.size() + line_.size() >= static_cast<size_t>(kMaxDataTableValues)) {
      passedLimit_ = true;
      Fail();
    }
    line_.push_back(value);
    p = SkipSpace(end);
  }
  if (line_.empty()) return;
  if (columns_ == 0) {
    columns_ = static_cast<int16_t>(line_.size());
  } else if (static_cast<int32_t>(line_.size()) != columns_) {
    Fail();
  }
  values_.insert(values_.end(), line_.begin(), line_.end());
  ++rows_;
}

void TDataTableParser::Finish() const {
  if (rows_ == 0) ThrowFailure(kErrBadDataTable, 0);
}

namespace {

std::string Quoted(const FSSpec& record) {
  return std::string("\"") + FileNamePart(record.name.AsCString()) + "\"";
}

// Tells the user what was wrong with the file before the failure goes on.
[[noreturn]] void ReportBadTable(const FSSpec& record, const std::string& why) {
  const std::string detail = "The data table " + Quoted(record) + " was not read: " + why;
  FailureDetailText() = Str255(detail.c_str());
  ThrowFailure(kErrBadDataTable, 0);
}

struct TFileCloser {
  TMacFile& file;
  ~TFileCloser() {
    if (file.IsOpen()) file.Close();
  }
};

// Feeds the file's lines to the parser; a carriage return before a line feed is white space
// to the parse. Answers the number of lines given.
int32_t ParseFile(TMacFile& file, int32_t length, TDataTableParser& parser, const FSSpec& record) {
  std::unique_ptr<char[]> chunk(new char[kChunkBytes]);
  std::string line;
  int32_t lineNumber = 0;
  int32_t left = length;
  auto addLine = [&] {
    ++lineNumber;
    try {
      parser.AddLine(line.data(), line.size());
    } catch (const QVException&) {
      if (parser.PassedLimit())
        ReportBadTable(record, "it holds more than " + std::to_string(kMaxDataTableValues) +
                                 " values, the most a table can hold.");
      ReportBadTable(record, "line " + std::to_string(lineNumber) +
                               " does not hold the numbers of a row.");
    }
    line.clear();
  };
  while (left > 0) {
    int32_t count = std::min(left, kChunkBytes);
    FailIfError(file.Read(chunk.get(), count));
    if (count <= 0) break;
    left -= count;
    const char* p = chunk.get();
    const char* const end = p + count;
    while (p < end) {
      const char* feed = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      const char* stop = feed != nullptr ? feed : end;
      line.append(p, static_cast<size_t>(stop - p));
      if (line.size() > kMaxLineBytes)
        ReportBadTable(record, "line " + std::to_string(lineNumber + 1) + " is too long.");
      p = stop;
      if (feed == nullptr) break;
      ++p;
      addLine();
    }
  }
  if (!line.empty()) addLine();
  return lineNumber;
}

}  // namespace

TDataTable& ReadDataTableFile(TDataTableManager& manager, const FSSpec& record) {
  auto table = std::make_unique<TDataTable>();
  table->Initialize();
  table->SetManager(&manager);
  table->SetFileRecord(record);

  TMacFile file;
  FailIfError(file.OpenNamed(record.name, TMacFile::kRead));
  const TFileCloser closer{file};
  int32_t length = 0;
  FailIfError(file.GetEOF(length));
  if (length <= 0) ReportBadTable(record, "the file is empty.");

  TDataTableParser parser;
  ParseFile(file, length, parser, record);
  if (parser.Rows() == 0) ReportBadTable(record, "no line holds numbers.");

  auto cells = std::make_unique<TUITable>();
  cells->Initialize();
  cells->Assign(parser.Columns(), static_cast<int16_t>(parser.Rows()),
                std::move(parser.Values()));
  TDataTable& made = *table;
  manager.AdoptTable(std::move(table), std::move(cells));
  return made;
}
