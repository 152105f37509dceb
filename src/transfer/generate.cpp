#include "transfer/generate.h"

#include "common/cp1252.h"
#include "common/paths.h"
#include "common/version.h"
#include "script/generator.h"
#include "store/copy.h"
#include "store/db.h"
#include "store/rows.h"

#include <QSaveFile>

#include <optional>

namespace brela {
namespace {

// Replaces Valida.txt whole or not at all.
void writeValidationFile(Session& session, const QString& log)
{
    const QString path = folderFile(session.folder, QStringLiteral("Valida.txt"));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(toCp1252(log + kCrLf)) >= 0 && file.commit())
        return;
    session.op.message(QStringLiteral("No se pudo escribir el archivo ") + path + QStringLiteral(": ")
                           + file.errorString(),
                       Icon::Critical, applicationTitle());
}

} // namespace

// The validation run as both commands start it; empty after telling the
// operator of a database error.
static std::optional<bool> runValidation(Session& session, ValidationState& state, QString& log, bool& corrected)
{
    corrected = false;
    try {
        return ValidaFormulario(session, state, log, corrected);
    } catch (const DbError& error) {
        reportDbError(session.op, error, applicationTitle());
        return std::nullopt;
    }
}

bool validateCommand(Session& session, ValidationState& state)
{
    QString log;
    bool corrected = false;
    const std::optional<bool> ran = runValidation(session, state, log, corrected);
    if (!ran)
        return false;
    const bool passed = *ran;
    writeValidationFile(session, log);
    session.op.message(log, passed ? Icon::Information : Icon::Exclamation, QStringLiteral("Validación"));
    return passed;
}

bool generateCommand(Session& session, ValidationState& state, QString& fileName)
{
    QString log;
    bool corrected = false;
    const std::optional<bool> ran = runValidation(session, state, log, corrected);
    if (!ran)
        return false;
    const bool passed = *ran;

    if (passed) {
        writeValidationFile(session, log);
    } else {
        session.op.message(log, Icon::None, applicationTitle());
        if (corrected
            && session.op.ask(QStringLiteral("La validación hizo correcciones en el diseño,") + kCrLf + kCrLf
                                  + QStringLiteral("¿Desea guardar la versión corregida?"),
                              Buttons::YesNo, Icon::Information, QStringLiteral("ATENCION"))
                   != Answer::No) {
            qint16 destination = session.form.FormIDActual;
            CopiaFormulario(session, session.workingCopy, session.form.NombreActual, session.form.NombreActual,
                            destination, false);
        }
        if (session.op.ask(QStringLiteral("Hubo errores en la validación,") + kCrLf
                               + QStringLiteral("es probable que no pueda emitir facturas.") + kCrLf + kCrLf
                               + QStringLiteral("¿Desea generar el archivo ?"),
                           Buttons::YesNo, Icon::Information, QStringLiteral("ATENCION"))
            == Answer::No)
            return false;
    }

    if (!GeneraConfig(session, log, fileName, false))
        return false;
    session.lastScript = fileName;
    return true;
}

} // namespace brela
