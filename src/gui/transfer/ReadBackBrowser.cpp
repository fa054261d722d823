#include "gui/transfer/ReadBackBrowser.h"

#include "gui/widgets/ReportTableView.h"
#include "gui/widgets/TabOrder.h"

#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <tuple>

namespace px {

namespace {

constexpr QSize kButtonSize(96, 30);

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

ReadBackBrowser::ReadBackBrowser(TableKind kind, px::HostModel hostModel,
                                 const std::string& recordFile, Prompter& prompter, QWidget* parent)
    : QDialog(parent), kind_(kind), hostModel_(hostModel), prompter_(prompter),
      list_(new ReportTableView(this, ReportTableView::HeaderLook::Gradient)),
      import_(new QPushButton(QString::fromUtf8("写入到数据库"), this)),
      cancel_(new QPushButton(QString::fromUtf8("取消"), this))
{
    setObjectName("ReadBackBrowser");
    const auto [title, width, tinted, columns] = WithTable(kind, [](const auto& table) {
        return std::tuple(table.browserTitle, table.browserWidth, table.browserTinted,
                          table.shownColumns);
    });
    setWindowTitle(QString::fromUtf8(title));
    list_->setObjectName("id1000");
    import_->setObjectName("id1");
    cancel_->setObjectName("id2");
    import_->resize(kButtonSize);
    cancel_->resize(kButtonSize);
    // Enter writes to the database, Esc and the close box cancel; writing never closes.
    import_->setDefault(true);
    cancel_->setAutoDefault(false);
    connect(import_, &QPushButton::clicked, this, &ReadBackBrowser::OnImport);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The read-back tables of information machines and callers stand out from the window's
    // other lists; the handheld table keeps the plain look.
    if (tinted) {
        list_->SetBackgroundColour(QColor(180, 180, 220));
        list_->GradientHeader()->SetGradient(55, 180, 215, 5);
    }
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->SetCellFont(ListFont(12, 0));
    ReportTableModel& model = *list_->Model();
    // Black text in every mode, selected rows included, whatever the system's colours.
    model.SetTextColour(Qt::black);
    for (const ShownColumn& column : columns) {
        const int index =
            model.InsertColumn(model.ColumnCount(), {Q(column.title), 60, Qt::AlignHCenter});
        if (column.background)
            model.SetColumnColours(
                index, QColor(),
                QColor(column.background->r, column.background->g, column.background->b));
    }

    resize(width, 500);
    PlaceControls();
    OrderTabsByPlace(this);
    Fill(recordFile);
}

void ReadBackBrowser::Fill(const std::string& recordFile)
{
    list_->Model()->Clear();
    list_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);

    rows_ = ReadRecordFile(kind_, recordFile);
    if (rows_) {
        for (const std::vector<std::string>& row : rows_->ShownCells()) {
            QStringList texts;
            for (const std::string& text : row)
                texts.append(Q(text));
            list_->Model()->AddRow(texts);
        }
    }
    list_->FitColumns();
}

void ReadBackBrowser::PlaceControls()
{
    const int w = width();
    const int h = height();
    list_->setGeometry(10, 10, w - 30, h - 90);
    cancel_->move(w - 50 - cancel_->width(), h - 40 - cancel_->height());
    import_->move(cancel_->x() - 20 - import_->width(), h - 40 - import_->height());
}

void ReadBackBrowser::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    PlaceControls();
}

void ReadBackBrowser::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // Said once the browser is up, so the message stands over its empty list; a box opened
    // from inside the show itself would run its loop before the window is drawn.
    if (!rows_)
        QMetaObject::invokeMethod(
            this,
            [this] {
                prompter_.Message(
                    WithTable(kind_, [](const auto& table) { return table.missingFileMessage; }));
            },
            Qt::QueuedConnection);
}

std::vector<std::vector<std::string>> ReadBackBrowser::ShownRows() const
{
    std::vector<std::vector<std::string>> rows;
    const ReportTableModel& model = *list_->Model();
    rows.reserve(static_cast<std::size_t>(model.RowCount()));
    for (int row = 0; row < model.RowCount(); ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < model.ColumnCount(); ++column)
            cells.push_back(model.Text(row, column).toStdString());
        rows.push_back(std::move(cells));
    }
    return rows;
}

void ReadBackBrowser::OnImport()
{
    if (onImport_ && rows_)
        onImport_(*rows_);
}

} // namespace px
