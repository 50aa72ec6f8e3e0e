#include "views/dialogs/TfrmSlotMap.h"

#include "platform/Texts.h"
#include "views/dialogs/SlotMapPage.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kavro {

namespace {

constexpr int kColumns = 10;

QString stateText(const Texts& texts, SlotState state)
{
    return QString::fromStdString(SlotStateText(texts, state));
}

} // namespace

QColor TfrmSlotMap::colourOf(SlotState state)
{
    switch (state) {
    case SlotState::Free:
        return QColor(0xEE, 0xEE, 0xEE);
    case SlotState::Catalogued:
        return QColor(0xA5, 0xD6, 0xA7);
    case SlotState::TakenOut:
        return QColor(0xFF, 0xE0, 0x82);
    case SlotState::InDrive:
        return QColor(0x90, 0xCA, 0xF9);
    case SlotState::Flagged:
        return QColor(0xEF, 0x9A, 0x9A);
    }
    return Qt::white;
}

TfrmSlotMap::TfrmSlotMap(const QString& machineName, SlotMap map, std::function<void(int)> select,
                         std::function<void(int)> present, const Texts& texts, QWidget* parent)
    : QDialog(parent), m_map(std::move(map)), m_select(std::move(select)), m_present(std::move(present)),
      m_texts(texts)
{
    setObjectName(QStringLiteral("frmSlotMap"));
    setWindowTitle(QString::fromStdString(texts.text("5260", "Slot Map - %1")).arg(machineName));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QString::fromStdString(
                                texts.text("5267", "Click a slot to select its disc, double-click to present it at the door.")),
                            this);
    layout->addWidget(hint);
    m_grid = new QWidget(this);
    auto* grid = new QGridLayout(m_grid);
    grid->setSpacing(2);
    for (std::size_t i = 0; i < m_map.cells.size(); ++i) {
        const int slot = static_cast<int>(i) + 1;
        const SlotInfo& info = m_map.cells[i];
        auto* b = new QToolButton(m_grid);
        b->setObjectName(QStringLiteral("Slot%1").arg(slot));
        b->setText(QString::number(slot));
        b->setMinimumSize(QSize(36, 28));
        b->setAutoRaise(false);
        b->setStyleSheet(QStringLiteral("QToolButton { background: %1; border: 1px solid #999; }")
                             .arg(colourOf(info.state).name()));
        QString tip = stateText(texts, info.state);
        if (!info.title.empty())
            tip += QStringLiteral(": ") + QString::fromStdString(info.title);
        if (!info.note.empty())
            tip += QLatin1Char('\n') + QString::fromStdString(info.note);
        b->setToolTip(tip);
        b->installEventFilter(this);
        connect(b, &QToolButton::clicked, this, [this, slot] {
            if (m_select)
                m_select(slot);
        });
        grid->addWidget(b, static_cast<int>(i) / kColumns, static_cast<int>(i) % kColumns);
        m_buttons.push_back(b);
    }
    layout->addWidget(m_grid);

    auto* legend = new QHBoxLayout;
    for (const SlotState s : {SlotState::Free, SlotState::Catalogued, SlotState::TakenOut, SlotState::InDrive,
                              SlotState::Flagged}) {
        auto* l = new QLabel(stateText(texts, s), this);
        // Bordered like the cells: the free colour is close to the window's own.
        l->setStyleSheet(QStringLiteral("QLabel { background: %1; border: 1px solid #999; padding: 2px 6px; }")
                             .arg(colourOf(s).name()));
        legend->addWidget(l);
    }
    legend->addStretch(1);
    auto* printButton = new QPushButton(QString::fromStdString(texts.text("5266", "Print…")), this);
    printButton->setObjectName(QStringLiteral("Btn_SlotMapPrint"));
    legend->addWidget(printButton);
    connect(printButton, &QPushButton::clicked, this, &TfrmSlotMap::print);
    layout->addLayout(legend);
}

QToolButton* TfrmSlotMap::slotButton(int slot) const
{
    return slot >= 1 && slot <= static_cast<int>(m_buttons.size()) ? m_buttons[static_cast<std::size_t>(slot - 1)]
                                                                    : nullptr;
}

bool TfrmSlotMap::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (std::size_t i = 0; i < m_buttons.size(); ++i)
            if (m_buttons[i] == watched && m_present) {
                m_present(static_cast<int>(i) + 1);
                return true;
            }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSlotMap::print()
{
    QPrinter printer;
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printTo(printer);
}

void TfrmSlotMap::printTo(QPrinter& printer)
{
    // Drawn for the printer, not a picture of the window: sharp at its resolution, with the
    // titles and the legend of the colours.
    QPainter painter(&printer);
    PaintSlotMapPage(painter, painter.viewport(), windowTitle(), m_map, m_texts);
}

} // namespace kavro
