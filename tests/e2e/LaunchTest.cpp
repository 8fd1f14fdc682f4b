// Starting the real program: the launch guard, the main window's place, and leaving through "X".
#include <unistd.h>

#include <chrono>
#include <ostream>

#include "e2e/Session.h"

namespace obri::e2e {
namespace {

using namespace std::chrono_literals;

struct RefusedCase {
    const char* label;
    std::vector<std::string> args;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.label; }

class RefusedStart : public Session, public ::testing::WithParamInterface<RefusedCase> {};

// A refused start ends with 0 before anything of the program runs: no window, and none of the files and
// folders that a start makes or reads (work folder, history, settings) is touched.
TEST_P(RefusedStart, EndsAtOnceWithoutWindowOrFiles) {
    const std::string settingsBefore = readFile(bin() + "QUAV.INI");
    ChildProcess& program = startProgram(GetParam().args);
    auto status = program.waitFor(30s);
    ASSERT_TRUE(status) << "the program kept running without the launch token";
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(display().visibleWindows().empty());
    EXPECT_FALSE(exists(workFolderParent() + "Obri-" + std::to_string(getuid())));
    EXPECT_FALSE(exists(bin() + "History.txt"));
    EXPECT_EQ(readFile(bin() + "QUAV.INI"), settingsBefore);
}

INSTANTIATE_TEST_SUITE_P(LaunchGuard, RefusedStart,
                         ::testing::Values(RefusedCase{"NoArgument", {}},
                                           RefusedCase{"TrailingBlank", {"MOVAN "}},
                                           RefusedCase{"LowerCase", {"movan"}},
                                           RefusedCase{"Quoted", {"\"MOVAN\""}},
                                           RefusedCase{"SecondWord", {"MOVAN", "x"}},
                                           RefusedCase{"EmptyFirstArgument", {"", "MOVAN"}}),
                         [](const auto& test) { return std::string(test.param.label); });

using Started = Session;

// With the token the main window comes up at its place with its title, and "X" ends the program with
// 0, rewriting only the program's own two settings (to the same values here, so the file is unchanged).
TEST_F(Started, ShowsTheMainWindowAtItsPlaceAndEndsThroughX) {
    const std::string settingsBefore = readFile(bin() + "QUAV.INI");
    Window main = startMainWindow();
    ASSERT_NE(main.id, 0u);
    EXPECT_EQ(main.name, "OBRI");
    EXPECT_EQ(main.x, layout::kLeft);
    EXPECT_EQ(main.y, layout::kTop);
    EXPECT_EQ(main.width, layout::kWidth);
    EXPECT_EQ(main.height, layout::kHeight);
    EXPECT_TRUE(exists(workFolderParent() + "Obri-" + std::to_string(getuid())))
        << "the work folder is made at start";

    EXPECT_EQ(closeWithX(), 0);
    EXPECT_TRUE(display().visibleWindows().empty());
    EXPECT_EQ(readFile(bin() + "QUAV.INI"), settingsBefore);
}

}  // namespace
}  // namespace obri::e2e
