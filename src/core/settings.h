#pragma once
// Every persisted value: one field per key of keblor.ini, named by its key, a 32-bit signed
// number but for the input's name. "FT-1000MP", "VFO-A" and "VFO-B" are spelled FT1000MP, VFO_A
// and VFO_B here.

#include <cstdint>
#include <optional>
#include <string>

namespace keblor {

struct VfoSettings {
  std::int32_t PitchFreq = 500;  // Hz
  std::int32_t Pitch = 1;        // marker shown when non-zero
  std::int32_t Range = 1;        // RangeIndex 0..4
};

// [Rig], written only once used, like the tuning aids.
struct RigSettings {
  std::int32_t Model = 0;     // Hamlib's model number; 0: no rig
  std::string Port{};         // a serial device, or host:port for model 2 (rigctld)
  std::int32_t Speed = 0;     // serial speed; 0: the rig's default
  std::int32_t Sideband = 0;  // 0: from the rig's mode, 1: upper, 2: lower
  friend bool operator==(const RigSettings&, const RigSettings&) = default;
};

// [Skimmer], written only once used: the decode line and the signals window, its place and size
// (screen pixels; a width of 0 until the window was first placed).
struct SkimmerSettings {
  std::int32_t Decode = 0;   // the decode line under each trace, and the text in the list
  std::int32_t Signals = 0;  // the signals window open
  std::int32_t xPos = 0;
  std::int32_t yPos = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// [Spots], written only once used: the spot feed (a DX cluster or the Reverse Beacon Network, by
// telnet) and the operator's call for its login.
struct SpotsSettings {
  std::string Host{};          // empty: no feed
  std::int32_t Port = 7000;
  std::string Call{};
  std::int32_t Minutes = 15;   // a call's newest spot is kept this long, 1..1440
  friend bool operator==(const SpotsSettings&, const SpotsSettings&) = default;
};

struct Settings {
  // [General]
  std::int32_t Channels = 1;
  std::int32_t BitsPerSample = 16;
  std::int32_t NumberOfAverages = 1;
  std::int32_t FT1000MP = 0;
  std::int32_t Level = 0;
  std::int32_t AlwaysOnTop = 1;
  std::int32_t xPos = 0;
  std::int32_t yPos = 0;
  std::int32_t ArrangeVertically = 0;
  // Written only once they differ from these defaults, so a file that never used them keeps
  // every line as it was.
  std::int32_t PitchReadout = 0;    // the strongest tone's frequency in each window
  std::int32_t RunningAverage = 0;  // a picture after every block from the last N blocks
  std::int32_t Zoom = 1;            // 1..4
  std::int32_t Waterfall = 0;       // each window's recent pictures under its labels
  std::string Input;                // the back end's id of the chosen input; empty: the default
  // [VFO-A], [VFO-B]
  VfoSettings VFO_A{500, 1, 1};
  VfoSettings VFO_B{500, 1, 3};
  RigSettings Rig{};
  SkimmerSettings Skimmer{};
  SpotsSettings Spots{};
  // [Pitch]: presets, read only
  std::int32_t Pitch1 = 300;
  std::int32_t Pitch2 = 500;
  std::int32_t Pitch3 = 700;
};

// What the command line names instead of the settings; a Save keeps it.
struct SettingsChoices {
  std::string input;  // the input by the back end's id or by its name; empty: as set
  std::optional<int> rigModel;
  std::optional<std::string> rigPort;
  std::optional<std::string> spotsHost;
  std::optional<int> spotsPort;
  std::optional<std::string> spotsCall;
};

}  // namespace keblor
