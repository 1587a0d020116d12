#include "ui/picture_box.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>

namespace quillon {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void PictureBox::setPicturePath(const QString& path)
{
    if (path == m_path) {
        return;
    }
    m_path = path;
    m_picture.reset();
    if (!path.isEmpty()) {
        m_picture = Metafile::fromFile(path);
    }
    setToolTip(path.isEmpty() ? QString() : QFileInfo(path).fileName());
    update();
}

PictureBox::Content PictureBox::content() const
{
    if (m_path.isEmpty()) {
        return Content::Empty;
    }
    return m_picture ? Content::Picture : Content::Unreadable;
}

void PictureBox::setBorder(bool on)
{
    if (on != m_border) {
        m_border = on;
        update();
    }
}

QSize PictureBox::sizeHint() const
{
    const int unit = fontMetrics().height();
    return QSize(4 * unit, 9 * unit);
}

void PictureBox::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRectF area = QRectF(rect()).adjusted(2, 2, -2, -2);
    bool drawn = false;
    if (m_picture) {
        // Keep the picture's proportions, centred in the position.
        QSizeF size = m_picture->frame().size();
        size.scale(area.size(), Qt::KeepAspectRatio);
        QRectF target(QPointF(), size);
        target.moveCenter(area.center());
        // A picture too costly to draw at this size shows the tile instead.
        drawn = m_picture->play(painter, target);
    }
    if (!drawn && !m_path.isEmpty()) {
        painter.fillRect(area, QColor(0xD8, 0xD8, 0xD8));
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        painter.setPen(Qt::black);
        painter.drawText(area.adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWrapAnywhere,
                         QFileInfo(m_path).fileName());
    }
    if (m_border) {
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click) {
        Q_EMIT clicked();
    }
}

} // namespace quillon
