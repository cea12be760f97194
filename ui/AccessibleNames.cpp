#include "AccessibleNames.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace {

const char* const keepNameProperty = "vexorKeepsAccessibleName";

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

QAccessibleInterface* namedComboBoxFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QComboBox") || !object->property(keepNameProperty).toBool())
        return nullptr;
    return new NamedComboBox(static_cast<QComboBox*>(object));
}

} // namespace

void keepAccessibleName(QComboBox* box)
{
    static const bool installed = (QAccessible::installFactory(namedComboBoxFactory), true);
    (void)installed;
    box->setProperty(keepNameProperty, true);
    // Building the box may already have made and cached its usual interface.
    QAccessibleInterface* cached = QAccessible::queryAccessibleInterface(box);
    if (cached && !dynamic_cast<NamedComboBox*>(cached))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(cached));
}
