// How the main window shows what it holds: list columns on a first start, whole titles in the
// tree and in the icon presentation, the toolbar's icons.
#include "views/mainwindow/MainFormFixture.h"

#include "views/mainwindow/MachineBar.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>

#include <filesystem>
#include <fstream>
#include <string>

using namespace kavro;
using kavro::test::MainFormFixture;

namespace {

class WindowLook : public MainFormFixture {
protected:
    static constexpr const char* kLongTitle = "Antivirus Rescue Collection 23"; // 30 characters

    void seed()
    {
        writeCategories("Antivirus and Recovery Tools,1\r\n");
        addCabinet(kPlain, "1234567-150");
        registerMachine(kPlain, "Archive Changer", "1234567-150");
        addDisc(kPlain, 5, kLongTitle, 1);
        addDisc(kPlain, 6, "Short", 1);
    }

    // The category listed in ListView2, the window shown at a size of the desktop.
    void showCategory()
    {
        openForm();
        form->resize(1000, 700);
        showForm();
        browser().nodeClicked(node("資料/Antivirus and Recovery Tools"));
        QCoreApplication::processEvents();
        ASSERT_EQ(w().listView2->rowCount(), 2);
    }
};

} // namespace

TEST_F(WindowLook, OnAFirstStartColumnsFitTheirTextsAndTheLastReachesTheRightEdge)
{
    seed();
    showCategory();
    ListView* list = w().listView2;
    const int last = list->columnCount() - 1;
    int right = 0;
    for (int c = 0; c <= last; ++c) {
        // Wide enough for the caption and for every row's text.
        const int needed = std::max(list->header()->sectionSizeHint(c), static_cast<QAbstractItemView*>(list)->sizeHintForColumn(c));
        EXPECT_GE(list->columnWidth(c), needed) << "column " << c;
        right += list->columnWidth(c);
    }
    EXPECT_EQ(right, list->viewport()->width()) << "no empty strip right of the last column";

    // A larger font for the program (the settings dialog's choice): still nothing cut.
    const QFont before = QApplication::font();
    QFont larger = before;
    larger.setPointSize(before.pointSize() + 6);
    QApplication::setFont(larger);
    QCoreApplication::sendPostedEvents();
    for (int c = 0; c < last; ++c)
        EXPECT_GE(list->columnWidth(c), static_cast<QAbstractItemView*>(list)->sizeHintForColumn(c)) << c;
    QApplication::setFont(before);
    QCoreApplication::sendPostedEvents();

    // Captions of another language, longer than every row: the fitted columns fit them.
    QStringList captions;
    for (int c = 0; c <= last; ++c)
        captions.append(list->headerItem()->text(c) + QStringLiteral(" of a far longer caption"));
    list->setHeaderLabels(captions);
    QCoreApplication::processEvents();
    for (int c = 0; c < last; ++c)
        EXPECT_GE(list->columnWidth(c), list->header()->sectionSizeHint(c)) << c;

    // A width the person gives is kept and stored; the last column's is what it was given.
    list->setColumnWidth(0, 77);
    list->setColumnWidth(last, 60);
    browser().refreshCategoryContents();
    EXPECT_EQ(list->columnWidth(0), 77);
    EXPECT_GT(list->columnWidth(last), 60) << "still reaching the right edge";
    form->close();
    const std::string ini = test::TempDir::read(dir / "Data/Kavro.ini");
    EXPECT_NE(ini.find("Width11=77"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Width15=60"), std::string::npos) << ini;
}

TEST_F(WindowLook, TheTreeShowsALongTitleWholeWithAScrollBar)
{
    seed();
    showCategory();
    form->findChild<QSplitter*>(QStringLiteral("Splitter1"))->setSizes({120, 600});
    QCoreApplication::processEvents();
    NavigationTree* tree = w().treeView1;
    QTreeWidgetItem* item = tree->itemOf(node("資料/Antivirus and Recovery Tools"));
    ASSERT_NE(item, nullptr);
    tree->scrollToItem(item);
    const QRect shown = tree->visualItemRect(item);
    const int textWidth = tree->fontMetrics().horizontalAdvance(item->text(0));
    EXPECT_GE(shown.width(), textWidth) << "the item is not cut";
    EXPECT_GT(shown.right(), tree->viewport()->width()) << "wider than the tree at this size";
    EXPECT_GT(tree->horizontalScrollBar()->maximum(), 0) << "the rest is reached by scrolling";
    EXPECT_EQ(tree->textElideMode(), Qt::ElideNone);
}

TEST_F(WindowLook, IconsAndListShowA30CharacterTitleWholeWithItsTip)
{
    seed();
    showCategory();
    ListPane* pane = w().paneListView2;
    const QModelIndex index = w().listView2->indexFromItem(w().listView2->rowAt(0), 0);
    ASSERT_EQ(index.data().toString(), QString::fromLatin1(kLongTitle));
    for (const int mode : {1, 2}) {
        browser().setViewMode(mode);
        QCoreApplication::processEvents();
        QListView* view = pane->companion();
        ASSERT_TRUE(view->isVisible()) << mode;
        // What the delegate needs for the whole title fits where the view puts the item.
        QStyleOptionViewItem option;
        option.initFrom(view);
        option.rect = view->visualRect(index);
        option.decorationSize = view->iconSize();
        option.features = view->wordWrap() ? QStyleOptionViewItem::WrapText : QStyleOptionViewItem::None;
        option.decorationPosition =
            mode == 2 ? QStyleOptionViewItem::Top : QStyleOptionViewItem::Left;
        const QSize needed = view->itemDelegate()->sizeHint(option, index);
        EXPECT_LE(needed.width(), option.rect.width()) << "mode " << mode;
        EXPECT_LE(needed.height(), option.rect.height()) << "mode " << mode;
    }
}

TEST_F(WindowLook, ToolbarAndMenuCommandsHaveIcons)
{
    openForm();
    auto* toolbar = form->findChild<QToolBar*>(QStringLiteral("TBToolbar1"));
    ASSERT_NE(toolbar, nullptr);
    EXPECT_NE(toolbar->toolButtonStyle(), Qt::ToolButtonTextOnly);
    for (QAction* action : toolbar->actions()) {
        if (!action->isVisible() || action->isSeparator())
            continue;
        const QString name = action->menu() ? action->menu()->objectName() : action->objectName();
        EXPECT_FALSE(action->icon().pixmap(16).isNull()) << name.toStdString();
    }
    for (const char* name : {"N_Backup_mdb", "N_Print", "N_close", "N_system_set", "N_help", "N38", "N39"})
        EXPECT_FALSE(form->designedAction(QString::fromLatin1(name))->icon().isNull()) << name;
}

// Sizes are stored in the device-independent pixels the widgets work in: what was saved with
// the desktop scaled by two comes back the same size at scale one. Two scales need two
// processes: the test runs itself at QT_SCALE_FACTOR=2 to save, then opens the window here.
TEST_F(WindowLook, SizesSavedAtScaleTwoComeBackTheSameAtScaleOne)
{
    const QByteArray savedTo = qgetenv("KAVRO_TEST_SAVE_SIZES_TO");
    const auto showSized = [this] {
        openForm();
        form->resize(1000, 700);
        showForm();
    };
    if (!savedTo.isEmpty()) {
        // The run at scale two.
        showSized();
        form->findChild<QSplitter*>(QStringLiteral("Splitter1"))->setSizes({310, 690});
        w().leftSplitter->setSizes({180, 400});
        w().listView2->setColumnWidth(0, 150);
        QCoreApplication::processEvents();
        const std::string scale = "dpr=" + std::to_string(form->devicePixelRatio()) + "\n";
        form->close();
        std::ofstream(savedTo.toStdString(), std::ios::binary) << scale << test::TempDir::read(dir / "Data/Kavro.ini");
        return;
    }
    const auto savedFile = dir / "scale2.ini";
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    environment.insert(QStringLiteral("KAVRO_TEST_SAVE_SIZES_TO"), QString::fromStdString(savedFile.string()));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=WindowLook.SizesSavedAtScaleTwoComeBackTheSameAtScaleOne")});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    std::string saved = test::TempDir::read(savedFile);
    ASSERT_TRUE(saved.starts_with("dpr=2")) << saved;
    saved.erase(0, saved.find('\n') + 1);
    EXPECT_NE(saved.find("Width1=310"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Width11=150"), std::string::npos) << saved;

    dir.write("Data/Kavro.ini", saved);
    showSized();
    if (form->devicePixelRatio() != 1.0)
        GTEST_SKIP() << "this run is scaled itself";
    EXPECT_EQ(w().leftPane->width(), 310);
    EXPECT_EQ(w().leftSplitter->sizes().value(0), 180);
    EXPECT_EQ(w().listView2->columnWidth(0), 150);
}

TEST_F(WindowLook, ANarrowAndLowWindowShowsEveryToolbarItemAsAnIconAndTheBarcodeField)
{
    openForm();
    auto* toolbar = form->findChild<QToolBar*>(QStringLiteral("TBToolbar1"));
    ASSERT_NE(toolbar, nullptr);
    for (const int width : {1200, 520, 1200}) {
        form->resize(width, 420);
        showForm();
        QCoreApplication::processEvents();
        EXPECT_EQ(toolbar->toolButtonStyle(), width > 1000 ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly)
            << width;
        for (QAction* action : toolbar->actions()) {
            if (action->isVisible())
                EXPECT_TRUE(toolbar->widgetForAction(action)->isVisible())
                    << width << " " << action->text().toStdString() << " is behind the overflow";
        }
        EXPECT_GE(w().staticText3->contentsRect().height(), w().staticText3->fontMetrics().height())
            << "the barcode keeps a line";
    }
}

// The machine bar of a drive cabinet keeps every command in sight at the window's first-start
// width: Catalogue Cabinet and Slot Map show as icons (captions in their tips) when their captions
// do not fit.
TEST_F(WindowLook, TheMachineBarKeepsEveryCommandInSightAtTheFirstStartWidth)
{
    addCabinet(kDrive, "KZ350VN");
    registerMachine(kDrive, "Studio Changer", "KZ350VN");
    openForm();
    QToolBar* bar = w().machineBar;
    for (const int width : {1028, 1600}) {
        form->resize(width, 700);
        showForm();
        QCoreApplication::processEvents();
        ASSERT_TRUE(bar->isVisible());
        for (QAction* action : bar->actions()) {
            if (action->isVisible() && !action->isSeparator())
                EXPECT_TRUE(bar->widgetForAction(action)->isVisible())
                    << width << " " << action->text().toStdString() << " is behind the overflow";
        }
        if (width == 1600) {
            EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        }
    }
}
