#include "common/name_search.h"
#include "store/copy.h"
#include "test_env.h"

#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;

TEST(NameSearch, FindsAnyPartOfTheNameWhateverItsAccentsAndCase)
{
    const struct {
        const char* typed;
        const char* name;
        bool found;
    } cases[] = {
        {"", "Factura A", true},
        {"   ", "Factura A", true},
        {"factura", "FACTURA A", true},
        {"TURA", "Factura A", true},                  // the middle of a word
        {"pequena", "Remito Pequeña Sucursal", true}, // ñ read as n
        {"PEQUEÑA", "remito pequena", true},
        {"credito", "Nota de Crédito", true},
        {"crédito", "Nota de Credito", true},
        {"nota credito", "Nota de Crédito B", true}, // every word, anywhere
        {"credito nota", "Nota de Crédito B", true},
        {"nota debito", "Nota de Crédito B", false}, // one word missing is enough
        {"facturas", "Factura A", false},
        {"a4 17", "Factura A4 QM210 17 CPI", true},
        {"pingüino", "PINGUINO", true},
        {"ﬁn", "Fin de mes", true}, // a ligature is its letters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " / " + c.name);
        const NameSearch search(QString::fromUtf8(c.typed));
        EXPECT_EQ(search.matches(QString::fromUtf8(c.name)), c.found);
        EXPECT_EQ(search.matchesKey(searchKey(QString::fromUtf8(c.name))), c.found);
    }
}

// brela-cli forms --model --search: one query, the same matching.
TEST(NameSearch, FindFormsFiltersByModelAndName)
{
    TestEnv env;
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr, FormPrModel) VALUES "
                            "(5, 'Nota de Crédito Sucursal', 'QM540'), (6, 'NOTA DE CREDITO CASA', 'QM210'), "
                            "(7, 'Remito', 'QM210')"));
    const auto ids = [&](const char* model, const char* search) {
        QList<qint16> found;
        for (const FormSummary& form : findForms(env.session->db, QString::fromUtf8(model), QString::fromUtf8(search)))
            found << form.FormID;
        return found;
    };
    EXPECT_EQ(ids("", "crédito"), QList<qint16>({5, 6}));
    EXPECT_EQ(ids("qm210", "credito"), QList<qint16>({6}));
    EXPECT_EQ(ids("QM210", ""), QList<qint16>({1, 2, 6, 7}));
    EXPECT_EQ(ids("QM999", ""), QList<qint16>());
    EXPECT_EQ(ids("", ""), QList<qint16>({1, 2, 3, 4, 5, 6, 7}));
}
