// How a meter's columns are named in a linked table document and what the data link sends.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "inout/meters/Output.h"
#include "simulation/UnitHandler.h"

namespace {

std::string Lower(const Str255& text) {
  std::string out(text.Chars(), static_cast<size_t>(text.Length()));
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

void TOutput::GetCellAddress(int32_t a, int32_t b, int32_t& row, int32_t& column) const {
  if (transposeLink_) {
    row = firstLinkRow_ + b;
    column = firstLinkColumn_ + a - 1;
    return;
  }
  row = firstLinkRow_ + a - 1;
  column = firstLinkColumn_ + b;
}

void TOutput::NameLinkItems(int32_t n, const Str255& documentName) {
  const bool numbered = Lower(documentName).find("matlab") != std::string::npos;
  const int32_t last = std::min<int32_t>(GetColumnCount() - 1, kColumnRecordCount - 1);
  for (int32_t j = 1; j <= last; ++j) {
    TColumnRecord& record = records_[static_cast<size_t>(j)];
    if (record.name.Length() != 0) continue;
    char text[48];
    if (numbered) {
      std::snprintf(text, sizeof text, "y%d%d", static_cast<int>(n), static_cast<int>(j));
    } else {
      int32_t row = 0;
      int32_t column = 0;
      GetCellAddress(n, j, row, column);
      std::snprintf(text, sizeof text, "R%dC%d", static_cast<int>(row), static_cast<int>(column));
    }
    record.name.Assign(text);
  }
}

void TOutput::GetColumnItemName(int32_t i, Str255& out) const {
  out = Str255();
  if (i < 2 || i > GetColumnCount()) return;
  std::string name(GetName().Chars(), static_cast<size_t>(GetName().Length()));
  name += ".y" + std::to_string(i - 1);
  name.resize(std::min<size_t>(name.size(), Str255::kCapacity));
  out.Assign(name.c_str());
}

void TOutput::ForEachLinkedValue(
    TWorldUnitHandler* handler,
    const std::function<void(const Str255& name, const Str255& value)>& send) {
  ForEachLinkedValue(handler, [&send](const Str255& name, double, const Str255& text) { send(name, text); });
}

void TOutput::ForEachLinkedValue(
    TWorldUnitHandler* handler,
    const std::function<void(const Str255& name, double value, const Str255& text)>& send) {
  const int32_t last = std::min<int32_t>(GetColumnCount(), kColumnRecordCount);
  for (int32_t i = 2; i <= last; ++i) {
    const TColumnRecord& record = records_[static_cast<size_t>(i - 1)];
    if (!record.linked || record.name.Length() == 0) continue;
    const double value = Column(i)->GetCurrentValue();
    Str255 text;
    if (handler != nullptr) {
      handler->FormatNumberWithDigits(value, handler->GetDigits(), text);
    } else {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.4g", value);
      text.Assign(buffer);
    }
    send(record.name, value, text);
  }
}
