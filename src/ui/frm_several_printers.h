#pragma once

#include "transfer/several_printers.h"

#include <QWidget>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace brela {

// "Configuración rápida en varias impresoras": a stored form, the ports to
// configure with it, and one row per printer with its progress, step and
// result while they run at once. Not modal: the main window stays usable.
// The run itself is SeveralPrinters; this window gathers and shows.
class FrmSeveralPrinters : public QWidget {
    Q_OBJECT
public:
    // `own` is the main window's printer worker, used for the stored port.
    FrmSeveralPrinters(Session& session, PrinterWorker* own, SeveralPrinters::LineMaker makeLine,
                       QWidget* parent = nullptr);

    // Fills the form list and the ports anew.
    void refresh();

    QComboBox* formList() const { return forms_; }
    const std::vector<QCheckBox*>& portChecks() const { return checks_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* cancelAllButton() const { return cancelAll_; }
    QTableWidget* table() const { return table_; }
    SeveralPrinters& run() { return run_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void start();
    void showRow(int row);
    void followRun();

    Session& session_;
    PrinterWorker* own_;
    SeveralPrinters run_;
    std::vector<PortOption> options_;
    QComboBox* forms_;
    QWidget* portBox_;
    std::vector<QCheckBox*> checks_;
    QPushButton* start_;
    QPushButton* cancelAll_;
    QPushButton* close_; // while printers work, "Cancelar todas" comes first
    QTableWidget* table_;
    QLabel* summary_;
};

} // namespace brela
