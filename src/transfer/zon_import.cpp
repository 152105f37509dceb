#include "transfer/zon_import.h"

#include "common/cp1252.h"
#include "script/script_format.h"
#include "script/script_layout.h"
#include "store/copy.h"
#include "store/db.h"
#include "store/library.h"
#include "store/rows.h"
#include "transfer/layout_source.h"

#include <QFile>
#include <QFileInfo>

namespace brela {
namespace {

QString zoneText(int zone)
{
    return QStringLiteral("%1").arg(zone, 3, 10, QLatin1Char('0'));
}

// The printer as the script leaves it.
class ScriptSource : public LayoutSource {
public:
    ScriptSource(Session& s, const ScriptLayout& layout, bool firstModel, QString fileName)
        : s_(s), layout_(layout), firstModel_(firstModel), fileName_(std::move(fileName))
    {
    }

    std::optional<bool> firstModel() override { return firstModel_; }

    QString logHeading(const QDateTime& now) const override
    {
        return QStringLiteral("Lectura de zonas del script %1 %2")
            .arg(fileName_, now.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")));
    }

    std::optional<LayoutRect> zone(int zoneId) override
    {
        const auto found = layout_.zones.find(zoneId);
        if (found == layout_.zones.end()) {
            s_.op.message(QStringLiteral("El script no configura la zona %1.").arg(zoneText(zoneId)), Icon::Critical,
                          kZonImportTitle);
            return std::nullopt;
        }
        const ScriptRect& r = found->second;
        return LayoutRect{r.left, r.top, r.right, r.bottom};
    }

    std::optional<std::pair<int, int>> formSize() override { return layout_.size; }

    Header header(int msgId) override
    {
        const auto found = layout_.headers.find(msgId);
        if (found == layout_.headers.end())
            return {Header::Keep, QString()};
        return {Header::Text, found->second};
    }

private:
    Session& s_;
    const ScriptLayout& layout_;
    bool firstModel_;
    QString fileName_;
};

std::optional<bool> askModel(Session& s, bool laterModelLines)
{
    QString proposed = laterModelLines ? kSecondModel : kFirstModel;
    for (;;) {
        const std::optional<QString> answer =
            s.op.input(QStringLiteral("¿Para qué modelo de impresora es el script? Escriba QM210 o QM540."),
                       kZonImportTitle, proposed);
        if (!answer)
            return std::nullopt;
        const QString model = answer->trimmed().toUpper();
        if (model == kFirstModel || model == kSecondModel)
            return model == kFirstModel;
        if (model.isEmpty())
            return std::nullopt;
        proposed = *answer;
    }
}

// The script's lines, or nothing after telling the operator why not.
std::optional<QStringList> readScript(Session& s, const QString& path)
{
    const QFileInfo info(path);
    QString problem;
    if (!info.exists())
        problem = QStringLiteral("No existe el archivo %1.").arg(path);
    else if (!info.isFile())
        problem = QStringLiteral("%1 no es un archivo.").arg(path);
    else if (info.size() > kZonMaxBytes)
        problem = QStringLiteral("El archivo %1 no es un script .ZON: ocupa %2 bytes.").arg(path).arg(info.size());
    QByteArray bytes;
    if (problem.isEmpty()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            problem = QStringLiteral("No se puede leer el archivo %1: %2").arg(path, file.errorString());
        else
            bytes = file.read(kZonMaxBytes + 1);
        if (problem.isEmpty() && bytes.size() > kZonMaxBytes)
            problem = QStringLiteral("El archivo %1 no es un script .ZON: es demasiado grande.").arg(path);
    }
    if (!problem.isEmpty()) {
        s.op.message(problem, Icon::Critical, kZonImportTitle);
        return std::nullopt;
    }
    return scriptLines(bytes);
}

// Everything the read needs is in the script, checked before the working
// copy is touched: a refused script changes nothing.
bool scriptIsComplete(Session& s, const ScriptLayout& layout, bool firstModel, const QString& path)
{
    if (!layout.size && layout.zones.empty()) {
        s.op.message(QStringLiteral("El archivo %1 no es un script .ZON: no configura el tamaño de la hoja "
                                    "(@TAMAÑO) ni ninguna zona (@ZONA).\r\n\r\nNo se importó nada.")
                         .arg(path),
                     Icon::Critical, kZonImportTitle);
        return false;
    }
    if (!layout.size) {
        s.op.message(QStringLiteral("El script no configura el tamaño de la hoja (@TAMAÑO).\r\n\r\n"
                                    "No se importó nada."),
                     Icon::Critical, kZonImportTitle);
        return false;
    }
    const qint16 templateId = templateForModel(s.db, firstModel);
    if (templateId == 0) {
        s.op.message(QStringLiteral("ERROR No hay ningún formulario como plantilla"), Icon::Critical,
                     QStringLiteral("ATENCION"));
        return false;
    }
    QStringList missing;
    for (const ZoneRow& zone : FormRows(s.db, templateId).zones())
        if (!layout.zones.count(zone.ZoneID))
            missing << zoneText(zone.ZoneID);
    if (!missing.isEmpty()) {
        s.op.message(QStringLiteral("El script no configura %1 %2, que todo formulario del modelo %3 tiene.\r\n\r\n"
                                    "No se importó nada.")
                         .arg(missing.size() == 1 ? QStringLiteral("la zona") : QStringLiteral("las zonas"),
                              missing.join(QStringLiteral(", ")), firstModel ? kFirstModel : kSecondModel),
                     Icon::Critical, kZonImportTitle);
        return false;
    }
    return true;
}

} // namespace

ZonImport importZonScript(Session& s, ValidationState& validation, const QString& path, std::optional<bool> firstModel,
                          const QString& name, bool ask, const ReadProgress& progress)
{
    ZonImport result;
    const std::optional<QStringList> lines = readScript(s, path);
    if (!lines)
        return result;
    const ScriptLayout layout = scriptLayout(*lines);
    if (ask && !firstModel) {
        firstModel = askModel(s, layout.laterModelLines);
        if (!firstModel)
            return result;
    }
    if (!firstModel)
        return result;
    try {
        if (!scriptIsComplete(s, layout, *firstModel, path))
            return result;
    } catch (const DbError& error) {
        reportDbError(s.op, error);
        return result;
    }

    QString chosen = name.trimmed();
    if (ask) {
        chosen = askFormName(s, chosen.isEmpty() ? QFileInfo(path).completeBaseName().trimmed() : chosen);
        if (chosen.isEmpty())
            return result;
    } else if (chosen.isEmpty() || chosen.contains(QLatin1Char('.'))) {
        s.op.message(chosen.isEmpty()
                         ? QStringLiteral("Falta el nombre del formulario.")
                         : QStringLiteral("El nombre del formulario no puede llevar punto: %1").arg(chosen),
                     Icon::Exclamation, kZonImportTitle);
        return result;
    }

    ScriptSource source(s, layout, *firstModel, QFileInfo(path).fileName());
    result.read = readLayout(s, source, validation, progress);
    if (!result.read.ok)
        return result;
    qint16 destination = 0;
    if (!CopiaFormulario(s, s.workingCopy, QString(), chosen, destination, false))
        return result;
    s.form.NombreActual = chosen;
    result.stored = true;
    result.formId = destination;
    result.name = chosen;
    return result;
}

} // namespace brela
