// Stands in for a graphical mixer in the desktop tools tests, copied onto PATH under a mixer's
// name. Appends "<pid> <arguments>" to the file KEBLOR_FAKE_MIXER_LOG names (when set), then
// stays running as a mixer window would, for a minute at most so that none outlives a test long.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* log = std::getenv("KEBLOR_FAKE_MIXER_LOG");
  if (log != nullptr && *log != '\0') {
    std::string line = std::to_string(::getpid());
    for (int i = 1; i < argc; ++i) {
      line += ' ';
      line += argv[i];
    }
    line += '\n';
    // One write to a file opened for appending: lines of mixers started together stay whole.
    const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return 1;
    const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    if (!written) return 1;
  }
  ::sleep(60);
  return 0;
}
