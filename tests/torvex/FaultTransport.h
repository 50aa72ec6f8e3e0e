#pragma once

#include "torvex/Transport.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace torvex::test {

// What a FaultTransport breaks and what it has counted. The test keeps it; the library owns the
// transport.
struct FaultControl {
    bool failList = false;
    int listError = 19;
    std::vector<std::string> extraPaths; // listed after the inner transport's devices
    std::set<std::string> failOpen;
    std::set<std::string> failAttributes;
    std::function<bool(const std::string& path, int index)> failRequest;

    int openHandles = 0; // open right now
    int opens = 0;
    int closes = 0;
    int badCloses = 0; // closes of handles that were not open
    int listCalls = 0;
};

// Wraps another transport, fails what the control says and counts the handles.
class FaultTransport final : public Transport {
public:
    FaultTransport(std::unique_ptr<Transport> inner, std::shared_ptr<FaultControl> control)
        : m_inner(std::move(inner)), m_control(std::move(control))
    {
    }

    bool listDevices(std::vector<std::string>& paths, int& error) override
    {
        ++m_control->listCalls;
        if (m_control->failList) {
            error = m_control->listError;
            return false;
        }
        if (!m_inner->listDevices(paths, error))
            return false;
        paths.insert(paths.end(), m_control->extraPaths.begin(), m_control->extraPaths.end());
        return true;
    }

    Handle open(const std::string& path) override
    {
        if (m_control->failOpen.count(path) != 0)
            return kInvalidHandle;
        const Handle handle = m_inner->open(path);
        if (handle != kInvalidHandle) {
            m_paths[handle] = path;
            ++m_control->openHandles;
            ++m_control->opens;
        }
        return handle;
    }

    bool attributes(Handle handle, std::uint16_t& vendorId, std::uint16_t& productId) override
    {
        if (m_control->failAttributes.count(pathOf(handle)) != 0)
            return false;
        return m_inner->attributes(handle, vendorId, productId);
    }

    bool indexedString(Handle handle, int index, std::uint16_t* units) override
    {
        if (m_control->failRequest && m_control->failRequest(pathOf(handle), index))
            return false;
        return m_inner->indexedString(handle, index, units);
    }

    void close(Handle handle) override
    {
        if (m_paths.erase(handle) == 0) {
            ++m_control->badCloses;
            return;
        }
        --m_control->openHandles;
        ++m_control->closes;
        m_inner->close(handle);
    }

private:
    std::string pathOf(Handle handle) const
    {
        const auto it = m_paths.find(handle);
        return it == m_paths.end() ? std::string() : it->second;
    }

    std::unique_ptr<Transport> m_inner;
    std::shared_ptr<FaultControl> m_control;
    std::map<Handle, std::string> m_paths;
};

} // namespace torvex::test
