#include "StdRegistry.h"

#include "StdModul.h"
#include "platform/Registry.h"
#include "platform/VersionInfo.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace StdRegistry {

namespace {

using namespace platform;

constexpr std::uint32_t kFullAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS
    | KEY_NOTIFY | KEY_CREATE_LINK;

QString RegistryName(const QString& sValueName)
{
    return sValueName == QLatin1String("@") ? QString() : sValueName;
}

// A registry handle that is closed when it goes out of scope.
class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle()
    {
        if (open_)
            RegCloseKey(handle_);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;

    bool Open(HKEY hRoot, const QString& sPath, std::uint32_t access)
    {
        open_ = RegOpenKeyExA(hRoot, sPath, 0, access, &handle_) == ERROR_SUCCESS;
        return open_;
    }
    HKEY get() const { return handle_; }

private:
    HKEY handle_ = 0;
    bool open_ = false;
};

// Text of string-typed data: the first lCount - 1 characters (the terminator dropped).
QString WithoutTerminator(const QString& sData, std::uint32_t lCount)
{
    if (lCount == 0)
        return {};
    return sData.left(lCount - 1);
}

} // namespace

QString GetRegValue(std::int32_t lRootKey, const QString& sKeyPath, const QString& sValueName, const QString& sDefault)
{
    QString path = sKeyPath;
    const HKEY hRoot = ResolveRootKey(lRootKey, path);
    const QString name = RegistryName(sValueName);

    KeyHandle key;
    if (!key.Open(hRoot, path, KEY_QUERY_VALUE))
        return sDefault;
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &count) != ERROR_SUCCESS)
        return sDefault;

    RegData data;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, &data, &count) != ERROR_SUCCESS)
        return {};
    switch (type) {
    case REG_DWORD: {
        std::int32_t number = 0;
        std::memcpy(&number, data.bytes.constData(), std::min<qsizetype>(sizeof number, data.bytes.size()));
        return QString::number(number);
    }
    case REG_MULTI_SZ: {
        QString text = WithoutTerminator(data.text, count);
        StdModul::ReplaceAll(text, QString(QChar(0)), QStringLiteral("\r\n"));
        return text;
    }
    case REG_BINARY:
        return QString::fromLatin1(data.bytes.left(count));
    default:
        if (IsTextType(type))
            return WithoutTerminator(data.text, count);
        return WithoutTerminator(QString::fromLatin1(data.bytes), count);
    }
}

void SaveRegString(std::int32_t lRootKey, const QString& sKeyPath, const QString& sValueName, const QString& sValue)
{
    CreateRegKey(lRootKey, sKeyPath);
    SetRegValue(lRootKey, sKeyPath, sValueName, REG_SZ, sValue, static_cast<std::int32_t>(sValue.size()));
}

void CreateRegKey(std::int32_t lRootKey, const QString& sKeyPath)
{
    QString path = sKeyPath;
    ResolveRootKey(lRootKey, path);
    // The root is resolved now; every level below goes with the resolved selector.
    QString parent;
    while (path.contains(QLatin1Char('\\'))) {
        const QString level = StdModul::CutToken(path, QStringLiteral("\\"));
        CreateRegSubKey(lRootKey, parent, level);
        parent += (parent.isEmpty() ? QString() : QStringLiteral("\\")) + level;
    }
    CreateRegSubKey(lRootKey, parent, path);
}

void CreateRegSubKey(std::int32_t lRootKey, const QString& sParentKeyPath, const QString& sSubKey)
{
    QString parentPath = sParentKeyPath;
    const HKEY hRoot = ResolveRootKey(lRootKey, parentPath);
    KeyHandle parent;
    if (!parent.Open(hRoot, parentPath, KEY_CREATE_SUB_KEY))
        return;
    const SECURITY_ATTRIBUTES security{};
    HKEY created = 0;
    std::uint32_t disposition = 0;
    if (RegCreateKeyExA(parent.get(), sSubKey, 0, QString(), REG_OPTION_NON_VOLATILE, kFullAccess, &security, &created,
                        &disposition)
        == ERROR_SUCCESS)
        RegCloseKey(created);
}

void SetRegValue(std::int32_t lRootKey, const QString& sKeyPath, const QString& sValueName, std::int32_t lType,
                 const QString& sData, std::int32_t lByteCount)
{
    const QString name = RegistryName(sValueName);
    QString path = sKeyPath;
    const HKEY hRoot = ResolveRootKey(lRootKey, path);
    KeyHandle key;
    if (!key.Open(hRoot, path, kFullAccess))
        return;
    const auto type = static_cast<std::uint32_t>(lType);
    RegData data;
    if (IsTextType(type))
        data.text = sData + QChar(0);
    else
        data.bytes = sData.toLatin1();
    // A negative count stores empty data.
    RegSetValueExA(key.get(), name, 0, type, data, static_cast<std::uint32_t>(std::max<std::int32_t>(lByteCount, 0)));
}

std::int32_t ResolveRootKey(std::int32_t& lRootKey, QString& sKeyPath)
{
    if (lRootKey == -1) {
        StdModul::ReplaceAll(sKeyPath, QStringLiteral("/"), QStringLiteral("\\"));
        const QString separator = sKeyPath.contains(QLatin1String(":\\")) ? QStringLiteral(":\\")
                                                                          : QStringLiteral("\\");
        lRootKey = GetRootKeyIndex(StdModul::CutToken(sKeyPath, separator));
    }
    if (lRootKey >= 0 && lRootKey <= 6)
        return static_cast<std::int32_t>(0x80000000u + static_cast<std::uint32_t>(lRootKey));
    return lRootKey;
}

std::int32_t GetRootKeyIndex(const QString& sRootName)
{
    // The first three roots also go by their short names.
    static const std::array<QString, 3> shortNames = {"HKCR", "HKCU", "HKLM"};
    for (std::size_t i = 0; i < kRootKeyNames.size(); ++i) {
        if (sRootName == QLatin1String(kRootKeyNames[i]) || (i < shortNames.size() && sRootName == shortNames[i]))
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

QString GetSettingsKey()
{
    static QString cached;
    if (cached.isEmpty())
        cached = "Software\\" + platform::CompanyName() + "\\" + platform::ProductName();
    return cached;
}

} // namespace StdRegistry
