#pragma once
// Which objects must be recomputed after some objects changed. Every object names the objects
// whose formulas read it (its AddFormulaDependants); the walk follows those links from the
// changed objects, directly and through other formulas, and orders what it finds so that each
// object comes after everything its formula reads among them. Formulas that read each other in
// a circle cannot be computed in any order: the walk refuses them.

#include <cstdint>
#include <vector>

class TLink;

// Formulas that read each other in a circle.
inline constexpr int16_t kErrFormulaCycle = -25109;

class TFormulaDependants {
 public:
  // A changed object; each is taken once.
  void AddSource(TLink* object);
  const std::vector<TLink*>& Sources() const { return sources_; }
  bool HasSources() const { return !sources_.empty(); }
  void Clear() { sources_.clear(); }

  // Fills first and second with the readers in recompute order, each in the list that an object
  // named it in (the first when it was named in both). A changed object appears only when
  // another changed object's dependants read it. Raises kErrFormulaCycle, with nothing filled in,
  // when formulas read each other in a circle.
  void Collect(std::vector<TLink*>& first, std::vector<TLink*>& second) const;

 private:
  std::vector<TLink*> sources_;
};
