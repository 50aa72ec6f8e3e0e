#pragma once

#include "output/CsvExport.h"
#include "output/ListCopy.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class QLineEdit;
class QPrinter;
class QPushButton;
class QTreeWidget;

namespace kavro {

struct AppContext;

// The print dialog ("列印管理", window frmPrint2): a copy of one list of the main window
// (ListView1), printed as the report or written as a CSV file. The export file name comes from
// ExcelFilename when the dialog is made and goes back there when it closes.
class TfrmPrint2 final : public QDialog {
    Q_OBJECT
public:
    // How the report reaches the printer: paint draws the report on the printer it is given.
    // By default a print preview of the default printer, from which the person prints.
    using Preview = std::function<void(QPrinter& printer, const std::function<void(QPrinter*)>& paint)>;

    TfrmPrint2(AppContext& context, QTreeWidget& source, QWidget* parent = nullptr);

    // A dialog as the main window opens it: made, then labelled by the placement pass.
    static std::unique_ptr<TfrmPrint2> create(AppContext& context, QTreeWidget& source, QWidget* mainWindow);

    // Empties the copy and copies the source list again: font, columns, rows.
    void copySource();
    // The copy as it was last made.
    const ListCopy& listCopy() const { return m_copy; }
    // The source's number of rows when it was last copied.
    int rowCount() const { return m_rowCount; }

    // "列印": the source copied again, then the report on the printer.
    void print();
    // "輸出CSV": the copy into the file named in the edit.
    CsvExportResult exportCsv();

    QString exportFileName() const;
    void setPreview(Preview preview) { m_preview = std::move(preview); }

    // Closing stores the export file name.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void widenToColumns();
    void showPreview(QPrinter& printer, const std::function<void(QPrinter*)>& paint);

    AppContext& m_context;
    QPointer<QTreeWidget> m_source;
    ListCopy m_copy;
    int m_rowCount = 0;
    bool m_copied = false;
    Preview m_preview;
    QTreeWidget* m_list = nullptr;
    QLineEdit* m_fileName = nullptr;
    QPushButton* m_print = nullptr;
};

} // namespace kavro
