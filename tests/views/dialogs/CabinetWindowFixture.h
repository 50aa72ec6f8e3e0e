#pragma once

// Before any Qt header: the simulator's cabinets have a member named like Qt's "slots" keyword.
#include "torvex/Transport.h"
#include "torvex/sim/Simulator.h"
#include "torvex/torvex.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/records/DiscTree.h"
#include "cataloguing/CabinetRun.h"
#include "changer/ChangerContext.h"
#include "changer/TorvexCalls.h"
#include "content/DiscScan.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/Texts.h"
#include "shell/Settings.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

namespace kavro::test {

// The program's clock on virtual time: a sleep returns at once, the time advanced, after letting
// the pending window events run, as the program's sleep keeps its windows answering; `during`
// acts for the test at each of those points.
class WindowClock final : public kavro::Clock {
public:
    void sleep(int ms) override
    {
        m_now += ms;
        processEvents();
    }
    void processEvents() override
    {
        QCoreApplication::processEvents();
        if (during)
            during();
    }
    std::int64_t nowMs() const override { return m_now; }
    void advance(std::int64_t ms) { m_now += ms; }

    std::function<void()> during;

private:
    std::int64_t m_now = 1'000'000;
};

// A program folder with its catalogue and a 100-slot cabinet with a drive, as slow and busy as a
// real one, whose slots 1 to 4 hold discs with content (folders named by their volume labels),
// registered as "Drive"; the drive is E:, read as a folder.
class CabinetWindowFixture : public ::testing::Test {
protected:
    static constexpr int kDrive = 0x0A0B0C;

    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "Data");
        for (const char* name : {"HOLIDAY", "PHOTOS", "TAXES", "MUSIC"}) {
            std::filesystem::create_directories(folder(name) + "/sub");
            std::ofstream(folder(name) + "/sub/readme.txt") << name;
        }
        sim.setTimeSource([this] { return clock.nowMs(); });
        CloseUSBKavro();
        sim.install();
        torvex::sim::CabinetSpec spec = torvex::sim::CabinetSpec::realTiming();
        spec.id = kDrive;
        spec.filled = {1, 2, 3, 4};
        spec.driveFolder = (dir.path() / "drive").string();
        spec.discFolders = {
            {1, folder("HOLIDAY")}, {2, folder("PHOTOS")}, {3, folder("TAXES")}, {4, folder("MUSIC")}};
        cabinet = sim.addCabinet(spec);
        ASSERT_EQ(InitUSBKavro(), 0);
        catalogue = std::make_unique<Catalogue>(dir.path(), person, texts, clock);
        const DbStatus s = catalogue->open();
        ASSERT_TRUE(s.ok()) << s.error();
        ctx = std::make_unique<ChangerContext>(*catalogue, calls, person, clock, texts);
        MachineEntry e;
        e.DeviceId = kDrive;
        e.name = "Drive";
        e.model = "KZ350VN";
        ASSERT_TRUE(ctx->machines.add(e));
        ASSERT_TRUE(settings.writeString("Drives", "E", drivesFolder + ";cdrom"));
    }

    void TearDown() override
    {
        clock.during = nullptr;
        ctx.reset();
        catalogue.reset();
        CloseUSBKavro();
        torvex::setTransport(nullptr);
    }

    std::string folder(const std::string& name) const { return (dir.path() / "discs" / name).string(); }

    // What the window's run works with, as the main window gives it.
    CabinetRunServices services()
    {
        return CabinetRunServices{*catalogue,
                                  *ctx,
                                  settings,
                                  texts,
                                  person,
                                  clock,
                                  nullptr,
                                  nullptr,
                                  [this] {
                                      return Drives::build({}, [this](char letter) {
                                          return settings.readString("Drives", std::string(1, letter), "");
                                      });
                                  },
                                  'E',
                                  dir.path() / "Data/CabinetRun.log"};
    }

    void addRecord(int slot, const std::string& title)
    {
        DiscRecord& d = catalogue->currentDisc();
        d = DiscRecord{};
        d.machine = kDrive;
        d.slot = slot;
        d.title = title;
        d.volume = "OLD" + std::to_string(slot);
        ClearDiscTree(catalogue->fileTree());
        ASSERT_TRUE(catalogue->discCursor().append().ok());
        ASSERT_TRUE(WriteDiscRecord(*catalogue).ok());
        ASSERT_TRUE(catalogue->discCursor().post().ok());
    }

    static std::string fileText(const std::filesystem::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Lets the cabinet finish a movement begun without waiting for it.
    void settle() { clock.advance(30'000); }

    TempDir dir;
    ScriptedPerson person;
    WindowClock clock;
    DefaultTexts texts;
    torvex::sim::Simulator sim;
    LinkedTorvex calls;
    Settings settings{dir.path() / "Kavro.ini"};
    // E: is read here; the drive shows its disc here as soon as it is loaded, unless a test
    // makes it a drive that needs time before it reads.
    std::string drivesFolder = (dir.path() / "drive").string();
    std::unique_ptr<Catalogue> catalogue;
    std::unique_ptr<ChangerContext> ctx;
    int cabinet = 0;
};

} // namespace kavro::test
