#include "shell/AppContext.h"
#include "views/dialogs/TfrmSearch.h"

#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using kavro::SearchDialogAnswer;
using kavro::TfrmSearch;
using kavro::test::TempDir;

namespace {

template <class T> T* control(QWidget& dialog, const char* name)
{
    auto* found = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QCheckBox* box(QWidget& dialog, int n)
{
    return control<QCheckBox>(dialog, ("CheckBox" + std::to_string(n)).c_str());
}

// Runs act on the modal dialog once it shows; closes it if act left it open.
void whenShown(const std::function<void(QDialog&)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
        if (dialog->isVisible())
            dialog->close();
    });
}

// A program context with a small English language table.
struct EnglishContext {
    EnglishContext()
    {
        context.clock = &clock;
        context.log = std::make_unique<kavro::ProgramLog>(dir / "kavro.log");
        context.language.loadText(
            "English\n3800=Advanced Search\n3801=Search Text\n3803=Search In\n"
            "3804=Search Fields\n3805=Title\n3806=Remark\n3807=File Name\n3808=Other\n"
            "3809=Folder Name\n3810=More Fields\n3811=Category Name\n3812=Machine Name\n"
            "2017=Barcode\n3813=Search\n3814=Cancel\n3815=Search Barcode\n");
    }
    TempDir dir;
    kavro::test::VirtualClock clock;
    kavro::AppContext context;
};

} // namespace

TEST(SearchDialog, BarcodeBoxExcludesTheFieldBoxesBothWaysAndSwitchesTheLabel)
{
    EnglishContext english;
    auto dialog = TfrmSearch::create(english.context, nullptr);
    QLabel* label = control<QLabel>(*dialog, "Label1");
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Advanced Search"));
    EXPECT_EQ(label->text(), QStringLiteral("Search Text"));
    EXPECT_TRUE(box(*dialog, 1)->isChecked()) << "the title box is ticked at start";

    box(*dialog, 2)->setChecked(true);
    box(*dialog, 5)->setChecked(true);
    box(*dialog, 8)->setChecked(true);
    for (int n = 1; n <= 5; ++n)
        EXPECT_FALSE(box(*dialog, n)->isChecked()) << n;
    EXPECT_EQ(label->text(), QStringLiteral("Search Barcode"));

    box(*dialog, 4)->setChecked(true);
    EXPECT_FALSE(box(*dialog, 8)->isChecked());
    EXPECT_EQ(label->text(), QStringLiteral("Search Text"));

    box(*dialog, 8)->setChecked(true);
    EXPECT_FALSE(box(*dialog, 4)->isChecked());
    box(*dialog, 8)->setChecked(false);
    EXPECT_EQ(label->text(), QStringLiteral("Search Text")) << "unticking the barcode box restores 3801";
    EXPECT_EQ(TempDir::read(english.dir / "kavro.log"), "") << "every placed control exists";
}

TEST(SearchDialog, RunGivesSearchOrBarcodeWithTheTextAndTheBoxes)
{
    TfrmSearch dialog;
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("進階搜尋"));
    whenShown([](QDialog& shown) {
        QTest::keyClicks(control<QLineEdit>(shown, "Edit1"), QStringLiteral("Bach"));
        box(shown, 1)->setChecked(false);
        box(shown, 3)->setChecked(true);
        box(shown, 5)->setChecked(true);
        control<QPushButton>(shown, "BitBtn1")->click();
    });
    SearchDialogAnswer a = dialog.ask();
    EXPECT_EQ(a.result, SearchDialogAnswer::Search);
    EXPECT_EQ(a.text, "Bach");
    EXPECT_FALSE(a.criteria.title);
    EXPECT_FALSE(a.criteria.remark);
    EXPECT_TRUE(a.criteria.fileName);
    EXPECT_FALSE(a.criteria.other);
    EXPECT_TRUE(a.criteria.folderName);

    TfrmSearch barcode;
    whenShown([](QDialog& shown) {
        box(shown, 8)->setChecked(true);
        control<QLineEdit>(shown, "Edit1")->setText(QStringLiteral("4711"));
        // Enter in the text runs it.
        QTest::keyClick(control<QLineEdit>(shown, "Edit1"), Qt::Key_Return);
    });
    a = barcode.ask();
    EXPECT_EQ(a.result, SearchDialogAnswer::Barcode);
    EXPECT_EQ(a.text, "4711");

    // The barcode box without a text is an ordinary search (of nothing).
    TfrmSearch empty;
    whenShown([](QDialog& shown) {
        box(shown, 8)->setChecked(true);
        control<QPushButton>(shown, "BitBtn1")->click();
    });
    EXPECT_EQ(empty.ask().result, SearchDialogAnswer::Search);
}

TEST(SearchDialog, CancelAndEscapeGiveZeroAlsoAfterAnEarlierRun)
{
    TfrmSearch dialog;
    whenShown([](QDialog& shown) {
        control<QLineEdit>(shown, "Edit1")->setText(QStringLiteral("x"));
        control<QPushButton>(shown, "BitBtn1")->click();
    });
    EXPECT_EQ(dialog.ask().result, SearchDialogAnswer::Search);
    whenShown([](QDialog& shown) { control<QPushButton>(shown, "BitBtn2")->click(); });
    EXPECT_EQ(dialog.ask().result, SearchDialogAnswer::Cancelled);
    whenShown([](QDialog& shown) { QTest::keyClick(&shown, Qt::Key_Escape); });
    EXPECT_EQ(dialog.ask().result, SearchDialogAnswer::Cancelled);
}
