#include "widgets/SkinPictures.h"

#include <stdexcept>
#include <string>

TPictureList::TPictureList(std::vector<QPixmap> pictures) : pictures_(std::move(pictures)) {}

TPictureList TPictureList::ButtonPictures() {
    std::vector<QPixmap> pictures;
    pictures.reserve(Skin::Btn::Count);
    for (int i = 0; i < Skin::Btn::Count; ++i)
        pictures.push_back(QPixmap::fromImage(Skin::ButtonPicture(i)));
    return TPictureList(std::move(pictures));
}

TPictureList TPictureList::DisplayPictures() {
    std::vector<QPixmap> pictures;
    pictures.reserve(Skin::DisplayPictureCount);
    for (int i = 0; i < Skin::DisplayPictureCount; ++i)
        pictures.push_back(QPixmap::fromImage(Skin::DisplayTypePicture(i)));
    return TPictureList(std::move(pictures));
}

const QPixmap& TPictureList::Picture(int index) const {
    if (!Contains(index))
        throw std::out_of_range("Picture index out of range (" + std::to_string(index) + ")");
    return pictures_[static_cast<size_t>(index)];
}
