#include "model/filing/DocumentFiling.h"

#include "core/Stream.h"
#include "core/Tag.h"
#include "model/filing/ObjectWriter.h"

std::unique_ptr<TObjectReader> ReadDocument(Handle contents, uint32_t fileType, TLink* world) {
  const int realFormat = fileType == MakeTag("ZodA") ? 2 : 0;
  auto reader = ReadObjects(contents, 2, realFormat, world, nullptr, nullptr, nullptr);
  reader->Complete(0);
  return reader;
}

void WriteDocument(TMacFile& file, TLink& world, const std::vector<TLink*>& objects) {
  std::unique_ptr<TStream> stream = MakeWriteStream(&file, true);
  TStreamFilerStream filer(*stream);
  WriteObjectsDefault(&objects, 1, &world, 2, &filer);
}
