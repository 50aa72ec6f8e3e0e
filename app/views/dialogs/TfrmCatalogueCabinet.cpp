#include "views/dialogs/TfrmCatalogueCabinet.h"

#include "platform/Clock.h"
#include "platform/Texts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <fstream>
#include <map>

namespace kavro {

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

std::string csvField(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string clockText(std::int64_t seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
    return text;
}

} // namespace

TfrmCatalogueCabinet::TfrmCatalogueCabinet(std::vector<Choice> machines, std::vector<Choice> categories,
                                           std::function<CabinetRunServices()> makeServices,
                                           std::function<void()> written, const Texts& texts,
                                           QWidget* parent)
    : QDialog(parent), m_machines(std::move(machines)), m_categories(std::move(categories)),
      m_makeServices(std::move(makeServices)), m_written(std::move(written)), m_texts(texts)
{
    setObjectName(QStringLiteral("frmCatalogueCabinet"));
    setWindowTitle(t("5200", "Catalogue Cabinet"));
    auto* layout = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    m_machine = new QComboBox(this);
    m_machine->setObjectName(QStringLiteral("ComboBox_CabinetMachine"));
    for (const Choice& m : m_machines)
        m_machine->addItem(q(m.name), m.id);
    form->addRow(t("5201", "Cabinet:"), m_machine);
    m_slots = new QLineEdit(QStringLiteral("1-100"), this);
    m_slots->setObjectName(QStringLiteral("Edit_CabinetSlots"));
    m_slots->setPlaceholderText(QStringLiteral("1-40,45"));
    form->addRow(t("5202", "Slots:"), m_slots);
    m_category = new QComboBox(this);
    m_category->setObjectName(QStringLiteral("ComboBox_CabinetCategory"));
    for (const Choice& c : m_categories)
        m_category->addItem(q(c.name), c.id);
    form->addRow(t("5203", "Category of new discs:"), m_category);
    layout->addLayout(form);

    auto* known = new QGroupBox(t("5204", "Slots already in the catalogue"), this);
    auto* knownLayout = new QVBoxLayout(known);
    m_skip = new QRadioButton(t("5205", "Skip them"), known);
    m_refresh = new QRadioButton(t("5206", "Refresh their volume data and file tree"), known);
    m_check = new QRadioButton(t("5207", "Check only: write nothing, report what differs"), known);
    m_skip->setObjectName(QStringLiteral("Radio_CabinetSkip"));
    m_refresh->setObjectName(QStringLiteral("Radio_CabinetRefresh"));
    m_check->setObjectName(QStringLiteral("Radio_CabinetCheck"));
    m_skip->setChecked(true);
    m_overwrite = new QCheckBox(t("5208", "Write over a disc other than its record"), known);
    m_overwrite->setObjectName(QStringLiteral("CheckBox_CabinetOverwrite"));
    for (QWidget* w : {static_cast<QWidget*>(m_skip), static_cast<QWidget*>(m_refresh),
                       static_cast<QWidget*>(m_check), static_cast<QWidget*>(m_overwrite)})
        knownLayout->addWidget(w);
    layout->addWidget(known);
    m_titles = new QCheckBox(t("5209", "Ask MusicBrainz or CDDB for the titles of audio discs"), this);
    m_titles->setObjectName(QStringLiteral("CheckBox_CabinetTitles"));
    layout->addWidget(m_titles);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar_Cabinet"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    m_progressText = new QLabel(this);
    m_progressText->setObjectName(QStringLiteral("Label_CabinetProgress"));
    m_progressText->setWordWrap(true);
    layout->addWidget(m_progressText);

    m_results = new QTreeWidget(this);
    m_results->setObjectName(QStringLiteral("ListView_CabinetResults"));
    m_results->setHeaderLabels({t("5210", "Slot"), t("5211", "Outcome"), t("5212", "Title"), t("5213", "Reason")});
    m_results->setRootIsDecorated(false);
    m_results->header()->setStretchLastSection(true);
    m_results->setMinimumHeight(160);
    layout->addWidget(m_results, 1);

    auto* buttons = new QHBoxLayout;
    m_start = new QPushButton(t("5214", "Start"), this);
    m_start->setObjectName(QStringLiteral("Btn_CabinetStart"));
    m_stop = new QPushButton(t("5215", "Stop"), this);
    m_stop->setObjectName(QStringLiteral("Btn_CabinetStop"));
    m_stop->setEnabled(false);
    m_export = new QPushButton(t("5216", "Export CSV…"), this);
    m_export->setObjectName(QStringLiteral("Btn_CabinetExport"));
    m_export->setEnabled(false); // until there are outcomes
    auto* close = new QPushButton(t("5217", "Close"), this);
    close->setObjectName(QStringLiteral("Btn_CabinetClose"));
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addStretch(1);
    buttons->addWidget(m_export);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_start, &QPushButton::clicked, this, &TfrmCatalogueCabinet::start);
    connect(m_stop, &QPushButton::clicked, this, [this] { requestStop(false); });
    connect(m_export, &QPushButton::clicked, this, &TfrmCatalogueCabinet::exportCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(620, 560);
}

TfrmCatalogueCabinet::~TfrmCatalogueCabinet() = default;

QString TfrmCatalogueCabinet::t(const char* key, const char* defaultText) const
{
    return q(m_texts.text(key, defaultText));
}

void TfrmCatalogueCabinet::offerContinuation(const UnfinishedRun& run)
{
    m_continue = run;
    const int at = m_machine->findData(run.machine);
    if (at >= 0)
        m_machine->setCurrentIndex(at);
    m_slots->setText(q(FormatSlotRanges(run.slotNumbers)));
    (run.existing == "refresh" ? m_refresh : run.existing == "check" ? m_check : m_skip)->setChecked(true);
    m_titles->setChecked(run.askTitles);
    m_overwrite->setChecked(run.overwriteDifferent);
    if (const int c = m_category->findData(run.categoryId); c >= 0)
        m_category->setCurrentIndex(c);
    m_outcomes.clear();
    for (const SlotResult& r : run.done)
        slotDone(r);
    m_export->setEnabled(!run.done.empty());
    m_start->setText(t("5219", "Continue"));
    m_progressText->setText(t("5220", "A run was cut short after %1 of %2 slots. Continue goes on where it stopped.")
                                .arg(run.done.size())
                                .arg(run.slotNumbers.size()));
}

void TfrmCatalogueCabinet::start()
{
    if (m_run != nullptr || m_machine->currentIndex() < 0)
        return;
    const auto chosen = ParseSlotRanges(m_slots->text().toStdString(), 100);
    if (!chosen) {
        QMessageBox::warning(this, windowTitle(), t("5221", "Give slots from 1 to %1, like 1-40,45.").arg(100));
        return;
    }
    CabinetRunOptions options;
    options.machine = m_machine->currentData().toInt();
    options.slotNumbers = *chosen;
    options.existing = m_refresh->isChecked() ? ExistingSlots::Refresh
                       : m_check->isChecked() ? ExistingSlots::CheckOnly
                                              : ExistingSlots::Skip;
    options.askTitles = m_titles->isChecked();
    options.overwriteDifferent = m_overwrite->isChecked();
    options.categoryId = m_category->currentData().toInt();

    CabinetRunServices services = m_makeServices();
    CabinetRun run(services, options, this);
    // A continued run keeps the outcomes of its earlier part, in the table and in the sums.
    if (m_continue && m_continue->machine == options.machine && m_continue->slotNumbers == options.slotNumbers) {
        run.resume(*m_continue);
    } else {
        m_results->clear();
        m_outcomes.clear();
    }
    m_continue.reset();
    m_run = &run;
    m_clock = &services.clock;
    m_startedMs = services.clock.nowMs();
    m_doneHere = 0;
    m_closeWhenStopped = false;
    setChoicesEnabled(false);
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
    m_export->setEnabled(false);
    // The run's waits keep the event loop going: this window answers meanwhile.
    const auto results = run.run();
    m_run = nullptr;
    m_clock = nullptr;
    setChoicesEnabled(true);
    m_start->setEnabled(true);
    m_start->setText(t("5214", "Start"));
    m_stop->setEnabled(false);
    m_export->setEnabled(m_results->topLevelItemCount() > 0);
    m_progress->setValue(m_progress->maximum());
    m_progressText->setText(t("5222", "Done: %1 of %2 slots.").arg(results.size()).arg(options.slotNumbers.size()));
    // Closed while it ran: the window goes once the disc is back.
    if (m_closeWhenStopped)
        QDialog::reject();
}

void TfrmCatalogueCabinet::setChoicesEnabled(bool enabled)
{
    // The run works with the choices it started with; they wait for the next one.
    for (QWidget* w : {static_cast<QWidget*>(m_machine), static_cast<QWidget*>(m_slots),
                       static_cast<QWidget*>(m_category), m_skip->parentWidget(), static_cast<QWidget*>(m_titles)})
        w->setEnabled(enabled);
}

void TfrmCatalogueCabinet::requestStop(bool close)
{
    if (m_run == nullptr)
        return;
    m_run->stop();
    m_closeWhenStopped = m_closeWhenStopped || close;
    m_stop->setEnabled(false);
    showProgress();
}

void TfrmCatalogueCabinet::slotStarted(int index, int count, int slot)
{
    m_index = index;
    m_slotOpen = true;
    m_count = count;
    m_slot = slot;
    m_step.clear();
    m_progress->setRange(0, count);
    m_progress->setValue(index);
    showProgress();
}

void TfrmCatalogueCabinet::stepStarted(CabinetRun::Step step)
{
    m_step = CabinetRun::stepText(m_texts, step);
    showProgress();
}

void TfrmCatalogueCabinet::showProgress()
{
    const std::int64_t gone = m_clock != nullptr ? (m_clock->nowMs() - m_startedMs) / 1000 : 0;
    QString text = t("5223", "Slot %1 (%2 of %3): %4").arg(m_slot).arg(m_index + 1).arg(m_count).arg(q(m_step));
    text += QLatin1Char('\n') + t("5224", "Time gone %1").arg(q(clockText(gone)));
    if (m_doneHere > 0) {
        const int remaining = m_count - m_index - (m_slotOpen ? 0 : 1);
        const std::int64_t left = gone * remaining / m_doneHere;
        text += QStringLiteral(", ") + t("5225", "about %1 left").arg(q(clockText(left)));
    }
    std::map<std::string, int> counts;
    for (const SlotResult& r : m_outcomes)
        ++counts[OutcomeText(m_texts, r.outcome)];
    QString sums;
    for (const auto& [word, n] : counts)
        sums += (sums.isEmpty() ? QString() : QStringLiteral(", ")) + QString::number(n) + QLatin1Char(' ') + q(word);
    if (!sums.isEmpty())
        text += QLatin1Char('\n') + sums;
    // Said until the run has ended, whatever step comes next.
    if (m_run != nullptr && m_run->stopped())
        text += QLatin1Char('\n') + t("5218", "Stopping after this slot, once its disc is back.");
    m_progressText->setText(text);
}

void TfrmCatalogueCabinet::slotDone(const SlotResult& result)
{
    if (m_run != nullptr) {
        ++m_doneHere;
        m_slotOpen = false;
    }
    m_outcomes.push_back(result);
    auto* row = new QTreeWidgetItem(m_results);
    row->setText(0, QString::number(result.slot));
    row->setText(1, q(OutcomeText(m_texts, result.outcome)));
    row->setText(2, q(result.title));
    row->setText(3, q(result.reason));
    // Slot, outcome and title as wide as they need; the reason takes the rest.
    for (int c = 0; c < 3; ++c)
        m_results->resizeColumnToContents(c);
    m_results->scrollToItem(row);
    showProgress();
}

void TfrmCatalogueCabinet::discWritten(int, int, bool)
{
    if (m_written)
        m_written();
}

std::string TfrmCatalogueCabinet::resultsCsv() const
{
    // The header as the table shows it, in the language of the window.
    std::string out;
    for (int c = 0; c < 4; ++c)
        out += (c ? "," : "") + csvField(m_results->headerItem()->text(c).toStdString());
    out += "\r\n";
    for (int i = 0; i < m_results->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_results->topLevelItem(i);
        for (int c = 0; c < 4; ++c)
            out += (c ? "," : "") + csvField(row->text(c).toStdString());
        out += "\r\n";
    }
    return out;
}

void TfrmCatalogueCabinet::exportCsv()
{
    const QString file = QFileDialog::getSaveFileName(this, t("5227", "Export CSV"), QString(), tr("CSV (*.csv)"));
    if (file.isEmpty())
        return;
    std::ofstream out(file.toStdString(), std::ios::binary);
    const std::string csv = resultsCsv();
    out.write(csv.data(), static_cast<std::streamsize>(csv.size()));
    out.close();
    if (out.fail())
        QMessageBox::warning(this, windowTitle(), t("5226", "%1 could not be written.").arg(file));
}

void TfrmCatalogueCabinet::closeEvent(QCloseEvent* event)
{
    // A run under way ends with its disc back in its slot, never by closing the window: closing
    // stops it, and the window closes after.
    if (m_run != nullptr) {
        requestStop(true);
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmCatalogueCabinet::reject()
{
    if (m_run != nullptr) {
        requestStop(true);
        return;
    }
    QDialog::reject();
}

} // namespace kavro
