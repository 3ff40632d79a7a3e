// Settings of the many-to-many editors and the declared links (each through its own link
// table) that the edit form and the editing list show.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "component/settings/db_many_to_many.h"
#include "component/settings/html_table.h"
#include "core/collection.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

class HTMLManyToMany : public Dispatch {
 public:
  const MemberTable& Members() const override;

  bool HideAutonumbers = true;
  OnFirstRead<HTMLTable> Table{[] {
    auto table = std::make_shared<HTMLTable>();
    table->TableTag = "<table>";
    table->LabelTitle = "<font size=1>Available</font>";
    table->DataTitle = "<font size=1>Active</font>";
    return table;
  }};
  OnFirstRead<Collection> HiddenFields;
  OnFirstRead<Collection> FieldAliases;
  std::string BetweenAddAndRemove = "<br>";
  std::string ButtonAddCaption = "&gt;";
  std::string ButtonRemoveCaption = "&lt;";
  std::string SelectSize = "5";
  OnFirstRead<Collection> Filters;
  std::string FirstSelectElement = "________________";
  bool DeleteOnDelete = true;

  /// A new link keyed by LinkRecordset; a second link through the same table raises 457.
  std::shared_ptr<DBManyToMany> Add(const std::string& Caption, const std::string& LocalField,
                                    const std::string& LinkRecordset,
                                    const std::string& LinkToLocalField,
                                    const std::string& LinkToRemoteField,
                                    const std::string& RemoteField,
                                    const std::string& RemoteRecordset,
                                    const std::optional<std::string>& sFilter);
  /// By link table name (any case) or by position from 1.
  std::shared_ptr<DBManyToMany> Item(const Variant& vntIndexKey);
  int32_t Count() const { return links_.Count(); }
  void Remove(const Variant& vntIndexKey) { links_.Remove(vntIndexKey); }

  bool HasLink(std::string_view link_recordset) const { return links_.HasKey(link_recordset); }
  /// The links in the order added.
  std::vector<std::shared_ptr<DBManyToMany>> Links() const;
  std::optional<std::vector<Variant>> Enumerate() override { return links_.Items(); }

 private:
  Collection links_;  // DBManyToMany objects keyed by LinkRecordset
};

}  // namespace korvex
