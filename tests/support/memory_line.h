#pragma once

#include "fake_clock.h"
#include "printer/serial_line.h"

#include <functional>
#include <map>
#include <set>

namespace brela {

// A serial line in memory for tests. The far end is scripted: bytes queued
// now or at a given time, or callbacks that answer what was written and
// deliver what falls due as time passes. Waiting moves the fake clock
// instead of sleeping, so time-outs cost no real time.
class MemoryLine : public SerialLine {
public:
    explicit MemoryLine(FakeClock& clock);

    OpenResult open(const PortRequest& request) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    bool lost() const override { return hungUp_ && !open_; }
    QString name() const override { return name_; }

    qint64 bytesWaiting() override;
    QByteArray read(qint64 max) override;
    bool write(const QByteArray& bytes) override;
    bool waitForInput(int ms) override;
    void discardInput() override { input_.clear(); }

    // Far end, scripted.
    void queueInput(const QByteArray& bytes) { input_ += bytes; }
    void deliverAt(double seconds, const QByteArray& bytes) { scheduled_.emplace(seconds, bytes); }
    // The far end answers each write at once with what this returns.
    std::function<QByteArray(const QByteArray& written, double now)> onWrite;
    // The far end's own timeline: bytes due by `now`, and when it next has any (< 0: never).
    std::function<QByteArray(double now)> onPoll;
    std::function<double()> nextEventAt;

    // The next read or write fails and closes the line, as a pulled adapter would.
    void hangUp() { hungUp_ = true; }

    // Which ports exist and which are taken, for the opening paths.
    std::set<int> presentPorts{1, 2, 3, 4};
    std::set<int> busyPorts;
    std::set<QString> absentDevices; // device paths that are not there
    // Line settings that read well but that the device does not take.
    std::set<QString> refusedSettings;

    QByteArray written; // everything written, in order
    std::vector<QByteArray> writes;
    std::vector<PortRequest> opens;
    int waits = 0;

private:
    void deliverDue();
    bool fail();

    FakeClock& clock_;
    bool open_ = false;
    bool hungUp_ = false;
    QString name_;
    QByteArray input_;
    std::multimap<double, QByteArray> scheduled_;
};

} // namespace brela
