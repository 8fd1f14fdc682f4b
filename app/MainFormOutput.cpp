// Handlers of the make operations and the history.
#include <string>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <QPlainTextEdit>

#include "app/MainForm.h"
#include "app/QtText.h"
#include "output/AldBuild.h"
#include "output/PmsBatch.h"
#include "output/ui/HistoryForm.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "ui_MainForm.h"

namespace obri {
namespace {

constexpr char kHistoryFile[] = "History.txt";

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        // Closing the window mid-batch would unload the plug-ins the batch is using.
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

// While a make operation runs the window keeps painting but takes no input, and input that arrives
// meanwhile is thrown away rather than acted on once the operation is over.
class InputBlocker : public QObject {
  public:
    InputBlocker() {
        if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~InputBlocker() override {
        // Input held back while waiting arrives here, into the filter.
        QCoreApplication::processEvents();
        QApplication::restoreOverrideCursor();
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    }
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

  protected:
    bool eventFilter(QObject*, QEvent* event) override { return isUserInput(event->type()); }
};

// Runs operation with the window busy: no second operation starts inside it, no input is taken.
template <typename Operation>
auto whileBusy(bool& busy, Operation operation) {
    busy = true;
    struct Idle {
        bool& flag;
        ~Idle() { flag = false; }
    } idle{busy};
    InputBlocker blocker;
    return operation();
}

void paintMeanwhile() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

MakeServices windowServices(QProgressBar* bar) {
    MakeServices services;
    services.whileWaiting = &paintMeanwhile;
    services.progress = [bar](int maximum, int position) {
        // A range of 0 to 0 would make the bar an endless busy indicator: one row fills it instead.
        if (maximum <= 0) {
            bar->setRange(0, 1);
            bar->setValue(1);
        } else {
            bar->setRange(0, maximum);
            bar->setValue(position);
        }
        paintMeanwhile();
    };
    return services;
}

void tellUser(Desktop& desktop, const ClosingMessage& message) {
    switch (message.kind) {
        case ClosingMessage::Kind::Warning:
            desktop.warning(message.text);
            break;
        case ClosingMessage::Kind::Information:
            desktop.information(message.text);
            break;
        case ClosingMessage::Kind::None:
            break;
    }
}

}  // namespace

void TMainForm1::connectOutputHandlers() {
    Ui::TMainForm1& c = *ui_;
    connect(c.BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(c.BitBtn2, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn2Click(); }); });
    connect(c.SpeedButton4, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton4Click(); }); });
}

void TMainForm1::BitBtn1Click() {
    if (outputBusy_) return;
    PmsBatchInput input{checkedList_.rows(), TempDir, ConverterPath, PmsDir, ExeDir + kHistoryFile};
    const PmsBatchReport report =
        whileBusy(outputBusy_, [&] { return runPmsBatch(input, susie_, windowServices(ui_->ProgressBar1)); });
    tellUser(desktop_, report.message());
}

void TMainForm1::BitBtn2Click() {
    if (outputBusy_) return;
    const AldBuildInput input{PmsDir, AldFile, LinkerPath, ExeDir, ExeDir + kHistoryFile};
    const AldBuildReport report =
        whileBusy(outputBusy_, [&] { return runAldBuild(input, windowServices(ui_->ProgressBar1)); });
    tellUser(desktop_, report.message());
}

void TMainForm1::SpeedButton4Click() {
    const std::string path = ExeDir + kHistoryFile;
    if (!paths::fileExists(path)) return;
    const std::vector<std::string> lines = textfile::loadLines(path);
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    std::unique_ptr<THistoryForm1> own;
    THistoryForm1* form = historyForm_;
    if (!form) {
        own = std::make_unique<THistoryForm1>(this);
        form = own.get();
    }
    form->Memo1->setPlainText(toQString(text));
    form->exec();
}

}  // namespace obri
