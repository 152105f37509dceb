#include "store/rows.h"

#include <QSqlRecord>
#include <utility>

namespace brela {
namespace {

// Columns by name, each looked up once per query and kept for its later
// rows: looking every field up on every row took a third of a validation.
class Fields {
public:
    explicit Fields(const QSqlQuery& query) : query_(query), record_(query.record()) {}

    QVariant operator()(const char* name)
    {
        for (const auto& [known, index] : columns_)
            if (known == name)
                return query_.value(index);
        const int index = record_.indexOf(QLatin1String(name));
        columns_.emplace_back(name, index);
        return query_.value(index);
    }

private:
    const QSqlQuery& query_;
    const QSqlRecord record_;
    std::vector<std::pair<const char*, int>> columns_;
};

int boolValue(bool value)
{
    return value ? 1 : 0;
}

FormRow readForm(Fields& field)
{
    FormRow r;
    r.FormID = static_cast<qint16>(field("FormID").toInt());
    r.FormDescr = field("FormDescr").toString();
    r.FormHeight = field("FormHeight").toDouble();
    r.FormWidth = field("FormWidth").toDouble();
    r.FormUnit = field("FormUnit");
    r.FormCPI = static_cast<qint16>(field("FormCPI").toInt());
    r.FormMarTop = field("FormMarTop").toDouble();
    r.FormMarBot = field("FormMarBot").toDouble();
    r.FormMarLeft = field("FormMarLeft").toDouble();
    r.FormMarRight = field("FormMarRight").toDouble();
    r.FormLock = asBool(field("FormLock"));
    r.FormItemOrder = field("FormItemOrder").toString();
    r.FormPrModel = field("FormPrModel").toString();
    return r;
}

ZoneRow readZone(Fields& field)
{
    ZoneRow r;
    r.FormID = static_cast<qint16>(field("FormID").toInt());
    r.ZoneID = field("ZoneID").toInt();
    r.ZoneDescr = field("ZoneDescr").toString();
    r.ZoneTop = field("ZoneTop").toInt();
    r.ZoneBot = field("ZoneBot").toInt();
    r.ZoneLeft = field("ZoneLeft").toInt();
    r.ZoneRight = field("ZoneRight").toInt();
    r.ZoneMinHeight = field("ZoneMinHeight").toInt();
    r.ZoneMinWidth = field("ZoneMinWidth").toInt();
    r.ZoneRequiered = asBool(field("ZoneRequiered"));
    r.ZoneHoriFree = static_cast<qint16>(field("ZoneHoriFree").toInt());
    r.ZoneVisible = asBool(field("ZoneVisible"));
    r.ZoneParent = field("ZoneParent").toInt();
    return r;
}

MessageRow readMessage(Fields& field)
{
    MessageRow r;
    r.FormID = static_cast<qint16>(field("FormID").toInt());
    r.ZoneID = field("ZoneID").toInt();
    r.MsgID = field("MsgID").toInt();
    r.MsgDesc = field("MsgDesc").toString();
    r.MsgText = field("MsgText").toString();
    r.MsgMaxLength = field("MsgMaxLength").toInt();
    r.MsgVisible = asBool(field("MsgVisible"));
    r.MsgRequiered = asBool(field("MsgRequiered"));
    r.MsgSystem = asBool(field("MsgSystem"));
    r.MsgIDOut = field("MsgIDOut").toInt();
    r.MsgHide = asBool(field("MsgHide"));
    return r;
}

} // namespace

FormRow formFromQuery(const QSqlQuery& q)
{
    Fields field(q);
    return readForm(field);
}

ZoneRow zoneFromQuery(const QSqlQuery& q)
{
    Fields field(q);
    return readZone(field);
}

MessageRow messageFromQuery(const QSqlQuery& q)
{
    Fields field(q);
    return readMessage(field);
}

std::optional<FormRow> FormRows::form()
{
    QSqlQuery q = run(db_, QStringLiteral("SELECT * FROM Forms WHERE FormID=?"), {formId_});
    if (!q.next())
        return std::nullopt;
    return formFromQuery(q);
}

std::vector<ZoneRow> FormRows::zones()
{
    QSqlQuery q = run(db_, QStringLiteral("SELECT * FROM Zone WHERE FormID=? ORDER BY ZoneID"), {formId_});
    std::vector<ZoneRow> rows;
    Fields field(q);
    while (q.next())
        rows.push_back(readZone(field));
    return rows;
}

std::optional<ZoneRow> FormRows::zone(int zoneId)
{
    QSqlQuery q = run(db_, QStringLiteral("SELECT * FROM Zone WHERE FormID=? AND ZoneID=?"), {formId_, zoneId});
    if (!q.next())
        return std::nullopt;
    return zoneFromQuery(q);
}

std::vector<MessageRow> FormRows::messages()
{
    QSqlQuery q = run(db_, QStringLiteral("SELECT * FROM Message WHERE FormID=? ORDER BY MsgID"), {formId_});
    std::vector<MessageRow> rows;
    Fields field(q);
    while (q.next())
        rows.push_back(readMessage(field));
    return rows;
}

std::vector<MessageRow> FormRows::zoneMessages(int zoneId)
{
    QSqlQuery q =
        run(db_, QStringLiteral("SELECT * FROM Message WHERE FormID=? AND ZoneID=? ORDER BY MsgID"), {formId_, zoneId});
    std::vector<MessageRow> rows;
    Fields field(q);
    while (q.next())
        rows.push_back(readMessage(field));
    return rows;
}

void FormRows::update(const FormRow& r)
{
    run(db_,
        QStringLiteral("UPDATE Forms SET FormDescr=?, FormHeight=?, FormWidth=?, FormUnit=?, FormCPI=?, "
                       "FormMarTop=?, FormMarBot=?, FormMarLeft=?, FormMarRight=?, FormLock=?, "
                       "FormItemOrder=?, FormPrModel=? WHERE FormID=?"),
        {r.FormDescr, r.FormHeight, r.FormWidth, r.FormUnit, r.FormCPI, r.FormMarTop, r.FormMarBot, r.FormMarLeft,
         r.FormMarRight, boolValue(r.FormLock), r.FormItemOrder, r.FormPrModel, formId_});
}

void FormRows::update(const ZoneRow& r)
{
    run(db_,
        QStringLiteral("UPDATE Zone SET ZoneDescr=?, ZoneTop=?, ZoneBot=?, ZoneLeft=?, ZoneRight=?, "
                       "ZoneMinHeight=?, ZoneMinWidth=?, ZoneRequiered=?, ZoneHoriFree=?, ZoneVisible=?, "
                       "ZoneParent=? WHERE FormID=? AND ZoneID=?"),
        {r.ZoneDescr, r.ZoneTop, r.ZoneBot, r.ZoneLeft, r.ZoneRight, r.ZoneMinHeight, r.ZoneMinWidth,
         boolValue(r.ZoneRequiered), r.ZoneHoriFree, boolValue(r.ZoneVisible), r.ZoneParent, formId_, r.ZoneID});
}

void FormRows::update(const MessageRow& r)
{
    run(db_,
        QStringLiteral("UPDATE Message SET ZoneID=?, MsgDesc=?, MsgText=?, MsgMaxLength=?, MsgVisible=?, "
                       "MsgRequiered=?, MsgSystem=?, MsgIDOut=?, MsgHide=? WHERE FormID=? AND MsgID=?"),
        {r.ZoneID, r.MsgDesc, r.MsgText, r.MsgMaxLength, boolValue(r.MsgVisible), boolValue(r.MsgRequiered),
         boolValue(r.MsgSystem), r.MsgIDOut, boolValue(r.MsgHide), formId_, r.MsgID});
}

void FormRows::insert(const ZoneRow& r)
{
    run(db_,
        QStringLiteral("INSERT INTO Zone (FormID, ZoneID, ZoneDescr, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, "
                       "ZoneMinHeight, ZoneMinWidth, ZoneRequiered, ZoneHoriFree, ZoneVisible, ZoneParent) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        {formId_, r.ZoneID, r.ZoneDescr, r.ZoneTop, r.ZoneBot, r.ZoneLeft, r.ZoneRight, r.ZoneMinHeight, r.ZoneMinWidth,
         boolValue(r.ZoneRequiered), r.ZoneHoriFree, boolValue(r.ZoneVisible), r.ZoneParent});
}

void FormRows::insert(const MessageRow& r)
{
    run(db_,
        QStringLiteral("INSERT INTO Message (FormID, ZoneID, MsgID, MsgDesc, MsgText, MsgMaxLength, MsgVisible, "
                       "MsgRequiered, MsgSystem, MsgIDOut, MsgHide) VALUES (?,?,?,?,?,?,?,?,?,?,?)"),
        {formId_, r.ZoneID, r.MsgID, r.MsgDesc, r.MsgText, r.MsgMaxLength, boolValue(r.MsgVisible),
         boolValue(r.MsgRequiered), boolValue(r.MsgSystem), r.MsgIDOut, boolValue(r.MsgHide)});
}

void FormRows::setZoneRect(int zoneId, int left, int right, int top, int bot)
{
    run(db_,
        QStringLiteral("UPDATE Zone SET ZoneLeft=?, ZoneRight=?, ZoneTop=?, ZoneBot=? WHERE FormID=? AND ZoneID=?"),
        {left, right, top, bot, formId_, zoneId});
}

void FormRows::setZoneColumns(int zoneId, int left, int right)
{
    run(db_, QStringLiteral("UPDATE Zone SET ZoneLeft=?, ZoneRight=? WHERE FormID=? AND ZoneID=?"),
        {left, right, formId_, zoneId});
}

void FormRows::setZoneLines(int zoneId, int top, int bot)
{
    run(db_, QStringLiteral("UPDATE Zone SET ZoneTop=?, ZoneBot=? WHERE FormID=? AND ZoneID=?"),
        {top, bot, formId_, zoneId});
}

void FormRows::setMessageText(int msgId, const QString& text, bool visible)
{
    run(db_, QStringLiteral("UPDATE Message SET MsgText=?, MsgVisible=? WHERE FormID=? AND MsgID=?"),
        {text, visible ? 1 : 0, formId_, msgId});
}

} // namespace brela
