#pragma once

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

namespace px::test {

// What the model tester complains about while it lives, kept for the test to report.
class ModelTesterComplaints
{
public:
    ModelTesterComplaints() : previous_(qInstallMessageHandler(&Record)) { Heard().clear(); }
    ~ModelTesterComplaints() { qInstallMessageHandler(previous_); }
    static QStringList& Heard()
    {
        static QStringList heard;
        return heard;
    }

private:
    static void Record(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type != QtDebugMsg && QByteArray(context.category) == "qt.modeltest")
            Heard() << text;
    }

    QtMessageHandler previous_;
};

} // namespace px::test
