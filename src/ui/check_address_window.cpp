#include "ui/check_address_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace korvane::ui {

namespace {

QLineEdit* ReadOnlyField(QWidget* parent, const char* name, QRect geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setGeometry(geometry);
    return edit;
}

QLabel* Caption(QWidget* parent, const char* name, const char* text, QRect geometry) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

QPixmap CategoryPixmap(int index) {
    QPixmap pixmap(40, 40);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colours[] = {QColor(150, 150, 150), QColor(60, 160, 60), QColor(200, 40, 40)};
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    painter.setBrush(colours[index >= 0 && index <= 2 ? index : 0]);
    painter.drawEllipse(2, 2, 36, 36);
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    switch (index) {
        case 1:  // a tick: stays reachable
            painter.drawPolyline(QPolygon({QPoint(11, 21), QPoint(17, 28), QPoint(29, 13)}));
            break;
        case 2:  // a cross: cut off by the wall
            painter.drawLine(13, 13, 27, 27);
            painter.drawLine(27, 13, 13, 27);
            break;
        default:  // a question mark: not resolved
            painter.setFont(QFont("Sans", 20, QFont::Bold));
            painter.drawText(QRect(0, 0, 40, 40), Qt::AlignCenter, "?");
            break;
    }
    return pixmap;
}

CheckAddressWindow::CheckAddressWindow(lists::CheckAddressForm& form, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      form_(form) {
    setObjectName("FormCheckAddress");
    setWindowTitle(QString::fromUtf8("Проверка адреса"));
    setFixedSize(kClientWidth, kClientHeight);

    editAddress_ = new QLineEdit(this);
    editAddress_->setObjectName("EditAddress");
    editAddress_->setGeometry(8, 10, 246, 23);

    buttonCheck_ = new QPushButton(QString::fromUtf8("Проверить"), this);
    buttonCheck_->setObjectName("ButtonCheck");
    buttonCheck_->setGeometry(262, 9, 75, 25);
    buttonCheck_->setDefault(true);

    auto* group = new QGroupBox(QString::fromUtf8("Информация"), this);
    group->setObjectName("GroupBox1");
    group->setGeometry(8, 40, 329, 90);

    image_ = new QLabel(group);
    image_->setObjectName("Image");
    image_->setGeometry(10, 24, 41, 41);
    image_->setAttribute(Qt::WA_TranslucentBackground);

    Caption(group, "Label3", "Домен:", QRect(62, 20, 60, 18));
    editDomain_ = ReadOnlyField(group, "EditDomain", QRect(124, 20, 196, 18));
    Caption(group, "Label2", "IP адрес:", QRect(62, 40, 60, 18));
    editIP_ = ReadOnlyField(group, "EditIP", QRect(124, 40, 196, 18));
    labelResult_ = Caption(group, "LabelResult", "", QRect(62, 62, 258, 18));
    QFont bold = labelResult_->font();
    bold.setBold(true);
    labelResult_->setFont(bold);

    connect(editAddress_, &QLineEdit::textEdited, this, [this](const QString& text) {
        form_.controls.EditAddress = text.toStdString();
        form_.EditAddressChange();
        Refresh();
    });
    connect(buttonCheck_, &QPushButton::clicked, this, [this] {
        form_.ButtonCheckClick();
        Refresh();
    });
    form_.onShow = [this] {
        Refresh();
        ShowOnTop();
    };

    Refresh();
    PlaceInScreenCorner();
}

void CheckAddressWindow::Refresh() {
    const lists::CheckAddressControls& c = form_.controls;
    const QString address = QString::fromStdString(c.EditAddress);
    if (editAddress_->text() != address) editAddress_->setText(address);
    buttonCheck_->setEnabled(c.ButtonCheckEnabled);
    editDomain_->setText(QString::fromStdString(c.EditDomain));
    editIP_->setText(QString::fromStdString(c.EditIP));
    labelResult_->setText(QString::fromStdString(c.LabelResult));
    image_->setPixmap(CategoryPixmap(c.Image));
    if (!c.visible && isVisible()) hide();
}

void CheckAddressWindow::PlaceInScreenCorner() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    move(area.right() + 1 - kScreenMargin - frameGeometry().width(),
         area.bottom() + 1 - kScreenMargin - frameGeometry().height());
}

// Brought forward without being moved or resized; the application comes to the front with it.
void CheckAddressWindow::ShowOnTop() {
    setEnabled(true);
    show();
    raise();
    activateWindow();
}

void CheckAddressWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            form_.FormKeyPress(27);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            form_.FormKeyPress('\r');
            break;
        default:
            QDialog::keyPressEvent(event);
            return;
    }
    Refresh();
}

// Closing only hides: the window lives as long as the program.
void CheckAddressWindow::closeEvent(QCloseEvent* event) {
    form_.Hide();
    event->accept();
}

void CheckAddressWindow::showEvent(QShowEvent* event) {
    form_.controls.visible = true;
    editAddress_->selectAll();
    QDialog::showEvent(event);
}

}  // namespace korvane::ui
