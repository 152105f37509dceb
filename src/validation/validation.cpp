#include "validation/validation.h"

#include "common/numbers.h"
#include "common/version.h"
#include "store/printed_zone.h"
#include "validation/run.h"

namespace brela {
namespace validation {
namespace {

const QString kZones = QStringLiteral(" zonas ");

QString header(Session& s)
{
    return QStringLiteral("Validación de formulario -> ") + s.form.NombreActual + QStringLiteral(" <- realizada el ")
           + s.clock.now().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")) + QStringLiteral(" .") + kCrLf
           + QStringLiteral("Software: ") + programName() + QStringLiteral(".exe   Versión:") + versionText()
           + QStringLiteral("  .") + kCrLf + kCrLf;
}

QString closingBlock()
{
    const QString stars(59, QLatin1Char('*'));
    return kCrLf + stars + kCrLf + QStringLiteral(" Hubo problemas de zonas, la aplicación no pudo") + kCrLf
           + QStringLiteral(" corregir el diseño, es probable que no se pueda") + kCrLf
           + QStringLiteral(" abrir comprobantes.") + kCrLf
           + QStringLiteral(" Arregle las zonas afectadas o utilice alguno de ") + kCrLf
           + QStringLiteral(" los ejemplos para crear uno nuevo.         ") + kCrLf + stars + kCrLf;
}

const QString kRowsOf110 = QStringLiteral("Las zonas 110,111 y 112 tienen %1 filas y esto puede dar error en\r\n"
                                          "algun formulario al querer emitir un recibo oficial.\r\n"
                                          "Si necesita emitir dichos comprobantes le aconsejamos que lo intente\r\n"
                                          "y si le da error aumente hasta 6 líneas el tamaño de estas zonas.\r\n"
                                          "En los formularios por omisión no se hizo porque esto reduce el espacio \r\n"
                                          "para otras zonas");

// A zone the grid and the table cannot hold would be written out of bounds;
// it is reported and left out of the run instead.
bool insideLimits(const ZoneRow& z)
{
    const bool rows = z.ZoneTop >= 0 && z.ZoneTop <= MapaOcupacion::kLastRow && z.ZoneBot >= 0
                      && z.ZoneBot <= MapaOcupacion::kLastRow;
    const bool columns = z.ZoneLeft >= 0 && z.ZoneLeft <= MapaOcupacion::kLastColumn && z.ZoneRight >= 0
                         && z.ZoneRight <= MapaOcupacion::kLastColumn;
    return LimitesZona::contains(z.ZoneID) && rows && columns;
}

bool withinLimits(Run& run, const ZoneRow& z)
{
    if (insideLimits(z))
        return true;
    run.note({z.ZoneID});
    run.add(QStringLiteral("La zona %1 (filas %2 a %3, columnas %4 a %5) está fuera de los límites de la "
                           "impresora (zonas 0 a 200, filas 0 a 200, columnas 0 a 180) y no se puede validar.")
                .arg(LimitesZona::contains(z.ZoneID) ? fmt3(z.ZoneID) : num(z.ZoneID))
                .arg(z.ZoneTop)
                .arg(z.ZoneBot)
                .arg(z.ZoneLeft)
                .arg(z.ZoneRight)
            + kCrLf + kCrLf);
    run.fail();
    return false;
}

// Blank column (A1) and overlap (A2) for one row of a visible zone.
void checkGridRow(Run& run, const ZoneRow& z, int r, bool& blankReported)
{
    MapaOcupacion& grid = run.state.grid;
    const int n = z.ZoneID;
    const int beside = z.ZoneLeft - z.ZoneHoriFree;
    if (!blankReported && z.ZoneHoriFree > 0 && beside > 0 && !grid.isFree(r, beside)) {
        run.note({grid.at(r, beside), n});
        run.add(kZones + fmt3(grid.at(r, beside)) + QStringLiteral(" y ") + fmt3(n)
                + QStringLiteral(", debe haber una columna en blanco.") + kCrLf);
        blankReported = true;
    }

    bool overlapping = false;
    for (int c = z.ZoneLeft; c <= z.ZoneRight; ++c) {
        if (!grid.isFree(r, c)) {
            if (!overlapping) {
                run.note({grid.at(r, c), n});
                run.add(kZones + fmt3(grid.at(r, c)) + QStringLiteral(" y ") + fmt3(n)
                        + QStringLiteral(" superposición Fila ") + fmt3(r) + QStringLiteral(",Columna ") + fmt3(c));
            }
            overlapping = true;
            run.fail();
        } else {
            if (overlapping)
                run.add(QStringLiteral(" hasta Columna ") + fmt3(c - 1) + kCrLf);
            overlapping = false;
            grid.set(r, c, static_cast<qint16>(n));
        }
    }
    if (overlapping)
        run.add(QStringLiteral(" hasta Columna ") + fmt3(z.ZoneRight) + kCrLf + kCrLf);
}

void checkZone(Run& run, const ZoneRow& z)
{
    const int n = z.ZoneID;
    if (z.ZoneVisible) {
        bool blankReported = false;
        for (int r = z.ZoneTop; r <= z.ZoneBot; ++r)
            checkGridRow(run, z, r, blankReported);
    }

    const int rows = z.ZoneBot - z.ZoneTop + 1;
    if (rows < z.ZoneMinHeight) {
        run.note({n});
        run.add(QStringLiteral("La zona ") + fmt3(n) + QStringLiteral(" tiene ") + num(rows)
                + QStringLiteral(" filas y debe tener como mínimo ") + num(z.ZoneMinHeight) + QStringLiteral(" filas  ")
                + kCrLf + kCrLf);
    }

    if (n == 110 && rows < 6) {
        const QString text = kRowsOf110.arg(rows);
        if (run.session)
            run.session->op.message(text, Icon::Information, QStringLiteral("ATENCION"));
        run.note({110});
        run.add(kCrLf + kCrLf + text + kCrLf + kCrLf);
    }

    const int columns = z.ZoneRight - z.ZoneLeft + 1;
    if (columns < z.ZoneMinWidth) {
        run.note({n});
        run.add(QStringLiteral("La zona ") + fmt3(n) + QStringLiteral(" tiene ") + num(columns)
                + QStringLiteral(" columnas y debe tener como mínimo ") + num(z.ZoneMinWidth)
                + QStringLiteral(" columnas. ") + kCrLf + kCrLf);
        run.fail();
    }
}

// The printer moves every zone by the top and left margins taken as lines
// and columns (see printedZone). A zone pushed past the sheet's last line
// or the printer's widest line prints cut or not at all: told in the log,
// never a problem, since stored forms rely on that shift.
void checkPrintedPlace(Run& run)
{
    const FormRow* form = run.form;
    if (!form || form->FormCPI <= 0)
        return;
    Units units;
    units.CPIActual = form->FormCPI;
    CalculaEscala(units, false);
    const int lines = static_cast<int>(roundHalfEven(form->FormHeight * units.FilasPorMM));
    const int columns = 8 * form->FormCPI;
    std::vector<ZoneRow> zones;
    for (const auto& [id, zone] : run.rows)
        zones.push_back(zone);
    for (const ZoneRow& z : zones) {
        if (!insideLimits(z))
            continue; // reported already
        const PrintedRect printed = printedZone(*form, zones, z);
        if (printed.bottom >= lines) {
            run.note({z.ZoneID});
            run.add(QStringLiteral("Aviso: la zona %1, corrida por los márgenes, termina en la línea %2 y el "
                                   "formulario tiene %3 líneas (0 a %4).")
                        .arg(fmt3(z.ZoneID))
                        .arg(printed.bottom)
                        .arg(lines)
                        .arg(lines - 1)
                    + kCrLf);
        }
        if (printed.right >= columns) {
            run.note({z.ZoneID});
            run.add(QStringLiteral("Aviso: la zona %1, corrida por los márgenes, termina en la columna %2 y la "
                                   "impresora imprime %3 columnas (0 a %4).")
                        .arg(fmt3(z.ZoneID))
                        .arg(printed.right)
                        .arg(columns)
                        .arg(columns - 1)
                    + kCrLf);
        }
    }
}

// Leaves the status bar clean however the run ends, database errors included.
struct StatusGuard {
    Operator& op;
    ~StatusGuard() { op.status(QString()); }
};

} // namespace

bool Run::correct(int n, const std::function<void(ZoneRow&)>& edit)
{
    const auto row = rows.find(n);
    if (row == rows.end()) {
        if (!session)
            return false;
        session->op.message(QStringLiteral("Falta la zona ") + fmt3(n), Icon::Critical,
                            QStringLiteral("Error de integridad de la base de datos."));
        return false;
    }
    ZoneRow edited = row->second;
    edit(edited);
    if (session)
        FormRows(session->db, session->workingCopy).update(edited);
    row->second = edited;
    corrected = true;
    return true;
}

QString coordinates(Run& run, int k)
{
    const ZoneLimits& z = run.zone(k);
    return QStringLiteral("La zona ") + num(k) + QStringLiteral(" tiene coordenadas Inicial X=") + num(z.left)
           + QStringLiteral(" Y=") + num(z.top) + QStringLiteral(" , Final X=") + num(z.right) + QStringLiteral(" Y=")
           + num(z.bot) + kCrLf;
}

} // namespace validation

namespace validation {
namespace {

// Everything a run checks, with the rows already read: the same code for the
// validation run and for the live findings.
void checkRows(Run& run, const std::vector<ZoneRow>& zones)
{
    Operator* op = run.session ? &run.session->op : nullptr;
    run.state.grid.clear();
    // A fresh table: no result may depend on a form validated earlier.
    run.state.limits.clear();

    for (const ZoneRow& z : zones) {
        run.rows[z.ZoneID] = z;
        if (withinLimits(run, z)) {
            run.state.limits.at(z.ZoneID) = {static_cast<qint16>(z.ZoneTop),
                                             static_cast<qint16>(z.ZoneBot),
                                             static_cast<qint16>(z.ZoneLeft),
                                             static_cast<qint16>(z.ZoneRight),
                                             z.ZoneHoriFree,
                                             static_cast<qint16>(z.ZoneMinWidth)};
            checkZone(run, z);
        }
        if (op)
            op->processEvents();
    }

    applyFixedZoneRules(run);
    applyPositionRules(run);
    checkPrintedPlace(run);
}

} // namespace
} // namespace validation

bool ValidaFormulario(Session& session, ValidationState& state, QString& log, bool& corrected,
                      std::vector<Finding>* findings)
{
    using namespace validation;
    corrected = false;
    FormRows rows(session.db, session.workingCopy);
    const std::optional<FormRow> form = rows.form();
    Run run(&session, form ? &*form : nullptr, state, log, corrected);
    session.op.status(QStringLiteral("Validando Form."));
    StatusGuard statusGuard{session.op};

    if (log.isEmpty())
        log += header(session);

    checkRows(run, rows.zones());

    if (run.problem)
        log += closingBlock();
    if (findings)
        *findings = std::move(run.findings);
    return !run.problem;
}

std::vector<Finding> checkForm(const std::optional<FormRow>& form, const std::vector<ZoneRow>& zones,
                               ValidationState& state)
{
    using namespace validation;
    QString log;
    bool corrected = false;
    Run run(nullptr, form ? &*form : nullptr, state, log, corrected);
    checkRows(run, zones);
    return std::move(run.findings);
}

} // namespace brela
