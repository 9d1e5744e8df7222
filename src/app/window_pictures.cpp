#include "app/window_pictures.h"

namespace keblor {

void WindowPictures::Draw(const SpectrumFrame& frame, const Settings& settings, const DisplayState& display,
                          bool waterfall) {
  const bool level = settings.Level != 0;
  if (display.openA) {
    DrawFrame(traces_[0], frame.rowA, frame.peakA, settings.VFO_A, level, settings.BitsPerSample, frame.pitchHzA);
    if (waterfall) waterfalls_[0].Push(frame.rowA, settings.VFO_A);
  }
  if (IsStereo(settings) && display.openB) {
    DrawFrame(traces_[1], frame.rowB, frame.peakB, settings.VFO_B, level, settings.BitsPerSample, frame.pitchHzB);
    if (waterfall) waterfalls_[1].Push(frame.rowB, settings.VFO_B);
  }
}

void WindowPictures::Apply(const DisplayEffects& effects, const Settings& settings, DisplayState& display) {
  if (effects.blankLevel)
    for (Vfo vfo : BOTH_VFOS)
      if (display.IsOpen(vfo)) BlankLevel(traces_[SlotOf(vfo)]);
  if (effects.repaintA) Repaint(Vfo::A, display);
  if (effects.repaintB) Repaint(Vfo::B, display);
  for (Vfo vfo : BOTH_VFOS) waterfalls_[SlotOf(vfo)].Follow(effects, vfo, VfoSettingsOf(settings, vfo).Range);
}

void WindowPictures::ClearWaterfalls() {
  for (Waterfall& waterfall : waterfalls_) waterfall.Clear();
}

SpectrumPicture WindowPictures::Compose(Vfo vfo, const Settings& settings, InputNotice notice, bool waterfall,
                                        std::string_view rig, DecodeLine decode,
                                        std::span<const SpotMark> spots) const {
  const PictureOptions options{settings.NumberOfAverages, settings.PitchReadout != 0, notice,
                               waterfall ? &waterfalls_[SlotOf(vfo)] : nullptr, rig, settings.Skimmer.Decode != 0,
                               decode, spots};
  return ComposePicture(traces_[SlotOf(vfo)], VfoSettingsOf(settings, vfo), options);
}

}  // namespace keblor
