#pragma once

#include "editor/Editor.h"
#include "ui/QtWindowServices.h"

#include <QMainWindow>

class QAction;
class QMenu;

namespace zezu {

class TextArea;

// The main window: a menu bar over the text area, which always covers the
// client area.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    // The client area as designed, in pixels.
    static constexpr int kDesignWidth = 587;
    static constexpr int kDesignHeight = 378;

    explicit frmMain(QWidget *parent = nullptr);

    Editor &editor() { return m_editor; }
    TextArea *textArea() const { return txtChar; }
    QAction *menuAction(MenuItem item) const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void connectCommands();

    TextArea *txtChar = nullptr;
    QMenu *mnuText = nullptr;
    QMenu *mnH = nullptr;
    QAction *mnuGen = nullptr;
    QAction *mnuUngen = nullptr;
    QAction *mnuUndo = nullptr;
    QAction *mnuOpen = nullptr;
    QAction *mnuSave = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuAbout = nullptr;

    QtWindowServices m_services;
    Editor m_editor;
};

} // namespace zezu
