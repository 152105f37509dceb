// Times one drag step on the largest shipped form, the way the sheet runs it
// under the mouse: the step rules, the rows written, the live findings.
// Prints the median and the 99th percentile in milliseconds.

#include "common/console_operator.h"
#include "common/clock.h"
#include "edit/form_editor.h"
#include "store/db.h"
#include "store/library.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace brela;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    ConsoleOperator op;
    SystemClock clock;
    Session session(openDatabase(folder.path()), op, clock, folder.path());
    constexpr qint16 kOficio = 4; // the longest sheet, as many zones and texts as any
    if (!openStoredForm(session, kOficio))
        return 1;
    MapaOcupacion grid;
    FormEditor editor(session, grid);
    editor.reset();

    // Zone 022 back and forth over the free columns, one column per step;
    // off column 0 first, which a left edge never reaches again.
    std::vector<double> ms;
    editor.beginDrag(22, Handle::Body);
    editor.dragTo(1, 0);
    for (int i = 0; i < 2000; ++i) {
        static const int targets[] = {2, 3, 4, 3, 2, 1};
        const int target = targets[i % 6];
        QElapsedTimer timer;
        timer.start();
        const StepOutcome outcome = editor.dragTo(target, 0);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        if (!outcome.moved) {
            std::fprintf(stderr, "step %d refused: %s\n", i, qPrintable(outcome.refusal));
            return 1;
        }
    }
    editor.endDrag();
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p99 = ms[ms.size() * 99 / 100];
    std::printf("drag step on \"%s\" (%zu zones), %zu steps: median %.2f ms, p99 %.2f ms\n",
                qPrintable(editor.form()->FormDescr), editor.zones().size(), ms.size(), median, p99);
    return 0;
}
