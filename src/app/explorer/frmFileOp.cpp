#include "frmFileOp.h"

#include "controls/DialogFlags.h"
#include "controls/qvtBrowser.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace vambrel {

namespace {

// A sheet of paper with a folded corner, in a 32-unit square.
void drawSheet(QPainter& p, QPointF at) {
    QPainterPath sheet;
    sheet.moveTo(at + QPointF(0, 0));
    sheet.lineTo(at + QPointF(11, 0));
    sheet.lineTo(at + QPointF(16, 5));
    sheet.lineTo(at + QPointF(16, 20));
    sheet.lineTo(at + QPointF(0, 20));
    sheet.closeSubpath();
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawLine(at + QPointF(11, 0), at + QPointF(11, 5));
    p.drawLine(at + QPointF(11, 5), at + QPointF(16, 5));
    p.setPen(QPen(QColor(0x80, 0x80, 0xA0), 1));
    for (int line = 0; line < 3; ++line)
        p.drawLine(at + QPointF(3, 9 + 3.5 * line), at + QPointF(13, 9 + 3.5 * line));
}

// A closed folder, in a 32-unit square.
void drawFolder(QPainter& p, QPointF at) {
    QPainterPath back;
    back.moveTo(at + QPointF(0, 2));
    back.lineTo(at + QPointF(6, 2));
    back.lineTo(at + QPointF(8, 4));
    back.lineTo(at + QPointF(18, 4));
    back.lineTo(at + QPointF(18, 16));
    back.lineTo(at + QPointF(0, 16));
    back.closeSubpath();
    p.setPen(QPen(QColor(0x80, 0x60, 0x10), 1));
    p.setBrush(QColor(0xE8, 0xB8, 0x40));
    p.drawPath(back);
    p.setBrush(QColor(0xF8, 0xD8, 0x70));
    p.drawRect(QRectF(at + QPointF(0, 6), QSizeF(18, 10)));
}

// The arrow of a move, pointing right.
void drawArrow(QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(17, 20);
    arrow.lineTo(24, 20);
    arrow.lineTo(24, 16);
    arrow.lineTo(31, 23);
    arrow.lineTo(24, 30);
    arrow.lineTo(24, 26);
    arrow.lineTo(17, 26);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x10, 0x50, 0x10), 1));
    p.setBrush(QColor(0x30, 0xA0, 0x30));
    p.drawPath(arrow);
}

} // namespace

QPixmap frmFileOp::drawPicture(int index, int size, qreal ratio) {
    QPixmap picture(QSize(size, size) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.translate(0.5, 0.5);
    const bool folder = index == CopyFolderPicture || index == MoveFolderPicture;
    const bool move = index == MoveFilesPicture || index == MoveFolderPicture;
    if (move) {
        folder ? drawFolder(p, {1, 4}) : drawSheet(p, {1, 2});
        drawArrow(p);
    } else if (folder) {
        drawFolder(p, {1, 3});
        drawFolder(p, {11, 13});
    } else {
        drawSheet(p, {3, 1});
        drawSheet(p, {12, 10});
    }
    return picture;
}

frmFileOp::frmFileOp(QWidget* parent)
    : QDialog(parent, kDialogFlags), m_qvtBrowse(new qvtBrowser(this)),
      m_chkRename(new QCheckBox(QStringLiteral("Renommer les fichiers si conflit de nom"), this)),
      m_imaPic(new QLabel(this)) {
    setModal(true);
    m_qvtBrowse->setObjectName(QStringLiteral("qvtBrowse"));
    m_qvtBrowse->setLocked(true);
    m_chkRename->setObjectName(QStringLiteral("chkRename"));
    m_imaPic->setObjectName(QStringLiteral("imaPic"));
    m_imaPic->setFixedSize(kPictureSize, kPictureSize);
    const qreal ratio = devicePixelRatioF();
    for (int i = 0; i < 4; ++i)
        m_imaIcon << drawPicture(i, kPictureSize, ratio);
    m_cmdAction[0] = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdAction[1] = new QPushButton(QStringLiteral("&Annuler"), this);
    m_cmdAction[0]->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_imaPic, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(m_qvtBrowse, 0, 1);
    layout->addWidget(m_chkRename, 1, 1);
    layout->setColumnStretch(1, 1);
    layout->setHorizontalSpacing(12);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdAction[0]);
    buttons->addWidget(m_cmdAction[1]);
    layout->addLayout(buttons, 2, 0, 1, 2);
    resize(420, sizeHint().height());

    for (int i = 0; i < 2; ++i)
        connect(m_cmdAction[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdAction_Click(i); });
}

QPushButton* frmFileOp::cmdAction(int index) const {
    return index == 0 || index == 1 ? m_cmdAction[size_t(index)] : nullptr;
}

void frmFileOp::setPicture(int index) {
    if (index < 0 || index >= m_imaIcon.size())
        return;
    m_picture = index;
    m_imaPic->setPixmap(m_imaIcon[index]);
}

void frmFileOp::cmdAction_Click(int index) {
    if (index == 0) {
        m_tag = QStringLiteral("OK");
        accept();
    } else if (index == 1) {
        reject();
    }
}

} // namespace vambrel
