#include "gui/hostlink/QtHostViews.h"

#include "gui/hostlink/TransferProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

namespace px {

namespace {

QString ToQt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QtProgressSink::QtProgressSink(QWidget* owner) : owner_(owner) {}

QtProgressSink::~QtProgressSink()
{
    delete window_.data();
}

TransferProgressDialog* QtProgressSink::Ensure()
{
    if (!window_) {
        window_ = new TransferProgressDialog(owner_);
        connect(window_, &TransferProgressDialog::pauseRequested, this,
                &QtProgressSink::pauseRequested);
        connect(window_, &TransferProgressDialog::cancelRequested, this,
                &QtProgressSink::cancelRequested);
    }
    return window_;
}

void QtProgressSink::Show()
{
    TransferProgressDialog* window = Ensure();
    window->show();
    window->repaint();
}

void QtProgressSink::SetRange(int low, int high)
{
    Ensure()->Bar()->setRange(low, high);
}

int QtProgressSink::Position() const
{
    return window_ ? window_->Bar()->value() : 0;
}

void QtProgressSink::SetPosition(int position)
{
    Ensure()->Bar()->setValue(position);
}

void QtProgressSink::SetProgressText(std::string_view text)
{
    Ensure()->ProgressText()->setText(ToQt(text));
}

void QtProgressSink::SetResultText(std::string_view text)
{
    Ensure()->ResultText()->setText(ToQt(text));
}

void QtProgressSink::Close()
{
    delete window_.data();
    if (owner_ != nullptr) {
        owner_->setEnabled(true);
        owner_->activateWindow();
        owner_->setFocus();
    }
}

QtDataMonitor::QtDataMonitor(QTextEdit* view) : view_(view) {}

void QtDataMonitor::AddLine(std::string_view line)
{
    Insert(line, nullptr);
}

void QtDataMonitor::AddColouredLine(std::string_view line, Rgb colour)
{
    Insert(line, &colour);
}

void QtDataMonitor::Insert(std::string_view line, const Rgb* colour)
{
    if (!view_)
        return;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    QTextCursor cursor(view_->document());
    cursor.movePosition(QTextCursor::Start);
    QTextCharFormat format;
    if (colour != nullptr)
        format.setForeground(QColor(colour->r, colour->g, colour->b));
    cursor.insertText(ToQt(line), format);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextDocument* document = view_->document();
    // The document ends with an empty block; the oldest line is the one before it.
    while (document->blockCount() > kMaxLines + 1) {
        QTextCursor oldest(document->lastBlock().previous());
        oldest.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        oldest.removeSelectedText();
    }
    view_->moveCursor(QTextCursor::Start);
}

} // namespace px
