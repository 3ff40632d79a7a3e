// The table skin: the tag strings every generated table is built from. Each screen's settings
// object owns one; the tags are written verbatim, never encoded or checked. kSkinTags is the
// one list of the tags: the member table, the renderers' copy and the debug markers read it.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/dispatch.h"

namespace korvex {

/// The twenty-two tags with their defaults; renderers copy them once per table.
struct SkinTags {
  std::string LabelTD = "<TD>";
  std::string DataTD = "<TD>";
  std::string SubmitTD = "<TD>";
  std::string LabelTitleTD = "<TD>";
  std::string DataTitleTD = "<TD>";
  std::string LabelTitle = " L A B E L ";
  std::string DataTitle = " D A T A ";
  std::string TableTag = "<TABLE border=1>";
  std::string LabelTDClose = "</TD>";
  std::string DataTDClose = "</TD>";
  std::string SubmitTDClose = "</TD>";
  std::string LabelTitleTDClose = "</TD>";
  std::string DataTitleTDClose = "</TD>";
  std::string TitleTR = "<TR>";
  std::string TitleTRClose = "</TR>";
  std::string OddTR = "<TR>";
  std::string EvenTR = "<TR>";
  std::string OddTRClose = "</TR>";
  std::string EvenTRClose = "</TR>";
  std::string SubmitTR = "<TR>";
  std::string SubmitTRClose = "</TR>";
  std::string TableTagClose = "</TABLE>";
};

struct SkinTag {
  std::string_view name;
  std::string SkinTags::*tag;
  /// The comments written around the tag in debug mode. Two opening markers are irregular on
  /// purpose ("<!--LabelTitle -->", "<!-- LabelTitleTDClose-->"): pages and tools search
  /// for them.
  std::string_view open_marker;
  std::string_view close_marker;
  /// The alternating row tags are marked only where a screen marks its rows itself.
  bool row_tag = false;
};

inline constexpr std::array<SkinTag, 22> kSkinTags = {{
    {"LabelTD", &SkinTags::LabelTD, "<!-- LabelTD -->", "<!-- END LabelTD -->"},
    {"DataTD", &SkinTags::DataTD, "<!-- DataTD -->", "<!-- END DataTD -->"},
    {"SubmitTD", &SkinTags::SubmitTD, "<!-- SubmitTD -->", "<!-- END SubmitTD -->"},
    {"LabelTitleTD", &SkinTags::LabelTitleTD, "<!-- LabelTitleTD -->", "<!-- END LabelTitleTD -->"},
    {"DataTitleTD", &SkinTags::DataTitleTD, "<!-- DataTitleTD -->", "<!-- END DataTitleTD -->"},
    {"LabelTitle", &SkinTags::LabelTitle, "<!--LabelTitle -->", "<!-- END LabelTitle -->"},
    {"DataTitle", &SkinTags::DataTitle, "<!-- DataTitle -->", "<!-- END DataTitle -->"},
    {"TableTag", &SkinTags::TableTag, "<!-- TableTag -->", "<!-- END TableTag -->"},
    {"LabelTDClose", &SkinTags::LabelTDClose, "<!-- LabelTDClose -->", "<!-- END LabelTDClose -->"},
    {"DataTDClose", &SkinTags::DataTDClose, "<!-- DataTDClose -->", "<!-- END DataTDClose -->"},
    {"SubmitTDClose", &SkinTags::SubmitTDClose, "<!-- SubmitTDClose -->",
     "<!-- END SubmitTDClose -->"},
    {"LabelTitleTDClose", &SkinTags::LabelTitleTDClose, "<!-- LabelTitleTDClose-->",
     "<!-- END LabelTitleTDClose -->"},
    {"DataTitleTDClose", &SkinTags::DataTitleTDClose, "<!-- DataTitleTDClose -->",
     "<!-- END DataTitleTDClose -->"},
    {"TitleTR", &SkinTags::TitleTR, "<!-- TitleTR -->", "<!-- END TitleTR -->"},
    {"TitleTRClose", &SkinTags::TitleTRClose, "<!-- TitleTRClose -->", "<!-- END TitleTRClose -->"},
    {"OddTR", &SkinTags::OddTR, "<!-- OddTR -->", "<!-- END OddTR -->", true},
    {"EvenTR", &SkinTags::EvenTR, "<!-- EvenTR -->", "<!-- END EvenTR -->", true},
    {"OddTRClose", &SkinTags::OddTRClose, "<!-- OddTRClose -->", "<!-- END OddTRClose -->", true},
    {"EvenTRClose", &SkinTags::EvenTRClose, "<!-- EvenTRClose -->", "<!-- END EvenTRClose -->",
     true},
    {"SubmitTR", &SkinTags::SubmitTR, "<!-- SubmitTR -->", "<!-- END SubmitTR -->"},
    {"SubmitTRClose", &SkinTags::SubmitTRClose, "<!-- SubmitTRClose -->",
     "<!-- END SubmitTRClose -->"},
    {"TableTagClose", &SkinTags::TableTagClose, "<!-- TableTagClose -->",
     "<!-- END TableTagClose -->"},
}};

class HTMLTable : public Dispatch, public SkinTags {
 public:
  const MemberTable& Members() const override;
};

}  // namespace korvex
