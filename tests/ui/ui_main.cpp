#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The main window remembers its placement when it closes: never in the user's own settings.
    QTemporaryDir settings;
    qputenv("HOME", settings.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (settings.path() + QStringLiteral("/.config")).toLocal8Bit());
    QApplication app(argc, argv);
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
