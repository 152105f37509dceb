#pragma once

// The link on the in-memory line, wired to the emulated printer: the test
// documents run against the printer's own rules, with fake time.
#include "../printer/printer_fixture.h"
#include "emulator.h"

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

    // A fresh printer of `model` with a sheet `width` columns wide, as a configuration leaves it.
    void start(emu::Model model, int width = 96, const QStringList& faults = {})
    {
        emu::Options options;
        options.model = model;
        for (const QString& text : faults) {
            emu::Fault fault{emu::Fault::Nak};
            EXPECT_TRUE(emu::parseFault(text, fault)) << text.toStdString();
            options.faults.push_back(fault);
        }
        printer.emplace(options);
        line.onWrite = [this](const QByteArray& bytes, double now) {
            const Received packet = parsePacket(bytes);
            if (intercept)
                if (std::optional<QByteArray> answer = intercept(packet))
                    return *answer;
            return printer->receive(bytes, now);
        };
        line.onPoll = [this](double now) { return printer->poll(now); };
        line.nextEventAt = [this] { return printer->nextEventAt(); };
        if (width > 0) {
            PFIniciaComando(link);
            for (const QString& field : {QStringLiteral("P"), QStringLiteral("P"), QStringLiteral("S"),
                                         QStringLiteral("U"), QString::number(width), QStringLiteral("66")})
                PFAgregaCampo(link, field);
            EXPECT_TRUE(PFEnviaComando(link, 90, 3) && PFAnalizaEstado(link, 90));
        }
        first = printer->requests().size();
    }

    // Commands the printer received since start() finished.
    std::vector<int> commands() const
    {
        std::vector<int> seen;
        for (size_t i = first; i < printer->requests().size(); ++i)
            seen.push_back(printer->requests()[i].command);
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

    // A packet answered here instead of by the printer; nullopt lets it through.
    std::function<std::optional<QByteArray>(const Received&)> intercept;

    TestEnv& env;
    MemoryLine line{env.clock};
    PrinterLink link{env.op, line, env.clock};
    std::optional<emu::Emulator> printer;
    size_t first = 0;
};

} // namespace brela::test
