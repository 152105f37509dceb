#pragma once

#include <QDateTime>
#include <QElapsedTimer>

namespace brela {

// Monotonic seconds for the link's deadlines; wall time for logs and scripts.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double monotonicSeconds() const = 0;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    SystemClock() { timer_.start(); }
    double monotonicSeconds() const override { return timer_.nsecsElapsed() / 1e9; }
    QDateTime now() const override { return QDateTime::currentDateTime(); }

private:
    QElapsedTimer timer_;
};

} // namespace brela
