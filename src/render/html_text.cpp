// The encoded pieces of HtmlText, through the page's own HE and UE (the host's encodings).
#include "render/html_text.h"

#include "component/admin_recordset.h"

namespace korvex {

HtmlText& HtmlText::Html(std::string_view text) {
  return Raw(page_.HE(std::string(text)));
}

HtmlText& HtmlText::HtmlWithBreaks(std::string_view text) {
  return Raw(page_.HE(std::string(text), true));
}

HtmlText& HtmlText::Url(std::string_view text) {
  return Raw(page_.UE(std::string(text)));
}

}  // namespace korvex
