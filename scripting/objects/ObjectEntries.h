#pragma once
// Entry points and member definitions that several script libraries share: the receiver
// checked against a script class, a collection's count and items, and the vertices of an outline.

#include "scripting/host/CallFrame.h"

// The receiver as the class when it carries exactly the class's tag; raises otherwise.
template <class Object>
Object* ExactReceiver(TAPIDispatcher* r) {
  CheckAPIObjectTag(r, Object::kTag);
  return static_cast<Object*>(r);
}

// The receiver as the class when it is of the class's kind; raises otherwise.
template <class Object>
Object* KindReceiver(TAPIDispatcher* r) {
  CheckAPIObjectKind(r, Object::kTag);
  return static_cast<Object*>(r);
}

template <class Collection>
void GetCollectionCount(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                        uint16_t) {
  int32_t count = 0;
  CheckAPIResult(ExactReceiver<Collection>(r)->Count(&count));
  ScriptReturnInteger(frame, 0, static_cast<int16_t>(count));
}

// The index is read before the receiver is checked, as every collection's Item does.
template <class Collection>
void GetCollectionItem(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                       uint16_t) {
  const int16_t index = ReadIntegerArgument(frame, 2);
  TAPIDispatcher* item = nullptr;
  CheckAPIResult(ExactReceiver<Collection>(r)->Item(index, &item));
  ReturnObjectValue(frame, 0, item);
}

template <class Outline>
void GetVertexCount(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  int32_t count = 0;
  CheckAPIResult(ExactReceiver<Outline>(r)->GetVertexCount(count));
  ScriptReturnLong(frame, 0, count);
}

template <class Outline>
void GetVertex(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int32_t index = ReadLongArgument(frame, 2);
  double x = 0.0;
  double y = 0.0;
  CheckAPIResult(ExactReceiver<Outline>(r)->GetVertex(index, x, y));
  ScriptReturnDouble(frame, 3, x);
  ScriptReturnDouble(frame, 4, y);
}

template <class Outline>
void AddVertex(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int32_t index = ReadLongArgument(frame, 2);
  const double x = ReadDoubleArgument(frame, 3);
  const double y = ReadDoubleArgument(frame, 4);
  CheckAPIResult(ExactReceiver<Outline>(r)->AddVertex(index, x, y));
}

template <class Outline>
void DeleteVertex(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int32_t index = ReadLongArgument(frame, 2);
  CheckAPIResult(ExactReceiver<Outline>(r)->DeleteVertex(index));
}

// A property whose setter and getter take the given slots of the library's member table.
template <uint16_t N>
void DefineMemberProperty(TAPIMemberTable<N>& members, ScriptBuilder* b, const char* name,
                          uint16_t setId, TAPIEntryPoint set, uint16_t getId, TAPIEntryPoint get,
                          int16_t type, const char* className) {
  ScriptDefineProperty(b, 0, name, setId, getId, type, className);
  members.Set(setId, set);
  members.Set(getId, get);
}
