#include "analyse_options.h"

#include <string_view>

#include "base/option_table.h"

namespace keblor::tool {
namespace {

// The options as they are read: what was given besides what it says.
struct Reading {
  AnalyseOptions options;
  bool settingsGiven = false;
  bool fileGiven = false;
};

std::string Settings(Reading& reading, std::string_view file) {
  if (reading.settingsGiven) return "given twice";
  if (file.empty()) return "empty settings file name";
  reading.options.settingsPath = file;
  reading.settingsGiven = true;
  return {};
}

std::string Raster(Reading& reading, std::string_view) {
  reading.options.raster = true;
  return {};
}

std::string Decode(Reading& reading, std::string_view) {
  reading.options.decode = true;
  return {};
}

std::string Help(Reading& reading, std::string_view) {
  reading.options.help = true;
  return {};
}

std::string Version(Reading& reading, std::string_view) {
  reading.options.version = true;
  return {};
}

std::string WavFile(Reading& reading, std::string_view file) {
  if (reading.fileGiven) return "only one WAV file can be analysed";
  reading.options.wavPath = file;
  reading.fileGiven = true;
  return {};
}

// The options in the order --help lists them.
constexpr OptionRow<Reading> ANALYSE_OPTIONS[]{
    {"--settings", "FILE", "settings file name", "the program's settings to use (default: ./keblor.ini)", Settings},
    {"--raster", {}, {}, "add each window's drawn trace as hex", Raster},
    {"--decode", {}, {}, "decode every CW signal up to 4000 Hz; a last line lists them", Decode},
    {"-h, --help", {}, {}, "show this help and exit", Help, true},
    {"    --version", {}, {}, "show the version and exit", Version, true},
    {"--", {}, {}, "ends the options; a WAV file name may follow", nullptr},
};

}  // namespace

bool ParseAnalyseOptions(int argc, const char* const* argv, AnalyseOptions& options, std::string& error) {
  Reading reading{options};
  error = ReadCommandLine<Reading>(argc, argv, ANALYSE_OPTIONS, reading, WavFile);
  if (error.empty() && !reading.options.help && !reading.options.version && !reading.fileGiven) {
    error = "no WAV file given";
  }
  options = reading.options;
  return error.empty();
}

std::string AnalyseUsage() {
  return "Usage: keblor-analyse [--settings FILE] [--raster] [--decode] FILE.wav\n"
         "Runs CW Keblor's spectrum analysis over a recording and prints one JSON line for\n"
         "each picture the program would show.\n"
         "\n" +
         OptionsHelp<Reading>(ANALYSE_OPTIONS) +
         "\n"
         "FILE.wav: 8000 to 192000 samples per second (resampled to 10240), 8-bit unsigned,\n"
         "16-bit signed or 32-bit float, mono or stereo.\n"
         "Exit status: 0 done, 1 output failed, 2 bad command line or input.\n"
         "`man keblor-analyse` describes the output.\n";
}

std::string AnalyseVersion() { return "keblor-analyse (CW Keblor) " KEBLOR_VERSION "\n"; }

}  // namespace keblor::tool
