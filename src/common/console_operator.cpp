#include "common/console_operator.h"

#include <QTextStream>
#include <unistd.h>

namespace brela {

ConsoleOperator::ConsoleOperator(Preset preset, FILE* out, FILE* in) : preset_(preset), out_(out), in_(in) {}

void ConsoleOperator::print(const QString& title, const QString& text)
{
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QString line = title.isEmpty() ? flat : title + QStringLiteral(": ") + flat;
    std::fputs(line.toLocal8Bit().constData(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void ConsoleOperator::message(const QString& text, Icon, const QString& title)
{
    print(title, text);
}

bool ConsoleOperator::interactive() const
{
    return in_ && isatty(fileno(in_));
}

QString ConsoleOperator::readLine()
{
    char buffer[1024];
    if (!std::fgets(buffer, sizeof buffer, in_))
        return {};
    return QString::fromLocal8Bit(buffer).trimmed();
}

Answer ConsoleOperator::ask(const QString& text, Buttons buttons, Icon, const QString& title)
{
    print(title, text);
    Answer answer = negativeAnswer(buttons);
    if (preset_ == Preset::Yes) {
        answer = positiveAnswer(buttons);
    } else if (preset_ == Preset::No) {
        answer = negativeAnswer(buttons);
    } else if (interactive()) {
        std::fputs(buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? "[s/n] " : "[a=aceptar/c=cancelar] ",
                   out_);
        std::fflush(out_);
        const QString reply = readLine().toLower();
        const bool yes = reply.startsWith(QLatin1Char('s')) || reply.startsWith(QLatin1Char('a'))
                         || reply.startsWith(QLatin1Char('y'));
        answer = yes ? positiveAnswer(buttons) : negativeAnswer(buttons);
    }
    std::fputs(QStringLiteral("-> %1\n").arg(answerName(answer)).toLocal8Bit().constData(), out_);
    std::fflush(out_);
    return answer;
}

std::optional<QString> ConsoleOperator::input(const QString& prompt, const QString& title, const QString& initial)
{
    print(title, prompt);
    if (preset_ == Preset::No)
        return std::nullopt;
    if (preset_ == Preset::Yes || !interactive())
        return preset_ == Preset::Yes ? std::optional<QString>(initial) : std::nullopt;
    std::fputs(QStringLiteral("[%1] ").arg(initial).toLocal8Bit().constData(), out_);
    std::fflush(out_);
    const QString reply = readLine();
    return reply.isEmpty() ? initial : reply;
}

void ConsoleOperator::openInEditor(const QString& path)
{
    print(QString(), QStringLiteral("Archivo: ") + path);
}

} // namespace brela
