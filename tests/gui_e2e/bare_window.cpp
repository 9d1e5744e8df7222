// A yardstick for the program's CPU and memory: a bare Qt main window of the program's size with a
// menu bar and one black 200 x 128 area (two side by side with "2", as the program shows in
// stereo) that shows a new picture ten times a second, as the program does with a live trace. It
// captures and analyses nothing.
// Usage: bare_window [1|2]

#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace {

class Area : public QWidget {
 public:
  explicit Area(QWidget* parent) : QWidget(parent), image_(200, 128, QImage::Format_RGB32) {
    image_.fill(Qt::black);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  // A column of the picture changes, so that every repaint has something new to send.
  void Step() {
    image_.setPixel(column_, 64, qRgb(0, 0, 0));
    column_ = (column_ + 1) % image_.width();
    image_.setPixel(column_, 64, qRgb(194, 194, 194));
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
  }

 private:
  QImage image_;
  int column_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int areas = argc > 1 && QByteArray(argv[1]) == "2" ? 2 : 1;
  QApplication application(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  for (const char* title : {"&Settings", "&Display", "&Window", "&Help"}) {
    window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Item"));
  }
  auto* client = new QWidget(&window);
  client->setFixedSize(areas == 2 ? 411 : 208, 187);
  std::vector<Area*> shown;
  for (int i = 0; i < areas; ++i) {
    shown.push_back(new Area(client));
    shown.back()->setGeometry(3 + 205 * i, 39, 200, 128);
  }
  window.setCentralWidget(client);
  window.move(0, 0);
  window.show();
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&shown] {
    for (Area* area : shown) area->Step();
  });
  timer.start(100);
  return QApplication::exec();
}
