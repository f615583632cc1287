#pragma once

#include "server/DisplayWatch.h"

#include <array>

class QLabel;
class QWidget;
class TCheckListBox;

// The selected display's status area of the main window, in the server panel's free space: its
// picture and its status lines, with a label for each key that the language table names. Its
// controls are children of the window at window coordinates, like the other server controls.
class TDisplayStatusArea : public IDisplayStatusView {
public:
    // Where the area stands, inside the server panel (which ends at y 408): the picture under
    // the display type selector, the lines left of it under the client's buttons.
    static constexpr int PictureLeft = 460, PictureTop = 236, PictureWidth = 320,
                         PictureHeight = 166;
    static constexpr int LinesLeft = 232, LinesTop = 294, LinesWidth = 220;
    static constexpr int LineHeight = 13, LabelWidth = 96;

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
