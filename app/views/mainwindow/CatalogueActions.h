#pragma once

#include "catalogue/import/CatalogueBackupTarget.h"
#include "catalogue/import/CatalogueRestoreResult.h"
#include "catalogue/import/ImportRegistry.h"
#include "views/dialogs/PathPicker.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QWidget;

namespace kavro {

struct AppContext;
class Catalogue;

// The catalogue's file commands of the main window: backup (menu "備份資料", toolbar "備份"),
// restore (toolbar "還原", menu "匯入MDB"; a KAVRO.MDB goes to the old-catalogue import, a
// KAVRO2.MDB of either format to the restore) and the Paradox import (menu "匯入 DB"). Progress
// and questions go through the person; after a restore run in which a folder was confirmed, and
// after an import that changed something, endProgram() asks the main window to close so that the
// next start reads the changed catalogue.
class CatalogueActions : public QObject {
    Q_OBJECT
public:
    CatalogueActions(Catalogue& catalogue, AppContext& context, ImportRegistry& registry,
                     QWidget* mainWindow);
    // The same, keeping the registry for its own life.
    CatalogueActions(Catalogue& catalogue, AppContext& context, std::unique_ptr<ImportRegistry> registry,
                     QWidget* mainWindow);
    ~CatalogueActions() override;

    PathPicker& picker() { return m_picker; }

    void backup();
    void restore();
    void importParadox();

    // Connects the designed entries: N_Backup_mdb and TBItem15 back up, TBItem16 and MDB_import
    // restore, DB_import imports a Paradox catalogue; N_import restores too when it is an entry
    // rather than their submenu. Entries that are not there are left out.
    void connectEntries(const std::function<QAction*(const QString& name)>& designedAction);

    // What the last command did (for the window and tests).
    const std::optional<CatalogueBackupResult>& lastBackup() const { return m_lastBackup; }
    const std::optional<CatalogueRestoreResult>& lastImport() const { return m_lastImport; }

signals:
    // The catalogue file changed under the window: close it, the program ends.
    void endProgram();

private:
    void finish(CatalogueRestoreResult result);

    Catalogue& m_catalogue;
    AppContext& m_context;
    std::unique_ptr<ImportRegistry> m_ownRegistry;
    ImportRegistry& m_registry;
    QPointer<QWidget> m_mainWindow;
    PathPicker m_picker;
    bool m_running = false;
    std::optional<CatalogueBackupResult> m_lastBackup;
    std::optional<CatalogueRestoreResult> m_lastImport;
};

} // namespace kavro
