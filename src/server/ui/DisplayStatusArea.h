#pragma once

#include "server/DisplayWatch.h"

#include <array>

class QLabel;
class QWidget;
class TCheckListBox;

// The selected display's status area of the main window, under the display type selector: its
// picture and its status lines, with a label for each key that the language table names. Its
// controls are children of the window at window coordinates, like the other server controls.
class TDisplayStatusArea : public IDisplayStatusView {
public:
    // Where the area stands: clear of the display type selector above it and of the option
    // checks below it.
    static constexpr int Left = 460, Top = 236, Width = 320;
    static constexpr int PictureWidth = 200, PictureHeight = 113;
    static constexpr int LineHeight = 13, LabelWidth = 104;

    TDisplayStatusArea(QWidget& window, TCheckListBox& clients);

    void ShowStatusArea(bool visible) override;
    bool ShowPicture(const std::string& jpeg) override;
    void ClearPicture() override;
    void ShowStatusValues(const std::optional<std::vector<std::string>>& values) override;
    void SetRowHint(int row, const std::string& summary) override;

private:
    static constexpr size_t KeyCount = 8;

    TCheckListBox& clients_;
    QLabel* Img_Shot = nullptr;
    QLabel* Lbl_NoStatus = nullptr;
    std::array<QLabel*, KeyCount> keyLabels_{};
    std::array<QLabel*, KeyCount> valueLabels_{};
    std::optional<std::vector<std::string>> values_;
    bool visible_ = false;
};
