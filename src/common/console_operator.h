#pragma once

#include "common/operator.h"

#include <cstdio>

namespace brela {

// Operator for brela-cli: boxes go to stderr as "TITLE: text"; questions take
// the preset answer, else are asked at the terminal, else are declined.
class ConsoleOperator : public Operator {
public:
    enum class Preset { None, Yes, No };

    explicit ConsoleOperator(Preset preset = Preset::None, FILE* out = stderr, FILE* in = stdin);

    void message(const QString& text, Icon icon, const QString& title) override;
    Answer ask(const QString& text, Buttons buttons, Icon icon, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& initial) override;
    void status(const QString&) override {}
    void processEvents() override {}
    void beep() override {}
    void openInEditor(const QString& path) override;

private:
    void print(const QString& title, const QString& text);
    bool interactive() const;
    QString readLine();

    Preset preset_;
    FILE* out_;
    FILE* in_;
};

} // namespace brela
