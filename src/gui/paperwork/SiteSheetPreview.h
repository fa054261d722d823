#pragma once

// The site sheet on screen as it will print, with buttons to print it and to save it as PDF.

#include "paperwork/SiteSheet.h"

#include <QDialog>
#include <functional>

class QPrintPreviewWidget;

namespace px {

class SiteSheetPreview : public QDialog
{
    Q_OBJECT
public:
    // chooseFile asks for the PDF file to write; empty when cancelled.
    SiteSheetPreview(SiteSheet sheet, std::function<QString()> chooseFile,
                     QWidget* parent = nullptr);

    // Writes the PDF; false (after saying why) when it could not.
    bool SavePdf(const QString& path);
    QString LastMessage() const { return message_; }

private:
    SiteSheet sheet_;
    std::function<QString()> chooseFile_;
    QPrintPreviewWidget* preview_;
    QString message_;
};

} // namespace px
