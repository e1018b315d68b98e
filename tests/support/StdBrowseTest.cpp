#include "support/StdBrowse.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

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

TEST_F(StdBrowseTest, OpensShowingTheStartFolderAndHoldsStillAfterAClick)
{
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("Bilder/Ordner %1").arg(i, 2, 10, QChar(u'0')))));
    const int folders = 61; // and "Urlaub"
    StdBrowse::BrowseDialog dialog(nullptr, "T");
    ASSERT_TRUE(dialog.SelectFolder(Path("Bilder/Ordner 30")));
    dialog.show();
    QTreeView* tree = dialog.Tree();
    // Rows come and are sorted in the background: the current row is looked up afresh.
    const auto rows = [tree] { return tree->model()->rowCount(tree->currentIndex().parent()); };
    const auto inView = [tree](const QModelIndex& index) {
        // Its row wholly within the viewport's height (names may reach beyond its width).
        const QRect row = tree->visualRect(index);
        return row.isValid() && row.top() >= 0 && row.bottom() < tree->viewport()->height();
    };
    // The folder's siblings are read in the background; it must be in view once they are.
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows() == folders && inView(tree->currentIndex()); }));
    QTest::qWait(700); // the levels above may still be sorting; the row stays in view
    ASSERT_TRUE(inView(tree->currentIndex()));
    EXPECT_EQ(dialog.SelectedFolder(), Path("Bilder/Ordner 30"));
    EXPECT_TRUE(tree->isExpanded(tree->currentIndex().parent()));
    const int before = tree->verticalScrollBar()->value();
    ASSERT_GT(before, 0);

    const QModelIndex clicked = tree->indexAt(QPoint(30, tree->visualRect(tree->currentIndex()).height() * 3 / 2));
    ASSERT_TRUE(clicked.isValid());
    const QString clickedFolder = dialog.SelectedFolder();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(clicked).center());
    ASSERT_NE(dialog.SelectedFolder(), clickedFolder);
    // A folder appearing beside it makes the tree read that level again.
    ASSERT_TRUE(QDir().mkpath(Path("Bilder/Ordner 99")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rows() == folders + 1; }));
    QTest::qWait(700);
    EXPECT_EQ(tree->verticalScrollBar()->value(), before);
}

TEST(StdBrowseStatus, DeepPathsLoseFoldersFromTheMiddle)
{
    const QString deep = "/home/anna/Bilder/2026/Urlaub/Italien/Rom/Tag 3/Abend";
    const auto within = [](qsizetype length) {
        return [length](const QString& text) { return text.size() <= length; };
    };
    EXPECT_EQ(StdBrowse::ShortenedInTheMiddle(deep, within(100)), deep);
    EXPECT_EQ(StdBrowse::ShortenedInTheMiddle(deep, within(40)), "/home/anna/Bilder/\u2026/Rom/Tag 3/Abend");
    EXPECT_EQ(StdBrowse::ShortenedInTheMiddle(deep, within(5)), "/home/\u2026/Abend");
}
