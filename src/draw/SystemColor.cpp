#include "SystemColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

namespace {

struct Mapping {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    QRgb classic; // used when no application (and so no palette) exists
};

// System colour index -> palette role. Indexes without a close role fall back to Window.
Mapping MappingFor(std::uint32_t index)
{
    switch (index) {
    case 1:  // desktop
    case 4:  // menu
    case 15: // button face
        return {QPalette::Active, index == 15 ? QPalette::Button : QPalette::Window, qRgb(240, 240, 240)};
    case 5: // window background
        return {QPalette::Active, QPalette::Base, qRgb(255, 255, 255)};
    case 6:  // window frame
    case 21: // 3D dark shadow
        return {QPalette::Active, QPalette::Shadow, qRgb(105, 105, 105)};
    case 7: // menu text
        return {QPalette::Active, QPalette::WindowText, qRgb(0, 0, 0)};
    case 8: // window text
        return {QPalette::Active, QPalette::Text, qRgb(0, 0, 0)};
    case 13: // selection
        return {QPalette::Active, QPalette::Highlight, qRgb(0, 120, 215)};
    case 14: // selected text
        return {QPalette::Active, QPalette::HighlightedText, qRgb(255, 255, 255)};
    case 16: // button shadow
        return {QPalette::Active, QPalette::Dark, qRgb(160, 160, 160)};
    case 17: // grey (disabled) text
        return {QPalette::Disabled, QPalette::Text, qRgb(109, 109, 109)};
    case 18: // button text
        return {QPalette::Active, QPalette::ButtonText, qRgb(0, 0, 0)};
    case 20: // button highlight
        return {QPalette::Active, QPalette::Light, qRgb(255, 255, 255)};
    case 22: // 3D light
        return {QPalette::Active, QPalette::Midlight, qRgb(227, 227, 227)};
    case 23: // tooltip text
        return {QPalette::Active, QPalette::ToolTipText, qRgb(0, 0, 0)};
    case 24: // tooltip background
        return {QPalette::Active, QPalette::ToolTipBase, qRgb(255, 255, 225)};
    case 26: // hot-tracked item
        return {QPalette::Active, QPalette::Link, qRgb(0, 102, 204)};
    default:
        return {QPalette::Active, QPalette::Window, qRgb(240, 240, 240)};
    }
}

} // namespace

QColor TranslateColor(std::uint32_t value)
{
    if ((value & 0x80000000u) == 0)
        return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    const Mapping mapping = MappingFor(value & 0xFF);
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QColor::fromRgb(mapping.classic);
    return QGuiApplication::palette().color(mapping.group, mapping.role);
}

} // namespace platform
