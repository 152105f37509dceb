#pragma once

#include "printer/port_settings.h"
#include "transfer/printer_worker.h"
#include "transfer/quick.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace brela {

// One printer of a run on several.
struct PrinterTarget {
    QString label;     // how progress, boxes and results name it: "COM2", "/dev/pts/3"
    PortChoice choice; // the port to open
    // The window's own printer worker when this is its port: the run goes
    // through it (a port opens once), and the window's entries that use the
    // printer wait for it as for any of its jobs.
    PrinterWorker* worker = nullptr;
};

// A port the window offers for a run on several printers.
struct PortOption {
    PrinterTarget target;
    QString caption;     // "COM2 (/dev/ttyS1)"
    bool stored = false; // the port of the settings, the one the window's own link uses
};

// COM1 to COM4 as they are mapped now, then the stored port when it is a
// device or an adapter of its own (a stored adapter not plugged in is left out).
std::vector<PortOption> portOptions(QSqlDatabase& db, const PortList& list);

enum class PrinterResult { Waiting, Running, Done, Failed, Cancelled };

// "Finalizada", "Incompleta", "Cancelada"; empty while it runs.
QString resultText(PrinterResult result);

// One printer's progress and result.
struct PrinterRow {
    QString label;
    QString step;                   // the step running, or the last one
    std::optional<bool> firstModel; // the printer's model, once it told it
    int sent = 0;                   // script lines gone to the printer
    int lines = 0;                  // command lines in the script
    int refused = 0;
    double seconds = 0;
    PrinterResult result = PrinterResult::Waiting;
};

// A quick configuration or a send on several printers at once: what depends
// only on the form (copy, validation, script) is done once, on the calling
// thread, then every printer runs its own sequence on a worker thread of its
// own, each with its own link and database connection, so a printer that
// fails or does not answer holds up no other. Boxes and questions reach
// `library.op` on the calling thread, titled with the printer's label.
class SeveralPrinters : public QObject {
    Q_OBJECT
public:
    // Makes the line of a target; runs on that target's worker thread.
    using LineMaker = std::function<std::shared_ptr<SerialLine>(const PrinterTarget&)>;

    SeveralPrinters(Session& library, LineMaker makeLine, QObject* parent = nullptr);
    // Cancels what still runs and closes every port.
    ~SeveralPrinters() override;

    // The quick configuration of stored form `formId` (named `name`): the
    // X and Z closes are asked about once, for every printer, and a printer
    // of the other model fails instead of being asked about. False, after
    // telling the operator, when no printer was started.
    bool startQuick(qint16 formId, const QString& name, const std::vector<PrinterTarget>& targets);
    // Sends script `file` to every printer.
    bool startSend(const QString& file, const std::vector<PrinterTarget>& targets);

    // Stops one printer (at its next step or wait on the line), or all.
    void cancel(int row);
    void cancelAll();

    bool running() const;
    bool succeeded() const; // every printer finished its run without errors
    const std::vector<PrinterRow>& rows() const { return rows_; }

signals:
    // A step began or a script line went, as one line of text.
    void progressed(int row, const QString& text);
    void rowChanged(int row);
    void finished();

private:
    struct Port;
    struct Relay;
    // Runs a change on the application's thread (this one), from any thread, while this lives.
    using Post = std::function<void(std::function<void(SeveralPrinters&)>)>;
    using PortJob = std::function<void(int row, Workbench&, const QuickProgress&, bool& ok, const Post&)>;

    PrinterWorker& workerOf(int row) const;
    Post poster() const;
    bool startAll(const std::vector<PrinterTarget>& targets, int lines, PortJob job);
    void finishRow(int row, bool ok);

    Session& library_;
    LineMaker makeLine_;
    std::vector<std::unique_ptr<Port>> ports_;
    std::vector<PrinterRow> rows_;
    QElapsedTimer started_;
    std::shared_ptr<Relay> relay_;
};

} // namespace brela
