#include "ui/custom_dlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace brela {

CustomDlg::CustomDlg(QWidget* mainWindow) : QDialog(mainWindow), mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("CustomDlg"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setMinimumWidth(320);
    Command1 = new QPushButton(QStringLiteral("&Cancelar"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Lines = new QProgressBar(this);
    Lines->setObjectName(QStringLiteral("Lines"));
    Lines->setFormat(QStringLiteral("%v de %m líneas"));
    Lines->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Lines);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
    connect(Command1, &QPushButton::clicked, this, &CustomDlg::cancel);

    setWindowTitle(QString());
    Label1->clear();
    Interrumpido = false;
}

void CustomDlg::setStep(const QString& text)
{
    Label1->setText(text);
}

QString CustomDlg::step() const
{
    return Label1->text();
}

void CustomDlg::setLines(int sent, int total)
{
    Lines->setMaximum(std::max(total, 1));
    Lines->setValue(std::min(sent, Lines->maximum()));
    Lines->show();
}

void CustomDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (mainWindow_) {
        const QRect frame = mainWindow_->geometry();
        move(frame.left() + (frame.width() - width()) / 2, frame.top() + (frame.height() - height()) / 2);
    }
}

void CustomDlg::cancel()
{
    Interrumpido = true;
    Command1->setEnabled(false);
    Label1->setText(QStringLiteral("El usuario interrumpe el proceso. Un momento por favor."));
    if (onCancel)
        onCancel();
}

} // namespace brela
