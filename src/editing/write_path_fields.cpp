// Posted values to fields. A field is assigned only when its value changes, so that a column
// the provider cannot write (computed, read-only) passes untouched through an edit that left
// it alone.
#include "editing/write_path_fields.h"

#include "ado/ado_errors.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "editing/posted_form.h"

namespace korvex {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

[[noreturn]] void CannotConvert() {
  ado::RaiseAdo(err::kCannotConvert, "ADODB.Field");
}

// A calendar part as the integer it stands for; anything else is a value the field cannot take.
int64_t Part(AdminRecordset& page, const std::string& name) {
  try {
    return CLng(Variant(PostedText(page, name)));
  } catch (const AutomationError&) {
    CannotConvert();
  }
}

// DateSerial(year, month, day) + TimeSerial(hour, minute, second): a part out of its range
// carries into the next larger one (month 13 is January of the next year, day 0 the last day
// of the month before, minute 60 the next hour). A two-digit year is 2000-2029 or 1930-1999.
Variant CalendarDate(AdminRecordset& page, const std::string& name) {
  int64_t year = Part(page, name + "aaaa"), month = Part(page, name + "mm");
  int64_t day = Part(page, name + "dd");
  int64_t seconds =
      Part(page, name + "hh") * 3600 + Part(page, name + "min") * 60 + Part(page, name + "sec");
  if (year >= 0 && year < 30) year += 2000;
  if (year >= 30 && year < 100) year += 1900;
  const int64_t months = year * 12 + month - 1;
  year = FloorDiv(months, 12);
  if (year < 100 || year > 9999) CannotConvert();
  std::optional<DateValue> first =
      MakeDate(CivilTime{static_cast<int>(year), static_cast<int>(months - year * 12 + 1), 1});
  int64_t days = static_cast<int64_t>(first->serial) + day - 1 + FloorDiv(seconds, 86400);
  seconds -= FloorDiv(seconds, 86400) * 86400;
  if (days < -657434 || days > 2958465) CannotConvert();  // 1 January 100, 31 December 9999
  CivilTime t = BreakDate(DateValue{static_cast<double>(days)});
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  std::optional<DateValue> date = MakeDate(t);
  if (!date) CannotConvert();
  return Variant(*date);
}

// The value a field of the given class receives; nothing for a class that is not written.
std::optional<Variant> Converted(AdminRecordset& page, const std::string& name, FieldClass kind,
                                 const std::string& posted) {
  const Variant value = posted.empty() ? Variant() : Variant(posted);  // Empty is stored as Null
  switch (kind) {
    case FieldClass::Number:
    case FieldClass::Text:
    case FieldClass::LongText:
    case FieldClass::Timestamp:
      return value;
    case FieldClass::Date:
      // A form without the parts (a fixed value posted under the name) gives the value itself.
      if (page.EditForm->UseCalendar && page.Request().Form().Get(name + "aaaa"))
        return CalendarDate(page, name);
      return value;
    case FieldClass::Boolean:
      return Variant(!posted.empty());
    default:
      return std::nullopt;
  }
}

}  // namespace

void AssignPostedFields(AdminRecordset& page, ado::Recordset& recordset) {
  HTMLEditForm& form = *page.EditForm;
  ado::Fields& fields = recordset.Fields();
  for (int32_t i = 0; i < fields.Count(); ++i) {
    ado::Field& field = fields[static_cast<size_t>(i)];
    const std::string name = field.Name();
    const std::string posted = PostedText(page, name);
    const FieldClass kind = ClassOfType(field.Type());
    if (kind == FieldClass::Binary) continue;
    if (IsAutoIncrementField(field) || VariantEquals(Variant(posted), field.Value())) continue;
    if (IsInCollection(Variant(name), *form.HiddenFields)) {
      if (std::optional<Variant> fixed = form.FixedValues->Find(name)) field.Value(*fixed);
      continue;
    }
    if (std::optional<Variant> value = Converted(page, name, kind, posted)) field.Value(*value);
  }
}

}  // namespace korvex
