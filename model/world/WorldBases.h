#pragma once
// The bases of the world object. The collection link holds the document and the recorded-frame
// store; the object collection adds the closing flag and the scale quantity; the world base
// adds the selection, the tracking word, the current tool and the anchor of the default objects.
//
//   TCollectionLink (520) > TObjectCollection (405) > TWorldBase (662) > TWorldDoc (450)

#include <cstdint>
#include <memory>
#include <vector>

#include "model/Formula.h"
#include "model/Link.h"
#include "model/world/RunBridge.h"
#include "model/world/WorldWatcher.h"

class TCommandDocument;

// The world base's settings (the frames of a play step); the default objects give it too, which
// marks them read.
inline constexpr int16_t kBlockWorldDefaults = 10001;
// The world's view: its name, its scale and the offsets of its origin.
inline constexpr int16_t kBlockWorldView = 5010;

class TCollectionLink : public THandlerLink {
  DECLARE_CLASS_ID(520, THandlerLink)

 public:
  TCommandDocument* GetDocument() const { return document_; }
  void SetDocument(TCommandDocument* document) { document_ = document; }
  TFrameStore* GetStore() const { return store_.get(); }
  void SetStore(std::unique_ptr<TFrameStore> store) { store_ = std::move(store); }
  // The store, which the caller owns now; the link is left without one.
  std::unique_ptr<TFrameStore> TakeStore() { return std::move(store_); }
  int16_t GetSkipFrames() const { return skipFrames_; }
  void SetSkipFrames(int16_t frames) { skipFrames_ = frames; }

  // Frames of the store; 0, -1 and -1 without a store.
  int32_t FirstHeldFrame() const { return store_ ? store_->FirstHeldFrame() : 0; }
  int32_t LastFrame() const { return store_ ? store_->LastFrame() : -1; }
  int16_t CurrentFrame() const { return store_ ? store_->CurrentFrame() : -1; }

 private:
  TCommandDocument* document_ = nullptr;
  std::unique_ptr<TFrameStore> store_;
  int16_t skipFrames_ = 1;
};

class TObjectCollection : public TCollectionLink {
  DECLARE_CLASS_ID(405, TCollectionLink)

 public:
  TObjectCollection() { scale_.SetConstant(kDefaultScale); }

  // Pixels per metre at 72 pixels per inch: the scale quantity of a world shown at scale 1.
  static constexpr double kDefaultScale = 2834.64576;

  uint16_t IsClosing() const { return closing_; }
  void SetClosing(uint16_t on) { closing_ = on; }
  TFormula& Scale() { return scale_; }
  const TFormula& Scale() const { return scale_; }
  double GetHorizontalOffset() const { return horizontalOffset_; }
  double GetVerticalOffset() const { return verticalOffset_; }
  void SetOffsets(double horizontal, double vertical) {
    horizontalOffset_ = horizontal;
    verticalOffset_ = vertical;
  }

  // The next frame of a play step while the world steps or is idle: one play step on.
  virtual int16_t NextStepFrame();

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 private:
  uint16_t closing_ = 0;
  TFormula scale_;
  double horizontalOffset_ = 0.0;
  double verticalOffset_ = 0.0;
};

class TWorldBase : public TObjectCollection {
  DECLARE_CLASS_ID(662, TObjectCollection)

 public:
  static constexpr int16_t kSelectionTool = 2000;

  TWorldBase() { selectionList_.IList(); }

  uint16_t GetObjectWalk() const { return objectWalk_; }
  void SetObjectWalk(uint16_t on) { objectWalk_ = on; }
  const std::vector<TLink*>& Selection() const { return selection_; }
  // The same objects as a list, for those that read lists (scripts' selection collection).
  TList& SelectionList() { return selectionList_; }
  // Adds the object to the selection, unless it is there or can never be selected.
  void Select(TLink* object);
  // Takes the object out of the selection; nothing when it is not selected.
  void Deselect(TLink* object);
  // Empties the selection, last object first.
  void DeselectAll();
  int16_t GetTrackingWord() const { return trackingWord_; }
  void SetTrackingWord(int16_t word) { trackingWord_ = word; }
  int16_t GetCurrentTool() const { return currentTool_; }
  void SetCurrentTool(int16_t tool) { currentTool_ = tool; }
  TLink* GetDefaultsAnchor() const { return defaultsAnchor_; }

  // Run before the default objects are read: forgets the anchor of earlier defaults.
  virtual void ResetForDefaults();

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void ObjectRemoved(TLink* object) override;

  // Windows told of the world's changes; a watcher is kept once and told in the order added.
  void AddWatcher(TWorldWatcher* watcher);
  void RemoveWatcher(TWorldWatcher* watcher);
  bool HasWatcher(const TWorldWatcher* watcher) const;
  // Tells every watcher, each one that is still watching when its turn comes.
  void NotifyWatchers(void (TWorldWatcher::*notice)());

 private:
  std::vector<TWorldWatcher*> watchers_;
  uint16_t objectWalk_ = 0;
  std::vector<TLink*> selection_;
  TList selectionList_;
  int16_t trackingWord_ = 0;
  int16_t currentTool_ = kSelectionTool;
  TLink* defaultsAnchor_ = nullptr;
};
