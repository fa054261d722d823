#include "gui/hostlink/TransferProgressDialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace px {

namespace {

// Dialog units of the 8 point template font.
constexpr double kScale = 1.5;

QRect Place(int x, int y, int w, int h)
{
    const auto s = [](int v) { return static_cast<int>(v * kScale + 0.5); };
    return QRect(s(x), s(y), s(w), s(h));
}

} // namespace

TransferProgressDialog::TransferProgressDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), bar_(new QProgressBar(this)),
      progressText_(new QLabel(this)), resultText_(new QLabel(this)),
      pause_(new QPushButton(QString::fromUtf8("暂停"), this)),
      cancel_(new QPushButton(QString::fromUtf8("取消"), this))
{
    setObjectName("TransferProgressDialog");
    setModal(false);
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);
    setFixedSize(Place(0, 0, 317, 90).size());
    setStyleSheet("QDialog, QLabel, QPushButton { background-color: rgb(10, 100, 120);"
                  " color: rgb(200, 200, 200); }"
                  "QDialog { border: 1px solid rgb(200, 200, 200); }"
                  "QPushButton { border: 1px solid rgb(200, 200, 200); }"
                  "QProgressBar { background-color: rgb(20, 20, 20); color: rgb(200, 200, 200);"
                  " border: 1px solid rgb(200, 200, 200); text-align: center; }"
                  "QProgressBar::chunk { background-color: rgb(56, 180, 210); }");

    bar_->setObjectName("id1005");
    bar_->setGeometry(Place(11, 7, 298, 14));
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    progressText_->setObjectName("id1007");
    progressText_->setGeometry(Place(14, 32, 291, 8));
    resultText_->setObjectName("id1006");
    resultText_->setGeometry(Place(15, 60, 176, 8));
    pause_->setObjectName("id1");
    pause_->setGeometry(Place(238, 70, 31, 14));
    pause_->setAutoDefault(false);
    cancel_->setObjectName("id2");
    cancel_->setGeometry(Place(280, 70, 31, 14));
    cancel_->setAutoDefault(false);

    connect(pause_, &QPushButton::clicked, this, [this] {
        const bool pausing = pause_->text() == QString::fromUtf8("暂停");
        pause_->setText(QString::fromUtf8(pausing ? "继续" : "暂停"));
        emit pauseRequested(pausing ? 0 : 1);
    });
    connect(cancel_, &QPushButton::clicked, this, [this] { emit cancelRequested(1); });

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

} // namespace px
