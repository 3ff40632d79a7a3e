// Page links. The text is fixed byte for byte: pages and bookmarks rely on it. The backward
// jump goes to current - 10 and the forward one to current + 9 (not + 10): the lists have
// always jumped that way.
#include "render/page_links.h"

#include <algorithm>

#include "core/automation_error.h"

namespace korvex {

namespace {

int32_t RequireLong(int64_t n) {
  if (n < INT32_MIN || n > INT32_MAX) RaiseRuntimeError(err::kOverflow);
  return static_cast<int32_t>(n);
}

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

void AppendLink(std::string& out, const PageLinkTarget& t, int64_t page, std::string_view text) {
  out += " <a href='";
  out += t.path;
  out += "?Page";
  out += t.cripto_prefix;
  out += '=';
  out += std::to_string(t.page_code);
  out += "&CP";
  out += t.cripto_prefix;
  out += '=';
  out += std::to_string(page);
  out += "&Recordset";
  out += t.cripto_prefix;
  out += '=';
  out += t.encoded_recordset;
  out += "&SQL";
  out += t.cripto_prefix;
  out += '=';
  out += t.encoded_sql;
  out += "&SQLSign";
  out += t.cripto_prefix;
  out += '=';
  out += t.sql_signature;
  out += "'>";
  out += text;
  out += "</a> \r\n";
}

}  // namespace

int32_t PageCount(int32_t total, int32_t page_size) {
  if (page_size == 0) RaiseRuntimeError(err::kDivisionByZero);
  int64_t pages = FloorDiv(total, page_size) + 1;
  if (total % page_size == 0) --pages;
  return RequireLong(pages);
}

PageSpan SpanOfPage(int32_t total, int32_t current, int32_t page_size) {
  int64_t last = int64_t{page_size} * current;
  PageSpan span;
  span.first = RequireLong(last - page_size + 1);
  span.last = RequireLong(std::min<int64_t>(last, total));
  span.total = total;
  return span;
}

// Only the pages that produce text are visited, so a table of a million pages costs no more
// than one of thirty; the result is what walking every page from 1 would give.
std::string PageLinkText(const PageLinkTarget& target, int32_t current, int32_t pages) {
  std::string out;
  const int64_t cur = current;
  const int64_t window_first = cur - 9, window_last = cur + 9;
  if (pages >= 1 && window_first > 1) {
    AppendLink(out, target, 1, "1");
    AppendLink(out, target, cur - 10, "&lt;");
  }
  for (int64_t i = std::max<int64_t>(1, window_first); i <= std::min<int64_t>(pages, window_last);
       ++i) {
    if (i == cur) {
      out += "<b>" + std::to_string(i) + "</b> ";
    } else {
      AppendLink(out, target, i, std::to_string(i));
    }
  }
  if (pages > window_last) {
    AppendLink(out, target, cur + 9, "&gt;");
    AppendLink(out, target, pages, std::to_string(pages));
  }
  return out;
}

}  // namespace korvex
