#include "store/rows.h"

#include <QSqlRecord>

namespace brela {
namespace {

QVariant field(const QSqlQuery& query, const char* name)
{
    return query.value(QLatin1String(name));
}

int boolValue(bool value) { return value ? 1 : 0; }

} // namespace

FormRow formFromQuery(const QSqlQuery& q)
{
    FormRow r;
    r.FormID = static_cast<qint16>(field(q, "FormID").toInt());
    r.FormDescr = field(q, "FormDescr").toString();
    r.FormHeight = field(q, "FormHeight").toDouble();
    r.FormWidth = field(q, "FormWidth").toDouble();
    r.FormUnit = field(q, "FormUnit");
    r.FormCPI = static_cast<qint16>(field(q, "FormCPI").toInt());
    r.FormMarTop = field(q, "FormMarTop").toDouble();
    r.FormMarBot = field(q, "FormMarBot").toDouble();
    r.FormMarLeft = field(q, "FormMarLeft").toDouble();
    r.FormMarRight = field(q, "FormMarRight").toDouble();
    r.FormLock = asBool(field(q, "FormLock"));
    r.FormItemOrder = field(q, "FormItemOrder").toString();
    r.FormPrModel = field(q, "FormPrModel").toString();
    return r;
}

ZoneRow zoneFromQuery(const QSqlQuery& q)
{
    ZoneRow r;
    r.FormID = static_cast<qint16>(field(q, "FormID").toInt());
    r.ZoneID = field(q, "ZoneID").toInt();
    r.ZoneDescr = field(q, "ZoneDescr").toString();
    r.ZoneTop = field(q, "ZoneTop").toInt();
    r.ZoneBot = field(q, "ZoneBot").toInt();
    r.ZoneLeft = field(q, "ZoneLeft").toInt();
    r.ZoneRight = field(q, "ZoneRight").toInt();
    r.ZoneMinHeight = field(q, "ZoneMinHeight").toInt();
    r.ZoneMinWidth = field(q, "ZoneMinWidth").toInt();
    r.ZoneRequiered = asBool(field(q, "ZoneRequiered"));
    r.ZoneHoriFree = static_cast<qint16>(field(q, "ZoneHoriFree").toInt());
    r.ZoneVisible = asBool(field(q, "ZoneVisible"));
    r.ZoneParent = field(q, "ZoneParent").toInt();
    return r;
}

MessageRow messageFromQuery(const QSqlQuery& q)
{
    MessageRow r;
    r.FormID = static_cast<qint16>(field(q, "FormID").toInt());
    r.ZoneID = field(q, "ZoneID").toInt();
    r.MsgID = field(q, "MsgID").toInt();
    r.MsgDesc = field(q, "MsgDesc").toString();
    r.MsgText = field(q, "MsgText").toString();
    r.MsgMaxLength = field(q, "MsgMaxLength").toInt();
    r.MsgVisible = asBool(field(q, "MsgVisible"));
    r.MsgRequiered = asBool(field(q, "MsgRequiered"));
    r.MsgSystem = asBool(field(q, "MsgSystem"));
    r.MsgIDOut = field(q, "MsgIDOut").toInt();
    r.MsgHide = asBool(field(q, "MsgHide"));
    return r;
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
    while (q.next())
        rows.push_back(zoneFromQuery(q));
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
    while (q.next())
        rows.push_back(messageFromQuery(q));
    return rows;
}

std::vector<MessageRow> FormRows::zoneMessages(int zoneId)
{
    QSqlQuery q = run(db_, QStringLiteral("SELECT * FROM Message WHERE FormID=? AND ZoneID=? ORDER BY MsgID"),
                      {formId_, zoneId});
    std::vector<MessageRow> rows;
    while (q.next())
        rows.push_back(messageFromQuery(q));
    return rows;
}

void FormRows::update(const FormRow& r)
{
    run(db_, QStringLiteral("UPDATE Forms SET FormDescr=?, FormHeight=?, FormWidth=?, FormUnit=?, FormCPI=?, "
                            "FormMarTop=?, FormMarBot=?, FormMarLeft=?, FormMarRight=?, FormLock=?, "
                            "FormItemOrder=?, FormPrModel=? WHERE FormID=?"),
        {r.FormDescr, r.FormHeight, r.FormWidth, r.FormUnit, r.FormCPI, r.FormMarTop, r.FormMarBot,
         r.FormMarLeft, r.FormMarRight, boolValue(r.FormLock), r.FormItemOrder, r.FormPrModel, formId_});
}

void FormRows::update(const ZoneRow& r)
{
    run(db_, QStringLiteral("UPDATE Zone SET ZoneDescr=?, ZoneTop=?, ZoneBot=?, ZoneLeft=?, ZoneRight=?, "
                            "ZoneMinHeight=?, ZoneMinWidth=?, ZoneRequiered=?, ZoneHoriFree=?, ZoneVisible=?, "
                            "ZoneParent=? WHERE FormID=? AND ZoneID=?"),
        {r.ZoneDescr, r.ZoneTop, r.ZoneBot, r.ZoneLeft, r.ZoneRight, r.ZoneMinHeight, r.ZoneMinWidth,
         boolValue(r.ZoneRequiered), r.ZoneHoriFree, boolValue(r.ZoneVisible), r.ZoneParent, formId_, r.ZoneID});
}

void FormRows::update(const MessageRow& r)
{
    run(db_, QStringLiteral("UPDATE Message SET ZoneID=?, MsgDesc=?, MsgText=?, MsgMaxLength=?, MsgVisible=?, "
                            "MsgRequiered=?, MsgSystem=?, MsgIDOut=?, MsgHide=? WHERE FormID=? AND MsgID=?"),
        {r.ZoneID, r.MsgDesc, r.MsgText, r.MsgMaxLength, boolValue(r.MsgVisible), boolValue(r.MsgRequiered),
         boolValue(r.MsgSystem), r.MsgIDOut, boolValue(r.MsgHide), formId_, r.MsgID});
}

void FormRows::insert(const ZoneRow& r)
{
    run(db_, QStringLiteral("INSERT INTO Zone (FormID, ZoneID, ZoneDescr, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, "
                            "ZoneMinHeight, ZoneMinWidth, ZoneRequiered, ZoneHoriFree, ZoneVisible, ZoneParent) "
                            "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        {formId_, r.ZoneID, r.ZoneDescr, r.ZoneTop, r.ZoneBot, r.ZoneLeft, r.ZoneRight, r.ZoneMinHeight,
         r.ZoneMinWidth, boolValue(r.ZoneRequiered), r.ZoneHoriFree, boolValue(r.ZoneVisible), r.ZoneParent});
}

void FormRows::insert(const MessageRow& r)
{
    run(db_, QStringLiteral("INSERT INTO Message (FormID, ZoneID, MsgID, MsgDesc, MsgText, MsgMaxLength, MsgVisible, "
                            "MsgRequiered, MsgSystem, MsgIDOut, MsgHide) VALUES (?,?,?,?,?,?,?,?,?,?,?)"),
        {formId_, r.ZoneID, r.MsgID, r.MsgDesc, r.MsgText, r.MsgMaxLength, boolValue(r.MsgVisible),
         boolValue(r.MsgRequiered), boolValue(r.MsgSystem), r.MsgIDOut, boolValue(r.MsgHide)});
}

} // namespace brela
