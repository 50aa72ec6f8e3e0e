#include "views/dialogs/TfrmDetail.h"

#include "platform/Texts.h"
#include "shell/SettingsKeys.h"
#include "shell/ui/Designed.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kavro {

namespace {

QString qs(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

TfrmDetail::TfrmDetail(const DetailRow& row, const Texts& texts, const Settings& settings, QWidget* parent)
    : QDialog(parent)
{
    designed(this, "frmDetail", "TfrmDetail");
    setWindowTitle(QStringLiteral("Detail"));

    m_list = designed(new QTreeWidget(this), "ListView_Detail", "TListView");
    m_list->setRootIsDecorated(false);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({qs(texts.text("1036", "片名")), qs(texts.text("1037", "機名")),
                             qs(texts.text("1038", "槽位")), qs(texts.text("0004", "分類"))});
    const int widths[] = {
        keys::read(settings, keys::ExplorerWidth11), keys::read(settings, keys::ExplorerWidth12),
        keys::read(settings, keys::ExplorerWidth13), keys::read(settings, keys::ExplorerWidth15)};
    for (int column = 0; column < 4; ++column)
        m_list->setColumnWidth(column, widths[column]);
    new QTreeWidgetItem(m_list,
                        {qs(row.title), qs(row.machineName), QString::number(row.slot), qs(row.category)});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    int width = 0;
    for (const int w : widths)
        width += w;
    resize(std::max(width + 24, 240), 120);

    // The list's viewport and header take the clicks before the window would see them.
    qApp->installEventFilter(this);
}

TfrmDetail::~TfrmDetail()
{
    qApp->removeEventFilter(this);
}

bool TfrmDetail::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() == this) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kavro
