// The page-script engine as the web host sees it: compile through the shared cache, run with
// the request's intrinsic objects on the calling thread's pooled heap (a fresh global object
// each time), and turn an escaping error into a 500 answer that keeps the output so far.
#pragma once

#include <filesystem>
#include <memory>

#include "host/page_host.h"
#include "script/engine.h"
#include "script/page_compiler.h"

namespace korvex::script {

class ScriptPageRunner : public host::PageRunner {
 public:
  /// Runners may share one cache (the HTTP server's worker threads do).
  explicit ScriptPageRunner(std::shared_ptr<PageCache> cache = std::make_shared<PageCache>());

  void Run(const std::filesystem::path& page_file, host::ScriptingContext& context) override;

  /// A heap serves at most this many requests of one thread before a new one replaces it, so
  /// what a long run leaves in a heap (interned texts, fragments) stays bounded.
  static constexpr uint32_t kRequestsPerHeap = 5000;

 private:
  std::shared_ptr<PageCache> cache_;
};

/// The HTML notice written after a page's output when an error escapes it: the error's
/// source, number and description (or its name and message), the page and the line.
std::string ErrorNotice(const ScriptError& error, std::string_view page_name);

}  // namespace korvex::script
