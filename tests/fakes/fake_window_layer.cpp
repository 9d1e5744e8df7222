#include "fakes/fake_window_layer.h"

#include <algorithm>
#include <stdexcept>


namespace keblor {

namespace {
std::string Num(int v) { return std::to_string(v); }
}  // namespace

FakeSignalWindow* FakeWindowLayer::Find(WindowHandle window) {
  auto it = signalWindows.find(window);
  if (it == signalWindows.end() || it->second.destroyed) return nullptr;
  return &it->second;
}

void FakeWindowLayer::RunPendingPaints(const std::function<void(WindowHandle)>& paint) {
  while (!pendingPaints.empty()) {
    WindowHandle w = pendingPaints.front();
    pendingPaints.erase(pendingPaints.begin());
    if (Find(w)) paint(w);
  }
}

FakeSignalWindow* FakeWindowLayer::WindowTitled(const std::string& title) {
  for (auto& [handle, w] : signalWindows)
    if (!w.destroyed && w.title == title) return &w;
  return nullptr;
}

const DrawnText* FakeWindowLayer::TextAt(WindowHandle window, int left, int top) const {
  auto it = signalWindows.find(window);
  if (it == signalWindows.end()) return nullptr;
  auto t = it->second.texts.find({left, top});
  return t == it->second.texts.end() ? nullptr : &t->second;
}

bool FakeWindowLayer::FindRunningCopy() {
  calls.push_back("FindRunningCopy");
  return runningCopy;
}

void FakeWindowLayer::CreateMainWindow(const std::string& title, int x, int y, int width, int height) {
  calls.push_back("CreateMainWindow " + Num(x) + " " + Num(y) + " " + Num(width) + " " + Num(height));
  mainCreated = true;
  mainTitle = title;
  mainRect = {x, y, x + width, y + height};
  restoredTopLeft = {x, y};
}

void FakeWindowLayer::ShowMainWindow() {
  calls.push_back("ShowMainWindow");
  mainShown = true;
}

Rect FakeWindowLayer::GetMainWindowRect() { return mainRect; }

Point FakeWindowLayer::GetMainWindowRestoredTopLeft() { return restoredTopLeft; }

void FakeWindowLayer::MoveMainWindow(int x, int y, int width, int height) {
  calls.push_back("MoveMainWindow " + Num(x) + " " + Num(y) + " " + Num(width) + " " + Num(height));
  mainRect = {x, y, x + width, y + height};
  restoredTopLeft = {x, y};
}

void FakeWindowLayer::SetMainWindowTopmost(bool on) {
  calls.push_back(std::string("SetMainWindowTopmost ") + (on ? "1" : "0"));
  topmost = on;
}

void FakeWindowLayer::DestroyMainWindow() {
  calls.push_back("DestroyMainWindow");
  mainDestroyed = true;
}

void FakeWindowLayer::PostQuit(int exitCode) {
  calls.push_back("PostQuit " + Num(exitCode));
  quitCode = exitCode;
}

void FakeWindowLayer::SetMenuItemText(int id, const std::string& text) { menuTexts[id] = text; }
void FakeWindowLayer::CheckMenuItem(int id, bool on) { checked[id] = on; }
void FakeWindowLayer::EnableMenuItem(int id, bool on) { enabled[id] = on; }

WindowHandle FakeWindowLayer::CreateSignalWindow(const std::string& title, int x, int y) {
  WindowHandle h = nextHandle_++;
  calls.push_back("CreateSignalWindow " + title + " " + Num(x) + " " + Num(y));
  FakeSignalWindow w;
  w.title = title;
  w.x = x;
  w.y = y;
  signalWindows[h] = w;
  return h;
}

void FakeWindowLayer::ShowSignalWindow(WindowHandle window) {
  calls.push_back("ShowSignalWindow " + Num(window));
  if (auto* w = Find(window)) w->shown = true;
}

void FakeWindowLayer::DestroySignalWindow(WindowHandle window) {
  calls.push_back("DestroySignalWindow " + Num(window));
  if (auto* w = Find(window)) {
    if (w->surface) throw std::logic_error("signal window destroyed with its trace surface still held");
    w->destroyed = true;
  }
  pendingPaints.erase(std::remove(pendingPaints.begin(), pendingPaints.end(), window), pendingPaints.end());
}

void FakeWindowLayer::InvalidateSignalWindow(WindowHandle window) {
  calls.push_back("InvalidateSignalWindow " + Num(window));
  if (!Find(window)) return;
  if (std::find(pendingPaints.begin(), pendingPaints.end(), window) == pendingPaints.end())
    pendingPaints.push_back(window);
}

void FakeWindowLayer::EraseSignalWindow(WindowHandle window) {
  if (auto* w = Find(window)) {
    ++w->eraseCount;
    w->texts.clear();
    w->trace.reset();
  }
}

void FakeWindowLayer::DrawTextBox(WindowHandle window, const Rect& box, TextAlign align, Point anchor,
                                  const std::string& text, Rgb color) {
  auto* w = Find(window);
  if (!w) throw std::logic_error("text drawn into a closed signal window");
  DrawnText t{box, align, anchor, text, color};
  w->texts[{box.left, box.top}] = t;
  w->textLog.push_back(t);
}

void FakeWindowLayer::CreateTraceSurface(WindowHandle window) {
  if (auto* w = Find(window)) w->surface = true;
}

void FakeWindowLayer::ReleaseTraceSurface(WindowHandle window) {
  if (auto* w = Find(window)) w->surface = false;
}

void FakeWindowLayer::ShowTrace(WindowHandle window, const TraceRaster& raster) {
  auto* w = Find(window);
  if (!w || !w->surface) throw std::logic_error("trace shown without a window and its surface");
  w->trace = raster;
  ++w->showTraceCount;
}

Point FakeWindowLayer::ClientToScreen(WindowHandle window, Point client) {
  // Main window client origin at its outer corner + (3, 41); the spectrum client at (3, 21).
  auto* w = Find(window);
  if (!w) return client;
  return {mainRect.left + 3 + w->x + 3 + client.x, mainRect.top + 41 + w->y + 21 + client.y};
}

CursorHandle FakeWindowLayer::SetCursor(CursorHandle c) {
  CursorHandle previous = cursor;
  cursor = c;
  cursorLog.push_back(c);
  return previous;
}

void FakeWindowLayer::TrackPopupMenu(int resourceId, Point screen, const std::vector<int>& checkedIds) {
  popups.push_back({resourceId, screen, checkedIds});
  if (onPopup) onPopup(resourceId, screen);
}

int FakeWindowLayer::RunDialog(DialogId dialog) {
  dialogs.push_back(dialog);
  calls.push_back(dialog == DialogId::SoundCard ? "RunDialog SoundCard" : "RunDialog About");
  return onRunDialog ? onRunDialog(dialog) : 0;
}

void FakeWindowLayer::MessageBeep() {
  calls.push_back("MessageBeep");
  ++beeps;
}

void FakeWindowLayer::MessageBox(const std::string& text, const std::string& caption) {
  calls.push_back("MessageBox " + text);
  messageBoxes.emplace_back(text, caption);
}

bool FakeWindowLayer::IsMixerOpen(MixerKind mixer) { return mixerOpen[mixer]; }

void FakeWindowLayer::StartMixer(MixerKind mixer) {
  ++mixerStarts[mixer];
  mixerOpen[mixer] = true;
}

void FakeWindowLayer::OpenHelp(const std::string& keyword) { helpKeywords.push_back(keyword); }

}  // namespace keblor
