#include "common/TestFiles.h"

#include "imaging/AtomicFile.h"
#include "imaging/TargetFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using testfiles::ReadFile;
using testfiles::WriteFile;

namespace {

QByteArray Bytes(const QString& path)
{
    return QFile::encodeName(path);
}

bool Replace(int folder, const QByteArray& name, const QByteArray& content, QString* failure = nullptr)
{
    return imaging::ReplaceFile(folder, name, {{content.constData(), static_cast<std::size_t>(content.size())}},
                                nullptr, failure);
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
}

TEST(TargetFolder, WritesGoWhereTheFolderIsEvenAfterItsPathWasSwapped)
{
    QTemporaryDir dir;
    QString failure;
    std::optional<imaging::TargetFolder> folder = imaging::TargetFolder::Open(Bytes(dir.filePath("a/b")), &failure);
    ASSERT_TRUE(folder) << failure.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath("a/b")).isDir());
    EXPECT_TRUE(folder->Path().endsWith("a/b/"));

    // The folder moves away and a link to another folder takes its place.
    ASSERT_TRUE(QDir(dir.path()).mkdir("elsewhere"));
    ASSERT_TRUE(QDir(dir.path()).rename("a", "moved"));
    ASSERT_EQ(::symlink(Bytes(dir.filePath("elsewhere")).constData(), Bytes(dir.filePath("a")).constData()), 0);
    ASSERT_TRUE(Replace(folder->Handle(), "x.jpg", "copy"));
    std::optional<imaging::TargetFolder> sub = folder->OpenSubfolder("s/t", &failure);
    ASSERT_TRUE(sub) << failure.toStdString();
    ASSERT_TRUE(Replace(sub->Handle(), "y.jpg", "deeper"));

    EXPECT_EQ(ReadFile(dir.filePath("moved/b/x.jpg")), "copy");
    EXPECT_EQ(ReadFile(dir.filePath("moved/b/s/t/y.jpg")), "deeper");
    EXPECT_TRUE(Entries(dir.filePath("elsewhere")).isEmpty());
    EXPECT_TRUE(folder->Sync(&failure)) << failure.toStdString();
}

TEST(TargetFolder, SubfoldersNeverLeaveTheTree)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("target"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("outside"));
    ASSERT_EQ(::symlink(Bytes(dir.filePath("outside")).constData(), Bytes(dir.filePath("target/link")).constData()), 0);
    QString failure;
    const std::optional<imaging::TargetFolder> folder = imaging::TargetFolder::Open(Bytes(dir.filePath("target")),
                                                                                    &failure);
    ASSERT_TRUE(folder);

    for (const QByteArray& relative : {QByteArray("link"), QByteArray("link/deeper"), QByteArray("../outside"),
                                       QByteArray("a/../../outside"), Bytes(dir.filePath("outside"))}) {
        failure.clear();
        EXPECT_FALSE(folder->OpenSubfolder(relative, &failure)) << relative.constData();
        EXPECT_FALSE(failure.isEmpty()) << relative.constData();
    }
    EXPECT_TRUE(Entries(dir.filePath("outside")).isEmpty());
    EXPECT_TRUE(folder->OpenSubfolder("new/level", &failure));
    EXPECT_TRUE(QFileInfo(dir.filePath("target/new/level")).isDir());
}

TEST(TargetFolder, AFolderThatCannotBeMadeIsRefusedWithItsReasonAndLeavesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(WriteFile(dir.filePath("file"), "not a folder"));
    QString failure;
    EXPECT_FALSE(imaging::TargetFolder::Open(Bytes(dir.filePath("file/sub")), &failure));
    EXPECT_EQ(failure, "Not a directory");

    // A level that cannot be made after others were: those are removed again.
    EXPECT_FALSE(imaging::TargetFolder::Open(Bytes(dir.filePath("new/deeper/" + QString(300, u'x'))), &failure));
    EXPECT_EQ(failure, "File name too long");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("new")));
}

TEST(TargetFolder, AFolderTheUserMayNotWriteIsRefused)
{
    QTemporaryDir dir;
    QString failure;
    ASSERT_TRUE(QDir(dir.path()).mkdir("ro"));
    ASSERT_TRUE(QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner));
    if (::access(Bytes(dir.filePath("ro")).constData(), W_OK) == 0)
        GTEST_SKIP() << "permissions are not enforced for this user";
    EXPECT_FALSE(imaging::TargetFolder::Open(Bytes(dir.filePath("ro")), &failure));
    EXPECT_EQ(failure, "Permission denied");
    EXPECT_FALSE(imaging::TargetFolder::Open(Bytes(dir.filePath("ro/sub")), &failure));
    EXPECT_EQ(failure, "Permission denied");
}

// Stand-ins for the calls that finish a temporary file.
std::vector<int> flushed;
int CountingFsync(int fd)
{
    flushed.push_back(fd);
    return 0;
}
int FailingFsync(int)
{
    errno = EIO;
    return -1;
}
int FailingClose(int fd)
{
    ::close(fd);
    errno = EDQUOT;
    return -1;
}

class FinishCallsInstalled {
public:
    explicit FinishCallsInstalled(imaging::FinishCalls calls) : previous_(imaging::SetFinishCalls(calls)) {}
    ~FinishCallsInstalled() { imaging::SetFinishCalls(previous_); }

private:
    imaging::FinishCalls previous_;
};

TEST(ReplaceFile, AFileReplacingAnEarlierCopyIsFlushedFirst)
{
    QTemporaryDir dir;
    const FinishCallsInstalled counting({&CountingFsync, &::close});
    flushed.clear();
    ASSERT_TRUE(Replace(AT_FDCWD, Bytes(dir.filePath("new.jpg")), "first"));
    EXPECT_TRUE(flushed.empty()); // nothing to lose yet
    ASSERT_TRUE(Replace(AT_FDCWD, Bytes(dir.filePath("new.jpg")), "second"));
    EXPECT_EQ(flushed.size(), 1u);
    EXPECT_EQ(ReadFile(dir.filePath("new.jpg")), "second");
}

TEST(ReplaceFile, AFailedFlushOrCloseKeepsTheEarlierCopyAndLeavesNothing)
{
    struct Case {
        const char* what;
        imaging::FinishCalls calls;
        const char* failure;
    };
    for (const Case& c :
         {Case{"flush", {&FailingFsync, &::close}, "cannot write the target file: Input/output error"},
          Case{"close", {&::fsync, &FailingClose}, "cannot write the target file: Disk quota exceeded"}}) {
        QTemporaryDir dir;
        ASSERT_TRUE(WriteFile(dir.filePath("keep.jpg"), "the earlier copy"));
        const FinishCallsInstalled failing(c.calls);
        QString failure;
        EXPECT_FALSE(Replace(AT_FDCWD, Bytes(dir.filePath("keep.jpg")), "the new copy", &failure)) << c.what;
        EXPECT_EQ(failure.toStdString(), c.failure);
        EXPECT_EQ(ReadFile(dir.filePath("keep.jpg")), "the earlier copy") << c.what;
        EXPECT_EQ(Entries(dir.path()), QStringList{"keep.jpg"}) << c.what;
    }
}

} // namespace
