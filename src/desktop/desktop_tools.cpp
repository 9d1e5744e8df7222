#include "desktop/desktop_tools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QStandardPaths>

#include <array>
#include <climits>
#include <cstddef>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace keblor {
namespace {

// Preferred first. Each opens at the page for recording (input devices) or playback (output
// devices) where the program has such a page; nullptr means no argument.
struct MixerCandidate {
  const char* program;
  const char* recordingArgument;
  const char* playbackArgument;
};
constexpr std::array<MixerCandidate, 3> MIXERS{{
    {"pavucontrol", "--tab=4", "--tab=3"},
    {"pwvucontrol", nullptr, nullptr},
    {"gnome-control-center", "sound", "sound"},
}};

// A mixer we started, known by its process id and the kernel's start time of that process,
// so that a later process that happens to get the same id is not taken for it.
struct StartedMixer {
  qint64 pid = 0;
  unsigned long long startTime = 0;
};

std::array<StartedMixer, 2>& StartedMixers() {
  static std::array<StartedMixer, 2> started{};
  return started;
}

HelpViewer& CurrentHelpViewer() {
  static HelpViewer viewer;
  return viewer;
}

StartedMixer& StartedFor(MixerKind mixer) {
  return StartedMixers()[mixer == MixerKind::Recording ? 0 : 1];
}

// The start time (field 22 of /proc/<pid>/stat) of a live process; 0 when there is no such
// process or it has ended and waits to be reaped.
unsigned long long LiveProcessStartTime(qint64 pid) {
  if (pid <= 0) return 0;
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return 0;
  const QByteArray text = stat.readAll();
  // The command name in field 2 may hold blanks and parentheses: fields resume after the last ')'.
  const qsizetype close = text.lastIndexOf(')');
  if (close < 0) return 0;
  const QList<QByteArray> fields = text.mid(close + 1).simplified().split(' ');
  constexpr qsizetype STATE = 0;        // field 3
  constexpr qsizetype START_TIME = 19;  // field 22
  if (fields.size() <= START_TIME) return 0;
  const QByteArray& state = fields[STATE];
  if (state == "Z" || state == "X" || state == "x") return 0;
  bool ok = false;
  const unsigned long long startTime = fields[START_TIME].toULongLong(&ok);
  return ok ? startTime : 0;
}

// The program file a process runs, as /proc/<pid>/exe names it; empty when that cannot be read
// (another user's process, a kernel thread, one that has ended). A file that was replaced since
// the process started, as a package upgrade does, is named with " (deleted)" appended: the
// process still runs that program, so the suffix is dropped.
QString ProcessExecutable(qint64 pid) {
  const QByteArray link = QStringLiteral("/proc/%1/exe").arg(pid).toLocal8Bit();
  std::array<char, PATH_MAX> target{};
  const ssize_t length = ::readlink(link.constData(), target.data(), target.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return {};
  QByteArray path(target.data(), length);
  const QByteArray deleted(" (deleted)");
  if (path.endsWith(deleted)) path.chop(deleted.size());
  return QFile::decodeName(path);
}

// True when a process of ours (same user) other than those in `except` runs the program file
// `program` (a canonical path): a mixer the user opened by other means. Known by the file rather
// than by the process name, so that a program of the same name elsewhere is not taken for it.
bool UserRunsProgram(const QString& program, const std::array<qint64, 2>& except) {
  const uint user = ::getuid();
  const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& entry : entries) {
    bool isPid = false;
    const qint64 pid = entry.toLongLong(&isPid);
    if (!isPid || pid == ::getpid() || pid == except[0] || pid == except[1]) continue;
    if (ProcessExecutable(pid) != program) continue;
    if (QFileInfo(QStringLiteral("/proc/%1").arg(pid)).ownerId() == user && LiveProcessStartTime(pid) != 0) {
      return true;
    }
  }
  return false;
}

// Starts the command as a process of its own session, its output discarded (the mixer's chatter
// does not belong on our terminal); its process id, or 0. posix_spawn rather than a fork: it
// copies nothing of this large process with its threads.
qint64 SpawnInOwnSession(const MixerCommand& command) {
  const QByteArray program = QFile::encodeName(command.program);
  std::vector<QByteArray> arguments{program};
  for (const QString& argument : command.arguments) arguments.push_back(argument.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return 0;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return 0;
  }
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int result = posix_spawn(&pid, program.constData(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return result == 0 ? pid : 0;
}

}  // namespace

std::optional<MixerCommand> FindMixerCommand(MixerKind mixer) {
  for (const MixerCandidate& candidate : MIXERS) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(candidate.program));
    if (path.isEmpty()) continue;
    MixerCommand command{path, {}};
    const char* argument =
        mixer == MixerKind::Recording ? candidate.recordingArgument : candidate.playbackArgument;
    if (argument != nullptr) command.arguments << QString::fromLatin1(argument);
    return command;
  }
  return std::nullopt;
}

bool IsMixerRunning(MixerKind mixer) {
  const StartedMixer& started = StartedFor(mixer);
  // One of ours that has ended is reaped here; it counts as ended either way.
  if (started.pid > 0) (void)::waitpid(static_cast<pid_t>(started.pid), nullptr, WNOHANG);
  if (started.startTime != 0 && LiveProcessStartTime(started.pid) == started.startTime) return true;
  // One the user opened: the program we would start is already running. Ours for the other
  // page do not count, so that both pages can be opened from here.
  const std::optional<MixerCommand> command = FindMixerCommand(mixer);
  if (!command) return false;
  const QString program = QFileInfo(command->program).canonicalFilePath();
  return !program.isEmpty() &&
         UserRunsProgram(program, {StartedMixers()[0].pid, StartedMixers()[1].pid});
}

void StartMixerProgram(MixerKind mixer) {
  if (IsMixerRunning(mixer)) return;
  const std::optional<MixerCommand> command = FindMixerCommand(mixer);
  if (!command) return;

  StartedMixer& started = StartedFor(mixer);
  const qint64 pid = SpawnInOwnSession(*command);
  started = pid > 0 ? StartedMixer{pid, LiveProcessStartTime(pid)} : StartedMixer{};
}

QStringList HelpSearchDirs() {
  QStringList dirs;
  if (QCoreApplication::instance() != nullptr) {
    dirs << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                            QStringLiteral("/../share/keblor/help"));
  }
  dirs << QStringLiteral(KEBLOR_HELP_INSTALL_DIR) << QStringLiteral(KEBLOR_HELP_SOURCE_DIR);
  dirs.removeDuplicates();
  return dirs;
}

QString FindHelpIndex(const QStringList& dirs) {
  for (const QString& dir : dirs) {
    const QFileInfo index(QDir(dir), QStringLiteral("index.html"));
    if (index.isFile() && index.isReadable()) return index.absoluteFilePath();
  }
  return {};
}

QUrl HelpUrl(const QString& indexPath, const std::string& keyword) {
  QUrl url = QUrl::fromLocalFile(indexPath);
  url.setFragment(QString::fromStdString(keyword));
  return url;
}

void SetHelpViewer(HelpViewer viewer) { CurrentHelpViewer() = std::move(viewer); }

void OpenHelpPages(const std::string& keyword) {
  const HelpViewer& viewer = CurrentHelpViewer();
  if (!viewer) return;
  const QString index = FindHelpIndex(HelpSearchDirs());
  viewer(index.isEmpty() ? QUrl() : HelpUrl(index, keyword));
}

QIcon ProgramIcon() {
  const QPixmap pixmap(QStringLiteral(":/keblor/IDI_ICON"));
  QIcon icon;
  if (!pixmap.isNull()) icon.addPixmap(pixmap);
  return icon;
}

}  // namespace keblor
