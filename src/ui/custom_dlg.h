#pragma once

#include <QDialog>

class QLabel;
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

    bool Interrumpido = false;
    QLabel* Label1;
    QPushButton* Command1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cancel();
    QWidget* mainWindow_;
};

} // namespace brela
