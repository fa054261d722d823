#pragma once

class QCoreApplication;
class QMessageBox;

namespace px {

// Loads Qt's own Chinese texts (file dialogs, print dialogs, edit menus, standard buttons) from
// Qt's translations folder or a "translations" folder next to the program. False when they
// could not be found; the program's own texts are Chinese either way.
bool InstallQtTranslations(QCoreApplication& app);

// Names the standard buttons of a message box in Chinese ("确定", "取消", "是", "否", "关闭"), so
// a box reads the same with or without Qt's translations.
void NameStandardButtons(QMessageBox& box);

} // namespace px
