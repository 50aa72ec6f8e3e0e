// Before any Qt header: the simulator's cabinets have a member named like Qt's "slots" keyword.
#include "torvex/Transport.h"
#include "torvex/sim/Simulator.h"
#include "torvex/torvex.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/search/DiscTextCache.h"
#include "cataloguing/SlotMap.h"
#include "cddb/DiscTitleLookup.h"
#include "changer/ChangerContext.h"
#include "changer/DeviceMonitor.h"
#include "platform/CdToc.h"
#include "platform/Drives.h"
#include "shell/AppContext.h"
#include "shell/ui/TfrmKeyPassword.h"
#include "shell/ui/TfrmPassword.h"
#include "shell/ui/TfrmSetup.h"
#include "shell/ui/WidgetPlacementTarget.h"
#include "support/QuietPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "views/dialogs/TPathDialog.h"
#include "views/dialogs/TfrmAdd.h"
#include "views/dialogs/TfrmAddType.h"
#include "views/dialogs/TfrmCatalogueCabinet.h"
#include "views/dialogs/TfrmDetail.h"
#include "views/dialogs/TfrmDuplicates.h"
#include "views/dialogs/TfrmFindFiles.h"
#include "views/dialogs/TfrmPrint2.h"
#include "views/dialogs/TfrmRetrieve.h"
#include "views/dialogs/TfrmSearch.h"
#include "views/dialogs/TfrmSlotMap.h"
#include "views/dialogs/TfrmSwapID.h"
#include "views/flows/AddDiscFlowServices.h"
#include "views/flows/TfrmAddModel.h"
#include "views/layout/LayoutCabinet.h"
#include "views/mainwindow/ListView.h"
#include "views/mainwindow/TMainForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>

namespace kavro::test {
namespace {

constexpr int kCabinet = 0x0A0B0C;

std::filesystem::path sourceFolder()
{
    const char* source = std::getenv("KAVRO_SOURCE_DIR");
    return source ? source : ".";
}

// No disc in the drive: the add dialog reads no table of contents.
class NoDiscReader final : public CdTocReader {
public:
    CdTocResult read(const std::string&, Clock&) override
    {
        CdTocResult r;
        r.error = {1, "no disc"};
        return r;
    }
};

// Every visible text-bearing control of the window that is smaller than its texts need: labels,
// buttons (push, check, radio, tool) and status-bar panels against their size hint, combo boxes
// against their shown text, a word-wrapped label against the height its width needs, group
// boxes against the least size that shows their title and content.
std::vector<std::string> clippedControls(QWidget& window)
{
    std::vector<std::string> clipped;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible() || w->window() != &window)
            continue;
        QString text;
        QSize needs = w->sizeHint();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
        } else if (auto* push = qobject_cast<QPushButton*>(w)) {
            text = push->text();
            // The text with the button's margins and frame; not the least width the style wants
            // of every push button, which a "..." button is designed narrower than.
            const QStyle* style = push->style();
            const int frame = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, push) +
                              style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, push);
            const int textWidth = push->fontMetrics().size(Qt::TextShowMnemonic, text).width();
            const int iconWidth = push->icon().isNull() ? 0 : push->iconSize().width() + 4;
            needs.setWidth(std::min(needs.width(), textWidth + iconWidth + 2 * frame));
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            // The shown text (which need not be one of the entries) with the box's frame and
            // arrow, as the style measures them.
            text = combo->currentText();
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            // Measured as the box measures its entries.
            QSize content(combo->fontMetrics().boundingRect(text).width(), combo->fontMetrics().height());
            if (!combo->itemIcon(combo->currentIndex()).isNull())
                content.rwidth() += combo->iconSize().width() + 4;
            needs.setWidth(combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, combo).width());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            text = group->title();
            needs = group->minimumSizeHint();
        } else {
            continue;
        }
        if (text.isEmpty())
            continue;
        if (w->hasHeightForWidth())
            needs = QSize(w->minimumSizeHint().width(), w->heightForWidth(w->width()));
        // A neighbour laid over the control hides its text as surely as too small a size.
        if (QWidget* parent = w->parentWidget()) {
            for (QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (other != w && other->isVisible() && !other->isWindow() &&
                    other->geometry().intersects(w->geometry()) &&
                    (qobject_cast<QLabel*>(other) || qobject_cast<QAbstractButton*>(other) ||
                     qobject_cast<QComboBox*>(other)))
                    clipped.push_back(QStringLiteral("%1 at %2+%3 is overlapped by %4 at %5+%6")
                                          .arg(w->objectName())
                                          .arg(w->x())
                                          .arg(w->width())
                                          .arg(other->objectName())
                                          .arg(other->x())
                                          .arg(other->width())
                                          .toStdString());
            }
        }
        if (w->width() < needs.width() || w->height() < needs.height()) {
            const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                           : w->objectName();
            clipped.push_back(QStringLiteral("%1 \"%2\" is %3x%4, needs %5x%6")
                                  .arg(name, text)
                                  .arg(w->width())
                                  .arg(w->height())
                                  .arg(needs.width())
                                  .arg(needs.height())
                                  .toStdString());
        }
    }
    return clipped;
}

// A program folder with the shipped language files, a small catalogue (two categories, ten
// discs in one cabinet with a drive) and the main window over it, in one language.
class LayoutFixture {
public:
    explicit LayoutFixture(const std::string& languageFile)
    {
        std::filesystem::create_directories(dir.path() / "Data");
        std::filesystem::copy(sourceFolder() / "Language", dir.path() / "Language");
        dir.write("Data/category.txt", "Music,1\r\n\tJazz and Blues,2\r\nFilms,3\r\n");
        context.programFolder = dir.path().string() + "/";
        context.settings = std::make_unique<Settings>(dir / "Data/Kavro.ini");
        context.log = std::make_unique<ProgramLog>(dir / "Data/kavro.log");
        context.registry = std::make_unique<RegistryStore>(dir / "registry");
        context.person = &person;
        context.clock = &clock;
        context.windowTitle = "KAVRO 5.1";
        context.languageFilePath = (dir.path() / "Language" / languageFile).string();
        loaded = context.language.load(context.languageFilePath);

        sim.setTimeSource([this] { return clock.nowMs(); });
        CloseUSBKavro();
        sim.install();
        addLayoutCabinet(sim, kCabinet);
        seed();
        form = std::make_unique<TMainForm>(context);
    }

    ~LayoutFixture()
    {
        window.reset();
        form.reset();
        CloseUSBKavro();
        torvex::setTransport(nullptr);
    }

    // A dialog made by the program's own factory, or made here and labelled as the program does.
    template <typename Dialog> QWidget* keep(std::unique_ptr<Dialog> dialog)
    {
        window = std::move(dialog);
        return window.get();
    }
    QWidget* placed(std::unique_ptr<QWidget> dialog)
    {
        placeWindowTexts(*dialog, context, form.get());
        return keep(std::move(dialog));
    }

    AddDiscFlowServices& addServices()
    {
        if (!services)
            services = std::make_unique<AddDiscFlowServices>(
                AddDiscFlowServices{form->catalogue(),
                                    form->changer(),
                                    *context.settings,
                                    context.language,
                                    person,
                                    clock,
                                    titles,
                                    driveName,
                                    context.programFolder,
                                    [] { return Drives::build({}, [](char) { return std::string(); }); },
                                    {}});
        return *services;
    }

    TempDir dir;
    QuietPerson person;
    VirtualClock clock;
    AppContext context;
    bool loaded = false;
    torvex::sim::Simulator sim;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<QWidget> window;

    NoDiscReader tocReader;
    DiscTitleLookup titles{tocReader};
    std::string driveName;
    std::unique_ptr<AddDiscFlowServices> services;
    std::unique_ptr<TfrmAddModel> addModel;
    DiscTextCache cache;

private:
    void seed()
    {
        Catalogue catalogue(dir.path(), person, context.language, clock);
        ASSERT_TRUE(catalogue.open().ok());
        std::string sql = "INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) VALUES('" +
                          std::to_string(kCabinet) + "','Living room cabinet','KZ350VN',0);";
        const char* discs[] = {"Kind of Blue",  "A Love Supreme",     "Blue Train",
                               "Mingus Ah Um",  "Time Out",           "Moanin",
                               "Somethin Else", "Saxophone Colossus", "The Shape of Jazz to Come",
                               "Getz/Gilberto"};
        for (int slot = 1; slot <= 10; ++slot)
            sql +=
                "INSERT INTO KAVRO (MachineNo, Slot, TitleA, Category, Categoryname, CreateDate) VALUES (" +
                std::to_string(kCabinet) + "," + std::to_string(slot) + ",'" + discs[slot - 1] + "'," +
                (slot <= 6 ? "2,'Jazz and Blues'" : "3,'Films'") + ",'2001-02-03 04:05:06');";
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(catalogue.database().handle(), sql.c_str(), nullptr, nullptr, &error),
                  SQLITE_OK)
            << (error ? error : "");
        sqlite3_free(error);
    }
};

struct WindowCase {
    const char* name;
    // A control whose text comes from the language file, and its key: proof that the language
    // is the one shown. The window's own name stands for its caption.
    const char* control;
    const char* key;
    std::function<QWidget*(LayoutFixture&)> open;
};

const WindowCase kWindows[] = {
    {"MainForm", "N_File", "2027",
     [](LayoutFixture& f) -> QWidget* {
         // The panels as a person sees them: a disc chosen in slot 10, then the device check.
         f.form->browser().selectDisc(kCabinet, 10);
         DeviceMonitorTick(f.form->changer());
         // A take-out from a cabinet without a drive names it in the machine-name box, which
         // lists only the cabinets with one.
         f.form->changer().display.setMachineNameText("Attic cabinet with the old films");
         return f.form.get();
     }},
    {"frmAdd", "Label1", "2201",
     [](LayoutFixture& f) {
         f.addModel = std::make_unique<TfrmAddModel>(f.addServices(), TfrmAddModel::Mode::Add);
         auto dialog = std::make_unique<TfrmAdd>(*f.addModel, f.form.get());
         placeWindowTexts(*dialog, f.context, f.form.get());
         dialog->applyModeCaption();
         return f.keep(std::move(dialog));
     }},
    {"frmAddType", "frmAddType", "4400",
     [](LayoutFixture& f) { return f.placed(std::make_unique<TfrmAddType>(f.form.get())); }},
    {"PathDialog", "BitBtn2", "4202",
     [](LayoutFixture& f) {
         return f.placed(std::make_unique<TPathDialog>(TPathDialog::Mode::Restore,
                                                       std::vector<PickerDrive>{{"/", "/", 0}}, std::string(),
                                                       f.context.language, f.form.get()));
     }},
    {"frmRetrieve", "frmRetrieve", "3600",
     [](LayoutFixture& f) {
         auto dialog = TfrmRetrieve::create(f.context, f.form.get());
         dialog->setDisc("Living room cabinet", 10, "Getz/Gilberto");
         return f.keep(std::move(dialog));
     }},
    {"frmSearch", "frmSearch", "3800",
     [](LayoutFixture& f) { return f.keep(TfrmSearch::create(f.context, f.form.get())); }},
    {"frmSwapID", "frmSwapID", "4600",
     [](LayoutFixture& f) { return f.keep(TfrmSwapID::create(f.context, f.form.get())); }},
    {"frmPrint2", "frmPrint2", "3400",
     [](LayoutFixture& f) {
         return f.keep(TfrmPrint2::create(f.context, *f.form->printList(), f.form.get()));
     }},
    {"frmDetail", nullptr, nullptr,
     [](LayoutFixture& f) {
         return f.keep(
             std::make_unique<TfrmDetail>(DetailRow{"Kind of Blue", "Living room cabinet", 1, "Jazz"},
                                          f.context.language, *f.context.settings, f.form.get()));
     }},
    {"frmFindFiles", "frmFindFiles", "5300",
     [](LayoutFixture& f) {
         return f.keep(std::make_unique<TfrmFindFiles>(f.form->catalogue(), f.cache, nullptr,
                                                       TfrmFindFiles::Actions{}, f.form.get()));
     }},
    {"frmDuplicates", "frmDuplicates", "5330",
     [](LayoutFixture& f) {
         return f.keep(std::make_unique<TfrmDuplicates>(f.form->catalogue(), nullptr, f.form.get()));
     }},
    {"frmCatalogueCabinet", "frmCatalogueCabinet", "5200",
     [](LayoutFixture& f) {
         return f.keep(std::make_unique<TfrmCatalogueCabinet>(
             std::vector<TfrmCatalogueCabinet::Choice>{{"Living room cabinet", kCabinet}},
             std::vector<TfrmCatalogueCabinet::Choice>{{"Jazz and Blues", 2}}, nullptr, nullptr,
             f.context.language, f.form.get()));
     }},
    {"frmSlotMap", "frmSlotMap", "5260",
     [](LayoutFixture& f) {
         SlotMap map =
             BuildSlotMap(f.form->catalogue(), f.form->changer(), kCabinet, 100, f.dir.path() / "Data");
         return f.keep(std::make_unique<TfrmSlotMap>(QStringLiteral("Living room cabinet"), std::move(map),
                                                     nullptr, nullptr, f.context.language, f.form.get()));
     }},
    {"frmSetup", "Label1", "4001",
     [](LayoutFixture& f) {
         TfrmSetup::Hooks hooks;
         hooks.machineNames = {"Living room cabinet"};
         return f.placed(std::make_unique<TfrmSetup>(f.context, std::move(hooks), f.form.get()));
     }},
    {"frmPassword", "frmPassword", "3200",
     [](LayoutFixture& f) {
         return f.placed(std::make_unique<TfrmPassword>(*f.context.registry, f.person, f.form.get()));
     }},
    {"frmKeyPassword", nullptr, nullptr,
     [](LayoutFixture& f) { return f.keep(std::make_unique<TfrmKeyPassword>("secret")); }},
};

struct Language {
    const char* name;
    const char* file;
};
const Language kLanguages[] = {{"English", "language.eng"}, {"Chinese", "language.cht"}};

void PrintTo(const WindowCase& window, std::ostream* out)
{
    *out << window.name;
}
void PrintTo(const Language& language, std::ostream* out)
{
    *out << language.name;
}

class WindowLayoutTest : public ::testing::TestWithParam<std::tuple<WindowCase, Language>> {};

// The texts of a shown control, as the placement pass reads them.
std::string shownText(QWidget& window, const char* control)
{
    WidgetPlacementTarget target(window);
    return window.objectName() == QLatin1String(control) ? window.windowTitle().toStdString()
                                                         : target.caption(control);
}

TEST_P(WindowLayoutTest, EveryTextFitsItsControl)
{
    const auto& [window, language] = GetParam();
    if (std::string(language.name) == "Chinese" &&
        QFontDatabase::families(QFontDatabase::TraditionalChinese).isEmpty())
        GTEST_SKIP() << "no font with Traditional Chinese is installed (fonts-wqy-microhei gives one); "
                        "the Chinese texts would be drawn as boxes of another size";

    LayoutFixture f(language.file);
    ASSERT_TRUE(f.loaded) << language.file;
    ASSERT_TRUE(f.form->isReady());
    QWidget* shown = window.open(f);
    ASSERT_NE(shown, nullptr);
    shown->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shown));
    // As a window manager places a window larger than the screen: as small as the screen, but
    // never below the least size the window asks for.
    const QSize screen = shown->screen()->availableSize();
    if (shown->width() > screen.width() || shown->height() > screen.height())
        shown->resize(shown->size().boundedTo(screen));
    // The widgets' own timers run first: a combo box fits a new text 20 ms after it is set.
    QTest::qWait(50);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QApplication::processEvents();

    if (window.key != nullptr) {
        // The text the language file gives, which differs between the two languages.
        LanguageTable english;
        ASSERT_TRUE(english.load(sourceFolder() / "Language/language.eng"));
        const std::string expected = f.context.language.text(window.key, "");
        ASSERT_FALSE(expected.empty()) << window.key;
        if (std::string(language.name) != "English") {
            EXPECT_NE(english.text(window.key, ""), expected) << window.key;
        }
        const std::string text = shownText(*shown, window.control);
        const std::size_t arg = expected.find("%1");
        EXPECT_EQ(text.substr(0, arg == std::string::npos ? text.size() : arg), expected.substr(0, arg))
            << window.control;
    }

    if (const char* folder = std::getenv("KAVRO_LAYOUT_GRABS")) {
        // A picture of the window, to look at.
        const QString file =
            QDir(QString::fromLocal8Bit(folder))
                .filePath(QStringLiteral("%1-%2-%3.png")
                              .arg(QLatin1String(window.name), QLatin1String(language.name))
                              .arg(qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"))));
        shown->grab().save(file);
    }

    for (const std::string& clipped : clippedControls(*shown))
        ADD_FAILURE() << window.name << " in " << language.name << ": " << clipped;
}

// Every caption a window shows, by the control's name: labels, buttons, group titles, combo
// entries, list captions and tree roots, and the named actions (menus, toolbars).
std::map<std::string, std::string> shownCaptions(QWidget& window)
{
    std::map<std::string, std::string> shown{{"(title)", window.windowTitle().toStdString()}};
    for (QWidget* w : window.findChildren<QWidget*>()) {
        // The window's own controls; the machine bar's state is the drive check's, which the next
        // check renews.
        if (w->window() != &window || w->objectName() == QLatin1String("TntLab_RW_State"))
            continue;
        QStringList texts;
        if (auto* label = qobject_cast<QLabel*>(w))
            texts.append(label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts.append(button->text());
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            texts.append(group->title());
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts.append(combo->itemText(i));
        else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
            for (int c = 0; c < tree->columnCount(); ++c)
                texts.append(tree->headerItem()->text(c));
            for (int i = 0; i < tree->topLevelItemCount(); ++i)
                texts.append(tree->topLevelItem(i)->text(0));
        }
        if (!w->objectName().isEmpty() && !texts.isEmpty())
            shown[w->objectName().toStdString()] = texts.join(QLatin1Char('|')).toStdString();
    }
    for (QAction* action : window.findChildren<QAction*>())
        if (!action->objectName().isEmpty())
            shown["action " + action->objectName().toStdString()] = action->text().toStdString();
    return shown;
}

// The main window and the settings dialog after a switch to Chinese in the settings show what
// they show when the program starts in Chinese.
TEST(LanguageSwitch, ShowsWhatAStartInTheNewLanguageShows)
{
    if (QFontDatabase::families(QFontDatabase::TraditionalChinese).isEmpty())
        GTEST_SKIP() << "no font with Traditional Chinese is installed";
    const auto captions = [](const char* languageFile, bool switchToChinese) {
        LayoutFixture f(languageFile);
        EXPECT_TRUE(f.loaded && f.form->isReady());
        TfrmSetup::Hooks hooks;
        hooks.machineNames = {"Living room cabinet"};
        hooks.relabelMainWindow = [&f] { f.form->relabel(); };
        TfrmSetup setup(f.context, std::move(hooks), f.form.get());
        placeWindowTexts(setup, f.context, f.form.get());
        if (switchToChinese)
            setup.previewLanguage(QStringLiteral("繁體中文"));
        QApplication::processEvents();
        std::map<std::string, std::string> shown = shownCaptions(*f.form);
        for (auto& [name, text] : shownCaptions(setup))
            shown["setup " + name] = text;
        return shown;
    };
    const auto switched = captions("language.eng", true);
    const auto started = captions("language.cht", false);
    for (const auto& [name, text] : started) {
        const auto found = switched.find(name);
        ASSERT_NE(found, switched.end()) << name;
        EXPECT_EQ(found->second, text) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowLayoutTest,
                         ::testing::Combine(::testing::ValuesIn(kWindows), ::testing::ValuesIn(kLanguages)),
                         [](const auto& test) {
                             return std::string(std::get<0>(test.param).name) + "_" +
                                    std::get<1>(test.param).name;
                         });

} // namespace
} // namespace kavro::test
