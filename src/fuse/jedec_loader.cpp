#include "fuse/jedec_loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <variant>

#include "fuse/jedec_parser.h"

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Opens an existing regular file for reading; a folder opens on Linux but is
// no file to load.
FileDescriptor OpenRegularFile(const std::filesystem::path& path, struct stat& info) {
  FileDescriptor file(path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() >= 0 && (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))) return FileDescriptor(-1);
  return file;
}

std::optional<JedecImage> Fail(WindowOperations& window, const char* text, std::optional<int> progress) {
  window.SetStatusText(text);
  if (progress) SetProgress(window, *progress);
  return std::nullopt;
}

// Reads the whole file; false when fewer bytes arrive than its length.
bool ReadAll(int fd, char* buffer, size_t length) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::read(fd, buffer + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool TestOpenFile(const std::filesystem::path& path) {
  struct stat info {};
  return OpenRegularFile(path, info).get() >= 0;
}

std::optional<JedecImage> LoadJedecFile(WindowOperations& window, const std::filesystem::path& path) {
  window.SetStatusText("File (re)loading...");
  window.RepaintNow();

  struct stat info {};
  const FileDescriptor file = OpenRegularFile(path, info);
  if (file.get() < 0) return Fail(window, "Could not load file.", -20);
  const uint64_t length = static_cast<uint64_t>(info.st_size);
  if (length > MAX_JEDEC_FILE_BYTES) return Fail(window, "Too large file.", -20);

  std::unique_ptr<char[]> text(new char[length + 1]);
  if (!ReadAll(file.get(), text.get(), length)) return Fail(window, "File load failed.", -20);
  text[length] = '\0';

  auto parsed = ParseJedecText(text.get(), length);
  text.reset();
  if (auto* error = std::get_if<JedecParseError>(&parsed)) {
    if (*error == JedecParseError::NotJedec) return Fail(window, "Not JEDEC file.", -1);
    return Fail(window, "Purse error.", std::nullopt);
  }
  return std::move(std::get<JedecImage>(parsed));
}
