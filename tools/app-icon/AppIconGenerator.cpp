// Draws the program's icon: a photograph with a smaller copy of it in front, framed in the
// maker's crystal violet. One list of shapes on a 256-unit square is written twice: as
// the scalable SVG and, painted with QPainter, as the PNGs of the hicolor theme. Both are
// committed under data/icons/hicolor/.
//
//   zimbrel_app_icon <hicolor folder>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr double kCanvas = 256;
constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

// A fill is one colour, or a gradient from top to bottom of the shape's box.
struct Fill {
    Fill(QColor solid) : top(solid) {}
    Fill(QColor from, QColor to) : top(from), bottom(to) {}
    QColor top;
    QColor bottom; // invalid: solid
};

struct Shape {
    enum class Kind { RoundedRect, Polygon, Circle };
    Shape(Kind k, Fill f) : kind(k), fill(f) {}
    Kind kind;
    QRectF box;               // RoundedRect, Circle
    double radius = 0;        // RoundedRect
    std::vector<QPointF> pts; // Polygon
    Fill fill;
    QColor stroke; // invalid: none
    double strokeWidth = 0;
    bool detail = false; // left out below 32 pixels, where it would only blur
};

Shape RoundedRect(QRectF box, double radius, Fill fill, QColor stroke = {}, double strokeWidth = 0)
{
    Shape shape(Shape::Kind::RoundedRect, fill);
    shape.box = box;
    shape.radius = radius;
    shape.stroke = stroke;
    shape.strokeWidth = strokeWidth;
    return shape;
}

Shape Polygon(std::vector<QPointF> pts, Fill fill, bool detail = false)
{
    Shape shape(Shape::Kind::Polygon, fill);
    shape.pts = std::move(pts);
    shape.detail = detail;
    return shape;
}

Shape Circle(QPointF centre, double radius, Fill fill)
{
    Shape shape(Shape::Kind::Circle, fill);
    shape.box = QRectF(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    return shape;
}

const QColor kFrame(72, 52, 140); // the logo's outline
const QColor kPaper(255, 255, 255);

// A landscape photo inside box: sky, sun, a mountain and a meadow.
void Photo(std::vector<Shape>& shapes, const QRectF& box, double radius, bool withSnow)
{
    const double x = box.left(), y = box.top(), w = box.width(), h = box.height();
    const auto at = [&](double fx, double fy) { return QPointF(x + fx * w, y + fy * h); };
    shapes.push_back(RoundedRect(box, radius, {QColor(92, 170, 236), QColor(196, 230, 252)}));
    shapes.push_back(Circle(at(0.74, 0.28), 0.11 * w, {QColor(255, 214, 80), QColor(246, 180, 40)}));
    shapes.push_back(
        Polygon({at(0, 0.78), at(0.36, 0.30), at(0.72, 0.78)}, {QColor(120, 104, 196), QColor(72, 52, 140)}));
    if (withSnow)
        shapes.push_back(
            Polygon({at(0.36, 0.30), at(0.45, 0.425), at(0.39, 0.40), at(0.33, 0.44), at(0.28, 0.41)}, {kPaper}, true));
    // The meadow's lower corners follow the photo's rounding.
    shapes.push_back(Polygon({at(0, 0.70), at(0.30, 0.62), at(0.62, 0.66), at(1, 0.56), at(1, 1 - radius / h),
                              at(1 - radius / w, 1), at(radius / w, 1), at(0, 1 - radius / h)},
                             {QColor(124, 200, 84), QColor(64, 150, 56)}));
}

std::vector<Shape> Icon()
{
    std::vector<Shape> shapes;
    // The original: a print on white paper.
    shapes.push_back(RoundedRect(QRectF(8, 24, 200, 168), 16, {kPaper}, kFrame, 8));
    Photo(shapes, QRectF(24, 40, 168, 136), 6, true);
    // Its reduced copy, in front at the lower right.
    shapes.push_back(RoundedRect(QRectF(128, 120, 120, 104), 12, {kPaper}, kFrame, 8));
    Photo(shapes, QRectF(140, 132, 96, 80), 4, false);
    return shapes;
}

QBrush Brush(const Fill& fill, const QRectF& box)
{
    if (!fill.bottom.isValid())
        return fill.top;
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    gradient.setColorAt(0, fill.top);
    gradient.setColorAt(1, fill.bottom);
    return gradient;
}

QPainterPath PathOf(const Shape& shape)
{
    QPainterPath path;
    switch (shape.kind) {
    case Shape::Kind::RoundedRect:
        path.addRoundedRect(shape.box, shape.radius, shape.radius);
        break;
    case Shape::Kind::Circle:
        path.addEllipse(shape.box);
        break;
    case Shape::Kind::Polygon:
        path.moveTo(shape.pts.front());
        for (std::size_t i = 1; i < shape.pts.size(); ++i)
            path.lineTo(shape.pts[i]);
        path.closeSubpath();
        break;
    }
    return path;
}

QImage Paint(const std::vector<Shape>& shapes, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kCanvas, size / kCanvas);
    for (const Shape& shape : shapes) {
        if (shape.detail && size < 32)
            continue;
        const QPainterPath path = PathOf(shape);
        p.fillPath(path, Brush(shape.fill, path.boundingRect()));
        if (shape.stroke.isValid()) {
            // Never thinner than one pixel, or the frame fades out at 16 pixels.
            const double width = std::max(shape.strokeWidth, kCanvas / size);
            p.strokePath(path, QPen(shape.stroke, width, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
        }
    }
    return image;
}

QString Number(double value)
{
    return QString::number(value, 'g', 6);
}

QString Colour(const QColor& colour)
{
    return colour.name(QColor::HexRgb);
}

QString Svg(const std::vector<Shape>& shapes)
{
    QString defs, body;
    int gradients = 0;
    for (const Shape& shape : shapes) {
        const QRectF box = PathOf(shape).boundingRect();
        QString fill = Colour(shape.fill.top);
        if (shape.fill.bottom.isValid()) {
            const QString id = QStringLiteral("g%1").arg(++gradients);
            defs += QStringLiteral("    <linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"%2\" "
                                   "x2=\"0\" y2=\"%3\"><stop offset=\"0\" stop-color=\"%4\"/>"
                                   "<stop offset=\"1\" stop-color=\"%5\"/></linearGradient>\n")
                        .arg(id, Number(box.top()), Number(box.bottom()), Colour(shape.fill.top),
                             Colour(shape.fill.bottom));
            fill = QStringLiteral("url(#%1)").arg(id);
        }
        QString paint = QStringLiteral("fill=\"%1\"").arg(fill);
        if (shape.stroke.isValid())
            paint += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\" stroke-linejoin=\"round\"")
                         .arg(Colour(shape.stroke), Number(shape.strokeWidth));
        switch (shape.kind) {
        case Shape::Kind::RoundedRect:
            body += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" %6/>\n")
                        .arg(Number(shape.box.x()), Number(shape.box.y()), Number(shape.box.width()),
                             Number(shape.box.height()), Number(shape.radius), paint);
            break;
        case Shape::Kind::Circle:
            body += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" %4/>\n")
                        .arg(Number(shape.box.center().x()), Number(shape.box.center().y()),
                             Number(shape.box.width() / 2), paint);
            break;
        case Shape::Kind::Polygon: {
            QStringList points;
            for (const QPointF& pt : shape.pts)
                points << Number(pt.x()) + u',' + Number(pt.y());
            body += QStringLiteral("  <polygon points=\"%1\" %2/>\n").arg(points.join(u' '), paint);
            break;
        }
        }
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                          "viewBox=\"0 0 256 256\">\n  <defs>\n%1  </defs>\n%2</svg>\n")
        .arg(defs, body);
}

bool Write(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(file.left(file.lastIndexOf(u'/')));
    QFile out(file);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size() && out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zimbrel_app_icon <hicolor folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const std::vector<Shape> shapes = Icon();
    bool ok = Write(folder + QStringLiteral("/scalable/apps/zimbrel.svg"), Svg(shapes).toUtf8());
    for (const int size : kSizes) {
        const QString file = folder + QStringLiteral("/%1x%1/apps/zimbrel.png").arg(size);
        QDir().mkpath(file.left(file.lastIndexOf(u'/')));
        ok = Paint(shapes, size).save(file) && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "zimbrel_app_icon: cannot write into %s\n", qPrintable(folder));
        return 1;
    }
    return 0;
}
