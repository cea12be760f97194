#pragma once

#include "AppBar.h"
#include "MenuState.h"
#include "MessageBoxes.h"
#include "OperationalStatus.h"
#include "VexorApplication.h"

#include <QHash>
#include <QWidget>

#include <memory>

class Screens;
class ImageButton;
class ClickPanel;
class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;

// The main window: a frameless, full-screen tile menu under its title bar, the device's
// operational status in " Informações ", an app bar at the bottom and a hidden status log.
class TGridForm : public QWidget, public KeyPreview {
    Q_OBJECT
public:
    explicit TGridForm(Screens& screens);
    ~TGridForm() override;

    using AppBarMode = ::AppBar::Mode;
    using Gesture = ::AppBar::Gesture;

    MenuState& menu() { return menu_; }
    bool refreshStatus();
    void saveStatusLog();
    void setAppBarVisible(AppBarMode mode);
    QStringList statusLog() const;

    // Handlers of the tiles and images.
    void Panel3Click();
    void Image2Click();
    void Panel12Click();
    void Image3Click();
    void AtivarSATClick();
    void Image10Click();
    void Image4Click();
    void Image12Click();
    void Panel21Click();
    void Image14Click();
    void Image7Click();
    void Image5Click();
    void Panel14Click();
    void Image13Click();
    void Image15Click();
    void Image6Click();
    void Image1Click();
    void Image11Click();

    void FormKeyDown(int key);
    void FormGesture(Gesture gesture);
    void previewKey(QKeyEvent* event) override;

    QFrame* Panel1;
    QLabel* Label1;
    ::AppBar* AppBar;
    ImageButton* Image1;
    ImageButton* Image11;
    QLabel* Label22;
    QPlainTextEdit* Memo1;
    ImageButton* Image15;
    ImageButton* Image6;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QGroupBox* buildTileGroups(QWidget* parent);
    QGroupBox* buildInformation(QWidget* parent);
    void buildAppBar();
    void renderMenu();

    Screens& screens_;
    MenuState menu_;
    MessageBoxes messages_;
    std::unique_ptr<StatusQuery> statusQuery_;
    QHash<QString, QWidget*> menuControls_;
    QHash<QString, QLabel*> statusLabels_;
};
