#include "gui/widgets/Translations.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace px {

bool InstallQtTranslations(QCoreApplication& app)
{
    const QStringList folders{
        QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QDir(QCoreApplication::applicationDirPath()).filePath("translations")};
    auto* translator = new QTranslator(&app);
    for (const QString& folder : folders) {
        if (translator->load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_", folder) &&
            QCoreApplication::installTranslator(translator))
            return true;
    }
    delete translator;
    return false;
}

void NameStandardButtons(QMessageBox& box)
{
    const struct
    {
        QMessageBox::StandardButton button;
        const char* text;
    } names[] = {
        {QMessageBox::Ok, "确定"},   {QMessageBox::Cancel, "取消"}, {QMessageBox::Yes, "是"},
        {QMessageBox::No, "否"},     {QMessageBox::Close, "关闭"},  {QMessageBox::Apply, "应用"},
        {QMessageBox::Save, "保存"}, {QMessageBox::Open, "打开"},
    };
    for (const auto& name : names) {
        if (QAbstractButton* button = box.button(name.button))
            button->setText(QString::fromUtf8(name.text));
    }
}

} // namespace px
