#include "memory_line.h"

#include <algorithm>

namespace brela {

MemoryLine::MemoryLine(FakeClock& clock) : clock_(clock) {}

OpenResult MemoryLine::open(const PortRequest& request)
{
    opens.push_back(request);
    open_ = false;
    name_ = request.device.isEmpty() ? portLabel(request.number) : request.device;
    if (request.device.isEmpty() && !presentPorts.count(request.number))
        return {PortFailure::NoSuchPort, 1, QStringLiteral("No existe el dispositivo ") + name_};
    if (absentDevices.count(request.device))
        return {PortFailure::NoSuchPort, 1, QStringLiteral("No existe el dispositivo ") + name_};
    if (request.device.isEmpty() && busyPorts.count(request.number))
        return {PortFailure::InUse, 2, QStringLiteral("El dispositivo está en uso: ") + name_};
    LineSettings settings;
    if (!parseLineSettings(request.settings, settings))
        return {PortFailure::BadSettings, 10,
                QStringLiteral("Configuración de línea no válida: \"%1\"").arg(request.settings)};
    if (refusedSettings.count(request.settings))
        return {PortFailure::BadSettings, 11, QStringLiteral("El port no acepta \"%1\"").arg(request.settings)};
    open_ = true;
    hungUp_ = false;
    return {};
}

bool MemoryLine::fail()
{
    if (!hungUp_)
        return false;
    open_ = false;
    input_.clear();
    return true;
}

void MemoryLine::deliverDue()
{
    const double now = clock_.monotonicSeconds();
    while (!scheduled_.empty() && scheduled_.begin()->first <= now) {
        input_ += scheduled_.begin()->second;
        scheduled_.erase(scheduled_.begin());
    }
    if (onPoll)
        input_ += onPoll(now);
}

qint64 MemoryLine::bytesWaiting()
{
    if (!open_ || fail())
        return 0;
    deliverDue();
    return input_.size();
}

QByteArray MemoryLine::read(qint64 max)
{
    if (!open_ || fail())
        return {};
    const QByteArray bytes = input_.left(max);
    input_.remove(0, bytes.size());
    return bytes;
}

bool MemoryLine::write(const QByteArray& bytes)
{
    if (!open_ || fail())
        return false;
    written += bytes;
    writes.push_back(bytes);
    if (onWrite)
        input_ += onWrite(bytes, clock_.monotonicSeconds());
    return true;
}

bool MemoryLine::waitForInput(int ms)
{
    ++waits;
    if (!open_ || fail())
        return false;
    deliverDue();
    if (!input_.isEmpty())
        return true;
    const double now = clock_.monotonicSeconds();
    double until = now + ms / 1000.0;
    if (!scheduled_.empty())
        until = std::min(until, scheduled_.begin()->first);
    if (nextEventAt) {
        const double next = nextEventAt();
        if (next >= 0)
            until = std::min(until, next);
    }
    // Always move time on, so a far end that promised bytes and sent none cannot stall a wait.
    clock_.advance(std::max(0.001, until - now));
    deliverDue();
    return !input_.isEmpty();
}

} // namespace brela
