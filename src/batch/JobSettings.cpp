#include "JobSettings.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/Numeric.h"
#include "platform/Registry.h"
#include "support/StdModul.h"
#include "support/StdRegistry.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace batch {

namespace {

constexpr std::int32_t kCurrentUser = 1;

QString Stored(const QString& name, const QString& fallback)
{
    return StdRegistry::GetRegValue(kCurrentUser, StdRegistry::GetSettingsKey(), name, fallback);
}

void Store(const QString& name, const QString& text)
{
    StdRegistry::SaveRegString(kCurrentUser, StdRegistry::GetSettingsKey(), name, text);
}

// The working folder's bytes; empty when it cannot be told (removed, or too long).
QByteArray WorkingFolder()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (std::size_t{1} << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return QByteArray(buffer.data());
}

std::int32_t ReadQuality(const QString& text)
{
    std::int32_t quality = kDefaultQuality;
    errors::IgnoreErrors([&] {
        bool found = false;
        const double number = numeric::LeadingNumber(text, &found);
        if (found)
            quality = std::clamp(numeric::ToInt32(number), kMinQuality, kMaxQuality);
    });
    return quality;
}

} // namespace

QString DerivedTarget(const QString& source)
{
    return StdModul::NormalizeFolder(source) + QStringLiteral("_klein");
}

QString StartTarget(const QString& argument)
{
    if (StdModul::FolderExists(argument))
        return StdModul::NormalizeFolder(argument) + QStringLiteral("_klein");
    return StdModul::GetFolderPart(argument) + StdModul::GetBaseName(argument) + QStringLiteral("_klein.jpg");
}

StartSettings ReadStartSettings(const QString& commandLine)
{
    StartSettings settings;
    QString rest = commandLine;
    const QString argument = StdModul::CutArgument(rest);

    if (!argument.isEmpty()) {
        settings.source = StdModul::FolderExists(argument) ? StdModul::NormalizeFolder(argument) : argument;
        settings.target = StartTarget(argument);
    } else {
        const QString pictures = StdRegistry::GetRegValue(kCurrentUser, platform::kShellFoldersKey,
                                                          platform::kMyPicturesValue, QString());
        settings.source = Stored(kSourcePathValue, pictures);
        settings.target = Stored(kDestPathValue, QString());
        if (settings.target.isEmpty())
            settings.target = DerivedTarget(settings.source);
    }

    settings.includeSubfolders = Stored(kSubPathValue, QStringLiteral("0")) == QStringLiteral("1");
    settings.quality = ReadQuality(Stored(kQualityValue, QString::number(kDefaultQuality)));
    settings.size = Stored(kSizeValue, kDefaultSize);
    return settings;
}

QStringList ProgramArguments(int argc, char** argv)
{
    QStringList arguments;
    const QString workingFolder = StdModul::AddPathSeparator(platform::DecodeFileName(WorkingFolder()));
    for (int i = 1; i < argc; ++i) {
        QString argument = platform::DecodeFileName(QByteArray(argv[i]));
        if (!argument.isEmpty() && !argument.startsWith(StdModul::PathSeparator()))
            argument = workingFolder + (argument.startsWith(QLatin1String("./")) ? argument.mid(2) : argument);
        arguments << argument;
    }
    return arguments;
}

QString CommandLineFromArguments(const QStringList& arguments)
{
    QStringList parts;
    for (const QString& argument : arguments) {
        const bool needsQuotes = argument.isEmpty() || argument.startsWith(u'\'')
            || std::any_of(argument.begin(), argument.end(), [](QChar c) { return c.unicode() <= 32 || c == u'"'; });
        if (needsQuotes) {
            QString quoted = argument;
            quoted.replace(u'"', QStringLiteral("\"\""));
            parts << u'"' + quoted + u'"';
        } else {
            parts << argument;
        }
    }
    return parts.join(u' ');
}

void SaveFolderSettings(const QString& sourceText, const QString& targetText, bool includeSubfolders)
{
    Store(kSourcePathValue, sourceText);
    Store(kDestPathValue, targetText);
    Store(kSubPathValue, includeSubfolders ? QStringLiteral("1") : QStringLiteral("0"));
}

void SaveQualityAndSize(std::int32_t quality, const QString& sizeText)
{
    Store(kQualityValue, QString::number(quality));
    Store(kSizeValue, sizeText);
}

} // namespace batch
