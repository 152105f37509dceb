#include "store/form_file.h"

#include "store/copy.h"
#include "store/library.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>
#include <set>

namespace brela {
namespace {

const QString kExportTitle = QStringLiteral("EXPORTAR FORMULARIO");
const QString kImportTitle = QStringLiteral("IMPORTAR FORMULARIO");

// Sizes and margins in millimetres: far beyond any sheet, short of nonsense.
constexpr double kMostMillimetres = 10000;
constexpr int kLastZone = 200;
constexpr int kMost16 = 32767;

QJsonValue unitValue(const QVariant& unit)
{
    return unit.isNull() || !unit.isValid() ? QJsonValue() : QJsonValue(unit.toString());
}

QJsonObject formObject(const FormRow& f, const QString& name, const QString& changed)
{
    QJsonObject o;
    o[QStringLiteral("FormDescr")] = name;
    o[QStringLiteral("FormHeight")] = f.FormHeight;
    o[QStringLiteral("FormWidth")] = f.FormWidth;
    o[QStringLiteral("FormUnit")] = unitValue(f.FormUnit);
    o[QStringLiteral("FormCPI")] = f.FormCPI;
    o[QStringLiteral("FormMarTop")] = f.FormMarTop;
    o[QStringLiteral("FormMarBot")] = f.FormMarBot;
    o[QStringLiteral("FormMarLeft")] = f.FormMarLeft;
    o[QStringLiteral("FormMarRight")] = f.FormMarRight;
    o[QStringLiteral("FormItemOrder")] = f.FormItemOrder;
    o[QStringLiteral("FormPrModel")] = f.FormPrModel;
    o[QStringLiteral("FormChanged")] = changed.isEmpty() ? QJsonValue() : QJsonValue(changed);
    return o;
}

QJsonObject zoneObject(const ZoneRow& z)
{
    QJsonObject o;
    o[QStringLiteral("ZoneID")] = z.ZoneID;
    o[QStringLiteral("ZoneDescr")] = z.ZoneDescr;
    o[QStringLiteral("ZoneTop")] = z.ZoneTop;
    o[QStringLiteral("ZoneBot")] = z.ZoneBot;
    o[QStringLiteral("ZoneLeft")] = z.ZoneLeft;
    o[QStringLiteral("ZoneRight")] = z.ZoneRight;
    o[QStringLiteral("ZoneMinHeight")] = z.ZoneMinHeight;
    o[QStringLiteral("ZoneMinWidth")] = z.ZoneMinWidth;
    o[QStringLiteral("ZoneRequiered")] = z.ZoneRequiered;
    o[QStringLiteral("ZoneHoriFree")] = z.ZoneHoriFree;
    o[QStringLiteral("ZoneVisible")] = z.ZoneVisible;
    o[QStringLiteral("ZoneParent")] = z.ZoneParent;
    return o;
}

QJsonObject messageObject(const MessageRow& m)
{
    QJsonObject o;
    o[QStringLiteral("ZoneID")] = m.ZoneID;
    o[QStringLiteral("MsgID")] = m.MsgID;
    o[QStringLiteral("MsgDesc")] = m.MsgDesc;
    o[QStringLiteral("MsgText")] = m.MsgText;
    o[QStringLiteral("MsgMaxLength")] = m.MsgMaxLength;
    o[QStringLiteral("MsgVisible")] = m.MsgVisible;
    o[QStringLiteral("MsgRequiered")] = m.MsgRequiered;
    o[QStringLiteral("MsgSystem")] = m.MsgSystem;
    o[QStringLiteral("MsgIDOut")] = m.MsgIDOut;
    o[QStringLiteral("MsgHide")] = m.MsgHide;
    return o;
}

// Reads the fields of one object of the document; the first value out of
// place is remembered with where it is, and later reads give defaults.
class Fields {
public:
    Fields(const QJsonObject& object, QString where, QString& error)
        : object_(object), where_(std::move(where)), error_(error)
    {
    }

    QString text(const char* key, bool nullable = false)
    {
        const QJsonValue v = value(key);
        if (nullable && v.isNull())
            return QString();
        if (!v.isString()) {
            fail(key, nullable ? QStringLiteral("debe ser un texto o null") : QStringLiteral("debe ser un texto"));
            return QString();
        }
        return v.toString();
    }

    int integer(const char* key, int least, int most)
    {
        const QJsonValue v = value(key);
        const double d = v.toDouble();
        if (!v.isDouble() || d != std::floor(d) || d < least || d > most) {
            fail(key, QStringLiteral("debe ser un número entero entre %1 y %2").arg(least).arg(most));
            return 0;
        }
        return static_cast<int>(d);
    }

    double number(const char* key, double least, double most)
    {
        const QJsonValue v = value(key);
        const double d = v.toDouble();
        if (!v.isDouble() || !std::isfinite(d) || d < least || d > most) {
            fail(key, QStringLiteral("debe ser un número entre %1 y %2").arg(least).arg(most));
            return 0;
        }
        return d;
    }

    bool flag(const char* key)
    {
        const QJsonValue v = value(key);
        if (!v.isBool()) {
            fail(key, QStringLiteral("debe ser true o false"));
            return false;
        }
        return v.toBool();
    }

    void fail(const char* key, const QString& what)
    {
        if (error_.isEmpty())
            error_ = QStringLiteral("%1, el campo \"%2\" %3.").arg(where_, QLatin1String(key), what);
    }

private:
    QJsonValue value(const char* key)
    {
        const auto found = object_.constFind(QLatin1String(key));
        if (found == object_.constEnd()) {
            fail(key, QStringLiteral("falta"));
            return QJsonValue(QJsonValue::Undefined);
        }
        return *found;
    }

    const QJsonObject& object_;
    QString where_;
    QString& error_;
};

FormFileContent refused(const QString& reason)
{
    return {std::nullopt, reason};
}

FormFileContent damaged(const QString& detail)
{
    return refused(QStringLiteral("El formulario está dañado: %1\r\n\r\nNo se importó nada.").arg(detail));
}

const QString kNotAForm = QStringLiteral("El archivo no es un formulario de Brela: %1\r\n\r\nNo se importó nada.");

} // namespace

QByteArray formFileBytes(const FormDefinition& d, const QString& name)
{
    QJsonArray zones;
    for (const ZoneRow& z : d.zones)
        zones.append(zoneObject(z));
    QJsonArray messages;
    for (const MessageRow& m : d.messages)
        messages.append(messageObject(m));
    QJsonObject root;
    root[QStringLiteral("formato")] = kFormFileFormat;
    root[QStringLiteral("version")] = kFormFileVersion;
    root[QStringLiteral("formulario")] = formObject(d.form, name, d.changed);
    root[QStringLiteral("zonas")] = zones;
    root[QStringLiteral("textos")] = messages;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

FormFileContent parseFormFile(const QByteArray& bytes)
{
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError) {
        // A file of our format that no longer parses was cut short or edited
        // badly; anything else is no form at all.
        if (bytes.contains(kFormFileFormat.toUtf8()))
            return damaged(QStringLiteral("el documento está incompleto o tiene un error de sintaxis "
                                          "cerca del carácter %1.")
                               .arg(parse.offset));
        return refused(kNotAForm.arg(QStringLiteral("no es un documento JSON.")));
    }
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("formato")).toString() != kFormFileFormat)
        return refused(kNotAForm.arg(QStringLiteral("no dice \"formato\": \"%1\".").arg(kFormFileFormat)));

    const QJsonValue version = root.value(QStringLiteral("version"));
    const double number = version.toDouble();
    if (!version.isDouble() || number != std::floor(number) || number < 1)
        return damaged(QStringLiteral("el campo \"version\" debe ser un número entero desde 1."));
    if (number > kFormFileVersion)
        return refused(QStringLiteral("El formulario fue exportado por una versión más nueva de Brela "
                                      "(formato versión %1; esta lee hasta la versión %2).\r\n"
                                      "Actualice Brela para importarlo.\r\n\r\nNo se importó nada.")
                           .arg(number)
                           .arg(kFormFileVersion));

    const QJsonValue formValue = root.value(QStringLiteral("formulario"));
    const QJsonValue zonesValue = root.value(QStringLiteral("zonas"));
    const QJsonValue messagesValue = root.value(QStringLiteral("textos"));
    if (!formValue.isObject())
        return damaged(QStringLiteral("falta el objeto \"formulario\"."));
    if (!zonesValue.isArray())
        return damaged(QStringLiteral("falta la lista \"zonas\"."));
    if (!messagesValue.isArray())
        return damaged(QStringLiteral("falta la lista \"textos\"."));

    QString error;
    FormDefinition d;
    const QJsonObject formObject = formValue.toObject();
    Fields form(formObject, QStringLiteral("En el formulario"), error);
    d.form.FormDescr = form.text("FormDescr");
    d.form.FormHeight = form.number("FormHeight", 0, kMostMillimetres);
    d.form.FormWidth = form.number("FormWidth", 0, kMostMillimetres);
    d.form.FormUnit = form.text("FormUnit", true);
    if (d.form.FormUnit.toString().isNull())
        d.form.FormUnit = QVariant(QMetaType::fromType<QString>());
    d.form.FormCPI = static_cast<qint16>(form.integer("FormCPI", 10, 17));
    if (d.form.FormCPI != 10 && d.form.FormCPI != 12 && d.form.FormCPI != 17)
        form.fail("FormCPI", QStringLiteral("debe ser 10, 12 o 17"));
    d.form.FormMarTop = form.number("FormMarTop", 0, kMostMillimetres);
    d.form.FormMarBot = form.number("FormMarBot", 0, kMostMillimetres);
    d.form.FormMarLeft = form.number("FormMarLeft", 0, kMostMillimetres);
    d.form.FormMarRight = form.number("FormMarRight", 0, kMostMillimetres);
    d.form.FormItemOrder = form.text("FormItemOrder");
    static const QStringList orders = {QString(),
                                       QStringLiteral("CDP"),
                                       QStringLiteral("CPD"),
                                       QStringLiteral("DCP"),
                                       QStringLiteral("DPC"),
                                       QStringLiteral("PDC"),
                                       QStringLiteral("PCD")};
    if (!orders.contains(d.form.FormItemOrder))
        form.fail("FormItemOrder", QStringLiteral("debe ser CDP, CPD, DCP, DPC, PDC, PCD o vacío"));
    d.form.FormPrModel = form.text("FormPrModel");
    if (error.isEmpty() && d.form.FormPrModel.trimmed().isEmpty())
        form.fail("FormPrModel", QStringLiteral("no puede estar vacío"));
    if (formObject.contains(QStringLiteral("FormChanged")))
        d.changed = form.text("FormChanged", true);

    std::set<int> zoneIds;
    const QJsonArray zones = zonesValue.toArray();
    for (qsizetype i = 0; i < zones.size() && error.isEmpty(); ++i) {
        const QString where = QStringLiteral("En la zona n.º %1 de la lista").arg(i + 1);
        if (!zones.at(i).isObject())
            return damaged(where + QStringLiteral(": debe ser un objeto."));
        const QJsonObject object = zones.at(i).toObject();
        Fields field(object, where, error);
        ZoneRow z;
        z.ZoneID = field.integer("ZoneID", 0, kLastZone);
        z.ZoneDescr = field.text("ZoneDescr");
        z.ZoneTop = field.integer("ZoneTop", 0, kMost16);
        z.ZoneBot = field.integer("ZoneBot", 0, kMost16);
        z.ZoneLeft = field.integer("ZoneLeft", 0, kMost16);
        z.ZoneRight = field.integer("ZoneRight", 0, kMost16);
        z.ZoneMinHeight = field.integer("ZoneMinHeight", 0, kMost16);
        z.ZoneMinWidth = field.integer("ZoneMinWidth", 0, kMost16);
        z.ZoneRequiered = field.flag("ZoneRequiered");
        z.ZoneHoriFree = static_cast<qint16>(field.integer("ZoneHoriFree", 0, kMost16));
        z.ZoneVisible = field.flag("ZoneVisible");
        z.ZoneParent = field.integer("ZoneParent", 0, kLastZone);
        if (error.isEmpty() && !zoneIds.insert(z.ZoneID).second)
            return damaged(QStringLiteral("la zona %1 aparece dos veces.").arg(z.ZoneID, 3, 10, QLatin1Char('0')));
        d.zones.push_back(std::move(z));
    }

    std::set<int> messageIds;
    const QJsonArray messages = messagesValue.toArray();
    for (qsizetype i = 0; i < messages.size() && error.isEmpty(); ++i) {
        const QString where = QStringLiteral("En el texto n.º %1 de la lista").arg(i + 1);
        if (!messages.at(i).isObject())
            return damaged(where + QStringLiteral(": debe ser un objeto."));
        const QJsonObject object = messages.at(i).toObject();
        Fields field(object, where, error);
        MessageRow m;
        m.ZoneID = field.integer("ZoneID", 0, kLastZone);
        m.MsgID = field.integer("MsgID", 0, kMost16);
        m.MsgDesc = field.text("MsgDesc");
        m.MsgText = field.text("MsgText");
        m.MsgMaxLength = field.integer("MsgMaxLength", 0, kMost16);
        m.MsgVisible = field.flag("MsgVisible");
        m.MsgRequiered = field.flag("MsgRequiered");
        m.MsgSystem = field.flag("MsgSystem");
        m.MsgIDOut = field.integer("MsgIDOut", 0, kMost16);
        m.MsgHide = field.flag("MsgHide");
        if (error.isEmpty() && !messageIds.insert(m.MsgID).second)
            return damaged(QStringLiteral("el texto %1 aparece dos veces.").arg(m.MsgID));
        d.messages.push_back(std::move(m));
    }
    if (!error.isEmpty())
        return damaged(error);
    return {std::move(d), QString()};
}

FormFileContent readFormFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return refused(QStringLiteral("No existe el archivo %1.").arg(path));
    if (!info.isFile())
        return refused(QStringLiteral("%1 no es un archivo.").arg(path));
    // The size first: a huge file is refused without being read.
    if (info.size() > kFormFileMaxBytes)
        return refused(kNotAForm.arg(
            QStringLiteral("ocupa %1 bytes y un formulario no pasa de %2.").arg(info.size()).arg(kFormFileMaxBytes)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("No se puede leer el archivo %1: %2").arg(path, file.errorString()));
    // Never more than the limit, even from a file that grows while it is read.
    const QByteArray bytes = file.read(kFormFileMaxBytes + 1);
    if (bytes.size() > kFormFileMaxBytes)
        return refused(kNotAForm.arg(QStringLiteral("ocupa más de %1 bytes.").arg(kFormFileMaxBytes)));
    return parseFormFile(bytes);
}

QString defaultFormFilePath(const QString& folder, const QString& formName)
{
    QString name = formName.trimmed();
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QLatin1Char('\\'), QLatin1Char('-'));
    return folder + QLatin1Char('/') + name + kFormFileSuffix;
}

bool exportForm(Session& s, qint16 formId, const QString& name, const QString& path)
{
    std::optional<FormDefinition> definition;
    try {
        definition = loadDefinition(s.db, formId);
    } catch (const DbError& error) {
        reportDbError(s.op, error, kExportTitle);
        return false;
    }
    if (!definition) {
        s.op.message(QStringLiteral("No existe el formulario %1.").arg(formId), Icon::Critical, kExportTitle);
        return false;
    }
    // Written aside and renamed into place: a failure leaves no half file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(formFileBytes(*definition, name)) < 0 || !file.commit()) {
        s.op.message(QStringLiteral("No se puede escribir el archivo %1: %2").arg(path, file.errorString()),
                     Icon::Critical, kExportTitle);
        return false;
    }
    return true;
}

bool importFormFile(Session& s, const QString& path, const QString& name, bool askName, qint16& stored)
{
    const FormFileContent content = readFormFile(path);
    if (!content.definition) {
        s.op.message(content.error, Icon::Critical, kImportTitle);
        return false;
    }
    QString chosen = name.trimmed().isEmpty() ? content.definition->form.FormDescr.trimmed() : name.trimmed();
    if (askName) {
        chosen = askFormName(s, chosen);
        if (chosen.isEmpty())
            return false;
    } else if (chosen.isEmpty()) {
        s.op.message(QStringLiteral("El formulario del archivo no tiene nombre: indique uno para guardarlo."),
                     Icon::Exclamation, kImportTitle);
        return false;
    } else if (chosen.contains(QLatin1Char('.'))) {
        s.op.message(QStringLiteral("El nombre del formulario no puede llevar punto: %1").arg(chosen),
                     Icon::Exclamation, kImportTitle);
        return false;
    }
    qint16 destination = 0;
    if (!saveDefinition(s, *content.definition, chosen, destination))
        return false;
    stored = destination;
    return true;
}

} // namespace brela
