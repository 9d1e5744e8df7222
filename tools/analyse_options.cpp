#include "analyse_options.h"

#include <string_view>

namespace keblor::tool {

bool ParseAnalyseOptions(int argc, const char* const* argv, AnalyseOptions& options, std::string& error) {
  bool settingsGiven = false;
  bool optionsEnded = false;
  bool fileGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == "--raster") {
      options.raster = true;
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

}  // namespace keblor::tool
