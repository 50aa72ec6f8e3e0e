#include "views/mainwindow/MachineBar.h"

#include "changer/ChangerDisplay.h"
#include "shell/ui/Designed.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace kavro {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// The machine-name box is never narrower than this many characters.
constexpr int kLeastNameChars = 12;

} // namespace

MachineBar::MachineBar(QWidget* parent) : QToolBar(parent)
{
    designed(this, "TB_DVDRW", "TTBToolWindow");
    setMovable(false);
    setFloatable(false);
    // Commands added as actions (Catalogue Cabinet, Slot Map) show their captions, like the
    // bar's buttons, while the bar has room for them (fitCommands).
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    addWidget(designed(new QLabel(QStringLiteral("Machine Name "), this), "TntLab_RW_Name", "TTntLabel"));
    m_names = designed(new QComboBox(this), "TntCB_RW_Name", "TTntComboBox");
    m_names->setEditable(true); // its text need not be one of its entries
    m_names->setInsertPolicy(QComboBox::NoInsert);
    m_names->setMinimumContentsLength(kLeastNameChars);
    m_names->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    addWidget(m_names);
    addWidget(designed(new QLabel(QStringLiteral("DVD-RW Status: "), this), "TntLab_Show1", "TTntLabel"));
    m_state = designed(new QLabel(QStringLiteral("Checking "), this), "TntLab_RW_State", "TTntLabel");
    // Room for the longest state ("Unknown", "Checking", ...) in any font or scale.
    m_state->setMinimumWidth(m_state->fontMetrics().averageCharWidth() * 22);
    addWidget(m_state);
    m_detail = designed(new QPushButton(QStringLiteral("Detail"), this), "TntBtn_Detail", "TTntButton");
    addWidget(m_detail);
    m_eject = designed(new QPushButton(QStringLiteral("Eject"), this), "TntBtn_Eject", "TTntButton");
    addWidget(m_eject);
    m_explorer = designed(new QPushButton(QStringLiteral("Explorer"), this), "TntBtn_Explorer", "TTntButton");
    addWidget(m_explorer);

    // Designed but not offered.
    auto* control =
        designed(new QLabel(QStringLiteral("DVD-RW Control : "), this), "TntLab_show2", "TTntLabel");
    addWidget(control)->setVisible(false);
    m_load = designed(new QPushButton(QStringLiteral("Load"), this), "TntBtn_Load", "TTntButton");
    addWidget(m_load)->setVisible(false);
    m_slots = designed(new QComboBox(this), "ComboBox_Slot", "TComboBox");
    m_slots->setEditable(true);
    for (int slot = 0; slot <= 100; ++slot)
        m_slots->addItem(QString::number(slot));
    m_slots->setCurrentText(QStringLiteral("1"));
    addWidget(m_slots)->setVisible(false);

    connect(m_names, &QComboBox::activated, this,
            [this](int index) { emit machineNameChosen(m_names->itemText(index)); });
    connect(m_slots, &QComboBox::textActivated, this, &MachineBar::slotChosen);
}

void MachineBar::showDisplay(const ChangerDisplay& display)
{
    const QSignalBlocker blockNames(m_names);
    QStringList names;
    for (const std::string& name : display.machineNames())
        names.append(qs(name));
    QStringList shown;
    for (int i = 0; i < m_names->count(); ++i)
        shown.append(m_names->itemText(i));
    if (shown != names) {
        m_names->clear();
        m_names->addItems(names);
    }
    // The box's text need not be one of its entries.
    const QString text = qs(display.machineNameText());
    const int index = m_names->findText(text, Qt::MatchExactly);
    if (index >= 0)
        m_names->setCurrentIndex(index);
    m_names->setEditText(text);
    if (fitNameBox())
        fitCommands();

    m_state->setText(qs(display.stateLabel()));
    m_eject->setEnabled(display.ejectEnabled());
    m_detail->setEnabled(display.detailEnabled());
    const QSignalBlocker blockSlots(m_slots);
    if (m_slots->currentText() != qs(display.slotBoxText()))
        m_slots->setCurrentText(qs(display.slotBoxText()));
    setVisible(display.machineBarShown());
}

bool MachineBar::fitNameBox()
{
    // The box fits its entries by itself; a shown name that is none of them needs room too, also
    // when the bar is short of room.
    QStyleOptionComboBox option;
    option.initFrom(m_names);
    option.editable = true;
    // The edit inside the box keeps a margin and the cursor beside the text.
    const QFontMetrics metrics = m_names->fontMetrics();
    const QSize content(metrics.horizontalAdvance(m_names->currentText()) + 6, metrics.height());
    const int least = m_names->style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, m_names).width();
    if (least == m_names->minimumWidth())
        return false;
    m_names->setMinimumWidth(least);
    return true;
}

void MachineBar::fitCommands()
{
    // Captions beside the icons while everything fits; icons alone (the captions in their tips)
    // when the bar is too narrow for that, rather than commands behind the overflow button.
    if (m_fittingCommands)
        return;
    const QScopedValueRollback fitting(m_fittingCommands, true);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    if (sizeHint().width() > width())
        setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void MachineBar::resizeEvent(QResizeEvent* event)
{
    QToolBar::resizeEvent(event);
    fitCommands();
}

void MachineBar::changeEvent(QEvent* event)
{
    QToolBar::changeEvent(event);
    // The program's font comes after the first names, and the settings may choose another.
    if (event->type() == QEvent::FontChange) {
        fitNameBox();
        fitCommands();
    }
}

} // namespace kavro
