// Draws the maker's logo for the About window: a quartz crystal giving off light above
// the name "Quarzlicht" and the word "SOFTWARE", 149 x 84 pixels on white (the window's
// background), and writes QuarzlichtLogo.png and, drawn anew at twice the resolution for
// high-density screens, QuarzlichtLogo@2x.png; both are committed under src/about/.
//
//   zimbrel_logo <output folder>

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 149;
constexpr int kHeight = 84;
constexpr double kCentre = kWidth / 2.0;

const QColor kOutline(72, 52, 140);
const QColor kRay(246, 196, 64);

void Facet(QPainter& p, const QPolygonF& shape, const QColor& top, const QColor& bottom)
{
    QLinearGradient shade(shape.boundingRect().topLeft(), shape.boundingRect().bottomLeft());
    shade.setColorAt(0, top);
    shade.setColorAt(1, bottom);
    p.setBrush(shade);
    p.drawPolygon(shape);
}

// Rays fan out from behind the crystal's upper part, longer towards the sides.
void Rays(QPainter& p)
{
    const QPointF source(kCentre, 20);
    for (int i = 0; i < 7; ++i) {
        const double angle = (-150 + i * 20) * M_PI / 180; // from upper left over the top to upper right
        const double length = 30 + std::abs(i - 3) * 4;
        const QPointF tip = source + QPointF(std::cos(angle) * length, std::sin(angle) * length * 0.55);
        p.setPen(QPen(kRay, i == 3 ? 0 : 1.6, Qt::SolidLine, Qt::RoundCap));
        if (i != 3)
            p.drawLine(source, tip);
    }
    for (int side : {-1, 1}) {
        p.setPen(QPen(kRay, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(kCentre + side * 20, 30), QPointF(kCentre + side * 46, 30));
        p.drawLine(QPointF(kCentre + side * 20, 38), QPointF(kCentre + side * 38, 42));
    }
}

void Crystal(QPainter& p)
{
    const double l = kCentre - 13, ml = kCentre - 4.5, mr = kCentre + 4.5, r = kCentre + 13;
    const QPointF tip(kCentre, 2);
    p.setPen(QPen(kOutline, 1));
    // Three faces of the prism, front one lightest, then the pyramid above them.
    Facet(p, QPolygonF({QPointF(l, 16), QPointF(ml, 19), QPointF(ml, 48), QPointF(l, 45)}), QColor(176, 160, 236),
          QColor(128, 108, 210));
    Facet(p, QPolygonF({QPointF(ml, 19), QPointF(mr, 19), QPointF(mr, 48), QPointF(ml, 48)}), QColor(232, 226, 255),
          QColor(178, 164, 240));
    Facet(p, QPolygonF({QPointF(mr, 19), QPointF(r, 16), QPointF(r, 45), QPointF(mr, 48)}), QColor(150, 130, 222),
          QColor(98, 78, 184));
    Facet(p, QPolygonF({QPointF(l, 16), tip, QPointF(ml, 19)}), QColor(214, 204, 252), QColor(170, 154, 236));
    Facet(p, QPolygonF({QPointF(ml, 19), tip, QPointF(mr, 19)}), QColor(250, 248, 255), QColor(214, 206, 252));
    Facet(p, QPolygonF({QPointF(mr, 19), tip, QPointF(r, 16)}), QColor(190, 176, 244), QColor(140, 120, 220));
    // A glint on the front face.
    p.setPen(QPen(QColor(255, 255, 255), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(kCentre - 1.5, 24), QPointF(kCentre - 1.5, 36));
}

void Name(QPainter& p)
{
    QFont name(QStringLiteral("Liberation Sans"));
    name.setPixelSize(18);
    name.setBold(true);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    p.setFont(name);
    p.setPen(kOutline);
    p.drawText(QRect(0, 50, kWidth, 20), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Quarzlicht"));

    QFont word(QStringLiteral("Liberation Sans"));
    word.setPixelSize(9);
    word.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(word);
    p.setPen(QColor(104, 100, 124));
    // The spacing after the last letter would push the word off centre.
    p.drawText(QRect(3, 71, kWidth, 11), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("SOFTWARE"));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zimbrel_logo <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    for (const int scale : {1, 2}) {
        QImage logo(kWidth * scale, kHeight * scale, QImage::Format_RGB32);
        logo.fill(Qt::white);
        {
            QPainter p(&logo);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.scale(scale, scale);
            Rays(p);
            Crystal(p);
            Name(p);
        }
        const QString file = folder
            + (scale == 1 ? QStringLiteral("/QuarzlichtLogo.png") : QStringLiteral("/QuarzlichtLogo@2x.png"));
        if (!logo.save(file)) {
            std::fprintf(stderr, "zimbrel_logo: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
