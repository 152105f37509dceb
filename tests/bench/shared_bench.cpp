// Times opening a form (its copy into the working copy) and a validation
// run on Facturas.db and on a shared PostgreSQL library, side by side.
// scripts/bench_shared.sh starts a server for it.

#include "common/clock.h"
#include "common/console_operator.h"
#include "store/db.h"
#include "store/library.h"
#include "store/session.h"
#include "validation/validation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace brela;

namespace {

struct Times {
    double open = 0;
    double validate = 0;
};

// The median of `rounds` runs over the four predefined forms, in ms per form.
Times measure(const QString& folder, const QString& url, int rounds)
{
    QSqlDatabase db = openDatabase(folder, url, QStringLiteral("bench"));
    ConsoleOperator op(ConsoleOperator::Preset::No);
    SystemClock clock;
    Session session(db, op, clock, folder, url);
    std::vector<double> opens;
    std::vector<double> validations;
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        for (qint16 form = 1; form <= 4; ++form) {
            timer.start();
            if (!openStoredForm(session, form))
                throw DbError(QStringLiteral("no se abrió el formulario %1").arg(form));
            opens.push_back(timer.nsecsElapsed() / 1e6);
            ValidationState state;
            QString log;
            bool corrected = false;
            timer.start();
            ValidaFormulario(session, state, log, corrected);
            validations.push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    const auto median = [](std::vector<double>& values) {
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2];
    };
    return {median(opens), median(validations)};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "uso: bench_shared postgresql://... [VUELTAS]\n");
        return 2;
    }
    const QString url = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 25;
    QTemporaryDir folder;
    try {
        measure(folder.path(), QString(), 1); // the first run makes the file and warms the caches
        measure(folder.path(), url, 1);
        const Times sqlite = measure(folder.path(), QString(), rounds);
        const Times shared = measure(folder.path(), url, rounds);
        std::printf("%-24s %10s %12s %8s\n", "ms por formulario", "SQLite", "PostgreSQL", "razón");
        std::printf("%-23s %10.2f %12.2f %7.2fx\n", "abrir formulario", sqlite.open, shared.open,
                    shared.open / sqlite.open);
        std::printf("%-23s %10.2f %12.2f %7.2fx\n", "validar", sqlite.validate, shared.validate,
                    shared.validate / sqlite.validate);
    } catch (const DbError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text));
        return 1;
    }
    return 0;
}
