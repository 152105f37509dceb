#include "wire.h"

#include <gtest/gtest.h>

using emu::Emulator;
using emu::Model;
using emu::Options;

namespace {

const QByteArray OK = "0600";
const QByteArray OPEN = "3600";         // document and fiscal document open
const QByteArray INVALID_FIELD = "8610";
const QByteArray DEL = "\x7F";

QList<QByteArray> opening(const QByteArray& type, const QByteArray& letter, const QByteArray& cpi = "12")
{
    return {type, "C", letter, "1", "F", cpi, letter == "C" ? "R" : "I", letter == "A" ? "I" : "F",
            "CLIENTE DE PRUEBA", DEL, letter == "A" ? "CUIT" : "CUIL", "20123456786", "N",
            "  RIVADAVIA 123410", DEL, DEL, "  REMITO Nro. 2345", DEL, "G"};
}

QList<QByteArray> item(const QByteArray& text)
{
    return {"DESCRIPCION ADICIONAL 1", "00001000", "000000001", "2100", "M", "1", "00000000", text, DEL, DEL, "1050"};
}

struct Printer {
    explicit Printer(Options options = {}) : emulator(std::move(options)), host{emulator} {}
    Emulator emulator;
    wire::Host host;

    QByteArray fiscal(int command, const QList<QByteArray>& fields) { return host.send(command, fields).fiscal(); }
};

} // namespace

TEST(Documents, AnInvoiceFromOpeningToClose)
{
    Printer p;
    const wire::Answer opened = p.host.send(96, opening("F", "A"));
    EXPECT_EQ(opened.fiscal(), OPEN);
    EXPECT_EQ(opened.field(3), "00000001");
    EXPECT_EQ(p.host.send(42, {"D"}).field(3), "F");

    EXPECT_EQ(p.fiscal(98, item("PRODUCTO PRUEBA 1")), OPEN);
    EXPECT_EQ(p.fiscal(92, {"D", "P", "T", "T"}), OPEN);
    EXPECT_EQ(p.fiscal(98, item("PRODUCTO PRUEBA 2")), "B620");   // page closed by the transport
    EXPECT_EQ(p.fiscal(92, {"D", "P", "T", "O"}), OPEN);
    EXPECT_EQ(p.fiscal(98, item("PRODUCTO PRUEBA 3")), OPEN);
    EXPECT_EQ(p.fiscal(100, {"CONTADO PRUEBA", "000000100", "T"}), OPEN);
    EXPECT_EQ(p.fiscal(101, {"F", "B", "FINAL"}), "B610");          // not the letter it was opened with

    const wire::Answer closed = p.host.send(101, {"F", "A", "FINAL"});
    EXPECT_EQ(closed.fiscal(), OK);
    EXPECT_EQ(closed.field(3), "00000001");
    EXPECT_EQ(p.host.send(42, {"D"}).field(3), "0");
    EXPECT_EQ(p.host.send(96, opening("F", "A")).field(3), "00000002");
}

TEST(Documents, AnOpenDocumentBlocksConfigurationAndCloses)
{
    Printer p;
    p.host.send(96, opening("D", "B"));
    EXPECT_EQ(p.fiscal(90, {"P", "P", "S", "U", "96", "66"}), "B620");
    EXPECT_EQ(p.fiscal(93, {"1", "X"}), "B620");
    EXPECT_EQ(p.fiscal(57, {"X", "P"}), "B620");
    EXPECT_EQ(p.fiscal(96, opening("F", "A")), "B620");
    // Reading is always allowed.
    EXPECT_EQ(p.fiscal(91, {"P", "P", "S"}), OPEN);
    EXPECT_EQ(p.fiscal(100, {"CANCELA", "000000000", "C"}), OK);
    EXPECT_EQ(p.fiscal(90, {"P", "P", "S", "U", "96", "66"}), OK);
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

TEST(Documents, DocumentsLeftOpenAreEndedByTheirOwnCommand)
{
    struct Case {
        char type;
        int command;
        QList<QByteArray> fields;
    };
    const QList<QByteArray> cancel{"CANCELA", "000000000", "C"};
    for (const Case& c : {Case{'F', 100, cancel}, Case{'T', 68, cancel}, Case{'O', 74, {"T"}},
                          Case{'H', 74, {"T"}}, Case{'E', 100, cancel}}) {
        emu::Fault fault{emu::Fault::DocumentOpen};
        fault.document = c.type;
        Printer p(Options{Model::QM540, {fault}});
        EXPECT_EQ(p.host.send(42, {"D"}).field(3), QByteArray(1, c.type));
        // The other commands do not fit this document.
        for (int other : {68, 74, 100}) {
            if (other != c.command)
                EXPECT_EQ(p.host.send(other, other == 74 ? QList<QByteArray>{"T"} : cancel).fiscal().at(2), '2')
                    << c.type << " " << other;
        }
        EXPECT_EQ(p.fiscal(c.command, c.fields), OK) << c.type;
    }
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
    EXPECT_EQ(z.field(3), "0001");
    EXPECT_EQ(z.field(4), "2");
    EXPECT_EQ(p.host.send(42, {"T"}).fields.mid(2), (QList<QByteArray>{"0", "0001", "0001"}));
    EXPECT_EQ(p.host.send(96, opening("F", "A")).field(3), "00000002");
}
