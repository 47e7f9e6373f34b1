#include "gui/about_dialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace vestrel::gui {

namespace {

// The program's picture, drawn as data/icons/vestrel.svg draws it: a log page with a bar chart.
QPixmap DrawnIcon(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(QPen(QColor(0x55, 0x5f, 0x6b), 2));
    painter.setBrush(QColor(0xfa, 0xfa, 0xf7));
    painter.drawRoundedRect(QRectF(10, 4, 44, 56), 4, 4);
    painter.setPen(QPen(QColor(0xc4, 0xca, 0xd1), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(17, 12), QPointF(47, 12));
    painter.drawLine(QPointF(17, 17), QPointF(40, 17));
    painter.setPen(Qt::NoPen);
    const QColor colours[] = {QColor(0x3d, 0x7e, 0xc9), QColor(0x2f, 0xa3, 0x6b),
                              QColor(0xf0, 0xa2, 0x2e), QColor(0xd9, 0x4f, 0x3d)};
    const int heights[] = {18, 30, 24, 32};
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(colours[i]);
        painter.drawRect(QRectF(17 + i * 8, 52 - heights[i], 6, heights[i]));
    }
    painter.setPen(QPen(QColor(0x55, 0x5f, 0x6b), 1.5));
    painter.drawLine(QPointF(15, 52.5), QPointF(49, 52.5));
    return picture;
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon = QIcon::fromTheme("vestrel", QIcon::fromTheme("utilities-system-monitor"));
    if (icon.isNull()) {
        for (int size : {16, 32, 48, 64}) icon.addPixmap(DrawnIcon(size));
    }
    return icon;
}

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("About Vestrel");
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setObjectName("imgIcon");
    picture->setPixmap(ProgramIcon().pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop);

    name_ = new QLabel("Vestrel", this);
    name_->setObjectName("lblProgramName");
    QFont large = name_->font();
    large.setPointSizeF(large.pointSizeF() * 2);
    large.setBold(true);
    name_->setFont(large);
    description_ = new QLabel("Log File Analyzer", this);
    description_->setObjectName("lblDescription");
    version_ = new QLabel("Ver. 1.0", this);
    version_->setObjectName("lblVersion");
    link_ = new QLabel(this);
    link_->setObjectName("lblLink");
    const QString address = QString::fromLatin1(kProjectPageUrl);
    link_->setText("<a href=\"" + address + "\">" +
                   QUrl(address).adjusted(QUrl::RemoveFragment).toString() + "</a>");
    link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // Without a registered browser the desktop opens nothing, and nothing is reported.
    connect(link_, &QLabel::linkActivated, this,
            [](const QString& target) { QDesktopServices::openUrl(QUrl(target)); });

    auto* texts = new QVBoxLayout;
    texts->addWidget(name_);
    texts->addWidget(description_);
    texts->addWidget(version_);
    texts->addSpacing(8);
    texts->addWidget(link_);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(12);
    top->addLayout(texts);
    top->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ShowAboutBox(QWidget* parent) {
    TfrmAbout about(parent);
    about.exec();
}

}  // namespace vestrel::gui
