// The korvex binary started as a long-running process (a server) with its standard output
// and error in a file: waits for its start line, signals it and collects its exit status.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/process.h"

namespace korvex::testing {

inline std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The environment's KORVEX_USER and KORVEX_PASSWORD are replaced by `env` (or removed); the
// process runs in working_folder when one is given.
class ServerProcess {
 public:
  ServerProcess(const std::vector<std::string>& args, const std::filesystem::path& output,
                const std::map<std::string, std::string>& env = {},
                const std::filesystem::path& working_folder = {})
      : output_(output) {
    pid_ = fork();
    if (pid_ == 0) {
      int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(fd, 1);
      dup2(fd, 2);
      if (!working_folder.empty() && chdir(working_folder.c_str()) != 0) _exit(126);
      unsetenv("KORVEX_USER");
      unsetenv("KORVEX_PASSWORD");
      for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
      std::string binary = KorvexBinary().string();
      std::vector<char*> argv{binary.data()};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(binary.c_str(), argv.data());
      _exit(127);
    }
  }
  ~ServerProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  /// The exit status, or -1 when it has not ended in time (or died of a signal).
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  /// The port from the start line; 0 when the server did not come up.
  uint16_t WaitForPort() {
    static const std::regex kUrl(R"(http://127\.0\.0\.1:(\d+)/)");
    for (int i = 0; i < 500; ++i) {
      std::smatch m;
      std::string text = Output();
      if (std::regex_search(text, m, kUrl)) return static_cast<uint16_t>(std::stoi(m[1]));
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
  }

  void Signal(int signal) { kill(pid_, signal); }
  std::string Output() const { return ReadWholeFile(output_); }

 private:
  std::filesystem::path output_;
  pid_t pid_ = -1;
  bool exited_ = false;
};

}  // namespace korvex::testing
