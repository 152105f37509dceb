#include "printer_fixture.h"

namespace brela::test {
namespace {

using Commands = LinkFixture;

QList<QByteArray> status(const char* fiscal, QList<QByteArray> rest = {})
{
    return QList<QByteArray>{"0080", fiscal} + rest;
}

TEST_F(Commands, OpenDocumentSendsNineteenFieldsAndFixesAnUnknownPitch)
{
    answerWith(status("3000"));
    qint16 cpi = 15;
    ASSERT_TRUE(PFAbreComprobante(link, QStringLiteral("F"), QStringLiteral("B"), cpi));
    EXPECT_EQ(cpi, 12);
    const QByteArray del("\x7f");
    EXPECT_EQ(received.at(0).command, 96);
    EXPECT_EQ(received.at(0).fields,
              QList<QByteArray>({"F", "C", "B", "1", "F", "12", "I", "F", "CLIENTE DE PRUEBA", del, "CUIL", "20123456786",
                                 "N", "  RIVADAVIA 123410", del, del, "  REMITO Nro. 2345", del, "G"}));
}

TEST_F(Commands, PaymentAmountInHundredthsAndUnknownTransportOption)
{
    answerWith(status("0000"));
    ASSERT_TRUE(PFPagoComprobante(link, QString(), 0));
    ASSERT_TRUE(PFPagoComprobante(link, QStringLiteral("CONTADO PRUEBA"), 0.125));
    EXPECT_EQ(received[0].fields, QList<QByteArray>({"", "000000000", "T"}));
    EXPECT_EQ(received[1].fields.at(1), "000000012");   // 12.5, half to even

    EXPECT_FALSE(PFTransporte(link, QStringLiteral("open")));
    EXPECT_EQ(received.size(), 2u);
    EXPECT_EQ(env.op.texts(), QStringList{QStringLiteral("Opcion 'open' no contemplada en Transporte")});
}

TEST_F(Commands, ModelProbeReadsFieldTen)
{
    const auto withModel = [](const QByteArray& model) {
        return status("0000", {"a", "b", "c", "d", "e", "f", "g", model});
    };
    answerWith(withModel("5"));
    EXPECT_TRUE(PFEsModeloQM210(link));
    EXPECT_EQ(received.back().fields, QList<QByteArray>{"N"});
    answerWith(withModel(""));
    EXPECT_TRUE(PFEsModeloQM210(link));
    answerWith(withModel("P"));
    EXPECT_FALSE(PFEsModeloQM210(link));
    answerWith(status("0000", {"a", "b"}));
    EXPECT_FALSE(PFEsModeloQM210(link));
    EXPECT_EQ(link.PFRespuesta[10], pf::kFieldMissing);
}

TEST_F(Commands, FormCheckThresholds)
{
    const auto formWidth = [this](const QByteArray& width, const char* fiscal = "0000") {
        answerWith(status(fiscal, {"66", width}));
        return PFVerificaFormulario(link, 12);
    };
    EXPECT_TRUE(formWidth("96"));    // 8.0
    EXPECT_FALSE(formWidth("100"));  // 8.33
    EXPECT_TRUE(formWidth("72"));    // 6.0
    EXPECT_FALSE(formWidth("70"));   // 5.83
    EXPECT_EQ(received.back().command, 91);
    EXPECT_EQ(received.back().fields, QList<QByteArray>({"P", "P", "S"}));
    EXPECT_TRUE(env.op.boxes.empty());

    EXPECT_TRUE(formWidth("0"));
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] ATENCION: El impresor fiscal no tiene configurado el formulario")});
    // A refused query lets the caller go on; a failed exchange does not.
    EXPECT_TRUE(formWidth("100", "0010"));
    line.onWrite = [](const QByteArray&, double) { return QByteArray(); };
    EXPECT_FALSE(PFVerificaFormulario(link, 12));
}

// A printer whose fiscal word follows what the corrective command did.
struct Sync : LinkFixture {
    void printerWith(unsigned fiscal, const QByteArray& type, bool clearable = true)
    {
        word = fiscal;
        reply = [this, type, clearable](const Received& r) {
            if (r.command != 42 && clearable)
                word = 0;
            const QByteArray hex = QByteArray::number(word, 16).rightJustified(4, '0').toUpper();
            return QList<QByteArray>{"0080", hex, type};
        };
        installPrinter();
    }
    unsigned word = 0;
};

TEST_F(Sync, CancelsOrClosesWhatIsLeftOpen)
{
    struct Case {
        unsigned fiscal;
        QByteArray type;
        int command;
        QList<QByteArray> fields;
    };
    const QList<QByteArray> cancel{"CANCELA", "000000000", "C"};
    const Case cases[] = {
        {0x3000, "F", 100, cancel},
        {0x3000, "T", 68, cancel},
        {0x2000, "O", 74, {"T"}},
        {0x2000, "?", 68, cancel},   // unknown type with a non-zero word reads as a ticket
        {0x0800, "F", 57, {"Z", "P"}},
    };
    for (const Case& c : cases) {
        received.clear();
        printerWith(c.fiscal, c.type);
        EXPECT_TRUE(PFI_Sincronizar(link)) << c.type.constData();
        ASSERT_EQ(received.size(), 3u);
        EXPECT_EQ(received[0].fields, QList<QByteArray>{"D"});
        EXPECT_EQ(received[1].command, c.command) << c.type.constData();
        EXPECT_EQ(received[1].fields, c.fields);
        EXPECT_TRUE(received[2].fields.isEmpty());   // the final "T" request
    }
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(Sync, NothingOpenSendsNothingButTheTwoRequests)
{
    printerWith(0x0600, "F");
    EXPECT_TRUE(PFI_Sincronizar(link));
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(Sync, FiscalDocumentBitAloneCannotBeClearedAndIsReported)
{
    printerWith(0x1000, "F", false);
    EXPECT_FALSE(PFI_Sincronizar(link));
    EXPECT_EQ(received.size(), 2u);
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[none] Función PFI_Sincronizar: "
                                         "Si se llego a este sitio, es porque no se pueden\r"
                                         "cancelar los comprobantes en esta impresora.\r\r"
                                         "PFI_Sincronizar forzará un cierre de comprobante\r"
                                         "    ESTA ES UNA SITUACION ANORMAL \r\r"
                                         "Puede existir un problema de funcionamiento en \r"
                                         "la Impresora Fiscal o ser un problema de Comunicación.\r")});
}

TEST_F(Sync, FailedFirstRequestStillAsksTheFinalOne)
{
    int calls = 0;
    line.onWrite = [&](const QByteArray& written, double) {
        received.push_back(parsePacket(written));
        // Both attempts of the "D" request go unanswered.
        return ++calls <= 2 ? QByteArray() : frame(written.at(1), written.at(2), {"0080", "0000"});
    };
    EXPECT_TRUE(PFI_Sincronizar(link));
    ASSERT_EQ(received.size(), 3u);
    EXPECT_TRUE(received[2].fields.isEmpty());
    EXPECT_EQ(env.op.transcript(), QStringList{kCommError});
}

} // namespace
} // namespace brela::test
