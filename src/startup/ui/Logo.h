#pragma once

#include <QDialog>

class QTimer;
class TLSVGauge;
class TPictureView;

// The splash window. It is created at program start, reading the interface language, and
// shown modally once, at the first showing of the main window: the product picture with a
// progress bar that runs for about 3.1 seconds on its own timer, a "Load" mark that turns to
// "Done", then it closes itself and reports SplashDone. It writes the interface language back
// when it is destroyed at program end.
class TfmLogo : public QDialog {
    Q_OBJECT

public:
    explicit TfmLogo(QWidget* parent = nullptr);
    ~TfmLogo() override;

    // Interface language: 0 English, 1 Russian. Every window that shows translated text reads
    // it here at the moment of use.
    int LanguageIndex = 0;
    // Timer ticks since the window was shown.
    int SplashTicks = 0;

    TPictureView* Img_Logo = nullptr;
    TPictureView* Img_Load = nullptr;
    TPictureView* Img_Done = nullptr;
    TLSVGauge* Ind_Load = nullptr;
    QTimer* Timer_Work = nullptr;

    // One step of the progress sequence; the window closes on the 31st.
    void Timer_WorkTimer();

    // Whatever closes the window ends here: the timer stops and SplashDone is reported.
    void done(int result) override;

signals:
    void SplashDone();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // Lets the window follow the mouse as if dragged by a title bar.
    virtual void StartWindowMove();
};
