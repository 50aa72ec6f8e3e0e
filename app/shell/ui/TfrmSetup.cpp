#include "shell/ui/TfrmSetup.h"

#include "platform/Text.h"
#include "shell/AppContext.h"
#include "shell/SettingsKeys.h"
#include "shell/ui/Designed.h"
#include "shell/ui/QtTranslation.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kavro {

namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string utf8(const QString& s)
{
    return s.toStdString();
}

// The setting's text limit, so that what is typed is what the next read gives back.
constexpr int settingChars = 99;

QLabel* label(QWidget* parent, const char* name, const QString& text, const char* cls = "TLabel")
{
    return designed(new QLabel(text, parent), name, cls);
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const char* cls)
{
    auto* b = designed(new QPushButton(text, parent), name, cls);
    // Enter in an edit must not save by accident.
    b->setAutoDefault(false);
    return b;
}

// FontStyle holds one style only: the first of bold, italic, underline and strike-out.
std::string_view fontStyleName(const QFont& font)
{
    if (font.bold())
        return "fsBold";
    if (font.italic())
        return "fsItalic";
    if (font.underline())
        return "fsUnderline";
    if (font.strikeOut())
        return "fsStrikeOut";
    return {};
}

} // namespace

const std::vector<std::string>& TfrmSetup::cddbHosts()
{
    // Servers that answer the CDDB protocol over HTTP today (freedb.org and its mirrors closed in
    // 2020).
    static const std::vector<std::string> hosts{
        "gnudb.gnudb.org",
        "www.gnudb.org",
        "freedb.dbpoweramp.com",
    };
    return hosts;
}

const std::vector<TfrmSetup::TitleSourceChoice>& TfrmSetup::titleSources()
{
    static const std::vector<TitleSourceChoice> sources{
        {"MusicBrainz+CDDB", "MusicBrainz, then CDDB", "4018"},
        {"MusicBrainz", "MusicBrainz"},
        {"CDDB", "CDDB"},
    };
    return sources;
}

TfrmSetup::TfrmSetup(AppContext& context, Hooks hooks, QWidget* mainWindow, QWidget* parent)
    : QDialog(parent != nullptr ? parent : mainWindow), m_context(context), m_hooks(std::move(hooks)),
      m_mainWindow(mainWindow)
{
    designed(this, "frmSetup", "TfrmSetup");
    setWindowTitle(QStringLiteral("Setup"));
    buildControls();

    m_languages = listLanguages(std::filesystem::path(m_context.file("Language")));
    for (const LanguageChoice& choice : m_languages)
        m_language->addItem(qs(choice.displayName));
    readSettings();
    fillMachines();

    connect(m_language, &QComboBox::activated, this,
            [this](int index) { previewLanguage(m_language->itemText(index)); });
    connect(m_fontButton, &QPushButton::clicked, this, &TfrmSetup::chooseFont);
    connect(m_save, &QPushButton::clicked, this, &TfrmSetup::save);
    connect(m_machines, &QListWidget::itemChanged, this, &TfrmSetup::machineEdited);

    qApp->installEventFilter(this);
}

TfrmSetup::~TfrmSetup()
{
    qApp->removeEventFilter(this);
    // Hiding the dialog as it goes takes the focus from the language box, which then reports its
    // text as chosen; by that time nothing of this dialog is left to preview it with.
    m_language->disconnect(this);
}

void TfrmSetup::buildControls()
{
    m_label1 = label(this, "Label1", QStringLiteral("Language"));
    m_language = designed(new QComboBox(this), "ComboBox1", "TComboBox");
    m_language->setEditable(true);
    m_language->setInsertPolicy(QComboBox::NoInsert);
    m_language->setMinimumWidth(220);

    m_label2 = label(this, "Label2", QStringLiteral("主  要  字  型"));
    m_fontButton = button(this, "BitBtn2", QStringLiteral("字型設定"), "TBitBtn");

    m_label6 = label(this, "Label6", QStringLiteral("e-mail settting"));
    m_email = designed(new QLineEdit(this), "Edit4", "TEdit");
    m_email->setMaxLength(settingChars);

    m_label7 = label(this, "Label7", QStringLiteral("Host Address"));
    m_host = designed(new QComboBox(this), "ComboBox3", "TComboBox");
    m_host->setEditable(true);
    m_host->setInsertPolicy(QComboBox::NoInsert);
    m_host->lineEdit()->setMaxLength(settingChars);

    m_sourceLabel =
        label(this, "Label_TitleSource", qs(m_context.language.text("4017", "光碟標題來源")));
    m_source = designed(new QComboBox(this), "ComboBox_TitleSource", "TComboBox");
    for (const TitleSourceChoice& source : titleSources())
        m_source->addItem(shownTitleSource(source), qs(source.setting));

    m_retrieveLabel = label(this, "Label_RetrieveLog", QStringLiteral("光碟置取記錄"));
    m_retrieveLog =
        designed(new QCheckBox(QStringLiteral("啟動"), this), "CheckBox_Retrieve_log", "TCheckBox");

    m_save = button(this, "Button1", QStringLiteral("儲存設定"), "TButton");

    m_label8 = label(this, "Label8", QStringLiteral("Machine List"));
    m_machines = designed(new QListWidget(this), "ListView_machine", "TListView");
    m_machines->setEditTriggers(QAbstractItemView::DoubleClicked);
    m_machines->setSelectionMode(QAbstractItemView::SingleSelection);
    m_machines->setMinimumHeight(120);
    m_machineName = label(this, "TntLabel_machine_name", QString(), "TTntLabel");
    m_label9 = label(this, "Label9", QStringLiteral("光碟機使用次數"));
    m_driveCounter = label(this, "Label_cddrivercount", QString());

    // Carried for Save; the person does not edit them here.
    m_fontName = designed(new QComboBox(this), "ComboBox_FontName", "TComboBox");
    m_fontName->setEditable(true);
    m_fontName->setInsertPolicy(QComboBox::NoInsert);
    m_backupPath = designed(new QLineEdit(this), "Edit_BackupPath", "TEdit");
    m_frontDoor = designed(new QRadioButton(QStringLiteral("DblClick For Front Door"), this), "RadioButton1",
                           "TRadioButton");
    m_cdrom = designed(new QRadioButton(QStringLiteral("DblClick For CD-ROM"), this), "RadioButton2",
                       "TRadioButton");
    m_burnButton = button(this, "BitBtn1", QStringLiteral("Setup Burning Program"), "TBitBtn");
    auto* burnProgram = designed(new QLineEdit(this), "Edit5", "TEdit");
    m_doubleClickLabel = label(this, "Label3", QStringLiteral("滑鼠雙擊"));
    for (QWidget* hidden : std::initializer_list<QWidget*>{m_fontName, m_backupPath, m_frontDoor, m_cdrom,
                                                           m_burnButton, burnProgram, m_doubleClickLabel})
        hidden->hide();

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(m_label1, row, 0);
    grid->addWidget(m_language, row++, 1);
    grid->addWidget(m_label2, row, 0);
    grid->addWidget(m_fontButton, row++, 1, Qt::AlignLeft);
    grid->addWidget(m_label6, row, 0);
    grid->addWidget(m_email, row++, 1);
    grid->addWidget(m_label7, row, 0);
    grid->addWidget(m_host, row++, 1);
    grid->addWidget(m_sourceLabel, row, 0);
    grid->addWidget(m_source, row++, 1);
    grid->addWidget(m_retrieveLabel, row, 0);
    grid->addWidget(m_retrieveLog, row++, 1);
    grid->setColumnStretch(1, 1);

    auto* saveRow = new QHBoxLayout;
    saveRow->addStretch();
    saveRow->addWidget(m_save);

    auto* counterRow = new QHBoxLayout;
    counterRow->addWidget(m_machineName);
    counterRow->addWidget(m_label9);
    counterRow->addWidget(m_driveCounter);
    counterRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(saveRow);
    layout->addWidget(m_label8);
    layout->addWidget(m_machines);
    layout->addLayout(counterRow);
}

void TfrmSetup::readSettings()
{
    const Settings& settings = *m_context.settings;
    m_language->setCurrentIndex(-1);
    std::string language = keys::read(settings, keys::Language);
    if (language.empty()) {
        // Never saved here: the language in use, so that Save does not empty both keys and stop the
        // next start.
        const std::string fileName = keys::read(settings, keys::LanguageName);
        for (const LanguageChoice& choice : m_languages)
            if (choice.fileName == fileName)
                language = choice.displayName;
    }
    m_language->setEditText(qs(language));

    m_fontName->addItems(QFontDatabase::families());
    m_fontName->setEditText(qs(keys::read(settings, keys::FontNameDialog)));
    m_backupPath->setText(qs(keys::read(settings, keys::BackupPathDialog)));
    m_email->setText(qs(keys::read(settings, keys::EMail)));
    // The drive letter is read where the drive is used; the dialog only keeps the key's order.
    keys::read(settings, keys::Cdrom);
    const QString host = qs(keys::read(settings, keys::CddbHost));
    (keys::read(settings, keys::DblClickDialog) != 0 ? m_frontDoor : m_cdrom)->setChecked(true);
    m_dblClickStored = settings.readString(keys::DblClickDialog.section, keys::DblClickDialog.name, "\n") != "\n";
    // The take-out flows read RetrieveLog at each take-out, so the box and the switch agree.
    m_retrieveLog->setChecked(keys::read(settings, keys::RetrieveLog) != 0);

    for (const std::string& name : cddbHosts())
        m_host->addItem(qs(name));
    // Adding items selects the first; the box shows the stored host, empty or not.
    m_host->setCurrentIndex(-1);
    m_host->setEditText(host);

    // An unknown text shows the default, as the lookup reads it.
    const std::string source = keys::read(settings, keys::TitleSource);
    m_source->setCurrentIndex(0);
    for (std::size_t i = 0; i < titleSources().size(); ++i) {
        if (text::equalsIgnoreAsciiCase(text::trimBlanks(source), titleSources()[i].setting))
            m_source->setCurrentIndex(static_cast<int>(i));
    }
}

void TfrmSetup::fillMachines()
{
    m_fillingMachines = true;
    m_machineNames = m_hooks.machineNames;
    m_machines->clear();
    for (const std::string& name : m_machineNames) {
        auto* item = new QListWidgetItem(qs(name), m_machines);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    m_fillingMachines = false;
}

void TfrmSetup::machineEdited(QListWidgetItem* item)
{
    if (m_fillingMachines || item == nullptr)
        return;
    const int index = m_machines->row(item);
    if (index < 0 || static_cast<std::size_t>(index) >= m_machineNames.size())
        return;
    const std::string typed = utf8(item->text());
    std::string& old = m_machineNames[static_cast<std::size_t>(index)];
    if (typed == old)
        return;
    std::optional<std::string> stored;
    if (m_hooks.renameMachine)
        stored = m_hooks.renameMachine(index, typed);
    if (stored)
        old = *stored;
    // The row shows what the table holds: the stored form of the new name, or the old name.
    m_fillingMachines = true;
    item->setText(qs(old));
    m_fillingMachines = false;
}

void TfrmSetup::showDriveCounter()
{
    if (!m_hooks.driveCounter)
        return;
    std::optional<DriveCounterReading> reading;
    try {
        reading = m_hooks.driveCounter();
    } catch (...) {
        // A failing library call leaves the labels as they are.
        return;
    }
    if (!reading || reading->counter == 0)
        return;
    m_machineName->setText(qs(reading->machineName));
    m_driveCounter->setText(QString::number(reading->counter));
}

void TfrmSetup::previewLanguage(const QString& displayName)
{
    const LanguageChoice* choice = findLanguage(m_languages, utf8(displayName));
    if (choice == nullptr)
        return;
    m_context.languageFilePath = m_context.file("Language/" + choice->fileName);
    m_context.language.load(m_context.languageFilePath);
    UseQtTranslation(m_context.language);
    if (m_hooks.relabelMainWindow)
        m_hooks.relabelMainWindow();
    relabel();
}

QString TfrmSetup::shownTitleSource(const TitleSourceChoice& source) const
{
    return qs(source.key ? m_context.language.text(source.key, source.shown) : source.shown);
}

void TfrmSetup::relabel()
{
    const auto text = [this](std::string_view key, std::string_view def) {
        return qs(m_context.language.text(key, def));
    };
    setWindowTitle(text("4000", "Setup"));
    m_label1->setText(text("4001", "Language"));
    m_label2->setText(text("4002", "主  要  字  型"));
    m_label6->setText(text("4006", "e-mail settting"));
    m_label7->setText(text("4007", "Host Address"));
    m_sourceLabel->setText(text("4017", "光碟標題來源"));
    for (std::size_t i = 0; i < titleSources().size(); ++i)
        m_source->setItemText(static_cast<int>(i), shownTitleSource(titleSources()[i]));
    m_label8->setText(text("4008", "Machine List"));
    m_label9->setText(text("4009", "光碟機使用次數"));
    m_save->setText(text("4010", "Save"));
    m_doubleClickLabel->setText(text("4003", "滑鼠雙擊"));
    m_frontDoor->setText(text("4011", "DblClick For Front Door"));
    m_cdrom->setText(text("4012", "DblClick For CD-ROM"));
    m_burnButton->setText(text("4013", "Setup Burning Program"));
    m_fontButton->setText(text("4014", "Setup Font"));
    m_retrieveLabel->setText(text("4015", "Retrieve Disc Log"));
    m_retrieveLog->setText(text("4016", "Enable"));
}

void TfrmSetup::chooseFont()
{
    const QFont initial = m_mainWindow ? m_mainWindow->font() : font();
    std::optional<QFont> chosen;
    if (m_hooks.chooseFont) {
        chosen = m_hooks.chooseFont(initial, this);
    } else {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, initial, this);
        if (ok)
            chosen = font;
    }
    if (!chosen)
        return;

    // The program's one font: every window, menu and dialog takes it at once.
    QApplication::setFont(*chosen);
    if (m_mainWindow && m_mainWindow->testAttribute(Qt::WA_SetFont))
        m_mainWindow->setFont(*chosen);
    m_fontName->setEditText(chosen->family());

    Settings& settings = *m_context.settings;
    // Qt's font dialog has no colour: the stored colour is kept.
    keys::write(settings, keys::FontColor, keys::read(settings, keys::FontColor));
    const int points = chosen->pointSize() > 0 ? chosen->pointSize() : QFontInfo(*chosen).pointSize();
    keys::write(settings, keys::FontSize, points);
    keys::write(settings, keys::FontNameDialog, utf8(chosen->family()));
    keys::write(settings, keys::FontStyle, fontStyleName(*chosen));
    keys::write(settings, keys::Charset, 1);
}

void TfrmSetup::save()
{
    Settings& settings = *m_context.settings;
    const std::string languageText = utf8(m_language->currentText());
    if (const LanguageChoice* choice = findLanguage(m_languages, languageText)) {
        keys::write(settings, keys::Language, choice->displayName);
        keys::write(settings, keys::LanguageName, choice->fileName);
    }
    // A name that is no language file leaves both keys as they were: writing them empty would
    // stop the next start on a missing language file.
    keys::write(settings, keys::FontNameDialog, utf8(m_fontName->currentText()));
    keys::write(settings, keys::BackupPathDialog, utf8(m_backupPath->text()));
    keys::write(settings, keys::EMail, utf8(m_email->text()));
    keys::write(settings, keys::CddbHost, utf8(m_host->currentText()));
    keys::write(settings, keys::TitleSource, utf8(m_source->currentData().toString()));
    // The person cannot set the double-click action here; without a stored choice the main
    // window's default stays in force, so nothing is written for it.
    if (m_dblClickStored)
        keys::write(settings, keys::DblClickDialog, m_frontDoor->isChecked() ? 1 : 0);
    keys::write(settings, keys::RetrieveLog, m_retrieveLog->isChecked() ? 1 : 0);
    // The take-out flows and the lists' double click read these two keys when they act, so the
    // file now carries the switches.
    accept();
}

bool TfrmSetup::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        showDriveCounter();
    return QDialog::event(event);
}

bool TfrmSetup::eventFilter(QObject* watched, QEvent* event)
{
    // Esc closes the dialog before any control (an open edit, a combo box) can take it.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() == this && isVisible()) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kavro
