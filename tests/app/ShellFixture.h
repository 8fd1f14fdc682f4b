#pragma once
// A main window on a folder of its own: its executable folder with the QUAV.INI a test writes, a
// registry stand-in in a private XDG_CONFIG_HOME, a scripted desktop and a plug-in host whose
// loader only records which files it was asked to load.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QComboBox>

#include <gtest/gtest.h>

#include "app/FormControls.h"
#include "app/MainForm.h"
#include "support/FakeDesktop.h"
#include "support/TempFolder.h"
#include "susie/CSusie.h"

namespace obri::test {

// Answers GetPluginInfo from a list: patterns at 2n+2, description at 2n+3.
class FakePlugin : public Plugin {
  public:
    FakePlugin(std::string path, std::vector<std::string> info)
        : path_(std::move(path)), info_(std::move(info)) {}
    const std::string& path() const override { return path_; }
    bool loaded() const override { return true; }
    bool has(PluginFunction function) const override { return function == PluginFunction::GetPluginInfo; }
    std::optional<std::string> pluginInfo(int index, int) override {
        const auto i = static_cast<std::size_t>(index - 2);
        if (index < 2 || i >= info_.size()) return std::nullopt;
        return info_[i];
    }
    bool isSupportedFile(const std::string&, int) override { return false; }
    bool isSupportedMemory(const std::string&, const std::uint8_t*, std::size_t) override { return false; }
    PluginResult getPictureFile(const std::string&, std::intptr_t, OwnedBlock&, OwnedBlock&) override {
        return PluginResult::NotImplemented;
    }
    PluginResult getPictureMemory(const std::uint8_t*, std::size_t, OwnedBlock&, OwnedBlock&) override {
        return PluginResult::NotImplemented;
    }
    PluginResult getArchiveInfo(const std::string&, OwnedBlock&) override {
        return PluginResult::NotImplemented;
    }
    PluginResult getFile(const std::string&, std::uint32_t, OwnedBlock&) override {
        return PluginResult::NotImplemented;
    }

  private:
    std::string path_;
    std::vector<std::string> info_;
};

class RecordingLoader : public PluginLoader {
  public:
    explicit RecordingLoader(std::vector<std::string>& asked) : asked_(asked) {}
    std::unique_ptr<Plugin> load(const std::string& path) override {
        asked_.push_back(path);
        return std::make_unique<FakePlugin>(path, std::vector<std::string>{"*.xyz", "XYZ picture"});
    }

  private:
    std::vector<std::string>& asked_;
};

inline constexpr char kPluginKeyHeader[] = "[HKEY_CURRENT_USER\\Software\\Tolvarin\\Susie\\InstallRoot]\r\n";

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) oldConfig_ = old;
        setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        susie = std::make_unique<CSusie>(std::make_unique<RecordingLoader>(loaded));
    }
    void TearDown() override {
        form.reset();
        if (oldConfig_)
            setenv("XDG_CONFIG_HOME", oldConfig_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    void writeIni(const std::string& text) { exe.write("QUAV.INI", text); }
    std::string ini() const { return exe.read("QUAV.INI"); }
    // The plug-in folder's registry entry; value is the REGEDIT4 text after "@=".
    void writeRegistry(const std::string& value) {
        std::filesystem::create_directories(config.file("registry"));
        config.write("registry/HKEY_CURRENT_USER.reg",
                     std::string("REGEDIT4\r\n\r\n") + kPluginKeyHeader + "@=" + value + "\r\n");
    }
    void writeRegistryFile(const std::string& text) {
        std::filesystem::create_directories(config.file("registry"));
        config.write("registry/HKEY_CURRENT_USER.reg", text);
    }
    void givePluginFile(const TempFolder& folder, const std::string& name) {
        folder.write(name, "not a module");
    }

    TMainForm1& open(std::string exeDir = {}) {
        if (exeDir.empty()) exeDir = exe.path();
        form = std::make_unique<TMainForm1>(*susie, desktop, ShellEnvironment{exeDir, work.path() + "Obri/"});
        return *form;
    }
    Ui::TMainForm1& c() { return form->controls(); }
    std::vector<std::string> exceptions() const {
        std::vector<std::string> texts;
        for (const auto& m : desktop.messages)
            if (m.kind == "exception") texts.push_back(m.text);
        return texts;
    }

    TempFolder exe;
    TempFolder config;
    TempFolder work;
    FakeDesktop desktop;
    std::vector<std::string> loaded;
    std::unique_ptr<CSusie> susie;
    std::unique_ptr<TMainForm1> form;

  private:
    std::optional<std::string> oldConfig_;
};

}  // namespace obri::test
