#include "transfer/sender.h"

#include "common/cp1252.h"
#include "common/numbers.h"
#include "common/version.h"
#include "printer/fiscal_commands.h"
#include "printer/status_words.h"
#include "script/script_format.h"

#include <QFileInfo>

namespace brela {
namespace {

QString plainNumber(const QString& text)
{
    double value = textToNumber(text);
    if (value == 0)
        value = 0; // no "-0"
    return QString::number(value, 'g', 15);
}

// The first model has no second-model preferences; sending them only earns a refusal.
bool secondModelPreference(const QStringList& values)
{
    const QString joined = QLatin1Char('|') + values.join(QLatin1Char('|'));
    return joined.contains(QStringLiteral("|P|T|P")) || joined.contains(QStringLiteral("|P|L|O|N|N"));
}

void showLabel(const SendProgress& progress, const QString& text)
{
    if (progress.label)
        progress.label(text);
}

} // namespace

QStringList zoneFields(const QString& line)
{
    QStringList values = valueFields(line, Keyword::Zona);
    for (int i = 1; i < values.size(); ++i)
        values[i] = plainNumber(values[i]);
    return values;
}

int scriptCommandLines(const QString& fileName)
{
    ScriptReader reader(fileName);
    if (!reader.open())
        return 0;
    int lines = 0;
    while (const std::optional<QString> line = reader.readLine())
        if (classifyLine(*line) != Keyword::None)
            ++lines;
    return lines;
}

bool sendScriptLine(Session& session, PrinterLink& link, SenderState& state, const QString& line,
                    const SendProgress& progress)
{
    const Keyword keyword = classifyLine(line);
    const CommandFormat* format = commandFormat(keyword);
    if (!format)
        return true;

    QString description = TomaCampo(line, 1);
    QStringList values = keyword == Keyword::Zona ? zoneFields(line) : valueFields(line, keyword);
    bool skip = false;

    switch (keyword) {
    case Keyword::Zona:
        if (session.PrimerModelo && values.size() >= 5) {
            const int zone = textToInt(values[0]);
            if (zone == 60)
                state.zone060Bottom = values[4];
            else if (zone == 70 && !state.zone060Bottom.isEmpty())
                values[4] = state.zone060Bottom;
        }
        break;
    case Keyword::Preferencia:
        skip = session.PrimerModelo && secondModelPreference(values);
        break;
    case Keyword::Encabezado:
        skip = session.PrimerModelo && !values.isEmpty() && textToNumber(values[0]) > 65;
        break;
    default:
        break;
    }

    QStringList fields = format->leadingFields;
    for (const QString& value : values) {
        fields << value;
        description += QLatin1Char(' ') + value;
    }
    if (skip)
        return true;

    if (keyword != Keyword::Tamano)
        showLabel(progress, description);
    const Reply reply = exchange(link, format->code, fields, 2);
    bool accepted = reply.ok;
    if (accepted) {
        accepted = PFAnalizaEstado(link, reply, format->code);
        showLabel(progress,
                  description + QLatin1Char('\r') + (accepted ? QStringLiteral(" OK") : QStringLiteral(" ERROR")));
    }
    if (progress.sent)
        progress.sent(description, accepted);
    return accepted;
}

bool PFEnviaConfig(Session& session, PrinterLink& link, SenderState& state, const QString& fileName,
                   const SendProgress& progress)
{
    ScriptReader reader(fileName);
    if (!reader.open()) {
        session.op.message(QStringLiteral("No se puede abrir el archivo ") + fileName + QStringLiteral(": ")
                               + reader.errorString(),
                           Icon::Critical, applicationTitle());
        return false;
    }
    state.refused.clear();
    const QString name = QFileInfo(fileName).fileName();
    // Guessing the second model for a printer that did not answer would send
    // a first-model printer lines it must not get, then report no errors.
    const std::optional<bool> firstModel = probeModelQM210(link);
    if (!firstModel) {
        showLabel(progress, QStringLiteral("Hubo errores en") + kCrLf + name);
        return false;
    }
    session.PrimerModelo = *firstModel;

    bool goOn = true;
    bool errors = false;
    while (goOn) {
        const std::optional<QString> read = reader.readLine();
        if (!read)
            break;
        const QString line = trimSpaces(*read);
        if (classifyLine(line) == Keyword::None)
            continue;
        if (!sendScriptLine(session, link, state, line, progress)) {
            errors = true;
            state.refused << line;
            goOn = session.op.ask(QStringLiteral("Se produjo error en configuración ") + kCrLf + line + kCrLf
                                      + QStringLiteral("Desea continuar?"),
                                  Buttons::YesNo, Icon::Question, QStringLiteral("ATENCION"))
                   == Answer::Yes;
        }
    }
    if (reader.failed()) {
        session.op.message(QStringLiteral("No se puede leer el archivo ") + fileName + QStringLiteral(": ")
                               + reader.errorString(),
                           Icon::Critical, applicationTitle());
        return false;
    }

    showLabel(progress, errors ? QStringLiteral("Hubo errores en") + kCrLf + name
                               : name + kCrLf + QStringLiteral("Configurado sin errores"));
    return goOn;
}

} // namespace brela
