#pragma once
// A program without a console loses what it writes to standard error. While a DebugOutput
// lives, every line written to standard error (the C streams and the handle) goes to the
// debugger as one OutputDebugString line, and on to the standard error the program was started
// with, when it had one.

#include <memory>

namespace keblor {

class DebugOutput {
 public:
  DebugOutput();
  // Flushes standard error and sends a last unfinished line.
  ~DebugOutput();
  DebugOutput(const DebugOutput&) = delete;
  DebugOutput& operator=(const DebugOutput&) = delete;

 private:
  struct Pipe;
  std::unique_ptr<Pipe> pipe_;
};

}  // namespace keblor
