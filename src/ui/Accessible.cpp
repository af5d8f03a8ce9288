#include "ui/Accessible.h"

#include "ui/frmAbout.h"
#include "ui/frmConv.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace zezu {

namespace {

class BarAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit BarAccessible(QWidget *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(percent()) + QLatin1Char('%');
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return percent(); }
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    int percent() const { return static_cast<frmConv *>(widget()->parentWidget())->percent(); }
};

QAccessibleInterface *accessibleFor(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (qobject_cast<frmConv *>(widget) || qobject_cast<frmAbout *>(widget))
        return new QAccessibleWidget(widget, QAccessible::Dialog);
    if (widget && widget->objectName() == QLatin1String("picBck")
        && qobject_cast<frmConv *>(widget->parentWidget()))
        return new BarAccessible(widget);
    return nullptr;
}

} // namespace

void makeWindowsAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace zezu
