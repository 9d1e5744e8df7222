// The desktop integration against fake mixer programs on PATH and the help pages in the source
// tree. Runs on Qt's offscreen platform; nothing here opens a browser.
#include "desktop/desktop_tools.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <vector>

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace keblor {
namespace {

constexpr const char* LOG_VARIABLE = "KEBLOR_FAKE_MIXER_LOG";

// Copies the fake mixer (it logs "<pid> <arguments>" to $KEBLOR_FAKE_MIXER_LOG and stays running,
// as a real mixer window would) to `path`.
void CopyFakeMixer(const QString& path, bool executable = true) {
  QFile::remove(path);
  ASSERT_TRUE(QFile::copy(QStringLiteral(KEBLOR_FAKE_MIXER), path));
  QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
  if (executable) permissions |= QFile::ExeOwner;
  ASSERT_TRUE(QFile::setPermissions(path, permissions));
}

QStringList LogLines(const QString& logPath) {
  QFile log(logPath);
  if (!log.open(QIODevice::ReadOnly)) return {};
  return QString::fromLocal8Bit(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

// A folder that replaces PATH while the test runs, where fake mixers are put. The mixers this
// program starts log to starts.log there.
class FakePath {
 public:
  FakePath()
      : oldPath_(qgetenv("PATH")),
        oldLog_(qgetenv(LOG_VARIABLE)),
        hadLog_(qEnvironmentVariableIsSet(LOG_VARIABLE)) {
    qputenv("PATH", dir_.path().toLocal8Bit());
    qputenv(LOG_VARIABLE, LogPath().toLocal8Bit());
  }
  ~FakePath() {
    for (qint64 pid : StartedPids()) ::kill(static_cast<pid_t>(pid), SIGKILL);
    qputenv("PATH", oldPath_);
    if (hadLog_) {
      qputenv(LOG_VARIABLE, oldLog_);
    } else {
      qunsetenv(LOG_VARIABLE);
    }
  }
  FakePath(const FakePath&) = delete;
  FakePath& operator=(const FakePath&) = delete;

  void AddMixer(const QString& name, bool executable = true) { CopyFakeMixer(Path(name), executable); }

  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString LogPath() const { return dir_.filePath(QStringLiteral("starts.log")); }

  // One line per start, as the fake mixers logged them; waits briefly for `expected` lines.
  QStringList Starts(qsizetype expected = 0) const {
    QElapsedTimer timer;
    timer.start();
    QStringList lines;
    do {
      lines = LogLines(LogPath());
      if (lines.size() >= expected) break;
      QThread::msleep(20);
    } while (timer.elapsed() < 5000);
    return lines;
  }

  QList<qint64> StartedPids() const {
    QList<qint64> pids;
    for (const QString& line : Starts()) pids << line.section(' ', 0, 0).toLongLong();
    return pids;
  }

 private:
  QTemporaryDir dir_;
  QByteArray oldPath_;
  QByteArray oldLog_;
  bool hadLog_;
};

// A mixer the user opened by other means: `program` run by the test, not by StartMixerProgram,
// logging to a file of its own.
class UserMixer {
 public:
  // Spawned rather than forked, like the program's own mixers, so that it starts under qemu too.
  explicit UserMixer(const QString& program) {
    const QByteArray path = QFile::encodeName(program);
    const QByteArray log = QByteArray(LOG_VARIABLE) + '=' + logDir_.filePath(QStringLiteral("user.log")).toLocal8Bit();
    char* argv[] = {const_cast<char*>(path.constData()), nullptr};
    std::vector<char*> env;
    for (char** e = environ; *e != nullptr; ++e)
      if (!QByteArray(*e).startsWith(QByteArray(LOG_VARIABLE) + '=')) env.push_back(*e);  // ours replaces it
    env.push_back(const_cast<char*>(log.constData()));
    env.push_back(nullptr);
    if (posix_spawn(&pid_, path.constData(), nullptr, nullptr, argv, env.data()) != 0) pid_ = 0;
  }
  ~UserMixer() { Close(); }
  UserMixer(const UserMixer&) = delete;
  UserMixer& operator=(const UserMixer&) = delete;

  // True once it runs and has logged its start.
  bool WaitUntilRunning() {
    if (pid_ == 0) return false;
    QElapsedTimer timer;
    timer.start();
    while (LogLines(logDir_.filePath(QStringLiteral("user.log"))).isEmpty()) {
      if (timer.elapsed() > 5000) return false;
      QThread::msleep(20);
    }
    return true;
  }

  void Close() {
    if (pid_ == 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  QTemporaryDir logDir_;
  pid_t pid_ = 0;
};

bool WaitUntilStopped(MixerKind mixer) {
  QElapsedTimer timer;
  timer.start();
  while (IsMixerRunning(mixer)) {
    if (timer.elapsed() > 5000) return false;
    QThread::msleep(20);
  }
  return true;
}

// pavucontrol on its device tabs, else pwvucontrol, else the desktop's sound settings; a file
// that cannot run does not count.
TEST(MixerLookup, TakesTheFirstInstalledInOrder) {
  FakePath path;
  path.AddMixer(QStringLiteral("pavucontrol"), /*executable=*/false);
  path.AddMixer(QStringLiteral("gnome-control-center"));
  auto command = FindMixerCommand(MixerKind::Recording);
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(command->program, path.Path(QStringLiteral("gnome-control-center")));
  EXPECT_EQ(command->arguments, QStringList{QStringLiteral("sound")});

  path.AddMixer(QStringLiteral("pwvucontrol"));
  command = FindMixerCommand(MixerKind::Playback);
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(command->program, path.Path(QStringLiteral("pwvucontrol")));
  EXPECT_TRUE(command->arguments.isEmpty());

  path.AddMixer(QStringLiteral("pavucontrol"));
  command = FindMixerCommand(MixerKind::Recording);
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(command->program, path.Path(QStringLiteral("pavucontrol")));
  EXPECT_EQ(command->arguments, QStringList{QStringLiteral("--tab=4")});  // input devices
  EXPECT_EQ(FindMixerCommand(MixerKind::Playback)->arguments, QStringList{QStringLiteral("--tab=3")});  // output devices
}

TEST(MixerStart, NothingHappensWhenNoMixerIsInstalled) {
  FakePath path;
  EXPECT_FALSE(FindMixerCommand(MixerKind::Recording).has_value());
  StartMixerProgram(MixerKind::Recording);
  StartMixerProgram(MixerKind::Playback);
  EXPECT_FALSE(IsMixerRunning(MixerKind::Recording));
  EXPECT_FALSE(IsMixerRunning(MixerKind::Playback));
  EXPECT_FALSE(QFile::exists(path.LogPath()));
}

// Once while it runs, again after the user closed it; the two mixers are tracked apart.
TEST(MixerStart, StartsOnceWhileRunningAndAgainAfterItEnded) {
  FakePath path;
  path.AddMixer(QStringLiteral("pavucontrol"));

  StartMixerProgram(MixerKind::Recording);
  ASSERT_EQ(path.Starts(1).size(), 1);
  EXPECT_TRUE(IsMixerRunning(MixerKind::Recording));
  EXPECT_FALSE(IsMixerRunning(MixerKind::Playback));

  StartMixerProgram(MixerKind::Recording);
  QThread::msleep(300);  // a wrongly started second copy would have logged by now
  EXPECT_EQ(path.Starts().size(), 1);

  StartMixerProgram(MixerKind::Playback);
  const QStringList both = path.Starts(2);
  ASSERT_EQ(both.size(), 2);
  EXPECT_TRUE(both[0].endsWith(QStringLiteral(" --tab=4")));
  EXPECT_TRUE(both[1].endsWith(QStringLiteral(" --tab=3")));
  EXPECT_TRUE(IsMixerRunning(MixerKind::Playback));

  // The user closes the recording mixer; the playback mixer stays.
  ASSERT_EQ(::kill(static_cast<pid_t>(path.StartedPids()[0]), SIGTERM), 0);
  ASSERT_TRUE(WaitUntilStopped(MixerKind::Recording));
  EXPECT_TRUE(IsMixerRunning(MixerKind::Playback));

  StartMixerProgram(MixerKind::Recording);
  const QStringList again = path.Starts(3);
  ASSERT_EQ(again.size(), 3);
  EXPECT_TRUE(again[2].endsWith(QStringLiteral(" --tab=4")));
  EXPECT_TRUE(IsMixerRunning(MixerKind::Recording));
}

// A mixer the user opened from the desktop counts as open, also once an upgrade replaced its
// program file under it: no second one is started.
TEST(MixerStart, AMixerTheUserOpenedIsNotStartedAgain) {
  FakePath path;
  path.AddMixer(QStringLiteral("pavucontrol"));
  UserMixer user(path.Path(QStringLiteral("pavucontrol")));
  ASSERT_TRUE(user.WaitUntilRunning());

  EXPECT_TRUE(IsMixerRunning(MixerKind::Recording));
  path.AddMixer(QStringLiteral("pavucontrol"));  // a new file in place of the running one
  EXPECT_TRUE(IsMixerRunning(MixerKind::Recording));
  EXPECT_TRUE(IsMixerRunning(MixerKind::Playback));
  StartMixerProgram(MixerKind::Recording);
  StartMixerProgram(MixerKind::Playback);
  QThread::msleep(300);  // a wrongly started mixer would have logged by now
  EXPECT_FALSE(QFile::exists(path.LogPath()));

  // Once the user closed it, the command starts one.
  user.Close();
  EXPECT_FALSE(IsMixerRunning(MixerKind::Recording));
  StartMixerProgram(MixerKind::Recording);
  EXPECT_EQ(path.Starts(1).size(), 1);
}

// A program that only shares the mixer's name (another copy, another test's fake) is not the
// mixer that would be started: it neither counts as open nor keeps ours from starting.
TEST(MixerStart, AProgramOfTheSameNameElsewhereIsNotTakenForTheMixer) {
  FakePath path;
  path.AddMixer(QStringLiteral("pavucontrol"));
  QTemporaryDir elsewhere;
  const QString otherCopy = elsewhere.filePath(QStringLiteral("pavucontrol"));
  CopyFakeMixer(otherCopy);
  UserMixer other(otherCopy);
  ASSERT_TRUE(other.WaitUntilRunning());

  EXPECT_FALSE(IsMixerRunning(MixerKind::Recording));
  EXPECT_FALSE(IsMixerRunning(MixerKind::Playback));
  StartMixerProgram(MixerKind::Recording);
  EXPECT_EQ(path.Starts(1).size(), 1);
  EXPECT_TRUE(IsMixerRunning(MixerKind::Recording));
}

TEST(HelpPages, UrlOpensTheIndexAtTheKeywordAnchor) {
  const QUrl url = HelpUrl(QStringLiteral("/opt/cw keblor/help/index.html"), "CONTENTS");
  EXPECT_TRUE(url.isLocalFile());
  EXPECT_EQ(url.toLocalFile(), QStringLiteral("/opt/cw keblor/help/index.html"));
  EXPECT_EQ(url.fragment(), QStringLiteral("CONTENTS"));
  EXPECT_EQ(url.toEncoded(), QByteArray("file:///opt/cw%20keblor/help/index.html#CONTENTS"));
}

TEST(HelpPages, FirstFolderWithAnIndexWins) {
  QTemporaryDir root;
  QDir(root.path()).mkpath(QStringLiteral("empty"));
  QDir(root.path()).mkpath(QStringLiteral("a"));
  QDir(root.path()).mkpath(QStringLiteral("b"));
  for (const char* dir : {"a", "b"}) {
    QFile index(root.filePath(QString::fromLatin1(dir) + QStringLiteral("/index.html")));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
  }
  const QStringList dirs{root.filePath(QStringLiteral("missing")),
                         root.filePath(QStringLiteral("empty")), root.filePath(QStringLiteral("a")),
                         root.filePath(QStringLiteral("b"))};
  EXPECT_EQ(FindHelpIndex(dirs), root.filePath(QStringLiteral("a/index.html")));
  EXPECT_EQ(FindHelpIndex(dirs.mid(0, 2)), QString());
  EXPECT_EQ(FindHelpIndex({}), QString());
}

// Installed next to the program first; from the build folder the source tree's pages.
TEST(HelpPages, SearchStartsBesideTheProgramAndFindsThePagesFromTheBuild) {
  const QStringList dirs = HelpSearchDirs();
  ASSERT_FALSE(dirs.isEmpty());
  EXPECT_EQ(dirs.first(), QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                          QStringLiteral("/../share/keblor/help")));
  const QString index = FindHelpIndex(dirs);
  ASSERT_FALSE(index.isEmpty());
  QFile file(index);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("id=\"CONTENTS\""));
}

TEST(ProgramIcon, IsCompiledInAt32Pixels) {
  const QIcon icon = ProgramIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
  const QImage image = icon.pixmap(QSize(32, 32)).toImage();
  ASSERT_EQ(image.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(image.pixel(16, 16)), 255);  // the middle is drawn, not transparent
}

}  // namespace
}  // namespace keblor

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
