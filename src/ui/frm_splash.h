#pragma once

#include <QDialog>

class QLabel;

namespace brela {

// Start-up window: picture, product name and version. Closes on a click, a
// key, or by itself after a few seconds so an unattended start goes on.
class frmSplash : public QDialog {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr, int autoCloseMs = 3000);

    QLabel* lblProductName;
    QLabel* lblVersion;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The start-up picture: a pre-printed form with its zones.
QPixmap splashPicture(int width, int height);

} // namespace brela
