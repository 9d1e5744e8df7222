#include "core/menu_model.h"

#include <algorithm>

#include "core/command_ids.h"
#include "core/ranges.h"

namespace keblor {

namespace {

// Greyed while the display is frozen.
constexpr int FREEZE_SET[] = {
    cmd::AveragesUp, cmd::AveragesDown, cmd::PitchOnOffA, cmd::PitchOnOffB, cmd::PitchUpA,
    cmd::PitchDownA, cmd::PitchUpB,     cmd::PitchDownB,  cmd::RangeA0,     cmd::RangeA1,
    cmd::RangeA2,    cmd::RangeA3,      cmd::RangeA4,     cmd::RangeB0,     cmd::RangeB1,
    cmd::RangeB2,    cmd::RangeB3,      cmd::RangeB4,     cmd::Ft1000mp,
};

// Greyed with one channel.
constexpr int STEREO_ONLY[] = {cmd::SubVfoB,  cmd::RangeB0,    cmd::RangeB1,   cmd::RangeB2,
                               cmd::RangeB3,  cmd::RangeB4,    cmd::PitchOnOffB, cmd::PitchUpB,
                               cmd::PitchDownB, cmd::ArrangeVertically, cmd::Ft1000mp};

bool IsMainMenuItem(int id) {
  static const std::vector<int> ids = [] {
    std::vector<int> sorted = MainMenuItemIds();
    std::sort(sorted.begin(), sorted.end());
    return sorted;
  }();
  return std::binary_search(ids.begin(), ids.end(), id);
}

// A name as a menu item shows it: '&' is no mnemonic, a tab no shortcut column.
std::string MenuText(const std::string& name) {
  std::string text;
  text.reserve(name.size());
  for (char c : name) {
    if (c == '&') text += '&';
    text += c == '\t' ? ' ' : c;
  }
  return text;
}

void DeriveInputItems(const InputChoice& choice, MenuModel& menu) {
  const std::size_t shown = std::min(choice.inputs.size(), static_cast<std::size_t>(cmd::MAX_INPUT_ITEMS));
  for (std::size_t i = 0; i < shown; ++i) {
    const InputChoice::Entry& entry = choice.inputs[i];
    std::string text = MenuText(entry.name);
    const bool shared = std::count_if(choice.inputs.begin(), choice.inputs.begin() + static_cast<std::ptrdiff_t>(shown),
                                      [&](const InputChoice::Entry& other) { return other.name == entry.name; }) > 1;
    if (shared) text += " (" + MenuText(entry.id) + ")";
    menu.inputItems.push_back(std::move(text));
    menu.items[cmd::InputFirst + static_cast<int>(i)].checked = choice.inUse == static_cast<int>(i);
  }
  menu.items[cmd::InputDefault].checked = choice.inUse == InputChoice::DEFAULT;
}

// The first preset both VFOs sit on: 0..2, or -1.
int SharedPreset(const Settings& s) {
  const int presets[] = {s.Pitch1, s.Pitch2, s.Pitch3};
  for (int i = 0; i < 3; ++i)
    if (s.VFO_A.PitchFreq == presets[i] && s.VFO_B.PitchFreq == presets[i]) return i;
  return -1;
}

}  // namespace

bool MenuModel::IsChecked(int id) const {
  const auto it = items.find(id);
  return it != items.end() && it->second.checked;
}

bool MenuModel::IsEnabled(int id) const {
  const auto it = items.find(id);
  return it == items.end() || it->second.enabled;
}

MenuModel DeriveMenu(const Settings& s, const DisplayState& display, const InputChoice& inputs) {
  MenuModel menu;
  DeriveInputItems(inputs, menu);
  auto check = [&menu](int id, bool on) { menu.items[id].checked = on; };
  const bool stereo = IsStereo(s);

  const int presets[] = {s.Pitch1, s.Pitch2, s.Pitch3};
  const int shared = SharedPreset(s);
  for (int i = 0; i < 3; ++i) {
    menu.items[cmd::Preset1 + i].text = std::to_string(presets[i]) + " Hz";
    check(cmd::Preset1 + i, i == shared);
  }

  check(cmd::MainVfoA, display.openA);
  check(cmd::SubVfoB, display.openB);
  check(cmd::ArrangeVertically, s.ArrangeVertically != 0);
  check(cmd::AlwaysOnTop, s.AlwaysOnTop != 0);
  check(cmd::Ft1000mp, s.FT1000MP != 0);
  check(cmd::SignalLevel, s.Level != 0);
  check(cmd::PitchReadout, s.PitchReadout != 0);
  check(cmd::RunningAverage, s.RunningAverage != 0);
  check(cmd::Waterfall, s.Waterfall != 0);
  check(cmd::Decode, s.Skimmer.Decode != 0);
  check(cmd::SignalsWindow, s.Skimmer.Signals != 0);
  for (int zoom = 1; zoom <= 4; ++zoom) check(cmd::Zoom1 + zoom - 1, s.Zoom == zoom);
  check(cmd::PitchOnOffA, s.VFO_A.Pitch != 0);
  check(cmd::PitchOnOffB, stereo && s.VFO_B.Pitch != 0);
  for (int range = 0; range < RANGE_COUNT; ++range) {
    check(RangeItem(Vfo::A, range), s.VFO_A.Range == range);
    check(RangeItem(Vfo::B, range), stereo && s.VFO_B.Range == range);
  }

  // With no window to show, Freez and Clear cannot act; the frozen flag itself stays.
  check(cmd::Freeze, display.frozen && display.AnyOpen());
  menu.items[cmd::Freeze].enabled = display.AnyOpen();
  menu.items[cmd::Clear].enabled = display.AnyOpen();
  if (display.frozen)
    for (int id : FREEZE_SET) menu.items[id].enabled = false;
  if (!stereo)
    for (int id : STEREO_ONLY) menu.items[id].enabled = false;
  return menu;
}

std::vector<int> PopupCheckedItems(const Settings& settings, Vfo vfo) {
  const VfoSettings& v = VfoSettingsOf(settings, vfo);
  std::vector<int> checked;
  if (v.Pitch != 0) checked.push_back(vfo == Vfo::A ? cmd::PitchOnOffA : cmd::PitchOnOffB);
  if (IsValidRange(v.Range)) checked.push_back(RangeItem(vfo, v.Range));
  return checked;
}

int TranslateAccelerator(const MenuModel& menu, AcceleratorKey key, bool ctrl) {
  for (const AcceleratorEntry& entry : AcceleratorTable()) {
    if (entry.key != key || entry.ctrl != ctrl) continue;
    // Keys of menu items pass only while the item is enabled; the others always pass.
    if (IsMainMenuItem(entry.id) && !menu.IsEnabled(entry.id)) return 0;
    return entry.id;
  }
  return 0;
}

}  // namespace keblor
