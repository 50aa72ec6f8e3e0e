#pragma once

#include "catalogue/import/ImportFixture.h"

#include "shell/AppContext.h"
#include "views/mainwindow/CatalogueActions.h"
#include "views/dialogs/TPathDialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <set>

namespace kavro::test {

// The catalogue commands over an open catalogue in a program folder, with a stand-in main
// window and a picker answered by the test.
class BackupFixture : public ImportFixture {
protected:
    void SetUp() override
    {
        ImportFixture::SetUp();
        std::filesystem::create_directories(dir / "Backup");
        context.programFolder = dir.path().string() + "/";
        context.settings = std::make_unique<Settings>(dir / "Data/Kavro.ini");
        context.log = std::make_unique<ProgramLog>(dir / "Data/kavro.log");
        context.person = &person;
        context.clock = &clock;
        openWithCategories();
        window = std::make_unique<QWidget>();
        window->show();
        actions = new CatalogueActions(*catalogue, context, registry, window.get());
        QObject::connect(actions, &CatalogueActions::endProgram, [this] {
            ++endings;
            window->close();
        });
        actions->picker().setDriveSource([] { return std::vector<PickerDrive>{{"/", "/", 0}}; });
    }

    void TearDown() override
    {
        window.reset(); // the actions go with it
        catalogue.reset();
    }

    // The next picker run: the folder list moved to folder, the file of that name chosen (none
    // for an empty name), then OK.
    void answerPicker(const std::filesystem::path& folder, const std::string& file = {})
    {
        actions->picker().setOnShow([folder, file](TPathDialog& d) {
            d.moveToFolder(folder.string());
            if (!file.empty()) {
                const auto found = d.fileList()->findItems(QString::fromStdString(file), Qt::MatchExactly);
                ASSERT_EQ(found.size(), 1) << file << " in " << folder;
                found.front()->setSelected(true);
            }
            if (d.okButton()->isEnabled())
                d.okButton()->click();
            else
                QTest::keyClick(&d, Qt::Key_Escape);
        });
    }

    void cancelPicker()
    {
        actions->picker().setOnShow([](TPathDialog& d) { d.cancelButton()->click(); });
    }

    // The names of the files in a folder.
    static std::set<std::string> filesIn(const std::filesystem::path& folder)
    {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            out.insert(e.path().filename().string());
        return out;
    }

    AppContext context;
    std::unique_ptr<QWidget> window;
    CatalogueActions* actions = nullptr;
    int endings = 0;
};

} // namespace kavro::test
