#include "store/printer_copy.h"

#include "store/session.h"

namespace brela {

bool setWorkingZoneRect(QSqlDatabase& db, int zoneId, int left, int top, int right, int bottom)
{
    QSqlQuery q = run(db,
                      QStringLiteral("UPDATE Zone SET ZoneLeft=?, ZoneTop=?, ZoneRight=?, ZoneBot=? "
                                     "WHERE FormID=? AND ZoneID=?"),
                      {left, top, right, bottom, workingCopyOf(db), zoneId});
    return q.numRowsAffected() > 0;
}

void setWorkingZoneBottoms(QSqlDatabase& db, int first, int last, int bottom)
{
    run(db, QStringLiteral("UPDATE Zone SET ZoneBot=? WHERE FormID=? AND ZoneID>=? AND ZoneID<=?"),
        {bottom, workingCopyOf(db), first, last});
}

std::vector<SplitPart> workingSplitParts(QSqlDatabase& db)
{
    // The whole line is the working copy's own message numbered MsgIDOut.
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT M.MsgID, M.MsgIDOut, Z.ZoneLeft, Z.ZoneRight, M2.MsgText "
                                     "FROM Message M, Message M2, Zone Z "
                                     "WHERE M.FormID=? AND Z.FormID=? AND M2.FormID=? AND M2.MsgID=M.MsgIDOut "
                                     "AND Z.ZoneID=M.ZoneID AND M.MsgIDOut>0 ORDER BY M.MsgIDOut, Z.ZoneLeft, M.MsgID"),
                      {workingCopyOf(db), workingCopyOf(db), workingCopyOf(db)});
    std::vector<SplitPart> parts;
    while (q.next())
        parts.push_back(
            {q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt(), q.value(4).toString()});
    return parts;
}

void setWorkingMessage(QSqlDatabase& db, int msgId, const QString& text, bool visible)
{
    run(db, QStringLiteral("UPDATE Message SET MsgText=?, MsgVisible=? WHERE FormID=? AND MsgID=?"),
        {text.isNull() ? QStringLiteral("") : text, visible ? 1 : 0, workingCopyOf(db), msgId});
}

void hideWorkingMessage(QSqlDatabase& db, int msgId)
{
    run(db, QStringLiteral("UPDATE Message SET MsgVisible=0 WHERE FormID=? AND MsgID=?"), {workingCopyOf(db), msgId});
}

} // namespace brela
