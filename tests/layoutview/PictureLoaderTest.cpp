#include "layoutview/PictureLoader.h"

#include "LayoutViewFixture.h"
#include "common/CheckoutPaths.h"
#include "common/NamedPipe.h"
#include "layoutview/PictureBox.h"

#include <QImage>
#include <QImageWriter>
#include <QPainter>

namespace {

class PictureLoaderTest : public LayoutViewTest {
protected:
    // A picture whose left half is red and right half blue, saved by Qt's own writers.
    QString Save(const QString& name, const char* format,
                 QImage::Format pixels = QImage::Format_RGB32) {
        QImage image(64, 32, pixels);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.fillRect(0, 0, 32, 32, Qt::red);
        painter.fillRect(32, 0, 32, 32, Qt::blue);
        painter.end();
        const QString path = TempFile(name.toStdString());
        EXPECT_TRUE(image.save(path, format, 95));
        return path;
    }

    static QString ErrorOf(const QString& path) {
        try {
            LoadPicture(path);
        } catch (const EPictureError& error) {
            return QString::fromUtf8(error.what());
        }
        return QStringLiteral("<loaded>");
    }

    static bool Near(QRgb pixel, QColor wanted, int tolerance = 40) {
        return std::abs(qRed(pixel) - wanted.red()) <= tolerance &&
               std::abs(qGreen(pixel) - wanted.green()) <= tolerance &&
               std::abs(qBlue(pixel) - wanted.blue()) <= tolerance;
    }
};

TEST_F(PictureLoaderTest, JpegIsDecodedWithItsColours) {
    for (const char* name : {"a.jpg", "b.jpeg", "c.JPG"}) {
        const TPicture picture = LoadPicture(Save(name, "JPG"));
        ASSERT_FALSE(picture.IsEmpty()) << name;
        EXPECT_EQ(picture.Size(), QSizeF(64, 32));
        EXPECT_TRUE(Near(picture.Raster().pixel(8, 16), Qt::red)) << name;
        EXPECT_TRUE(Near(picture.Raster().pixel(56, 16), Qt::blue)) << name;
    }
}

TEST_F(PictureLoaderTest, GreyAndCmykJpegsBecomeTheRightColours) {
    const TPicture grey = LoadPicture(Save("grey.jpg", "JPG", QImage::Format_Grayscale8));
    ASSERT_FALSE(grey.IsEmpty());
    EXPECT_NEAR(qGray(grey.Raster().pixel(8, 16)), qGray(QColor(Qt::red).rgb()), 20);

    // Adobe's CMYK JPEGs store their channels inverted.
    const TPicture cmyk = LoadPicture(TestData("cmyk.jpg"));
    ASSERT_EQ(cmyk.Size(), QSizeF(16, 8));
    EXPECT_TRUE(Near(cmyk.Raster().pixel(2, 4), Qt::red));
    EXPECT_TRUE(Near(cmyk.Raster().pixel(13, 4), Qt::blue));
}

TEST_F(PictureLoaderTest, BitmapsAndIconsLoadThroughQt) {
    EXPECT_EQ(LoadPicture(Save("a.bmp", "BMP")).Size(), QSizeF(64, 32));
    EXPECT_EQ(LoadPicture(Save("a.ico", "ICO")).Size(), QSizeF(64, 32));
    const TPicture shipped =
        LoadPicture(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp")));
    EXPECT_EQ(shipped.Size(), QSizeF(320, 240));
}

TEST_F(PictureLoaderTest, OtherExtensionsAreRefusedByName) {
    const QString png = Save("a.png", "PNG");
    EXPECT_EQ(ErrorOf(png), "Unknown picture file extension (.png)");
    EXPECT_EQ(ErrorOf(TempFile("Picture.GIF")), "Unknown picture file extension (.GIF)");
    EXPECT_EQ(ErrorOf(TempFile("noextension")), "Unknown picture file extension (.)");
}

TEST_F(PictureLoaderTest, MetafilesLoadAsPicturesDrawnAtTheirSize) {
    for (const char* name : {"shapes.wmf", "minimal_placeable.wmf", "shapes.emf"}) {
        const TPicture picture = LoadPicture(
            QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_METAFILE_SAMPLES)) +
            QString::fromLatin1(name));
        EXPECT_FALSE(picture.IsEmpty()) << name;
        EXPECT_GT(picture.Size().width(), 0) << name;
    }
    const QString missing = TempFile("logo.wmf");
    EXPECT_TRUE(
        ErrorOf(missing).startsWith(QStringLiteral("Cannot open file \"%1\"").arg(missing)));
    QFile text(TempFile("notes.emf"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("This is a text file, not a picture.\n");
    text.close();
    EXPECT_EQ(ErrorOf(text.fileName()),
              QStringLiteral("File \"%1\" is not a Windows metafile").arg(text.fileName()));
}

TEST_F(PictureLoaderTest, AMissingFileIsNamedInTheError) {
    for (const char* name : {"missing.jpg", "missing.bmp", "missing.ico"}) {
        const QString path = TempFile(name);
        const QString error = ErrorOf(path);
        EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot open file \"%1\"").arg(path)))
            << error.toStdString();
    }
}

TEST_F(PictureLoaderTest, DamagedOrMislabelledDataFailsWithoutCrashing) {
    QFile junk(TempFile("junk.jpg"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("BM this is not a JPEG file at all");
    junk.close();
    EXPECT_TRUE(ErrorOf(junk.fileName()).startsWith("JPEG image is not valid ("))
        << ErrorOf(junk.fileName()).toStdString();

    QFile empty(TempFile("empty.jpg"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_TRUE(ErrorOf(empty.fileName()).startsWith("JPEG image is not valid ("));

    // The extension decides: a JPEG named .bmp is a damaged bitmap, not a JPEG.
    const QString jpeg = Save("real.jpg", "JPG");
    QFile::copy(jpeg, TempFile("named.bmp"));
    EXPECT_EQ(ErrorOf(TempFile("named.bmp")), "Bitmap image is not valid");

    // A JPEG cut short decodes as far as it goes, or fails cleanly.
    QFile full(jpeg);
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    const QByteArray bytes = full.readAll();
    const qsizetype size = bytes.size();
    for (const qsizetype keep : std::initializer_list<qsizetype>{2, 20, size / 2, size - 2}) {
        QFile cut(TempFile("cut.jpg"));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(bytes.left(keep));
        cut.close();
        try {
            const TPicture picture = LoadPicture(cut.fileName());
            EXPECT_EQ(picture.Size(), QSizeF(64, 32)) << keep;
        } catch (const EPictureError& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith("JPEG image is not valid"))
                << keep;
        }
    }
}

// A named pipe or a device named like a picture blocked the window for ever (or read without
// end); it is refused at once, as a folder is.
TEST_F(PictureLoaderTest, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
    for (const char* name : {"pipe.jpg", "pipe.bmp", "pipe.ico", "pipe.wmf"}) {
        TNamedPipe pipe(dir.File(name));
        ASSERT_TRUE(pipe.Made());
        const QString error = ErrorOf(TempFile(name));
        EXPECT_FALSE(pipe.Finish()) << name << ": the loader waited on the pipe";
        EXPECT_EQ(error, QStringLiteral("Cannot open file \"%1\". It is not a regular file")
                             .arg(TempFile(name)));
    }
    ASSERT_EQ(::symlink("/dev/zero", dir.File("zero.jpg").c_str()), 0);
    EXPECT_EQ(ErrorOf(TempFile("zero.jpg")),
              QStringLiteral("Cannot open file \"%1\". It is not a regular file")
                  .arg(TempFile("zero.jpg")));
    ASSERT_TRUE(FileIo::MakeFolders(dir.File("folder.bmp")));
    EXPECT_EQ(ErrorOf(TempFile("folder.bmp")),
              QStringLiteral("Cannot open file \"%1\". It is not a regular file")
                  .arg(TempFile("folder.bmp")));
}

// A header that asks for more pixels than a picture may have is said to be too large, not
// damaged, and nothing is decoded (a progressive JPEG would set up its whole picture first).
TEST_F(PictureLoaderTest, APictureTooLargeForMemorySaysSo) {
    // A bitmap header of 12000 x 12000 pixels of 24 bits (over 500 MB as an image), with no
    // pixels after it.
    QByteArray bitmap(54, '\0');
    const auto put = [&bitmap](int at, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            bitmap[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    bitmap[0] = 'B';
    bitmap[1] = 'M';
    put(2, 54, 4);  // file size
    put(10, 54, 4); // pixel data offset
    put(14, 40, 4); // header size
    put(18, 12000, 4);
    put(22, 12000, 4);
    put(26, 1, 2);  // planes
    put(28, 24, 2); // bits per pixel
    QFile huge(TempFile("huge.bmp"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(bitmap);
    huge.close();
    EXPECT_EQ(ErrorOf(huge.fileName()), "Bitmap image of 12000x12000 pixels is too large");

    // A progressive JPEG whose frame header is made to say 65000 x 65000.
    QImage small(64, 32, QImage::Format_RGB32);
    small.fill(Qt::red);
    QImageWriter writer(TempFile("progressive.jpg"), "jpg");
    writer.setProgressiveScanWrite(true);
    ASSERT_TRUE(writer.write(small));
    QFile jpeg(TempFile("progressive.jpg"));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadWrite));
    QByteArray bytes = jpeg.readAll();
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC2", 2));
    ASSERT_GT(frame, 0) << "not a progressive file";
    for (const int at : {5, 7}) { // height, then width, big-endian
        bytes[frame + at] = static_cast<char>(0xFD);
        bytes[frame + at + 1] = static_cast<char>(0xE8);
    }
    jpeg.seek(0);
    jpeg.write(bytes);
    jpeg.close();
    EXPECT_EQ(ErrorOf(jpeg.fileName()), "JPEG image of 65000x65000 pixels is too large");
}

TEST_F(PictureLoaderTest, TheBoxFitsThePictureFromItsTopLeftCorner) {
    TPictureBox box;
    box.resize(200, 200);
    box.LoadFromFile(Save("wide.bmp", "BMP")); // 64 x 32
    EXPECT_EQ(box.PictureRect(), QRect(0, 0, 200, 100));

    QImage shot(box.size(), QImage::Format_ARGB32);
    shot.fill(Qt::transparent);
    box.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_TRUE(Near(shot.pixel(10, 50), Qt::red));
    EXPECT_TRUE(Near(shot.pixel(190, 50), Qt::blue));
    EXPECT_EQ(qAlpha(shot.pixel(100, 150)), 0); // below the picture nothing is drawn

    // A failed load keeps what the box showed.
    EXPECT_THROW(box.LoadFromFile(TempFile("x.png")), EPictureError);
    EXPECT_EQ(box.Picture().Size(), QSizeF(64, 32));
}

// A vector picture stands in for the metafile reader: the box scales it like any other.
class TBoxPicture : public TVectorPicture {
public:
    QSizeF FrameSize() const override { return {100, 100}; }
    void Play(QPainter& painter, const QRectF& target) const override {
        painter.fillRect(target, Qt::green);
        lastTarget = target;
    }
    mutable QRectF lastTarget;
};

TEST_F(PictureLoaderTest, VectorPicturesAreDrawnIntoTheFittedRectangle) {
    auto vector = std::make_unique<TBoxPicture>();
    const TBoxPicture* drawn = vector.get();
    TPictureBox box;
    box.resize(300, 120);
    box.SetPicture(TPicture(std::move(vector)));
    QImage shot(box.size(), QImage::Format_ARGB32);
    shot.fill(Qt::transparent);
    box.render(&shot);
    EXPECT_EQ(drawn->lastTarget, QRectF(0, 0, 120, 120));
}

} // namespace
