#include "analyse_options.h"

#include <string_view>

namespace keblor::tool {

bool ParseAnalyseOptions(int argc, const char* const* argv, AnalyseOptions& options, std::string& error) {
  bool settingsGiven = false;
  bool optionsEnded = false;
  bool fileGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsEnded && (arg == "-h" || arg == "--help")) {
      options.help = true;
      return true;
    } else if (!optionsEnded && arg == "--version") {
      options.version = true;
      return true;
    } else if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == "--raster") {
      options.raster = true;
    } else if (!optionsEnded && arg == "--decode") {
      options.decode = true;
    } else if (!optionsEnded && arg == "--settings") {
      if (settingsGiven) {
        error = "--settings: given twice";
        return false;
      }
      if (i + 1 >= argc) {
        error = "--settings: missing settings file name";
        return false;
      }
      options.settingsPath = argv[++i];
      if (options.settingsPath.empty()) {
        error = "--settings: empty settings file name";
        return false;
      }
      settingsGiven = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      error = std::string(arg) + ": unknown option";
      return false;
    } else {
      if (fileGiven) {
        error = std::string(arg) + ": only one WAV file can be analysed";
        return false;
      }
      options.wavPath = arg;
      fileGiven = true;
    }
  }
  if (!fileGiven) {
    error = "no WAV file given";
    return false;
  }
  return true;
}

std::string AnalyseUsage() {
  return "Usage: keblor-analyse [--settings FILE] [--raster] [--decode] FILE.wav\n"
         "Runs CW Keblor's spectrum analysis over a recording and prints one JSON line for\n"
         "each picture the program would show.\n"
         "\n"
         "  --settings FILE  the program's settings to use (default: ./keblor.ini)\n"
         "  --raster         add each window's drawn trace as hex\n"
         "  --decode         find every CW signal up to 4000 Hz in each channel and decode it;\n"
         "                   a last JSON line lists them all with their whole text\n"
         "  -h, --help       show this help and exit\n"
         "      --version    show the version and exit\n"
         "  --               ends the options; a WAV file name may follow\n"
         "\n"
         "FILE.wav: 8000 to 192000 samples per second (resampled to 10240), 8-bit unsigned,\n"
         "16-bit signed or 32-bit float, mono or stereo.\n"
         "Exit status: 0 done, 1 output failed, 2 bad command line or input.\n"
         "`man keblor-analyse` describes the output.\n";
}

std::string AnalyseVersion() { return "keblor-analyse (CW Keblor) " KEBLOR_VERSION "\n"; }

}  // namespace keblor::tool
