#include "shell/ui/QtPerson.h"

#include "support/TempDir.h"

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
