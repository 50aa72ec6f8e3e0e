#pragma once

#include "torvex/Transport.h"
#include "torvex/sim/Cabinet.h"
#include "torvex/sim/Simulator.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace torvex::sim {

// The shared state of a simulation: the cabinets, the open handles, the request log and the
// time source. Transports and the control API both work on it.
class SimCore {
public:
    SimCore();

    int add(const CabinetSpec& spec);
    int count() const { return static_cast<int>(m_cabinets.size()); }
    Cabinet& cabinet(int key);
    const Cabinet& cabinet(int key) const;
    void schedule(int key, PlugEvent event);

    void setTimeSource(std::function<std::int64_t()> now);
    std::int64_t now() const;

    void setListError(int error) { m_listError = error; }

    // The five transport operations.
    bool listDevices(std::vector<std::string>& paths, int& error);
    Handle open(const std::string& path);
    bool attributes(Handle handle, std::uint16_t& vendorId, std::uint16_t& productId);
    bool indexedString(Handle handle, int index, std::uint16_t* units);
    void close(Handle handle);
    bool listedIds(const std::string& path, std::uint16_t& vendorId, std::uint16_t& productId);
    OpenFailure lastOpenFailure() const { return m_lastOpenFailure; }

    const std::vector<Request>& log() const { return m_log; }
    void clearLog() { m_log.clear(); }
    int openHandles() const { return static_cast<int>(m_handles.size()); }
    int listings() const { return m_listings; }

private:
    struct OpenCabinet {
        int key = 0;
        int generation = 0;
    };
    struct Scheduled {
        int key = 0;
        PlugEvent event;
    };

    void applyEvents(bool listing);
    // The cabinet behind a handle while that very device is still plugged in; else nullptr.
    Cabinet* live(Handle handle, int* key = nullptr);

    std::vector<Cabinet> m_cabinets;
    std::vector<Scheduled> m_events;
    std::map<Handle, OpenCabinet> m_handles;
    Handle m_nextHandle = 1;
    std::vector<Request> m_log;
    std::function<std::int64_t()> m_now;
    int m_listError = 0;
    OpenFailure m_lastOpenFailure;
    int m_listings = 0;
    std::int64_t m_requests = 0; // string requests that reached a cabinet, never cleared
};

} // namespace torvex::sim
