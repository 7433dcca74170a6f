// Draws the demo appliance pictures "Bild<n>_scaled.png" into the directory
// given on the command line: simple stove silhouettes in a few colours.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

static void drawStove(QPainter &p, int n, const QSize &size)
{
    static const QColor bodies[] = {QColor(70, 70, 78), QColor(150, 60, 40), QColor(200, 190, 170),
                                    QColor(40, 80, 120), QColor(110, 110, 60), QColor(90, 50, 90)};
    const QColor body = bodies[(n - 1) % 6];
    p.fillRect(QRect(QPoint(0, 0), size), QColor(245, 245, 240));
    const int w = size.width(), h = size.height();
    p.setPen(QPen(body.darker(150), 2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(w * 0.25, h * 0.18, w * 0.5, h * 0.7), 6, 6);
    p.drawRect(QRectF(w * 0.42, h * 0.04, w * 0.16, h * 0.14)); // flue pipe
    // window with a flame
    p.setBrush(QColor(30, 20, 10));
    const QRectF window(w * 0.33, h * 0.4, w * 0.34, h * 0.3);
    p.drawRect(window);
    QPainterPath flame;
    flame.moveTo(window.center().x(), window.top() + window.height() * 0.15);
    flame.cubicTo(window.right() - 4, window.center().y(), window.right() - 6, window.bottom() - 2,
                  window.center().x(), window.bottom() - 2);
    flame.cubicTo(window.left() + 6, window.bottom() - 2, window.left() + 4, window.center().y(),
                  window.center().x(), window.top() + window.height() * 0.15);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 150 + (n * 17) % 80, 20));
    p.drawPath(flame);
    p.setPen(Qt::black);
    QFont f = p.font();
    f.setPixelSize(h / 7);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(0, h * 0.86, w, h * 0.14), Qt::AlignCenter, QString::number(n));
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(dir);
    for (int n : {1, 2, 3, 4, 5, 6, 10, 12}) {
        QImage image(120, 120, QImage::Format_ARGB32);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        drawStove(p, n, image.size());
        p.end();
        if (!image.save(QStringLiteral("%1/Bild%2_scaled.png").arg(dir).arg(n)))
            return 1;
    }
    return 0;
}
