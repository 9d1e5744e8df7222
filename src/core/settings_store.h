#pragma once
// Loading and saving the settings through the settings file's document.

#include "core/ini_document.h"
#include "core/settings.h"
#include "core/settings_file.h"

namespace keblor {

// NumberOfAverages from the file is used as it is, but no higher than this: 10000 blocks are
// about 17 minutes a picture, and a count near 2^31 would never give one.
inline constexpr int MAX_FILE_AVERAGES = 10000;

// The eighteen keys with their defaults, then validated: Channels, BitsPerSample,
// NumberOfAverages (1..MAX_FILE_AVERAGES) and both Range values; then the tuning aids' keys
// (PitchReadout, RunningAverage and Waterfall as 0 or 1, Zoom within 1..MAX_ZOOM), the input's
// name, and [Rig]: Model and Speed (a negative one read as 0), Port as it is, Sideband (0..2,
// anything else read as 0).
void ReadSettings(Settings& settings, const IniDocument& document);
// ReadSettings from the file, read once. Cannot fail: an unreadable file gives the defaults.
// The command line's rig and spot feed over the settings'. The input is the capture's to find.
void ApplyChoices(Settings& settings, const SettingsChoices& choices);

void LoadSettings(Settings& settings, SettingsFile& file);

// Sets the fifteen keys in the document (the caller has stored the window's place in
// xPos/yPos), General's nine then VFO-A's and VFO-B's three; then the tuning aids' keys, the
// input's name and [Rig]'s Model, Port, Speed and Sideband, each only once it is used: when not
// at its default (0, empty or Zoom 1), or when the document holds it already.
// Fails, naming the key, when a value cannot be written as one line (an input's name with a
// line break); the document may then hold some of the values.
Status ApplySettings(const Settings& settings, IniDocument& document);
// ApplySettings to the file in one save, whole or not at all. Fails when there is no file.
Status SaveSettings(const Settings& settings, SettingsFile* file);
// What the user is told of a failed save: "The settings were not saved: why."
std::string SaveFailureText(const Status& result);

}  // namespace keblor
