#include "rounds/Openglimages.h"

#include <QImage>
#include <QImageReader>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
} // namespace

// The decoder would leave the rows past a cut uninitialised.
bool WholeBitmap(const std::string& data) {
    const auto* b = reinterpret_cast<const uint8_t*>(data.data());
    if (data.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
    const uint32_t offBits = Le32(b + 10), headerSize = Le32(b + 14);
    long long width, height;
    unsigned bits, compression = 0;
    if (headerSize == 12) {
        width = b[18] | b[19] << 8;
        height = b[20] | b[21] << 8;
        bits = b[24] | b[25] << 8;
    } else {
        if (data.size() < 34) return false;
        width = int32_t(Le32(b + 18));
        height = int32_t(Le32(b + 22));
        bits = b[28] | b[29] << 8;
        compression = Le32(b + 30);
    }
    if (compression != 0 && compression != 3) return true;  // run-length: the decoder's own checks
    if (width <= 0 || height == 0 || bits == 0 || bits > 32) return false;
    // Widths and heights are below 2^31 and bits at most 32, so the row
    // size fits; the product with the height is compared by division.
    const unsigned long long rowBytes = (static_cast<unsigned long long>(width) * bits + 31) / 32 * 4;
    const unsigned long long rows = static_cast<unsigned long long>(std::llabs(height));
    if (offBits > data.size()) return false;
    return rowBytes <= (data.size() - offBits) / rows;
}

std::unique_ptr<OpenGLAPTexture> LoadBMPTextureFile(const std::string& fileName, bool alpha) {
    std::ifstream in(fileName, std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    QImage image;
    if (in && WholeBitmap(data))
        image = QImage::fromData(reinterpret_cast<const uchar*>(data.data()), int(data.size()), "BMP");
    if (image.isNull()) throw std::runtime_error("Bitmap image is not valid: " + fileName);
    image = image.convertToFormat(QImage::Format_RGB32);
    auto texture = std::make_unique<OpenGLAPTexture>();
    texture->Components = alpha ? 4 : 3;
    texture->Width = image.width();
    texture->Height = image.height();
    texture->Format = alpha ? GL_RGBA_FORMAT : GL_RGB_FORMAT;
    const size_t w = size_t(image.width()), h = size_t(image.height()), n = size_t(texture->Components);
    texture->Pixels.resize(w * h * n);
    for (size_t r = 0; r < h; ++r) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(int(h - 1 - r)));
        uint8_t* out = texture->Pixels.data() + r * w * n;
        for (size_t c = 0; c < w; ++c, out += n) {
            out[0] = uint8_t(qRed(src[c]));
            out[1] = uint8_t(qGreen(src[c]));
            out[2] = uint8_t(qBlue(src[c]));
            if (alpha) out[3] = 255;
        }
    }
    return texture;
}

namespace {
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
} // namespace

int DecodeTGA(const uint8_t* data, size_t size, std::vector<uint8_t>* pixels, int* width, int* height,
              int* bitsPerPixel) {
    if (!data || size < 18) {
        if (pixels) pixels->clear();
        return TGA_NOT_READ;
    }
    const uint8_t idLength = data[0];
    const uint8_t colourMapType = data[1];
    const uint8_t imageType = data[2];
    const uint16_t w = Le16(data + 12);
    const uint16_t h = Le16(data + 14);
    const uint8_t depth = data[16];
    if (imageType != 2 && imageType != 10) return TGA_UNSUPPORTED_TYPE;
    if (colourMapType != 0 || (depth != 24 && depth != 32)) return TGA_UNSUPPORTED_DEPTH;
    // Refused files leave every output as it was; from here the pixels are ours.
    if (pixels) pixels->clear();
    if (bitsPerPixel) *bitsPerPixel = depth;
    if (width) *width = w;
    if (height) *height = h;
    if (!pixels) return TGA_OK;
    const size_t bytesPerPixel = depth / 8;
    const size_t total = size_t(w) * size_t(h);
    size_t pos = 18 + size_t(idLength);
    if (pos > size) return TGA_NOT_READ;
    const size_t remaining = size - pos;
    // A file too short for its pixels is refused before the buffer is made.
    if (imageType == 2 && remaining / bytesPerPixel < total) return TGA_NOT_READ;
    if (imageType == 10 && remaining / (1 + bytesPerPixel) < (total + 127) / 128) return TGA_NOT_READ;
    pixels->assign(total * 4, 0);
    auto store = [&](size_t index, const uint8_t* src) {
        // File pixel `index` lands in output row h - 1 - index / w.
        const size_t fileRow = index / w, column = index % w;
        uint8_t* out = pixels->data() + ((size_t(h) - 1 - fileRow) * w + column) * 4;
        out[0] = src[2];
        out[1] = src[1];
        out[2] = src[0];
        out[3] = bytesPerPixel == 4 ? src[3] : 255;
    };
    if (imageType == 2) {
        for (size_t i = 0; i < total; ++i) store(i, data + pos + i * bytesPerPixel);
        return TGA_OK;
    }
    size_t done = 0;
    while (done < total) {
        if (pos >= size) break;
        const uint8_t header = data[pos++];
        const size_t count = std::min<size_t>((header & 0x7F) + 1, total - done);
        if (header & 0x80) {
            if (size - pos < bytesPerPixel) break;
            for (size_t k = 0; k < count; ++k) store(done + k, data + pos);
            pos += bytesPerPixel;
        } else {
            if ((size - pos) / bytesPerPixel < count) break;
            for (size_t k = 0; k < count; ++k) store(done + k, data + pos + k * bytesPerPixel);
            pos += count * bytesPerPixel;
        }
        done += count;
    }
    if (done < total) {
        pixels->clear();
        pixels->shrink_to_fit();
        return TGA_NOT_READ;
    }
    return TGA_OK;
}

int LoadTGAFile(const std::string& fileName, std::vector<uint8_t>* pixels, int* width, int* height,
                int* bitsPerPixel) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return TGA_NOT_READ;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return DecodeTGA(bytes.data(), bytes.size(), pixels, width, height, bitsPerPixel);
}

TPrintPlacement PrintPlacement(TOpenGLPrintScale scale, int pixelsPerInch, int bitmapWidth, int bitmapHeight,
                               int resolutionX, int resolutionY, int pageWidth, int pageHeight) {
    TPrintPlacement p;
    p.Left = int(resolutionX * 0.18);
    p.Top = int(resolutionY * 0.18);
    if (bitmapWidth <= 0 || bitmapHeight <= 0) return p;
    switch (scale) {
    case pglNone:
        p.Width = bitmapWidth;
        p.Height = bitmapHeight;
        break;
    case pglProportional: {
        const double ppi = pixelsPerInch > 0 ? pixelsPerInch : 96;
        p.Width = int(bitmapWidth / ppi * resolutionX);
        p.Height = int(bitmapHeight / ppi * resolutionY);
        break;
    }
    case pglPrintToFit: {
        const double aw = pageWidth - 2.0 * p.Left, ah = pageHeight - 2.0 * p.Top;
        // One scale, min(aw / bw, ah / bh); the limiting side fills its room exactly.
        if (aw / bitmapWidth <= ah / bitmapHeight) {
            p.Width = int(aw);
            p.Height = int(double(bitmapHeight) * aw / bitmapWidth);
        } else {
            p.Height = int(ah);
            p.Width = int(double(bitmapWidth) * ah / bitmapHeight);
        }
        break;
    }
    }
    p.Width = std::max(1, p.Width);
    p.Height = std::max(1, p.Height);
    return p;
}

// ---------------------------------------------------------------------------
// The panel's image operations

std::unique_ptr<OpenGLAPTexture> TOpenGLAPPanel::LoadBMPTexture(const std::string& fileName, bool alpha) {
    return LoadBMPTextureFile(fileName, alpha);
}

int32_t TOpenGLAPPanel::LoadTGA(const std::string& fileName, std::vector<uint8_t>* pixels, int* width,
                                int* height, int* bitsPerPixel) {
    return LoadTGAFile(fileName, pixels, width, height, bitsPerPixel);
}

QImage TOpenGLAPPanel::CaptureImage() {
    raise();
    // Renders through paintGL (so OnPaint runs) and copies the frame buffer.
    return grabFramebuffer();
}

void TOpenGLAPPanel::SaveOpenGLPanelToFile(const std::string& fileName) {
    const QImage image = CaptureImage();
    if (image.isNull() || !image.convertToFormat(QImage::Format_RGB32).save(QString::fromStdString(fileName), "BMP"))
        throw std::runtime_error("Cannot save the panel's image to " + fileName);
}

TPrintPlacement TOpenGLAPPanel::PrintOn(QPrinter& printer) {
    const QImage captured = CaptureImage();
    const QImage image = captured.isNull() ? QImage() : captured.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        ErrorText = "Print: Malloc Error";
        Error();
        return {};
    }
    if (PrintScale == pglProportional && PixelsPerInch <= 0) PixelsPerInch = 96;
    printer.setFullPage(true);
    const int res = printer.resolution();
    const QRectF page = printer.pageLayout().fullRect(QPageLayout::Millimeter);
    const int pageWidth = int(page.width() * res / 25.4);
    const int pageHeight = int(page.height() * res / 25.4);
    const TPrintPlacement where =
        PrintPlacement(PrintScale, PixelsPerInch, image.width(), image.height(), res, res, pageWidth, pageHeight);
    QPainter painter;
    if (!painter.begin(&printer)) return {};
    painter.drawImage(QRect(where.Left, where.Top, where.Width, where.Height), image);
    painter.end();
    return where;
}

void TOpenGLAPPanel::PrinTOpenGLAPPanel() {
    QPrinter printer(QPrinter::HighResolution);
    PrintOn(printer);
}
