#include <QImage>
#include <QPdfWriter>
#include <QPrinter>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "Holeviewfixture.h"
#include "rounds/Openglimages.h"

namespace {
// A Targa header followed by the given bytes.
std::vector<uint8_t> Tga(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, std::vector<uint8_t> data,
                         uint8_t colourMapType = 0, uint8_t idLength = 0) {
    std::vector<uint8_t> f(18, 0);
    f[0] = idLength;
    f[1] = colourMapType;
    f[2] = type;
    f[12] = uint8_t(w);
    f[13] = uint8_t(w >> 8);
    f[14] = uint8_t(h);
    f[15] = uint8_t(h >> 8);
    f[16] = depth;
    f.insert(f.end(), idLength, 'x');
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

std::vector<uint8_t> Rgba(const std::vector<uint8_t>& px, int w, int x, int y) {
    const size_t at = (size_t(y) * size_t(w) + size_t(x)) * 4;
    return {px[at], px[at + 1], px[at + 2], px[at + 3]};
}

std::string WriteFile(const TempHome& home, const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = home.File(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}
} // namespace

TEST(TgaReader, UncompressedRowsAreTurnedAndChannelsSwapped) {
    // 2 x 2, 24 bits: file row 0 = blue, green; file row 1 = red, white (BGR).
    const auto file = Tga(2, 2, 2, 24, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}, 0, 3);
    std::vector<uint8_t> px;
    int w = 0, h = 0, bits = 0;
    ASSERT_EQ(DecodeTGA(file.data(), file.size(), &px, &w, &h, &bits), 0);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(bits, 24);
    ASSERT_EQ(px.size(), 16u);
    EXPECT_EQ(Rgba(px, 2, 0, 1), (std::vector<uint8_t>{0, 0, 255, 255}));  // first file row is the last
    EXPECT_EQ(Rgba(px, 2, 1, 1), (std::vector<uint8_t>{0, 255, 0, 255}));
    EXPECT_EQ(Rgba(px, 2, 0, 0), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(Rgba(px, 2, 1, 0), (std::vector<uint8_t>{255, 255, 255, 255}));
    // 32 bits keep their alpha.
    const auto alpha = Tga(2, 1, 1, 32, {10, 20, 30, 40});
    ASSERT_EQ(DecodeTGA(alpha.data(), alpha.size(), &px, &w, &h, &bits), 0);
    EXPECT_EQ(Rgba(px, 1, 0, 0), (std::vector<uint8_t>{30, 20, 10, 40}));
    EXPECT_EQ(bits, 32);
}

TEST(TgaReader, RunLengthPacketsCrossRowEnds) {
    // 3 x 2: a run of 4 red pixels crosses from file row 0 into row 1, then
    // two raw pixels (green, blue).
    const auto file = Tga(10, 3, 2, 24, {0x83, 0, 0, 255, 0x01, 0, 255, 0, 255, 0, 0});
    std::vector<uint8_t> px;
    int w = 0, h = 0, bits = 0;
    ASSERT_EQ(DecodeTGA(file.data(), file.size(), &px, &w, &h, &bits), 0);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Rgba(px, 3, x, 1), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(Rgba(px, 3, 0, 0), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(Rgba(px, 3, 1, 0), (std::vector<uint8_t>{0, 255, 0, 255}));
    EXPECT_EQ(Rgba(px, 3, 2, 0), (std::vector<uint8_t>{0, 0, 255, 255}));
    // A run longer than what is left ends at row 0 without writing past it.
    const auto longRun = Tga(10, 2, 1, 24, {0xFF, 1, 2, 3});
    ASSERT_EQ(DecodeTGA(longRun.data(), longRun.size(), &px, &w, &h, &bits), 0);
    EXPECT_EQ(px.size(), 8u);
    EXPECT_EQ(Rgba(px, 2, 1, 0), (std::vector<uint8_t>{3, 2, 1, 255}));
}

TEST(TgaReader, RefusedAndCutFiles) {
    std::vector<uint8_t> px{1, 2, 3};
    int w = -1, h = -1, bits = -1;
    // Colour map: -2, nothing written.
    const auto mapped = Tga(2, 2, 2, 24, std::vector<uint8_t>(12, 0), 1);
    EXPECT_EQ(DecodeTGA(mapped.data(), mapped.size(), &px, &w, &h, &bits), -2);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(bits, -1);
    const auto sixteen = Tga(2, 2, 2, 16, std::vector<uint8_t>(8, 0));
    EXPECT_EQ(DecodeTGA(sixteen.data(), sixteen.size(), &px, &w, &h, &bits), -2);
    const auto colourMappedType = Tga(1, 2, 2, 8, std::vector<uint8_t>(4, 0), 1);
    EXPECT_EQ(DecodeTGA(colourMappedType.data(), colourMappedType.size(), &px, &w, &h, &bits), -1);
    const auto grey = Tga(3, 2, 2, 24, std::vector<uint8_t>(12, 0));
    EXPECT_EQ(DecodeTGA(grey.data(), grey.size(), &px, &w, &h, &bits), -1);
    EXPECT_EQ(px, (std::vector<uint8_t>{1, 2, 3}));  // the pixel output too
    EXPECT_EQ(h, -1);
    // Cut short: -3, and no buffer is left behind.
    const auto cut = Tga(2, 4, 4, 24, std::vector<uint8_t>(40, 7));
    EXPECT_EQ(DecodeTGA(cut.data(), cut.size(), &px, &w, &h, &bits), -3);
    EXPECT_TRUE(px.empty());
    const auto cutRle = Tga(10, 4, 4, 24, {0x80, 1, 2, 3, 0x05, 1, 2});
    EXPECT_EQ(DecodeTGA(cutRle.data(), cutRle.size(), &px, &w, &h, &bits), -3);
    EXPECT_TRUE(px.empty());
    EXPECT_EQ(DecodeTGA(cut.data(), 10, &px, &w, &h, &bits), -3);
    // A huge size in a tiny file is refused before anything is allocated.
    const auto huge = Tga(2, 65535, 65535, 32, {1, 2, 3, 4});
    EXPECT_EQ(DecodeTGA(huge.data(), huge.size(), &px, &w, &h, &bits), -3);
    const auto hugeRle = Tga(10, 65535, 65535, 32, {0xFF, 1, 2, 3, 4});
    EXPECT_EQ(DecodeTGA(hugeRle.data(), hugeRle.size(), &px, &w, &h, &bits), -3);
    EXPECT_TRUE(px.empty());
    // An identification field longer than the file.
    auto longId = Tga(2, 1, 1, 24, {});
    longId[0] = 200;
    EXPECT_EQ(DecodeTGA(longId.data(), longId.size(), &px, &w, &h, &bits), -3);

    TempHome home;
    px = {9};
    EXPECT_EQ(TOpenGLAPPanel::LoadTGA(home.File("missing.tga"), &px, &w, &h, &bits), -3);
    EXPECT_EQ(px, (std::vector<uint8_t>{9}));
    const auto good = Tga(2, 1, 2, 24, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(TOpenGLAPPanel::LoadTGA(WriteFile(home, "good.tga", good), &px, &w, &h, &bits), 0);
    EXPECT_EQ(Rgba(px, 1, 0, 0), (std::vector<uint8_t>{6, 5, 4, 255}));
    const std::vector<uint8_t> shortFile(good.begin(), good.end() - 2);
    EXPECT_EQ(TOpenGLAPPanel::LoadTGA(WriteFile(home, "short.tga", shortFile), &px, &w, &h, &bits), -3);
    EXPECT_TRUE(px.empty());
}

TEST(BmpTexture, HeadersWhoseSizeWouldOverflowAreRefused) {
    // A 54-byte header: width, height, bits per pixel and the pixel offset.
    const auto header = [](uint32_t width, uint32_t height, uint16_t bits, uint32_t offBits) {
        std::string b(54, '\0');
        const auto put = [&](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
        };
        b[0] = 'B';
        b[1] = 'M';
        put(10, offBits);
        put(14, 40);
        put(18, width);
        put(22, height);
        b[26] = 1;
        b[28] = char(bits & 0xFF);
        return b;
    };
    // Row bytes times height past 2^63: the check must not wrap round.
    EXPECT_FALSE(WholeBitmap(header(0x7FFFFFFF, 0x7FFFFFFF, 32, 54)));
    EXPECT_FALSE(WholeBitmap(header(0x7FFFFFFF, 0x80000000, 32, 54)));  // height -2^31
    EXPECT_FALSE(WholeBitmap(header(1, 1, 24, 0xFFFFFFFF)));
    EXPECT_FALSE(WholeBitmap(header(1, 1, 24, 54)));  // the row is missing
    std::string one = header(1, 1, 24, 54);
    one.append(4, '\0');
    EXPECT_TRUE(WholeBitmap(one));
    std::string upsideDown = header(1, 0xFFFFFFFE, 24, 54);  // two rows, top first
    upsideDown.append(8, '\0');
    EXPECT_TRUE(WholeBitmap(upsideDown));
    upsideDown.pop_back();
    EXPECT_FALSE(WholeBitmap(upsideDown));
    TempHome home;
    const std::string big = header(0x7FFFFFFF, 0x7FFFFFFF, 32, 54);
    EXPECT_THROW(TOpenGLAPPanel::LoadBMPTexture(
                     WriteFile(home, "big.bmp", std::vector<uint8_t>(big.begin(), big.end())), false),
                 std::runtime_error);
}

TEST(BmpTexture, RowsBottomFirstWithOrWithoutAlpha) {
    TempHome home;
    QImage img(3, 2, QImage::Format_RGB32);
    img.setPixelColor(0, 0, QColor(10, 20, 30));
    img.setPixelColor(1, 0, QColor(40, 50, 60));
    img.setPixelColor(2, 0, QColor(70, 80, 90));
    img.setPixelColor(0, 1, QColor(255, 0, 0));
    img.setPixelColor(1, 1, QColor(0, 255, 0));
    img.setPixelColor(2, 1, QColor(0, 0, 255));
    const std::string path = home.File("t.bmp");
    ASSERT_TRUE(img.save(QString::fromStdString(path), "BMP"));
    auto rgb = TOpenGLAPPanel::LoadBMPTexture(path, false);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(rgb->Components, 3);
    EXPECT_EQ(rgb->Width, 3);
    EXPECT_EQ(rgb->Height, 2);
    EXPECT_EQ(rgb->Format, 0x1907u);
    EXPECT_EQ(rgb->Type, 0x1401u);
    ASSERT_EQ(rgb->Pixels.size(), 18u);
    EXPECT_EQ(std::vector<uint8_t>(rgb->Pixels.begin(), rgb->Pixels.begin() + 3), (std::vector<uint8_t>{255, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(rgb->Pixels.begin() + 15, rgb->Pixels.end()), (std::vector<uint8_t>{70, 80, 90}));
    auto rgba = TOpenGLAPPanel::LoadBMPTexture(path, true);
    EXPECT_EQ(rgba->Components, 4);
    EXPECT_EQ(rgba->Format, 0x1908u);
    ASSERT_EQ(rgba->Pixels.size(), 24u);
    for (size_t i = 3; i < 24; i += 4) EXPECT_EQ(rgba->Pixels[i], 255);
    EXPECT_EQ(rgba->Pixels[4], 0);
    EXPECT_EQ(rgba->Pixels[5], 255);

    // Cut short, wrong type, or missing: an exception, never a read past the data.
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    bytes.resize(40);
    EXPECT_THROW(TOpenGLAPPanel::LoadBMPTexture(WriteFile(home, "cut.bmp", bytes), false), std::runtime_error);
    // A whole header and part of the rows.
    const std::string small = home.File("small.bmp");
    ASSERT_TRUE(QImage(2, 2, QImage::Format_RGB32).save(QString::fromStdString(small), "BMP"));
    std::ifstream smallIn(small, std::ios::binary);
    std::vector<uint8_t> whole{std::istreambuf_iterator<char>(smallIn), std::istreambuf_iterator<char>()};
    EXPECT_NE(TOpenGLAPPanel::LoadBMPTexture(WriteFile(home, "whole.bmp", whole), false), nullptr);
    whole.resize(whole.size() - 10);
    try {
        TOpenGLAPPanel::LoadBMPTexture(WriteFile(home, "short.bmp", whole), false);
        ADD_FAILURE() << "a short bitmap loaded";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Bitmap image is not valid", 0), 0u) << e.what();
    }
    EXPECT_THROW(TOpenGLAPPanel::LoadBMPTexture(WriteFile(home, "tga.bmp", Tga(2, 1, 1, 24, {1, 2, 3})), false),
                 std::runtime_error);
    std::vector<uint8_t> huge(54, 0);
    huge[0] = 'B';
    huge[1] = 'M';
    huge[10] = 54;
    huge[14] = 40;
    huge[18] = 0xFF;
    huge[19] = 0xFF;
    huge[20] = 0xFF;
    huge[21] = 0x7F;  // width 2^31 - 1
    huge[22] = 0xFF;
    huge[23] = 0xFF;
    huge[26] = 1;
    huge[28] = 24;
    EXPECT_THROW(TOpenGLAPPanel::LoadBMPTexture(WriteFile(home, "huge.bmp", huge), false), std::runtime_error);
    EXPECT_THROW(TOpenGLAPPanel::LoadBMPTexture(home.File("none.bmp"), true), std::runtime_error);
}

TEST(PanelPrinting, PrintSizesOnA4At600Dpi) {
    // 318 x 281 on A4 (4960 x 7015 dots at 600 dpi).
    EXPECT_EQ(PrintPlacement(pglNone, 96, 318, 281, 600, 600, 4960, 7015), (TPrintPlacement{108, 108, 318, 281}));
    EXPECT_EQ(PrintPlacement(pglProportional, 96, 318, 281, 600, 600, 4960, 7015),
              (TPrintPlacement{108, 108, 1987, 1756}));
    EXPECT_EQ(PrintPlacement(pglPrintToFit, 96, 318, 281, 600, 600, 4960, 7015),
              (TPrintPlacement{108, 108, 4744, 4192}));
    // No pixels-per-inch: 96.
    EXPECT_EQ(PrintPlacement(pglProportional, 0, 318, 281, 600, 600, 4960, 7015).Width, 1987);
    // One scale for both sides: a wide image keeps its shape, never a 0.
    const TPrintPlacement wide = PrintPlacement(pglPrintToFit, 96, 6000, 10, 600, 600, 4960, 7015);
    EXPECT_EQ(wide.Width, 4744);
    EXPECT_EQ(wide.Height, 7);
    const TPrintPlacement thin = PrintPlacement(pglPrintToFit, 96, 100000, 1, 600, 600, 4960, 7015);
    EXPECT_EQ(thin.Height, 1);
    const TPrintPlacement tall = PrintPlacement(pglPrintToFit, 96, 100, 1000, 600, 600, 4960, 7015);
    EXPECT_EQ(tall.Height, 6799);
    EXPECT_EQ(tall.Width, 679);
    // The limiting side fills its room to the dot, whatever the rounding.
    EXPECT_EQ(PrintPlacement(pglPrintToFit, 96, 1132, 281, 600, 600, 4960, 7015).Width, 4744);
    EXPECT_EQ(PrintPlacement(pglPrintToFit, 96, 1, 25, 600, 600, 4960, 7015).Height, 6799);
}

TEST(PanelPrinting, SavedAndPrintedPanel) {
    TempHome home;
    HoleView view(318, 281);
    ASSERT_TRUE(view.Show());
    int paints = 0;
    auto paint = view.panel.OnPaint;
    view.panel.OnPaint = [&](QObject* sender) {
        ++paints;
        paint(sender);
    };
    const std::string bmp = home.File("panel.bmp");
    view.panel.SaveOpenGLPanelToFile(bmp);
    EXPECT_GE(paints, 1);
    QImage saved(QString::fromStdString(bmp), "BMP");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(318, 281));
    EXPECT_TRUE(IsClearColour(saved, 0, 0));
    EXPECT_TRUE(IsClearColour(saved, 317, 280));
    EXPECT_THROW(view.panel.SaveOpenGLPanelToFile(home.File("no/such/folder/x.bmp")), std::runtime_error);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(home.File("panel.pdf")));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setResolution(600);
    view.panel.PrintScale = pglPrintToFit;
    EXPECT_EQ(view.panel.PrintOn(printer), (TPrintPlacement{108, 108, 4744, 4192}));
    EXPECT_GT(std::filesystem::file_size(home.File("panel.pdf")), 1000u);
    view.panel.PrintScale = pglProportional;
    view.panel.PixelsPerInch = -5;
    printer.setOutputFileName(QString::fromStdString(home.File("panel2.pdf")));
    EXPECT_EQ(view.panel.PrintOn(printer), (TPrintPlacement{108, 108, 1987, 1756}));
    EXPECT_EQ(view.panel.PixelsPerInch, 96);
    // Only proportional printing mends the resolution.
    view.panel.PrintScale = pglNone;
    view.panel.PixelsPerInch = 0;
    printer.setOutputFileName(QString::fromStdString(home.File("panel3.pdf")));
    EXPECT_EQ(view.panel.PrintOn(printer), (TPrintPlacement{108, 108, 318, 281}));
    EXPECT_EQ(view.panel.PixelsPerInch, 0);
}
