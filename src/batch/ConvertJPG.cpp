#include "ConvertJPG.h"

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
    // The size text: its leading number, and percent mode when it ends in "%".
    const SizeSpec size = ReadSizeSpec(W);
    std::int32_t N = size.N;

    // The loaded picture goes as soon as it is copied, so at most the loaded and
    // the result bitmap are held at once.
    aDIBSection loaded;
    errors::IgnoreErrors([&] {
        Picture picture = imaging::LoadPicture(srcjpg);
        if (!picture.IsEmpty())
            loaded.CreateFromPicture(std::move(picture));
    });

    std::unique_ptr<aDIBSection> resampled;
    const aDIBSection* result = nullptr;
    if (!size.percent) {
        // No number (or 0) means the usual 640 pixels.
        if (N == 0)
            N = 640;
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

    // No result (a failed resample) raises ObjectRequired inside, ignored here.
    errors::IgnoreErrors([&] { mIntelJPEGLibrary::WriteJPEGFile(result, dstjpgfile, quality); });

    // Released in reverse order: the result, then the loaded bitmap.
    resampled.reset();
    loaded.ClearUp();
}

} // namespace batch
