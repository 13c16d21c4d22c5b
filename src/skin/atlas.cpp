#include "atlas.h"

#include <array>

namespace bibliora::skin {

namespace {

// The given rows of the four face templates, columns 0 to 4; columns 5 to 8 mirror 3 to 0.
struct GivenRow
{
    int face;
    int row;
    std::array<QRgb, 5> left;
};

constexpr GivenRow kGivenRows[] = {
    // face 0
    {0, 0, {0x78BAE6, 0x6BB3E3, 0x2C97D8, 0x1B8FD5, 0x1B8FD5}},
    {0, 1, {0x69B2E2, 0x7EC0E7, 0xE7F3FB, 0xFFFFFF, 0xFFFFFF}},
    {0, 2, {0x2995D7, 0xECF6FC, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
    {0, 3, {0x1B8FD5, 0xF5FAFD, 0xF1F8FC, 0xF1F8FC, 0xF1F8FC}},
    {0, 4, {0x1B8FD5, 0xF3F9FC, 0xEEF6FB, 0xEEF6FB, 0xEEF6FB}},
    {0, 5, {0x1B8FD5, 0xF0F7FC, 0xEAF4FB, 0xEAF4FB, 0xEAF4FB}},
    {0, 6, {0x1B8FD5, 0xEEF6FC, 0xE6F2FB, 0xE6F2FB, 0xE6F2FB}},
    {0, 7, {0x1B8FD5, 0xEBF5FC, 0xE2F0FA, 0xE2F0FA, 0xE2F0FA}},
    {0, 8, {0x1B8FD5, 0xE8F3FC, 0xDEEEFA, 0xDEEEFA, 0xDEEEFA}},
    {0, 9, {0x1B8FD5, 0xE5F2FB, 0xDAECF9, 0xDAECF9, 0xDAECF9}},
    {0, 10, {0x1B8FD5, 0xE3F0FB, 0xD7EAF9, 0xD7EAF9, 0xD7EAF9}},
    {0, 11, {0x1B8FD5, 0xDBEBF8, 0xCCE2F5, 0xCCE2F5, 0xCCE2F5}},
    {0, 12, {0x1B8FD5, 0xD9E9F7, 0xC8DFF3, 0xC8DFF3, 0xC8DFF3}},
    {0, 13, {0x1B8FD5, 0xD5E7F5, 0xC3DCF1, 0xC3DCF1, 0xC3DCF1}},
    {0, 14, {0x1B8FD5, 0xD2E4F4, 0xBED8EF, 0xBED8EF, 0xBED8EF}},
    {0, 15, {0x1B8FD5, 0xCDE2F2, 0xB8D5ED, 0xB8D5ED, 0xB8D5ED}},
    {0, 16, {0x1B8FD5, 0xCBE0F1, 0xB4D2EB, 0xB4D2EB, 0xB4D2EB}},
    {0, 17, {0x1B8FD5, 0xC9DEF0, 0xB1D0EA, 0xB1D0EA, 0xB1D0EA}},
    {0, 18, {0x2895D7, 0xBAD7EE, 0xBBD6EC, 0xB0CFE9, 0xB0CFE9}},
    {0, 19, {0x64B0E2, 0x68B2E1, 0xBBD8EE, 0xCCE0F1, 0xCCE0F1}},
    {0, 20, {0x70B6E4, 0x60AEE1, 0x2A96D8, 0x1B8FD5, 0x1B8FD5}},
    // face 1
    {1, 0, {0x7ABAE6, 0x6BB3E3, 0x2C97D8, 0x1B8FD5, 0x1B8FD5}},
    {1, 1, {0x69B2E2, 0x28A3E6, 0x3CBBF8, 0x47C3FC, 0x4CC3FB}},
    {1, 2, {0x2995D7, 0x3DBCF9, 0x8DDAFE, 0xB7E8FF, 0xC6EDFF}},
    {1, 3, {0x1B8FD5, 0x46C1FB, 0xAEE3FD, 0xC6EBFD, 0xD2EEFC}},
    {1, 10, {0x1B8FD5, 0x4AC2FB, 0xB9E4FC, 0xD3EDFC, 0xD9EDFB}},
    {1, 17, {0x1B8FD5, 0x39BAF8, 0x8FD0F5, 0x9FD4F3, 0xA7D4F2}},
    {1, 18, {0x2895D7, 0x33B6F6, 0x70C9F7, 0x87CCF3, 0x99D2F3}},
    {1, 19, {0x64B0E2, 0x25A1E5, 0x33B5F6, 0x3CBCF9, 0x3FBBF8}},
    {1, 20, {0x78BAE5, 0x60AEE1, 0x2A96D8, 0x1B8FD5, 0x1B8FD5}},
    // face 2
    {2, 0, {0x7ABAE6, 0x6BB3E3, 0x2C97D8, 0x1B8FD5, 0x1B8FD5}},
    {2, 1, {0x69B2E2, 0x22A1E6, 0x30B5F8, 0x39BCFB, 0x3BBCFA}},
    {2, 2, {0x2995D7, 0x2EB6F8, 0x6FC9F8, 0x86CCF3, 0x9BD4F5}},
    {2, 3, {0x1B8FD5, 0x31B7F9, 0x83CAF2, 0x9FD4F3, 0x9ACDEE}},
    {2, 10, {0x1B8FD5, 0x3FBDFB, 0xAADAF8, 0xC5E4F9, 0xC6E1F6}},
    {2, 17, {0x1B8FD5, 0x3EBFFC, 0xAEE4FE, 0xC3EAFD, 0xD1EEFC}},
    {2, 18, {0x2895D7, 0x36B9FA, 0x86D7FE, 0xAEE4FD, 0xBEE8FE}},
    {2, 19, {0x64B0E2, 0x25A3E6, 0x37BAF9, 0x40C1FD, 0x46C2FC}},
    {2, 20, {0x70B6E4, 0x60AEE1, 0x2A96D8, 0x1B8FD5, 0x1B8FD5}},
    // face 3
    {3, 0, {0xDCDCDC, 0xD8D8D8, 0xC4C4C4, 0xBFBFBF, 0xBFBFBF}},
    {3, 1, {0xD7D7D7, 0xDDDDDD, 0xF5F5F5, 0xFFFFFF, 0xFFFFFF}},
    {3, 2, {0xC3C3C3, 0xF7F7F7, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
    {3, 3, {0xBFBFBF, 0xFBFBFB, 0xF8F8F8, 0xF8F8F8, 0xF8F8F8}},
    {3, 10, {0xBFBFBF, 0xF3F3F3, 0xEEEEEE, 0xEEEEEE, 0xEEEEEE}},
    {3, 17, {0xBFBFBF, 0xE5E5E5, 0xD9D9D9, 0xD9D9D9, 0xD9D9D9}},
    {3, 18, {0xC3C3C3, 0xDFDFDF, 0xDEDEDE, 0xD8D8D8, 0xD8D8D8}},
    {3, 19, {0xD5D5D5, 0xD6D6D6, 0xDFDFDF, 0xE6E6E6, 0xE6E6E6}},
    {3, 20, {0xD8D8D8, 0xD4D4D4, 0xC4C4C4, 0xBFBFBF, 0xBFBFBF}},
};

const GivenRow* givenRow(int face, int row)
{
    for (const GivenRow& g : kGivenRows)
        if (g.face == face && g.row == row)
            return &g;
    return nullptr;
}

int mirroredColumn(int column)
{
    return column <= 4 ? column : 8 - column;
}

// Per channel, rounded to the nearest value.
QRgb between(QRgb a, QRgb b, int step, int steps)
{
    QRgb out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        const int c = (ca * (steps - step) + cb * step + steps / 2) / steps;
        out |= static_cast<QRgb>(c) << shift;
    }
    return out;
}

} // namespace

QRgb atlasTemplateColour(int face, int row, int column)
{
    if (face < 0 || face >= kFaceCount || row < 0 || row >= kFaceRows || column < 0 ||
        column >= kAtlasWidth)
        return 0;
    const int x = mirroredColumn(column);
    if (const GivenRow* g = givenRow(face, row))
        return g->left[static_cast<std::size_t>(x)];
    // Rows the tables leave open run evenly between the nearest given rows above and below.
    int above = row - 1;
    while (!givenRow(face, above))
        --above;
    int below = row + 1;
    while (!givenRow(face, below))
        ++below;
    return between(givenRow(face, above)->left[static_cast<std::size_t>(x)],
                   givenRow(face, below)->left[static_cast<std::size_t>(x)], row - above,
                   below - above);
}

QImage buildAtlas()
{
    QImage atlas(kAtlasWidth, kAtlasHeight, QImage::Format_RGB32);
    for (int y = 0; y < kAtlasHeight; ++y)
        for (int x = 0; x < kAtlasWidth; ++x)
            atlas.setPixel(x, y,
                           0xFF000000u | atlasTemplateColour(y / kFaceRows, y % kFaceRows, x));
    return atlas;
}

} // namespace bibliora::skin
