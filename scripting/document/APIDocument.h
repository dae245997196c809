#pragma once
// A document's script object and the script collection of the open documents. Each document
// makes its script object once, on the first request that names a parent, and cuts it loose when
// it closes.

#include <cstdint>

#include "scripting/host/APIDispatcher.h"

class TQVDoc;

class TAPIDocument : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPIDocument)

 public:
  static constexpr uint32_t kTag = MakeTag("APDo");

  TAPIDocument(TAPICallLog* callLog, TQVDoc* document, TAPIDispatcher* parent);
  // The document no longer keeps it.
  ~TAPIDocument() override;

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  TQVDoc* Document() const { return static_cast<TQVDoc*>(target()); }
};

class TAPIDocCollection : public TAPICollection {
  DECLARE_DYNAMIC(TAPIDocCollection)

 public:
  static constexpr uint32_t kTag = MakeTag("APDC");

  // Over the application's list of open documents, read anew on every call.
  TAPIDocCollection(TAPICallLog* callLog, TList* documents, TAPIDispatcher* parent);

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  // A document's script object, child of the application's; null for anything else.
  TAPIDispatcher* WrapItem(TObject* element) override;
};

// Documents make their script objects from now on.
void InstallDocumentScriptObjects();
