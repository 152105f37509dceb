#include "ui/text_window.h"

#include "common/cp1252.h"
#include "common/operator.h"
#include "common/version.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brela {

TextWindow::TextWindow(Operator& op, const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Window), op_(op), path_(path)
{
    setObjectName(QStringLiteral("TextWindow"));
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - ") + applicationTitle());
    text_ = new QPlainTextEdit(this);
    // Columns matter in a script: a fixed-pitch font keeps them in line.
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    save_ = new QPushButton(QStringLiteral("&Guardar"), this);
    auto* close = new QPushButton(QStringLiteral("&Cerrar"), this);
    connect(save_, &QPushButton::clicked, this, &TextWindow::save);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    resize(720, 520);
}

bool TextWindow::load()
{
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        op_.message(QStringLiteral("No se puede abrir el archivo ") + path_ + QStringLiteral(": ") + file.errorString(),
                    Icon::Critical, applicationTitle());
        return false;
    }
    QString content = fromCp1252(file.readAll());
    content.replace(kCrLf, QStringLiteral("\n"));
    text_->setPlainText(content);
    text_->document()->setModified(false);
    return true;
}

bool TextWindow::save()
{
    QString error;
    if (!writeCp1252File(path_, text_->toPlainText(), error)) {
        op_.message(QStringLiteral("No se pudo guardar el archivo ") + path_ + QStringLiteral(": ") + error,
                    Icon::Critical, applicationTitle());
        return false;
    }
    text_->document()->setModified(false);
    return true;
}

void TextWindow::closeEvent(QCloseEvent* event)
{
    if (text_->document()->isModified()) {
        const Answer answer = op_.ask(QStringLiteral("¿Desea guardar los cambios en ") + QFileInfo(path_).fileName()
                                          + QStringLiteral("?"),
                                      Buttons::YesNoCancel, Icon::Question, applicationTitle());
        if (answer == Answer::Cancel || (answer == Answer::Yes && !save())) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace brela
