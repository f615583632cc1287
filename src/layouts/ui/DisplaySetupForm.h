#pragma once

#include "layouts/ui/LayoutRotation.h"
#include "layouts/ui/OpenDialog.h"
#include "layoutview/LayoutScene.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QPushButton;
class TDisplayTextBox;
class TExPanel;
class TPictureBox;
class TVideoPlayer;

// The layout window: one display type's arrangement of panels for one client, composed by the
// layout scene as the display program composes it. In Edit mode the operator chooses the media,
// types the texts and saves; in Play mode the window shows the layout as a display would, the
// video playing muted in an endless loop. A video or a picture that names a rotation (a playlist
// or a folder) plays it in Play mode and shows its first item in Edit mode.
class TfmDisplaySetup : public QDialog {
    Q_OBJECT

private:
    // Declared first: the parts below are its.
    TLayoutScene scene_{*this};
    TLayoutRotation rotation_{scene_};

public:
    enum class TMode { Edit, Play };

    // FormCreate: the window titled with CurrentDisplayType, its bar and menus, no layout yet.
    explicit TfmDisplaySetup(QWidget* owner = nullptr);
    // FormDestroy: FreeLayout.
    ~TfmDisplaySetup() override;

    TMode Mode = TMode::Edit;
    std::string LayoutClientName; // Windows-1251 bytes
    // The scene's parts: its panels, picture boxes and text boxes.
    const std::vector<TExPanel*>& Panels = scene_.Panels();
    const std::vector<TPictureBox*>& Images = scene_.Pictures();
    const std::vector<std::unique_ptr<TDisplayTextBox>>& TextBoxes = scene_.Texts();
    std::vector<std::string> ImageFileNames; // Windows-1251 bytes, one per picture
    std::vector<TVideoPlayer*> MediaPlayers;

    TExPanel* Panel1 = nullptr;     // the button bar
    QPushButton* Button1 = nullptr; // "Save"
    QPushButton* Button2 = nullptr; // "Close"
    QMenu* pmVideo = nullptr;
    QAction* N1 = nullptr;
    TOpenDialog OD;
    QMenu* pmPicture = nullptr;
    QAction* N2 = nullptr;
    TOpenDialog ODPic;
    QAction* Action1 = nullptr; // Ctrl+Alt+E: end the program
    QAction* acClose = nullptr;

    void BuildLayout();
    void LoadLayout();
    void SaveLayout();
    void ArrangeLayout();
    void FreeLayout();

    void FitVideo(TVideoPlayer& player, TExPanel& panel);
    void PaintCross(TExPanel& panel);
    void StartPlayers();
    // Shows the picture the layout names (Windows-1251 bytes) in the box: a rotation as the mode
    // shows one, else the file (throws when it cannot be shown).
    void ShowPicture(TPictureBox& box, const std::string& fileName);

    void MediaPlayerNotify(TVideoPlayer& player);
    void N1Click();
    void N2Click();
    void btSaveClick();
    void Action1Execute();
    void acCloseExecute();

    // The player of the rotation Play mode shows; null while none plays.
    TRotationPlayer* RotationPlayer() const { return rotation_.Player(); }

    // The picture box whose context menu was opened last.
    TPictureBox* PopupPictureBox() const { return popupPictureBox_; }

    // Ending the program is requested through this handler; by default it queues a quit of the
    // application's main loop. The main window puts its own in, so that the program ends as by
    // its close button; tests put their own in to see the request; an empty one restores the
    // default.
    static void SetQuitRequestHandler(std::function<void()> handler);

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;     // FormShow
    void resizeEvent(QResizeEvent* event) override; // FormResize
    void moveEvent(QMoveEvent* event) override;     // the window manager's frame arrives
    void keyPressEvent(QKeyEvent* event) override;

private:
    void AddImage(TPictureBox& box);
    void AddMediaPlayer(TExPanel& panel);
    void StartPlayer(TVideoPlayer& player);
    void ShowRotationAsPicture(TPictureBox& box, const std::string& fileName);
    void FormShow();
    void SetOuterSize(int width, int height);
    void FitFrame();
    void CenterOnDesktop();

    TPictureBox* popupPictureBox_ = nullptr;
    bool shown_ = false;
    QSize outerSize_;
    QSize fittedFrame_;                  // the frame the outer size was last applied with
    class QTimer* frameWatch_ = nullptr; // runs while the frame is looked for after showing
};

// Opens the layout of CurrentDisplayType for the client in Edit mode, owned by the active
// window, and returns when it has closed. The client name is Windows-1251 bytes.
void EditDisplayLayout(const std::string& clientName);
// The same in Play mode, with no owner.
void PlayDisplayLayout(const std::string& clientName);
