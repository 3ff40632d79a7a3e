// Fields, Field, Properties and Property: names and positions to the recordset's columns.
#include "ado/field.h"

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/field_types.h"
#include "ado/recordset.h"
#include "core/member_table.h"

namespace korvex::ado {

namespace {

// The position an index names, from 0, when it is a number.
std::optional<int64_t> PositionOf(const Variant& index) {
  if (index.IsNumeric()) return static_cast<int64_t>(CDbl(index));
  return std::nullopt;
}

}  // namespace

// ---- Property, Properties ------------------------------------------------------------------

const MemberTable& Property::Members() const {
  static const MemberTable table("Property", {
                                                 Getter("Attributes", &Property::Attributes),
                                                 Getter("Name", &Property::Name),
                                                 Getter("Type", &Property::Type),
                                                 Getter("Value", &Property::Value).Default(),
                                             });
  return table;
}

const MemberTable& Properties::Members() const {
  static const MemberTable table("Properties",
                                 {
                                     Getter("Count", &Properties::Count),
                                     IndexedGetter("Item", &Properties::ItemForScript).Default(),
                                 });
  return table;
}

void Properties::Add(std::string name, Variant value, int32_t type) {
  if (type == 0) {
    switch (value.type()) {
      case VarType::Boolean:
        type = type::kBoolean;
        break;
      case VarType::Integer:
      case VarType::Long:
        type = type::kInteger;
        break;
      case VarType::Double:
        type = type::kDouble;
        break;
      default:
        type = type::kVarWChar;
        break;
    }
  }
  items_.push_back(std::make_shared<Property>(std::move(name), std::move(value), type));
}

std::shared_ptr<Property> Properties::Item(const Variant& index) const {
  if (auto position = PositionOf(index)) {
    if (*position < 0 || *position >= static_cast<int64_t>(items_.size()))
      RaiseAdo(err::kItemNotFound, "ADODB.Properties");
    return items_[static_cast<size_t>(*position)];
  }
  std::string name = ToText(index);
  for (const auto& p : items_)
    if (EqualsNoCase(p->Name(), name)) return p;
  RaiseAdo(err::kItemNotFound, "ADODB.Properties");
}

bool Properties::Has(std::string_view name) const {
  for (const auto& p : items_)
    if (EqualsNoCase(p->Name(), name)) return true;
  return false;
}

std::optional<std::vector<Variant>> Properties::Enumerate() {
  std::vector<Variant> items;
  for (const auto& p : items_) items.emplace_back(p);
  return items;
}

// ---- Field ---------------------------------------------------------------------------------

const MemberTable& Field::Members() const {
  static const MemberTable table("Field",
                                 {
                                     Getter("ActualSize", &Field::ActualSize),
                                     Getter("Attributes", &Field::Attributes),
                                     Getter("DefinedSize", &Field::DefinedSize),
                                     Getter("Name", &Field::Name),
                                     Getter("NumericScale", &Field::NumericScale),
                                     Getter("OriginalValue", &Field::OriginalValue),
                                     Getter("Precision", &Field::Precision),
                                     Getter("Properties", &Field::PropertiesObject),
                                     Getter("Type", &Field::Type),
                                     Getter("UnderlyingValue", &Field::OriginalValue),
                                     Accessor("Value", &Field::Value, &Field::Value).Default(),
                                 });
  return table;
}

Recordset& Field::owner() const {
  if (!owner_) RaiseAdo(err::kObjectClosed, "ADODB.Field");
  return *owner_;
}

const FieldDef& Field::def() const {
  return owner().Def(index_);
}
std::string Field::Name() const {
  return def().name;
}
int32_t Field::Type() const {
  return def().type;
}
Variant Field::Value() const {
  return owner().FieldValue(index_);
}
void Field::Value(Variant value) {
  owner().SetFieldValue(index_, value);
}
int32_t Field::DefinedSize() const {
  return def().defined_size;
}
int32_t Field::ActualSize() const {
  return owner().FieldActualSize(index_);
}
int32_t Field::Attributes() const {
  return def().attributes;
}
int32_t Field::Precision() const {
  return def().precision;
}
int32_t Field::NumericScale() const {
  return def().numeric_scale;
}
Variant Field::OriginalValue() const {
  return owner().FieldOriginalValue(index_);
}

ado::Properties& Field::Properties() {
  return *PropertiesObject();
}

std::shared_ptr<ado::Properties> Field::PropertiesObject() {
  if (!properties_) {
    const FieldDef& d = def();
    properties_ = std::make_shared<ado::Properties>();
    properties_->Add("BASECOLUMNNAME",
                     d.base_column.empty() ? Variant::Null() : Variant(d.base_column));
    properties_->Add("BASETABLENAME",
                     d.base_table.empty() ? Variant::Null() : Variant(d.base_table));
    properties_->Add("ISAUTOINCREMENT", Variant(d.auto_increment), type::kBoolean);
    properties_->Add("KEYCOLUMN", Variant(d.key_column), type::kBoolean);
  }
  return properties_;
}

// ---- Fields --------------------------------------------------------------------------------

const MemberTable& Fields::Members() const {
  static const MemberTable table("Fields",
                                 {
                                     Method("Append", &Fields::Append),
                                     Getter("Count", &Fields::Count),
                                     IndexedGetter("Item", &Fields::ItemForScript).Default(),
                                     Method("Refresh", &Fields::Refresh),
                                 });
  return table;
}

std::optional<size_t> Fields::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (EqualsNoCase(fields_[i]->Name(), name)) return i;
  return std::nullopt;
}

std::shared_ptr<Field> Fields::Find(std::string_view name) const {
  auto index = IndexOf(name);
  return index ? fields_[*index] : nullptr;
}

std::shared_ptr<Field> Fields::Item(const Variant& index) const {
  if (auto position = PositionOf(index)) {
    if (*position < 0 || *position >= static_cast<int64_t>(fields_.size()))
      RaiseAdo(err::kItemNotFound, "ADODB.Fields");
    return fields_[static_cast<size_t>(*position)];
  }
  if (auto field = Find(ToText(index))) return field;
  RaiseAdo(err::kItemNotFound, "ADODB.Fields");
}

void Fields::Append(std::string name, int32_t type, std::optional<int32_t> defined_size,
                    std::optional<int32_t> attributes) {
  if (!owner_) RaiseAdo(err::kObjectClosed, "ADODB.Fields");
  FieldDef def;
  def.name = std::move(name);
  def.attributes = attributes.value_or(attr::kUpdatable | attr::kIsNullable | attr::kMayBeNull);
  CompleteDefForType(def, type, defined_size.value_or(0));
  owner_->AppendField(std::move(def));
}

std::optional<std::vector<Variant>> Fields::Enumerate() {
  std::vector<Variant> items;
  for (const auto& f : fields_) items.emplace_back(f);
  return items;
}

void Fields::Reset(size_t count) {
  for (auto& f : fields_) f->Detach();
  fields_.clear();
  for (size_t i = 0; i < count; ++i) fields_.push_back(std::make_shared<Field>(owner_, i));
}

void Fields::Detach() {
  owner_ = nullptr;
  for (auto& f : fields_) f->Detach();
}

}  // namespace korvex::ado
