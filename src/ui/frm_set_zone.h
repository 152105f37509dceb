#pragma once

#include "printer/printer_link.h"
#include "store/session.h"
#include "transfer/printer_worker.h"
#include "transfer/sender.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

namespace brela {

// The script window: choose a ".ZON" file, look at it in the text editor
// and send it to the printer.
class FrmSetZone : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        // The open flag the main window's menus follow.
        std::function<void(bool)> setOpen;
        // The file the operator picked; empty when the dialog was cancelled.
        std::function<QString(const QString& folder, const QString& filter)> chooseFile;
    };

    // Without a worker the window only shows itself (the quick configuration's, disabled).
    FrmSetZone(Session& session, PrinterWorker* worker, Hooks hooks, QWidget* parent = nullptr);

    void Form_Load();
    void Form_Activate();
    // 0 enables the window and the exit button, 1 disables the window, 3 enables it.
    void Habilita(int option);
    // Starts the send on the printer's thread; false when it could not start.
    // The window stays disabled until it ends (lastResult, then `sent`).
    bool send();
    void chooseFile();
    void viewFile();
    // `path` becomes the file to send and to look at.
    void takeFile(const QString& path);
    void exit();

    // The send's line-by-line progress, as Help_Label shows it.
    SendProgress progress();

    QString fileName;
    QString folder;
    const QString filter = QStringLiteral("Configuration (*.ZON)|*.ZON|Text (*.TXT)|*.txt|All files (*.*)|*.*");
    bool open = false;
    bool lastResult = false;

    QPushButton* Command1_2; // send
    QPushButton* Command1_4; // choose a file
    QPushButton* Command1_5; // view / edit
    QPushButton* Command2;   // exit
    QLabel* Label1;
    QLabel* Label3;
    QLabel* Help_Label;

signals:
    void sent(bool result);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void followPrinter(bool busy);

    Session& session_;
    QPointer<PrinterWorker> worker_;
    bool sending_ = false;
    Hooks hooks_;
    SenderState state_;
    QString proposed_; // the last generated script already proposed
};

// "Configuration (*.ZON)|*.ZON|..." as a file dialog filter.
QString dialogFilter(const QString& filter);

class frmMain;
// "&Generar", "Enviar a impresora" and the two "&Configuración rápida" lists.
void connectTransfer(frmMain& main, Session& session);
// The quick configuration of stored form `formId` with its progress window,
// on the main window's printer worker.
void runQuickConfiguration(frmMain& main, Session& session, qint16 formId);

} // namespace brela
