// The markers around the picture: libjpeg's message codes as the decoder compares them,
// and damaged metadata that must cost only itself.

#include "common/JpegTestFiles.h"

#include "imaging/JpegMessageCodes.h"
#include "imaging/PictureLoader.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace testfiles;

namespace {

// Every code the decoder compares, with the text libjpeg gives it. A code compiled with
// jerror.h read before jpeglib.h would name another message here.
TEST(JpegMessageCodes, AreTheLibrarysOwn)
{
    jpeg_error_mgr errors{};
    jpeg_std_error(&errors);
    EXPECT_EQ(errors.last_jpeg_message, JMSG_LASTMSGCODE - 1);

    const std::map<int, std::string> expected = {
        {JWRN_EXTRANEOUS_DATA, "Corrupt JPEG data: %u extraneous bytes before marker 0x%02x"},
        {JWRN_JFIF_MAJOR, "Warning: unknown JFIF revision number %d.%02d"},
        {JWRN_ADOBE_XFORM, "Unknown Adobe color transform code %d"},
        {JWRN_JPEG_EOF, "Premature end of JPEG file"},
        {JERR_IMAGE_TOO_BIG, "Maximum supported image dimension is %u pixels"},
        {JERR_OUT_OF_MEMORY, "Insufficient memory (case %d)"},
        {JERR_INPUT_EMPTY, "Empty input file"},
    };
    for (const auto& [code, text] : expected) {
        ASSERT_GE(code, 0);
        ASSERT_LE(code, errors.last_jpeg_message);
        EXPECT_EQ(errors.jpeg_message_table[code], text) << code;
    }
    for (const int code : imaging::kHarmlessJpegWarnings)
        EXPECT_TRUE(expected.count(code)) << "no expected text for harmless warning " << code;
}

QByteArray IccChunk(int number, int count, const QByteArray& part)
{
    return Segment(0xE2, QByteArray("ICC_PROFILE", 12) + char(number) + char(count) + part);
}

TEST(DamagedMetadata, CostsOnlyItselfWithAWarning)
{
    const QByteArray picture = EncodeJpeg(Quadrants(40, 30));
    const QByteArray exifHeader("Exif\0\0", 6);
    const struct {
        const char* what;
        QByteArray segments;
        QByteArray profile; // what the copy keeps
        const char* warning;
    } cases[] = {
        {"whole profile in two chunks", IccChunk(2, 2, "def") + IccChunk(1, 2, "abc"), "abcdef", nullptr},
        {"chunk missing", IccChunk(1, 2, "abc"), "",
         "colour profile left out: damaged ICC marker (chunk 2 of 2 is missing)"},
        {"chunk twice", IccChunk(1, 2, "abc") + IccChunk(1, 2, "abc") + IccChunk(2, 2, "def"), "",
         "colour profile left out: damaged ICC marker (chunk 1 appears twice)"},
        {"counts disagree", IccChunk(1, 2, "abc") + IccChunk(2, 3, "def"), "",
         "colour profile left out: damaged ICC marker (its chunks disagree on their count)"},
        {"chunk number zero", IccChunk(0, 1, "abc"), "", "colour profile left out: damaged ICC marker (chunk 0 of 1)"},
        {"no profile bytes", IccChunk(1, 1, ""), "", "colour profile left out: damaged ICC marker (no profile data)"},
        {"EXIF that is no TIFF", Segment(0xE1, exifHeader + "garbage"), "",
         "capture date left out: damaged EXIF block"},
        {"EXIF without a date", CameraExifSegment(1, "", ""), "", nullptr},
        {"XMP, not EXIF", Segment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x/>", 34)), "", nullptr},
    };
    for (const auto& c : cases) {
        imaging::LoadDetails details;
        const Picture loaded = imaging::LoadPictureFromData(WithSegments(picture, c.segments), true, &details);
        ASSERT_EQ(loaded.Width(), 40) << c.what << ": " << details.failure.toStdString();
        EXPECT_EQ(details.metadata.iccProfile, c.profile) << c.what;
        EXPECT_EQ(details.warnings.join(u'|').toStdString(), c.warning ? c.warning : "") << c.what;
    }
}

} // namespace
