// The emulated printer as the host's tests cannot see it: its bytes on the
// line, what it puts on paper and the state it saves. How each of its faults
// looks to the host, and whether the command was carried out, is run through
// the link's tests; where an invoice's texts land in its zones is run by
// tests/e2e/cli_print_test.sh, and starting from saved state by
// tests/e2e/emulator_pty.sh.
#include "emulator.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using emu::Emulator;
using emu::Options;

namespace {

// The host's half of the wire, written independently of the emulator so
// that the tests check its bytes rather than echo them.

QByteArray checksum(const QByteArray& stxToEtx)
{
    unsigned sum = 0;
    for (char c : stxToEtx)
        sum += static_cast<unsigned char>(c);
    return QByteArray::number(sum % 65536, 16).toUpper().rightJustified(4, '0');
}

// Requests and answers share this layout: STX, sequence, command, fields, ETX, checksum.
QByteArray frame(int sequence, int command, const QList<QByteArray>& fields)
{
    QByteArray packet("\x02");
    packet += static_cast<char>(sequence);
    packet += static_cast<char>(command);
    for (const QByteArray& field : fields)
        packet += '\x1C' + field;
    packet += '\x03';
    return packet + checksum(packet);
}

// One answer frame. Field n counts as the host reads it: 1 is the printer
// status, 2 the fiscal status, 3 the first data field.
struct Answer {
    QList<QByteArray> fields;

    QByteArray field(int n) const { return n >= 1 && n <= fields.size() ? fields[n - 1] : "<none>"; }
    QByteArray fiscal() const { return field(2); }
};

// `bytes` must hold exactly one frame whose checksum is right.
Answer parse(const QByteArray& bytes)
{
    Answer answer;
    const qsizetype etx = bytes.indexOf('\x03');
    if (bytes.size() < 8 || bytes[0] != '\x02' || etx < 3 || bytes.size() != etx + 5
        || bytes.mid(etx + 1) != checksum(bytes.left(etx + 1)))
        return answer;
    const QByteArray data = bytes.mid(3, etx - 3);
    if (!data.isEmpty() && data[0] == '\x1C')
        answer.fields = data.mid(1).split('\x1C');
    return answer;
}

using Fields = QList<QByteArray>;
const QByteArray DEL = "\x7F";

// A document opening: only the type, letter and pitch matter to the printer,
// the rest fills its 19 fields.
Fields opening(const QByteArray& type, const QByteArray& letter)
{
    return {type,          "C", letter,           "1", "F", "12",          "I", "I", "CLIENTE DE PRUEBA", DEL, "CUIT",
            "20123456786", "N", "RIVADAVIA 1234", DEL, DEL, "REMITO 2345", DEL, "G"};
}

// Sends commands with fresh sequence numbers and waits out any DC2.
struct Host {
    Emulator& emulator;
    double now = 100;
    int sequence = 40;

    Answer send(int command, const QList<QByteArray>& fields = {})
    {
        sequence = sequence >= 127 ? 32 : sequence + 1;
        QByteArray out = emulator.receive(frame(sequence, command, fields), now);
        while (emulator.nextEventAt() >= 0) {
            now = emulator.nextEventAt();
            out += emulator.poll(now);
        }
        return parse(out.replace('\x12', QByteArray()));
    }
};

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
    {"P", "C", "Z", "U", "142", "0", "15", "30", "15"},
    {"P", "C", "Z", "U", "144", "36", "15", "47", "15"},
};

// The pages of a print file: the title, then the rows inside the frame.
QList<QStringList> pages(const QString& printed)
{
    QList<QStringList> found;
    for (const QString& line : printed.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("====")))
            found.append(QStringList{line});
        else if (!found.isEmpty() && line.startsWith(QLatin1Char('|')))
            found.last() << line;
    }
    return found;
}

// The 48 columns of row `n` of a page.
std::string row(const QStringList& page, int n)
{
    return page.value(1 + n).mid(1, 48).toStdString();
}

} // namespace

// An X close: DC2 at once and after a second, then the answer.
TEST(Framing, TheWorkedChecksumExampleGetsExactlyTheseBytes)
{
    Emulator emulator{Options{}};
    const QByteArray close("\x02!9\x1CX\x1CP\x03"
                           "013F");
    ASSERT_EQ(close, frame(33, 57, {"X", "P"}));
    EXPECT_EQ(emulator.receive(close, 0), QByteArray("\x12"));
    EXPECT_EQ(emulator.poll(2), QByteArray("\x12\x02!9\x1C"
                                           "0080\x1C"
                                           "0600\x1C"
                                           "0001\x1C"
                                           "0\x03"
                                           "034E"));
}

TEST(Printed, DocumentsLandInsideTheirZonesAndReportsFollow)
{
    QTemporaryDir dir;
    Options options;
    options.printFile = dir.filePath(QStringLiteral("impreso.txt"));
    Emulator emulator(options);
    Host host{emulator};
    for (const Fields& fields : kLayout)
        ASSERT_EQ(host.send(90, fields).fiscal(), "0600") << fields.join('|').constData();
    for (const Fields& fields : {Fields{"01", "Gracias por su compra"}, Fields{"02", DEL}, Fields{"03", "ORIGINAL"}})
        ASSERT_EQ(host.send(93, fields).fiscal(), "0600") << fields.join('|').constData();
    // An "A" invoice carried over two sheets, then a cancelled one, a "B" debit note and X, Z, X.
    const QList<std::pair<int, Fields>> commands = {
        {96, opening("F", "A")},
        {98, item("DESCRIPCION ADICIONAL 1", "PRODUCTO PRUEBA 1", "000012345")},
        {92, {"D", "P", "T", "T"}},
        {92, {"D", "P", "T", "O"}},
        {98, item("PRODUCTO PRUEBA 2", DEL, "000000050")},
        {100, {"CONTADO PRUEBA", "000030000", "T"}},
        {101, {"F", "A", "FINAL"}},
        {96, opening("F", "B")},
        {98, item("", "PRODUCTO", "000000100")},
        {100, {"CANCELA PRUEBA", "0000000", "C"}},
        {96, opening("D", "B")},
        {98, item("", "PRODUCTO", "000000121")},
        {101, {"D", "B", "FINAL"}},
        {57, {"X", "P"}},
        {57, {"Z", "P"}},
        {57, {"X", "P"}},
    };
    for (const auto& [command, fields] : commands)
        EXPECT_LT(host.send(command, fields).fiscal().at(0), '8') << command; // no refusal
    QFile file(options.printFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QStringList> printed = pages(QString::fromUtf8(file.readAll()));
    ASSERT_EQ(printed.size(), 7);

    EXPECT_EQ(printed[0][0].toStdString(), "==== FACTURA A Nro. 00000001 - 12 CPI - hoja 1 de 2 ====");
    // Quantity, description clipped to its zone, price and amount; the carried
    // subtotal at the foot of the first sheet and the head of the second.
    EXPECT_EQ(row(printed[0], 5), "2,000 PRODUCTO PRUEBA 1   123,45          246,90");
    EXPECT_EQ(row(printed[0], 9), "      TRANSPORTE                          246,90");
    EXPECT_EQ(row(printed[0], 11), std::string(48, ' ')); // totals only on the last sheet
    EXPECT_EQ(row(printed[1], 4), "      TRANSPORTE                          246,90");
    // "A" prices leave the tax out: subtotal, tax and total; then the payment.
    EXPECT_EQ(row(printed[1], 11), "    247,90       52,06                    299,96");
    EXPECT_EQ(row(printed[1], 13), "CONTADO PRUEBA                            300,00");

    // The trailer and the copy legend on every sheet, in their zones; the empty line takes no row.
    const std::string legends = "Gracias por su compra" + std::string(15, ' ') + "ORIGINAL    ";
    for (int page : {0, 1, 2, 3})
        EXPECT_EQ(row(printed[page], 15), legends) << page;

    EXPECT_TRUE(printed[2][0].endsWith(QStringLiteral("hoja 1 de 1 - CANCELADO ====")));
    EXPECT_EQ(row(printed[2], 11), std::string(48, ' ')); // no totals
    // "B" prices carry the tax inside: 2 x 1,21 is 2,42 of which 0,42 is tax.
    EXPECT_EQ(row(printed[3], 11), "      2,42        0,42                      2,42");

    // X shows the day so far (the cancelled invoice counts, its amount does not), Z clears it.
    const auto report = [](const QStringList& page) { return page.join(QLatin1Char('\n')); };
    EXPECT_TRUE(report(printed[4]).contains(QStringLiteral("|Comprobantes emitidos:                         3|")));
    EXPECT_TRUE(report(printed[4]).contains(QStringLiteral("|Ventas:                                   302,38|")));
    EXPECT_EQ(printed[5][0].toStdString(), "==== CIERRE Z Nro. 0001 ====");
    EXPECT_TRUE(report(printed[6]).contains(QStringLiteral("|Ventas:                                     0,00|")));
}

TEST(State, SurvivesARestartAndItsFailuresAreReported)
{
    QTemporaryDir dir;
    Options options;
    options.stateFile = dir.filePath("printer.json");
    {
        Emulator emulator(options);
        Host host{emulator};
        host.send(93, {"2", "Resp. Inscripto \xD1"});
        host.send(96, opening("F", "C"));
    }
    options.faults.push_back(emu::Fault{emu::Fault::LowBattery});
    Emulator restarted(options);
    Host host{restarted};
    QString error;
    ASSERT_TRUE(restarted.loadState(error)) << error.toStdString();
    EXPECT_EQ(host.send(94, {"2"}).field(4), "Resp. Inscripto \xD1");
    const Answer document = host.send(42, {"D"});
    EXPECT_EQ(document.fiscal(), "B604"); // still open, and the battery fault on top
    EXPECT_EQ(document.field(5), "00000001");

    QFile file(options.stateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{\"sheet\": [96");
    file.close();
    EXPECT_FALSE(Emulator(options).loadState(error));
    EXPECT_TRUE(error.startsWith("El estado guardado en")) << error.toStdString();

    options.stateFile = dir.filePath("none/printer.json");
    Emulator fresh(options);
    EXPECT_TRUE(fresh.loadState(error)); // no file yet: a new printer
    Host{fresh}.send(42);
    EXPECT_TRUE(fresh.takeStateError().startsWith("No se pudo guardar el estado"));
}
