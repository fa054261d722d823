#include "gui/paperwork/SiteSheetPreview.h"

#include "gui/paperwork/SiteSheetPdf.h"
#include "gui/widgets/Translations.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace px {

SiteSheetPreview::SiteSheetPreview(SiteSheet sheet, std::function<QString()> chooseFile,
                                   QWidget* parent)
    : QDialog(parent), sheet_(std::move(sheet)), chooseFile_(std::move(chooseFile))
{
    setObjectName("siteSheetPreview");
    setWindowTitle(QString::fromStdString("站点资料 - " + sheet_.fileName));
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    preview_ = new QPrintPreviewWidget(printer, this);
    preview_->setObjectName("siteSheetPages");
    connect(preview_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* target) {
        QTextDocument document;
        FillSiteSheetDocument(document, sheet_);
        document.print(target);
    });
    // The printer belongs to the dialog: it must outlive the preview that paints on it.
    connect(this, &QObject::destroyed, [printer] { delete printer; });

    auto* buttons = new QDialogButtonBox(this);
    auto* print = buttons->addButton("打印...", QDialogButtonBox::ActionRole);
    print->setObjectName("printSheetButton");
    auto* save = buttons->addButton("保存为PDF...", QDialogButtonBox::ActionRole);
    save->setObjectName("saveSheetPdfButton");
    auto* close = buttons->addButton("关闭", QDialogButtonBox::RejectRole);
    close->setObjectName("closeSheetButton");
    connect(print, &QPushButton::clicked, this, [this, printer] {
        QPrintDialog dialog(printer, this);
        if (dialog.exec() == QDialog::Accepted)
            preview_->print();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile_();
        if (!path.isEmpty())
            SavePdf(path);
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(preview_, 1);
    layout->addWidget(buttons);
    resize(820, 900);
}

bool SiteSheetPreview::SavePdf(const QString& path)
{
    QString error;
    const bool ok = WriteSiteSheetPdf(sheet_, path, error);
    message_ = ok ? "已保存站点资料到 " + path : "无法保存站点资料：" + error;
    QMessageBox box(ok ? QMessageBox::Information : QMessageBox::Warning, windowTitle(), message_,
                    QMessageBox::Ok, this);
    box.setObjectName("sheetSavedMessage");
    NameStandardButtons(box);
    if (isVisible())
        box.exec();
    return ok;
}

} // namespace px
