#include "wire.h"

#include <gtest/gtest.h>

using emu::Emulator;
using emu::Model;
using emu::Options;

namespace {

const QByteArray OK = "0600";
const QByteArray INVALID_FIELD = "8610";
const QByteArray DEL = "\x7F";

struct Printer {
    explicit Printer(Model model) : emulator(Options{model}), host{emulator} {}
    Emulator emulator;
    wire::Host host;

    QByteArray configure(const QList<QByteArray>& fields) { return host.send(90, fields).fiscal(); }
    QByteArray setHeader(const QByteArray& n, const QByteArray& text) { return host.send(93, {n, text}).fiscal(); }
};

} // namespace

TEST(Model, StatusNFieldTenTellsTheFirstModelApart)
{
    for (Model model : {Model::QM210, Model::QM540}) {
        Printer p(model);
        const wire::Answer answer = p.host.send(42, {"N"});
        ASSERT_EQ(answer.fields.size(), 10);
        const QByteArray code = answer.field(10);
        EXPECT_FALSE(code.isEmpty());   // an empty field would match any model
        EXPECT_EQ(QByteArray("54!7C").contains(code), model == Model::QM210);
    }
}

TEST(Configuration, WhatIsSentIsReadBack)
{
    Printer p(Model::QM540);
    EXPECT_EQ(p.configure({"P", "P", "S", "U", "96", "66"}), OK);
    EXPECT_EQ(p.configure({"P", "C", "Z", "U", "060", "5", "10", "80", "40"}), OK);
    EXPECT_EQ(p.setHeader("06", "Av. Rivadavia 1234 \xD1u\xF1oa"), OK);

    const wire::Answer size = p.host.send(91, {"P", "P", "S"});
    EXPECT_EQ(size.field(4), "96");
    EXPECT_EQ(size.field(5), "66");

    const wire::Answer zone = p.host.send(91, {"P", "C", "Z", "060"});
    EXPECT_EQ(zone.fields.mid(3), (QList<QByteArray>{"5", "10", "80", "40"}));
    const wire::Answer undefined = p.host.send(91, {"P", "C", "Z", "090"});
    EXPECT_EQ(undefined.fiscal(), OK);
    EXPECT_EQ(undefined.fields.mid(3), (QList<QByteArray>{"0", "0", "0", "0"}));

    EXPECT_EQ(p.host.send(94, {"6"}).field(4), "Av. Rivadavia 1234 \xD1u\xF1oa");
    EXPECT_EQ(p.host.send(94, {"7"}).field(4), DEL);
    EXPECT_EQ(p.setHeader("06", DEL), OK);
    EXPECT_EQ(p.host.send(94, {"6"}).field(4), DEL);

    // An all-zero rectangle removes the zone again.
    EXPECT_EQ(p.configure({"P", "C", "Z", "U", "060", "0", "0", "0", "0"}), OK);
    EXPECT_FALSE(p.emulator.printer().zone(60).has_value());
}

TEST(Configuration, PreferencesAndMarginsAreKept)
{
    Printer p(Model::QM540);
    EXPECT_EQ(p.configure({"P", "D", "M", "F", "A", "N"}), OK);
    EXPECT_EQ(p.configure({"P", "P", "R", "S", "U", "48", "60"}), OK);
    EXPECT_EQ(p.configure({"P", "P", "M", "U", "1", "2", "3", "4"}), OK);
    EXPECT_EQ(p.host.send(91, {"P", "P", "M"}).fields.mid(3), (QList<QByteArray>{"1", "2", "3", "4"}));
    EXPECT_EQ(p.configure({"P", "C", "Z", "U", "060", "0", "20", "86", "39"}), OK);
    // The subtotal offset may not reach past the 20 lines of the item area.
    EXPECT_EQ(p.configure({"P", "C", "O", "901", "0", "21"}), INVALID_FIELD);
    EXPECT_EQ(p.configure({"P", "C", "O", "901", "0", "20"}), OK);
    EXPECT_EQ(p.host.send(91, {"P", "C", "O", "901"}).field(5), "20");
}

TEST(Configuration, TheFirstModelRefusesWhatOnlyLaterModelsHave)
{
    Printer first(Model::QM210);
    Printer later(Model::QM540);
    for (const QList<QByteArray>& preference :
         {QList<QByteArray>{"P", "L", "O", "N", "N", "12"}, QList<QByteArray>{"P", "T", "P", "N"},
          QList<QByteArray>{"P", "T", "P", "S"}}) {
        EXPECT_EQ(first.configure(preference), INVALID_FIELD);
        EXPECT_EQ(later.configure(preference), OK);
    }
    EXPECT_EQ(first.setHeader("65", "ULTIMA"), OK);
    EXPECT_EQ(first.setHeader("66", "NO"), INVALID_FIELD);
    EXPECT_EQ(first.host.send(94, {"66"}).fiscal(), INVALID_FIELD);
    EXPECT_EQ(later.setHeader("70", "RECIBI/MOS"), OK);
    EXPECT_EQ(later.host.send(94, {"70"}).field(4), "RECIBI/MOS");
}

TEST(Configuration, OnTheFirstModelZone070EndsWhereZone060Ends)
{
    Printer p(Model::QM210);
    EXPECT_EQ(p.configure({"P", "C", "Z", "U", "070", "0", "20", "86", "40"}), INVALID_FIELD);
    EXPECT_EQ(p.configure({"P", "C", "Z", "U", "060", "0", "20", "86", "40"}), OK);
    EXPECT_EQ(p.configure({"P", "C", "Z", "U", "070", "0", "20", "86", "55"}), INVALID_FIELD);
    EXPECT_EQ(p.configure({"P", "C", "Z", "U", "070", "0", "20", "86", "40"}), OK);

    Printer later(Model::QM540);
    EXPECT_EQ(later.configure({"P", "C", "Z", "U", "070", "0", "20", "86", "55"}), OK);
}

TEST(Configuration, BadValuesAreRefusedAndChangeNothing)
{
    Printer p(Model::QM540);
    const QList<QList<QByteArray>> bad = {
        {"P", "P", "S", "U", "80"},                              // height missing
        {"P", "P", "S", "U", "80", "0"},                         // empty sheet
        {"P", "C", "Z", "U", "060", "7.5", "10", "80", "20"},    // not a whole column
        {"P", "C", "Z", "U", "060", "80", "10", "5", "20"},      // left past right
        {"P", "C", "Z", "U", "0600", "5", "10", "80", "20"},     // no such zone
        {"P", "X", "Y"},
    };
    for (const auto& fields : bad)
        EXPECT_EQ(p.configure(fields), INVALID_FIELD) << fields.join('|').constData();
    EXPECT_EQ(p.setHeader("0", "X"), INVALID_FIELD);
    EXPECT_EQ(p.setHeader("200", "X"), INVALID_FIELD);
    EXPECT_EQ(p.host.send(91, {"P", "C", "Z", "X"}).fiscal(), INVALID_FIELD);
    EXPECT_EQ(p.host.send(42, {"Q"}).fiscal(), INVALID_FIELD);

    EXPECT_EQ(p.emulator.printer().sheetWidth(), 0);
    EXPECT_FALSE(p.emulator.printer().zone(60).has_value());
    // Refused or not, the next command is served normally.
    EXPECT_EQ(p.host.send(42).fiscal(), OK);
}
