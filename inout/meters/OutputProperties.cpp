// A meter's properties by tag, as its dialogs and scripts read and change them.
#include "core/Tag.h"
#include "inout/meters/Output.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr uint32_t kTagRotate = MakeTag("o uf");
constexpr uint32_t kTagDigital = MakeTag("  Tx");
constexpr uint32_t kTagBar = MakeTag("  Br");
constexpr uint32_t kTagGraph = MakeTag("  Gr");
constexpr uint32_t kTagLabels = MakeTag("o Lb");
constexpr uint32_t kTagUnits = MakeTag("o Un");
constexpr uint32_t kTagFramed = MakeTag("o Fr");
constexpr uint32_t kTagWrap = MakeTag("o Wr");
constexpr uint32_t kTagAxes = MakeTag("o Ax");
constexpr uint32_t kTagConnect = MakeTag("o Cp");
constexpr uint32_t kTagGrid = MakeTag("o Gr");
constexpr uint32_t kTagGridNumbers = MakeTag("o Gn");
constexpr uint32_t kTagLinkValues = MakeTag("OTxx");
constexpr uint32_t kTagShowName = MakeTag("shoN");

char TagChar(uint32_t tag, int position) {
  return static_cast<char>((tag >> (8 * position)) & 0xFF);
}

}  // namespace

int32_t TOutput::DispatchColumnTag(uint32_t tag, char letter, bool shownOnly) const {
  if (TagChar(tag, 0) != 'o' || TagChar(tag, 1) != ' ' || TagChar(tag, 2) != letter) return 0;
  const int32_t index = static_cast<unsigned char>(TagChar(tag, 3)) - 47;
  if (index < 1 || index > GetColumnCount()) return 0;
  if (shownOnly && index != 1 && !Column(index)->IsShown()) return 0;
  return index;
}

uint16_t TOutput::HasAction(uint32_t tag) {
  return tag == kTagRotate ? 1 : TInOutput::HasAction(tag);
}

void TOutput::DoAction(uint32_t tag) {
  if (tag == kTagRotate) {
    RotateColumns();
    return;
  }
  TInOutput::DoAction(tag);
}

uint16_t TOutput::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagDigital || tag == kTagBar || tag == kTagGraph) {
    const MeterKind kind = tag == kTagDigital ? MeterKind::kDigital
                           : tag == kTagBar   ? MeterKind::kBar
                                              : MeterKind::kGraph;
    value = kind_ == kind ? 1 : 0;
  } else if (tag == kTagLabels) {
    value = showLabels_;
  } else if (tag == kTagUnits) {
    if (kind_ == MeterKind::kBar) return 0;
    value = showUnits_;
  } else if (tag == kTagFramed) {
    value = framed_;
  } else if (tag == kTagWrap) {
    value = wrapXAxis_;
  } else if (tag == kTagAxes) {
    value = showAxes_;
  } else if (tag == kTagConnect) {
    value = connectPoints_;
  } else if (tag == kTagGrid) {
    value = showGrid_;
  } else if (tag == kTagGridNumbers) {
    value = (gridNumbers_ && showGrid_) ? 1 : 0;
    if (extra != nullptr) *static_cast<uint16_t*>(extra) = showGrid_;
  } else if (tag == kTagLinkValues) {
    value = linkValues_;
  } else if (const int32_t i = DispatchColumnTag(tag, 's', false); i != 0) {
    value = Column(i)->IsShown();
  } else if (const int32_t i = DispatchColumnTag(tag, '-', true); i != 0) {
    // A dash flag means something only for a range above zero.
    if (Column(i)->GetMinimum() <= 0.0) return 0;
    value = Column(i)->GetDashFlag();
  } else if (const int32_t i = DispatchColumnTag(tag, 'b', true); i != 0) {
    if (i == 1 && wrapXAxis_) return 0;
    value = Column(i)->IsAutoScale();
  } else {
    return TInOutput::GetFlagProperty(tag, value, extra);
  }
  return 1;
}

void TOutput::SetFlagProperty(uint32_t tag, uint16_t value) {
  const bool on = value != 0;
  if (tag == kTagDigital || tag == kTagBar || tag == kTagGraph) {
    if (on) SetMeterKind(tag == kTagDigital ? MeterKind::kDigital
                         : tag == kTagBar   ? MeterKind::kBar
                                            : MeterKind::kGraph);
  } else if (tag == kTagLabels) {
    showLabels_ = on;
  } else if (tag == kTagUnits) {
    showUnits_ = on;
    gridNumbers_ = showGrid_;
  } else if (tag == kTagFramed) {
    SetFramed(on);
    AdjustSize();
  } else if (tag == kTagWrap) {
    SetWrapXAxis(on);
  } else if (tag == kTagAxes) {
    showAxes_ = on;
  } else if (tag == kTagConnect) {
    connectPoints_ = on;
  } else if (tag == kTagGrid) {
    showGrid_ = on;
    gridNumbers_ = on;
  } else if (tag == kTagGridNumbers) {
    if (showGrid_) gridNumbers_ = on;
  } else if (tag == kTagLinkValues) {
    linkValues_ = on;
  } else if (const int32_t i = DispatchColumnTag(tag, 's', false); i != 0) {
    SetColumnShown(i, on);
  } else if (const int32_t i = DispatchColumnTag(tag, '-', true); i != 0) {
    Column(i)->SetDashFlag(on);
    ResetColumnTexts();
  } else if (const int32_t i = DispatchColumnTag(tag, 'b', true); i != 0) {
    Column(i)->SetAutoScale(on);
  } else {
    TInOutput::SetFlagProperty(tag, value);
    if (tag == kTagShowName) RefreshLayout();
    return;
  }
  RefreshLayout();
}

uint16_t TOutput::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  const int32_t lower = DispatchColumnTag(tag, 'i', false);
  const int32_t upper = DispatchColumnTag(tag, 'a', false);
  if (lower == 0 && upper == 0) return TInOutput::GetNumberProperty(tag, value, extra);
  const TNumberText& column = *Column(lower != 0 ? lower : upper);
  value = lower != 0 ? column.GetMinimum() : column.GetMaximum();
  // Ranges are shown in display units when the formula has a unit.
  if (const TFormulaUnits* units = column.Formula().GetUnits(); units != nullptr) {
    const double display =
        unitHandler_ != nullptr ? unitHandler_->GetDisplayFactor(column.GetUnitKind()) : 1.0;
    value = value * units->factor * display;
  }
  return 1;
}

void TOutput::SetNumberProperty(uint32_t tag, const double& value) {
  const int32_t lower = DispatchColumnTag(tag, 'i', false);
  const int32_t upper = DispatchColumnTag(tag, 'a', false);
  if (lower == 0 && upper == 0) {
    TInOutput::SetNumberProperty(tag, value);
    return;
  }
  TNumberText& column = *Column(lower != 0 ? lower : upper);
  double stored = value;
  if (const TFormulaUnits* units = column.Formula().GetUnits(); units != nullptr) {
    double fromDisplay = 1.0;
    if (unitHandler_ != nullptr) unitHandler_->GetFromDisplayFactor(column.GetUnitKind(), fromDisplay);
    if (units->factor != 0.0) stored = value * fromDisplay / units->factor;
  }
  if (lower != 0) {
    SetColumnRange(lower, stored, column.GetMaximum());
  } else {
    SetColumnRange(upper, column.GetMinimum(), stored);
  }
}

uint16_t TOutput::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  if (TagChar(tag, 0) == 'o' && TagChar(tag, 1) == ' ' && TagChar(tag, 2) == 'n') {
    const int32_t index = static_cast<unsigned char>(TagChar(tag, 3)) - 47;
    // The index one past the last column reads as an empty label, so that a dialog can offer
    // a new column.
    if (index == GetColumnCount() + 1) {
      value = Str255();
      return 1;
    }
    if (const int32_t i = DispatchColumnTag(tag, 'n', false); i != 0) {
      value = Column(i)->GetLabel();
      return 1;
    }
  }
  return TInOutput::GetStringProperty(tag, value, extra);
}

void TOutput::SetStringProperty(uint32_t tag, const Str255& value) {
  if (TagChar(tag, 0) == 'o' && TagChar(tag, 1) == ' ' && TagChar(tag, 2) == 'n') {
    const int32_t index = static_cast<unsigned char>(TagChar(tag, 3)) - 47;
    if (index == GetColumnCount() + 1 && value.Length() > 0) {
      // Never a sixth column: a document could not keep it.
      if (GetColumnCount() >= kMaxFiledColumns) return;
      SetColumnCount(index);
      Column(index)->SetLabel(value);
      return;
    }
    if (const int32_t i = DispatchColumnTag(tag, 'n', false); i != 0) {
      if (value.Length() == 0) {
        RemoveColumn(i);
      } else {
        Column(i)->SetLabel(value);
      }
      return;
    }
  }
  TInOutput::SetStringProperty(tag, value);
}

uint16_t TOutput::GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) {
  if (const int32_t i = DispatchColumnTag(tag, 'z', true); i != 0) {
    value = Column(i)->GetColor();
    return 1;
  }
  return TInOutput::GetColourProperty(tag, value, extra);
}

void TOutput::SetColourProperty(uint32_t tag, const RGB16Color& value) {
  if (const int32_t i = DispatchColumnTag(tag, 'z', true); i != 0) {
    Column(i)->SetColor(value);
    return;
  }
  TInOutput::SetColourProperty(tag, value);
}

TFormula* TOutput::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                      int32_t* dimension, uint16_t* flag) {
  if (const int32_t i = DispatchColumnTag(tag, 'e', false); i != 0) return &Column(i)->Formula();
  return TInOutput::GetFormulaProperty(tag, first, second, dimension, flag);
}

void TOutput::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (const int32_t i = DispatchColumnTag(tag, 'e', false); i != 0) {
    Str255 text;
    formula.GetText(text);
    if (text.Length() == 0) {
      RemoveColumn(i);
      return;
    }
    SetColumnFormula(i, formula);
    return;
  }
  TInOutput::SetFormulaProperty(tag, formula);
}
