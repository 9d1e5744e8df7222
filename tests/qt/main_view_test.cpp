// The program in its Qt main window: menus by mouse, keys through the accelerator table, the
// windows' geometry, dragging the marker, the pop-up menu, the dialogs and the single-instance
// check.

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "core/command_ids.h"
#include "qt/qt_dialogs.h"
#include "qt_test_support.h"

namespace keblor::test {
namespace {

void PressKey(RunningProgram& p, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(p.view.Window()->windowHandle(), key, modifiers);
  RunningProgram::Settle();
}

// Runs `act` once on the popup menu or modal dialog that opens next, inside its own loop.
void OnNextModal(std::function<void(QWidget*)> act) {
  auto* watch = new QTimer;
  QObject::connect(watch, &QTimer::timeout, [watch, act] {
    QWidget* widget = QApplication::activePopupWidget();
    if (widget == nullptr) widget = QApplication::activeModalWidget();
    if (widget == nullptr) return;
    watch->stop();
    watch->deleteLater();
    act(widget);
  });
  watch->start(5);
}

// A pick by mouse reaches the program, and the items' checks and greying follow its menu.
TEST(QtMainView, MenusOpenAndPickByMouseAndFollowTheProgram) {
  RunningProgram p;
  p.Start();
  QMenuBar* bar = p.view.Window()->menuBar();
  QAction* display = bar->actions().at(1);
  ASSERT_EQ(display->text(), QStringLiteral("&Display"));
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(display).center());
  RunningProgram::Settle();
  QMenu* menu = display->menu();
  ASSERT_TRUE(menu->isVisible());
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(p.Action(cmd::Freeze)).center());
  RunningProgram::Settle();
  EXPECT_TRUE(p.program->Display().frozen);
  EXPECT_TRUE(p.Action(cmd::Freeze)->isChecked());
  EXPECT_FALSE(p.Action(cmd::PitchUpA)->isEnabled());

  // Qt unticks a checked item by itself when it is picked; the program's menu puts it back.
  p.Action(cmd::Freeze)->trigger();
  p.Action(cmd::RangeA1)->trigger();
  RunningProgram::Settle();
  EXPECT_TRUE(p.Action(cmd::RangeA1)->isChecked());
}

// Settings > Input lists the inputs by name after "Default input", checks the one in use, opens
// the capture on a picked one and reads the list again as it opens.
TEST(QtMainView, TheInputMenuListsTheInputsAndPicksOne) {
  RunningProgram p;
  p.source.listed = {{"alsa_input.usb", "USB Audio CODEC"}, {"cw2.monitor", "Rig & Co"}};
  p.Start();
  auto* menu = qobject_cast<QMenu*>(p.Action(cmd::InputDefault)->parent());
  ASSERT_NE(menu, nullptr);
  auto texts = [menu] {
    QStringList shown;
    for (QAction* action : menu->actions()) shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return shown;
  };
  EXPECT_EQ(texts(), (QStringList{"&Default input", "-", "USB Audio CODEC", "Rig && Co"}));
  EXPECT_TRUE(p.Action(cmd::InputDefault)->isChecked());

  p.Action(cmd::InputFirst + 1)->trigger();
  RunningProgram::Settle();
  EXPECT_EQ(p.program->CurrentSettings().Input, "cw2.monitor");
  EXPECT_EQ(p.source.selected, "cw2.monitor");
  EXPECT_TRUE(p.Action(cmd::InputFirst + 1)->isChecked());
  EXPECT_FALSE(p.Action(cmd::InputDefault)->isChecked());

  p.source.listed.insert(p.source.listed.begin(), {"usb2", "Second codec"});
  emit menu->aboutToShow();
  EXPECT_EQ(texts(), (QStringList{"&Default input", "-", "Second codec", "USB Audio CODEC", "Rig && Co"}));
  EXPECT_TRUE(p.Action(cmd::InputFirst + 2)->isChecked());
  EXPECT_FALSE(p.Action(cmd::InputFirst + 1)->isChecked());
  RunningProgram::Settle();
}

// Function keys, the keypad and Z go through the table; Shift or Alt take a key out of it, and
// keys pressed in a spectrum window reach the main window.
TEST(QtMainView, KeysReachTheProgram) {
  RunningProgram p;
  p.settings.values["General/Channels"] = 2;
  p.Start();
  PressKey(p, Qt::Key_F6);
  EXPECT_EQ(p.program->CurrentSettings().VFO_A.PitchFreq, 510);
  PressKey(p, Qt::Key_F6, Qt::ShiftModifier);
  EXPECT_EQ(p.program->CurrentSettings().VFO_A.PitchFreq, 510);
  PressKey(p, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(p.program->CurrentSettings().VFO_A.Range, 2);
  PressKey(p, Qt::Key_Minus, Qt::KeypadModifier | Qt::ControlModifier);
  EXPECT_EQ(p.program->CurrentSettings().VFO_B.Range, 2);
  // The main keyboard's plus (shifted or as "=") and minus act as the keypad's.
  PressKey(p, Qt::Key_Plus, Qt::ShiftModifier);
  EXPECT_EQ(p.program->CurrentSettings().VFO_A.Range, 3);
  PressKey(p, Qt::Key_Equal);
  EXPECT_EQ(p.program->CurrentSettings().VFO_A.Range, 4);
  PressKey(p, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(p.program->CurrentSettings().VFO_B.Range, 1);
  PressKey(p, Qt::Key_Minus, Qt::ShiftModifier);  // "_" is no key of the table
  EXPECT_EQ(p.program->CurrentSettings().VFO_A.Range, 4);
  PressKey(p, Qt::Key_Z);
  EXPECT_EQ(p.program->CurrentSettings().Zoom, 2);
  PressKey(p, Qt::Key_Z, Qt::ShiftModifier);
  EXPECT_EQ(p.program->CurrentSettings().Zoom, 2);
  QTest::keyClick(p.Client(Vfo::B), Qt::Key_F2);
  EXPECT_EQ(p.program->CurrentSettings().Level, 1);
}

// The layout's table itself is the core's; here its sizes become the frame and the client area,
// and VFO-B's window is made only in stereo. (Stacked: the waterfall's test below.)
TEST(QtMainView, GeometryHoldsTheWindowsSideBySide) {
  struct Case {
    int channels, arrange, clientWidth, clientHeight;
    QPoint vfoB;
  };
  for (const Case& c : {Case{1, 0, 208, 187, {}}, Case{2, 0, 411, 187, {205, 2}}}) {
    SCOPED_TRACE(testing::Message() << "channels " << c.channels << " arrange " << c.arrange);
    RunningProgram p;
    p.settings.values["General/Channels"] = c.channels;
    p.settings.values["General/ArrangeVertically"] = c.arrange;
    p.settings.values["General/xPos"] = 30;
    p.settings.values["General/yPos"] = 40;
    p.Start();
    EXPECT_EQ(p.view.Window()->pos(), QPoint(30, 40));
    EXPECT_EQ(p.view.Window()->minimumSize(), p.view.Window()->maximumSize());
    EXPECT_EQ(p.view.ClientArea()->size(), QSize(c.clientWidth, c.clientHeight));
    const Rect outer = p.view.OuterRect();
    EXPECT_EQ(outer.right - outer.left, c.clientWidth + 6);
    EXPECT_EQ(outer.bottom - outer.top, c.clientHeight + 44);
    EXPECT_EQ(p.view.Spectrum(Vfo::A)->geometry(), QRect(0, 2, 206, 184));
    EXPECT_EQ(p.Client(Vfo::A)->geometry(), QRect(3, 21, 200, 160));
    if (c.channels == 2) EXPECT_EQ(p.view.Spectrum(Vfo::B)->pos(), c.vfoB);
    else EXPECT_EQ(p.view.Spectrum(Vfo::B), nullptr);
  }
}

// W shows the waterfall: the spectrum windows grow by it in place, VFO-B moves below VFO-A's, and
// the main window grows around them from where it is; W again (not Shift+W) puts all back.
TEST(QtMainView, TheWaterfallGrowsTheWindowsInPlace) {
  RunningProgram p;
  p.settings.values["General/Channels"] = 2;
  p.settings.values["General/ArrangeVertically"] = 1;
  p.settings.values["General/xPos"] = 30;
  p.settings.values["General/yPos"] = 40;
  p.Start();
  PressKey(p, Qt::Key_W);
  EXPECT_TRUE(p.Action(cmd::Waterfall)->isChecked());
  EXPECT_EQ(p.view.Window()->pos(), QPoint(30, 40));
  EXPECT_EQ(p.view.ClientArea()->size(), QSize(207, 372 + 2 * WATERFALL_ROWS));
  EXPECT_EQ(p.view.Spectrum(Vfo::A)->geometry(), QRect(0, 2, 206, 184 + WATERFALL_ROWS));
  EXPECT_EQ(p.Client(Vfo::A)->geometry(), QRect(3, 21, 200, 160 + WATERFALL_ROWS));
  EXPECT_EQ(p.view.Spectrum(Vfo::B)->geometry(), QRect(0, 186 + WATERFALL_ROWS, 206, 184 + WATERFALL_ROWS));
  PressKey(p, Qt::Key_W, Qt::ShiftModifier);
  EXPECT_EQ(p.program->CurrentSettings().Waterfall, 1);
  PressKey(p, Qt::Key_W);
  EXPECT_EQ(p.view.ClientArea()->size(), QSize(207, 372));
  EXPECT_EQ(p.view.Spectrum(Vfo::B)->geometry(), QRect(0, 186, 206, 184));
  EXPECT_EQ(p.Client(Vfo::A)->geometry(), QRect(3, 21, 200, 160));
}

// The windows do not capture the pointer: a drag begun in the other window moves the marker of
// the window it slides into.
TEST(QtMainView, MarkerDragsAcrossWindows) {
  RunningProgram p;
  p.settings.values["General/Channels"] = 2;
  p.Start();
  SpectrumClient* a = p.Client(Vfo::A);
  SpectrumClient* b = p.Client(Vfo::B);
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 60));
  for (int x : {100, 108}) {
    const QPoint global = a->mapToGlobal(QPoint(x, 60));
    QMouseEvent move(QEvent::MouseMove, QPointF(b->mapFromGlobal(global)), QPointF(global), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b, &move);
  }
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 60));
  RunningProgram::Settle();
  EXPECT_EQ(p.program->CurrentSettings().VFO_A.PitchFreq, 540);
  EXPECT_EQ(p.program->CurrentSettings().VFO_B.PitchFreq, 500);
  EXPECT_EQ(a->cursor().shape(), Qt::SizeHorCursor);
}

TEST(QtMainView, PopupMenuShowsTheStateAndItsPickActs) {
  RunningProgram p;
  p.Start();
  std::map<int, bool> checked;
  OnNextModal([&checked](QWidget* popup) {
    for (QAction* action : popup->findChildren<QAction*>()) {
      const int id = action->data().toInt();
      if (id != 0) checked[id] = action->isChecked();
      if (id == cmd::RangeA3) action->trigger();
    }
    popup->close();
  });
  QTest::mouseClick(p.Client(Vfo::A), Qt::RightButton, {}, QPoint(50, 50));
  RunningProgram::Settle();
  EXPECT_EQ(checked.size(), 6u);
  EXPECT_TRUE(checked[cmd::RangeA1]);
  EXPECT_TRUE(checked[cmd::PitchOnOffA]);
  EXPECT_EQ(p.program->CurrentSettings().VFO_A.Range, 3);
  EXPECT_TRUE(p.Action(cmd::RangeA3)->isChecked());
}

// The sound card dialog shows the format and OK to stereo opens the second window in the grown
// main window. (The About box's keys: dialogs_test.cpp.)
TEST(QtMainView, Dialogs) {
  RunningProgram p;
  p.settings.values["General/BitsPerSample"] = 8;
  p.Start();
  bool shownFormat = false;
  OnNextModal([&shownFormat](QWidget* widget) {
    auto* dialog = static_cast<FixedDialog*>(widget);
    shownFormat = dialog->Button(IDC_CHANNELS_1)->isChecked() && dialog->Button(IDC_BITS_8)->isChecked();
    dialog->Button(IDC_CHANNELS_2)->setChecked(true);
    dialog->Button(1)->click();
  });
  p.program->OnCommand(cmd::SoundCard);
  RunningProgram::Settle();
  EXPECT_TRUE(shownFormat);
  EXPECT_EQ(p.source.format, (AudioFormat{2, 8}));
  ASSERT_NE(p.view.Spectrum(Vfo::B), nullptr);
  EXPECT_TRUE(p.view.Spectrum(Vfo::B)->isVisible());
  EXPECT_EQ(p.view.ClientArea()->width(), 411);
}

TEST(QtMainView, ASecondCopyFindsTheFirstAndRestoresIt) {
  RunningProgram first;
  first.Start();
  QMainWindow* window = first.view.Window();
  QtMainView otherView;
  QtDesktop second(otherView);
  second.SetInstanceName(first.instanceName);
  window->showMinimized();
  RunningProgram::Settle();
  ASSERT_TRUE(window->isMinimized());
  EXPECT_TRUE(second.FindRunningCopy());
  for (int i = 0; i < 50 && window->isMinimized(); ++i) QTest::qWait(10);
  EXPECT_FALSE(window->isMinimized());

  QtDesktop elsewhere(otherView);
  elsewhere.SetInstanceName(TestInstanceName());
  EXPECT_FALSE(elsewhere.FindRunningCopy());
}

}  // namespace
}  // namespace keblor::test
