// The body of the console's upload form, read the fixed single-part way: the header ends at
// the first CR LF CR LF, the file runs to the closing boundary line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

struct UploadedFile {
  std::string name;
  /// Where the file's bytes start in the body, and how many there are.
  size_t begin = 0;
  size_t size = 0;
};

// The file of a body, or nothing when none was sent. The name is the client's file name
// after its last "\" or "/": old browsers send the whole path, current ones the name alone.
std::optional<UploadedFile> ReadUploadBody(std::string_view body);

}  // namespace korvex
