#pragma once
// The document library "DE22YBDoc": the classes YBDocument and YBDocCollection.

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

ScriptDescription* DescribeYBDocument(TAPIDispatcher* root, void* scratch);
// Method ids above 200 are ignored.
void DispatchYBDocument(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                        ScriptFrame* frame);
