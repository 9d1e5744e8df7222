#include "qt/desktop.h"

#include <unistd.h>

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

QtDesktop::QtDesktop(QtMainView& main) : main_(main), instanceName_(InstanceServerName()) {}

QtDesktop::~QtDesktop() = default;

bool QtDesktop::FindRunningCopy() {
  QLocalSocket probe;
  probe.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
  probe.connectToServer(instanceName_);
  if (probe.waitForConnected(1000)) {
    probe.write("restore\n");
    probe.waitForBytesWritten(1000);
    probe.disconnectFromServer();
    return true;
  }
  instanceServer_ = std::make_unique<QLocalServer>();
  instanceServer_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
  connect(instanceServer_.get(), &QLocalServer::newConnection, this, &QtDesktop::OnInstanceConnection);
  instanceServer_->listen(instanceName_);  // a failure only means a later copy will not find this one
  return false;
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

void QtDesktop::ReportError(const std::string& text, const std::string& caption) {
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
