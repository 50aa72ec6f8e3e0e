#include "torvex/sim/Simulator.h"

#include "torvex/sim/SimCore.h"
#include "torvex/sim/SimTransport.h"

namespace torvex::sim {

Reply Reply::text(std::string_view text)
{
    Reply reply;
    for (const char c : text)
        reply.m_units.push_back(static_cast<unsigned char>(c));
    return reply;
}

Reply Reply::units(std::vector<std::uint16_t> units)
{
    Reply reply;
    reply.m_units = std::move(units);
    return reply;
}

Reply Reply::failure()
{
    Reply reply;
    reply.m_failed = true;
    return reply;
}

std::map<int, int> Timing::byCode() const
{
    return {{11, resetMs}, {12, doorMs}, {14, armDownMs}, {19, loadMs}, {20, returnMs}};
}

CabinetSpec CabinetSpec::realTiming()
{
    CabinetSpec spec;
    spec.busyMsByCode = Timing{}.byCode();
    return spec;
}

Simulator::Simulator() : m_core(std::make_shared<SimCore>()) {}

int Simulator::addCabinet(const CabinetSpec& spec)
{
    return m_core->add(spec);
}

int Simulator::cabinetCount() const
{
    return m_core->count();
}

void Simulator::plug(int cabinet)
{
    m_core->cabinet(cabinet).setPlugged(true);
}

void Simulator::unplug(int cabinet)
{
    m_core->cabinet(cabinet).setPlugged(false);
}

void Simulator::schedule(int cabinet, PlugEvent event)
{
    m_core->schedule(cabinet, event);
}

void Simulator::setTimeSource(std::function<std::int64_t()> now)
{
    m_core->setTimeSource(std::move(now));
}

std::int64_t Simulator::now() const
{
    return m_core->now();
}

void Simulator::script(int cabinet, int index, Reply reply)
{
    m_core->cabinet(cabinet).script(index, std::move(reply));
}

std::vector<Request> Simulator::log() const
{
    return m_core->log();
}

std::vector<int> Simulator::indicesSent() const
{
    std::vector<int> indices;
    for (const Request& r : m_core->log())
        indices.push_back(r.index);
    return indices;
}

std::vector<int> Simulator::indicesSent(std::int32_t machineId) const
{
    std::vector<int> indices;
    for (const Request& r : m_core->log())
        if (r.machineId == machineId)
            indices.push_back(r.index);
    return indices;
}

void Simulator::clearLog()
{
    m_core->clearLog();
}

CabinetState Simulator::state(int cabinet) const
{
    return m_core->cabinet(cabinet).state(m_core->now());
}

int Simulator::openHandles() const
{
    return m_core->openHandles();
}

int Simulator::listings() const
{
    return m_core->listings();
}

std::unique_ptr<Transport> Simulator::makeTransport() const
{
    return std::make_unique<SimTransport>(m_core);
}

void Simulator::install() const
{
    setTransport(makeTransport());
}

void Simulator::setListError(int error)
{
    m_core->setListError(error);
}

} // namespace torvex::sim
