#include "ConvertJPG.h"

#include "imaging/PictureLoader.h"
#include "imaging/aDIBSection.h"
#include "imaging/mIntelJPEGLibrary.h"
#include "platform/Errors.h"
#include "platform/Numeric.h"

#include <memory>

namespace batch {

SizeSpec ReadSizeSpec(const QString& W)
{
    SizeSpec spec;
    errors::IgnoreErrors([&] { spec.N = numeric::ToInt32(numeric::LeadingNumber(W)); });
    spec.percent = W.endsWith(QLatin1Char('%'));
    return spec;
}

void ConvertJPG(const QString& srcjpg, const QString& dstjpgfile, std::int32_t quality, const QString& W)
{
    // Step 1 (the percent test of step 3 is read here too; it cannot fail).
    const SizeSpec spec = ReadSizeSpec(W);
    std::int32_t N = spec.N;

    // Step 2. The loaded picture goes as soon as it is copied, so at most the loaded and
    // the result bitmap are held at once.
    aDIBSection loaded;
    errors::IgnoreErrors([&] {
        const Picture picture = imaging::LoadPicture(srcjpg);
        if (!picture.IsEmpty())
            loaded.CreateFromPicture(picture.Handle());
    });

    std::unique_ptr<aDIBSection> resampled;
    const aDIBSection* result = nullptr;
    if (!spec.percent) {
        // Step 4.
        if (N == 0)
            N = 640;
        // Step 5: the longer edge becomes N; smaller pictures keep their size.
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
        // Step 6: both edges scaled, no limits either way.
        errors::IgnoreErrors([&] {
            const double f = N / 100.0;
            resampled = loaded.Resample(numeric::ToInt32(loaded.Height() * f), numeric::ToInt32(loaded.Width() * f));
            result = resampled.get();
        });
    }

    // Step 7: no result (a failed resample) raises ObjectRequired inside, ignored here.
    errors::IgnoreErrors([&] { mIntelJPEGLibrary::WriteJPEGFile(result, dstjpgfile, quality); });

    // Step 8: the result, then the loaded bitmap.
    resampled.reset();
    loaded.ClearUp();
}

} // namespace batch
