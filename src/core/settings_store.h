#pragma once
// Loading and saving the settings through the settings file.

#include "core/settings.h"
#include "core/settings_file.h"

namespace keblor {

// Reads the eighteen keys in table order with their defaults, then validates Channels,
// BitsPerSample, NumberOfAverages and both Range values; then the tuning aids' keys and the
// input's name. Cannot fail.
void LoadSettings(Settings& settings, SettingsFile& file);

// Writes the fifteen keys (the caller has stored the window's place in xPos/yPos), and the
// tuning aids' keys and the input's name once they are used: when not at their defaults, or
// when the file holds them already.
// Returns false (and says so on standard error) when there is no file or a write failed; the
// file then keeps its old content for that key.
bool SaveSettings(const Settings& settings, SettingsFile* file);

}  // namespace keblor
