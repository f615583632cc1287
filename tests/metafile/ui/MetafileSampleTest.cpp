// Metafiles as a drawing program writes them, played and compared pixel by pixel with that
// program's own rendering of the same file. The drawings, their EMF and WMF exports and the
// reference renderings lie in data/samples/; tools/make-metafile-samples.sh writes them. Set
// METAFILE_TEST_IMAGES to a folder to keep each rendering and its difference there as PNGs.

#include "common/CheckoutPaths.h"
#include "layoutview/PanelColor.h"
#include "metafile/ui/Metafile.h"

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

// Edges are smoothed a little differently by every renderer; colours this close count as alike.
constexpr int kTolerance = 48;
constexpr double kMinShare = 0.98;        // of the pixels that must match the reference
constexpr double kMaxFormatSpread = 0.01; // between the EMF and the WMF of one drawing

std::string SamplePath(const std::string& file) {
    return CheckoutPaths::SourceFile(METAFILE_SAMPLES_DIR) + "/" + file;
}

bool Alike(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= kTolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= kTolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= kTolerance;
}

struct TComparison {
    double share = 0; // of the pixels alike in every channel
    QImage rendered;
    QImage difference; // black where alike, the reference's colour where not
};

// Plays the metafile at the reference's size over the panel colour, as the layout window shows it.
TComparison CompareWithReference(const std::string& metafile) {
    const QImage reference = QImage(QString::fromStdString(SamplePath(metafile + ".png")))
                                 .convertToFormat(QImage::Format_RGB32);
    if (reference.isNull())
        throw std::runtime_error("cannot read the reference of " + metafile);
    TComparison result;
    result.rendered = QImage(reference.size(), QImage::Format_RGB32);
    result.rendered.fill(PanelColor);
    QPainter painter(&result.rendered);
    LoadMetafile(SamplePath(metafile))->Play(painter, QRectF(result.rendered.rect()));
    painter.end();

    result.difference = QImage(reference.size(), QImage::Format_RGB32);
    std::int64_t alike = 0;
    for (int y = 0; y < reference.height(); ++y)
        for (int x = 0; x < reference.width(); ++x) {
            const QRgb expected = reference.pixel(x, y);
            const bool same = Alike(result.rendered.pixel(x, y), expected);
            alike += same;
            result.difference.setPixel(x, y, same ? qRgb(0, 0, 0) : expected);
        }
    result.share =
        static_cast<double>(alike) / (std::int64_t{reference.width()} * reference.height());
    if (const char* folder = std::getenv("METAFILE_TEST_IMAGES")) {
        const QString base = QString("%1/%2").arg(folder, QString::fromStdString(metafile));
        result.rendered.save(base + ".ours.png");
        result.difference.save(base + ".diff.png");
    }
    return result;
}

class MetafileSamples : public ::testing::TestWithParam<const char*> {};

TEST_P(MetafileSamples, EmfAndWmfLookLikeTheWritersOwnRendering) {
    const std::string name = GetParam();
    const TComparison emf = CompareWithReference(name + ".emf");
    const TComparison wmf = CompareWithReference(name + ".wmf");
    std::printf("%-12s EMF %6.2f %%   WMF %6.2f %%\n", name.c_str(), emf.share * 100,
                wmf.share * 100);
    EXPECT_GE(emf.share, kMinShare) << name << ".emf";
    EXPECT_GE(wmf.share, kMinShare) << name << ".wmf";
    EXPECT_LE(std::abs(emf.share - wmf.share), kMaxFormatSpread) << name;
}

INSTANTIATE_TEST_SUITE_P(Drawings, MetafileSamples,
                         ::testing::Values("logo", "car", "fillrules", "pens", "gradient", "text",
                                           "bitmap", "openfigures", "miters"),
                         [](const auto& sample) { return std::string(sample.param); });

} // namespace
