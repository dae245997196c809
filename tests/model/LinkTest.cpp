#include "model/Link.h"

#include <gtest/gtest.h>

#include "core/port/PortText.h"

namespace {

class CountingOwner : public TLinkOwner {
 public:
  int changes = 0;
  void ObjectChanged(TLink&) override { ++changes; }
  RGB16Color DisplayColour(const RGB16Color& c) override { return {c.green, c.red, c.blue}; }
  void TrackingEnabled() override {}
  std::optional<MacPoint> WorldToScreen(const TVector&) override { return MacPoint(); }
  double GridSpacing() const override { return 0.0; }
  double AngleStep() const override { return 0.0; }
};

class Listener : public TSingleStyleLink {
 public:
  std::vector<std::pair<TLink*, uint16_t>> notices;
  void LinkedChanged(TLink& source, uint16_t value) override {
    notices.emplace_back(&source, value);
  }
};

TEST(LinkTest, LinkingIsMutualOnceAndUndoneByDestruction) {
  CountingOwner owner;
  TLink world;
  world.SetOwner(&owner);
  Listener a, b;
  world.AddDependent(&a);
  world.AddDependent(&a);
  a.AddDependent(&world);
  world.AddDependent(nullptr);
  world.AddDependent(&world);
  EXPECT_EQ(world.Linked(), (std::vector<TLink*>{&a}));
  EXPECT_EQ(a.Linked(), (std::vector<TLink*>{&world}));
  EXPECT_EQ(owner.changes, 0);  // linking is no change of the link
  {
    Listener temporary;
    world.AddDependent(&temporary);
    EXPECT_EQ(world.GetCount(), 2);
  }
  EXPECT_EQ(world.Linked(), (std::vector<TLink*>{&a}));
  world.AddDependent(&b);
  world.ForEachLinked(1);
  EXPECT_EQ(a.notices, (std::vector<std::pair<TLink*, uint16_t>>{{&world, 1}}));
  EXPECT_EQ(b.notices.size(), 1u);
  world.RemoveDependent(&a);
  EXPECT_TRUE(a.Linked().empty());
  EXPECT_EQ(world.Linked(), (std::vector<TLink*>{&b}));
}

TEST(LinkTest, DependentsAreReplacedAndRemoved) {
  TLink holder, a, b;
  EXPECT_EQ(holder.SetDependent(nullptr, &a), &a);
  EXPECT_EQ(holder.SetDependent(&a, &b), &b);
  EXPECT_EQ(holder.Linked(), (std::vector<TLink*>{&b}));
  EXPECT_TRUE(a.Linked().empty());
  EXPECT_EQ(holder.SetDependent(&b, &b), &b);
  holder.ObjectRemoved(&b);
  EXPECT_TRUE(holder.Linked().empty());
  EXPECT_TRUE(b.Linked().empty());
}

TEST(LinkTest, TableListsWithoutLinkingBack) {
  TLink518 table;
  TLink object;
  table.AddDependent(&object);
  table.AddDependent(&object);
  EXPECT_EQ(table.GetCount(), 2);
  EXPECT_TRUE(object.Linked().empty());
  EXPECT_TRUE(table.IsMemberClass(518));
  EXPECT_TRUE(table.IsMemberClass(322));  // a link is a list
}

TEST(LinkTest, ChangesAndColoursGoThroughTheOwner) {
  TDisplayLink link;
  link.Initialize();
  link.Changed();  // no owner: nothing
  EXPECT_EQ(link.GetDisplayColour({1, 2, 3}), (RGB16Color{1, 2, 3}));
  CountingOwner owner;
  link.SetOwner(&owner);
  EXPECT_EQ(link.GetDisplayColour({1, 2, 3}), (RGB16Color{3, 1, 2}));
  link.SetName("quiet");  // name label hidden: no redraw
  EXPECT_EQ(owner.changes, 0);
  link.SetFlagProperty(MakeTag("hidN"), 0);
  EXPECT_EQ(link.IsNameShown(), 1);
  EXPECT_EQ(owner.changes, 1);
  link.SetFlagProperty(MakeTag("shoN"), 1);  // unchanged
  EXPECT_EQ(owner.changes, 1);
  link.SetName("shown");
  EXPECT_EQ(owner.changes, 2);
  uint16_t value = 5;
  EXPECT_EQ(link.GetFlagProperty(MakeTag("hidN"), value, nullptr), 1);
  EXPECT_EQ(value, 0);
  Str255 name;
  EXPECT_EQ(link.GetStringProperty(MakeTag("name"), name, nullptr), 1);
  EXPECT_TRUE(name == Str255("shown"));
  EXPECT_EQ(link.GetStringProperty(MakeTag("desc"), name, nullptr), 0);
}

TEST(LinkTest, NamePlaceholderTakesTheNumberText) {
  TNamedLink link;
  link.SetNumberText("12");
  link.SetName("Body \xA5 of \xA5");
  link.FillNamePlaceholder();
  EXPECT_TRUE(link.GetName() == Str255("Body 12 of 12"));
  link.SetName("Pin $");
  link.FillNamePlaceholder();
  EXPECT_TRUE(link.GetName() == Str255("Pin 12"));
  link.SetName("Plain");
  link.FillNamePlaceholder();
  EXPECT_TRUE(link.GetName() == Str255("Plain"));
}

TEST(LinkTest, TheFirstLinkMadeTakesTheLoadedDefaultStyle) {
  // As in a fresh process: nothing has asked for the default style yet.
  ResetFaceTable();
  ResetDefaultFontSize();
  DefaultFont() = FontSpec{};
  FontNumberFromName(Str255("Some Other Face"));  // another face took number 0 first
  Listener first;
  first.Initialize();
  const int16_t size = GetDefaultFontSize();
  EXPECT_GT(size, 0);
  EXPECT_EQ(first.GetFont().size, size);
  EXPECT_EQ(first.GetFont(), DefaultFont());
  Str255 face;
  FontNameFromNumber(first.GetFont().fontNumber, face);
  EXPECT_STRNE(face.Chars(), "Some Other Face");
  EXPECT_GT(face.Length(), 0);
  Listener later;
  later.Initialize();
  EXPECT_EQ(later.GetFont(), first.GetFont());
}

}  // namespace
