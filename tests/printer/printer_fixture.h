#pragma once

#include "memory_line.h"
#include "printer/fiscal_commands.h"
#include "printer/printer_link.h"
#include "printer/status_words.h"
#include "test_env.h"

#include <QList>
#include <gtest/gtest.h>

namespace brela::test {

// Answer frames are built here byte by byte, apart from the link's own framing.
inline QByteArray frame(char sequence, char command, const QList<QByteArray>& fields)
{
    QByteArray framed = QByteArray("\x02") + sequence + command;
    for (const QByteArray& field : fields)
        framed += '\x1c' + field;
    framed += '\x03';
    unsigned sum = 0;
    for (char c : framed)
        sum += static_cast<unsigned char>(c);
    return framed + QByteArray::number(sum % 65536, 16).toUpper().rightJustified(4, '0');
}

// A command as the printer saw it.
struct Received {
    char sequence;
    int command;
    QList<QByteArray> fields;
};

inline Received parsePacket(const QByteArray& packet)
{
    Received received{packet.at(1), static_cast<unsigned char>(packet.at(2)), {}};
    const QByteArray body = packet.mid(3, packet.indexOf('\x03') - 3);
    if (!body.isEmpty())
        received.fields = body.mid(1).split('\x1c');
    return received;
}

// A link on the in-memory line, open on COM1, showing its errors.
struct LinkFixture : ::testing::Test {
    LinkFixture()
    {
        line.open({1, QString(), QStringLiteral("9600,N,8,1"), 1024});
        link.PFMostrarErrores = true;
        PFCargaTextosEstado(link);
    }

    // The far end answers every packet with its own sequence and command and these fields.
    void answerWith(const QList<QByteArray>& fields)
    {
        line.onWrite = [this, fields](const QByteArray& written, double) {
            received.push_back(parsePacket(written));
            return frame(written.at(1), written.at(2), fields);
        };
    }

    Reply send(int command, const QStringList& fields, int fieldCount)
    {
        return exchange(link, command, fields, fieldCount);
    }

    TestEnv env;
    MemoryLine line{env.clock};
    PrinterLink link{env.op, line, env.clock};
    std::vector<Received> received;
};

inline const QString kCommError =
    QStringLiteral("MSG[critical] Brela: ERROR de COMUNICACION con la Impresora Fiscal.\r\n\r\n"
                   "Revise las conecciones, si el equipo esta encendido y si usa la puerta serie correcta.");

} // namespace brela::test
