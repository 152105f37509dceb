// The printer behind the line: configuration, documents and saved state.
#include "wire.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using emu::Emulator;
using emu::Model;
using emu::Options;
using Fields = QList<QByteArray>;

namespace {

const QByteArray OK = "0600";
const QByteArray OPEN = "3600";         // document and fiscal document open
const QByteArray INVALID_FIELD = "8610";
const QByteArray INVALID_STATE = "B620";   // with a document open
const QByteArray DEL = "\x7F";

// Only the type, letter and pitch matter to the printer; the rest fills the 19 fields.
Fields opening(const QByteArray& type, const QByteArray& letter, const QByteArray& cpi = "12")
{
    return {type, "C", letter, "1", "F", cpi, "I", "F", "CLIENTE", DEL, "CUIT", "20123456786", "N", "DOMICILIO",
            DEL, DEL, DEL, DEL, "G"};
}

Fields item(const QByteArray& text)
{
    return {"DESCRIPCION ADICIONAL 1", "00001000", "000000001", "2100", "M", "1", "00000000", text, DEL, DEL, "1050"};
}

struct Printer {
    explicit Printer(Options options = {}) : emulator(std::move(options)), host{emulator} {}
    Emulator emulator;
    wire::Host host;

    QByteArray fiscal(int command, const Fields& fields) { return host.send(command, fields).fiscal(); }
    // The answer's fields after the first data field, from a read that must succeed.
    Fields read(int command, const Fields& fields)
    {
        const wire::Answer answer = host.send(command, fields);
        EXPECT_EQ(answer.fiscal(), OK) << command << " " << fields.join('|').constData();
        return answer.fields.mid(3);
    }
};

} // namespace

TEST(Configuration, WhatIsSentIsReadBack)
{
    Printer p;
    EXPECT_EQ(p.fiscal(90, {"P", "P", "S", "U", "96", "66"}), OK);
    EXPECT_EQ(p.fiscal(90, {"P", "P", "M", "U", "1", "2", "3", "4"}), OK);
    EXPECT_EQ(p.fiscal(90, {"P", "C", "Z", "U", "060", "5", "10", "80", "40"}), OK);
    EXPECT_EQ(p.fiscal(93, {"06", "Av. Rivadavia 1234 \xD1u\xF1oa"}), OK);
    EXPECT_EQ(p.read(91, {"P", "P", "S"}), (Fields{"96", "66"}));
    EXPECT_EQ(p.read(91, {"P", "P", "M"}), (Fields{"1", "2", "3", "4"}));
    EXPECT_EQ(p.read(91, {"P", "C", "Z", "060"}), (Fields{"5", "10", "80", "40"}));
    EXPECT_EQ(p.read(91, {"P", "C", "Z", "090"}), (Fields{"0", "0", "0", "0"}));
    EXPECT_EQ(p.read(94, {"6"}), Fields{"Av. Rivadavia 1234 \xD1u\xF1oa"});
    EXPECT_EQ(p.read(94, {"7"}), Fields{DEL});
    EXPECT_EQ(p.fiscal(93, {"06", DEL}), OK);
    EXPECT_EQ(p.read(94, {"6"}), Fields{DEL});

    // The subtotal offset may not reach past the 31 lines of the item area.
    EXPECT_EQ(p.fiscal(90, {"P", "C", "O", "901", "0", "32"}), INVALID_FIELD);
    EXPECT_EQ(p.fiscal(90, {"P", "C", "O", "901", "0", "31"}), OK);
    EXPECT_EQ(p.read(91, {"P", "C", "O", "901"}), (Fields{"0", "31"}));

    // An all-zero rectangle removes the zone again.
    EXPECT_EQ(p.fiscal(90, {"P", "C", "Z", "U", "060", "0", "0", "0", "0"}), OK);
    EXPECT_FALSE(p.emulator.printer().zone(60).has_value());
}

// Bad values and what only later models have are refused; a refusal changes nothing.
TEST(Configuration, EachModelRefusesWhatItDoesNotHave)
{
    Printer first(Options{Model::QM210});
    Printer later;
    const struct {
        int command;
        Fields fields;
        bool onFirst, onLater;
    } cases[] = {
        {90, {"P", "P", "R", "S", "U", "48", "60"}, true, true},
        {90, {"P", "L", "O", "N", "N", "12"}, false, true},
        {90, {"P", "T", "P", "S"}, false, true},
        {90, {"P", "C", "Z", "U", "070", "0", "20", "86", "55"}, false, true},   // the first model wants 060 first
        {94, {"66"}, false, true},
        {90, {"P", "P", "S", "U", "80"}, false, false},                           // height missing
        {90, {"P", "P", "S", "U", "80", "0"}, false, false},                      // empty sheet
        {90, {"P", "C", "Z", "U", "060", "7.5", "10", "80", "20"}, false, false},   // not a whole column
        {90, {"P", "C", "Z", "U", "060", "80", "10", "5", "20"}, false, false},     // left past right
        {90, {"P", "C", "Z", "U", "0600", "5", "10", "80", "20"}, false, false},    // no such zone
        {90, {"P", "X", "Y"}, false, false},
        {91, {"P", "C", "Z", "X"}, false, false},
        {93, {"0", "X"}, false, false},
        {93, {"200", "X"}, false, false},
        {42, {"Q"}, false, false},
    };
    for (const auto& c : cases) {
        const QByteArray shown = c.fields.join('|');
        EXPECT_EQ(first.fiscal(c.command, c.fields), c.onFirst ? OK : INVALID_FIELD) << shown.constData();
        EXPECT_EQ(later.fiscal(c.command, c.fields), c.onLater ? OK : INVALID_FIELD) << shown.constData();
    }
    EXPECT_EQ(later.emulator.printer().sheetWidth(), 0);
    EXPECT_FALSE(later.emulator.printer().zone(60).has_value());

    // On the first model zone 070 ends where zone 060 ends.
    EXPECT_EQ(first.fiscal(90, {"P", "C", "Z", "U", "060", "0", "20", "86", "40"}), OK);
    EXPECT_EQ(first.fiscal(90, {"P", "C", "Z", "U", "070", "0", "20", "86", "55"}), INVALID_FIELD);
    EXPECT_EQ(first.fiscal(90, {"P", "C", "Z", "U", "070", "0", "20", "86", "40"}), OK);
}

TEST(Documents, AnInvoiceFromOpeningToClose)
{
    Printer p;
    const wire::Answer opened = p.host.send(96, opening("F", "A"));
    EXPECT_EQ(opened.fiscal(), OPEN);
    EXPECT_EQ(opened.field(3), "00000001");
    // Nothing that changes the layout or prints something else; reading is allowed.
    EXPECT_EQ(p.fiscal(93, {"1", "X"}), INVALID_STATE);
    EXPECT_EQ(p.fiscal(57, {"X", "P"}), INVALID_STATE);
    EXPECT_EQ(p.fiscal(96, opening("F", "A")), INVALID_STATE);
    EXPECT_EQ(p.fiscal(91, {"P", "P", "S"}), OPEN);

    EXPECT_EQ(p.fiscal(98, item("PRODUCTO PRUEBA 1")), OPEN);
    EXPECT_EQ(p.fiscal(92, {"D", "P", "T", "T"}), OPEN);
    EXPECT_EQ(p.fiscal(98, item("PRODUCTO PRUEBA 2")), INVALID_STATE);   // page closed by the transport
    EXPECT_EQ(p.fiscal(92, {"D", "P", "T", "O"}), OPEN);
    EXPECT_EQ(p.fiscal(98, item("PRODUCTO PRUEBA 3")), OPEN);
    EXPECT_EQ(p.fiscal(100, {"CONTADO PRUEBA", "000000100", "T"}), OPEN);
    EXPECT_EQ(p.fiscal(101, {"F", "B", "FINAL"}), "B610");   // not the letter it was opened with

    const wire::Answer closed = p.host.send(101, {"F", "A", "FINAL"});
    EXPECT_EQ(closed.fiscal(), OK);
    EXPECT_EQ(closed.field(3), "00000001");
    EXPECT_EQ(p.host.send(96, opening("F", "A")).field(3), "00000002");
}

TEST(Documents, EachModelIssuesItsOwnKindsOfDocument)
{
    Printer first(Options{Model::QM210});
    EXPECT_EQ(first.fiscal(96, opening("N", "A")), INVALID_FIELD);
    EXPECT_EQ(first.fiscal(96, opening("F", "A", "17")), INVALID_FIELD);
    EXPECT_EQ(first.fiscal(96, opening("D", "C")), OPEN);

    Printer later;
    EXPECT_EQ(later.fiscal(96, opening("L", "A")), INVALID_FIELD);   // receipts only take X
    EXPECT_EQ(later.fiscal(96, opening("C", "X", "17")), "2600");      // a quotation is not fiscal
    EXPECT_EQ(later.fiscal(98, item("NO")), "A620");
    EXPECT_EQ(later.fiscal(73, {"Linea 1 de texto"}), "2600");
    EXPECT_EQ(later.fiscal(101, {"C", "X", "FINAL"}), OK);
    EXPECT_EQ(later.fiscal(73, {"Linea 2"}), "8620");                  // nothing open
}

TEST(Documents, ADailyCloseIsRequiredAfterTheConfiguredNumberOfDocuments)
{
    Options options;
    options.documentsBeforeClose = 2;
    Printer p(options);
    p.host.send(96, opening("F", "A"));
    p.host.send(100, {"CANCELA", "000000000", "C"});
    p.host.send(96, opening("F", "B"));
    EXPECT_EQ(p.fiscal(101, {"F", "B", "FINAL"}), "0E00");
    EXPECT_EQ(p.fiscal(96, opening("F", "A")), "8E20");
    EXPECT_EQ(p.fiscal(57, {"X", "P"}), "0E00");   // a report does not reset the day

    const wire::Answer z = p.host.send(57, {"Z", "P"});
    EXPECT_EQ(z.fiscal(), OK);
    EXPECT_EQ(z.fields.mid(2), (Fields{"0001", "2"}));
    EXPECT_EQ(p.host.send(96, opening("F", "A")).field(3), "00000002");
}

TEST(State, SurvivesARestartAndItsFailuresAreReported)
{
    QTemporaryDir dir;
    Options options;
    options.stateFile = dir.filePath("printer.json");
    {
        Printer p(options);
        p.host.send(90, {"P", "C", "Z", "U", "061", "1", "20", "9", "39"});
        p.host.send(93, {"2", "Resp. Inscripto \xD1"});
        p.host.send(96, opening("F", "C"));
    }
    options.faults.push_back(emu::Fault{emu::Fault::LowBattery});
    Printer restarted(options);
    QString error;
    ASSERT_TRUE(restarted.emulator.loadState(error)) << error.toStdString();
    EXPECT_EQ(restarted.host.send(91, {"P", "C", "Z", "061"}).fields.mid(3), (Fields{"1", "20", "9", "39"}));
    EXPECT_EQ(restarted.host.send(94, {"2"}).field(4), "Resp. Inscripto \xD1");
    const wire::Answer document = restarted.host.send(42, {"D"});
    EXPECT_EQ(document.fiscal(), "B604");   // still open, and the battery fault on top
    EXPECT_EQ(document.field(5), "00000001");

    QFile file(options.stateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{\"sheet\": [96");
    file.close();
    EXPECT_FALSE(Emulator(options).loadState(error));
    EXPECT_TRUE(error.startsWith("El estado guardado en")) << error.toStdString();

    options.stateFile = dir.filePath("none/printer.json");
    Printer fresh(options);
    EXPECT_TRUE(fresh.emulator.loadState(error));   // no file yet: a new printer
    fresh.host.send(42);
    EXPECT_TRUE(fresh.emulator.takeStateError().startsWith("No se pudo guardar el estado"));
}
