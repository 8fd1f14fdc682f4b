#include <ostream>

#include <gtest/gtest.h>

#include "selection/PreviewSizing.h"

namespace obri {
namespace {

struct SizingCase {
    int width, height, screenWidth, screenHeight;
    ClientSize expected;
};

void PrintTo(const SizingCase& c, std::ostream* os) {
    *os << c.width << 'x' << c.height << " on " << c.screenWidth << 'x' << c.screenHeight;
}

class PreviewSizing : public ::testing::TestWithParam<SizingCase> {};

TEST_P(PreviewSizing, GivesThePictureAMarginWithinTheScreen) {
    const SizingCase& c = GetParam();
    EXPECT_EQ(previewClientSize(c.width, c.height, c.screenWidth, c.screenHeight), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PreviewSizing,
    ::testing::Values(SizingCase{10, 10, 1024, 738, {32, 14}}, SizingCase{30, 20, 1024, 738, {32, 24}},
                      SizingCase{33, 20, 1024, 738, {37, 24}}, SizingCase{28, 5, 1024, 738, {32, 9}},
                      SizingCase{32, 32, 1024, 738, {32, 36}}, SizingCase{0, 0, 1024, 738, {32, 4}},
                      // at the screen's width or height the margin goes
                      SizingCase{1024, 100, 1024, 738, {1024, 104}},
                      SizingCase{1023, 100, 1024, 738, {1027, 104}},
                      SizingCase{100, 738, 1024, 738, {104, 738}},
                      SizingCase{100, 737, 1024, 738, {104, 741}},
                      SizingCase{5000, 4000, 1024, 738, {1024, 738}},
                      // a screen narrower than 32 still gives small pictures 32
                      SizingCase{20, 20, 16, 16, {32, 16}}));

}  // namespace
}  // namespace obri
