#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace brela {

class Operator;

// Brela's own text window, for a system where no text editor is registered:
// shows a script or a log and saves it back in Windows-1252 with CR LF.
class TextWindow : public QWidget {
    Q_OBJECT
public:
    TextWindow(Operator& op, const QString& path, QWidget* parent = nullptr);

    // False after telling the operator why the file could not be read.
    bool load();
    bool save();

    QPlainTextEdit* text() const { return text_; }
    QPushButton* saveButton() const { return save_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Operator& op_;
    QString path_;
    QPlainTextEdit* text_;
    QPushButton* save_;
};

} // namespace brela
