// The component's own failures: their numbers, their fixed messages and the ways they reach
// the page (raised, or written as an HTML notice). Errors of the host, the data access layer
// and the run time are never renumbered. The table and RaiseError are inline so that the
// settings classes can raise them without linking the component itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/automation_error.h"

namespace korvex {

namespace err {
// The facility-interface base 0x80040000 plus a small code.
inline constexpr int32_t kNoUniqueIdentifier = -2147221171;       // 0x8004014D
inline constexpr int32_t kEmptyPropertyValue = -2147221168;       // 0x80040150
inline constexpr int32_t kEditEqualsDeleteCaption = -2147221167;  // 0x80040151
inline constexpr int32_t kGenericError = -2147221166;             // 0x80040152
inline constexpr int32_t kUpdateFailed = -2147221165;             // 0x80040153
/// An administration screen this build does not provide (E_NOTIMPL).
inline constexpr int32_t kScreenNotAvailable = -2147467263;  // 0x80004001
/// A recordset name that is no table or view of the database (DB_E_NOTABLE).
inline constexpr int32_t kUnknownRecordset = -2147217865;  // 0x80040E37
/// A write asked for by a request that is no posted form (E_ACCESSDENIED).
inline constexpr int32_t kWriteNotPosted = -2147024891;  // 0x80070005
/// A search result link whose SQL text this site did not sign (E_ACCESSDENIED).
inline constexpr int32_t kUnsignedSql = -2147024891;  // 0x80070005
/// A posted search criterion the search form does not offer, or a value that is not of its
/// column's kind (E_INVALIDARG).
inline constexpr int32_t kSearchRefused = -2147024809;  // 0x80070057
}  // namespace err

/// The name the component's own errors carry as their source.
inline constexpr std::string_view kComponentSource = "Korvex";

/// The fixed message of one of the component's numbers (trailing blanks included), or "".
inline std::string_view ErrorMessage(int32_t number) {
  switch (number) {
    case err::kNoUniqueIdentifier:
      return "Can not identify the record I have to update, there are no unique identifiers. "
             "Provide an unique identifier for the recordset ";
    case err::kEmptyPropertyValue:
      return "Property value could not be an empty string";
    case err::kEditEqualsDeleteCaption:
      return "ButtonEditCaption could not be equal to ButtonDeleteCaption";
    case err::kGenericError:
      return "Generic Error ";
    case err::kUpdateFailed:
      return "Update Failed ";
    default:
      return "";
  }
}

/// The fixed text the write path puts between a message and its variable detail; "" for the
/// other numbers.
inline std::string_view ErrorDetailLead(int32_t number) {
  switch (number) {
    case err::kNoUniqueIdentifier:
      return "Contact the database administrator and tell him/her that the following SQL "
             "generates more than one record: ";
    case err::kGenericError:
      return "Probably there are problems inserting data in one field. Tech info: ";
    case err::kUpdateFailed:
      return "Probably the record you are tryng to edit was modified or deleted go back to the "
             "editing list and refresh the content.<br> SQL: ";
    default:
      return "";
  }
}

/// Raises number with its message followed directly by detail; the message's own trailing
/// blank is the only separator.
[[noreturn]] inline void RaiseError(int32_t number, std::string_view detail = {}) {
  std::string description(ErrorMessage(number));
  description += detail;
  throw AutomationError(number, std::move(description), std::string(kComponentSource));
}

/// The refusal of a recordset name (from the page or the request) that is no table or view.
inline AutomationError UnknownRecordsetError(std::string_view name) {
  return AutomationError(
      err::kUnknownRecordset,
      "The recordset \"" + std::string(name) + "\" is no table or view of the database",
      std::string(kComponentSource));
}

/// The refusal of a search result link whose SQL text carries no valid signature.
inline AutomationError UnsignedSqlError() {
  return AutomationError(err::kUnsignedSql,
                         "The SQL text of this search result link is not signed by this site (the "
                         "link was changed, or made elsewhere); nothing was run. Search again "
                         "from the search form.",
                         std::string(kComponentSource));
}

/// The refusal of a posted search value: what is wrong, naming the field.
inline AutomationError SearchRefusedError(std::string_view what) {
  return AutomationError(err::kSearchRefused, std::string(what) + "; nothing was run.",
                         std::string(kComponentSource));
}

/// The rule of the button caption setters: a caption that is empty once blanks are trimmed
/// raises kEmptyPropertyValue, one equal to the other button's caption (exactly) raises
/// kEditEqualsDeleteCaption.
inline void CheckButtonCaption(std::string_view caption, std::string_view other_caption) {
  if (caption.find_first_not_of(' ') == std::string_view::npos)
    RaiseError(err::kEmptyPropertyValue);
  if (caption == other_caption) RaiseError(err::kEditEqualsDeleteCaption);
}

/// An error's description as a notice shows it: the component's own fixed texts as they
/// stand, everything else (the database's messages repeat names from the request, details
/// carry SQL) HTML-encoded.
std::string NoticeDescription(const AutomationError& error);
/// The notice WriteError puts in the page for a caught error:
/// "<BR><b>" + SOURCE + "  ERROR:  " + number + "</B><BR>" + description + "<BR>".
std::string ErrorNoticeText(const AutomationError& error);
/// The notice of a failed editing list: "<BR><b>E R R O R:  " + number + "</B><BR>" +
/// description.
std::string EditingListNoticeText(const AutomationError& error);

}  // namespace korvex
