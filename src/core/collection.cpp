// Name collection: keys compare without regard to letter case; items are kept as given.
#include "core/collection.h"

#include "core/automation_error.h"
#include "core/member_table.h"

namespace korvex {

namespace {
// The script-facing Add takes the optional arguments as variants, as a collection's Add does.
struct AddAdapter {
  static Variant Add(Collection& c, Args args) {
    if (args.empty()) RaiseRuntimeError(err::kArgumentNotOptional);
    if (args.size() > 4) RaiseRuntimeError(err::kWrongArgumentCount);
    std::optional<std::string> key;
    if (args.size() > 1 && !args[1].IsMissing()) key = ToText(args[1]);
    Variant before = args.size() > 2 ? args[2] : Variant::Missing();
    Variant after = args.size() > 3 ? args[3] : Variant::Missing();
    c.Add(args[0], key, before, after);
    return Variant();
  }
};
}  // namespace

const MemberTable& Collection::Members() const {
  static const MemberTable table("Collection",
                                 {
                                     [] {
                                       Member m;
                                       m.name = "Add";
                                       m.kind = MemberKind::Method;
                                       m.get = [](Dispatch& d, Args args) {
                                         return AddAdapter::Add(static_cast<Collection&>(d), args);
                                       };
                                       return m;
                                     }(),
                                     IndexedGetter("Item", &Collection::ItemForScript).Default(),
                                     Getter("Count", &Collection::Count),
                                     Method("Remove", &Collection::Remove),
                                 });
  return table;
}

Variant Collection::ItemForScript(Variant index) {
  return Item(index);
}

size_t Collection::PositionOf(const Variant& index) const {
  if (index.IsString()) {
    for (size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i].key && EqualsNoCase(*entries_[i].key, index.AsString())) return i;
    RaiseRuntimeError(err::kInvalidProcedureCall);
  }
  int32_t position = CLng(index);
  if (position < 1 || position > Count()) RaiseRuntimeError(err::kSubscriptOutOfRange);
  return static_cast<size_t>(position - 1);
}

void Collection::Add(const Variant& item, std::optional<std::string> key, const Variant& before,
                     const Variant& after) {
  if (key && HasKey(*key)) RaiseRuntimeError(err::kDuplicateKey);
  if (!before.IsMissing() && !after.IsMissing()) RaiseRuntimeError(err::kInvalidProcedureCall);
  size_t at = entries_.size();
  if (!before.IsMissing()) at = PositionOf(before);
  if (!after.IsMissing()) at = PositionOf(after) + 1;
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), Entry{item, std::move(key)});
}

Variant Collection::Item(const Variant& index) const {
  return entries_[PositionOf(index)].item;
}

void Collection::Remove(const Variant& index) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(PositionOf(index)));
}

std::optional<Variant> Collection::Find(std::string_view key) const {
  for (const Entry& e : entries_)
    if (e.key && EqualsNoCase(*e.key, key)) return e.item;
  return std::nullopt;
}

std::vector<Variant> Collection::Items() const {
  std::vector<Variant> items;
  items.reserve(entries_.size());
  for (const Entry& e : entries_) items.push_back(e.item);
  return items;
}

}  // namespace korvex
