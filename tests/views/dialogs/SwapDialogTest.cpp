#include "platform/Text.h"
#include "shell/AppContext.h"
#include "views/dialogs/TfrmSwapID.h"

#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using kavro::TfrmSwapID;
using kavro::test::TempDir;
using Names = std::pair<std::string, std::string>;

namespace {

QString qs(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

template <class T> T* control(QWidget& dialog, const char* name)
{
    auto* found = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

Names askWith(TfrmSwapID& dialog, const std::vector<std::string>& names,
              const std::function<void(TfrmSwapID&)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* shown = qobject_cast<TfrmSwapID*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        act(*shown);
        if (shown->isVisible())
            shown->close();
    });
    return dialog.ask(names);
}

QStringList items(const QComboBox& list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.itemText(i);
    return out;
}

const std::vector<std::string> kMachines{"Studio", "Archive", "機櫃 3"};

} // namespace

TEST(SwapDialog, BothListsHoldTheMachineNamesInOrderAndSwapHandsBackTheirTexts)
{
    TfrmSwapID dialog;
    EXPECT_EQ(dialog.windowTitle(), qs("置換 ID"));
    const Names chosen = askWith(dialog, kMachines, [](TfrmSwapID& shown) {
        auto* source = control<QComboBox>(shown, "ComboBox1");
        auto* target = control<QComboBox>(shown, "ComboBox2");
        const QStringList expected{QStringLiteral("Studio"), QStringLiteral("Archive"), qs("機櫃 3")};
        EXPECT_EQ(items(*source), expected);
        EXPECT_EQ(items(*target), expected);
        EXPECT_EQ(source->currentText(), QString());
        EXPECT_TRUE(source->isEditable());
        EXPECT_TRUE(target->isEditable());
        EXPECT_TRUE(control<QPushButton>(shown, "BitBtn3")->isHidden()) << "reset is hidden";
        EXPECT_EQ(control<QLabel>(shown, "StaticText1")->text(), qs("置換後請重開程式"));

        source->setCurrentIndex(2);
        // A typed name is handed back as typed, and does not join the list.
        target->lineEdit()->clear();
        QTest::keyClicks(target->lineEdit(), QStringLiteral("Archive 2"));
        QTest::keyClick(target->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(target->count(), 3);
        EXPECT_TRUE(shown.isVisible()) << "Enter in a list does not swap";
        control<QPushButton>(shown, "BitBtn1")->click();
    });
    EXPECT_EQ(chosen, Names("機櫃 3", "Archive 2"));
}

TEST(SwapDialog, CancelResetAndEscapeHandBackTwoEmptyTexts)
{
    TfrmSwapID dialog;
    auto chooseBoth = [](TfrmSwapID& shown) {
        control<QComboBox>(shown, "ComboBox1")->setCurrentIndex(0);
        control<QComboBox>(shown, "ComboBox2")->setCurrentIndex(1);
    };
    EXPECT_EQ(askWith(dialog, kMachines,
                      [&](TfrmSwapID& shown) {
                          chooseBoth(shown);
                          control<QPushButton>(shown, "BitBtn2")->click();
                      }),
              Names());
    EXPECT_EQ(askWith(dialog, kMachines,
                      [&](TfrmSwapID& shown) {
                          chooseBoth(shown);
                          control<QPushButton>(shown, "BitBtn3")->click();
                      }),
              Names());
    EXPECT_EQ(askWith(dialog, kMachines,
                      [&](TfrmSwapID& shown) {
                          chooseBoth(shown);
                          QTest::keyClick(control<QComboBox>(shown, "ComboBox2"), Qt::Key_Escape);
                      }),
              Names());
    EXPECT_FALSE(dialog.isVisible());
    // A swap before shows that the lists were filled anew each time, not appended to.
    const Names swapped = askWith(dialog, kMachines, [&](TfrmSwapID& shown) {
        EXPECT_EQ(control<QComboBox>(shown, "ComboBox1")->count(), 3);
        chooseBoth(shown);
        control<QPushButton>(shown, "BitBtn1")->click();
    });
    EXPECT_EQ(swapped, Names("Studio", "Archive"));
}

TEST(SwapDialog, LongTextsAreCutTo199BytesBetweenCharacters)
{
    TfrmSwapID dialog;
    QString longName;
    for (int i = 0; i < 80; ++i)
        longName += qs("櫃"); // 3 bytes each
    const Names chosen = askWith(dialog, kMachines, [&](TfrmSwapID& shown) {
        control<QComboBox>(shown, "ComboBox1")->setEditText(longName);
        control<QComboBox>(shown, "ComboBox2")->setEditText(QString(250, QLatin1Char('x')));
        control<QPushButton>(shown, "BitBtn1")->click();
    });
    EXPECT_EQ(chosen.first.size(), 198u);
    EXPECT_TRUE(kavro::text::isValidUtf8(chosen.first));
    EXPECT_EQ(chosen.second, std::string(199, 'x'));
}

TEST(SwapDialog, PlacementLabelsCaptionLabelsButtonsAndNote)
{
    TempDir dir;
    kavro::test::VirtualClock clock;
    kavro::AppContext context;
    context.clock = &clock;
    context.log = std::make_unique<kavro::ProgramLog>(dir / "kavro.log");
    context.language.loadText(
        "English\n4600=Swap ID\n4601=Source ID\n4602=Target ID\n4603=Swap\n4604=Cancel\n"
        "4605=Please restart the program after swapping.\n");

    auto dialog = TfrmSwapID::create(context, nullptr);

    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Swap ID"));
    EXPECT_EQ(control<QLabel>(*dialog, "Label1")->text(), QStringLiteral("Source ID"));
    EXPECT_EQ(control<QLabel>(*dialog, "Label2")->text(), QStringLiteral("Target ID"));
    EXPECT_EQ(control<QPushButton>(*dialog, "BitBtn1")->text(), QStringLiteral("Swap"));
    EXPECT_EQ(control<QPushButton>(*dialog, "BitBtn2")->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(control<QPushButton>(*dialog, "BitBtn3")->text(), qs("重設")) << "reset is not placed";
    EXPECT_EQ(control<QLabel>(*dialog, "StaticText1")->text(),
              QStringLiteral("Please restart the program after swapping."));
    EXPECT_EQ(TempDir::read(dir / "kavro.log"), "");
}
