// A declared many-to-many link: the local key, the link table and the remote table.
#pragma once

#include <string>

#include "core/dispatch.h"

namespace korvex {

class DBManyToMany : public Dispatch {
 public:
  const MemberTable& Members() const override;

  std::string Caption;
  std::string LocalField;
  std::string LinkRecordset;
  std::string LinkToLocalField;
  std::string LinkToRemoteField;
  std::string RemoteField;
  std::string RemoteRecordset;
  std::string Filter;
};

}  // namespace korvex
