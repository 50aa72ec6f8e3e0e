#include "torvex/sim/SimCore.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace torvex::sim {

namespace {

constexpr const char* kPathPrefix = "sim:";

std::int64_t steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// "sim:<key>" back to the key; -1 for anything else.
int keyOfPath(const std::string& path)
{
    const std::string prefix = kPathPrefix;
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
        return -1;
    int key = 0;
    for (std::size_t i = prefix.size(); i < path.size(); ++i) {
        const char c = path[i];
        if (c < '0' || c > '9' || key > 100000)
            return -1;
        key = key * 10 + (c - '0');
    }
    return key;
}

} // namespace

SimCore::SimCore() : m_now(steadyMs) {}

int SimCore::add(const CabinetSpec& spec)
{
    m_cabinets.emplace_back(spec);
    return count() - 1;
}

Cabinet& SimCore::cabinet(int key)
{
    if (key < 0 || key >= count())
        throw std::out_of_range("no simulated cabinet " + std::to_string(key));
    return m_cabinets[static_cast<std::size_t>(key)];
}

const Cabinet& SimCore::cabinet(int key) const
{
    return const_cast<SimCore*>(this)->cabinet(key);
}

void SimCore::schedule(int key, PlugEvent event)
{
    cabinet(key); // checks the key
    if (event.trigger == PlugEvent::Trigger::AfterRequests)
        event.at += m_requests;
    m_events.push_back({key, event});
}

void SimCore::setTimeSource(std::function<std::int64_t()> now)
{
    m_now = now ? std::move(now) : std::function<std::int64_t()>(steadyMs);
}

std::int64_t SimCore::now() const
{
    return m_now();
}

void SimCore::applyEvents(bool listing)
{
    if (m_events.empty())
        return;
    const std::int64_t t = now();
    // Counted events fall between two listings, never between a listing and its opens.
    auto due = [&](const Scheduled& s) {
        switch (s.event.trigger) {
        case PlugEvent::Trigger::AtMs:
            return t >= s.event.at;
        case PlugEvent::Trigger::AfterRequests:
            return m_requests >= s.event.at;
        case PlugEvent::Trigger::AfterListings:
            break;
        }
        return listing && m_listings >= s.event.at;
    };
    // Events take effect in the order they were scheduled.
    for (const Scheduled& s : m_events)
        if (due(s))
            m_cabinets[static_cast<std::size_t>(s.key)].setPlugged(s.event.plugged);
    std::erase_if(m_events, due);
}

bool SimCore::listDevices(std::vector<std::string>& paths, int& error)
{
    paths.clear();
    if (m_listError != 0) {
        error = m_listError;
        return false;
    }
    applyEvents(true);
    ++m_listings;
    for (int key = 0; key < count(); ++key)
        if (m_cabinets[static_cast<std::size_t>(key)].plugged())
            paths.push_back(kPathPrefix + std::to_string(key));
    return true;
}

Handle SimCore::open(const std::string& path)
{
    applyEvents(false);
    const int key = keyOfPath(path);
    if (key < 0 || key >= count() || !m_cabinets[static_cast<std::size_t>(key)].plugged()) {
        m_lastOpenFailure = {OpenFailure::Kind::Gone, {}};
        return kInvalidHandle;
    }
    if (!m_cabinets[static_cast<std::size_t>(key)].openable()) {
        m_lastOpenFailure = {OpenFailure::Kind::AccessDenied, {}};
        return kInvalidHandle;
    }
    m_lastOpenFailure = {};
    const Handle handle = m_nextHandle++;
    m_handles[handle] = {key, m_cabinets[static_cast<std::size_t>(key)].generation()};
    return handle;
}

Cabinet* SimCore::live(Handle handle, int* key)
{
    applyEvents(false);
    const auto it = m_handles.find(handle);
    if (it == m_handles.end())
        return nullptr;
    Cabinet& c = m_cabinets[static_cast<std::size_t>(it->second.key)];
    if (!c.plugged() || c.generation() != it->second.generation)
        return nullptr;
    if (key != nullptr)
        *key = it->second.key;
    return &c;
}

bool SimCore::attributes(Handle handle, std::uint16_t& vendorId, std::uint16_t& productId)
{
    const Cabinet* c = live(handle);
    if (c == nullptr)
        return false;
    vendorId = c->vendorId();
    productId = c->productId();
    return true;
}

bool SimCore::indexedString(Handle handle, int index, std::uint16_t* units)
{
    int key = 0;
    Cabinet* c = live(handle, &key);
    // A string index is one byte on the wire, as over USB.
    if (c == nullptr || index < 0 || index > 255)
        return false;
    m_log.push_back({key, c->id(), index});
    ++m_requests;
    const Reply reply = c->answer(index, now());
    if (reply.failed())
        return false;
    const std::vector<std::uint16_t>& replyUnits = reply.units();
    std::copy_n(replyUnits.begin(), std::min(replyUnits.size(), kReplyUnits), units);
    return true;
}

bool SimCore::listedIds(const std::string& path, std::uint16_t& vendorId, std::uint16_t& productId)
{
    const int key = keyOfPath(path);
    if (key < 0 || key >= count() || !m_cabinets[static_cast<std::size_t>(key)].plugged())
        return false;
    vendorId = m_cabinets[static_cast<std::size_t>(key)].vendorId();
    productId = m_cabinets[static_cast<std::size_t>(key)].productId();
    return true;
}

void SimCore::close(Handle handle)
{
    m_handles.erase(handle);
}

} // namespace torvex::sim
