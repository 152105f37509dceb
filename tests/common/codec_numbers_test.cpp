#include "common/cp1252.h"
#include "common/numbers.h"

#include <gtest/gtest.h>

using namespace brela;

TEST(Cp1252, SpanishLettersAreOneByteAndOthersOneQuestionMark)
{
    const QByteArray bytes = toCp1252(QStringLiteral("@TAMAÑO í ó á €"));
    EXPECT_EQ(bytes, QByteArray("@TAMA\xD1O \xED \xF3 \xE1 \x80"));
    EXPECT_EQ(fromCp1252(bytes), QStringLiteral("@TAMAÑO í ó á €"));
    EXPECT_EQ(toCp1252(QStringLiteral("a\u4e2db")), QByteArray("a?b"));
    EXPECT_EQ(toCp1252(QString::fromUcs4(U"x\U0001F600y")), QByteArray("x?y"));   // one mark for a surrogate pair
    const QByteArray unassigned("\x7F\x1C\x81\x8D\x9D", 5);
    EXPECT_EQ(toCp1252(fromCp1252(unassigned)), unassigned);
}

TEST(Numbers, LeadingNumberHalfEvenRoundingAndPadding)
{
    const struct {
        const char* text;
        double value;
    } numbers[] = {{"05", 5}, {"12abc", 12}, {"  -3", -3}, {".5x", 0.5}, {"3.", 3}, {"abc", 0}, {"", 0}, {"-", 0}};
    for (const auto& n : numbers)
        EXPECT_DOUBLE_EQ(textToNumber(QString::fromLatin1(n.text)), n.value) << n.text;

    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(90.55), 91);   // not a half once in binary

    EXPECT_EQ(zeroPad(60, 3), QStringLiteral("060"));
    EXPECT_EQ(zeroPad(123, 2), QStringLiteral("123"));   // never cut
}
