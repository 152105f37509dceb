#pragma once

#include "common/operator.h"

#include <QStringList>
#include <deque>
#include <vector>

namespace brela {

// Operator for tests: answers come from a queue, and every box, question,
// input and status text is recorded so tests can assert exact texts in order.
class ScriptedOperator : public Operator {
public:
    struct Box {
        enum Kind { Message, Question, Input } kind;
        Icon icon;
        QString title;
        QString text;
        Answer answer;
        QString initial; // what an input box proposed
    };

    void queueAnswer(Answer answer) { answers_.push_back(answer); }
    void queueInput(std::optional<QString> text) { inputs_.push_back(std::move(text)); }

    void message(const QString& text, Icon icon, const QString& title) override;
    Answer ask(const QString& text, Buttons buttons, Icon icon, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& initial) override;
    void status(const QString& text) override { statuses.push_back(text); }
    void processEvents() override { ++eventPumps; }
    void beep() override { ++beeps; }
    void openInEditor(const QString& path) override { opened.push_back(path); }

    // One line per box: "KIND[icon] title: text", questions with " -> answer".
    QStringList transcript() const;
    QStringList texts() const;
    size_t pendingAnswers() const { return answers_.size(); }
    void dropPendingAnswers() { answers_.clear(); }

    std::vector<Box> boxes;
    QStringList statuses;
    QStringList opened;
    int eventPumps = 0;
    int beeps = 0;

private:
    std::deque<Answer> answers_;
    std::deque<std::optional<QString>> inputs_;
};

} // namespace brela
