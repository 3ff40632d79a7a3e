// The korvex binary of the build under test as a real child process: arguments, environment and
// standard input given, its output in a file. A server keeps running until it is signalled; a
// command is run to its end by RunProcess.
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
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace korvex::testing {

inline std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class KorvexProcess {
 public:
  /// env is set over the environment after KORVEX_USER and KORVEX_PASSWORD are removed from it;
  /// with whole_env it is all of the environment and only standard output goes to output.
  KorvexProcess(const std::vector<std::string>& args, const std::filesystem::path& output,
                const std::map<std::string, std::string>& env = {},
                const std::filesystem::path& working_folder = {}, const std::string& input = "",
                bool whole_env = false)
      : output_(output) {
    // Standard input comes from a file, so a child that writes before reading cannot block.
    char input_path[] = "/tmp/korvex-stdin-XXXXXX";
    int input_fd = mkstemp(input_path);
    if (input_fd < 0) throw std::runtime_error("mkstemp failed");
    unlink(input_path);
    if (write(input_fd, input.data(), input.size()) != static_cast<ssize_t>(input.size()))
      throw std::runtime_error("cannot write the child's input");
    lseek(input_fd, 0, SEEK_SET);
    const char* dir = std::getenv("KORVEX_BINARY_DIR");
    if (!dir) throw std::runtime_error("KORVEX_BINARY_DIR is not set");
    const std::string binary = (std::filesystem::path(dir) / "app" / "korvex").string();
    pid_ = fork();
    if (pid_ == 0) {
      int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(input_fd, 0);
      dup2(fd, 1);
      if (!whole_env) dup2(fd, 2);
      if (!working_folder.empty() && chdir(working_folder.c_str()) != 0) _exit(126);
      if (whole_env) clearenv();
      unsetenv("KORVEX_USER");
      unsetenv("KORVEX_PASSWORD");
      for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
      std::vector<char*> argv{const_cast<char*>(binary.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(binary.c_str(), argv.data());
      _exit(127);
    }
    close(input_fd);
  }
  ~KorvexProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  KorvexProcess(const KorvexProcess&) = delete;
  KorvexProcess& operator=(const KorvexProcess&) = delete;

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

struct ProcessResult {
  int exit_status = -1;
  std::string out;  // standard output only
};

/// Runs the binary to its end; env holds "NAME=value" entries (a later one wins) and is the
/// child's whole environment.
inline ProcessResult RunProcess(const std::vector<std::string>& args,
                                const std::vector<std::string>& env, const std::string& input) {
  std::map<std::string, std::string> variables;
  for (const std::string& entry : env) {
    size_t eq = entry.find('=');
    variables[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  char out_path[] = "/tmp/korvex-stdout-XXXXXX";
  int out_fd = mkstemp(out_path);
  if (out_fd < 0) throw std::runtime_error("mkstemp failed");
  close(out_fd);
  ProcessResult result;
  {
    KorvexProcess child(args, out_path, variables, {}, input, true);
    result.exit_status = child.Wait();
    result.out = child.Output();
  }
  unlink(out_path);
  return result;
}

}  // namespace korvex::testing
