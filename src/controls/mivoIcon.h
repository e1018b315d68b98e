#pragma once
// The icon library control: 89 named 16 x 16 icons in two strips, icons added at run
// time, and painting of one icon into any device context in one of four looks. The
// control is never shown; its owner (every command button has one) only calls it.
//
// Icon numbers are 16-bit: number n lives at x = (n - 1) * 16 of strip 1 for n <= 68 and
// at x = (n - 69) * 16 of strip 2 above that. Added icons get the numbers 90, 91, ...

#include "controls/IconStripLayout.h"
#include "controls/OffscreenPicture.h"
#include "imaging/Picture.h"
#include "platform/Gdi.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <memory>

class mivoIcon : public QWidget {
    Q_OBJECT

public:
    static constexpr std::int16_t kBuiltinCount = iconstrip::kBuiltinCount;
    static constexpr std::int32_t kIconSize = iconstrip::kIconSize;

    explicit mivoIcon(QWidget* parent = nullptr);
    ~mivoIcon() override;

    // Draws icon ico with its top-left corner at (X, Y) of dsthdc. state & 3 picks the
    // look: 0 opaque, 1 transparent (the destination shows through white pixels), 2 greyed
    // (the disabled look), 3 nothing. State bit 4 first turns the icon counterclockwise by
    // 90 degrees into the scratch picture Picture2 and draws the look from there: its
    // pixel (x, y) shows icon pixel (15 - y, x) for x 0..14, y 1..15, while row 0 and
    // column 15 keep Picture2's earlier content. Never fails: a failing step is skipped,
    // and an icon number outside the strips copies whatever part of its square lies inside
    // them.
    void Paint(gdi::HDC dsthdc, std::int32_t X, std::int32_t Y, std::int16_t ico, std::int16_t state);

    // The name of icon number ico: a built-in name for 1..89, an added name above; "" when
    // there is none.
    QString IconString(std::int16_t ico) const;

    // The number of an icon name: "#" -1, "##" -2, "~" -3, "-" 199; then added names
    // (they win), then a number given as text, then the built-in names ("location" stands
    // for "db"). 0 when nothing matches. errors::OverflowError for a number outside 16 bits.
    std::int16_t IconNr(const QString& ico) const;

    // Adds an icon named icona from the 16 x 16 pixels at (0, 0) of a picture box's device
    // context (picbox) or of a picture. The strip grows by one slot per call.
    // errors::ObjectRequired when picbox holds no bitmap; errors::OverflowError after
    // 32767 calls. The name counts as added even when the copy fails.
    void AddIcon(const QString& icona, gdi::HDC picbox);
    void AddIcon(const QString& icona, const Picture& picbox);

    // Copies the built-in icon named (or numbered) ico to the top-left corner of the
    // scratch picture Picture1 and returns that picture, which stays owned by the control
    // and changes with the next GetIcon or greyed Paint. Added names are not searched.
    // errors::OverflowError for a number outside 16 bits.
    const OffscreenPicture& GetIcon(const QString& ico);

    // The look of icon ico (state 0 opaque, 1 transparent, 2 greyed) drawn from the strips
    // drawn at twice the resolution: 32 x 32 pixels with device pixel ratio 2, for screens
    // of a device pixel ratio of 1.5 and more. A null image where there is no such
    // drawing (an added icon, a number outside the strips, the turned look, state 3), so
    // the caller scales the 16 x 16 look instead.
    QImage LookAt2x(std::int16_t ico, std::int16_t state) const;

    // The two strips, for owners that show or check them.
    const OffscreenPicture& PicIcon1() const { return *PicIcon1_; }
    const OffscreenPicture& PicIcon2() const { return *PicIcon2_; }

private:
    QString BuiltinIconName(std::int16_t n) const;
    std::int16_t LookupIconName(const QString& name) const;
    // Appends a name and returns the x of its new slot in strip 2.
    std::int32_t AddSlot(const QString& icona);

    QStringList iconNames;
    QString addedNames; // each added name followed by ","
    std::int16_t addedCount = 0;

    std::unique_ptr<OffscreenPicture> PicIcon1_;
    std::unique_ptr<OffscreenPicture> PicIcon2_;
    std::unique_ptr<OffscreenPicture> Picture1_;
    std::unique_ptr<OffscreenPicture> Picture2_;
    QImage strip1At2x_; // null when the build has none
    QImage strip2At2x_;
};
