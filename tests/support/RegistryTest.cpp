#include "common/StoreFixture.h"
#include "common/TestFiles.h"

#include "platform/Registry.h"
#include "support/StdRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <functional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using StdRegistry::GetRegValue;
using StdRegistry::SaveRegString;
using testfiles::ReadFile;
using testfiles::WriteFile;

using RegistryTest = StoreTest;

namespace {

// The damaged stores set aside next to the store.
QStringList SetAsideFiles()
{
    const QFileInfo store(RegistryStorePath());
    return QDir(store.absolutePath())
        .entryList({store.fileName() + ".damaged-*"}, QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

TEST_F(RegistryTest, StoreLivesInTheConfigurationFolderAndKeepsFirstSpellings)
{
    EXPECT_EQ(RegistryStorePath(), ConfigDir() + "/zimbrel/registry.json");
    EXPECT_FALSE(QFile::exists(RegistryStorePath()));
    SaveRegString(1, "Software\\MixedCase", "SourcePath", "/a");
    SaveRegString(1, "SOFTWARE\\MIXEDCASE", "SOURCEPATH", "/b");
    const QByteArray json = ReadFile(RegistryStorePath());
    EXPECT_TRUE(json.contains("\"MixedCase\""));
    EXPECT_TRUE(json.contains("\"SourcePath\""));
    EXPECT_FALSE(json.contains("SOURCEPATH"));
    EXPECT_EQ(GetRegValue(1, "software\\mixedcase", "sourcepath", "d"), "/b");
}

TEST_F(RegistryTest, HandlesAndAccessRightsAreChecked)
{
    HKEY key = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\H", 0, {}, 0, KEY_QUERY_VALUE, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, {"x", {}}, 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);

    HKEY again = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\h", 0, {}, 0, 0x3F, nullptr, &again, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(RegSetValueExA(again, "v", 0, REG_SZ, {"xyz", {}}, 2), ERROR_SUCCESS);
    RegData data;
    std::uint32_t count = 1;
    std::uint32_t type = 0;
    EXPECT_EQ(RegQueryValueExA(again, "v", nullptr, &type, &data, &count), ERROR_MORE_DATA);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(RegQueryValueExA(again, "v", nullptr, &type, &data, &count), ERROR_SUCCESS);
    EXPECT_EQ(data.text, QString("xy") + QChar(0));
    RegCloseKey(again);

    HKEY none = 0;
    EXPECT_EQ(RegOpenKeyExA(-1, "Software", 0, KEY_QUERY_VALUE, &none), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\\\H", 0, KEY_QUERY_VALUE, &none), ERROR_FILE_NOT_FOUND);
    HKEY parent = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_QUERY_VALUE, &parent), ERROR_SUCCESS);
    EXPECT_EQ(RegCreateKeyExA(parent, "New", 0, {}, 0, 0x3F, nullptr, &none, &disposition), ERROR_ACCESS_DENIED);
    HKEY child = 0;
    EXPECT_EQ(RegOpenKeyExA(parent, "H", 0, KEY_QUERY_VALUE, &child), ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(parent);
}

TEST_F(RegistryTest, DamagedStoreReadsAsEmptyAndIsKeptAsideBeforeANewOne)
{
    const QByteArray garbage = "{ \"format\": \"zimbrel-registry\", \"roots\": [ truncated";
    ASSERT_TRUE(WriteFile(RegistryStorePath(), garbage));
    EXPECT_EQ(GetRegValue(1, "Software\\X", "v", "dflt"), "dflt");
    EXPECT_TRUE(SetAsideFiles().isEmpty()) << "reading must not move the store";
    EXPECT_EQ(ReadFile(RegistryStorePath()), garbage);

    SaveRegString(1, "Software\\X", "v", "new");
    EXPECT_EQ(GetRegValue(1, "Software\\X", "v", "dflt"), "new");
    const QStringList aside = SetAsideFiles();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadFile(QFileInfo(RegistryStorePath()).absolutePath() + "/" + aside[0]), garbage);

    // Well-formed JSON that is not a store counts as damaged too.
    ASSERT_TRUE(WriteFile(RegistryStorePath(), "[1, 2, 3]"));
    EXPECT_EQ(GetRegValue(1, "Software\\X", "v", "dflt"), "dflt");
    SaveRegString(1, "Software\\X", "w", "again");
    EXPECT_EQ(SetAsideFiles().size(), 2);
    EXPECT_EQ(GetRegValue(1, "Software\\X", "w", "dflt"), "again");
}

TEST_F(RegistryTest, UnreadableStoreGivesDefaultsAndIsKeptAside)
{
    // A folder in the store's place cannot be read as a file, whoever runs the test.
    ASSERT_TRUE(QDir().mkpath(RegistryStorePath()));
    ASSERT_TRUE(WriteFile(RegistryStorePath() + "/inside", "keep me"));
    EXPECT_EQ(GetRegValue(1, "Software\\X", "v", "dflt"), "dflt");
    SaveRegString(1, "Software\\X", "v", "fresh");
    EXPECT_EQ(GetRegValue(1, "Software\\X", "v", "dflt"), "fresh");
    const QStringList aside = SetAsideFiles();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadFile(QFileInfo(RegistryStorePath()).absolutePath() + "/" + aside[0] + "/inside"), "keep me");
}

// What can stand in the store's place and must neither hang nor fill the memory: the
// read gives the defaults, and the next write sets it aside and starts a good store.
TEST_F(RegistryTest, AStoreThatIsNoSmallRegularFileGivesDefaultsAndIsSetAside)
{
    struct Case {
        const char* what;
        std::function<bool(const QByteArray&)> make;
    };
    const std::vector<Case> cases = {
        {"a link to an endless device", [](const QByteArray& p) { return ::symlink("/dev/zero", p) == 0; }},
        {"a FIFO nobody writes to", [](const QByteArray& p) { return ::mkfifo(p, 0600) == 0; }},
        {"a 3 GiB sparse file",
         [](const QByteArray& p) {
             return WriteFile(QFile::decodeName(p), "") && ::truncate(p, qint64{3} << 30) == 0;
         }},
    };
    const QString folder = QFileInfo(RegistryStorePath()).absolutePath();
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& old : SetAsideFiles())
            ASSERT_TRUE(QFile::remove(folder + "/" + old));
        QFile::remove(RegistryStorePath());
        ASSERT_TRUE(c.make(QFile::encodeName(RegistryStorePath())));
        EXPECT_EQ(GetRegValue(1, "Software\\X", "v", "dflt"), "dflt");
        SaveRegString(1, "Software\\X", "v", "fresh");
        EXPECT_EQ(GetRegValue(1, "Software\\X", "v", "dflt"), "fresh");
        EXPECT_EQ(SetAsideFiles().size(), 1);
    }
}

TEST_F(RegistryTest, StoredTextSurvivesNulsAndEveryPlane)
{
    const QString text = QString("a") + QChar(0) + QString::fromUtf8("ü𝄞") + QChar(0) + QChar(0);
    HKEY key = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\N", 0, {}, 0, 0x3F, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "m", 0, REG_MULTI_SZ, {text, {}}, text.size()), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "b", 0, REG_BINARY, {{}, QByteArray("\0\x80\xff", 3)}, 3), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(GetRegValue(1, "Software\\N", "m", "d"), QString::fromUtf8("a\r\nü𝄞\r\n"));
    EXPECT_EQ(GetRegValue(1, "Software\\N", "b", "d"), QString::fromLatin1("\0\x80\xff", 3));
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceKeepBothValues)
{
    constexpr int kCount = 150;
    QProcess first;
    QProcess second;
    first.start(ZIMBREL_REGISTRY_WRITER, {"Software\\Race", "A", QString::number(kCount)});
    second.start(ZIMBREL_REGISTRY_WRITER, {"Software\\Race", "B", QString::number(kCount)});
    ASSERT_TRUE(first.waitForFinished(120000));
    ASSERT_TRUE(second.waitForFinished(120000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(second.exitCode(), 0);
    for (int i = 0; i < kCount; ++i) {
        for (const QString prefix : {"A", "B"}) {
            const QString name = prefix + QString::number(i);
            EXPECT_EQ(GetRegValue(1, "Software\\Race", name, "missing"), name);
        }
    }
    EXPECT_TRUE(SetAsideFiles().isEmpty());
}

TEST_F(RegistryTest, AReadWhileAnotherProgramLengthensTheValueSeesOneVersion)
{
    SaveRegString(1, "Software\\Grow", "v", "x");
    QProcess writer;
    writer.start(ZIMBREL_REGISTRY_WRITER, {"--grow", "Software\\Grow", "v", "150"});
    ASSERT_TRUE(writer.waitForStarted());
    int reads = 0;
    do {
        const QString text = GetRegValue(1, "Software\\Grow", "v", "missing");
        ++reads;
        // Only ever a whole version: never empty, never the default, never cut short.
        ASSERT_FALSE(text.isEmpty()) << "read " << reads;
        ASSERT_EQ(text, QString(text.size(), u'x')) << "read " << reads;
    } while (!writer.waitForFinished(0));
    EXPECT_EQ(writer.exitCode(), 0);
    EXPECT_EQ(GetRegValue(1, "Software\\Grow", "v", "missing"), QString(151, u'x'));
}

TEST_F(RegistryTest, UnreadableEntriesReadAsMissingAndEverythingElseSurvivesWrites)
{
    // A hand-edited store: the quality's type is a word, and parts a later version may
    // have added (a field on top, a root, a known root in another form, fields on a key
    // and a value, an odd subkey).
    const QByteArray edited = R"({
      "format": "zimbrel-registry", "version": 1, "written-by": "a later Zimbrel",
      "roots": {
        "HKEY_SOMEWHERE_ELSE": {"anything": [1, 2]},
        "HKEY_LOCAL_MACHINE": ["a root in a later form"],
        "HKEY_CURRENT_USER": {"name": "HKEY_CURRENT_USER", "values": [], "keys": [
          {"name": "Software", "values": [], "keys": [
            {"name": "Quarzlicht Software", "values": [], "keys": [
              {"name": "Zimbrel", "colour": "blue", "keys": [7], "values": [
                {"name": "SourcePath", "type": 1, "text": "/home/a/Bilder\u0000"},
                {"name": "DestPath", "type": 1, "text": "/home/a/klein\u0000", "note": "kept"},
                {"name": "SubPath", "type": 1, "text": "1\u0000"},
                {"name": "Quality", "type": "REG_SZ", "text": "80\u0000"},
                {"name": "Size", "type": 1, "text": "40%\u0000"},
                {"name": "Blob", "type": 3, "bytes": "not base64!"}
              ]}]}]}]}
      }
    })";
    ASSERT_TRUE(WriteFile(RegistryStorePath(), edited));
    const QString key = StdRegistry::GetSettingsKey();
    EXPECT_EQ(GetRegValue(1, key, "SourcePath", "d"), "/home/a/Bilder");
    EXPECT_EQ(GetRegValue(1, key, "DestPath", "d"), "/home/a/klein");
    EXPECT_EQ(GetRegValue(1, key, "SubPath", "d"), "1");
    EXPECT_EQ(GetRegValue(1, key, "Size", "d"), "40%");
    EXPECT_EQ(GetRegValue(1, key, "Quality", "d"), "d");
    EXPECT_EQ(GetRegValue(1, key, "Blob", "d"), "d");

    SaveRegString(1, key, "Size", "800");
    EXPECT_TRUE(SetAsideFiles().isEmpty());
    const QByteArray rewritten = ReadFile(RegistryStorePath());
    for (const char* kept : {"\"written-by\"", "\"HKEY_SOMEWHERE_ELSE\"", "\"anything\"", "a root in a later form",
                             "\"colour\"", "\"note\"", "\"REG_SZ\"", "not base64!"})
        EXPECT_TRUE(rewritten.contains(kept)) << kept;
    EXPECT_EQ(GetRegValue(1, key, "SourcePath", "d"), "/home/a/Bilder");
    EXPECT_EQ(GetRegValue(1, key, "Size", "d"), "800");

    // Writing the unreadable value replaces it.
    SaveRegString(1, key, "Quality", "75");
    EXPECT_EQ(GetRegValue(1, key, "Quality", "d"), "75");
    EXPECT_FALSE(ReadFile(RegistryStorePath()).contains("\"REG_SZ\""));
    EXPECT_EQ(GetRegValue(1, key, "DestPath", "d"), "/home/a/klein");
}

TEST_F(RegistryTest, ASettingSavedAsItStandsLeavesTheStoreFileAlone)
{
    // The window saves every setting as it closes; the file (replaced by a rename on every
    // write, so a new inode) is written only when something changed.
    const auto inode = [] {
        struct stat info {};
        EXPECT_EQ(::stat(QFile::encodeName(RegistryStorePath()).constData(), &info), 0);
        return info.st_ino;
    };
    SaveRegString(1, "Software\\Zimbrel", "Quality", "80");
    const auto written = inode();
    SaveRegString(1, "Software\\Zimbrel", "Quality", "80");
    SaveRegString(1, "Software\\Zimbrel", "quality", "80");
    EXPECT_EQ(inode(), written);
    SaveRegString(1, "Software\\Zimbrel", "Quality", "81");
    EXPECT_NE(inode(), written);
    EXPECT_EQ(GetRegValue(1, "Software\\Zimbrel", "Quality", ""), "81");
}
