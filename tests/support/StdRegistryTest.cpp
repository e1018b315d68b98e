#include "common/StoreFixture.h"

#include "platform/Registry.h"
#include "support/StdRegistry.h"

#include <QStandardPaths>

using namespace StdRegistry;
using namespace platform;

namespace {

// Writes a value of any type through the platform calls, creating the key first.
void PutValue(const QString& path, const QString& name, std::uint32_t type, const RegData& data, std::uint32_t count)
{
    HKEY key = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, {}, 0, 0x3F, nullptr, &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, data, count), ERROR_SUCCESS);
    RegCloseKey(key);
}

} // namespace

using StdRegistryTest = StoreTest;

TEST_F(StdRegistryTest, EveryRootSpellingAddressesTheSameKey)
{
    SaveRegString(1, "Software\\X", "v", "one");
    for (const char* path :
         {"HKEY_CURRENT_USER\\Software\\X", "HKCU\\Software\\X", "HKCU:\\Software\\X", "HKCU/Software/X"})
        EXPECT_EQ(GetRegValue(-1, path, "v", "default"), "one") << path;
    EXPECT_EQ(GetRegValue(static_cast<std::int32_t>(0x80000001u), "Software\\X", "v", "d"), "one");

    SaveRegString(-1, "HKCU:\\Software\\X", "w", "two");
    SaveRegString(-1, "HKCU/Software/X", "z", "three");
    EXPECT_EQ(GetRegValue(1, "Software\\X", "w", "d"), "two");
    EXPECT_EQ(GetRegValue(1, "Software\\X", "z", "d"), "three");

    // Other roots are other keys.
    EXPECT_EQ(GetRegValue(2, "Software\\X", "v", "d"), "d");
    SaveRegString(-1, "HKLM\\Software\\X", "v", "machine");
    EXPECT_EQ(GetRegValue(2, "Software\\X", "v", "d"), "machine");
    EXPECT_EQ(GetRegValue(1, "Software\\X", "v", "d"), "one");
}

TEST_F(StdRegistryTest, RootNamesAreCaseSensitive)
{
    SaveRegString(1, "Software\\X", "v", "one");
    EXPECT_EQ(GetRegValue(-1, "hkcu\\Software\\X", "v", "default"), "default");
    SaveRegString(-1, "hkcu\\Software\\Y", "v", "lost");
    EXPECT_EQ(GetRegValue(1, "Software\\Y", "v", "default"), "default");
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Y", 0, KEY_QUERY_VALUE, &key), ERROR_FILE_NOT_FOUND);

    const char* names[] = {"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                           "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(GetRootKeyIndex(names[i]), i);
    EXPECT_EQ(GetRootKeyIndex("HKCR"), 0);
    EXPECT_EQ(GetRootKeyIndex("HKCU"), 1);
    EXPECT_EQ(GetRootKeyIndex("HKLM"), 2);
    for (const char* other : {"hkcu", "HKU", "Hkey_Users", "", "HKEY_CURRENT_USER "})
        EXPECT_EQ(GetRootKeyIndex(other), -1) << other;
}

TEST_F(StdRegistryTest, ResolveRootKeyChangesSelectorAndPath)
{
    std::int32_t root = -1;
    QString path = "HKCU/Software/X";
    EXPECT_EQ(ResolveRootKey(root, path), static_cast<std::int32_t>(0x80000001u));
    EXPECT_EQ(root, 1);
    EXPECT_EQ(path, "Software\\X");

    root = -1;
    path = "HKEY_LOCAL_MACHINE:\\A\\B";
    EXPECT_EQ(ResolveRootKey(root, path), static_cast<std::int32_t>(0x80000002u));
    EXPECT_EQ(path, "A\\B");

    root = -1;
    path = "Nowhere\\A";
    EXPECT_EQ(ResolveRootKey(root, path), -1);
    EXPECT_EQ(root, -1);
    EXPECT_EQ(path, "A");

    root = 6;
    path = "A/B";
    EXPECT_EQ(ResolveRootKey(root, path), static_cast<std::int32_t>(0x80000006u));
    EXPECT_EQ(path, "A/B");

    root = 12345;
    EXPECT_EQ(ResolveRootKey(root, path), 12345);
}

TEST_F(StdRegistryTest, MissingKeysAndValuesGiveTheDefaultAndWritesRoundTrip)
{
    EXPECT_EQ(GetRegValue(1, "Software\\Missing", "v", "dflt"), "dflt");
    SaveRegString(1, "Software\\A\\B\\C", "Path", "C:\\Bilder");
    EXPECT_EQ(GetRegValue(1, "Software\\A\\B\\C", "Other", "dflt"), "dflt");
    EXPECT_EQ(GetRegValue(1, "Software\\A\\B\\C", "Path", "dflt"), "C:\\Bilder");
    // Names match whatever their letter case.
    EXPECT_EQ(GetRegValue(1, "software\\a\\b\\c", "PATH", "dflt"), "C:\\Bilder");

    // Each level was created on its own.
    for (const char* level : {"Software", "Software\\A", "Software\\A\\B", "Software\\A\\B\\C"}) {
        HKEY key = 0;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, level, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS) << level;
        RegCloseKey(key);
    }

    SaveRegString(1, "Software\\A\\B\\C", "path", "D:\\Neu");
    EXPECT_EQ(GetRegValue(1, "Software\\A\\B\\C", "Path", "dflt"), "D:\\Neu");
    SaveRegString(1, "Software\\A\\B\\C", "Path", "");
    EXPECT_EQ(GetRegValue(1, "Software\\A\\B\\C", "Path", "dflt"), "");

    // The stored string carries its terminator, which the reader drops.
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\A\\B\\C", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    SaveRegString(1, "Software\\A\\B\\C", "Path", "C:\\Bilder");
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Path", nullptr, &type, nullptr, &count), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(count, 10u);
    RegCloseKey(key);

    // A root that does not resolve writes nothing and reads the default.
    SaveRegString(-1, "Nowhere\\Software\\A", "v", "x");
    EXPECT_EQ(GetRegValue(-1, "Nowhere\\Software\\A", "v", "dflt"), "dflt");
}

TEST_F(StdRegistryTest, ValueTypesReadAsText)
{
    const QString nul(QChar(0));
    PutValue("Software\\T", "multi", REG_MULTI_SZ, {"a" + nul + "b" + nul + nul, {}}, 5);
    PutValue("Software\\T", "emptymulti", REG_MULTI_SZ, {}, 0);
    PutValue("Software\\T", "dword", REG_DWORD, {{}, QByteArray("\x50\0\0\0", 4)}, 4);
    PutValue("Software\\T", "minus", REG_DWORD, {{}, QByteArray("\xff\xff\xff\xff", 4)}, 4);
    PutValue("Software\\T", "bin", REG_BINARY, {{}, QByteArray("\x01\xe4\0z", 4)}, 4);
    PutValue("Software\\T", "expand", REG_EXPAND_SZ, {"%HOME%\\x" + nul, {}}, 8);

    EXPECT_EQ(GetRegValue(1, "Software\\T", "multi", "d"), "a\r\nb\r\n");
    EXPECT_EQ(GetRegValue(1, "Software\\T", "emptymulti", "d"), "");
    EXPECT_EQ(GetRegValue(1, "Software\\T", "dword", "d"), "80");
    EXPECT_EQ(GetRegValue(1, "Software\\T", "minus", "d"), "-1");
    EXPECT_EQ(GetRegValue(1, "Software\\T", "bin", "d"), QString::fromLatin1("\x01\xe4\0z", 4));
    EXPECT_EQ(GetRegValue(1, "Software\\T", "expand", "d"), "%HOME%\\x");

    // SetRegValue: other types take one byte per character.
    SetRegValue(1, "Software\\T", "raw", REG_BINARY, QString::fromLatin1("\x7f\xff"), 2);
    EXPECT_EQ(GetRegValue(1, "Software\\T", "raw", "d"), QString::fromLatin1("\x7f\xff"));
    // SetRegValue writes into existing keys only.
    SetRegValue(1, "Software\\T\\Sub", "v", REG_SZ, "x", 1);
    EXPECT_EQ(GetRegValue(1, "Software\\T\\Sub", "v", "d"), "d");
}

TEST_F(StdRegistryTest, AtNamesTheDefaultValue)
{
    SaveRegString(1, "Software\\D", "@", "standard");
    EXPECT_EQ(GetRegValue(1, "Software\\D", "@", "d"), "standard");
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\D", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    std::uint32_t count = 0;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, nullptr, &count), ERROR_SUCCESS);
    EXPECT_EQ(count, 9u);
    EXPECT_EQ(RegQueryValueExA(key, "@", nullptr, nullptr, nullptr, &count), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(StdRegistryTest, UnicodeTextRoundTrips)
{
    const QString text = QString::fromUtf8("Größe ÄÖÜ äöü ß – 📷 𝄞 \\ \" 中文");
    const QString key = QString::fromUtf8("Software\\Bilder für Oma 🎞");
    SaveRegString(1, key, QString::fromUtf8("Wert ü 𝄞"), text);
    EXPECT_EQ(GetRegValue(1, key, QString::fromUtf8("Wert ü 𝄞"), "d"), text);
    EXPECT_EQ(GetRegValue(1, key.toUpper(), QString::fromUtf8("WERT Ü 𝄞"), "d"), text);
}

TEST_F(StdRegistryTest, SettingsKeyNamesTheMakerAndProduct)
{
    const QString first = GetSettingsKey();
    EXPECT_EQ(first, "Software\\Quarzlicht Software\\Zimbrel");
    EXPECT_EQ(GetSettingsKey(), first);
    SaveRegString(1, GetSettingsKey(), "Quality", "80");
    EXPECT_EQ(GetRegValue(-1, "HKCU\\" + GetSettingsKey(), "Quality", "d"), "80");
}

TEST_F(StdRegistryTest, ShellFoldersAnswerThePictureFolderUnlessStored)
{
    const QString shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    ASSERT_FALSE(pictures.isEmpty());
    EXPECT_EQ(GetRegValue(1, shell, "My Pictures", ""), pictures);
    EXPECT_EQ(GetRegValue(1, shell, "Other", "d"), "d");
    SaveRegString(1, shell, "My Pictures", "/srv/bilder");
    EXPECT_EQ(GetRegValue(1, shell, "My Pictures", ""), "/srv/bilder");
}
