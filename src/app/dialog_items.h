#pragma once
// The sound card dialog's radio buttons as both toolkits lay them out: ids, texts and places in
// dialog units (a quarter of the dialog font's average width, an eighth of its height).

namespace keblor {

inline constexpr int IDC_CHANNELS_1 = 1078;
inline constexpr int IDC_CHANNELS_2 = 1079;
inline constexpr int IDC_BITS_8 = 1080;
inline constexpr int IDC_BITS_16 = 1081;

struct DialogRadio {
  int id;
  const char* text;
  int x, y, width;  // 10 units high
  bool groupStart;  // the first button of its group
};

inline constexpr DialogRadio SOUND_CARD_RADIOS[] = {
    {IDC_CHANNELS_1, "1", 7, 7, 20, true},
    {IDC_CHANNELS_2, "2", 7, 20, 20, false},
    {IDC_BITS_8, "8", 87, 7, 20, true},
    {IDC_BITS_16, "16", 87, 20, 24, false},
};

// The channel count and bits per sample a checked button stands for; 0 for the other group.
constexpr int ChannelsOf(int id) { return id == IDC_CHANNELS_1 ? 1 : id == IDC_CHANNELS_2 ? 2 : 0; }
constexpr int BitsOf(int id) { return id == IDC_BITS_8 ? 8 : id == IDC_BITS_16 ? 16 : 0; }

}  // namespace keblor
