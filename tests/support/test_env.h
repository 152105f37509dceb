#pragma once

#include "fake_clock.h"
#include "scripted_operator.h"
#include "store/db.h"
#include "store/session.h"

#include <QTemporaryDir>
#include <memory>

namespace brela::test {

// The tests' PostgreSQL server (BRELA_TEST_PG_URL, set by the test main
// when BRELA_TEST_PG names a running server); empty: the tests use SQLite.
QString testServerUrl();
// A new, empty schema on the test server, dropped with this object; `url`
// opens a library in it. Close its connections first.
struct ScratchLibrary {
    ScratchLibrary();
    ~ScratchLibrary();
    QString schema;
    QString url;
};

// A fresh program folder with the shipped database, a scripted operator and
// a fixed clock. Every test builds its own; none share state. On the test
// server each gets a library (schema) of its own instead of Facturas.db.
struct TestEnv {
    TestEnv();
    ~TestEnv();

    // The working copy's FormID as SQL text, for statements in tests.
    QString wc() const { return QString::number(session->workingCopy); }

    QString path(const QString& name) const { return dir.filePath(name); }
    // A file of the program folder holding `bytes`; its path.
    QString write(const QString& name, const QByteArray& bytes) const;
    // Runs a statement; fails the test on a database error.
    void exec(const QString& sql);
    int count(const QString& sql);
    QString sql(const QString& text) const;

    std::unique_ptr<ScratchLibrary> shared; // on the test server only
    QTemporaryDir dir;
    ScriptedOperator op;
    FakeClock clock;
    std::unique_ptr<Session> session;
};

} // namespace brela::test
