#pragma once

#include "cataloguing/CabinetRun.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QString;

namespace kavro {

class Clock;
class Texts;

// "Catalogue Cabinet": a drive cabinet catalogues itself. The person chooses the cabinet, the
// slots, what to do with slots already catalogued, whether to ask for audio titles and the
// category of new discs; Start runs, Stop ends after the slot under way. Progress shows slot i of
// n, the step, the time gone and the time left, and the outcomes so far; at the end every slot's
// outcome is in the table, which exports as CSV.
class TfrmCatalogueCabinet : public QDialog, private CabinetRun::Observer {
    Q_OBJECT
public:
    struct Choice {
        std::string name;
        int id = 0;
    };
    // machines: the cabinets with a drive; categories: where new discs may go. makeServices
    // gives the run what it needs; written tells the window a disc row was written.
    TfrmCatalogueCabinet(std::vector<Choice> machines, std::vector<Choice> categories,
                         std::function<CabinetRunServices()> makeServices, std::function<void()> written,
                         const Texts& texts, QWidget* parent = nullptr);
    ~TfrmCatalogueCabinet() override;

    // For a run cut short: its settings are shown and Start goes on where it stopped.
    void offerContinuation(const UnfinishedRun& run);

    // The controls, for tests.
    QLineEdit* slotsEdit() const { return m_slots; }
    QPushButton* startButton() const { return m_start; }
    QPushButton* stopButton() const { return m_stop; }
    QTreeWidget* results() const { return m_results; }
    QLabel* progressText() const { return m_progressText; }
    QRadioButton* refreshChoice() const { return m_refresh; }

    // The results as CSV (slot, outcome, title, reason), fields quoted as CSV readers expect.
    std::string resultsCsv() const;

    void start();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void slotStarted(int index, int count, int slot) override;
    void stepStarted(CabinetRun::Step step) override;
    void slotDone(const SlotResult& result) override;
    void discWritten(int machine, int slot, bool appended) override;
    void showProgress();
    void setChoicesEnabled(bool enabled);
    // Stop after the slot under way; close: and close the window then.
    void requestStop(bool close);
    QString t(const char* key, const char* defaultText) const;
    void exportCsv();

    std::vector<Choice> m_machines;
    std::vector<Choice> m_categories;
    std::function<CabinetRunServices()> m_makeServices;
    std::function<void()> m_written;
    const Texts& m_texts;
    std::optional<UnfinishedRun> m_continue;
    CabinetRun* m_run = nullptr;
    bool m_closeWhenStopped = false;
    int m_index = 0;
    int m_count = 0;
    int m_slot = 0;
    std::string m_step;
    std::vector<SlotResult> m_outcomes;
    // The time gone is read on the clock the run waits on, from the start of this window's run;
    // the time left is estimated from the slots this run finished (a continued run's earlier
    // part took no time of it) and the slots still to do.
    const Clock* m_clock = nullptr;
    std::int64_t m_startedMs = 0;
    int m_doneHere = 0;
    bool m_slotOpen = false; // the slot at m_index is under way

    QComboBox* m_machine = nullptr;
    QLineEdit* m_slots = nullptr;
    QRadioButton* m_skip = nullptr;
    QRadioButton* m_refresh = nullptr;
    QRadioButton* m_check = nullptr;
    QCheckBox* m_titles = nullptr;
    QCheckBox* m_overwrite = nullptr;
    QComboBox* m_category = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_export = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_progressText = nullptr;
    QTreeWidget* m_results = nullptr;
};

} // namespace kavro
