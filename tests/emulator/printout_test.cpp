// What the emulated printer puts on paper, appended to its print file. Where
// an invoice's texts land in its zones is run by tests/e2e/cli_print_test.sh;
// here are what it does not print: sheets carried over, a cancelled document,
// the two ways of showing tax, and the X and Z reports.
#include "wire.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using wire::DEL;
using wire::Fields;
using wire::opening;

namespace {

// Two of an item at `price`, with 21 % tax.
Fields item(const QByteArray& extra, const QByteArray& description, const QByteArray& price)
{
    return {extra, "00002000", price, "2100", "M", "1", "00000000", description, DEL, DEL, "1050"};
}

// A sheet 48 columns by 16 lines: items, totals, payments.
const QList<Fields> kLayout = {
    {"P", "P", "S", "U", "48", "16"},
    {"P", "C", "Z", "U", "060", "0", "4", "47", "9"},
    {"P", "C", "Z", "U", "061", "0", "4", "4", "9"},
    {"P", "C", "Z", "U", "062", "6", "4", "22", "9"},
    {"P", "C", "Z", "U", "063", "24", "4", "31", "9"},
    {"P", "C", "Z", "U", "065", "38", "4", "47", "9"},
    {"P", "C", "Z", "U", "070", "0", "4", "47", "9"},
    {"P", "C", "Z", "U", "091", "0", "11", "9", "12"},
    {"P", "C", "Z", "U", "094", "12", "11", "21", "12"},
    {"P", "C", "Z", "U", "097", "38", "11", "47", "12"},
    {"P", "C", "Z", "U", "101", "0", "13", "22", "14"},
    {"P", "C", "Z", "U", "102", "38", "13", "47", "14"},
};

// The pages of a print file: each a title and the rows inside its frame.
struct Page {
    QString title;
    QStringList rows;
    std::string at(int row, int column, int length) const
    {
        return rows.value(row).mid(1 + column, length).toStdString();
    }
};

QList<Page> pages(const QString& printed)
{
    QList<Page> found;
    const QStringList lines = printed.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith(QStringLiteral("====")))
            continue;
        Page page{lines[i], {}};
        for (int j = i + 2; j < lines.size() && lines[j].startsWith(QLatin1Char('|')); ++j)
            page.rows << lines[j];
        found << page;
    }
    return found;
}

TEST(Printed, DocumentsLandInsideTheirZonesAndReportsFollow)
{
    QTemporaryDir dir;
    emu::Options options;
    options.printFile = dir.filePath(QStringLiteral("impreso.txt"));
    emu::Emulator emulator(options);
    wire::Host host{emulator};
    for (const Fields& fields : kLayout)
        ASSERT_EQ(host.send(90, fields).fiscal(), "0600") << fields.join('|').constData();
    // An "A" invoice carried over two sheets, then a cancelled one, a "B" debit note and X, Z, X.
    const QList<std::pair<int, Fields>> commands = {
        {96, opening("F", "A")}, {98, item("DESCRIPCION ADICIONAL 1", "PRODUCTO PRUEBA 1", "000012345")},
        {92, {"D", "P", "T", "T"}}, {92, {"D", "P", "T", "O"}}, {98, item("PRODUCTO PRUEBA 2", DEL, "000000050")},
        {100, {"CONTADO PRUEBA", "000030000", "T"}}, {101, {"F", "A", "FINAL"}},
        {96, opening("F", "B")}, {98, item("", "PRODUCTO", "000000100")}, {100, {"CANCELA PRUEBA", "0000000", "C"}},
        {96, opening("D", "B")}, {98, item("", "PRODUCTO", "000000121")}, {101, {"D", "B", "FINAL"}},
        {57, {"X", "P"}}, {57, {"Z", "P"}}, {57, {"X", "P"}},
    };
    for (const auto& [command, fields] : commands)
        EXPECT_LT(host.send(command, fields).fiscal().at(0), '8') << command;   // no refusal
    QFile file(options.printFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<Page> printed = pages(QString::fromUtf8(file.readAll()));
    ASSERT_EQ(printed.size(), 7);

    EXPECT_EQ(printed[0].title.toStdString(), "==== FACTURA A Nro. 00000001 - 12 CPI - hoja 1 de 2 ====");
    // Quantity, description clipped to its zone, price and amount; the carried
    // subtotal at the foot of the first sheet and the head of the second.
    EXPECT_EQ(printed[0].at(5, 0, 48), "2,000 PRODUCTO PRUEBA 1   123,45          246,90");
    EXPECT_EQ(printed[0].at(9, 0, 48), "      TRANSPORTE                          246,90");
    EXPECT_EQ(printed[0].at(11, 0, 48), std::string(48, ' '));   // totals only on the last sheet
    EXPECT_EQ(printed[1].at(4, 0, 48), "      TRANSPORTE                          246,90");
    // "A" prices leave the tax out: subtotal, tax and total; then the payment.
    EXPECT_EQ(printed[1].at(11, 0, 48), "    247,90       52,06                    299,96");
    EXPECT_EQ(printed[1].at(13, 0, 48), "CONTADO PRUEBA                            300,00");

    EXPECT_TRUE(printed[2].title.endsWith(QStringLiteral("hoja 1 de 1 - CANCELADO ====")));
    EXPECT_EQ(printed[2].at(11, 0, 48), std::string(48, ' '));
    // "B" prices carry the tax inside: 2 x 1,21 is 2,42 of which 0,42 is tax.
    EXPECT_EQ(printed[3].at(11, 0, 48), "      2,42        0,42                      2,42");

    // X shows the day so far (the cancelled invoice counts, its amount does not), Z clears it.
    const auto report = [](const Page& page) { return page.rows.join(QLatin1Char('\n')); };
    EXPECT_TRUE(report(printed[4]).contains(QStringLiteral("|Comprobantes emitidos:                         3|")));
    EXPECT_TRUE(report(printed[4]).contains(QStringLiteral("|Ventas:                                   302,38|")));
    EXPECT_EQ(printed[5].title.toStdString(), "==== CIERRE Z Nro. 0001 ====");
    EXPECT_TRUE(report(printed[6]).contains(QStringLiteral("|Ventas:                                     0,00|")));
}

} // namespace
