#pragma once

#include "common/operator.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace brela {

// Operator over Qt message boxes, input boxes and the main window's status bar.
class QtOperator : public Operator {
public:
    explicit QtOperator(QWidget* parent = nullptr) : parent_(parent) {}

    void setParent(QWidget* parent) { parent_ = parent; }
    void setStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }

    void message(const QString& text, Icon icon, const QString& title) override;
    Answer ask(const QString& text, Buttons buttons, Icon icon, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& initial) override;
    void status(const QString& text) override;
    void processEvents() override;
    void beep() override;
    void openInEditor(const QString& path) override;

private:
    QPointer<QWidget> parent_;
    std::function<void(const QString&)> statusSink_;
};

} // namespace brela
