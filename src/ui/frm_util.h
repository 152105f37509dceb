#pragma once

#include "store/session.h"
#include "transfer/documents.h"

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
        std::function<void(bool)> setOpen;              // the main window's open flag (and its EnabMenu)
        std::function<void(const QString&)> status;      // progress; empty when an action ends
    };

    frmUtil(Session& session, PrinterLink& link, Hooks hooks, QWidget* parent = nullptr);

    // Fills the lists for the connected model and raises the open flag.
    void Form_Load();
    void InitComboLetra();

    QComboBox* typeList() const { return combo_[0]; }
    QComboBox* letterList() const { return combo_[1]; }
    QComboBox* pitchList() const { return combo_[2]; }
    QCheckBox* transportCheck() const { return check_[0]; }
    QCheckBox* noPaymentCheck() const { return check_[1]; }
    QPushButton* button(int index) const { return command_[index]; }
    bool busy() const { return busy_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Command1_Click(int index);
    void printTest();

    Session& session_;
    PrinterLink& link_;
    Hooks hooks_;
    QComboBox* combo_[3];
    QCheckBox* check_[2];
    QGroupBox* frame_;
    QPushButton* command_[5];
    bool busy_ = false;
};

// "&Utilidades" opens the window without blocking, or brings it forward.
void connectUtilities(frmMain& main, Session& session, PrinterLink& link);

} // namespace brela
