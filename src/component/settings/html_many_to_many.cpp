// HTMLManyToMany's members and its collection of declared links, keyed by link table.
#include "component/settings/html_many_to_many.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLManyToMany::Members() const {
  using C = HTMLManyToMany;
  static const MemberTable table("HTMLManyToMany",
                                 {
                                     Prop<&C::HideAutonumbers>("HideAutonumbers"),
                                     ObjectProp<&C::Table>("Table"),
                                     ObjectProp<&C::HiddenFields>("HiddenFields"),
                                     ObjectProp<&C::FieldAliases>("FieldAliases"),
                                     Prop<&C::BetweenAddAndRemove>("BetweenAddAndRemove"),
                                     Prop<&C::ButtonAddCaption>("ButtonAddCaption"),
                                     Prop<&C::ButtonRemoveCaption>("ButtonRemoveCaption"),
                                     Prop<&C::SelectSize>("SelectSize"),
                                     ObjectProp<&C::Filters>("Filters"),
                                     Prop<&C::FirstSelectElement>("FirstSelectElement"),
                                     Prop<&C::DeleteOnDelete>("DeleteOnDelete"),
                                     Method("Add", &C::Add),
                                     IndexedGetter("Item", &C::Item).Default(),
                                     Getter("Count", &C::Count),
                                     Method("Remove", &C::Remove),
                                 });
  return table;
}

std::shared_ptr<DBManyToMany> HTMLManyToMany::Add(
    const std::string& Caption, const std::string& LocalField, const std::string& LinkRecordset,
    const std::string& LinkToLocalField, const std::string& LinkToRemoteField,
    const std::string& RemoteField, const std::string& RemoteRecordset,
    const std::optional<std::string>& sFilter) {
  auto link = std::make_shared<DBManyToMany>();
  link->Caption = Caption;
  link->LocalField = LocalField;
  link->LinkRecordset = LinkRecordset;
  link->LinkToLocalField = LinkToLocalField;
  link->LinkToRemoteField = LinkToRemoteField;
  link->RemoteField = RemoteField;
  link->RemoteRecordset = RemoteRecordset;
  link->Filter = sFilter.value_or("");
  links_.Add(Variant(link), LinkRecordset);
  return link;
}

std::shared_ptr<DBManyToMany> HTMLManyToMany::Item(const Variant& vntIndexKey) {
  return std::dynamic_pointer_cast<DBManyToMany>(links_.Item(vntIndexKey).AsObject());
}

std::vector<std::shared_ptr<DBManyToMany>> HTMLManyToMany::Links() const {
  std::vector<std::shared_ptr<DBManyToMany>> links;
  for (const Variant& item : links_.Items())
    links.push_back(std::dynamic_pointer_cast<DBManyToMany>(item.AsObject()));
  return links;
}

}  // namespace korvex
