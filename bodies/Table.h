#pragma once
// Point tables: a two-dimensional table of numbers kept row after row in one flat list of
// doubles. As a list of points, row i holds point i (values 2i-1 and 2i). Polygons keep their
// vertices in one, curved polygons their sampled curve.
//
//   TTable (626, "tabl")   contents in block 1701, which the solver reads
//   TUITable (627, "UItb") the same contents in block 5323, an editing block
//
// Contents (all in Table.cpp):
//   1. Registration and lifecycle
//   2. Filing: the contents block, checked against what the stream holds
//   3. Points: checked accessors and the point operations
//   4. The inside test: crossing number of a horizontal ray

#include <cstdint>
#include <vector>

#include "core/geometry/Vector.h"
#include "model/Link.h"

inline constexpr uint32_t kTableTag = MakeTag("tabl");
inline constexpr uint32_t kUITableTag = MakeTag("UItb");

class TTable : public TLink {
  DECLARE_CLASS_ID(626, TLink)

 public:
  static constexpr int16_t kBlockContents = 1701;
  // Counts are stored as 16-bit numbers; a table never grows past them.
  static constexpr int32_t kMaxRows = 32767;

  // ---- 1. Registration and lifecycle ----
  // Enters TTable and TUITable in the class registry.
  static void RegisterClasses();
  static TObject* CreateObject();
  void Initialize() override;
  void WriteClassTag(TObjectWriter& writer) override;

  // ---- 2. Filing ----
  virtual int16_t GetBlockCode() const { return kBlockContents; }
  // Calls callback with the code that carries the contents for the solver.
  virtual void ForEachBlockCode(BlockCallback callback, void* context);
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

  // ---- 3. Points ----
  // The number of points the table holds: its rows, but never more than its values make.
  int32_t GetCount() const;
  int16_t GetRowCount() const { return rows_; }
  int16_t GetColumnCount() const { return columns_; }
  const std::vector<double>& Values() const { return values_; }
  // Point i, 1 <= i <= GetCount(); any other index fails with -25002.
  TVector GetPoint(int32_t i) const;
  void SetPoint(int32_t i, const TVector& point);
  // Appends a point and answers the new row count.
  int32_t AppendPoint(const TVector& point);
  // Removes the last point and answers it.
  TVector RemoveLastPoint();
  // Inserts n copies of point i in front of it: points i to i + n are then all the old point i.
  void DuplicatePoint(int32_t i, int32_t n);
  // Removes points i to i + n - 1; nothing for n = 0.
  void DeletePoints(int32_t i, int32_t n);
  // Removes every point.
  void Clear();
  // Replaces the contents by rows of the given number of columns, row after row; the values
  // must fill the rows.
  void Assign(int16_t columns, int16_t rows, std::vector<double> values);

  // ---- 4. Inside test ----
  // Whether the point lies inside the closed polygon through the points in order (even-odd
  // rule). A point on the horizontal through a vertex counts that vertex as below the ray.
  bool ContainsPoint(const TVector& point) const;

 protected:
  void ReadContents(TObjectReader& reader);
  void WriteContents(TObjectWriter& writer) const;

 private:
  void CheckPointIndex(int32_t i) const;
  void CheckGrowth(int32_t added) const;
  // Point operations make a table of two columns: without it the points would not be written.
  void UsePointColumns();

  int16_t columns_ = 0;
  int16_t rows_ = 0;
  std::vector<double> values_;
};

class TUITable : public TTable {
  DECLARE_CLASS_ID(627, TTable)

 public:
  static constexpr int16_t kBlockContents = 5323;

  static TObject* CreateObject();
  void WriteClassTag(TObjectWriter& writer) override;
  int16_t GetBlockCode() const override { return kBlockContents; }
  // Reads its own block and, as its base, the solver's block.
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
};
