#include "listing/skin.h"

#include "core/automation_error.h"
#include "listing/html_table.h"

namespace korvex {

Skin ReadSkin(const HTMLTable& t) {
  return Skin{t.LabelTD,          t.DataTD,       t.SubmitTD,      t.LabelTitleTD,
              t.DataTitleTD,      t.LabelTitle,   t.DataTitle,     t.TableTag,
              t.LabelTDClose,     t.DataTDClose,  t.SubmitTDClose, t.LabelTitleTDClose,
              t.DataTitleTDClose, t.TitleTR,      t.TitleTRClose,  t.OddTR,
              t.EvenTR,           t.OddTRClose,   t.EvenTRClose,   t.SubmitTR,
              t.SubmitTRClose,    t.TableTagClose};
}

Skin ReadSkin(const HTMLTable& table, bool debug, MarkerLayout layout) {
  Skin s = ReadSkin(table);
  if (!debug) return s;
  auto wrap = [layout](std::string& tag, std::string_view name) {
    tag = WrapInMarkers(name, tag, layout);
  };
  wrap(s.TableTag, "TableTag");
  wrap(s.TableTagClose, "TableTagClose");
  wrap(s.TitleTR, "TitleTR");
  wrap(s.TitleTRClose, "TitleTRClose");
  wrap(s.LabelTitleTD, "LabelTitleTD");
  wrap(s.LabelTitleTDClose, "LabelTitleTDClose");
  wrap(s.LabelTitle, "LabelTitle");
  wrap(s.DataTitleTD, "DataTitleTD");
  wrap(s.DataTitleTDClose, "DataTitleTDClose");
  wrap(s.DataTitle, "DataTitle");
  wrap(s.LabelTD, "LabelTD");
  wrap(s.LabelTDClose, "LabelTDClose");
  wrap(s.DataTD, "DataTD");
  wrap(s.DataTDClose, "DataTDClose");
  wrap(s.SubmitTR, "SubmitTR");
  wrap(s.SubmitTRClose, "SubmitTRClose");
  wrap(s.SubmitTD, "SubmitTD");
  wrap(s.SubmitTDClose, "SubmitTDClose");
  return s;
}

const std::string& RowTag(int16_t& counter, const HTMLTable& table, bool closing) {
  if (!closing) {
    // A 16-bit counter overflows as the run time's integers do.
    if (counter == INT16_MAX) RaiseRuntimeError(err::kOverflow);
    ++counter;
    return counter % 2 != 0 ? table.OddTR : table.EvenTR;
  }
  return counter % 2 != 0 ? table.OddTRClose : table.EvenTRClose;
}

}  // namespace korvex
