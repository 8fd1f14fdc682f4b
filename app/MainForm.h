#pragma once
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "platform/Desktop.h"
#include "platform/Texts.h"
#include "selection/CheckedList.h"
#include "susie/CSusie.h"

namespace Ui {
class TMainForm1;
}

class QCloseEvent;
class QListWidget;
class QListWidgetItem;

namespace obri {

class Bitmap;
class TAbortForm1;
class TViewForm1;
class THistoryForm1;

// Where the program's own files and folders are; fromSystem() gives the real ones, tests their own.
struct ShellEnvironment {
    std::string exeDir;      // folder of the executable, ending in '/'
    std::string workFolder;  // TempDir, ending in '/'
    static ShellEnvironment fromSystem();
};

// The program's one working window.
class TMainForm1 : public QWidget {
    Q_OBJECT
public:
    // Runs FormCreate before returning, as the window's creation handler.
    TMainForm1(CSusie& susie, Desktop& desktop, ShellEnvironment environment, QWidget* parent = nullptr);
    ~TMainForm1() override;

    // The secondary windows, created after this one.
    void attachWindows(TAbortForm1* abortForm, TViewForm1* viewForm, THistoryForm1* historyForm);

    Ui::TMainForm1& controls() { return *ui_; }

    // The seven text fields every part of the window shares.
    std::string ArcPath;
    std::string ExeDir;
    std::string TempDir;
    std::string ConverterPath;
    std::string LinkerPath;
    std::string PmsDir;
    std::string AldFile;

    // Settings, start-up and exit (MainForm.cpp).
    void FormCreate();
    void Edit1Change();
    void Edit2Change();
    void SpeedButton1Click();
    void SpeedButton2Click();

    // Destination pickers (MainFormPickers.cpp).
    void Button1Click();
    void Button2Click();

    // Selection (MainFormSelection.cpp).
    void FileListBox1Change();
    void CheckListBox1DblClick();
    void CheckListBox2DblClick();
    void CheckListBox1ClickCheck();
    void CheckListBox2ClickCheck();
    void SpeedButton3Click();

    // Output (MainFormOutput.cpp).
    void BitBtn1Click();
    void BitBtn2Click();
    void SpeedButton4Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectHandlers();
    void dressControls();
    void fillFilter(const std::string& filter);
    void saveSettingsAndUnload();
    void connectSelectionHandlers();  // MainFormSelection.cpp
    void connectOutputHandlers();     // MainFormOutput.cpp
    // Runs a handler the way the event loop does: an escaping exception goes to the exception box.
    template <typename Handler>
    void guarded(Handler handler);

    std::unique_ptr<Ui::TMainForm1> ui_;
    CSusie& susie_;
    Desktop& desktop_;
    ShellEnvironment environment_;
    TAbortForm1* abortForm_ = nullptr;
    TViewForm1* viewForm_ = nullptr;
    THistoryForm1* historyForm_ = nullptr;
    bool closingByX_ = false;

    // --- state of the selection handlers (MainFormSelection.cpp) ---
    // The checked list; ListView3 follows it through an observer and is never written otherwise.
    CheckedList checkedList_;
    std::unique_ptr<CheckedList::Observer> checkedListView_;
    std::vector<std::string> driveRoots_;
    std::string listedFolder_;  // the folder FileListBox1 lists (no trailing '/', except the root)
    std::string listedMasks_;   // the pattern list of the file type it lists
    void openFolder(const std::string& folder);
    void chooseFileType(int index);
    void readFileList();
    void fillDriveBox();
    void fillFolderList();
    void checkToggled(QListWidget* list, QListWidgetItem* item, void (TMainForm1::*handler)());
    void expandArchive(const std::string& path);
    void showPreview(const Bitmap& bitmap, const std::string& caption);

    // --- state of the output handlers (MainFormOutput.cpp) ---
    bool outputBusy_ = false;  // a make operation runs; a second one does not start inside it


};

}  // namespace obri

// Defined here so that every handler file wraps its handlers the same way.
template <typename Handler>
void obri::TMainForm1::guarded(Handler handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        desktop_.exceptionBox(error.what());
    } catch (...) {
        desktop_.exceptionBox(texts::kUnknownError);
    }
}
