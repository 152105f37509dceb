#pragma once

#include "common/cp1252.h"
#include "script/generator.h"
#include "script/script_format.h"
#include "store/library.h"
#include "store/rows.h"
#include "test_env.h"

#include <QFile>
#include <gtest/gtest.h>
#include <ostream>

// Readable texts in failure messages. Every test file of this folder includes
// this header, so that all of them print texts the same way.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << "{ ";
    for (const QString& text : list)
        *os << '"' << text.toStdString() << "\" ";
    *os << '}';
}

namespace brela::test {

// A test folder with one stored form open in the working copy, ready to generate.
class ScriptFixture : public ::testing::Test {
protected:
    FormRows work() { return FormRows(env.session->db, kWorkingCopy); }

    // Opens stored form `id` and sets the units from its CPI, as the sheet view does.
    void open(qint16 id)
    {
        ASSERT_TRUE(openStoredForm(*env.session, id));
        useFormCpi();
    }

    void useFormCpi()
    {
        env.session->units.CPIActual = work().form()->FormCPI;
        CalculaEscala(env.session->units, false);
    }

    // Changes the working copy's sheet and model, then the units.
    void setSheet(double width, double height, qint16 cpi, const QString& model, double left = 0, double top = 0)
    {
        FormRow form = *work().form();
        form.FormWidth = width;
        form.FormHeight = height;
        form.FormCPI = cpi;
        form.FormPrModel = model;
        form.FormMarLeft = left;
        form.FormMarTop = top;
        work().update(form);
        useFormCpi();
    }

    void setZone(int zoneId, int left, int top, int right, int bottom)
    {
        ZoneRow zone = *work().zone(zoneId);
        zone.ZoneLeft = left;
        zone.ZoneTop = top;
        zone.ZoneRight = right;
        zone.ZoneBot = bottom;
        work().update(zone);
    }

    bool generate(const QString& validation = QString(), bool quiet = true)
    {
        file = QString();
        return GeneraConfig(*env.session, validation, file, quiet);
    }

    QByteArray bytes() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QStringList lines() const { return scriptLines(bytes()); }

    // The line right after the first line equal to `line` (the command under a comment).
    QString after(const QString& line) const
    {
        const QStringList all = lines();
        const qsizetype at = all.indexOf(line);
        return at < 0 || at + 1 >= all.size() ? QStringLiteral("<no está: %1>").arg(line) : all[at + 1];
    }

    // The lines that carry a command, as the sender would see them.
    QStringList commands() const
    {
        QStringList found;
        for (const QString& line : lines())
            if (classifyLine(line) != Keyword::None)
                found << trimSpaces(line);
        return found;
    }

    QStringList commandsStartingWith(const QString& prefix) const
    {
        QStringList found;
        for (const QString& line : commands())
            if (line.startsWith(prefix))
                found << line;
        return found;
    }

    TestEnv env;
    QString file;
};

} // namespace brela::test
