// Handlers of the selection: folder browsing, preview, archive expansion and the checked list.
#include "app/MainForm.h"

#include <algorithm>
#include <string_view>

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "app/QtText.h"
#include "platform/Bitmap.h"
#include "platform/Paths.h"
#include "selection/FolderListing.h"
#include "selection/PreviewSizing.h"
#include "selection/ui/ViewForm.h"
#include "ui_MainForm.h"

namespace obri {
namespace {

// Every list item keeps the bytes of its name, so that a name which is not valid UTF-8 still
// opens the right file after being shown.
constexpr int kBytesRole = Qt::UserRole;
// Depth of a folder in the folder list below its drive root.
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPerLevel = 8;

// Indents each folder, icon and all, by its depth, so the list reads as the path it walks.
class FolderIndent : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(indentOf(index), 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indentOf(index), 0);
    }

  private:
    static int indentOf(const QModelIndex& index) { return index.data(kDepthRole).toInt() * kIndentPerLevel; }
};

QListWidgetItem* namedItem(const QString& shown, std::string_view bytes) {
    auto* item = new QListWidgetItem(shown);
    item->setData(kBytesRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return item;
}

QListWidgetItem* checkableItem(const QString& shown, std::string_view bytes, bool ticked) {
    QListWidgetItem* item = namedItem(shown, bytes);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    return item;
}

std::string bytesOfItem(const QListWidgetItem* item) {
    return item->data(kBytesRole).toByteArray().toStdString();
}

// ListView3 shows the checked list's rows: it changes only when the list reports a change.
class CheckedListView : public CheckedList::Observer {
  public:
    explicit CheckedListView(QTreeWidget* view) : view_(view) {}
    void rowAppended(const CheckedRow& row) override {
        auto* item = new QTreeWidgetItem(QStringList{toQString(row.FileName), toQString(row.Size),
                                                     toQString(row.Position), toQString(row.ArcName),
                                                     toQString(row.FullPathName)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        view_->addTopLevelItem(item);
    }
    void rowRemoved(std::size_t index) override { delete view_->takeTopLevelItem(static_cast<int>(index)); }
    void rowsCleared() override { view_->clear(); }

  private:
    QTreeWidget* view_;
};

}  // namespace

void TMainForm1::connectSelectionHandlers() {
    Ui::TMainForm1& c = *ui_;
    checkedListView_ = std::make_unique<CheckedListView>(c.ListView3);
    checkedList_.setObserver(checkedListView_.get());
    c.CheckListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    c.CheckListBox2->setSelectionMode(QAbstractItemView::SingleSelection);
    c.CheckListBox1->setUniformItemSizes(true);  // big folders list without measuring every row
    c.DirectoryListBox1->setItemDelegate(new FolderIndent(c.DirectoryListBox1));

    connect(c.DriveComboBox1, &QComboBox::activated, this, [this](int index) {
        guarded([this, index] {
            if (index >= 0 && static_cast<std::size_t>(index) < driveRoots_.size())
                openFolder(driveRoots_[index]);
        });
    });
    connect(c.DirectoryListBox1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { guarded([this, item] { openFolder(bytesOfItem(item)); }); });
    // FormCreate fills the file-type box after this: its first entry then gives the first listing.
    connect(c.FilterComboBox1, &QComboBox::currentIndexChanged, this,
            [this](int index) { guarded([this, index] { chooseFileType(index); }); });
    connect(c.FileListBox1, &QListWidget::currentRowChanged, this,
            [this] { guarded([this] { FileListBox1Change(); }); });
    connect(c.CheckListBox1, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        checkToggled(ui_->CheckListBox1, item, &TMainForm1::CheckListBox1ClickCheck);
    });
    connect(c.CheckListBox2, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        checkToggled(ui_->CheckListBox2, item, &TMainForm1::CheckListBox2ClickCheck);
    });
    connect(c.CheckListBox1, &QListWidget::itemDoubleClicked, this,
            [this] { guarded([this] { CheckListBox1DblClick(); }); });
    connect(c.CheckListBox2, &QListWidget::itemDoubleClicked, this,
            [this] { guarded([this] { CheckListBox2DblClick(); }); });
    connect(c.SpeedButton3, &QToolButton::clicked, this,
            [this] { guarded([this] { SpeedButton3Click(); }); });

    // The lists start at the process's current folder as it is when the window is made.
    guarded([this] {
        fillDriveBox();
        openFolder(currentFolder());
    });
}

// Marks set by code block the list's signals, so this runs only for the user's toggles. The
// toggled item becomes the selected one, which is what the handlers read.
void TMainForm1::checkToggled(QListWidget* list, QListWidgetItem* item, void (TMainForm1::*handler)()) {
    if (!item) return;
    list->setCurrentItem(item);
    guarded([this, handler] { (this->*handler)(); });
}

void TMainForm1::fillDriveBox() {
    driveRoots_ = driveRoots();
    QComboBox* box = ui_->DriveComboBox1;
    const QSignalBlocker block(box);
    box->clear();
    for (const std::string& root : driveRoots_) box->addItem(toQString(root));
}

void TMainForm1::fillFolderList() {
    QListWidget* list = ui_->DirectoryListBox1;
    const QSignalBlocker block(list);
    list->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    for (const FolderItem& folder : folderItems(listedFolder_, driveOf(listedFolder_, driveRoots_))) {
        QListWidgetItem* item = namedItem(toQString(folder.label), folder.path);
        item->setData(kDepthRole, folder.depth);
        item->setIcon(folder.open ? openIcon : closedIcon);
        list->addItem(item);
        if (folder.path == listedFolder_) list->setCurrentItem(item);
    }
}

// The folder list, the drive box and the file list move to folder together. A folder that has
// gone since it was listed gives way to the nearest one above it that still exists.
void TMainForm1::openFolder(const std::string& folder) {
    std::string target = folder.empty() ? std::string(1, '/') : folder;
    while (!paths::isRoot(target) && !paths::folderExists(target)) target = paths::extractFileDir(target);
    listedFolder_ = target;
    fillFolderList();
    {
        const std::string drive = driveOf(listedFolder_, driveRoots_);
        const auto found = std::find(driveRoots_.begin(), driveRoots_.end(), drive);
        const QSignalBlocker block(ui_->DriveComboBox1);
        if (found != driveRoots_.end())
            ui_->DriveComboBox1->setCurrentIndex(static_cast<int>(found - driveRoots_.begin()));
    }
    readFileList();
}

// A re-read follows only when the new type's masks differ from the ones listed.
void TMainForm1::chooseFileType(int index) {
    std::string masks;
    if (index >= 0) masks = ui_->FilterComboBox1->itemData(index).toString().toStdString();
    if (masks == listedMasks_) return;
    listedMasks_ = masks;
    readFileList();
}

// Each read makes the folder the process's current folder, and ends with the change handler.
void TMainForm1::readFileList() {
    const std::vector<std::string> names = listFiles(listedFolder_, listedMasks_);
    (void)enterFolder(listedFolder_);  // a folder that cannot be entered has listed nothing either
    QListWidget* list = ui_->FileListBox1;
    {
        const QSignalBlocker block(list);
        list->clear();
        for (const std::string& name : names) list->addItem(namedItem(toQString(name), name));
    }
    FileListBox1Change();
}

void TMainForm1::FileListBox1Change() {
    QListWidget* source = ui_->FileListBox1;
    QListWidget* box = ui_->CheckListBox1;
    const QSignalBlocker block(box);  // marks set here are no user's toggles
    box->clear();
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(source->count()));
    for (int i = 0; i < source->count(); ++i) names.push_back(bytesOfItem(source->item(i)));
    const std::vector<bool> ticked = checkedList_.ticks(folderWithSeparator(listedFolder_), names);
    box->setUpdatesEnabled(false);
    for (int i = 0; i < source->count(); ++i)
        box->addItem(checkableItem(source->item(i)->text(), names[static_cast<std::size_t>(i)],
                                   ticked[static_cast<std::size_t>(i)]));
    box->setUpdatesEnabled(true);
}

void TMainForm1::CheckListBox1DblClick() {
    const QListWidgetItem* item = ui_->CheckListBox1->currentItem();
    if (!item) return;  // nothing selected: nothing to show
    const std::string path = paths::fullPath(listedFolder_, bytesOfItem(item));
    Bitmap bitmap;
    const int status = susie_.LoadPicture(path, bitmap);
    if (status == kPictureLoaded) {
        showPreview(bitmap, path);
    } else if (status == kPictureIsArchive) {
        expandArchive(path);
    }
}

void TMainForm1::expandArchive(const std::string& path) {
    QListWidget* list = ui_->CheckListBox2;
    const QSignalBlocker block(list);
    list->clear();
    const int count = std::clamp(susie_.ReadArchiveList(path), 0, static_cast<int>(susie_.Arc.size()));
    for (int i = 0; i < count; ++i) {
        const std::string& name = susie_.Arc[static_cast<std::size_t>(i)].Name;
        list->addItem(checkableItem(toQString(name), name, false));
    }
    ui_->PageControl1->setCurrentWidget(ui_->TabSheet2);
    ArcPath = path;
}

void TMainForm1::CheckListBox2DblClick() {
    const int index = ui_->CheckListBox2->currentRow();
    if (index < 0 || static_cast<std::size_t>(index) >= susie_.Arc.size()) return;  // no member selected
    const ARC entry = susie_.Arc[static_cast<std::size_t>(index)];
    Bitmap bitmap;
    susie_.LoadArchivedPicture(ArcPath, entry, bitmap);
    showPreview(bitmap, ArcPath + " : " + entry.Name);
}

void TMainForm1::showPreview(const Bitmap& bitmap, const std::string& caption) {
    std::unique_ptr<TViewForm1> own;
    TViewForm1* form = viewForm_;
    if (!form) {
        own = std::make_unique<TViewForm1>();
        form = own.get();
    }
    form->moveTo(0, 0);
    const int screenHeight = desktop_.fullScreenHeight();
    const int screenWidth = desktop_.fullScreenWidth();
    const ClientSize size = previewClientSize(bitmap.width(), bitmap.height(), screenWidth, screenHeight);
    form->setClientSize(size.width, size.height);
    form->setImageSize(bitmap.width(), bitmap.height());
    form->setPicture(bitmap);
    form->setCaption(caption);
    form->showModal();
}

void TMainForm1::CheckListBox1ClickCheck() {
    QListWidgetItem* item = ui_->CheckListBox1->currentItem();
    if (!item) return;
    const std::string name = bytesOfItem(item);
    const std::string path = paths::fullPath(listedFolder_, name);
    int status = kPictureNotRead;
    {
        Bitmap scratch;  // the test decode's picture is not kept
        status = susie_.LoadPicture(path, scratch);
    }
    const bool ticked = item->checkState() == Qt::Checked;
    if (status == kPictureIsArchive && ticked) {
        // An archive cannot be ticked, only its members.
        const QSignalBlocker block(ui_->CheckListBox1);
        item->setCheckState(Qt::Unchecked);
        return;
    }
    if (ticked) {
        checkedList_.append(makeFileRow(name, path));
    } else {
        checkedList_.removeMatching(path);
    }
}

void TMainForm1::CheckListBox2ClickCheck() {
    QListWidget* list = ui_->CheckListBox2;
    const int index = list->currentRow();
    if (index < 0 || static_cast<std::size_t>(index) >= susie_.Arc.size()) return;
    const QListWidgetItem* item = list->item(index);
    const std::string name = bytesOfItem(item);
    if (item->checkState() == Qt::Checked) {
        ARC entry = susie_.Arc[static_cast<std::size_t>(index)];
        entry.Name = name;
        checkedList_.append(makeMemberRow(entry, ArcPath));
    } else {
        checkedList_.removeMatching(name);
    }
}

void TMainForm1::SpeedButton3Click() { checkedList_.clear(); }

}  // namespace obri
