#pragma once

#include "fake_clock.h"
#include "scripted_operator.h"
#include "store/db.h"
#include "store/session.h"

#include <QTemporaryDir>
#include <memory>

namespace brela::test {

// A fresh program folder with the shipped database, a scripted operator and
// a fixed clock. Every test builds its own; none share state.
struct TestEnv {
    TestEnv();
    ~TestEnv();

    QString path(const QString& name) const { return dir.filePath(name); }
    // Runs a statement; fails the test on a database error.
    void exec(const QString& sql);
    int count(const QString& sql);

    QTemporaryDir dir;
    ScriptedOperator op;
    FakeClock clock;
    std::unique_ptr<Session> session;
};

} // namespace brela::test
