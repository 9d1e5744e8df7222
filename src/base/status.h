#pragma once
// How an operation across the program's layers ended: done, or not and why, in words for the
// user (no line end). A failure is Refused when the other side answered but cannot do it, so
// that trying again as it is will not help (a rig without VFO B, a file that cannot be written),
// or Lost when the other side did not answer or is gone and may be tried again later (a rig
// switched off).

#include <string>
#include <utility>

namespace keblor {

struct Status {
  enum class Kind { Ok, Refused, Lost };
  Kind kind = Kind::Ok;
  std::string reason;  // empty when Ok

  bool Ok() const { return kind == Kind::Ok; }
  static Status Fine() { return {}; }
  static Status Refusal(std::string why) { return {Kind::Refused, std::move(why)}; }
  static Status Loss(std::string why) { return {Kind::Lost, std::move(why)}; }
};

}  // namespace keblor
