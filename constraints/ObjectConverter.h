#pragma once
// The line and shape converter: a handler of the world that turns the selected vertex-chain
// shapes (polygon bodies, curved polygons) into one sketch line per edge, and chains the selected
// sketch lines into one new shape made from a prototype resource. Each conversion is an undoable
// command that never owns a world object: what it takes out of the world it keeps as a document
// image and reads back on undo or redo.
//
// Contents:
//   1. TObjectConverter (528): menus, the searches, chaining lines, shapes to lines,
//      block 5028, registration                                               ObjectConverter.cpp
//   2. TLinesToShapeCommand (814), TShapesToLinesCommand (815)                ConverterCommands.cpp

#include <cstdint>
#include <memory>
#include <vector>

#include "core/geometry/Vector.h"
#include "model/Link.h"
#include "model/command/CommandCore.h"

class TLine;
class TLineHandler;
class TThing;
class TWorldDoc;

inline constexpr uint32_t kObjectConverterTag = MakeTag("obCv");

class TObjectConverter : public THandlerLink {
  DECLARE_CLASS_ID(528, THandlerLink)

 public:
  static constexpr int16_t kBlockConverter = 5028;
  static constexpr int16_t kCmdConvertMenu = 1800;
  static constexpr int16_t kCmdShapesToLines = 1801;
  static constexpr int16_t kCmdLinesToPolygon = 1802;
  static constexpr int16_t kCmdLinesToCurve = 1803;

  static TObject* CreateObject();
  void Initialize() override;

  // ---- The world and its selection ----
  TWorldDoc* GetWorld() const;
  // The world's line handler, found on first use and kept.
  TLineHandler* GetLineHandler();
  std::vector<TLine*> GetSelectedLines();
  // The selected things that can become lines.
  std::vector<TThing*> GetSelectedShapes() const;
  // How near two ends must be to count as one point.
  double GetJoinTolerance() const;
  // The prototype resource of a command that joins lines; false for any other command.
  static bool GetPrototypeResource(int16_t command, int16_t& id);

  // ---- Conversions ----
  // Joins the lines end to end into the shape's vertices, marking every end it uses.
  void ChainLines(const std::vector<TLine*>& lines, TThing& shape);
  // One new line per edge of the shape, not yet in the world.
  std::vector<std::unique_ptr<TLine>> ShapeToLines(TThing& shape);
  void AddEnd1(TLine& line, TThing& shape);
  void AddEnd2(TLine& line, TThing& shape);
  // A line whose ends coincide is marked used: it adds no vertex.
  static void RetireIfPoint(TLine& line);
  static void RetirePointLines(const std::vector<TLine*>& lines);
  const TVector& GetLastVertex() const { return lastVertex_; }

  // ---- Menus ----
  // Enables 1802 for two selected lines or more, 1803 for one or more, and 1800 with either.
  void DoSetupMenus() override;
  // The command object of a conversion command, with handled set; null otherwise.
  std::unique_ptr<TCommandCore> DoObjectMenuCommand(int16_t command, bool& handled) override;

  // ---- Filing ----
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void ObjectRemoved(TLink* object) override;

 private:
  // Among the lines from the search position on, other than the current one and not used, the
  // free end nearest to the point; end1 tells which end it is.
  TLine* FindNearestFreeEnd(const TVector& point, const TLine* current,
                            const std::vector<TLine*>& lines, size_t& position, bool& end1) const;

  TLineHandler* lineHandler_ = nullptr;
  TVector lastVertex_{0.0, 0.0};
};

// What both conversions share: the objects they put into the world and those they take out, and
// the document image of whichever set is out of the world at the time.
// It answers the class identity of the command base; the two commands below name their own.
class TConversionCommand : public TCommandCore {
 public:
  void Perform() override;
  void Undo() override;
  void Redo() override;
  const std::vector<int16_t>& TakenOut() const { return takenOut_; }
  const std::vector<int16_t>& PutIn() const { return putIn_; }

 protected:
  void InitConversion(int16_t command, TWorldDoc* world, TObjectConverter* converter);
  // The conversion itself: fills the two lists (identifiers) and takes the old objects out.
  virtual void Convert() = 0;
  // Selects what a conversion or its undo put into the world.
  virtual void SelectRestored(const std::vector<TLink*>& objects, bool original) = 0;
  // Takes the objects out of the world; answers their image.
  std::vector<uint8_t> TakeOut(const std::vector<int16_t>& identifiers);
  // Reads an image back into the world; answers the objects.
  std::vector<TLink*> PutBack(const std::vector<uint8_t>& image);
  // Puts objects made by the conversion into the world with identifiers of their own.
  void Adopt(std::vector<std::unique_ptr<TLink>> objects, std::vector<int16_t>& identifiers);

  TWorldDoc* world_ = nullptr;
  TObjectConverter* converter_ = nullptr;
  std::vector<int16_t> takenOut_;
  std::vector<int16_t> putIn_;
  // The image of the set that is out of the world: the old objects after the conversion and
  // after a redo, the new ones after an undo.
  std::vector<uint8_t> image_;
  bool converted_ = false;
};

class TLinesToShapeCommand : public TConversionCommand {
  DECLARE_CLASS_ID(814, TConversionCommand)

 public:
  // Fails with the out-of-memory failure when an argument is missing or the prototype cannot be
  // read or holds no vertex-chain shape; nothing in the world changes then.
  void Init(int16_t command, TWorldDoc* world, TLineHandler* handler, TObjectConverter* converter,
            const std::vector<TLine*>& lines, int16_t resource);

 protected:
  void Convert() override;
  void SelectRestored(const std::vector<TLink*>& objects, bool original) override;

 private:
  TLineHandler* handler_ = nullptr;
  std::vector<int16_t> lines_;
  // The prototype's objects until they join the world; the shape is one of them.
  std::vector<std::unique_ptr<TLink>> prototype_;
  TThing* shape_ = nullptr;
};

class TShapesToLinesCommand : public TConversionCommand {
  DECLARE_CLASS_ID(815, TConversionCommand)

 public:
  void Init(int16_t command, TWorldDoc* world, TObjectConverter* converter,
            const std::vector<TThing*>& shapes);

 protected:
  void Convert() override;
  void SelectRestored(const std::vector<TLink*>& objects, bool original) override;

 private:
  // A point that sat on a shape: it is put back on the shape when the conversion is undone.
  struct PointOnShape {
    int16_t point;
    int16_t shape;
    TVector3 local;
  };

  // The shapes by identifier: the command holds no world object of its own.
  std::vector<int16_t> shapes_;
  std::vector<PointOnShape> points_;
};

// Enters TObjectConverter in the class registry.
void RegisterConverterClasses();
