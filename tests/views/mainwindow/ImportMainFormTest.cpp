#include "views/mainwindow/MainFormFixture.h"

#include "views/mainwindow/CatalogueActions.h"
#include "views/mainwindow/CatalogueActionsAttach.h"
#include "views/dialogs/TPathDialog.h"

#include <QAction>
#include <QListWidget>
#include <QPushButton>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

class ImportMainForm : public MainFormFixture {
protected:
    static constexpr int kAway = 0x123456; // a machine only the backup knows

    // A backup made elsewhere: one disc of a machine this catalogue does not know, filed under a
    // category whose name differs from ours only in case.
    void makeBackup(const fs::path& folder)
    {
        fs::create_directories(folder);
        ScriptedPerson quiet;
        Catalogue other(folder, quiet, texts, clock);
        ASSERT_TRUE(other.open().ok());
        DiscCursor& cursor = other.discCursor();
        ASSERT_TRUE(cursor.append().ok());
        cursor.setField("MachineNo", DbValue(kAway));
        cursor.setField("Slot", DbValue(9));
        cursor.setField("TitleA", DbValue("From the backup"));
        cursor.setField("Categoryname", DbValue("rock"));
        cursor.setField("Category", DbValue(70));
        ASSERT_TRUE(cursor.post().ok());
        ASSERT_TRUE(other.database()
                        .exec("INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) VALUES('" +
                              std::to_string(kAway) + "','Away','KZ350VN',0)")
                        .ok());
        other.close();
    }

    CatalogueActions& attach()
    {
        CatalogueActions& actions = AttachCatalogueActions(*form);
        actions.picker().setDriveSource([] { return std::vector<PickerDrive>{{"/", "/", 0}}; });
        return actions;
    }

    static void choose(CatalogueActions& actions, const fs::path& folder, const std::string& file)
    {
        actions.picker().setOnShow([folder, file](TPathDialog& d) {
            d.moveToFolder(folder.string());
            if (!file.empty()) {
                const auto found = d.fileList()->findItems(QString::fromStdString(file), Qt::MatchExactly);
                ASSERT_EQ(found.size(), 1);
                found.front()->setSelected(true);
            }
            d.okButton()->click();
        });
    }
};

TEST_F(ImportMainForm, RestoreThroughTheWindowLeavesExactlyTheBackupsDiscsAndClosesIt)
{
    writeCategories("Rock,1\r\nPop,2\r\n");
    registerMachine(kDrive, "Drive", "KZ350VN");
    addDisc(kDrive, 1, "Ours", 1);
    addDisc(kDrive, 2, "Ours too", 2);
    makeBackup(dir / "usb");
    openForm();
    showForm();
    CatalogueActions& actions = attach();
    choose(actions, dir / "usb", "KAVRO2.MDB");

    form->designedAction(QStringLiteral("TBItem16"))->trigger();
    EXPECT_FALSE(form->isVisible()) << "the program ends so that the next start reads the restored file";
    EXPECT_EQ(rows("SELECT MachineNo, Slot, TitleA, Category FROM KAVRO"),
              (Rows{{std::to_string(kAway), "9", "From the backup", "1"}}));
    EXPECT_EQ(rows("SELECT DEVICENAME FROM CDDEVICE WHERE DEVICENO='" + std::to_string(kAway) + "'"),
              (Rows{{"Away"}}));
}

TEST_F(ImportMainForm, BackupFromTheMenuCopiesTheCatalogueAndTheWindowStays)
{
    writeCategories("Rock,1\r\n");
    addDisc(kDrive, 4, "Kept", 1);
    fs::create_directories(dir / "stick");
    openForm();
    showForm();
    CatalogueActions& actions = attach();
    choose(actions, dir / "stick", {});

    form->designedAction(QStringLiteral("N_Backup_mdb"))->trigger();
    EXPECT_TRUE(form->isVisible());
    ASSERT_TRUE(fs::exists(dir / "stick/KAVRO2.MDB"));
    ASSERT_TRUE(actions.lastBackup());
    EXPECT_EQ(actions.lastBackup()->outcome, CatalogueBackupResult::Outcome::Written);
    EXPECT_TRUE(person.boxes.empty()) << "a backup is not announced";

    // The toolbar's restore of that very backup gives the same discs back.
    choose(actions, dir / "stick", "KAVRO2.MDB");
    form->designedAction(QStringLiteral("TBItem16"))->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(rows("SELECT MachineNo, Slot, TitleA FROM KAVRO"),
              (Rows{{std::to_string(kDrive), "4", "Kept"}}));
}

} // namespace
} // namespace kavro::test
