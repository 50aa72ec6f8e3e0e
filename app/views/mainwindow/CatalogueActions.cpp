#include "views/mainwindow/CatalogueActions.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/import/CatalogueRestore.h"
#include "catalogue/import/ParadoxImport.h"
#include "platform/Person.h"
#include "platform/Texts.h"
#include "shell/AppContext.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace kavro {

namespace {

// Several imports of one run would read a half-changed catalogue; one at a time.
class Running {
public:
    explicit Running(bool& flag) : m_flag(flag) { m_flag = true; }
    ~Running() { m_flag = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    bool& m_flag;
};

constexpr std::size_t kNotesShown = 20;

} // namespace

CatalogueActions::CatalogueActions(Catalogue& catalogue, AppContext& context, ImportRegistry& registry,
                                   QWidget* mainWindow)
    : QObject(mainWindow), m_catalogue(catalogue), m_context(context), m_registry(registry),
      m_mainWindow(mainWindow), m_picker(context, mainWindow)
{
}

CatalogueActions::CatalogueActions(Catalogue& catalogue, AppContext& context,
                                   std::unique_ptr<ImportRegistry> registry, QWidget* mainWindow)
    : QObject(mainWindow), m_catalogue(catalogue), m_context(context), m_ownRegistry(std::move(registry)),
      m_registry(*m_ownRegistry), m_mainWindow(mainWindow), m_picker(context, mainWindow)
{
}

CatalogueActions::~CatalogueActions() = default;

void CatalogueActions::backup()
{
    if (m_running)
        return;
    Running running(m_running);
    m_picker.run(PathPicker::Mode::Backup, m_context.language.text("1020", "備份MDB"));
    m_lastBackup = BackupCatalogueTo(m_catalogue, m_picker.chosenFolder());
}

void CatalogueActions::restore()
{
    if (m_running)
        return;
    CatalogueRestoreResult result;
    {
        Running running(m_running);
        m_picker.run(PathPicker::Mode::Restore, m_context.language.text("1022", "匯入KAVRO2.MDB"));
        if (m_picker.chosenFolder().empty())
            return; // abandoned: the program goes on
        result = RunRestore(m_catalogue, &m_registry, m_picker.chosenFolder(), m_picker.chosenFile());
    }
    finish(std::move(result));
}

void CatalogueActions::importParadox()
{
    if (m_running)
        return;
    CatalogueRestoreResult result;
    {
        Running running(m_running);
        result = RunParadoxImport(m_catalogue, m_registry);
    }
    finish(std::move(result));
}

void CatalogueActions::finish(CatalogueRestoreResult result)
{
    // What came over only partly is worth a word before the window goes.
    std::vector<std::string> lines = result.notes;
    if (!result.unsafeCdIds.empty())
        lines.push_back(std::to_string(result.unsafeCdIds.size()) +
                        " rows name their remark, file tree and picture files with a cd_id that leads out of "
                        "their folders; those files were not read.");
    if (!lines.empty() && result.changed) {
        std::string text;
        for (std::size_t i = 0; i < lines.size() && i < kNotesShown; ++i)
            text += lines[i] + "\r\n";
        if (lines.size() > kNotesShown)
            text += "... and " + std::to_string(lines.size() - kNotesShown) + " more.\r\n";
        if (!result.safetyCopy.empty())
            text += "The catalogue as it was before is kept in " + result.safetyCopy.string() + ".";
        m_context.person->messageBox(text, m_context.language.text("0000", "KAVRO 5.1"), BoxIcon::Information,
                                     BoxButtons::Ok);
    }
    const std::string caption = m_context.language.text("0000", "KAVRO 5.1");
    if (result.endProgram) {
        // The person hears what changed before the window goes, and Kavro comes back on the
        // changed catalogue by itself.
        std::string text = "The catalogue now holds the " + std::to_string(result.discsAdded) + " discs that came over";
        if (result.discsOverwritten > 0)
            text += " (" + std::to_string(result.discsOverwritten) + " repeated rows replaced earlier ones)";
        text += ".\r\n";
        if (result.categoriesCreated > 0)
            text += std::to_string(result.categoriesCreated) + " categories were made.\r\n";
        if (result.machinesAdded > 0)
            text += std::to_string(result.machinesAdded) + " machines were registered.\r\n";
        if (!result.safetyCopy.empty())
            text += "The catalogue as it was before is kept in " + result.safetyCopy.string() + ".\r\n";
        text += "Kavro closes now and starts again on the changed catalogue.";
        m_context.person->messageBox(text, caption, BoxIcon::Information, BoxButtons::Ok);
        m_context.restartRequested = true;
    } else if (result.error.empty() && !result.changed && result.rowsRead > 0) {
        m_context.person->messageBox("Nothing came over; the catalogue has not been changed.", caption,
                                     BoxIcon::Information, BoxButtons::Ok);
    }
    const bool end = result.endProgram;
    m_lastImport = std::move(result);
    if (end)
        emit endProgram();
}

void CatalogueActions::connectEntries(const std::function<QAction*(const QString& name)>& designedAction)
{
    const auto on = [&](const char* name, void (CatalogueActions::*command)()) {
        if (QAction* action = designedAction(QString::fromLatin1(name)))
            connect(action, &QAction::triggered, this, command);
    };
    on("N_Backup_mdb", &CatalogueActions::backup);
    on("TBItem15", &CatalogueActions::backup);
    on("TBItem16", &CatalogueActions::restore);
    on("MDB_import", &CatalogueActions::restore);
    on("DB_import", &CatalogueActions::importParadox);
    // "還原" is the submenu of the two imports; where it stands alone it is the restore itself.
    if (QAction* action = designedAction(QStringLiteral("N_import")); action && !action->menu())
        connect(action, &QAction::triggered, this, &CatalogueActions::restore);
}

} // namespace kavro
