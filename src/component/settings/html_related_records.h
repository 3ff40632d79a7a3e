// Settings of one screen's related records: the declared relations (a local field referring
// to a column of another table), the names for which relations are refused, and the skin and
// captions of the related-records sub-list.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "component/settings/db_relation.h"
#include "component/settings/html_table.h"
#include "core/collection.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

class HTMLRelatedRecords : public Dispatch {
 public:
  const MemberTable& Members() const override;

  /// While False no relation of this object is used at all.
  bool Show = false;
  bool HideAutonumbers = false;
  OnFirstRead<HTMLTable> Table{[] {
    auto table = std::make_shared<HTMLTable>();
    table->SubmitTD = "<TD colspan=2 align=center>";
    return table;
  }};
  OnFirstRead<Collection> HiddenFields;
  OnFirstRead<Collection> FieldAliases;
  std::string BetweenEditAndDelete;
  bool AllowEdit = true;
  bool AllowDelete = true;
  std::string ButtonEditCaption = "Edit";
  /// The stored delete caption, reached without the caption rule.
  std::string mvarButtonDeleteCaption = "Delete";
  /// ADO filters keyed by field name.
  OnFirstRead<Collection> Filters;

  const std::string& ButtonDeleteCaption() const { return mvarButtonDeleteCaption; }
  /// Refuses a blank caption and one equal to ButtonEditCaption; the old caption then stays.
  void ButtonDeleteCaption(std::string caption);

  /// The new relation, or nothing when FieldName was removed. A second relation for the same
  /// name raises 457.
  std::shared_ptr<DBRelation> Add(const std::string& FieldName, const std::string& RelatedField,
                                  const std::string& RelatedTable);
  /// By field name (any case) or by position from 1.
  std::shared_ptr<DBRelation> Item(const Variant& index);
  int32_t Count() const { return relations_.Count(); }
  /// Refuses later relations for FieldName; one already added stays. Twice raises 457.
  void Remove(const std::string& FieldName);

  /// Whether Add would refuse FieldName quietly (it was removed).
  bool IsRemoved(std::string_view field_name) const { return removed_.HasKey(field_name); }
  /// Whether a relation for field_name exists (Add would raise 457).
  bool HasRelation(std::string_view field_name) const { return relations_.HasKey(field_name); }
  /// The relations in the order added.
  std::vector<std::shared_ptr<DBRelation>> Relations() const;
  std::optional<std::vector<Variant>> Enumerate() override { return relations_.Items(); }

 private:
  Collection relations_;  // DBRelation objects keyed by FieldName
  Collection removed_;    // field names keyed by themselves
};

}  // namespace korvex
