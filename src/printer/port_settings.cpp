#include "printer/port_settings.h"

#include "common/numbers.h"
#include "common/version.h"
#include "store/db.h"
#include "store/port_config.h"

#include <cmath>

namespace brela {
namespace {

bool needsAnotherPort(PortFailure failure)
{
    return failure == PortFailure::NoSuchPort || failure == PortFailure::InUse || failure == PortFailure::CannotOpen;
}

// The answer of the replacement dialogue as a port number, 0 when it is none.
int chosenPort(const std::optional<QString>& answer)
{
    if (!answer)
        return 0;
    const double value = textToNumber(*answer);
    for (int port = 1; port <= 4; ++port) {
        if (value == port)
            return port;
    }
    return 0;
}

} // namespace

QString portPanelText(int number)
{
    return QStringLiteral("Usando COM") + QString::number(number);
}

QString lineSettingsProblem(const QString& settings)
{
    LineSettings parsed;
    if (parseLineSettings(settings, parsed))
        return QString();
    return QStringLiteral("La configuración \"") + settings.trimmed()
           + QStringLiteral("\" no es válida. Escríbala como en la lista: velocidad, paridad, bits de datos y "
                            "bits de parada, separados por comas (por ejemplo 9600, N, 8, 1).");
}

namespace {

void reportFallback(Operator& op, const QString& stored)
{
    op.message(QStringLiteral("La configuración del port serie guardada, \"") + stored
                   + QStringLiteral("\", no se puede usar. Se abre el port con \"") + kDefaultLineSettings
                   + QStringLiteral("\"; puede elegir otra en \"Configuración aplicación\"."),
               Icon::Exclamation, applicationTitle());
}

} // namespace


bool openPortAtStartup(PrinterLink& link, QSqlDatabase& db, const PortPanel& setPortPanel, const PortChoice& choice)
{
    Operator& op = link.op;
    try {
        const PortConfig config = loadPortConfig(db);
        if (link.line.isOpen())
            link.line.close();
        int number = choice.number > 0 ? choice.number : config.PortNmb;
        link.portNumber = number;
        setPortPanel(portPanelText(number));
        // Ending the program here would leave no way to the settings window.
        QString settings = config.PORTCFG;
        bool fellBack = false;
        auto fallBack = [&] {
            reportFallback(op, config.PORTCFG);
            settings = kDefaultLineSettings;
            fellBack = true;
        };
        if (!lineSettingsProblem(settings).isEmpty())
            fallBack();
        for (;;) {
            const OpenResult result = link.line.open({number, choice.device, settings, kInputBuffer});
            if (result.ok())
                return true;
            if (result.failure == PortFailure::BadSettings && !fellBack) {
                fallBack();
                continue;
            }
            if (choice.given()) {
                const QString name = choice.device.isEmpty() ? portLabel(number) : choice.device;
                op.message(QStringLiteral("No se puede abrir el port serie %1: %2").arg(name, result.description),
                           Icon::Critical, applicationTitle());
                return false;
            }
            if (!needsAnotherPort(result.failure)) {
                op.message(errorReport(result.code, result.description), Icon::Critical, applicationTitle());
                return false;
            }
            op.message(QStringLiteral("Esta definido el Port Serie COM") + QString::number(number)
                           + QStringLiteral("  y en esta PC no existe ó esta siendo usado por otro programa."),
                       Icon::Critical, applicationTitle());
            const int replacement = chosenPort(op.input(QStringLiteral("Por favor, ingrese un nuevo port serie."),
                                                        QStringLiteral("Redefinicón de Port Serie"),
                                                        QString::number(number == 1 ? 2 : 1)));
            if (replacement == 0) {
                op.message(QStringLiteral("Se ha ingresa un Port serie que no existe, se interrumpe el programa"),
                           Icon::None, applicationTitle());
                return false;
            }
            number = replacement;
            storePortNumber(db, number);
            link.portNumber = number;
            setPortPanel(portPanelText(number));
        }
    } catch (const DbError& error) {
        reportDbError(op, error, applicationTitle());
        return false;
    }
}

Applied applyPortSettings(PrinterLink& link, QSqlDatabase& db, const PortConfig& chosen, const PortPanel& setPortPanel)
{
    Operator& op = link.op;
    // Stored, settings that cannot be read would stop every later start.
    const QString problem = lineSettingsProblem(chosen.PORTCFG);
    if (!problem.isEmpty()) {
        op.message(problem, Icon::Exclamation, applicationTitle());
        return Applied::Refused;
    }
    try {
        storePortConfig(db, chosen);
    } catch (const DbError& error) {
        reportDbError(op, error, applicationTitle());
        return Applied::Failed;
    }
    if (link.line.isOpen())
        link.line.close();
    link.portNumber = chosen.PortNmb;
    setPortPanel(portPanelText(chosen.PortNmb));
    // The same input buffer as at start-up: a one-byte buffer would drop answers.
    const OpenResult result = link.line.open({chosen.PortNmb, QString(), chosen.PORTCFG, kInputBuffer});
    if (result.ok())
        return Applied::Open;
    if (result.failure == PortFailure::NoSuchPort)
        op.message(QStringLiteral("Esta cambiando al Port Serie COM") + QString::number(chosen.PortNmb)
                       + QStringLiteral("  y en esta PC no existe."),
                   Icon::Critical, applicationTitle());
    else
        op.message(errorReport(result.code, result.description), Icon::Critical, applicationTitle());
    return Applied::Failed;
}

} // namespace brela
