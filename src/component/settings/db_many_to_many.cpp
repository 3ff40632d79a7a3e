// DBManyToMany's members: one declared link between a local table and a remote one through
// a link table.
#include "component/settings/db_many_to_many.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& DBManyToMany::Members() const {
  static const MemberTable table("DBManyToMany",
                                 {
                                     Prop<&DBManyToMany::Caption>("Caption"),
                                     Prop<&DBManyToMany::LocalField>("LocalField"),
                                     Prop<&DBManyToMany::LinkRecordset>("LinkRecordset"),
                                     Prop<&DBManyToMany::LinkToLocalField>("LinkToLocalField"),
                                     Prop<&DBManyToMany::LinkToRemoteField>("LinkToRemoteField"),
                                     Prop<&DBManyToMany::RemoteField>("RemoteField"),
                                     Prop<&DBManyToMany::RemoteRecordset>("RemoteRecordset"),
                                     Prop<&DBManyToMany::Filter>("Filter"),
                                 });
  return table;
}

}  // namespace korvex
