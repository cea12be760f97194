#include "AccessibleNames.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const char* const keepNameProperty = "vexorKeepsAccessibleName";
const char* const valueLabelProperty = "vexorValueLabel";

class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        const auto* box = static_cast<const QComboBox*>(widget());
        if (t == QAccessible::Value)
            return box->isEditable() ? box->lineEdit()->text() : box->currentText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = static_cast<const QComboBox*>(widget())->isEditable();
        s.expandable = true;
        return s;
    }
};

// Qt names an empty label after the caption whose buddy it is, so an empty value would be
// read as its own caption; the caption stays reachable through the label relation.
class ValueLabel : public QAccessibleWidget {
public:
    explicit ValueLabel(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        const auto* label = static_cast<const QLabel*>(widget());
        if (t == QAccessible::Name)
            return label->accessibleName().isEmpty() ? label->text() : label->accessibleName();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("QComboBox") && object->property(keepNameProperty).toBool())
        return new NamedComboBox(static_cast<QComboBox*>(object));
    if (className == QLatin1String("QLabel") && object->property(valueLabelProperty).toBool())
        return new ValueLabel(static_cast<QLabel*>(object));
    return nullptr;
}

template <typename Interface> void useOwnInterface(QWidget* widget, const char* property)
{
    static const bool installed = (QAccessible::installFactory(factory), true);
    (void)installed;
    widget->setProperty(property, true);
    // Building the widget may already have made and cached its usual interface.
    QAccessibleInterface* cached = QAccessible::queryAccessibleInterface(widget);
    if (cached && !dynamic_cast<Interface*>(cached))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(cached));
}

} // namespace

void keepAccessibleName(QComboBox* box)
{
    useOwnInterface<NamedComboBox>(box, keepNameProperty);
}

void readAsValue(QLabel* label)
{
    useOwnInterface<ValueLabel>(label, valueLabelProperty);
}
