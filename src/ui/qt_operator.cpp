#include "ui/qt_operator.h"

#include "common/version.h"
#include "ui/text_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace brela {
namespace {

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

Answer fromButton(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    default:
        return Answer::Cancel;
    }
}

// A box without a title carries the application's, as the desktop expects.
QString titleOrApp(const QString& title)
{
    return title.isEmpty() ? applicationTitle() : title;
}

QString plain(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

void QtOperator::message(const QString& text, Icon icon, const QString& title)
{
    QMessageBox box(boxIcon(icon), titleOrApp(title), plain(text), QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Answer QtOperator::ask(const QString& text, Buttons buttons, Icon icon, const QString& title)
{
    QMessageBox box(boxIcon(icon), titleOrApp(title), plain(text), boxButtons(buttons), parent_);
    box.setTextFormat(Qt::PlainText);
    return fromButton(box.exec());
}

std::optional<QString> QtOperator::input(const QString& prompt, const QString& title, const QString& initial)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent_, titleOrApp(title), plain(prompt), QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void QtOperator::status(const QString& text)
{
    if (statusSink_)
        statusSink_(text);
}

void QtOperator::processEvents()
{
    QApplication::processEvents();
}

void QtOperator::beep()
{
    QApplication::beep();
}

void QtOperator::openInEditor(const QString& path)
{
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return;
    // No text editor registered here: Brela's own window shows the file.
    auto* window = new TextWindow(*this, path, parent_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->load()) {
        delete window;
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace brela
