#include "win32/debug_output.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "winapi/wide_text.h"

namespace keblor {

// Standard error becomes the writing end of a pipe; a thread reads it line by line.
struct DebugOutput::Pipe {
  HANDLE read = nullptr;
  HANDLE stop = nullptr;      // a writing end of our own, for the byte that ends the reader
  HANDLE original = nullptr;  // the standard error the program was given; null for none
  std::thread reader;

  void Run() {
    std::string line;
    char chunk[512];
    DWORD got = 0;
    bool stopped = false;
    while (!stopped && ReadFile(read, chunk, sizeof chunk, &got, nullptr) && got > 0) {
      for (DWORD i = 0; i < got; ++i) {
        if (chunk[i] == '\0') {  // from the destructor; text never holds it
          got = i;
          stopped = true;
          break;
        }
      }
      if (original != nullptr && got > 0) {
        DWORD written = 0;
        WriteFile(original, chunk, got, &written, nullptr);
      }
      for (DWORD i = 0; i < got; ++i) {
        if (chunk[i] == '\n') {
          Send(line);
          line.clear();
        } else if (chunk[i] != '\r') {
          line += chunk[i];
        }
      }
    }
    if (!line.empty()) Send(line);
  }

  static void Send(const std::string& line) { OutputDebugStringW((Widen(line) + L"\n").c_str()); }
};

DebugOutput::DebugOutput() : pipe_(std::make_unique<Pipe>()) {
  Pipe& p = *pipe_;
  HANDLE given = GetStdHandle(STD_ERROR_HANDLE);
  if (given != nullptr && given != INVALID_HANDLE_VALUE && GetFileType(given) != FILE_TYPE_UNKNOWN) {
    DuplicateHandle(GetCurrentProcess(), given, GetCurrentProcess(), &p.original, 0, FALSE, DUPLICATE_SAME_ACCESS);
  }
  HANDLE write = nullptr;
  if (!CreatePipe(&p.read, &write, nullptr, 0) ||
      !DuplicateHandle(GetCurrentProcess(), write, GetCurrentProcess(), &p.stop, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    pipe_.reset();
    return;
  }
  // A program without a console starts with a standard error stream that has no file behind it.
  if (_fileno(stderr) < 0) (void)std::freopen("NUL", "w", stderr);
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(write), _O_WRONLY | _O_BINARY);
  _dup2(fd, _fileno(stderr));
  _close(fd);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  SetStdHandle(STD_ERROR_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stderr))));
  p.reader = std::thread([&p] { p.Run(); });
}

// Standard error stays on the pipe: what is written after this waits in the pipe unread.
DebugOutput::~DebugOutput() {
  if (!pipe_) return;
  std::fflush(stderr);
  DWORD written = 0;
  WriteFile(pipe_->stop, "", 1, &written, nullptr);
  if (pipe_->reader.joinable()) pipe_->reader.join();
  CloseHandle(pipe_->stop);
  if (pipe_->original != nullptr) CloseHandle(pipe_->original);
}

}  // namespace keblor
