#pragma once

#include "common/Prompter.h"
#include "storage/ConfigFiles.h"
#include "storage/Database.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

namespace px {

// The modes of the file dialog.
enum class FileDialogMode : int
{
    New = 0,
    Open = 1,
    Delete = 2,
    SaveAs = 3,
    Import = 4,
};

// The configuration file dialog: new, open, delete, save as, and choosing an import target.
class ConfigFileDialog : public QDialog
{
    Q_OBJECT
public:
    // hostModel: the host connected now; a new PX file is refused while it is a QX host.
    ConfigFileDialog(Database& db, Prompter& prompter, FileDialogMode mode,
                     QWidget* parent = nullptr, HostModel hostModel = HostModel::None);

    FileDialogMode Mode() const { return mode_; }
    // What the dialog ended with.
    std::string FileName() const;
    FileType DeviceType() const;

    QLineEdit* NameEdit() const { return name_; }
    QRadioButton* PxButton() const { return px_; }
    QRadioButton* QxButton() const { return qx_; }
    QListWidget* List() const { return list_; }
    QPushButton* ConfirmButton() const { return confirm_; }

public slots:
    void OnConfirm();

protected:
    // The template's size is the smallest; a larger dialog gives its room to the list.
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnItemChanged();
    std::vector<std::string> ListedNames() const;

    Database& database_;
    Prompter& prompter_;
    FileDialogMode mode_;
    HostModel hostModel_;
    QLineEdit* name_;
    QRadioButton* px_;
    QRadioButton* qx_;
    QPushButton* confirm_;
    QListWidget* list_;
    // The controls that follow a larger dialog, with their places at the smallest size.
    struct Placed
    {
        QWidget* widget;
        QRect place;
        bool widens; // takes the extra width
        bool grows;  // takes the extra height
        bool moves;  // moves right by the extra width
    };
    std::vector<Placed> following_;
};

} // namespace px
