#include "ui/frm_splash.h"

#include "common/version.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace brela {

QPixmap splashPicture(int width, int height)
{
    QPixmap picture(width, height);
    picture.fill(QColor(0xf4, 0xf1, 0xe8));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF sheet(width * 0.18, height * 0.06, width * 0.64, height * 0.88);
    painter.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.5));
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    // A few zones of an invoice: header, customer, item columns, totals.
    const QColor zone(0x2a, 0x6f, 0xb0);
    painter.setPen(QPen(zone, 1));
    painter.setBrush(QColor(0x2a, 0x6f, 0xb0, 40));
    auto box = [&](double x, double y, double w, double h) {
        painter.drawRect(QRectF(sheet.left() + sheet.width() * x, sheet.top() + sheet.height() * y, sheet.width() * w,
                                sheet.height() * h));
    };
    box(0.06, 0.05, 0.50, 0.10);
    box(0.62, 0.05, 0.32, 0.10);
    box(0.06, 0.19, 0.88, 0.12);
    box(0.06, 0.35, 0.12, 0.38);
    box(0.21, 0.35, 0.45, 0.38);
    box(0.69, 0.35, 0.25, 0.38);
    box(0.06, 0.77, 0.88, 0.09);
    box(0.52, 0.89, 0.42, 0.06);
    return picture;
}

frmSplash::frmSplash(QWidget* parent, int autoCloseMs) : QDialog(parent, Qt::SplashScreen)
{
    setObjectName(QStringLiteral("frmSplash"));
    auto* picture = new QLabel(this);
    picture->setPixmap(splashPicture(160, 200));

    lblProductName = new QLabel(applicationTitle(), this);
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    QFont big = lblProductName->font();
    big.setPointSize(big.pointSize() * 3);
    big.setBold(true);
    lblProductName->setFont(big);

    lblVersion = new QLabel(QStringLiteral("Version ") + versionText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto* text = new QVBoxLayout;
    text->addStretch();
    text->addWidget(lblProductName);
    text->addSpacing(12);
    text->addWidget(lblVersion);
    text->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture);
    layout->addSpacing(16);
    layout->addLayout(text);
    setStyleSheet(QStringLiteral("frmSplash { background: #f4f1e8; border: 2px solid #555; }"));

    if (autoCloseMs > 0)
        QTimer::singleShot(autoCloseMs, this, &QDialog::accept);
}

void frmSplash::mousePressEvent(QMouseEvent*)
{
    accept();
}

void frmSplash::keyPressEvent(QKeyEvent*)
{
    accept();
}

} // namespace brela
