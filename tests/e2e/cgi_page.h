// Runs one page of a site folder through the real `korvex cgi` program and gives the body of
// its answer: the common step of the end-to-end tests that only look at what a page wrote.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/process.h"
#include "host/temp_folder.h"

namespace korvex::testing {

/// GET /page?query with sessions kept in state; expects a clean exit and CGI headers.
inline std::string CgiPageBody(const host::testing::TempFolder& site,
                               const host::testing::TempFolder& state, const std::string& page,
                               const std::string& query = "") {
  std::vector<std::string> env = {"REQUEST_METHOD=GET", "SCRIPT_NAME=/" + page,
                                  "SCRIPT_FILENAME=" + (site.path() / page).string(),
                                  "QUERY_STRING=" + query,
                                  "KORVEX_STATE_DIR=" + state.path().string()};
  ProcessResult run = RunProcess(KorvexBinary(), {"cgi"}, env, "");
  EXPECT_EQ(run.exit_status, 0);
  size_t end = run.out.find("\r\n\r\n");
  EXPECT_NE(end, std::string::npos) << run.out;
  return end == std::string::npos ? run.out : run.out.substr(end + 4);
}

}  // namespace korvex::testing
