// Signing the SQL text a page link carries back, so that a request can bring back only what
// this site wrote. The secret is the page's LinkSecret, else the site's from the host; a host
// that keeps none (an embedding program, a test) gets one made for this process, which signs
// and checks alike for as long as the process runs.
#include <string>

#include "component/admin_recordset.h"
#include "core/sha256.h"
#include "host/intrinsics.h"
#include "host/site_secret.h"

namespace korvex {

namespace {

// Names what is signed, so a signature made here can never pass for another kind of link
// signed with the same secret.
constexpr std::string_view kSqlPurpose = "Korvex search SQL\n";

const std::string& ProcessSecret() {
  static const std::string secret = host::RandomBytes(32);
  return secret;
}

}  // namespace

std::string AdminRecordset::SqlSignature(std::string_view sql) const {
  const std::string* secret = &LinkSecret;
  if (secret->empty() && server_) secret = &server_->SiteSecret();
  if (secret->empty()) secret = &ProcessSecret();
  std::string message(kSqlPurpose);
  message += sql;
  return HexOf(HmacSha256(*secret, message));
}

bool AdminRecordset::SqlSignatureMatches(std::string_view sql, std::string_view signature) const {
  return EqualInConstantTime(SqlSignature(sql), signature);
}

}  // namespace korvex
