#pragma once

#include "store/library.h"
#include "store/rows.h"
#include "test_env.h"
#include "validation/validation.h"

#include <gtest/gtest.h>
#include <ostream>

// Readable failures: log texts with their line endings made visible.
inline void PrintTo(const QString& text, std::ostream* os)
{
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n\n"));
    *os << '"' << shown.toStdString() << '"';
}

namespace brela::test {

inline const QString kClosingBlock = QStringLiteral(
    "\r\n***********************************************************\r\n"
    " Hubo problemas de zonas, la aplicación no pudo\r\n"
    " corregir el diseño, es probable que no se pueda\r\n"
    " abrir comprobantes.\r\n"
    " Arregle las zonas afectadas o utilice alguno de \r\n"
    " los ejemplos para crear uno nuevo.         \r\n"
    "***********************************************************\r\n");

// A layout that validates cleanly, owned by the tests so that the expected
// texts do not move when the shipped forms are redrawn:
// zone, top, bottom, left, right, min height, min width, free space, visible.
inline constexpr int kCleanLayout[][9] = {
    {10, 10, 11, 57, 86, 1, 8, 1, 1},
    {22, 10, 11, 0, 52, 1, 8, 0, 1},
    {24, 12, 13, 0, 52, 1, 8, 0, 1},
    {26, 14, 14, 0, 52, 1, 8, 0, 1},
    {34, 12, 13, 57, 86, 1, 8, 1, 1},
    {36, 14, 14, 57, 86, 1, 8, 1, 1},
    {42, 15, 15, 0, 52, 1, 8, 0, 1},
    {44, 16, 17, 0, 52, 1, 8, 0, 1},
    {52, 15, 15, 57, 86, 1, 8, 1, 1},
    {54, 16, 17, 57, 86, 1, 8, 1, 1},
    {60, 19, 47, 0, 86, 3, 8, 0, 0},
    {61, 19, 47, 0, 6, 3, 6, 0, 1},
    {62, 19, 47, 8, 41, 3, 8, 1, 1},
    {63, 19, 47, 43, 53, 3, 8, 1, 1},
    {64, 19, 47, 55, 60, 3, 6, 1, 1},
    {65, 19, 47, 62, 72, 3, 8, 1, 1},
    {66, 19, 47, 74, 86, 3, 8, 1, 1},
    {70, 19, 47, 0, 86, 3, 8, 0, 0},
    {81, 49, 52, 37, 45, 1, 4, 0, 0},
    {82, 49, 52, 47, 55, 1, 6, 1, 0},
    {83, 49, 52, 37, 45, 1, 4, 0, 0},
    {84, 49, 52, 47, 55, 1, 6, 1, 0},
    {85, 49, 52, 57, 62, 1, 4, 0, 0},
    {86, 49, 52, 64, 69, 1, 6, 1, 0},
    {90, 49, 52, 0, 86, 1, 8, 0, 0},
    {91, 49, 52, 0, 11, 1, 8, 0, 1},
    {92, 49, 52, 13, 23, 1, 8, 1, 1},
    {93, 49, 52, 25, 35, 1, 8, 1, 1},
    {94, 49, 52, 37, 55, 1, 8, 1, 1},
    {95, 49, 52, 57, 69, 1, 8, 1, 1},
    {96, 49, 52, 71, 86, 1, 8, 1, 0},
    {97, 49, 52, 71, 86, 1, 8, 1, 1},
    {100, 53, 55, 0, 86, 1, 8, 0, 0},
    {101, 53, 55, 0, 52, 1, 8, 0, 1},
    {102, 53, 55, 57, 86, 1, 8, 1, 1},
    {110, 56, 61, 0, 86, 5, 8, 0, 0},
    {111, 56, 61, 0, 52, 5, 8, 0, 1},
    {112, 56, 61, 57, 86, 5, 8, 1, 1},
    {142, 62, 62, 0, 52, 1, 8, 0, 1},
    {144, 62, 62, 57, 86, 1, 8, 1, 1},
};

// One rule fired on the clean layout: zone changes (zone 0: a statement of
// its own, to add or remove rows), the exact findings, the rows the
// corrections wrote ("top,bot,left,right") and the boxes shown.
struct RuleCase {
    std::vector<std::pair<int, const char*>> changes;
    QString findings;
    std::vector<std::pair<int, const char*>> rows = {};
    QStringList boxes = {};
};

// The clean layout in the working copy; each test bends a zone or two to
// fire one rule.
class ValidationTest : public ::testing::Test {
protected:
    void SetUp() override { reopen(); }

    void reopen()
    {
        ASSERT_TRUE(openStoredForm(*env.session, 1));
        for (const auto& z : kCleanLayout)
            env.exec(QStringLiteral("UPDATE Zone SET ZoneTop=%2, ZoneBot=%3, ZoneLeft=%4, ZoneRight=%5, "
                                    "ZoneMinHeight=%6, ZoneMinWidth=%7, ZoneHoriFree=%8, ZoneVisible=%9 "
                                    "WHERE FormID=9999 AND ZoneID=%1")
                         .arg(z[0]).arg(z[1]).arg(z[2]).arg(z[3]).arg(z[4]).arg(z[5]).arg(z[6]).arg(z[7]).arg(z[8]));
        env.op.boxes.clear();
    }
    void set(int zone, const QString& assignments)
    {
        env.exec(QStringLiteral("UPDATE Zone SET %1 WHERE FormID=9999 AND ZoneID=%2").arg(assignments).arg(zone));
    }
    // Runs a validation on an empty log and returns what follows the header.
    QString findings()
    {
        log.clear();
        result = ValidaFormulario(*env.session, state, log, corrected);
        const qsizetype end = log.indexOf(QStringLiteral("\r\n\r\n"));
        return end < 0 ? log : log.mid(end + 4);
    }
    // "top,bot,left,right" of the working copy's row
    QString rect(int n)
    {
        const ZoneRow z = FormRows(env.session->db, kWorkingCopy).zone(n).value();
        return QStringLiteral("%1,%2,%3,%4").arg(z.ZoneTop).arg(z.ZoneBot).arg(z.ZoneLeft).arg(z.ZoneRight);
    }

    // A problem shows as the closing block, a correction as rows written.
    void check(const RuleCase& c, const QString& prefix = QString())
    {
        SCOPED_TRACE(c.findings.toStdString());
        reopen();
        for (const auto& [zone, change] : c.changes)
            zone ? set(zone, prefix + QString::fromUtf8(change)) : env.exec(QString::fromUtf8(change));
        EXPECT_EQ(findings(), c.findings);
        EXPECT_EQ(result, !c.findings.endsWith(kClosingBlock));
        EXPECT_EQ(corrected, !c.rows.empty());
        EXPECT_EQ(env.op.transcript(), c.boxes);
        for (const auto& [zone, row] : c.rows)
            EXPECT_EQ(rect(zone), QString::fromLatin1(row)) << zone;
    }

    TestEnv env;
    ValidationState state;
    QString log;
    bool corrected = false;
    bool result = false;
};

} // namespace brela::test
