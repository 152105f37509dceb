#include "common/cp1252.h"

#include <gtest/gtest.h>

using namespace brela;

// Every byte's round trip is held by the script reader's fuzz corpus; these are
// the characters the code page has no byte for.
TEST(Cp1252, SpanishLettersAreOneByteAndOthersOneQuestionMark)
{
    EXPECT_EQ(toCp1252(QStringLiteral("@TAMAÑO í €")), QByteArray("@TAMA\xD1O \xED \x80"));
    EXPECT_EQ(toCp1252(QStringLiteral("a\u4e2db")), QByteArray("a?b"));
    EXPECT_EQ(toCp1252(QString::fromUcs4(U"x\U0001F600y")), QByteArray("x?y"));   // one mark for a surrogate pair
}
