#include "support/StdBrowse.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs answer on the chooser once it is open.
void WhenOpen(std::function<void(StdBrowse::BrowseDialog&)> answer)
{
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<StdBrowse::BrowseDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
        if (dialog->isVisible())
            dialog->reject(); // an answer that could not close it must not hang the test
    });
}

class StdBrowseTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root.filePath(relative); }
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(Path("Bilder/Urlaub"))); }
    QTemporaryDir root;
};

} // namespace

TEST_F(StdBrowseTest, OpensAtTheStartFolderAndReturnsTheChoice)
{
    QString title, status;
    WhenOpen([&](StdBrowse::BrowseDialog& dialog) {
        title = dialog.findChild<QLabel*>()->text();
        status = dialog.StatusText();
        dialog.SelectFolder(Path("Bilder/Urlaub"));
        EXPECT_EQ(dialog.StatusText(), Path("Bilder/Urlaub")); // the status line follows
        dialog.OkButton()->click();
    });
    EXPECT_EQ(StdBrowse::BrowseForFolder(nullptr, "Verzeichnis der Original-Bilder", Path("Bilder/")),
              Path("Bilder/Urlaub"));
    EXPECT_EQ(title, "Verzeichnis der Original-Bilder");
    EXPECT_EQ(status, Path("Bilder"));
    EXPECT_EQ(StdBrowse::StartFolder(), Path("Bilder")); // kept, without its separator
}

TEST_F(StdBrowseTest, MissingStartFolderOpensAtTheRootWhichKeepsItsSlash)
{
    QString status;
    WhenOpen([&](StdBrowse::BrowseDialog& dialog) {
        status = dialog.StatusText();
        dialog.OkButton()->click();
    });
    EXPECT_EQ(StdBrowse::BrowseForFolder(nullptr, "T", Path("fehlt")), "/");
    EXPECT_EQ(status, "/");
}

TEST_F(StdBrowseTest, CancelCloseAndVanishedFoldersGiveNothing)
{
    WhenOpen([](StdBrowse::BrowseDialog& dialog) { dialog.CancelButton()->click(); });
    EXPECT_EQ(StdBrowse::BrowseForFolder(nullptr, "T", Path("Bilder")), "");
    WhenOpen([](StdBrowse::BrowseDialog& dialog) { dialog.close(); });
    EXPECT_EQ(StdBrowse::BrowseForFolder(nullptr, "T", Path("Bilder")), "");

    // A highlighted folder that is gone can no longer be confirmed.
    bool stayedOpen = false;
    WhenOpen([&](StdBrowse::BrowseDialog& dialog) {
        QDir(Path("Bilder/Urlaub")).removeRecursively();
        dialog.OkButton()->click();
        stayedOpen = dialog.isVisible();
    });
    EXPECT_EQ(StdBrowse::BrowseForFolder(nullptr, "T", Path("Bilder/Urlaub")), "");
    EXPECT_TRUE(stayedOpen);
}
