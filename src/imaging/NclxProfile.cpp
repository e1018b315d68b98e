#include "NclxProfile.h"

#include <lcms2.h>

#include <memory>

namespace imaging {

namespace {

struct ToneCurveFree {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
struct ProfileClose {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct MluFree {
    void operator()(cmsMLU* mlu) const { cmsMLUfree(mlu); }
};

// ICC parametric curve type 4: Y = (aX + b)^g for X >= d, else cX.
struct Parametric {
    double g, a, b, c, d;
};

bool CurveFor(int transfer, Parametric* curve)
{
    switch (transfer) {
    case 2:  // unspecified: what encoders mean by it
    case 13: // IEC 61966-2-1, sRGB
        *curve = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        return true;
    case 1: // BT.709, and the curves that equal it
    case 6:
    case 14:
    case 15:
        *curve = {1.0 / 0.45, 1.0 / 1.099, 0.099 / 1.099, 1.0 / 4.5, 0.081};
        return true;
    case 4: // gamma 2.2
        *curve = {2.2, 1.0, 0.0, 0.0, 0.0};
        return true;
    case 5: // gamma 2.8
        *curve = {2.8, 1.0, 0.0, 0.0, 0.0};
        return true;
    case 8: // linear
        *curve = {1.0, 1.0, 0.0, 0.0, 0.0};
        return true;
    default:
        return false;
    }
}

} // namespace

QByteArray IccProfileFor(const NclxColours& colours)
{
    const bool srgbPrimaries = colours.primaries == 1 || colours.primaries == 2;
    if (srgbPrimaries && (colours.transfer == 13 || colours.transfer == 2))
        return {};
    Parametric curve{};
    if (!CurveFor(colours.transfer, &curve))
        return {};
    const double parameters[5] = {curve.g, curve.a, curve.b, curve.c, curve.d};
    const std::unique_ptr<cmsToneCurve, ToneCurveFree> tone(cmsBuildParametricToneCurve(nullptr, 4, parameters));
    if (!tone)
        return {};
    cmsToneCurve* curves[3] = {tone.get(), tone.get(), tone.get()};
    // Unknown primaries are BT.709's, the decoder's own assumption.
    const cmsCIExyY white{srgbPrimaries ? 0.3127 : colours.white[0], srgbPrimaries ? 0.3290 : colours.white[1], 1.0};
    const cmsCIExyYTRIPLE primaries = srgbPrimaries
        ? cmsCIExyYTRIPLE{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}}
        : cmsCIExyYTRIPLE{{colours.red[0], colours.red[1], 1.0},
                          {colours.green[0], colours.green[1], 1.0},
                          {colours.blue[0], colours.blue[1], 1.0}};
    const std::unique_ptr<void, ProfileClose> profile(cmsCreateRGBProfile(&white, &primaries, curves));
    if (!profile)
        return {};
    const char* name = colours.primaries == 12 && colours.transfer == 13 ? "Display P3" : "HEIF nclx colours";
    const std::unique_ptr<cmsMLU, MluFree> description(cmsMLUalloc(nullptr, 1));
    if (description && cmsMLUsetASCII(description.get(), "en", "US", name))
        cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, description.get());
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0)
        return {};
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size))
        return {};
    bytes.truncate(static_cast<qsizetype>(size));
    return bytes;
}

} // namespace imaging
