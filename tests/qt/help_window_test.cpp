// The help pages in the program's own window: opened at the contents, links followed, one window
// however often F1 is pressed, and not a word on standard error.

#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>

#include "core/command_ids.h"
#include "desktop/desktop_tools.h"
#include "qt/help_window.h"
#include "qt_test_support.h"

namespace keblor::test {
namespace {

// Qt's warnings while it lives, less the offscreen platform's own about what it cannot do
// ("This plugin does not support raise()"); installed around what must stay quiet.
class QtWarnings {
 public:
  QtWarnings() : previous_(qInstallMessageHandler(&Collect)) { Collected().clear(); }
  ~QtWarnings() { qInstallMessageHandler(previous_); }
  QtWarnings(const QtWarnings&) = delete;
  QtWarnings& operator=(const QtWarnings&) = delete;
  static QStringList& Collected() {
    static QStringList messages;
    return messages;
  }

 private:
  static void Collect(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (!message.startsWith(QStringLiteral("This plugin does not support"))) Collected() << message;
  }
  QtMessageHandler previous_;
};

// The help viewer the program's entry sets, for the test's main window.
class ViewerFor {
 public:
  explicit ViewerFor(QWidget* owner) {
    SetHelpViewer([owner](const QUrl& page) { ShowHelpWindow(owner, page); });
  }
  ~ViewerFor() { SetHelpViewer(nullptr); }
  ViewerFor(const ViewerFor&) = delete;
  ViewerFor& operator=(const ViewerFor&) = delete;
};

// The middle of the first link to `href` in the browser's viewport; (-1, -1) when there is none.
QPoint LinkPosition(const QTextBrowser& browser, const QString& href) {
  QTextDocument* document = browser.document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.charFormat().isAnchor() || fragment.charFormat().anchorHref() != href) continue;
      QTextCursor cursor(document);
      cursor.setPosition(fragment.position() + fragment.length() / 2);
      return browser.cursorRect(cursor).center();
    }
  }
  return {-1, -1};
}

void ClickLink(QTextBrowser& browser, const QString& href) {
  const QPoint at = LinkPosition(browser, href);
  ASSERT_NE(at, QPoint(-1, -1)) << href.toStdString();
  QTest::mouseClick(browser.viewport(), Qt::LeftButton, {}, at);
  RunningProgram::Settle();
}

TEST(HelpWindow, OpensAtTheContentsAndFollowsLinksQuietly) {
  QMainWindow owner;
  owner.show();
  const ViewerFor viewer(&owner);
  const QtWarnings warnings;
  OpenHelpPages("CONTENTS");
  RunningProgram::Settle();

  auto* help = owner.findChild<HelpWindow*>();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->isWindow());
  QTextBrowser& browser = *help->Browser();
  EXPECT_EQ(browser.source().fileName(), QStringLiteral("index.html"));
  EXPECT_EQ(browser.source().fragment(), QStringLiteral("CONTENTS"));
  EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("CW Keblor help: contents")));

  // A link to an anchor further down another page: that page, scrolled to the heading.
  ClickLink(browser, QStringLiteral("tuning.html#level"));
  EXPECT_EQ(browser.source().fileName(), QStringLiteral("tuning.html"));
  EXPECT_EQ(browser.source().fragment(), QStringLiteral("level"));
  EXPECT_GT(browser.verticalScrollBar()->value(), 0);
  EXPECT_EQ(help->windowTitle(), QStringLiteral("CW Keblor help: tuning and input level"));

  QTest::keyClick(&browser, Qt::Key_Left, Qt::AltModifier);  // back
  RunningProgram::Settle();
  EXPECT_EQ(browser.source().fileName(), QStringLiteral("index.html"));
  ClickLink(browser, QStringLiteral("menus.html"));
  EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("Menus, keys and mouse")));

  QTest::keyClick(&browser, Qt::Key_Escape);
  EXPECT_FALSE(help->isVisible());
  EXPECT_EQ(warnings.Collected().join('\n').toStdString(), "");
}

// F1 in the main window: the help window of the main window; again, the same one, back at the
// contents.
TEST(HelpWindow, F1OpensOneWindowOwnedByTheMainWindow) {
  RunningProgram p;
  p.Start();
  const ViewerFor viewer(p.view.Window());
  QTest::keyClick(p.view.Window()->windowHandle(), Qt::Key_F1);
  RunningProgram::Settle();
  auto* help = p.view.Window()->findChild<HelpWindow*>();
  ASSERT_NE(help, nullptr);
  ASSERT_TRUE(help->isVisible());
  ClickLink(*help->Browser(), QStringLiteral("menus.html"));
  help->close();

  p.program->OnCommand(cmd::HelpContents);
  RunningProgram::Settle();
  EXPECT_EQ(p.view.Window()->findChildren<HelpWindow*>().size(), 1);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->Browser()->source().fileName(), QStringLiteral("index.html"));
}

TEST(HelpWindow, PagesNotFoundSaysWhereTheyWereLookedFor) {
  QMainWindow owner;
  HelpWindow* help = ShowHelpWindow(&owner, QUrl());
  ASSERT_NE(help, nullptr);
  const QString text = help->Browser()->toPlainText();
  EXPECT_TRUE(text.contains(QStringLiteral("not found")));
  EXPECT_TRUE(text.contains(HelpSearchDirs().first()));
}

}  // namespace
}  // namespace keblor::test
