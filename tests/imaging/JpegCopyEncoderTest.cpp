#include "common/JpegTestFiles.h"

#include "imaging/JpegCopyEncoder.h"
#include "imaging/PictureLoader.h"
#include "imaging/aDIBSection.h"
#include "imaging/mIntelJPEGLibrary.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testfiles;

// A size budget measures the encoding in memory and writes those bytes: they must be the
// very file the JPEG writer makes, metadata and all, at every quality.
TEST(EncodeJpegCopy, IsTheJpegWritersFileByteForByte)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("photo.jpg");
    ASSERT_TRUE(WriteFile(
        source,
        WithSegments(EncodeJpeg(Quadrants(45, 31)),
                     CameraExifSegment(1, "2023:07:14 18:02:33", "") + IccSegments(QByteArray(3000, 'p'), 1000))));
    imaging::LoadDetails details;
    aDIBSection dib;
    dib.CreateFromPicture(imaging::LoadPicture(source, &details));
    ASSERT_FALSE(details.metadata.iccProfile.isEmpty());
    for (const int quality : {10, 57, 100}) {
        const QString written = dir.filePath(QStringLiteral("q%1.jpg").arg(quality));
        mIntelJPEGLibrary::WriteDetails write;
        write.metadata = &details.metadata;
        ASSERT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(&dib, written, quality, &write));
        EXPECT_EQ(imaging::EncodeJpegCopy(dib, quality, &details.metadata, nullptr), ReadFile(written)) << quality;
        ASSERT_TRUE(mIntelJPEGLibrary::WriteJPEGFile(&dib, written, quality));
        EXPECT_EQ(imaging::EncodeJpegCopy(dib, quality, nullptr, nullptr), ReadFile(written)) << quality;
    }
    QString failure;
    EXPECT_TRUE(imaging::EncodeJpegCopy(aDIBSection(), 80, nullptr, &failure).isEmpty());
    EXPECT_EQ(failure, QStringLiteral("no picture to write"));
}
