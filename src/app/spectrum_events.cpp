#include "app/spectrum_events.h"

#include <utility>

#include "app/program.h"

namespace keblor {

SpectrumEvents SpectrumEventsFor(Program* const& program, Vfo vfo, std::function<void(int id)> postCommand) {
  SpectrumEvents events;
  events.pointer = [&program, vfo](unsigned keys, int x, int y) {
    if (program != nullptr) program->OnPointer(vfo, keys, x, y);
  };
  events.rightButton = [&program, vfo](int x, int y) {
    if (program != nullptr) program->OnRightButton(vfo, x, y);
  };
  events.tune = [&program, vfo](int x, int y) {
    if (program != nullptr) program->OnTuneClick(vfo, x, y);
  };
  events.close = [&program, vfo] {
    if (program != nullptr) program->OnSpectrumClose(vfo);
  };
  events.popupPick = std::move(postCommand);
  return events;
}

}  // namespace keblor
