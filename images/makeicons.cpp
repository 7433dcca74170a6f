// Draws the program's icons into the directory given on the command line.
// The PNGs are committed; run the target kolvex_make_icons to redraw them.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {

using Draw = std::function<void(QPainter &)>;

void save(const QString &dir, const QString &name, const Draw &draw)
{
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    img.save(dir + "/" + name + ".png");
}

void letters(QPainter &p, const QString &text, const QColor &bg, const QColor &fg)
{
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    QFont f;
    f.setPixelSize(text.size() > 1 ? 13 : 20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(fg);
    p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, text);
}

void page(QPainter &p, const QColor &c)
{
    p.setPen(QPen(c.darker(160), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 4, 16, 21));
}

void stove(QPainter &p, const QColor &body)
{
    p.setPen(QPen(body.darker(160), 1.5));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(8, 8, 16, 21), 3, 3);
    p.drawRect(QRectF(13, 2, 6, 6));
    p.setBrush(QColor(255, 160, 30));
    p.drawRect(QRectF(11, 14, 10, 8));
}

void cross(QPainter &p, const QColor &c)
{
    p.setPen(QPen(c, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 9), QPointF(23, 23));
    p.drawLine(QPointF(23, 9), QPointF(9, 23));
}

void eraser(QPainter &p, const QColor &c)
{
    p.save();
    p.translate(16, 16);
    p.rotate(-35);
    p.setPen(QPen(c.darker(170), 1.5));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(-12, -6, 24, 12), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(-12, -6, 8, 12));
    p.restore();
}

// The application icon for menus and file managers, drawn on a 256-pixel
// grid and scaled to the requested size: a stove with a glowing window in
// front of a database drum, on a dark red tile.
void applicationIcon(const QString &dir, int size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, QColor(190, 55, 35));
    tile.setColorAt(1, QColor(120, 28, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    // Database drum behind the stove, on the right.
    const QColor drum(225, 215, 195);
    p.setPen(QPen(drum.darker(170), 5));
    p.setBrush(drum);
    p.drawRect(QRectF(128, 92, 96, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(128, 188, 96, 48));
    p.setPen(QPen(drum.darker(170), 5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(128, 188, 96, 48), 180 * 16, 180 * 16);
    p.drawArc(QRectF(128, 146, 96, 48), 180 * 16, 180 * 16);
    p.drawArc(QRectF(128, 104, 96, 48), 180 * 16, 180 * 16);
    p.setBrush(drum.lighter(110));
    p.drawEllipse(QRectF(128, 68, 96, 48));
    p.drawLine(QPointF(128, 92), QPointF(128, 212));
    p.drawLine(QPointF(224, 92), QPointF(224, 212));

    // Stove body with flue pipe.
    const QColor body(55, 55, 62);
    p.setPen(QPen(QColor(20, 20, 24), 6));
    p.setBrush(body);
    p.drawRect(QRectF(68, 22, 32, 36));
    p.drawRoundedRect(QRectF(36, 56, 112, 164), 14, 14);
    p.drawRect(QRectF(44, 212, 18, 18));
    p.drawRect(QRectF(122, 212, 18, 18));

    // Fire window with a flame.
    const QRectF window(54, 104, 76, 84);
    p.setBrush(QColor(30, 18, 10));
    p.drawRoundedRect(window, 6, 6);
    QPainterPath flame;
    const qreal cx = window.center().x();
    flame.moveTo(cx, window.top() + 12);
    flame.cubicTo(window.right() - 4, window.center().y(), window.right() - 10, window.bottom() - 6,
                  cx, window.bottom() - 6);
    flame.cubicTo(window.left() + 10, window.bottom() - 6, window.left() + 4, window.center().y(),
                  cx, window.top() + 12);
    QLinearGradient glow(0, window.top(), 0, window.bottom());
    glow.setColorAt(0, QColor(255, 230, 90));
    glow.setColorAt(1, QColor(245, 110, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawPath(flame);

    // Control knob above the window.
    p.setBrush(QColor(200, 200, 205));
    p.drawEllipse(QRectF(84, 72, 16, 16));
    p.end();
    img.save(QStringLiteral("%1/kolvexselvanto-%2.png").arg(dir).arg(size));
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    save(dir, "kolvexdb", [](QPainter &p) { stove(p, QColor(150, 60, 40)); });
    save(dir, "kolvex", [](QPainter &p) { letters(p, "K", QColor(170, 40, 30), Qt::white); });
    save(dir, "quarnel", [](QPainter &p) { letters(p, "Q", QColor(40, 90, 160), Qt::white); });
    save(dir, "grundofen", [](QPainter &p) { stove(p, QColor(200, 180, 150)); });
    save(dir, "schicht", [](QPainter &p) {
        const QColor layers[] = {QColor(190, 80, 50), QColor(230, 210, 150), QColor(150, 150, 150)};
        for (int i = 0; i < 3; ++i) {
            p.setPen(QPen(layers[i].darker(150), 1));
            p.setBrush(layers[i]);
            p.drawRect(QRectF(4 + i * 8, 4, 8, 24));
        }
    });
    save(dir, "clear", [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 120, 120));
        QPainterPath tag;
        tag.moveTo(2, 16);
        tag.lineTo(10, 6);
        tag.lineTo(30, 6);
        tag.lineTo(30, 26);
        tag.lineTo(10, 26);
        tag.closeSubpath();
        p.drawPath(tag);
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(15, 11), QPointF(25, 21));
        p.drawLine(QPointF(25, 11), QPointF(15, 21));
    });
    save(dir, "fonts", [](QPainter &p) {
        QFont f("Serif");
        f.setPixelSize(26);
        f.setItalic(true);
        p.setFont(f);
        p.setPen(QColor(30, 30, 30));
        p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, "A");
    });
    save(dir, "vcs_update", [](QPainter &p) {
        p.setPen(QPen(QColor(30, 130, 50), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6, 6, 20, 20), 30 * 16, 280 * 16);
        p.setBrush(QColor(30, 130, 50));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(22, 2), QPointF(30, 10), QPointF(20, 12)}));
    });
    save(dir, "editclear", [](QPainter &p) { eraser(p, QColor(220, 80, 80)); });
    save(dir, "editclear0", [](QPainter &p) { eraser(p, QColor(150, 150, 150)); });
    save(dir, "editclear1", [](QPainter &p) { eraser(p, QColor(60, 160, 60)); });
    save(dir, "editclear2", [](QPainter &p) { eraser(p, QColor(230, 150, 30)); });
    save(dir, "save_all", [](QPainter &p) {
        for (int i = 0; i < 2; ++i) {
            const QRectF r(3 + i * 7, 3 + i * 7, 20, 20);
            p.setPen(QPen(QColor(20, 40, 90), 1.5));
            p.setBrush(QColor(60, 100, 180));
            p.drawRect(r);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(r.left() + 4, r.top(), 12, 7));
        }
    });
    save(dir, "editcopy", [](QPainter &p) {
        page(p, QColor(60, 60, 60));
        p.translate(4, 4);
        page(p, QColor(60, 60, 60));
    });
    save(dir, "editpaste", [](QPainter &p) {
        p.setPen(QPen(QColor(110, 70, 30), 1.5));
        p.setBrush(QColor(190, 140, 80));
        p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(11, 12, 16, 18));
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(QRectF(11, 2, 8, 5));
    });
    save(dir, "editdelete", [](QPainter &p) { cross(p, QColor(200, 30, 30)); });
    save(dir, "edit_add", [](QPainter &p) {
        p.setPen(QPen(QColor(30, 140, 40), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 6), QPointF(16, 26));
        p.drawLine(QPointF(6, 16), QPointF(26, 16));
    });
    save(dir, "endturn", [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 120, 200));
        p.drawPolygon(QPolygonF({QPointF(6, 6), QPointF(22, 16), QPointF(6, 26)}));
        p.drawRect(QRectF(23, 6, 4, 20));
    });
    const Draw calculator = [](QPainter &p) {
        p.setPen(QPen(QColor(40, 40, 40), 1.5));
        p.setBrush(QColor(90, 90, 100));
        p.drawRoundedRect(QRectF(6, 2, 20, 28), 3, 3);
        p.setBrush(QColor(180, 220, 180));
        p.drawRect(QRectF(9, 5, 14, 6));
        p.setBrush(Qt::white);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                p.drawRect(QRectF(9 + c * 5, 14 + r * 5, 3, 3));
    };
    save(dir, "rechner", calculator);
    save(dir, "xcalc", calculator);
    for (int size : {48, 128, 256})
        applicationIcon(dir, size);
    return 0;
}
