#include "views/dialogs/TfrmDetail.h"
#include "views/flows/TfrmDetailRow.h"

#include "shell/Settings.h"

#include "views/flows/DetailFixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

using kavro::DriveDetailStep;
using kavro::test::DetailFixture;

namespace {

struct DriveDetailTest : DetailFixture {
    void SetUp() override
    {
        DetailFixture::SetUp();
        ctx->display.addMachineName("Left");
        ctx->display.addMachineName("Right");
        ctx->display.setMachineNameText("Left");
        ctx->display.setDriveButtonsEnabled(true);
    }
};

} // namespace

TEST_F(DriveDetailTest, EmptyDriveDisablesTheButtonAndOpensNothing)
{
    addDisc(101, 7, "Blue Train");
    const kavro::DriveDetail detail = kavro::FindDriveDetail(*ctx, *catalogue);
    EXPECT_EQ(detail.step, DriveDetailStep::EmptyDrive);
    EXPECT_FALSE(ctx->display.detailEnabled());
    EXPECT_EQ(torvex.driveQueries, 1);
    EXPECT_EQ(driveCheck.starts, 1) << "the button starts the drive check again";
}

TEST_F(DriveDetailTest, DriveDiscWithoutRecordOpensNothing)
{
    addDisc(101, 8, "Neighbour");
    addDisc(202, 7, "Other machine, same slot");
    torvex.driveSlot[101] = 7;
    const kavro::DriveDetail detail = kavro::FindDriveDetail(*ctx, *catalogue);
    EXPECT_EQ(detail.step, DriveDetailStep::NoRecord);
    EXPECT_TRUE(ctx->display.detailEnabled());
    EXPECT_EQ(driveCheck.starts, 1);
}

TEST_F(DriveDetailTest, RecordInTheDriveGivesItsRowAndLeavesTheCurrentDisc)
{
    addDisc(202, 7, "Other machine, same slot", "Rock");
    addDisc(101, 7, "  Blue Train  ", "Jazz");
    addDisc(101, 9, "Shown disc");
    torvex.driveSlot[101] = 7;
    const kavro::DriveDetail detail = kavro::FindDriveDetail(*ctx, *catalogue);
    ASSERT_EQ(detail.step, DriveDetailStep::Found);
    EXPECT_EQ(detail.row.title, "Blue Train");
    EXPECT_EQ(detail.row.machineName, "Left");
    EXPECT_EQ(detail.row.slot, 7);
    EXPECT_EQ(detail.row.category, "Jazz");
    EXPECT_EQ(catalogue->currentDisc().title, "Shown disc");
    EXPECT_EQ(driveCheck.starts, 1);

    // The box's text decides the machine.
    ctx->display.setMachineNameText("Right");
    torvex.driveSlot[202] = 7;
    const kavro::DriveDetail other = kavro::FindDriveDetail(*ctx, *catalogue);
    ASSERT_EQ(other.step, DriveDetailStep::Found);
    EXPECT_EQ(other.row.title, "Other machine, same slot");
    EXPECT_EQ(other.row.machineName, "Right");
}

TEST_F(DriveDetailTest, NameOfNoRegisteredMachineAsksNothing)
{
    ctx->display.setMachineNameText("Nobody");
    EXPECT_EQ(kavro::FindDriveDetail(*ctx, *catalogue).step, DriveDetailStep::NoMachine);
    ctx->display.setMachineNameText("");
    EXPECT_EQ(kavro::FindDriveDetail(*ctx, *catalogue).step, DriveDetailStep::NoMachine);
    EXPECT_EQ(torvex.driveQueries, 0);
    EXPECT_TRUE(ctx->display.detailEnabled());
    EXPECT_EQ(driveCheck.starts, 2);
}

TEST(DetailWindow, ShowsTheRowWithTheDiscListsWidthsAndClosesOnADoubleClick)
{
    kavro::test::TempDir dir;
    dir.write("Data/Kavro.ini", "[EXPLORER]\nWidth11=150\nWidth13=45\nWidth14=5\n");
    kavro::Settings settings(dir / "Data/Kavro.ini");
    kavro::DefaultTexts texts;
    kavro::TfrmDetail window({"Blue Train", "Left", 7, "Jazz"}, texts, settings);

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Detail"));
    EXPECT_EQ(window.objectName(), QStringLiteral("frmDetail"));
    QTreeWidget* list = window.list();
    ASSERT_EQ(list->objectName(), QStringLiteral("ListView_Detail"));
    ASSERT_EQ(list->columnCount(), 4);
    const QStringList captions = {QStringLiteral("片名"), QStringLiteral("機名"), QStringLiteral("槽位"),
                                  QStringLiteral("分類")};
    const int widths[] = {150, 100, 45, 100};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->headerItem()->text(c), captions[c]);
        EXPECT_EQ(list->columnWidth(c), widths[c]) << "column " << c;
    }
    ASSERT_EQ(list->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = list->topLevelItem(0);
    EXPECT_EQ(row->text(0), QStringLiteral("Blue Train"));
    EXPECT_EQ(row->text(1), QStringLiteral("Left"));
    EXPECT_EQ(row->text(2), QStringLiteral("7"));
    EXPECT_EQ(row->text(3), QStringLiteral("Jazz"));
    EXPECT_FALSE(list->editTriggers() & QAbstractItemView::DoubleClicked);

    // A single click does nothing; a double click on the header closes as well as one on a row.
    window.show();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(window.isVisible());
    QTest::mouseDClick(list->header()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    window.show();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 60));
    EXPECT_FALSE(window.isVisible());
}
