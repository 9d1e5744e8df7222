#pragma once
// One CW signal's decoder: mixes the channel down at the signal's pitch, filters, takes the
// envelope and turns key-down/key-up timing into text. Fixed-size state, never allocates.
//
// This is a plain envelope-threshold decoder that stands in until the full decoder lands; it
// keeps the agreed interface so the skimmer and its tools can be built and tested against it.

#include <array>
#include <string_view>

namespace keblor {

inline constexpr int DECODED_TEXT_CHARS = 200;  // the last characters kept

class CwDecoder {
 public:
  void Start(double pitchHz);                  // forget everything, decode a tone at pitchHz
  void Retune(double pitchHz);                 // follow drift without losing state
  void Push(const float* samples, int count);  // count <= 1024 mono samples at AUDIO_RATE
  std::string_view Text() const;               // decoded text so far, last DECODED_TEXT_CHARS
  double Wpm() const;                          // 0 until known
  int Elements() const { return elements_; }   // marks decoded so far (dots and dashes)
  std::string_view Callsign() const { return {call_.data(), static_cast<std::size_t>(callLength_)}; }

 private:
  void Envelope(double magnitude);
  void EndMark(int length);
  void EndCharacter();
  void Append(char c);

  // The local oscillator, rotated by step_ every sample.
  double oscRe_ = 1.0, oscIm_ = 0.0, stepRe_ = 1.0, stepIm_ = 0.0;
  double accRe_ = 0.0, accIm_ = 0.0;
  int accCount_ = 0;
  std::array<double, 8> lowpass_{};  // four one-pole stages on I and Q
  double peak_ = 0.0, floor_ = 0.0;
  bool down_ = false;
  int runLength_ = 0;         // low-rate samples in the present mark or space
  double dotLength_ = 0.0;    // low-rate samples
  int pattern_ = 1;           // the character's marks so far: a leading 1, then 0 dot, 1 dash
  bool spaceWritten_ = true;
  int elements_ = 0;
  std::array<char, 2 * DECODED_TEXT_CHARS> text_{};
  int textLength_ = 0;
  std::array<char, 16> call_{};
  int callLength_ = 0;
};

// The callsign in `text`: the call after DE, else one that repeats. "" for none.
std::string_view FindCallsign(std::string_view text);

}  // namespace keblor
