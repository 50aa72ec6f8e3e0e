#pragma once

#include "catalogue/records/Catalogue.h"
#include "changer/ChangerContext.h"
#include "changer/TakeOutDialog.h"
#include "changer/Timer.h"
#include "changer/TorvexCalls.h"
#include "platform/Texts.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include "torvex/Transport.h"
#include "torvex/sim/Simulator.h"
#include "torvex/torvex.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <ctime>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace kavro::test {

// A timer that counts what the flows did with it.
class RecordingTimer final : public kavro::Timer {
public:
    void start() override
    {
        ++starts;
        m_active = true;
    }
    void stop() override
    {
        ++stops;
        m_active = false;
    }
    void setInterval(int ms) override { m_interval = ms; }
    int interval() const override { return m_interval; }
    bool active() const override { return m_active; }

    int starts = 0;
    int stops = 0;

private:
    int m_interval = 0;
    bool m_active = false;
};

// The real library calls, each noted with its machine, argument and the clock's time; a call
// whose name is in `failing` throws instead.
class WatchedTorvex final : public kavro::TorvexCalls {
public:
    struct Call {
        std::string name;
        int id = 0;
        int arg = 0;
        std::int64_t atMs = 0;
    };

    explicit WatchedTorvex(const kavro::Clock& clock) : m_clock(clock) {}

    int InitUSBKavro() override
    {
        return note("InitUSBKavro", 0, 0, [&] { return m_real.InitUSBKavro(); });
    }
    int CloseUSBKavro() override
    {
        return note("CloseUSBKavro", 0, 0, [&] { return m_real.CloseUSBKavro(); });
    }
    int GetDeviceNumber() override
    {
        return note("GetDeviceNumber", 0, 0, [&] { return m_real.GetDeviceNumber(); });
    }
    int EnumDevice(int i) override
    {
        return note("EnumDevice", 0, i, [&] { return m_real.EnumDevice(i); });
    }
    int USBCDReset(int id) override
    {
        return note("USBCDReset", id, 0, [&] { return m_real.USBCDReset(id); });
    }
    int USBCDMoveto(int id, int slot) override
    {
        return note("USBCDMoveto", id, slot, [&] { return m_real.USBCDMoveto(id, slot); });
    }
    int USBCDGetCDDown(int id) override
    {
        return note("USBCDGetCDDown", id, 0, [&] { return m_real.USBCDGetCDDown(id); });
    }
    int USBCDLEDON(int id) override
    {
        return note("USBCDLEDON", id, 0, [&] { return m_real.USBCDLEDON(id); });
    }
    int USBCDLEDOFF(int id) override
    {
        return note("USBCDLEDOFF", id, 0, [&] { return m_real.USBCDLEDOFF(id); });
    }
    int USBCDGetStatus(int id) override
    {
        return note("USBCDGetStatus", id, 0, [&] { return m_real.USBCDGetStatus(id); });
    }
    int USBCDGetType(int id, char* text, int* length) override
    {
        return note("USBCDGetType", id, 0, [&] { return m_real.USBCDGetType(id, text, length); });
    }
    int USBCDGetDriveCD(int id) override
    {
        return note("USBCDGetDriveCD", id, 0, [&] { return m_real.USBCDGetDriveCD(id); });
    }
    int USBCDMovetoDrive(int id, int slot) override
    {
        return note("USBCDMovetoDrive", id, slot, [&] { return m_real.USBCDMovetoDrive(id, slot); });
    }
    int USBCDEject(int id) override
    {
        return note("USBCDEject", id, 0, [&] { return m_real.USBCDEject(id); });
    }
    int GetDriveCounter(int id, int* counter) override
    {
        return note("GetDriveCounter", id, 0, [&] { return m_real.GetDriveCounter(id, counter); });
    }
    int USBCDchanged() override
    {
        return note("USBCDchanged", 0, 0, [&] { return m_real.USBCDchanged(); });
    }

    // Names of the calls made, in order.
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const Call& c : calls)
            out.push_back(c.name);
        return out;
    }
    const Call* find(const std::string& name) const
    {
        for (const Call& c : calls)
            if (c.name == name)
                return &c;
        return nullptr;
    }

    std::vector<Call> calls;
    std::set<std::string> failing;

private:
    template <typename F> int note(const char* name, int id, int arg, F&& call)
    {
        calls.push_back({name, id, arg, m_clock.nowMs()});
        if (failing.count(name) != 0)
            throw std::runtime_error(std::string(name) + " failed");
        return call();
    }

    const kavro::Clock& m_clock;
    kavro::LinkedTorvex m_real;
};

// A take-out dialog answering from a script; without one it is closed (result 0).
class ScriptedTakeOutDialog final : public kavro::TakeOutDialog {
public:
    kavro::TakeOutAnswer ask(const std::string& machineName, int slot, const std::string& title) override
    {
        asked.push_back({machineName, slot});
        titles.push_back(title);
        if (answers.empty())
            return {};
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<std::pair<std::string, int>> asked;
    std::vector<std::string> titles;
    std::deque<kavro::TakeOutAnswer> answers;
};

// A program folder with its catalogue, simulated cabinets on the virtual clock, and a changer
// context whose timers record; the library is closed again after each test.
class ChangerFixture : public ::testing::Test {
protected:
    static constexpr int kDrive = 0x0A0B0C; // a KZ350VN with a drive, 100 slots
    static constexpr int kPlain = 0x123456; // a 150-slot machine without a drive

    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "Data");
        sim.setTimeSource([this] { return clock.nowMs(); });
        CloseUSBKavro();
        sim.install();
        catalogue = std::make_unique<Catalogue>(dir.path(), person, texts, clock);
        const DbStatus s = catalogue->open();
        ASSERT_TRUE(s.ok()) << s.error();
        ctx = std::make_unique<ChangerContext>(*catalogue, torvex, person, clock, texts);
        ctx->useTimers(monitor, driveCheck);
        // 12:34:56 local time.
        ctx->wallClock = [] {
            std::tm t{};
            t.tm_year = 2024 - 1900;
            t.tm_mon = 2;
            t.tm_mday = 5;
            t.tm_hour = 12;
            t.tm_min = 34;
            t.tm_sec = 56;
            t.tm_isdst = -1;
            return std::chrono::system_clock::from_time_t(std::mktime(&t));
        };
    }

    void TearDown() override
    {
        ctx.reset();
        catalogue.reset();
        CloseUSBKavro();
        torvex::setTransport(nullptr);
    }

    // Lets the cabinets finish what the test had them do through the library directly.
    void settle() { clock.advance(30'000); }

    // A cabinet that moves as slowly as a real one; `instant` for a test about the order of the
    // requests rather than their timing.
    int addCabinet(int id, const std::string& model = "KZ350VN", bool plugged = true, bool instant = false)
    {
        torvex::sim::CabinetSpec spec = instant ? torvex::sim::CabinetSpec{} : torvex::sim::CabinetSpec::realTiming();
        spec.id = id;
        spec.model = model;
        spec.slots = model == "KZ350VN" ? 100 : 150;
        spec.filled = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        spec.plugged = plugged;
        return sim.addCabinet(spec);
    }

    // Opens the library on the cabinets and forgets the requests that took.
    void openLibrary()
    {
        ASSERT_EQ(InitUSBKavro(), 0);
        sim.clearLog();
        torvex.calls.clear();
    }

    // A registered machine (without asking anyone).
    void registerMachine(int id, const std::string& name, const std::string& model = "KZ350VN")
    {
        MachineEntry e;
        e.DeviceId = id;
        e.name = name;
        e.model = model;
        ASSERT_TRUE(ctx->machines.add(e));
    }

    std::vector<std::vector<std::string>> rows(const std::string& sql)
    {
        std::vector<std::vector<std::string>> out;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(catalogue->database().handle(), sql.c_str(), -1, &stmt, nullptr),
                  SQLITE_OK);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                row.emplace_back(p ? p : "<null>");
            }
            out.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        return out;
    }

    TempDir dir;
    ScriptedPerson person;
    VirtualClock clock;
    DefaultTexts texts;
    torvex::sim::Simulator sim;
    WatchedTorvex torvex{clock};
    RecordingTimer monitor;
    RecordingTimer driveCheck;
    std::unique_ptr<Catalogue> catalogue;
    std::unique_ptr<ChangerContext> ctx;
};

} // namespace kavro::test
