#pragma once
// Record objects: each holds the data of one kind of world object and writes it as text through
// the text world writer, in exactly the layout the object's class reads, every record's count
// equal to its tokens.
//
//   TWorldTextRecord           identifier, name and two flags
//     TWorldTextBody           a body (records 1200 and 5005)
//       TWorldText1201         a polygon body naming its shape list
//     TWorldText1701           a shape list of vertices about their centroid
//     TWorldText1500           a point, on a body or on the background
//     TWorldText1310           a link between two objects with up to five goal rows
//       TWorldText5230         a pin
//       TWorldText5225         a rotational motor

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/text/WorldTextWriter.h"

class TWorldTextRecord {
 public:
  static constexpr size_t kNameLength = 255;
  static constexpr int16_t kLastIdentifier = 32767;

  // An identifier of 0 takes the next of the program-wide counter, which passes over the
  // world's own identifier and fails with -108 past the last a stored object can have.
  explicit TWorldTextRecord(int16_t identifier = 0, std::string_view name = {},
                            int16_t firstFlag = 0, int16_t secondFlag = 0);
  virtual ~TWorldTextRecord() = default;

  // The counter begins at 1 again.
  static void RestartIdentifiers();

  int16_t Identifier() const { return identifier_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string_view name);
  int16_t FirstFlag() const { return firstFlag_; }
  int16_t SecondFlag() const { return secondFlag_; }
  void SetFlags(int16_t first, int16_t second) {
    firstFlag_ = first;
    secondFlag_ = second;
  }

  virtual void WriteRecords(TWorldTextWriter& writer) const = 0;
  // The object's start, its records, its name and its end.
  virtual void WriteObject(TWorldTextWriter& writer) const;

 private:
  int16_t identifier_;
  std::string name_;
  int16_t firstFlag_;
  int16_t secondFlag_;
};

class TWorldTextBody : public TWorldTextRecord {
 public:
  using TWorldTextRecord::TWorldTextRecord;

  void WriteRecords(TWorldTextWriter& writer) const override;

  EngPosition position;
  EngPosition velocity;
  double mass = 1.0;
  double moment = 1.0;
  EngPoint centreOfMassOffset;
  // Static and kinetic friction, elasticity, charge and two further quantities.
  std::array<double, 6> further{};
  int16_t recordWord = 0;
};

class TWorldText1701 : public TWorldTextRecord {
 public:
  static constexpr size_t kEntryBytes = 22;
  static constexpr size_t kEntryPointOffset = 8;
  static constexpr double kOutlineGrowth = 1.1;
  using Conversion = std::function<EngPoint(const EngPoint&)>;

  explicit TWorldText1701(int16_t identifier = 0) : TWorldTextRecord(identifier) {}
  // From outline entries of 22 bytes, each holding an integer point (vertical, horizontal) at
  // byte 8; a trailing part entry is left out. The vertices are then normalised.
  TWorldText1701(std::span<const uint8_t> entries, const Conversion& convert,
                 int16_t identifier = 0);

  // Converts every vertex, stores their plain average as the centroid, places the vertices
  // about it and enlarges the outline by a tenth.
  void Normalise(const Conversion& convert);

  void WriteRecords(TWorldTextWriter& writer) const override;
  void WriteObject(TWorldTextWriter& writer) const override;

  const std::vector<EngPoint>& Vertices() const { return vertices_; }
  void SetVertices(std::vector<EngPoint> vertices) { vertices_ = std::move(vertices); }
  const EngPoint& Centroid() const { return centroid_; }

 private:
  EngPoint centroid_;
  std::vector<EngPoint> vertices_;
};

class TWorldText1201 : public TWorldTextBody {
 public:
  explicit TWorldText1201(int16_t identifier = 0) : TWorldTextBody(identifier) {}
  // A body at the shape list's centroid, naming it.
  explicit TWorldText1201(const TWorldText1701& shape, int16_t identifier = 0);

  void WriteRecords(TWorldTextWriter& writer) const override;

  int16_t shapeIdentifier = 0;
};

class TWorldText1500 : public TWorldTextRecord {
 public:
  explicit TWorldText1500(int16_t identifier = 0) : TWorldTextRecord(identifier) {}
  // A point of the background at the position.
  explicit TWorldText1500(const EngPosition& position, int16_t identifier = 0);
  // A point on the body at an absolute position, kept relative to the body.
  TWorldText1500(const TWorldTextBody& body, const EngPosition& absolute, int16_t identifier = 0);

  void WriteRecords(TWorldTextWriter& writer) const override;
  void WriteObject(TWorldTextWriter& writer) const override;

  int16_t BodyIdentifier() const { return body_ != nullptr ? body_->Identifier() : 0; }
  const TWorldTextBody* Body() const { return body_; }
  const EngPosition& Position() const { return position_; }

 private:
  const TWorldTextBody* body_ = nullptr;
  EngPosition position_;
};

class TWorldText1310 : public TWorldTextRecord {
 public:
  static constexpr size_t kMostRows = 5;
  // A goal: its type, its limit and its component, and the value it holds.
  struct Row {
    uint8_t type = 0;
    uint8_t limit = 0;
    uint8_t component = 0;
    double value = 0.0;
  };

  TWorldText1310(const TWorldTextRecord& first, const TWorldTextRecord& second,
                 int16_t identifier = 0);

  // A sixth row fails with -108.
  void AddRow(uint8_t type, uint8_t limit, uint8_t component, double value);
  const std::vector<Row>& Rows() const { return rows_; }

  void WriteRecords(TWorldTextWriter& writer) const override;
  void WriteObject(TWorldTextWriter& writer) const override;

 protected:
  // The record of the link's kind, written first; none for a plain link.
  virtual void WriteKindRecord(TWorldTextWriter&) const {}

 private:
  const TWorldTextRecord& first_;
  const TWorldTextRecord& second_;
  std::vector<Row> rows_;
};

class TWorldText5230 : public TWorldText1310 {
 public:
  using TWorldText1310::TWorldText1310;

 protected:
  void WriteKindRecord(TWorldTextWriter& writer) const override;
};

class TWorldText5225 : public TWorldText1310 {
 public:
  using TWorldText1310::TWorldText1310;

  // The quantity the motor drives, and which kind of quantity it is (2: velocity).
  double drive = 1.0;
  int16_t driveKind = 2;

 protected:
  void WriteKindRecord(TWorldTextWriter& writer) const override;
};
