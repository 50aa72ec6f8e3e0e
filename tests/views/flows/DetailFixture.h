#pragma once

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscRecords.h"
#include "changer/ChangerContext.h"
#include "changer/Timer.h"
#include "changer/TorvexCalls.h"
#include "platform/Texts.h"

#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace kavro::test {

// Changer library answers set by the test: which slot's disc each machine's drive holds and the
// drive use counter. Every other call answers 0; a machine the test does not name answers as an
// unknown id does (GetDriveCD 0, GetDriveCounter 1).
class ScriptedTorvex final : public kavro::TorvexCalls {
public:
    int InitUSBKavro() override { return 0; }
    int CloseUSBKavro() override { return 0; }
    int GetDeviceNumber() override { return 0; }
    int EnumDevice(int) override { return 0; }
    int USBCDReset(int) override { return 0; }
    int USBCDMoveto(int, int) override { return 0; }
    int USBCDGetCDDown(int) override { return 0; }
    int USBCDLEDON(int) override { return 0; }
    int USBCDLEDOFF(int) override { return 0; }
    int USBCDGetStatus(int) override { return 0; }
    int USBCDGetType(int, char* text, int* length) override
    {
        text[0] = '\0';
        *length = 0;
        return 0;
    }
    int USBCDGetDriveCD(int id) override
    {
        ++driveQueries;
        const auto it = driveSlot.find(id);
        return it == driveSlot.end() ? 0 : it->second;
    }
    int USBCDMovetoDrive(int, int) override { return 0; }
    int USBCDEject(int) override { return 0; }
    int GetDriveCounter(int id, int* counter) override
    {
        counterAskedFor = id;
        if (counterFault)
            throw std::runtime_error("drive counter fault");
        const auto it = counters.find(id);
        if (it == counters.end())
            return 1;
        if (counterResult == 0)
            *counter = it->second;
        return counterResult;
    }
    int USBCDchanged() override { return 0; }

    std::map<int, int> driveSlot;
    std::map<int, int> counters;
    int counterResult = 0;
    bool counterFault = false;
    int driveQueries = 0;
    int counterAskedFor = -1;
};

class CountingTimer final : public kavro::Timer {
public:
    void start() override
    {
        ++starts;
        m_active = true;
    }
    void stop() override { m_active = false; }
    void setInterval(int ms) override { m_interval = ms; }
    int interval() const override { return m_interval; }
    bool active() const override { return m_active; }
    int starts = 0;

private:
    int m_interval = 0;
    bool m_active = false;
};

// A program folder with an open catalogue, a changer context over the scripted library, and two
// registered machines: 101 "Left" and 202 "Right".
class DetailFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir / "Data");
        catalogue = std::make_unique<Catalogue>(dir.path(), person, texts, clock);
        const DbStatus opened = catalogue->open();
        ASSERT_TRUE(opened.ok()) << opened.error();
        ctx = std::make_unique<ChangerContext>(*catalogue, torvex, person, clock, texts);
        ctx->useTimers(monitor, driveCheck);
        addMachine(101, "Left");
        addMachine(202, "Right");
    }

    void TearDown() override
    {
        ctx.reset();
        catalogue.reset();
    }

    void addMachine(int id, const std::string& name)
    {
        MachineEntry entry;
        entry.DeviceId = id;
        entry.name = name;
        entry.model = "KZ350VN";
        ASSERT_TRUE(ctx->machines.add(entry));
    }

    // A disc row written through the record writer; picture is BMP bytes or empty.
    void addDisc(int machine, int slot, const std::string& title, const std::string& category = "Music",
                 const std::string& picture = {})
    {
        DiscRecord& d = catalogue->currentDisc();
        d = DiscRecord{};
        d.machine = machine;
        d.slot = slot;
        d.title = title;
        d.categoryId = 1;
        d.categoryName = category;
        d.picture = picture;
        ASSERT_TRUE(catalogue->discCursor().append().ok());
        const DbStatus written = WriteDiscRecord(*catalogue);
        ASSERT_TRUE(written.ok()) << written.error();
        const DbStatus posted = catalogue->discCursor().post();
        ASSERT_TRUE(posted.ok()) << posted.error();
    }

    TempDir dir;
    ScriptedPerson person;
    VirtualClock clock;
    DefaultTexts texts;
    ScriptedTorvex torvex;
    CountingTimer monitor;
    CountingTimer driveCheck;
    std::unique_ptr<Catalogue> catalogue;
    std::unique_ptr<ChangerContext> ctx;
};

} // namespace kavro::test
