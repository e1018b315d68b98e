#include "support/StdModul.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace StdModul;

namespace {
constexpr PathStyle Win = PathStyle::Windows;
constexpr PathStyle Posix = PathStyle::Posix;
} // namespace

TEST(StdModul, CutTokenSplitsAtTheFirstSeparator)
{
    QString text = "a\\b\\c";
    EXPECT_EQ(CutToken(text, "\\"), "a");
    EXPECT_EQ(text, "b\\c");

    QString key = "HKCU:\\Software";
    EXPECT_EQ(CutToken(key, ":\\"), "HKCU");
    EXPECT_EQ(key, "Software");

    QString posix = "a/b/c";
    EXPECT_EQ(CutToken(posix, "/"), "a");
    EXPECT_EQ(posix, "b/c");

    QString none = "abc";
    EXPECT_EQ(CutToken(none, "/"), "abc");
    EXPECT_EQ(none, "");

    QString kept = "a/b";
    EXPECT_EQ(CutToken(kept, ""), "");
    EXPECT_EQ(kept, "a/b");
}

TEST(StdModul, CutArgumentHandlesQuotesDoubledQuotesAndBlanks)
{
    QString line = "C:\\My Pictures";
    EXPECT_EQ(CutArgument(line), "C:\\My");
    EXPECT_EQ(line, "Pictures");

    line = "\"C:\\My Pictures\"  x";
    EXPECT_EQ(CutArgument(line), "C:\\My Pictures");
    EXPECT_EQ(line, "x");

    line = "\"/home/u/My Pictures\"  x";
    EXPECT_EQ(CutArgument(line), "/home/u/My Pictures");
    EXPECT_EQ(line, "x");

    line = "   x y";
    EXPECT_EQ(CutArgument(line), "");
    EXPECT_EQ(line, "x y");

    line = "\"say \"\"hi\"\"\" rest";
    EXPECT_EQ(CutArgument(line), "say \"hi\"");
    EXPECT_EQ(line, "rest");

    line = "'it''s' z";
    EXPECT_EQ(CutArgument(line), "it");
    EXPECT_EQ(line, "'s' z");

    line = "\"no end";
    EXPECT_EQ(CutArgument(line), "no end");
    EXPECT_EQ(line, "");

    line = "\"a\"\t\r\n b";
    EXPECT_EQ(CutArgument(line), "a");
    EXPECT_EQ(line, "b");

    line = "";
    EXPECT_EQ(CutArgument(line), "");
    EXPECT_EQ(line, "");
}

TEST(StdModul, CutRightRemovesFromTheEnd)
{
    QString text = "abc";
    CutRight(text, 1);
    EXPECT_EQ(text, "ab");
    for (std::int16_t count : {3, 5}) {
        text = "abc";
        CutRight(text, count);
        EXPECT_EQ(text, "") << count;
    }
    for (std::int16_t count : {0, -2}) {
        text = "abc";
        CutRight(text, count);
        EXPECT_EQ(text, "abc") << count;
    }
}

TEST(StdModul, ReplaceAllNeverSearchesItsOwnReplacement)
{
    QString text = "a/b/c";
    ReplaceAll(text, "/", "\\");
    EXPECT_EQ(text, "a\\b\\c");

    text = "aaa";
    ReplaceAll(text, "a", "aa");
    EXPECT_EQ(text, "aaaaaa");

    text = "abcabc";
    ReplaceAll(text, "bc", "");
    EXPECT_EQ(text, "aa");

    text = QString("a") + QChar(0) + "b" + QChar(0);
    ReplaceAll(text, QString(QChar(0)), "\r\n");
    EXPECT_EQ(text, "a\r\nb\r\n");

    text = "abc";
    ReplaceAll(text, "", "x");
    EXPECT_EQ(text, "abc");

    text = "Cat cat CAT";
    ReplaceAll(text, "cat", "dog", true, false);
    EXPECT_EQ(text, "dog dog dog");

    text = "ab_ab ab xab ab";
    ReplaceAll(text, "ab", "Z", false, true);
    EXPECT_EQ(text, "ab_ab Z xab Z");

    text = "AB ab_AB";
    ReplaceAll(text, "ab", "ab ab", true, true);
    EXPECT_EQ(text, "ab ab ab_AB");
}

TEST(StdModul, FindWholeWordTreatsOnlyLettersAndUnderscoreAsWordCharacters)
{
    EXPECT_EQ(FindWholeWord(1, "ab_ab ab", "ab"), 7);
    EXPECT_EQ(FindWholeWord(1, "1ab", "ab"), 2);
    EXPECT_EQ(FindWholeWord(1, "ab", "ab"), 1);
    EXPECT_EQ(FindWholeWord(2, "ab ab", "ab"), 4);
    EXPECT_EQ(FindWholeWord(1, "xab abx", "ab"), 0);
    EXPECT_EQ(FindWholeWord(1, QString::fromUtf8("äab"), "ab"), 2);
    EXPECT_EQ(FindWholeWord(1, "ab", ""), 0);
    EXPECT_EQ(FindWholeWord(9, "ab", "ab"), 0);
    EXPECT_EQ(FindWholeWord(0, "ab", "ab"), 1);

    for (const char* word : {"A", "Z", "a", "z", "_"})
        EXPECT_TRUE(IsWordChar(word)) << word;
    for (const char* other : {"0", "9", "-", " ", "", "ab", "\xc3\xa4"})
        EXPECT_FALSE(IsWordChar(QString::fromUtf8(other))) << other;
}

TEST(StdModul, AddPathSeparatorTrimsBlanksOnlyAndKnowsUrls)
{
    EXPECT_EQ(AddPathSeparator("  C:\\Bilder ", Win), "C:\\Bilder\\");
    EXPECT_EQ(AddPathSeparator("C:\\Bilder\\", Win), "C:\\Bilder\\");
    EXPECT_EQ(AddPathSeparator("x://host/dir", Win), "x://host/dir/");
    EXPECT_EQ(AddPathSeparator("", Win), "");
    EXPECT_EQ(AddPathSeparator("   ", Win), "");
    EXPECT_EQ(AddPathSeparator("\tC:\\Bilder", Win), "\tC:\\Bilder\\");

    EXPECT_EQ(AddPathSeparator("  /home/Bilder ", Posix), "/home/Bilder/");
    EXPECT_EQ(AddPathSeparator("/home/Bilder/", Posix), "/home/Bilder/");
    EXPECT_EQ(AddPathSeparator("x://host/dir", Posix), "x://host/dir/");
    EXPECT_EQ(AddPathSeparator("", Posix), "");
    EXPECT_EQ(AddPathSeparator("/home"), "/home/");
}

TEST(StdModul, NormalizeFolderDropsOneSeparatorAndKeepsRoots)
{
    EXPECT_EQ(NormalizeFolder("C:\\Bilder\\", Win), "C:\\Bilder");
    EXPECT_EQ(NormalizeFolder("C:\\", Win), "C:\\");
    EXPECT_EQ(NormalizeFolder("C:", Win), "C:\\");
    EXPECT_EQ(NormalizeFolder("x://host/", Win), "x://host");
    EXPECT_EQ(NormalizeFolder("C:/", Win), "C:");
    EXPECT_EQ(NormalizeFolder("C:\\a\\\\", Win), "C:\\a\\");
    EXPECT_EQ(NormalizeFolder(" C:\\a ", Win), " C:\\a ");

    EXPECT_EQ(NormalizeFolder("/home/Bilder/", Posix), "/home/Bilder");
    EXPECT_EQ(NormalizeFolder("/", Posix), "/");
    EXPECT_EQ(NormalizeFolder("C:", Posix), "C:");
    EXPECT_EQ(NormalizeFolder("x://host/", Posix), "x://host");
    EXPECT_EQ(NormalizeFolder("/a//", Posix), "/a/");
    EXPECT_EQ(NormalizeFolder("dir\\", Posix), "dir\\");
}

TEST(StdModul, PathSplitsAtTheLastSeparatorOfTheStyle)
{
    EXPECT_EQ(GetFolderPart("C:\\Bilder\\urlaub.jpg", Win), "C:\\Bilder\\");
    EXPECT_EQ(GetFolderPart("urlaub.jpg", Win), "");
    EXPECT_EQ(GetFolderPart("C:\\a/b\\c.jpg", Win), "C:\\a/b\\");
    EXPECT_EQ(GetFolderPart("C:\\a\\b/c.jpg", Win), "C:\\a\\b/");
    EXPECT_EQ(GetFileName("C:\\Bilder\\urlaub.jpg", Win), "urlaub.jpg");
    EXPECT_EQ(GetFileName("C:\\Bilder\\", Win), "");
    EXPECT_EQ(GetFileName("C:\\Bilder\\ urlaub.jpg ", Win), "urlaub.jpg");
    EXPECT_EQ(GetFileName("urlaub.jpg", Win), "urlaub.jpg");
    EXPECT_EQ(GetBaseName("C:\\Bilder\\urlaub.2008.jpg", Win), "urlaub.2008");

    EXPECT_EQ(GetFolderPart("/home/Bilder/urlaub.jpg", Posix), "/home/Bilder/");
    EXPECT_EQ(GetFolderPart("urlaub.jpg", Posix), "");
    EXPECT_EQ(GetFileName("/home/Bilder/urlaub.jpg", Posix), "urlaub.jpg");
    EXPECT_EQ(GetFileName("/home/Bilder/", Posix), "");
    // A backslash is an ordinary character in a POSIX name.
    EXPECT_EQ(GetFileName("/home/a\\b.jpg", Posix), "a\\b.jpg");
    EXPECT_EQ(GetBaseName("/home/Bilder/urlaub.2008.jpg", Posix), "urlaub.2008");

    EXPECT_EQ(GetBaseName("photo.jpg"), "photo");
    EXPECT_EQ(GetBaseName("a.b.jpg"), "a.b");
    EXPECT_EQ(GetBaseName("name."), "name");
    EXPECT_EQ(GetBaseName("name"), "name");
    EXPECT_EQ(GetBaseName(".jpg"), "jpg");
    EXPECT_EQ(GetBaseName("..jpg"), ".");
    EXPECT_EQ(GetBaseName(""), "");
}

TEST(StdModul, TrimBlanksRemovesSpacesOnly)
{
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("\t a \n"), "\t a \n");
    EXPECT_EQ(TrimBlanks(QString::fromUtf8("\u00a0a\u00a0")), QString::fromUtf8("\u00a0a\u00a0"));
    EXPECT_EQ(TrimBlanks("    "), "");
}

TEST(StdModul, CreateFolderPathMakesEachLevelAndExistenceTestsReadTheDisk)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString root = temp.path();
    const QString deep = root + QString::fromUtf8("/Größe/Ä 𝄞/c");

    CreateFolderPath(deep + "/");
    EXPECT_TRUE(QDir(deep).exists());
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_TRUE(FolderExists(deep + "/"));
    EXPECT_TRUE(FolderExists(root + QString::fromUtf8("/Größe")));

    // Doubled separators retry a level harmlessly; existing levels are passed over.
    CreateFolderPath(root + "//x//y");
    EXPECT_TRUE(FolderExists(root + "/x/y"));

    // A level blocked by a file leaves the rest missing, and nothing is raised.
    QFile blocker(root + "/file.jpg");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("x");
    blocker.close();
    CreateFolderPath(root + "/file.jpg/sub");
    EXPECT_FALSE(FolderExists(root + "/file.jpg/sub"));

    EXPECT_FALSE(FolderExists(root + "/file.jpg"));
    EXPECT_FALSE(FolderExists(deep + "/."));
    EXPECT_FALSE(FolderExists(deep + "/.."));
    EXPECT_FALSE(FolderExists(root + "/missing"));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_TRUE(FolderExists("/"));
    EXPECT_FALSE(FolderExists("Q:\\", Win));
    EXPECT_FALSE(FolderExists("C:\\Bilder\\.", Win));

    EXPECT_TRUE(FileExists(root + "/file.jpg"));
    EXPECT_FALSE(FileExists(root + "/missing.jpg"));
    EXPECT_FALSE(FileExists(root));
    EXPECT_FALSE(FileExists(""));

    // A name without any separator is one level below the working folder.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root));
    CreateFolderPath("single");
    EXPECT_TRUE(FolderExists(root + "/single"));
    QDir::setCurrent(previous);
}
