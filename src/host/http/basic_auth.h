// HTTP Basic authentication for the server: parsing the Authorization header, checking it
// against the one configured user in constant time, and the challenge sent with a 401.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvex::host::http {

struct BasicCredentials {
  std::string user;
  std::string password;
};

/// "Basic <base64 of user:password>" (scheme in any case). Nothing for another scheme,
/// malformed base64 or a decoded text without ":".
std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view header_value);

/// Compares without an early exit, so the time taken says nothing about where texts differ.
bool ConstantTimeEquals(std::string_view a, std::string_view b);

class BasicAuth {
 public:
  explicit BasicAuth(BasicCredentials expected) : expected_(std::move(expected)) {}

  /// header_value: the request's Authorization header, "" when absent.
  bool Accepts(std::string_view header_value) const;
  /// The WWW-Authenticate value of a 401 answer.
  static std::string Challenge();

 private:
  BasicCredentials expected_;
};

}  // namespace korvex::host::http
