#include "shell/AppContext.h"
#include "shell/SettingsKeys.h"
#include "shell/ui/TfrmSetup.h"
#include "shell/ui/WidgetPlacementTarget.h"

#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using kavro::test::TempDir;
namespace keys = kavro::keys;

namespace {

struct SetupFixture : ::testing::Test {
    TempDir dir;
    kavro::test::ScriptedPerson person;
    kavro::test::VirtualClock clock;
    kavro::AppContext context;
    QWidget mainWindow;
    int mainRelabels = 0;
    std::vector<std::pair<int, std::string>> renames;
    std::optional<std::string> renameAnswer; // unset: the typed name is stored
    bool refuseRename = false;
    const QFont programFont = QApplication::font(); // a chosen font is the program's: put back after

    ~SetupFixture() override { QApplication::setFont(programFont); }

    SetupFixture()
    {
        dir.write("Language/language.eng", "English\n4000=Setup\n4001=Language\n");
        dir.write("Language/language.cht", "繁體中文\n4000=系統設定\n4001=語言\n4016=啟動\n");
        context.programFolder = dir.path().string() + "/";
        context.settings = std::make_unique<kavro::Settings>(dir / "Data/Kavro.ini");
        context.log = std::make_unique<kavro::ProgramLog>(dir / "Data/kavro.log");
        context.person = &person;
        context.clock = &clock;
        context.languageFilePath = context.file("Language/language.eng");
        context.language.load(context.languageFilePath);
        mainWindow.setObjectName(QStringLiteral("MainForm"));
    }

    void ini(const std::string& text) { dir.write("Data/Kavro.ini", text); }
    std::string iniText() const { return TempDir::read(dir / "Data/Kavro.ini"); }
    // The stored value, or "<missing>".
    std::string value(std::string_view key) const
    {
        return context.settings->readString("System", key, "<missing>");
    }

    kavro::TfrmSetup::Hooks hooks()
    {
        kavro::TfrmSetup::Hooks h;
        h.machineNames = {"Alpha", "Beta"};
        h.renameMachine = [this](int index, const std::string& name) -> std::optional<std::string> {
            renames.emplace_back(index, name);
            if (refuseRename)
                return std::nullopt;
            return renameAnswer ? renameAnswer : std::optional<std::string>(name);
        };
        h.relabelMainWindow = [this] { ++mainRelabels; };
        return h;
    }

    template <class T> static T* child(QWidget& dialog, const char* name)
    {
        auto* widget = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static void typeInto(QComboBox* box, const QString& text) { box->lineEdit()->setText(text); }

    // Renames a row the way the person does: double click (or the edit it starts), type, Enter.
    static void editRow(QListWidget* list, int row, const QString& text, bool byDoubleClick = false)
    {
        QApplication::processEvents(); // laid out
        QListWidgetItem* item = list->item(row);
        if (byDoubleClick) {
            // A real double click: the first click, then the second reported as a double click.
            const QPoint at = list->visualItemRect(item).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        } else
            list->editItem(item);
        auto* editor = list->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr) << "no editor opened";
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits from the event loop, and the closed editor goes there too.
        QApplication::processEvents();
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(SetupFixture, OpensWithTheStoredValuesAndTheLanguageFiles)
{
    ini("[System]\nLanguage=English\neMail=me@example.org\ncddb_host=gnudb.gnudb.org\nRetrieveLog=1\n"
        "DblClick=1\nBackupPath=/srv/backup\nFontName=DejaVu Sans\n");
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);

    auto* languages = child<QComboBox>(dialog, "ComboBox1");
    ASSERT_EQ(languages->count(), 2);
    // In file-name order.
    EXPECT_EQ(languages->itemText(0), QStringLiteral("繁體中文"));
    EXPECT_EQ(languages->itemText(1), QStringLiteral("English"));
    EXPECT_EQ(languages->currentText(), QStringLiteral("English"));
    EXPECT_EQ(child<QLineEdit>(dialog, "Edit4")->text(), QStringLiteral("me@example.org"));
    EXPECT_EQ(child<QComboBox>(dialog, "ComboBox3")->currentText(), QStringLiteral("gnudb.gnudb.org"));
    EXPECT_TRUE(child<QCheckBox>(dialog, "CheckBox_Retrieve_log")->isChecked());
    auto* machines = child<QListWidget>(dialog, "ListView_machine");
    ASSERT_EQ(machines->count(), 2);
    EXPECT_EQ(machines->item(1)->text(), QStringLiteral("Beta"));

    // The dialog's placement rows all find their controls.
    EXPECT_GT(kavro::placeWindowTexts(dialog, context, &mainWindow), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "Data/kavro.log")) << TempDir::read(dir / "Data/kavro.log");
}

TEST_F(SetupFixture, UnknownLanguageNameKeepsBothLanguageKeys)
{
    ini("[System]\nLanguage=English\nLanguageName=language.eng\n");
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
    typeInto(child<QComboBox>(dialog, "ComboBox1"), QStringLiteral("Klingon"));
    child<QPushButton>(dialog, "Button1")->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(value("Language"), "English");
    EXPECT_EQ(value("LanguageName"), "language.eng");
}

TEST_F(SetupFixture, KnownLanguageNameSavesItsFile)
{
    ini("[System]\nLanguage=English\nLanguageName=language.eng\n");
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
    typeInto(child<QComboBox>(dialog, "ComboBox1"), QStringLiteral("繁體中文"));
    child<QPushButton>(dialog, "Button1")->click();

    EXPECT_EQ(value("Language"), "繁體中文");
    EXPECT_EQ(value("LanguageName"), "language.cht");
}

TEST_F(SetupFixture, PreviewThenEscKeepsThePreviewButNotTheSetting)
{
    ini("[System]\nLanguage=English\nLanguageName=language.eng\n");
    const std::string before = iniText();
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
    dialog.show();
    auto* languages = child<QComboBox>(dialog, "ComboBox1");
    languages->setCurrentIndex(1);
    QTest::keyClick(languages, Qt::Key_Up); // picks 繁體中文 from the list

    EXPECT_EQ(context.language.text("4001", "?"), "語言");
    EXPECT_EQ(context.languageFilePath, context.file("Language/language.cht"));
    EXPECT_EQ(mainRelabels, 1);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("系統設定"));
    EXPECT_EQ(child<QCheckBox>(dialog, "CheckBox_Retrieve_log")->text(), QStringLiteral("啟動"));
    // Keys the file lacks take the lookups' defaults.
    EXPECT_EQ(child<QPushButton>(dialog, "Button1")->text(), QStringLiteral("Save"));

    // Esc reaches the dialog even from inside the language box's edit.
    QTest::keyClick(languages->lineEdit(), Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(iniText(), before);
    EXPECT_EQ(context.language.text("4001", "?"), "語言");
}

TEST_F(SetupFixture, WithoutALanguageKeyTheLanguageInUseIsShownAndSavedAgain)
{
    ini("[System]\nLanguageName=language.cht\n");
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
    EXPECT_EQ(child<QComboBox>(dialog, "ComboBox1")->currentText(), QStringLiteral("繁體中文"));
    child<QPushButton>(dialog, "Button1")->click();
    EXPECT_EQ(value("LanguageName"), "language.cht");
    EXPECT_EQ(value("Language"), "繁體中文");
}

TEST_F(SetupFixture, ChoosingANameThatIsNoLanguageChangesNothing)
{
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
    dialog.previewLanguage(QStringLiteral("english")); // names match exactly
    EXPECT_EQ(mainRelabels, 0);
    EXPECT_EQ(context.languageFilePath, context.file("Language/language.eng"));
}

TEST_F(SetupFixture, SavingKeepsTheDoubleClickChoiceItCannotShow)
{
    // Without a key the main window's default (front door) must stay; a stored 0 stays 0.
    for (const std::string stored : {"", "DblClick=0\n", "DblClick=1\n"}) {
        ini("[System]\nLanguage=English\n" + stored);
        kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
        child<QPushButton>(dialog, "Button1")->click();
        EXPECT_EQ(value("DblClick"), stored.empty() ? "<missing>" : stored.substr(9, 1)) << stored;
        EXPECT_EQ(value("RetrieveLog"), "0");
    }
}

TEST_F(SetupFixture, SavingWritesBackTheHiddenFieldsAndTheEditedOnes)
{
    ini("[System]\nDblClick=1\nBackupPath=/srv/backup\nFontName=DejaVu Sans\n");
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
    child<QLineEdit>(dialog, "Edit4")->setText(QStringLiteral("someone@example.org"));
    typeInto(child<QComboBox>(dialog, "ComboBox3"), QStringLiteral("www.gnudb.org"));
    child<QCheckBox>(dialog, "CheckBox_Retrieve_log")->setChecked(true);
    child<QPushButton>(dialog, "Button1")->click();

    EXPECT_EQ(value("DblClick"), "1");
    EXPECT_EQ(value("BackupPath"), "/srv/backup");
    EXPECT_EQ(value("FontName"), "DejaVu Sans");
    EXPECT_EQ(value("eMail"), "someone@example.org");
    EXPECT_EQ(value("cddb_host"), "www.gnudb.org");
    EXPECT_EQ(value("RetrieveLog"), "1");
}

TEST_F(SetupFixture, NoHostOpensEmptyAndSavesEmpty)
{
    ini("[System]\neMail=a@b\n");
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
    auto* host = child<QComboBox>(dialog, "ComboBox3");
    EXPECT_EQ(host->currentText(), QString());
    ASSERT_EQ(host->count(), static_cast<int>(kavro::TfrmSetup::cddbHosts().size()));
    EXPECT_EQ(host->itemText(0), QStringLiteral("gnudb.gnudb.org"));
    child<QPushButton>(dialog, "Button1")->click();
    EXPECT_EQ(value("cddb_host"), "");
}

TEST_F(SetupFixture, TitleSourceOpensAsStoredAndSavesTheChoice)
{
    const struct {
        const char* stored; // nullptr: no key
        const char* shown;
    } cases[] = {{nullptr, "MusicBrainz, then CDDB"}, {"cddb", "CDDB"}, {"MusicBrainz", "MusicBrainz"},
                 {"something", "MusicBrainz, then CDDB"}};
    for (const auto& c : cases) {
        ini(c.stored ? std::string("[System]\ntitle_source=") + c.stored + "\n" : std::string("[System]\n"));
        kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
        auto* source = child<QComboBox>(dialog, "ComboBox_TitleSource");
        EXPECT_EQ(source->currentText(), QString::fromUtf8(c.shown)) << c.shown;
        source->setCurrentIndex(2);
        child<QPushButton>(dialog, "Button1")->click();
        EXPECT_EQ(value("title_source"), "CDDB");
    }
}

TEST_F(SetupFixture, SavingWithoutTouchingTheFontKeepsTheFontKeys)
{
    ini("[System]\nFontName=DejaVu Serif\nFontColor=255\nFontSize=9\nFontStyle=fsItalic\nCharset=1\n");
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
    child<QPushButton>(dialog, "Button1")->click();
    EXPECT_EQ(value("FontColor"), "255");
    EXPECT_EQ(value("FontSize"), "9");
    EXPECT_EQ(value("FontStyle"), "fsItalic");
    EXPECT_EQ(value("Charset"), "1");
    EXPECT_EQ(value("FontName"), "DejaVu Serif");
}

TEST_F(SetupFixture, ChosenFontIsAppliedAndItsFiveKeysWrittenAtOnce)
{
    ini("[System]\nFontColor=255\nFontStyle=fsItalic\n");
    auto h = hooks();
    int asked = 0;
    bool cancel = true;
    h.chooseFont = [&](const QFont& initial, QWidget*) -> std::optional<QFont> {
        ++asked;
        if (cancel)
            return std::nullopt;
        QFont font = initial;
        font.setFamily(QStringLiteral("DejaVu Sans Mono"));
        font.setPointSize(14);
        font.setItalic(true);
        font.setBold(true);
        return font;
    };
    kavro::TfrmSetup dialog(context, h, &mainWindow);
    const std::string before = iniText();
    child<QPushButton>(dialog, "BitBtn2")->click();
    EXPECT_EQ(iniText(), before) << "a cancelled font dialog changes nothing";

    cancel = false;
    child<QPushButton>(dialog, "BitBtn2")->click();
    EXPECT_EQ(asked, 2);
    QCoreApplication::sendPostedEvents(); // windows hear of the program's new font
    EXPECT_EQ(mainWindow.font().pointSize(), 14);
    EXPECT_TRUE(mainWindow.font().bold());
    EXPECT_EQ(dialog.font().pointSize(), 14);
    QMenu menu;
    EXPECT_EQ(menu.font().pointSize(), 14) << "the chosen font is the program's, menus too";
    // Written before Save: bold and italic is stored as bold alone.
    EXPECT_EQ(value("FontName"), "DejaVu Sans Mono");
    EXPECT_EQ(value("FontSize"), "14");
    EXPECT_EQ(value("FontStyle"), "fsBold");
    EXPECT_EQ(value("Charset"), "1");
    EXPECT_EQ(value("FontColor"), "255");

    // Esc after a font choice: the font keys stay written.
    dialog.reject();
    EXPECT_EQ(value("FontStyle"), "fsBold");
}

TEST_F(SetupFixture, RenamingToTheSameNameDoesNothingAndToANewNameStoresAtOnce)
{
    ini("[System]\n");
    kavro::TfrmSetup dialog(context, hooks(), &mainWindow);
    dialog.show();
    auto* machines = child<QListWidget>(dialog, "ListView_machine");

    editRow(machines, 1, QStringLiteral("Beta"), true);
    EXPECT_TRUE(renames.empty());

    editRow(machines, 1, QStringLiteral("Gamma"), true);
    ASSERT_EQ(renames.size(), 1u);
    EXPECT_EQ(renames[0], std::make_pair(1, std::string("Gamma")));
    EXPECT_EQ(machines->item(1)->text(), QStringLiteral("Gamma"));
    EXPECT_EQ(iniText(), "[System]\n") << "renaming is no part of Save";

    // The row shows the name as stored; a refused name puts the old one back.
    renameAnswer = "Delta cut";
    editRow(machines, 0, QStringLiteral("Delta cut and more"));
    EXPECT_EQ(machines->item(0)->text(), QStringLiteral("Delta cut"));
    refuseRename = true;
    editRow(machines, 0, QStringLiteral("Gamma"));
    EXPECT_EQ(machines->item(0)->text(), QStringLiteral("Delta cut"));
    ASSERT_EQ(renames.size(), 3u);

    // Typing the stored name again after a refusal is no change.
    editRow(machines, 0, QStringLiteral("Delta cut"));
    EXPECT_EQ(renames.size(), 3u);
}

TEST_F(SetupFixture, DriveCounterShowsOnlyAnAnswerAboveZero)
{
    auto h = hooks();
    std::optional<kavro::DriveCounterReading> reading;
    bool fail = false;
    int asked = 0;
    h.driveCounter = [&]() -> std::optional<kavro::DriveCounterReading> {
        ++asked;
        if (fail)
            throw std::runtime_error("library fault");
        return reading;
    };
    kavro::TfrmSetup dialog(context, h, &mainWindow);
    auto* name = child<QLabel>(dialog, "TntLabel_machine_name");
    auto* counter = child<QLabel>(dialog, "Label_cddrivercount");

    dialog.showDriveCounter();
    EXPECT_EQ(name->text(), QString());
    reading = kavro::DriveCounterReading{"Cabinet 7", 0};
    dialog.showDriveCounter();
    EXPECT_EQ(counter->text(), QString());

    reading = kavro::DriveCounterReading{"Cabinet 7", 70000};
    dialog.showDriveCounter();
    EXPECT_EQ(name->text(), QStringLiteral("Cabinet 7"));
    EXPECT_EQ(counter->text(), QStringLiteral("70000"));

    reading.reset();
    dialog.showDriveCounter();
    fail = true;
    dialog.showDriveCounter();
    EXPECT_EQ(counter->text(), QStringLiteral("70000"));
    EXPECT_EQ(asked, 5);

    // Each activation asks again.
    fail = false;
    dialog.show();
    dialog.activateWindow();
    for (int i = 0; i < 100 && asked == 5; ++i)
        QApplication::processEvents();
    EXPECT_GT(asked, 5);
}
