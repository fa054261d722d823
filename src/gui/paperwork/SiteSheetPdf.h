#pragma once

// Lays the site sheet out on A4 pages: Chinese fonts embedded, page numbers at the foot,
// tables that break across pages with their header row repeated.

#include "paperwork/SiteSheet.h"

#include <QString>

class QTextDocument;

namespace px {

// The sheet as a document ready to print on a page device (a printer or a PDF writer).
void FillSiteSheetDocument(QTextDocument& document, const SiteSheet& sheet);

// The title a sheet's PDF carries.
QString SiteSheetTitle(const SiteSheet& sheet);

// Writes the sheet as a PDF file; false with the reason. Needs a QGuiApplication.
bool WriteSiteSheetPdf(const SiteSheet& sheet, const QString& path, QString& error);

// Writes a sheet already turned into HTML (SiteSheetHtml) as a PDF file with that title;
// false with the reason. Needs a QGuiApplication.
bool WriteSheetHtmlPdf(const QString& html, const QString& title, const QString& path,
                       QString& error);

} // namespace px
