#pragma once

#include "common/clock.h"

namespace brela {

// Time moves only when a test moves it.
class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime wall = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53))) : wall_(std::move(wall)) {}
    double monotonicSeconds() const override { return seconds_; }
    QDateTime now() const override { return wall_.addMSecs(static_cast<qint64>(seconds_ * 1000)); }
    void advance(double seconds) { seconds_ += seconds; }
    void setWall(const QDateTime& wall) { wall_ = wall; }

private:
    QDateTime wall_;
    double seconds_ = 0;
};

} // namespace brela
