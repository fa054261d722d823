#include "gui/paperwork/SiteSheetPdf.h"

#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace px {

namespace {

void FillDocument(QTextDocument& document, const QString& html)
{
    QFont font;
    // Any CJK font the system has; these are the common ones on Linux desktops and Windows.
    font.setFamilies({"Noto Sans CJK SC", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei",
                      "Source Han Sans SC", "Microsoft YaHei", "SimSun", "Sans Serif"});
    font.setPointSizeF(9);
    document.setDefaultFont(font);
    document.setHtml(html);
}

} // namespace

void FillSiteSheetDocument(QTextDocument& document, const SiteSheet& sheet)
{
    FillDocument(document, QString::fromStdString(SiteSheetHtml(sheet)));
}

QString SiteSheetTitle(const SiteSheet& sheet)
{
    return QString::fromStdString("站点资料 " + sheet.fileName);
}

bool WriteSiteSheetPdf(const SiteSheet& sheet, const QString& path, QString& error)
{
    return WriteSheetHtmlPdf(QString::fromStdString(SiteSheetHtml(sheet)), SiteSheetTitle(sheet),
                             path, error);
}

bool WriteSheetHtmlPdf(const QString& html, const QString& title, const QString& path,
                       QString& error)
{
    const QString partial = path + ".part";
    {
        QPdfWriter writer(partial);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(title);
        writer.setCreator("px-system");
        QTextDocument document;
        FillDocument(document, html);
        // Without a page size of its own the document is paginated for the writer and gets
        // page numbers at the foot of each page.
        document.print(&writer);
    }
    QFile written(partial);
    if (!written.exists() || written.size() == 0) {
        written.remove();
        error = "cannot write " + path;
        return false;
    }
    QFile::remove(path);
    if (!written.rename(path)) {
        written.remove();
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace px
