#include "mivoIcon.h"

#include "draw/GdiDraw.h"
#include "imaging/StdImage.h"
#include "platform/Errors.h"
#include "platform/Numeric.h"

// Q_INIT_RESOURCE must be used outside any namespace, and a static library's resources
// are only registered when someone asks for them.
static void InitIconStrips()
{
    Q_INIT_RESOURCE(IconStrips);
}

namespace {

const QString kBuiltinNames = QStringLiteral(
    "right left delete preview print save editfile upload download web urldocument url file key "
    "exclamation up down newfile edit properties control error undo ok question openpath return path "
    "topic db home person persons contact text keys letter letters openletter packet table sendmail "
    "drive topicpath warning info schedule bookopen book sync up refresh checked unchecked open cut "
    "copy paste find redo task date access excel frontpage outlook powerpoint word checkedgray "
    "uncheckedgray attachment play playend playstart playback filter sort shortcut archivfile "
    "archivout archivin archivmail plus minus keyword hierarchie help archivbox books");

using iconstrip::kStrip1Slots;
using iconstrip::kStrip2First;
using iconstrip::kStripHeight;
constexpr std::int32_t kScratchSize = 25;

// The text before the first separator; it and the separator leave text. Without a
// separator all of text is the token and text ends up empty.
QString CutToken(QString& text, QChar separator)
{
    const qsizetype at = text.indexOf(separator);
    if (at < 0)
        return std::exchange(text, QString());
    QString token = text.left(at);
    text.remove(0, at + 1);
    return token;
}

std::unique_ptr<OffscreenPicture> LoadStrip(const QImage& image, std::int32_t width)
{
    if (image.width() == width && image.height() == kStripHeight)
        return std::make_unique<OffscreenPicture>(image);
    // A build without the pictures still works, with blank icons.
    return std::make_unique<OffscreenPicture>(width, kStripHeight);
}

QImage StripAt2x(const QString& resource, std::int32_t slotCount)
{
    QImage image(resource);
    if (image.width() != slotCount * iconstrip::kIconSize * 2 || image.height() != kStripHeight * 2)
        return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

// The strips, decoded once per process: every button has an icon control of its own,
// and decoding four pictures for each held up the opening of every window (the
// progress window's among them, while the first files wait).
struct DecodedStrips {
    bool registered = (InitIconStrips(), true); // before the pictures are read
    QImage strip1{QStringLiteral(":/zimbrel/icons/IconStrip1.png")};
    QImage strip2{QStringLiteral(":/zimbrel/icons/IconStrip2.png")};
    QImage strip1At2x = StripAt2x(QStringLiteral(":/zimbrel/icons/IconStrip1@2x.png"), kStrip1Slots);
    QImage strip2At2x = StripAt2x(QStringLiteral(":/zimbrel/icons/IconStrip2@2x.png"), iconstrip::kStrip2Slots);
};

const DecodedStrips& Strips()
{
    static const DecodedStrips strips;
    return strips;
}

} // namespace

mivoIcon::mivoIcon(QWidget* parent) : QWidget(parent)
{
    setVisible(false);
    QString names = kBuiltinNames;
    while (!names.isEmpty())
        iconNames.append(CutToken(names, u' '));
    const DecodedStrips& strips = Strips();
    PicIcon1_ = LoadStrip(strips.strip1, kStrip1Slots * kIconSize);
    PicIcon2_ = LoadStrip(strips.strip2, iconstrip::kStrip2Slots * kIconSize);
    strip1At2x_ = strips.strip1At2x;
    strip2At2x_ = strips.strip2At2x;
    Picture1_ = std::make_unique<OffscreenPicture>(kScratchSize, kScratchSize);
    Picture2_ = std::make_unique<OffscreenPicture>(kScratchSize, kScratchSize);
}

mivoIcon::~mivoIcon() = default;

QString mivoIcon::BuiltinIconName(std::int16_t n) const
{
    if (n < 1 || n > iconNames.size())
        return {};
    return iconNames.at(n - 1);
}

std::int16_t mivoIcon::LookupIconName(const QString& name) const
{
    if (name == u"-")
        return -1;
    if (const double value = numeric::LeadingNumber(name); value != 0)
        return numeric::ToInt16(value);
    const QString wanted = name == u"location" ? QStringLiteral("db") : name;
    const qsizetype at = iconNames.indexOf(wanted);
    return at < 0 ? 0 : static_cast<std::int16_t>(at + 1);
}

std::int16_t mivoIcon::IconNr(const QString& ico) const
{
    if (ico == u"#")
        return -1;
    if (ico == u"##")
        return -2;
    if (ico == u"~")
        return -3;
    if (ico == u"-")
        return 199;
    QString added = addedNames;
    for (std::int16_t k = 1; !added.isEmpty(); k = numeric::Add16(k, 1)) {
        if (CutToken(added, u',') == ico)
            return numeric::Add16(kBuiltinCount, k);
    }
    return LookupIconName(ico);
}

QString mivoIcon::IconString(std::int16_t ico) const
{
    if (ico > kBuiltinCount) {
        QString added = addedNames;
        for (int skip = ico - kBuiltinCount - 1; skip > 0; --skip)
            CutToken(added, u',');
        return CutToken(added, u',');
    }
    return BuiltinIconName(ico);
}

std::int32_t mivoIcon::AddSlot(const QString& icona)
{
    addedNames += icona + u',';
    addedCount = numeric::Add16(addedCount, 1);
    PicIcon2_->Resize(PicIcon2_->Width() + kIconSize, PicIcon2_->Height());
    return numeric::Mul16(numeric::Sub16(numeric::Add16(kBuiltinCount, addedCount), kStrip2First), kIconSize);
}

void mivoIcon::AddIcon(const QString& icona, gdi::HDC picbox)
{
    const std::int32_t x = AddSlot(icona);
    if (!gdi::BitBlt(PicIcon2_->hdc(), x, 0, kIconSize, kIconSize, picbox, 0, 0, gdi::SRCCOPY))
        throw errors::ObjectRequired();
}

void mivoIcon::AddIcon(const QString& icona, const Picture& picbox)
{
    const std::int32_t x = AddSlot(icona);
    if (picbox.IsEmpty())
        throw errors::ObjectRequired();
    // The picture becomes Picture1's picture: drawn at its top-left corner over white.
    gdi::FillBox(Picture1_->hdc(), 0, 0, Picture1_->Width() - 1, Picture1_->Height() - 1, Qt::white);
    const gdi::HDC dc = gdi::CreateCompatibleDC(0);
    const gdi::HBITMAP placeholder = gdi::SelectObject(dc, picbox.Handle());
    gdi::BitBlt(Picture1_->hdc(), 0, 0, picbox.Width(), picbox.Height(), dc, 0, 0, gdi::SRCCOPY);
    gdi::SelectObject(dc, placeholder);
    gdi::DeleteDC(dc);
    gdi::BitBlt(PicIcon2_->hdc(), x, 0, kIconSize, kIconSize, Picture1_->hdc(), 0, 0, gdi::SRCCOPY);
}

const OffscreenPicture& mivoIcon::GetIcon(const QString& ico)
{
    const std::int16_t n = LookupIconName(ico);
    const bool first = n <= kStrip1Slots;
    const std::int16_t x = numeric::Mul16(numeric::Sub16(n, first ? 1 : kStrip2First), kIconSize);
    const OffscreenPicture& strip = first ? *PicIcon1_ : *PicIcon2_;
    gdi::BitBlt(Picture1_->hdc(), 0, 0, kIconSize, kIconSize, strip.hdc(), x, 0, gdi::SRCCOPY);
    return *Picture1_;
}

void mivoIcon::Paint(gdi::HDC dsthdc, std::int32_t X, std::int32_t Y, std::int16_t ico, std::int16_t state)
{
    // Every step's errors are ignored; a failed step leaves its results at their start
    // values and the next step runs with them.
    const OffscreenPicture* source = PicIcon1_.get();
    std::int16_t sx = 0;
    errors::IgnoreErrors([&] {
        if (ico <= kStrip1Slots) {
            source = PicIcon1_.get();
            sx = numeric::Mul16(numeric::Sub16(ico, 1), kIconSize);
        } else {
            source = PicIcon2_.get();
            sx = numeric::Mul16(numeric::Sub16(ico, kStrip2First), kIconSize);
        }
    });

    if (state & 4) {
        // The turned look: the icon turned by 90 degrees over Picture2's earlier content,
        // which then is the source of the look below. Where the turn draws nothing (or
        // fails), Picture2's earlier content shows.
        errors::IgnoreErrors(
            [&] { gdi::BitBlt(Picture1_->hdc(), 0, 0, kIconSize, kIconSize, source->hdc(), sx, 0, gdi::SRCCOPY); });
        errors::IgnoreErrors([&] {
            // Fresh pivots each time: the defaults written back into them are not kept.
            std::int16_t pivotX = StdImage::kPivotNotGiven;
            std::int16_t pivotY = StdImage::kPivotNotGiven;
            const FixedDecimal one = FixedDecimal::FromInteger(1);
            StdImage::DrawRotated(Picture2_->hdc(), FixedDecimal::FromInteger(90), 8, 7, kIconSize, kIconSize,
                                  Picture1_->Bitmap(), 15, one, one, pivotX, pivotY);
        });
        source = Picture2_.get();
        sx = 0;
    }

    errors::IgnoreErrors([&] {
        switch (state & 3) {
        case 0:
            gdi::BitBlt(dsthdc, X, Y, kIconSize, kIconSize, source->hdc(), sx, 0, gdi::SRCCOPY);
            break;
        case 1:
            gdi::BitBlt(dsthdc, X, Y, kIconSize, kIconSize, source->hdc(), sx, 0, gdi::SRCAND);
            break;
        case 2:
            // Top bit of every channel set (dark turns mid-grey, white stays), then ANDed.
            gdi::FillBox(Picture1_->hdc(), 0, 0, Picture1_->Width() - 1, Picture1_->Height() - 1,
                         QColor(128, 128, 128));
            gdi::BitBlt(Picture1_->hdc(), 0, 0, kIconSize, kIconSize, source->hdc(), sx, 0, gdi::SRCPAINT);
            gdi::BitBlt(dsthdc, X, Y, kIconSize, kIconSize, Picture1_->hdc(), 0, 0, gdi::SRCAND);
            break;
        default: // 3: no look at all
            break;
        }
    });
}

QImage mivoIcon::LookAt2x(std::int16_t ico, std::int16_t state) const
{
    if (ico < 1 || ico > kBuiltinCount || (state & 4) || (state & 3) == 3)
        return {};
    const bool first = ico <= kStrip1Slots;
    const QImage& strip = first ? strip1At2x_ : strip2At2x_;
    if (strip.isNull())
        return {};
    const int slot = first ? ico - 1 : ico - kStrip2First;
    QImage look = strip.copy(slot * kIconSize * 2, 0, kIconSize * 2, kIconSize * 2);
    if ((state & 3) == 2) {
        // The greyed look as at 1x: the top bit of every channel set.
        for (int y = 0; y < look.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(look.scanLine(y));
            for (int x = 0; x < look.width(); ++x)
                row[x] |= 0xFF808080;
        }
    }
    look.setDevicePixelRatio(2);
    return look;
}
