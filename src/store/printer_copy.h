#pragma once

#include "store/db.h"

#include <QString>
#include <vector>

namespace brela {

// What reading the printer back writes into the working copy beyond the
// typed rows: rectangles by zone number and the lines split over zones.

// Sets one working-copy zone's rectangle; false when the zone row is missing.
bool setWorkingZoneRect(QSqlDatabase& db, int zoneId, int left, int top, int right, int bottom);

// Sets the bottom row of every working-copy zone numbered `first` to `last`.
void setWorkingZoneBottoms(QSqlDatabase& db, int first, int last, int bottom);

// One part of a header line that several zones print side by side.
struct SplitPart {
    int msgId = 0;
    int msgIdOut = 0; // the header line the part belongs to
    int zoneLeft = 0;
    int zoneRight = 0;
    QString fullText; // that header line's text as read from the printer
};

// The parts of the working copy, by line and then left to right.
std::vector<SplitPart> workingSplitParts(QSqlDatabase& db);

// Sets one working-copy message's text and whether it is printed.
void setWorkingMessage(QSqlDatabase& db, int msgId, const QString& text, bool visible);
// Hides one working-copy message, keeping its text.
void hideWorkingMessage(QSqlDatabase& db, int msgId);

} // namespace brela
