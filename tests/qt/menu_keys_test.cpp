// The main menu bar and the keys on real widgets: what the menu shows after start-up, picks and
// keys reaching the command handler, and the gate that keeps greyed items' keys out.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>
#include <vector>

#include "app/command_ids.h"
#include "qt_test_support.h"
#include "resources/menus.h"

namespace keblor {
namespace {

// Walks the resource and the menu bar side by side: same entries, same order, same texts and
// ids, and every item shows the check and grey state the core holds.
void ExpectMenuMatches(const std::vector<MenuNode>& nodes, const QList<QAction*>& actions, const AppState& app,
                       const std::string& where) {
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(nodes.size())) << where;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const MenuNode& node = nodes[i];
    QAction* action = actions[static_cast<qsizetype>(i)];
    const std::string path = where + " > " + node.text;
    if (!node.items.empty()) {
      ASSERT_NE(action->menu(), nullptr) << path;
      EXPECT_EQ(action->text().toStdString(), node.text) << path;
      ExpectMenuMatches(node.items, action->menu()->actions(), app, path);
      continue;
    }
    EXPECT_EQ(action->data().toInt(), node.id) << path;
    const auto state = app.menu.items.find(node.id);
    const std::string text =
        state != app.menu.items.end() && !state->second.text.empty() ? state->second.text : node.text;
    EXPECT_EQ(action->text().toStdString(), text) << path << " id " << node.id;
    EXPECT_EQ(action->isChecked(), app.menu.IsChecked(node.id)) << path << " id " << node.id;
    EXPECT_EQ(action->isEnabled(), app.menu.IsEnabled(node.id)) << path << " id " << node.id;
  }
}

QAction* MenuAction(const RunningProgram& program, int id) {
  const std::vector<QAction*>& actions = program.layer.MenuActions(id);
  return actions.empty() ? nullptr : actions.front();
}

void PressKey(RunningProgram& program, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWindow* window = program.layer.MainWindow()->windowHandle();
  ASSERT_NE(window, nullptr);
  QTest::keyClick(window, key, modifiers);
  RunningProgram::Settle();
}

TEST(QtMainMenu, MenuBarShowsTheTableWithDefaultStates) {
  RunningProgram program;
  program.Start();
  ExpectMenuMatches(MainMenuResource(), program.layer.MainWindow()->menuBar()->actions(), *program.app, "menu");

  // The states a user sees with the default settings, independent of the core's bookkeeping.
  EXPECT_EQ(MenuAction(program, cmd::Preset1)->text(), QStringLiteral("300 Hz"));
  EXPECT_EQ(MenuAction(program, cmd::Preset2)->text(), QStringLiteral("500 Hz"));
  EXPECT_EQ(MenuAction(program, cmd::Preset3)->text(), QStringLiteral("700 Hz"));
  EXPECT_TRUE(MenuAction(program, cmd::Preset2)->isChecked());
  EXPECT_FALSE(MenuAction(program, cmd::Preset1)->isChecked());
  EXPECT_TRUE(MenuAction(program, cmd::MainVfoA)->isChecked());
  EXPECT_TRUE(MenuAction(program, cmd::RangeA1)->isChecked());
  EXPECT_TRUE(MenuAction(program, cmd::AlwaysOnTop)->isChecked());
  EXPECT_FALSE(MenuAction(program, cmd::Ft1000mp)->isEnabled());
  EXPECT_FALSE(MenuAction(program, cmd::Ft1000mp)->isChecked());
  for (int id : {cmd::SubVfoB, cmd::RangeB0, cmd::RangeB1, cmd::RangeB2, cmd::RangeB3, cmd::RangeB4, cmd::PitchOnOffB,
                 cmd::PitchUpB, cmd::PitchDownB, cmd::ArrangeVertically}) {
    EXPECT_FALSE(MenuAction(program, id)->isEnabled()) << id;
  }
  EXPECT_TRUE(MenuAction(program, cmd::Freeze)->isEnabled());
  EXPECT_FALSE(MenuAction(program, cmd::Freeze)->isChecked());
}

TEST(QtMainMenu, StereoVerticalStartEnablesTheVfoBItems) {
  RunningProgram program;
  program.settings.values["General/Channels"] = 2;
  program.settings.values["General/ArrangeVertically"] = 1;
  program.settings.values["VFO-B/Range"] = 4;
  program.Start();
  ExpectMenuMatches(MainMenuResource(), program.layer.MainWindow()->menuBar()->actions(), *program.app, "menu");
  EXPECT_TRUE(MenuAction(program, cmd::SubVfoB)->isChecked());
  EXPECT_TRUE(MenuAction(program, cmd::ArrangeVertically)->isChecked());
  EXPECT_TRUE(MenuAction(program, cmd::RangeB4)->isChecked());
  EXPECT_TRUE(MenuAction(program, cmd::Ft1000mp)->isEnabled());
}

// The mono window is the narrowest; none of its menus may be pushed into an overflow button.
TEST(QtMainMenu, EveryMenuFitsOnTheMenuBarOfTheNarrowestWindow) {
  for (int vertical : {0, 1}) {
    RunningProgram program;
    program.settings.values["General/ArrangeVertically"] = vertical;
    program.Start();
    QMenuBar* bar = program.layer.MainWindow()->menuBar();
    bar->adjustSize();
    RunningProgram::Settle();
    const QList<QAction*> menus = bar->actions();
    ASSERT_EQ(menus.size(), 4);
    for (QAction* menu : menus) {
      const QRect place = bar->actionGeometry(menu);
      EXPECT_FALSE(place.isEmpty()) << menu->text().toStdString();
      EXPECT_LE(place.right(), bar->width() - 1) << menu->text().toStdString() << " vertical " << vertical;
    }
  }
}

TEST(QtMainMenu, PicksReachTheCommandHandlerAndTheMenuFollows) {
  RunningProgram program;
  program.Start();
  AppState& app = *program.app;

  MenuAction(program, cmd::PitchUpA)->trigger();
  RunningProgram::Settle();
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 510);
  EXPECT_FALSE(MenuAction(program, cmd::Preset2)->isChecked());  // 510 Hz is no preset

  // Picking the item that is already checked leaves it checked, although Qt unticks a
  // checkable action by itself when it is triggered.
  MenuAction(program, cmd::RangeA1)->trigger();
  RunningProgram::Settle();
  EXPECT_EQ(app.settings.VFO_A.Range, 1);
  EXPECT_TRUE(MenuAction(program, cmd::RangeA1)->isChecked());

  MenuAction(program, cmd::RangeA0)->trigger();
  RunningProgram::Settle();
  EXPECT_EQ(app.settings.VFO_A.Range, 0);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 500);  // held to the range's limit
  EXPECT_TRUE(MenuAction(program, cmd::RangeA0)->isChecked());
  EXPECT_FALSE(MenuAction(program, cmd::RangeA1)->isChecked());

  // A pick of an item that Qt would tick by itself: the core's state decides what shows.
  MenuAction(program, cmd::Freeze)->trigger();
  RunningProgram::Settle();
  EXPECT_TRUE(app.frozen);
  EXPECT_TRUE(MenuAction(program, cmd::Freeze)->isChecked());
  EXPECT_FALSE(MenuAction(program, cmd::PitchUpA)->isEnabled());
  MenuAction(program, cmd::Freeze)->trigger();
  RunningProgram::Settle();
  EXPECT_FALSE(app.frozen);
  EXPECT_FALSE(MenuAction(program, cmd::Freeze)->isChecked());
  EXPECT_TRUE(MenuAction(program, cmd::PitchUpA)->isEnabled());

  // Preset pick sets both pitches; the mark lands on the chosen preset.
  MenuAction(program, cmd::Preset3)->trigger();
  RunningProgram::Settle();
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 700);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 700);
  EXPECT_TRUE(MenuAction(program, cmd::Preset3)->isChecked());
}

TEST(QtMainMenu, ClosingTheVfoAWindowFromTheMenuGreysFreezeAndClear) {
  RunningProgram program;
  program.Start();
  MenuAction(program, cmd::MainVfoA)->trigger();
  RunningProgram::Settle();
  EXPECT_FALSE(program.app->vfoA.windowOpen);
  EXPECT_EQ(program.FrameOf(Vfo::A), nullptr);
  EXPECT_FALSE(MenuAction(program, cmd::MainVfoA)->isChecked());
  EXPECT_FALSE(MenuAction(program, cmd::Freeze)->isEnabled());
  EXPECT_FALSE(MenuAction(program, cmd::Clear)->isEnabled());

  // A range pick for the closed window is ignored; its tick must not vanish with the click.
  MenuAction(program, cmd::RangeA1)->trigger();
  RunningProgram::Settle();
  EXPECT_TRUE(MenuAction(program, cmd::RangeA1)->isChecked());

  MenuAction(program, cmd::MainVfoA)->trigger();
  RunningProgram::Settle();
  ASSERT_NE(program.FrameOf(Vfo::A), nullptr);
  EXPECT_TRUE(program.FrameOf(Vfo::A)->isVisible());
  EXPECT_EQ(program.FrameOf(Vfo::A)->pos(), QPoint(0, 2));
  EXPECT_TRUE(MenuAction(program, cmd::Freeze)->isEnabled());
}

TEST(QtKeys, FunctionKeysReachTheCommandHandler) {
  RunningProgram program;
  program.Start();
  AppState& app = *program.app;

  PressKey(program, Qt::Key_F6);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 510);
  PressKey(program, Qt::Key_F5);
  PressKey(program, Qt::Key_F5);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 490);
  PressKey(program, Qt::Key_F10);
  EXPECT_EQ(app.settings.NumberOfAverages, 2);
  PressKey(program, Qt::Key_F9);
  EXPECT_EQ(app.settings.NumberOfAverages, 1);
  PressKey(program, Qt::Key_F2);
  EXPECT_EQ(app.settings.Level, 1);
  EXPECT_TRUE(MenuAction(program, cmd::SignalLevel)->isChecked());
  PressKey(program, Qt::Key_F3);
  EXPECT_EQ(app.settings.VFO_A.Pitch, 0);
  PressKey(program, Qt::Key_F12);
  EXPECT_TRUE(app.frozen);
  PressKey(program, Qt::Key_F12);
  EXPECT_FALSE(app.frozen);
}

TEST(QtKeys, ModifiersOutsideTheTableDoNotAct) {
  RunningProgram program;
  program.Start();
  AppState& app = *program.app;

  PressKey(program, Qt::Key_F6, Qt::ShiftModifier);
  PressKey(program, Qt::Key_F6, Qt::ControlModifier);
  PressKey(program, Qt::Key_F6, Qt::AltModifier);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 500);

  // The main keyboard's plus and minus are not the keypad's.
  PressKey(program, Qt::Key_Plus);
  EXPECT_EQ(app.settings.VFO_A.Range, 1);
  PressKey(program, Qt::Key_Minus);
  EXPECT_EQ(app.settings.VFO_A.Range, 1);
}

TEST(QtKeys, KeypadPlusAndMinusStepTheRanges) {
  RunningProgram program;
  program.settings.values["General/Channels"] = 2;
  program.Start();
  AppState& app = *program.app;
  ASSERT_EQ(app.settings.VFO_A.Range, 1);
  ASSERT_EQ(app.settings.VFO_B.Range, 3);

  PressKey(program, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(app.settings.VFO_A.Range, 2);
  EXPECT_EQ(app.settings.VFO_B.Range, 3);
  EXPECT_TRUE(MenuAction(program, cmd::RangeA2)->isChecked());

  PressKey(program, Qt::Key_Plus, Qt::KeypadModifier | Qt::ControlModifier);
  EXPECT_EQ(app.settings.VFO_B.Range, 4);
  EXPECT_EQ(app.settings.VFO_A.Range, 2);
  EXPECT_TRUE(MenuAction(program, cmd::RangeB4)->isChecked());
  PressKey(program, Qt::Key_Plus, Qt::KeypadModifier | Qt::ControlModifier);  // no wrap-around
  EXPECT_EQ(app.settings.VFO_B.Range, 4);

  PressKey(program, Qt::Key_Minus, Qt::KeypadModifier);
  PressKey(program, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(app.settings.VFO_A.Range, 0);
  PressKey(program, Qt::Key_Minus, Qt::KeypadModifier | Qt::ControlModifier);
  EXPECT_EQ(app.settings.VFO_B.Range, 3);
  EXPECT_EQ(app.settings.VFO_A.Range, 0);
}

TEST(QtKeys, GreyedItemsKeysAreHeldBackAndOthersAlwaysAct) {
  RunningProgram program;
  program.Start();
  AppState& app = *program.app;

  // Every item of the main menu greyed: the keys of items stop, the keys of no item go on.
  for (int id : MainMenuItemIds()) EnableMenuItem(app, id, false);
  EXPECT_FALSE(MenuAction(program, cmd::PitchUpA)->isEnabled());

  PressKey(program, Qt::Key_F6);
  PressKey(program, Qt::Key_F10);
  PressKey(program, Qt::Key_F2);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 500);
  EXPECT_EQ(app.settings.NumberOfAverages, 1);
  EXPECT_EQ(app.settings.Level, 0);

  PressKey(program, Qt::Key_Plus, Qt::KeypadModifier);  // 368
  EXPECT_EQ(app.settings.VFO_A.Range, 2);
  PressKey(program, Qt::Key_Minus, Qt::KeypadModifier);  // 369
  PressKey(program, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(app.settings.VFO_A.Range, 0);
  PressKey(program, Qt::Key_F12);  // 306
  EXPECT_TRUE(app.frozen);
  PressKey(program, Qt::Key_F12);
  EXPECT_FALSE(app.frozen);
}

TEST(QtKeys, FreezeAndClearKeysActWithNoWindowOpen) {
  RunningProgram program;
  program.Start();
  AppState& app = *program.app;
  CommandHandler(app, cmd::MainVfoA);  // close the only window
  RunningProgram::Settle();
  ASSERT_FALSE(MenuAction(program, cmd::Freeze)->isEnabled());
  ASSERT_FALSE(MenuAction(program, cmd::Clear)->isEnabled());

  PressKey(program, Qt::Key_F11);  // 305
  EXPECT_TRUE(app.clearRequested);
  PressKey(program, Qt::Key_F12);  // 306
  EXPECT_TRUE(app.frozen);
  EXPECT_FALSE(MenuAction(program, cmd::Freeze)->isChecked());

  // Opening a window while frozen brings the check mark back.
  CommandHandler(app, cmd::MainVfoA);
  RunningProgram::Settle();
  EXPECT_TRUE(MenuAction(program, cmd::Freeze)->isChecked());
  EXPECT_TRUE(MenuAction(program, cmd::Freeze)->isEnabled());
}

TEST(QtKeys, KeysInASpectrumWindowReachTheMainWindow) {
  RunningProgram program;
  program.Start();
  SignalFrame* frame = program.FrameOf(Vfo::A);
  ASSERT_NE(frame, nullptr);
  frame->Client()->setFocusPolicy(Qt::StrongFocus);
  frame->Client()->setFocus();
  QTest::keyClick(frame->Client(), Qt::Key_F6);
  RunningProgram::Settle();
  EXPECT_EQ(program.app->settings.VFO_A.PitchFreq, 510);
}

TEST(QtMainWindow, AlwaysOnTopChangesInPlace) {
  RunningProgram program;
  program.Start();
  QWindow* before = program.layer.MainWindow()->windowHandle();
  ASSERT_NE(before, nullptr);
  EXPECT_TRUE(before->flags() & Qt::WindowStaysOnTopHint);

  MenuAction(program, cmd::AlwaysOnTop)->trigger();
  RunningProgram::Settle();
  EXPECT_EQ(program.layer.MainWindow()->windowHandle(), before);
  EXPECT_FALSE(before->flags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(program.layer.MainWindow()->isVisible());
  EXPECT_FALSE(MenuAction(program, cmd::AlwaysOnTop)->isChecked());
}

}  // namespace
}  // namespace keblor

namespace keblor {
namespace {

TEST(QtMainMenu, MenusOpenAndPickByMouse) {
  RunningProgram program;
  program.Start();
  QMenuBar* bar = program.layer.MainWindow()->menuBar();
  QAction* display = nullptr;
  for (QAction* action : bar->actions()) {
    if (action->text() == QStringLiteral("&Display")) display = action;
  }
  ASSERT_NE(display, nullptr);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(display).center());
  RunningProgram::Settle();
  QMenu* menu = display->menu();
  ASSERT_TRUE(menu->isVisible());

  QAction* freeze = MenuAction(program, cmd::Freeze);
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(freeze).center());
  RunningProgram::Settle();
  EXPECT_FALSE(menu->isVisible());
  EXPECT_TRUE(program.app->frozen);
  EXPECT_TRUE(freeze->isChecked());
}

TEST(QtSingleInstance, ASecondCopyFindsTheFirstAndRestoresIt) {
  RunningProgram first;
  first.Start();
  QMainWindow* window = first.layer.MainWindow();

  AppState secondState;
  QtWindowLayer second(secondState);
  second.SetInstanceName(first.instanceName);
  EXPECT_TRUE(second.FindRunningCopy());
  RunningProgram::Settle();
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());

  window->showMinimized();
  RunningProgram::Settle();
  ASSERT_TRUE(window->isMinimized());
  EXPECT_TRUE(second.FindRunningCopy());
  for (int i = 0; i < 50 && window->isMinimized(); ++i) {
    QTest::qWait(10);
  }
  EXPECT_FALSE(window->isMinimized());

  // A copy under another name runs on its own.
  AppState otherState;
  QtWindowLayer elsewhere(otherState);
  elsewhere.SetInstanceName(TestInstanceName());
  EXPECT_FALSE(elsewhere.FindRunningCopy());
}

}  // namespace
}  // namespace keblor
