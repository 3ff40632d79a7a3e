// HTMLTable's members: one text property per entry of kSkinTags.
#include "component/settings/html_table.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLTable::Members() const {
  static const MemberTable table("HTMLTable", [] {
    std::vector<Member> members;
    for (const SkinTag& entry : kSkinTags)
      members.push_back(FieldProp<HTMLTable>(entry.name, entry.tag));
    return members;
  }());
  return table;
}

}  // namespace korvex
