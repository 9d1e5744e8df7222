#include "qt/desktop.h"

#include <unistd.h>

#include <cstdio>

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMainWindow>
#include <QMessageBox>

#include "desktop/desktop_tools.h"
#include "qt/main_view.h"
#include "qt/qt_dialogs.h"

namespace keblor {

namespace {

// The user's name space for the single-instance server: the main window class and the uid.
QString InstanceServerName() {
  return QStringLiteral("KLP5012WA ISA LIBRARY TEST-%1").arg(static_cast<qulonglong>(::getuid()));
}

}  // namespace

QtDesktop::QtDesktop(QtMainView& main) : main_(main), instanceName_(InstanceServerName()) { clock_.start(); }

void QtDesktop::StartTicks(int intervalMs, std::function<void()> tick) {
  ticks_.disconnect();
  connect(&ticks_, &QTimer::timeout, this, std::move(tick));
  ticks_.start(intervalMs);
}

void QtDesktop::CallAfter(int delayMs, std::function<void()> once) {
  QTimer::singleShot(delayMs, Qt::PreciseTimer, this, std::move(once));
}

QtDesktop::~QtDesktop() = default;

// Claiming the name and finding another copy are one step: the kernel lets one process bind an
// abstract name, so of two copies started together exactly one claims it and the other connects.
bool QtDesktop::FindRunningCopy() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    instanceServer_ = std::make_unique<QLocalServer>();
    instanceServer_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(instanceServer_.get(), &QLocalServer::newConnection, this, &QtDesktop::OnInstanceConnection);
    if (instanceServer_->listen(instanceName_)) return false;
    const bool taken = instanceServer_->serverError() == QAbstractSocket::AddressInUseError;
    instanceServer_.reset();
    if (!taken) return false;  // no claim possible: this copy runs, a later one will not find it

    QLocalSocket probe;
    probe.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    probe.connectToServer(instanceName_);
    if (probe.waitForConnected(1000)) {
      probe.write("restore\n");
      probe.waitForBytesWritten(1000);
      probe.disconnectFromServer();
      return true;
    }
    // The holder ended between the claim and the connection: claim again.
  }
  return true;
}

// A later copy asks this one to come back if it is minimised; a visible window is left as it is.
void QtDesktop::OnInstanceConnection() {
  while (QLocalSocket* socket = instanceServer_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      QMainWindow* window = main_.Window();
      if (socket->readAll().contains("restore") && window != nullptr && window->isMinimized()) window->showNormal();
    });
  }
}

void QtDesktop::Line(const std::string& text) { std::fprintf(stderr, "keblor: %s\n", text.c_str()); }

void QtDesktop::Box(const std::string& text, const std::string& caption) {
  QApplication::beep();
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, main_.Window());
  box.exec();
}

int QtDesktop::RunSoundCardDialog(int channels, int bitsPerSample, const std::function<int(int, int)>& accept) {
  SoundCardSettingsDialog dialog(main_.Window(), channels, bitsPerSample, accept);
  return dialog.Run();
}

void QtDesktop::ShowAbout() {
  AboutBox box(main_.Window());
  box.Run();
}

void QtDesktop::OpenMixer(MixerKind mixer) {
  if (!IsMixerRunning(mixer)) StartMixerProgram(mixer);
}

void QtDesktop::OpenHelp() { OpenHelpPages("CONTENTS"); }

}  // namespace keblor
