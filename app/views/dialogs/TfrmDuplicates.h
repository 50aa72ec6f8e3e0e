#pragma once

#include "catalogue/search/Duplicates.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kavro {

class Catalogue;

// The duplicates of the catalogue in two lists: discs that look like the same disc twice (same
// volume name, serial number and size) and the largest files found on more than one disc (same
// name and size). Each group opens to its discs (machine, slot, title); a double-click on a disc
// selects it in the main window. Both lists export as one CSV file.
class TfrmDuplicates final : public QDialog {
    Q_OBJECT
public:
    TfrmDuplicates(Catalogue& catalogue, std::function<void(int machine, int slot)> select,
                   QWidget* parent = nullptr);

    // Looks again through the catalogue (with progress) and fills both lists.
    void refresh();
    // Writes the CSV of both lists; false, with a message, when the file cannot be written.
    bool exportCsvTo(const QString& file);

    QTreeWidget* discList() const { return m_discs; }
    QTreeWidget* fileList() const { return m_files; }
    QLabel* summary() const { return m_summary; }

private:
    void exportCsv();
    void fillDiscs();
    void fillFiles();
    QString t(const char* key, const char* text) const;

    Catalogue& m_catalogue;
    std::function<void(int, int)> m_select;
    std::vector<DuplicateDiscGroup> m_discGroups;
    std::vector<DuplicateFile> m_fileGroups;
    QTreeWidget* m_discs = nullptr;
    QTreeWidget* m_files = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_export = nullptr;
};

} // namespace kavro
