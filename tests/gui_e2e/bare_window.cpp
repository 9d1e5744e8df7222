// A yardstick for the program's CPU and memory: a bare Qt main window of the program's mono size
// with a menu bar and a black 200 x 128 area, idle in its event loop. It captures and draws
// nothing.

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPalette>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  for (const char* title : {"&Settings", "&Display", "&Window", "&Help"}) {
    window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Item"));
  }
  auto* client = new QWidget(&window);
  client->setFixedSize(208, 187);
  auto* area = new QWidget(client);
  area->setGeometry(3, 39, 200, 128);
  area->setAutoFillBackground(true);
  QPalette palette = area->palette();
  palette.setColor(QPalette::Window, Qt::black);
  area->setPalette(palette);
  window.setCentralWidget(client);
  window.move(0, 0);
  window.show();
  return QApplication::exec();
}
