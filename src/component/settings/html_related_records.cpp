// HTMLRelatedRecords's members and its collection of relations, keyed by local field; a field
// named in Remove is refused by later Adds.
#include "component/settings/html_related_records.h"

#include "component/errors.h"
#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLRelatedRecords::Members() const {
  using C = HTMLRelatedRecords;
  static const MemberTable table(
      "HTMLRelatedRecords",
      {
          Prop<&C::Show>("Show"),
          Prop<&C::HideAutonumbers>("HideAutonumbers"),
          ObjectProp<&C::Table>("Table"),
          ObjectProp<&C::HiddenFields>("HiddenFields"),
          ObjectProp<&C::FieldAliases>("FieldAliases"),
          Prop<&C::BetweenEditAndDelete>("BetweenEditAndDelete"),
          Prop<&C::AllowEdit>("AllowEdit"),
          Prop<&C::AllowDelete>("AllowDelete"),
          Prop<&C::ButtonEditCaption>("ButtonEditCaption"),
          Accessor("ButtonDeleteCaption", &C::ButtonDeleteCaption, &C::ButtonDeleteCaption),
          Prop<&C::mvarButtonDeleteCaption>("mvarButtonDeleteCaption"),
          ObjectProp<&C::Filters>("Filters"),
          Method("Add", &C::Add),
          IndexedGetter("Item", &C::Item).Default(),
          Getter("Count", &C::Count),
          Method("Remove", &C::Remove),
      });
  return table;
}

void HTMLRelatedRecords::ButtonDeleteCaption(std::string caption) {
  CheckButtonCaption(caption, ButtonEditCaption);
  mvarButtonDeleteCaption = std::move(caption);
}

std::shared_ptr<DBRelation> HTMLRelatedRecords::Add(const std::string& FieldName,
                                                    const std::string& RelatedField,
                                                    const std::string& RelatedTable) {
  if (IsRemoved(FieldName)) return nullptr;
  auto relation = std::make_shared<DBRelation>();
  relation->FieldName = FieldName;
  relation->RelatedField = RelatedField;
  relation->RelatedTable = RelatedTable;
  relations_.Add(Variant(relation), FieldName);
  return relation;
}

std::shared_ptr<DBRelation> HTMLRelatedRecords::Item(const Variant& index) {
  return std::dynamic_pointer_cast<DBRelation>(relations_.Item(index).AsObject());
}

void HTMLRelatedRecords::Remove(const std::string& FieldName) {
  removed_.Add(Variant(FieldName), FieldName);
}

std::vector<std::shared_ptr<DBRelation>> HTMLRelatedRecords::Relations() const {
  std::vector<std::shared_ptr<DBRelation>> relations;
  for (const Variant& item : relations_.Items())
    relations.push_back(std::dynamic_pointer_cast<DBRelation>(item.AsObject()));
  return relations;
}

}  // namespace korvex
