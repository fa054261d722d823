// px-sheet: lays a site sheet, given as HTML, out on A4 pages and writes it as PDF. pxctl
// runs it for `pxctl sheet`, so that only this program needs Qt's graphics and fonts.
//
//   px-sheet [--title TEXT] SHEET.html OUT.pdf
//
// Exit status: 0 written, 1 it could not be read or written (the reason on standard error),
// 2 a wrong command line.

#include "gui/paperwork/SiteSheetPdf.h"

#include <QFile>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

namespace {

// The offscreen platform asks for a runtime folder that shells without a desktop session lack;
// nothing here uses one.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set"))
        return;
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toUtf8().constData());
}

// The largest sheet read: a file's 1999 callers with every text take well under a megabyte.
constexpr qint64 kMaxHtmlBytes = 64 * 1024 * 1024;

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(QuietMessages);
    // Laying text out needs a GUI application, but no window is shown: on Linux no display is
    // needed. Windows always has one, and its own platform knows the system's fonts.
#if !defined(Q_OS_WIN)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QGuiApplication app(argc, argv);

    QStringList words = QCoreApplication::arguments().mid(1);
    QString title;
    if (words.size() >= 2 && words[0] == "--title") {
        title = words[1];
        words = words.mid(2);
    }
    if (words.size() != 2) {
        std::fprintf(stderr, "usage: px-sheet [--title TEXT] SHEET.html OUT.pdf\n");
        return 2;
    }
    QFile input(words[0]);
    if (!input.open(QIODevice::ReadOnly) || input.size() > kMaxHtmlBytes) {
        std::fprintf(stderr, "cannot read %s\n", words[0].toUtf8().constData());
        return 1;
    }
    const QString html = QString::fromUtf8(input.readAll());
    QString error;
    if (!px::WriteSheetHtmlPdf(html, title, words[1], error)) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        return 1;
    }
    return 0;
}
