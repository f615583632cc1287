#include "layoutview/JpegDecoder.h"

#include "layoutview/PictureError.h"
#include "layoutview/PictureLimits.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. It jumps back to
// the decoding function; everything libjpeg needs for that lives in this one trivially
// destructible block, so the jump skips no destructor.
struct TJpegState {
    jpeg_decompress_struct Info;
    jpeg_error_mgr Errors;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr info) {
    // Errors is not the first member, so find the block from the decompressor, which is.
    auto* state = reinterpret_cast<TJpegState*>(info);
    (*info->err->format_message)(info, state->Message);
    std::longjmp(state->Jump, 1);
}

// Warnings (a truncated file, a corrupt marker) are not fatal; libjpeg decodes what it can.
extern "C" void JpegOutputMessage(j_common_ptr) {}

struct TDecodeResult {
    bool Ok = false;
    bool Cmyk = false;
    bool InvertedCmyk = false;
    // The header's size when the picture is too large to decode.
    int TooLargeWidth = 0;
    int TooLargeHeight = 0;
};

// Holds no object with a destructor between setjmp and the libjpeg calls.
TDecodeResult DecodeInto(TJpegState& state, const unsigned char* data, unsigned long size,
                         QImage& image) {
    TDecodeResult result;
    jpeg_decompress_struct& info = state.Info;
    info.err = jpeg_std_error(&state.Errors);
    state.Errors.error_exit = JpegErrorExit;
    state.Errors.output_message = JpegOutputMessage;
    state.Message[0] = '\0';
    if (setjmp(state.Jump) != 0) {
        jpeg_destroy_decompress(&info);
        return result;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    // Checked before the decoder starts: for a progressive file it sets up buffers for the whole
    // picture at once.
    if (PictureLimits::TooLarge(
            QSize(static_cast<int>(info.image_width), static_cast<int>(info.image_height)),
            QImage::Format_RGBX8888)) {
        result.TooLargeWidth = static_cast<int>(info.image_width);
        result.TooLargeHeight = static_cast<int>(info.image_height);
        jpeg_destroy_decompress(&info);
        return result;
    }

    QImage::Format format = QImage::Format_RGBX8888;
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        info.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        info.out_color_space = JCS_CMYK;
        result.Cmyk = true;
        result.InvertedCmyk = info.saw_Adobe_marker != 0;
        break;
    default:
        info.out_color_space = JCS_EXT_RGBX;
        break;
    }
    jpeg_start_decompress(&info);
    image =
        QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), format);
    if (image.isNull()) {
        std::snprintf(state.Message, sizeof state.Message, "Not enough memory for the image");
        jpeg_destroy_decompress(&info);
        return result;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    result.Ok = true;
    return result;
}

// libjpeg hands CMYK over as it is stored; Adobe's files store every channel inverted.
void CmykToRgb(QImage& image, bool inverted) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 4) {
            int c = pixel[0], m = pixel[1], yellow = pixel[2], k = pixel[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                yellow = 255 - yellow;
                k = 255 - k;
            }
            pixel[0] = static_cast<uchar>(c * k / 255);
            pixel[1] = static_cast<uchar>(m * k / 255);
            pixel[2] = static_cast<uchar>(yellow * k / 255);
            pixel[3] = 255;
        }
    }
}

} // namespace

QImage DecodeJpeg(const QByteArray& data) {
    static_assert(offsetof(TJpegState, Info) == 0);
    TJpegState state{};
    QImage image;
    const TDecodeResult result =
        DecodeInto(state, reinterpret_cast<const unsigned char*>(data.constData()),
                   static_cast<unsigned long>(data.size()), image);
    if (result.TooLargeWidth > 0)
        throw EPictureError::TooLarge("JPEG", QSize(result.TooLargeWidth, result.TooLargeHeight));
    if (!result.Ok) {
        throw EPictureError(QStringLiteral("JPEG image is not valid (%1)")
                                .arg(QString::fromLocal8Bit(state.Message)));
    }
    if (result.Cmyk)
        CmykToRgb(image, result.InvertedCmyk);
    return image;
}
