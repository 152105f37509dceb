#include "printer/serial_line.h"

#include <QStringList>

namespace brela {

QString portLabel(int number)
{
    return QStringLiteral("COM") + QString::number(number);
}

bool parseLineSettings(const QString& text, LineSettings& settings)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    LineSettings parsed;
    parsed.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || parsed.baud <= 0)
        return false;
    const QString parity = parts[1].trimmed().toUpper();
    if (parity.size() != 1 || !QStringLiteral("NEOMS").contains(parity))
        return false;
    parsed.parity = parity.at(0).toLatin1();
    parsed.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || parsed.dataBits < 5 || parsed.dataBits > 8)
        return false;
    const QString stop = parts[3].trimmed();
    if (stop == QStringLiteral("1"))
        parsed.stopBits = 1;
    else if (stop == QStringLiteral("1.5"))
        parsed.stopBits = 15;
    else if (stop == QStringLiteral("2"))
        parsed.stopBits = 2;
    else
        return false;
    settings = parsed;
    return true;
}

} // namespace brela
