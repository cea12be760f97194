#include "Fields.h"

#include <QLabel>
#include <QProxyStyle>

namespace {

// The platform draws bullets for hidden text; operators are told the codes show as asterisks.
class AsteriskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

CnpjField::CnpjField(const QString& objectName, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(objectName);
    // Qt's 9 is a required digit and 0 an optional one; blanks stand for what is not typed.
    setInputMask("90.900.900/9000-90; ");
}

void CnpjField::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    // Typing from where an empty field was clicked would leave the first positions blank.
    if (maskedText() == untouchedText)
        setCursorPosition(0);
}

QLineEdit* secretField(const QString& objectName, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setEchoMode(QLineEdit::Password);
    auto* style = new AsteriskStyle;
    style->setParent(field);
    field->setStyle(style);
    return field;
}

QLabel* fieldLabel(const QString& caption, QWidget* field, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(field);
    field->setAccessibleName(caption);
    return label;
}

std::string utf8(const QString& text)
{
    return text.toStdString();
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
