// A declared relation: a local field referring to a column of another table.
#pragma once

#include <string>

#include "core/dispatch.h"

namespace korvex {

class DBRelation : public Dispatch {
 public:
  const MemberTable& Members() const override;

  std::string FieldName;
  std::string RelatedTable;
  std::string RelatedField;
};

}  // namespace korvex
