// Member lookup and the default-member rules of late binding.
#include "core/dispatch.h"

#include <algorithm>
#include <stdexcept>

#include "core/automation_error.h"

namespace korvex {

namespace {

int CompareFolded(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

MemberTable::MemberTable(std::string_view class_name, std::vector<Member> members)
    : class_name_(class_name), members_(std::move(members)) {
  std::sort(members_.begin(), members_.end(),
            [](const Member& a, const Member& b) { return CompareFolded(a.name, b.name) < 0; });
  for (size_t i = 0; i < members_.size(); ++i) {
    if (i > 0 && CompareFolded(members_[i - 1].name, members_[i].name) == 0)
      throw std::logic_error("duplicate member " + std::string(members_[i].name) + " in " +
                             std::string(class_name));
    if (members_[i].is_default) {
      if (default_) throw std::logic_error("two default members in " + std::string(class_name));
      default_ = &members_[i];
    }
  }
}

const Member* MemberTable::Find(std::string_view name) const {
  auto it = std::lower_bound(
      members_.begin(), members_.end(), name,
      [](const Member& m, std::string_view n) { return CompareFolded(m.name, n) < 0; });
  if (it != members_.end() && CompareFolded(it->name, name) == 0) return &*it;
  return nullptr;
}

void Dispatch::RaiseUnknown(std::string_view name) const {
  throw AutomationError(
      err::kNotSupported,
      std::string(RuntimeErrorText(err::kNotSupported)) + ": '" + std::string(name) + "'",
      "Korvex runtime");
}

Variant Dispatch::Get(std::string_view name, Args args) {
  const Member* m = Members().Find(name);
  if (!m || !m->get) {
    Variant dynamic;
    if (!m && args.empty() && GetDynamic(name, dynamic)) return dynamic;
    RaiseUnknown(name);
  }
  return m->get(*this, args);
}

void Dispatch::Put(std::string_view name, const Variant& value, Args args) {
  const Member* m = Members().Find(name);
  if (!m || !m->put) {
    if (!m && args.empty() && PutDynamic(name, value)) return;
    RaiseUnknown(name);
  }
  m->put(*this, args, value);
}

Variant Dispatch::Call(std::string_view name, Args args) {
  const Member* m = Members().Find(name);
  if (!m || !m->get) {
    Variant dynamic;
    if (!m && GetDynamic(name, dynamic)) {
      if (args.empty()) return dynamic;
      return RequireObject(dynamic)->CallDefault(args);
    }
    RaiseUnknown(name);
  }
  return m->get(*this, args);
}

Variant Dispatch::CallDefault(Args args) {
  const Member* m = Members().DefaultMember();
  if (!m || !m->get) RaiseUnknown("<default>");
  return m->get(*this, args);
}

bool Dispatch::GetDynamic(std::string_view, Variant&) {
  return false;
}
bool Dispatch::PutDynamic(std::string_view, const Variant&) {
  return false;
}
std::optional<std::vector<Variant>> Dispatch::Enumerate() {
  return std::nullopt;
}

std::shared_ptr<Dispatch> RequireObject(const Variant& v) {
  if (!v.IsObject() || !v.AsObject()) RaiseRuntimeError(err::kObjectRequired);
  return v.AsObject();
}

}  // namespace korvex
