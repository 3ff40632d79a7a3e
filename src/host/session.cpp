// Session and its Contents collection, and the scripting context. The values are plain
// scalars so that any store can keep them; an object is refused when it is assigned, where
// the page can still see which line did it.
#include "core/automation_error.h"
#include "core/member_table.h"
#include "host/intrinsics.h"

namespace korvex::host {

namespace {

/// Item(name) read and written, for Session itself and for Session.Contents.
Member NamedValueMember(Session& (*owner)(Dispatch&)) {
  Member m;
  m.name = "Item";
  m.get = [owner](Dispatch& d, Args args) -> Variant {
    if (args.empty() || args[0].IsMissing()) RaiseRuntimeError(err::kArgumentNotOptional);
    if (args.size() > 1) RaiseRuntimeError(err::kWrongArgumentCount);
    return owner(d).Value(ToText(args[0]));
  };
  m.put = [owner](Dispatch& d, Args args, const Variant& value) {
    if (args.empty() || args[0].IsMissing()) RaiseRuntimeError(err::kArgumentNotOptional);
    if (args.size() > 1) RaiseRuntimeError(err::kWrongArgumentCount);
    owner(d).SetValue(ToText(args[0]), value);
  };
  return std::move(m).Default();
}

class SessionContents : public Dispatch {
 public:
  explicit SessionContents(std::shared_ptr<Session> session) : session_(std::move(session)) {}

  const MemberTable& Members() const override {
    static const MemberTable table("SessionContents",
                                   {
                                       NamedValueMember([](Dispatch& d) -> Session& {
                                         return *static_cast<SessionContents&>(d).session_;
                                       }),
                                       Getter("Count", &SessionContents::Count),
                                       Method("Key", &SessionContents::Key),
                                       Method("Remove", &SessionContents::Remove),
                                       Method("RemoveAll", &SessionContents::RemoveAll),
                                   });
    return table;
  }

  std::optional<std::vector<Variant>> Enumerate() override {
    std::vector<Variant> names;
    for (const auto& [folded, entry] : session_->values()) names.emplace_back(entry.first);
    return names;
  }

 private:
  int32_t Count() const { return static_cast<int32_t>(session_->values().size()); }
  std::string Key(int32_t position) {
    auto& values = session_->values();
    if (position < 1 || position > static_cast<int32_t>(values.size()))
      RaiseRuntimeError(err::kSubscriptOutOfRange);
    return std::next(values.begin(), position - 1)->second.first;
  }
  void Remove(const std::string& name) { session_->Remove(name); }
  void RemoveAll() { session_->RemoveAll(); }

  std::shared_ptr<Session> session_;
};

}  // namespace

Session::Session(std::string id, bool is_new) : id_(std::move(id)), is_new_(is_new) {}

const MemberTable& Session::Members() const {
  static const MemberTable table(
      "Session",
      {
          NamedValueMember([](Dispatch& d) -> Session& { return static_cast<Session&>(d); }),
          Getter("SessionID", &Session::SessionID),
          Prop<&Session::Timeout>("Timeout"),
          Method("Abandon", &Session::Abandon),
          Getter("Contents", &Session::Contents),
      });
  return table;
}

Variant Session::Value(std::string_view name) const {
  auto it = values_.find(FoldCase(name));
  return it == values_.end() ? Variant() : it->second.second;
}

void Session::SetValue(std::string_view name, const Variant& value) {
  if (value.IsObject())
    throw AutomationError(err::kTypeMismatch,
                          "Session values must be plain values; an object cannot be kept in "
                          "Session(\"" +
                              std::string(name) + "\")",
                          "Session");
  Variant stored = value.IsMissing() ? Variant() : value;
  auto [it, inserted] = values_.try_emplace(FoldCase(name), std::string(name), stored);
  if (!inserted) it->second.second = std::move(stored);
  changed_ = true;
}

void Session::Remove(std::string_view name) {
  if (values_.erase(FoldCase(name)) > 0) changed_ = true;
}

void Session::RemoveAll() {
  if (!values_.empty()) changed_ = true;
  values_.clear();
}

std::shared_ptr<Dispatch> Session::Contents() {
  return std::make_shared<SessionContents>(std::static_pointer_cast<Session>(shared_from_this()));
}

bool Session::GetDynamic(std::string_view name, Variant& out) {
  out = Value(name);
  return true;
}

bool Session::PutDynamic(std::string_view name, const Variant& value) {
  SetValue(name, value);
  return true;
}

void Session::Restore(const SessionState& state) {
  values_.clear();
  for (const auto& [name, value] : state.values) values_[FoldCase(name)] = {name, value};
  Timeout = loaded_timeout_ = state.timeout_minutes;
  changed_ = false;
}

SessionState Session::State() const {
  SessionState state;
  for (const auto& [folded, entry] : values_) state.values.push_back(entry);
  state.timeout_minutes = ClampTimeout(Timeout);
  return state;
}

const MemberTable& ScriptingContext::Members() const {
  static const MemberTable table("ScriptingContext",
                                 {
                                     ReadOnlyProp<&ScriptingContext::Request>("Request"),
                                     ReadOnlyProp<&ScriptingContext::Response>("Response"),
                                     ReadOnlyProp<&ScriptingContext::Server>("Server"),
                                     ReadOnlyProp<&ScriptingContext::Session>("Session"),
                                 });
  return table;
}

}  // namespace korvex::host
