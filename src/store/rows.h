#pragma once

#include "store/db.h"

#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace brela {

struct FormRow {
    qint16 FormID = 0;
    QString FormDescr;
    double FormHeight = 0;
    double FormWidth = 0;
    QVariant FormUnit;
    qint16 FormCPI = 12;
    double FormMarTop = 0;
    double FormMarBot = 0;
    double FormMarLeft = 0;
    double FormMarRight = 0;
    bool FormLock = false;
    QString FormItemOrder;
    QString FormPrModel;
    bool operator==(const FormRow&) const = default;
};

struct ZoneRow {
    qint16 FormID = 0;
    int ZoneID = 0;
    QString ZoneDescr;
    int ZoneTop = 0;
    int ZoneBot = 0;
    int ZoneLeft = 0;
    int ZoneRight = 0;
    int ZoneMinHeight = 0;
    int ZoneMinWidth = 0;
    bool ZoneRequiered = false;
    qint16 ZoneHoriFree = 0;
    bool ZoneVisible = false;
    int ZoneParent = 0;
    bool operator==(const ZoneRow&) const = default;
};

struct MessageRow {
    qint16 FormID = 0;
    int ZoneID = 0;
    int MsgID = 0;
    QString MsgDesc;
    QString MsgText;
    int MsgMaxLength = 0;
    bool MsgVisible = false;
    bool MsgRequiered = false;
    bool MsgSystem = false;
    int MsgIDOut = 0;
    bool MsgHide = false;
    bool operator==(const MessageRow&) const = default;
};

// One whole definition as it travels outside the database (a form file, a
// script read back as a form): the Forms row with its zones and texts.
struct FormDefinition {
    FormRow form;
    QString changed; // FormChanged as stored; empty when the form has none
    std::vector<ZoneRow> zones;
    std::vector<MessageRow> messages;
};

// Typed access to one definition's rows (the working copy is Session::workingCopy).
// Readers return nothing when a row is missing; writers throw DbError.
class FormRows {
public:
    FormRows(QSqlDatabase db, qint16 formId) : db_(std::move(db)), formId_(formId) {}

    qint16 formId() const { return formId_; }
    QSqlDatabase& db() { return db_; }

    std::optional<FormRow> form();
    std::vector<ZoneRow> zones(); // ascending ZoneID
    std::optional<ZoneRow> zone(int zoneId);
    std::vector<MessageRow> messages(); // ascending MsgID
    std::vector<MessageRow> zoneMessages(int zoneId);

    void update(const FormRow& row);
    void update(const ZoneRow& row);
    void update(const MessageRow& row);
    void insert(const ZoneRow& row);
    void insert(const MessageRow& row);

    // Single-purpose writes of the editor: only the named columns change.
    void setZoneRect(int zoneId, int left, int right, int top, int bot);
    void setZoneColumns(int zoneId, int left, int right);
    void setZoneLines(int zoneId, int top, int bot);
    void setMessageText(int msgId, const QString& text, bool visible);

private:
    QSqlDatabase db_;
    qint16 formId_;
};

FormRow formFromQuery(const QSqlQuery& query);
ZoneRow zoneFromQuery(const QSqlQuery& query);
MessageRow messageFromQuery(const QSqlQuery& query);

inline bool asBool(const QVariant& value)
{
    return value.isValid() && !value.isNull() && value.toInt() != 0;
}

} // namespace brela
