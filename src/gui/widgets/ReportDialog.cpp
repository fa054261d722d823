#include "gui/widgets/ReportDialog.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

ReportDialog::ReportDialog(const QString& title, const QString& text, Buttons buttons,
                           QWidget* parent)
    : QDialog(parent)
{
    setObjectName("reportDialog");
    setWindowTitle(title);
    auto* view = new QPlainTextEdit(text, this);
    view->setReadOnly(true);
    auto* box = new QVBoxLayout(this);
    box->addWidget(view);
    auto* row = new QHBoxLayout;
    row->addStretch();
    const bool question = buttons == Buttons::OkCancel;
    if (question) {
        auto* ok = new QPushButton("确定", this);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        row->addWidget(ok);
    }
    auto* close = new QPushButton(question ? "取消" : "关闭", this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(close);
    box->addLayout(row);
    resize(640, 360);
}

} // namespace px
