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

// With the token the main window comes up at its place with its title; a PMS folder typed into its box
// is saved by "X", which ends the program with 0 and leaves every other line of the settings as it was.
TEST_F(Started, ShowsTheMainWindowAtItsPlaceAndSavesItsSettingsOnX) {
    std::string settings = readFile(bin() + "QUAV.INI");
    const std::string oldLine = "PMS_DIR=" + pms() + "\r\n";
    ASSERT_NE(settings.find(oldLine), std::string::npos);
    settings.replace(settings.find(oldLine), oldLine.size(), "PMS_DIR=/tmp/elsewhere/\r\n");
    Window main = startMainWindow();
    ASSERT_NE(main.id, 0u);
    EXPECT_EQ(main.name, "OBRI");
    EXPECT_EQ(main.x, layout::kLeft);
    EXPECT_EQ(main.y, layout::kTop);
    EXPECT_EQ(main.width, layout::kWidth);
    EXPECT_EQ(main.height, layout::kHeight);
    EXPECT_TRUE(exists(workFolderParent() + "Obri-" + std::to_string(getuid())))
        << "the work folder is made at start";

    click(layout::kPmsFolderEdit);
    display().key("ctrl+a");
    display().type("/tmp/elsewhere/");
    EXPECT_EQ(closeWithX(), 0);
    EXPECT_TRUE(display().visibleWindows().empty());
    EXPECT_EQ(readFile(bin() + "QUAV.INI"), settings);
}

}  // namespace
}  // namespace obri::e2e
