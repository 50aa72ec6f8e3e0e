#pragma once

#include "views/flows/TfrmDetailRow.h"

#include <QDialog>

class QTreeWidget;

namespace kavro {

class Settings;
class Texts;

// The drive detail window of the machine bar: caption "Detail" and one read-only list,
// ListView_Detail, with the title, machine name, slot and category of the disc in the drive. The
// columns take the disc list's widths from section EXPLORER. A double click anywhere closes it.
class TfrmDetail final : public QDialog {
    Q_OBJECT
public:
    TfrmDetail(const DetailRow& row, const Texts& texts, const Settings& settings, QWidget* parent = nullptr);
    ~TfrmDetail() override;

    QTreeWidget* list() const { return m_list; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* m_list = nullptr;
};

} // namespace kavro
