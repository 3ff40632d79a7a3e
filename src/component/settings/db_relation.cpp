// DBRelation's members: a local field, the table it refers to and the column it names there.
#include "component/settings/db_relation.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& DBRelation::Members() const {
  static const MemberTable table("DBRelation", {
                                                   Prop<&DBRelation::FieldName>("FieldName"),
                                                   Prop<&DBRelation::RelatedTable>("RelatedTable"),
                                                   Prop<&DBRelation::RelatedField>("RelatedField"),
                                               });
  return table;
}

}  // namespace korvex
