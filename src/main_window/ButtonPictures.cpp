#include "main_window/ButtonPictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace main_window {

namespace {
// Every picture is drawn on a 32 by 32 grid with a dark outline, so it reads on any button face.
const QColor kInk(0x2b, 0x2b, 0x2b);
const QColor kPaper(Qt::white);
const QColor kLine(0x8a, 0x8a, 0x8a);

void outlined(QPainter& p, const QColor& fill)
{
    p.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
}

void page(QPainter& p, const QRectF& r)
{
    outlined(p, kPaper);
    const QPolygonF sheet{{r.left(), r.top()},
                          {r.right() - 6, r.top()},
                          {r.right(), r.top() + 6},
                          {r.right(), r.bottom()},
                          {r.left(), r.bottom()}};
    p.drawPolygon(sheet);
    outlined(p, QColor(0xd0, 0xd0, 0xd0));
    p.drawPolygon(QPolygonF{{r.right() - 6, r.top()}, {r.right() - 6, r.top() + 6}, {r.right(), r.top() + 6}});
}

void textLines(QPainter& p, double left, double right, std::initializer_list<double> rows)
{
    p.setPen(QPen(kLine, 1.5, Qt::SolidLine, Qt::RoundCap));
    for (double y : rows)
        p.drawLine(QPointF(left, y), QPointF(right, y));
}

// A round badge in the lower right corner: a plus to add, a minus to take away.
void badge(QPainter& p, const QColor& colour, bool plus)
{
    outlined(p, colour);
    p.drawEllipse(QPointF(23.5, 23.5), 7.5, 7.5);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(19.5, 23.5), QPointF(27.5, 23.5));
    if (plus)
        p.drawLine(QPointF(23.5, 19.5), QPointF(23.5, 27.5));
}

void person(QPainter& p, const QPointF& head, double size, const QColor& colour)
{
    outlined(p, colour);
    QPainterPath body;
    body.addRoundedRect(QRectF(head.x() - size * 1.6, head.y() + size * 1.3, size * 3.2, size * 2.6), size, size);
    p.drawPath(body);
    p.drawEllipse(head, size, size);
}

void draw(QPainter& p, ButtonPicture picture)
{
    switch (picture) {
    case ButtonPicture::New:
        page(p, QRectF(4, 2, 19, 26));
        badge(p, QColor(0x2e, 0x9a, 0x3e), true);
        break;
    case ButtonPicture::Edit: {
        page(p, QRectF(4, 2, 19, 26));
        textLines(p, 8, 17, {11, 15, 19, 23});
        p.translate(21, 15);
        p.rotate(40);
        outlined(p, QColor(0xf2, 0xb2, 0x33));
        p.drawRect(QRectF(-3, -11, 6, 17));
        outlined(p, QColor(0xe5, 0x7f, 0x9a));
        p.drawRect(QRectF(-3, -14, 6, 3));
        outlined(p, QColor(0xf3, 0xd9, 0xa4));
        p.drawPolygon(QPolygonF{{-3, 6}, {3, 6}, {0, 12}});
        break;
    }
    case ButtonPicture::ActorList:
        person(p, QPointF(21, 8), 4, QColor(0x8f, 0xb6, 0xe6));
        person(p, QPointF(12, 13), 5, QColor(0x2f, 0x6d, 0xb5));
        break;
    case ButtonPicture::Remove:
        outlined(p, kPaper);
        p.drawRect(QRectF(3, 3, 21, 23));
        for (double y : {8.0, 13.5, 19.0}) {
            outlined(p, QColor(0x5a, 0x7f, 0xb0));
            p.drawRect(QRectF(6, y - 1.5, 3, 3));
        }
        textLines(p, 12, 20, {8, 13.5, 19});
        badge(p, QColor(0xd1, 0x3b, 0x2e), false);
        break;
    case ButtonPicture::Delete:
        outlined(p, Qt::NoBrush);
        p.drawRect(QRectF(13, 3, 6, 3));
        outlined(p, QColor(0x9a, 0xa3, 0xad));
        p.drawRect(QRectF(6, 6, 20, 4));
        outlined(p, QColor(0xc3, 0xcb, 0xd4));
        p.drawPolygon(QPolygonF{{8, 10}, {24, 10}, {22.5, 29}, {9.5, 29}});
        p.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::RoundCap));
        for (double x : {12.5, 16.0, 19.5})
            p.drawLine(QPointF(x, 13.5), QPointF(x, 25.5));
        break;
    case ButtonPicture::Reports:
        page(p, QRectF(9, 2, 14, 11));
        outlined(p, QColor(0x7d, 0x87, 0x93));
        p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
        outlined(p, QColor(0x4c, 0xc2, 0x4f));
        p.drawEllipse(QPointF(25, 15.5), 1.5, 1.5);
        outlined(p, kPaper);
        p.drawRect(QRectF(8, 19, 16, 11));
        textLines(p, 11, 21, {23, 26.5});
        break;
    }
}

class PictureEngine : public QIconEngine
{
public:
    explicit PictureEngine(ButtonPicture picture) : m_picture(picture) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.35);
        const double side = qMin(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
        painter->scale(side / 32, side / 32);
        draw(*painter, m_picture);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            paint(&painter, pixmap.rect(), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    QIconEngine* clone() const override { return new PictureEngine(m_picture); }

private:
    ButtonPicture m_picture;
};
} // namespace

QIcon ButtonIcon(ButtonPicture picture)
{
    return QIcon(new PictureEngine(picture));
}

} // namespace main_window
