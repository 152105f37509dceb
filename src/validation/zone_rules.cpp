#include "validation/run.h"

namespace brela::validation {
namespace {

QString definedFrom(int zone, int left, int right)
{
    return fmt3(zone) + QStringLiteral(" esta definida desde ") + num(left) + QStringLiteral(" hasta ") + num(right);
}

QString zoneFrom(int zone, int left, int right)
{
    return QStringLiteral("La zona ") + definedFrom(zone, left, right);
}
QString andZoneFrom(int zone, int left, int right)
{
    return QStringLiteral("y la zona ") + definedFrom(zone, left, right);
}

// Columns of 090 and 070 against 060.
void groupB(Run& run)
{
    const ZoneLimits& z60 = run.zone(60);
    const ZoneLimits& z90 = run.zone(90);
    const ZoneLimits& z70 = run.zone(70);
    auto report = [&run](const QString& first, int other, const QString& last) {
        run.note({60, other});
        run.add(first + kCrLf + coordinates(run, 60) + coordinates(run, other) + last + kCrLf + kCrLf);
        run.fail();
    };
    if (!(z90.left >= z60.left && z90.right <= z60.right))
        report(QStringLiteral("La zona 090 debe estar definida con las mismas columnas que la zona 60."), 90,
               QStringLiteral("Por favor, ajuste las columnas(x) de la Zona 60 o de la Zona 90."));
    if (z70.left < z60.left || z70.right > z60.right)
        report(QStringLiteral("La zona 070 debe estar definida con las mismas columnas que la zona 60."), 70,
               QStringLiteral("Por favor, ajuste las columnas(x) de la Zona 60 o la Zona 70."));
}

// A container must span its first and last inner zones. Only the database
// changes: the table keeps the container's old columns for later rules.
void groupC(Run& run)
{
    struct Rule {
        int container, inner;
        bool leftEdge;
        const char* correction;
    };
    static const Rule rules[] = {
        {90, 91, true, "se corrige la zona 090 para contener a la 091."},
        {90, 97, false, "se corrige la zona 090 para contener a la 097."},
        {100, 101, true, "se corrige la zona 100 para contener a la 101."},
        {100, 102, false, "se corrige la zona 100 para contener a la 102."},
        {110, 111, true, "se corrige la zona 110 para contener a la 111"},
        {110, 112, false, "se corrige la zona 110 para contener a la 112."},
    };
    for (const Rule& rule : rules) {
        const ZoneLimits& c = run.zone(rule.container);
        const ZoneLimits& i = run.zone(rule.inner);
        const bool applies = rule.leftEdge ? c.left > i.left : c.right < i.right;
        if (!applies)
            continue;
        run.note({rule.inner, rule.container});
        run.add(zoneFrom(rule.inner, i.left, i.right) + kCrLf + andZoneFrom(rule.container, c.left, c.right) + kCrLf
                + QString::fromUtf8(rule.correction) + kCrLf + kCrLf);
        const qint16 value = rule.leftEdge ? i.left : i.right;
        run.correct(rule.container, [&](ZoneRow& row) { (rule.leftEdge ? row.ZoneLeft : row.ZoneRight) = value; });
    }
}

// The line endings that differ between the three pairs.
struct Pair {
    int p, q, k;
    const char* space;       // rule 3, first line
    const char* spaceP;      // rule 3, ending of the line on p
    const char* spaceQ;      // rule 3, ending of the line on q
    const char* moveStart;   // rule 3, start of the correction line
    const char* moveEnd;     // rule 3, its ending
    const char* widthUnit;   // rule 4, after the minimum width
    const char* widthP;      // rule 4, ending of the line on p
    const char* widthQ;      // rule 4, ending of the line on q
    const char* rowsQ;       // rule 5, ending of the second line
    bool containerRowsCheck; // rule 5 warns about an empty zone 090 (first pair only)
};

const Pair kPairD{81,
                  82,
                  94,
                  "Debe existir un espacio entre las zonas 81 y 82",
                  "\r\n",
                  "\r\n",
                  "se redefine 082 desde ",
                  "\r\n\r\n",
                  " columnas",
                  "\r\n",
                  "\r\n\r\n",
                  "\r\n\r\n",
                  true};
const Pair kPairE{83,
                  84,
                  94,
                  "Debe existir un espacio entre las zonas 83 y 84",
                  "\r\n",
                  "\r\n",
                  "se redefine la zona 084 desde ",
                  "\r\n\r\n",
                  " columnas",
                  " .\r\n",
                  " .\r\n\r\n",
                  " .\r\n\r\n",
                  false};
const Pair kPairF{85,
                  86,
                  95,
                  "Debe existir un espacio entre las zonas 85 y 86",
                  " .\r\n",
                  " .\r\n",
                  "se redefine 086 desde ",
                  " .\r\n\r\n",
                  " columnas.",
                  " .\r\n",
                  "\r\n\r\n",
                  " .\r\n\r\n",
                  false};

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString redefine(int zone, int left, int right)
{
    return QStringLiteral("se redefine ") + fmt3(zone) + QStringLiteral(" desde ") + num(left)
           + QStringLiteral(" hasta ") + num(right);
}

// Rules 2 and 5: the zone takes the rows of 090 (in the database only).
void rowsOf90(Run& run, int zone, const QString& ending, bool warnEmpty90)
{
    const ZoneLimits z = run.zone(zone);
    const ZoneLimits& z90 = run.zone(90);
    if (z.bot == z90.bot && z.top == z90.top)
        return;
    const qint16 top = z90.top;
    const qint16 bot = z90.bot;
    run.note({zone, 90});
    run.add(QStringLiteral("La zona ") + fmt3(zone) + QStringLiteral(" esta definida desde fila ") + num(z.top)
            + QStringLiteral(" hasta ") + num(z.bot) + kCrLf
            + QStringLiteral("se redefinirá dentro de la zona 90 desde ") + num(top) + QStringLiteral(" hasta ")
            + num(bot) + ending);
    run.correct(zone, [&](ZoneRow& row) {
        if (warnEmpty90 && (top == 0 || bot == 0) && run.session)
            run.session->op.message(QStringLiteral("Error Se esperaba zona 90 con valores diferentes a cero"));
        row.ZoneTop = top;
        row.ZoneBot = bot;
    });
}

void writeColumns(Run& run, int zone)
{
    const ZoneLimits z = run.zone(zone);
    run.correct(zone, [&](ZoneRow& row) {
        row.ZoneLeft = z.left;
        row.ZoneRight = z.right;
    });
}

// A pair of side-by-side zones laid out in the columns of zone k. These rules
// change the table first, so each one sees what the previous one did.
void pairGroup(Run& run, const Pair& g)
{
    ZoneLimits& p = run.zone(g.p);
    ZoneLimits& q = run.zone(g.q);
    const ZoneLimits& k = run.zone(g.k);

    if (k.left != p.left) {
        run.note({g.k, g.p});
        run.add(zoneFrom(g.k, k.left, k.right) + kCrLf + andZoneFrom(g.p, p.left, p.right) + kCrLf);
        const int wk = k.right - k.left;
        const int wp = p.right - p.left;
        p.left = k.left;
        p.right = static_cast<qint16>(wk > wp ? k.left + wp : (k.left + k.right) / 2);
        run.add(redefine(g.p, p.left, p.right) + QStringLiteral(" .") + kCrLf + kCrLf);
        writeColumns(run, g.p);
    }

    rowsOf90(run, g.p, QStringLiteral(" .") + kCrLf + kCrLf, false);

    if (q.left < p.right + 1 + q.horiFree) {
        run.note({g.p, g.q});
        run.add(text(g.space) + kCrLf + zoneFrom(g.p, p.left, p.right) + text(g.spaceP)
                + andZoneFrom(g.q, q.left, q.right) + text(g.spaceQ));
        q.left = static_cast<qint16>(p.right + 1 + q.horiFree);
        q.right = k.right;
        run.add(text(g.moveStart) + num(q.left) + QStringLiteral(" hasta ") + num(q.right) + text(g.moveEnd));
        writeColumns(run, g.q);
    }

    if (q.right - q.left + 1 < q.minWidth) {
        q.left = static_cast<qint16>(q.right + 1 - q.minWidth);
        p.right = static_cast<qint16>(q.left - 1 - q.horiFree);
        run.note({g.q, g.p});
        run.add(QStringLiteral("La zona ") + fmt3(g.q) + QStringLiteral(" debe tener ancho mínimo ") + num(q.minWidth)
                + text(g.widthUnit) + kCrLf);
        writeColumns(run, g.p);
        run.add(redefine(g.p, p.left, p.right) + text(g.widthP));
        writeColumns(run, g.q);
        run.add(redefine(g.q, q.left, q.right) + text(g.widthQ));
    }

    rowsOf90(run, g.q, text(g.rowsQ), g.containerRowsCheck);
}

// 081 and 082 with their blank column must fit in 094.
void pairFitsIn94(Run& run)
{
    const ZoneLimits& z81 = run.zone(81);
    const ZoneLimits& z82 = run.zone(82);
    const ZoneLimits& z94 = run.zone(94);
    if ((z82.right - z82.left) + (z81.right - z81.left) + 1 > z94.right - z94.left) {
        run.note({81, 82, 94});
        run.add(QStringLiteral("Las columnas de la zona 82  mas la 81 mas un espacio es mayor que las columnas de "
                               "la zona 94")
                + kCrLf + coordinates(run, 81) + coordinates(run, 82) + coordinates(run, 94));
        run.fail();
    }
}

} // namespace

void applyFixedZoneRules(Run& run)
{
    groupB(run);
    groupC(run);
    pairGroup(run, kPairD);
    pairGroup(run, kPairE);
    pairFitsIn94(run);
    pairGroup(run, kPairF);
}

void applyPositionRules(Run& run)
{
    auto z = [&run](int n) -> const ZoneLimits& { return run.zone(n); };
    auto rightSameRows = [&](int a, int b) {
        return z(a).top == z(b).top && z(a).bot == z(b).bot && z(a).left > z(b).right;
    };
    auto below = [&](int a, int b) { return z(a).top > z(b).bot; };
    auto rightOf = [&](int a, int b) { return z(a).left > z(b).right; };
    auto rule = [&run](bool holds, const char* text, std::initializer_list<int> zones) {
        if (holds)
            return;
        run.note(zones);
        run.add(QString::fromUtf8(text) + kCrLf + kCrLf);
        run.fail();
    };

    rule(rightSameRows(10, 22), "La zona 010 debe estar a la derecha\r\ny tener las mismas filas que la zona 022.",
         {10, 22});
    rule(rightSameRows(34, 24), "La zona 034 debe estar a la derecha\r\ny tener las mismas filas que la zona 024.",
         {34, 24});
    rule(below(24, 22), "La zona 024 debe estar abajo de la zona 022.", {24, 22});
    rule(rightSameRows(36, 26), "La zona 036 debe estar a la derecha\r\ny tener las mismas filas que la zona 026.",
         {36, 26});
    rule(below(26, 24), "La zona 026 debe estar abajo de la zona 024.", {26, 24});
    rule(rightSameRows(52, 42), "La zona 052 debe estar a la derecha\r\ny tener las mismas filas que la zona 042.",
         {52, 42});
    rule(below(42, 26), "La zona 042 debe estar abajo de la zona 026.", {42, 26});
    rule(rightSameRows(54, 44), "La zona 054 debe estar a la derecha\r\ny tener las mismas filas que la zona 044.",
         {54, 44});
    rule(below(44, 42), "La zona 044 debe estar abajo de la zona 042.", {44, 42});
    rule(rightSameRows(144, 142), "La zona 144 debe estar a la derecha\r\ny tener las mismas filas que la zona 142.",
         {144, 142});
    rule(below(60, 44), "Las zona 06x debe estar abajo de la zona 044.", {60, 44});
    rule(below(101, 91), "Las zona 101 debe estar abajo de la zona 091.", {101, 91});
    rule(below(111, 101), "Las zona 111 debe estar abajo de la zona 101.", {111, 101});
    rule(rightOf(64, 61) && rightOf(64, 62) && rightOf(64, 63),
         "Las zona 064 debe estar a la derecha de las zona 061 ,062 y 063.", {64, 61, 62, 63});
    rule(rightOf(65, 64), "Las zona 065 debe estar a la derecha de la zona 064.", {65, 64});
    rule(rightOf(66, 65), "Las zona 066 debe estar a la derecha de la zona 065.", {66, 65});
    rule(rightOf(92, 91), "Las zona 092 debe estar a la derecha de la zona 091.", {92, 91});
    rule(rightOf(93, 92), "Las zona 093 debe estar a la derecha de la zona 092.", {93, 92});
    rule(rightOf(94, 93), "Las zona 094 debe estar a la derecha de la zona 093.", {94, 93});
    rule(rightOf(95, 94), "Las zona 095 debe estar a la derecha de la zona 094.", {95, 94});
    rule(rightOf(97, 95), "Las zona 097 debe estar a la derecha de la zona 095.", {97, 95});
    rule(rightOf(102, 101), "Las zona 102 debe estar a la derecha de la zona 101.", {102, 101});
    rule(rightOf(112, 111), "Las zona 112 debe estar a la derecha de la zona 111.", {112, 111});
    rule(rightOf(144, 142), "Las zona 144 debe estar a la derecha de la zona 142.", {144, 142});
}

} // namespace brela::validation
