#pragma once

// The link on the in-memory line, wired to the emulated printer: transfers
// run against the printer's own rules, with fake time.
#include "../printer/printer_fixture.h"
#include "common/cp1252.h"
#include "emulator.h"

#include <QFile>
#include <functional>
#include <optional>

namespace brela::test {

struct EmulatedPrinter {
    explicit EmulatedPrinter(TestEnv& env) : env(env)
    {
        line.open({1, QString(), QStringLiteral("9600,N,8,1"), 1024});
        link.PFMostrarErrores = true;
        PFCargaTextosEstado(link);
    }

    // A fresh printer of `model`; with a `width`, its sheet is that many
    // columns by `lines`, as a configuration leaves it.
    void start(emu::Model model, int width = 96, int lines = 66)
    {
        emu::Options options;
        options.model = model;
        printer.emplace(options);
        line.onWrite = [this](const QByteArray& bytes, double now) {
            if (intercept)
                if (std::optional<QByteArray> answer = intercept(parsePacket(bytes)))
                    return *answer;
            return printer->receive(bytes, now);
        };
        line.onPoll = [this](double now) { return printer->poll(now); };
        line.nextEventAt = [this] { return printer->nextEventAt(); };
        if (width > 0)
            configure({QStringLiteral("P"), QStringLiteral("P"), QStringLiteral("S"), QStringLiteral("U"),
                       QString::number(width), QString::number(lines)});
        first = printer->requests().size();
    }

    // One command the printer must take.
    void configure(const QStringList& fields, int command = 90)
    {
        const Reply reply = exchange(link, command, fields, 3);
        EXPECT_TRUE(reply.ok && PFAnalizaEstado(link, reply, command)) << fields.join(',').toStdString();
    }

    // Requests the printer received since start() finished.
    std::vector<emu::Request> received() const
    {
        return {printer->requests().begin() + first, printer->requests().end()};
    }

    std::vector<int> commands() const
    {
        std::vector<int> seen;
        for (const emu::Request& request : received())
            seen.push_back(request.command);
        return seen;
    }

    // The same with their fields, as "57 X P".
    QStringList sent() const
    {
        QStringList seen;
        for (const emu::Request& request : received()) {
            QString text = QString::number(request.command);
            for (const QByteArray& field : request.fields)
                text += QLatin1Char(' ') + fromCp1252(field);
            seen << text;
        }
        return seen;
    }

    // Fields of the last request with this command.
    QList<QByteArray> lastFields(int command) const
    {
        for (auto it = printer->requests().rbegin(); it != printer->requests().rend(); ++it)
            if (it->command == command)
                return it->fields;
        return {};
    }

    QString writeScript(const QStringList& lines, const QString& name = QStringLiteral("prueba.ZON"))
    {
        QFile file(env.path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (const QString& text : lines)
            file.write(toCp1252(text + QStringLiteral("\r\n")));
        return file.fileName();
    }

    // A packet answered here instead of by the printer; nullopt lets it through.
    std::function<std::optional<QByteArray>(const Received&)> intercept;

    TestEnv& env;
    MemoryLine line{env.clock};
    PrinterLink link{env.op, line, env.clock};
    std::optional<emu::Emulator> printer;
    size_t first = 0;
};

// An emulated printer on an in-memory line with a clock of its own, so
// printers served on different threads share nothing.
struct OwnLinePrinter {
    explicit OwnLinePrinter(emu::Model model)
    {
        emu::Options options;
        options.model = model;
        printer.emplace(options);
        line.onWrite = [this](const QByteArray& bytes, double now) { return printer->receive(bytes, now); };
        line.onPoll = [this](double now) { return printer->poll(now); };
        line.nextEventAt = [this] { return printer->nextEventAt(); };
    }
    std::shared_ptr<SerialLine> borrowLine()
    {
        return std::shared_ptr<SerialLine>(&line, [](SerialLine*) {});
    }
    FakeClock clock;
    MemoryLine line{clock};
    std::optional<emu::Emulator> printer;
};

} // namespace brela::test

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
