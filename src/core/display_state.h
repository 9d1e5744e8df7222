#pragma once
// What the display shows besides the settings: frozen or running, a pending clear, which
// spectrum windows are open and the main window's layout. Changed on the GUI thread only.

#include "base/vfo.h"
#include "core/main_layout.h"
#include "core/settings.h"

namespace keblor {

struct DisplayState {
  bool frozen = false;
  bool clearRequested = false;  // the next repaint blanks the trace
  bool openA = false;
  bool openB = false;
  MainLayout layout;

  bool IsOpen(Vfo vfo) const { return vfo == Vfo::A ? openA : openB; }
  void SetOpen(Vfo vfo, bool open) { (vfo == Vfo::A ? openA : openB) = open; }
  bool AnyOpen() const { return openA || openB; }
};

inline VfoSettings& VfoSettingsOf(Settings& settings, Vfo vfo) {
  return vfo == Vfo::A ? settings.VFO_A : settings.VFO_B;
}
inline const VfoSettings& VfoSettingsOf(const Settings& settings, Vfo vfo) {
  return vfo == Vfo::A ? settings.VFO_A : settings.VFO_B;
}
inline bool IsStereo(const Settings& settings) { return settings.Channels == 2; }

}  // namespace keblor
