#include "script/script_format.h"

#include "common/command_codes.h"
#include "common/cp1252.h"

#include <array>

namespace brela {
namespace {

const std::array<CommandFormat, 5>& formats()
{
    static const std::array<CommandFormat, 5> table = {{
        {Keyword::Tamano,
         QStringLiteral("@TAMAÑO"),
         cmd::SetForm,
         {QStringLiteral("P"), QStringLiteral("P"), QStringLiteral("S"), QStringLiteral("U")},
         4},
        {Keyword::Margen,
         QStringLiteral("@MARGEN"),
         cmd::SetForm,
         {QStringLiteral("P"), QStringLiteral("P"), QStringLiteral("M"), QStringLiteral("U")},
         6},
        {Keyword::Preferencia, QStringLiteral("@PREFERENCIA"), cmd::SetForm, {}, 11},
        {Keyword::Zona,
         QStringLiteral("@ZONA"),
         cmd::SetForm,
         {QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("Z"), QStringLiteral("U")},
         7},
        {Keyword::Encabezado, QStringLiteral("@ENCABEZADO"), cmd::SetHeader, {}, 4},
    }};
    return table;
}

bool blank(const QString& text)
{
    for (QChar c : text)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}

QString withoutLineEnd(QByteArray bytes)
{
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    return fromCp1252(bytes);
}

} // namespace

const CommandFormat* commandFormat(Keyword keyword)
{
    for (const CommandFormat& format : formats())
        if (format.keyword == keyword)
            return &format;
    return nullptr;
}

QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString TomaCampo(const QString& line, int k)
{
    if (k < 1)
        return kEndMarker;
    QStringList fields = line.split(QLatin1Char('|'));
    if (line.endsWith(QLatin1Char('|')))
        fields.removeLast();
    if (k > fields.size())
        return kEndMarker;
    return fields[k - 1];
}

Keyword classifyLine(const QString& line)
{
    const QString first = trimSpaces(TomaCampo(trimSpaces(line), 1)).toUpper();
    for (const CommandFormat& format : formats())
        if (first == format.text)
            return format.keyword;
    return Keyword::None;
}

QStringList valueFields(const QString& line, Keyword keyword)
{
    QStringList values;
    const CommandFormat* format = commandFormat(keyword);
    if (!format)
        return values;

    if (keyword == Keyword::Encabezado) {
        const QString number = TomaCampo(line, 3);
        if (number == kEndMarker)
            return values;
        values << trimSpaces(number);
        const QString text = TomaCampo(line, 4);
        values << (text == kEndMarker || text == QString(kDel) || blank(text) ? QString(kDel) : text);
        return values;
    }

    for (int k = 3; k <= format->lastField; ++k) {
        const QString field = TomaCampo(line, k);
        if (field == kEndMarker)
            break;
        values << trimSpaces(field);
    }
    return values;
}

bool ScriptReader::open()
{
    failed_ = false;
    return file_.open(QIODevice::ReadOnly);
}

std::optional<QString> ScriptReader::readLine()
{
    if (failed_ || !file_.isOpen() || file_.atEnd())
        return std::nullopt;
    const QByteArray bytes = file_.readLine();
    if (bytes.isEmpty()) {
        failed_ = true;
        return std::nullopt;
    }
    return withoutLineEnd(bytes);
}

QStringList scriptLines(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        lines << withoutLineEnd(bytes.mid(start, end - start));
        start = end;
    }
    return lines;
}

} // namespace brela
