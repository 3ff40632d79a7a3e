// Marker comment table, in the order of the skin's properties.
#include "listing/skin_markers.h"

#include <array>
#include <utility>

namespace korvex {

namespace {

struct MarkerEntry {
  std::string_view name;
  TagMarkers markers;
};

constexpr std::array<MarkerEntry, 24> kMarkers = {{
    {"TableTag", {"<!-- TableTag -->", "<!-- END TableTag -->"}},
    {"TableTagClose", {"<!-- TableTagClose -->", "<!-- END TableTagClose -->"}},
    {"TitleTR", {"<!-- TitleTR -->", "<!-- END TitleTR -->"}},
    {"TitleTRClose", {"<!-- TitleTRClose -->", "<!-- END TitleTRClose -->"}},
    {"LabelTitleTD", {"<!-- LabelTitleTD -->", "<!-- END LabelTitleTD -->"}},
    {"LabelTitleTDClose", {"<!-- LabelTitleTDClose-->", "<!-- END LabelTitleTDClose -->"}},
    {"LabelTitle", {"<!--LabelTitle -->", "<!-- END LabelTitle -->"}},
    {"DataTitleTD", {"<!-- DataTitleTD -->", "<!-- END DataTitleTD -->"}},
    {"DataTitleTDClose", {"<!-- DataTitleTDClose -->", "<!-- END DataTitleTDClose -->"}},
    {"DataTitle", {"<!-- DataTitle -->", "<!-- END DataTitle -->"}},
    {"LabelTD", {"<!-- LabelTD -->", "<!-- END LabelTD -->"}},
    {"LabelTDClose", {"<!-- LabelTDClose -->", "<!-- END LabelTDClose -->"}},
    {"DataTD", {"<!-- DataTD -->", "<!-- END DataTD -->"}},
    {"DataTDClose", {"<!-- DataTDClose -->", "<!-- END DataTDClose -->"}},
    {"SubmitTR", {"<!-- SubmitTR -->", "<!-- END SubmitTR -->"}},
    {"SubmitTRClose", {"<!-- SubmitTRClose -->", "<!-- END SubmitTRClose -->"}},
    {"SubmitTD", {"<!-- SubmitTD -->", "<!-- END SubmitTD -->"}},
    {"SubmitTDClose", {"<!-- SubmitTDClose -->", "<!-- END SubmitTDClose -->"}},
    {"OddTR", {"<!-- OddTR -->", "<!-- END OddTR -->"}},
    {"EvenTR", {"<!-- EvenTR -->", "<!-- END EvenTR -->"}},
    {"OddTRClose", {"<!-- OddTRClose -->", "<!-- END OddTRClose -->"}},
    {"EvenTRClose", {"<!-- EvenTRClose -->", "<!-- END EvenTRClose -->"}},
    {"CriterionTitle", {"<!-- CriterionTitle -->", "<!-- END CriterionTitle -->"}},
    {"SelectText", {"<!-- SelectText -->", "<!-- END SelectText -->"}},
}};

}  // namespace

std::optional<TagMarkers> MarkersOf(std::string_view tag_name) {
  for (const MarkerEntry& entry : kMarkers)
    if (entry.name == tag_name) return entry.markers;
  return std::nullopt;
}

std::string WrapInMarkers(std::string_view tag_name, std::string_view tag, MarkerLayout layout,
                          std::string_view indent) {
  std::optional<TagMarkers> markers = MarkersOf(tag_name);
  if (!markers) return std::string(tag);
  std::string out(indent);
  out += markers->open;
  if (layout == MarkerLayout::Broken) out += "\r\n";
  out += tag;
  if (layout == MarkerLayout::Broken) out += "\r\n";
  out += markers->close;
  out += "\r\n";
  return out;
}

}  // namespace korvex
