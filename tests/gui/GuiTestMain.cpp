// Runs GUI tests without a display.

#include "gui/widgets/Translations.h"

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        const QByteArray runtime = QDir::tempPath().toUtf8() + "/px-test-runtime";
        QDir().mkpath(QString::fromUtf8(runtime));
        QFile::setPermissions(QString::fromUtf8(runtime),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
    }
    QApplication app(argc, argv);
    // As the program does: a test sees the texts a user sees.
    px::InstallQtTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
