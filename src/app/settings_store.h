#pragma once
// Loading and saving the settings through the settings file.

#include "app/app_state.h"

namespace keblor {

// Reads the eighteen keys in table order with their defaults, then validates Channels,
// BitsPerSample, NumberOfAverages and both Range values. Cannot fail.
void LoadSettings(Settings& settings, SettingsFile& file);

// Stores the main window's restored top-left in xPos/yPos and writes the fifteen keys.
// Returns false (and says so on standard error) when a write failed; the file then keeps
// its old content for that key.
bool SaveSettings(AppState& app);

}  // namespace keblor
