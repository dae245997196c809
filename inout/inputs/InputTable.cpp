#include "inout/inputs/InputTable.h"

namespace {

DataTableReader gReader = nullptr;

}  // namespace

void SetDataTableReader(DataTableReader reader) {
  gReader = reader;
}

DataTableReader GetDataTableReader() {
  return gReader;
}
