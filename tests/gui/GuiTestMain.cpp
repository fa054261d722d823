// Runs GUI tests without a display.

#include "common/System.h"
#include "common/Utf8Path.h"
#include "gui/widgets/Translations.h"

#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#if defined(Q_OS_WIN)
    // The offscreen platform on Windows does not ask Windows for fonts: it reads the folder
    // given here (scripts/windows.sh puts a Chinese font there, beside the tests).
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR")) {
        const std::filesystem::path fonts = px::sys::ExecutablePath().parent_path() / "fonts";
        qputenv("QT_QPA_FONTDIR", QByteArray::fromStdString(px::Utf8FromPath(fonts)));
    }
#endif
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray runtime = QDir::tempPath().toUtf8() + "/px-test-runtime";
        QDir().mkpath(QString::fromUtf8(runtime));
        QFile::setPermissions(QString::fromUtf8(runtime),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QApplication app(argc, argv);
    // As the program does: a test sees the texts a user sees.
    px::InstallQtTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
