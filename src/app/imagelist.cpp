#include "imagelist.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void drawDottedLine(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 110, 110));
    for (int x = 3; x <= 13; x += 3)
        p.drawRect(QRectF(x - 0.5, 7.5, 1.5, 1.5));
}

void drawPaperClip(QPainter &p)
{
    QPainterPath clip;
    clip.moveTo(10.5, 5);
    clip.lineTo(10.5, 12);
    clip.arcTo(QRectF(6.5, 10, 4, 4), 0, -180);
    clip.lineTo(6.5, 3.5);
    clip.arcTo(QRectF(6.5, 1.5, 6, 4.5), 180, -180);
    clip.lineTo(12.5, 12.5);
    clip.arcTo(QRectF(4.5, 8.5, 8, 6.5), 0, -180);
    clip.lineTo(4.5, 5);
    p.setPen(QPen(QColor(70, 80, 100), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(clip);
}

void drawCompilerIcon(QPainter &p)
{
    // A chip with a "B" on it: the compiler's own default.
    p.setPen(QPen(QColor(40, 40, 40), 1));
    for (int y = 4; y <= 12; y += 3) {
        p.drawLine(QPointF(1, y + 0.5), QPointF(3, y + 0.5));
        p.drawLine(QPointF(13, y + 0.5), QPointF(15, y + 0.5));
    }
    p.setBrush(QColor(30, 90, 170));
    p.drawRoundedRect(QRectF(3.5, 2.5, 9, 11), 1.5, 1.5);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(3.5, 2.5, 9, 11), Qt::AlignCenter, QStringLiteral("B"));
}

void drawLetterT(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 30, 30));
    p.drawRect(QRectF(2.5, 2.5, 11, 2.5));
    p.drawRect(QRectF(6.75, 2.5, 2.5, 11));
}

void drawPerson(QPainter &p)
{
    p.setPen(QPen(QColor(30, 60, 120), 1));
    p.setBrush(QColor(250, 205, 160));
    p.drawEllipse(QRectF(5, 1.5, 6, 6));
    QPainterPath body;
    body.moveTo(2.5, 15);
    body.cubicTo(2.5, 9, 13.5, 9, 13.5, 15);
    body.closeSubpath();
    p.setBrush(QColor(50, 100, 190));
    p.drawPath(body);
}

void drawGreenCheck(QPainter &p)
{
    QPainterPath check;
    check.moveTo(2.5, 8.5);
    check.lineTo(6.5, 12.5);
    check.lineTo(13.5, 3.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(20, 120, 30), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(check);
    p.setPen(QPen(QColor(70, 200, 70), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(check);
}

void drawEraser(QPainter &p)
{
    p.translate(8, 8);
    p.rotate(-35);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(230, 90, 110));
    p.drawRect(QRectF(-1, -3.5, 7, 7));
    p.setBrush(QColor(235, 235, 235));
    p.drawRect(QRectF(-7, -3.5, 6, 7));
    p.resetTransform();
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
}

} // namespace

ImageList::ImageList(qreal devicePixelRatio)
{
    using Painter = void (*)(QPainter &);
    static constexpr std::array<Painter, Count> painters{drawDottedLine, drawPaperClip, drawCompilerIcon,
                                                         drawLetterT,    drawPerson,    drawGreenCheck,
                                                         drawEraser};
    for (int i = 0; i < Count; ++i) {
        const int side = qRound(Size * devicePixelRatio);
        QPixmap pixmap(side, side);
        pixmap.setDevicePixelRatio(devicePixelRatio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        painters[static_cast<size_t>(i)](p);
        p.end();
        m_pixmaps[static_cast<size_t>(i)] = pixmap;
    }
}

QPixmap ImageList::pixmap(int index) const
{
    if (index < 0 || index >= Count)
        return {};
    return m_pixmaps[static_cast<size_t>(index)];
}

QIcon ImageList::icon(int index) const
{
    const QPixmap p = pixmap(index);
    return p.isNull() ? QIcon() : QIcon(p);
}
