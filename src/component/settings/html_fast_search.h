// Settings of the keyword box of the fast search: its size and the any/all-words choice.
#pragma once

#include <cstdint>
#include <string>

#include "core/dispatch.h"

namespace korvex {

class HTMLFastSearch : public Dispatch {
 public:
  const MemberTable& Members() const override;

  // A page that creates its own box gets the same defaults as the search form's box, so a
  // box it forgets to size still accepts keywords.
  int16_t MaxLength = 25;
  int16_t Size = 20;
  bool ShowAllAnySelector = true;
  bool DefaultToAllWords = false;
  std::string AnyWordCaption = "Any Word";
  std::string AllWordsCaption = "All Words";
  std::string AfterFormOpenHTML;
  std::string AfterInputHTML = "<br>";
  std::string AfterAnyRadioHTML = "<br>";
  std::string AfterAllRadioHTML;
};

}  // namespace korvex
