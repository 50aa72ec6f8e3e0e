#include "catalogue/search/SearchFixture.h"

#include "catalogue/search/NameIndex.h"
#include "content/TreeTestSupport.h"
#include "views/dialogs/TfrmFindFiles.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace kavro::test {
namespace {

class FindFilesWindow : public SearchFixture {
protected:
    void SetUp() override
    {
        openWith("A,1\r\n");
        insert(withTree(DiscRow().at(1, 1).named("Taxes"),
                        buildTree({folder("Work", {folder("2019", {file("invoice_2019.pdf", 5000)}),
                                                   file("invoice_b.txt", 10)}),
                                   file("zebra invoice", 70)})));
        insert(withTree(DiscRow().at(1, 2).named("Photos"), buildTree({folder("Invoices old")})));
        window = std::make_unique<TfrmFindFiles>(*catalogue, cache, &index, actions());
    }

    TfrmFindFiles::Actions actions()
    {
        TfrmFindFiles::Actions a;
        a.show = [this](const FoundDisc& d, const FileHit& h) {
            shown.push_back(std::to_string(d.slot) + ":" + h.folder + ":" + h.name);
        };
        return a;
    }

    std::vector<std::string> column(int c)
    {
        std::vector<std::string> out;
        for (int r = 0; r < window->model().rowCount(); ++r)
            out.push_back(window->model().text(r, c).toStdString());
        return out;
    }

    NameIndex index;
    std::unique_ptr<TfrmFindFiles> window;
    std::vector<std::string> shown;
};

TEST_F(FindFilesWindow, TypeSortFilterAndDoubleClick)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::keyClicks(window->textEdit(), QStringLiteral("invo"));
    window->finishSearch();
    using V = std::vector<std::string>;
    EXPECT_EQ(column(FindFilesModel::Name), (V{"zebra invoice", "invoice_b.txt", "invoice_2019.pdf", "Invoices old"}));
    EXPECT_EQ(column(FindFilesModel::Folder), (V{"\\", "\\Work", "\\Work\\2019", "\\"}));
    EXPECT_EQ(window->countLabel()->text().toStdString(), "4 found");

    // A click on a header sorts by it; a second click turns the order.
    QHeaderView* header = window->table()->horizontalHeader();
    const int sizeX = header->sectionViewportPosition(FindFilesModel::Size) + 5;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(sizeX, header->height() / 2));
    const V ascending = column(FindFilesModel::Size);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(sizeX, header->height() / 2));
    const V descending = column(FindFilesModel::Size);
    EXPECT_EQ(ascending, (V{"<Dir>", "10", "70", "5000"}));
    EXPECT_EQ(descending, (V{"5000", "70", "10", "<Dir>"}));

    // Typing on keeps the sort: a wildcard text now, files only.
    window->textEdit()->setText(QStringLiteral("*.???"));
    window->kindBox()->setCurrentIndex(1);
    window->finishSearch();
    EXPECT_EQ(column(FindFilesModel::Name), (V{"invoice_2019.pdf", "invoice_b.txt"}));
    window->minSizeEdit()->setText(QStringLiteral("100"));
    window->finishSearch();
    EXPECT_EQ(column(FindFilesModel::Name), (V{"invoice_2019.pdf"}));

    // A double-click hands the row's disc and folder to the main window.
    QTableView* table = window->table();
    const QRect cell = table->visualRect(window->model().index(0, FindFilesModel::Name));
    // A double-click is a press, a release and a second press; the first press comes on its own.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(shown, (V{"1:\\Work\\2019:invoice_2019.pdf"}));
}

TEST_F(FindFilesWindow, FirstScreenAtOnceTheRestOnScroll)
{
    std::vector<Item> many;
    for (int i = 0; i < 2500; ++i)
        many.push_back(file("many_" + std::to_string(i)));
    insert(withTree(DiscRow().at(1, 3).named("Many"), buildTree(many)));
    window->textEdit()->setText(QStringLiteral("many_"));
    EXPECT_EQ(window->model().rowCount(), FindFilesModel::kScreen);
    window->finishSearch();
    EXPECT_EQ(window->countLabel()->text().toStdString(), "2500 found");
    EXPECT_EQ(window->model().rowCount(), FindFilesModel::kScreen);
    EXPECT_TRUE(window->model().canFetchMore({}));
    window->model().fetchMore({});
    window->model().fetchMore({});
    EXPECT_EQ(window->model().rowCount(), 2500);
    EXPECT_FALSE(window->model().canFetchMore({}));
}

} // namespace
} // namespace kavro::test
