// The main window: its controls, settings, start-up and exit.
#include "app/MainForm.h"
#include "platform/gui/WindowFont.h"

#include <climits>
#include <utility>

#include <QCloseEvent>
#include <QFont>
#include <QHeaderView>
#include <QProxyStyle>
#include <QTabBar>

#include "app/AbortForm.h"
#include "app/FilterEntries.h"
#include "app/Glyphs.h"
#include "app/QtText.h"
#include "platform/Paths.h"
#include "platform/ProfileFile.h"
#include "platform/Registry.h"
#include "ui_MainForm.h"

namespace obri {
namespace {

constexpr char kSettingsFile[] = "QUAV.INI";
constexpr char kPluginFolderKey[] = "Software\\Tolvarin\\Susie\\InstallRoot";

QFont boldFont(int pixelSize) {
    QFont font = windowFont();
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

// The three tab titles must share the page control's 169 pixels; the desktop style's tab padding
// is too wide for that, so the tab bar alone gets a narrower one.
class CompactTabStyle : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) return 4;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}  // namespace

ShellEnvironment ShellEnvironment::fromSystem() { return {paths::executableDir(), paths::workFolderPath()}; }

TMainForm1::TMainForm1(CSusie& susie, Desktop& desktop, ShellEnvironment environment, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TMainForm1>()),
      susie_(susie),
      desktop_(desktop),
      environment_(std::move(environment)) {
    ui_->setupUi(this);
    dressControls();
    connectHandlers();
    // A creation handler's error is shown and the window still opens, as the event loop would do.
    guarded([this] { FormCreate(); });
}

TMainForm1::~TMainForm1() = default;

void TMainForm1::attachWindows(TAbortForm1* abortForm, TViewForm1* viewForm, THistoryForm1* historyForm) {
    abortForm_ = abortForm;
    viewForm_ = viewForm;
    historyForm_ = historyForm;
}

// What the .ui file cannot say: font fallbacks and pixel sizes, glyphs, column widths, placement.
void TMainForm1::dressControls() {
    Ui::TMainForm1& c = *ui_;
    setFont(windowFont());
    c.SpeedButton1->setFont(boldFont(15));
    c.SpeedButton2->setFont(boldFont(12));
    setWindowIcon(applicationIcon());
    c.BitBtn1->setIcon(pmsGlyph());
    c.BitBtn2->setIcon(aldGlyph());
    // Settings are kept whole, however long.
    c.Edit1->setMaxLength(INT_MAX);
    c.Edit2->setMaxLength(INT_MAX);

    QHeaderView* header = c.ListView3->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    c.ListView3->setColumnWidth(0, 140);
    for (int column = 1; column < 5; ++column) {
        c.ListView3->setColumnWidth(column, 0);
        header->setSectionHidden(column, true);
    }
    c.PageControl1->setCurrentWidget(c.TabSheet1);
    QTabBar* tabs = c.PageControl1->tabBar();
    auto* tabStyle = new CompactTabStyle;
    tabStyle->setParent(this);  // outlives the tab bar, which is deleted with GroupBox1 first
    tabs->setStyle(tabStyle);
    tabs->setAttribute(Qt::WA_Hover);  // hot-tracking: the tab under the pointer lights up

    // The client area gets the whole 387 x 345: the tool runs without a window manager's frame
    // (as under Xvfb); where a manager adds one, it lies outside this rectangle.
    setGeometry(192, 107, 387, 345);
}

void TMainForm1::connectHandlers() {
    Ui::TMainForm1& c = *ui_;
    connect(c.Edit1, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit1Change(); }); });
    connect(c.Edit2, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit2Change(); }); });
    connect(c.SpeedButton1, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton1Click(); }); });
    connect(c.SpeedButton2, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton2Click(); }); });
    connect(c.Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(c.Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connectSelectionHandlers();
    connectOutputHandlers();
}

void TMainForm1::FormCreate() {
    TempDir = environment_.workFolder;
    ExeDir = environment_.exeDir;
    {
        const ProfileFile settings(ExeDir + kSettingsFile);
        ConverterPath = settings.readString("QUAV", "Pmss", "");
        LinkerPath = settings.readString("QUAV", "Link", "");
        PmsDir = settings.readString("OBRI", "PMS_DIR", "");
        AldFile = settings.readString("OBRI", "ALD_FILE", "");
    }
    if (ConverterPath.empty() || PmsDir.empty()) ui_->BitBtn1->setEnabled(false);
    if (LinkerPath.empty() || AldFile.empty()) ui_->BitBtn2->setEnabled(false);
    // Each box whose text changes runs its change handler.
    ui_->Edit1->setText(toQString(PmsDir));
    ui_->Edit2->setText(toQString(AldFile));
    ui_->PageControl1->setCurrentWidget(ui_->TabSheet1);
    (void)paths::createWorkFolder(TempDir);  // a missing work folder shows when a make writes into it

    std::string pluginFolder = registry::readDefaultValue(kPluginFolderKey);
    if (pluginFolder.empty()) pluginFolder = ExeDir;
    susie_.LoadPlugins(pluginFolder);
    fillFilter(susie_.BuildFilter());
}

void TMainForm1::fillFilter(const std::string& filter) {
    QComboBox* box = ui_->FilterComboBox1;
    box->clear();
    for (const FilterEntry& entry : filterEntries(filter))
        box->addItem(toQString(entry.description), toQString(entry.patterns));
    if (box->count() > 0) box->setCurrentIndex(0);
}

void TMainForm1::Edit1Change() {
    const QString text = ui_->Edit1->text();
    ui_->BitBtn1->setEnabled(!text.isEmpty() && !ConverterPath.empty());
    PmsDir = bytesOf(text, PmsDir);
}

void TMainForm1::Edit2Change() {
    const QString text = ui_->Edit2->text();
    ui_->BitBtn2->setEnabled(!text.isEmpty() && !LinkerPath.empty());
    AldFile = bytesOf(text, AldFile);
}

void TMainForm1::saveSettingsAndUnload() {
    ProfileFile settings(ExeDir + kSettingsFile);
    settings.writeString("OBRI", "PMS_DIR", PmsDir);
    settings.writeString("OBRI", "ALD_FILE", AldFile);
    susie_.FreePlugins();
}

void TMainForm1::SpeedButton1Click() {
    saveSettingsAndUnload();  // an error leaves the window open, plug-ins loaded
    closingByX_ = true;
    close();
}

void TMainForm1::SpeedButton2Click() {
    std::unique_ptr<TAbortForm1> own;
    TAbortForm1* form = abortForm_;
    if (!form) {
        own = std::make_unique<TAbortForm1>();
        form = own.get();
    }
    form->exec();
}

// Closing by any other means does what "X" does, so settings are never lost.
void TMainForm1::closeEvent(QCloseEvent* event) {
    if (closingByX_) {
        event->accept();
        return;
    }
    bool saved = false;
    guarded([this, &saved] {
        saveSettingsAndUnload();
        saved = true;
    });
    if (saved) {
        closingByX_ = true;
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace obri
