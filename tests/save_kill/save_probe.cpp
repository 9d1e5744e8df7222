// Saves the settings into a settings file the way the program does (IniFile, SaveSettings), for
// kill_during_save.sh: "a" or "b" saves one of two sets of values once; "loop" saves b, a, b, ...
// until it is killed, writing one '.' to standard output after each save. Whenever the process
// is killed, the file must be whole: as it was before the save that was running, or as after it.
//
// Usage: save_probe FILE a|b|loop. Exit status 0, or 1 with the reason on standard error.

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/ini_file.h"
#include "core/settings_store.h"

namespace {

// The two sets differ in length, so that a file cut short or mixed cannot pass for either.
keblor::Settings Values(keblor::Settings s, bool b) {
  s.Channels = b ? 2 : 1;
  s.NumberOfAverages = b ? 250 : 7;
  s.xPos = b ? -1234567 : 1;
  s.yPos = b ? 1080 : 0;
  s.Input = b ? "alsa_input.usb-Burr-Brown_from_TI_USB_Audio_CODEC-00.analog-stereo" : "rig";
  s.VFO_A.PitchFreq = b ? 712 : 500;
  return s;
}

bool Save(keblor::IniFile& file, const keblor::Settings& values) {
  const keblor::Status saved = keblor::SaveSettings(values, &file);
  if (!saved.Ok()) std::fprintf(stderr, "save_probe: %s: %s\n", file.Path().c_str(), saved.reason.c_str());
  return saved.Ok();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: save_probe FILE a|b|loop\n");
    return 2;
  }
  keblor::IniFile file(argv[1]);
  keblor::Settings loaded;
  keblor::LoadSettings(loaded, file);
  const keblor::Settings a = Values(loaded, false);
  const keblor::Settings b = Values(loaded, true);
  if (std::strcmp(argv[2], "a") == 0) return Save(file, a) ? 0 : 1;
  if (std::strcmp(argv[2], "b") == 0) return Save(file, b) ? 0 : 1;
  for (bool next = true;; next = !next) {
    if (!Save(file, next ? b : a)) return 1;
    if (write(STDOUT_FILENO, ".", 1) != 1) return 1;
  }
}
