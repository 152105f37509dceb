// The printer's saved state: what a restart must not lose, and the failures
// of the file told in words. Saving and starting from it as a program is run
// by tests/e2e/emulator_pty.sh.
#include "wire.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using emu::Emulator;
using emu::Options;

TEST(State, SurvivesARestartAndItsFailuresAreReported)
{
    QTemporaryDir dir;
    Options options;
    options.stateFile = dir.filePath("printer.json");
    {
        Emulator emulator(options);
        wire::Host host{emulator};
        host.send(93, {"2", "Resp. Inscripto \xD1"});
        host.send(96, wire::opening("F", "C"));
    }
    options.faults.push_back(emu::Fault{emu::Fault::LowBattery});
    Emulator restarted(options);
    wire::Host host{restarted};
    QString error;
    ASSERT_TRUE(restarted.loadState(error)) << error.toStdString();
    EXPECT_EQ(host.send(94, {"2"}).field(4), "Resp. Inscripto \xD1");
    const wire::Answer document = host.send(42, {"D"});
    EXPECT_EQ(document.fiscal(), "B604");   // still open, and the battery fault on top
    EXPECT_EQ(document.field(5), "00000001");

    QFile file(options.stateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{\"sheet\": [96");
    file.close();
    EXPECT_FALSE(Emulator(options).loadState(error));
    EXPECT_TRUE(error.startsWith("El estado guardado en")) << error.toStdString();

    options.stateFile = dir.filePath("none/printer.json");
    Emulator fresh(options);
    EXPECT_TRUE(fresh.loadState(error));   // no file yet: a new printer
    wire::Host{fresh}.send(42);
    EXPECT_TRUE(fresh.takeStateError().startsWith("No se pudo guardar el estado"));
}
