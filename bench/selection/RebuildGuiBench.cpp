// The whole "FileName" rebuild through the main window's real list widgets, offscreen.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include "BenchFolder.h"
#include "app/MainForm.h"
#include "selection/FolderListing.h"
#include "ui_MainForm.h"

namespace obri::bench {
namespace {

constexpr int kFiles = 20000;

class NoDesktop : public Desktop {
  public:
    void warning(const std::string&) override {}
    void information(const std::string&) override {}
    void exceptionBox(const std::string& text) override {
        std::fprintf(stderr, "exception: %s\n", text.c_str());
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&,
                                              const std::string&) override {
        return std::nullopt;
    }
    int fullScreenWidth() override { return 1024; }
    int fullScreenHeight() override { return 738; }
};

// A main window listing the bench folder with every listed file ticked by the user (about
// 20,000 rows), and no plug-ins.
struct TickedWindow {
    TickedWindow() {
        const std::string& folder = pictureFolder(kFiles);
        const std::string exe = folder + "-exe/";
        std::filesystem::create_directories(exe);
        setenv("XDG_CONFIG_HOME", exe.c_str(), 1);
        enterFolder(folder);
        form = std::make_unique<TMainForm1>(susie, desktop, ShellEnvironment{exe, exe + "work/"});
        QComboBox* types = form->controls().FilterComboBox1;
        types->addItem(QStringLiteral("all"), QStringLiteral("*.*"));
        types->setCurrentIndex(types->count() - 1);
        QListWidget* files = form->controls().CheckListBox1;
        for (int i = 0; i < files->count(); ++i) files->item(i)->setCheckState(Qt::Checked);
        QApplication::processEvents();
    }
    ~TickedWindow() {
        form.reset();
        std::error_code ignored;
        std::filesystem::remove_all(pictureFolder(kFiles) + "-exe", ignored);
    }
    QListWidgetItem* currentFolderItem() const { return form->controls().DirectoryListBox1->currentItem(); }

    CSusie susie;
    NoDesktop desktop;
    std::unique_ptr<TMainForm1> form;
};

std::unique_ptr<TickedWindow> made;

TickedWindow& window() {
    if (!made) made = std::make_unique<TickedWindow>();
    return *made;
}

void readNamesAndSort(benchmark::State& state) {
    const std::string& folder = pictureFolder(kFiles);
    for (auto _ : state) {
        const std::vector<std::string> names = readAndSortNames(folder);
        benchmark::DoNotOptimize(names.data());
    }
    state.counters["files"] = kFiles;
}

// What the change handler does: CheckListBox1 rebuilt from the file list, ticks restored.
void rebuildFromFileList(benchmark::State& state) {
    TickedWindow& w = window();
    for (auto _ : state) {
        w.form->FileListBox1Change();
        QApplication::processEvents();
    }
    state.counters["files"] = w.form->controls().CheckListBox1->count();
    state.counters["rows"] = w.form->controls().ListView3->topLevelItemCount();
}

// Opening the folder again: folder list, listing, current folder, file list and the rebuild.
void reopenFolder(benchmark::State& state) {
    TickedWindow& w = window();
    for (auto _ : state) {
        emit w.form->controls().DirectoryListBox1->itemActivated(w.currentFolderItem());
        QApplication::processEvents();
    }
    state.counters["files"] = w.form->controls().CheckListBox1->count();
    state.counters["rows"] = w.form->controls().ListView3->topLevelItemCount();
}

BENCHMARK(readNamesAndSort)->Unit(benchmark::kMillisecond);
BENCHMARK(rebuildFromFileList)->Unit(benchmark::kMillisecond);
BENCHMARK(reopenFolder)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace obri::bench

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    obri::bench::made.reset();  // the window goes before the application
    return 0;
}
