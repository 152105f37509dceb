// The validation run over any zone rectangles: negative, huge, overlapping,
// beyond the sheet, on zone numbers the form has or not. Each input is a run
// of 10-byte records (zone pick, flags, top, bottom, left, right as 16-bit
// values) written over a predefined form in the working copy; the changes
// are rolled back after each run.
#include "fake_clock.h"
#include "fuzz_check.h"
#include "scripted_operator.h"
#include "store/copy.h"
#include "store/db.h"
#include "store/rows.h"
#include "validation/validation.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdint>
#include <cstring>
#include <type_traits>

using namespace brela;

namespace {

QSqlDatabase database;
std::vector<ZoneRow> formZones;
// Prepared once: preparing two statements per record took as long as the
// validation itself. Never freed: destroyed at exit, after the application,
// they would leave the driver's result behind.
QSqlQuery* moveZone = nullptr;
QSqlQuery* addZone = nullptr;

qint16 word(const uint8_t* at)
{
    return static_cast<qint16>(at[0] | (at[1] << 8));
}

// Every cell of the grid names a zone number or none. Scanned as raw cells and
// without coverage hooks (kept out of line, or the caller's hooks return):
// checked per cell through at(), this one loop took most of each run.
#if defined(__clang__)
__attribute__((no_sanitize("coverage"), noinline))
#endif
bool cellsHoldZones(const MapaOcupacion& grid)
{
    static_assert(std::is_trivially_copyable_v<MapaOcupacion>);
    constexpr size_t cells = (MapaOcupacion::kLastRow + 1) * (MapaOcupacion::kLastColumn + 1);
    static_assert(sizeof(MapaOcupacion) == cells * sizeof(qint16));
    static qint16 raw[cells];
    std::memcpy(raw, &grid, sizeof raw);
    qint16 low = 0;
    qint16 high = 0;
    for (const qint16 cell : raw) {
        low = cell < low ? cell : low;
        high = cell > high ? cell : high;
    }
    return LimitesZona::contains(low) && LimitesZona::contains(high);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz"));
    database.setDatabaseName(QStringLiteral(":memory:"));
    if (!database.open())
        std::abort();
    run(database, QStringLiteral("PRAGMA foreign_keys=ON"));
    runScript(database, shippedSchemaSql());
    runScript(database, shippedFormsSql());

    ScriptedOperator op;
    FakeClock clock;
    Session session(database, op, clock, QString());
    qint16 destination = kWorkingCopy;
    const std::vector<FormSummary> forms = listForms(database);
    if (forms.empty() || !CopiaFormulario(session, forms.front().FormID, QString(), QString(), destination, true))
        std::abort();
    formZones = FormRows(database, kWorkingCopy).zones();
    moveZone = new QSqlQuery(database);
    addZone = new QSqlQuery(database);
    // A zone the form lacks is added once, its other fields as a new row has them.
    if (!moveZone->prepare(QStringLiteral("UPDATE Zone SET ZoneTop=?, ZoneBot=?, ZoneLeft=?, ZoneRight=?, "
                                          "ZoneHoriFree=?, ZoneVisible=? WHERE FormID=%1 AND ZoneID=?")
                               .arg(kWorkingCopy))
        || !addZone->prepare(QStringLiteral("INSERT OR IGNORE INTO Zone (FormID, ZoneID, ZoneDescr, ZoneTop, ZoneBot, "
                                            "ZoneLeft, ZoneRight, ZoneMinHeight, ZoneMinWidth, ZoneRequiered, "
                                            "ZoneHoriFree, ZoneVisible, ZoneParent) "
                                            "VALUES (%1, ?, NULL, ?, ?, ?, ?, 0, ?, 0, ?, ?, 0)")
                                 .arg(kWorkingCopy)))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ScriptedOperator op;
    FakeClock clock;
    Session session(database, op, clock, QString());
    FUZZ_CHECK(database.transaction());
    for (size_t at = 0; at + 10 <= size && at < 10 * 64; at += 10) {
        const uint8_t* r = data + at;
        const bool existing = r[0] < formZones.size();
        QSqlQuery& write = existing ? *moveZone : *addZone;
        if (!existing)
            write.addBindValue(r[0]);
        for (const uint8_t* value = r + 2; value < r + 10; value += 2)
            write.addBindValue(word(value));
        if (!existing)
            write.addBindValue((r[1] >> 3) & 15);
        write.addBindValue((r[1] >> 1) & 3);
        write.addBindValue(r[1] & 1);
        if (existing)
            write.addBindValue(formZones[r[0]].ZoneID);
        // A row the schema refuses is no input for the validation.
        write.exec();
        write.finish();
    }

    ValidationState state;
    QString log;
    bool corrected = false;
    bool clean = false;
    try {
        clean = ValidaFormulario(session, state, log, corrected);
    } catch (const DbError&) {
        FUZZ_CHECK(false && "the validation's own statements failed");
    }
    FUZZ_CHECK(database.rollback());

    FUZZ_CHECK(clean != log.contains(QStringLiteral(" Hubo problemas de zonas, la aplicación no pudo")));
    FUZZ_CHECK(cellsHoldZones(state.grid));
    return 0;
}
