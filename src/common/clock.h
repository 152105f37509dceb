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

// Time moves only when a test moves it.
class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime wall = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)))
        : wall_(std::move(wall)) {}
    double monotonicSeconds() const override { return seconds_; }
    QDateTime now() const override { return wall_.addMSecs(static_cast<qint64>(seconds_ * 1000)); }
    void advance(double seconds) { seconds_ += seconds; }
    void setWall(const QDateTime& wall) { wall_ = wall; }

private:
    QDateTime wall_;
    double seconds_ = 0;
};

} // namespace brela
