#include "shell/AppContext.h"
#include "shell/PasswordCheck.h"
#include "shell/RegistryStore.h"
#include "shell/StartUp.h"
#include "shell/ui/TfrmKeyPassword.h"
#include "shell/ui/TfrmPassword.h"

#include "support/ScriptedPerson.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kavro::test::TempDir;

namespace {

struct PasswordFixture : ::testing::Test {
    TempDir dir;
    kavro::AppContext context;
    int asked = 0;

    PasswordFixture() { context.registry = std::make_unique<kavro::RegistryStore>(dir / "registry"); }

    void storePassword(const std::string& password)
    {
        ASSERT_TRUE(context.registry->createKey(kavro::password::keyPath));
        ASSERT_TRUE(
            context.registry->writeString(kavro::password::keyPath, kavro::password::valueName, password));
    }

    // Runs the start-up gate with the real entry dialog; each entry is typed and confirmed, by the
    // OK button or by Enter in turn, while the dialog is shown modally.
    bool runGate(const std::vector<std::string>& entries)
    {
        return kavro::startup::passwordGate(context, [&](kavro::AppContext& gateContext) {
            ++asked;
            QTimer::singleShot(0, [&entries] {
                auto* dialog = qobject_cast<kavro::TfrmKeyPassword*>(QApplication::activeModalWidget());
                ASSERT_NE(dialog, nullptr);
                auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("MaskEdit1"));
                auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
                bool byEnter = false;
                for (const auto& entry : entries) {
                    if (!dialog->isVisible())
                        break;
                    edit->setText(QString::fromStdString(entry));
                    if (byEnter)
                        QTest::keyClick(edit, Qt::Key_Return);
                    else
                        ok->click();
                    byEnter = !byEnter;
                }
                if (dialog->isVisible())
                    dialog->close(); // left by other means than OK
            });
            kavro::TfrmKeyPassword::ask(gateContext);
        });
    }
};

} // namespace

TEST_F(PasswordFixture, NoKeyOrEmptyValueAsksNothing)
{
    EXPECT_TRUE(runGate({}));
    storePassword("");
    EXPECT_TRUE(runGate({}));
    EXPECT_EQ(asked, 0);
}

TEST_F(PasswordFixture, RightPasswordAtTheSixthTryIsAccepted)
{
    storePassword("Secret");
    EXPECT_TRUE(runGate({"a", "b", "c", "d", "e", "Secret"}));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(context.enteredPassword, "Secret");
}

TEST_F(PasswordFixture, PasswordIsCaseSensitiveAndSixWrongEntriesEndTheGate)
{
    storePassword("Secret");
    // The seventh entry would be right, but the dialog has closed after the sixth.
    EXPECT_FALSE(runGate({"secret", "SECRET", "Secret ", "x", "y", "z", "Secret"}));
    EXPECT_EQ(context.enteredPassword, "z");
}

TEST_F(PasswordFixture, ClosingTheDialogWithoutConfirmingFails)
{
    storePassword("Secret");
    context.enteredPassword = "Secret"; // cleared before the dialog is shown
    EXPECT_FALSE(runGate({}));
    EXPECT_EQ(context.enteredPassword, "");
}

TEST_F(PasswordFixture, EnterConfirmsOnceNotTwice)
{
    kavro::TfrmKeyPassword dialog("Secret");
    dialog.show();
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("MaskEdit1"));
    edit->setText(QStringLiteral("wrong"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog.attempts(), 1);
    EXPECT_EQ(edit->text(), QStringLiteral("wrong")) << "a wrong entry stays in the edit";
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible()) << "the entry dialog has no cancel";
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Password"));
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

namespace {

struct ChangeFixture : PasswordFixture {
    kavro::test::ScriptedPerson person;

    // Fills both edits and presses the change button; returns whether the dialog closed.
    bool change(kavro::TfrmPassword& dialog, const char* first, const char* again)
    {
        dialog.findChild<QLineEdit*>(QStringLiteral("MaskEdit1"))->setText(QString::fromUtf8(first));
        dialog.findChild<QLineEdit*>(QStringLiteral("MaskEdit2"))->setText(QString::fromUtf8(again));
        dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        return !dialog.isVisible();
    }
};

} // namespace

TEST_F(ChangeFixture, DifferingEntriesClearBothAndStayOpen)
{
    kavro::TfrmPassword dialog(*context.registry, person);
    dialog.show();
    EXPECT_FALSE(change(dialog, "abc", "abd"));
    EXPECT_TRUE(dialog.findChild<QLineEdit*>(QStringLiteral("MaskEdit1"))->text().isEmpty());
    EXPECT_TRUE(dialog.findChild<QLineEdit*>(QStringLiteral("MaskEdit2"))->text().isEmpty());
    EXPECT_FALSE(context.registry->readString(kavro::password::keyPath, kavro::password::valueName, 100));
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(ChangeFixture, AgreeingEntriesAreStoredAndAnEmptyOneRemovesTheQuestion)
{
    {
        kavro::TfrmPassword dialog(*context.registry, person);
        dialog.show();
        EXPECT_TRUE(change(dialog, "Neu 密碼", "Neu 密碼"));
    }
    EXPECT_EQ(kavro::password::stored(*context.registry), "Neu 密碼");
    {
        kavro::TfrmPassword dialog(*context.registry, person);
        dialog.show();
        EXPECT_TRUE(change(dialog, "", ""));
    }
    EXPECT_TRUE(runGate({}));
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(ChangeFixture, StoreThatCannotBeWrittenSaysSoAndCloses)
{
    dir.write("blocked", "a file where the registry folder would be");
    kavro::RegistryStore blocked(dir / "blocked" / "registry");
    kavro::TfrmPassword dialog(blocked, person);
    dialog.show();
    EXPECT_TRUE(change(dialog, "abc", "abc"));
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "Set password wrong !!!");
    EXPECT_EQ(person.boxes[0].icon, kavro::BoxIcon::Error);
}

TEST_F(ChangeFixture, CancelChangesNothing)
{
    storePassword("old");
    kavro::TfrmPassword dialog(*context.registry, person);
    dialog.show();
    dialog.findChild<QLineEdit*>(QStringLiteral("MaskEdit1"))->setText(QStringLiteral("new"));
    dialog.findChild<QLineEdit*>(QStringLiteral("MaskEdit2"))->setText(QStringLiteral("new"));
    dialog.findChild<QPushButton*>(QStringLiteral("BitBtn2"))->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(kavro::password::stored(*context.registry), "old");
}
