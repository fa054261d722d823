#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace px {

// The transfer progress window: a bar, a progress text, a result text, Pause and Cancel.
class TransferProgressDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TransferProgressDialog(QWidget* owner);

    QProgressBar* Bar() const { return bar_; }
    QLabel* ProgressText() const { return progressText_; }
    QLabel* ResultText() const { return resultText_; }
    QPushButton* PauseButton() const { return pause_; }
    QPushButton* CancelButton() const { return cancel_; }

signals:
    // 0 when the button now reads "继续", 1 when it reads "暂停" again.
    void pauseRequested(int value);
    void cancelRequested(int value);

private:
    QProgressBar* bar_;
    QLabel* progressText_;
    QLabel* resultText_;
    QPushButton* pause_;
    QPushButton* cancel_;
};

} // namespace px
