#include "scripted_operator.h"

namespace brela {

void ScriptedOperator::message(const QString& text, Icon icon, const QString& title)
{
    boxes.push_back({Box::Message, icon, title, text, Answer::Ok, QString()});
}

Answer ScriptedOperator::ask(const QString& text, Buttons buttons, Icon icon, const QString& title)
{
    // An unscripted question is declined, as a cautious operator would.
    Answer answer = negativeAnswer(buttons);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    boxes.push_back({Box::Question, icon, title, text, answer, QString()});
    return answer;
}

std::optional<QString> ScriptedOperator::input(const QString& prompt, const QString& title, const QString& initial)
{
    std::optional<QString> value;
    if (!inputs_.empty()) {
        value = inputs_.front();
        inputs_.pop_front();
    } else {
        value = initial;
    }
    boxes.push_back({Box::Input, Icon::None, title, prompt, value ? Answer::Ok : Answer::Cancel, initial});
    return value;
}

QStringList ScriptedOperator::transcript() const
{
    QStringList lines;
    for (const Box& box : boxes) {
        const char* kind = box.kind == Box::Message ? "MSG" : box.kind == Box::Question ? "ASK" : "INPUT";
        QString line =
            QStringLiteral("%1[%2] %3: %4").arg(QLatin1String(kind), iconName(box.icon), box.title, box.text);
        if (box.kind != Box::Message)
            line += QStringLiteral(" -> ") + answerName(box.answer);
        lines << line;
    }
    return lines;
}

QStringList ScriptedOperator::texts() const
{
    QStringList lines;
    for (const Box& box : boxes)
        lines << box.text;
    return lines;
}

} // namespace brela
