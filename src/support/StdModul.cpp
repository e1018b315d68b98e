#include "StdModul.h"

#include "platform/FileAttributes.h"
#include "platform/FileNames.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>

namespace StdModul {

namespace {

const QString kUrlMark = QStringLiteral("://");

bool IsUrl(const QString& sPath)
{
    return sPath.contains(kUrlMark);
}

// Position of the last separator the style splits at, -1 without one.
qsizetype LastSeparator(const QString& sPath, PathStyle eStyle)
{
    const qsizetype slash = sPath.lastIndexOf(QLatin1Char('/'));
    if (eStyle == PathStyle::Posix)
        return slash;
    return std::max(slash, sPath.lastIndexOf(QLatin1Char('\\')));
}

bool IsBareDrive(const QString& sPath, PathStyle eStyle)
{
    return eStyle == PathStyle::Windows && sPath.size() == 2 && sPath.at(1) == QLatin1Char(':');
}

// The path ends in "<sep>." or "<sep>..", which the attribute query refuses.
bool EndsInDotEntry(const QString& sPath, PathStyle eStyle)
{
    const QChar sep = PathSeparator(eStyle);
    return sPath.endsWith(QString(sep) + QLatin1Char('.')) || sPath.endsWith(QString(sep) + QLatin1String(".."));
}

qsizetype IndexOfWholeWord(qsizetype from, const QString& sText, const QString& sFind, Qt::CaseSensitivity cs)
{
    if (sFind.isEmpty())
        return -1;
    for (qsizetype at = sText.indexOf(sFind, from, cs); at >= 0; at = sText.indexOf(sFind, at + 1, cs)) {
        const qsizetype end = at + sFind.size();
        const bool startsWord = at == 0 || !IsWordChar(sText.mid(at - 1, 1));
        const bool endsWord = end >= sText.size() || !IsWordChar(sText.mid(end, 1));
        if (startsWord && endsWord)
            return at;
    }
    return -1;
}

void MakeFolder(const QString& sPath)
{
    if (!sPath.isEmpty())
        ::mkdir(platform::EncodeFileName(sPath).constData(), 0777);
}

} // namespace

QChar PathSeparator(PathStyle eStyle)
{
    return eStyle == PathStyle::Windows ? QLatin1Char('\\') : QLatin1Char('/');
}

QString CutToken(QString& sText, const QString& sSeparator)
{
    if (sSeparator.isEmpty())
        return {};
    const qsizetype at = sText.indexOf(sSeparator);
    if (at < 0)
        return std::exchange(sText, QString());
    QString token = sText.left(at);
    sText.remove(0, at + sSeparator.size());
    return token;
}

QString CutArgument(QString& sCommandLine)
{
    const QString quote = QStringLiteral("\"");
    const QString apostrophe = QStringLiteral("'");
    QString token;
    if (sCommandLine.startsWith(quote)) {
        sCommandLine.remove(0, 1);
        token = CutToken(sCommandLine, quote);
        while (sCommandLine.startsWith(quote)) {
            sCommandLine.remove(0, 1);
            token += quote + CutToken(sCommandLine, quote);
        }
    } else if (sCommandLine.startsWith(apostrophe)) {
        sCommandLine.remove(0, 1);
        token = CutToken(sCommandLine, apostrophe);
    } else {
        token = CutToken(sCommandLine, QStringLiteral(" "));
        sCommandLine = TrimBlanks(sCommandLine);
    }
    qsizetype skip = 0;
    while (skip < sCommandLine.size() && sCommandLine.at(skip).unicode() <= 32)
        ++skip;
    sCommandLine.remove(0, skip);
    return token;
}

void CutRight(QString& sText, std::int16_t iCount)
{
    if (iCount <= 0)
        return;
    if (iCount < sText.size())
        sText.chop(iCount);
    else
        sText.clear();
}

void ReplaceAll(QString& sText, const QString& sFind, const QString& sReplace, bool bIgnoreCase, bool bWholeWord)
{
    if (sFind.isEmpty())
        return;
    // Case folding compares character by character, so positions in the folded text are
    // positions in the text itself (a lower-cased copy may change its length).
    const Qt::CaseSensitivity cs = bIgnoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = bWholeWord ? IndexOfWholeWord(from, sText, sFind, cs) : sText.indexOf(sFind, from, cs);
        if (at < 0)
            return;
        sText.replace(at, sFind.size(), sReplace);
        from = at + sReplace.size();
    }
}

std::int32_t FindWholeWord(std::int32_t lStart, const QString& sText, const QString& sFind)
{
    const qsizetype from = std::max<std::int32_t>(lStart, 1) - 1;
    if (from > sText.size())
        return 0;
    return static_cast<std::int32_t>(IndexOfWholeWord(from, sText, sFind, Qt::CaseSensitive) + 1);
}

bool IsWordChar(const QString& sChar)
{
    if (sChar.size() != 1)
        return false;
    const char16_t c = sChar.at(0).unicode();
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

QString TrimBlanks(const QString& sText)
{
    qsizetype first = 0;
    qsizetype last = sText.size();
    while (first < last && sText.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && sText.at(last - 1) == QLatin1Char(' '))
        --last;
    return sText.mid(first, last - first);
}

QString AddPathSeparator(const QString& sPath, PathStyle eStyle)
{
    QString path = TrimBlanks(sPath);
    if (path.isEmpty())
        return path;
    const QChar sep = IsUrl(path) ? QLatin1Char('/') : PathSeparator(eStyle);
    if (!path.endsWith(sep))
        path += sep;
    return path;
}

QString NormalizeFolder(const QString& sPath, PathStyle eStyle)
{
    const bool endsInSeparator = sPath.endsWith(QLatin1Char('/'))
        || (eStyle == PathStyle::Windows && sPath.endsWith(QLatin1Char('\\')));
    // A drive root keeps its separator; "C:/" is no drive root and loses its slash.
    if (endsInSeparator && !IsDriveRoot(sPath, eStyle))
        return sPath.chopped(1);
    if (IsBareDrive(sPath, eStyle))
        return sPath + QLatin1Char('\\');
    return sPath;
}

QString GetFolderPart(const QString& sPath, PathStyle eStyle)
{
    return TrimBlanks(sPath.left(LastSeparator(sPath, eStyle) + 1));
}

QString GetFileName(const QString& sPath, PathStyle eStyle)
{
    return TrimBlanks(sPath.mid(LastSeparator(sPath, eStyle) + 1));
}

QString GetBaseName(const QString& sPath, PathStyle eStyle)
{
    const QString name = GetFileName(sPath, eStyle);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return name.mid(dot + 1);
    return name.left(dot);
}

bool IsDriveRoot(const QString& sPath, PathStyle eStyle)
{
    if (eStyle == PathStyle::Posix)
        return sPath == QLatin1String("/");
    return sPath.size() == 3 && sPath.mid(1) == QLatin1String(":\\");
}

void CreateFolderPath(const QString& sPath, PathStyle eStyle)
{
    const QString sep(PathSeparator(eStyle));
    if (!sPath.contains(sep)) {
        MakeFolder(sPath);
        return;
    }
    QString rest = sPath;
    QString built = CutToken(rest, sep);
    // A Windows path starts with its drive; a POSIX path with "" (the root) or, when it
    // is relative, with its first folder, which the working folder gets first.
    if (eStyle == PathStyle::Posix)
        MakeFolder(built);
    while (!rest.isEmpty()) {
        built += sep + CutToken(rest, sep);
        MakeFolder(built);
    }
}

bool FolderExists(const QString& sPath, PathStyle eStyle)
{
    if (sPath.isEmpty())
        return false;
    if (IsDriveRoot(sPath, eStyle)) {
        // No drive letters are assigned on this system; its one root always is.
        return eStyle == PathStyle::Posix;
    }
    if (EndsInDotEntry(sPath, eStyle))
        return false;
    // A folder that cannot be listed does not count, even when it exists.
    DIR* listing = ::opendir(platform::EncodeFileName(AddPathSeparator(sPath, eStyle)).constData());
    if (!listing)
        return false;
    ::closedir(listing);
    const std::int32_t attributes = platform::GetFileAttributes(sPath);
    return attributes >= 0 && (attributes & platform::ATTR_DIRECTORY) != 0;
}

bool FileExists(const QString& sPath)
{
    if (sPath.isEmpty())
        return false;
    struct stat st {};
    return ::stat(platform::EncodeFileName(sPath).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace StdModul
