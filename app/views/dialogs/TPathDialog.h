#pragma once

#include "views/flows/TPathDialogDrives.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QFileSystemModel;
class QListWidget;
class QPushButton;
class QSortFilterProxyModel;
class QTreeView;

namespace kavro {

class Texts;

// The folder-and-file picker of backup and restore (window name PathDialog): a drive box, the
// folders of the chosen drive, the catalogue files ("*.MDB", any case) of the chosen folder, OK
// and Cancel. In backup mode OK may be used without a file; in restore mode a file must be
// chosen. PathPicker shows it and keeps its answers.
class TPathDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Backup, Restore };
    // How the window was left.
    enum class Ending { None, Ok, Cancel, Escape };

    // keptFile: the file chosen in the last confirmed run, which lets a folder click enable OK.
    TPathDialog(Mode mode, std::vector<PickerDrive> drives, std::string keptFile, const Texts& texts,
                QWidget* parent = nullptr);
    ~TPathDialog() override;

    Mode mode() const { return m_mode; }
    Ending ending() const { return m_ending; }

    // Where the folder list and file list are.
    const std::string& currentFolder() const { return m_folder; }
    // The file list's current file as a full path; empty when none is chosen.
    std::string currentFile() const;

    // The drive box's entry; selecting it works as if the person had chosen it.
    void selectDrive(int index);
    int currentDrive() const;
    // Moves the folder list to a folder without counting as a click.
    void moveToFolder(const std::string& folder);
    // Opening as BackupPath says.
    void applyStart(const PickerStart& start);

    QComboBox* driveBox() const { return m_driveBox; }
    QTreeView* folderList() const { return m_folderList; }
    QListWidget* fileList() const { return m_fileList; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    // The folder of a folder list entry (tests and the click handler).
    QModelIndex folderIndex(const std::string& folder) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Esc and the window's close button: the folder is dropped, the file kept.
    void reject() override;

private:
    void driveChanged(int index);
    // The folder list on a drive's root, without the rules of a drive change.
    void showDrive(int index);
    void folderClicked(const QModelIndex& index);
    void fileClicked();
    void showFolder(const std::string& folder);
    void fillFiles();

    Mode m_mode;
    std::vector<PickerDrive> m_drives;
    std::string m_keptFile;
    const Texts& m_texts;
    std::string m_folder;
    Ending m_ending = Ending::None;
    bool m_moving = false;

    QComboBox* m_driveBox = nullptr;
    QTreeView* m_folderList = nullptr;
    QListWidget* m_fileList = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QFileSystemModel* m_folders = nullptr;
    QSortFilterProxyModel* m_shown = nullptr;
};

} // namespace kavro
