// The ordered name collection: items with optional unique keys, positions from 1.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/dispatch.h"

namespace korvex {

class Collection : public Dispatch {
 public:
  const MemberTable& Members() const override;

  /// Adds at the end, or before / after an existing item (by position or key).
  /// A key already present, compared case-insensitively, raises 457 and adds nothing.
  void Add(const Variant& item, std::optional<std::string> key = std::nullopt,
           const Variant& before = Variant::Missing(), const Variant& after = Variant::Missing());
  /// By position (from 1; 9 when out of range) or by key (5 when absent).
  Variant Item(const Variant& index) const;
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  void Remove(const Variant& index);

  /// The key lookup without raising: nothing when the key is absent.
  std::optional<Variant> Find(std::string_view key) const;
  bool HasKey(std::string_view key) const { return Find(key).has_value(); }
  /// Items in order; for C++ callers.
  std::vector<Variant> Items() const;
  std::optional<std::vector<Variant>> Enumerate() override { return Items(); }

 private:
  Variant ItemForScript(Variant index);

  struct Entry {
    Variant item;
    std::optional<std::string> key;
  };
  size_t PositionOf(const Variant& index) const;  // zero-based; raises 9 or 5

  std::vector<Entry> entries_;
};

}  // namespace korvex
