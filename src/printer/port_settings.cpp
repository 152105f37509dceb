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

namespace {

void goOffline(Operator& op, const PortPanel& setPortPanel, const QString& why)
{
    if (!why.isEmpty())
        op.message(why, Icon::Exclamation, applicationTitle());
    setPortPanel(offlinePanelText());
}

QString offlineHint()
{
    return QStringLiteral("\nBrela sigue sin impresora: puede diseñar formularios y elegir el port más tarde en "
                          "\"Configuración aplicación\".");
}

} // namespace

bool openPortAtStartup(PrinterLink& link, QSqlDatabase& db, const PortPanel& setPortPanel, const PortChoice& choice,
                       const PortList& ports)
{
    Operator& op = link.op;
    try {
        PortConfig config = loadPortConfig(db);
        if (link.line.isOpen())
            link.line.close();
        ResolvedPort port;
        if (choice.given()) {
            port.number = choice.number;
            port.device = choice.device;
        } else {
            port = resolvePort(config, ports);
            if (!port.missing.isEmpty()) {
                goOffline(op, setPortPanel, port.missing + offlineHint());
                return false;
            }
            setPortPanel(port.panel);
        }
        int number = port.number;
        link.portNumber = number > 0 ? number : config.PortNmb;
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
            const OpenResult result = link.line.open({number, port.device, settings, kInputBuffer});
            if (result.ok())
                return true;
            if (result.failure == PortFailure::BadSettings && !fellBack) {
                fallBack();
                continue;
            }
            const QString name = port.device.isEmpty() ? portLabel(number) : port.device;
            if (choice.given()) {
                op.message(QStringLiteral("No se puede abrir el port serie %1: %2").arg(name, result.description),
                           Icon::Critical, applicationTitle());
                return false;
            }
            // The replacement question offers only COM1 to COM4: a device of
            // another kind is named and left for the settings window.
            if (!port.device.isEmpty()) {
                goOffline(op, setPortPanel,
                          QStringLiteral("No se puede abrir el port serie %1: %2").arg(name, result.description)
                              + offlineHint());
                return false;
            }
            if (!needsAnotherPort(result.failure)) {
                op.message(errorReport(result.code, result.description), Icon::Critical, applicationTitle());
                goOffline(op, setPortPanel, QString());
                return false;
            }
            op.message(QStringLiteral("Esta definido el Port Serie COM") + QString::number(number)
                           + QStringLiteral("  y en esta PC no existe ó esta siendo usado por otro programa."),
                       Icon::Critical, applicationTitle());
            const int replacement =
                chosenPort(op.input(QStringLiteral("Por favor, ingrese un nuevo port serie."),
                                    QStringLiteral("Redefinicón de Port Serie"), QString::number(number == 1 ? 2 : 1)));
            if (replacement == 0) {
                // The program used to end here ("se interrumpe el programa");
                // it now starts without a printer, so forms can be designed.
                op.message(QStringLiteral("No se ha elegido un port serie que exista.") + offlineHint(), Icon::None,
                           applicationTitle());
                setPortPanel(offlinePanelText());
                return false;
            }
            number = replacement;
            storePortNumber(db, number);
            config = loadPortConfig(db);
            link.portNumber = number;
            setPortPanel(resolvePort(config, ports).panel);
        }
    } catch (const DbError& error) {
        reportDbError(op, error, applicationTitle(), DbErrorStyle::Numbered);
        goOffline(op, setPortPanel, QString());
        return false;
    }
}

Applied applyPortSettings(PrinterLink& link, QSqlDatabase& db, const PortConfig& chosen, const PortPanel& setPortPanel,
                          const PortList& ports)
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
        reportDbError(op, error, applicationTitle(), DbErrorStyle::Numbered);
        return Applied::Failed;
    }
    if (link.line.isOpen())
        link.line.close();
    link.portNumber = chosen.PortNmb;
    const ResolvedPort port = resolvePort(chosen, ports);
    if (!port.missing.isEmpty()) {
        goOffline(op, setPortPanel, port.missing);
        return Applied::Failed;
    }
    setPortPanel(port.panel);
    // The same input buffer as at start-up: a one-byte buffer would drop answers.
    const OpenResult result = link.line.open({port.number, port.device, chosen.PORTCFG, kInputBuffer});
    if (result.ok())
        return Applied::Open;
    if (!port.device.isEmpty())
        op.message(QStringLiteral("No se puede abrir el port serie %1: %2").arg(port.device, result.description),
                   Icon::Critical, applicationTitle());
    else if (result.failure == PortFailure::NoSuchPort)
        op.message(QStringLiteral("Esta cambiando al Port Serie COM") + QString::number(chosen.PortNmb)
                       + QStringLiteral("  y en esta PC no existe."),
                   Icon::Critical, applicationTitle());
    else
        op.message(errorReport(result.code, result.description), Icon::Critical, applicationTitle());
    setPortPanel(offlinePanelText());
    return Applied::Failed;
}

bool portChoiceFromArgument(const QString& text, const PortList& ports, PortChoice& choice, QString& problem)
{
    const QString given = text.trimmed();
    choice = {};
    bool isNumber = false;
    const int number = given.toInt(&isNumber);
    if (isNumber && number >= 1 && number <= 4) {
        choice.number = number;
        return true;
    }
    const QList<PortInfo> entries = chooserPorts(ports);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const PortInfo& entry = entries[i];
        const QString identity = adapterIdentity(entry);
        const bool named = given.compare(entry.name, Qt::CaseInsensitive) == 0;
        const bool adapter = !identity.isEmpty()
                             && (given == identity || given == entry.serialNumber.trimmed() || given == entry.location);
        if (!named && !adapter)
            continue;
        if (i < 4)
            choice.number = int(i) + 1;
        else
            choice.device = entry.device;
        return true;
    }
    if (given.contains(QLatin1Char('/')) || given.startsWith(QStringLiteral("\\\\.\\"))) {
        choice.device = given;
        return true;
    }
    problem = QStringLiteral("No se encuentra el port serie \"%1\": no es un número de 1 a 4, ni un port o adaptador "
                             "conectado (\"brela-cli ports\" los lista), ni la ruta de un dispositivo.")
                  .arg(given);
    return false;
}

} // namespace brela
