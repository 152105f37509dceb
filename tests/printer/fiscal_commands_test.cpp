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
    ASSERT_TRUE(PFPagoComprobante(link, QStringLiteral("CONTADO"), 0.125));
    EXPECT_EQ(received[0].fields, QList<QByteArray>({"CONTADO", "000000012", "T"}));   // 12.5, half to even

    EXPECT_FALSE(PFTransporte(link, QStringLiteral("open")));
    EXPECT_EQ(received.size(), 1u);
    EXPECT_EQ(env.op.texts(), QStringList{QStringLiteral("Opcion 'open' no contemplada en Transporte")});
}

TEST_F(Commands, ModelProbeReadsFieldTen)
{
    for (const auto& [model, first] : {std::pair<QByteArray, bool>{"5", true}, {"", true}, {"P", false}}) {
        answerWith(status("0000", {"a", "b", "c", "d", "e", "f", "g", model}));
        EXPECT_EQ(PFEsModeloQM210(link), first) << model.constData();
    }
    EXPECT_EQ(received.back().fields, QList<QByteArray>{"N"});
    answerWith(status("0000", {"a", "b"}));
    EXPECT_FALSE(PFEsModeloQM210(link));   // field 10 missing
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

// The emulator's documents all have known types; an unknown one is guessed from the word.
TEST_F(Commands, SynchronisingCancelsADocumentOfUnknownTypeAsATicket)
{
    answerWith(status("2000", {"?"}));
    PFI_Sincronizar(link);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[1].command, 68);
}

} // namespace
} // namespace brela::test
