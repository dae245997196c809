#include <gtest/gtest.h>

#include <map>

#include "core/Failure.h"
#include "model/Link.h"
#include "model/command/FormulaDependants.h"

namespace {

// An object that names its readers: those in its first list and those in its second.
class TReadObject : public TLink {
 public:
  void AddFormulaDependants(uint16_t, std::vector<TLink*>& first,
                            std::vector<TLink*>& second) override {
    first.insert(first.end(), firstReaders.begin(), firstReaders.end());
    second.insert(second.end(), secondReaders.begin(), secondReaders.end());
  }
  std::vector<TLink*> firstReaders, secondReaders;
};

int16_t ErrorOf(const TFormulaDependants& walk) {
  std::vector<TLink*> first, second;
  try {
    walk.Collect(first, second);
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

TEST(FormulaDependantsTest, EveryObjectComesAfterAllItReads) {
  // a is read by b and c; d reads both b and c (through the second list from c); e reads d.
  TReadObject a, b, c, d, e, unrelated;
  a.firstReaders = {&b, &c};
  b.firstReaders = {&d};
  c.secondReaders = {&d};
  d.secondReaders = {&e};
  TFormulaDependants walk;
  walk.AddSource(&a);
  walk.AddSource(&a);
  walk.AddSource(&unrelated);
  EXPECT_EQ(walk.Sources().size(), 2u);
  std::vector<TLink*> first, second;
  walk.Collect(first, second);
  EXPECT_EQ(second, std::vector<TLink*>{&e});
  ASSERT_EQ(first.size(), 3u);
  std::map<TLink*, size_t> at;
  for (size_t i = 0; i < first.size(); ++i)
    at[first[i]] = i;
  EXPECT_LT(at[&b], at[&d]);
  EXPECT_LT(at[&c], at[&d]);
}

TEST(FormulaDependantsTest, AChangedObjectThatReadsAnotherIsRecomputedAfterIt) {
  TReadObject a, b;
  a.firstReaders = {&b};
  TFormulaDependants walk;
  walk.AddSource(&b);
  walk.AddSource(&a);
  std::vector<TLink*> first, second;
  walk.Collect(first, second);
  EXPECT_EQ(first, std::vector<TLink*>{&b});
}

TEST(FormulaDependantsTest, FormulasThatReadEachOtherInACircleAreRefused) {
  TReadObject a, b, c;
  a.firstReaders = {&b};
  b.secondReaders = {&c};
  c.firstReaders = {&a};
  TFormulaDependants circle;
  circle.AddSource(&b);
  EXPECT_EQ(ErrorOf(circle), kErrFormulaCycle);

  TReadObject self;
  self.firstReaders = {&self};
  TFormulaDependants itself;
  itself.AddSource(&self);
  EXPECT_EQ(ErrorOf(itself), kErrFormulaCycle);

  // Two roads to one object are no circle.
  c.firstReaders.clear();
  a.secondReaders = {&c};
  TFormulaDependants diamond;
  diamond.AddSource(&a);
  EXPECT_EQ(ErrorOf(diamond), 0);
}

}  // namespace
