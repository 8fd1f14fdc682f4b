#include "selection/CheckedList.h"

#include <unordered_set>

namespace obri {

void CheckedList::append(CheckedRow row) {
    rows_.push_back(std::move(row));
    if (observer_) observer_->rowAppended(rows_.back());
}

void CheckedList::removeAt(std::size_t index) {
    if (index >= rows_.size()) return;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    if (observer_) observer_->rowRemoved(index);
}

void CheckedList::clear() {
    rows_.clear();
    if (observer_) observer_->rowsCleared();
}

std::size_t CheckedList::removeMatching(std::string_view key) {
    // The row that moves into a removed row's place is examined next, so none is skipped.
    std::size_t removed = 0;
    std::size_t i = 0;
    while (i < rows_.size()) {
        if (rows_[i].FullPathName == key) {
            removeAt(i);
            ++removed;
        } else {
            ++i;
        }
    }
    return removed;
}

std::vector<bool> CheckedList::ticks(std::string_view folderWithSeparator,
                                     const std::vector<std::string>& names) const {
    std::vector<bool> result(names.size(), false);
    if (rows_.empty()) return result;
    std::unordered_set<std::string_view> keys;
    keys.reserve(rows_.size());
    for (const CheckedRow& row : rows_)
        if (!row.isMember()) keys.insert(row.FullPathName);

    std::string path(folderWithSeparator);
    for (std::size_t i = 0; i < names.size(); ++i) {
        path.resize(folderWithSeparator.size());
        path += names[i];
        result[i] = keys.contains(path);
    }
    return result;
}

}  // namespace obri
