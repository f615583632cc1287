#include "Logo.h"

#include "console/Settings.h"
#include "startup/SplashSequence.h"
#include "startup/ui/LSVGauge.h"
#include "startup/ui/SplashPictures.h"
#include "widgets/PictureView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

TfmLogo::TfmLogo(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("fmLogo");
    setWindowTitle("Logo");
    setModal(true);
    setFixedSize(SplashSequence::Width, SplashSequence::Height);
    QPalette face = palette();
    face.setColor(QPalette::Window, QColor(223, 223, 223));
    setPalette(face);
    setAutoFillBackground(true);

    // The pictures are drawn for the device pixels of the screen the splash shows on.
    namespace Pictures = SplashPictures;
    Img_Logo = TPictureView::Create(
        *this, "Img_Logo", TDrawnPicture(Pictures::ProductSize, &Pictures::Product), QPoint(0, 0));
    // The marks and the bar do not start a move of the window.
    Img_Load = TPictureView::Create(
        *this, "Img_Load", TDrawnPicture(Pictures::MarkSize, &Pictures::LoadMark), QPoint(256, 6));
    Img_Load->setAttribute(Qt::WA_NoMousePropagation);
    Img_Done = TPictureView::Create(
        *this, "Img_Done", TDrawnPicture(Pictures::MarkSize, &Pictures::DoneMark), QPoint(256, 6));
    Img_Done->setAttribute(Qt::WA_NoMousePropagation);
    Img_Done->hide();

    Ind_Load = new TLSVGauge(this);
    Ind_Load->setObjectName("Ind_Load");
    Ind_Load->setAttribute(Qt::WA_NoMousePropagation);
    Ind_Load->setGeometry(256, 18, 140, 15);
    Ind_Load->SetBorderStyle(TLSVBorderStyle::None);
    Ind_Load->SetFrame3D(false);
    Ind_Load->SetShowText(false);
    Ind_Load->SetBackColor(palette().color(QPalette::Disabled, QPalette::WindowText));
    TLSVGaugeFont font;
    font.Font.setBold(true);
    font.Color = Qt::cyan;
    font.ColorOnFilled = Qt::blue;
    font.ColorOnBackground = Qt::black;
    font.FixTextColor = true;
    Ind_Load->SetFont(font);
    Ind_Load->SetTextureOnBack(TDrawnPicture(Pictures::BarTextureSize, &Pictures::BarBackTexture));
    Ind_Load->SetTextureOnFore(TDrawnPicture(Pictures::BarTextureSize, &Pictures::BarForeTexture));
    Ind_Load->SetTransparentFore(true);
    Ind_Load->SetPie3DHeight(0);
    Ind_Load->SetRuningStep(0);

    Timer_Work = new QTimer(this);
    Timer_Work->setObjectName("Timer_Work");
    Timer_Work->setInterval(SplashSequence::TickMilliseconds);
    connect(Timer_Work, &QTimer::timeout, this, &TfmLogo::Timer_WorkTimer);

    SplashTicks = 0;
    LanguageIndex = Settings::ReadLanguage();
}

TfmLogo::~TfmLogo() {
    Settings::SaveLanguage(LanguageIndex);
}

void TfmLogo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        move(desktop.left() + SplashSequence::Left(desktop.width()),
             desktop.top() + SplashSequence::Top);
    }
    Img_Logo->setGeometry(0, 0, SplashSequence::Width, SplashSequence::Height);
    Ind_Load->setGeometry(256, 18, 140, 15);
    Ind_Load->show();
    Img_Load->move(256, 6);
    Img_Load->show();
    Img_Done->move(256, 6);
    Img_Done->hide();
    Timer_Work->start();
}

void TfmLogo::Timer_WorkTimer() {
    ++SplashTicks;
    const SplashSequence::TTickAction action = SplashSequence::ActionAt(SplashTicks);
    if (action.Step != 0)
        Ind_Load->StepBy(action.Step);
    if (action.ShowDone) {
        Img_Load->hide();
        Img_Done->show();
    }
    if (action.Close)
        done(QDialog::Accepted);
}

void TfmLogo::done(int result) {
    Timer_Work->stop();
    emit SplashDone();
    QDialog::done(result);
}

void TfmLogo::mousePressEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        StartWindowMove();
    QDialog::mousePressEvent(event);
}

void TfmLogo::keyPressEvent(QKeyEvent* event) {
    // The splash ends on its own timer, not on Escape.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfmLogo::StartWindowMove() {
    if (QWindow* window = windowHandle())
        window->startSystemMove();
}
