#include "ado/statement_log.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace korvex::ado {

namespace {

struct StatementLog {
  std::FILE* file = nullptr;
  std::mutex mutex;

  StatementLog() {
    if (const char* path = std::getenv("KORVEX_STATEMENT_LOG"); path && *path)
      file = std::fopen(path, "a");
  }
};

StatementLog& Log() {
  static StatementLog log;  // opened once, on the first statement
  return log;
}

}  // namespace

void LogStatement(std::string_view sql) {
  StatementLog& log = Log();
  if (!log.file) return;
  std::string line;
  line.reserve(sql.size() + 1);
  for (char c : sql) {
    if (c == '\n') {
      line += "\\n";
    } else if (c != '\r') {
      line += c;
    }
  }
  line += '\n';
  std::lock_guard lock(log.mutex);
  std::fwrite(line.data(), 1, line.size(), log.file);
  std::fflush(log.file);  // a log read while the server runs is whole up to the last statement
}

}  // namespace korvex::ado
