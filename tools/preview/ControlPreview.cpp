// Renders what the controls look like, for a person to check:
//   buttons.png        every button state and kind, at 1:1 and enlarged 3 times
//   IconStrip1-x5.png  the strips as the icon library loaded them, enlarged 5 times,
//   IconStrip2-x5.png  17 slotCount to a row, numbered
//   icon-looks.png     a few icons in every Paint state 0..7 (4..7 turned), enlarged 4 times
//
//   zimbrel_control_preview <output folder>

#include "controls/IconStripLayout.h"
#include "controls/mivoButton.h"
#include "draw/GdiDraw.h"

#include <QApplication>
#include <QDir>
#include <QPainter>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Sample {
    const char* label;
    std::function<void(mivoButton&)> setup;
};

QImage Render(const std::function<void(mivoButton&)>& setup, QSize size)
{
    mivoButton button;
    button.resize(size);
    button.SetCaption(QStringLiteral("Verkleinern"));
    setup(button);
    button.Refresh();
    return button.SurfaceImage();
}

QImage ButtonSheet()
{
    const std::vector<Sample> kinds = {
        {"caption", [](mivoButton&) {}},
        {"icon + caption", [](mivoButton& b) { b.SetIcon(QStringLiteral("ok")); }},
        {"icon only",
         [](mivoButton& b) {
             b.SetCaption(QString());
             b.SetIcon(QStringLiteral("help"));
         }},
        {"drop-down",
         [](mivoButton& b) {
             b.SetCaption(QStringLiteral("Optionen"));
             b.SetIcon(QStringLiteral("v"));
         }},
        {"'>' caption",
         [](mivoButton& b) {
             b.SetCaption(QStringLiteral(">>Weiter"));
             b.SetIcon(QStringLiteral("properties"));
         }},
        {"square",
         [](mivoButton& b) {
             b.SetStyle(1);
             b.SetIcon(QStringLiteral("error"));
         }},
        {"no frame", [](mivoButton& b) { b.SetStyle(2); }},
    };
    const std::vector<Sample> states = {
        {"normal", [](mivoButton&) {}},
        {"hover", [](mivoButton& b) { b.SetState(1); }},
        {"pressed", [](mivoButton& b) { b.SetState(2); }},
        {"default", [](mivoButton& b) { b.SetDefault(true); }},
        {"default hover",
         [](mivoButton& b) {
             b.SetDefault(true);
             b.SetState(1);
         }},
        {"disabled", [](mivoButton& b) { b.SetEnabled(false); }},
    };
    const QSize buttonSize(110, 25);
    const int labelWidth = 100, cellW = buttonSize.width() + 10, cellH = buttonSize.height() + 10;
    QImage sheet(labelWidth + cellW * static_cast<int>(states.size()), 20 + cellH * static_cast<int>(kinds.size()),
                 QImage::Format_RGB32);
    sheet.fill(QApplication::palette().color(QPalette::Window));
    QPainter painter(&sheet);
    for (std::size_t s = 0; s < states.size(); ++s)
        painter.drawText(labelWidth + cellW * static_cast<int>(s), 14, QString::fromLatin1(states[s].label));
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const int y = 20 + cellH * static_cast<int>(k);
        painter.drawText(4, y + 17, QString::fromLatin1(kinds[k].label));
        for (std::size_t s = 0; s < states.size(); ++s) {
            const QImage face = Render(
                [&](mivoButton& b) {
                    kinds[k].setup(b);
                    states[s].setup(b);
                },
                buttonSize);
            painter.drawImage(labelWidth + cellW * static_cast<int>(s), y, face);
        }
    }
    return sheet;
}

QImage EnlargedStrip(const QImage& strip, int scale)
{
    const int perRow = 17, slotCount = strip.width() / 16, rows = (slotCount + perRow - 1) / perRow;
    const int cellW = 16 * scale + 6, cellH = 17 * scale + 18;
    QImage out(perRow * cellW, rows * cellH, QImage::Format_RGB32);
    out.fill(qRgb(210, 215, 235));
    QPainter painter(&out);
    for (int slot = 0; slot < slotCount; ++slot) {
        const int x = (slot % perRow) * cellW, y = (slot / perRow) * cellH;
        painter.drawImage(QRect(x, y + 14, 16 * scale, 17 * scale), strip.copy(slot * 16, 0, 16, 17));
        painter.drawText(x, y + 11, QString::number(slot + 1));
    }
    return out;
}

// Each icon painted in the eight states onto a pale ground, so that the transparent and
// greyed looks show what they let through; the lower four are the turned looks.
QImage IconLooks(mivoIcon& icons, int scale)
{
    const std::vector<const char*> names = {"ok", "error", "help", "properties", "right", "up", "sort"};
    const int cell = 24, labelWidth = 90, cellW = cell * scale + 8, cellH = cell * scale + 8;
    QImage out(labelWidth + 8 * cellW, 20 + static_cast<int>(names.size()) * cellH, QImage::Format_RGB32);
    out.fill(qRgb(210, 215, 235));
    QPainter painter(&out);
    for (int state = 0; state < 8; ++state)
        painter.drawText(labelWidth + state * cellW, 14, QStringLiteral("state %1").arg(state));
    for (std::size_t row = 0; row < names.size(); ++row) {
        const int y = 20 + static_cast<int>(row) * cellH;
        const QString name = QString::fromLatin1(names[row]);
        painter.drawText(4, y + cellH / 2, name);
        for (int state = 0; state < 8; ++state) {
            OffscreenPicture ground(cell, cell);
            gdi::FillBox(ground.hdc(), 0, 0, cell - 1, cell - 1, QColor(250, 220, 120));
            icons.Paint(ground.hdc(), 4, 4, icons.IconNr(name), static_cast<std::int16_t>(state));
            painter.drawImage(QRect(labelWidth + state * cellW, y, cell * scale, cell * scale), ground.Image());
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zimbrel_control_preview <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QImage sheet = ButtonSheet();
    QImage both(sheet.width() * 3, sheet.height() * 4, QImage::Format_RGB32);
    both.fill(Qt::white);
    {
        QPainter painter(&both);
        painter.drawImage(0, 0, sheet);
        painter.drawImage(QRect(0, sheet.height(), sheet.width() * 3, sheet.height() * 3), sheet);
    }
    mivoIcon icons;
    QImage strip2 = icons.PicIcon2().Image();
    // Number the second strip's slots from its first icon number.
    QImage strip2Shown = EnlargedStrip(strip2, 5);
    {
        QPainter painter(&strip2Shown);
        const int perRow = 17, cellW = 16 * 5 + 6, cellH = 17 * 5 + 18;
        for (int slot = 0; slot < strip2.width() / 16; ++slot) {
            const QRect label((slot % perRow) * cellW, (slot / perRow) * cellH, cellW, 13);
            painter.fillRect(label, qRgb(210, 215, 235));
            painter.drawText(label.x(), label.y() + 11, QString::number(slot + iconstrip::kStrip2First));
        }
    }
    const bool ok = both.save(out.filePath(QStringLiteral("buttons.png")))
        && EnlargedStrip(icons.PicIcon1().Image(), 5).save(out.filePath(QStringLiteral("IconStrip1-x5.png")))
        && strip2Shown.save(out.filePath(QStringLiteral("IconStrip2-x5.png")))
        && IconLooks(icons, 4).save(out.filePath(QStringLiteral("icon-looks.png")));
    if (!ok) {
        std::fprintf(stderr, "cannot write to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
