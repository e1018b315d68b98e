#include "batch/FileListScan.h"
#include "batch/PictureNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace batch;

namespace {

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp_.isValid()); }

    // The temporary folder with a trailing separator, as the shrink command passes it.
    QString Top() const { return temp_.path() + "/"; }

    void Touch(const QString& relative)
    {
        const QString path = Top() + relative;
        QDir().mkpath(path.left(path.lastIndexOf('/')));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    }
    void Folder(const QString& relative) { ASSERT_TRUE(QDir().mkpath(Top() + relative)); }
    void Link(const QString& target, const QString& relative)
    {
        ASSERT_TRUE(QFile::link(Top() + target, Top() + relative));
    }
    QStringList Prefixed(const QStringList& names) const
    {
        QStringList paths;
        for (const QString& name : names)
            paths << Top() + name;
        return paths;
    }

    QTemporaryDir temp_;
};

} // namespace

TEST_F(ScanTest, PictureExtensionsInAnyCaseAreListed)
{
    for (const char* name : {"A.JPG", "b.Jpeg", "c.jpg.bak", "d", "e.", ".jpg", "f.jpe", "g.JPEG", "h.HEIC", "i.heif",
                             "j.Hif", "k.avif", "l.PNG", "m.webp", "n.gif", "o.heic.bak", "q.tif"})
        Touch(name);
    Folder("pics.jpg");
    Touch("pics.jpg/inner.jpg");
    const QStringList pictures{".jpg",   "A.JPG", "b.Jpeg", "g.JPEG", "h.HEIC",
                               "i.heif", "j.Hif", "k.avif", "l.PNG",  "m.webp"};

    QStringList files{"kept"};
    Scan(files, Top(), false);
    EXPECT_EQ(files, QStringList{"kept"} + Prefixed(pictures));

    files.clear();
    Scan(files, Top(), true);
    EXPECT_EQ(files, Prefixed(pictures + QStringList{"pics.jpg/inner.jpg"}));

    EXPECT_EQ(GetExtension("/x/A.JPG"), "jpg");
    EXPECT_EQ(GetExtension("/x/c.jpg.bak"), "bak");
    EXPECT_EQ(GetExtension("/x.y/d"), "");
    EXPECT_EQ(GetExtension("e."), "");
    EXPECT_EQ(GetExtension(".JPEG"), "jpeg");
}

TEST_F(ScanTest, DepthFirstPreOrderWithHiddenEntriesAndSortedListings)
{
    Touch("a.jpg");
    Touch("s1/b.jpg");
    Touch("s1/t/c.jpg");
    Touch("s2/d.jpg");
    Touch("Z.jpg");
    Touch("y.JPG");
    Touch(".hidden/h.jpg");
    Folder("empty");

    QStringList files;
    Scan(files, Top(), true);
    EXPECT_EQ(files, Prefixed({"a.jpg", "y.JPG", "Z.jpg", ".hidden/h.jpg", "s1/b.jpg", "s1/t/c.jpg", "s2/d.jpg"}));

    QStringList again;
    Scan(again, Top(), true);
    EXPECT_EQ(again, files);

    QStringList empty;
    Scan(empty, Top() + "empty/", true);
    Scan(empty, Top() + "missing/", true);
    EXPECT_TRUE(empty.isEmpty());
}

TEST_F(ScanTest, ListFolderFillsOnlyTheListsItIsGiven)
{
    Touch("b.txt");
    Touch("A.jpg");
    Touch(".dot");
    Folder("Sub");
    Folder("other");

    QStringList files{"old"};
    QStringList folders{"old"};
    ListFolder(Top(), &files, &folders);
    EXPECT_EQ(files, (QStringList{".dot", "A.jpg", "b.txt"}));
    EXPECT_EQ(folders, (QStringList{"other", "Sub"}));

    // Without a folder list, subfolders are not listed at all, not even as files.
    ListFolder(temp_.path(), &files, nullptr);
    EXPECT_EQ(files, (QStringList{".dot", "A.jpg", "b.txt"}));
    ListFolder(Top(), nullptr, &folders);
    EXPECT_EQ(folders, (QStringList{"other", "Sub"}));
    ListFolder(Top(), &files, nullptr, "*.JPG");
    EXPECT_EQ(files, QStringList{"A.jpg"});

    ListFolder(Top() + "missing", &files, &folders);
    EXPECT_TRUE(files.isEmpty());
    EXPECT_TRUE(folders.isEmpty());

    EXPECT_TRUE(IsAssigned(&files));
    EXPECT_FALSE(IsAssigned(nullptr));
    QStringList some{"a", "b"};
    ClearCollection(some);
    EXPECT_TRUE(some.isEmpty());
}

TEST_F(ScanTest, PathAttributesUseThePlatformBits)
{
    Touch("file.jpg");
    Touch(".hidden");
    Folder("sub");
    EXPECT_EQ(GetPathAttributes(Top() + "sub") & 16, 16);
    EXPECT_EQ(GetPathAttributes(Top() + "file.jpg") & 16, 0);
    EXPECT_GE(GetPathAttributes(Top() + "file.jpg"), 0);
    EXPECT_EQ(GetPathAttributes(Top() + ".hidden") & 2, 2);
    EXPECT_EQ(GetPathAttributes(Top() + "file.jpg") & 2, 0);
    EXPECT_EQ(GetPathAttributes(Top() + "missing"), -1);
    EXPECT_EQ(GetPathAttributes(Top() + "sub/."), -1);
    EXPECT_EQ(GetPathAttributes(Top() + "sub/.."), -1);
}

TEST_F(ScanTest, LinksAreFollowedButNoFolderIsEnteredTwice)
{
    Touch("a.jpg");
    Touch("sub/b.jpg");
    Link(".", "sub/loop");
    Link("sub", "zz-again");
    Link("nowhere", "broken.jpg");
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    QFile(outside.path() + "/o.jpg").open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(outside.path(), Top() + "elsewhere"));

    QStringList files;
    Scan(files, Top(), true);
    // A broken link cannot be told from a file and is listed as one.
    EXPECT_EQ(files, Prefixed({"a.jpg", "broken.jpg", "elsewhere/o.jpg", "sub/b.jpg"}));
}

TEST_F(ScanTest, UnreadableFolderAddsNothing)
{
    Touch("a.jpg");
    Touch("locked/b.jpg");
    const QByteArray locked = QFile::encodeName(Top() + "locked");
    ASSERT_EQ(::chmod(locked.constData(), 0), 0);
    const auto scanListsOnlyTheReadable = [&] {
        QStringList files;
        Scan(files, Top(), true);
        return files == Prefixed({"a.jpg"});
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(scanListsOnlyTheReadable());
    } else {
        // Root reads every folder: the scan runs in a child that has dropped to nobody
        // (65534) and answers through its exit status.
        ASSERT_EQ(::chmod(QFile::encodeName(Top()).constData(), 0755), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            if (::access(QFile::encodeName(Top()).constData(), R_OK | X_OK) != 0)
                ::_exit(3);
            ::_exit(scanListsOnlyTheReadable() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3)
            GTEST_SKIP() << "the temporary folder is out of reach of uid 65534";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the scan listed something else, 2: could not drop to uid 65534";
    }
    ::chmod(locked.constData(), 0755);
}

TEST(PictureNames, CopiesOfOtherFormatsAreNamedAsJpegs)
{
    const struct {
        const char* name;
        const char* copy;
    } cases[] = {
        {"IMG_0412.HEIC", "IMG_0412.jpg"},
        {"a.b.heif", "a.b.jpg"},
        {"x.Hif", "x.jpg"},
        {"y.avif", "y.jpg"},
        {"shot.PNG", "shot.jpg"},
        {"web.webp", "web.jpg"},
        {"A.JPG", "A.JPG"},
        {"b.jpeg", "b.jpeg"},
        {"c.tif", "c.tif"},
        {"noext", "noext"},
        {"d.png.x", "d.png.x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(batch::CopyName(QString::fromUtf8(c.name)), QString::fromUtf8(c.copy)) << c.name;
}
