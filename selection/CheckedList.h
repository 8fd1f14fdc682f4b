#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "selection/CheckedRow.h"

namespace obri {

// The checked list: the rows in the order they were added. Rows are not unique. A view that
// shows the rows observes the list, so the two never diverge: every change goes through
// append, removeAt or clear, and each one is reported to the observer as it happens.
class CheckedList {
  public:
    class Observer {
      public:
        virtual ~Observer() = default;
        virtual void rowAppended(const CheckedRow& row) = 0;
        virtual void rowRemoved(std::size_t index) = 0;
        virtual void rowsCleared() = 0;
    };

    void setObserver(Observer* observer) { observer_ = observer; }

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const CheckedRow& row(std::size_t index) const { return rows_.at(index); }
    const std::vector<CheckedRow>& rows() const { return rows_; }

    void append(CheckedRow row);
    // Rows behind index move up by one. An index past the end changes nothing.
    void removeAt(std::size_t index);
    void clear();

    // Removes every row whose FullPathName equals key byte for byte, adjacent ones included;
    // the other rows keep their order. Returns how many went.
    std::size_t removeMatching(std::string_view key);

    // Ticks of a listed folder: entry i is true when a row's FullPathName is exactly
    // folderWithSeparator + names[i] and the row is not an archive member's (a member row is keyed
    // by its bare name, which names no file here). folderWithSeparator is the folder followed by '/', or "/"
    // for the root. Rows are looked up in a set built once per call, so a rebuild costs
    // names + rows, not names x rows.
    std::vector<bool> ticks(std::string_view folderWithSeparator,
                            const std::vector<std::string>& names) const;

  private:
    std::vector<CheckedRow> rows_;
    Observer* observer_ = nullptr;
};

}  // namespace obri
