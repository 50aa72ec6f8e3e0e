#include "shell/ui/QtPerson.h"
#include "shell/ui/QtTranslation.h"

#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using kavro::test::TempDir;

// The recording seam of the program's tests: nothing is shown, every box becomes one line.
TEST(QtPersonRecording, BoxesBecomeLinesAndAreAnswered)
{
    TempDir dir;
    kavro::QtPerson person;
    person.recordBoxesTo((dir / "boxes.txt").string());
    EXPECT_EQ(person.messageBox("/opt/kavro/Language/ not found", "Warnning!!!", kavro::BoxIcon::Stop,
                                kavro::BoxButtons::Ok),
              kavro::BoxAnswer::Ok);
    EXPECT_EQ(
        person.messageBox("Line one\r\nLine\ttwo", "Q", kavro::BoxIcon::Question, kavro::BoxButtons::YesNo),
        kavro::BoxAnswer::Yes);
    EXPECT_EQ(person.inputBox("Name", "Please Input Machine Name:", "KZ"), std::nullopt);
    EXPECT_EQ(TempDir::read(dir / "boxes.txt"), "box\tWarnning!!!\t/opt/kavro/Language/ not found\tstop\n"
                                                "box\tQ\tLine one\\r\\nLine\\ttwo\tquestion\n"
                                                "input\tName\tPlease Input Machine Name:\tKZ\n");
}

// Enter on a real message box presses the default the flow asked for, else the first button.
TEST(QtPersonBoxes, EnterPressesTheDefaultAnswer)
{
    using kavro::BoxAnswer;
    using kavro::BoxButtons;
    const struct {
        BoxButtons buttons;
        std::optional<BoxAnswer> defaultAnswer;
        BoxAnswer expected;
    } cases[] = {
        {BoxButtons::OkCancel, BoxAnswer::Cancel, BoxAnswer::Cancel},
        {BoxButtons::YesNo, BoxAnswer::No, BoxAnswer::No},
        {BoxButtons::OkCancel, std::nullopt, BoxAnswer::Ok},
        {BoxButtons::YesNo, std::nullopt, BoxAnswer::Yes},
    };
    kavro::QtPerson person;
    for (const auto& c : cases) {
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                QTest::keyClick(box, Qt::Key_Return);
        });
        EXPECT_EQ(person.messageBox("Delete it?", "Q", kavro::BoxIcon::Question, c.buttons, c.defaultAnswer),
                  c.expected);
    }
}

// A one-word text still leaves the title bar room for the whole caption beside its buttons.
TEST(QtPersonBoxes, ABoxIsWideEnoughForItsCaption)
{
    kavro::QtPerson person;
    for (const char* caption : {"Warning", "A caption far longer than the text of the box"}) {
        int width = 0;
        int captionWidth = 0;
        QTimer::singleShot(0, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                width = box->width();
                captionWidth = box->fontMetrics().horizontalAdvance(QString::fromUtf8(caption));
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        person.messageBox("Title", caption, kavro::BoxIcon::Warning, kavro::BoxButtons::Ok);
        EXPECT_GT(width, captionWidth + 6 * QFontMetrics(QApplication::font()).height()) << caption;
    }
}

// The buttons of boxes and input boxes speak the program's language, not Qt's.
TEST(QtPersonBoxes, ButtonsAreLabelledInTheProgramsLanguage)
{
    struct Chinese final : kavro::Texts {
        std::string text(std::string_view key, std::string_view fallback) const override
        {
            if (key == "5110")
                return "確定";
            if (key == "5111")
                return "取消";
            if (key == "5112")
                return "是(&Y)";
            if (key == "5113")
                return "否(&N)";
            return std::string(fallback);
        }
    } chinese;
    kavro::QtPerson person;
    person.setTexts(&chinese);
    auto buttonTexts = [] {
        QStringList texts;
        if (QWidget* box = QApplication::activeModalWidget()) {
            const auto buttons = box->findChildren<QAbstractButton*>();
            for (const QAbstractButton* b : buttons)
                if (b->isVisible())
                    texts << b->text();
            texts.sort();
            QTest::keyClick(box, Qt::Key_Escape);
        }
        return texts;
    };
    QStringList seen;
    QTimer::singleShot(0, [&] { seen = buttonTexts(); });
    person.messageBox("Delete it?", "Q", kavro::BoxIcon::Question, kavro::BoxButtons::YesNoCancel);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("取消"), QStringLiteral("否(&N)"), QStringLiteral("是(&Y)")}));
    QTimer::singleShot(0, [&] { seen = buttonTexts(); });
    EXPECT_EQ(person.inputBox("Name", "Machine name:", "KZ"), std::nullopt);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("取消"), QStringLiteral("確定")}));
}

// Qt's own words follow the language file's choice of Qt translation, and go back to English.
TEST(QtTranslation, FollowsTheLanguageFile)
{
    struct Language final : kavro::Texts {
        std::string qtName;
        std::string text(std::string_view key, std::string_view fallback) const override
        {
            return key == "5114" ? qtName : std::string(fallback);
        }
    } language;
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    language.qtName = "zh_TW";
    if (!kavro::UseQtTranslation(language))
        GTEST_SKIP() << "Qt's Chinese translation (qt6-translations-l10n) is not installed";
    EXPECT_NE(cancel(), QStringLiteral("Cancel"));
    for (const char* name : {"en", "../../etc/passwd", "xx_XX"}) {
        language.qtName = name;
        EXPECT_FALSE(kavro::UseQtTranslation(language)) << name;
        EXPECT_EQ(cancel(), QStringLiteral("Cancel")) << name;
    }
}
