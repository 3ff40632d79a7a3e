// The edit form's script block. The server decides which checks exist (the settings and each
// field's type and attributes); the browser only runs what was written here.
#include "editing/validation_script.h"

#include <algorithm>
#include <initializer_list>

#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "editing/form_text.h"
#include "render/client_scripts.h"

namespace korvex {

namespace {

bool OneOf(int32_t type, std::initializer_list<int32_t> types) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

// The text after each generated test: nothing to do when it passes, stop when it fails.
constexpr std::string_view kTestEnd =
    "//it's OK we allow return true\r\n}\r\nelse{\r\n//errors stop here\r\nreturn false;\r\n}\r\n";

// A field name in a one-line comment: encoded, and kept on its line.
std::string CommentName(const AdminRecordset& page, const std::string& name) {
  std::string out = page.HE(name);
  std::replace(out.begin(), out.end(), '\r', ' ');
  std::replace(out.begin(), out.end(), '\n', ' ');
  return out;
}

void AppendCheckFunctions(std::string& out, const HTMLJavaScripts& js) {
  // Each alert names the field on its first line; the messages are stored escaped already.
  if (js.CheckRequired) {
    out +=
        "function check_zerolenght (field,fieldname) {\r\n"
        // A field that is not in the form (a date edited with its selects) cannot be empty.
        "  if (!field) return true;\r\n"
        "  if (field.value == '') {\r\n"
        "    alert(fieldname + ':\\n' + '" +
        InScriptBlock(js.RequiredErrorMessage()) +
        "');\r\n"
        "    field.focus();\r\n"
        "    if (field.select) field.select();\r\n"
        "    return false;\r\n"
        "  }\r\n"
        "  return true;\r\n"
        "}\r\n\r\n";
  }
  if (js.CheckMaxLenght) {
    out +=
        "function check_size (maxsize,field,fieldname) {\r\n"
        "  if (field.value.length > maxsize) {\r\n"
        "    alert(fieldname + ':\\n' + field.value.length + '" +
        InScriptBlock(js.MaxLenghtErrorMessage()) +
        "' + maxsize);\r\n"
        "    field.focus();\r\n"
        "    field.select();\r\n"
        "    return false;\r\n"
        "  }\r\n"
        "  return true;\r\n"
        "}\r\n\r\n";
  }
  if (js.CheckIsNumeric) {
    out +=
        "function isNum(field,fieldname) {\r\n"
        "  var text = field.value;\r\n"
        "  for (var i = 0; i < text.length; i++) {\r\n"
        "    if ('0123456789.,E-'.indexOf(text.charAt(i)) < 0) {\r\n"
        "      alert(fieldname + ':\\n' + '" +
        InScriptBlock(js.IsNumericErrorMessage()) +
        "');\r\n"
        "      field.select();\r\n"
        "      field.focus();\r\n"
        "      return false;\r\n"
        "    }\r\n"
        "  }\r\n"
        "  return true;\r\n"
        "}\r\n\r\n";
  }
}

std::string DateFunction(const HTMLJavaScripts& js) {
  return "function isDate(dd,mm,yyyy,fieldname) {\r\n"
         "  var day = parseInt(dd.value, 10);\r\n"
         "  var month = parseInt(mm.value, 10);\r\n"
         "  var year = parseInt(yyyy.value, 10);\r\n"
         "  var leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;\r\n"
         "  if ((day == 31 && (month == 4 || month == 6 || month == 9 || month == 11)) ||\r\n"
         "      (month == 2 && (day > 29 || (day == 29 && !leap)))) {\r\n"
         "    alert(fieldname + ':\\n' + '" +
         InScriptBlock(js.InvalidDateMessage()) +
         "');\r\n"
         "    dd.focus();\r\n"
         "    return false;\r\n"
         "  }\r\n"
         "  return true;\r\n"
         "}\r\n\r\n";
}

// Moves the selected entries of one list of the form to the other; the first option of each
// list is its placeholder and never moves.
constexpr std::string_view kMoveElements =
    "function MoveElements(src,dest) {\r\n"
    "  var from = document.forms['PW'].elements[src];\r\n"
    "  var to = document.forms['PW'].elements[dest];\r\n"
    "  var i;\r\n"
    "  for (i = 1; i < from.options.length; i++) {\r\n"
    "    var o = from.options[i];\r\n"
    "    if (o.selected) to.options[to.options.length] = new Option(o.text, o.value, false, "
    "false);\r\n"
    "  }\r\n"
    "  for (i = from.options.length - 1; i >= 1; i--) {\r\n"
    "    if (from.options[i].selected) from.options[i] = null;\r\n"
    "  }\r\n"
    "  for (i = 0; i < from.options.length; i++) from.options[i].selected = false;\r\n"
    "  for (i = 0; i < to.options.length; i++) to.options[i].selected = false;\r\n"
    "}\r\n\r\n";

void AppendTest(std::string& out, std::string_view call) {
  out += "if  (";
  out += call;
  out += ")){\r\n";
  out += kTestEnd;
}

}  // namespace

std::string ValidationScript(AdminRecordset& page, ado::Recordset& recordset) {
  HTMLEditForm& form = *page.EditForm;
  const HTMLJavaScripts& js = *form.JavaScripts;
  const bool with_links = form.ManyToMany->Count() > 0;

  std::string out = "<SCRIPT type='text/javascript' LANGUAGE='javascript'>\r\n<!--\r\n";
  if (form.UseCalendar && js.CheckIsDate) out += DateFunction(js);
  if (with_links) out += kMoveElements;
  if (page.FileFields->Count() > 0) out.append(FieldFinderScript()).append("\r\n");
  if (page.HTMLFields->Count() > 0) out.append(EditorLauncherScript()).append("\r\n");
  AppendCheckFunctions(out, js);

  out += "//The Main Function \r\nfunction Form_OnSubmit(theform) {\r\n";
  // The whole active list of every link is posted, not only what the visitor selected.
  for (const auto& link : form.ManyToMany->Links()) {
    out += "var active = document.forms['PW'].elements['" +
           ScriptString(link->LinkRecordset + page.ParamName("DEST")) + "'];\r\n";
    out += "for (var i = 1; i < active.options.length; i++) active.options[i].selected = true;\r\n";
  }

  ado::Fields& fields = recordset.Fields();
  for (int32_t i = 0; i < fields.Count(); ++i) {
    ado::Field& field = fields[static_cast<size_t>(i)];
    const std::string name = field.Name();
    const int32_t type = field.Type();
    const Variant name_item(name);
    if (IsInCollection(name_item, *form.HiddenFields)) {
      out +=
          "// no scripts for field '" + CommentName(page, name) + "' it was hidden in ASP CODE\r\n";
      continue;
    }
    if (IsAutoIncrementField(field) || FindRelation(name, *form.RelatedRecords).found ||
        IsInCollection(name_item, *form.TransparentFields)) {
      out += "// no scripts for field '" + CommentName(page, name) +
             "' it was a relation an autonumber or a transparent field\r\n";
      continue;
    }
    std::string label = name;
    if (std::optional<Variant> alias = form.FieldAliases->Find(name)) label = TextOrEmpty(*alias);
    // The element's name and the label as the script strings of each test call.
    const std::string element = "theform.elements['" + ScriptString(name);
    const std::string label_arg = "'" + ScriptString(label) + "'";

    if (js.CheckRequired && !OneOf(type, {128, 204, 205}) && page.IsRequiredField(field))
      AppendTest(out, "check_zerolenght (" + element + "']," + label_arg);
    if (type == 7 && form.UseCalendar && js.CheckIsDate) {
      out += "//check valid date for field " + CommentName(page, name) + "\r\n";
      AppendTest(out, "isDate (" + element + "dd']," + element + "mm']," + element + "aaaa']," +
                          label_arg);
    }
    if (js.CheckMaxLenght && OneOf(type, {129, 130, 200, 201, 202, 203}))
      AppendTest(out, "check_size (" + std::to_string(field.DefinedSize()) + "," + element + "']," +
                          label_arg);
    if (js.CheckIsNumeric && OneOf(type, {2, 3, 4, 5, 17, 131}))
      AppendTest(out, "isNum (" + element + "']," + label_arg);
  }
  out += "return true;\r\n}\r\n// -->\r\n</SCRIPT>\r\n";
  return out;
}

}  // namespace korvex
