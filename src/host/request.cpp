// Request and its name collections: the query string, the urlencoded form, the cookies and
// the server variables of one request, decoded once when the request object is built.
#include <algorithm>
#include <limits>

#include "core/automation_error.h"
#include "core/member_table.h"
#include "host/encoding.h"
#include "host/intrinsics.h"

namespace korvex::host {

// ---- RequestCollection ---------------------------------------------------------------------

const MemberTable& RequestCollection::Members() const {
  static const MemberTable table("RequestCollection",
                                 {
                                     IndexedGetter("Item", &RequestCollection::Item).Default(),
                                     Getter("Count", &RequestCollection::Count),
                                     Method("Key", &RequestCollection::Key),
                                 });
  return table;
}

void RequestCollection::Append(std::string name, std::string value) {
  pairs_.emplace_back(std::move(name), std::move(value));
}

std::vector<std::string> RequestCollection::Values(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& [n, v] : pairs_)
    if (EqualsNoCase(n, name)) values.push_back(v);
  return values;
}

std::optional<std::string> RequestCollection::Get(std::string_view name) const {
  std::optional<std::string> joined;
  for (const auto& [n, v] : pairs_) {
    if (!EqualsNoCase(n, name)) continue;
    if (joined) {
      *joined += ", ";
      *joined += v;
    } else {
      joined = v;
    }
  }
  return joined;
}

std::vector<std::string> RequestCollection::DistinctNames() const {
  std::vector<std::string> names;
  for (const auto& pair : pairs_) {
    bool seen = std::any_of(names.begin(), names.end(),
                            [&](const std::string& n) { return EqualsNoCase(n, pair.first); });
    if (!seen) names.push_back(pair.first);
  }
  return names;
}

Variant RequestCollection::Item(const Variant& name_or_position) {
  if (name_or_position.IsMissing()) return Variant(raw);
  if (name_or_position.IsNumeric()) {
    std::vector<std::string> names = DistinctNames();
    int32_t position = CLng(name_or_position);
    if (position < 1 || position > static_cast<int32_t>(names.size()))
      RaiseRuntimeError(err::kSubscriptOutOfRange);
    return Variant(*Get(names[static_cast<size_t>(position - 1)]));
  }
  std::optional<std::string> value = Get(ToText(name_or_position));
  return value ? Variant(std::move(*value)) : Variant();
}

int32_t RequestCollection::Count() const {
  return static_cast<int32_t>(DistinctNames().size());
}

std::string RequestCollection::Key(int32_t position) const {
  std::vector<std::string> names = DistinctNames();
  if (position < 1 || position > static_cast<int32_t>(names.size()))
    RaiseRuntimeError(err::kSubscriptOutOfRange);
  return names[static_cast<size_t>(position - 1)];
}

std::optional<std::vector<Variant>> RequestCollection::Enumerate() {
  std::vector<Variant> names;
  for (std::string& name : DistinctNames()) names.emplace_back(std::move(name));
  return names;
}

// ---- Request -------------------------------------------------------------------------------

namespace {

void AppendAll(RequestCollection& collection, const NameValueList& pairs) {
  for (const auto& [name, value] : pairs) collection.Append(name, value);
}

/// "User-Agent" -> "HTTP_USER_AGENT".
std::string HeaderVariableName(std::string_view header) {
  std::string name = "HTTP_";
  for (char c : header) {
    if (c == '-') c = '_';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    name += c;
  }
  return name;
}

}  // namespace

Request::Request(RequestData data)
    : data_(std::move(data)),
      query_(std::make_shared<RequestCollection>()),
      form_(std::make_shared<RequestCollection>()),
      cookies_(std::make_shared<RequestCollection>()),
      server_variables_(std::make_shared<RequestCollection>()) {
  query_->raw = data_.query_string;
  AppendAll(*query_, ParseUrlEncoded(data_.query_string));
  // Multipart bodies stay raw: the upload screen reads them through BinaryRead.
  if (HasMediaType(data_.content_type, "application/x-www-form-urlencoded")) {
    form_->raw = data_.body;
    AppendAll(*form_, ParseUrlEncoded(data_.body));
  }
  for (const auto& [name, value] : data_.headers) {
    if (!EqualsNoCase(name, "Cookie")) continue;
    if (!cookies_->raw.empty()) cookies_->raw += "; ";
    cookies_->raw += value;
    AppendAll(*cookies_, ParseCookieHeader(value));
  }
  FillServerVariables();
}

void Request::FillServerVariables() {
  RequestCollection& vars = *server_variables_;
  auto set = [&](std::string name, std::string_view value) {
    vars.Append(std::move(name), SanitizeUtf8(value));
  };
  set("SCRIPT_NAME", data_.script_name);
  // The script's own path, as classic page hosts report it: screens build their links and
  // form actions on it, so it never carries text from beyond the page's name.
  set("PATH_INFO", data_.script_name);
  set("URL", data_.script_name);
  set("REQUEST_METHOD", data_.method);
  set("QUERY_STRING", data_.query_string);
  set("CONTENT_TYPE", data_.content_type);
  set("CONTENT_LENGTH", std::to_string(data_.body.size()));
  set("REMOTE_ADDR", data_.remote_addr);
  set("REMOTE_HOST", data_.remote_addr);
  set("SERVER_NAME", data_.server_name);
  set("SERVER_PORT", data_.server_port);
  set("HTTPS", data_.secure ? "on" : "off");
  set("SERVER_PROTOCOL", data_.server_protocol);
  set("SERVER_SOFTWARE", "Korvex");
  set("PATH_TRANSLATED", data_.script_filename);
  std::string all_http;
  for (const auto& [name, value] : data_.headers) {
    std::string variable = HeaderVariableName(name);
    all_http += variable + ":" + value + "\n";
    set(std::move(variable), value);
  }
  set("ALL_HTTP", all_http);
}

const MemberTable& Request::Members() const {
  static const MemberTable table("Request",
                                 {
                                     IndexedGetter("Item", &Request::Item).Default(),
                                     Getter("QueryString", &Request::QueryStringObject),
                                     Getter("Form", &Request::FormObject),
                                     Getter("Cookies", &Request::CookiesObject),
                                     Getter("ServerVariables", &Request::ServerVariablesObject),
                                     Getter("TotalBytes", &Request::TotalBytes),
                                     Method("BinaryRead", &Request::BinaryRead),
                                 });
  return table;
}

Variant Request::Item(const Variant& name) {
  if (name.IsMissing()) RaiseRuntimeError(err::kArgumentNotOptional);
  std::string key = ToText(name);
  for (RequestCollection* collection :
       {query_.get(), form_.get(), cookies_.get(), server_variables_.get()}) {
    if (std::optional<std::string> value = collection->Get(key)) return Variant(std::move(*value));
  }
  return Variant();
}

std::string Request::ItemText(std::string_view name) {
  return TextOrEmpty(Item(Variant(name)));
}

int32_t Request::TotalBytes() const {
  constexpr size_t kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::min(data_.body.size(), kMax));
}

std::string Request::BinaryRead(int32_t count) {
  if (count < 0) RaiseRuntimeError(err::kInvalidProcedureCall);
  size_t n = std::min(static_cast<size_t>(count), data_.body.size() - body_read_);
  std::string bytes = data_.body.substr(body_read_, n);
  body_read_ += n;
  return bytes;
}

}  // namespace korvex::host
