#pragma once
#include <optional>
#include <string>

#include <QWidget>

#include "platform/Desktop.h"

namespace obri {

// The desktop services on Qt Widgets. Dialogs are modal to parent (none: application modal).
class QtDesktop : public Desktop {
  public:
    explicit QtDesktop(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void warning(const std::string& text) override;
    void information(const std::string& text) override;
    void exceptionBox(const std::string& text) override;
    std::optional<std::string> chooseFolder(const std::string& start) override;
    std::optional<std::string> chooseSaveFile(const std::string& initial, const std::string& defaultExt,
                                              const std::string& filter) override;
    int fullScreenWidth() override;
    int fullScreenHeight() override;

    // "ALDファイル(*.ALD)|*.ALD" (description | masks, pairs in a row) as Qt's "ALDファイル(*.ALD)".
    static QString qtFilter(const std::string& filter);

  private:
    QWidget* parent_ = nullptr;
};

}  // namespace obri
