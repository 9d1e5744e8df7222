#pragma once
// The command line of keblor-analyse: [--settings FILE] [--raster] FILE.wav

#include <string>

namespace keblor::tool {

struct AnalyseOptions {
  std::string settingsPath = "./keblor.ini";
  bool raster = false;
  std::string wavPath;
};

// Fills `options` from argv[1..argc-1]. On a bad command line returns false with a one-line
// reason in `error` (no line end).
bool ParseAnalyseOptions(int argc, const char* const* argv, AnalyseOptions& options, std::string& error);

}  // namespace keblor::tool
