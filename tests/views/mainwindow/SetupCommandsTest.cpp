// The settings dialog, the help page and the drive detail window as the main window opens them,
// and the disc picture of the picture tab on a disc load.
#include "views/mainwindow/MainFormFixture.h"

#include "changer/ChangerContext.h"
#include "shell/ui/TfrmSetup.h"
#include "views/flows/HelpPage.h"
#include "views/mainwindow/MachineBar.h"
#include "views/mainwindow/SetupCommands.h"
#include "views/dialogs/TfrmDetail.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace kavro;
using kavro::test::MainFormFixture;
using kavro::test::TempDir;

namespace {

class SetupCommandsTest : public MainFormFixture {
protected:
    void writeLanguages()
    {
        dir.write("Language/language.eng", "English\n4000=Settings window\n1036=Title\n1049=Data\n");
        dir.write("Language/language.cht", "繁體中文\n4000=系統設定\n1036=光碟片名\n1049=資料庫\n");
        context.languageFilePath = context.file("Language/language.eng");
        context.language.load(context.languageFilePath);
    }

    SetupCommands& commands()
    {
        auto* found = form->findChild<SetupCommands*>();
        EXPECT_NE(found, nullptr);
        return *found;
    }

    // Runs work while the modal window the action opens is up; false when none opened.
    template <class Window>
    bool whileModal(const std::function<void()>& open, const std::function<void(Window&)>& work)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
            if (window == nullptr)
                return;
            seen = true;
            work(*window);
            if (window->isVisible())
                window->reject();
        });
        open();
        QApplication::processEvents();
        return seen;
    }

    void addDiscWithPicture(int machine, int slot, const std::string& title, const std::string& picture)
    {
        addDisc(machine, slot, title, 1);
        Catalogue& c = seedCatalogue();
        ASSERT_TRUE(LocateDisc(c, machine, slot));
        ASSERT_TRUE(c.discCursor().edit().ok());
        ASSERT_TRUE(c.discCursor().setField("Pic", DbValue::blob(picture)).ok());
        ASSERT_TRUE(c.discCursor().post().ok());
    }

    static std::string bitmap(QColor colour)
    {
        QImage image(24, 16, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        return bytes.toStdString();
    }
};

} // namespace

TEST_F(SetupCommandsTest, SettingsDialogOpensLabelledWithTheMachinesAndTheirDriveCounter)
{
    writeLanguages();
    addCabinet(kDrive, "KZ350VN");
    registerMachine(kDrive, "Front", "KZ350VN");
    openForm();
    // One load puts the drive's use counter at 1.
    ASSERT_EQ(form->changer().torvex.USBCDMovetoDrive(kDrive, 3), 0);
    clock.advance(30'000); // the load is over
    ASSERT_EQ(form->changer().CurrentMachine, kDrive);

    const bool opened = whileModal<TfrmSetup>(
        [&] { form->designedAction(QStringLiteral("N_system_set"))->trigger(); },
        [&](TfrmSetup& dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Settings window")) << "placed before it shows";
            auto* machines = dialog.findChild<QListWidget*>(QStringLiteral("ListView_machine"));
            ASSERT_EQ(machines->count(), 1);
            EXPECT_EQ(machines->item(0)->text(), QStringLiteral("Front"));
            QApplication::processEvents();
            EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("TntLabel_machine_name"))->text(),
                      QStringLiteral("Front"));
            EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("Label_cddrivercount"))->text(),
                      QStringLiteral("1"));

            // Renamed in place: stored at once, and the machine bar's box follows.
            machines->editItem(machines->item(0));
            auto* editor = machines->findChild<QLineEdit*>();
            ASSERT_NE(editor, nullptr);
            editor->setText(QStringLiteral("Back"));
            QTest::keyClick(editor, Qt::Key_Return);
            QApplication::processEvents();
            EXPECT_EQ(rows("SELECT trim(DEVICENAME) FROM CDDEVICE"),
                      (std::vector<std::vector<std::string>>{{"Back"}}));
            EXPECT_EQ(w().machineBar->machineNameBox()->currentText(), QStringLiteral("Back"));
        });
    EXPECT_TRUE(opened);
    EXPECT_EQ(form->changer().machines.MachineName(kDrive), "Back");
}

TEST_F(SetupCommandsTest, LanguagePreviewRelabelsTheMainWindow)
{
    writeLanguages();
    openForm();
    EXPECT_EQ(w().listView2->headerItem()->text(0), QStringLiteral("Title"));
    const bool opened =
        whileModal<TfrmSetup>([&] { form->designedAction(QStringLiteral("N_system_set"))->trigger(); },
                              [&](TfrmSetup& dialog) {
                                  auto* languages = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
                                  const int cht = languages->findText(QStringLiteral("繁體中文"));
                                  ASSERT_GE(cht, 0);
                                  emit languages->activated(cht);
                                  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("系統設定"));
                              });
    EXPECT_TRUE(opened);
    // Left with Esc: the preview stays for the run, the settings file does not name it.
    EXPECT_EQ(w().listView2->headerItem()->text(0), QStringLiteral("光碟片名"));
    EXPECT_EQ(form->catalogue().categoryTree().categoryRoot()->text, "資料庫");
    EXPECT_EQ(context.settings->readString("System", "LanguageName", "<missing>"), "<missing>");
}

TEST_F(SetupCommandsTest, HelpOpensTheShippedPageAndSaysWhenItIsMissing)
{
    openForm();
    std::vector<QUrl> opened;
    commands().setUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    TempDir program;
    commands().setProgramDir(QString::fromStdString(program.path().string()));

    // F1 in the main window is the menu's help command.
    form->show();
    QApplication::setActiveWindow(form.get()); // shortcuts need the active window
    QTest::keyClick(form.get(), Qt::Key_F1);
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, (program / "Help/help.htm").string() + " not found");

    program.write("Help/help.htm", "<html></html>");
    form->designedAction(QStringLiteral("N_help"))->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_EQ(opened[0].toLocalFile().toStdString(),
              std::filesystem::weakly_canonical(program / "Help/help.htm").string());
    EXPECT_EQ(person.boxes.size(), 1u);
}

TEST(HelpPage, StagedBesideTheProgramOrInstalledUnderShare)
{
    TempDir tree;
    std::filesystem::create_directories(tree / "usr/bin");
    EXPECT_FALSE(FindHelpPage(tree / "usr/bin"));
    tree.write("usr/share/kavro/Help/help.htm", "installed");
    EXPECT_EQ(TempDir::read(*FindHelpPage(tree / "usr/bin")), "installed");
    tree.write("usr/bin/Help/help.htm", "staged");
    EXPECT_EQ(TempDir::read(*FindHelpPage(tree / "usr/bin")), "staged");
}

TEST_F(SetupCommandsTest, DetailButtonShowsTheDriveDiscOrDisablesItself)
{
    addCabinet(kDrive, "KZ350VN");
    registerMachine(kDrive, "Front", "KZ350VN");
    addDisc(kDrive, 7, "Blue Train", 1);
    addDisc(kDrive, 3, "Not catalogued elsewhere", 1);
    openForm();
    QPushButton* detail = w().machineBar->detailButton();
    ASSERT_EQ(form->changer().display.machineNameText(), "Front");

    // A disc in the drive with a record: the window with its row, closed by a double click.
    ASSERT_EQ(form->changer().torvex.USBCDMovetoDrive(kDrive, 7), 0);
    clock.advance(30'000); // the load is over
    form->changer().display.setDriveButtonsEnabled(true);
    bool closedByDoubleClick = false;
    EXPECT_TRUE(whileModal<TfrmDetail>([&] { detail->click(); },
                                       [&](TfrmDetail& window) {
                                           ASSERT_EQ(window.list()->topLevelItemCount(), 1);
                                           const QTreeWidgetItem* row = window.list()->topLevelItem(0);
                                           EXPECT_EQ(row->text(0), QStringLiteral("Blue Train"));
                                           EXPECT_EQ(row->text(1), QStringLiteral("Front"));
                                           EXPECT_EQ(row->text(2), QStringLiteral("7"));
                                           QTest::mouseDClick(window.list()->viewport(), Qt::LeftButton);
                                           closedByDoubleClick = !window.isVisible();
                                       }));
    EXPECT_TRUE(closedByDoubleClick);

    // A drive disc without a record: nothing opens.
    ASSERT_EQ(form->changer().torvex.USBCDEject(kDrive), 0);
    clock.advance(30'000);
    ASSERT_EQ(form->changer().torvex.USBCDMovetoDrive(kDrive, 5), 0);
    clock.advance(30'000); // the load is over
    EXPECT_FALSE(whileModal<TfrmDetail>([&] { detail->click(); }, [](TfrmDetail&) {}));
    EXPECT_TRUE(detail->isEnabled());

    // An empty drive: the button is disabled and nothing opens.
    ASSERT_EQ(form->changer().torvex.USBCDEject(kDrive), 0);
    clock.advance(30'000);
    EXPECT_FALSE(whileModal<TfrmDetail>([&] { detail->click(); }, [](TfrmDetail&) {}));
    EXPECT_FALSE(detail->isEnabled());
}

TEST_F(SetupCommandsTest, DiscLoadShowsItsPictureAndADiscWithoutOneLeavesTheTabEmpty)
{
    addCabinet(kDrive, "KZ350VN");
    registerMachine(kDrive, "Front", "KZ350VN");
    addDiscWithPicture(kDrive, 1, "Red cover", bitmap(Qt::red));
    addDisc(kDrive, 2, "No cover", 1);
    addDiscWithPicture(kDrive, 3, "Broken cover", "BM and nothing a reader takes");
    openForm();

    browser().selectDisc(kDrive, 1);
    const QImage shown = w().image1->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.size(), QSize(24, 16));
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(Qt::red));

    browser().selectDisc(kDrive, 2);
    EXPECT_TRUE(w().image1->pixmap().isNull());
    browser().selectDisc(kDrive, 1);
    browser().selectDisc(kDrive, 3);
    EXPECT_TRUE(w().image1->pixmap().isNull());
}
