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

// Readable texts in failure messages, the same in every file of this folder.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    PrintTo(list.join(QStringLiteral("\" \"")), os);
}

namespace brela::test {

// A test folder with one stored form open in the working copy, ready to generate.
class ScriptFixture : public ::testing::Test {
protected:
    void open(qint16 id) { ASSERT_TRUE(openStoredForm(*env.session, id)); }

    void setSheet(double width, double height, int cpi, const QString& model, double left = 0, double top = 0)
    {
        env.exec(QStringLiteral("UPDATE Forms SET FormWidth=%1, FormHeight=%2, FormCPI=%3, FormPrModel='%4', "
                                "FormMarLeft=%5, FormMarTop=%6 WHERE FormID=9999")
                     .arg(width)
                     .arg(height)
                     .arg(cpi)
                     .arg(model)
                     .arg(left)
                     .arg(top));
    }

    void setZone(int zoneId, int left, int top, int right, int bottom)
    {
        env.exec(QStringLiteral("UPDATE Zone SET ZoneLeft=%1, ZoneTop=%2, ZoneRight=%3, ZoneBot=%4 "
                                "WHERE FormID=9999 AND ZoneID=%5")
                     .arg(left)
                     .arg(top)
                     .arg(right)
                     .arg(bottom)
                     .arg(zoneId));
    }

    bool generate(const QString& validation = QString(), bool quiet = true, const QString& name = QString())
    {
        file = name;
        return GeneraConfig(*env.session, validation, file, quiet);
    }

    QByteArray bytes() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QStringList lines() const { return scriptLines(bytes()); }

    // The command lines starting with `prefix`, as the sender would read them.
    QStringList commandsStartingWith(const QString& prefix) const
    {
        QStringList found;
        for (const QString& line : lines())
            if (classifyLine(line) != Keyword::None && trimSpaces(line).startsWith(prefix))
                found << trimSpaces(line);
        return found;
    }

    TestEnv env;
    QString file;
};

} // namespace brela::test
