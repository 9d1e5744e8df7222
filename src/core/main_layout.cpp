#include "core/main_layout.h"

namespace keblor {

MainLayout ChooseMainLayout(int arrangeVertically, int channels, const MainLayout& current) {
  const bool stereo = channels == 2;
  if (arrangeVertically == 0) {
    if (stereo) return {417, 231, 205, 2};
    return {214, 231, current.vfoBLeft, current.vfoBTop};
  }
  // Below each other: the mono row is 213 x 234, one pixel narrower and three taller.
  if (stereo) return {213, 416, 0, 186};
  return {213, 234, current.vfoBLeft, current.vfoBTop};
}

}  // namespace keblor
