#pragma once

#include "torvex/Transport.h"

#include <memory>

namespace torvex::sim {

class SimCore;

// The library's side of a simulation: the five transport operations on shared cabinets.
class SimTransport final : public Transport {
public:
    explicit SimTransport(std::shared_ptr<SimCore> core);

    bool listDevices(std::vector<std::string>& paths, int& error) override;
    Handle open(const std::string& path) override;
    bool attributes(Handle handle, std::uint16_t& vendorId, std::uint16_t& productId) override;
    bool indexedString(Handle handle, int index, std::uint16_t* units) override;
    void close(Handle handle) override;
    bool listedIds(const std::string& path, std::uint16_t& vendorId, std::uint16_t& productId) override;
    OpenFailure lastOpenFailure() const override;

private:
    std::shared_ptr<SimCore> m_core;
};

} // namespace torvex::sim
