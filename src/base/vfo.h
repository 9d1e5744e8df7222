#pragma once
// The rig's two receivers and the program's two windows: VFO A, the main receiver (the left
// channel, or the only one), and VFO B, the sub receiver (the right channel).

#include <cstddef>

namespace keblor {

enum class Vfo { A, B };
inline constexpr Vfo BOTH_VFOS[] = {Vfo::A, Vfo::B};

// 0 for A, 1 for B: the index into what is kept per VFO.
constexpr std::size_t SlotOf(Vfo vfo) { return vfo == Vfo::A ? 0 : 1; }

}  // namespace keblor
