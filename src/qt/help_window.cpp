#include "qt/help_window.h"

#include <QAction>
#include <QDesktopServices>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolBar>

#include "desktop/desktop_tools.h"

namespace keblor {
namespace {

const QString HELP_TITLE = QStringLiteral("CW Keblor help");

QString NotFoundPage() {
  QString html = QStringLiteral("<h1>The help pages were not found</h1><p>They were looked for in:</p><ul>");
  for (const QString& dir : HelpSearchDirs()) html += QStringLiteral("<li>%1</li>").arg(dir.toHtmlEscaped());
  return html + QStringLiteral("</ul>");
}

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QMainWindow(owner, Qt::Window), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("help"));
  setWindowTitle(HELP_TITLE);
  resize(640, 560);
  setCentralWidget(browser_);
  // Followed here, so that a link leaving the pages is not loaded as one of them.
  browser_->setOpenLinks(false);
  connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::FollowLink);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? HELP_TITLE : title);
  });

  QToolBar* tools = addToolBar(QStringLiteral("Navigation"));
  tools->setMovable(false);
  QAction* back = tools->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
  back->setShortcut(QKeySequence::Back);
  back->setEnabled(false);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  QAction* forward = tools->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
  forward->setShortcut(QKeySequence::Forward);
  forward->setEnabled(false);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  QAction* contents = tools->addAction(QStringLiteral("Contents"), this, [this] {
    if (contents_.isValid()) browser_->setSource(contents_);
  });
  contents->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
  new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
}

void HelpWindow::Open(const QUrl& page) {
  contents_ = page;
  if (page.isEmpty()) {
    browser_->setHtml(NotFoundPage());
    setWindowTitle(HELP_TITLE);
    return;
  }
  browser_->setSource(page);
}

void HelpWindow::FollowLink(const QUrl& link) {
  const QUrl target = browser_->source().resolved(link);
  if (target.isLocalFile()) {
    browser_->setSource(target);
  } else {
    QDesktopServices::openUrl(target);
  }
}

HelpWindow* ShowHelpWindow(QWidget* owner, const QUrl& page) {
  if (owner == nullptr) return nullptr;
  auto* window = owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
  if (window == nullptr) window = new HelpWindow(owner);
  window->Open(page);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace keblor
