#pragma once
// How far to move a rig's dial so that a tone lands on the pitch marker. Pure arithmetic.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rig/rig.h"

namespace keblor {

enum class Sideband { Unknown, Upper, Lower };

// The sideband a mode receives: upper for CW, USB, PKTUSB and RTTYR, lower for CWR, LSB, PKTLSB
// and RTTY; unknown for any other (AM, FM, ...) and for none.
Sideband SidebandOfMode(std::string_view mode);

// The setting "Sideband" (0: from the rig's mode, 1: upper, 2: lower; any other value counts
// as 0) applied to a mode: rigs disagree on which side their CW sits.
Sideband ChooseSideband(int setting, std::string_view mode);

// The dial step in whole Hz that brings a tone at `toneHz` onto the marker at `markerHz`. A step
// of +d raises the pitch by d in lower sideband and lowers it by d in upper, so the dial moves by
// tone - marker in upper and by marker - tone in lower. Nothing without a tone (toneHz <= 0) or
// a sideband.
std::optional<std::int64_t> DialStep(double toneHz, int markerHz, Sideband sideband);

// Where a signal on `signalHz` is heard with the dial at `dialHz`: its audio pitch in Hz, which
// is signal - dial in upper sideband and dial - signal in lower (negative: on the other side of
// the dial, not heard). Nothing without a sideband.
std::optional<std::int64_t> PitchOfSignal(std::int64_t dialHz, Sideband sideband, std::int64_t signalHz);

// The dial that puts a signal on `signalHz` at the marker's pitch `markerHz`: the zero-beat
// rule in reverse. Nothing without a sideband.
std::optional<std::int64_t> DialForSignal(std::int64_t signalHz, int markerHz, Sideband sideband);

// The dial as a window shows it: "7.030 012 MHz CW" (kHz after the point, then Hz); without a
// mode the frequency alone.
std::string DialText(const Dial& dial);

}  // namespace keblor
