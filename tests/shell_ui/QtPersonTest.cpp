#include "shell/ui/QtPerson.h"

#include "support/TempDir.h"

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
