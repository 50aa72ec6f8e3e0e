#include "DemoDiscs.h"

#include <random>
#include <string_view>

namespace kavro {

namespace {

// The ids and models of torvex/sim/demo-cabinets.sim.
constexpr int kStudio = 0x0A0B0C;
constexpr int kArchive = 0x0D0E0F;

enum Category {
    Music = 1,
    Jazz,
    Classical,
    RockPop,
    Software,
    OperatingSystems,
    DevelopmentTools,
    Films,
    Backups,
    Photos,
    Documents,
    Games,
};

constexpr std::int64_t KB = 1024;
constexpr std::int64_t MB = 1024 * KB;

// Sizes and counts vary from disc to disc but are the same on every run.
class Dice {
public:
    explicit Dice(unsigned seed) : m_engine(seed) {}
    // A number from low to high inclusive.
    std::int64_t between(std::int64_t low, std::int64_t high)
    {
        return low + static_cast<std::int64_t>(m_engine() % static_cast<unsigned>(high - low + 1));
    }

private:
    std::minstd_rand m_engine;
};

// n in decimal with leading zeros up to width digits.
std::string padded(int n, std::size_t width)
{
    std::string digits = std::to_string(n);
    return std::string(digits.size() < width ? width - digits.size() : 0, '0') + digits;
}

// The volume serial number the disc would report: any stable 32-bit number will do.
std::string serialOf(std::string_view title)
{
    std::uint32_t h = 2166136261u;
    for (unsigned char c : title)
        h = (h ^ c) * 16777619u;
    return std::to_string(h);
}

// A 13-digit article number with its check digit.
std::string ean13(std::string_view twelveDigits)
{
    int sum = 0;
    for (std::size_t i = 0; i < twelveDigits.size(); ++i)
        sum += (twelveDigits[i] - '0') * (i % 2 == 0 ? 1 : 3);
    return std::string(twelveDigits) + static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::vector<DemoFile> audioTracks(int tracks)
{
    // How a data view lists an audio CD: one 44-byte .cda file per track.
    std::vector<DemoFile> files;
    for (int t = 1; t <= tracks; ++t)
        files.push_back({"Track" + padded(t, 2) + ".cda", 44});
    return files;
}

std::vector<DemoFile> mp3Albums(Dice& dice,
                                const std::vector<std::pair<std::string, std::vector<std::string>>>& albums)
{
    std::vector<DemoFile> files;
    for (const auto& [folder, songs] : albums) {
        int n = 1;
        for (const std::string& song : songs)
            files.push_back(
                {folder + "/" + padded(n++, 2) + " - " + song + ".mp3", dice.between(3 * MB, 9 * MB)});
        files.push_back({folder + "/folder.jpg", dice.between(40 * KB, 160 * KB)});
    }
    return files;
}

std::vector<DemoFile> videoDvd(Dice& dice, int titleSets)
{
    std::vector<DemoFile> files{{"AUDIO_TS/", 0},
                                {"VIDEO_TS/VIDEO_TS.IFO", 12 * KB},
                                {"VIDEO_TS/VIDEO_TS.BUP", 12 * KB},
                                {"VIDEO_TS/VIDEO_TS.VOB", dice.between(200 * KB, 4 * MB)}};
    for (int set = 1; set <= titleSets; ++set) {
        const std::string base = "VIDEO_TS/VTS_" + padded(set, 2) + "_";
        files.push_back({base + "0.IFO", dice.between(20 * KB, 90 * KB)});
        files.push_back({base + "0.BUP", dice.between(20 * KB, 90 * KB)});
        const int parts = set == 1 ? static_cast<int>(dice.between(3, 4)) : 1;
        for (int part = 1; part <= parts; ++part) {
            // Full parts are just under 1 GB, the last one shorter.
            const std::int64_t size = part < parts ? 1073709056 : dice.between(80 * MB, 900 * MB);
            files.push_back({base + std::to_string(part) + ".VOB", size});
        }
    }
    return files;
}

// Pictures numbered on from folder to folder: prefix, the number with width digits, suffix.
std::vector<DemoFile> photoFolders(Dice& dice, const std::vector<std::pair<std::string, int>>& folders,
                                   const std::string& prefix, std::size_t width, const std::string& suffix)
{
    std::vector<DemoFile> files;
    int n = 1;
    for (const auto& [folder, count] : folders) {
        for (int i = 0; i < count; ++i)
            files.push_back(
                {folder + "/" + prefix + padded(n++, width) + suffix, dice.between(2 * MB, 7 * MB)});
    }
    return files;
}

std::vector<DemoFile> listed(Dice& dice, const std::vector<std::pair<std::string, std::int64_t>>& items)
{
    // A size of 0 for a name without '/' at its end picks a small document size.
    std::vector<DemoFile> files;
    for (const auto& [path, size] : items) {
        const bool folder = !path.empty() && path.back() == '/';
        files.push_back({path, folder ? 0 : size > 0 ? size : dice.between(12 * KB, 900 * KB)});
    }
    return files;
}

std::vector<DemoFile> installerDisc(Dice& dice, const std::string& product, int cabinets)
{
    std::vector<DemoFile> files = listed(dice, {{"autorun.inf", 120},
                                                {"setup.exe", dice.between(900 * KB, 3 * MB)},
                                                {"readme.txt", 0},
                                                {"license.txt", 0},
                                                {product + ".msi", dice.between(2 * MB, 9 * MB)},
                                                {"Support/vcredist_x64.exe", 14 * MB},
                                                {"Support/dotnetfx.exe", dice.between(60 * MB, 70 * MB)},
                                                {"Docs/UserGuide.pdf", dice.between(2 * MB, 8 * MB)},
                                                {"Docs/ReleaseNotes.txt", 0}});
    for (int c = 1; c <= cabinets; ++c)
        files.push_back({"data" + std::to_string(c) + ".cab", dice.between(40 * MB, 200 * MB)});
    return files;
}

DemoDisc disc(int machine, int slot, int category, std::string title, std::string created)
{
    DemoDisc d;
    d.machine = machine;
    d.slot = slot;
    d.categoryId = category;
    d.title = std::move(title);
    d.created = std::move(created);
    d.serial = serialOf(d.title);
    return d;
}

DemoDisc audio(int machine, int slot, int category, std::string title, std::string created, int tracks,
               std::string articleNumber)
{
    DemoDisc d = disc(machine, slot, category, std::move(title), std::move(created));
    d.volume = "Audio CD";
    d.fileSystem = "CDFS";
    d.barcode = ean13(articleNumber);
    d.files = audioTracks(tracks);
    return d;
}

DemoDisc data(int machine, int slot, int category, std::string title, std::string created, std::string volume,
              std::vector<DemoFile> files, std::string fileSystem = "CDFS")
{
    DemoDisc d = disc(machine, slot, category, std::move(title), std::move(created));
    d.volume = std::move(volume);
    d.fileSystem = std::move(fileSystem);
    d.files = std::move(files);
    return d;
}

} // namespace

std::vector<DemoMachine> DemoMachines()
{
    return {{kStudio, "Studio Changer", "KZ350VN"}, {kArchive, "Archive Changer", "1234567-150"}};
}

std::vector<DemoCategory> DemoCategories()
{
    return {
        {Music, 0, "Music"},
        {Jazz, Music, "Jazz"},
        {Classical, Music, "Classical"},
        {RockPop, Music, "Rock & Pop"},
        {Software, 0, "Software"},
        {OperatingSystems, Software, "Operating Systems"},
        {DevelopmentTools, Software, "Development Tools"},
        {Films, 0, "Films"},
        {Backups, 0, "Backups"},
        {Photos, Backups, "Photos"},
        {Documents, Backups, "Documents"},
        {Games, 0, "Games"},
    };
}

std::vector<DemoDisc> DemoDiscs()
{
    std::vector<DemoDisc> discs;
    auto add = [&discs](DemoDisc d) -> DemoDisc& { return discs.emplace_back(std::move(d)); };
    Dice dice(20240517);

    // Studio Changer: the cabinet with the drive.
    {
        DemoDisc& d =
            add(audio(kStudio, 1, Jazz, "Blue Hour Sessions", "2023-02-11 20:14:05", 9, "501234500011"));
        d.remark = "Signed copy from the release concert.";
        d.cover = true;
    }
    {
        DemoDisc& d = add(audio(kStudio, 2, Jazz, "Late Night Quartet - Live at the Harbour",
                                "2023-02-11 20:21:40", 7, "501234500028"));
        d.cover = true;
    }
    add(audio(kStudio, 3, Jazz, "Midnight Standards Vol. 2", "2023-03-02 18:03:12", 12, "501234500035"));
    {
        DemoDisc& d = add(audio(kStudio, 4, Classical, "Goldberg Variations - Harpsichord",
                                "2023-03-02 18:10:55", 32, "400123400042"));
        d.remark = "Recorded 1987, remastered.";
        d.cover = true;
    }
    add(audio(kStudio, 5, Classical, "The Four Seasons - Chamber Orchestra", "2023-03-05 09:44:31", 12,
              "400123400059"));
    {
        DemoDisc& d = add(data(
            kStudio, 6, RockPop, "Summer Roadtrip Mix 2019", "2023-04-18 21:37:02", "ROADTRIP19",
            mp3Albums(dice,
                      {{"The Wayfarers/Open Road",
                        {"Highway Song", "Dust and Chrome", "Motel Neon", "Westbound", "Radio Static",
                         "Last Exit"}},
                       {"Paper Lanterns/Coastline", {"Salt Air", "Pier 39", "Undertow", "Gulls", "Low Tide"}},
                       {"Various/Singles", {"Sunburnt", "Drive-In", "Fireflies", "Late Check-out"}}})));
        d.remark = "Burnt for the car; MP3 at 192 kbit/s.";
    }
    {
        DemoDisc& d =
            add(data(kStudio, 7, OperatingSystems, "Debian 12.4 amd64 netinst", "2024-01-06 10:02:47",
                     "Debian 12.4.0 amd64 n",
                     listed(dice, {{"README.txt", 0},
                                   {"README.html", 0},
                                   {"md5sum.txt", 0},
                                   {"sha256sum.txt", 0},
                                   {".disk/info", 60},
                                   {"boot/grub/grub.cfg", 0},
                                   {"boot/grub/font.pf2", 2 * MB},
                                   {"boot/grub/x86_64-efi/", 0},
                                   {"install.amd/vmlinuz", 7 * MB},
                                   {"install.amd/initrd.gz", 21 * MB},
                                   {"install.amd/gtk/vmlinuz", 7 * MB},
                                   {"install.amd/gtk/initrd.gz", 45 * MB},
                                   {"isolinux/isolinux.bin", 38 * KB},
                                   {"isolinux/isolinux.cfg", 0},
                                   {"isolinux/splash.png", 0},
                                   {"dists/bookworm/Release", 0},
                                   {"dists/bookworm/main/binary-amd64/Packages.gz", 0},
                                   {"pool/main/l/linux-signed-amd64/", 0},
                                   {"pool/main/g/grub2/grub-efi-amd64-bin_2.06-13_amd64.deb", 2 * MB},
                                   {"firmware/firmware-linux-free_20200122-1_all.deb", 0},
                                   {"doc/FAQ/debian-faq.en.pdf", 0},
                                   {"doc/install/manual/en/index.html", 0}})));
        d.barcode = "KV-000107";
        d.remark = "Network installer; needs a wired connection.";
    }
    add(data(kStudio, 8, OperatingSystems, "Ubuntu 22.04 LTS Desktop", "2024-01-06 10:15:20",
             "Ubuntu 22.04.3 LTS amd64",
             listed(dice, {{"casper/filesystem.squashfs", 1073709056},
                           {"casper/vmlinuz", 12 * MB},
                           {"casper/initrd", 110 * MB},
                           {"boot/grub/grub.cfg", 0},
                           {"EFI/boot/bootx64.efi", 950 * KB},
                           {"pool/main/", 0},
                           {"md5sum.txt", 0}}),
             "UDF"));
    {
        DemoDisc& d =
            add(data(kStudio, 9, DevelopmentTools, "Qt 6.5 Sources", "2024-02-20 16:48:09", "QT_6_5_SRC",
                     listed(dice, {{"qtbase/CMakeLists.txt", 0},
                                   {"qtbase/src/corelib/kernel/qobject.cpp", 180 * KB},
                                   {"qtbase/src/corelib/kernel/qtimer.cpp", 0},
                                   {"qtbase/src/gui/painting/qpainter.cpp", 320 * KB},
                                   {"qtbase/src/widgets/widgets/qcombobox.cpp", 140 * KB},
                                   {"qtbase/src/widgets/dialogs/qdialog.cpp", 0},
                                   {"qtbase/tests/auto/", 0},
                                   {"qtdeclarative/src/qml/", 0},
                                   {"qttools/src/designer/", 0},
                                   {"LICENSES/LGPL-3.0-only.txt", 0},
                                   {"configure", 0},
                                   {"README.md", 0}})));
        d.other = "Other=Copied from the mirror on 2024-02-20\r\n";
    }
    add(data(kStudio, 10, DevelopmentTools, "Compiler Toolchains 2023", "2024-02-21 08:30:00", "TOOLCHAINS23",
             listed(dice, {{"gcc-13.2.0.tar.xz", 87 * MB},
                           {"llvm-project-17.0.6.src.tar.xz", 130 * MB},
                           {"cmake-3.28.1.tar.gz", 11 * MB},
                           {"ninja-1.11.1.tar.gz", 230 * KB},
                           {"checksums.sha256", 0}})));
    add(data(kStudio, 11, Software, "Office Suite 2021 Install", "2022-11-30 14:05:18", "OFFICE2021",
             installerDisc(dice, "OfficeSuite", 4)));
    {
        DemoDisc& d = add(data(kStudio, 12, Films, "The Lighthouse Keeper", "2023-06-09 22:10:44",
                               "LIGHTHOUSE_KEEPER", videoDvd(dice, 3), "UDF"));
        d.barcode = ean13("711719800012");
        d.remark = "Director's cut, region 2.";
        d.cover = true;
    }
    add(data(kStudio, 13, Films, "Mountains of the North - Documentary", "2023-06-09 22:18:02",
             "MOUNTAINS_NORTH", videoDvd(dice, 2), "UDF"));
    add(data(kStudio, 14, Games, "Puzzle Collection Deluxe", "2022-12-24 11:00:00", "PUZZLE_DLX",
             listed(dice, {{"autorun.inf", 96},
                           {"setup.exe", 2 * MB},
                           {"data/levels.pak", 180 * MB},
                           {"data/music.pak", 95 * MB},
                           {"data/textures.pak", 240 * MB},
                           {"manual.pdf", 0}})));
    {
        DemoDisc& d = add(data(kStudio, 45, Films, "Family Reunion 2018", "2019-01-03 19:25:51",
                               "REUNION_2018", videoDvd(dice, 1), "UDF"));
        d.remark = "Home video, edited by Tom.";
        d.other = "Other=Second copy at grandma's\r\n";
    }
    add(data(kStudio, 50, Photos, "Photos 2022 - Summer Holiday", "2022-09-14 20:40:00", "PHOTOS_2022",
             photoFolders(dice, {{"DCIM/2022-07 Lake District", 24}, {"DCIM/2022-08 Coast", 18}}, "IMG_", 4,
                          ".JPG")));
    {
        DemoDisc& d = add(data(
            kStudio, 51, Photos, "Photos 2023 - Wedding", "2023-10-02 18:12:33", "WEDDING_2023",
            photoFolders(dice, {{"Ceremony", 30}, {"Reception", 26}, {"Portraits", 12}}, "DSC", 5, ".JPG")));
        d.cover = true;
        d.remark = "Full resolution originals; prints ordered from folder Portraits.";
    }
    add(data(kStudio, 52, Documents, "Documents Backup 2023-12", "2023-12-31 17:55:09", "DOCS_2023_12",
             listed(dice, {{"Letters/2023-01 Landlord.odt", 0},
                           {"Letters/2023-05 Insurance claim.pdf", 0},
                           {"Invoices/2023/Invoice-1001.pdf", 0},
                           {"Invoices/2023/Invoice-1002.pdf", 0},
                           {"Invoices/2023/Invoice-1003.pdf", 0},
                           {"Household/Budget 2023.ods", 0},
                           {"Household/Warranty cards/", 0},
                           {"Recipes/Bread.txt", 0}})));
    {
        DemoDisc& d =
            add(data(kStudio, 53, Backups, "Laptop Backup - Week 14", "2024-04-07 21:00:00", "BACKUP_W14",
                     listed(dice, {{"home/anna/.bashrc", 4 * KB},
                                   {"home/anna/Projects/kavro-notes.md", 0},
                                   {"home/anna/Projects/budget.ods", 0},
                                   {"home/anna/Music/playlist.m3u", 0},
                                   {"home/anna/Pictures/screenshot.png", 0},
                                   {"etc/fstab", 0},
                                   {"etc/hosts", 0},
                                   {"backup.log", 0}})));
        d.barcode = "KV-000153";
    }

    // Archive Changer: no drive, 150 slots.
    add(audio(kArchive, 5, Jazz, "Bossa Nova Evenings", "2021-05-20 19:00:12", 11, "501234500042"));
    add(audio(kArchive, 6, Classical, "Symphony No. 9 (Live 1998)", "2021-05-20 19:05:40", 4,
              "400123400066"));
    add(audio(kArchive, 7, RockPop, "Garage Demos 2004", "2021-05-21 10:12:00", 8, "200000000075"));
    add(data(
        kArchive, 8, RockPop, "Top Hits of the 90s (MP3)", "2021-06-01 12:44:19", "HITS_90S",
        mp3Albums(dice, {{"1990-1994", {"Neon Nights", "Paper Heart", "Rollerblade", "Mixtape", "Pager"}},
                         {"1995-1999", {"Dial-Up", "Tamagotchi", "Y2K", "Boy Band Summer", "Disc-Man"}}})));
    {
        DemoDisc& d =
            add(data(kArchive, 9, Music, "Guitar Lessons - Basics", "2021-07-15 16:30:00", "GUITAR_BASICS",
                     listed(dice, {{"Lesson 01 - Tuning.mp3", 4 * MB},
                                   {"Lesson 02 - Open Chords.mp3", 6 * MB},
                                   {"Lesson 03 - Strumming.mp3", 5 * MB},
                                   {"Sheets/Chord chart.pdf", 0},
                                   {"Sheets/Exercises.pdf", 0}})));
        d.remark = "Course notes inside the sleeve.";
    }
    add(data(kArchive, 10, OperatingSystems, "FreeDOS 1.3 Live CD", "2022-03-08 09:21:37", "FD13-LIVECD",
             listed(dice, {{"FREEDOS/BIN/COMMAND.COM", 87 * KB},
                           {"FREEDOS/BIN/EDIT.EXE", 0},
                           {"FREEDOS/PACKAGES/", 0},
                           {"ISOLINUX/ISOLINUX.BIN", 38 * KB},
                           {"SETUP.BAT", 0},
                           {"README.TXT", 0}})));
    add(data(kArchive, 11, DevelopmentTools, "Python 3.12 Docs and Installers", "2023-11-02 13:13:13",
             "PY312",
             listed(dice, {{"python-3.12.0-amd64.exe", 25 * MB},
                           {"python-3.12.0-macos11.pkg", 43 * MB},
                           {"Python-3.12.0.tar.xz", 20 * MB},
                           {"docs/python-3.12.0-docs-html/index.html", 0},
                           {"docs/python-3.12.0-docs-pdf-a4/library.pdf", 14 * MB}})));
    add(data(kArchive, 12, Software, "Drivers - Printers and Scanners", "2020-08-19 10:48:26", "DRIVERS_2020",
             listed(dice, {{"Printer/LaserJet/setup.exe", 48 * MB},
                           {"Printer/InkJet/driver.inf", 0},
                           {"Scanner/TWAIN/install.exe", 22 * MB},
                           {"Scanner/SANE/README", 0}})));
    add(data(kArchive, 13, Software, "Antivirus Rescue Disc 2024", "2024-03-01 08:00:00", "RESCUE2024",
             listed(dice, {{"boot/kernel", 9 * MB},
                           {"boot/initrd.img", 80 * MB},
                           {"live/filesystem.squashfs", 610 * MB},
                           {"signatures/daily.cvd", 60 * MB}})));
    {
        DemoDisc& d = add(data(kArchive, 14, Films, "Wildlife of the Coast", "2020-12-05 20:00:55",
                               "WILDLIFE_COAST", videoDvd(dice, 2), "UDF"));
        d.barcode = ean13("711719800029");
        d.cover = true;
    }
    add(data(kArchive, 15, Films, "Classic Silent Shorts", "2020-12-05 20:09:31", "SILENT_SHORTS",
             videoDvd(dice, 4), "UDF"));
    add(data(
        kArchive, 16, Photos, "Photos 2019-2020 Archive", "2021-01-10 15:32:08", "PHOTOS_2019_20",
        photoFolders(dice, {{"2019/Spring", 16}, {"2019/Autumn", 14}, {"2020/Garden", 20}}, "P", 4, ".JPG")));
    add(data(
        kArchive, 17, Photos, "Scans of Old Prints", "2021-02-14 11:26:44", "OLD_PRINTS",
        photoFolders(dice, {{"Album 1 (1975-1980)", 22}, {"Album 2 (1981-1986)", 19}}, "scan", 3, ".jpg")));
    {
        DemoDisc& d =
            add(data(kArchive, 18, Documents, "Tax Records 2015-2020", "2021-04-30 22:05:00", "TAX_2015_20",
                     listed(dice, {{"2015/return.pdf", 0},
                                   {"2016/return.pdf", 0},
                                   {"2017/return.pdf", 0},
                                   {"2018/return.pdf", 0},
                                   {"2019/return.pdf", 0},
                                   {"2020/return.pdf", 0},
                                   {"2020/receipts/", 0}})));
        d.barcode = "KV-000218";
        d.remark = "Keep until 2031.";
    }
    add(data(kArchive, 19, Documents, "Thesis and Research Papers", "2019-09-09 09:09:09", "THESIS",
             listed(dice, {{"thesis/thesis-final.pdf", 6 * MB},
                           {"thesis/chapters/", 0},
                           {"papers/2017-workshop.pdf", 0},
                           {"papers/2018-journal.pdf", 0},
                           {"data/measurements.csv", 24 * MB}})));
    add(data(
        kArchive, 20, Backups, "Mail Archive 2010-2016", "2017-01-02 12:00:00", "MAIL_2010_16",
        listed(dice, {{"Mail/Inbox.mbox", 640 * MB}, {"Mail/Sent.mbox", 120 * MB}, {"Mail/Archive/", 0}})));
    add(data(kArchive, 21, Backups, "Website Backup (shop.example.org)", "2022-06-30 23:59:00", "WEB_BACKUP",
             listed(dice, {{"htdocs/index.php", 0},
                           {"htdocs/css/site.css", 0},
                           {"htdocs/img/logo.png", 0},
                           {"db/shop.sql.gz", 38 * MB}})));
    add(data(
        kArchive, 22, Games, "Retro Racing Classics", "2020-11-11 17:45:00", "RETRO_RACING",
        listed(dice,
               {{"setup.exe", 1 * MB}, {"tracks/", 0}, {"data/cars.pak", 120 * MB}, {"readme.txt", 0}})));
    {
        DemoDisc& d = add(data(
            kArchive, 23, Games, "Chess Master Training", "2020-11-11 17:52:30", "CHESS_MASTER",
            listed(
                dice,
                {{"setup.exe", 1 * MB}, {"openings/eco.db", 45 * MB}, {"endgames/", 0}, {"manual.pdf", 0}})));
        d.other = "Other=Lent to Ben, back by June\r\n";
    }
    return discs;
}

std::vector<DemoTakeOut> DemoTakeOuts()
{
    return {
        {kStudio, 12, true, "Film night", "2024-3-8 19:42"},
        {kStudio, 12, false, "", "2024-3-9 10:5"},
        {kArchive, 23, true, "Lent to Ben", "2024-4-2 18:30"},
        {kStudio, 7, true, "Reinstall the office PC", "2024-4-15 9:12"},
    };
}

} // namespace kavro
