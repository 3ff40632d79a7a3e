// Making and finding a site's link secret. The new secret is written whole to a private file
// first, then linked under its final name: link(2) refuses to replace a file, so whichever
// process links first wins and the others read its secret.
#include "host/site_secret.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "core/sha256.h"

namespace korvex::host {

namespace fs = std::filesystem;

namespace {

constexpr size_t kSecretBytes = 32;

std::string ReadSecret(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string secret{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in.eof() && in.fail()) throw std::runtime_error("cannot read " + file.string());
  if (secret.size() != kSecretBytes)
    throw std::runtime_error("the link secret " + file.string() +
                             " is damaged (not 32 bytes); delete it to make a new one");
  return secret;
}

void WritePrivateFile(const fs::path& file, const std::string& bytes) {
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0)
    throw std::runtime_error("cannot create " + file.string() + ": " + std::strerror(errno));
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int error = errno;
      ::close(fd);
      throw std::runtime_error("cannot write " + file.string() + ": " + std::strerror(error));
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0)
    throw std::runtime_error("cannot write " + file.string() + ": " + std::strerror(errno));
}

}  // namespace

std::string RandomBytes(size_t count) {
  std::string bytes(count, '\0');
  size_t done = 0;
  while (done < count) {
    ssize_t n = getrandom(bytes.data() + done, count - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw std::system_error(errno, std::generic_category(), "getrandom");
    done += static_cast<size_t>(n);
  }
  return bytes;
}

std::string SiteSecret(const fs::path& state_dir, std::string_view site) {
  const fs::path folder = state_dir / "link-secrets";
  // The site's name may be any path: its hash names the file.
  const fs::path file = folder / (HexOf(Sha256(site)).substr(0, 32) + ".key");
  std::error_code ec;
  if (fs::exists(file, ec)) return ReadSecret(file);
  fs::create_directories(folder, ec);
  if (ec) throw std::runtime_error("cannot create " + folder.string() + ": " + ec.message());

  const std::string secret = RandomBytes(kSecretBytes);
  fs::path draft = file;
  draft += ".new-" + HexOf(Sha256(RandomBytes(16))).substr(0, 16);
  WritePrivateFile(draft, secret);
  const bool linked = ::link(draft.c_str(), file.c_str()) == 0;
  const int error = errno;
  fs::remove(draft, ec);
  if (linked) return secret;
  if (error != EEXIST)
    throw std::runtime_error("cannot keep " + file.string() + ": " + std::strerror(error));
  return ReadSecret(file);
}

}  // namespace korvex::host
