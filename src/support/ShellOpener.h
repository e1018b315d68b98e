#pragma once
// What ShellOpen asks of the desktop: whether an application opens a kind of file or
// address, and to start opening something. The freedesktop tools (xdg-mime, xdg-open)
// answer by default; tests put a stand-in in their place.

#include <QString>

#include <functional>

namespace StdModul {

// The outcome of an open request as a number: above 32 the opening started, otherwise one
// of the failure codes ShellOpen turns into its messages.
namespace ShellResult {
constexpr int kOutOfResources = 0;
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kAccessDenied = 5;
constexpr int kNoAssociation = 31;
constexpr int kStarted = 42;
} // namespace ShellResult

struct ShellOpener {
    // False when no application is set up for mimeType (a MIME type such as "image/jpeg",
    // or "x-scheme-handler/<scheme>" for an address); true when there is one, or when the
    // desktop cannot tell (the launch then decides).
    std::function<bool(const QString& mimeType)> HasApplication;
    // Starts opening target (an address, a local file or folder; a program is run with
    // parameters) in workingFolder (empty: the program's own); false when nothing started.
    std::function<bool(const QString& target, const QString& parameters, const QString& workingFolder, bool isProgram)>
        Launch;
};

// The freedesktop opener: xdg-mime for the association, xdg-open (or Qt's desktop
// services) to open, programs started directly.
ShellOpener DesktopOpener();

// Replaces the opener ShellOpen uses; an opener with empty functions brings back the
// desktop's.
void SetShellOpener(ShellOpener opener);

// The open request behind ShellOpen: checks that a local target exists and can be read,
// finds its kind, asks the opener for an application and starts it. Returns a
// ShellResult code.
int ShellExecute(const QString& target, const QString& parameters, const QString& workingFolder);

} // namespace StdModul
