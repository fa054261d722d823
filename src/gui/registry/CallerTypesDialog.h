#pragma once

#include "common/Prompter.h"
#include "storage/Database.h"

#include <QDialog>
#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace px {

class ReportTableView;

// The caller type table: name, key count and which keys the caller has.
class CallerTypesDialog : public QDialog
{
    Q_OBJECT
public:
    CallerTypesDialog(Database& db, Prompter& prompter, QWidget* parent = nullptr);

    ReportTableView* List() const { return list_; }
    QLineEdit* NameEdit() const { return name_; }
    QComboBox* KeyCountBox() const { return keyCount_; }
    QPushButton* KeyToggle(int key) const { return keys_[static_cast<std::size_t>(key - 1)]; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* DeleteButton() const { return delete_; }
    QPushButton* ExitButton() const { return exit_; }

    // Every way of closing ends with OK, so the caller reloads its types.
    void done(int result) override;

private:
    void Load();
    void OnAdd();
    void OnDelete();
    void OnSelected();

    Database& database_;
    Prompter& prompter_;
    ReportTableView* list_;
    QLineEdit* name_;
    QComboBox* keyCount_;
    std::array<QPushButton*, 5> keys_{};
    QPushButton* add_;
    QPushButton* delete_;
    QPushButton* exit_;
};

} // namespace px
