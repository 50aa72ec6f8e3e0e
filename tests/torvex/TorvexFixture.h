#pragma once

#include "FaultTransport.h"

#include "torvex/sim/Simulator.h"
#include "torvex/torvex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace torvex::test {

// Simulated cabinets behind a fault transport, on a clock the test moves; the library starts
// not enumerated and is closed again afterwards.
class TorvexFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim.setTimeSource([this] { return nowMs; });
        CloseUSBKavro();
        setTransport(std::make_unique<FaultTransport>(sim.makeTransport(), faults));
    }

    void TearDown() override
    {
        CloseUSBKavro();
        EXPECT_EQ(faults->openHandles, 0) << "a handle outlived CloseUSBKavro";
        EXPECT_EQ(faults->badCloses, 0) << "a handle was closed that was not open";
        setTransport(nullptr);
    }

    // A cabinet with a drive (100 slots), or without one ("1234567...", 150 slots); slots 1 to 10
    // hold discs.
    int addCabinet(std::int32_t id, const std::string& model = "KZ350VN", int busyMs = 0)
    {
        sim::CabinetSpec spec;
        spec.id = id;
        spec.model = model;
        spec.slots = model.rfind("1234567", 0) == 0 ? 150 : 100;
        spec.filled = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        spec.busyMs = busyMs;
        return sim.addCabinet(spec);
    }

    sim::Simulator sim;
    std::shared_ptr<FaultControl> faults = std::make_shared<FaultControl>();
    std::int64_t nowMs = 1'000'000;
};

} // namespace torvex::test
