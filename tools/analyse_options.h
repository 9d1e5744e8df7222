#pragma once
// The command line of keblor-analyse: [--settings FILE] [--raster] [--decode] FILE.wav, or --help, or
// --version.

#include <string>

namespace keblor::tool {

struct AnalyseOptions {
  std::string settingsPath = "./keblor.ini";
  bool raster = false;
  bool decode = false;   // list and decode every CW signal after the pictures
  std::string wavPath;
  bool help = false;     // print AnalyseUsage() and stop
  bool version = false;  // print AnalyseVersion() and stop
};

// Fills `options` from argv[1..argc-1]. On a bad command line returns false with a one-line
// reason in `error` (no line end).
// The first -h/--help or --version wins over everything after it, and no WAV file is needed.
bool ParseAnalyseOptions(int argc, const char* const* argv, AnalyseOptions& options, std::string& error);

// What --help and --version print, each ending with a line end.
std::string AnalyseUsage();
std::string AnalyseVersion();

}  // namespace keblor::tool
