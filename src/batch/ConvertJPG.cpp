#include "ConvertJPG.h"

#include "JobSettings.h"
#include "imaging/PictureLoader.h"
#include "imaging/aDIBSection.h"
#include "imaging/mIntelJPEGLibrary.h"
#include "platform/Errors.h"
#include "platform/Numeric.h"

#include <memory>
#include <utility>

namespace batch {

SizeText ReadSizeText(const QString& W)
{
    SizeText size;
    errors::IgnoreErrors([&] { size.N = numeric::ToInt32(numeric::LeadingNumber(W)); });
    size.percent = W.endsWith(QLatin1Char('%'));
    return size;
}

std::optional<imaging::CopySize> CopySizeFor(std::int32_t w, std::int32_t h, const SizeText& size)
{
    if (size.percent) {
        // Both edges scaled, no limits either way.
        const double f = size.N / 100.0;
        return imaging::CopySize{numeric::ToInt32(w * f), numeric::ToInt32(h * f)};
    }
    // The longer edge becomes N (no number, or 0, means the usual one); smaller pictures
    // keep their size.
    const std::int32_t N = size.N == 0 ? kDefaultLongEdge : size.N;
    if (h > w && h > N)
        return imaging::CopySize{numeric::ToInt32(double(numeric::Mul32(w, N)) / h), N};
    if (w > h && w > N)
        return imaging::CopySize{N, numeric::ToInt32(double(numeric::Mul32(h, N)) / w)};
    if (w == h && w > N)
        return imaging::CopySize{N, N};
    return std::nullopt;
}

void ConvertJPG(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W)
{
    for (const platform::MessageBoxCall& box : ConvertPicture(srcjpg, dstjpgfile, quality, W).messages)
        platform::MessageBox(box.text, box.title, box.icon, box.buttons);
}

ConvertReport ConvertPicture(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W,
                             const std::function<QString()>& refusal, const CopyDestination* into)
{
    ConvertReport report;
    // The writer's boxes wait in the report; nobody is asked while a file is in work, so
    // every box gets the answer it would get with no one there.
    const platform::ThreadMessageBoxPresenter collect([&report](const platform::MessageBoxCall& call) {
        report.messages.push_back(call);
        return platform::UnattendedAnswer(call.buttons);
    });
    // The size text: its leading number, and percent mode when it ends in "%".
    const SizeText size = ReadSizeText(W);

    // `loaded` takes the loaded bitmap over (one in another pixel format is copied, and
    // goes when the load's step ends), so at most the loaded and the result bitmap are
    // held at once. A JPEG is left as stored, for the resample to read through its turn;
    // one that is to be reduced comes reduced, the copy made while it was decoded.
    aDIBSection loaded;
    imaging::LoadDetails loadDetails;
    const auto reduce = [&size](std::int32_t w, std::int32_t h) {
        std::optional<imaging::CopySize> copy;
        errors::IgnoreErrors([&] { copy = CopySizeFor(w, h, size); });
        return copy;
    };
    errors::IgnoreErrors([&] {
        Picture picture = imaging::LoadStoredPicture(srcjpg, &loadDetails, {}, reduce);
        if (!picture.IsEmpty())
            loaded.CreateFromPicture(std::move(picture));
    });
    const int turn = loadDetails.orientation;
    const bool held = loaded.DIBSectionBitsPtr() != nullptr;
    const std::int32_t w = held ? loadDetails.width : loaded.Width(); // the upright picture's
    const std::int32_t h = held ? loadDetails.height : loaded.Height();
    report.sourcePixels = std::int64_t{w} * h;

    std::unique_ptr<aDIBSection> resampled;
    const aDIBSection* result = nullptr;
    errors::IgnoreErrors([&] {
        if (loadDetails.reduced) {
            result = &loaded;
        } else if (const std::optional<imaging::CopySize> copy = CopySizeFor(w, h, size)) {
            resampled = loaded.Resample(copy->height, copy->width, turn);
            result = resampled.get();
        } else if (turn != 1) {
            resampled = loaded.Resample(h, w, turn); // turned upright at its own size
            result = resampled.get();
        } else {
            result = &loaded; // re-encoded at its own size
        }
    });

    if (refusal) {
        report.failure = refusal();
        if (!report.failure.isEmpty()) {
            report.cause = FailureCause::SourceInWay;
            return report;
        }
    }
    // No result (a failed resample) raises ObjectRequired inside, ignored here.
    mIntelJPEGLibrary::WriteDetails writeDetails;
    writeDetails.metadata = &loadDetails.metadata;
    const bool inFolder = into && into->folder;
    writeDetails.folder = inFolder ? into->folder : nullptr;
    errors::IgnoreErrors([&] {
        report.written = mIntelJPEGLibrary::WriteJPEGFile(result, inFolder ? into->name : dstjpgfile, quality,
                                                          &writeDetails);
    });

    if (report.written) {
        report.warnings = loadDetails.warnings;
    } else {
        if (report.sourcePixels == 0) {
            report.cause = FailureCause::Unreadable;
            report.failure = loadDetails.failure.isEmpty() ? QStringLiteral("cannot read the picture")
                                                           : loadDetails.failure;
        } else if (!result) {
            report.cause = FailureCause::NoSize;
            report.failure = QStringLiteral("the size \"%1\" gives no picture").arg(W);
        } else {
            report.cause = FailureCause::NotWritten;
            report.failure = writeDetails.failure.isEmpty() ? QStringLiteral("cannot write the target file")
                                                            : writeDetails.failure;
        }
    }
    // Released in reverse order (the result, then the loaded bitmap) by their owners.
    return report;
}

} // namespace batch
