#include "catalogue/search/SearchFixture.h"

#include "content/TreeTestSupport.h"
#include "views/dialogs/TfrmDuplicates.h"

#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <fstream>
#include <sstream>

namespace kavro::test {
namespace {

class DuplicatesWindow : public SearchFixture {};

TEST_F(DuplicatesWindow, ListsBothKindsSelectsADiscAndExports)
{
    openWith("A,1\r\n");
    const FileTree same = buildTree({folder("sub", {file("big.iso", 9000000)}), file("setup.exe", 700000)});
    insert(withTree(DiscRow().at(3, 1).named("Copy one").misc("Volume=TOOLS\r\nSerial=42"), same));
    insert(withTree(DiscRow().at(3, 2).named("Copy two").misc("Volume=TOOLS\r\nSerial=42"), same));
    insert(withTree(DiscRow().at(3, 3).named("Other").misc("Volume=OTHER\r\nSerial=7"),
                    buildTree({file("setup.exe", 700000), file("alone.txt", 5)})));
    std::vector<std::pair<int, int>> selected;
    TfrmDuplicates window(*catalogue, [&](int m, int s) { selected.emplace_back(m, s); });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.refresh();

    QTreeWidget* discs = window.discList();
    ASSERT_EQ(discs->topLevelItemCount(), 1);
    QTreeWidgetItem* group = discs->topLevelItem(0);
    EXPECT_EQ(group->text(0).toStdString(), "TOOLS  42");
    ASSERT_EQ(group->childCount(), 2);
    EXPECT_EQ(group->child(1)->text(2).toStdString(), "M3");
    EXPECT_EQ(group->child(1)->text(3).toStdString(), "2");
    EXPECT_EQ(group->child(1)->text(4).toStdString(), "Copy two");

    // The largest first; a file on one disc only is not listed.
    QTreeWidget* files = window.fileList();
    ASSERT_EQ(files->topLevelItemCount(), 2);
    EXPECT_EQ(files->topLevelItem(0)->text(0).toStdString(), "big.iso");
    EXPECT_EQ(files->topLevelItem(1)->text(0).toStdString(), "setup.exe");
    EXPECT_EQ(files->topLevelItem(1)->childCount(), 3);
    EXPECT_EQ(window.summary()->text().toStdString(),
              "1 discs that look like another, 2 files on more than one disc");

    // A double-click on a disc selects it; one on a group does nothing.
    window.findChild<QTabWidget*>()->setCurrentWidget(files);
    files->topLevelItem(1)->setExpanded(true);
    for (QTreeWidgetItem* item : {files->topLevelItem(1)->child(2), files->topLevelItem(1)}) {
        const QPoint at = files->visualItemRect(item).center();
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(selected, (std::vector<std::pair<int, int>>{{3, 3}}));

    const QString csvFile = QString::fromStdString((dir.path() / "dup.csv").string());
    ASSERT_TRUE(window.exportCsvTo(csvFile));
    std::ifstream in(csvFile.toStdString(), std::ios::binary);
    std::stringstream csv;
    csv << in.rdbuf();
    EXPECT_NE(csv.str().find("disc,TOOLS 42,9700000,M3,2,Copy two\r\n"), std::string::npos) << csv.str();
    EXPECT_NE(csv.str().find("file,setup.exe,700000,M3,3,Other\r\n"), std::string::npos) << csv.str();
}

} // namespace
} // namespace kavro::test
