#pragma once
// The help pages inside the program: a text browser in a window of its own, owned by the main
// window, so that F1 needs no web browser.

#include <QMainWindow>
#include <QUrl>

class QTextBrowser;

namespace keblor {

class HelpWindow : public QMainWindow {
 public:
  explicit HelpWindow(QWidget* owner);

  // Shows `page` (a local file, with an anchor or not); an empty URL shows where the pages were
  // looked for. Links between the pages are followed here; others go to the desktop.
  void Open(const QUrl& page);
  QTextBrowser* Browser() const { return browser_; }

 private:
  void FollowLink(const QUrl& link);

  QTextBrowser* browser_;
  QUrl contents_;
};

// Shows `page` in the owner's help window, made on first use and raised after; nullptr without
// an owner.
HelpWindow* ShowHelpWindow(QWidget* owner, const QUrl& page);

}  // namespace keblor
