#include "skinfixture.h"

#include "atlas.h"
#include "captionlayout.h"
#include "roundregion.h"

#include <set>
#include <sstream>

namespace bibliora::skin::test {
namespace {

struct GivenRow
{
    int face;
    int row;
    const char* colours; // columns 0 to 4, RRGGBB
};

// The rows the face tables give, as written there.
const GivenRow kGiven[] = {
    {0, 0, "78BAE6 6BB3E3 2C97D8 1B8FD5 1B8FD5"},  {0, 1, "69B2E2 7EC0E7 E7F3FB FFFFFF FFFFFF"},
    {0, 2, "2995D7 ECF6FC FFFFFF FFFFFF FFFFFF"},  {0, 3, "1B8FD5 F5FAFD F1F8FC F1F8FC F1F8FC"},
    {0, 4, "1B8FD5 F3F9FC EEF6FB EEF6FB EEF6FB"},  {0, 5, "1B8FD5 F0F7FC EAF4FB EAF4FB EAF4FB"},
    {0, 6, "1B8FD5 EEF6FC E6F2FB E6F2FB E6F2FB"},  {0, 7, "1B8FD5 EBF5FC E2F0FA E2F0FA E2F0FA"},
    {0, 8, "1B8FD5 E8F3FC DEEEFA DEEEFA DEEEFA"},  {0, 9, "1B8FD5 E5F2FB DAECF9 DAECF9 DAECF9"},
    {0, 10, "1B8FD5 E3F0FB D7EAF9 D7EAF9 D7EAF9"}, {0, 11, "1B8FD5 DBEBF8 CCE2F5 CCE2F5 CCE2F5"},
    {0, 12, "1B8FD5 D9E9F7 C8DFF3 C8DFF3 C8DFF3"}, {0, 13, "1B8FD5 D5E7F5 C3DCF1 C3DCF1 C3DCF1"},
    {0, 14, "1B8FD5 D2E4F4 BED8EF BED8EF BED8EF"}, {0, 15, "1B8FD5 CDE2F2 B8D5ED B8D5ED B8D5ED"},
    {0, 16, "1B8FD5 CBE0F1 B4D2EB B4D2EB B4D2EB"}, {0, 17, "1B8FD5 C9DEF0 B1D0EA B1D0EA B1D0EA"},
    {0, 18, "2895D7 BAD7EE BBD6EC B0CFE9 B0CFE9"}, {0, 19, "64B0E2 68B2E1 BBD8EE CCE0F1 CCE0F1"},
    {0, 20, "70B6E4 60AEE1 2A96D8 1B8FD5 1B8FD5"}, {1, 0, "7ABAE6 6BB3E3 2C97D8 1B8FD5 1B8FD5"},
    {1, 1, "69B2E2 28A3E6 3CBBF8 47C3FC 4CC3FB"},  {1, 2, "2995D7 3DBCF9 8DDAFE B7E8FF C6EDFF"},
    {1, 3, "1B8FD5 46C1FB AEE3FD C6EBFD D2EEFC"},  {1, 10, "1B8FD5 4AC2FB B9E4FC D3EDFC D9EDFB"},
    {1, 17, "1B8FD5 39BAF8 8FD0F5 9FD4F3 A7D4F2"}, {1, 18, "2895D7 33B6F6 70C9F7 87CCF3 99D2F3"},
    {1, 19, "64B0E2 25A1E5 33B5F6 3CBCF9 3FBBF8"}, {1, 20, "78BAE5 60AEE1 2A96D8 1B8FD5 1B8FD5"},
    {2, 0, "7ABAE6 6BB3E3 2C97D8 1B8FD5 1B8FD5"},  {2, 1, "69B2E2 22A1E6 30B5F8 39BCFB 3BBCFA"},
    {2, 2, "2995D7 2EB6F8 6FC9F8 86CCF3 9BD4F5"},  {2, 3, "1B8FD5 31B7F9 83CAF2 9FD4F3 9ACDEE"},
    {2, 10, "1B8FD5 3FBDFB AADAF8 C5E4F9 C6E1F6"}, {2, 17, "1B8FD5 3EBFFC AEE4FE C3EAFD D1EEFC"},
    {2, 18, "2895D7 36B9FA 86D7FE AEE4FD BEE8FE"}, {2, 19, "64B0E2 25A3E6 37BAF9 40C1FD 46C2FC"},
    {2, 20, "70B6E4 60AEE1 2A96D8 1B8FD5 1B8FD5"}, {3, 0, "DCDCDC D8D8D8 C4C4C4 BFBFBF BFBFBF"},
    {3, 1, "D7D7D7 DDDDDD F5F5F5 FFFFFF FFFFFF"},  {3, 2, "C3C3C3 F7F7F7 FFFFFF FFFFFF FFFFFF"},
    {3, 3, "BFBFBF FBFBFB F8F8F8 F8F8F8 F8F8F8"},  {3, 10, "BFBFBF F3F3F3 EEEEEE EEEEEE EEEEEE"},
    {3, 17, "BFBFBF E5E5E5 D9D9D9 D9D9D9 D9D9D9"}, {3, 18, "C3C3C3 DFDFDF DEDEDE D8D8D8 D8D8D8"},
    {3, 19, "D5D5D5 D6D6D6 DFDFDF E6E6E6 E6E6E6"}, {3, 20, "D8D8D8 D4D4D4 C4C4C4 BFBFBF BFBFBF"},
};

std::vector<Colour> parseRow(const char* text)
{
    std::istringstream in(text);
    std::vector<Colour> out;
    std::string word;
    while (in >> word)
        out.push_back(static_cast<Colour>(std::stoul(word, nullptr, 16)));
    return out;
}

int channel(Colour c, int shift)
{
    return static_cast<int>((c >> shift) & 0xFF);
}

class FacesTest : public SkinFixture
{
protected:
    Window form = makeForm();

    const MemoryImage& atlas() { return *ops.image(skin.skinAtlas()); }
    Colour templatePixel(int f, int row, int column)
    {
        return atlas().at(column, kFaceRows * f + row);
    }
    // The template column shown at column x of a face w pixels wide (w >= 8).
    static int templateColumn(int x, int w) { return x < 4 ? x : (x >= w - 4 ? x - (w - 9) : 4); }
    // The template row that row y of the face repeats, or -1 when it matches none.
    int templateRowOf(const MemoryImage& img, int f, int y)
    {
        for (int t = 0; t < kFaceRows; ++t) {
            bool all = true;
            for (int x = 0; x < img.width && all; ++x)
                all = img.at(x, y) == templatePixel(f, t, templateColumn(x, img.width));
            if (all)
                return t;
        }
        return -1;
    }
};

TEST_F(FacesTest, AtlasHoldsEveryGivenRowMirrored)
{
    skin.attachSkin(form);
    ASSERT_TRUE(skin.skinReady());
    ASSERT_EQ(atlas().width, kAtlasWidth);
    ASSERT_EQ(atlas().height, kAtlasHeight);
    for (const GivenRow& g : kGiven) {
        const std::vector<Colour> expected = parseRow(g.colours);
        ASSERT_EQ(expected.size(), 5u);
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(templatePixel(g.face, g.row, x), expected[static_cast<std::size_t>(x)])
                << "face " << g.face << " row " << g.row << " column " << x;
            EXPECT_EQ(templatePixel(g.face, g.row, 8 - x), expected[static_cast<std::size_t>(x)])
                << "face " << g.face << " row " << g.row << " column " << 8 - x;
        }
    }
}

TEST_F(FacesTest, OpenRowsRunEvenlyBetweenTheGivenRows)
{
    skin.attachSkin(form);
    // Worked by hand: a seventh of the way from FBFBFB to F3F3F3, three sevenths, and six
    // sevenths of the way from D9EDFB to A7D4F2.
    EXPECT_EQ(templatePixel(3, 4, 1), 0xFAFAFAu);
    EXPECT_EQ(templatePixel(3, 6, 1), 0xF8F8F8u);
    EXPECT_EQ(templatePixel(1, 16, 4), 0xAED8F3u);

    for (int f = 1; f < kFaceCount; ++f)
        for (const auto& [from, to] : {std::pair{3, 10}, std::pair{10, 17}})
            for (int x = 0; x < kAtlasWidth; ++x)
                for (int shift : {16, 8, 0}) {
                    int previous = channel(templatePixel(f, from, x), shift);
                    const int last = channel(templatePixel(f, to, x), shift);
                    for (int r = from + 1; r <= to; ++r) {
                        const int c = channel(templatePixel(f, r, x), shift);
                        EXPECT_TRUE(last >= previous ? c >= previous && c <= last
                                                     : c <= previous && c >= last)
                            << "face " << f << " row " << r << " column " << x;
                        previous = c;
                    }
                }
}

TEST_F(FacesTest, CornersAreTheAtlasCornersAtEverySizeAndTheClipFollows)
{
    const Window b = makeButton(form, u"");
    skin.attachSkin(form);
    for (int w = 8; w <= 40; ++w)
        for (int h = 10; h <= 40; h += (h < 24 ? 1 : 4)) {
            ops.resize(b, w, h);
            ASSERT_EQ(ops.region(b), (RoundRect{0, 0, w + 1, h + 1, 3, 3}));
            for (int f = 0; f < kFaceCount; ++f) {
                const MemoryImage& img = face(b, f);
                ASSERT_EQ(img.width, w);
                ASSERT_EQ(img.height, h);
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < 4; ++x) {
                        ASSERT_EQ(img.at(x, y), templatePixel(f, y, x));
                        ASSERT_EQ(img.at(w - 4 + x, y), templatePixel(f, y, 5 + x));
                        ASSERT_EQ(img.at(x, h - 5 + y), templatePixel(f, 16 + y, x));
                        ASSERT_EQ(img.at(w - 4 + x, h - 5 + y), templatePixel(f, 16 + y, 5 + x));
                    }
            }
        }
    EXPECT_EQ(ops.openContexts(), 0u);
}

TEST_F(FacesTest, EdgesAndCentreRepeatTemplatePixelsNeverSmoothing)
{
    const Window tall = makeButton(form, u"", 60, 45);
    const Window low = makeButton(form, u"", 60, 15);
    skin.attachSkin(form);
    for (int f = 0; f < kFaceCount; ++f) {
        // 35 middle rows show the 11 template rows in order, each repeated.
        std::vector<int> rows;
        for (int y = 0; y < 45; ++y)
            rows.push_back(templateRowOf(face(tall, f), f, y));
        for (int y = 0; y < 5; ++y) {
            EXPECT_EQ(rows[static_cast<std::size_t>(y)], y);
            EXPECT_EQ(rows[static_cast<std::size_t>(40 + y)], 16 + y);
        }
        const std::vector<int> middle(rows.begin() + 5, rows.begin() + 40);
        EXPECT_TRUE(std::is_sorted(middle.begin(), middle.end()));
        EXPECT_EQ(std::set<int>(middle.begin(), middle.end()),
                  (std::set<int>{5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));

        // A low button keeps 5 of the middle rows, in order, each a template row.
        std::vector<int> kept;
        for (int y = 5; y < 10; ++y)
            kept.push_back(templateRowOf(face(low, f), f, y));
        EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
        EXPECT_EQ(std::set<int>(kept.begin(), kept.end()).size(), 5u);
        EXPECT_GE(kept.front(), 5);
        EXPECT_LE(kept.back(), 15);
    }
}

TEST_F(FacesTest, TinyButtonsGetTheOuterHalvesOfTheTemplate)
{
    const Window b = makeButton(form, u"", 5, 6);
    const Window empty = makeButton(form, u"x", 0, 0);
    skin.attachSkin(form);
    const int columns[] = {0, 1, 2, 7, 8};
    const int rows[] = {0, 1, 2, 18, 19, 20};
    for (int f = 0; f < kFaceCount; ++f)
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(face(b, f).at(x, y), templatePixel(f, rows[y], columns[x]))
                    << "face " << f << " at " << x << "," << y;
    EXPECT_EQ(face(empty, 0).width, 0);
}

TEST_F(FacesTest, CaptionIsBlackOnTheFirstThreeFacesAndGreyWhenDisabled)
{
    const Window b = makeButton(form, u"确定");
    skin.attachSkin(form);
    for (int f = 0; f < kFaceCount; ++f) {
        const auto& px = face(b, f).pixels;
        const auto black = std::count(px.begin(), px.end(), 0x000000u);
        const auto grey = std::count(px.begin(), px.end(), 0x808080u);
        if (f == 3) {
            EXPECT_GT(grey, 0);
            EXPECT_EQ(black, 0);
        } else {
            EXPECT_GT(black, 0) << "face " << f;
            EXPECT_EQ(grey, 0) << "face " << f;
        }
    }
}

TEST_F(FacesTest, CaptionIsOneCentredLineWithItsAccessKeyUnderlined)
{
    const Window b = makeButton(form, u"保存 &S");
    skin.attachSkin(form);
    ASSERT_FALSE(ops.textDraws.empty());
    const CaptionLayout& layout = ops.textDraws.back().layout;
    EXPECT_EQ(layout.shown, u"保存 S");
    EXPECT_EQ(layout.accessKey, 3);
    EXPECT_EQ(ops.textDraws.back().box, (Rect{2, 2, 73, 21}));
    EXPECT_EQ(layout.x, 2 + (71 - 24) / 2);
    EXPECT_EQ(layout.y, 2 + (19 - 10) / 2);
    // The underline lies under the fourth cell, and only there.
    const int underline = layout.y + MemoryWindowOps::kLineHeight - 1;
    for (int x = 0; x < 75; ++x) {
        const bool underS = x >= layout.x + 18 && x < layout.x + 24;
        EXPECT_EQ(face(b, 0).at(x, underline) == 0x000000u, underS) << x;
    }
}

TEST_F(FacesTest, TooLongCaptionEndsInAnEllipsisOnOneLine)
{
    const Window b = makeButton(form, u"Export all records", 60, 23);
    skin.attachSkin(form);
    const CaptionLayout& layout = ops.textDraws.back().layout;
    EXPECT_TRUE(layout.elided);
    EXPECT_EQ(layout.shown, u"Export...");
    for (int f = 0; f < kFaceCount; ++f) {
        const MemoryImage& img = face(b, f);
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x)
                if (img.at(x, y) == 0x000000u || img.at(x, y) == 0x808080u) {
                    EXPECT_GE(y, layout.y);
                    EXPECT_LT(y, layout.y + MemoryWindowOps::kLineHeight);
                }
    }
}

class FixedMeasure final : public TextMeasure
{
public:
    int advance(std::u16string_view text) const override
    {
        return static_cast<int>(text.size()) * 10;
    }
    int lineHeight() const override { return 12; }
};

TEST(CaptionLayoutTest, AmpersandsEllipsisAndSurrogates)
{
    const FixedMeasure m;
    const Rect wide{0, 0, 200, 20};
    EXPECT_EQ(layoutCaption(u"a&&b", wide, m).shown, u"a&b");
    EXPECT_EQ(layoutCaption(u"a&&b", wide, m).accessKey, -1);
    EXPECT_EQ(layoutCaption(u"ab&", wide, m).shown, u"ab");
    EXPECT_EQ(layoutCaption(u"&Open &File", wide, m).accessKey, 0);

    // A character outside the basic plane is two units; the cut never splits them.
    const std::u16string smile = u"ab\U0001F600cdef";
    EXPECT_EQ(layoutCaption(smile, Rect{0, 0, 70, 20}, m).shown, u"ab\U0001F600...");
    EXPECT_EQ(layoutCaption(smile, Rect{0, 0, 60, 20}, m).shown, u"ab...");

    // An access key cut away by the ellipsis is not underlined.
    const CaptionLayout cut = layoutCaption(u"abcdef&g", Rect{0, 0, 60, 20}, m);
    EXPECT_EQ(cut.shown, u"abc...");
    EXPECT_EQ(cut.accessKey, -1);
}

TEST_F(FacesTest, OnlyTheFocusedButtonCarriesTheFocusMark)
{
    const Window a = makeButton(form, u"查找 &F");
    const Window b = makeButton(form, u"查找 &F");
    skin.attachSkin(form);
    std::vector<MemoryImage> plain;
    for (int f = 0; f < kFaceCount; ++f)
        plain.push_back(face(a, f));

    ops.setFocus(a);
    for (int f = 0; f < kFaceCount; ++f) {
        const MemoryImage& marked = face(a, f);
        EXPECT_EQ(face(b, f).pixels, plain[static_cast<std::size_t>(f)].pixels);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 75; ++x) {
                const bool onOutline = (x == 2 || x == 72 || y == 2 || y == 20) && x >= 2 &&
                                       x <= 72 && y >= 2 && y <= 20;
                const Colour before = plain[static_cast<std::size_t>(f)].at(x, y);
                const Colour expected =
                    onOutline && (x + y) % 2 == 0 ? (~before & 0xFFFFFFu) : before;
                ASSERT_EQ(marked.at(x, y), expected) << "face " << f << " at " << x << "," << y;
            }
    }

    ops.setFocus(b);
    for (int f = 0; f < kFaceCount; ++f) {
        EXPECT_EQ(face(a, f).pixels, plain[static_cast<std::size_t>(f)].pixels);
        EXPECT_NE(face(b, f).pixels, plain[static_cast<std::size_t>(f)].pixels);
    }
}

TEST(RoundRegionTest, ThreeByThreeEllipseCutsOnePixelPerCorner)
{
    const std::vector<Span> spans = roundRectSpans(RoundRect{0, 0, 21, 11, 3, 3});
    ASSERT_EQ(spans.size(), 10u);
    EXPECT_EQ(spans.front(), (Span{0, 1, 19}));
    EXPECT_EQ(spans.back(), (Span{9, 1, 19}));
    for (std::size_t y = 1; y < 9; ++y)
        EXPECT_EQ(spans[y], (Span{static_cast<int>(y), 0, 20}));
    EXPECT_TRUE(roundRectSpans(RoundRect{0, 0, 1, 1, 3, 3}).empty());
}

} // namespace
} // namespace bibliora::skin::test
