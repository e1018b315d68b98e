#pragma once
// The five job settings: where they come from at start (command line or store), how the
// target follows the source, and when they are written back. Widget-free: the main
// window puts these values into its controls.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace batch {

// Names of the stored values under the program's settings key.
inline const QString kSourcePathValue = QStringLiteral("SourcePath");
inline const QString kDestPathValue = QStringLiteral("DestPath");
inline const QString kSubPathValue = QStringLiteral("SubPath");
inline const QString kQualityValue = QStringLiteral("Quality");
inline const QString kSizeValue = QStringLiteral("Size");

constexpr std::int32_t kMinQuality = 10;
constexpr std::int32_t kMaxQuality = 100;
constexpr std::int32_t kDefaultQuality = 80;
// The longer edge in pixels when the size text names none (or 0), and the size text the
// program starts with.
constexpr std::int32_t kDefaultLongEdge = 640;
inline const QString kDefaultSize = QString::number(kDefaultLongEdge);

// What the main window shows when it opens.
struct StartSettings {
    QString source;
    QString target;
    bool includeSubfolders = false;
    std::int32_t quality = kDefaultQuality;
    QString size = kDefaultSize;
};

// Reads the start values: the first argument of commandLine (a folder: it and it +
// "_klein"; a file: it and its folder + base name + "_klein.jpg"), else the stored
// source and target (the user's picture folder and the derived target by default).
// The subfolder switch, quality and size always come from the store; values the program
// never writes are mended: a quality outside kMinQuality..kMaxQuality is clamped, text
// without a leading number gives kDefaultQuality, a switch other than "0" or "1" means off.
StartSettings ReadStartSettings(const QString& commandLine);

// The target a folder or picture named at start gets: a folder + "_klein", a picture its
// folder + base name + "_klein.jpg" (so a picture's copy lies beside it).
QString StartTarget(const QString& argument);

// The target that follows a source: the source without one trailing separator, + "_klein".
QString DerivedTarget(const QString& source);

// The program's arguments (argv[1] on) as the file system names them: bytes kept
// exactly (platform::DecodeFileName), and a relative path made absolute against the
// working folder at start, so that "zimbrel Urlaub" means ./Urlaub and its target
// ./Urlaub_klein wherever the program later creates folders.
QStringList ProgramArguments(int argc, char** argv);

// Rebuilds a command line from arguments the system has already split, quoting each one
// the way StdModul::CutArgument reads it back (in double quotes, a double quote doubled)
// when it is empty or holds a blank, a control character or a quote.
QString CommandLineFromArguments(const QStringList& arguments);

// Writes the folder settings (the box texts as they stand, the switch as "0" or "1").
void SaveFolderSettings(const QString& sourceText, const QString& targetText, bool includeSubfolders);
// Writes quality (as a decimal number) and size (the text unchanged).
void SaveQualityAndSize(std::int32_t quality, const QString& sizeText);

} // namespace batch
