#include "model/filing/DocumentFiling.h"

#include "core/Failure.h"
#include "core/MacFile.h"
#include "core/Stream.h"
#include "core/Tag.h"
#include "model/filing/ObjectWriter.h"

std::unique_ptr<TObjectReader> ReadDocument(Handle contents, uint32_t fileType, TLink* world,
                                            const ReadProgress& progress) {
  const int realFormat = fileType == MakeTag("ZodA") ? 2 : 0;
  auto reader = ReadObjects(contents, 2, realFormat, world, nullptr, nullptr, progress);
  reader->Complete(0);
  return reader;
}

std::unique_ptr<TObjectReader> ReadDocumentFile(TMacFile& file, uint32_t fileType, TLink* world,
                                                const ReadProgress& progress) {
  int32_t length = 0;
  FailIfError(file.GetEOF(length));
  FailIfError(file.SetFPos(0, 0));
  Handle contents = AllocHandle(static_cast<uint32_t>(length));
  try {
    int32_t count = length;
    FailIfError(file.Read(HandleData(contents), count));
    if (count != length) ThrowFailure(kErrBadFormat, 0);
    auto reader = ReadDocument(contents, fileType, world, progress);
    FreeHandle(contents);
    return reader;
  } catch (...) {
    FreeHandle(contents);
    throw;
  }
}

void WriteDocument(TMacFile& file, TLink& world, const std::vector<TLink*>& objects) {
  std::unique_ptr<TStream> stream = MakeWriteStream(&file, true);
  TStreamFilerStream filer(*stream);
  WriteObjectsDefault(&objects, 1, &world, 2, &filer);
}
