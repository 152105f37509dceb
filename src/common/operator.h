#pragma once

#include <QString>
#include <optional>

namespace brela {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class Answer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// Everything the core asks of a person or of the screen. The GUI shows Qt
// boxes, brela-cli writes to the terminal, tests script the answers.
class Operator {
public:
    virtual ~Operator() = default;

    virtual void message(const QString& text, Icon icon = Icon::None, const QString& title = {}) = 0;
    virtual Answer ask(const QString& text, Buttons buttons, Icon icon, const QString& title) = 0;
    // Empty optional when the operator cancels.
    virtual std::optional<QString> input(const QString& prompt, const QString& title, const QString& initial = {}) = 0;
    // First panel of the main window's status bar.
    virtual void status(const QString& text) = 0;
    virtual void processEvents() = 0;
    virtual void beep() = 0;
    // Opens a text file for the operator without waiting for the viewer.
    virtual void openInEditor(const QString& path) = 0;
};

// The answer a box gives when the operator declines: Cancel or No.
Answer negativeAnswer(Buttons buttons);
// The answer a box gives when the operator accepts: OK or Yes.
Answer positiveAnswer(Buttons buttons);

// "Ha ocurrido el error número n que sería text ." for an unexpected error.
QString errorReport(int code, const QString& description);

QString iconName(Icon icon);
QString answerName(Answer answer);

} // namespace brela
