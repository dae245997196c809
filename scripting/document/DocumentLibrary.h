#pragma once
// The document library "DE22YBDoc": the classes YBDocument and YBDocCollection.

#include <cstdint>

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

// The unit quantity 1 to 12 a unit member serves: ids 86 and 87 give 1, and so on in pairs up
// to 108 and 109; any other id 0.
uint16_t UnitKindFromMethodId(uint16_t methodId);
ScriptDescription* DescribeYBDocument(TAPIDispatcher* root, void* scratch);
// Method ids above 200 are ignored.
void DispatchYBDocument(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                        ScriptFrame* frame);
