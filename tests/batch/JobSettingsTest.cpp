#include "common/BatchTestSupport.h"

#include "batch/JobSettings.h"
#include "support/StdModul.h"
#include "support/StdRegistry.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

void Store(const QString& name, const QString& text)
{
    StdRegistry::SaveRegString(1, StdRegistry::GetSettingsKey(), name, text);
}

} // namespace

TEST(JobSettingsStart, FirstStartUsesThePictureFolderAndTheDefaults)
{
    apptest::PrivateStore store;
    const batch::StartSettings start = batch::ReadStartSettings(QString());
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    EXPECT_EQ(start.source, pictures);
    EXPECT_EQ(start.target, StdModul::NormalizeFolder(pictures) + "_klein");
    EXPECT_FALSE(start.includeSubfolders);
    EXPECT_EQ(start.quality, 80);
    EXPECT_EQ(start.size, "640");
}

TEST(JobSettingsStart, FolderArgumentIgnoresTheStoredFoldersButNotTheRest)
{
    apptest::PrivateStore store;
    QTemporaryDir dir;
    Store(batch::kSourcePathValue, "/stored/source");
    Store(batch::kDestPathValue, "/stored/target");
    Store(batch::kSubPathValue, "1");
    Store(batch::kQualityValue, "55");
    Store(batch::kSizeValue, "40%");
    const batch::StartSettings start = batch::ReadStartSettings(dir.path() + "/");
    EXPECT_EQ(start.source, dir.path());
    EXPECT_EQ(start.target, dir.path() + "_klein");
    EXPECT_TRUE(start.includeSubfolders);
    EXPECT_EQ(start.quality, 55);
    EXPECT_EQ(start.size, "40%");
}

TEST(JobSettingsStart, QuotedFileArgumentWithBlanksAndTwoDots)
{
    apptest::PrivateStore store;
    const batch::StartSettings start = batch::ReadStartSettings("\"/home/u/Meine Bilder/a.b.jpg\" ignored");
    EXPECT_EQ(start.source, "/home/u/Meine Bilder/a.b.jpg");
    EXPECT_EQ(start.target, "/home/u/Meine Bilder/a.b_klein.jpg");
}

TEST(JobSettingsStart, AFileArgumentKeepsTheBlanksOfItsName)
{
    apptest::PrivateStore store;
    EXPECT_EQ(batch::ReadStartSettings("\"/home/u/ c.jpg\"").target, "/home/u/ c_klein.jpg");
}

TEST(JobSettingsStart, EmptyStoredTargetIsDerivedFromTheStoredSource)
{
    apptest::PrivateStore store;
    Store(batch::kSourcePathValue, "/data/Bilder/");
    Store(batch::kDestPathValue, "");
    const batch::StartSettings start = batch::ReadStartSettings(QString());
    EXPECT_EQ(start.source, "/data/Bilder/");
    EXPECT_EQ(start.target, "/data/Bilder_klein");
}

TEST(JobSettingsStart, StoredValuesTheProgramNeverWritesAreMended)
{
    apptest::PrivateStore store;
    const std::pair<const char*, int> qualities[] = {{"5", 10},    {"250", 100}, {"-3", 10},   {"abc", 80}, {"", 80},
                                                     {"72.5", 72}, {"73.5", 74}, {"&H20", 32}, {"1e99", 80}};
    for (const auto& [text, expected] : qualities) {
        Store(batch::kQualityValue, text);
        EXPECT_EQ(batch::ReadStartSettings(QString()).quality, expected) << text;
    }
    for (const char* text : {"2", "-1", "yes", " 1", ""}) {
        Store(batch::kSubPathValue, text);
        EXPECT_FALSE(batch::ReadStartSettings(QString()).includeSubfolders) << text;
    }
}

TEST(JobSettingsTarget, FollowsTheSource)
{
    EXPECT_EQ(batch::DerivedTarget("/data/Bilder/"), "/data/Bilder_klein");
    EXPECT_EQ(batch::DerivedTarget("/data/Bilder"), "/data/Bilder_klein");
    EXPECT_EQ(batch::DerivedTarget("/"), "/_klein");
    EXPECT_EQ(batch::DerivedTarget(""), "_klein");
    EXPECT_EQ(batch::DerivedTarget("/x/a.jpg"), "/x/a.jpg_klein");
}

TEST(JobSettingsCommandLine, EveryArgumentComesBackWholeThroughCutArgument)
{
    const QStringList arguments{
        "/plain/path", "/Meine Bilder/a b.jpg", "say \"cheese\".jpg", "'quoted'", "", "tab\there", "\"", "ü/𝄞.jpg"};
    QString commandLine = batch::CommandLineFromArguments(arguments);
    for (const QString& argument : arguments)
        EXPECT_EQ(StdModul::CutArgument(commandLine), argument);
    EXPECT_TRUE(commandLine.isEmpty());
    EXPECT_EQ(batch::CommandLineFromArguments({"/a b"}), "\"/a b\"");
}
