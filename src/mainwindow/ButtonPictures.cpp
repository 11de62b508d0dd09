#include "mainwindow/ButtonPictures.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <algorithm>

namespace {

class PictureEngine : public QIconEngine
{
public:
    explicit PictureEngine(ButtonPicture which) : which_(which) {}

    QIconEngine *clone() const override { return new PictureEngine(which_); }

    QString key() const override { return QStringLiteral("KanroButtonPicture"); }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // The size is in device pixels; scale is the device's pixel ratio.
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        QPixmap pm(actualSize(size, mode, state));
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            paint(&p, pm.rect(), mode, state);
        }
        pm.setDevicePixelRatio(scale > 0 ? scale : 1.0);
        return pm;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        // Drawn on a 16 x 16 grid, centred in the square of the rectangle.
        const qreal side = std::min(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2.0,
                           rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 16.0, side / 16.0);
        const bool disabled = mode == QIcon::Disabled;
        const QPalette palette = QApplication::palette();
        const QColor ink = palette.color(disabled ? QPalette::Disabled : QPalette::Active,
                                         QPalette::ButtonText);
        const auto colour = [disabled, &ink](QColor c) { return disabled ? ink : c; };
        switch (which_) {
        case ButtonPicture::Transfer: {
            QPainterPath arrow;
            arrow.moveTo(6, 1.5);
            arrow.lineTo(10, 1.5);
            arrow.lineTo(10, 8);
            arrow.lineTo(13.5, 8);
            arrow.lineTo(8, 14.5);
            arrow.lineTo(2.5, 8);
            arrow.lineTo(6, 8);
            arrow.closeSubpath();
            painter->setPen(QPen(colour(QColor(0x1f, 0x4e, 0x9e)), 0.8));
            painter->setBrush(colour(QColor(0x3a, 0x7b, 0xd5)));
            painter->drawPath(arrow);
            break;
        }
        case ButtonPicture::Clear: {
            const QColor red = colour(QColor(0xc0, 0x30, 0x30));
            painter->setPen(QPen(red, 1.6));
            painter->setBrush(Qt::NoBrush);
            painter->drawEllipse(QRectF(2, 2, 12, 12));
            painter->setPen(QPen(red, 1.8, Qt::SolidLine, Qt::RoundCap));
            painter->drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
            painter->drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
            break;
        }
        case ButtonPicture::Mail: {
            painter->setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
            painter->setBrush(colour(QColor(0xff, 0xfb, 0xe6)));
            painter->drawRect(QRectF(1.5, 3.5, 13, 9));
            painter->drawPolyline(QPolygonF({{1.5, 3.5}, {8, 9}, {14.5, 3.5}}));
            break;
        }
        case ButtonPicture::Home: {
            painter->setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
            painter->setBrush(colour(QColor(0xe8, 0xe0, 0xd0)));
            painter->drawPolygon(QPolygonF({{3.5, 7.5}, {3.5, 14}, {12.5, 14}, {12.5, 7.5}}));
            painter->setBrush(colour(QColor(0xc0, 0x40, 0x30)));
            painter->drawPolygon(QPolygonF({{1.5, 8}, {8, 2}, {14.5, 8}}));
            painter->setBrush(ink);
            painter->drawRect(QRectF(7, 10, 2.2, 4));
            break;
        }
        }
        painter->restore();
    }

private:
    ButtonPicture which_;
};

} // namespace

QIcon buttonPicture(ButtonPicture which)
{
    return QIcon(new PictureEngine(which));
}
