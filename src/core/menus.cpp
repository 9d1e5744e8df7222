#include "core/menus.h"

#include "core/command_ids.h"

namespace keblor {

namespace {

MenuNode Item(const char* text, int id) { return MenuNode{text, id, {}}; }
MenuNode Sub(const char* text, std::vector<MenuNode> items) { return MenuNode{text, 0, std::move(items)}; }

std::vector<MenuNode> RangeItemsA() {
  return {Item("500 Hz", cmd::RangeA0), Item("&1000 Hz", cmd::RangeA1), Item("&2000 Hz", cmd::RangeA2),
          Item("&3000 Hz", cmd::RangeA3), Item("&4000 Hz", cmd::RangeA4)};
}

std::vector<MenuNode> RangeItemsB() {
  return {Item("500 Hz", cmd::RangeB0), Item("&1000 Hz", cmd::RangeB1), Item("&2000 Hz", cmd::RangeB2),
          Item("&3000 Hz", cmd::RangeB3), Item("&4000 Hz", cmd::RangeB4)};
}

std::vector<MenuNode> BuildMainMenu() {
  return {
      Sub("&Settings", {Item("&Always on top", cmd::AlwaysOnTop), Item("&FT-1000MP CW", cmd::Ft1000mp),
                        Item("Sound &card...", cmd::SoundCard),
                        // The inputs the back end lists follow "Default input" at run time.
                        Sub("In&put", {Item("&Default input", cmd::InputDefault)}),
                        Item("&Rig...", cmd::RigSettings), Item("Sp&ots...", cmd::SpotsSettings),
                        Item("&Input controls...", cmd::InputControls),
                        Item("&Output controls...", cmd::OutputControls), Item("&Save", cmd::Save),
                        Item("Save && exi&t", cmd::SaveAndExit), Item("&Exit", cmd::Exit)}),
      Sub("&Display",
          {Item("&Freez \tF12", cmd::Freeze), Item("&Clear\tF11", cmd::Clear),
           Item("&Signal level\tF2", cmd::SignalLevel), Item("Pitch r&eadout", cmd::PitchReadout),
           Item("Running a&verage", cmd::RunningAverage), Item("&Waterfall\tW", cmd::Waterfall),
           Item("&Decode\tD", cmd::Decode),
           Sub("&Zoom", {Item("&1x", cmd::Zoom1), Item("&2x", cmd::Zoom2), Item("&3x", cmd::Zoom3),
                         Item("&4x", cmd::Zoom4),
                         Item("&Next\tZ", cmd::ZoomStep)}),
           Sub("&Averages", {Item("&Up\tF10", cmd::AveragesUp), Item("&Down\tF9", cmd::AveragesDown)}),
           // The preset texts are filled in at start-up from the settings.
           Sub("Pitch", {Item("", cmd::Preset1), Item("", cmd::Preset2), Item("", cmd::Preset3)}),
           Sub("&Pitch on/off", {Item("VFO-&A\tF3", cmd::PitchOnOffA), Item("VFO-&B\tF4", cmd::PitchOnOffB)}),
           Sub("Pi&tch freq.",
               {Sub("VFO-&A", {Item("&Up\tF6", cmd::PitchUpA), Item("&Down\tF5", cmd::PitchDownA)}),
                Sub("VFO-&B", {Item("&Up\tF8", cmd::PitchUpB), Item("&Down\tF7", cmd::PitchDownB)})}),
           Sub("Freq. &range", {Sub("VFO-&A", RangeItemsA()), Sub("VFO-&B", RangeItemsB())})}),
      Sub("&Window", {Item("Main VFO-&A", cmd::MainVfoA), Item("Sub VFO-&B", cmd::SubVfoB),
                      Item("Arrange &vertically", cmd::ArrangeVertically),
                      Item("Si&gnals\tL", cmd::SignalsWindow)}),
      Sub("&Help", {Item("&Contents\tF1", cmd::HelpContents), Item("&About...", cmd::About)}),
  };
}

void CollectItemIds(const std::vector<MenuNode>& nodes, std::vector<int>& ids) {
  for (const MenuNode& node : nodes) {
    if (node.items.empty() && node.id != 0)
      ids.push_back(node.id);
    else
      CollectItemIds(node.items, ids);
  }
}

}  // namespace

const std::vector<MenuNode>& MainMenuResource() {
  static const std::vector<MenuNode> menu = BuildMainMenu();
  return menu;
}

const std::vector<MenuNode>& PopupMenuResource(int resourceId) {
  static const std::vector<MenuNode> popupA = {Sub("Freq. &range", RangeItemsA()),
                                               Item("&Pitch on/off", cmd::PitchOnOffA)};
  static const std::vector<MenuNode> popupB = {Sub("Freq. &range", RangeItemsB()),
                                               Item("&Pitch on/off", cmd::PitchOnOffB)};
  static const std::vector<MenuNode> none;
  if (resourceId == cmd::POPUP_MENU_A) return popupA;
  if (resourceId == cmd::POPUP_MENU_B) return popupB;
  return none;
}

const std::vector<AcceleratorEntry>& AcceleratorTable() {
  using K = AcceleratorKey;
  // F11 and F12 carry ids of no menu item, so they act even while Clear and Freez are greyed.
  static const std::vector<AcceleratorEntry> table = {
      {K::F1, false, cmd::HelpContents},      {K::F2, false, cmd::SignalLevel},
      {K::F3, false, cmd::PitchOnOffA},       {K::F4, false, cmd::PitchOnOffB},
      {K::F5, false, cmd::PitchDownA},        {K::F6, false, cmd::PitchUpA},
      {K::F7, false, cmd::PitchDownB},        {K::F8, false, cmd::PitchUpB},
      {K::F9, false, cmd::AveragesDown},      {K::F10, false, cmd::AveragesUp},
      {K::F11, false, cmd::ClearKey},         {K::F12, false, cmd::FreezeKey},
      {K::KeypadPlus, false, cmd::RangeStepUpA}, {K::KeypadMinus, false, cmd::RangeStepDownA},
      {K::KeypadPlus, true, cmd::RangeStepUpB},  {K::KeypadMinus, true, cmd::RangeStepDownB},
      {K::Z, false, cmd::ZoomStep},           {K::W, false, cmd::Waterfall},
      {K::T, false, cmd::ZeroBeatA},         {K::T, true, cmd::ZeroBeatB},
      {K::D, false, cmd::Decode},            {K::L, false, cmd::SignalsWindow},
      {K::N, false, cmd::NextSignal},        {K::P, false, cmd::PreviousSignal},
  };
  return table;
}

std::vector<int> MainMenuItemIds() {
  std::vector<int> ids;
  CollectItemIds(MainMenuResource(), ids);
  return ids;
}

void WalkMenu(const std::vector<MenuNode>& nodes, MenuBuilder& builder) {
  for (const MenuNode& node : nodes) {
    if (!node.items.empty()) {
      builder.OpenSubmenu(node.text);
      WalkMenu(node.items, builder);
      builder.CloseSubmenu();
    } else if (node.id == 0) {
      builder.AddSeparator();
    } else {
      builder.AddItem(node.id, node.text);
    }
  }
}

}  // namespace keblor
