// Template files on the server: reading a page's template and writing a generated one, with
// the run-time errors a page expects from file access (53, 58, 70, 76).
#pragma once

#include <string>

namespace korvex {

/// The whole file at path (a physical path, used as given). A missing file raises 53, a
/// missing folder 76, one that cannot be read 70. A leading UTF-8 byte order mark is dropped.
std::string ReadTemplateFile(const std::string& path);

/// Writes text to path (blanks trimmed), creating the file. An existing file raises 58 unless
/// overwrite; a missing folder raises 76, a file that cannot be written 70.
void WriteTemplateFile(const std::string& path, const std::string& text, bool overwrite);

}  // namespace korvex
