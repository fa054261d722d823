#pragma once

// The exchanges' progress window and data monitor as the window program shows them.

#include "hostlink/Ports.h"

#include <QObject>
#include <QPointer>

class QTextEdit;
class QWidget;

namespace px {

class TransferProgressDialog;

// Creates the progress window on demand and destroys it on Close.
class QtProgressSink : public QObject, public ProgressSink
{
    Q_OBJECT
public:
    explicit QtProgressSink(QWidget* owner);
    ~QtProgressSink() override;

    void Show() override;
    void SetRange(int low, int high) override;
    int Position() const override;
    void SetPosition(int position) override;
    void SetProgressText(std::string_view text) override;
    void SetResultText(std::string_view text) override;
    void Close() override;

    // The window while it exists.
    TransferProgressDialog* Window() const { return window_; }

signals:
    void pauseRequested(int value);
    void cancelRequested(int value);

private:
    TransferProgressDialog* Ensure();

    QWidget* owner_;
    QPointer<TransferProgressDialog> window_;
};

// Lines go on top of the monitor; the oldest fall off the bottom past a limit, so a long
// transfer cannot grow the log without bound.
class QtDataMonitor final : public DataMonitor
{
public:
    static constexpr int kMaxLines = 5000;

    explicit QtDataMonitor(QTextEdit* view);
    void AddLine(std::string_view line) override;
    void AddColouredLine(std::string_view line, Rgb colour) override;

private:
    void Insert(std::string_view line, const Rgb* colour);

    QPointer<QTextEdit> view_;
};

} // namespace px
