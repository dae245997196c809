#pragma once
// What a table input asks of the table it reads its value from, and the road by which those who
// know only the world (scripts) have a table file read into it. The tables themselves live with
// the data exchange, which fills the road at start-up.

#include <cstdint>
#include <string>

class TLink;
class TWorldDoc;

class TInputTable {
 public:
  // A user starts or stops using the table; the last one to stop lets the table go.
  virtual void AttachUser() = 0;
  virtual void DetachUser() = 0;
  virtual int16_t TableColumnCount() const = 0;
  // The column the values are looked up by; 0 takes them by row.
  virtual void SetKeyColumn(int16_t column) = 0;
  // The value of the column at key x, interpolated between rows; by row when there is no key.
  virtual double Lookup(double x, int32_t row, int16_t column) = 0;

 protected:
  ~TInputTable() = default;
};

// Reads the table file at the path into the world's tables and answers the new table; failures
// are raised. Null when no reader is installed.
using DataTableReader = TLink* (*)(TWorldDoc& world, const std::string& path);
void SetDataTableReader(DataTableReader reader);
DataTableReader GetDataTableReader();
