// Runs a program as a real child process: arguments, a complete environment, standard input
// from a text; gives back its exit status and standard output.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex::testing {

struct ProcessResult {
  int exit_status = -1;
  std::string out;
};

/// The korvex executable of the build under test.
inline std::filesystem::path KorvexBinary() {
  const char* dir = std::getenv("KORVEX_BINARY_DIR");
  if (!dir) throw std::runtime_error("KORVEX_BINARY_DIR is not set");
  return std::filesystem::path(dir) / "app" / "korvex";
}

/// env holds "NAME=value" entries and is the child's whole environment.
inline ProcessResult RunProcess(const std::filesystem::path& program,
                                const std::vector<std::string>& args,
                                const std::vector<std::string>& env, const std::string& input) {
  // Standard input comes from a file, so a child that writes before reading cannot block.
  char input_path[] = "/tmp/korvex-stdin-XXXXXX";
  int input_fd = mkstemp(input_path);
  if (input_fd < 0) throw std::runtime_error("mkstemp failed");
  unlink(input_path);
  if (write(input_fd, input.data(), input.size()) != static_cast<ssize_t>(input.size()))
    throw std::runtime_error("cannot write the child's input");
  lseek(input_fd, 0, SEEK_SET);

  int out_pipe[2];
  if (pipe(out_pipe) != 0) throw std::runtime_error("pipe failed");

  std::vector<std::string> argv_text{program.string()};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv, envp;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_copy = env;
  for (auto& e : env_copy) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(input_fd, 0);
    dup2(out_pipe[1], 1);
    close(out_pipe[0]);
    close(out_pipe[1]);
    close(input_fd);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(input_fd);
  ProcessResult result;
  char buffer[4096];
  for (ssize_t n; (n = read(out_pipe[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    result.out.append(buffer, static_cast<size_t>(n));
  }
  close(out_pipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace korvex::testing
