#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace brela {

// Progress window of long operations: the caller writes the step into
// Label1 and reads Interrumpido between steps.
class CustomDlg : public QDialog {
    Q_OBJECT
public:
    explicit CustomDlg(QWidget* mainWindow);

    void setStep(const QString& text);
    QString step() const;
    // Lines sent of the lines in the script; hidden until the sending starts.
    void setLines(int sent, int total);

    bool Interrumpido = false;
    // Run by "&Cancelar" as well: ends the wait on the printer at once.
    std::function<void()> onCancel;
    QLabel* Label1;
    QPushButton* Command1;
    QProgressBar* Lines;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cancel();
    QWidget* mainWindow_;
};

} // namespace brela
