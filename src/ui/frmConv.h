#pragma once

#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;

namespace zezu {

// The progress window of a conversion: the percentage done, a bar whose
// filled part shows the part of the percentage it covers in highlight colours,
// and a Cancel button that only raises the cancel request.
class frmConv : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kClientWidth = 269;
    static constexpr int kClientHeight = 87;

    // onClose: the close box, which the logic answers.
    frmConv(QWidget *owner, std::function<void()> onCancel, std::function<void()> onClose);

    // Sets both percentage labels and the filled bar's width, in pixels;
    // repaints only what changed.
    void setProgress(int percent, int doneWidthPx);
    int barWidthPx() const;
    int percent() const { return m_percent; }

    // Shown with the keyboard, so that Space presses Cancel; every other key
    // goes on to to, where the text it would move through is.
    void showWithKeyboard(QWidget *to);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *Label1 = nullptr;
    QFrame *picBck = nullptr;
    QWidget *picDone = nullptr;
    QLabel *lblPer1 = nullptr;
    QLabel *lblPer2 = nullptr;
    QFrame *Picture1 = nullptr;
    QPushButton *cmdCacnel = nullptr;
    std::function<void()> m_onClose;
    QWidget *m_keysTo = nullptr;
    int m_percent = 0;
};

} // namespace zezu
