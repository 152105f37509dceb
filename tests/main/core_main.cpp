#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// ctest's code for "skipped": the second, PostgreSQL run of a test program
// says why it cannot run instead of passing without having run.
constexpr int kSkipped = 77;

QString readState(const QString& folder, const char* name)
{
    QFile file(folder + QLatin1Char('/') + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

int main(int argc, char** argv)
{
    // Whatever starts this program, its settings (port mappings, placement)
    // live in a folder of its own, never in the operator's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);

    // BRELA_TEST_PG: the folder where tests/pg/server.sh left the server's address.
    if (const QString state = qEnvironmentVariable("BRELA_TEST_PG"); !state.isEmpty()) {
        if (const QString missing = readState(state, "missing"); !missing.isEmpty()) {
            std::printf("SKIPPED: %s\n", qPrintable(missing));
            return kSkipped;
        }
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
            std::printf("SKIPPED: no Qt PostgreSQL driver (libqt6sql6-psql)\n");
            return kSkipped;
        }
        const QString url = readState(state, "url");
        if (url.isEmpty()) {
            std::printf("FAILED: the test server did not start (%s)\n", qPrintable(state));
            return 1;
        }
        std::printf("PostgreSQL: %s\n", qPrintable(url));
        qputenv("BRELA_TEST_PG_URL", url.toUtf8());
    }
    return RUN_ALL_TESTS();
}
