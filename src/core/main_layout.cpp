#include "core/main_layout.h"

namespace keblor {

namespace {

MainLayout ChooseRow(int arrangeVertically, bool stereo, const MainLayout& current) {
  if (arrangeVertically == 0) {
    if (stereo) return {417, 231, 205, 2};
    return {214, 231, current.vfoBLeft, current.vfoBTop};
  }
  // Below each other: the mono row is 213 x 234, one pixel narrower and three taller.
  if (stereo) return {213, 416, 0, 186};
  return {213, 234, current.vfoBLeft, current.vfoBTop};
}

}  // namespace

MainLayout ChooseMainLayout(int arrangeVertically, int channels, const MainLayout& current, int waterfallHeight) {
  const bool stereo = channels == 2;
  MainLayout layout = ChooseRow(arrangeVertically, stereo, current);
  if (arrangeVertically != 0 && stereo) {
    layout.height += 2 * waterfallHeight;
    layout.vfoBTop += waterfallHeight;
  } else {
    layout.height += waterfallHeight;
  }
  return layout;
}

}  // namespace keblor
