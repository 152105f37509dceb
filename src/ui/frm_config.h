#pragma once

#include "printer/port_settings.h"
#include "transfer/printer_worker.h"

#include <QDialog>

class QComboBox;
class QPushButton;

namespace brela {

// The port settings window: the port and the line settings, stored and
// applied when accepted.
class FrmConfig : public QDialog {
    Q_OBJECT

public:
    // The port is reopened on the printer's thread, where the line lives;
    // `setPortPanel` is called there.
    FrmConfig(PrinterWorker& worker, Operator& op, QSqlDatabase db, PortPanel setPortPanel, QWidget* parent = nullptr);

    QComboBox* portList() const { return combo_[0]; }
    QComboBox* settingsList() const { return combo_[1]; }
    QPushButton* cancelButton() const { return command_[0]; }
    QPushButton* acceptButton() const { return command_[1]; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void selectStored();
    void acceptSettings();

    PrinterWorker& worker_;
    Operator& op_;
    QSqlDatabase db_;
    PortPanel setPortPanel_;
    QComboBox* combo_[2];
    QPushButton* command_[2];
};

} // namespace brela
