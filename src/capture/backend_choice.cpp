#include "capture/backend_choice.h"

namespace keblor {

AudioSource& BackEndChoice::Chosen() {
  if (chosen_ == nullptr) chosen_ = answers_ && answers_() ? &preferred_ : &fallback_;
  return *chosen_;
}

}  // namespace keblor
