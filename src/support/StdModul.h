#pragma once
// The program's stateless toolbox for text and file paths: cutting tokens and arguments,
// replacing and finding words, adding and removing path separators, splitting a path into
// folder, file name and base name, and the three questions put to the disk (create a
// folder path, does a folder exist, does a file exist). No operation raises an error.

#include <QString>

#include <cstdint>

class QObject;

namespace StdModul {

// How a path is spelled. Windows: "\" separates levels ("/" too where splitting), a drive
// root is "C:\", a bare drive "C:". Posix: "/" plays the part of "\", the only drive root
// is "/", and there are no bare drives.
enum class PathStyle { Windows, Posix };

// The style of the system the program runs on.
inline constexpr PathStyle NativeStyle = PathStyle::Posix;

// The separator a style appends and creates folders at: "\" or "/".
QChar PathSeparator(PathStyle eStyle = NativeStyle);

// Text before the first sSeparator; sText keeps what follows it. Without an occurrence the
// whole text is returned and sText becomes empty; an empty separator returns empty text
// and leaves sText alone.
QString CutToken(QString& sText, const QString& sSeparator);

// Takes the next argument off the front of a command line: "double quoted" (two quotes in
// a row stand for one), 'single quoted' or up to the next blank; then drops leading
// characters up to code 32 from what remains.
QString CutArgument(QString& sCommandLine);

// Removes the last iCount characters; the text becomes empty when iCount reaches its
// length, and stays unchanged for iCount <= 0.
void CutRight(QString& sText, std::int16_t iCount);

// Replaces every occurrence of sFind in sText by sReplace, searching on after each
// inserted replacement (so it cannot loop). bIgnoreCase compares letter case folded,
// bWholeWord accepts only occurrences that stand as a word (FindWholeWord). An empty
// sFind does nothing.
void ReplaceAll(QString& sText, const QString& sFind, const QString& sReplace, bool bIgnoreCase = false,
                bool bWholeWord = false);

// 1-based position of the first occurrence of sFind at or after lStart that stands as a
// whole word (no word character right before or after it); 0 when there is none, when
// sFind is empty or when lStart lies beyond the text. lStart below 1 counts as 1.
std::int32_t FindWholeWord(std::int32_t lStart, const QString& sText, const QString& sFind);

// True exactly for one of "A".."Z", "a".."z" and "_" (digits and accented letters are not
// word characters); false for any text that is not one character long.
bool IsWordChar(const QString& sChar);

// Removes leading and trailing blanks (U+0020) only; tabs and other spaces stay.
QString TrimBlanks(const QString& sText);

// The path, trimmed, ending in a separator: "/" for a URL (text holding "://"), the
// style's separator for anything else. Empty stays empty.
QString AddPathSeparator(const QString& sPath, PathStyle eStyle = NativeStyle);

// Removes one trailing separator unless the path is a drive root; completes a bare drive
// to its root ("C:" -> "C:\"). Nothing is trimmed.
QString NormalizeFolder(const QString& sPath, PathStyle eStyle = NativeStyle);

// Everything up to and including the last separator, trimmed; empty without one.
QString GetFolderPart(const QString& sPath, PathStyle eStyle = NativeStyle);

// Everything after the last separator, trimmed; the whole path, trimmed, without one.
QString GetFileName(const QString& sPath, PathStyle eStyle = NativeStyle);

// The file name without its last extension ("a.b.jpg" -> "a.b", "name." -> "name");
// a name whose only dot is its first character gives the part after it (".jpg" -> "jpg").
QString GetBaseName(const QString& sPath, PathStyle eStyle = NativeStyle);

// True for a drive root of the style: "C:\" (Windows) or "/" (Posix).
bool IsDriveRoot(const QString& sPath, PathStyle eStyle = NativeStyle);

// Creates the folder and every missing level above it, one level at a time below the
// path's first component (a drive, or empty for a rooted path), which is never created.
// Levels that exist or cannot be created are passed over; failure shows only in the
// folder being missing afterwards.
void CreateFolderPath(const QString& sPath, PathStyle eStyle = NativeStyle);

// True when the path names an existing, listable folder or an assigned drive root. A path
// ending in "\." or "\.." (in the style's separator) is never a folder; nor is a file.
// Errors of the file system give false.
bool FolderExists(const QString& sPath, PathStyle eStyle = NativeStyle);

// True when the length of the file at sPath can be read: an existing file that is not a
// folder. Empty path and every failure give false.
bool FileExists(const QString& sPath);

// Hands a file, folder, program or address ("https://...", "mailto:...") to the desktop's
// "open", in the working folder GetFolderPart + NormalizeFolder derive from it. Returns
// empty text once the opening has started, "No Parameter" for an empty target (nothing is
// started), or the failure's message ("Datei nicht gefunden", "Verzeichnis nicht
// gefunden", "Nicht-zugeordnete Datei-Erweiterung", ...). Shows nothing and raises
// nothing. owner is the window asking; the desktop is reached through ShellOpener.h.
QString ShellOpen(QObject* owner, const QString& sTarget, const QString& sParameters);

} // namespace StdModul
