// Late binding for automation objects: get, put and call by member name, case-insensitively,
// through one declarative member table per class (see member_table.h).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/automation_error.h"
#include "core/variant.h"

namespace korvex {

using Args = std::span<const Variant>;

class Dispatch;

enum class MemberKind { Property, Method };

struct Member {
  std::string_view name;
  MemberKind kind = MemberKind::Property;
  bool is_default = false;
  /// A property read with index arguments (Item(index)); scripts reach it by calling it.
  bool indexed = false;
  /// Property read (the arguments are its index, usually none) or method call.
  std::function<Variant(Dispatch&, Args)> get;
  /// Property write; empty for read-only properties and methods.
  std::function<void(Dispatch&, Args, const Variant&)> put;

  /// Marks the member reached when the object itself is called or read as a value.
  Member&& Default() && {
    is_default = true;
    return std::move(*this);
  }
};

/// One class's members, sorted under ASCII case folding for binary search. Building a table
/// with two names that fold alike is a programming error and throws std::logic_error.
class MemberTable {
 public:
  MemberTable(std::string_view class_name, std::vector<Member> members);
  // default_ points into members_; a copy would point into the original.
  MemberTable(const MemberTable&) = delete;
  MemberTable& operator=(const MemberTable&) = delete;

  const Member* Find(std::string_view name) const;
  const Member* DefaultMember() const { return default_; }
  std::string_view class_name() const { return class_name_; }
  const std::vector<Member>& members() const { return members_; }

 private:
  std::string_view class_name_;
  std::vector<Member> members_;
  const Member* default_ = nullptr;
};

/// Base of every automation object.
class Dispatch : public std::enable_shared_from_this<Dispatch> {
 public:
  virtual ~Dispatch() = default;
  virtual const MemberTable& Members() const = 0;
  std::string_view ClassName() const { return Members().class_name(); }

  /// Reads a property (with index arguments if any) or calls a method. 438 when unknown.
  Variant Get(std::string_view name, Args args = {});
  /// Writes a property; 438 when unknown or read-only.
  void Put(std::string_view name, const Variant& value, Args args = {});
  /// Calls a method, or reads a property with the arguments as its index. When the property
  /// takes no index, the arguments go to the default member of the value it returns.
  Variant Call(std::string_view name, Args args);
  /// The object used as a value or called like a function: its default member.
  Variant CallDefault(Args args);

  bool HasMember(std::string_view name) const { return Members().Find(name) != nullptr; }

  /// Objects whose names are open-ended (session values) answer names outside their table.
  virtual bool GetDynamic(std::string_view name, Variant& out);
  virtual bool PutDynamic(std::string_view name, const Variant& value);

  /// Items of a collection, for enumeration; nothing for objects that are not collections.
  virtual std::optional<std::vector<Variant>> Enumerate();

 protected:
  [[noreturn]] void RaiseUnknown(std::string_view name) const;
};

/// Implemented by classes that take the page's context when a page creates them.
class PageObject {
 public:
  virtual ~PageObject() = default;
  /// The context is the page's scripting context object, with members Request, Response,
  /// Server and Session.
  virtual void OnStartPage(const std::shared_ptr<Dispatch>& context) = 0;
};

/// The object a Variant holds, or error 424 "Object required" for anything else or Nothing.
std::shared_ptr<Dispatch> RequireObject(const Variant& v);
/// As RequireObject, also checking the class; 13 when it is another class.
template <class T>
std::shared_ptr<T> RequireObjectOf(const Variant& v) {
  auto typed = std::dynamic_pointer_cast<T>(RequireObject(v));
  if (!typed) RaiseRuntimeError(13);
  return typed;
}

}  // namespace korvex
