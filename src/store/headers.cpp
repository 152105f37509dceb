#include "store/headers.h"

#include "store/rows.h"
#include "store/session.h"

#include <algorithm>
#include <vector>

namespace brela {
namespace {

constexpr int kMergeLineLength = 255;

QString rightTrimmed(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.left(end);
}

// Writes `text` into `line` from position `start` (counted from 1); what falls
// before position 1 or after the end of the line is dropped.
void place(QString& line, qsizetype start, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype position = start + i;
        if (position < 1)
            continue;
        if (position > line.size())
            break;
        line[position - 1] = text[i];
    }
}

// One text of a multi-zone header with its zone's columns.
struct HeaderPiece {
    int group;
    bool visible;
    QString text;
    int zoneId;
    int left;
    int right;
};

void closeGroup(QSqlDatabase& db, int group, const QString& line, qsizetype start)
{
    start = std::clamp<qsizetype>(start, 1, line.size() + 1);
    const QString merged = rightTrimmed(line.mid(start - 1));
    if (merged.isEmpty())
        run(db, QStringLiteral("UPDATE Message SET MsgVisible=0, MsgText='' WHERE FormID=? AND MsgID=?"),
            {workingCopyOf(db), group});
    else
        run(db, QStringLiteral("UPDATE Message SET MsgVisible=1, MsgText=? WHERE FormID=? AND MsgID=?"),
            {merged, workingCopyOf(db), group});
}

// The texts with MsgIDOut above 0 are laid side by side, each at its zone's
// columns, and become the text of the header numbered MsgIDOut. All of it or
// none of it reaches the working copy.
} // namespace

void mergeHeaderTexts(QSqlDatabase& db)
{
    Transaction transaction(db);
    std::vector<HeaderPiece> pieces;
    {
        QSqlQuery q =
            run(db,
                QStringLiteral("SELECT M.MsgIDOut, M.MsgVisible, M.MsgText, M.ZoneID, Z.ZoneLeft, Z.ZoneRight "
                               "FROM Message M, Zone Z WHERE M.FormID=? AND Z.FormID=? AND Z.ZoneID=M.ZoneID "
                               "AND M.MsgIDOut>0 ORDER BY M.MsgIDOut, Z.ZoneLeft, M.MsgID"),
                {workingCopyOf(db), workingCopyOf(db)});
        while (q.next())
            pieces.push_back({q.value(0).toInt(), asBool(q.value(1)), q.value(2).toString(), q.value(3).toInt(),
                              q.value(4).toInt(), q.value(5).toInt()});
    }

    if (!pieces.empty()) {
        int group = pieces.front().group;
        QString line(kMergeLineLength, QLatin1Char(' '));
        qsizetype start = pieces.front().left + 1;
        for (const HeaderPiece& piece : pieces) {
            if (piece.group != group) {
                closeGroup(db, group, line, start);
                group = piece.group;
                line = QString(kMergeLineLength, QLatin1Char(' '));
                start = piece.left + 1;
            }
            if (!piece.visible || piece.text.isEmpty())
                continue;
            QString text = rightTrimmed(piece.text);
            if (piece.zoneId >= 63 && piece.zoneId <= 66) {
                // Amount columns: right-aligned on the zone's last column, cut to its width.
                text = text.left(std::max(0, piece.right - piece.left + 1));
                place(line, piece.right + 1 - text.size(), text);
            } else {
                place(line, piece.left + 1, text);
            }
        }
        closeGroup(db, group, line, start);
    }
    transaction.commit();
}

} // namespace brela
