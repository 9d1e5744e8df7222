#include "display/display_frame.h"

#include "display/level_readout.h"
#include "display/trace_rendering.h"

namespace keblor {

void DrawDisplayFrame(AppState& app) {
  if (app.frozen) return;
  if (app.settings.Level != 0) {
    if (app.vfoA.windowOpen) ShowLevel(app, Vfo::A);
    if (app.vfoB.windowOpen) ShowLevel(app, Vfo::B);
  }
  if (app.vfoA.windowOpen) RenderTrace(app, Vfo::A);
  if (app.settings.Channels == 2 && app.vfoB.windowOpen) RenderTrace(app, Vfo::B);
}

}  // namespace keblor
