// The guard's checks on their own: what the file system says decides, device and inode
// together, for every folder between a target and the root.

#include "batch/SourceGuard.h"
#include "common/TestFiles.h"
#include "platform/FileNames.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using batch::Placement;
using batch::SourceGuard;

namespace {

TEST(SourceGuard, RefusesEveryTargetFolderInsideTheSourceFolder)
{
    // Once with a plain folder name, once with a byte that is not UTF-8 in it.
    for (const QByteArray& sourceName : {QByteArray("S"), QByteArray("Fotos-\xE9")}) {
        QTemporaryDir root;
        const QByteArray base = QFile::encodeName(root.path()) + '/';
        const QByteArray source = base + sourceName;
        ASSERT_EQ(::mkdir(source.constData(), 0777), 0);
        ASSERT_EQ(::mkdir((source + "/sub").constData(), 0777), 0);
        ASSERT_EQ(::symlink(source.constData(), (base + "L").constData()), 0);

        const SourceGuard guard(platform::DecodeFileName(source + '/'));
        const auto refusal = [&](const QByteArray& target) {
            return guard.Refusal(platform::DecodeFileName(target)).toStdString();
        };
        for (const QByteArray& inside : {source + "/new.jpg", source + "/sub/new.jpg", base + "L/new.jpg"})
            EXPECT_NE(refusal(inside), "") << inside.toStdString();
        EXPECT_EQ(refusal(base + "new.jpg"), "") << sourceName.toStdString();
    }
}

// Every ext4 root is inode 2, so inode numbers alone would put a target on / inside a
// source on a mounted disk's root. Two mount roots that share an inode number on
// different devices stand in for that.
TEST(SourceGuard, IdentityIsDeviceAndInode)
{
    struct stat proc {};
    struct stat sys {};
    if (::stat("/proc", &proc) != 0 || ::stat("/sys", &sys) != 0 || proc.st_ino != sys.st_ino
        || proc.st_dev == sys.st_dev)
        GTEST_SKIP() << "/proc and /sys do not share an inode number here";

    const QString procFolder = QStringLiteral("/proc");
    const QString sysFolder = QStringLiteral("/sys");
    EXPECT_FALSE(batch::SameFile(procFolder, sysFolder));
    EXPECT_EQ(batch::PlaceOf(QStringLiteral("/sys/new.jpg"), procFolder), Placement::Elsewhere);

    SourceGuard guard(procFolder);
    guard.AddSource(procFolder);
    EXPECT_EQ(guard.Refusal(QStringLiteral("/sys/new.jpg")).toStdString(), ""); // the folder check
    EXPECT_EQ(guard.Refusal(sysFolder).toStdString(), "");                      // the same-file check
}

} // namespace
