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

SizeSpec ReadSizeSpec(const QString& W)
{
    SizeSpec size;
    errors::IgnoreErrors([&] { size.N = numeric::ToInt32(numeric::LeadingNumber(W)); });
    size.percent = W.endsWith(QLatin1Char('%'));
    return size;
}

void ConvertJPG(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W)
{
    ConvertPicture(srcjpg, dstjpgfile, quality, W);
}

ConvertReport ConvertPicture(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W,
                             const std::function<QString()>& refusal)
{
    ConvertReport report;
    // The size text: its leading number, and percent mode when it ends in "%".
    const SizeSpec size = ReadSizeSpec(W);
    std::int32_t N = size.N;

    // `loaded` takes the loaded bitmap over (one in another pixel format is copied, and
    // goes when the load's step ends), so at most the loaded and the result bitmap are
    // held at once.
    aDIBSection loaded;
    imaging::LoadDetails loadDetails;
    errors::IgnoreErrors([&] {
        Picture picture = imaging::LoadPicture(srcjpg, &loadDetails);
        if (!picture.IsEmpty())
            loaded.CreateFromPicture(std::move(picture));
    });
    report.sourcePixels = std::int64_t{loaded.Width()} * loaded.Height();

    std::unique_ptr<aDIBSection> resampled;
    const aDIBSection* result = nullptr;
    if (!size.percent) {
        // No number (or 0) means the usual longer edge.
        if (N == 0)
            N = kDefaultLongEdge;
        // The longer edge becomes N; smaller pictures keep their size.
        errors::IgnoreErrors([&] {
            const std::int32_t w = loaded.Width();
            const std::int32_t h = loaded.Height();
            if (h > w && h > N) {
                resampled = loaded.Resample(N, numeric::ToInt32(double(numeric::Mul32(w, N)) / h));
                result = resampled.get();
            } else if (w > h && w > N) {
                resampled = loaded.Resample(numeric::ToInt32(double(numeric::Mul32(h, N)) / w), N);
                result = resampled.get();
            } else if (w == h && w > N) {
                resampled = loaded.Resample(N, N);
                result = resampled.get();
            } else {
                result = &loaded; // re-encoded at its own size
            }
        });
    } else {
        // Percent: both edges scaled, no limits either way.
        errors::IgnoreErrors([&] {
            const double f = N / 100.0;
            resampled = loaded.Resample(numeric::ToInt32(loaded.Height() * f), numeric::ToInt32(loaded.Width() * f));
            result = resampled.get();
        });
    }

    if (refusal) {
        report.failure = refusal();
        if (!report.failure.isEmpty())
            return report;
    }
    // No result (a failed resample) raises ObjectRequired inside, ignored here.
    mIntelJPEGLibrary::WriteDetails writeDetails;
    writeDetails.metadata = &loadDetails.metadata;
    errors::IgnoreErrors(
        [&] { report.written = mIntelJPEGLibrary::WriteJPEGFile(result, dstjpgfile, quality, &writeDetails); });

    if (report.written) {
        report.warnings = loadDetails.warnings;
    } else {
        if (report.sourcePixels == 0)
            report.failure = loadDetails.failure.isEmpty() ? QStringLiteral("cannot read the picture")
                                                           : loadDetails.failure;
        else if (!result)
            report.failure = QStringLiteral("the size \"%1\" gives no picture").arg(W);
        else
            report.failure = writeDetails.failure.isEmpty() ? QStringLiteral("cannot write the target file")
                                                            : writeDetails.failure;
    }
    // Released in reverse order (the result, then the loaded bitmap) by their owners.
    return report;
}

} // namespace batch
