#include "common/operator.h"

namespace brela {

Answer negativeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::No;
    case Buttons::AbortRetryIgnore:
        return Answer::Abort;
    case Buttons::Ok:
        return Answer::Ok;
    default:
        return Answer::Cancel;
    }
}

Answer positiveAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    case Buttons::RetryCancel:
    case Buttons::AbortRetryIgnore:
        return Answer::Retry;
    default:
        return Answer::Ok;
    }
}

QString errorReport(int code, const QString& description)
{
    return QStringLiteral("Ha ocurrido el error número ") + QString::number(code) + QStringLiteral(" que sería ")
           + description + QStringLiteral(" .");
}

QString iconName(Icon icon)
{
    switch (icon) {
    case Icon::Critical:
        return QStringLiteral("critical");
    case Icon::Question:
        return QStringLiteral("question");
    case Icon::Exclamation:
        return QStringLiteral("exclamation");
    case Icon::Information:
        return QStringLiteral("information");
    case Icon::None:
        break;
    }
    return QStringLiteral("none");
}

QString answerName(Answer answer)
{
    switch (answer) {
    case Answer::Ok:
        return QStringLiteral("Ok");
    case Answer::Cancel:
        return QStringLiteral("Cancel");
    case Answer::Yes:
        return QStringLiteral("Yes");
    case Answer::No:
        return QStringLiteral("No");
    case Answer::Retry:
        return QStringLiteral("Retry");
    case Answer::Abort:
        return QStringLiteral("Abort");
    case Answer::Ignore:
        return QStringLiteral("Ignore");
    }
    return {};
}

} // namespace brela
