// kavro-demo: gives a Kavro program folder the demo catalogue (see README, "The demo folder").
//
//     kavro-demo FOLDER
//     kavro-demo --screenshots FOLDER OUTFOLDER [--main-window]
//
// FOLDER is a program folder (Kavro, libtorvex.so and Language/ in it). When it has no
// KAVRO2.MDB, the demo catalogue is made there; otherwise nothing is touched. With
// --screenshots, Kavro's main window is opened on FOLDER (a demo folder that may be changed)
// and the README's screenshots are written to OUTFOLDER (tools/kavro-demo/screenshots.sh);
// with --main-window only the main window's picture, main-window.png.

#include "ScreenshotTour.h"
#include "platform/SystemClock.h"
#include "shell/LanguageTable.h"
#include "shell/Settings.h"
#include "shell/SettingsKeys.h"
#include "shell/StartUp.h"
#include "DemoCabinetDiscs.h"
#include "DemoCatalogue.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    if ((argc == 4 || (argc == 5 && std::string(argv[4]) == "--main-window")) &&
        std::string(argv[1]) == "--screenshots") {
        QApplication app(argc, argv);
        return kavro::RunScreenshotTour(argv[2], argv[3], argc == 5);
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: kavro-demo FOLDER\n       kavro-demo --screenshots FOLDER OUTFOLDER [--main-window]\n");
        return 2;
    }
    std::string folder = std::filesystem::absolute(argv[1]).lexically_normal().string();
    if (folder.back() != '/')
        folder += '/';
    std::error_code ec;
    if (std::filesystem::exists(folder + "KAVRO2.MDB", ec)) {
        std::printf("%s has a catalogue already; it is kept as it is.\n", folder.c_str());
        return 0;
    }
    std::filesystem::create_directories(folder, ec);

    // The covers are drawn in memory; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    // The log's words in the language the program will start with.
    kavro::startup::makeFolders(folder);
    const kavro::Settings settings(kavro::startup::chooseSettingsFile(folder));
    kavro::LanguageTable language;
    language.load(
        kavro::startup::languageFilePath(folder, kavro::keys::read(settings, kavro::keys::LanguageName)));

    kavro::SystemClock clock;
    const kavro::DemoSummary made = kavro::MakeDemoCatalogue(folder, language, clock);
    if (!made.error.empty()) {
        std::fprintf(stderr, "kavro-demo: %s\n", made.error.c_str());
        return 1;
    }
    if (!made.created) {
        std::printf("%s has a catalogue already; it is kept as it is.\n", folder.c_str());
        return 0;
    }
    // The drive cabinet holds more discs than the catalogue knows, each with content of its own.
    if (const std::string error = kavro::MakeDemoCabinetDiscs(folder, folder + "KAVRO2.MDB"); !error.empty()) {
        std::fprintf(stderr, "kavro-demo: %s\n", error.c_str());
        return 1;
    }
    std::printf(
        "Demo catalogue made in %s: %d cabinets, %d categories, %d discs (%d with file trees, %d with "
        "covers), %d take-outs in the log.\n",
        folder.c_str(), made.machines, made.categories, made.discs, made.discsWithTree, made.pictures,
        made.takeOuts);
    return 0;
}
