// Dialog items over their controls: formula fields in display units (conversion before the
// range check, refused formulas, the kept text, values passed on), the popup list operations,
// check box states, and the colour popup's swatches, mixed selections and colour chooser.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/port/Port.h"
#include "platform/win32/Button.h"
#include "platform/win32/ColorChooser.h"
#include "platform/win32/Trackbar.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/WindowDc.h"
#include "simulation/DimensionCode.h"
#include "simulation/Engine.h"
#include "simulation/UnitHandler.h"
#include "tests/ui/dialogs/DialogFixture.h"
#include "ui/controls/MacStatic.h"
#include "ui/dialogs/SelectionBinding.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/ColorPopup.h"
#include "ui/items/FormulaField.h"
#include "ui/items/ItemListItem.h"
#include "ui/items/LinkedCheckBox.h"
#include "ui/items/SliderItem.h"
#include "ui/items/TextPopup.h"
#include "ui/items/ItemRecord.h"
#include "ui/items/MacItems.h"
#include "ui/items/EditTextItems.h"
#include "ui/items/TableItem.h"
#include "ui/controls/GridView.h"
#include "ui/items/GridEditItem.h"
#include "ui/dialogs/DialogFlags.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Font.h"
#include "model/Link.h"
#include <tuple>
#include "core/Failure.h"

namespace dialog_test {
namespace {

constexpr int16_t kItemsDialog = 9501;

class ItemsTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    RegisterMacItemKinds();
    RegisterFormulaFieldKinds();
    RegisterColorPopupKind();
    RegisterLinkedCheckBoxKinds();
    RegisterSliderKind();
    RegisterTextPopupKinds();
    BuildItemsModule();
    SetResourceModule1(LoadResourceLibrary("items-test.dll"));
    dialog_ = std::make_unique<TWindowsDialog>(nullptr, kItemsDialog, &owner_);
    dialog_->CreateModeless();
  }
  void TearDown() override {
    dialog_.reset();
    for (uint16_t kind : {3, 4, 5, 6, 16, 17, 18, 19, 20, 21, 22, 23, 32, 33, 34, 48, 96}) RegisterItemKind(kind, nullptr);
    SetResourceModule1(nullptr);
    UnregisterResourceModule("items-test.dll");
    DialogFixture::TearDown();
  }

  // Fields 201 (formula, label 202), 203 (number), 204 and 205 (linked number fields, 204 passing
  // on to "    " then "nmB_"), check box 206, popup 207, colour popup 208.
  void BuildItemsModule() {
    DialogTemplateWriter writer;
    writer.Header(WS_POPUP | WS_CAPTION, 12, "Items", 220, 200);
    writer.Item(WS_TABSTOP | WS_BORDER, 220, kEditOrdinal, "", 8, 160, 60, 12);
    writer.Item(BS_OWNERDRAW, 230, kButtonOrdinal, "", 170, 160, 16, 16);
    writer.Item(BS_OWNERDRAW, 231, kButtonOrdinal, "", 190, 160, 16, 16);
    writer.Item(WS_TABSTOP | WS_BORDER, 201, kEditOrdinal, "", 8, 8, 80, 12);
    writer.Item(0, 202, kStaticOrdinal, "", 92, 10, 40, 10);
    writer.Item(WS_TABSTOP | WS_BORDER, 203, kEditOrdinal, "", 8, 24, 80, 12);
    writer.Item(WS_TABSTOP | WS_BORDER, 204, kEditOrdinal, "", 8, 40, 80, 12);
    writer.Item(WS_TABSTOP | WS_BORDER, 205, kEditOrdinal, "", 8, 56, 80, 12);
    writer.Item(WS_TABSTOP | BS_AUTO3STATE, 206, kButtonOrdinal, "Shown", 8, 72, 80, 12);
    writer.Item(WS_TABSTOP | 0x3 | 0x200, 207, 0x85, "", 8, 88, 80, 60);
    writer.Item(WS_TABSTOP | 0x3 | 0x10 | 0x200, 208, 0x85, "", 100, 88, 60, 80);
    writer.Item(WS_TABSTOP | BS_AUTOCHECKBOX, 210, kButtonOrdinal, "Limits", 8, 140, 80, 12);
    template_ = writer.bytes;
    FilterBytes list;
    list.Word(12);
    list.Word(3).Tag("len_");
    list.Word(3).Word(1).Word(201).Long(2).Word(8).Word(8).Word(88).Word(20).Text("");
    list.Word(202).Long(0x50000000).Word(92).Word(10).Word(132).Word(20).Text("");
    list.Word(0).Word(0).Word(0).Word(1);
    list.Word(5).Tag("num_").Record(1, 203, 2, 8, 24, 88, 36, "");
    list.Word(6).Tag("nmA_").Record(1, 204, 2, 8, 40, 88, 52, "");
    list.Tag("    ").Tag("nmB_").Tag("    ").Tag("    ");
    list.Word(6).Tag("nmB_").Record(1, 205, 2, 8, 56, 88, 68, "");
    list.Tag("    ").Tag("    ").Tag("    ").Tag("    ");
    list.Word(32).Tag("shwG").Record(1, 206, 0, 8, 72, 88, 84, "");
    list.Word(16).Tag("kind").Record(1, 207, 0, 8, 88, 88, 148, "");
    list.Word(21).Tag("fiCo").Record(1, 208, 0, 100, 88, 160, 168, "");
    list.Word(0).Tag("pick").Tag("    ").Tag("pick").Word(4);
    for (uint32_t swatch : {0x000000u, 0x0000FFu, 0x00FF00u, 0x000000u, 0u, 0u, 0u, 0u, 0u, 0u,
                            0u, 0u}) {
      list.Long(swatch);
    }
    list.Text("Fill colour");
    // Seven links: the field of item 201, one to no item, then five more of which only the
    // first five links are kept.
    list.Word(33).Tag("lim_").Record(1, 210, 0, 8, 140, 88, 152, "");
    list.Word(0x01FF).Word(7);
    list.Word(201).Tag("len_").Word(999).Tag("none");
    for (int i = 0; i < 4; ++i) list.Word(203).Tag("none");
    list.Word(203).Tag("num_");
    // A bitmap check box made from its record, item number 1.
    list.Word(34).Tag("bmp_").Record(0, 1, 0x5001000B, 100, 140, 120, 156, "");
    list.Word(0).Word(0);
    // A slider (0 to 1, buttons at 0.25 and 0.75) before its field 49 numbers below it.
    list.Word(96).Tag("sld_").Record(0, 269, 0x50000000, 72, 160, 160, 176, "");
    list.Word(1).Word(2).Text("0").Text("1").Word(230).Text("0.25").Word(231).Text("0.75");
    list.Word(3).Tag("sld_");
    list.Word(1).Word(1).Word(220).Long(2).Word(8).Word(160).Word(68).Word(172).Text("");
    list.Word(0).Word(0).Word(0).Word(1);
    // A text popup titled "Several" with three values; its label made beside it.
    list.Word(17).Tag("pick");
    list.Word(1).Word(0).Word(250).Long(0x50210203).Word(100).Word(180).Word(160).Word(240);
    list.Text("Several");
    list.Word(251).Long(0x50000000).Word(60).Word(182).Word(38).Word(10).Text("Kind:");
    list.Word(0).Word(0).Word(0).Word(1);
    list.Word(3).Text(" Fixed").Text(" Free").Text("Plain").Word(10).Word(20).Word(30);
    list_ = list.Bytes();
    entries_ = {ResourceEntry{nullptr, 5, nullptr, kItemsDialog, template_.data(),
                              static_cast<uint32_t>(template_.size())},
                ResourceEntry{"fltr", 0, nullptr, kItemsDialog, list_.data(),
                              static_cast<uint32_t>(list_.size())}};
    RegisterResourceModule(ResourceModuleTable{"items-test.dll", entries_.data(),
                                               static_cast<uint32_t>(entries_.size())});
  }

  template <class Item>
  Item* ItemTagged(const char (&tag)[5]) {
    return dynamic_cast<Item*>(dialog_->ItemOfViewIdentifier(MakeTag(tag)));
  }
  // What a refresh of one object's value gives the field.
  static void Show(TFormulaFieldView& field, double value, double low, double high,
                   uint32_t kind) {
    field.ResetValue();
    field.ReceiveFormula(std::make_unique<TFormula>(value).get(), low, high, kind);
    field.FinishRefresh(1, 1);
  }
  static void Type(TMacDialogItem& item, const char* text) {
    SetWindowText(item.ControlWindow()->GetSafeHwnd(), text);
  }

  TRecordingOwner owner_;
  std::unique_ptr<TWindowsDialog> dialog_;

 private:
  std::vector<uint8_t> template_, list_;
  std::vector<ResourceEntry> entries_;
};

TEST_F(ItemsTest, AFormulaFieldReadsOtherUnitsBeforeItsRangeAndKeepsItsText) {
  auto* field = ItemTagged<TFormulaFieldView>("len_");
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->GetBindingKind(), 1005);
  TWorldUnitHandler units;
  field->SetUnitHandler(&units);
  Show(*field, 0.5, 0.0, 1.0, kDimensionLength);
  ASSERT_NE(field->GetUnitsLabel(), nullptr);
  EXPECT_EQ(GetWindowTextString(field->GetUnitsLabel()->GetSafeHwnd()), "m");
  const std::string shown = GetWindowTextString(field->ControlWindow()->GetSafeHwnd());
  EXPECT_EQ(std::stod(shown), 0.5);

  // Typing the kept text again commits nothing.
  EXPECT_EQ(field->CommitText(), 0);
  EXPECT_EQ(field->IsValueChanged(), 0);
  // 3 ft is 0.9144 m, inside the range; 4 ft is not, and -1 is below it.
  Type(*field, "3 ft");
  EXPECT_EQ(field->CommitText(), 0);
  EXPECT_NEAR(field->Value().GetValue(), 0.9144, 1e-12);
  TFormula read;
  EXPECT_TRUE(field->ReadFormula(read));
  EXPECT_NEAR(read.GetValue(), 0.9144, 1e-12);
  Type(*field, "4 ft");
  EXPECT_EQ(field->CommitText(), kErrAboveMaximum);
  Type(*field, "-1");
  EXPECT_EQ(field->CommitText(), kErrBelowMinimum);
  EXPECT_NEAR(field->Value().GetValue(), 0.9144, 1e-12);
  field->RestorePreviousText();
  EXPECT_EQ(GetWindowTextString(field->ControlWindow()->GetSafeHwnd()), "3 ft");

  // An object that gives no range (both ends 0, as a rope's length) takes any length.
  Show(*field, 0.2, 0.0, 0.0, kDimensionLength);
  Type(*field, "2.5");
  EXPECT_EQ(field->CommitText(), 0);
  EXPECT_NEAR(field->Value().GetValue(), 2.5, 1e-12);
}

TEST_F(ItemsTest, MixedValuesShowNothingAndATypedValueIsOneForAll) {
  auto* field = ItemTagged<TFormulaFieldView>("len_");
  ASSERT_NE(field, nullptr);
  field->ResetValue();
  field->ReceiveFormula(std::make_unique<TFormula>(1.0).get(), -10, 10, kDimensionLength);
  field->ReceiveFormula(std::make_unique<TFormula>(2.0).get(), -10, 10, kDimensionLength);
  field->FinishRefresh(1, 1);
  EXPECT_EQ(field->IsUndefined(), 1);
  EXPECT_EQ(GetWindowTextString(field->ControlWindow()->GetSafeHwnd()), "");
  TFormula read;
  EXPECT_FALSE(field->ReadFormula(read));
  Type(*field, "3");
  EXPECT_EQ(field->CommitText(), 0);
  EXPECT_TRUE(field->ReadFormula(read));
  EXPECT_EQ(read.GetValue(), 3.0);
  EXPECT_EQ(field->IsChanged(), 1);
}

TEST_F(ItemsTest, NumberFieldsRefuseFormulasAndLinkedFieldsPassValuesOn) {
  auto* number = ItemTagged<TNumberFieldView>("num_");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->GetBindingKind(), 1006);
  Show(*number, 1.0, -100, 100, kNoUnitKind);
  Type(*number, "2*t");
  EXPECT_EQ(number->CommitText(), kErrFormulaRefused);

  auto* first = ItemTagged<TLinkedNumberFieldView>("nmA_");
  auto* second = ItemTagged<TLinkedNumberFieldView>("nmB_");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->LinkedTags()[1], MakeTag("nmB_"));
  // Each field keeps its own tags.
  EXPECT_EQ(second->LinkedTags()[1], MakeTag("    "));
  Show(*first, 1.0, -100, 100, kNoUnitKind);
  Show(*second, 1.0, -100, 100, kNoUnitKind);
  Type(*first, "7");
  EXPECT_EQ(first->CommitText(), 0);
  EXPECT_EQ(second->Value().GetValue(), 7.0);
  EXPECT_EQ(GetFocus(), second->ControlWindow()->GetSafeHwnd());
  // A disabled field is passed over.
  second->ControlWindow()->EnableWindow(FALSE);
  Type(*first, "8");
  first->CommitText();
  EXPECT_EQ(second->Value().GetValue(), 7.0);
  EXPECT_FALSE(first->PassOnValue());
}

TEST_F(ItemsTest, PopupListsMarkInsertAndChoose) {
  auto* popup = ItemTagged<TMacPopupItem>("kind");
  ASSERT_NE(popup, nullptr);
  popup->AppendItem(Str255(" Fixed"), 1);
  popup->AppendItem(Str255("Free"), 1);
  popup->AppendItem(Str255("Plain"), 0);
  popup->InsertItem(Str255("New"), 0);
  popup->InsertItem(Str255(), 0);
  Str255 text;
  const auto at = [&](int32_t i) {
    popup->GetItemText(i, text);
    return std::string(text.AsCString());
  };
  EXPECT_EQ(at(0), "\x9FNew");
  EXPECT_EQ(at(1), "*Fixed");
  EXPECT_EQ(at(2), "*Free");
  EXPECT_EQ(at(3), "Plain");
  EXPECT_EQ(at(9), "");
  popup->ReceiveChoice(3);
  popup->FinishRefresh(1, 1);
  EXPECT_EQ(popup->GetSelection(), 2);
  uint32_t choice = 0;
  ASSERT_TRUE(popup->ReadChoice(choice));
  EXPECT_EQ(choice, 3u);
  // Checked before the dialog takes its value, any entry other than the one shown is a change.
  popup->CheckText();
  EXPECT_EQ(popup->IsChanged(), 0);
  popup->SelectEntry(1);
  popup->CheckText();
  EXPECT_EQ(popup->IsChanged(), 1);
  popup->ClearItems();
  EXPECT_EQ(popup->EntryCount(), 0);
}

TEST_F(ItemsTest, AnItemListAddsItsRecordsTextsToItsControl) {
  const auto record = [](int16_t count, const std::string& texts) {
    FilterBytes bytes;
    bytes.Record(0, 209, 0x50200003, 100, 8, 160, 60, "");
    bytes.Word(static_cast<uint16_t>(count));
    std::vector<uint8_t> all = bytes.Bytes();
    all.insert(all.end(), texts.begin(), texts.end());
    all.push_back(0xEE);  // the next record's first byte
    return all;
  };
  // Three texts of one, two and no characters: 6 bytes after the count.
  const std::vector<uint8_t> three = record(3, std::string("a\0bc\0\0", 6));
  TItemRecordCursor cursor(three);
  auto item = std::make_unique<TItemListDialogItem>();
  item->InitItem(dialog_.get(), MakeTag("list"), &cursor);
  EXPECT_EQ(cursor.Remaining(), 1u);
  EXPECT_EQ(item->IsListReady(), 1);
  ASSERT_EQ(item->EntryCount(), 3);
  EXPECT_EQ(item->EntryText(1), Str255("bc"));
  EXPECT_EQ(item->EntryText(2), Str255(""));
  item->SetUpControl();
  EXPECT_EQ(item->EntryCount(), 6);

  // A negative count gives no list; a count of 0 reads nothing after it.
  for (int16_t count : {int16_t{-2}, int16_t{0}}) {
    const std::vector<uint8_t> none = record(count, "");
    TItemRecordCursor at(none);
    auto empty = std::make_unique<TItemListDialogItem>();
    empty->InitItem(dialog_.get(), MakeTag("list"), &at);
    EXPECT_EQ(at.Remaining(), 1u);
    EXPECT_EQ(empty->EntryCount(), 0);
  }
}

TEST_F(ItemsTest, LinkedCheckBoxesShowTheirItemsOnlyWhileTicked) {
  auto* box = ItemTagged<TLinkedCheckBox>("lim_");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->LinkCount(), kMaxCheckBoxLinks);
  EXPECT_EQ(box->GetRecordValue(), -1);
  auto* field = ItemTagged<TFormulaFieldView>("len_");
  auto* number = ItemTagged<TNumberFieldView>("num_");
  const HWND fieldWindow = field->ControlWindow()->GetSafeHwnd();
  // Whether the window itself is shown (the dialog of the test is not on screen).
  const auto IsWindowVisible = [](HWND window) {
    return (GetWindowLongPtr(window, GWL_STYLE) & WS_VISIBLE) != 0;
  };
  box->SetValue(1, true);
  EXPECT_TRUE(IsWindowVisible(fieldWindow));
  EXPECT_EQ(field->GetHidden(1), 0);
  for (int32_t state : {0, 2}) {
    box->SetValue(1, true);
    box->SetValue(state, true);
    EXPECT_FALSE(IsWindowVisible(fieldWindow)) << state;
    EXPECT_EQ(field->GetHidden(1), 1);
  }
  // The sixth link was not kept: its item stays as it was.
  EXPECT_TRUE(IsWindowVisible(number->ControlWindow()->GetSafeHwnd()));
  box->SetValue(1, true);
  EXPECT_TRUE(IsWindowVisible(fieldWindow));
}

TEST_F(ItemsTest, BitmapCheckBoxesDrawTheirClearAndTickedPictures) {
  auto* box = ItemTagged<TBitmapCheckBox>("bmp_");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->BitmapFor(false), 1001);
  EXPECT_EQ(box->BitmapFor(true), 3001);
  const HWND window = box->ControlWindow()->GetSafeHwnd();
  const HDC screen = GetDC(window);
  const auto draw = [&](bool ticked) {
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP target = CreateCompatibleBitmap(screen, 16, 16);
    const HGDIOBJ old = SelectObject(memory, target);
    box->SetValue(ticked ? 1 : 0, false);
    DRAWITEMSTRUCT item;
    item.hDC = memory;
    item.rcItem = RECT{0, 0, 16, 16};
    box->DrawEntire(&item);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) pixels.push_back(GetPixel(memory, x, y));
    }
    SelectObject(memory, old);
    DeleteObject(target);
    DeleteDC(memory);
    return pixels;
  };
  const std::vector<COLORREF> clear = draw(false);
  const std::vector<COLORREF> ticked = draw(true);
  // Both draw the box's frame; only the ticked one has ink inside it.
  EXPECT_EQ(clear[1 * 16 + 5], 0x000000u);
  EXPECT_EQ(clear[8 * 16 + 6], 0xFFFFFFu);
  EXPECT_EQ(ticked[1 * 16 + 5], 0x000000u);
  EXPECT_EQ(ticked[10 * 16 + 6], 0x000000u);
  ReleaseDC(window, screen);
}

TEST_F(ItemsTest, ASliderShowsItsFieldAndWritesConstantsIntoIt) {
  auto* slider = ItemTagged<TSliderItemView>("sld_");
  auto* field = dynamic_cast<TFormulaFieldView*>(dialog_->FirstItemThat([](TMacDialogItem* item) {
    return item->GetViewIdentifier() == MakeTag("sld_") && item->IsMemberClass(617);
  }));
  ASSERT_NE(slider, nullptr);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->GetCompanionSlider(), slider);
  EXPECT_EQ(slider->ButtonCount(), 2);
  // Minimum 0 and maximum 1: positions 0 to 20.
  EXPECT_EQ(slider->RangeMin(), 0);
  EXPECT_EQ(slider->RangeMax(), 20);

  Show(*field, 0.5, -5.0, 5.0, kNoUnitKind);
  EXPECT_EQ(slider->GetField(), field);
  EXPECT_EQ(slider->GetLow(), 0.0);
  EXPECT_EQ(slider->GetHigh(), 1.0);
  const HWND bar = slider->ControlWindow()->GetSafeHwnd();
  EXPECT_EQ(SendMessage(bar, TBM_GETPOS, 0, 0), 10);
  // A tick every 2 positions, 0 to 20.
  EXPECT_EQ(SendMessage(bar, TBM_GETNUMTICS, 0, 0), 11);
  // Positions run opposite to values.
  EXPECT_EQ(slider->PositionToValue(0), 1.0);
  EXPECT_EQ(slider->PositionToValue(20), 0.0);
  EXPECT_EQ(slider->PositionToValue(5), 0.75);
  EXPECT_EQ(slider->ValueToPosition(-1.0), 20);
  EXPECT_EQ(slider->ValueToPosition(2.0), 0);

  // A formula in the field: the slider shows no value; dragging puts a constant in its place.
  TFormula formula;
  formula.SetFromPieces(Str255("2*x"));
  ASSERT_TRUE(formula.IsFormula());
  field->ResetValue();
  field->ReceiveFormula(&formula, -5.0, 5.0, kNoUnitKind);
  field->FinishRefresh(1, 1);
  EXPECT_EQ(slider->IsUndefined(), 1);
  SendMessage(bar, WM_HSCROLL, MAKELPARAM(TB_THUMBTRACK, 5), reinterpret_cast<LPARAM>(bar));
  slider->Track(5);
  EXPECT_FALSE(field->Value().IsFormula());
  EXPECT_EQ(field->Value().GetValue(), 0.75);
  EXPECT_EQ(field->IsChanged(), 1);
  slider->CommitValue();
  EXPECT_EQ(owner_.acceptedTags.size(), 0u);  // the test's owner is no property dialog

  // A button puts its value in.
  slider->ButtonPressed(slider->Button(0)->GetValue());
  EXPECT_EQ(field->Value().GetValue(), 0.25);
  EXPECT_EQ(SendMessage(bar, TBM_GETPOS, 0, 0), 15);

  // An empty value range puts the thumb at the minimum.
  field->ResetValue();
  field->ReceiveFormula(std::make_unique<TFormula>(0.5).get(), 0.8, 0.2, kNoUnitKind);
  field->FinishRefresh(1, 1);
  EXPECT_EQ(slider->ValueToPosition(0.5), 0);

  slider->SetVisible(0);
  EXPECT_EQ(GetWindowLongPtr(bar, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_EQ(GetWindowLongPtr(slider->Button(1)->GetSafeHwnd(), GWL_STYLE) & WS_VISIBLE, 0);
}

TEST_F(ItemsTest, ItemsThatGrowAcrossWidenTheirControlsWhileTheWidthStaysPositive) {
  const auto make = [&](auto item, int16_t number, uint16_t growsDown) {
    FilterBytes bytes;
    bytes.Record(0, number, 0x50000000, 10, 150, 30, 170, "Go", 1, growsDown);
    TItemRecordCursor cursor(bytes.Bytes());
    item->InitItem(dialog_.get(), MakeTag("grow"), &cursor);
    return item;
  };
  const auto place = [](TMacDialogItem& item) {
    RECT rect{};
    GetWindowRectInParent(item.ControlWindow()->GetSafeHwnd(), rect,
                          item.ControlWindow()->GetParent()->GetSafeHwnd());
    return rect;
  };
  auto button = make(std::make_unique<TMacButtonItem>(), 241, 0);
  const RECT before = place(*button);
  button->MoveRightEdge(-(before.right + 10), 0);
  EXPECT_EQ(place(*button).right, before.right);
  button->MoveRightEdge(15, 0);
  EXPECT_EQ(place(*button).right, before.right + 15);
  EXPECT_EQ(place(*button).left, before.left);

  auto frame = make(std::make_unique<TMacClusterItem>(), 242, 1);
  const RECT framed = place(*frame);
  frame->MoveRightEdge(5, 7);
  EXPECT_EQ(place(*frame).right, framed.right + 5);
  EXPECT_EQ(place(*frame).bottom, framed.bottom + 7);
  // A radio keeps its width.
  auto radio = make(std::make_unique<TMacRadioItem>(), 243, 0);
  const RECT radioBefore = place(*radio);
  radio->MoveRightEdge(20, 0);
  EXPECT_EQ(place(*radio).right, radioBefore.right);
}

TEST_F(ItemsTest, TextPopupsShowValuesAndMarkEveryValueOfDisagreeingObjects) {
  auto* popup = ItemTagged<TTextPopupView>("pick");
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->GetBindingKind(), 1011);
  EXPECT_EQ(popup->Values(), (std::vector<int16_t>{10, 20, 30}));
  ASSERT_NE(popup->GetLabel(), nullptr);
  EXPECT_EQ(popup->ItemOfValue(99), 0);
  const auto entries = [&] {
    std::vector<std::string> texts;
    for (int32_t i = 0; i < popup->EntryCount(); ++i) texts.push_back(popup->EntryText(i).AsCString());
    return texts;
  };
  // Two objects that agree: no title, no marks.
  popup->ResetValue();
  popup->ReceiveLong(20);
  popup->ReceiveLong(20);
  popup->FinishRefresh(1, 1);
  EXPECT_EQ(popup->GetCurrentItem(), 1);
  EXPECT_EQ(popup->GetSelection(), 1);
  EXPECT_EQ(entries(), (std::vector<std::string>{" Fixed", " Free", "Plain"}));
  EXPECT_EQ(GetWindowTextString(popup->GetLabel()->GetSafeHwnd()), "Kind:");

  // Three objects with 10, 30 and 10: the title, and a dash on each value present; an entry
  // without a leading blank keeps its text.
  popup->ResetValue();
  for (uint32_t value : {10u, 30u, 10u}) popup->ReceiveLong(value);
  popup->FinishRefresh(1, 1);
  EXPECT_EQ(popup->GetCurrentItem(), TTextPopupView::kMixed);
  EXPECT_EQ(entries(), (std::vector<std::string>{"Several", "-Fixed", " Free", "Plain"}));
  EXPECT_EQ(popup->GetSelection(), 0);
  int32_t item = 0;
  EXPECT_FALSE(popup->GetChosenItem(item));
  popup->SelectEntry(2);
  int16_t value = 0;
  ASSERT_TRUE(popup->GetChosenValue(value));
  EXPECT_EQ(value, 20);

  // The next refresh takes the title and the marks away again.
  popup->ResetValue();
  EXPECT_EQ(entries(), (std::vector<std::string>{" Fixed", " Free", "Plain"}));
}

TEST_F(ItemsTest, CheckBoxesShowClearTickedAndTheThirdState) {
  auto* box = ItemTagged<TMacCheckBoxItem>("shwG");
  ASSERT_NE(box, nullptr);
  const HWND window = box->ControlWindow()->GetSafeHwnd();
  for (const auto& [value, state] : std::vector<std::pair<int32_t, LRESULT>>{
           {1, BST_CHECKED}, {2, BST_INDETERMINATE}, {3, BST_UNCHECKED}, {0, BST_UNCHECKED}}) {
    box->SetValue(value, true);
    EXPECT_EQ(SendMessage(window, BM_GETCHECK, 0, 0), state) << value;
  }
  // The state at once: a disabled item is highlighted, and the value set is remembered.
  box->SetState(1, false, true);
  EXPECT_FALSE(box->IsEnabled());
  EXPECT_FALSE(IsWindowEnabled(window));
  EXPECT_EQ(box->GetHighlight(), 1);
  bool isOne = false;
  EXPECT_FALSE(box->TakeValueChange(isOne));
  box->SetValue(0, true);
  EXPECT_TRUE(box->TakeValueChange(isOne));
  EXPECT_FALSE(isOne);
  box->SetState(0, true, true);
  EXPECT_TRUE(IsWindowEnabled(window));
  // A click turns the value over and counts as a change.
  box->FinishRefresh(1, 1);
  SendMessage(window, BM_CLICK, 0, 0);
  EXPECT_EQ(box->GetValue(), 1);
  EXPECT_EQ(box->IsChanged(), 1);
}

TEST_F(ItemsTest, TheColourPopupFindsSwatchesMarksMixesAndChoosesOthers) {
  auto* popup = ItemTagged<TColorPopupView>("fiCo");
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->GetName(), Str255("Fill colour"));
  ASSERT_EQ(popup->Swatches().size(), 4u);
  EXPECT_EQ(popup->EntryCount(), 4);
  const RGB16Color red = ColorRefToRGB16(0x0000FF);
  const RGB16Color grey = ColorRefToRGB16(0x808080);
  EXPECT_EQ(popup->ItemOfColor(red), 1);
  // A colour no swatch holds shows on the other-colour entry.
  EXPECT_EQ(popup->ItemOfColor(grey), 3);

  popup->ResetValue();
  popup->ReceiveColour(red);
  popup->FinishRefresh(1, 1);
  EXPECT_EQ(popup->GetSelection(), 1);
  RGB16Color chosen{};
  EXPECT_FALSE(popup->ReadColour(chosen));

  // The linked popup draws in the colour shown.
  auto* linked = ItemTagged<TTextPopupView>("pick");
  ASSERT_NE(linked, nullptr);
  EXPECT_EQ(linked->GetForeground(), 0x0000FFu);
  EXPECT_EQ(linked->GetBackground(), 0x0000FFu);

  // Two objects of different colours: entry 0.
  popup->ResetValue();
  popup->ReceiveColour(red);
  popup->ReceiveColour(grey);
  popup->FinishRefresh(1, 1);
  EXPECT_EQ(popup->GetCurrentItem(), 0);
  EXPECT_EQ(popup->GetSelection(), 0);
  EXPECT_EQ(linked->GetForeground(), 0x000000u);
  EXPECT_EQ(linked->GetBackground(), 0xFFFFFFu);

  // The chooser: a basic swatch clicked, then OK; the custom colours are the run's.
  Script({[] {
            const HWND chooser = GetColorChooserWindow();
            ASSERT_NE(chooser, nullptr);
            SendMessage(chooser, WM_COMMAND, MAKELPARAM(kChooserBasicFirst + 9, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(chooser, kChooserBasicFirst + 9)));
            SendMessage(chooser, WM_COMMAND, MAKELPARAM(kChooserAddCustom, BN_CLICKED), 0);
          },
          [] { InjectKeyStroke(VK_RETURN); }});
  popup->SelectEntry(3);
  EXPECT_EQ(popup->LastEntryChosen(), 1);
  EXPECT_EQ(RGB16ToColorRef(popup->GetCurrentColor()), ChooserBasicColours()[9]);
  EXPECT_EQ(CustomColours()[0], ChooserBasicColours()[9]);
  ASSERT_TRUE(popup->ReadColour(chosen));
  EXPECT_EQ(RGB16ToColorRef(chosen), ChooserBasicColours()[9]);
  EXPECT_EQ(owner_.acceptedTags.back(), MakeTag("fiCo"));
  CustomColours().fill(0x00FFFFFF);
}

TEST_F(ItemsTest, TheChooserRefusesBadChannelsAndCancelChangesNothing) {
  std::array<COLORREF, 16> custom{};
  custom.fill(0x00FFFFFF);
  CHOOSECOLOR choose;
  choose.lStructSize = kChooseColorRecordSize;
  choose.rgbResult = 0x00102030;
  choose.lpCustColors = custom.data();
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  std::string red;
  Script({[&] {
            const HWND chooser = GetColorChooserWindow();
            red = GetDlgItemTextString(chooser, kChooserRed);
            SetDlgItemText(chooser, kChooserGreen, "300");
            InjectKeyStroke(VK_RETURN);
          },
          [&] {
            // Still open: the green field is refused.
            const HWND chooser = GetColorChooserWindow();
            ASSERT_NE(chooser, nullptr);
            SetDlgItemText(chooser, kChooserGreen, "64");
            InjectKeyStroke(VK_RETURN);
          }});
  EXPECT_TRUE(ChooseColorA(&choose));
  EXPECT_EQ(red, "48");
  EXPECT_EQ(choose.rgbResult, RGB(48, 64, 0x10));

  choose.rgbResult = 0x00102030;
  Script({[] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_FALSE(ChooseColorA(&choose));
  EXPECT_EQ(choose.rgbResult, 0x00102030u);
  choose.lStructSize = 12;
  EXPECT_FALSE(ChooseColorA(&choose));
}

}  // namespace
}  // namespace dialog_test

namespace dialog_test {
namespace {

// A text field made from its record in the items dialog: labelled (header word 2) or alone, a
// number field with its range between the bounds and the text.
template <class Item>
std::unique_ptr<Item> MakeField(TWindowsDialog& dialog, int16_t number, uint16_t headerWord,
                                int32_t minimum = 0, int32_t maximum = 0) {
  FilterBytes bytes;
  bytes.Word(headerWord).Word(0);
  if (headerWord == 2)
    bytes.Word(static_cast<uint16_t>(number + 1)).Long(0x50000000).Word(150).Word(8).Word(160)
        .Word(60).Text("ignored");
  bytes.Word(static_cast<uint16_t>(number)).Long(0x50800082).Word(70).Word(150).Word(130)
      .Word(162);
  if constexpr (std::is_same_v<Item, TNumberEditItem>)
    bytes.Long(static_cast<uint32_t>(minimum)).Long(static_cast<uint32_t>(maximum));
  bytes.Text("").Word(0).Word(0).Word(0).Word(1).Word(0xEEEE);
  TItemRecordCursor cursor(bytes.Bytes());
  auto item = std::make_unique<Item>();
  item->InitItem(&dialog, MakeTag("fld_"), &cursor);
  EXPECT_EQ(cursor.Remaining(), 2u);
  return item;
}

std::string WindowText(TMacDialogItem& item) {
  return item.ControlWindow()->GetWindowText();
}

TEST_F(ItemsTest, NumberFieldsTakeOnlyWholeNumbersWithinTheirRange) {
  auto open = MakeField<TNumberEditItem>(*dialog_, 260, 1, TNumberEditItem::kLeast,
                                         TNumberEditItem::kMost);
  EXPECT_EQ(open->GetKindMarker(), 1004);
  const std::pair<const char*, int16_t> texts[] = {
      {"", 0},     {"0", 0},     {"-0", 0},    {" 42 ", 0},  {"-2147483647", 0}, {"0.0", 4},
      {"1e3", 4},  {"12abc", 4}, {"abc", 4},   {"abc0", 4},  {"-", 4},           {"2147483648", 4},
      {"70000", 0}};
  for (const auto& [text, error] : texts) {
    Type(*open, text);
    EXPECT_EQ(open->CheckText(), error) << text;
  }
  auto ranged = MakeField<TNumberEditItem>(*dialog_, 262, 1, 1, 10);
  EXPECT_EQ(ranged->GetMinimum(), 1);
  EXPECT_EQ(ranged->GetMaximum(), 10);
  for (const auto& [text, error] : {std::pair{"0", 2}, {"1", 0}, {"10", 0}, {"11", 3},
                                    {"70000", 3}, {"-70000", 2}}) {
    Type(*ranged, text);
    EXPECT_EQ(ranged->CheckText(), error) << text;
  }
  Type(*ranged, "7");
  EXPECT_EQ(ranged->Value(), 7);

  // Clamped values are collected and shown; a typed value other than the shown one is entered.
  ranged->BeginCollecting();
  ranged->SetValueClamped(20);
  ranged->ShowCollected(true, true);
  EXPECT_EQ(WindowText(*ranged), "10");
  int32_t value = 0;
  EXPECT_EQ(ranged->ValueIfChanged(value), 0);
  Type(*ranged, "");
  EXPECT_EQ(ranged->ValueIfChanged(value), 0);
  Type(*ranged, "3");
  EXPECT_EQ(ranged->ValueIfChanged(value), 1);
  EXPECT_EQ(value, 3);
  ranged->SetNumber(-5, true);
  EXPECT_EQ(WindowText(*ranged), "-5");
}

TEST_F(ItemsTest, TextFieldsShowOnlyATextAllObjectsShare) {
  auto field = MakeField<TEditTextItem>(*dialog_, 264, 0);
  EXPECT_EQ(field->GetLabel(), nullptr);
  const auto collect = [&](std::initializer_list<const char*> texts) {
    field->BeginCollecting();
    for (const char* text : texts) field->Collect(Str255(text));
    field->ShowCollected(true, true);
    return WindowText(*field);
  };
  EXPECT_EQ(collect({"5", "5", "5"}), "5");
  EXPECT_EQ(collect({"5", "6", "5"}), "");
  EXPECT_EQ(collect({"", "x"}), "");
  // A plain field counts an emptied text as entered.
  EXPECT_EQ(collect({"abc"}), "abc");
  Type(*field, "");
  EXPECT_EQ(field->TextChanged(), 1);
  EXPECT_EQ(field->TextChanged(), 0);
  EXPECT_EQ(field->CheckText(), 0);

  // A disabled field shows its text greyed out.
  field->BeginCollecting();
  field->Collect(Str255("q"));
  field->ShowCollected(false, true);
  EXPECT_FALSE(field->IsEnabled());
  EXPECT_EQ(IsWindowEnabled(field->ControlWindow()->GetSafeHwnd()), FALSE);
}

TEST_F(ItemsTest, ALabelledFieldMakesItsLabelWhichFollowsIt) {
  auto field = MakeField<TEditTextItem>(*dialog_, 266, 2);
  TLabelStatic* label = field->GetLabel();
  ASSERT_NE(label, nullptr);
  const HWND labelWindow = label->GetSafeHwnd();
  ASSERT_NE(labelWindow, nullptr);
  EXPECT_EQ(GetDlgCtrlID(labelWindow), 267);
  EXPECT_EQ(label->GetLinkedItem(), 266);
  // Made with an empty title; the label text waits for the collected text to be shown.
  EXPECT_EQ(label->GetWindowText(), "");
  field->SetLabelText(Str255("Mass:"));
  EXPECT_EQ(label->GetWindowText(), "");
  field->BeginCollecting();
  field->ShowCollected(true, true);
  EXPECT_EQ(label->GetWindowText(), "Mass:");

  field->Show(1);
  EXPECT_NE(GetWindowLongPtr(labelWindow, GWL_STYLE) & WS_VISIBLE, 0);
  field->Show(0);
  EXPECT_EQ(GetWindowLongPtr(labelWindow, GWL_STYLE) & WS_VISIBLE, 0);
  field->SetEnabled(false);
  EXPECT_EQ(IsWindowEnabled(labelWindow), FALSE);
  field->SetEnabled(true);
  EXPECT_EQ(IsWindowEnabled(labelWindow), TRUE);

  // The label going first leaves the field without it.
  label->DestroyWindow();
  delete label;
  EXPECT_EQ(field->GetLabel(), nullptr);
}

// A number field follows whether the objects let its value be set: the engine works out the
// steps per frame itself while its step varies (Accurate mode), so the field and its label are
// greyed out then, showing 1, and come back when the step is fixed again.
TEST_F(ItemsTest, ANumberFieldIsGreyedWhileTheObjectsSayItCannotBeSet) {
  auto field = MakeField<TNumberEditItem>(*dialog_, 270, 2, 1, 32767);
  ASSERT_NE(field->GetLabel(), nullptr);
  field->SetPropertyTag(MakeTag("spfr"));
  TEngine engine;
  engine.SelectChoice(MakeTag("LkT/"));
  engine.SetIntProperty(MakeTag("spfr"), 4);
  std::vector<TLink*> selection{&engine};
  TSelectionBinding binding;
  binding.Attach(&selection, nullptr);
  const auto refresh = [&] {
    binding.RefreshItem(field.get(), 0);
    return WindowText(*field);
  };
  const auto greyed = [&] {
    const bool fieldOff = IsWindowEnabled(field->ControlWindow()->GetSafeHwnd()) == FALSE;
    const bool labelOff = IsWindowEnabled(field->GetLabel()->GetSafeHwnd()) == FALSE;
    EXPECT_EQ(fieldOff, labelOff);
    return fieldOff && !field->IsEnabled();
  };

  EXPECT_EQ(refresh(), "4");
  EXPECT_FALSE(greyed());
  engine.SelectChoice(MakeTag("Acc/"));
  EXPECT_EQ(refresh(), "1");
  EXPECT_TRUE(greyed());
  engine.SelectChoice(MakeTag("Fas/"));
  EXPECT_EQ(refresh(), "4");
  EXPECT_FALSE(greyed());
  engine.SelectChoice(MakeTag("VrT/"));
  refresh();
  EXPECT_TRUE(greyed());
}

TEST_F(ItemsTest, ATextFieldRecordOfAnotherKindStopsTheDialogSilently) {
  FilterBytes bytes;
  bytes.Word(3).Word(0).Word(268).Long(2).Word(0).Word(0).Word(10).Word(10).Text("");
  TItemRecordCursor cursor(bytes.Bytes());
  auto item = std::make_unique<TEditTextItem>();
  int16_t error = -1;
  try {
    item->InitItem(dialog_.get(), MakeTag("bad_"), &cursor);
  } catch (const QVException& failure) {
    error = failure.error();
  }
  EXPECT_EQ(error, kErrNone);
}

}  // namespace
}  // namespace dialog_test

namespace dialog_test {
namespace {

// An object with a table of points: row r's cells are x = r and y = 10 r plus its offset.
class TPointsObject : public TLink {
 public:
  TPointsObject(int32_t rows, double offset) : rows_(rows), offset_(offset) {}
  uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* extra) override {
    if (tag != kPointTableTag) return TLink::GetIntProperty(tag, value, extra);
    value = rows_;
    if (extra != nullptr) *static_cast<int16_t*>(extra) = 2;
    return 1;
  }
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override {
    if ((tag & 0xFFFF) != (kTableEditorTag & 0xFFFF)) return TLink::GetNumberProperty(tag, value, extra);
    const int32_t row = static_cast<int32_t>((tag >> 16) & 0x7FFF);
    value = ((tag & 0x80000000u) != 0 ? row : 10.0 * row) + offset_;
    return 1;
  }

 private:
  int32_t rows_;
  double offset_;
};

class TableItemTest : public ItemsTest {
 protected:
  void SetUp() override {
    ItemsTest::SetUp();
    RegisterTableItemKind();
    FilterBytes bytes;
    bytes.Word(270).Long(0x50000000).Word(8).Word(8).Word(208).Word(108).Text("");
    TItemRecordCursor cursor(bytes.Bytes());
    table = std::make_unique<TTableItem>();
    table->InitItem(dialog_.get(), kPointTableTag, &cursor);
    ASSERT_NE(table->List(), nullptr);
    ASSERT_NE(table->Editor(), nullptr);
  }
  void TearDown() override {
    table.reset();
    RegisterItemKind(64, nullptr);
    ItemsTest::TearDown();
  }
  void Key(UINT message, WPARAM key) {
    SendMessage(table->Editor()->ControlWindow()->GetSafeHwnd(), message, key, 0);
  }
  std::string EditorText() { return table->Editor()->ControlWindow()->GetWindowText(); }
  std::pair<int, int> Cell() const { return {table->CurrentRow(), table->CurrentColumn()}; }
  std::unique_ptr<TTableItem> table;
};

TEST_F(TableItemTest, ColumnsFollowTheRowWidthAndClicksFindTheirColumn) {
  const RECT row{0, 0, 700, 16};
  const RECT number = TTableItemBase::ColumnRect(row, 0);
  const RECT first = TTableItemBase::ColumnRect(row, 1);
  const RECT second = TTableItemBase::ColumnRect(row, 2);
  EXPECT_EQ(number.left, 2);
  EXPECT_EQ(number.right, 100);
  EXPECT_EQ(first.left, 102);
  EXPECT_EQ(first.right, 400);
  EXPECT_EQ(first.bottom, 15);
  EXPECT_EQ(second.left, 402);
  EXPECT_EQ(second.right, 700);
  EXPECT_EQ(TTableItemBase::ColumnAt(399, 700), 1);
  EXPECT_EQ(TTableItemBase::ColumnAt(400, 700), 2);

  HDC dc = GetDC(table->List()->GetSafeHwnd());
  SIZE whole{};
  const std::string text = "123456789012345678901234567890";
  GetTextExtentPoint32(dc, text.c_str(), static_cast<int32_t>(text.size()), &whole);
  const std::string fitted = TTableItemBase::FitText(dc, text, whole.cx / 2);
  SIZE size{};
  GetTextExtentPoint32(dc, fitted.c_str(), static_cast<int32_t>(fitted.size()), &size);
  EXPECT_LE(size.cx, whole.cx / 2 - 2);
  EXPECT_EQ(text.substr(0, fitted.size()), fitted);
  EXPECT_GT(fitted.size(), 3u);
  EXPECT_EQ(TTableItemBase::FitText(dc, "12", 1000), "12");
  ReleaseDC(table->List()->GetSafeHwnd(), dc);
}

TEST_F(TableItemTest, RowsAndCellsWrapAroundAndTheCellsNameTheirProperties) {
  TPointsObject a(3, 0.0);
  table->AttachObjects(nullptr, {&a});
  EXPECT_EQ(table->RowCount(), 3);
  EXPECT_EQ(SendMessage(table->List()->GetSafeHwnd(), LB_GETCOUNT, 0, 0), 3);
  table->SelectCell(3, 2);
  EXPECT_EQ(EditorText(), "30");
  table->NextCell();
  EXPECT_EQ(Cell(), std::make_pair(1, 1));
  EXPECT_EQ(EditorText(), "1");
  // The editor and the headers name the cell: the kind, then the row with the top bit for x.
  EXPECT_EQ(table->Editor()->GetViewIdentifier(), (kTableEditorTag & 0xFFFF) | 0x80010000u);
  table->PreviousCell();
  EXPECT_EQ(Cell(), std::make_pair(3, 2));
  table->NextRow();
  EXPECT_EQ(Cell(), std::make_pair(1, 2));
  table->PreviousRow();
  EXPECT_EQ(Cell(), std::make_pair(3, 2));
  table->OtherColumn();
  EXPECT_EQ(Cell(), std::make_pair(3, 1));

  // Objects that disagree show an empty cell; fewer rows of one of them shrink the table.
  TPointsObject b(2, 0.5);
  table->AttachObjects(nullptr, {&a, &b});
  EXPECT_EQ(table->RowCount(), 2);
  EXPECT_EQ(table->CellText(1, 1), Str255(""));
  TPointsObject c(5, 0.0);
  table->AttachObjects(nullptr, {&a, &c});
  EXPECT_EQ(table->RowCount(), 3);
  EXPECT_EQ(table->CellText(2, 2), Str255("20"));
  table->AttachObjects(nullptr, {});
  EXPECT_EQ(table->RowCount(), 0);
  // With no rows a click selects nothing.
  table->MouseDown(0, 150, 2);
  EXPECT_EQ(IsWindowVisible(table->Editor()->ControlWindow()->GetSafeHwnd()), FALSE);
}

TEST_F(TableItemTest, TheEditorCommitsByKeysAndStaysOnARefusedValue) {
  TPointsObject a(3, 0.0);
  table->AttachObjects(nullptr, {&a});
  table->SelectCell(1, 1);
  ConfirmFlag() = 1;
  SetWindowText(table->Editor()->ControlWindow()->GetSafeHwnd(), "1.5");
  owner_.acceptedTags.clear();
  Key(WM_KEYUP, 13);
  ASSERT_EQ(owner_.acceptedTags.size(), 1u);
  EXPECT_EQ(owner_.acceptedTags[0], (kTableEditorTag & 0xFFFF) | 0x80010000u);
  EXPECT_EQ(Cell(), std::make_pair(1, 2));
  EXPECT_EQ(EditorText(), "10");

  // A bad value is reported once and the editor stays, its whole text selected.
  SetWindowText(table->Editor()->ControlWindow()->GetSafeHwnd(), "abc");
  ConfirmFlag() = 1;
  Key(WM_KEYUP, 13);
  EXPECT_EQ(owner_.reports.size(), 1u);
  EXPECT_EQ(owner_.acceptedTags.size(), 1u);
  EXPECT_EQ(Cell(), std::make_pair(1, 2));
  DWORD start = 0;
  DWORD end = 0;
  SendMessage(table->Editor()->ControlWindow()->GetSafeHwnd(), EM_GETSEL,
              reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 3u);
  // A single blank is good.
  SetWindowText(table->Editor()->ControlWindow()->GetSafeHwnd(), " ");
  EXPECT_EQ(table->Editor()->CheckText(), 0);

  // Right with the whole text selected moves the caret; in an emptied cell it moves on.
  table->SelectCell(2, 1);
  Key(WM_KEYDOWN, 0x27);
  EXPECT_EQ(Cell(), std::make_pair(2, 1));
  SetWindowText(table->Editor()->ControlWindow()->GetSafeHwnd(), "");
  Key(WM_KEYDOWN, 0x27);
  EXPECT_EQ(Cell(), std::make_pair(2, 2));
  Key(WM_KEYDOWN, 0x28);
  EXPECT_EQ(Cell(), std::make_pair(3, 2));
  Key(WM_KEYDOWN, 0x26);
  EXPECT_EQ(Cell(), std::make_pair(2, 2));
}

}  // namespace
}  // namespace dialog_test
