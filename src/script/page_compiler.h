// Turns a page (HTML with <% code %> and <%= expression %> blocks) into the JavaScript program
// that writes it, and keeps compiled pages in a cache shared by every request thread.
// Running the program is the engine's business (engine.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/automation_error.h"

namespace korvex::script {

/// The function every compiled loop condition calls, so a runaway page can be stopped.
inline constexpr std::string_view kLoopCheckFunction = "__korvexLoopCheck";

struct CompiledPage {
  std::string js;
  /// Page line of each line of js (index 0 is js line 1).
  std::vector<int> page_lines;
  /// js compiled by Duktape, which each run loads instead of compiling js again; empty when
  /// js has a syntax error (the run compiles js and reports it).
  std::string bytecode;
  /// The page's code may get hold of a built-in object (Math as a value, Object, prototype,
  /// __proto__, constructor, this[...]; calls such as String(x) or Math.max(a, b) do not
  /// count), so running it may change what the next request on the same heap would see; the
  /// engine then serves no further request. Not caught: a property set on a built-in method
  /// reached through a value ([].push.x = 1).
  bool reaches_builtins = false;

  /// The page line a line of the generated program came from; 0 when unknown.
  int PageLine(int js_line) const;
};

/// A page that cannot be compiled: an unclosed block, an empty expression.
class PageCompileError : public AutomationError {
 public:
  PageCompileError(std::string description, int line);
  int line() const { return line_; }

 private:
  int line_;
};

/// Compiles page text. Literal text is written byte for byte (invalid UTF-8 becomes U+FFFD; a
/// leading byte order mark is dropped), "%>" inside a string, a block comment or a regular
/// expression does not close a block, directives (<%@ ... %>) are dropped, and loop
/// conditions call kLoopCheckFunction.
CompiledPage CompilePage(std::string_view text);

/// Compiled pages by file, recompiled when the file's modification time or size changes.
/// Holds at most max_pages pages and about max_bytes of program and bytecode; past either the
/// page used least recently goes (a page larger than max_bytes alone is compiled, never kept).
/// Safe for concurrent use; two threads may compile the same page at once, one result wins.
class PageCache {
 public:
  explicit PageCache(size_t max_pages = 1000, size_t max_bytes = size_t{64} << 20);

  /// Raises 53 "File not found" when the page does not exist, PageCompileError when it
  /// does not compile.
  std::shared_ptr<const CompiledPage> Get(const std::filesystem::path& file);

  size_t page_count() const;
  size_t byte_count() const;

 private:
  struct Entry {
    std::filesystem::file_time_type modified;
    uintmax_t size = 0;
    size_t bytes = 0;
    std::shared_ptr<const CompiledPage> page;
    std::list<std::string>::iterator use;  // its place in uses_
  };
  void Keep(std::string key, Entry entry);

  const size_t max_pages_;
  const size_t max_bytes_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;  // keyed by the file path
  std::list<std::string> uses_;                     // keys, most recently used first
  size_t bytes_ = 0;
};

}  // namespace korvex::script
