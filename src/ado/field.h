// The field objects of a recordset: Fields (by position from 0 or by name, case-insensitive),
// Field (name, type, value, size, attributes, original value, provider properties) and the
// Properties collection shared with Connection. Values live in the recordset; a field only
// knows its column and asks its recordset.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dispatch.h"
#include "core/variant.h"

namespace korvex::ado {

class Recordset;

/// How a column is described to the page: published type number, size and attribute bits,
/// and where it comes from.
struct FieldDef {
  std::string name;
  int32_t type = 0;          // published data-type number
  int32_t defined_size = 0;  // characters for texts, bytes otherwise
  int32_t attributes = 0;
  uint8_t precision = 255, numeric_scale = 255;
  bool auto_increment = false;
  bool key_column = false;
  std::string base_table, base_column;  // empty when computed
};

class Property : public Dispatch {
 public:
  Property(std::string name, Variant value, int32_t type = 0, int32_t attributes = 0)
      : name_(std::move(name)), value_(std::move(value)), type_(type), attributes_(attributes) {}
  const MemberTable& Members() const override;

  std::string Name() const { return name_; }
  Variant Value() const { return value_; }
  int32_t Type() const { return type_; }
  int32_t Attributes() const { return attributes_; }

 private:
  std::string name_;
  Variant value_;
  int32_t type_;
  int32_t attributes_;
};

/// Provider properties of a field or a connection, by name (case-insensitive) or position.
class Properties : public Dispatch {
 public:
  const MemberTable& Members() const override;

  void Add(std::string name, Variant value, int32_t type = 0);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  /// By name or by position from 0; a missing one raises 3265.
  std::shared_ptr<Property> Item(const Variant& index) const;
  /// Whether a property has that name (compared without regard to case).
  bool Has(std::string_view name) const;
  std::optional<std::vector<Variant>> Enumerate() override;

 private:
  std::shared_ptr<Property> ItemForScript(const Variant& index) { return Item(index); }

  std::vector<std::shared_ptr<Property>> items_;
};

class Field : public Dispatch {
 public:
  Field(Recordset* owner, size_t index) : owner_(owner), index_(index) {}
  const MemberTable& Members() const override;

  std::string Name() const;
  int32_t Type() const;
  /// The current record's value (the pending one while editing); 3021 without a current
  /// record.
  Variant Value() const;
  /// Converts to the field's type at once: a value the column cannot take raises
  /// -2147217887 and changes nothing. Starts an edit when none is in progress.
  void Value(Variant value);
  int32_t DefinedSize() const;
  int32_t ActualSize() const;
  int32_t Attributes() const;
  int32_t Precision() const;
  int32_t NumericScale() const;
  /// The value as read from the database, before any pending change.
  Variant OriginalValue() const;
  /// "ISAUTOINCREMENT", "KEYCOLUMN", "BASETABLENAME", "BASECOLUMNNAME".
  ado::Properties& Properties();

  const FieldDef& def() const;
  /// The recordset is gone: every further use raises 3704.
  void Detach() { owner_ = nullptr; }

 private:
  Recordset& owner() const;
  std::shared_ptr<ado::Properties> PropertiesObject();

  Recordset* owner_;
  size_t index_;
  std::shared_ptr<ado::Properties> properties_;
};

class Fields : public Dispatch {
 public:
  explicit Fields(Recordset* owner) : owner_(owner) {}
  const MemberTable& Members() const override;

  int32_t Count() const { return static_cast<int32_t>(fields_.size()); }
  /// By position from 0 or by name without regard to case; a missing one raises 3265.
  std::shared_ptr<Field> Item(const Variant& index) const;
  /// Nothing when no field has that name.
  std::shared_ptr<Field> Find(std::string_view name) const;
  Field& operator[](size_t index) const { return *fields_[index]; }
  /// Defines a field of a fabricated recordset, before it is opened.
  void Append(std::string name, int32_t type, std::optional<int32_t> defined_size = {},
              std::optional<int32_t> attributes = {});
  void Refresh() {}
  std::optional<std::vector<Variant>> Enumerate() override;

  // For Recordset.
  void Reset(size_t count);
  void Detach();
  std::optional<size_t> IndexOf(std::string_view name) const;

 private:
  std::shared_ptr<Field> ItemForScript(const Variant& index) { return Item(index); }

  Recordset* owner_;
  std::vector<std::shared_ptr<Field>> fields_;
};

}  // namespace korvex::ado
