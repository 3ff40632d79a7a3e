// The table skin: the tag strings every generated table is built from. Each screen's settings
// object owns one; the tags are written verbatim, never encoded or checked.
#pragma once

#include <string>

#include "core/dispatch.h"

namespace korvex {

class HTMLTable : public Dispatch {
 public:
  const MemberTable& Members() const override;

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

}  // namespace korvex
