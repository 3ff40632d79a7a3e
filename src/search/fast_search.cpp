// Keywords to a filter: for every text column of the table, its column matching all the
// words (or any of them), the columns joined by OR. The filter is the ADO filter language,
// parsed by the data layer, never SQL text; each word goes through SqlSafeValue between
// its quotes.
#include "search/fast_search.h"

#include <memory>
#include <string>
#include <vector>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "core/text.h"
#include "host/intrinsics.h"
#include "render/field_widgets.h"

namespace korvex {

namespace {

// Words are cut at single blanks; the empty words that blanks in a row leave are no words.
std::vector<std::string> WordsOf(std::string_view keywords) {
  std::vector<std::string> words;
  for (size_t at = 0; at <= keywords.size();) {
    size_t blank = keywords.find(' ', at);
    if (blank == std::string_view::npos) blank = keywords.size();
    if (blank > at) words.emplace_back(keywords.substr(at, blank - at));
    at = blank + 1;
  }
  return words;
}

bool IsSearchableText(int32_t type) {
  namespace t = ado::type;
  return type == t::kGuid || type == t::kChar || type == t::kWChar || type == t::kVarChar ||
         type == t::kLongVarChar || type == t::kVarWChar || type == t::kLongVarWChar;
}

// "1" and "True" ask for all words, "0" and "False" for any; so does anything unreadable,
// which then finds the most.
bool AllWordsAsked(const AdminRecordset& page) {
  try {
    return CBool(Variant(page.RequestItem("AllWords")));
  } catch (const AutomationError&) {
    return false;
  }
}

std::string KeywordFilter(AdminRecordset& page, const std::vector<std::string>& words) {
  const std::string joint = words.size() > 1 && AllWordsAsked(page) ? " AND " : " OR ";
  auto recordset = std::make_shared<ado::Recordset>();
  recordset->Open(Variant(page.QuotedIdentifier(page.recordset())), Variant(page.Connection()),
                  ado::kOpenKeyset, ado::kLockReadOnly, ado::kCmdUnspecified);
  const Collection& hidden = *page.SearchForm->HiddenFields;
  ado::Fields& fields = recordset->Fields();
  std::string filter;
  for (int32_t i = 0; i < fields.Count(); ++i) {
    ado::Field& field = fields[static_cast<size_t>(i)];
    const std::string name = field.Name();
    if (!IsSearchableText(field.Type()) || IsInCollection(Variant(name), hidden)) continue;
    if (!filter.empty()) filter += " OR ";
    filter += "(";
    for (size_t w = 0; w < words.size(); ++w) {
      if (w > 0) filter += joint;
      // The brackets are the filter language's own, whatever the page's separators.
      filter += "[" + name + "] LIKE '%" + SqlSafeValue(Variant(words[w])) + "%'";
    }
    filter += ")";
  }
  recordset->Close();
  return filter;
}

// The page's own filter narrowed by another. Each side keeps its parentheses: either may hold
// an OR, which would otherwise let rows the page filtered out back in.
std::string Narrowed(const std::string& own, const std::string& filter) {
  if (own.empty()) return filter;
  if (filter.empty()) return own;
  return "(" + own + ") AND (" + filter + ")";
}

}  // namespace

std::shared_ptr<Dispatch> ApplyFastSearch(AdminRecordset& page, std::shared_ptr<Dispatch> target) {
  const std::string kept = page.ParamName("Filter");
  // Only a filter text is narrowed; no filter at all (Empty, or the number 0) has nothing to
  // keep.
  const Variant own_filter = target->Get("Filter");
  const std::string own = own_filter.IsString() ? own_filter.AsString() : "";
  if (page.RequestItem("updatefilter") != "1") {
    // A later page of the result. The kept filter holds the page's own already; narrowing
    // the page's filter again (rather than replacing it) keeps a request that merely leaves
    // out updatefilter from seeing the rows the page filtered out.
    target->Put("Filter", Variant(Narrowed(own, TextOrEmpty(page.Session().Value(kept)))));
    return target;
  }
  page.Session().SetValue(kept, Variant(""));
  const std::vector<std::string> words =
      WordsOf(Trim(page.RequestItem(page.ParamName("FastSearch")), " "));
  if (words.empty()) return target;
  // A table without text columns has nothing to match the words against: the page's own
  // filter stands alone.
  const std::string filter = Narrowed(own, KeywordFilter(page, words));
  target->Put("Filter", Variant(filter));
  page.Session().SetValue(kept, Variant(filter));
  return target;
}

}  // namespace korvex
