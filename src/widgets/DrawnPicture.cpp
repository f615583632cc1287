#include "widgets/DrawnPicture.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <utility>
#include <vector>

namespace {

// A window shows a picture at a few places on one or two screens; more local grids than this
// mean it moved between screens, and the oldest drawings are no longer wanted.
constexpr size_t MaxDrawings = 8;

// Draws the icon's picture at exactly the pixels asked for.
class TDrawnIconEngine final : public QIconEngine {
public:
    TDrawnIconEngine(TDrawnPicture picture, QList<QSize> sizes)
        : picture_(std::move(picture)), sizes_(std::move(sizes)) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        if (size.isEmpty() || picture_.Size().isEmpty())
            return {};
        // The ratio that makes the picture's logical size these pixels.
        const qreal ratio = std::min(static_cast<qreal>(size.width()) / picture_.Size().width(),
                                     static_cast<qreal>(size.height()) / picture_.Size().height());
        QPixmap pixmap = picture_.Pixmap(TDeviceGrid(ratio));
        // An engine answers in pixels; QIcon gives the pixmap the ratio it was asked for.
        pixmap.setDevicePixelRatio(1);
        if (mode == QIcon::Disabled || mode == QIcon::Selected) {
            if (const auto* application =
                    qobject_cast<QApplication*>(QCoreApplication::instance())) {
                QStyleOption option;
                option.palette = QApplication::palette();
                pixmap = application->style()->generatedIconPixmap(mode, pixmap, &option);
            }
        }
        return pixmap;
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal) override {
        return pixmap(size, mode, state);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const TDevicePainting device(*painter);
        const QRect target = device.Map(rect);
        const QPixmap drawn = pixmap(target.size(), mode, state);
        painter->drawPixmap(QRect(target.topLeft(), drawn.size()), drawn, drawn.rect());
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return sizes_.isEmpty() ? QList<QSize>{picture_.Size()} : sizes_;
    }

    QIconEngine* clone() const override { return new TDrawnIconEngine(picture_, sizes_); }
    QString key() const override { return QStringLiteral("velmora-drawn"); }

private:
    TDrawnPicture picture_;
    QList<QSize> sizes_;
};

} // namespace

struct TDrawnPicture::TState {
    QSize size;
    TDraw draw;
    std::vector<std::pair<TDeviceGrid, QPixmap>> drawn;
};

TDrawnPicture::TDrawnPicture(QSize size, TDraw draw)
    : state_(std::make_shared<TState>(TState{size, std::move(draw), {}})) {}

TDrawnPicture TDrawnPicture::FromImage(const QImage& image) {
    return TDrawnPicture(image.deviceIndependentSize().toSize(), [image](const TDeviceGrid& at) {
        const QSize pixels = at.Extent(image.deviceIndependentSize());
        if (pixels == image.size())
            return image;
        return image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    });
}

QSize TDrawnPicture::Size() const {
    return state_ != nullptr ? state_->size : QSize();
}

QIcon TDrawnPicture::Icon(const QList<QSize>& sizes) const {
    if (state_ == nullptr)
        return {};
    return QIcon(new TDrawnIconEngine(*this, sizes));
}

QPixmap TDrawnPicture::Pixmap(const TDeviceGrid& at) const {
    if (state_ == nullptr)
        return {};
    const TDeviceGrid local = at.Local();
    auto& drawn = state_->drawn;
    for (const auto& [grid, pixmap] : drawn)
        if (grid == local)
            return pixmap;
    QImage image = state_->draw(local);
    image.setDevicePixelRatio(local.Ratio());
    if (drawn.size() == MaxDrawings)
        drawn.erase(drawn.begin());
    drawn.emplace_back(local, QPixmap::fromImage(std::move(image)));
    return drawn.back().second;
}
