#pragma once
// Desktop integration for the Qt program: the sound mixers behind "Input controls..." and
// "Output controls...", the help pages and the program icon. Called on the GUI thread only.
// Nothing here reports a failure: a missing mixer is passed over silently.

#include <QIcon>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>
#include <string>

#include "app/views.h"  // MixerKind

namespace keblor {

// A mixer program found on PATH, with the arguments that open it at the wanted page.
struct MixerCommand {
  QString program;  // absolute path
  QStringList arguments;
};

// The first graphical mixer installed, in order of preference: pavucontrol (on its input or
// output devices tab), pwvucontrol, the GNOME sound settings. Looked up on PATH at each call.
std::optional<MixerCommand> FindMixerCommand(MixerKind mixer);

// True while the mixer this program last started for `mixer` is still running, or while the
// user runs the mixer program that would be started (opened from the desktop, say): a process of
// this user runs that very program file. A program of the same name elsewhere does not count.
bool IsMixerRunning(MixerKind mixer);

// Starts the mixer for `mixer` detached from this program (it outlives it), unless the one
// started before is still running. Does nothing when no mixer is installed.
void StartMixerProgram(MixerKind mixer);

// Folders searched for the help pages, first match wins: next to an installed program
// (<prefix>/bin/../share/keblor/help), the configured install folder, then the source tree,
// so a program run from its build folder finds them too.
QStringList HelpSearchDirs();

// The help contents page in the first folder of `dirs` that has one, or an empty string.
QString FindHelpIndex(const QStringList& dirs);

// The URL that opens `indexPath` at the anchor `keyword` ("CONTENTS").
QUrl HelpUrl(const QString& indexPath, const std::string& keyword);

// Shows a help page inside the program; an empty URL when no help pages were found.
using HelpViewer = std::function<void(const QUrl& page)>;

// The viewer OpenHelpPages hands its page to; the program's entry sets it once its main view
// exists, and clears it (nullptr) before that is gone.
void SetHelpViewer(HelpViewer viewer);

// Hands the help contents page, at the anchor `keyword`, to the viewer; no web browser is
// involved. Does nothing while no viewer is set.
void OpenHelpPages(const std::string& keyword);

// The program's icon ("IDI_ICON"), compiled into the program.
QIcon ProgramIcon();

}  // namespace keblor
