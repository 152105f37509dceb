#include "common/cp1252.h"
#include "common/numbers.h"
#include "scripted_operator.h"

#include <gtest/gtest.h>

using namespace brela;

TEST(Cp1252, SpanishLettersAreOneByteEach)
{
    const QByteArray bytes = toCp1252(QStringLiteral("@TAMAÑO í ó á €"));
    EXPECT_EQ(bytes, QByteArray("@TAMA\xD1O \xED \xF3 \xE1 \x80"));
    EXPECT_EQ(fromCp1252(bytes), QStringLiteral("@TAMAÑO í ó á €"));
}

TEST(Cp1252, UnencodableCharacterBecomesOneQuestionMark)
{
    EXPECT_EQ(toCp1252(QStringLiteral("a\u4e2db")), QByteArray("a?b"));
    EXPECT_EQ(toCp1252(QString::fromUcs4(U"x\U0001F600y")), QByteArray("x?y"));
}

TEST(Cp1252, ControlBytesAndUnassignedBytesSurviveARoundTrip)
{
    const QByteArray raw("\x7F\x1C\x81\x8D\x9D", 5);
    EXPECT_EQ(toCp1252(fromCp1252(raw)), raw);
}

TEST(TextToNumber, TakesTheLongestLeadingNumericPart)
{
    EXPECT_DOUBLE_EQ(textToNumber(QStringLiteral("05")), 5);
    EXPECT_DOUBLE_EQ(textToNumber(QStringLiteral("7.50")), 7.5);
    EXPECT_DOUBLE_EQ(textToNumber(QStringLiteral("12abc")), 12);
    EXPECT_DOUBLE_EQ(textToNumber(QStringLiteral("  -3")), -3);
    EXPECT_DOUBLE_EQ(textToNumber(QStringLiteral(".5x")), 0.5);
    EXPECT_DOUBLE_EQ(textToNumber(QStringLiteral("abc")), 0);
    EXPECT_DOUBLE_EQ(textToNumber(QString()), 0);
    EXPECT_DOUBLE_EQ(textToNumber(QStringLiteral("-")), 0);
    EXPECT_DOUBLE_EQ(textToNumber(QStringLiteral("3.")), 3);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(99.21), 99);
    EXPECT_EQ(roundHalfEven(70.16), 70);
    EXPECT_EQ(roundHalfEven(47.24), 47);
    EXPECT_EQ(roundHalfEven(90.55), 91);
}

TEST(ZeroPad, FillsToTheWidthAndNeverCuts)
{
    EXPECT_EQ(zeroPad(60, 3), QStringLiteral("060"));
    EXPECT_EQ(zeroPad(5, 2), QStringLiteral("05"));
    EXPECT_EQ(zeroPad(123, 2), QStringLiteral("123"));
    EXPECT_EQ(zeroPad(1, 5), QStringLiteral("00001"));
}

TEST(ScriptedOperator, RecordsBoxesAndDeclinesUnscriptedQuestions)
{
    ScriptedOperator op;
    op.queueAnswer(Answer::Ok);
    EXPECT_EQ(op.ask(QStringLiteral("¿Seguro?"), Buttons::OkCancel, Icon::Question, QStringLiteral("GUARDAR")), Answer::Ok);
    EXPECT_EQ(op.ask(QStringLiteral("¿Otra vez?"), Buttons::YesNo, Icon::Question, QStringLiteral("X")), Answer::No);
    op.message(QStringLiteral("Hecho"), Icon::Information, QStringLiteral("ATENCION"));
    EXPECT_EQ(op.transcript(), QStringList({
        QStringLiteral("ASK[question] GUARDAR: ¿Seguro? -> Ok"),
        QStringLiteral("ASK[question] X: ¿Otra vez? -> No"),
        QStringLiteral("MSG[information] ATENCION: Hecho"),
    }));
}
