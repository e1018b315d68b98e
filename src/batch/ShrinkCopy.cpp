#include "ShrinkCopy.h"

#include "batch/JobSettings.h"
#include "batch/OutputPaths.h"
#include "batch/SizeBudget.h"
#include "imaging/AtomicFile.h"
#include "imaging/ExifOrientation.h"
#include "imaging/JpegCopyEncoder.h"
#include "imaging/Lanczos3.h"
#include "imaging/PictureLoader.h"
#include "imaging/TargetFolder.h"
#include "imaging/WebPCopyEncoder.h"
#include "imaging/aDIBSection.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/Numeric.h"
#include "support/StdModul.h"

#include <memory>

#include <fcntl.h>
#include <optional>

namespace batch {

namespace {

// A copy smaller than this long edge is no longer worth sending: the budget fails instead.
constexpr std::int32_t kSmallestLongEdge = 16;

using Size = imaging::CopySize;

// The copy's size for a width x height picture, by the window's rules (ConvertPicture):
// the long edge to N where larger, or both edges scaled by a percentage. None when the
// rules give no picture (a percentage of 0) or the arithmetic overflows.
std::optional<Size> PlannedSize(std::int32_t w, std::int32_t h, const QString& sizeText)
{
    std::optional<Size> planned;
    errors::IgnoreErrors([&] {
        const std::optional<imaging::CopySize> copy = CopySizeFor(w, h, ReadSizeText(sizeText));
        planned = copy ? *copy : Size{w, h};
    });
    if (planned && (planned->width <= 0 || planned->height <= 0))
        planned.reset();
    return planned;
}

// The loaded picture and how to make copies of any size from it. A sideways JPEG is held
// as stored: the bilinear copy reads through the turn, a Lanczos-3 copy is reduced as
// stored and only the small copy is turned.
class Reducer {
public:
    Reducer(const aDIBSection& loaded, int turn, ReductionFilter filter, bool percent)
        : loaded_(loaded), turn_(turn), filter_(filter), percent_(percent)
    {
    }

    // The upright picture's size.
    Size Upright() const
    {
        return imaging::SwapsEdges(turn_) ? Size{loaded_.Height(), loaded_.Width()}
                                          : Size{loaded_.Width(), loaded_.Height()};
    }

    // The copy at size; null when it cannot be made. A bilinear copy is the window's
    // Resample exactly: percent sizes always resample, pixel sizes only when smaller.
    const aDIBSection* At(Size size)
    {
        reduced_.reset();
        const bool same = size.width == Upright().width && size.height == Upright().height;
        if (same && turn_ == 1 && (filter_ == ReductionFilter::Lanczos3 || !percent_))
            return &loaded_;
        errors::IgnoreErrors([&] {
            if (filter_ == ReductionFilter::Bilinear || same) {
                reduced_ = loaded_.Resample(size.height, size.width, turn_);
                return;
            }
            const bool swaps = imaging::SwapsEdges(turn_);
            reduced_ = imaging::ResampleLanczos3(loaded_, swaps ? size.height : size.width,
                                                 swaps ? size.width : size.height);
            if (reduced_ && turn_ != 1)
                reduced_ = reduced_->Resample(size.height, size.width, turn_);
        });
        return reduced_.get();
    }

private:
    const aDIBSection& loaded_;
    int turn_;
    ReductionFilter filter_;
    bool percent_;
    std::unique_ptr<aDIBSection> reduced_;
};

QByteArray Encode(OutputFormat format, const aDIBSection& bitmap, std::int32_t quality,
                  const imaging::PhotoMetadata& metadata, QString* failure)
{
    return format == OutputFormat::WebP ? imaging::EncodeWebPCopy(bitmap, quality, &metadata, failure)
                                        : imaging::EncodeJpegCopy(bitmap, quality, &metadata, failure);
}

} // namespace

int DecodeEighthsFor(std::int32_t width, std::int32_t height, std::int32_t targetWidth, std::int32_t targetHeight)
{
    // Only the scales whose inverse DCT libjpeg-turbo has in vector code: 3/8 and 5/8 to 7/8
    // come out smaller but decode slower than the next of these, and the larger picture
    // costs the filter less than that.
    for (const int eighths : {1, 2, 4}) {
        // libjpeg's scaled size: the edge times eighths / 8, rounded up.
        const std::int64_t scaledWidth = (std::int64_t{width} * eighths + 7) / 8;
        const std::int64_t scaledHeight = (std::int64_t{height} * eighths + 7) / 8;
        if (scaledWidth >= 2 * std::int64_t{targetWidth} && scaledHeight >= 2 * std::int64_t{targetHeight})
            return eighths;
    }
    return 8;
}

ConvertReport ShrinkCopy(const OutputOptions& options, const QString& source, const QString& target,
                         std::int32_t quality, const QString& sizeText, const std::function<QString()>& refusal,
                         const CopyDestination* into)
{
    ConvertReport report;
    if (CopyIsCurrent(options, source, target)) {
        report.skipped = true;
        report.note = QStringLiteral("the copy is up to date");
        return report;
    }
    // A mirrored copy's folders are made before the guard looks, so that it judges the
    // folder the write will really land in (a link on the way is followed by then).
    const auto mayWrite = [&] {
        if (options.mirror && !into)
            CreateTargetFolder(options, target.left(target.lastIndexOf(StdModul::PathSeparator()) + 1));
        return refusal ? refusal() : QString();
    };
    if (options.dryRun) {
        report.failure = refusal ? refusal() : QString();
        return report;
    }
    if (options.ShrinksAsWindow())
        return ConvertPicture(source, target, quality, sizeText, mayWrite, into);

    // Loaded at a reduced scale for Lanczos-3; the copy's size comes from the full size.
    std::optional<Size> full;
    std::optional<Size> planned;
    imaging::DecodeScale scale;
    if (options.filter == ReductionFilter::Lanczos3) {
        scale = [&](std::int32_t width, std::int32_t height) {
            full = Size{width, height};
            planned = PlannedSize(width, height, sizeText);
            return planned ? DecodeEighthsFor(width, height, planned->width, planned->height) : 8;
        };
    }
    // A single copy of a JPEG is made while it is decoded.
    imaging::ReduceTo reduce;
    if (options.maxBytes <= 0) {
        reduce = [&](std::int32_t width, std::int32_t height) {
            if (!full) {
                full = Size{width, height};
                planned = PlannedSize(width, height, sizeText);
            }
            return planned;
        };
    }
    aDIBSection loaded;
    imaging::LoadDetails details;
    errors::IgnoreErrors([&] {
        Picture picture = imaging::LoadStoredPicture(source, &details, scale, reduce,
                                                     options.filter == ReductionFilter::Lanczos3);
        if (!picture.IsEmpty())
            loaded.CreateFromPicture(std::move(picture));
    });
    if (!loaded.DIBSectionBitsPtr()) {
        report.cause = FailureCause::Unreadable;
        report.failure = details.failure.isEmpty() ? QStringLiteral("cannot read the picture") : details.failure;
        return report;
    }
    Reducer reducer(loaded, details.orientation, options.filter, ReadSizeText(sizeText).percent);
    if (!full) { // not a JPEG
        full = reducer.Upright();
        planned = PlannedSize(full->width, full->height, sizeText);
    }
    report.sourcePixels = std::int64_t{full->width} * full->height;
    const aDIBSection* copy = details.reduced ? &loaded : planned ? reducer.At(*planned) : nullptr;
    if (!copy) {
        report.cause = FailureCause::NoSize;
        report.failure = QStringLiteral("the size \"%1\" gives no picture").arg(sizeText);
        return report;
    }

    QByteArray file;
    QString failure;
    const auto encodeAt = [&](std::int32_t q, QString* why) {
        return Encode(options.format, *copy, q, details.metadata, why);
    };
    if (options.maxBytes <= 0) {
        report.encodes = 1;
        file = encodeAt(quality, &failure);
    } else {
        // The quality first; where even the lowest does not fit, smaller copies, about
        // 10 % less each time, made from the one loaded picture.
        Size size = *planned;
        // A smaller copy is tried at the lowest quality alone first: most of them are
        // still too large, and the search proper is only worth it once one fits.
        bool smaller = false;
        for (;;) {
            const std::int32_t highest = smaller ? kMinQuality : quality;
            QualityChoice choice = HighestQualityWithin(encodeAt, highest, kMinQuality, options.maxBytes);
            report.encodes += choice.encodes;
            if (smaller && !choice.file.isEmpty() && quality > kMinQuality) {
                choice = HighestQualityWithin(encodeAt, quality, kMinQuality, options.maxBytes);
                report.encodes += choice.encodes;
            }
            file = choice.file;
            failure = choice.failure;
            if (!file.isEmpty() || !failure.isEmpty())
                break;
            const std::int32_t longEdge = std::max(size.width, size.height);
            if (longEdge <= kSmallestLongEdge) {
                failure = QStringLiteral("does not fit in %1 bytes, even at %2 x %3 and quality %4")
                              .arg(options.maxBytes)
                              .arg(size.width)
                              .arg(size.height)
                              .arg(kMinQuality);
                break;
            }
            size = *planned;
            ScaleToLongEdge(size.width, size.height, std::max(kSmallestLongEdge, NextSmallerEdge(longEdge)));
            copy = reducer.At(size);
            smaller = true;
            if (!copy) {
                failure = QStringLiteral("cannot make a smaller copy (%1 x %2)").arg(size.width).arg(size.height);
                break;
            }
        }
        if (!file.isEmpty() && (size.width != planned->width || size.height != planned->height))
            report.note = QStringLiteral("made smaller, %1 x %2, to fit in %3 bytes")
                              .arg(size.width)
                              .arg(size.height)
                              .arg(options.maxBytes);
    }
    if (file.isEmpty()) {
        report.cause = FailureCause::NotWritten;
        report.failure = failure.isEmpty() ? QStringLiteral("cannot encode the picture") : failure;
        report.note.clear();
        return report;
    }

    report.failure = mayWrite();
    if (!report.failure.isEmpty()) {
        report.note.clear();
        return report;
    }
    const timespec* modified = details.metadata.modified ? &*details.metadata.modified : nullptr;
    const bool inFolder = into && into->folder;
    report.written = imaging::ReplaceFile(
        inFolder ? into->folder->Handle() : AT_FDCWD, platform::EncodeFileName(inFolder ? into->name : target),
        {{file.constData(), static_cast<std::size_t>(file.size())}}, modified, &report.failure);
    if (report.written) {
        report.warnings = details.warnings;
    } else {
        report.cause = FailureCause::NotWritten;
        report.note.clear();
    }
    return report;
}

} // namespace batch
