#include "torvex/sim/SimTransport.h"

#include "torvex/sim/SimCore.h"

namespace torvex::sim {

SimTransport::SimTransport(std::shared_ptr<SimCore> core) : m_core(std::move(core)) {}

bool SimTransport::listDevices(std::vector<std::string>& paths, int& error)
{
    return m_core->listDevices(paths, error);
}

Handle SimTransport::open(const std::string& path)
{
    return m_core->open(path);
}

bool SimTransport::attributes(Handle handle, std::uint16_t& vendorId, std::uint16_t& productId)
{
    return m_core->attributes(handle, vendorId, productId);
}

bool SimTransport::indexedString(Handle handle, int index, std::uint16_t* units)
{
    return m_core->indexedString(handle, index, units);
}

void SimTransport::close(Handle handle)
{
    m_core->close(handle);
}

bool SimTransport::listedIds(const std::string& path, std::uint16_t& vendorId, std::uint16_t& productId)
{
    return m_core->listedIds(path, vendorId, productId);
}

OpenFailure SimTransport::lastOpenFailure() const
{
    return m_core->lastOpenFailure();
}

} // namespace torvex::sim
