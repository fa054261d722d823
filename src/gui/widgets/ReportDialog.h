#pragma once

#include <QDialog>

namespace px {

// A long text to read (a verify report, a preview before an import), with 关闭, or with
// 确定 and 取消 when it asks whether to go on.
class ReportDialog final : public QDialog
{
public:
    enum class Buttons
    {
        Close,
        OkCancel,
    };

    ReportDialog(const QString& title, const QString& text, Buttons buttons,
                 QWidget* parent = nullptr);
};

} // namespace px
