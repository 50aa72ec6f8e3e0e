// Every question whose OK throws something away names what goes and leaves it on Enter: the
// scripted person records the default button, answers Cancel, and the catalogue stays.
#include "views/mainwindow/MainFormFixture.h"

#include "catalogue/import/CatalogueBackupTarget.h"
#include "catalogue/import/CatalogueRestore.h"
#include "changer/SwapId.h"
#include "output/CsvExport.h"
#include "output/ListCopy.h"

#include <QAction>
#include <QTest>

#include <functional>

using namespace kavro;
using kavro::test::MainFormFixture;
using kavro::test::TempDir;

namespace {

class FixedSwap final : public SwapIdDialog {
public:
    std::pair<std::string, std::string> ask(const std::vector<std::string>&) override
    {
        return {"Drive", "Plain"};
    }
};

class DestructiveQuestions : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        writeCategories("Music,1\r\n\tJazz,3\r\nMovies,2\r\n");
        addCabinet(kDrive, "KZ350VN");
        addCabinet(kPlain, "1234567-150");
        registerMachine(kDrive, "Drive", "KZ350VN");
        registerMachine(kPlain, "Plain", "1234567-150");
        addDisc(kDrive, 3, "Drive disc", 1, "KZ350VN");
        addDisc(kPlain, 8, "Plain disc", 3);
        addDisc(kPlain, 2, "Movie", 2);
    }

    std::string catalogueRows()
    {
        std::string all;
        for (const auto& row :
             rows("SELECT MachineNo, Slot, TRIM(TitleA), Category FROM KAVRO ORDER BY 1, 2"))
            for (const auto& field : row)
                all += field + ";";
        return all + std::to_string(rows("SELECT * FROM CATEGORY").size());
    }
};

} // namespace

TEST_F(DestructiveQuestions, NameWhatGoesAndDefaultToCancel)
{
    kavro::TMainForm::Services services;
    services.dialogs.swapId = [] { return std::make_unique<FixedSwap>(); };
    seed.reset();
    form = std::make_unique<kavro::TMainForm>(context, std::move(services));
    ASSERT_TRUE(form->isReady());
    showForm();
    const std::filesystem::path backup = dir / "usb";
    std::filesystem::create_directories(backup);
    ASSERT_EQ(BackupCatalogueTo(form->catalogue(), backup.string()).outcome,
              CatalogueBackupResult::Outcome::Written);
    const std::filesystem::path csv = dir.write("EXCEL.Csv", "old");

    const struct {
        const char* what;
        std::function<void()> ask;
        std::vector<std::string> named;
    } questions[] = {
        {"removing a disc",
         [&] {
             browser().nodeClicked(node("資料/Music/Jazz"));
             w().listView2->setFocus();
             w().listView2->selectRow(w().listView2->rowAt(0));
             QTest::keyClick(w().listView2, Qt::Key_Delete);
         },
         {"Plain disc", "Plain, 槽位 8"}},
        {"deleting a category with its sub-category and discs",
         [&] {
             w().treeView1->setFocus();
             w().treeView1->selectNode(node("資料/Music"));
             form->designedAction(QStringLiteral("TBItem37"))->trigger();
         },
         {"分類：Music", "一併刪除的光碟：2 片", "一併刪除的子分類：1 個"}},
        {"swapping two machines' numbers",
         [&] { form->designedAction(QStringLiteral("SwapID1"))->trigger(); },
         {"Drive（1 片光碟）", "Plain（2 片光碟）"}},
        {"restoring a backup",
         [&] {
             (void)RunRestore(form->catalogue(), nullptr, backup.string(), (backup / "KAVRO2.MDB").string());
         },
         {(backup / "KAVRO2.MDB").string() + " 中的 3 片光碟", "現有的 3 片光碟"}},
        {"backing up over an older backup",
         [&] { (void)BackupCatalogueTo(form->catalogue(), backup.string()); },
         {(backup / "KAVRO2.MDB").string()}},
        {"exporting over a CSV file",
         [&] {
             (void)ExportCsv(ListCopy{{"Title"}, {100}, {{"Movie"}}}, csv, person, texts, clock);
         },
         {csv.string()}},
    };
    for (const auto& q : questions) {
        const std::string before = catalogueRows();
        person.boxes.clear();
        person.boxAnswers = {BoxAnswer::Cancel};
        q.ask();
        ASSERT_EQ(person.boxes.size(), 1u) << q.what;
        const auto& box = person.boxes[0];
        EXPECT_EQ(box.buttons, BoxButtons::OkCancel) << q.what;
        EXPECT_EQ(box.defaultAnswer, BoxAnswer::Cancel) << q.what;
        for (const std::string& name : q.named)
            EXPECT_NE(box.text.find(name), std::string::npos) << q.what << ": " << name << " in\n"
                                                              << box.text;
        EXPECT_EQ(catalogueRows(), before) << q.what;
    }
    EXPECT_EQ(TempDir::read(csv), "old");
}
