#pragma once

#include "catalogue/search/FileFinder.h"
#include "views/lists/FindFilesModel.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace kavro {

class Catalogue;
class DiscTextCache;
class NameIndex;

// The Find files window: every file and folder on every disc whose name matches the text, listed
// as it is typed (name, folder, size, date, disc, machine, slot), sortable by any column, with
// the count of every match. Filters: files or folders only, size at least and at most, date
// from and to. A double-click shows the row's disc with its folder open; the buttons present the
// disc at the door or, on a cabinet with a drive, load it and open the folder once readable.
class TfrmFindFiles final : public QDialog {
    Q_OBJECT
public:
    // What the window asks of the main window; empty ones leave their buttons disabled.
    struct Actions {
        std::function<void(const FoundDisc&, const FileHit&)> show;
        std::function<void(const FoundDisc&)> present;
        std::function<void(const FoundDisc&, const FileHit&)> loadAndOpen;
    };

    TfrmFindFiles(Catalogue& catalogue, DiscTextCache& cache, NameIndex* index, Actions actions,
                  QWidget* parent = nullptr);
    ~TfrmFindFiles() override;

    // Searches now for what the controls hold (typing does this by itself).
    void searchNow();
    // The rest of the search, to its end (the window otherwise goes on a few trees at a time).
    void finishSearch();

    FindFilesModel& model() { return *m_model; }
    QLineEdit* textEdit() const { return m_text; }
    QTableView* table() const { return m_table; }
    QLabel* countLabel() const { return m_count; }
    QComboBox* kindBox() const { return m_kind; }
    QLineEdit* minSizeEdit() const { return m_minSize; }
    QLineEdit* maxSizeEdit() const { return m_maxSize; }
    QCheckBox* fromBox() const { return m_fromOn; }
    QDateEdit* fromEdit() const { return m_from; }
    QCheckBox* toBox() const { return m_toOn; }
    QDateEdit* toEdit() const { return m_to; }

private:
    FileQuery query() const;
    void showCount();
    void step();
    void activated(int row);
    int currentRow() const;

    FileFinder m_finder;
    std::unique_ptr<FindFilesModel> m_model;
    Actions m_actions;
    QLineEdit* m_text = nullptr;
    QComboBox* m_kind = nullptr;
    QLineEdit* m_minSize = nullptr;
    QLineEdit* m_maxSize = nullptr;
    QCheckBox* m_fromOn = nullptr;
    QDateEdit* m_from = nullptr;
    QCheckBox* m_toOn = nullptr;
    QDateEdit* m_to = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_present = nullptr;
    QPushButton* m_load = nullptr;
    QTimer* m_more = nullptr;
    QString m_foundText;
    QString m_searchingText;
    QString m_firstListedText;
};

} // namespace kavro
