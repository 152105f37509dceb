#pragma once

#include "printer/port_settings.h"
#include "transfer/printer_worker.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brela {

// The port settings window: the port and the line settings, stored and
// applied when accepted. The port list holds COM1 to COM4 and every port the
// system reports, read again each time the window opens; a device path can
// be typed.
class FrmConfig : public QDialog {
    Q_OBJECT

public:
    // The port is reopened on the printer's thread, where the line lives;
    // `setPortPanel` is called there.
    FrmConfig(PrinterWorker& worker, Operator& op, QSqlDatabase db, PortPanel setPortPanel, QWidget* parent = nullptr,
              const PortList& ports = systemPortList());

    // How the last "&Aceptar" went (Failed before any).
    Applied applied() const { return applied_; }
    QLabel* portDetails() const { return details_; }

    QComboBox* portList() const { return combo_[0]; }
    QComboBox* settingsList() const { return combo_[1]; }
    QPushButton* cancelButton() const { return command_[0]; }
    QPushButton* acceptButton() const { return command_[1]; }
    // The shared library's URL, kept per user; empty: Facturas.db.
    QLineEdit* libraryEdit() const { return library_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillPorts();
    void selectStored();
    void showDetails();
    void acceptSettings();
    bool acceptLibrary();

    PrinterWorker& worker_;
    Operator& op_;
    QSqlDatabase db_;
    PortPanel setPortPanel_;
    const PortList& ports_;
    QList<PortInfo> entries_;
    PortConfig stored_;
    QString missingCaption_; // the stored adapter while it is not connected
    Applied applied_ = Applied::Failed;
    QLabel* details_;
    QLineEdit* library_;
    QComboBox* combo_[2];
    QPushButton* command_[2];
};

} // namespace brela
