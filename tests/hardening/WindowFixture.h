#pragma once
// A main window on folders of its own: exe/ (QUAV.INI, History.txt), work/, pms/ and pics/, the
// pictures folder listed, a scripted desktop. Rows are ticked through the real list, as a user does.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "hardening/FaultSupport.h"
#include "selection/FolderListing.h"
#include "support/FakeDesktop.h"
#include "support/TempFolder.h"
#include "susie/CSusie.h"
#include "ui_MainForm.h"

namespace obri::test {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedFolder_ = currentFolder();
        setenv("XDG_CONFIG_HOME", temp.file("config").c_str(), 1);
        for (const char* folder : {"exe", "work", "pms", "pics"})
            std::filesystem::create_directory(temp.file(folder));
        std::filesystem::permissions(temp.file("work"), std::filesystem::perms::owner_all);
        char resolved[PATH_MAX];
        pics = ::realpath(temp.file("pics").c_str(), resolved) ? std::string(resolved) : temp.file("pics");
    }
    void TearDown() override {
        form.reset();
        enterFolder(savedFolder_);
        unsetenv("XDG_CONFIG_HOME");
    }

    std::string exe() const { return temp.file("exe/"); }
    std::string pms() const { return temp.file("pms/"); }
    std::string work() const { return temp.file("work/"); }

    void writeIni(const std::string& converter, const std::string& linker, const std::string& pmsDir,
                  const std::string& aldFile) {
        temp.write("exe/QUAV.INI", "[QUAV]\r\nPmss=" + converter + "\r\nLink=" + linker +
                                       "\r\n[OBRI]\r\nPMS_DIR=" + pmsDir + "\r\nALD_FILE=" + aldFile +
                                       "\r\n");
    }
    // Opens the window with the pictures folder as the current one, so its file list shows them.
    void open(const std::string& workFolder = {}) {
        ASSERT_TRUE(enterFolder(pics));
        form = std::make_unique<TMainForm1>(
            susie, desktop, ShellEnvironment{exe(), workFolder.empty() ? work() : workFolder});
        form->show();
        QApplication::processEvents();
    }
    Ui::TMainForm1& c() { return form->controls(); }

    // Ticks every item of a list with the space key.
    static void tickAll(QListWidget* list) {
        for (int i = 0; i < list->count(); ++i) {
            list->setCurrentItem(list->item(i));
            QTest::keyClick(list, Qt::Key_Space);
        }
    }
    void tickAllFiles() { tickAll(c().CheckListBox1); }
    int rowCount() { return c().ListView3->topLevelItemCount(); }

    std::vector<FakeDesktop::Message> messagesOf(const std::string& kind) const {
        std::vector<FakeDesktop::Message> found;
        for (const auto& m : desktop.messages)
            if (m.kind == kind) found.push_back(m);
        return found;
    }

    TempFolder temp;
    std::string pics;
    FakeDesktop desktop;
    CSusie susie;
    std::unique_ptr<TMainForm1> form;

private:
    std::string savedFolder_;
};

}  // namespace obri::test
