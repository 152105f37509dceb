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

// The predefined A4 form of the first model (it validates cleanly) opened
// into the working copy; each test bends a zone or two to fire one rule.
class ValidationTest : public ::testing::Test {
protected:
    void SetUp() override { reopen(); }

    void reopen(qint16 formId = 1)
    {
        ASSERT_TRUE(openStoredForm(*env.session, formId));
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
    ZoneRow zone(int n) { return FormRows(env.session->db, kWorkingCopy).zone(n).value(); }
    // "top,bot,left,right" of the working copy's row
    QString rect(int n)
    {
        const ZoneRow z = zone(n);
        return QStringLiteral("%1,%2,%3,%4").arg(z.ZoneTop).arg(z.ZoneBot).arg(z.ZoneLeft).arg(z.ZoneRight);
    }

    TestEnv env;
    ValidationState state;
    QString log;
    bool corrected = false;
    bool result = false;
};

} // namespace brela::test
