#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

namespace zezu {

// The about box: the banner with the version written on it, the author and
// maker lines, and an OK button that unloads it. It never blocks its owner.
class frmAbout : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kClientWidth = 214;
    static constexpr int kClientHeight = 151;

    // Creates the box in its design-time state, centred on the screen, and
    // runs its load handler.
    explicit frmAbout(QWidget *owner);

    // Hides the box and destroys it with its controls; from here on it counts
    // as not loaded, even before the deferred deletion has run.
    void unload();
    bool isUnloaded() const { return m_unloaded; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void load();

    QFrame *Picture1 = nullptr;
    QLabel *lblVer = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QFrame *Picture2 = nullptr;
    QPushButton *cmdOk = nullptr;
    bool m_unloaded = false;
};

} // namespace zezu
