#include "atlas.h"
#include "buttonstate.h"
#include "captionlayout.h"
#include "faces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <tuple>

namespace bibliora::skin::test {
namespace {

const QImage kAtlas = buildAtlas();

QRgb atlas(int face, int row, int x)
{
    return kAtlas.pixel(x, kFaceRows * face + row) & 0xFFFFFFu;
}

TEST(SkinAtlas, HoldsTheTableColoursMirroredAndRunsEvenlyBetweenThem)
{
    // Face, row, column, colour. The last lies between given rows and is worked by hand: 6/7
    // of the way from D9EDFB to A7D4F2.
    const QRgb samples[][4] = {{0, 0, 0, 0x78BAE6}, {0, 20, 2, 0x2A96D8}, {1, 2, 3, 0xB7E8FF},
                               {2, 1, 1, 0x22A1E6}, {3, 10, 4, 0xEEEEEE}, {1, 16, 4, 0xAED8F3}};
    ASSERT_EQ(kAtlas.size(), QSize(9, 84));
    for (const auto& [f, row, x, colour] : samples) {
        SCOPED_TRACE(testing::Message() << "face " << f << " row " << row);
        EXPECT_EQ(atlas(f, row, x), colour);
        EXPECT_EQ(atlas(f, row, 8 - x), colour);
    }
}

TEST(SkinFaces, KeepTheCornersAndRepeatTemplatePixelsAtEverySize)
{
    const int sizes[][2] = {{8, 10}, {9, 11}, {23, 21}, {75, 23}, {40, 60}};
    for (const auto& [w, h] : sizes)
        for (int f = 0; f < kFaceCount; ++f) {
            SCOPED_TRACE(testing::Message() << w << " x " << h << ", face " << f);
            const QImage face = composePieces(kAtlas, ButtonFace(f), QSize(w, h), 1);
            // Columns 0-3 and the last four are the template's; all between repeat column 4.
            auto column = [w = w](int x) { return x < 4 ? x : x >= w - 4 ? x - w + 9 : 4; };
            std::vector<int> rows(h, -1); // the template row each row shows in full
            for (int y = 0; y < h; ++y)
                for (int t = kFaceRows - 1; t >= 0; --t) {
                    int x = 0;
                    while (x < w && (face.pixel(x, y) & 0xFFFFFFu) == atlas(f, t, column(x)))
                        ++x;
                    if (x == w)
                        rows[y] = t;
                }
            for (int y = 0; y < 5; ++y) {
                EXPECT_EQ(rows[y], y);
                EXPECT_EQ(rows[h - 5 + y], 16 + y);
            }
            // The 11 middle rows in order, each repeated or some dropped, none made up.
            EXPECT_TRUE(std::is_sorted(rows.begin() + 5, rows.end() - 5));
            const std::set<int> middle(rows.begin() + 5, rows.end() - 5);
            EXPECT_EQ(middle.size(), std::size_t(std::min(h - 10, 11)));
            EXPECT_TRUE(middle.empty() || (*middle.begin() >= 5 && *middle.rbegin() <= 15));
        }
    // One and a half: 112.5 x 34.5 rounds to 113 x 35, the last pixel the template's.
    const QImage half = composePieces(kAtlas, ButtonFace::Normal, QSize(75, 23), 1.5);
    ASSERT_EQ(half.size(), QSize(113, 35));
    EXPECT_EQ(half.pixel(112, 34) & 0xFFFFFFu, atlas(0, 20, 8));
}

class FixedWidth final : public TextMeasure
{
public:
    int advance(const QString& text) const override { return 7 * int(text.size()); }
    int lineHeight() const override { return 12; }
};

TEST(SkinCaption, OneCentredLineWithItsAccessKeyAndAnEllipsisWhenTooLong)
{
    const FixedWidth measure;
    const QRect box(2, 2, 71, 19);
    const CaptionLayout find = layoutCaption(QStringLiteral("查找 &F"), box, measure);
    EXPECT_EQ(find.shown, QStringLiteral("查找 F"));
    EXPECT_EQ(find.accessKey, 3);
    EXPECT_EQ(QPoint(find.x, find.y), QPoint(2 + (71 - 28) / 2, 2 + (19 - 12) / 2));

    const CaptionLayout cut = layoutCaption(QStringLiteral("&Save && export all"), box, measure);
    EXPECT_EQ(cut.shown, QStringLiteral("Save & ..."));
    EXPECT_EQ(cut.accessKey, 0);
    // A key cut off is not underlined.
    EXPECT_EQ(layoutCaption(QStringLiteral("export all records &X"), box, measure).accessKey, -1);
}

TEST(SkinStates, EveryTransitionStartsItsFadeAtItsLevel)
{
    using E = ButtonEvent;
    using F = ButtonFace;
    // From Normal with the pointer flag clear, after one event (none when the first column is
    // absent), another: the face and pointer flag that follow, the level the fade starts at
    // (kNoFade when none starts), its steps, and whether the face shows at once.
    const std::tuple<std::optional<E>, E, F, bool, int, int, bool> table[] = {
        {std::nullopt, E::PointerMove, F::Hot, true, 70, 62, false},
        {E::PointerMove, E::PointerMove, F::Hot, true, kNoFade, 0, false},
        {E::PointerMove, E::LeftPress, F::Pressed, true, 10, 82, false},
        {E::LeftPress, E::LeftRelease, F::Normal, false, 0, 86, false},
        {E::PointerMove, E::Leave, F::Normal, false, 0, 86, false},
        {E::LeftPress, E::Leave, F::Normal, false, 0, 86, false},
        {E::PointerMove, E::SpacePress, F::Pressed, true, 50, 69, false},
        {E::SpacePress, E::SpacePress, F::Pressed, false, 50, 69, false},
        {E::SpacePress, E::SpaceRelease, F::Normal, false, 0, 86, false},
        {E::LeftPress, E::FocusChange, F::Pressed, false, 0, 86, false},
        {E::PointerMove, E::Disabled, F::Disabled, true, kNoFade, 0, true},
        {E::Disabled, E::PointerMove, F::Disabled, false, kNoFade, 0, false},
        {E::Disabled, E::LeftPress, F::Disabled, false, kNoFade, 0, false},
        {E::Disabled, E::Enabled, F::Normal, false, kNoFade, 0, true},
    };
    for (const auto& [before, event, face, mouseFlag, level, steps, atOnce] : table) {
        SCOPED_TRACE(testing::Message() << int(event) << " after " << (before ? int(*before) : -1));
        const ButtonState state = before ? transition({}, *before).next : ButtonState{};
        const Transition t = transition(state, event);
        EXPECT_EQ(std::tie(t.next.face, t.next.mouseFlag, t.fadeFrom, t.atOnce),
                  std::tie(face, mouseFlag, level, atOnce));
        EXPECT_EQ(fadeSteps(t.fadeFrom), steps);
    }
}

} // namespace
} // namespace bibliora::skin::test
