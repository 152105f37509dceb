#pragma once

#include "store/session.h"
#include "transfer/documents.h"
#include "transfer/printer_worker.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;

namespace brela {

class frmMain;

// "Utilidades de documentos": test documents of any type, letter and pitch,
// X and Z closes, and the cancel of a document left open. The printer work
// itself lives in transfer/documents; the window gathers the choices.
class frmUtil : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void(bool)> setOpen;          // the main window's open flag (and its EnabMenu)
        std::function<void(const QString&)> status; // progress; empty when an action ends
    };

    frmUtil(Session& session, PrinterWorker& worker, Hooks hooks, QWidget* parent = nullptr);

    // Asks the printer its model on the printer's thread, then fills the
    // lists for it and raises the open flag.
    void Form_Load();
    void InitComboLetra();

    QComboBox* typeList() const { return combo_[0]; }
    QComboBox* letterList() const { return combo_[1]; }
    QComboBox* pitchList() const { return combo_[2]; }
    QCheckBox* transportCheck() const { return check_[0]; }
    QCheckBox* noPaymentCheck() const { return check_[1]; }
    QPushButton* button(int index) const { return command_[index]; }
    // A printer command runs (this window's or another's).
    bool busy() const { return busy_; }

signals:
    // An action (or the model probe at load) has ended.
    void actionDone();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Command1_Click(int index);
    void printTest(const Progress& progress);
    void fillLists(bool firstModel);
    void followPrinter(bool busy);

    Session& session_;
    QPointer<PrinterWorker> worker_;
    Hooks hooks_;
    QComboBox* combo_[3];
    QCheckBox* check_[2];
    QGroupBox* frame_;
    QPushButton* command_[5];
    bool busy_ = false;
};

// "&Utilidades" opens the window without blocking, or brings it forward.
void connectUtilities(frmMain& main, Session& session);

} // namespace brela
