// The two HTML notices the screens write instead of raising a caught error, and the
// AdminRecordset operations that write them.
#include "component/errors.h"

#include <algorithm>

#include "component/admin_recordset.h"
#include "host/encoding.h"

namespace korvex {

std::string NoticeDescription(const AutomationError& error) {
  std::string_view text = error.description();
  std::string out;
  if (error.source() == kComponentSource) {
    for (std::string_view fixed : {ErrorMessage(error.number()), ErrorDetailLead(error.number())}) {
      if (fixed.empty() || !text.starts_with(fixed)) break;
      out += fixed;
      text.remove_prefix(fixed.size());
    }
  }
  return out + host::EncodeHtml(text);
}

std::string ErrorNoticeText(const AutomationError& error) {
  std::string source = error.source();
  // Only ASCII letters change case; the rest of the text stays as it is.
  std::transform(source.begin(), source.end(), source.begin(),
                 [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; });
  return "<BR><b>" + source + "  ERROR:  " + std::to_string(error.number()) + "</B><BR>" +
         NoticeDescription(error) + "<BR>";
}

std::string EditingListNoticeText(const AutomationError& error) {
  return "<BR><b>E R R O R:  " + std::to_string(error.number()) + "</B><BR>" +
         NoticeDescription(error);
}

void AdminRecordset::WriteError(const AutomationError& error) {
  RW(ErrorNoticeText(error));
}

void AdminRecordset::WriteEditingListNotice(const AutomationError& error) {
  ActionPerformed = 2;
  RW(EditingListNoticeText(error));
}

}  // namespace korvex
