// Runs one page of a site folder through the real `korvex cgi` program: the common step of the
// end-to-end tests of pages, and the answer split as a web server in front would read it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/process.h"
#include "host/temp_folder.h"

namespace korvex::testing {

struct CgiAnswer {
  int exit_status = -1;
  std::string status;  // "200 OK"
  std::vector<std::string> headers;
  std::string body;

  std::string Header(std::string_view name) const {
    for (const std::string& h : headers)
      if (h.starts_with(std::string(name) + ": ")) return h.substr(name.size() + 2);
    return "";
  }
};

/// GET /page with sessions kept in state; extra holds further "NAME=value" variables.
inline CgiAnswer RunCgi(const host::testing::TempFolder& site,
                        const host::testing::TempFolder& state, const std::string& page,
                        const std::vector<std::string>& extra = {}, const std::string& input = "",
                        const std::vector<std::string>& args = {"cgi"}) {
  std::vector<std::string> env = {"REQUEST_METHOD=GET", "SCRIPT_NAME=/" + page,
                                  "SCRIPT_FILENAME=" + (site.path() / page).string(),
                                  "KORVEX_STATE_DIR=" + state.path().string()};
  env.insert(env.end(), extra.begin(), extra.end());
  ProcessResult run = RunProcess(args, env, input);
  CgiAnswer answer;
  answer.exit_status = run.exit_status;
  size_t end = run.out.find("\r\n\r\n");
  EXPECT_NE(end, std::string::npos) << run.out;
  if (end == std::string::npos) return answer;
  answer.body = run.out.substr(end + 4);
  for (size_t at = 0; at < end;) {
    size_t next = std::min(run.out.find("\r\n", at), end);
    answer.headers.push_back(run.out.substr(at, next - at));
    at = next + 2;
  }
  answer.status = answer.Header("Status");
  return answer;
}

/// The body of GET /page?query; expects a clean exit.
inline std::string CgiPageBody(const host::testing::TempFolder& site,
                               const host::testing::TempFolder& state, const std::string& page,
                               const std::string& query = "") {
  CgiAnswer answer = RunCgi(site, state, page, {"QUERY_STRING=" + query});
  EXPECT_EQ(answer.exit_status, 0);
  return answer.body;
}

}  // namespace korvex::testing
