#pragma once
// What the world objects' script objects share: the world and unit handler of an object, the
// factors between internal and display units, and changes made as commands of the world,
// performed at once so that each is one undoable step of the document.

#include <cstdint>
#include <functional>
#include <memory>

class TCommandCore;
class TFormula;
class TLink;
class TWorldDoc;
class TWorldUnitHandler;

TWorldDoc* WorldOfObject(const TLink* object);
TWorldUnitHandler* UnitHandlerOf(const TLink* object);
// 1.0 without a unit handler.
double ToDisplayFactor(const TLink* object, int32_t dimension);
double FromDisplayFactor(const TLink* object, int32_t dimension);

// Through the application's command handler when there is one, so that the command becomes the
// last command for undo; otherwise performed and dropped.
void PerformAtOnce(std::unique_ptr<TCommandCore> command);
// The object's property of the tag takes the quantity; the object no longer shows itself as
// being edited. Nothing without a world.
void ApplyFormulaProperty(TLink& object, uint32_t tag, const TFormula& formula);
// The object performs the tagged action ("NS", "DL" with an index).
void ApplyTagAction(TLink& object, uint32_t tag);
// The object's number property of the tag ("hq", "pp" with an index) takes the value.
void ApplyNumberProperty(TLink& object, uint32_t tag, double value);
// The edit changes the object in place; the whole object is recorded before and after, so the
// edit is one undoable step however much of the object it changes.
void ApplyObjectEdit(TLink& object, std::function<void(TLink&)> edit);
