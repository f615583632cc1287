#include "HoverScene.h"

#include "widgets/PictureButton.h"
#include "widgets/SkinPictures.h"

#include <QCursor>
#include <QWidget>

THoverScene::THoverScene(QPoint windowPos, QPoint cursor, bool windowVisible)
    : windowPos_(windowPos), cursor_(cursor), windowVisible_(windowVisible) {}

THoverScene THoverScene::Now(const QWidget& window) {
    return THoverScene(window.pos(), QCursor::pos(), window.isVisible());
}

bool THoverScene::Under(const QRect& place) const {
    return windowVisible_ &&
           HoverRule::UnderCursor(windowPos_.x(), windowPos_.y(), place.left(), place.top(),
                                  place.width(), place.height(), cursor_.x(), cursor_.y());
}

void THoverScene::Show(TPictureButton& button, const QRect& place, const TPictureList& list,
                       const THoverPictures& pictures, bool usable) const {
    const TDrawnPicture& picture =
        list.Picture(HoverRule::PictureFor(pictures, Under(place), usable));
    if (button.Picture() != picture)
        button.SetPicture(picture);
}

void THoverScene::Show(TPictureButton& button, const TPictureList& list,
                       const THoverPictures& pictures, bool usable) const {
    Show(button, button.geometry(), list, pictures, usable);
}
