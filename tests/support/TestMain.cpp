#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

// Every test program runs with a QApplication, headless unless a platform is chosen, and with
// state and configuration folders of its own (versions, preferences), never the user's.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir xdg;
    qputenv("XDG_STATE_HOME", QFile::encodeName(xdg.filePath(QStringLiteral("state"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.filePath(QStringLiteral("config"))));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
