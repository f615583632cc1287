#include "widgets/SkinPictures.h"
#include "widgets/SkinZones.h"

#include <stdexcept>
#include <string>

namespace Skin {

TDrawnPicture DrawnBackground() {
    return TDrawnPicture(BackgroundSize,
                         [](const TDeviceGrid& grid) { return MainBackground(grid); });
}

TDrawnPicture DrawnProgramIcon() {
    return TDrawnPicture(ProgramIconSize,
                         [](const TDeviceGrid& grid) { return ProgramIcon(grid); });
}

QIcon DesktopIcon() {
    return DrawnProgramIcon().Icon({{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}});
}

TDrawnPicture DrawnTrayPicture(int item) {
    // Refused now rather than when the menu is painted.
    if (item < 1 || item > TrayPictureCount)
        throw std::out_of_range("Picture index out of range (" + std::to_string(item) + ")");
    return TDrawnPicture(TrayPictureSize,
                         [item](const TDeviceGrid& grid) { return TrayMenuPicture(item, grid); });
}

} // namespace Skin

TPictureList::TPictureList(std::vector<TDrawnPicture> pictures) : pictures_(std::move(pictures)) {}

TPictureList TPictureList::ButtonPictures() {
    std::vector<TDrawnPicture> pictures;
    pictures.reserve(Skin::Btn::Count);
    for (int i = 0; i < Skin::Btn::Count; ++i)
        pictures.emplace_back(Skin::ButtonPictureSize(i), [i](const TDeviceGrid& grid) {
            return Skin::ButtonPicture(i, grid);
        });
    return TPictureList(std::move(pictures));
}

TPictureList TPictureList::DisplayPictures() {
    std::vector<TDrawnPicture> pictures;
    pictures.reserve(Skin::DisplayPictureCount);
    for (int i = 0; i < Skin::DisplayPictureCount; ++i)
        pictures.emplace_back(Skin::DisplayPictureSize, [i](const TDeviceGrid& grid) {
            return Skin::DisplayTypePicture(i, grid);
        });
    return TPictureList(std::move(pictures));
}

const TDrawnPicture& TPictureList::Picture(int index) const {
    if (!Contains(index))
        throw std::out_of_range("Picture index out of range (" + std::to_string(index) + ")");
    return pictures_[static_cast<size_t>(index)];
}
