#pragma once

#include "../printer/printer_fixture.h"
#include "emulator.h"
#include "common/cp1252.h"

#include <QFile>
#include <optional>

namespace brela::test {

// The link on the in-memory line with an emulated printer at the far end.
struct TransferFixture : LinkFixture {
    void start(emu::Model model)
    {
        emu::Options options;
        options.model = model;
        printer.emplace(options);
        line.onWrite = [this](const QByteArray& bytes, double now) {
            if (refuse && refuse(parsePacket(bytes)))
                return frame(bytes.at(1), bytes.at(2), {"0080", "8020"});
            return printer->receive(bytes, now);
        };
        line.onPoll = [this](double now) { return printer->poll(now); };
        line.nextEventAt = [this] { return printer->nextEventAt(); };
    }

    // The commands the printer received, as "57 X P".
    QStringList commands() const
    {
        QStringList seen;
        for (const emu::Request& request : printer->requests()) {
            QString text = QString::number(request.command);
            for (const QByteArray& field : request.fields)
                text += QLatin1Char(' ') + fromCp1252(field);
            seen << text;
        }
        return seen;
    }

    QString writeScript(const QStringList& lines, const QString& name = QStringLiteral("prueba.ZON"))
    {
        const QString path = env.path(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (const QString& line : lines)
            file.write(toCp1252(line + QStringLiteral("\r\n")));
        return path;
    }

    std::optional<emu::Emulator> printer;
    // Commands the printer refuses as invalid for its state, past the emulator.
    std::function<bool(const Received&)> refuse;
};

} // namespace brela::test

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE
