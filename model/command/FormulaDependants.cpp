#include "model/command/FormulaDependants.h"

#include <algorithm>
#include <unordered_map>

#include "core/Failure.h"
#include "model/Link.h"

namespace {

enum class Mark : uint8_t { kOpen, kDone };

struct Node {
  Mark mark = Mark::kOpen;
  bool reached = false;  // named as a reader by some object of the walk
  bool inFirst = false;  // named in a first list at least once
};

// One object whose readers are being walked, and how far.
struct Frame {
  TLink* object;
  std::vector<TLink*> readers;
  std::vector<bool> first;
  size_t next = 0;
};

Frame MakeFrame(TLink* object) {
  Frame frame{object, {}, {}, 0};
  std::vector<TLink*> second;
  object->AddFormulaDependants(0, frame.readers, second);
  frame.first.assign(frame.readers.size(), true);
  frame.readers.insert(frame.readers.end(), second.begin(), second.end());
  frame.first.resize(frame.readers.size(), false);
  return frame;
}

}  // namespace

void TFormulaDependants::AddSource(TLink* object) {
  if (object == nullptr) return;
  if (std::find(sources_.begin(), sources_.end(), object) != sources_.end()) return;
  sources_.push_back(object);
}

void TFormulaDependants::Collect(std::vector<TLink*>& first, std::vector<TLink*>& second) const {
  std::unordered_map<TLink*, Node> nodes;
  std::vector<TLink*> finished;  // each object after all of its readers
  for (TLink* source : sources_) {
    if (nodes.contains(source)) continue;
    nodes[source];
    std::vector<Frame> stack;
    stack.push_back(MakeFrame(source));
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next == top.readers.size()) {
        nodes[top.object].mark = Mark::kDone;
        finished.push_back(top.object);
        stack.pop_back();
        continue;
      }
      TLink* const reader = top.readers[top.next];
      const bool inFirst = top.first[top.next];
      ++top.next;
      if (reader == nullptr) continue;
      const auto [found, fresh] = nodes.try_emplace(reader);
      Node& node = found->second;
      node.reached = true;
      node.inFirst = node.inFirst || inFirst;
      if (fresh) {
        stack.push_back(MakeFrame(reader));
        continue;
      }
      // An object still being walked reads, through the formulas on the way, itself.
      if (node.mark == Mark::kOpen) ThrowFailure(kErrFormulaCycle, 0);
    }
  }
  std::vector<TLink*> ordered;
  for (auto it = finished.rbegin(); it != finished.rend(); ++it) {
    if (nodes[*it].reached) ordered.push_back(*it);
  }
  first.clear();
  second.clear();
  for (TLink* object : ordered)
    (nodes[object].inFirst ? first : second).push_back(object);
}
