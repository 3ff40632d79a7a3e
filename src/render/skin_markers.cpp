// Marker lookup over the skin's tag table and the two other texts screens mark.
#include "render/skin_markers.h"

#include <array>
#include <span>

#include "component/settings/html_table.h"

namespace korvex {

namespace {

// Texts a screen marks besides the skin's own tags.
constexpr std::array<SkinTag, 2> kOtherMarked = {{
    {"CriterionTitle", nullptr, "<!-- CriterionTitle -->", "<!-- END CriterionTitle -->"},
    {"SelectText", nullptr, "<!-- SelectText -->", "<!-- END SelectText -->"},
}};

std::optional<TagMarkers> FindMarkers(std::span<const SkinTag> list, std::string_view name) {
  for (const SkinTag& entry : list)
    if (entry.name == name) return TagMarkers{entry.open_marker, entry.close_marker};
  return std::nullopt;
}

}  // namespace

std::optional<TagMarkers> MarkersOf(std::string_view tag_name) {
  if (auto markers = FindMarkers(kSkinTags, tag_name)) return markers;
  return FindMarkers(kOtherMarked, tag_name);
}

std::string WrapInMarkers(std::string_view tag_name, std::string_view tag, MarkerLayout layout,
                          std::string_view indent) {
  std::optional<TagMarkers> markers = MarkersOf(tag_name);
  if (!markers) return std::string(tag);
  return WrapInMarkers(*markers, tag, layout, indent);
}

std::string WrapInMarkers(const TagMarkers& markers, std::string_view tag, MarkerLayout layout,
                          std::string_view indent) {
  std::string out(indent);
  out += markers.open;
  if (layout == MarkerLayout::Broken) out += "\r\n";
  out += tag;
  if (layout == MarkerLayout::Broken) out += "\r\n";
  out += markers.close;
  out += "\r\n";
  return out;
}

}  // namespace korvex
