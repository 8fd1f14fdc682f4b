// The whole workflow through the real window: pick pictures and an archive member, make the PMS files
// and the ALD file, look at the history, leave; then every file the program writes is checked.
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <set>
#include <thread>

#include "e2e/Session.h"

namespace obri::e2e {
namespace {

namespace fs = std::filesystem;

// The pages of the picture group: the tab row and the list's frame take 27 pixels, a row 14. The
// demo folder lists album.zip first (names sort without regard to case), so its row is the first.
constexpr layout::Point kFirstRow = layout::at(152 + 60, 40 + 27 + 7);
// The folder list: its first row is the root.
constexpr layout::Point kFirstFolder = layout::at(8 + 40, 40 + 9);

// Listing of pictures/ as scripts/demo makes it, in the list's order.
enum DemoRow { kAlbumZip, kBars8Bit, kBoxes4Bit, kCirclesPng, kGradientJpg, kLogo32Bit, kTitle24Bit };
// Members of album.zip, in the archive's order.
enum AlbumRow { kSeaJpg, kSunsetPng, kTiles1Bit };

class Workflow : public Session {
protected:
    // Selects the first row of the visible list with a click on its text, then ticks each row given
    // (in increasing order) with the keyboard, as a user may.
    void tickRows(std::initializer_list<int> rows) {
        click(kFirstRow);
        int at = 0;
        for (int row : rows) {
            for (; at < row; ++at) display().key("Down");
            display().key("space");
        }
    }

    std::set<std::string> filesIn(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    // In the workspace's folder the folder list ends with its sub-folders bin, config, pictures, pms:
    // pictures/ is the last but one. Return opens it, as a double-click does.
    void pickPicturesFolder() {
        click(kFirstFolder);
        display().key("End");
        display().key("Up");
        display().key("Return");
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }

    // The stand-in converter's header: the picture's size and the work file's depth reached it.
    void expectPms(const std::string& name, const std::string& picture) {
        std::string bytes = readFile(pms() + name);
        EXPECT_EQ(bytes.rfind("OBRI-PMS-STANDIN 1\n" + picture + " ", 0), 0u)
            << name << ": " << bytes.substr(0, 60);
    }

    // The stand-in linker packs the listed PMS files in list order, each after a line "N NAME SIZE".
    std::string expectedAld(const std::vector<std::string>& names) {
        std::string ald = "OBRI-ALD-STANDIN 1\nentries " + std::to_string(names.size()) + "\n";
        for (size_t i = 0; i < names.size(); ++i) {
            std::string bytes = readFile(pms() + names[i]);
            ald += std::to_string(i + 1) + " " + names[i] + " " + std::to_string(bytes.size()) + "\n" +
                   bytes + "\n";
        }
        return ald;
    }

    // Opens the history with its button, copies the text it shows and closes the window again as a
    // window manager's close box does.
    std::string historyShown() {
        click(layout::kHistoryButton);
        auto history = display().waitForWindow("History", std::chrono::seconds(30));
        if (!history) {
            ADD_FAILURE() << "the history window did not open";
            return {};
        }
        std::string shown = display().copyTextAt(history->x + 60, history->y + 60);
        display().requestClose(history->id);
        EXPECT_TRUE(display().waitUntilGone(history->id, std::chrono::seconds(10)));
        return shown;
    }

    std::string workFolder() { return workFolderParent() + "Obri-" + std::to_string(getuid()) + "/"; }
};

void expectHistoryHeader(const std::string& line, const std::string& sentence) {
    // The C locale's date and time forms (the program runs with LC_ALL=C.UTF-8 here).
    static const std::regex stamp(R"(^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2} )");
    EXPECT_TRUE(std::regex_search(line, stamp)) << line;
    ASSERT_GE(line.size(), sentence.size());
    EXPECT_EQ(line.substr(line.size() - sentence.size()), sentence) << line;
}

TEST_F(Workflow, MakesPmsAndAldFilesAndKeepsTheHistory) {
    const std::string settingsBefore = readFile(bin() + "QUAV.INI");
    Window main = startMainWindow(workspace());
    ASSERT_NE(main.id, 0u);
    pickPicturesFolder();

    tickRows({kBars8Bit, kCirclesPng});
    display().doubleClick(kFirstRow.x, kFirstRow.y);  // album.zip opens on the "Arc-File" page
    tickRows({kSunsetPng});

    click(layout::kMakePmsButton);
    EXPECT_EQ(nextMessage(), "PMSファイルを作成しました。");
    click(layout::kMakeAldButton);
    EXPECT_EQ(nextMessage(), "ALDファイルを作成しました。");

    const std::string shown = historyShown();
    EXPECT_EQ(closeWithX(), 0);

    const std::vector<std::string> pmsNames = {"bars-8bit.pms", "circles.pms", "sunset.pms"};
    EXPECT_EQ(crlfLines(pms() + "OBRI.hed"),
              (std::vector<std::string>{"1,bars-8bit.pms", "1,circles.pms", "1,sunset.pms"}));
    EXPECT_EQ(filesIn(pms()),
              (std::set<std::string>{"OBRI.hed", "bars-8bit.pms", "circles.pms", "sunset.pms"}));
    expectPms("bars-8bit.pms", "width 256 height 64 bits 8");
    expectPms("circles.pms", "width 320 height 240 bits 24");
    expectPms("sunset.pms", "width 256 height 192 bits 24");
    EXPECT_TRUE(filesIn(workFolder()).empty()) << "work files were left behind";

    EXPECT_EQ(crlfLines(workspace() + "CG_GA.txt"),
              (std::vector<std::string>{"CGリンク番号", "1=bars-8bit.pms", "2=circles.pms", "3=sunset.pms"}));
    EXPECT_EQ(readFile(workspace() + "CG_GA.ALD"), expectedAld(pmsNames));
    EXPECT_FALSE(exists(bin() + "OBRI_DIR.HED"));

    auto lines = crlfLines(bin() + "History.txt");
    ASSERT_EQ(lines.size(), 6u);
    expectHistoryHeader(lines[0], " 下記ﾌｧｲﾙを変換しました。");
    EXPECT_EQ(lines[1], "\tbars-8bit.bmp->bars-8bit.pms");
    EXPECT_EQ(lines[2], "\tcircles.png->circles.pms");
    EXPECT_EQ(lines[3], "\tsunset.png->sunset.pms");
    expectHistoryHeader(lines[4], " 下記を作成しました。");
    EXPECT_EQ(lines[5], "\t" + workspace() + "CG_GA.ALD");
    std::string expectedShown;
    for (const auto& line : lines) expectedShown += line + "\n";
    EXPECT_EQ(shown + (shown.ends_with("\n") ? "" : "\n"), expectedShown) << "the history window's text";

    EXPECT_EQ(readFile(bin() + "QUAV.INI"), settingsBefore);
}

// A picture that vanished after it was ticked is reported by name; the other rows are converted and
// every row keeps its line, so link numbers stay where they were.
TEST_F(Workflow, ReportsAVanishedPictureAndConvertsTheRest) {
    Window main = startMainWindow();
    ASSERT_NE(main.id, 0u);
    tickRows({kBars8Bit, kCirclesPng, kGradientJpg});
    fs::remove(pictures() + "circles.png");

    click(layout::kMakePmsButton);
    std::string message = nextMessage();
    EXPECT_EQ(message.rfind("次のファイルは変換できませんでした。", 0), 0u) << message;
    EXPECT_NE(message.find("circles.png"), std::string::npos) << message;
    EXPECT_EQ(message.find("bars-8bit"), std::string::npos) << message;
    EXPECT_EQ(message.find("gradient"), std::string::npos) << message;
    EXPECT_EQ(closeWithX(), 0);

    EXPECT_EQ(crlfLines(pms() + "OBRI.hed"),
              (std::vector<std::string>{"1,bars-8bit.pms", "1,circles.pms", "1,gradient.pms"}));
    EXPECT_EQ(filesIn(pms()), (std::set<std::string>{"OBRI.hed", "bars-8bit.pms", "gradient.pms"}));
    expectPms("gradient.pms", "width 400 height 300 bits 24");
    auto lines = crlfLines(bin() + "History.txt");
    ASSERT_EQ(lines.size(), 4u);
    expectHistoryHeader(lines[0], " 下記ﾌｧｲﾙを変換しました。");
    EXPECT_EQ(lines[2], "\tcircles.png->circles.pms");
}

}  // namespace
}  // namespace obri::e2e
