#pragma once
// Entries of the document members that only pass one value between a script and the document
// object: the receiver is checked, the argument read, the member called and its result checked.

#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"

inline TAPIDocument* Doc(TAPIDispatcher* receiver) {
  CheckAPIObjectTag(receiver, TAPIDocument::kTag);
  return static_cast<TAPIDocument*>(receiver);
}

template <APIResult (TAPIDocument::*Get)(int16_t*)>
void GetDocumentInteger(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                        uint16_t) {
  int16_t value = 0;
  CheckAPIResult((Doc(r)->*Get)(&value));
  ScriptReturnInteger(frame, 0, value);
}

template <APIResult (TAPIDocument::*Set)(int16_t)>
void SetDocumentInteger(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                        uint16_t) {
  const int16_t value = ReadIntegerArgument(frame, 2);
  CheckAPIResult((Doc(r)->*Set)(value));
}

template <APIResult (TAPIDocument::*Get)(int16_t*)>
void GetDocumentBoolean(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                        uint16_t) {
  int16_t on = 0;
  CheckAPIResult((Doc(r)->*Get)(&on));
  ReturnBooleanValue(frame, 0, on != 0);
}

template <APIResult (TAPIDocument::*Set)(int16_t)>
void SetDocumentBoolean(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                        uint16_t) {
  const int16_t on = ReadBooleanArgument(frame, 2);
  CheckAPIResult((Doc(r)->*Set)(on));
}

template <TAPIDocument::WorldSwitch Which>
void GetDocumentSwitch(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  int16_t on = 0;
  CheckAPIResult(Doc(r)->GetWorldSwitch(Which, &on));
  ReturnBooleanValue(frame, 0, on != 0);
}

template <TAPIDocument::WorldSwitch Which>
void SetDocumentSwitch(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t on = ReadBooleanArgument(frame, 2);
  CheckAPIResult(Doc(r)->SetWorldSwitch(Which, on));
}

template <int16_t Command>
void PerformDocumentCommand(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
  CheckAPIResult(Doc(r)->PerformWorldCommand(Command));
}

template <APIResult (TAPIDocument::*Get)(double*)>
void GetDocumentDouble(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                       uint16_t) {
  double value = 0.0;
  CheckAPIResult((Doc(r)->*Get)(&value));
  ScriptReturnDouble(frame, 0, value);
}

template <APIResult (TAPIDocument::*Set)(double)>
void SetDocumentDouble(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                       uint16_t) {
  const double value = ReadDoubleArgument(frame, 2);
  CheckAPIResult((Doc(r)->*Set)(value));
}

template <APIResult (TAPIDocument::*Get)(Str63*)>
void GetDocumentWord(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame,
                     uint16_t) {
  Str63 word;
  CheckAPIResult((Doc(r)->*Get)(&word));
  ReturnStringValue(call, frame, 0, word.Chars());
}

template <APIResult (TAPIDocument::*Set)(const Str63&)>
void SetDocumentWord(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame,
                     uint16_t) {
  const Str63 word = ReadStringArgument<Str63>(call, frame, 2);
  CheckAPIResult((Doc(r)->*Set)(word));
}
